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
    const int rows = grid.rows();
    const int columns = grid.columns();
    const QTextTableFormat tf = table.format();
    const int dpiY = flow.dpiY();
    // The layout scales lengths by the vertical resolution, across as well as down.
    auto scaled = [dpiY](qreal v) { return v * dpiY / qreal(qt_defaultDpi()); };
    const qreal deviceScale = scaled(1);
    auto rounded = [&](qreal v) { return QFixed::fromReal(scaled(v)).round(); };
    const QFixed topMargin = rounded(tf.topMargin());
    const QFixed bottomMargin = rounded(tf.bottomMargin());
    const QFixed leftMargin = rounded(tf.leftMargin());
    const QFixed padding = rounded(tf.padding());
    const QFixed cellPadding = QFixed::fromReal(scaled(tf.cellPadding()));

    // The table's outer edges take half the widest outermost border of their cells.
    qreal outer[4] = {0, 0, 0, 0};
    for (const Grid::CellSpan &cell : grid.cells()) {
        const QTextTableCellFormat &f = grid.format(cell.row, cell.column);
        if (cell.row == 0)
            outer[Top] = qMax(outer[Top], ownBorder(f, Top));
        if (cell.row == rows - 1)
            outer[Bottom] = qMax(outer[Bottom], ownBorder(f, Bottom));
        if (cell.column == 0)
            outer[Left] = qMax(outer[Left], ownBorder(f, Left));
        if (cell.column + cell.span == columns)
            outer[Right] = qMax(outer[Right], ownBorder(f, Right));
    }
    QFixed edge[4];
    for (int side = Top; side <= Right; ++side)
        edge[side] = QFixed::fromReal(scaled(outer[side] / 2)).round();

    // Column widths: the fixed ones, rounded so that the rounding errors do not add up.
    const QList<QTextLength> constraints = tf.columnWidthConstraints();
    std::vector<QFixed> fixed(static_cast<size_t>(columns));
    std::vector<QFixed> widths(static_cast<size_t>(columns));
    std::vector<QFixed> positions(static_cast<size_t>(columns));
    QFixed error;
    for (int c = 0; c < columns; ++c) {
        fixed[size_t(c)] = QFixed::fromReal(constraints.at(c).rawValue()) * QFixed(dpiY)
            / QFixed(qt_defaultDpi());
        widths[size_t(c)] = (fixed[size_t(c)] - error).round();
        error = widths[size_t(c)] - fixed[size_t(c)];
    }
    const QFixed tableLeft = leftMargin + padding + edge[Left];
    positions[0] = tableLeft;
    for (int c = 1; c < columns; ++c)
        positions[size_t(c)] = positions[size_t(c) - 1] + widths[size_t(c) - 1];
    // A table wider than the page has its columns' least widths found again with words
    // broken anywhere, which leaves fixed columns as they are and its rows as they were.

    auto paddingOf = [&](const QTextTableCellFormat &f, Side side) {
        const QVariant v = f.property(kPaddings[side]);
        return v.isNull() ? cellPadding : QFixed::fromReal(v.toReal() * deviceScale);
    };
    auto inner = [&](const Grid::CellSpan &cell, Side side) {
        return paddingOf(grid.format(cell.row, cell.column), side)
            + QFixed::fromReal(grid.axisBorder(cell, side) / 2 * deviceScale);
    };

    // Each cell's paragraphs at the cell's width; a row is as high as its highest cell.
    const QFixed tableY = flow.y();
    std::vector<QFixed> heights(static_cast<size_t>(rows));
    std::vector<QFixed> cellTops(grid.cells().size()); // top padding and border
    std::vector<QFixed> minimum(grid.cells().size());
    std::vector<QFixed> contentHeights(grid.cells().size()); // without padding and borders
    std::vector<qreal> contentBottoms(grid.cells().size());  // of the last paragraph
    std::vector<int> rowParagraphs(size_t(rows) + 1);
    const FlowMeasurer::Flow outerFlow = flow.startFlow(0);
    size_t index = 0;
    for (const Grid::CellSpan &cell : grid.cells()) {
        if (cell.column == 0)
            rowParagraphs[size_t(cell.row)] = int(paragraphs.size());
        const QFixed top = inner(cell, Top);
        const QFixed width = positions[size_t(cell.column + cell.span - 1)]
            + widths[size_t(cell.column + cell.span - 1)] - positions[size_t(cell.column)]
            - inner(cell, Left) - inner(cell, Right);
        flow.endFlow(outerFlow);
        flow.startFlow(width);
        if (!have || p.position != cell.first) {
            flow.endFlow(outerFlow);
            return false;
        }
        QFixed least;
        while (have && p.position <= cell.last) {
            ParagraphFit fit;
            fit.wantsMinimum = true;
            if (!flow.paragraph(p, p.position - base, paragraphs, nullptr, &fit) || fit.overflow) {
                flow.endFlow(outerFlow);
                return false;
            }
            least = qMax(least, fit.minimumWidth);
            contentBottoms[index] = fit.top.toReal() + fit.height;
            have = walk.next(p);
        }
        const QFixed height = (flow.y() + inner(cell, Bottom) + top).round();
        heights[size_t(cell.row)] = qMax(heights[size_t(cell.row)], height);
        cellTops[index] = top;
        contentHeights[index] = flow.y();
        minimum[index] = least + inner(cell, Left) + inner(cell, Right);
        ++index;
    }
    flow.endFlow(outerFlow);
    rowParagraphs[size_t(rows)] = int(paragraphs.size());

    // Content wider than its columns widens them: such tables are left to the copy.
    std::vector<QFixed> least(static_cast<size_t>(columns), QFixed(1));
    for (int c = 0; c < columns; ++c) {
        index = 0;
        for (const Grid::CellSpan &cell : grid.cells()) {
            const size_t i = index++;
            if (cell.column != c)
                continue;
            QFixed share = minimum[i];
            for (int n = 0; n < cell.span; ++n) {
                const size_t col = size_t(c + n);
                least[col] = qMax(least[col], share / (cell.span - n)).ceil();
                share -= least[col];
                if (share <= 0)
                    break;
            }
        }
    }
    for (int c = 0; c < columns; ++c)
        if (least[size_t(c)] > fixed[size_t(c)])
            return false;

    // Rows one under the other; the table ends below the last one, with its bottom edge.
    std::vector<QFixed> rowTops(static_cast<size_t>(rows));
    QFixed height;
    auto stack = [&] {
        rowTops[0] = topMargin + padding + edge[Top];
        for (int r = 1; r < rows; ++r)
            rowTops[size_t(r)] = rowTops[size_t(r) - 1] + heights[size_t(r) - 1];
        height = rowTops.back() + heights.back() + padding + bottomMargin + edge[Bottom] + padding;
    };
    stack();

    // The rows as page units, as PageUnitWalker finds them in the copy's layout: a row starts
    // at the highest of its cells' content, less the room above it; the first one at the
    // table's rectangle, which the layout moves by the place of its first cell's content (it
    // is looked up by the table's first position, which lies in that cell).
    const qreal scale = dpiY / 96.0;
    std::vector<qreal> insets(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        qreal inset = tf.cellPadding() + tf.border();
        for (int c = 0; c < columns; ++c)
            inset = qMax(inset, tf.cellPadding()
                                    + grid.format(r, c).doubleProperty(QTextFormat::TableCellTopBorder));
        insets[size_t(r)] = inset * scale;
    }
    std::vector<qreal> heads(static_cast<size_t>(rows));
    qreal tableTop = 0;
    qreal tableBottom = 0;
    auto place = [&] {
        std::fill(heads.begin(), heads.end(), qInf());
        size_t i = 0;
        for (const Grid::CellSpan &cell : grid.cells()) {
            const qreal top = (tableY + rowTops[size_t(cell.row)] + cellTops[i++]).toReal();
            heads[size_t(cell.row)] = qMin(heads[size_t(cell.row)], top);
        }
        tableTop = (tableY + rowTops[0] + cellTops[0]).toReal();
        tableBottom = tableTop + height.toReal();
    };
    place();

    // With heading rows, the layout keeps each cell's content below the page's top margin,
    // which it counts from the table's top edge and, below the heading rows, their height and
    // half the border under them: where that would move content down, the table is left to
    // the copy.
    const int headers = tf.headerRowCount();
    if (headers > 0) {
        const QFixed headerHeight = rowTops[size_t(headers) - 1] + heights[size_t(headers) - 1]
            - rowTops[0];
        size_t i = 0;
        for (const Grid::CellSpan &cell : grid.cells()) {
            const Grid::CellSpan under{headers - 1, grid.start(headers - 1, cell.column), 1, 0, 0};
            const QFixed margin = topMargin + padding + (cell.row >= headers ? headerHeight : 0)
                + paddingOf(grid.format(cell.row, cell.column), Top)
                + QFixed::fromReal(scaled(grid.axisBorder(under, Bottom)) / 2);
            if (margin > tableY + rowTops[size_t(cell.row)] + cellTops[i++])
                return false;
        }
    }

    // Rows of a set height that came out lower are grown, all from this layout, as the
    // copy's rows are grown after laying it out: the first of the cells whose content reaches
    // lowest gets the missing height as bottom padding.
    bool grown = false;
    index = 0;
    for (int r = 0; r < rows; ++r) {
        const size_t first = index;
        while (index < grid.cells().size() && grid.cells()[index].row == r)
            ++index;
        const int twips = rowHeightTwips(grid.format(r, 0));
        if (twips == 0)
            continue;
        const qreal top = heads[size_t(r)] - insets[size_t(r)];
        const qreal end =
            r + 1 < rows ? heads[size_t(r) + 1] - insets[size_t(r) + 1] : tableBottom;
        const qreal needed = std::abs(twips) * qreal(dpiY) / 1440.0;
        if (end - top >= needed)
            continue;
        size_t tallest = first;
        qreal lowest = -1;
        for (size_t i = first; i < index; ++i) {
            const qreal bottom =
                (tableY + rowTops[size_t(r)] + cellTops[i]).toReal() + contentBottoms[i];
            if (bottom > lowest) {
                lowest = bottom;
                tallest = i;
            }
        }
        const Grid::CellSpan &cell = grid.cells()[tallest];
        const QTextTableCellFormat &f = grid.format(cell.row, cell.column);
        const qreal before = f.hasProperty(QTextFormat::TableCellBottomPadding)
            ? f.bottomPadding() : tf.cellPadding();
        const qreal extra = (needed - (end - top)) / scale;
        const QFixed bottom = QFixed::fromReal((before + extra) * deviceScale)
            + QFixed::fromReal(grid.axisBorder(cell, Bottom) / 2 * deviceScale);
        heights[size_t(r)] = qMax(heights[size_t(r)],
                                  (contentHeights[tallest] + bottom + cellTops[tallest]).round());
        grown = true;
    }
    if (grown) {
        stack();
        place();
    }

    std::vector<int> rowStarts(static_cast<size_t>(rows));
    for (const Grid::CellSpan &cell : grid.cells())
        if (cell.column == 0)
            rowStarts[size_t(cell.row)] = cell.first;
    for (int r = 0; r < rows; ++r) {
        const qreal inset = insets[size_t(r)];
        const bool last = r + 1 == rows;
        MeasuredLine unit;
        unit.row = true;
        unit.start = rowStarts[size_t(r)] - base;
        unit.end = (last ? table.lastPosition() + 1 : rowStarts[size_t(r) + 1]) - base;
        unit.top = r == 0 ? tableTop : qMax<qreal>(0, heads[size_t(r)] - inset);
        const qreal bottom = last ? tableBottom : heads[size_t(r) + 1] - inset;
        unit.extent = qMax<qreal>(0, bottom - unit.top);
        unit.below = last ? 0 : inset;
        unit.border = last ? 0 : qMin(unit.below, lineAbove(grid, tf, r + 1) * scale);
        unit.paragraph = rowParagraphs[size_t(r) + 1] - 1;
        unit.firstRow = r;
        const int unitIndex = int(lines.size());
        lines.push_back(unit);
        for (int i = rowParagraphs[size_t(r)]; i < rowParagraphs[size_t(r) + 1]; ++i) {
            paragraphs[size_t(i)].firstLine = unitIndex;
            paragraphs[size_t(i)].lineCount = 1;
        }
    }
    flow.setY(tableY + height);
    flow.breakFlow();
    return true;
}

} // namespace richedit
