// The table's grid: the columns every row's cell boundaries fall on. Rows are laid on it as
// they are read, before their cells are filled, so the engine's table only ever gains whole
// columns and joins cells that are still empty or keep their content in the first one.
#include "RtfTable.h"

#include "richedit/RichEditTypes.h"

#include <QTextTable>
#include <algorithm>

namespace rtf {

namespace prop = richedit::prop;

namespace {

// More distinct boundaries than this make the rows take the columns in order instead.
constexpr int kMaxGridColumns = kMaxTableColumns;
constexpr int kAddedColumnWidth = 1440; // twips

std::vector<int> gridOf(const QTextTable &table)
{
    const QList<int> list = table.format().property(prop::TableCellRights).value<QList<int>>();
    return {list.begin(), list.end()};
}

// Marks the cell a filler: no borders, no shading, nothing of the row's.
void makeFiller(QTextTableCell cell)
{
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    f.setBorder(0);
    f.setTopBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.setLeftBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.setBottomBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.setRightBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.clearBackground();
    f.clearProperty(prop::CellBorderStyles);
    f.clearProperty(prop::CellBorderWidths);
    f.clearProperty(prop::RowBorders);
    f.clearProperty(prop::RowLook);
    f.clearProperty(prop::RowExtras);
    f.clearProperty(prop::CellPadding);
    f.clearProperty(prop::CellPreferredWidth);
    f.clearProperty(prop::CellMergedRights);
    f.setProperty(prop::CellFiller, true);
    cell.setFormat(f);
}

// The rows above `row` got a new last column: each row's filler takes it in, or it becomes
// the row's filler.
void fillNewLastColumn(QTextTable &table, int row)
{
    const int last = table.columns() - 1;
    for (int r = 0; r < row; ++r) {
        const QTextTableCell before = table.cellAt(r, last - 1);
        if (isFillerCell(before) && before.row() == r)
            mergeTableCells(table, r, before.column(), 1, before.columnSpan() + 1);
        else if (table.cellAt(r, last).row() == r)
            makeFiller(table.cellAt(r, last));
    }
}

// Splits grid column i at a new boundary: the new column comes right of it. In the rows
// above `row`, the cell that ended at column i is joined with the new cell beside it (the
// engine widens by itself the cells that reach past it).
void splitColumn(QTextTable &table, int row, int i)
{
    table.insertColumns(i + 1, 1);
    for (int r = 0; r < row; ++r) {
        const QTextTableCell cell = table.cellAt(r, i);
        if (cell.row() != r || cell.column() + cell.columnSpan() - 1 != i)
            continue;
        mergeTableCells(table, r, cell.column(), cell.rowSpan(), cell.columnSpan() + 1);
    }
}

} // namespace

std::vector<int> fitRowToGrid(QTextTable &table, int row, const TableRow &definition)
{
    if (definition.cells.empty())
        return {};
    const std::vector<int> rights = cellRights(definition);
    if (int(rights.size()) > kMaxGridColumns)
        return {};
    if (row == 0) {
        if (table.columns() != 1)
            return {};
        setTableLook(table, definition);
        if (rights.size() > 1)
            appendTableColumns(table, int(rights.size()) - 1);
        setTableGrid(table, rights);
    } else {
        std::vector<int> grid = gridOf(table);
        if (grid.empty() || int(grid.size()) != table.columns())
            return {};
        const int left = intOr(table.format(), prop::TableLeft);
        std::vector<int> added;
        for (int b : rights) {
            if (b <= left)
                return {};
            if (!std::binary_search(grid.begin(), grid.end(), b))
                added.push_back(b);
        }
        if (int(grid.size() + added.size()) > kMaxGridColumns)
            return {};
        for (int b : added) {
            const auto at = std::lower_bound(grid.begin(), grid.end(), b);
            const int i = int(at - grid.begin());
            grid.insert(at, b);
            if (i == table.columns()) {
                appendTableColumns(table, 1);
                fillNewLastColumn(table, row);
            } else {
                splitColumn(table, row, i);
            }
            // The engine copies a neighbour's width constraint into a new column and reads
            // past a list shorter than the table: keep the list whole after every change.
            setTableGrid(table, grid);
        }
    }
    const std::vector<int> grid = gridOf(table);
    std::vector<int> starts{0};
    for (int b : rights)
        starts.push_back(int(std::lower_bound(grid.begin(), grid.end(), b) - grid.begin()) + 1);
    return starts;
}

bool sharesGrid(const QTextTable &table, const TableRow &definition)
{
    const std::vector<int> rights = cellRights(definition);
    const std::vector<int> grid = gridOf(table);
    if (definition.cells.empty() || int(rights.size()) > kMaxGridColumns || grid.empty())
        return true; // (such a row takes the columns in order wherever it is)
    const auto added = std::count_if(rights.begin(), rights.end(), [&grid](int b) {
        return !std::binary_search(grid.begin(), grid.end(), b);
    });
    return int(grid.size() + std::size_t(added)) <= kMaxGridColumns;
}

int appendGridColumn(QTextTable &table, int row)
{
    std::vector<int> grid = gridOf(table);
    const int last = grid.empty() ? intOr(table.format(), prop::TableLeft) : grid.back();
    if (table.columns() >= kMaxGridColumns || last >= kMaxTableTwips)
        return -1;
    // (no boundary past what is read back, so that what is written reads back alike)
    grid.push_back(std::min(last + kAddedColumnWidth, kMaxTableTwips));
    appendTableColumns(table, 1);
    fillNewLastColumn(table, row);
    setTableGrid(table, grid);
    return table.columns() - 1;
}

void spanRowCells(QTextTable &table, int row, const std::vector<int> &starts)
{
    for (std::size_t c = 0; c + 1 < starts.size(); ++c) {
        const int span = starts[c + 1] - starts[c];
        if (span > 1 && table.cellAt(row, starts[c]).columnSpan() < span)
            mergeTableCells(table, row, starts[c], 1, span);
    }
    const int end = starts.empty() ? table.columns() : starts.back();
    if (end >= table.columns())
        return;
    if (table.columns() - end > 1)
        mergeTableCells(table, row, end, 1, table.columns() - end);
    makeFiller(table.cellAt(row, end));
}

} // namespace rtf
