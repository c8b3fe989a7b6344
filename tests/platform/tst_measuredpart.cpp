// Measuring the pages of plain documents without a copy of their part: every line must lie
// where the document layout puts it in the copy, so that the pages are the same whichever way
// they are found; documents beyond what the measuring reproduces are left to the copy.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/MeasuredPart.h"
#include "richedit/PageUnits.h"
#include "richedit/RichEdit.h"
#include "richedit/RichEditTypes.h"
#include "rtf/Rtf.h"
#include "support/EnginePdf.h"
#include "support/RtfTestSupport.h"

#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace richedit;

namespace {

struct Line {
    int start = 0;
    qreal top = 0;
    qreal extent = 0;
};

QString describe(const QList<Line> &lines)
{
    QStringList out;
    for (const Line &l : lines)
        out << QStringLiteral("%1@%2+%3").arg(l.start).arg(l.top, 0, 'g', 17).arg(l.extent, 0, 'g', 17);
    return out.join(QLatin1Char(' '));
}

// The lines of the document as the copy of its (only) part lays them out.
QList<Line> copiedLines(const QTextDocument &doc, int dpi, int widthTwips, int dpiY = 0)
{
    FormatRangeCache cache;
    QTextDocument *part = cache.layoutFor(doc, dpi, dpiY ? dpiY : dpi, widthTwips, 0);
    QList<Line> lines;
    PageUnitWalker walker(*part, 0);
    PageUnit unit;
    while (walker.next(unit))
        lines << Line{unit.start, unit.top, unit.extent};
    return lines;
}

// The lines of the document as measured without a copy; empty when it is refused.
QList<Line> measuredLines(const QTextDocument &doc, int dpi, int widthTwips, int dpiY = 0)
{
    MeasuredPart part;
    QList<Line> lines;
    if (!part.measure(doc, doc.begin(), doc.lastBlock(), dpi, dpiY ? dpiY : dpi, widthTwips))
        return lines;
    for (const MeasuredLine &l : part.lines())
        lines << Line{l.start, l.top, l.extent};
    return lines;
}

void loadRtf(RichEdit &e, const QByteArray &rtf)
{
    rtftest::readInto(e.document(), rtf);
}

QTextCharFormat sized(qreal points, const QString &family = QStringLiteral("Times New Roman"))
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(points);
    return f;
}

// A document of most of what a plain paragraph can be: fonts and sizes, several runs, empty
// paragraphs, margins above, below and at the sides, indents (hanging ones too), line spacing
// of every kind, alignments, tab stops, a word wider than the line, lines that must not break,
// manual line breaks, right-to-left and mixed scripts, raised and lowered runs, spacing
// between letters, and a long paragraph.
void fillVaried(QTextDocument &doc)
{
    QTextCursor c(&doc);
    auto paragraph = [&](const QTextBlockFormat &b, const QTextCharFormat &mark, bool first = false) {
        if (first) {
            c.setBlockFormat(b);
            c.setBlockCharFormat(mark);
        } else {
            c.insertBlock(b, mark);
        }
    };
    QTextBlockFormat plain;
    QTextBlockFormat opening;
    opening.setLeftMargin(40);
    opening.setTextIndent(-20);
    opening.setLineHeight(130, QTextBlockFormat::ProportionalHeight);
    opening.setAlignment(Qt::AlignRight);
    paragraph(opening, sized(12), true);
    c.insertText(QStringLiteral("A first paragraph of ordinary words that runs over a few lines "
                                "of the page, to see where it wraps. ").repeated(3), sized(12));
    QTextBlockFormat spaced;
    spaced.setTopMargin(17);
    spaced.setBottomMargin(9.5);
    spaced.setLeftMargin(30);
    spaced.setRightMargin(21);
    spaced.setTextIndent(-15);
    paragraph(spaced, sized(10));
    c.insertText(QStringLiteral("Hanging indent with margins on every side and some more words. ").repeated(4), sized(10));
    c.insertText(QStringLiteral("A bold run in a larger size "), [] { auto f = sized(16); f.setFontWeight(QFont::Bold); return f; }());
    c.insertText(QStringLiteral("and back again."), sized(10));
    paragraph(plain, sized(30)); // an empty paragraph takes the height of its mark
    QTextBlockFormat levels;
    levels.setIndent(2);
    levels.setTextIndent(25);
    levels.setAlignment(Qt::AlignJustify);
    paragraph(levels, sized(11));
    c.insertText(QStringLiteral("Justified text indented by levels, the first line further in. ").repeated(5), sized(11));
    const QList<QPair<int, qreal>> heights = {{QTextBlockFormat::ProportionalHeight, 150},
                                              {QTextBlockFormat::ProportionalHeight, 87},
                                              {QTextBlockFormat::FixedHeight, 23.5},
                                              {QTextBlockFormat::FixedHeight, 9},
                                              {QTextBlockFormat::MinimumHeight, 31},
                                              {QTextBlockFormat::MinimumHeight, 4},
                                              {QTextBlockFormat::LineDistanceHeight, 6}};
    for (const auto &[type, height] : heights) {
        QTextBlockFormat b;
        b.setLineHeight(height, type);
        b.setBottomMargin(3);
        paragraph(b, sized(12));
        c.insertText(QStringLiteral("Spacing %1 of %2 on lines that wrap round the page. ").arg(type).arg(height).repeated(4), sized(12));
    }
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    paragraph(centred, sized(14));
    c.insertText(QStringLiteral("Centred words\u2028after a manual break\u2028and another."), sized(14));
    QTextBlockFormat tabbed;
    tabbed.setTabPositions({QTextOption::Tab(40, QTextOption::LeftTab),
                            QTextOption::Tab(200, QTextOption::RightTab),
                            QTextOption::Tab(300, QTextOption::CenterTab)});
    paragraph(tabbed, sized(12));
    c.insertText(QStringLiteral("a\tbb\tccc\tdddd\teeeee\tf"), sized(12));
    paragraph(plain, sized(12));
    c.insertText(QStringLiteral("Default\ttab\tstops\tonly\tand\tmore\ttabs\tthan\tfit\ton\ta\tline\t.\t.\t.\t."), sized(12));
    paragraph(plain, sized(12));
    c.insertText(QStringLiteral("Short ") + QString(300, QLatin1Char('W')) + QStringLiteral(" then words after the long one, ") + QString(200, QLatin1Char('m')) + QStringLiteral(" and another."), sized(12));
    QTextBlockFormat unbroken;
    unbroken.setNonBreakableLines(true);
    paragraph(unbroken, sized(12));
    c.insertText(QStringLiteral("This line must not break although it is much longer than the page is wide, far longer."), sized(12));
    QTextBlockFormat rtl;
    rtl.setLayoutDirection(Qt::RightToLeft);
    rtl.setTextIndent(20);
    rtl.setLeftMargin(12);
    paragraph(rtl, sized(12));
    c.insertText(QString::fromUtf8("שלום עולם, זוהי פסקה מימין לשמאל עם כמה מילים נוספות. ").repeated(4), sized(12));
    paragraph(plain, sized(12)); // direction found from the text
    c.insertText(QString::fromUtf8("مرحبا بالعالم وهذه فقرة عربية. ").repeated(3), sized(12));
    paragraph(plain, sized(12));
    c.insertText(QString::fromUtf8("Mixed Ελληνικά. and Latin.Ελληνικά. Кириллица. "), sized(12));
    c.insertText(QString::fromUtf8(".Ελληνικά in a run of its own"), [] { auto f = sized(12); f.setFontItalic(true); return f; }());
    paragraph(plain, sized(12));
    c.insertText(QStringLiteral("E = mc"), sized(12));
    c.insertText(QStringLiteral("2"), [] { auto f = sized(12); f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); return f; }());
    c.insertText(QStringLiteral(" and H"), sized(12));
    c.insertText(QStringLiteral("2"), [] { auto f = sized(12); f.setVerticalAlignment(QTextCharFormat::AlignSubScript); return f; }());
    c.insertText(QStringLiteral("O, letters spaced "), sized(12));
    c.insertText(QStringLiteral("wide apart"), [] { auto f = sized(12); f.setFontLetterSpacingType(QFont::AbsoluteSpacing); f.setFontLetterSpacing(3); return f; }());
    paragraph(plain, sized(12));
    c.insertText(QStringLiteral("A paragraph in small capitals of its own, long enough to wrap. ").repeated(3),
                 [] { auto f = sized(12); f.setFontCapitalization(QFont::SmallCaps); return f; }());
    paragraph(plain, sized(12));
    c.insertText(QStringLiteral("and one in capitals throughout"),
                 [] { auto f = sized(12); f.setFontCapitalization(QFont::AllUppercase); return f; }());
    paragraph(plain, sized(9, QStringLiteral("Courier New")));
    c.insertText(QStringLiteral("one long run of a fixed font ").repeated(400), sized(9, QStringLiteral("Courier New")));
    paragraph(plain, sized(10));
    for (int i = 0; i < 60; ++i)
        c.insertText(QStringLiteral("run %1 of many ").arg(i), sized(8 + i % 7));
    QTextBlockFormat broken;
    broken.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    broken.setTopMargin(40);
    paragraph(broken, sized(12));
    c.insertText(QStringLiteral("After a page break."), sized(12));
}

// Pages found by measuring and by drawing (which lays out the copy) for a page height.
QList<int> paginate(RichEdit &e, int heightTwips, bool render)
{
    QImage img(900, 1200, QImage::Format_ARGB32);
    img.setDotsPerMeterX(11811); // 300 dpi
    img.setDotsPerMeterY(11811);
    return enginepdf::pageStarts(e, img, 1440 * 4, heightTwips, render);
}

} // namespace

class TestMeasuredPart : public QObject {
    Q_OBJECT
private slots:
    void linesLieWhereTheCopysLayoutPutsThem_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<int>("widthTwips");
        QTest::newRow("screen") << 96 << 96 << 1440 * 4;
        QTest::newRow("printer") << 300 << 300 << 1440 * 6;
        QTest::newRow("fine printer, narrow") << 600 << 600 << 1440 * 2;
        QTest::newRow("odd resolution") << 141 << 141 << 1440 * 5 + 7;
        QTest::newRow("finer across than down") << 600 << 300 << 1440 * 6;
    }
    void linesLieWhereTheCopysLayoutPutsThem()
    {
        // Given a document of varied plain paragraphs, when it is measured for a device and a
        // width, then every line starts, lies and reaches as far as in the copy's layout.
        QFETCH(int, dpi);
        QFETCH(int, dpiY);
        QFETCH(int, widthTwips);
        RichEdit e;
        fillVaried(*e.document());
        const QList<Line> expected = copiedLines(*e.document(), dpi, widthTwips, dpiY);
        const QList<Line> got = measuredLines(*e.document(), dpi, widthTwips, dpiY);
        QVERIFY(expected.size() > 40);
        QCOMPARE(describe(got), describe(expected));
    }

    void corpusDocumentsMeasureAsTheirCopies()
    {
        // Given the plain documents of the Rich Text corpora (tables and lists are left to the
        // copy), when each is measured at printer resolution, then its lines are the copy's
        // (those the measuring refuses aside).
        int measured = 0;
        QStringList files;
        for (const QString &dir : {QStringLiteral(SCV_TEST_DATA_DIR "/rtf"), rtftest::corpusDir()}) {
            QDirIterator it(dir, {QStringLiteral("*.rtf")});
            while (it.hasNext())
                files << it.next();
        }
        for (const QString &name : files) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            RichEdit e;
            loadRtf(e, file.readAll());
            if (!MeasuredPart::suits(*e.document()))
                continue;
            const QList<Line> got = measuredLines(*e.document(), 600, 1440 * 6);
            if (got.isEmpty())
                continue; // a run in capitals, say: refused
            QVERIFY2(describe(got) == describe(copiedLines(*e.document(), 600, 1440 * 6)), qPrintable(name));
            ++measured;
        }
        QVERIFY(measured >= 4);
    }

    void measuredPagesAreTheDrawnPages_data()
    {
        QTest::addColumn<int>("heightTwips");
        QTest::addColumn<int>("part");
        QTest::newRow("small pages") << 700 << 256 * 1024;
        QTest::newRow("large pages") << 1440 * 5 << 256 * 1024;
        QTest::newRow("small pages, small parts") << 700 << 150;
        QTest::newRow("large pages, tiny parts") << 1440 * 5 << 1;
    }
    void measuredPagesAreTheDrawnPages()
    {
        // Given the varied document, when it is paginated by measuring and by drawing (which
        // lays each part's copy out), in parts of any size, then the pages are the same.
        QFETCH(int, heightTwips);
        QFETCH(int, part);
        RichEdit e;
        fillVaried(*e.document());
        e.setFormatRangePartSize(part);
        const QList<int> drawn = paginate(e, heightTwips, true);
        QCOMPARE(paginate(e, heightTwips, false), drawn);
        QVERIFY(drawn.size() > 3);
    }

    void anEmptyFirstParagraphIsAsHighAsItsMark()
    {
        // Given a document that opens with an empty paragraph in a large font, when it is
        // paginated whole (its copy is a clone of the document), in parts and by measuring,
        // then the first page holds the same lines every way: the empty line is as high as its
        // mark's font makes it.
        RichEdit e;
        QTextCursor c(e.document());
        c.setBlockCharFormat(sized(40));
        for (int i = 0; i < 30; ++i) {
            c.insertBlock(QTextBlockFormat(), sized(12));
            c.insertText(QStringLiteral("Line %1").arg(i), sized(12));
        }
        const int height = 1440 * 2;
        const QList<int> whole = paginate(e, height, true);
        e.setFormatRangePartSize(50);
        QCOMPARE(paginate(e, height, true), whole);
        QCOMPARE(paginate(e, height, false), whole);
    }

    void whatTheMeasuringCannotReproduceIsLeftToTheCopy_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a run in capitals among others") << "caps";
        QTest::newRow("several runs in a paragraph of 5000 characters") << "long runs";
        QTest::newRow("an object character") << "object";
        QTest::newRow("a table") << "table";
        QTest::newRow("a paragraph longer than a part") << "long paragraph";
    }
    void whatTheMeasuringCannotReproduceIsLeftToTheCopy()
    {
        // Given a document with something the measuring does not reproduce, when it is
        // paginated by measuring, then the cache refuses to measure it and the pages are still
        // those of drawing.
        QFETCH(QString, what);
        RichEdit e;
        QTextCursor c(e.document());
        c.insertText(QStringLiteral("Words before it. ").repeated(40), sized(12));
        c.insertBlock();
        if (what == QLatin1String("caps")) {
            QTextCharFormat caps = sized(12);
            caps.setFontCapitalization(QFont::SmallCaps);
            c.insertText(QStringLiteral("Words, then "), sized(12));
            c.insertText(QStringLiteral("small capitals"), caps);
        } else if (what == QLatin1String("long runs")) {
            c.insertText(QStringLiteral("x").repeated(2500), sized(12));
            c.insertText(QStringLiteral(" y").repeated(1250), sized(14));
        } else if (what == QLatin1String("object")) {
            c.insertText(QString(QChar::ObjectReplacementCharacter), sized(12));
        } else if (what == QLatin1String("table")) {
            c.insertTable(2, 2);
        } else {
            c.insertText(QStringLiteral("word ").repeated(300), sized(12));
            e.setFormatRangePartSize(500);
        }
        c.insertBlock();
        c.insertText(QStringLiteral("Words after it. ").repeated(40), sized(12));

        FormatRangeCache cache;
        cache.setPartCharacters(what == QLatin1String("long paragraph") ? 500 : 256 * 1024);
        const int from = e.document()->findBlockByNumber(1).position();
        QVERIFY(!cache.measuredFor(*e.document(), 300, 300, 1440 * 4, from));
        QVERIFY(!cache.measuredFor(*e.document(), 300, 300, 1440 * 4, 0)); // the same part
        QCOMPARE(paginate(e, 1000, false), paginate(e, 1000, true));
    }

    void onlyThePartThatCannotBeMeasuredIsLeftToTheCopy()
    {
        // Given a document of many parts, one of them holding a paragraph the measuring does
        // not reproduce, when it is paginated, then the pages are those of drawing, and the
        // parts after that one are measured again.
        RichEdit e;
        QTextCursor c(e.document());
        QTextCharFormat caps = sized(12);
        caps.setFontCapitalization(QFont::SmallCaps);
        for (int i = 0; i < 120; ++i) {
            if (i > 0)
                c.insertBlock();
            c.insertText(QStringLiteral("Paragraph %1 of a few words. ").arg(i).repeated(1 + i % 5),
                         sized(10 + i % 4));
            if (i == 50)
                c.insertText(QStringLiteral("with small capitals"), caps);
        }
        e.setFormatRangePartSize(2000);
        QCOMPARE(paginate(e, 1440, false), paginate(e, 1440, true));

        FormatRangeCache cache;
        cache.setPartCharacters(2000);
        const QTextDocument &doc = *e.document();
        const int before = doc.findBlockByNumber(10).position();
        const int inside = doc.findBlockByNumber(50).position();
        const int after = doc.findBlockByNumber(100).position();
        QVERIFY(cache.measuredFor(doc, 300, 300, 1440 * 4, before));
        QVERIFY(!cache.measuredFor(doc, 300, 300, 1440 * 4, inside));
        QVERIFY(!cache.measuredFor(doc, 300, 300, 1440 * 4, inside + 5));
        QVERIFY(cache.measuredFor(doc, 300, 300, 1440 * 4, after));
    }

    void aPagesMeasuredPartFollowsTheDeviceAndWidth()
    {
        // Given a measured part, when another resolution or width is asked for, then the lines
        // are measured again for it; the same ones give the same part.
        RichEdit e;
        fillVaried(*e.document());
        FormatRangeCache cache;
        const MeasuredPart *first = cache.measuredFor(*e.document(), 300, 300, 1440 * 4, 0);
        QVERIFY(first);
        const qreal bottom = first->lines().back().top;
        QCOMPARE(cache.measuredFor(*e.document(), 300, 300, 1440 * 4, 100), first);
        const qreal wider = cache.measuredFor(*e.document(), 300, 300, 1440 * 6, 0)->lines().back().top;
        QVERIFY(wider < bottom);
        const qreal finer = cache.measuredFor(*e.document(), 600, 600, 1440 * 6, 0)->lines().back().top;
        QVERIFY(finer > 1.5 * wider);
    }
};

QTEST_MAIN(TestMeasuredPart)
#include "tst_measuredpart.moc"
