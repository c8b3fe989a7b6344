// Preview window figures on a document of about 300 pages: opening the window (document copy,
// pagination, first page, visible thumbnails), drawing the first page, page changes and zoom
// steps with their repaint, and scrolling the thumbnail strip frame by frame. Run offscreen;
// layout uses the fixed 300 dpi reference device unless --printer NAME is given.
#include "editor/RxRichEd.h"
#include "preview/GmPageNavigator.h"
#include "preview/GmPreview.h"
#include "preview/GmThumbnails.h"
#include "preview/PrintPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
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

double ms(QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// Processor milliseconds of this process: unlike wall-clock time, they do not grow when
// other work shares the machine.
double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

struct Figures {
    std::vector<double> runs;
    std::vector<double> cpu;
    QElapsedTimer timer;
    double cpuStart = 0;
    void start()
    {
        cpuStart = cpuMs();
        timer.start();
    }
    void stop()
    {
        runs.push_back(ms(timer));
        cpu.push_back(cpuMs() - cpuStart);
    }
    static void sortIt(std::vector<double> &v) { std::sort(v.begin(), v.end()); }
    void print(const char *what) const
    {
        std::vector<double> s = runs, c = cpu;
        sortIt(s);
        sortIt(c);
        std::printf("%-40s wall median %7.2f max %7.2f | processor median %7.2f max %7.2f ms"
                    " (%zu)\n",
                    what, s[s.size() / 2], s.back(), c[c.size() / 2], c.back(), s.size());
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

    TRxRichEdit source;
    TForm1 window;
    window.resize(1600, 1000);
    window.GmPreview1->GmPrinter().SelectPrinter(printer);
    TPreviewHost host;
    host.editor = [&source] { return &source; };
    host.documentFileName = [] { return QStringLiteral("Untitled Document"); };
    window.setHost(host);

    // About 300 pages: paragraphs per page measured on a short document first.
    source.setWindowText(document(200));
    window.Relayout();
    const double perPage = 200.0 / qMax(1, window.GmPreview1->Count() - 1);
    source.setWindowText(document(int(300 * perPage)));

    // Opening: shown, activated (copy and pagination), painted with the visible thumbnails.
    QElapsedTimer t;
    const double c0 = cpuMs();
    t.start();
    window.show();
    window.activateWindow();
    while (!window.Label1->text().endsWith(QStringLiteral(" of  ")
                                            + QString::number(window.GmPreview1->Count()))
           || window.GmPreview1->Count() < 10)
        QCoreApplication::processEvents();
    window.grab();
    const double open = ms(t);
    const double openCpu = cpuMs() - c0;
    TGmPreview *preview = window.GmPreview1;
    TGmThumbnails *thumbs = window.GmThumbnails1;
    int drawn = 0;
    for (int i = 0; i < thumbs->Count(); ++i)
        drawn += thumbs->Thumbnail(i)->pictureReady() ? 1 : 0;
    std::printf("layout device %s; %d pages; window %dx%d\n", qPrintable(printer),
                preview->Count(), window.width(), window.height());
    std::printf("%-44s %8.1f ms, processor %8.1f ms (thumbnails drawn: %d of %d)\n",
                "open the window", open, openCpu, drawn, thumbs->Count());

    Figures first, page, zoom, scroll;
    for (int run = 0; run < 5; ++run) {
        preview->PaperImage()->invalidate();
        first.start();
        preview->viewport()->grab();
        first.stop();
    }
    first.print("first page drawn (zoom fitted)");

    for (int run = 0; run < 20; ++run) {
        page.start();
        preview->NextPage();
        preview->viewport()->grab();
        page.stop();
    }
    page.print("next page with repaint");

    for (int run = 0; run < 6; ++run) {
        zoom.start();
        if (run % 2 == 0)
            preview->ZoomIn();
        else
            preview->ZoomOut();
        preview->viewport()->grab();
        zoom.stop();
    }
    zoom.print("zoom step with repaint");

    QScrollBar *bar = thumbs->verticalScrollBar();
    for (int run = 0; run < 60 && bar->value() < bar->maximum(); ++run) {
        scroll.start();
        bar->setValue(bar->value() + 40);
        thumbs->viewport()->grab();
        scroll.stop();
    }
    scroll.print("thumbnail strip scrolled 40 px, one frame");
    drawn = 0;
    for (int i = 0; i < thumbs->Count(); ++i)
        drawn += thumbs->Thumbnail(i)->pictureReady() ? 1 : 0;
    std::printf("thumbnails drawn after scrolling: %d of %d\n", drawn, thumbs->Count());
    return 0;
}
