// The format-range operation: page breaks, measuring against rendering, the layout cache, and
// the Symbol long dash drawn as a line.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/PageUnits.h"
#include "richedit/RichEdit.h"
#include "support/EnginePdf.h"
#include "support/PdfInspect.h"
#include "support/SolidPng.h"
#include "rtf/Rtf.h"
#include "support/RtfTestSupport.h"
#include "text/CodePage.h"

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextTable>

using namespace richedit;

namespace {

QImage page96(int w = 816, int h = 1056)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.setDotsPerMeterX(3780); // 96 dpi
    img.setDotsPerMeterY(3780);
    img.fill(Qt::white);
    return img;
}

// Fills the engine with n one-line paragraphs in a fixed font.
void fillLines(RichEdit &e, int n)
{
    QStringList lines;
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("Line %1").arg(i);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Courier New")});
    f.setFontPointSize(12);
    QTextCursor c(e.document());
    c.insertText(lines.join(QLatin1Char('\n')), f);
}

FORMATRANGE rangeFor(QImage &img, int heightTwips, int cpMin, QPainter *p = nullptr)
{
    FORMATRANGE fr;
    fr.hdc = p;
    fr.hdcTarget = &img;
    fr.rc = {0, 0, 1440 * 6, heightTwips};
    fr.rcPage = fr.rc;
    fr.chrg = {cpMin, -1};
    return fr;
}

// Height in twips of one line of the test text, measured through the operation itself.
int lineHeightTwips(RichEdit &e, QImage &img)
{
    for (int h = 20; h < 2000; h += 2) {
        const FORMATRANGE fr = rangeFor(img, h, 0);
        if (e.formatRange(&fr, false) > 7) // the second line fits too
            return (h + 1) / 2;
    }
    return -1;
}

// Loads RTF text into the engine.
void loadRtf(RichEdit &e, const QByteArray &rtf)
{
    rtftest::readInto(e.document(), rtf);
}

// RTF rows of a two-column bordered table; every seventh row has a second paragraph.
QByteArray tableRows(int rows, const QByteArray &label)
{
    QByteArray rtf;
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd\\trgaph108\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\cellx3000"
               "\\cellx6000\\pard\\intbl " + label + " " + QByteArray::number(r) + "\\cell ";
        if (r % 7 == 0)
            rtf += "two\\par lines";
        rtf += "\\cell\\row";
    }
    return rtf;
}

// RTF of a table whose second row is several pages tall: its first cell holds `first`
// one-word paragraphs (a000, a001, ...), its second `second` larger ones (g000, ...), between
// a short row before and after it and a paragraph before and after the table.
QByteArray tallRowTable(int first, int second)
{
    auto words = [](char prefix, int n) {
        QByteArrayList w;
        for (int i = 0; i < n; ++i)
            w << prefix + QByteArray::number(i).rightJustified(3, '0');
        return w.join("\\par ");
    };
    const QByteArray row = "\\trowd\\trgaph108\\clbrdrl\\brdrs\\clbrdrt\\brdrs\\clbrdrb\\brdrs"
                           "\\cellx3000\\clbrdrl\\brdrs\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx6000"
                           "\\clbrdrl\\brdrs\\clbrdrr\\brdrs\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx8000 ";
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24\\pard Before.\\par" + row
        + "\\pard\\intbl first\\cell\\pard\\intbl row\\cell\\pard\\intbl x\\cell\\row" + row
        + "\\pard\\intbl " + words('a', first) + "\\cell\\pard\\intbl\\fs40 " + words('g', second)
        + "\\cell\\pard\\intbl\\fs24 tall\\cell\\row" + row
        + "\\pard\\intbl last\\cell\\pard\\intbl row\\cell\\pard\\intbl z\\cell\\row"
          "\\pard After.\\par}";
}

// Writes the engine's pages into a PDF at path; the number of pages.
int writePdf(RichEdit &e, int dpi, int heightTwips, const QString &path)
{
    return enginepdf::writePages(e, dpi, heightTwips, path);
}

// The words of the pages of a PDF made of the engine's pages, as pdftotext reads them.
QStringList pdfWords(RichEdit &e, int dpi, int heightTwips, int *pages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    *pages = writePdf(e, dpi, heightTwips, path);
    const QByteArray text =
        pdfinspect::runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).out;
    return QString::fromUtf8(text).split(QRegularExpression(QStringLiteral("\\s+")),
                                         Qt::SkipEmptyParts);
}

QStringList wordList(char prefix, int n)
{
    QStringList w;
    for (int i = 0; i < n; ++i)
        w << QLatin1Char(prefix) + QString::number(i).rightJustified(3, QLatin1Char('0'));
    return w;
}

QList<int> paginate(RichEdit &e, QImage &img, int height, bool render)
{
    return enginepdf::pageStarts(e, img, 1440 * 6, height, render);
}

} // namespace

class TestFormatRange : public QObject {
    Q_OBJECT
private slots:
    void pagesHoldWholeLinesAndMeasuringMatchesRendering()
    {
        RichEdit e;
        fillLines(e, 100);
        QImage img = page96();
        const int line = lineHeightTwips(e, img);
        QVERIFY(line > 0);
        const int tenLines = line * 10 + line / 2;
        const QList<int> measured = paginate(e, img, tenLines, false);
        const QList<int> rendered = paginate(e, img, tenLines, true);
        QCOMPARE(measured, rendered);
        QCOMPARE(measured.size(), 10);
        // Page 2 starts at paragraph 10.
        QCOMPARE(measured[1], e.document()->findBlockByNumber(10).position());
    }

    void documentEndingAtAPageBoundaryMakesNoExtraPage()
    {
        RichEdit e;
        fillLines(e, 20);
        QImage img = page96();
        const int line = lineHeightTwips(e, img);
        const QList<int> pages = paginate(e, img, line * 10 + line / 2, false);
        QCOMPARE(pages.size(), 2);
        // A final empty paragraph after the text adds no page either.
        QTextCursor c(e.document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("\n"));
        QCOMPARE(paginate(e, img, line * 10 + line / 2, false).size(), 2);
    }

    void emptyDocumentAndImpossibleRectangles()
    {
        RichEdit e;
        QImage img = page96();
        FORMATRANGE fr = rangeFor(img, 1440, 0);
        QCOMPARE(e.formatRange(&fr, false), 0);
        fillLines(e, 3);
        fr = rangeFor(img, 0, 0);
        QCOMPARE(e.formatRange(&fr, false), 0); // no height: nothing fits, no progress
        // A page lower than one line still takes that line, so pagination always ends.
        fr = rangeFor(img, 40, 0);
        QCOMPARE(e.formatRange(&fr, false), 7);
    }

    void partsGiveTheSamePagesAsTheWholeDocument_data()
    {
        QTest::addColumn<int>("part");
        QTest::newRow("one paragraph at a time") << 1;
        QTest::newRow("a few paragraphs") << 200;
        QTest::newRow("shorter than a page") << 700;
    }
    void partsGiveTheSamePagesAsTheWholeDocument()
    {
        // Given a document of varied paragraphs (sizes, a long one, numbered ones, a page break,
        // empty ones whose height comes from their paragraph mark, runs of other sizes within
        // a paragraph), when it is paginated a small part at a time, then the pages and the
        // drawn pixels are those of the document laid out whole.
        QFETCH(int, part);
        RichEdit e;
        QTextCursor c(e.document());
        for (int i = 0; i < 60; ++i) {
            if (i % 11 == 5) { // an empty paragraph of a large font
                QTextCharFormat big;
                big.setFontPointSize(30);
                c.insertBlock(QTextBlockFormat(), big);
                continue;
            }
            if (i % 13 == 7) {
                QTextCharFormat run;
                run.setFontPointSize(22);
                run.setFontWeight(QFont::Bold);
                c.insertText(QStringLiteral("a run of its own "), run);
            }
            QTextCharFormat f;
            f.setFontPointSize(8 + (i * 5) % 17);
            QTextBlockFormat b;
            if (i % 7 == 3)
                b.setProperty(prop::Numbering, 2);
            if (i == 41)
                b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            if (i > 0)
                c.insertBlock(b, f);
            else
                c.setBlockFormat(b);
            const QString words = QStringLiteral("paragraph %1 ").arg(i).repeated(i == 20 ? 60 : 3);
            c.insertText(words, f);
        }
        QImage whole = page96();
        QImage inParts = page96();
        const QList<int> expected = paginate(e, whole, 1440 * 3, true);
        e.setFormatRangePartSize(part);
        const QList<int> got = paginate(e, inParts, 1440 * 3, true);
        QCOMPARE(got, expected);
        QVERIFY(expected.size() > 5);
        QCOMPARE(inParts, whole);
    }

    void aParagraphLongerThanAPartGivesTheSamePages_data()
    {
        QTest::addColumn<int>("part");
        QTest::newRow("a character") << 1;
        QTest::newRow("a few lines") << 150;
        QTest::newRow("more than a page") << 1500;
    }
    void aParagraphLongerThanAPartGivesTheSamePages()
    {
        // Given a long justified paragraph with a first-line indent, a number and a page break
        // before it, between two short ones, when it is paginated a slice at a time, then the
        // pages and the drawn pixels are those of the paragraph laid out whole: the indent,
        // the number and the break come once, at its start.
        QFETCH(int, part);
        RichEdit e;
        QTextCursor c(e.document());
        c.insertText(QStringLiteral("Before."));
        QTextBlockFormat b;
        b.setAlignment(Qt::AlignJustify);
        b.setTextIndent(48);
        b.setProperty(prop::Numbering, 2);
        b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        c.insertBlock(b);
        QString words;
        for (int i = 0; i < 900; ++i)
            words += QString(1 + i * 7 % 9, QLatin1Char('a' + i % 26)) + QLatin1Char(' ');
        c.insertText(words);
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("After."));
        QImage whole = page96();
        QImage inParts = page96();
        const QList<int> expected = paginate(e, whole, 1440 * 2, true);
        e.setFormatRangePartSize(part);
        const QList<int> got = paginate(e, inParts, 1440 * 2, true);
        QCOMPARE(got, expected);
        QVERIFY(expected.size() > 5);
        QCOMPARE(expected[1], e.document()->findBlockByNumber(1).position());
        QCOMPARE(inParts, whole);
    }

    void aMegabyteParagraphAtPrinterResolution()
    {
        // Given a document of one paragraph of a megabyte, when it is paginated at 1200 dpi a
        // slice at a time (the default), then its pages are those of the paragraph laid out
        // whole and the last one ends with the paragraph's last words.
        RichEdit e;
        QString text;
        for (int i = 0; text.size() < (1 << 20); ++i)
            text += QStringLiteral("word%1 ").arg(i % 1000);
        text += QStringLiteral("the end");
        QTextCursor(e.document()).insertText(text);
        QImage printer(8, 8, QImage::Format_ARGB32);
        printer.setDotsPerMeterX(47244); // 1200 dpi
        printer.setDotsPerMeterY(47244);
        const QList<int> sliced = paginate(e, printer, 1440 * 9, false);
        e.setFormatRangePartSize(1 << 30);
        const QList<int> whole = paginate(e, printer, 1440 * 9, false);
        QCOMPARE(sliced.size(), whole.size());
        QCOMPARE(sliced, whole);
        QVERIFY(sliced.size() > 100);
        const QString last = e.textRange(sliced.last(), e.textLength());
        QVERIFY(last.endsWith(QLatin1String(" the end")));
        QCOMPARE(text.at(sliced.last() - 1), QLatin1Char(' ')); // pages start at a word
        QVERIFY(last.size() < 10000);
    }

    void aGrownPartIsBoundByItsOwnStart()
    {
        // Given a document of many short paragraphs laid out a part at a time, when a page at
        // the end of a part asks for a longer part again and again, then each longer part is
        // bound by what lies between the page and the old end, not by the part before it (a
        // part that doubled at every step ended with more paragraphs than the layout can
        // handle in reasonable time: 200 000 paragraphs never finished paginating).
        QTextDocument source;
        QTextCursor c(&source);
        c.insertText(QStringLiteral("x\n").repeated(60000).chopped(1));
        FormatRangeCache cache;
        QTextDocument *part = cache.layoutFor(source, 96, 96, 1440 * 6, 0);
        const int firstBlocks = part->blockCount();
        QVERIFY(firstBlocks < 60000);
        for (int step = 0; step < 3; ++step) {
            const int cpMin = cache.base() + part->lastBlock().position() - 20;
            part = cache.layoutFor(source, 96, 96, 1440 * 6, cpMin, true);
            QVERIFY(cache.base() <= cpMin);
            QVERIFY2(part->blockCount() <= firstBlocks + 1,
                     qPrintable(QString::number(part->blockCount())));
        }
    }

    void partsHoldTablesWhole_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("dpm");
        QTest::newRow("one paragraph at a time") << 1 << 3780;
        QTest::newRow("a few paragraphs") << 200 << 3780;
        QTest::newRow("shorter than a page, 300 dpi") << 700 << 11811;
    }
    void partsHoldTablesWhole()
    {
        // Given tables at the start, in the middle and at the end of a document, when it is
        // paginated a small part at a time, then the pages and the drawn pixels are those of
        // the document laid out whole: no part begins or ends inside a table.
        QFETCH(int, part);
        QFETCH(int, dpm);
        RichEdit e;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24" + tableRows(30, "first");
        for (int i = 0; i < 20; ++i)
            rtf += "\\pard paragraph " + QByteArray::number(i) + " between\\par";
        rtf += tableRows(45, "second") + "\\pard One line.\\par" + tableRows(25, "last") + "}";
        loadRtf(e, rtf);
        QCOMPARE(e.document()->rootFrame()->childFrames().size(), 3);
        QImage whole = page96();
        whole.setDotsPerMeterX(dpm);
        whole.setDotsPerMeterY(dpm);
        QImage inParts = whole;
        const QList<int> expected = paginate(e, whole, 1440 * 3, true);
        e.setFormatRangePartSize(part);
        const QList<int> got = paginate(e, inParts, 1440 * 3, true);
        QCOMPARE(got, expected);
        QVERIFY(expected.size() > 5);
        QCOMPARE(inParts, whole);
        // and every row's text is on some page, once
        QStringList seen;
        for (int i = 0; i < got.size(); ++i) {
            const int end = i + 1 < got.size() ? got[i + 1] : e.textLength();
            seen << e.textRange(got[i], end);
        }
        const QString all = seen.join(QString());
        for (const char *label : {"first 29", "second 0", "second 44", "last 0", "last 24"})
            QVERIFY2(all.count(QLatin1String(label) + QLatin1Char('\t')) == 1, label);
    }

    void pageBreakBeforeStartsANewPage()
    {
        RichEdit e;
        fillLines(e, 6);
        QTextBlock b = e.document()->findBlockByNumber(3);
        QTextCursor c(b);
        QTextBlockFormat f = b.blockFormat();
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        c.setBlockFormat(f);
        QImage img = page96();
        const QList<int> pages = paginate(e, img, 1440 * 9, false);
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[1], b.position());
    }

    void cacheFollowsEditsAndResolution()
    {
        RichEdit e;
        fillLines(e, 50);
        QImage img = page96();
        const int line = lineHeightTwips(e, img);
        const int before = paginate(e, img, line * 10 + line / 2, false).size();
        QTextCursor c(e.document());
        c.insertText(QStringLiteral("extra\nextra\nextra\nextra\nextra\n"));
        QCOMPARE(paginate(e, img, line * 10 + line / 2, false).size(), before + 1);
        // A 300 dpi target lays out the same text to the same pages (fonts scale with dpi).
        QImage hi(2550, 3300, QImage::Format_ARGB32);
        hi.setDotsPerMeterX(11811);
        hi.setDotsPerMeterY(11811);
        const int pages300 = paginate(e, hi, line * 10 + line / 2, false).size();
        QVERIFY(qAbs(pages300 - (before + 1)) <= 1);
    }

    void renderingDrawsInsideTheRectangleOnly()
    {
        RichEdit e;
        fillLines(e, 40);
        QImage img = page96();
        QPainter p(&img);
        FORMATRANGE fr = rangeFor(img, 1440, 0, &p); // one inch high
        fr.rc = {720, 720, 720 + 1440 * 4, 720 + 1440};
        e.formatRange(&fr, true);
        p.end();
        auto darkIn = [&img](QRect r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += qGray(img.pixel(x, y)) < 128;
            return n;
        };
        QVERIFY(darkIn(QRect(48, 48, 384, 96)) > 50);
        QCOMPARE(darkIn(QRect(0, 0, 816, 47)), 0);
        QCOMPARE(darkIn(QRect(0, 145, 816, 400)), 0);
    }

    void symbolLongDashDrawsAHorizontalLine()
    {
        RichEdit e;
        QTextCharFormat f;
        f.setFontFamilies({QStringLiteral("Symbol")});
        f.setFontPointSize(24);
        QTextCursor c(e.document());
        c.insertText(QString(QChar(text::symbolToUnicode(0xBE))), f);
        QImage img = page96(200, 100);
        QPainter p(&img);
        FORMATRANGE fr = rangeFor(img, 1440, 0, &p);
        e.formatRange(&fr, true);
        p.end();
        // The widest run of dark pixels on one row is a line, not a dot or a glyph box.
        int widest = 0;
        for (int y = 0; y < img.height(); ++y) {
            int run = 0;
            for (int x = 0; x < img.width(); ++x) {
                run = qGray(img.pixel(x, y)) < 160 ? run + 1 : 0;
                widest = qMax(widest, run);
            }
        }
        QVERIFY2(widest >= 15, qPrintable(QString::number(widest)));
    }

    // Given a lettered item with a hanging indent ("a." then a tab) above a paragraph with
    // the same left indent, when shown and when rendered at 96 and 300 dpi, then the text after
    // the tab starts where the second paragraph starts (the hanging indent is a tab stop), not
    // at the next default stop.
    void hangingIndentIsATabStop()
    {
        RichEdit e;
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24"
                               "\\pard\\fi-360\\li1440 a.\\tab XX\\par\\pard\\li1440 XX\\par}";
        qint64 at = 0;
        QTextCursor c(e.document());
        rtf::readRtf([&](char *buf, qint64 max) {
            const qint64 n = qMin(max, qint64(rtf.size()) - at);
            memcpy(buf, rtf.constData() + at, size_t(n));
            at += n;
            return n;
        }, c);
        e.resize(600, 300);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        const QTextBlock item = e.document()->begin();
        const QTextLine line = item.layout()->lineAt(0);
        QCOMPARE(line.cursorToX(3) + item.layout()->position().x(),
                 item.next().layout()->position().x() + item.next().layout()->lineAt(0).x());

        for (int dpm : {3780, 11811}) { // 96 and 300 dpi
            const double scale = dpm / 3780.0;
            QImage img = page96(int(400 * scale), int(200 * scale));
            img.setDotsPerMeterX(dpm);
            img.setDotsPerMeterY(dpm);
            QPainter p(&img);
            FORMATRANGE fr = rangeFor(img, 1440 * 2, 0, &p);
            e.formatRange(&fr, true);
            p.end();
            e.formatRange(nullptr, false);
            // The first dark column right of the label in each line's band.
            const int band = int(20 * scale);
            auto firstDark = [&](int top, int fromX) {
                for (int x = fromX; x < img.width(); ++x)
                    for (int y = top; y < top + band; ++y)
                        if (qGray(img.pixel(x, y)) < 128)
                            return x;
                return -1;
            };
            const int second = firstDark(band, 0);
            const int afterTab = firstDark(0, int(88 * scale));
            QVERIFY2(qAbs(afterTab - second) <= 1,
                     qPrintable(QStringLiteral("%1 %2").arg(afterTab).arg(second)));
            // The left indent is an inch on every device.
            QVERIFY2(qAbs(second - 96 * scale) <= 2 * scale, qPrintable(QString::number(second)));
        }
    }

    // Given a long table, when paginated at 96 and 300 dpi, then every page after the first
    // starts at the first cell of a row, every row lies on exactly one page, and a rendered
    // page shows its rows' borders and text.
    void tableRowsAreNotSplitBetweenPages()
    {
        RichEdit e;
        loadRtf(e, "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24\\pard Table:\\par"
                       + tableRows(120, "row") + "\\pard After.\\par}");
        QTextTable *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QList<int> rowStarts;
        for (int r = 0; r < table->rows(); ++r)
            rowStarts << table->cellAt(r, 0).firstPosition();
        for (int dpm : {3780, 11811}) {
            QImage img = page96();
            img.setDotsPerMeterX(dpm);
            img.setDotsPerMeterY(dpm);
            const QList<int> starts = paginate(e, img, 1440 * 3, false);
            QVERIFY2(starts.size() > 3, qPrintable(QString::number(starts.size())));
            for (int i = 1; i < starts.size(); ++i) {
                if (starts[i] > table->lastPosition())
                    continue;
                QVERIFY2(rowStarts.contains(starts[i]), qPrintable(QString::number(starts[i])));
            }
            QList<int> bounds = starts;
            bounds << e.textLength();
            for (int start : rowStarts) {
                int pages = 0;
                for (int i = 0; i + 1 < bounds.size(); ++i)
                    pages += start >= bounds[i] && start < bounds[i + 1];
                QCOMPARE(pages, 1);
            }
        }
        QImage shown = page96(816, 400);
        QPainter p(&shown);
        const FORMATRANGE fr = rangeFor(shown, 1440 * 3, rowStarts.at(30), &p);
        QVERIFY(e.formatRange(&fr, true) > rowStarts.at(30));
        p.end();
        e.formatRange(nullptr, false);
        int dark = 0;
        for (int y = 0; y < 8; ++y) // the first row's top border is on the page
            for (int x = 0; x < 200; ++x)
                dark += qGray(shown.pixel(x, y)) < 128;
        QVERIFY2(dark > 20, qPrintable(QString::number(dark)));
        for (int y = 290; y < 400; ++y) // nothing beyond the rectangle (3 inches)
            for (int x = 0; x < 816; ++x)
                QVERIFY(qGray(shown.pixel(x, y)) > 200);
    }
    // Given the lines of two cells side by side (the first cell's lines come first in the
    // document), when a page ends within them, then every line above the cut fits, the cut
    // is at a line of the first cell while that cell goes on (so that the next page's first
    // position grows with the cut), and a page where nothing fits takes the lines that start
    // on it only when forced.
    void rowsAreCutBetweenLines_data()
    {
        QTest::addColumn<qreal>("from");
        QTest::addColumn<qreal>("limit");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("start");
        QTest::addColumn<qreal>("y");
        // Cell one: lines of 10 at 0, 10, 20, ... (starts 0, 1, 2, ...); cell two: lines of
        // 25 at 0, 25, 50, ... (starts 100, 101, ...). The row starts at 0.
        QTest::newRow("second cell's line does not fit") << -1.0 << 48.0 << false << true << 2 << 20.0;
        QTest::newRow("lower down") << -1.0 << 74.0 << false << true << 5 << 50.0;
        QTest::newRow("from a cut on") << 50.0 << 120.0 << false << true << 10 << 100.0;
        QTest::newRow("the rest fits") << 50.0 << 1000.0 << false << true << -1 << 0.0;
        QTest::newRow("nothing fits") << 50.0 << 60.0 << false << false << -1 << 0.0;
        QTest::newRow("nothing fits, forced") << 50.0 << 60.0 << true << true << 6 << 60.0;
    }
    void rowsAreCutBetweenLines()
    {
        QFETCH(qreal, from);
        QFETCH(qreal, limit);
        QFETCH(bool, force);
        QFETCH(bool, ok);
        QFETCH(int, start);
        QFETCH(qreal, y);
        QList<CellLine> lines;
        for (int i = 0; i < 30; ++i)
            lines.append({QTextBlock(), i, i * 10.0, i * 10.0 + 10, i});
        for (int i = 0; i < 12; ++i)
            lines.append({QTextBlock(), i, i * 25.0, i * 25.0 + 25, 100 + i});
        RowCut cut;
        QCOMPARE(cutRow(lines, from, limit, 0, force, cut), ok);
        QCOMPARE(cut.start, start);
        if (start >= 0)
            QCOMPARE(cut.y, y);
    }
    void cutsBesideTallLines()
    {
        // The first cell: two lines, then one 70 high; the second: lines of 10. The cut goes
        // before the tall line, which starts the next page.
        QList<CellLine> lines = {{QTextBlock(), 0, 0, 10, 50}, {QTextBlock(), 1, 10, 20, 51},
                                 {QTextBlock(), 2, 20, 90, 52}};
        for (int i = 0; i < 11; ++i)
            lines.append({QTextBlock(), i, i * 10.0, i * 10.0 + 10, 60 + i});
        RowCut cut;
        QVERIFY(cutRow(lines, -1, 85, 50, false, cut));
        QCOMPARE(cut.start, 52);
        QCOMPARE(cut.y, 20.0);
        // A first line taller than the page, the row's first position: nothing fits; forced,
        // the page takes the lines that start on it and the cut is never at the row's start.
        lines = {{QTextBlock(), 0, 0, 50, 50}};
        for (int i = 0; i < 11; ++i)
            lines.append({QTextBlock(), i, i * 10.0, i * 10.0 + 10, 60 + i});
        QVERIFY(!cutRow(lines, -1, 45, 50, false, cut));
        QVERIFY(cutRow(lines, -1, 45, 50, true, cut));
        QCOMPARE(cut.start, 64);
        QCOMPARE(cut.y, 40.0);
    }

    // Given a table row about three pages tall between short rows, when paginated at 96 and
    // 300 dpi, whole and a small part at a time, then the row goes on over the pages (each
    // page after a cut starts inside it), measuring and rendering agree, the parts give the
    // same pages and pixels, and the PDF of the pages holds every line of both cells once and
    // in order.
    void tallRowsGoOnOverPages_data()
    {
        QTest::addColumn<int>("dpm");
        QTest::addColumn<int>("dpi");
        QTest::newRow("96 dpi") << 3780 << 96;
        QTest::newRow("300 dpi") << 11811 << 300;
    }
    void tallRowsGoOnOverPages()
    {
        QFETCH(int, dpm);
        QFETCH(int, dpi);
        RichEdit e;
        loadRtf(e, tallRowTable(150, 45));
        auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->rows(), 3);
        const int rowStart = table->cellAt(1, 0).firstPosition();
        const int rowEnd = table->cellAt(2, 0).firstPosition();
        const int pageHeight = 1440 * 9;
        QImage whole = page96();
        whole.setDotsPerMeterX(dpm);
        whole.setDotsPerMeterY(dpm);
        QImage inParts = whole;
        const QList<int> measured = paginate(e, whole, pageHeight, false);
        const QList<int> rendered = paginate(e, whole, pageHeight, true);
        QCOMPARE(rendered, measured);
        int inside = 0;
        for (int start : measured)
            inside += start > rowStart && start < rowEnd;
        QVERIFY2(inside >= 2 && measured.size() >= 4,
                 qPrintable(QStringLiteral("%1 of %2").arg(inside).arg(measured.size())));
        for (int i = 1; i < measured.size(); ++i)
            QVERIFY(measured[i] > measured[i - 1]);
        e.setFormatRangePartSize(40);
        QCOMPARE(paginate(e, inParts, pageHeight, true), measured);
        QCOMPARE(inParts, whole);
        e.setFormatRangePartSize(256 * 1024);

        int pages = 0;
        const QStringList words = pdfWords(e, dpi, pageHeight, &pages);
        QCOMPARE(pages, measured.size());
        auto only = [&words](QChar prefix) {
            QStringList w;
            for (const QString &word : words)
                if (word.size() == 4 && word.startsWith(prefix) && word.at(1).isDigit())
                    w << word;
            return w;
        };
        QCOMPARE(only(QLatin1Char('a')), wordList('a', 150));
        QCOMPARE(only(QLatin1Char('g')), wordList('g', 45));
        for (const char *word : {"Before.", "first", "tall", "last", "z", "After."})
            QCOMPARE(words.count(QLatin1String(word)), 1);
    }

    // Given a row cut over pages whose paragraphs are shaded (the paragraph's own background
    // and the background of its text), when each page is rendered, then every page shows the
    // shading of the lines it draws, the continuation pages too.
    void shadingOfACutRowShowsOnEveryPage()
    {
        RichEdit e;
        QByteArray rtf = tallRowTable(150, 100);
        rtf.replace("{\\fonttbl", "{\\colortbl ;\\red255\\green0\\blue0;}{\\fonttbl");
        rtf.replace("\\pard\\intbl a000", "\\pard\\intbl\\chcbpat1 a000");
        loadRtf(e, rtf);
        auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        // The second column's paragraphs take a background of their own.
        const QTextTableCell tall = table->cellAt(1, 1);
        QTextCursor c(e.document());
        c.setPosition(tall.firstPosition());
        c.setPosition(tall.lastPosition(), QTextCursor::KeepAnchor);
        QTextBlockFormat shaded;
        shaded.setBackground(QColor(0, 0, 255));
        c.mergeBlockFormat(shaded);
        QImage measure = page96();
        const QList<int> starts = paginate(e, measure, 1440 * 9, false);
        QVERIFY(starts.size() >= 4);
        for (int i = 0; i + 1 < starts.size(); ++i) {
            QImage shown = page96();
            QPainter p(&shown);
            const FORMATRANGE fr = rangeFor(shown, 1440 * 9, starts[i], &p);
            QCOMPARE(e.formatRange(&fr, true), starts[i + 1]);
            p.end();
            int red = 0;
            int blue = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) {
                    const QRgb px = shown.pixel(x, y);
                    red += px == qRgb(255, 0, 0);
                    blue += px == qRgb(0, 0, 255);
                }
            QVERIFY2(red > 2000 && blue > 2000,
                     qPrintable(QStringLiteral("page %1: %2 red, %3 blue").arg(i).arg(red).arg(blue)));
        }
        e.formatRange(nullptr, false);
    }

    // Given a page that starts inside a cut row, when rendered, then no line of the page
    // before shows at its top: the row's cells start their lines below the cut only.
    void aCutRowsNextPageShowsNoLineOfThePageBefore()
    {
        RichEdit e;
        loadRtf(e, tallRowTable(150, 45));
        QImage img = page96();
        const QList<int> starts = paginate(e, img, 1440 * 9, false);
        QVERIFY(starts.size() >= 3);
        QImage shown = page96(816, 1000);
        QPainter p(&shown);
        const FORMATRANGE fr = rangeFor(shown, 1440 * 9, starts[1], &p);
        QVERIFY(e.formatRange(&fr, true) > starts[1]);
        p.end();
        e.formatRange(nullptr, false);
        // Columns dark all the way down are the cells' borders; elsewhere the first rows
        // are blank.
        for (int x = 0; x < shown.width(); ++x) {
            bool border = true;
            for (int y = 0; y < 800 && border; ++y)
                border = qGray(shown.pixel(x, y)) < 160;
            for (int y = 0; y < 2 && !border; ++y)
                QVERIFY2(qGray(shown.pixel(x, y)) > 200, qPrintable(QString::number(x)));
        }
    }

    // Given a cell holding a picture taller than the page, when paginated, then the
    // pagination ends and the rows after it are still on a page.
    void aLineTallerThanAPageStillEndsThePagination()
    {
        RichEdit e;
        const QByteArray png = testsupport::solidPng(40, 2000, Qt::blue);
        loadRtf(e, "{\\rtf1\\ansi\\pard Before.\\par\\trowd\\cellx3000\\cellx6000\\pard\\intbl "
                   "{\\pict\\pngblip\\picw40\\pich2000\\picwgoal600\\pichgoal30000 " + png.toHex()
                       + "}\\par under\\cell\\pard\\intbl one\\par two\\cell\\row"
                         "\\trowd\\cellx3000\\pard\\intbl next row\\cell\\row\\pard After.\\par}");
        QImage img = page96();
        const QList<int> starts = paginate(e, img, 1440 * 9, true);
        QVERIFY2(starts.size() >= 2 && starts.size() <= 5, qPrintable(QString::number(starts.size())));
        QStringList text;
        for (int i = 0; i < starts.size(); ++i)
            text << e.textRange(starts[i], i + 1 < starts.size() ? starts[i + 1] : e.textLength());
        QVERIFY(text.join(QString()).contains(QLatin1String("next row")));
        QVERIFY(text.join(QString()).contains(QLatin1String("After.")));
    }
    // Given a table whose rows have only an inner horizontal border, when rendered, then
    // lines show between the rows and nowhere else.
    void innerHorizontalBordersShowBetweenRows()
    {
        RichEdit e;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24\\pard Before.\\par";
        for (int r = 0; r < 3; ++r)
            rtf += "\\trowd\\trgaph108\\trbrdrh\\brdrs\\brdrw15\\cellx3000\\cellx6000\\pard\\intbl row "
                + QByteArray::number(r) + "\\cell two\\cell\\row";
        loadRtf(e, rtf + "\\pard After.\\par}");
        QImage img = page96(816, 300);
        QPainter p(&img);
        const FORMATRANGE fr = rangeFor(img, 1440 * 3, 0, &p);
        QCOMPARE(e.formatRange(&fr, true), e.textLength());
        p.end();
        e.formatRange(nullptr, false);
        // Groups of pixel rows holding a dark run longer than any word.
        int lines = 0;
        bool inLine = false;
        for (int y = 0; y < img.height(); ++y) {
            int run = 0;
            int widest = 0;
            for (int x = 0; x < img.width(); ++x) {
                run = qGray(img.pixel(x, y)) < 128 ? run + 1 : 0;
                widest = qMax(widest, run);
            }
            const bool line = widest > 150;
            lines += line && !inLine;
            inLine = line;
        }
        QCOMPARE(lines, 2);
    }
    // Given a row cut over pages whose last piece ends a page (the next row starts the next
    // page), when the pages are written to a PDF, then that page shows the row's bottom
    // border: the only line across the table on a page that goes on with a row.
    void aCutRowsEndKeepsItsBottomBorderInThePdf()
    {
        const int pageHeight = 1440 * 9;
        QImage probe = page96();
        probe.setDotsPerMeterX(11811);
        probe.setDotsPerMeterY(11811);
        // The length of the first cell that makes the next row start a page.
        for (int first = 150; first < 210; ++first) {
            RichEdit e;
            loadRtf(e, tallRowTable(first, 45));
            auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
            QVERIFY(table);
            const int rowEnd = table->cellAt(2, 0).firstPosition();
            const QList<int> starts = paginate(e, probe, pageHeight, false);
            const int page = int(starts.indexOf(rowEnd)); // 0-based: the page after the row
            if (page <= 1 || starts.at(page - 1) <= table->cellAt(1, 0).firstPosition())
                continue;
            QTemporaryDir dir;
            const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
            QCOMPARE(writePdf(e, 300, pageHeight, pdf), int(starts.size()));
            const QImage image =
                pdfinspect::renderPage(pdf, page, 50, dir.filePath(QStringLiteral("page")));
            QVERIFY(!image.isNull());
            int lines = 0;
            for (int y = 0; y < image.height(); ++y) {
                int run = 0;
                int widest = 0;
                for (int x = 0; x < image.width(); ++x) {
                    run = qGray(image.pixel(x, y)) < 160 ? run + 1 : 0;
                    widest = qMax(widest, run);
                }
                lines += widest > 200; // the table is 5.5 inches wide, 275 pixels
            }
            QVERIFY2(lines >= 1, qPrintable(QStringLiteral("first cell %1, page %2").arg(first).arg(page)));
            return;
        }
        QFAIL("no length of the first cell ends a page with the row");
    }
    // Given a tall cell merged down over two rows beside a tall cell of the second row, when
    // paginated into a PDF, then both cells' lines are there once and in order: the rows a
    // merged cell covers are cut as one.
    void aCellMergedDownGoesOnWithItsRows()
    {
        RichEdit e;
        auto words = [](char prefix, int n) {
            QByteArrayList w;
            for (int i = 0; i < n; ++i)
                w << prefix + QByteArray::number(i).rightJustified(3, '0');
            return w.join("\\par ");
        };
        loadRtf(e, "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24\\pard Before.\\par"
                   "\\trowd\\trgaph108\\clvmgf\\clbrdrt\\brdrs\\cellx3000\\clbrdrt\\brdrs\\cellx6000"
                   "\\pard\\intbl " + words('a', 200) + "\\cell\\pard\\intbl top\\cell\\row"
                   "\\trowd\\trgaph108\\clvmrg\\cellx3000\\clbrdrt\\brdrs\\cellx6000"
                   "\\pard\\intbl\\cell\\pard\\intbl " + words('g', 120) + "\\cell\\row"
                   "\\pard After.\\par}");
        auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->cellAt(1, 0).rowSpan(), 2);
        int pages = 0;
        const QStringList words300 = pdfWords(e, 300, 1440 * 9, &pages);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        auto only = [&words300](QChar prefix) {
            QStringList w;
            for (const QString &word : words300)
                if (word.size() == 4 && word.startsWith(prefix) && word.at(1).isDigit())
                    w << word;
            return w;
        };
        QCOMPARE(only(QLatin1Char('a')), wordList('a', 200));
        QCOMPARE(only(QLatin1Char('g')), wordList('g', 120));
        QCOMPARE(words300.count(QLatin1String("top")), 1);
    }
};

QTEST_MAIN(TestFormatRange)
#include "tst_formatrange.moc"
