// The format-range operation: page breaks, measuring against rendering, the layout cache, and
// the Symbol long dash drawn as a line.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/RichEdit.h"
#include "rtf/Rtf.h"
#include "text/CodePage.h"

#include <QImage>
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
    qint64 at = 0;
    QTextCursor c(e.document());
    rtf::readRtf([&](char *buf, qint64 max) {
        const qint64 n = qMin(max, qint64(rtf.size()) - at);
        memcpy(buf, rtf.constData() + at, size_t(n));
        at += n;
        return n;
    }, c);
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

QList<int> paginate(RichEdit &e, QImage &img, int height, bool render)
{
    QList<int> starts;
    int cp = 0;
    const int length = e.textLength();
    while (cp < length) {
        starts << cp;
        QPainter p;
        if (render)
            p.begin(&img);
        const FORMATRANGE fr = rangeFor(img, height, cp, render ? &p : nullptr);
        const int next = e.formatRange(&fr, render);
        if (next <= cp)
            break;
        cp = next;
    }
    e.formatRange(nullptr, false);
    return starts;
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
        // Given a document of varied paragraphs (sizes, a long one, numbered ones, a page break),
        // when it is paginated a small part at a time, then the pages and the drawn pixels are
        // those of the document laid out whole.
        QFETCH(int, part);
        RichEdit e;
        QTextCursor c(e.document());
        for (int i = 0; i < 60; ++i) {
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
};

QTEST_MAIN(TestFormatRange)
#include "tst_formatrange.moc"
