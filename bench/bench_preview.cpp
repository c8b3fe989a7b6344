// Preview figures: laying documents of 50 to 500 pages out for the preview (with the hidden
// copy), and drawing one page at 100 % zoom near the start, middle and end of a 500-page
// document. Layout runs against the fixed 300 dpi reference device unless --printer NAME is
// given.
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <ctime>

namespace {

QString document(int paragraphs)
{
    QStringList p;
    p.reserve(paragraphs);
    for (int i = 0; i < paragraphs; ++i) {
        p << QStringLiteral("Paragraph %1. The quick brown fox jumps over the lazy dog, and the "
                            "preview lays this text out exactly as the printer will print it.")
                 .arg(i);
    }
    return p.join(QLatin1Char('\r'));
}

struct Setup {
    TGmPreview preview;
    TGmRtfPreview paginator;
    TRxRichEdit source;
    explicit Setup(const QString &printer)
    {
        preview.GmPrinter().SelectPrinter(printer);
        preview.OnNeedRichEdit = [](QObject *, TRxRichEdit *&r) { r = new TRxRichEdit; };
        paginator.SetPreview(&preview);
        preview.Header().setVisible(true);
        preview.Footer().setVisible(true);
        preview.Footer().setCaption(1, QStringLiteral("Page {PAGE} of {NUMPAGES}"));
    }
    // Wall-clock and processor milliseconds of one pagination; the processor time does not
    // grow when other work shares the machine.
    QPair<double, double> paginate()
    {
        preview.Clear();
        QElapsedTimer t;
        const std::clock_t c0 = std::clock();
        t.start();
        paginator.LoadFromRichEdit(&source);
        const double wall = t.nsecsElapsed() / 1e6;
        return {wall, double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC};
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString printer = QStringLiteral("Scrivelle-Reference-Device");
    const QStringList args = app.arguments();
    if (const int i = args.indexOf(QStringLiteral("--printer")); i >= 0 && i + 1 < args.size())
        printer = args.at(i + 1);

    Setup s(printer);
    std::printf("layout device: %s, %d dpi\n", qPrintable(printer),
                s.preview.GmPrinter().Device()->logicalDpiX());

    // Paragraphs per page, measured once.
    s.source.setWindowText(document(400));
    s.paginate();
    const int perPage = qMax(1, 400 / qMax(1, s.preview.Count() - 1));

    std::printf("%8s %8s %12s %12s %14s\n", "pages", "paras", "layout ms", "cpu ms",
                "cpu ms/page");
    for (int target : {50, 100, 250, 500}) {
        s.source.setWindowText(document(target * perPage));
        double wall = 1e9;
        double cpu = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto [w, c] = s.paginate();
            wall = qMin(wall, w);
            cpu = qMin(cpu, c);
        }
        std::printf("%8d %8d %12.1f %12.1f %14.3f\n", s.preview.Count(), target * perPage, wall,
                    cpu, cpu / s.preview.Count());
    }

    // Drawing one page at 100 % zoom: 96 pixels per inch on a screen-sized image.
    const int count = s.preview.Count();
    TGmPage *first = s.preview.Pages(1);
    QImage image(int(first->WidthInches() * 96) + 1, int(first->HeightInches() * 96) + 1,
                 QImage::Format_RGB32);
    std::printf("%8s %14s\n", "page", "draw ms");
    for (int number : {1, count / 2, count}) {
        TGmPage *page = s.preview.Pages(number);
        double best = 1e9;
        for (int run = 0; run < 5; ++run) {
            image.fill(Qt::white);
            QPainter p(&image);
            QElapsedTimer t;
            t.start();
            s.preview.PageList().DrawPage(page, p, 96, 96);
            best = qMin(best, t.nsecsElapsed() / 1e6);
        }
        std::printf("%8d %14.2f\n", number, best);
    }
    return 0;
}
