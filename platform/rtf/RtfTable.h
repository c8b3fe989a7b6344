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
    bool operator==(const TableCell &) const = default;
};

struct TableRow {
    // \trbrdrt, \trbrdrl, \trbrdrb, \trbrdrr, then the inner \trbrdrh and \trbrdrv
    enum Side : int { Top, Left, Bottom, Right, Horizontal, Vertical };
    int gap = 0;   // \trgaph: half the space between two cells' texts, twips
    int left = 0;  // \trleft: where the row starts, twips
    int align = 0; // 0 left, 1 centre, 2 right (\trql, \trqc, \trqr)
    std::array<TableBorder, 6> borders;
    std::vector<TableCell> cells;
    bool operator==(const TableRow &) const = default;
};

// The right boundaries of the row's cells, each at least one twip right of the one before.
std::vector<int> cellRights(const TableRow &row);
// Sets the table's columns: their right boundaries (twips) and widths.
void setTableGrid(QTextTable &table, const std::vector<int> &rights);
// Adds columns at the right end, each taking the last column's width constraint.
void appendTableColumns(QTextTable &table, int count);
// Sets the table's and the row's cells' formats from the definition. starts[c] is the first
// column of the row's cell c and starts[c + 1] the one after its last (rows whose cell
// boundaries differ span columns of the table); the cells have been made and spanned.
// Cells marked merged are joined with the one before or above them.
void applyTableRow(QTextTable &table, int row, const TableRow &definition,
                   const std::vector<int> &starts);
// The definition of a row of the engine's table, as the writer writes it: one cell per
// column, cells covered by a merge marked merged.
TableRow tableRowOf(const QTextTable &table, int row);
// An int property, or the fallback when the format has none.
int intOr(const QTextFormat &format, int id, int fallback = 0);

} // namespace rtf
