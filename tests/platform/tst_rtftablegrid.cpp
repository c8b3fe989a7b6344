// Tables whose rows have different cell boundaries: the common grid of columns, cells
// spanning it, fillers right of short rows, and each row written back with its own bounds.
#include <QtTest>

#include "richedit/RichEditTypes.h"
#include "richedit/TableJoint.h"
#include "support/RtfTestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QTextTable>

namespace prop = richedit::prop;

namespace {

QByteArray row(const QByteArray &cells, const QList<QByteArray> &texts)
{
    QByteArray out = "\\trowd\\trgaph100" + cells + "\\pard\\intbl ";
    for (const QByteArray &t : texts)
        out += t + "\\cell ";
    return out + "\\row\r\n";
}

QByteArray doc(const QByteArray &rows)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard before\\par\r\n" + rows
           + "\\pard after\\par}";
}

QTextTable *onlyTable(const QTextDocument &d)
{
    const QList<QTextFrame *> frames = d.rootFrame()->childFrames();
    return frames.size() == 1 ? qobject_cast<QTextTable *>(frames.first()) : nullptr;
}

QString cellText(const QTextTable &table, int r, int c)
{
    QTextCursor cursor = table.cellAt(r, c).firstCursorPosition();
    cursor.setPosition(table.cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// "first:span" for each cell that starts in the row, fillers as "~".
QString rowShape(const QTextTable &table, int r)
{
    QStringList parts;
    for (int c = 0; c < table.columns();) {
        const QTextTableCell cell = table.cellAt(r, c);
        const bool filler = cell.format().boolProperty(prop::CellFiller);
        if (cell.row() != r)
            parts << QStringLiteral("^");
        else
            parts << (filler ? QStringLiteral("~") : QString::number(cell.columnSpan()));
        c = cell.column() + cell.columnSpan();
    }
    return parts.join(QLatin1Char(' '));
}

// The \cellx values of each written row, in order.
QList<QByteArray> writtenBounds(const QByteArray &rtf)
{
    QList<QByteArray> rows;
    static const QRegularExpression cellx(QStringLiteral("\\\\cellx(-?\\d+)"));
    for (const QByteArray &line : rtf.split('\n')) {
        if (!line.contains("\\trowd"))
            continue;
        QByteArrayList bounds;
        auto it = cellx.globalMatch(QString::fromLatin1(line));
        while (it.hasNext())
            bounds << it.next().captured(1).toLatin1();
        rows << bounds.join(' ');
    }
    return rows;
}

} // namespace

class TestRtfTableGrid : public QObject {
    Q_OBJECT

private slots:
    // Given a title row spanning the table, then rows of columns whose bounds differ and a
    // row ending short of the others, when read, then the table's columns are the union of
    // all bounds, each cell spans the columns between its own bounds with its text, the short
    // row ends in a filler; written, each row gives its own bounds again, and write -> read
    // -> write gives the same bytes.
    void rowsWithDifferentBoundsShareOneGrid()
    {
        const QByteArray rtf = doc(row("\\clbrdrb\\brdrs\\cellx9000", {"Title"})
                                   + row("\\cellx3000\\cellx6000\\cellx9000", {"a", "b", "c"})
                                   + row("\\cellx4500\\cellx9000", {"x", "y"})
                                   + row("\\cellx3000\\cellx6000", {"p", "q"}));
        const auto d = rtftest::readDocument(rtf);
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        QCOMPARE(table->rows(), 4);
        QCOMPARE(table->columns(), 4);
        const QList<int> rights =
            table->format().property(prop::TableCellRights).value<QList<int>>();
        QCOMPARE(rights, (QList<int>{3000, 4500, 6000, 9000}));
        QList<int> widths;
        for (const QTextLength &l : table->format().columnWidthConstraints())
            widths << qRound(l.rawValue());
        QCOMPARE(widths, (QList<int>{200, 100, 100, 200}));

        QCOMPARE(rowShape(*table, 0), QStringLiteral("4"));
        QCOMPARE(rowShape(*table, 1), QStringLiteral("1 2 1"));
        QCOMPARE(rowShape(*table, 2), QStringLiteral("2 2"));
        QCOMPARE(rowShape(*table, 3), QStringLiteral("1 2 ~"));
        QCOMPARE(cellText(*table, 0, 0), QStringLiteral("Title"));
        QCOMPARE(cellText(*table, 1, 1), QStringLiteral("b"));
        QCOMPARE(cellText(*table, 1, 3), QStringLiteral("c"));
        QCOMPARE(cellText(*table, 2, 0), QStringLiteral("x"));
        QCOMPARE(cellText(*table, 2, 2), QStringLiteral("y"));
        QCOMPARE(cellText(*table, 3, 1), QStringLiteral("q"));
        QCOMPARE(table->cellAt(0, 0).format().toTableCellFormat().bottomBorderStyle(),
                 QTextFrameFormat::BorderStyle_Solid);
        const QTextTableCellFormat filler = table->cellAt(3, 3).format().toTableCellFormat();
        QCOMPARE(filler.leftBorder() + filler.rightBorder() + filler.bottomBorder(), 0.0);
        QCOMPARE(d->lastBlock().text(), QStringLiteral("after"));
        // The engine lays the spanning cells out (an earlier way of splitting cells after
        // the fact broke its layout).
        d->setTextWidth(700);
        QVERIFY(d->documentLayout()->documentSize().height() > 0);
        QVERIFY(d->documentLayout()->frameBoundingRect(table).width() > 550);

        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(writtenBounds(first),
                 (QList<QByteArray>{"9000", "3000 6000 9000", "4500 9000", "3000 6000"}));
        QVERIFY(!first.contains("\\clmrg"));
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(first)), rtftest::documentText(*d));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given cells joined by \clmgf/\clmrg and by a vertical merge, when a later row splits
    // the columns they cover, then they stay one cell each (over the new columns too), keep
    // their text, and are written back as the same joined cells with the same bounds.
    void mergedCellsStayWholeWhenLaterRowsSplitTheirColumns()
    {
        const QByteArray rtf = doc(
            row("\\clmgf\\clcbpat0\\cellx2000\\clmrg\\cellx4000\\clvmgf\\cellx6000",
                {"joined", "", "tall"})
            + row("\\cellx2000\\cellx4000\\clvmrg\\cellx6000", {"m", "n", ""})
            + row("\\cellx1000\\cellx3000\\cellx5000\\cellx6000", {"1", "2", "3", "4"}));
        const auto d = rtftest::readDocument(rtf);
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        QCOMPARE(table->format().property(prop::TableCellRights).value<QList<int>>(),
                 (QList<int>{1000, 2000, 3000, 4000, 5000, 6000}));
        QCOMPARE(rowShape(*table, 0), QStringLiteral("4 2"));
        QCOMPARE(rowShape(*table, 1), QStringLiteral("2 2 ^"));
        QCOMPARE(rowShape(*table, 2), QStringLiteral("1 2 2 1"));
        QCOMPARE(table->cellAt(0, 4).rowSpan(), 2);
        QCOMPARE(cellText(*table, 0, 0), QStringLiteral("joined"));
        QCOMPARE(cellText(*table, 0, 4), QStringLiteral("tall"));
        QCOMPARE(cellText(*table, 1, 2), QStringLiteral("n"));
        QCOMPARE(cellText(*table, 2, 3), QStringLiteral("3"));

        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(writtenBounds(first), (QList<QByteArray>{"2000 4000 6000", "2000 4000 6000",
                                                           "1000 3000 5000 6000"}));
        QVERIFY(first.contains("\\clmgf\\cellx2000\\clmrg\\cellx4000\\clvmgf\\cellx6000"));
        QVERIFY(first.contains("\\clvmrg\\cellx6000"));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a row wider than the rows above it and a row with more cells than its
    // definition, when read, then the rows above end in fillers (no text lost, none moved),
    // the extra cell gets a column of its own, and the result is a fixed point.
    void widerRowsAndCellsBeyondTheDefinition()
    {
        const QByteArray rtf = doc(row("\\cellx2000", {"a"}) + row("\\cellx2000\\cellx5000", {"b", "c"})
                                   + row("\\cellx2000", {"d", "extra"}));
        const auto d = rtftest::readDocument(rtf);
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        QCOMPARE(rowShape(*table, 0), QStringLiteral("1 ~"));
        QCOMPARE(rowShape(*table, 1), QStringLiteral("1 1"));
        QCOMPARE(rowShape(*table, 2), QStringLiteral("1 1"));
        QCOMPARE(cellText(*table, 2, 1), QStringLiteral("extra"));
        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(writtenBounds(first).first(), QByteArray("2000"));
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(first)), rtftest::documentText(*d));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given text typed into a filler, when written, then it is kept as a cell of the row.
    void textInAFillerIsNotLost()
    {
        const auto d = rtftest::readDocument(
            doc(row("\\cellx2000", {"a"}) + row("\\cellx2000\\cellx5000", {"b", "c"})));
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("typed"));
        const auto reread = rtftest::readDocument(rtftest::writeDocument(*d));
        QVERIFY(rtftest::documentText(*reread).contains(QStringLiteral("typed")));
    }

    // Given rows each adding bounds of their own, more than a table may have columns, when
    // read, then the row that would pass the limit starts a table of its own (joined to the
    // first, TableJoint.h), no text is lost, and the written result is a fixed point.
    void boundsPastTheColumnLimit()
    {
        QByteArray rows;
        QString expected;
        for (int r = 0; r < 70; ++r) {
            rows += row("\\cellx" + QByteArray::number(100 + r * 10) + "\\cellx9000",
                        {"l" + QByteArray::number(r), "r" + QByteArray::number(r)});
            expected += QStringLiteral("l%1\nr%1\n").arg(r);
        }
        const auto d = rtftest::readDocument(doc(rows));
        QList<QTextTable *> tables;
        for (QTextFrame *f : d->rootFrame()->childFrames())
            tables << qobject_cast<QTextTable *>(f);
        QCOMPARE(tables.size(), 2);
        QCOMPARE(tables[0]->rows(), 62);
        QCOMPARE(tables[0]->columns(), 63);
        QVERIFY(richedit::continuesTable(*tables[1]));
        QString text;
        for (QTextBlock b = d->begin(); b.isValid(); b = b.next())
            if (!richedit::isTableJoint(b))
                text += b.text() + QLatin1Char('\n');
        QVERIFY(text.contains(expected));
        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given rows of far more cells than a table may have columns, with and without a
    // definition, when read, then the table stays within its columns, the cells past them
    // are paragraphs of the last column in their order, and nothing is lost.
    void cellsPastTheColumnLimitKeepTheirText_data()
    {
        QTest::addColumn<QByteArray>("definition");
        QTest::newRow("defined") << QByteArray("\\trowd\\cellx1000");
        QTest::newRow("no definition") << QByteArray();
    }
    void cellsPastTheColumnLimitKeepTheirText()
    {
        QFETCH(QByteArray, definition);
        QByteArray body = "{\\rtf1\\ansi " + definition + "\\intbl ";
        QString expected;
        for (int c = 0; c < 100; ++c) {
            body += "c" + QByteArray::number(c) + "\\cell ";
            expected += QStringLiteral("c%1\n").arg(c);
        }
        const auto d = rtftest::readDocument(body + "\\row\\pard after\\par}");
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        QVERIFY(table->columns() <= 63);
        QVERIFY(rtftest::documentText(*d).contains(expected));
        const QByteArray first = rtftest::writeDocument(*d);
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(first)), first);
    }

    // Given a long table whose last row splits a column, when read, then all rows above are
    // joined again in time that grows with the table, not with its square.
    void lateSplitOfALongTable()
    {
        QByteArray rows;
        const int n = 3000;
        for (int r = 0; r < n; ++r)
            rows += row("\\cellx3000\\cellx6000", {"a", "b"});
        rows += row("\\cellx1500\\cellx6000", {"c", "d"});
        QElapsedTimer timer;
        timer.start();
        const auto d = rtftest::readDocument(doc(rows));
        QTextTable *table = onlyTable(*d);
        QVERIFY(table);
        QCOMPARE(table->rows(), n + 1);
        QCOMPARE(rowShape(*table, n - 1), QStringLiteral("2 1"));
        QCOMPARE(rowShape(*table, n), QStringLiteral("1 2"));
        QCOMPARE(cellText(*table, n - 1, 0), QStringLiteral("a"));
        QCOMPARE(cellText(*table, n - 1, 2), QStringLiteral("b"));
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
    }
};

QTEST_MAIN(TestRtfTableGrid)
#include "tst_rtftablegrid.moc"
