#pragma once
// A table row as RTF defines it (\trowd ... \cellx): the row's placement and, per cell, its
// right boundary, borders, shading, merging and vertical alignment. The reader collects one,
// the document sink turns it into the engine's QTextTable formats, and the writer reads it
// back from them, so that both directions share one mapping (RtfTableFormat).

#include <QColor>
#include <array>
#include <vector>

class QTextFormat;
class QTextTable;
class QTextTableCell;

namespace rtf {

struct TableBorder {
    enum Style : int { None, Single, Double, Dotted, Dashed, Thick };
    int style = None;
    int width = 0; // \brdrw, twips
    QColor color;  // invalid = automatic (black)
    bool operator==(const TableBorder &) const = default;
};

struct TableCell {
    enum Merge : int { NoMerge, First, Merged };
    enum Side : int { Top, Left, Bottom, Right };
    int right = 0; // \cellx, twips from the margin
    std::array<TableBorder, 4> borders;
    QColor shading; // \clcbpat, invalid = none
    int horizontalMerge = NoMerge; // \clmgf / \clmrg
    int verticalMerge = NoMerge;   // \clvmgf / \clvmrg
    int verticalAlign = 0;         // 0 top, 1 centre, 2 bottom
    // \clpadt, \clpadl, \clpadb, \clpadr (by the words' names, in Side order) and their units
    // \clpadf*: 0 none (the row's padding holds), 3 twips. Word and LibreOffice write a
    // cell's left padding as \clpadt and its top padding as \clpadl; the engine follows them.
    std::array<int, 4> padding{};
    std::array<int, 4> paddingUnit{};
    int width = 0;     // \clwWidth, the preferred width, in the unit \clftsWidth gives
    int widthType = 0; // \clftsWidth: 0 none, 1 automatic, 2 fiftieths of a percent, 3 twips
    bool operator==(const TableCell &) const = default;
};

struct TableRow {
    // \trbrdrt, \trbrdrl, \trbrdrb, \trbrdrr, then the inner \trbrdrh and \trbrdrv
    enum Side : int { Top, Left, Bottom, Right, Horizontal, Vertical };
    int gap = 0;   // \trgaph: half the space between two cells' texts, twips
    int left = 0;  // \trleft: where the row starts, twips
    int align = 0; // 0 left, 1 centre, 2 right (\trql, \trqc, \trqr)
    int height = 0; // \trrh, twips: at least this high, or exactly its magnitude when negative
    bool header = false; // \trhdr: a heading row, repeated at the top of each page
    bool keep = false;   // \trkeep: the row is not split between pages
    // \trpaddt, \trpaddl, \trpaddb, \trpaddr (in TableCell::Side order) and their units
    // \trpaddf*: 0 none, 3 twips. They give every cell of the row its padding.
    std::array<int, 4> padding{};
    std::array<int, 4> paddingUnit{};
    std::array<TableBorder, 6> borders;
    std::vector<TableCell> cells;
    bool operator==(const TableRow &) const = default;
};

// The most columns a table read from RTF gets, as many cells as Word allows in a row: cells
// past them go into its last column, so a hostile file cannot make thousands of columns.
constexpr int kMaxTableColumns = 63;
// The farthest a cell boundary or row indent reaches, twips either side of the margin.
constexpr int kMaxTableTwips = 31680 * 2;

// The right boundaries of the row's cells, each at least one twip right of the one before
// and none past kMaxTableTwips.
std::vector<int> cellRights(const TableRow &row);
// Sets the table's columns: their right boundaries (twips) and widths.
void setTableGrid(QTextTable &table, const std::vector<int> &rights);
// Adds columns at the right end, each taking the last column's width constraint.
void appendTableColumns(QTextTable &table, int count);
// Sets the table's own format (placement, gap, alignment) from its first row's definition.
void setTableLook(QTextTable &table, const TableRow &definition);
// Whether the row's definition places it as the table is placed (\trleft, alignment): a
// row placed otherwise starts a table of its own, joined to the one before (TableJoint.h).
bool placedAsTable(const QTextTable &table, const TableRow &definition);
// Once a row follows it, even in the table that continues this one, the row's cells that
// have no bottom border of their own show its inner horizontal border (\trbrdrh) there.
void drawInnerBorderBelow(QTextTable &table, int row);
// Sets the row's cells' formats from the definition. starts[c] is the first column of the
// row's cell c and starts[c + 1] the one after its last; columns from starts.back() on are
// beyond the row's end. The cells have been made and spanned. Cells marked merged are joined
// with the one before or above them. Unless fitted (the row was laid on the grid with
// fitRowToGrid), the first row sets the table's format and rows add columns they lack.
void applyTableRow(QTextTable &table, int row, const TableRow &definition,
                   const std::vector<int> &starts, bool fitted = false);

// The table's grid is the union of its rows' cell boundaries: each row's cell spans the
// columns between its own boundaries, so a wide title cell over narrower columns keeps both.
// Lays the row out on the grid before its cells are filled, adding the columns its boundaries
// need; cells of the rows above that a new column splits are joined again, and rows that end
// left of a new right end get a filler cell there. Returns the row's starts (as
// applyTableRow takes them), or nothing when the row cannot be laid out so (no definition,
// a boundary left of the table, or more columns than a table may have): its cells then take
// the columns in order.
std::vector<int> fitRowToGrid(QTextTable &table, int row, const TableRow &definition);
// Whether the row's boundaries and the table's grid together make no more columns than a
// table may have; a row that would make more starts a table of its own.
bool sharesGrid(const QTextTable &table, const TableRow &definition);
// Adds a column at the grid's right end for a cell the row's definition lacks, one inch wide;
// rows above the given one get a filler cell there. Returns the new column, or -1 when the
// table has as many columns as it may have.
int appendGridColumn(QTextTable &table, int row);
// Joins the columns of each of the row's cells (given by starts) into one cell and makes the
// columns right of the row's end one filler cell.
void spanRowCells(QTextTable &table, int row, const std::vector<int> &starts);

// The definition of a row of the engine's table, as the writer writes it: each cell with its
// own right boundary (a cell spanning columns of the grid is one cell), a cell joined from
// several (\clmgf) as its parts, positions covered by a merge from above marked merged, filler
// cells left out. columns, when given, receives for each cell the column whose content it
// carries, or -1 for a cell covered by a merge (written empty).
TableRow tableRowOf(const QTextTable &table, int row, std::vector<int> *columns = nullptr);
// Joins cells as QTextTable::mergeCells does, but keeps the format of each paragraph in front
// of a cell that the joining removes: the engine gives that paragraph the removed cell's
// paragraph format (a centred paragraph in the cell before a merge came back left-aligned).
void mergeTableCells(QTextTable &table, int row, int column, int rows, int columns);
// Whether the cell is a filler beyond its row's end.
bool isFillerCell(const QTextTableCell &cell);
// An int property, or the fallback when the format has none.
int intOr(const QTextFormat &format, int id, int fallback = 0);

} // namespace rtf
