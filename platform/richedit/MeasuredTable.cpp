#include "MeasuredTable.h"

#include "MeasuredFlow.h"
#include "ParagraphWalk.h"
#include "RichEditTypes.h"
#include "RowHeights.h"

#include <QTextDocument>
#include <QTextTable>
#include <QtGui/private/qfont_p.h>
#include <QtGui/private/qguiapplication_p.h>

#include <algorithm>
#include <cmath>

namespace richedit {

namespace {

enum Side { Top, Bottom, Left, Right };

constexpr QTextFormat::Property kStyles[] = {
    QTextFormat::TableCellTopBorderStyle, QTextFormat::TableCellBottomBorderStyle,
    QTextFormat::TableCellLeftBorderStyle, QTextFormat::TableCellRightBorderStyle};
constexpr QTextFormat::Property kWidths[] = {
    QTextFormat::TableCellTopBorder, QTextFormat::TableCellBottomBorder,
    QTextFormat::TableCellLeftBorder, QTextFormat::TableCellRightBorder};
constexpr QTextFormat::Property kPaddings[] = {
    QTextFormat::TableCellTopPadding, QTextFormat::TableCellBottomPadding,
    QTextFormat::TableCellLeftPadding, QTextFormat::TableCellRightPadding};

// The border a cell's format gives one of its sides, in the layout's unscaled pixels: a side
// with a style set has the width set there (3 without one), a side without a style none.
qreal ownBorder(const QTextTableCellFormat &f, Side side)
{
    if (!f.hasProperty(kStyles[side]))
        return 0;
    return f.hasProperty(kWidths[side]) ? f.property(kWidths[side]).toDouble() : 3;
}

// The table's cells on its grid, each with its format, looked up once: asking a cell for its
// row, column or format searches the document each time. A cell merged across columns or
// down covers several places of the grid; each place knows where its cell begins.
class Grid {
public:
    explicit Grid(const QTextTable &table) : m_rows(table.rows()), m_columns(table.columns())
    {
        m_origin.resize(size_t(m_rows * m_columns));
        m_formats.resize(m_origin.size());
        std::vector<QTextTableCell> above(static_cast<size_t>(m_columns));
        for (int r = 0; r < m_rows; ++r) {
            QTextTableCell previous;
            for (int c = 0; c < m_columns; ++c) {
                const QTextTableCell cell = table.cellAt(r, c);
                const size_t i = index(r, c);
                if (c > 0 && cell == previous) {
                    m_origin[i] = m_origin[i - 1];
                } else if (r > 0 && cell == above[size_t(c)]) {
                    m_origin[i] = m_origin[i - size_t(m_columns)];
                    m_mergedDown = true;
                } else {
                    m_origin[i] = i;
                    m_formats[i] = cell.format().toTableCellFormat();
                    m_cells.push_back({r, c, 1, 1, cell.firstPosition(), cell.lastPosition()});
                }
                above[size_t(c)] = cell;
                previous = cell;
            }
        }
        for (CellSpan &cell : m_cells) {
            const size_t origin = index(cell.row, cell.column);
            while (cell.column + cell.span < m_columns
                   && m_origin[index(cell.row, cell.column + cell.span)] == origin)
                ++cell.span;
            while (cell.row + cell.rowSpan < m_rows
                   && m_origin[index(cell.row + cell.rowSpan, cell.column)] == origin)
                ++cell.rowSpan;
        }
    }

    struct CellSpan {
        int row;
        int column;
        int span;
        int rowSpan;
        int first;
        int last;
    };

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    bool mergedDown() const { return m_mergedDown; }
    // The first column and the first row of the cell at (row, column).
    int start(int row, int column) const { return int(m_origin[index(row, column)]) % m_columns; }
    int startRow(int row, int column) const
    {
        return int(m_origin[index(row, column)]) / m_columns;
    }
    // Whether the places hold the same cell.
    bool same(int row, int column, int otherRow, int otherColumn) const
    {
        return m_origin[index(row, column)] == m_origin[index(otherRow, otherColumn)];
    }
    const QTextTableCellFormat &format(int row, int column) const
    {
        return m_formats[m_origin[index(row, column)]];
    }
    // The cells in document order: row by row, left to right, each at the place it begins.
    const std::vector<CellSpan> &cells() const { return m_cells; }

    // The width of the border between the cell and its neighbour on that side: with collapsed
    // borders the wider of the two sides that meet there, and for a neighbour that starts
    // further left (above) also the border of the cell of this row (column) where it starts.
    qreal axisBorder(const CellSpan &cell, Side side) const
    {
        const int r = cell.row;
        const int c = cell.column;
        qreal width = ownBorder(format(r, c), side);
        switch (side) {
        case Top:
        case Bottom: {
            const int other = side == Top ? r - 1 : r + cell.rowSpan;
            if (other < 0 || other >= m_rows)
                break;
            const int a = start(other, c);
            width = qMax(width, ownBorder(format(other, a), side == Top ? Bottom : Top));
            if (a != c)
                width = qMax(width, ownBorder(format(r, a), side));
            break;
        }
        case Left:
        case Right: {
            const int other = side == Left ? c - 1 : c + cell.span;
            if (other < 0 || other >= m_columns)
                break;
            const int a = startRow(r, other);
            width = qMax(width, ownBorder(format(r, other), side == Left ? Right : Left));
            if (a != r)
                width = qMax(width, ownBorder(format(a, c), side));
            break;
        }
        }
        return width;
    }

private:
    size_t index(int row, int column) const { return size_t(row * m_columns + column); }

    int m_rows;
    int m_columns;
    bool m_mergedDown = false;
    std::vector<size_t> m_origin;
    std::vector<QTextTableCellFormat> m_formats;
    std::vector<CellSpan> m_cells;
};

// The height a row keeps (\trrh) in twips, negative when exact, as its first cell's format
// keeps it; 0 for none.
int rowHeightTwips(const QTextTableCellFormat &f)
{
    if (!f.hasProperty(prop::RowLook))
        return 0;
    const QList<int> look = f.property(prop::RowLook).value<QList<int>>();
    return look.size() >= 4 ? look.at(3) : 0;
}

// The line the layout draws between row - 1 and row, unscaled: as PageUnits' lineAbove, from
// the grid's formats.
qreal lineAbove(const Grid &grid, const QTextTableFormat &tf, int row)
{
    auto width = [](const QTextTableCellFormat &f, Side side) {
        return f.hasProperty(kStyles[side])
                && f.intProperty(kStyles[side]) == QTextFrameFormat::BorderStyle_None
            ? 0.0 : f.doubleProperty(kWidths[side]);
    };
    qreal widest = tf.border();
    for (int c = 0; c < grid.columns(); ++c) {
        if (grid.same(row - 1, c, row, c))
            continue; // a cell merged down across the line draws none there
        widest = qMax(widest, width(grid.format(row - 1, c), Bottom));
        widest = qMax(widest, width(grid.format(row, c), Top));
    }
    return widest;
}

} // namespace

bool tableSuitsMeasuring(const QTextTable &table)
{
    const QTextTableFormat tf = table.format();
    if (!tf.borderCollapse() || tf.border() != 0 || tf.headerRowCount() >= table.rows()
        || tf.width().type() != QTextLength::VariableLength || !table.childFrames().isEmpty()
        || table.rows() == 0 || table.columns() == 0)
        return false;
    const QList<QTextLength> constraints = tf.columnWidthConstraints();
    if (constraints.size() != table.columns()
        || !std::all_of(constraints.cbegin(), constraints.cend(), [](const QTextLength &l) {
               return l.type() == QTextLength::FixedLength;
           }))
        return false;
    // Cells merged down are measured only in tables without heading rows or rows of a set
    // height: those are looked for first, as they are found row by row.
    bool guarded = tf.headerRowCount() > 0;
    for (int r = 0; !guarded && r < table.rows(); ++r)
        guarded = rowHeightTwips(table.cellAt(r, 0).format().toTableCellFormat()) != 0;
    for (int r = 0; guarded && r + 1 < table.rows(); ++r)
        for (int c = 0; c < table.columns(); ++c)
            if (table.cellAt(r, c).rowSpan() > 1)
                return false;
    return true;
}

namespace {

// Measures one table step by step, as the layout lays it out: its columns, its cells'
// content, its rows one under the other, rows of a set height grown, and the rows as units.
class TableMeasure {
public:
    TableMeasure(FlowMeasurer &flow, const QTextTable &table, const Grid &grid);

    // Lays the cells' paragraphs out, consuming them from the walk; fails for a paragraph the
    // measuring does not reproduce or one that is not where the grid has its cell.
    bool layCells(ParagraphWalk &walk, WalkParagraph &p, bool &have, int base,
                  std::vector<MeasuredParagraph> &paragraphs);
    // Whether the columns keep their fixed widths: content that cannot break widens them.
    bool columnsHold() const;
    // Stacks the rows and places them as the page units have them.
    void stack();
    // Whether heading rows leave every cell's content where it is (see below).
    bool headingsKeepContent() const;
    // Grows the rows of a set height that came out lower, then stacks them again.
    void growSetHeights();
    // The rows as page units, appended to lines; the rows' paragraphs take them as lines.
    void appendUnits(int base, std::vector<MeasuredParagraph> &paragraphs,
                     std::vector<MeasuredLine> &lines) const;
    QFixed bottom() const { return m_tableY + m_height; }

private:
    QFixed paddingOf(const QTextTableCellFormat &f, Side side) const
    {
        const QVariant v = f.property(kPaddings[side]);
        return v.isNull() ? m_cellPadding : QFixed::fromReal(v.toReal() * m_deviceScale);
    }
    // The cell's padding on that side with half the border there.
    QFixed inner(const Grid::CellSpan &cell, Side side) const
    {
        return paddingOf(m_grid.format(cell.row, cell.column), side)
            + QFixed::fromReal(m_grid.axisBorder(cell, side) / 2 * m_deviceScale);
    }
    // The layout scales lengths by the vertical resolution, across as well as down.
    qreal scaled(qreal v) const { return v * m_dpiY / qreal(qt_defaultDpi()); }
    void place();
    void rowHeights();

    FlowMeasurer &m_flow;
    const QTextTable &m_table;
    const Grid &m_grid;
    const QTextTableFormat m_format;
    const int m_rows;
    const int m_columns;
    const int m_dpiY;
    const qreal m_deviceScale;
    const qreal m_scale; // of the page units' insets
    QFixed m_topMargin;
    QFixed m_bottomMargin;
    QFixed m_padding;
    QFixed m_cellPadding;
    QFixed m_edge[4];
    std::vector<QFixed> m_fixed;     // the columns' widths as set
    std::vector<QFixed> m_widths;    // rounded
    std::vector<QFixed> m_positions;
    QFixed m_tableY;
    // By cell, in the grid's order:
    std::vector<QFixed> m_cellTops;       // top padding and border
    std::vector<QFixed> m_cellHeights;    // with padding and borders, rounded
    std::vector<QFixed> m_minimum;        // least width
    std::vector<QFixed> m_contentHeights; // without padding and borders
    std::vector<qreal> m_contentBottoms;  // of the last paragraph, in the cell
    std::vector<QFixed> m_cellBottoms;    // bottom padding (grown for a set height) and border
    std::vector<QFixed> m_offsets;        // of a cell's content aligned to the middle or bottom
    // By row:
    std::vector<QFixed> m_heights;
    std::vector<QFixed> m_rowTops;
    std::vector<int> m_rowParagraphs; // index of each row's first paragraph, and the end
    std::vector<qreal> m_insets;
    std::vector<qreal> m_heads;
    QFixed m_height;
    qreal m_tableTop = 0;
    qreal m_tableBottom = 0;
};

TableMeasure::TableMeasure(FlowMeasurer &flow, const QTextTable &table, const Grid &grid)
    : m_flow(flow), m_table(table), m_grid(grid), m_format(table.format()),
      m_rows(grid.rows()), m_columns(grid.columns()), m_dpiY(flow.dpiY()),
      m_deviceScale(scaled(1)), m_scale(m_dpiY / 96.0)
{
    auto rounded = [&](qreal v) { return QFixed::fromReal(scaled(v)).round(); };
    m_topMargin = rounded(m_format.topMargin());
    m_bottomMargin = rounded(m_format.bottomMargin());
    m_padding = rounded(m_format.padding());
    m_cellPadding = QFixed::fromReal(scaled(m_format.cellPadding()));

    // The table's outer edges take half the widest outermost border of their cells.
    qreal outer[4] = {0, 0, 0, 0};
    for (const Grid::CellSpan &cell : grid.cells()) {
        const QTextTableCellFormat &f = grid.format(cell.row, cell.column);
        if (cell.row == 0)
            outer[Top] = qMax(outer[Top], ownBorder(f, Top));
        if (cell.row == m_rows - 1)
            outer[Bottom] = qMax(outer[Bottom], ownBorder(f, Bottom));
        if (cell.column == 0)
            outer[Left] = qMax(outer[Left], ownBorder(f, Left));
        if (cell.column + cell.span == m_columns)
            outer[Right] = qMax(outer[Right], ownBorder(f, Right));
    }
    for (int side = Top; side <= Right; ++side)
        m_edge[side] = QFixed::fromReal(scaled(outer[side] / 2)).round();

    // Column widths: the fixed ones, rounded so that the rounding errors do not add up. (A
    // table wider than the page has its columns' least widths found again with words broken
    // anywhere, which leaves fixed columns as they are and its rows as they were.)
    const QList<QTextLength> constraints = m_format.columnWidthConstraints();
    m_fixed.resize(size_t(m_columns));
    m_widths.resize(size_t(m_columns));
    m_positions.resize(size_t(m_columns));
    QFixed error;
    for (size_t c = 0; c < size_t(m_columns); ++c) {
        m_fixed[c] = QFixed::fromReal(constraints.at(int(c)).rawValue()) * QFixed(m_dpiY)
            / QFixed(qt_defaultDpi());
        m_widths[c] = (m_fixed[c] - error).round();
        error = m_widths[c] - m_fixed[c];
    }
    m_positions[0] = rounded(m_format.leftMargin()) + m_padding + m_edge[Left];
    for (size_t c = 1; c < size_t(m_columns); ++c)
        m_positions[c] = m_positions[c - 1] + m_widths[c - 1];

    const size_t cells = grid.cells().size();
    m_cellTops.resize(cells);
    m_cellHeights.resize(cells);
    m_minimum.resize(cells);
    m_contentHeights.resize(cells);
    m_contentBottoms.resize(cells);
    m_cellBottoms.resize(cells);
    m_offsets.resize(cells);
    m_heights.resize(size_t(m_rows));
    m_rowTops.resize(size_t(m_rows));
    m_rowParagraphs.resize(size_t(m_rows) + 1);
    m_heads.resize(size_t(m_rows));
    m_insets.resize(size_t(m_rows));
    for (int r = 0; r < m_rows; ++r) {
        qreal inset = m_format.cellPadding() + m_format.border();
        for (int c = 0; c < m_columns; ++c)
            inset = qMax(inset, m_format.cellPadding()
                                    + grid.format(r, c).doubleProperty(QTextFormat::TableCellTopBorder));
        m_insets[size_t(r)] = inset * m_scale;
    }
}

bool TableMeasure::layCells(ParagraphWalk &walk, WalkParagraph &p, bool &have, int base,
                            std::vector<MeasuredParagraph> &paragraphs)
{
    // Each cell's paragraphs at the cell's width; a row is as high as its highest cell.
    m_tableY = m_flow.y();
    const FlowMeasurer::Flow outer = m_flow.startFlow(0);
    size_t index = 0;
    bool ok = true;
    int rowsStarted = 0;
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        while (rowsStarted <= cell.row) // rows all of whose cells come from above hold none
            m_rowParagraphs[size_t(rowsStarted++)] = int(paragraphs.size());
        const size_t last = size_t(cell.column + cell.span - 1);
        const QFixed width = m_positions[last] + m_widths[last] - m_positions[size_t(cell.column)]
            - inner(cell, Left) - inner(cell, Right);
        m_flow.endFlow(outer);
        m_flow.startFlow(width);
        if (!have || p.position != cell.first) {
            ok = false;
            break;
        }
        QFixed least;
        while (ok && have && p.position <= cell.last) {
            ParagraphFit fit;
            fit.wantsMinimum = true;
            ok = m_flow.paragraph(p, p.position - base, paragraphs, nullptr, &fit)
                && !fit.overflow;
            least = qMax(least, fit.minimumWidth);
            m_contentBottoms[index] = fit.top.toReal() + fit.height;
            have = walk.next(p);
        }
        if (!ok)
            break;
        const QFixed top = inner(cell, Top);
        m_cellHeights[index] = (m_flow.y() + inner(cell, Bottom) + top).round();
        m_cellTops[index] = top;
        m_cellBottoms[index] = inner(cell, Bottom);
        m_contentHeights[index] = m_flow.y();
        m_minimum[index] = least + inner(cell, Left) + inner(cell, Right);
        ++index;
    }
    m_flow.endFlow(outer);
    while (rowsStarted <= m_rows)
        m_rowParagraphs[size_t(rowsStarted++)] = int(paragraphs.size());
    if (ok)
        rowHeights();
    return ok;
}

// A row is as high as its highest cell of that row alone. A cell merged down grows only the
// last row it covers, by what the rows above that leave of its height.
void TableMeasure::rowHeights()
{
    std::vector<QFixed> toDistribute(static_cast<size_t>(m_columns));
    const std::vector<Grid::CellSpan> &cells = m_grid.cells();
    size_t i = 0;
    for (int r = 0; r < m_rows; ++r) {
        QFixed &height = m_heights[size_t(r)];
        for (; i < cells.size() && cells[i].row == r; ++i) {
            if (cells[i].rowSpan > 1)
                toDistribute[size_t(cells[i].column)] = m_cellHeights[i];
            else
                height = qMax(height, m_cellHeights[i]);
        }
        if (!m_grid.mergedDown())
            continue;
        for (int c = 0; c < m_columns; ++c) {
            if (m_grid.start(r, c) != c || m_grid.startRow(r, c) == r
                || (r + 1 < m_rows && m_grid.same(r, c, r + 1, c)))
                continue;
            height = qMax(height, toDistribute[size_t(c)]).round();
        }
        for (QFixed &left : toDistribute)
            left = qMax(left - height, QFixed(0));
    }
}

bool TableMeasure::columnsHold() const
{
    // Each cell's least width is shared out over the columns it spans, as the layout does.
    std::vector<QFixed> least(static_cast<size_t>(m_columns), QFixed(1));
    for (int c = 0; c < m_columns; ++c) {
        size_t index = 0;
        for (const Grid::CellSpan &cell : m_grid.cells()) {
            const size_t i = index++;
            if (cell.column != c)
                continue;
            QFixed share = m_minimum[i];
            for (int n = 0; n < cell.span; ++n) {
                const size_t col = size_t(c + n);
                least[col] = qMax(least[col], share / (cell.span - n)).ceil();
                share -= least[col];
                if (share <= 0)
                    break;
            }
        }
    }
    for (size_t c = 0; c < size_t(m_columns); ++c)
        if (least[c] > m_fixed[c])
            return false;
    return true;
}

void TableMeasure::stack()
{
    // Rows one under the other; the table ends below the last one, with its bottom edge.
    m_rowTops[0] = m_topMargin + m_padding + m_edge[Top];
    for (size_t r = 1; r < size_t(m_rows); ++r)
        m_rowTops[r] = m_rowTops[r - 1] + m_heights[r - 1];
    m_height = m_rowTops.back() + m_heights.back() + m_padding + m_bottomMargin + m_edge[Bottom]
        + m_padding;
    place();
}

// A row's head is the highest of its cells' content. The layout's rectangle of the table is
// moved by the place of its first cell's content: it is looked up by the table's first
// position, which lies in that cell.
//
// A cell aligned to the middle or the bottom has its content moved down within its row by
// half or all of the room its content leaves, once the row's height is known: the row keeps
// its height, but its head may move down.
void TableMeasure::place()
{
    std::fill(m_heads.begin(), m_heads.end(), qInf());
    size_t i = 0;
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        const size_t end = size_t(cell.row + cell.rowSpan - 1);
        const QFixed room = m_rowTops[end] + m_heights[end] - m_rowTops[size_t(cell.row)]
            - (m_contentHeights[i] + m_cellTops[i] + m_cellBottoms[i]);
        switch (m_grid.format(cell.row, cell.column).verticalAlignment()) {
        case QTextCharFormat::AlignMiddle:
            m_offsets[i] = room / 2;
            break;
        case QTextCharFormat::AlignBottom:
            m_offsets[i] = room;
            break;
        default:
            m_offsets[i] = 0;
            break;
        }
        const qreal top =
            (m_tableY + m_rowTops[size_t(cell.row)] + m_cellTops[i] + m_offsets[i]).toReal();
        m_heads[size_t(cell.row)] = qMin(m_heads[size_t(cell.row)], top);
        ++i;
    }
    m_tableTop = (m_tableY + m_rowTops[0] + m_cellTops[0] + m_offsets[0]).toReal();
    m_tableBottom = m_tableTop + m_height.toReal();
}

// With heading rows, the layout keeps each cell's content below the page's top margin, which
// it counts from the table's top edge and, below the heading rows, their height and half the
// border under them: where that would move content down, the table is left to the copy.
bool TableMeasure::headingsKeepContent() const
{
    const int headers = m_format.headerRowCount();
    if (headers <= 0)
        return true;
    const QFixed headerHeight = m_rowTops[size_t(headers) - 1] + m_heights[size_t(headers) - 1]
        - m_rowTops[0];
    size_t i = 0;
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        const Grid::CellSpan under{headers - 1, m_grid.start(headers - 1, cell.column), 1, 1, 0, 0};
        const QFixed margin = m_topMargin + m_padding + (cell.row >= headers ? headerHeight : 0)
            + paddingOf(m_grid.format(cell.row, cell.column), Top)
            + QFixed::fromReal(scaled(m_grid.axisBorder(under, Bottom)) / 2);
        if (margin > m_tableY + m_rowTops[size_t(cell.row)] + m_cellTops[i++])
            return false;
    }
    return true;
}

// Rows of a set height that came out lower are grown, all from the first stacking, as the
// copy's rows are grown after laying it out: the first of the cells whose content reaches
// lowest gets the missing height as bottom padding.
void TableMeasure::growSetHeights()
{
    bool grown = false;
    size_t index = 0;
    const std::vector<Grid::CellSpan> &cells = m_grid.cells();
    for (int r = 0; r < m_rows; ++r) {
        const size_t first = index;
        while (index < cells.size() && cells[index].row == r)
            ++index;
        const int twips = rowHeightTwips(m_grid.format(r, 0));
        if (twips == 0)
            continue;
        const qreal top = m_heads[size_t(r)] - m_insets[size_t(r)];
        const qreal end = r + 1 < m_rows ? m_heads[size_t(r) + 1] - m_insets[size_t(r) + 1]
                                         : m_tableBottom - lastRowEndAbove(m_table, m_dpiY);
        const qreal needed = std::abs(twips) * qreal(m_dpiY) / 1440.0;
        if (end - top >= needed)
            continue;
        size_t tallest = first;
        qreal lowest = -1;
        for (size_t i = first; i < index; ++i) {
            const qreal bottom =
                (m_tableY + m_rowTops[size_t(r)] + m_cellTops[i] + m_offsets[i]).toReal()
                + m_contentBottoms[i];
            if (bottom > lowest) {
                lowest = bottom;
                tallest = i;
            }
        }
        const Grid::CellSpan &cell = cells[tallest];
        const QTextTableCellFormat &f = m_grid.format(cell.row, cell.column);
        const qreal before = f.hasProperty(QTextFormat::TableCellBottomPadding)
            ? f.bottomPadding() : m_format.cellPadding();
        const qreal extra = (needed - (end - top)) / m_scale;
        const QFixed bottom = QFixed::fromReal((before + extra) * m_deviceScale)
            + QFixed::fromReal(m_grid.axisBorder(cell, Bottom) / 2 * m_deviceScale);
        m_cellBottoms[tallest] = bottom;
        m_heights[size_t(r)] = qMax(m_heights[size_t(r)],
                                    (m_contentHeights[tallest] + bottom + m_cellTops[tallest]).round());
        grown = true;
    }
    if (grown)
        stack();
}

// The rows as PageUnitWalker finds them in the copy's layout: a row starts at its head less
// the room above it (the first one at the table's rectangle) and reaches to the next one's.
void TableMeasure::appendUnits(int base, std::vector<MeasuredParagraph> &paragraphs,
                               std::vector<MeasuredLine> &lines) const
{
    // Each row's first position and the row after the last one its cells reach down to.
    std::vector<int> rowStarts(static_cast<size_t>(m_rows), -1);
    std::vector<int> reach(static_cast<size_t>(m_rows));
    for (int r = 0; r < m_rows; ++r)
        reach[size_t(r)] = r + 1;
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        if (rowStarts[size_t(cell.row)] < 0)
            rowStarts[size_t(cell.row)] = cell.first;
        reach[size_t(cell.row)] = qMax(reach[size_t(cell.row)], cell.row + cell.rowSpan);
    }
    // Rows that cells of the rows before them reach into, and rows all of whose cells come
    // from above, go with the row before them: a unit never cuts a cell.
    for (int r = 0; r < m_rows;) {
        const int first = r;
        int spanEnd = reach[size_t(r)];
        for (++r; r < m_rows && (r < spanEnd || rowStarts[size_t(r)] < 0); ++r)
            spanEnd = qMax(spanEnd, reach[size_t(r)]);
        const qreal inset = m_insets[size_t(first)];
        const bool last = r == m_rows;
        MeasuredLine unit;
        unit.row = true;
        unit.start = rowStarts[size_t(first)] - base;
        unit.end = (last ? m_table.lastPosition() + 1 : rowStarts[size_t(r)]) - base;
        unit.top = first == 0 ? m_tableTop : qMax<qreal>(0, m_heads[size_t(first)] - inset);
        const qreal bottom = last ? m_tableBottom : m_heads[size_t(r)] - inset;
        unit.extent = qMax<qreal>(0, bottom - unit.top);
        unit.below = last ? 0 : inset;
        unit.border = last ? 0 : qMin(unit.below, lineAbove(m_grid, m_format, r) * m_scale);
        unit.paragraph = m_rowParagraphs[size_t(r)] - 1;
        unit.firstRow = first;
        const int unitIndex = int(lines.size());
        lines.push_back(unit);
        for (int i = m_rowParagraphs[size_t(first)]; i < m_rowParagraphs[size_t(r)]; ++i) {
            paragraphs[size_t(i)].firstLine = unitIndex;
            paragraphs[size_t(i)].lineCount = 1;
        }
    }
}

} // namespace

bool measureTable(FlowMeasurer &flow, const QTextTable &table, ParagraphWalk &walk,
                  WalkParagraph &p, bool &have, int base,
                  std::vector<MeasuredParagraph> &paragraphs, std::vector<MeasuredLine> &lines)
{
    if (!tableSuitsMeasuring(table))
        return false;
    const Grid grid(table);
    TableMeasure measure(flow, table, grid);
    if (!measure.layCells(walk, p, have, base, paragraphs) || !measure.columnsHold())
        return false;
    measure.stack();
    if (!measure.headingsKeepContent())
        return false;
    measure.growSetHeights();
    measure.appendUnits(base, paragraphs, lines);
    flow.setY(measure.bottom());
    flow.breakFlow();
    return true;
}

} // namespace richedit
