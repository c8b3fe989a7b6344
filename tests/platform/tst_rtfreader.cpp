// The RTF reader: control words to formats, destinations, lists, tables, pictures, code
// pages, insertion into a document, and damaged or hostile input.
#include <QtTest>

#include "richedit/RichEditTypes.h"
#include "support/RtfTestSupport.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QTextImageFormat>
#include <QTextTable>

namespace prop = richedit::prop;

namespace {

QByteArray doc(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
           "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fmodern\\fprq1\\fcharset204 Courier New;}}"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard "
           + body + "}";
}

QTextCharFormat firstRunFormat(const QTextDocument &d)
{
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            return it.fragment().charFormat();
    return {};
}

// One property of the first run or the first paragraph, as text.
QString probe(const QTextDocument &d, const QString &what)
{
    const QTextCharFormat c = firstRunFormat(d);
    const QTextBlockFormat b = d.begin().blockFormat();
    auto prop = [](const QTextFormat &f, int id) {
        return f.hasProperty(id) ? f.property(id).toString() : QStringLiteral("-");
    };
    if (what == QLatin1String("text"))
        return rtftest::documentText(d);
    if (what == QLatin1String("weight"))
        return QString::number(c.fontWeight());
    if (what == QLatin1String("italic"))
        return QString::number(c.fontItalic());
    if (what == QLatin1String("underline"))
        return QString::number(int(c.underlineStyle()));
    if (what == QLatin1String("strike"))
        return QString::number(c.fontStrikeOut());
    if (what == QLatin1String("size"))
        return QString::number(c.fontPointSize());
    if (what == QLatin1String("family"))
        return c.fontFamilies().toStringList().value(0);
    if (what == QLatin1String("fg"))
        return c.hasProperty(QTextFormat::ForegroundBrush) ? c.foreground().color().name()
                                                           : QStringLiteral("auto");
    if (what == QLatin1String("bg"))
        return c.hasProperty(QTextFormat::BackgroundBrush) ? c.background().color().name()
                                                           : QStringLiteral("none");
    if (what == QLatin1String("valign"))
        return QString::number(int(c.verticalAlignment()));
    if (what == QLatin1String("revised"))
        return prop(c, prop::Revised) + QLatin1Char('/') + prop(c, prop::RevAuthor);
    if (what == QLatin1String("protected"))
        return prop(c, prop::Protected);
    if (what == QLatin1String("hidden"))
        return prop(c, prop::Hidden);
    if (what == QLatin1String("kerning"))
        return prop(c, prop::Kerning);
    if (what == QLatin1String("charset"))
        return prop(c, prop::Charset);
    if (what == QLatin1String("align"))
        return QString::number(int(b.alignment() & Qt::AlignHorizontal_Mask), 16);
    if (what == QLatin1String("indents"))
        return QStringLiteral("%1 %2 %3 | %4 %5 %6")
            .arg(prop(b, prop::StartIndent), prop(b, prop::Offset), prop(b, prop::RightIndent))
            .arg(b.leftMargin())
            .arg(b.textIndent())
            .arg(b.rightMargin());
    if (what == QLatin1String("spacing"))
        return QStringLiteral("%1 %2 | %3 %4")
            .arg(prop(b, prop::SpaceBefore), prop(b, prop::SpaceAfter))
            .arg(b.topMargin())
            .arg(b.bottomMargin());
    if (what == QLatin1String("line"))
        return QStringLiteral("%1 %2 | %3 %4")
            .arg(prop(b, prop::SpacingRule), prop(b, prop::LineSpacing))
            .arg(b.lineHeightType())
            .arg(b.lineHeight());
    if (what == QLatin1String("tabs")) {
        QStringList t;
        for (int v : b.property(prop::TabStops).value<QList<int>>())
            t << QString::number(v);
        QStringList px;
        for (const QTextOption::Tab &tab : b.tabPositions())
            px << QString::number(tab.position);
        return t.join(QLatin1Char(',')) + QStringLiteral(" | ") + px.join(QLatin1Char(','));
    }
    if (what == QLatin1String("numbering"))
        return prop(b, prop::Numbering);
    if (what == QLatin1String("style"))
        return prop(b, prop::StyleNumber) + QLatin1Char('/') + prop(b, prop::KeepNext);
    if (what == QLatin1String("direction"))
        return QString::number(b.layoutDirection());
    return QStringLiteral("?");
}

QByteArray pngHex(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toHex();
}

QList<QTextImageFormat> images(const QTextDocument &d)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out << it.fragment().charFormat().toImageFormat();
    return out;
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT
private slots:
    void controlWords_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *body, const char *what, const QString &e) {
            QTest::newRow(name) << QByteArray(body) << QString::fromLatin1(what) << e;
        };
        row("bold", "\\b x", "weight", "700");
        row("bold off", "\\b\\b0 x", "weight", "400");
        row("italic", "\\i x", "italic", "1");
        row("underline", "\\ul x", "underline", "1");
        row("underline dotted", "\\uld x", "underline", "3");
        row("underline wave", "\\ulwave x", "underline", "6");
        row("underline none", "\\ul\\ulnone x", "underline", "0");
        row("underline off", "\\uldash\\uldash0 x", "underline", "0");
        row("strike", "\\strike x", "strike", "1");
        row("size", "\\fs23 x", "size", "11.5");
        row("default size", "x", "size", "12");
        row("font", "\\f2 x", "family", "Courier New");
        row("default font", "x", "family", "Arial");
        row("unknown font is the default", "\\f9 x", "family", "Arial");
        row("charset", "\\f2 x", "charset", "204");
        row("colour", "\\cf2 x", "fg", "#0000ff");
        row("automatic colour", "\\cf1\\cf0 x", "fg", "auto");
        row("colour out of range", "\\cf7 x", "fg", "auto");
        row("first colour when it is given", "{\\colortbl\\red1\\green2\\blue3;}\\cf0 x", "fg",
            "#010203");
        row("highlight", "\\highlight1 x", "bg", "#ff0000");
        row("character background", "\\chcbpat2 x", "bg", "#0000ff");
        row("cb", "\\cb1 x", "bg", "#ff0000");
        row("superscript", "\\super x", "valign", "1");
        row("subscript", "\\sub x", "valign", "2");
        row("no super or sub", "\\super\\nosupersub x", "valign", "0");
        row("plain resets", "\\b\\i\\fs40\\cf1\\plain x", "weight", "400");
        row("revised", "\\revised\\revauth3 x", "revised", "true/3");
        row("revised off", "\\revised\\revised0 x", "revised", "-/-");
        row("protected", "\\protect x", "protected", "true");
        row("hidden", "\\v x", "hidden", "true");
        row("kerning in half points", "\\kerning32 x", "kerning", "320");
        row("group restores", "{\\b y}x", "weight", "700");
        row("left", "\\ql x", "align", "1");
        row("centre", "\\qc x", "align", "4");
        row("right", "\\qr x", "align", "2");
        row("justify", "\\qj x", "align", "8");
        row("indents", "\\fi-360\\li720\\ri144 x", "indents", "360 360 144 | 48 -24 9.6");
        row("first line only", "\\fi720 x", "indents", "720 -720 - | 0 48 0");
        row("space", "\\sb240\\sa120 x", "spacing", "240 120 | 16 8");
        row("single", "\\sl0 x", "line", "- - | 1 100");
        row("one and a half", "\\sl360\\slmult1 x", "line", "1 - | 1 150");
        row("double", "\\sl480\\slmult1 x", "line", "2 - | 1 200");
        row("multiple", "\\sl276\\slmult1 x", "line", "5 23 | 1 115");
        row("at least", "\\sl300\\slmult0 x", "line", "3 300 | 3 20");
        row("at least without slmult", "\\sl300 x", "line", "3 300 | 3 20");
        row("exactly", "\\sl-300\\slmult0 x", "line", "4 300 | 2 20");
        row("tabs", "\\tx1440\\tqr\\tx720 x", "tabs", "720,1440 | 48,96");
        row("pard resets", "\\qc\\li720\\tx100\\pard x", "tabs", " | ");
        row("style and keep", "\\s2\\keepn x", "style", "2/true");
        row("rtl", "\\rtlpar x", "direction", "1");
        row("paragraph properties are group state", "{\\qc}x", "align", "1");
        row("symbols", "\\ldblquote a\\rdblquote\\lquote\\rquote\\endash\\emdash\\bullet\\~\\-\\_",
            "text", QStringLiteral("\u201Ca\u201D\u2018\u2019\u2013\u2014\u2022\u00A0\u00AD\u2011\n"));
        row("escapes", "\\{\\}\\\\", "text", "{}\\\n");
        row("tab and line", "a\\tab b\\line c", "text", "a\tb\nc\n");
        row("cp1252", "\\'93\\'e9\\'80", "text", QStringLiteral("\u201C\u00E9\u20AC\n"));
        row("font charset decodes", "\\f2\\'c0\\'e1", "text", QStringLiteral("\u0410\u0431\n"));
        row("symbol font", "\\f1\\'bea\\'b3", "text", QStringLiteral("\u2015\u03B1\u2265\n"));
        row("unicode with fallback", "\\u1046?\\u-10179?\\u-8704?", "text",
            QStringLiteral("\u0416\U0001F600\n"));
        row("unknown words ignored", "\\foo\\bar12 x", "text", "x\n");
        row("unknown optional group skipped", "{\\*\\foo hidden}x", "text", "x\n");
        row("known word after star skipped", "{\\*\\b hidden}x", "text", "x\n");
        row("unknown plain group kept", "{\\foo shown}", "text", "shown\n");
        row("skipped destinations", "{\\info{\\title t}}{\\header h}{\\footer f}"
            "{\\stylesheet{\\s1 Heading;}}{\\*\\generator g;}x", "text", "x\n");
        row("field result kept", "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}",
            "text", "link\n");
        row("footnote", "word{\\super\\chftn}{\\footnote\\chftn note} more{\\super\\chftn}"
            "{\\*\\footnote two}", "text", "word1 more2\n");
        row("unicode pair", "a{\\upr{?? {\\b ??}}{\\*\\ud{\\u955?\\u956?}}}b", "text",
            QStringLiteral("a\u03BB\u03BCb\n"));
        row("unicode pair in a skipped group", "{\\info{\\upr{t}{\\*\\ud{u}}}}x", "text",
            "x\n");
        row("unicode text alone", "a{\\*\\ud b}c", "text", "abc\n");
        row("deleted text kept", "a{\\deleted b}c", "text", "abc\n");
        row("table cells", "\\trowd\\cellx100\\cellx200\\cellx300 a\\cell b\\cell c\\cell\\row x",
            "text", "\na\nb\nc\nx\n");
        row("empty cells", "\\trowd a\\cell\\cell c\\cell\\row\\trowd\\cell d\\cell\\cell\\row",
            "text", "\na\n\nc\n\nd\n\n\n");
        row("page break ends paragraph", "a\\page b", "text", "a\nb\n");
        row("page break after par", "a\\par\\page b", "text", "a\nb\n");
        row("final par adds no paragraph", "a\\par", "text", "a\n");
        row("empty last paragraph kept", "a\\par\\par", "text", "a\n\n");
        row("section", "a\\sect b\\par\\sect", "text", "a\nb\n");
        row("text-wrapping break", "a\\lbr3\\line b", "text", "a\nb\n");
        row("column break", "a\\column b\\par\\column c", "text", "a\nb\nc\n");
    }
    // Given a control word, when read, then the first run or paragraph has the property
    // (engine value in twips and the Qt layout value derived from it where both exist).
    void controlWords()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, what);
        QFETCH(QString, expected);
        rtf::ReadResult result;
        const auto d = rtftest::readDocument(doc(body), &result);
        QVERIFY(result.ok);
        QCOMPARE(probe(*d, what), expected);
    }

    void lists_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("numbering");
        QTest::newRow("pn bullet, label first")
            << QByteArray("{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}"
                          "\\fi-360\\li720 one\\par{\\pntext\\f1\\'b7\\tab}two\\par")
            << "one\ntwo\n" << "1";
        QTest::newRow("pn numbered keeps label")
            << QByteArray("{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta.}}one\\par"
                          "{\\pntext\\f0 2.\\tab}two\\par")
            << "1.\tone\n2.\ttwo\n" << "-";
        QTest::newRow("list table bullet")
            << QByteArray("{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ls1 item\\par")
            << "item\n" << "1";
        QTest::newRow("list table number")
            << QByteArray("{\\listtext\\pard\\plain  3.\\tab}\\ls2 item\\par")
            << "3.\titem\n" << "-";
        QTest::newRow("blank label dropped")
            << QByteArray("{\\listtext  \\tab}\\ls2 item\\par") << "item\n" << "-";
        QTest::newRow("label of an empty item")
            << QByteArray("{\\pntext 4.\\tab}\\par") << "4.\t\n" << "-";
        QTest::newRow("pard ends the bullets")
            << QByteArray("{\\*\\pn\\pnlvlblt}\\pard x\\par") << "x\n" << "-";
    }
    // Given list items, when read, then bullets are the engine's and lose their label,
    // numbered items keep theirs, and no item text is lost or doubled.
    void lists()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(QString, numbering);
        const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
                               "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid7}"
                               "{\\list{\\listlevel\\levelnfc0}\\listid8}}"
                               "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}"
                               "{\\listoverride\\listid8\\ls2}}"
                               + body + "}";
        const auto d = rtftest::readDocument(rtf);
        QCOMPARE(rtftest::documentText(*d), text);
        QCOMPARE(probe(*d, QStringLiteral("numbering")), numbering);
    }

    // Given nested numbered items of a list table and no labels in the file (or labels of
    // spaces only, as AbiWord writes them), when read, then each item gets its label from its
    // level's text and format, with the numbers of the levels above; two overrides of one
    // list count on together; a label the file gives is kept.
    void multiLevelListLabels()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}"
            "{\\*\\listtable{\\list\\listtemplateid1"
            "{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
            "{\\listlevel\\levelnfc0{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}"
            "{\\listlevel\\levelnfc4{\\leveltext\\'02\\'02);}{\\levelnumbers\\'01;}}\\listid20}"
            "{\\list{\\listlevel\\levelnfc1{\\leveltext\\leveltemplateid7\\'02\\'00.;}}\\listid21}}"
            "{\\*\\listoverridetable{\\listoverride\\listid20\\listoverridecount0\\ls1}"
            "{\\listoverride\\listid20\\listoverridecount0\\ls2}"
            "{\\listoverride\\listid21\\listoverridecount0\\ls3}}"
            "\\pard\\ls1\\ilvl0\\fi-360\\li720 one\\par"
            "\\pard\\ls1\\ilvl1\\fi-360\\li1080 one one\\par"
            "{\\listtext   \\tab}\\pard\\ls2\\ilvl1\\fi-360\\li1080 one two\\par"
            "\\pard\\ls3\\ilvl0 roman\\par"
            "\\pard\\ls2\\ilvl0 two\\par"
            "\\pard\\ls1\\ilvl2 letter\\par"
            "{\\listtext\\f0 (x)\\tab}\\pard\\ls1\\ilvl2 given\\par"
            "\\pard\\ls3\\ilvl0\\par"
            "\\pard plain\\par}";
        const auto d = rtftest::readDocument(rtf);
        QCOMPARE(rtftest::documentText(*d),
                 QStringLiteral("3.\tone\n3.1.\tone one\n3.2.\tone two\nI.\troman\n4.\ttwo\n"
                                "a)\tletter\n(x)\tgiven\nII.\t\nplain\n"));
        // What is written reads back alike.
        const auto reread = rtftest::readDocument(rtftest::writeDocument(*d));
        QCOMPARE(rtftest::documentText(*reread), rtftest::documentText(*d));
    }

    void tableRowCounts_data()
    {
        QTest::addColumn<int>("rows");
        for (int rows : {1, 2, 5, 6, 37, 300})
            QTest::newRow(qPrintable(QString::number(rows))) << rows;
    }
    // Given a table of some rows (rows are made in batches, the unused ones removed), when
    // read, then it has exactly those rows, each cell holds its own text in order, the last
    // row keeps its borders and the paragraph after the table follows it.
    void tableRowCounts()
    {
        QFETCH(int, rows);
        QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard before\\par";
        for (int r = 0; r < rows; ++r)
            rtf += "\\trowd\\clbrdrb\\brdrs\\cellx2000\\cellx4000\\pard\\intbl a"
                   + QByteArray::number(r) + "\\cell b" + QByteArray::number(r) + "\\cell\\row\r\n";
        rtf += "\\pard after\\par}";
        const auto d = rtftest::readDocument(rtf);
        const QList<QTextFrame *> frames = d->rootFrame()->childFrames();
        QCOMPARE(frames.size(), 1);
        auto *table = qobject_cast<QTextTable *>(frames.first());
        QVERIFY(table);
        QCOMPARE(table->rows(), rows);
        QCOMPARE(table->columns(), 2);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(table->cellAt(r, 0).firstCursorPosition().block().text(),
                     QStringLiteral("a%1").arg(r));
            QCOMPARE(table->cellAt(r, 1).firstCursorPosition().block().text(),
                     QStringLiteral("b%1").arg(r));
        }
        QCOMPARE(table->cellAt(rows - 1, 0).format().toTableCellFormat().bottomBorderStyle(),
                 QTextFrameFormat::BorderStyle_Solid);
        QCOMPARE(d->lastBlock().text(), QStringLiteral("after"));
        QCOMPARE(d->blockCount(), 2 * rows + 2);
    }

    // Given a table with widths, borders, shading, alignment, merged cells and a cell of two
    // paragraphs between two paragraphs, when read, then it is one table of the engine with
    // those properties and the paragraphs around it stay outside it; written and read back,
    // it gives the same bytes again.
    void tables()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}"
            "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
            "\\pard before\\par"
            "\\trowd\\trgaph108\\trleft-108\\trqc\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
            "\\clcbpat1\\cellx2000\\clbrdrb\\brdrdb\\brdrw30\\brdrcf2\\cellx5000\\cellx7000"
            "\\pard\\intbl A1\\cell\\b B1\\b0\\cell C1\\par second\\cell\\row"
            "\\trowd\\trgaph108\\trleft-108\\trqc\\clmgf\\cellx2000\\clmrg\\cellx5000"
            "\\clvertalc\\clvmgf\\cellx7000"
            "\\pard\\intbl merged\\cell\\cell tall\\cell\\row"
            "\\trowd\\trgaph108\\trleft-108\\trqc\\cellx2000\\cellx5000\\clvmrg\\cellx7000"
            "\\pard\\intbl A3\\cell B3\\cell\\cell\\row"
            "\\pard after\\par}";
        const auto d = rtftest::readDocument(rtf);
        const QList<QTextFrame *> frames = d->rootFrame()->childFrames();
        QCOMPARE(frames.size(), 1);
        auto *table = qobject_cast<QTextTable *>(frames.first());
        QVERIFY(table);
        QCOMPARE(table->rows(), 3);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(d->begin().text(), QStringLiteral("before"));
        QCOMPARE(d->lastBlock().text(), QStringLiteral("after"));
        auto cellText = [&](int r, int c) {
            QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
            cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(),
                               QTextCursor::KeepAnchor);
            return cursor.selectedText();
        };
        QCOMPARE(cellText(0, 0), QStringLiteral("A1"));
        QCOMPARE(cellText(0, 1), QStringLiteral("B1"));
        QCOMPARE(cellText(0, 2), QStringLiteral("C1\u2029second"));
        QCOMPARE(cellText(1, 0), QStringLiteral("merged"));
        QCOMPARE(table->cellAt(1, 0).columnSpan(), 2);
        QCOMPARE(table->cellAt(1, 2).rowSpan(), 2);
        QCOMPARE(cellText(1, 2), QStringLiteral("tall"));
        QCOMPARE(cellText(2, 1), QStringLiteral("B3"));
        QCOMPARE(table->cellAt(0, 1).firstCursorPosition().charFormat().fontWeight(),
                 int(QFont::Bold));

        const QTextTableFormat tf = table->format();
        QCOMPARE(tf.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(tf.columnWidthConstraints().size(), 3);
        QCOMPARE(qRound(tf.columnWidthConstraints().at(1).rawValue()), 200); // 3000 twips
        const QTextTableCellFormat a1 = table->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(a1.background().color(), QColor(Qt::red));
        QCOMPARE(a1.topBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
        QCOMPARE(a1.leftBorderStyle(), QTextFrameFormat::BorderStyle_None);
        const QTextTableCellFormat b1 = table->cellAt(0, 1).format().toTableCellFormat();
        QCOMPARE(b1.bottomBorderStyle(), QTextFrameFormat::BorderStyle_Double);
        QCOMPARE(b1.bottomBorderBrush().color(), QColor(Qt::blue));
        QCOMPARE(b1.bottomBorder(), 2.0);
        QCOMPARE(table->cellAt(1, 2).format().verticalAlignment(), QTextCharFormat::AlignMiddle);

        const QByteArray first = rtftest::writeDocument(*d);
        for (const char *words : {"\\trowd\\trgaph108\\trleft-108\\trqc", "\\clmgf", "\\clmrg",
                                  "\\clvmgf", "\\clvmrg", "\\clcbpat1", "\\brdrdb\\brdrw30\\brdrcf2",
                                  "\\cellx5000", "\\intbl A1\\cell", "\\row"})
            QVERIFY2(first.contains(words), words);
        const auto reread = rtftest::readDocument(first);
        QCOMPARE(rtftest::documentText(*reread), rtftest::documentText(*d));
        QCOMPARE(rtftest::writeDocument(*reread), first);
    }

    // Given a row with borders of its own (\trbrdr*) and cells without, when read, then the
    // cells show the row's borders; written, the row's borders come back as row borders and
    // not as cell borders, and write -> read -> write gives the same bytes.
    void rowBordersAreKept()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi{\\colortbl ;\\red0\\green128\\blue0;}"
            "\\trowd\\trbrdrt\\brdrs\\brdrw10\\trbrdrl\\brdrs\\brdrw10\\trbrdrb\\brdrdb\\brdrw30"
            "\\brdrcf1\\trbrdrr\\brdrs\\brdrw10\\trbrdrv\\brdrdot\\brdrw10"
            "\\clbrdrt\\brdrth\\brdrw40\\cellx2000\\cellx4000"
            "\\pard\\intbl a\\cell b\\cell\\row\\pard after\\par}";
        const auto d = rtftest::readDocument(rtf);
        auto *table = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        const QTextTableCellFormat a = table->cellAt(0, 0).format().toTableCellFormat();
        const QTextTableCellFormat b = table->cellAt(0, 1).format().toTableCellFormat();
        QCOMPARE(a.topBorder(), 40 / 15.0);                   // the cell's own border wins
        QCOMPARE(a.leftBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
        QCOMPARE(a.rightBorderStyle(), QTextFrameFormat::BorderStyle_Dotted); // inner line
        QCOMPARE(b.bottomBorderStyle(), QTextFrameFormat::BorderStyle_Double);
        QCOMPARE(b.bottomBorderBrush().color(), QColor(0, 128, 0));
        QCOMPARE(b.rightBorderStyle(), QTextFrameFormat::BorderStyle_Solid);

        const QByteArray first = rtftest::writeDocument(*d);
        for (const char *words : {"\\trbrdrt\\brdrs\\brdrw10", "\\trbrdrb\\brdrdb\\brdrw30\\brdrcf1",
                                  "\\trbrdrv\\brdrdot", "\\clbrdrt\\brdrth\\brdrw40\\cellx2000"})
            QVERIFY2(first.contains(words), words);
        QVERIFY(!first.contains("\\clbrdrl")); // the row's borders are not made the cells'
        QVERIFY(!first.contains("\\clbrdrb"));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given rows with an inner horizontal border (\trbrdrh) beside their top border, when
    // read, then the line between two rows is the inner border (at the bottom of the upper
    // row and the top of the lower one), the table's top is the top border, the last row's
    // bottom has none, a cell's own border still wins; written, it stays a row border.
    void innerHorizontalBorderIsBetweenRows()
    {
        const QByteArray def = "\\trowd\\trbrdrt\\brdrs\\brdrw10\\trbrdrh\\brdrdb\\brdrw30";
        const QByteArray rtf = "{\\rtf1\\ansi" + def + "\\cellx2000\\cellx4000\\pard\\intbl a\\cell b"
            "\\cell\\row" + def + "\\clbrdrb\\brdrdot\\cellx2000\\cellx4000\\pard\\intbl c\\cell d"
            "\\cell\\row" + def + "\\cellx2000\\cellx4000\\pard\\intbl e\\cell f\\cell\\row"
            "\\pard after\\par}";
        const auto d = rtftest::readDocument(rtf);
        auto *table = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->rows(), 3);
        auto cell = [table](int r, int c) { return table->cellAt(r, c).format().toTableCellFormat(); };
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(cell(0, c).topBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
            QCOMPARE(cell(0, c).bottomBorderStyle(), QTextFrameFormat::BorderStyle_Double);
            QCOMPARE(cell(0, c).bottomBorder(), 2.0);
            QCOMPARE(cell(1, c).topBorderStyle(), QTextFrameFormat::BorderStyle_Double);
            QCOMPARE(cell(2, c).topBorderStyle(), QTextFrameFormat::BorderStyle_Double);
            QCOMPARE(cell(2, c).bottomBorder(), 0.0);
        }
        QCOMPARE(cell(1, 0).bottomBorderStyle(), QTextFrameFormat::BorderStyle_Dotted); // own
        QCOMPARE(cell(1, 1).bottomBorderStyle(), QTextFrameFormat::BorderStyle_Double);

        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(first.count("\\trbrdrh\\brdrdb\\brdrw30"), 3);
        QCOMPARE(first.count("\\clbrdrb"), 1);
        QVERIFY(!first.contains("\\clbrdrt"));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given damaged tables (cells without a row end, a row without a definition, more cells
    // than the definition, text after the last cell, a document that ends inside a row),
    // when read, then no text is lost and nothing fails.
    void damagedTables_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("no row end") << QByteArray("\\intbl a\\cell b\\cell\\pard c\\par")
                                    << "a\nb\nc\n\n";
        QTest::newRow("no definition") << QByteArray("\\intbl a\\cell b\\cell\\row\\pard c\\par")
                                       << "a\nb\nc\n";
        QTest::newRow("more cells than defined")
            << QByteArray("\\trowd\\cellx1000\\intbl a\\cell b\\cell c\\cell\\row") << "a\nb\nc\n\n";
        QTest::newRow("text after the last cell")
            << QByteArray("\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell tail\\row")
            << "a\nb\ntail\n\n";
        QTest::newRow("ends inside a row") << QByteArray("\\trowd\\cellx1000\\intbl a\\cell b")
                                           << "a\nb\n\n";
        QTest::newRow("fewer cells than the first row")
            << QByteArray("\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row"
                          "\\trowd\\cellx2000\\intbl wide\\cell\\row\\pard z\\par")
            << "a\nb\nwide\nz\n";
        QTest::newRow("nested cells stay in the outer cell")
            << QByteArray("\\trowd\\cellx3000\\intbl\\itap2 x\\nestcell y\\nestcell"
                          "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}\\itap1\\cell\\row")
            << "x\ty\t\n\n";
        // A paragraph end before the cell's end leaves an empty last paragraph, as other word
        // processors read it, unless a group wrapping the paragraph closed in between.
        QTest::newRow("paragraph end before the cell end")
            << QByteArray("\\trowd\\cellx1000\\intbl a\\par\\cell\\row\\pard z\\par") << "a\n\nz\n";
        QTest::newRow("wrapped paragraph before the cell end")
            << QByteArray("\\trowd\\cellx1000{\\pard\\intbl a\\par}\n\\cell\\row\\pard z\\par") << "a\nz\n";
        QTest::newRow("only empty paragraphs, no row end")
            << QByteArray("\\intbl\\par\\par") << "\n\n\n";
    }
    void damagedTables()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const auto d = rtftest::readDocument("{\\rtf1\\ansi " + body + "}");
        QCOMPARE(rtftest::documentText(*d).remove(QRegularExpression(QStringLiteral("^\\n"))),
                 text);
        const QByteArray written = rtftest::writeDocument(*d);
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(written)), written);
    }

    void pictures_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("sizes"); // kind:width x height in pixels per picture
        const QByteArray png = pngHex(4, 2);
        QTest::newRow("png at goal size")
            << "a{\\pict\\pngblip\\picw4\\pich2\\picwgoal600\\pichgoal300 " + png + "}b"
            << "png:40x20";
        QTest::newRow("png scaled")
            << "{\\pict\\pngblip\\picwgoal600\\pichgoal300\\picscalex50\\picscaley200 " + png + "}"
            << "png:20x40";
        QTest::newRow("png natural size") << "{\\pict\\pngblip " + png + "}" << "png:4x2";
        QByteArray bin = QByteArray::fromHex(png);
        QTest::newRow("binary data")
            << "{\\pict\\pngblip\\picwgoal150\\pichgoal150\\bin" + QByteArray::number(bin.size())
                   + " " + bin + "}"
            << "png:10x10";
        QTest::newRow("shppict preferred")
            << "{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0100}}"
            << "png:4x2";
        QTest::newRow("metafile placeholder")
            << QByteArray("{\\pict\\wmetafile8\\picw2540\\pich1270 0100}") << "wmf:96x48";
        QTest::newRow("emf placeholder of goal size")
            << QByteArray("{\\pict\\emfblip\\picwgoal1440\\pichgoal720 01}") << "emf:96x48";
        QTest::newRow("broken png is a placeholder")
            << QByteArray("{\\pict\\pngblip\\picwgoal300\\pichgoal300 0102}") << "png:20x20";
        // A 2x1 24-bit device-independent bitmap.
        QTest::newRow("dib")
            << QByteArray("{\\pict\\dibitmap0\\picw2\\pich1 2800000002000000010000000100180000000000"
                          "0800000000000000000000000000000000000000" "0000ff00ff000000}")
            << "bmp:2x1";
        QTest::newRow("object result")
            << "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result{\\pict\\pngblip "
                   + png + "}}}"
            << "png:4x2";
        QTest::newRow("huge goal is capped")
            << "{\\pict\\pngblip\\picwgoal2000000000\\pichgoal15 " + png + "}" << "png:9600x1";
    }
    // Given a picture, when read, then it is an image of the document at its goal size in
    // 96-dpi pixels, with its original bytes kept; others are placeholders of the same size.
    void pictures()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, sizes);
        const auto d = rtftest::readDocument(doc(body));
        QStringList got;
        for (const QTextImageFormat &f : images(*d)) {
            got << QStringLiteral("%1:%2x%3").arg(f.stringProperty(prop::ImageKind)).arg(f.width())
                       .arg(f.height());
            QVERIFY(d->resource(QTextDocument::ImageResource, QUrl(f.name())).isValid());
        }
        QCOMPARE(got.join(QLatin1Char(' ')), sizes);
    }

    void pictureKeepsOriginalBytes()
    {
        const QByteArray png = pngHex(3, 3);
        const auto d = rtftest::readDocument(doc("{\\pict\\pngblip " + png + "}"));
        QCOMPARE(images(*d).value(0).property(prop::ImageData).toByteArray().toHex(), png);
        QCOMPARE(probe(*d, QStringLiteral("text")), QStringLiteral("\n"));
    }

    void codePages_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("ansicpg") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0}")
                                 << QStringLiteral("\u0410\n");
        QTest::newRow("ansicpg with charset 0 font")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1253\\deff0{\\fonttbl{\\f0\\fcharset0 A;}}\\'e1}")
            << QStringLiteral("\u03B1\n");
        QTest::newRow("dbcs font") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}"
                                                 "\\f0\\'82\\'a0\\'82\\'a2}")
                                   << QStringLiteral("\u3042\u3044\n");
        QTest::newRow("cpg wins") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 X;}}"
                                                "\\f0\\'c0}")
                                  << QStringLiteral("\u0410\n");
        QTest::newRow("unicode with dbcs fallback")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 M;}}\\f0\\uc2\\u12354\\'82\\'a0x}")
            << QStringLiteral("\u3042x\n");
        QTest::newRow("symbol by name") << QByteArray("{\\rtf1{\\fonttbl{\\f3 Symbol;}}\\f3 p}")
                                        << QStringLiteral("\u03C0\n");
        QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << QStringLiteral("\u00E9\n");
        QTest::newRow("font without braces")
            << QByteArray("{\\rtf1{\\fonttbl\\f0\\fcharset204 A;\\f1\\fcharset0 B;}\\f0\\'c0}")
            << QStringLiteral("\u0410\n");
    }
    void codePageAtFontSwitch_data()
    {
        QTest::addColumn<int>("charset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const struct {
            const char *name;
            int charset;
            const char *bytes;
            char16_t ch;
        } rows[] = {
            {"1250", 238, "\\'8a", 0x0160}, {"1251", 204, "\\'c0", 0x0410},
            {"1253", 161, "\\'e1", 0x03B1}, {"1254", 162, "\\'f0", 0x011F},
            {"1255 final mem", 177, "\\'f9\\'ec\\'e5\\'ed", 0},
            {"1256", 178, "\\'c7", 0x0627}, {"1257", 186, "\\'e0", 0x0105},
            {"1258", 163, "\\'c3", 0x0102}, {"874", 222, "\\'a1", 0x0E01},
            {"932", 128, "\\'82\\'a0", 0x3042}, {"936", 134, "\\'b0\\'a1", 0x554A},
            {"949", 129, "\\'b0\\'a1", 0xAC00}, {"950", 136, "\\'a4\\'40", 0x4E00},
            {"936 split by a colour", 134, "\\'b0\\cf1\\'a1", 0x554A},
            {"950 split by bold", 136, "\\'a4\\b\\'40", 0x4E00},
            {"symbol", 2, "p", 0x03C0},
        };
        for (const auto &row : rows) {
            const QString text = row.ch ? QString(QChar(row.ch))
                                        : QStringLiteral("\u05E9\u05DC\u05D5\u05DD");
            QTest::newRow(row.name) << row.charset << QByteArray(row.bytes) << text;
        }
    }
    // Given text in a font of a non-Latin code page followed at once by a switch to another
    // font, when read, then every byte is decoded with its own font's code page and none is
    // lost, also when a control word falls between the two bytes of a character.
    void codePageAtFontSwitch()
    {
        QFETCH(int, charset);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}"
                               "{\\f1\\fcharset" + QByteArray::number(charset) + " X;}}"
                               "{\\colortbl ;\\red255\\green0\\blue0;}\\pard\\f1" + bytes
                               + "\\f0 x\\par}";
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(rtf)), text + QStringLiteral("x\n"));
    }

    void codePages()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(rtf)), text);
    }

    // Given a document with a selection, when RTF is read into it, then the selection is
    // replaced; a paragraph read into the middle keeps the text after it in its paragraph.
    void replacesSelection()
    {
        QTextDocument d;
        d.setPlainText(QStringLiteral("hello world"));
        QTextCursor c(&d);
        c.setPosition(6);
        c.setPosition(11, QTextCursor::KeepAnchor);
        QVERIFY(rtf::readRtf(rtftest::memorySource("{\\rtf1 there}"), c).ok);
        QCOMPARE(d.toPlainText(), QStringLiteral("hello there"));

        d.setPlainText(QStringLiteral("abcd"));
        c = QTextCursor(&d);
        c.setPosition(2);
        QVERIFY(rtf::readRtf(rtftest::memorySource("{\\rtf1 X\\par Y}"), c).ok);
        QCOMPARE(d.toPlainText(), QStringLiteral("abX\nYcd"));

        d.setPlainText(QStringLiteral("abcd"));
        c = QTextCursor(&d);
        c.setPosition(2);
        QVERIFY(rtf::readRtf(rtftest::memorySource("{\\rtf1 X\\par}"), c).ok);
        QCOMPARE(d.toPlainText(), QStringLiteral("abX\ncd"));
    }

    // Read into the middle of a document, the text goes in as the cursor would insert it: the
    // reading cursor and cursors at or after the insertion point move on, cursors before it
    // stay, each run keeps its own format, and one undo takes the whole insertion back.
    void insertionMovesCursorsAndUndoes()
    {
        QTextDocument d;
        d.setPlainText(QStringLiteral("Hello world"));
        QTextCursor before(&d);
        before.setPosition(2);
        QTextCursor at(&d);
        at.setPosition(6);
        QTextCursor after(&d);
        after.setPosition(8);
        QTextCursor c(&d);
        c.setPosition(6);
        QVERIFY(rtf::readRtf(rtftest::memorySource(
                                 "{\\rtf1 {\\b bold} plain {\\i it}{\\b more}\\par next }"),
                             c)
                    .ok);
        const QString inserted = QStringLiteral("bold plain itmore\nnext ");
        QCOMPARE(d.toPlainText(), QStringLiteral("Hello ") + inserted + QStringLiteral("world"));
        QCOMPARE(c.position(), 6 + int(inserted.size()));
        QCOMPARE(before.position(), 2);
        QCOMPARE(at.position(), 6 + int(inserted.size()));
        QCOMPARE(after.position(), 8 + int(inserted.size()));
        auto weightAt = [&d](int position) {
            QTextCursor probe(&d);
            probe.setPosition(position + 1);
            return probe.charFormat().fontWeight();
        };
        QCOMPARE(weightAt(6), int(QFont::Bold));          // "bold"
        QCOMPARE(weightAt(11), int(QFont::Normal));       // "plain"
        QCOMPARE(weightAt(19), int(QFont::Bold));         // "more"
        QTextCursor italic(&d);
        italic.setPosition(18);
        QVERIFY(italic.charFormat().fontItalic());        // "it"
        d.undo();
        QCOMPARE(d.toPlainText(), QStringLiteral("Hello world"));
        d.redo();
        QCOMPARE(d.toPlainText(), QStringLiteral("Hello ") + inserted + QStringLiteral("world"));
    }

    // Text holding the characters the engine marks frames with never goes into the document
    // as those marks: they become paragraph breaks, as inserting that text with the cursor
    // makes them.
    void frameMarkCharactersInText()
    {
        QTextDocument d;
        QTextCursor c(&d);
        QVERIFY(rtf::readRtf(rtftest::memorySource("{\\rtf1\\uc1 one\\u-560?two\\u-559?three}"),
                             c)
                    .ok);
        QCOMPARE(d.blockCount(), 3);
        QCOMPARE(d.toPlainText(), QStringLiteral("one\ntwo\nthree"));
        QVERIFY(d.rootFrame()->childFrames().isEmpty());
    }

    // Given paragraphs of which some share their formats and others differ in paragraph
    // format, mark or runs, when read, then every
    // paragraph has its own text, alignment, mark and run formats; also across the bound of
    // waiting text, and read into the middle of a paragraph with a format of its own.
    void paragraphsOfOneFormatReadAsOneText()
    {
        const QString longRun(70000, QLatin1Char('w'));
        const QByteArray rtf = "{\\rtf1\\ansi one\\par two\\par\\qc three\\par\\pard{\\b\\par}"
                               "four {\\i five}\\par " + longRun.toLatin1() + "\\par six\\par\\par}";
        const auto d = rtftest::readDocument(rtf);
        QCOMPARE(rtftest::documentText(*d), QStringLiteral("one\ntwo\nthree\n\nfour five\n")
                                                + longRun + QStringLiteral("\nsix\n\n"));
        const QList<Qt::Alignment> aligned = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter,
                                              Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft,
                                              Qt::AlignLeft, Qt::AlignLeft};
        int n = 0;
        for (QTextBlock b = d->begin(); b.isValid(); b = b.next(), ++n) {
            QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, aligned.at(n));
            if (b.length() == 1) // the mark's format counts in an empty paragraph
                QCOMPARE(b.charFormat().fontWeight() == QFont::Bold, n == 3);
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QCOMPARE(it.fragment().charFormat().fontItalic(), it.fragment().text() == "five");
        }
        QCOMPARE(n, aligned.size());

        QTextDocument into;
        QTextCursor c(&into);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        c.insertText(QStringLiteral("abcd"));
        c.setBlockFormat(right);
        c.setPosition(2);
        QVERIFY(rtf::readRtf(rtftest::memorySource("{\\rtf1 X\\par Y\\par Z}"), c).ok);
        QCOMPARE(into.toPlainText(), QStringLiteral("abX\nY\nZcd"));
        // Each paragraph read takes the read format, the one it ends in included.
        for (QTextBlock b = into.begin(); b.isValid(); b = b.next())
            QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }

    void notRtf_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain text") << QByteArray("just some text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("brace without rtf") << QByteArray("{\\foo bar}");
        QTest::newRow("brace and text") << QByteArray("{rtf1}");
    }
    // Given bytes that are not RTF, when read, then the read fails and the document and its
    // selection are untouched, so the caller can read them as text.
    void notRtf()
    {
        QFETCH(QByteArray, bytes);
        QTextDocument d;
        d.setPlainText(QStringLiteral("keep me"));
        QTextCursor c(&d);
        c.select(QTextCursor::Document);
        const rtf::ReadResult r = rtf::readRtf(rtftest::memorySource(bytes), c);
        QVERIFY(!r.ok);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(d.toPlainText(), QStringLiteral("keep me"));
        QVERIFY(c.hasSelection());
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("truncated") << QByteArray("{\\rtf1 first\\par sec{\\b ond") << "first\nsecond\n";
        QTest::newRow("garbage after the end") << QByteArray("{\\rtf1 a}\0\xff{\\rtf1 b}c", 20)
                                               << "a\n";
        QTest::newRow("extra closing brace") << QByteArray("{\\rtf1 a}}b") << "a\n";
        QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b}", 11) << "ab\n";
        QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin2000000000 xyz") << "a\n";
        QTest::newRow("huge bin in picture")
            << QByteArray("{\\rtf1 a{\\pict\\pngblip\\bin2000000000 xyz}") << "a\n";
        QTest::newRow("deep nesting") << "{\\rtf1 " + QByteArray(100000, '{') + "deep"
                                             + QByteArray(100000, '}') + " end}"
                                      << "deep end\n";
        QTest::newRow("deep nesting unclosed") << "{\\rtf1 a" + QByteArray(100000, '{') + "b"
                                               << "ab\n";
        QTest::newRow("truncated in a picture") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e")
                                                << "a\n";
        QTest::newRow("truncated in the font table")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << "\n";
        QTest::newRow("truncated in a label") << QByteArray("{\\rtf1 {\\pntext 1.") << "1.\n";
        QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc2000000000\\u65 abc}d") << "A\n";
    }
    // Given damaged RTF, when read, then nothing crashes and the text before the damage stays.
    void damaged()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        rtf::ReadResult r;
        const auto d = rtftest::readDocument(rtf, &r);
        QVERIFY(r.ok);
        QCOMPARE(rtftest::documentText(*d), text);
    }

    void fuzzFinds_data()
    {
        QTest::addColumn<QString>("file");
        QDirIterator it(QStringLiteral(SCV_TEST_DATA_DIR "/rtf/fuzz"), QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
        }
    }
    // Inputs the fuzzer found: none may crash or hang, and what is read writes as a fixed
    // point (write, read, write gives the same bytes).
    void fuzzFinds()
    {
        QFETCH(QString, file);
        const auto document = rtftest::readDocument(rtftest::fileBytes(file));
        const QByteArray first = rtftest::writeDocument(*document);
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a file with very many colours, list overrides and paragraphs, when it is read and
    // written, then the work grows with the size (a quadratic lookup would not finish in time).
    void largeTablesStayLinear()
    {
        const int n = 60000;
        QByteArray rtf = "{\\rtf1{\\colortbl;";
        for (int i = 0; i < n; ++i)
            rtf += "\\red" + QByteArray::number(i % 256) + "\\green" + QByteArray::number(i / 256)
                   + "\\blue1;";
        rtf += "}{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}}{\\*\\listoverridetable";
        for (int i = 1; i <= n; ++i)
            rtf += "{\\listoverride\\listid1\\ls" + QByteArray::number(i) + "}";
        rtf += "}";
        for (int i = 1; i <= n; ++i)
            rtf += "{\\listtext x}\\ls" + QByteArray::number(i) + "\\cf" + QByteArray::number(i)
                   + " t\\par";
        rtf += "}";
        QElapsedTimer timer;
        timer.start();
        const auto d = rtftest::readDocument(rtf);
        QCOMPARE(d->blockCount(), n);
        QCOMPARE(d->lastBlock().blockFormat().intProperty(prop::Numbering), 1);
        QVERIFY(rtftest::writeDocument(*d).contains("\\red95\\green234\\blue1;"));
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
    }

    void readErrorIsReported()
    {
        // A source that gives eleven bytes (as much as each call asks for) and then fails.
        const QByteArray bytes("{\\rtf1 abc ");
        qsizetype given = 0;
        QTextDocument d;
        QTextCursor c(&d);
        const rtf::ReadResult r = rtf::readRtf(
            [&](char *buf, qint64 max) -> qint64 {
                if (given == bytes.size())
                    return -1;
                const qsizetype n = qMin<qsizetype>(max, bytes.size() - given);
                memcpy(buf, bytes.constData() + given, size_t(n));
                given += n;
                return n;
            },
            c);
        QVERIFY(r.ok);
        QVERIFY(r.readError);
        QCOMPARE(d.toPlainText(), QStringLiteral("abc "));
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
