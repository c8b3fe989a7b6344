// The units the pages are filled with: which rows of a table go together (a cell merged down
// keeps its rows in one unit), from the table's start and from a position inside it.
#include <QtTest>

#include "richedit/PageUnits.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

using namespace richedit;

namespace {

struct Merge {
    int row, column, rows, columns;
};

// A table of the given size with the merges applied, each cell holding one word, laid out.
QTextTable *makeTable(QTextDocument &doc, int rows, int columns, const QList<Merge> &merges)
{
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("Before"));
    QTextTableFormat format;
    format.setBorder(0);
    format.setCellSpacing(0);
    QTextTable *table = cursor.insertTable(rows, columns, format);
    for (const Merge &m : merges)
        table->mergeCells(m.row, m.column, m.rows, m.columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() == r && cell.column() == c)
                cell.firstCursorPosition().insertText(QStringLiteral("r%1c%2").arg(r).arg(c));
        }
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("After"));
    doc.setTextWidth(600);
    doc.documentLayout()->blockBoundingRect(doc.lastBlock());
    return table;
}

// The row ranges of the table's units, "first-end" each, walking from position from.
QStringList rowUnits(QTextDocument &doc, int from)
{
    QStringList units;
    PageUnitWalker walker(doc, from);
    PageUnit unit;
    while (walker.next(unit))
        if (unit.row)
            units << QStringLiteral("%1-%2").arg(unit.firstRow).arg(unit.endRow);
    return units;
}

} // namespace

Q_DECLARE_METATYPE(Merge)

class TestPageUnits : public QObject {
    Q_OBJECT
private slots:
    void rowGroups_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<Merge>>("merges");
        QTest::addColumn<QStringList>("units");
        QTest::newRow("plain rows") << 3 << 3 << QList<Merge>{}
                                    << QStringList{"0-1", "1-2", "2-3"};
        QTest::newRow("merged across") << 3 << 3 << QList<Merge>{{1, 0, 1, 3}}
                                       << QStringList{"0-1", "1-2", "2-3"};
        QTest::newRow("merged down in the middle column")
            << 5 << 3 << QList<Merge>{{1, 1, 3, 1}} << QStringList{"0-1", "1-4", "4-5"};
        QTest::newRow("merged down and across")
            << 5 << 3 << QList<Merge>{{1, 1, 2, 2}} << QStringList{"0-1", "1-3", "3-4", "4-5"};
        QTest::newRow("overlapping spans chain rows")
            << 6 << 2 << QList<Merge>{{0, 0, 2, 1}, {1, 1, 3, 1}}
            << QStringList{"0-4", "4-5", "5-6"};
        QTest::newRow("last rows merged") << 4 << 2 << QList<Merge>{{2, 1, 2, 1}}
                                          << QStringList{"0-1", "1-2", "2-4"};
    }

    void rowGroups()
    {
        QFETCH(int, rows);
        QFETCH(int, columns);
        QFETCH(QList<Merge>, merges);
        QFETCH(QStringList, units);
        QTextDocument doc;
        makeTable(doc, rows, columns, merges);
        QCOMPARE(rowUnits(doc, 0), units);
    }

    // A walk that starts in a row covered by a cell from above starts with that cell's rows.
    void startInsideMergedRows()
    {
        QTextDocument doc;
        QTextTable *table = makeTable(doc, 5, 3, {{1, 1, 3, 1}});
        const int inThirdRow = table->cellAt(3, 2).firstPosition();
        QCOMPARE(rowUnits(doc, inThirdRow), (QStringList{"1-4", "4-5"}));
        const int inLastRow = table->cellAt(4, 0).firstPosition();
        QCOMPARE(rowUnits(doc, inLastRow), QStringList{"4-5"});
    }

    // The cell lines of a row group are those of the cells the group begins, each once.
    void cellLinesOfMergedRows()
    {
        QTextDocument doc;
        QTextTable *table = makeTable(doc, 4, 2, {{1, 0, 2, 2}});
        const QList<CellLine> lines = cellLines(doc, table, 1, 3);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().start, table->cellAt(1, 0).firstPosition());
        QCOMPARE(cellLines(doc, table, 0, 4).size(), 5);
    }
};

QTEST_MAIN(TestPageUnits)
#include "tst_pageunits.moc"
