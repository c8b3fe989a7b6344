// The PDF export against a scripted page source: page count and NewPage only when text is left,
// the text rectangle and placement at two screen resolutions, the progress label, the
// background colour, clean-up on failure, the red/blue swap, and the rendered file. Then the
// same through the rich text control: its pagination, its colour, its text on the pages.

#include "editor/RxRichEd.h"
#include "export/PageExport.h"
#include "export/PdfExport.h"
#include "support/PdfInspect.h"
#include "zlib/ZStream.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace pdfinspect;

namespace {

// A document of `length` positions of which `perPage` fit on a page. Each rendered page gets a
// black block at the top-left of its text rectangle; everything the export hands over is
// recorded.
class ScriptedSource : public PdfPageSource
{
public:
    int length = 0;
    int perPage = 100;
    int failOnPage = 0;   // 1-based; 0 never
    bool stuck = false;   // report no progress at all
    ColorValue color = White;
    TfrmExport *progress = nullptr;

    QList<richedit::RECT> pageRects;
    QList<richedit::RECT> drawRects;
    QList<ColorValue> colorsWhileRendering;
    QStringList labels;   // lblProgBar as each call began
    QList<int> targetDpi;
    int releases = 0;

    ColorValue backgroundColor() const override { return color; }
    void setBackgroundColor(ColorValue c) override { color = c; }
    int documentLength() const override { return length; }
    void setPageRect(const richedit::RECT &rect) override { pageRects.append(rect); }

    int formatRange(richedit::FORMATRANGE *fr, bool render) override
    {
        if (progress)
            labels.append(progress->lblProgBar->text());
        if (!fr) {
            ++releases;
            return 0;
        }
        drawRects.append(fr->rc);
        colorsWhileRendering.append(color);
        targetDpi.append(fr->hdcTarget->logicalDpiX());
        if (render && fr->hdc) {
            const int dpi = fr->hdcTarget->logicalDpiX();
            fr->hdc->fillRect(QRect(fr->rc.left * dpi / 1440, fr->rc.top * dpi / 1440, 200, 100),
                              Qt::black);
        }
        if (failOnPage == drawRects.size())
            throw std::runtime_error("rendering failed");
        if (stuck)
            return fr->chrg.cpMin;
        return std::min(fr->chrg.cpMin + perPage, fr->chrg.cpMax);
    }
};

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray operators(const QByteArray &pdf, int page)
{
    return zstream::inflate(streamData(pdf, 2 * page)).data;
}

int pageCount(const QByteArray &pdf)
{
    return pdf.count("/Type /Page\r\n");
}

// Pages the control lays the document out on at a resolution, counted with the format-range
// operation alone (measuring, nothing drawn).
int controlPages(TRxRichEdit &editor, int dpi)
{
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(dpi / 0.0254));
    device.setDotsPerMeterY(qRound(dpi / 0.0254));
    richedit::FORMATRANGE fr;
    fr.hdcTarget = &device;
    fr.rc = fr.rcPage = pdfexport::textRect(QSize(dpi, dpi));
    const int length = int(editor.TextBetween(0, int(editor.windowText().size())).size());
    fr.chrg = {0, length};
    int pages = 0;
    int r = 0;
    do {
        r = editor.formatRange(&fr, false);
        fr.chrg.cpMin = r;
        ++pages;
    } while (r < length && pages < 1000);
    editor.formatRange(nullptr, false);
    return pages;
}

QString paragraphs(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Paragraph %1: the quick brown fox jumps over the lazy dog.")
                     .arg(i);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestPdfExport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    PdfExportOptions options(QStringList *messages, QSize dpi = QSize(96, 96))
    {
        PdfExportOptions o;
        o.screenDpi = dpi;
        o.clock = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
        o.showInformation = [messages](const QString &m) { messages->append(m); };
        return o;
    }

private slots:
    void pagesFollowTheControl_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("labels");
        // labels: lblProgBar before each page after the first, then at the release.
        QTest::newRow("empty document: one empty page") << 0 << 1 << QStringList{"100%"};
        QTest::newRow("fits on one page") << 60 << 1 << QStringList{"100%"};
        QTest::newRow("exactly three pages")
            << 300 << 3 << QStringList{"33%", "66%", "100%"};
        QTest::newRow("one position over") << 301 << 4 << QStringList{"33%", "66%", "99%", "100%"};
    }
    void pagesFollowTheControl()
    {
        QFETCH(int, length);
        QFETCH(int, pages);
        QFETCH(QStringList, labels);
        TfrmExport progress;
        ScriptedSource source;
        source.length = length;
        source.progress = &progress;
        source.color = 0x0000FFFF; // yellow
        QStringList messages;
        const QString file = path(QStringLiteral("pages.pdf"));

        ExportPdf(source, file, QStringLiteral("pages.pdf"), &progress, options(&messages));

        const QByteArray pdf = readAll(file);
        QCOMPARE(pageCount(pdf), pages);
        QCOMPARE(source.drawRects.size(), pages);
        QVERIFY(pdf.contains("<< /Size " + QByteArray::number(4 * pages + 20) + "\r\n"));
        for (int k = 1; k <= pages; ++k)
            QCOMPARE(operators(pdf, k).count(" Do\r\n"), 1);
        QCOMPARE(source.labels.mid(1), labels);
        QCOMPARE(source.releases, 1);
        QCOMPARE(source.colorsWhileRendering, QList<PdfPageSource::ColorValue>(pages, 0x00FFFFFF));
        QCOMPARE(source.color, PdfPageSource::ColorValue(0x0000FFFF));
        QCOMPARE(messages, QStringList{"Document succesfully exported to PDF format."});
        QVERIFY(!progress.isVisible());
        QCOMPARE(progress.lblProgBar->text(), QStringLiteral("0%"));
    }

    void geometryFollowsTheScreen_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QList<int>>("rect");
        QTest::addColumn<QByteArray>("placement");
        QTest::newRow("96 dpi") << 96 << QList<int>{300, 300, 10395, 14250}
                                << QByteArray("537 0 0 784 25 38 cm");
        QTest::newRow("120 dpi") << 120 << QList<int>{240, 240, 8316, 11400}
                                 << QByteArray("430 0 0 627 25 195 cm");
    }
    void geometryFollowsTheScreen()
    {
        QFETCH(int, dpi);
        QFETCH(QList<int>, rect);
        QFETCH(QByteArray, placement);
        ScriptedSource source;
        source.length = 250;
        QStringList messages;
        const QString file = path(QStringLiteral("geometry.pdf"));
        ExportPdf(source, file, QStringLiteral("geometry.pdf"), nullptr,
                  options(&messages, QSize(dpi, dpi)));

        auto asList = [](const richedit::RECT &r) {
            return QList<int>{r.left, r.top, r.right, r.bottom};
        };
        QCOMPARE(source.pageRects.size(), 1);
        QCOMPARE(asList(source.pageRects.first()), rect);
        for (const auto &r : source.drawRects)
            QCOMPARE(asList(r), rect); // reset before every page
        QCOMPARE(source.targetDpi, QList<int>(3, dpi));
        const QByteArray pdf = readAll(file);
        QCOMPARE(operators(pdf, 3), "q\r\n" + placement + "\r\n/Im3 Do\r\nQ\r\n");
    }

    void failuresStillFinishAndCleanUp_data()
    {
        QTest::addColumn<int>("failOnPage");
        QTest::addColumn<bool>("stuck");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("pagesSaved"); // -1: no file written
        QTest::newRow("rendering page 2 fails")
            << 2 << false << QStringLiteral("fail.pdf") << QStringLiteral("rendering failed") << 2;
        QTest::newRow("no progress on a page")
            << 0 << true << QStringLiteral("fail.pdf")
            << QStringLiteral("The document could not be laid out: position 0 does not fit on "
                              "a page.")
            << 1;
        QTest::newRow("target cannot be created")
            << 0 << false << QStringLiteral("fail.pdf/inside.pdf")
            << QStringLiteral("Cannot create file %1") << -1;
    }
    void failuresStillFinishAndCleanUp()
    {
        QFETCH(int, failOnPage);
        QFETCH(bool, stuck);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QFETCH(int, pagesSaved);
        QTemporaryDir dir;
        if (pagesSaved < 0) { // a regular file where a folder would have to be
            QFile blocker(dir.filePath(QStringLiteral("fail.pdf")));
            QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("earlier") == 7);
        }
        TfrmExport progress;
        ScriptedSource source;
        source.length = 300;
        source.failOnPage = failOnPage;
        source.stuck = stuck;
        source.color = 0x80000005; // a system colour comes back as it was
        QStringList messages;
        const QString file = dir.filePath(target);

        QString error;
        try {
            ExportPdf(source, file, QStringLiteral("fail.pdf"), &progress, options(&messages));
        } catch (const std::runtime_error &e) {
            error = QString::fromStdString(e.what());
        }
        QCOMPARE(error, QString(message).replace(QStringLiteral("%1"), file));
        QVERIFY(messages.isEmpty());
        QCOMPARE(source.releases, 1);
        QCOMPARE(source.color, PdfPageSource::ColorValue(0x80000005));
        QVERIFY(!progress.isVisible());
        QCOMPARE(progress.lblProgBar->text(), QStringLiteral("0%"));
        if (pagesSaved < 0) {
            QCOMPARE(readAll(dir.filePath(QStringLiteral("fail.pdf"))), QByteArray("earlier"));
        } else {
            QCOMPARE(pageCount(readAll(file)), pagesSaved);
        }
    }


    void controlDocumentBecomesPages_data()
    {
        QTest::addColumn<int>("paragraphs");
        QTest::addColumn<int>("dpi");
        QTest::newRow("empty document") << 0 << 96;
        QTest::newRow("one page") << 5 << 96;
        QTest::newRow("several pages") << 150 << 96;
    }
    void controlDocumentBecomesPages()
    {
        QFETCH(int, paragraphs);
        QFETCH(int, dpi);
        TRxRichEdit editor;
        editor.setWindowText(::paragraphs(paragraphs));
        editor.setColor(0x00C0FFC0);
        const int expectedPages = controlPages(editor, dpi);
        TfrmExport progress;
        QStringList messages;
        const QString file = path(QStringLiteral("control.pdf"));

        ExportPdf(editor, file, QStringLiteral("control.pdf"), &progress,
                  options(&messages, QSize(dpi, dpi)));

        const QByteArray pdf = readAll(file);
        QCOMPARE(pageCount(pdf), expectedPages);
        QCOMPARE(pdf.count("/Subtype /Image"), expectedPages);
        if (paragraphs > 100)
            QVERIFY(expectedPages > 2);
        QCOMPARE(editor.Color(), TColor(0x00C0FFC0));
        QCOMPARE(editor.PageArea.right, 997920 / dpi);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(progress.lblProgBar->text(), QStringLiteral("0%"));

        if (!haveTool("pdftoppm") || !haveTool("qpdf"))
            QSKIP("qpdf or poppler-utils not installed");
        const ToolRun check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
        QVERIFY2(check.exitCode == 0, check.out.constData());
        // The first page shows dark text pixels in its top text lines and white elsewhere,
        // the page bitmap's top-left corner included (the editor's colour does not show).
        const QImage shown = renderPage(file, 1, 72, path(QStringLiteral("control")));
        QCOMPARE(shown.size(), QSize(596, 842));
        auto darkIn = [&](QRect area) {
            int dark = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    dark += QColor(shown.pixel(x, y)).lightness() < 128;
            return dark;
        };
        QCOMPARE(darkIn(QRect(0, 0, 596, 20)), 0);   // above the bitmap
        QCOMPARE(darkIn(QRect(0, 0, 25, 842)), 0);   // left of it
        QCOMPARE(darkIn(QRect(26, 21, 10, 10)), 0);  // the bitmap's white margin
        QCOMPARE(QColor(shown.pixel(30, 25)), QColor(Qt::white));
        const int textPixels = darkIn(QRect(40, 36, 300, 60));
        if (paragraphs == 0)
            QCOMPARE(textPixels, 0);
        else
            QVERIFY2(textPixels > 100, qPrintable(QString::number(textPixels)));
    }

    void largerScreenTextNeedsMorePages()
    {
        TRxRichEdit editor;
        // Single-line paragraphs of 12-point text: about 49 lines a page at 96 dpi, 39 at 120.
        editor.setWindowText(::paragraphs(300));
        editor.SelectEverything();
        editor.SelectionFormat.setSize(12);
        QStringList messages;
        int pages[2] = {};
        const int dpis[2] = {96, 120};
        for (int i = 0; i < 2; ++i) {
            const QString file = path(QStringLiteral("dpi.pdf"));
            ExportPdf(editor, file, QStringLiteral("dpi.pdf"), nullptr,
                      options(&messages, QSize(dpis[i], dpis[i])));
            pages[i] = pageCount(readAll(file));
        }
        QVERIFY2(pages[1] > pages[0],
                 qPrintable(QStringLiteral("%1 %2").arg(pages[0]).arg(pages[1])));
    }

    void swapRedBlueExchangesBytesKeepsColours()
    {
        QImage bitmap(2, 1, QImage::Format_RGB32);
        bitmap.setPixel(0, 0, qRgb(255, 0, 0));
        bitmap.setPixel(1, 0, qRgb(1, 2, 3));
        SwapRedBlue(bitmap);
        QCOMPARE(bitmap.depth(), 24);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(bitmap.constScanLine(0)), 6),
                 QByteArray::fromHex("ff0000010203"));
        QCOMPARE(bitmap.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(bitmap.pixel(1, 0), qRgb(1, 2, 3));
    }
};

QTEST_MAIN(TestPdfExport)
#include "tst_pdfexport.moc"
