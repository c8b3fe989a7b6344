// The one mapping between RTF row definitions and the engine's table formats: what a row
// keeps of its own when it is placed unlike the table, and what joining cells keeps.
#include <QtTest>

#include "richedit/RichEditTypes.h"
#include "support/RtfTestSupport.h"

#include <QTextBlock>
#include <QTextTable>

namespace prop = richedit::prop;

class TestRtfTableFormat : public QObject {
    Q_OBJECT
private slots:
    // Given a centred paragraph in the cell before one that continues a merge from above
    // (the engine's join hands that paragraph the joined cell's paragraph format), and a
    // paragraph of a style before a cell that a later row splits off, when read, then both
    // paragraphs keep their formats, and write -> read -> write gives the same bytes.
    void joiningCellsKeepsTheParagraphBefore()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl tall\\cell"
            "\\pard\\intbl\\qc centred\\cell\\row"
            "\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell\\pard\\intbl\\qr right\\cell\\row"
            "\\pard between\\par\\trowd\\cellx1\\pard\\intbl\\cell\\row"
            "\\trowd\\clvmgf\\cellx3000\\cellx3001\\pard\\intbl x\\cell\\pard\\intbl\\s2\\cell\\row"
            "\\trowd\\clvmrg\\cellx3000\\pard\\intbl\\s3\\cell\\row\\pard after\\par}";
        const auto d = rtftest::readDocument(rtf);
        auto *table = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->cellAt(0, 0).rowSpan(), 2);
        const QTextBlock centred = d->findBlock(table->cellAt(0, 1).firstPosition());
        QCOMPARE(centred.text(), QStringLiteral("centred"));
        QCOMPARE(centred.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        auto *split = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(1));
        QVERIFY(split);
        const QTextTableCell styled = split->cellAt(1, split->columns() - 1);
        QCOMPARE(split->cellAt(2, 0).row(), 1); // joined with the cell above
        QCOMPARE(d->findBlock(styled.firstPosition()).blockFormat().intProperty(prop::StyleNumber), 2);
        const QByteArray first = rtftest::writeDocument(*d);
        QVERIFY2(first.contains("\\qc centred\\cell"), first.constData());
        QVERIFY2(first.contains("\\s2\\cell"), first.constData());
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a Word table whose rows are placed differently (a heading row of set height, a
    // row indented, centred and with a narrower gap, a right-aligned row) and a row whose
    // first cell continues a merge from above, when read, then each row placed apart is a
    // table of its own placed as the row, the first has one heading row and the narrower gap
    // shows as its table's cell padding; written, every row keeps its own \trleft,
    // alignment, \trgaph, \trrh, \trhdr and borders, and write -> read -> write gives the
    // same bytes.
    void laterRowsKeepTheirOwnPlacement()
    {
        const auto d = rtftest::readDocument(rtftest::fileBytes(
            QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_row_placement.word.rtf")));
        QList<QTextTable *> tables;
        for (QTextFrame *f : d->rootFrame()->childFrames())
            tables << qobject_cast<QTextTable *>(f);
        QCOMPARE(tables.size(), 3);
        QTextTable *table = tables[0];
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->format().headerRowCount(), 1);
        QCOMPARE(table->format().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(table->cellAt(0, 0).rowSpan(), 2);
        const QTextTableFormat indented = tables[1]->format();
        QCOMPARE(indented.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(indented.leftMargin(), 720 / 15.0);
        QCOMPARE(indented.cellPadding(), 72 / 15.0);
        QCOMPARE(tables[2]->format().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QVERIFY(!tables[2]->cellAt(0, 0).format().hasProperty(QTextFormat::TableCellLeftPadding));

        const QByteArray first = rtftest::writeDocument(*d);
        QList<QByteArray> rows;
        for (const QByteArray &line : first.split('\n'))
            if (line.startsWith("\\trowd"))
                rows << line;
        QCOMPARE(rows.size(), 4);
        QVERIFY2(rows[0].startsWith("\\trowd\\trgaph108\\trleft-108\\trrh397\\trhdr\\trbrdrt"),
                 rows[0].constData());
        QVERIFY2(rows[1].startsWith("\\trowd\\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10"
                                    "\\trbrdrl"), rows[1].constData());
        QVERIFY(rows[1].contains("\\clvmrg"));
        QVERIFY2(rows[2].startsWith("\\trowd\\trgaph72\\trleft720\\trqc\\trrh-567\\trbrdrt"),
                 rows[2].constData());
        QVERIFY2(rows[3].startsWith("\\trowd\\trgaph108\\trleft-108\\trqr\\trbrdrt"),
                 rows[3].constData());
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a LibreOffice table with a heading row, a second \trhdr row below ordinary rows,
    // rows marked \trkeep, row padding (\trpadd*), cell padding (\clpad*, whose \clpadt is
    // the left side as LibreOffice and Word write it) and preferred widths (\clwWidth), when
    // read, then only the leading row heads the table and the cells show the padding; written,
    // each row and cell keeps its own words, and write -> read -> write gives the same bytes.
    void rowMarksPaddingAndWidthsAreKept()
    {
        const auto d = rtftest::readDocument(rtftest::fileBytes(
            QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_row_extras.libreoffice.rtf")));
        auto *table = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->rows(), 5);
        QCOMPARE(table->format().headerRowCount(), 1);
        const QTextTableCellFormat plain = table->cellAt(1, 0).format().toTableCellFormat();
        QCOMPARE(plain.leftPadding(), 55 / 15.0);
        QCOMPARE(plain.topPadding(), 55 / 15.0);
        const QTextTableCellFormat wide = table->cellAt(3, 1).format().toTableCellFormat();
        QCOMPARE(wide.leftPadding(), 400 / 15.0); // \clpadt400
        QCOMPARE(wide.topPadding(), 120 / 15.0);  // \clpadl120
        QCOMPARE(wide.rightPadding(), 55 / 15.0);

        const QByteArray first = rtftest::writeDocument(*d);
        QList<QByteArray> rows;
        for (const QByteArray &line : first.split('\n'))
            if (line.startsWith("\\trowd"))
                rows << line;
        QCOMPARE(rows.size(), 5);
        const QByteArray padding =
            "\\trpaddt55\\trpaddft3\\trpaddl55\\trpaddfl3\\trpaddb55\\trpaddfb3"
            "\\trpaddr55\\trpaddfr3";
        for (int r = 0; r < 5; ++r) {
            QVERIFY2(rows[r].contains(padding), rows[r].constData());
            QCOMPARE(rows[r].contains("\\trhdr"), r == 0 || r == 2);
            QCOMPARE(rows[r].contains("\\trkeep"), r == 1 || r == 4);
            QCOMPARE(rows[r].count("\\clftsWidth3\\clwWidth321"), 3);
        }
        QVERIFY2(rows[3].contains("\\clpadt400\\clpadft3\\clpadl120\\clpadfl3\\clpadb120"
                                  "\\clpadfb3\\clpadr55\\clpadfr3\\clftsWidth3\\clwWidth3213"
                                  "\\cellx6425"), rows[3].constData());
        const auto again = rtftest::readDocument(first);
        QCOMPARE(rtftest::writeDocument(*again), first);
        auto *table2 = qobject_cast<QTextTable *>(again->rootFrame()->childFrames().value(0));
        QCOMPARE(table2->format().headerRowCount(), 1);
    }

    // Given rows whose padding is given without its unit, or in an unknown unit, when read,
    // then the cells keep the table's padding (only twips are a known unit), and what was
    // read is written back as read, out-of-range amounts within bounds.
    void paddingWithoutTwipsIsKeptButNotDrawn()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\trowd\\trgaph100\\trpaddl300\\trpaddt99999\\trpaddft3"
            "\\clpadr200\\clpadfr7\\cellx2000\\pard\\intbl a\\cell\\row\\pard b\\par}";
        const auto d = rtftest::readDocument(rtf);
        auto *table = qobject_cast<QTextTable *>(d->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        const QTextTableCellFormat f = table->cellAt(0, 0).format().toTableCellFormat();
        QVERIFY(!f.hasProperty(QTextFormat::TableCellLeftPadding));
        QVERIFY(!f.hasProperty(QTextFormat::TableCellRightPadding));
        QCOMPARE(f.topPadding(), 1440 / 15.0);
        const QByteArray first = rtftest::writeDocument(*d);
        QVERIFY2(first.contains("\\trpaddt1440\\trpaddft3\\trpaddl300\\clpadr200\\cellx2000"),
                 first.constData());
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a document that ends with a table followed by \pard and a paragraph format but no
    // text, when read, then the paragraph the table leaves behind it has that format (it kept
    // a bare one before, so that the document and its copy through Rich Text differed), and
    // read -> write -> read gives it the same format; a table read into the middle of a
    // document leaves the paragraph after it as it was.
    void theParagraphAfterAFinalTableTakesItsFormat()
    {
        const QByteArray rtf = "{\\rtf1\\ansi\\trowd\\cellx2000\\pard\\intbl a\\cell\\row"
                               "\\pard\\qc\\sa240\n}";
        const auto d = rtftest::readDocument(rtf);
        const QTextBlockFormat last = d->lastBlock().blockFormat();
        QCOMPARE(last.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(last.intProperty(prop::SpaceAfter), 240);
        const auto copy = rtftest::readDocument(rtftest::writeDocument(*d));
        QCOMPARE(copy->blockCount(), d->blockCount());
        QCOMPARE(copy->lastBlock().blockFormat(), last);

        QTextDocument into;
        QTextCursor cursor(&into);
        cursor.insertText(QStringLiteral("before"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("after"));
        const QTextBlockFormat after = into.lastBlock().blockFormat();
        cursor.setPosition(into.lastBlock().position());
        rtf::readRtf(rtftest::memorySource(rtf), cursor);
        QCOMPARE(into.lastBlock().text(), QStringLiteral("after"));
        QCOMPARE(into.lastBlock().blockFormat(), after);
    }
};

QTEST_MAIN(TestRtfTableFormat)
#include "tst_rtftableformat.moc"
