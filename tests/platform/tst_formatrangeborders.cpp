// The borders of table rows on the pages of the format-range operation: a page that ends
// between two rows draws the line under its last row whole, in pictures of pages, in PDFs
// written by the engine and in the program's exports, without moving the page breaks.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/RichEdit.h"
#include "rtf/Rtf.h"
#include "support/RtfTestSupport.h"
#include "support/EnginePdf.h"
#include "support/PdfInspect.h"
#include "support/WindowDriver.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextTable>

using namespace richedit;

namespace {

void loadRtf(RichEdit &e, const QByteArray &rtf)
{
    rtftest::readInto(e.document(), rtf);
}

// A paragraph, then `rows` rows of two cells boxed by single borders of the given width in
// twips (0: the default width), the first `heading` of them heading rows, then a paragraph.
QByteArray boxedTable(int rows, int width = 0, int heading = 0, const QByteArray &shading = {})
{
    const QByteArray w = width > 0 ? "\\brdrw" + QByteArray::number(width) : QByteArray();
    QByteArray cell;
    for (const char *side : {"t", "l", "b", "r"})
        cell += "\\clbrdr" + QByteArray(side) + "\\brdrs" + w;
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red200\\green200\\blue200;}"
                     "\\f0\\fs24\\pard Before.\\par ";
    for (int r = 0; r < rows; ++r)
        rtf += "\\trowd\\trgaph108" + QByteArray(r < heading ? "\\trhdr" : "") + cell + shading
            + "\\cellx3000" + cell + shading + "\\cellx6000\\pard\\intbl row "
            + QByteArray::number(r) + "\\cell two\\cell\\row ";
    return rtf + "\\pard After.\\par}";
}

// A band of pixel rows holding a dark run across the table: a horizontal border.
struct Line {
    int top = 0;
    int bottom = 0; // last pixel row
    qint64 ink = 0; // darkness summed over the band's pixels
};

// The horizontal lines of an image: bands of pixel rows with a dark run longer than minRun.
QList<Line> horizontalLines(const QImage &img, int minRun)
{
    QList<Line> lines;
    bool inLine = false;
    for (int y = 0; y < img.height(); ++y) {
        int run = 0;
        int widest = 0;
        qint64 ink = 0;
        for (int x = 0; x < img.width(); ++x) {
            const int gray = qGray(img.pixel(x, y));
            run = gray < 200 ? run + 1 : 0;
            widest = qMax(widest, run);
            ink += 255 - gray;
        }
        const bool line = widest > minRun;
        if (line && !inLine)
            lines.append({y, y, 0});
        if (line) {
            lines.last().bottom = y;
            lines.last().ink += ink;
        }
        inLine = line;
    }
    return lines;
}

// Why the lines of a page are wrong, or an empty string: the page shows one line more than
// it has rows, and its last line has as much ink as the thinnest of the others.
QString checkLines(const QList<Line> &lines, int rows)
{
    if (lines.size() != rows + 1)
        return QStringLiteral("%1 lines for %2 rows").arg(lines.size()).arg(rows);
    qint64 thinnest = std::numeric_limits<qint64>::max();
    for (int i = 0; i + 1 < lines.size(); ++i)
        thinnest = qMin(thinnest, lines.at(i).ink);
    if (lines.last().ink * 10 < thinnest * 9)
        return QStringLiteral("last line %1 at %2, others at least %3")
            .arg(lines.last().ink).arg(lines.last().top).arg(thinnest);
    return {};
}

FORMATRANGE rangeFor(QPaintDevice *target, QPainter *p, int heightTwips, int cpMin)
{
    return enginepdf::pageRange(target, p, 1440 * 6, heightTwips, cpMin);
}

// The table's rows (heading rows repeated on a page included) that start in [from, to).
int rowsIn(QTextTable *table, int from, int to, bool repeatsHeading)
{
    int rows = 0;
    for (int r = 0; r < table->rows(); ++r) {
        const int start = table->cellAt(r, 0).firstPosition();
        rows += start >= from && start < to;
    }
    const int heading = table->format().headerRowCount();
    if (repeatsHeading && from > table->cellAt(heading, 0).firstPosition())
        rows += heading;
    return rows;
}

QTextTable *firstTable(RichEdit &e)
{
    return qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
}

} // namespace

class TestFormatRangeBorders : public QObject {
    Q_OBJECT
private slots:
    void pagePicturesShowTheLineUnderTheirLastRow_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("heading");
        QTest::addColumn<QByteArray>("shading");
        QTest::newRow("96 dpi") << 96 << 0 << 0 << QByteArray();
        QTest::newRow("300 dpi") << 300 << 0 << 0 << QByteArray();
        QTest::newRow("600 dpi") << 600 << 0 << 0 << QByteArray();
        QTest::newRow("wide borders 300 dpi") << 300 << 60 << 0 << QByteArray();
        QTest::newRow("heading rows 96 dpi") << 96 << 0 << 2 << QByteArray();
        QTest::newRow("heading rows 300 dpi") << 300 << 15 << 1 << QByteArray();
        QTest::newRow("shaded cells 300 dpi") << 300 << 0 << 0 << QByteArray("\\clcbpat1");
    }
    // Given a long table of boxed rows, when its pages are drawn as pictures (as the preview,
    // the picture PDF and the presentation draw them), then every page shows one line more
    // than it has rows, the line under its last row as strong as the others and within the
    // page's rectangle, and the pages start where they did when only measured.
    void pagePicturesShowTheLineUnderTheirLastRow()
    {
        QFETCH(int, dpi);
        QFETCH(int, width);
        QFETCH(int, heading);
        QFETCH(QByteArray, shading);
        RichEdit e;
        loadRtf(e, boxedTable(60, width, heading, shading));
        QTextTable *table = firstTable(e);
        QVERIFY(table);
        const int pageTwips = 1440 * 5;
        const int pagePixels = pageTwips * dpi / 1440;
        const int dpm = qRound(dpi / 0.0254);
        QList<int> measured;
        for (int cp = 0; cp < e.textLength();) {
            QImage probe(8, 8, QImage::Format_ARGB32);
            probe.setDotsPerMeterX(dpm);
            probe.setDotsPerMeterY(dpm);
            const FORMATRANGE fr = rangeFor(&probe, nullptr, pageTwips, cp);
            measured << cp;
            cp = e.formatRange(&fr, false);
        }
        e.formatRange(nullptr, false);
        QVERIFY(measured.size() >= 3);
        QList<int> drawn;
        for (int cp = 0; cp < e.textLength();) {
            QImage img(6 * dpi, pagePixels + dpi, QImage::Format_ARGB32);
            img.setDotsPerMeterX(dpm);
            img.setDotsPerMeterY(dpm);
            img.fill(Qt::white);
            QPainter p(&img);
            const FORMATRANGE fr = rangeFor(&img, &p, pageTwips, cp);
            const int next = e.formatRange(&fr, true);
            p.end();
            drawn << cp;
            const QList<Line> lines = horizontalLines(img, 2 * dpi); // the table is 4 inches wide
            const bool tableGoesOn = next <= table->lastPosition();
            if (next > table->firstPosition() && tableGoesOn) {
                const QString fault =
                    checkLines(lines, rowsIn(table, cp, next, heading > 0));
                QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("page %1: %2")
                                                         .arg(drawn.size()).arg(fault)));
                // The line may reach past the rectangle by its own width, no further.
                QVERIFY(lines.last().bottom < pagePixels + qMax(4, width * dpi / 1440 + 2));
            }
            QVERIFY(next > cp);
            cp = next;
        }
        e.formatRange(nullptr, false);
        QCOMPARE(drawn, measured);
    }

    // Given the same table, when the engine writes its pages into a PDF (as printing does,
    // where only each page's own lines are drawn), then each page read back shows the line
    // under its last row.
    void pdfPagesShowTheLineUnderTheirLastRow()
    {
        if (!pdfinspect::haveTool("pdftoppm"))
            QSKIP("pdftoppm is not installed");
        RichEdit e;
        loadRtf(e, boxedTable(60, 0, 1));
        QTextTable *table = firstTable(e);
        QVERIFY(table);
        const int pageTwips = 1440 * 5;
        QList<int> starts;
        for (int cp = 0; cp < e.textLength();) {
            QImage probe(8, 8, QImage::Format_ARGB32);
            probe.setDotsPerMeterX(11811);
            probe.setDotsPerMeterY(11811);
            const FORMATRANGE fr = rangeFor(&probe, nullptr, pageTwips, cp);
            starts << cp;
            cp = e.formatRange(&fr, false);
        }
        e.formatRange(nullptr, false);
        starts << e.textLength();
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
        QCOMPARE(enginepdf::writePages(e, 300, pageTwips, pdf), int(starts.size() - 1));
        for (int page = 1; page + 1 < starts.size() - 1; ++page) {
            const QImage img = pdfinspect::renderPage(pdf, page + 1, 100,
                                                      dir.filePath(QStringLiteral("page")));
            QVERIFY(!img.isNull());
            const int rows = rowsIn(table, starts.at(page), starts.at(page + 1), true);
            const QString fault = checkLines(horizontalLines(img, 200), rows);
            QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("page %1: %2").arg(page + 1)
                                                     .arg(fault)));
        }
    }

    // Given a Rich Text file of a long boxed table, when the program exports it from the
    // command line as a PDF of page pictures, then its first page ends with the line under
    // its last row.
    void theExportedPictureShowsTheLineUnderTheLastRow()
    {
        if (!pdfinspect::haveTool("pdftoppm"))
            QSKIP("pdftoppm is not installed");
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("boxes.rtf"));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(boxedTable(60));
        f.close();
        const QString pdf = dir.filePath(QStringLiteral("boxes.pdf"));
        QProcess run;
        run.start(QStringLiteral(SCV_BINARY), {QStringLiteral("--convert"), source, pdf});
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
        const QImage img =
            pdfinspect::renderPage(pdf, 1, 150, dir.filePath(QStringLiteral("page")));
        QVERIFY(!img.isNull());
        const QList<Line> lines = horizontalLines(img, 300);
        QVERIFY(lines.size() > 10);
        // The last row's text is closed by a line under it: no text follows the last line
        // within a row's height.
        const int pitch = lines.at(2).top - lines.at(1).top;
        int text = 0;
        for (int y = lines.last().bottom + 2; y < lines.last().bottom + pitch; ++y)
            for (int x = 0; x < img.width(); ++x)
                text += qGray(img.pixel(x, y)) < 128;
        QCOMPARE(text, 0);
        qint64 thinnest = std::numeric_limits<qint64>::max();
        for (int i = 0; i + 1 < lines.size(); ++i)
            thinnest = qMin(thinnest, lines.at(i).ink);
        QVERIFY2(lines.last().ink * 10 >= thinnest * 9,
                 qPrintable(QStringLiteral("%1 < %2").arg(lines.last().ink).arg(thinnest)));
    }

    // Given a table made for narrower margins (its right edge beyond the text rectangle but
    // on the paper), when it is exported from the window as a text PDF, then its right-hand
    // border and the text of its last column are on the page, in the right margin.
    void aTableWiderThanTheTextReachesIntoTheMargin()
    {
        if (!pdfinspect::haveTool("pdftoppm"))
            QSKIP("pdftoppm is not installed");
        QTemporaryDir dir;
        WindowDriver w(dir.path(), {},
                       {QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_merged.libreoffice.rtf")});
        const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
        w.dialogs().answerFile(pdf, 7);
        w.choose(QStringLiteral("Export Document As..."));
        QVERIFY(w.dialogs().allAnswered());
        const QImage page = pdfinspect::renderPage(pdf, 1, 72, dir.filePath(QStringLiteral("p")));
        QVERIFY(!page.isNull());
        // The text rectangle ends an inch from the paper's right edge; the table's right edge
        // lies 9638 twips right of its left edge, an inch from the paper's left edge.
        const int textRight = page.width() - 72;
        const int tableRight = 72 + 9638 / 20;
        QVERIFY(tableRight > textRight + 20);
        auto darkInColumns = [&](int from, int to) {
            int dark = 0;
            for (int y = 0; y < page.height() / 3; ++y)
                for (int x = from; x <= to; ++x)
                    dark += qGray(page.pixel(x, y)) < 100;
            return dark;
        };
        QVERIFY(darkInColumns(tableRight - 2, tableRight + 2) > 30); // the right border
        QVERIFY(darkInColumns(textRight + 2, tableRight - 4) > 0);   // "Afternoon", "Museum"
    }
};

QTEST_MAIN(TestFormatRangeBorders)
#include "tst_formatrangeborders.moc"
