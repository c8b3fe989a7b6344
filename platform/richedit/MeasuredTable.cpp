#include "MeasuredTable.h"

#include "MeasuredFlow.h"
#include "ParagraphWalk.h"
#include "RichEditTypes.h"

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
// row, column or format searches the document each time.
class Grid {
public:
    explicit Grid(const QTextTable &table) : m_rows(table.rows()), m_columns(table.columns())
    {
        m_start.resize(size_t(m_rows * m_columns));
        m_formats.resize(m_start.size());
        for (int r = 0; r < m_rows; ++r) {
            QTextTableCell previous;
            for (int c = 0; c < m_columns; ++c) {
                const QTextTableCell cell = table.cellAt(r, c);
                const size_t i = index(r, c);
                if (c > 0 && cell == previous) {
                    m_start[i] = m_start[i - 1];
                    continue;
                }
                m_start[i] = c;
                m_formats[i] = cell.format().toTableCellFormat();
                m_cells.push_back({r, c, 1, cell.firstPosition(), cell.lastPosition()});
                if (r > 0 && table.cellAt(r - 1, c) == cell)
                    m_mergedDown = true;
                previous = cell;
            }
        }
        for (CellSpan &cell : m_cells) {
            while (cell.column + cell.span < m_columns
                   && start(cell.row, cell.column + cell.span) == cell.column)
                ++cell.span;
        }
    }

    struct CellSpan {
        int row;
        int column;
        int span;
        int first;
        int last;
    };

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    bool mergedDown() const { return m_mergedDown; }
    // The first column of the cell at (row, column).
    int start(int row, int column) const { return m_start[index(row, column)]; }
    const QTextTableCellFormat &format(int row, int column) const
    {
        return m_formats[index(row, start(row, column))];
    }
    // The cells in document order: row by row, left to right.
    const std::vector<CellSpan> &cells() const { return m_cells; }

    // The width of the border between the cell and its neighbour on that side: with collapsed
    // borders the wider of the two sides that meet there, and for a neighbour above or below
    // that starts further left also the border of the cell beside this one under (over) it.
    qreal axisBorder(const CellSpan &cell, Side side) const
    {
        const int r = cell.row;
        const int c = cell.column;
        qreal width = ownBorder(format(r, c), side);
        switch (side) {
        case Top:
        case Bottom: {
            const int other = side == Top ? r - 1 : r + 1;
            if (other < 0 || other >= m_rows)
                break;
            const int a = start(other, c);
            width = qMax(width, ownBorder(format(other, a), side == Top ? Bottom : Top));
            if (a != c)
                width = qMax(width, ownBorder(format(r, a), side));
            break;
        }
        case Left:
            if (c > 0)
                width = qMax(width, ownBorder(format(r, c - 1), Right));
            break;
        case Right:
            if (c + cell.span < m_columns)
                width = qMax(width, ownBorder(format(r, c + cell.span), Left));
            break;
        }
        return width;
    }

private:
    size_t index(int row, int column) const { return size_t(row * m_columns + column); }

    int m_rows;
    int m_columns;
    bool m_mergedDown = false;
    std::vector<int> m_start;
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
    return constraints.size() == table.columns()
        && std::all_of(constraints.cbegin(), constraints.cend(), [](const QTextLength &l) {
               return l.type() == QTextLength::FixedLength;
           });
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
    std::vector<QFixed> m_minimum;        // least width
    std::vector<QFixed> m_contentHeights; // without padding and borders
    std::vector<qreal> m_contentBottoms;  // of the last paragraph, in the cell
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
    m_minimum.resize(cells);
    m_contentHeights.resize(cells);
    m_contentBottoms.resize(cells);
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
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        if (cell.column == 0)
            m_rowParagraphs[size_t(cell.row)] = int(paragraphs.size());
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
        const QFixed height = (m_flow.y() + inner(cell, Bottom) + top).round();
        m_heights[size_t(cell.row)] = qMax(m_heights[size_t(cell.row)], height);
        m_cellTops[index] = top;
        m_contentHeights[index] = m_flow.y();
        m_minimum[index] = least + inner(cell, Left) + inner(cell, Right);
        ++index;
    }
    m_flow.endFlow(outer);
    m_rowParagraphs[size_t(m_rows)] = int(paragraphs.size());
    return ok;
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
void TableMeasure::place()
{
    std::fill(m_heads.begin(), m_heads.end(), qInf());
    size_t i = 0;
    for (const Grid::CellSpan &cell : m_grid.cells()) {
        const qreal top = (m_tableY + m_rowTops[size_t(cell.row)] + m_cellTops[i++]).toReal();
        m_heads[size_t(cell.row)] = qMin(m_heads[size_t(cell.row)], top);
    }
    m_tableTop = (m_tableY + m_rowTops[0] + m_cellTops[0]).toReal();
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
        const Grid::CellSpan under{headers - 1, m_grid.start(headers - 1, cell.column), 1, 0, 0};
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
                                         : m_tableBottom;
        const qreal needed = std::abs(twips) * qreal(m_dpiY) / 1440.0;
        if (end - top >= needed)
            continue;
        size_t tallest = first;
        qreal lowest = -1;
        for (size_t i = first; i < index; ++i) {
            const qreal bottom = (m_tableY + m_rowTops[size_t(r)] + m_cellTops[i]).toReal()
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
    std::vector<int> rowStarts(static_cast<size_t>(m_rows));
    for (const Grid::CellSpan &cell : m_grid.cells())
        if (cell.column == 0)
            rowStarts[size_t(cell.row)] = cell.first;
    for (int r = 0; r < m_rows; ++r) {
        const qreal inset = m_insets[size_t(r)];
        const bool last = r + 1 == m_rows;
        MeasuredLine unit;
        unit.row = true;
        unit.start = rowStarts[size_t(r)] - base;
        unit.end = (last ? m_table.lastPosition() + 1 : rowStarts[size_t(r) + 1]) - base;
        unit.top = r == 0 ? m_tableTop : qMax<qreal>(0, m_heads[size_t(r)] - inset);
        const qreal bottom = last ? m_tableBottom : m_heads[size_t(r) + 1] - inset;
        unit.extent = qMax<qreal>(0, bottom - unit.top);
        unit.below = last ? 0 : inset;
        unit.border = last ? 0 : qMin(unit.below, lineAbove(m_grid, m_format, r + 1) * m_scale);
        unit.paragraph = m_rowParagraphs[size_t(r) + 1] - 1;
        unit.firstRow = r;
        const int unitIndex = int(lines.size());
        lines.push_back(unit);
        for (int i = m_rowParagraphs[size_t(r)]; i < m_rowParagraphs[size_t(r) + 1]; ++i) {
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
    if (grid.mergedDown())
        return false;
    for (const Grid::CellSpan &cell : grid.cells()) {
        const QTextTableCellFormat &f = grid.format(cell.row, cell.column);
        if (f.verticalAlignment() == QTextCharFormat::AlignMiddle
            || f.verticalAlignment() == QTextCharFormat::AlignBottom)
            return false;
    }
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
