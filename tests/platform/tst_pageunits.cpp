// The units the pages are filled with: which rows of a table go together (a cell merged down
// keeps its rows in one unit), from the table's start and from a position inside it.
#include <QtTest>

#include "richedit/PageUnits.h"
#include "richedit/ResolutionDevice.h"

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

// How one cell of a table differs from the plain ones (none of it: a plain cell).
struct CellLook {
    int row, column;
    QString what;
};

// Gives a cell the look named: top or bottom padding or border, its alignment, a taller first
// paragraph, or a cell merged over columns or rows.
void applyLook(QTextTable &table, const CellLook &look)
{
    if (look.what == QLatin1String("merge across")) {
        table.mergeCells(look.row, look.column, 1, 2);
        return;
    }
    if (look.what == QLatin1String("merge down")) {
        table.mergeCells(look.row, look.column, 2, 1);
        return;
    }
    const QTextTableCell cell = table.cellAt(look.row, look.column);
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    if (look.what == QLatin1String("top padding"))
        f.setTopPadding(7);
    else if (look.what == QLatin1String("top border"))
        f.setTopBorder(4);
    else if (look.what == QLatin1String("top border style"))
        f.setTopBorderStyle(QTextFrameFormat::BorderStyle_Dashed);
    else if (look.what == QLatin1String("bottom border"))
        f.setBottomBorder(5);
    else if (look.what == QLatin1String("no top border"))
        f.clearProperty(QTextFormat::TableCellTopBorderStyle);
    else if (look.what == QLatin1String("middle"))
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    else if (look.what == QLatin1String("bottom"))
        f.setVerticalAlignment(QTextCharFormat::AlignBottom);
    if (look.what.startsWith(QLatin1String("nested"))) {
        // A table of its own at the start of the cell (after an empty paragraph, which the
        // engine keeps before it), its cell padded as the name says.
        QTextTableFormat nested;
        nested.setCellPadding(look.what.mid(7).toInt());
        QTextTable *inner = cell.firstCursorPosition().insertTable(1, 1, nested);
        inner->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("inner"));
        return;
    }
    if (look.what == QLatin1String("tall first paragraph")) {
        QTextBlockFormat b;
        b.setTopMargin(9);
        cell.firstCursorPosition().setBlockFormat(b);
        return;
    }
    table.cellAt(look.row, look.column).setFormat(f);
}

// The layout's own answer: the highest top of the first paragraphs of the cells a row begins.
qreal layoutRowTop(QTextDocument &doc, QTextTable &table, int row)
{
    qreal top = -1;
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (cell.row() != row || cell.column() != c)
            continue;
        const qreal y =
            doc.documentLayout()->blockBoundingRect(doc.findBlock(cell.firstPosition())).top();
        top = top < 0 ? y : qMin(top, y);
    }
    return top;
}

} // namespace

Q_DECLARE_METATYPE(Merge)
Q_DECLARE_METATYPE(CellLook)

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

    // A row's start is found from one cell for all the cells like it; wherever a cell differs
    // in what places its content in the row it is the layout's own answer, on bordered tables
    // of collapsed and separate borders, drawn grids and a printer's resolution.
    void rowHeadsMatchLayout_data()
    {
        QTest::addColumn<bool>("collapse");
        QTest::addColumn<int>("tableBorder");
        QTest::addColumn<QList<CellLook>>("looks");
        // The first cell a row begins is the one the others are found from: most of the
        // differences are put there, where a missed one would move the whole row.
        const QList<QList<CellLook>> cases{
            {},
            {{2, 0, "top padding"}},
            {{2, 1, "top padding"}},
            {{2, 0, "top border"}},
            {{2, 0, "top border style"}},
            {{1, 0, "bottom border"}},
            {{2, 0, "no top border"}},
            {{2, 0, "middle"}, {3, 0, "bottom"}},
            {{2, 0, "tall first paragraph"}},
            {{1, 0, "merge across"}},
            {{1, 1, "merge across"}, {1, 1, "bottom border"}},
            {{1, 0, "merge down"}, {3, 1, "top padding"}},
            {{0, 0, "top border"}, {2, 0, "bottom border"}, {3, 2, "top padding"}},
            {{2, 0, "nested 9"}, {2, 1, "nested 2"}},
            {{2, 0, "nested 2"}, {2, 2, "nested 9"}},
        };
        for (int i = 0; i < cases.size(); ++i) {
            QTest::addRow("collapsed %d", i) << true << 0 << cases[i];
            QTest::addRow("separate %d", i) << false << 0 << cases[i];
            QTest::addRow("grid %d", i) << true << 1 << cases[i];
        }
    }

    void rowHeadsMatchLayout()
    {
        QFETCH(bool, collapse);
        QFETCH(int, tableBorder);
        QFETCH(QList<CellLook>, looks);
        QTextDocument doc;
        ResolutionDevice printer(300, 300);
        doc.documentLayout()->setPaintDevice(&printer);
        QTextCursor cursor(&doc);
        cursor.insertText(QStringLiteral("Before"));
        QTextTableFormat format;
        format.setBorder(tableBorder);
        format.setBorderCollapse(collapse);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        QTextTable *table = cursor.insertTable(5, 3, format);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextTableCellFormat f = cell.format().toTableCellFormat();
                f.setBorder(1.5);
                f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                cell.setFormat(f);
                cell.firstCursorPosition().insertText(QStringLiteral("cell %1 %2").arg(r).arg(c));
            }
        for (const CellLook &look : looks)
            applyLook(*table, look);
        doc.setTextWidth(2000);
        doc.documentLayout()->blockBoundingRect(doc.lastBlock());
        for (int r = 0; r < table->rows(); ++r) {
            const qreal found = rowHead(doc, *table, r).top;
            const qreal laidOut = layoutRowTop(doc, *table, r);
            QVERIFY2(found == laidOut, qPrintable(QStringLiteral("row %1: %2, the layout %3")
                                                      .arg(r)
                                                      .arg(found, 0, 'g', 17)
                                                      .arg(laidOut, 0, 'g', 17)));
        }
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
