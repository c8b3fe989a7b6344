// Rows of one Rich Text table placed differently (their own \trleft, \trqc, \trqr) are held as
// tables of their own, joined by an empty joint paragraph that is written as nothing, gives no
// line in plain text, and lets the rows be drawn where the file places them.
#include <QtTest>

#include "support/EditStreams.h"
#include "richedit/FormatRange.h"
#include "richedit/RichEdit.h"
#include "richedit/RichEditTypes.h"
#include "richedit/TableJoint.h"
#include "support/EnginePdf.h"
#include "support/RtfTestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextTable>

using namespace richedit;

namespace {

const QString kIndents = QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_row_indents.libreoffice.rtf");

QList<QTextTable *> tablesOf(const QTextDocument &d)
{
    QList<QTextTable *> tables;
    for (QTextFrame *f : d.rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            tables << t;
    return tables;
}

int jointsOf(const QTextDocument &d)
{
    int joints = 0;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        joints += isTableJoint(b);
    return joints;
}

// The \trowd lines of written RTF.
QList<QByteArray> rowLines(const QByteArray &rtf)
{
    QList<QByteArray> rows;
    for (const QByteArray &line : rtf.split('\n'))
        if (line.startsWith("\\trowd"))
            rows << line;
    return rows;
}

QByteArray row(const QByteArray &placement, const QByteArray &cells, const QByteArray &text)
{
    return "\\trowd" + placement + cells + "\\pard\\intbl " + text + "\\cell\\row ";
}

QString plainText(RichEdit &e)
{
    return QString::fromLatin1(editstream::out(e, SF_TEXT));
}

// The left borders of the rows on a page, top to bottom: the left edge of the ink where it
// stays at one place for at least minHeight pixel rows (text lines beside the tables move it
// from one pixel row to the next, a row's left border keeps it).
QList<int> leftBorders(const QImage &img, int minHeight)
{
    QList<int> borders;
    int edge = -1;
    int height = 0;
    for (int y = 0; y <= img.height(); ++y) {
        int x = 0;
        while (y < img.height() && x < img.width() && qGray(img.pixel(x, y)) >= 160)
            ++x;
        if (y < img.height() && edge >= 0 && qAbs(x - edge) <= 1) {
            ++height;
            continue;
        }
        if (height >= minHeight && edge < img.width()
            && (borders.isEmpty() || qAbs(borders.last() - edge) > 1))
            borders << edge;
        edge = x;
        height = 1;
    }
    return borders;
}

} // namespace

class TestTableJoint : public QObject {
    Q_OBJECT
private slots:
    // Given a LibreOffice table whose rows are placed at the left, indented, centred, right
    // and at the left again, when read, then each run of rows placed alike is a table placed
    // so, the tables meet at joints, and the text is that of six rows; written, the rows
    // follow each other with their own placement and nothing between them, and write ->
    // read -> write gives the same bytes.
    void rowsPlacedApartAreTablesOfTheirOwn()
    {
        const auto d = rtftest::readDocument(rtftest::fileBytes(kIndents));
        const QList<QTextTable *> tables = tablesOf(*d);
        QCOMPARE(tables.size(), 5);
        QList<int> rows;
        QList<int> lefts;
        QList<int> aligns;
        for (QTextTable *t : tables) {
            rows << t->rows();
            lefts << t->format().intProperty(prop::TableLeft);
            aligns << int(t->format().alignment() & Qt::AlignHorizontal_Mask);
        }
        QCOMPARE(rows, (QList<int>{2, 1, 1, 1, 1}));
        QCOMPARE(lefts, (QList<int>{-55, 1385, 0, 0, -55}));
        QCOMPARE(aligns, (QList<int>{Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                     Qt::AlignLeft}));
        QCOMPARE(jointsOf(*d), 4);
        for (qsizetype i = 1; i < tables.size(); ++i) {
            QVERIFY(continuesTable(*tables[i]));
            QCOMPARE(tableAfterJoint(*tables[i - 1]), tables[i]);
            QCOMPARE(tableBeforeJoint(*tables[i]), tables[i - 1]);
        }
        QVERIFY(!continuesTable(*tables[0]));
        QVERIFY(!tableAfterJoint(*tables.last()));

        const QByteArray first = rtftest::writeDocument(*d);
        QVERIFY2(!first.contains("\\row\r\n\\pard\\par") && !first.contains("\\row\\par"),
                 first.constData());
        const QList<QByteArray> written = rowLines(first);
        QCOMPARE(written.size(), 6);
        QVERIFY2(written[2].startsWith("\\trowd\\trgaph0\\trleft1385\\trpadd"), written[2].constData());
        QVERIFY2(written[3].startsWith("\\trowd\\trgaph0\\trleft0\\trqc\\trpadd"), written[3].constData());
        QVERIFY2(written[4].startsWith("\\trowd\\trgaph0\\trleft0\\trqr\\trpadd"), written[4].constData());
        QVERIFY2(written[5].startsWith("\\trowd\\trgaph0\\trleft-55\\trpadd"), written[5].constData());
        const auto again = rtftest::readDocument(first);
        QCOMPARE(rtftest::writeDocument(*again), first);
        QCOMPARE(tablesOf(*again).size(), 5);
    }

    // Given that table in the engine, when saved as plain text, then the rows are six lines
    // with no empty line at the joints; the statistics count as many characters as that text.
    void jointsGiveNoLineInPlainText()
    {
        RichEdit e;
        rtftest::readInto(e.document(), rtftest::fileBytes(kIndents));
        const QString text = plainText(e);
        QCOMPARE(text, QStringLiteral("Price list:\r\nItem\tSize\tPrice\r\nTea\tsmall\t2.10\r\n"
                                      "Indented\tone inch\r\nCentred\trow\r\nRight\trow\r\n"
                                      "Coffee\tlarge\t3.40\r\nPrices include tax."));
    }

    // Given rows that differ in placement where a vertical merge runs across them, or in gap
    // and height only, when read, then they stay one table (the row keeps its own placement
    // for writing); rows that differ with no merge across them start a table of their own,
    // whose \trhdr row heads nothing and whose top border is the line between two rows.
    void whatStartsATableOfItsOwn()
    {
        const QByteArray boxed = "\\trbrdrt\\brdrs\\trbrdrb\\brdrs\\trbrdrh\\brdrdb";
        const auto merged = rtftest::readDocument(
            "{\\rtf1\\ansi" + row("\\trleft0", "\\clvmgf\\cellx2000\\cellx4000", "a\\cell")
            + row("\\trleft500", "\\clvmrg\\cellx2000\\cellx4000", "\\cell b")
            + row("\\trgaph30\\trrh400", "\\cellx2000", "c") + "\\pard after\\par}");
        QCOMPARE(tablesOf(*merged).size(), 1); // (the last row is placed as the table)
        QCOMPARE(tablesOf(*merged)[0]->rows(), 3);
        const QByteArray mergedRtf = rtftest::writeDocument(*merged);
        QVERIFY2(mergedRtf.contains("\\trleft500"), mergedRtf.constData());
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(mergedRtf)), mergedRtf);

        const auto alike = rtftest::readDocument(
            "{\\rtf1\\ansi" + row("\\trgaph100", "\\cellx2000", "a")
            + row("\\trgaph30\\trrh400", "\\cellx2000", "b") + "\\pard after\\par}");
        QCOMPARE(tablesOf(*alike).size(), 1);

        const auto heading = rtftest::readDocument(
            "{\\rtf1\\ansi" + row(boxed, "\\cellx2000", "a")
            + row("\\trleft720\\trhdr" + boxed, "\\cellx3000", "b") + "\\pard after\\par}");
        const QList<QTextTable *> tables = tablesOf(*heading);
        QCOMPARE(tables.size(), 2);
        QCOMPARE(tables[1]->format().headerRowCount(), 0);
        const QTextTableCellFormat top = tables[1]->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(top.topBorderStyle(), QTextFrameFormat::BorderStyle_Double);
        const QTextTableCellFormat bottom = tables[0]->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(bottom.bottomBorderStyle(), QTextFrameFormat::BorderStyle_Double);
        const QByteArray headingRtf = rtftest::writeDocument(*heading);
        QVERIFY2(headingRtf.contains("\\trleft720\\trhdr"), headingRtf.constData());
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(headingRtf)), headingRtf);
    }

    // Given two rows placed alike whose boundaries together would make more columns than a
    // table may have, when read, then the second row is a table of its own with its own
    // columns; written, each row gives its own boundaries again.
    void rowsWhoseGridsCannotBeSharedAreTablesOfTheirOwn()
    {
        QByteArray first;
        QByteArray second;
        QByteArray text;
        for (int c = 1; c <= 40; ++c) {
            first += "\\cellx" + QByteArray::number(c * 100);
            second += "\\cellx" + QByteArray::number(c * 100 + 50);
            text += c < 40 ? "\\cell" : ""; // (row() ends the last cell)
        }
        const auto d = rtftest::readDocument("{\\rtf1\\ansi" + row({}, first, text)
                                             + row({}, second, text) + "\\pard after\\par}");
        const QList<QTextTable *> tables = tablesOf(*d);
        QCOMPARE(tables.size(), 2);
        QCOMPARE(tables[0]->columns(), 40);
        QCOMPARE(tables[1]->columns(), 40);
        const QByteArray rtf = rtftest::writeDocument(*d);
        QVERIFY2(rtf.contains("\\trleft0" + first + "\\pard"), rtf.constData());
        QVERIFY2(rtf.contains("\\trleft0" + second + "\\cell"), rtf.constData());
        QCOMPARE(rtf.count("\\cellx"), 80);
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(rtf)), rtf);
    }

    // Given joined tables, when text is typed into the joint, then it is a paragraph of its
    // own between two tables, written and read back as such; when it is emptied again, it is
    // a joint again and nothing is written for it.
    void typingIntoAJointMakesAParagraph()
    {
        const auto d = rtftest::readDocument(rtftest::fileBytes(kIndents));
        const QByteArray before = rtftest::writeDocument(*d);
        QTextCursor c(d.get());
        c.setPosition(tablesOf(*d)[0]->lastPosition() + 1);
        c.insertText(QStringLiteral("between"));
        QCOMPARE(jointsOf(*d), 3);
        const QByteArray typed = rtftest::writeDocument(*d);
        // (in the font of the table's last paragraph: no font of the engine's own)
        QVERIFY2(typed.contains("\\row\r\n\\pard between\\par\r\n\\trowd"), typed.constData());
        QVERIFY2(!typed.contains("Sans Serif"), typed.constData());
        const auto again = rtftest::readDocument(typed);
        QCOMPARE(rtftest::writeDocument(*again), typed);
        QCOMPARE(jointsOf(*again), 3);
        c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        QCOMPARE(jointsOf(*d), 4);
        QCOMPARE(rtftest::writeDocument(*d), before);
    }

    // Given the table on a page of the format-range operation (as preview, printing and the
    // exports draw pages), when the page is drawn, then the left border of each row lies
    // where its row is placed: at the margin, an inch indented, centred, at the right, and
    // at the margin again.
    void pagesShowEachRowAtItsPlace()
    {
        RichEdit e;
        rtftest::readInto(e.document(), rtftest::fileBytes(kIndents));
        const int dpi = 96;
        QImage img(6 * dpi, 4 * dpi, QImage::Format_ARGB32);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        img.fill(Qt::white);
        QPainter p(&img);
        const FORMATRANGE fr = enginepdf::pageRange(&img, &p, 1440 * 6, 1440 * 4, 0);
        QCOMPARE(e.formatRange(&fr, true), e.textLength());
        p.end();
        e.formatRange(nullptr, false);
        const auto px = [dpi](int twips) { return twips * dpi / 1440; };
        const QList<int> edges = leftBorders(img, dpi / 5);
        const QString shown = QDebug::toString(edges);
        // The first rows at the margin, then each row placed apart, then at the margin again.
        QVERIFY2(edges.size() == 5, qPrintable(shown));
        QVERIFY2(edges[0] <= 2, qPrintable(shown));
        QVERIFY2(qAbs(edges[1] - px(1385)) <= 2, qPrintable(shown));
        QVERIFY2(qAbs(edges[2] - px((1440 * 6 - 5000) / 2)) <= 2, qPrintable(shown));
        QVERIFY2(qAbs(edges[3] - px(1440 * 6 - 5000)) <= 2, qPrintable(shown));
        QVERIFY2(edges[4] <= 2, qPrintable(shown));
    }
};

QTEST_MAIN(TestTableJoint)
#include "tst_tablejoint.moc"
