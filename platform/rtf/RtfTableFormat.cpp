// The one mapping between RTF row definitions and the engine's table formats, used by the
// reader's document sink in one direction and the writer in the other.
#include "RtfTable.h"

#include "richedit/FormatMapping.h"
#include "richedit/RichEditTypes.h"
#include "richedit/TableJoint.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>
#include <climits>

namespace rtf {

namespace prop = richedit::prop;

namespace {

constexpr int kDefaultTextWidth = 9360; // twips: 6.5 inches, a page's text width

int pixelsToTwips(qreal pixels)
{
    return qRound(pixels * 15.0);
}

QTextFrameFormat::BorderStyle qtStyle(int style)
{
    switch (style) {
    case TableBorder::Single:
    case TableBorder::Thick: return QTextFrameFormat::BorderStyle_Solid;
    case TableBorder::Double: return QTextFrameFormat::BorderStyle_Double;
    case TableBorder::Dotted: return QTextFrameFormat::BorderStyle_Dotted;
    case TableBorder::Dashed: return QTextFrameFormat::BorderStyle_Dashed;
    default: return QTextFrameFormat::BorderStyle_None;
    }
}

int rtfStyle(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_None: return TableBorder::None;
    case QTextFrameFormat::BorderStyle_Double: return TableBorder::Double;
    case QTextFrameFormat::BorderStyle_Dotted: return TableBorder::Dotted;
    case QTextFrameFormat::BorderStyle_Dashed: return TableBorder::Dashed;
    default: return TableBorder::Single;
    }
}

// The cell's format: its own borders, where it has none the row's (given as the border of
// each side the row's borders put at this cell), shading and alignment. The cell's own
// borders are kept apart, so that they are written back as they were read.
QTextTableCellFormat cellFormat(QTextTableCellFormat f, const TableCell &cell,
                                const std::array<TableBorder, 4> &fromRow)
{
    QList<int> styles;
    QList<int> widths;
    for (int side = TableCell::Top; side <= TableCell::Right; ++side) {
        const TableBorder &own = cell.borders[std::size_t(side)];
        styles << own.style;
        widths << own.width;
        const TableBorder &b = own.style != TableBorder::None ? own : fromRow[std::size_t(side)];
        // A border of no given width is a hairline, as other word processors draw it.
        const qreal width = b.style == TableBorder::None
                                ? 0.0
                                : std::max(1.0, richedit::twipsToPixels(b.width));
        const QBrush brush(b.color.isValid() ? b.color : QColor(Qt::black));
        const QTextFrameFormat::BorderStyle style = qtStyle(b.style);
        switch (side) {
        case TableCell::Top:
            f.setTopBorder(width), f.setTopBorderStyle(style), f.setTopBorderBrush(brush);
            break;
        case TableCell::Left:
            f.setLeftBorder(width), f.setLeftBorderStyle(style), f.setLeftBorderBrush(brush);
            break;
        case TableCell::Bottom:
            f.setBottomBorder(width), f.setBottomBorderStyle(style), f.setBottomBorderBrush(brush);
            break;
        default:
            f.setRightBorder(width), f.setRightBorderStyle(style), f.setRightBorderBrush(brush);
            break;
        }
    }
    f.setProperty(prop::CellBorderStyles, QVariant::fromValue(styles));
    f.setProperty(prop::CellBorderWidths, QVariant::fromValue(widths));
    if (cell.shading.isValid())
        f.setBackground(cell.shading);
    else
        f.clearBackground();
    f.setVerticalAlignment(cell.verticalAlign == 1   ? QTextCharFormat::AlignMiddle
                           : cell.verticalAlign == 2 ? QTextCharFormat::AlignBottom
                                                     : QTextCharFormat::AlignTop);
    const bool padded = std::any_of(cell.padding.begin(), cell.padding.end(), [](int v) { return v; })
        || std::any_of(cell.paddingUnit.begin(), cell.paddingUnit.end(), [](int v) { return v; });
    if (padded) {
        QList<int> padding(cell.padding.begin(), cell.padding.end());
        padding.append(QList<int>(cell.paddingUnit.begin(), cell.paddingUnit.end()));
        f.setProperty(prop::CellPadding, QVariant::fromValue(padding));
    } else {
        f.clearProperty(prop::CellPadding);
    }
    if (cell.width != 0 || cell.widthType != 0)
        f.setProperty(prop::CellPreferredWidth,
                      QVariant::fromValue(QList<int>{cell.width, cell.widthType}));
    else
        f.clearProperty(prop::CellPreferredWidth);
    return f;
}

// The padding of each side of the cell that its row (\trpadd*) or itself (\clpad*) gives in
// twips, the cell's own first; sides neither gives keep the table's. Word and LibreOffice
// write a cell's left padding as \clpadt and its top padding as \clpadl.
void setCellPadding(QTextTableCellFormat &f, const TableRow &row, const TableCell &cell)
{
    static constexpr std::size_t cellWord[] = {TableCell::Left, TableCell::Top,
                                               TableCell::Bottom, TableCell::Right};
    for (std::size_t side = 0; side < 4; ++side) {
        int twips = row.paddingUnit[side] == 3 ? row.padding[side] : -1;
        if (cell.paddingUnit[cellWord[side]] == 3)
            twips = cell.padding[cellWord[side]];
        if (twips < 0)
            continue;
        const qreal pixels = richedit::twipsToPixels(twips);
        switch (side) {
        case TableCell::Top: f.setTopPadding(pixels); break;
        case TableCell::Left: f.setLeftPadding(pixels); break;
        case TableCell::Bottom: f.setBottomPadding(pixels); break;
        default: f.setRightPadding(pixels); break;
        }
    }
}

// The row's own marks and padding as kept in prop::RowExtras (empty when it has none): a
// heading row that does not lead its table, a row not to be split, \trpadd*.
QList<int> rowExtrasOf(const TableRow &row, bool leadingHeader)
{
    const int flags = (row.header && !leadingHeader ? 1 : 0) | (row.keep ? 2 : 0);
    QList<int> list{flags};
    list.append(QList<int>(row.padding.begin(), row.padding.end()));
    list.append(QList<int>(row.paddingUnit.begin(), row.paddingUnit.end()));
    return std::any_of(list.begin(), list.end(), [](int v) { return v != 0; }) ? list
                                                                                : QList<int>();
}

QList<int> rowBordersList(const std::array<TableBorder, 6> &borders)
{
    QList<int> list;
    for (const TableBorder &b : borders)
        list << b.style << b.width << (b.color.isValid() ? int(b.color.rgb() & 0xFFFFFF) : -1);
    return list;
}

std::array<TableBorder, 6> rowBordersOf(const QList<int> &list)
{
    std::array<TableBorder, 6> borders;
    if (list.size() != 18)
        return borders;
    for (std::size_t i = 0; i < borders.size(); ++i) {
        borders[i].style = std::clamp(list.at(qsizetype(3 * i)), 0, int(TableBorder::Thick));
        borders[i].width = list.at(qsizetype(3 * i + 1));
        const int rgb = list.at(qsizetype(3 * i + 2));
        if (rgb >= 0)
            borders[i].color = QColor::fromRgb(QRgb(rgb));
    }
    return borders;
}

// The borders the row's own borders put on the sides of a cell spanning columns
// [first, last] of a table of the given columns. Above a row that is not the table's first,
// the row's inner horizontal border (\trbrdrh), when it has one, is the line between it and
// the row before.
std::array<TableBorder, 4> rowBordersAt(const TableRow &row, int first, int last, int columns,
                                        bool firstRow)
{
    std::array<TableBorder, 4> at;
    const bool inner = !firstRow && row.borders[TableRow::Horizontal].style != TableBorder::None;
    at[TableCell::Top] = row.borders[inner ? TableRow::Horizontal : TableRow::Top];
    at[TableCell::Bottom] = row.borders[TableRow::Bottom];
    at[TableCell::Left] = row.borders[first == 0 ? TableRow::Left : TableRow::Vertical];
    at[TableCell::Right] = row.borders[last >= columns - 1 ? TableRow::Right : TableRow::Vertical];
    return at;
}

// Whether the cell at (row, column) begins there rather than reaching there from a cell above
// or to the left. Comparing the cell with its neighbours on the grid is cheap; asking a cell
// for its row or column searches the table's cells.
bool beginsAt(const QTextTable &table, const QTextTableCell &cell, int row, int column)
{
    return (row == 0 || table.cellAt(row - 1, column) != cell)
        && (column == 0 || table.cellAt(row, column - 1) != cell);
}

} // namespace

void drawInnerBorderBelow(QTextTable &table, int row)
{
    std::array<TableBorder, 6> borders;
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if ((row == 0 || table.cellAt(row - 1, c) != cell)
            && cell.format().hasProperty(prop::RowBorders)) {
            borders = rowBordersOf(cell.format().property(prop::RowBorders).value<QList<int>>());
            break;
        }
    }
    const TableBorder &inner = borders[TableRow::Horizontal];
    if (inner.style == TableBorder::None)
        return;
    for (int c = 0; c < table.columns(); ++c) {
        QTextTableCell cell = table.cellAt(row, c);
        if (cell.row() != row || cell.column() != c || cell.rowSpan() != 1 || isFillerCell(cell))
            continue;
        QTextTableCellFormat f = cell.format().toTableCellFormat();
        const QList<int> own = f.property(prop::CellBorderStyles).value<QList<int>>();
        if (own.value(TableCell::Bottom) != TableBorder::None)
            continue;
        f.setBottomBorder(inner.width > 0 ? std::max(1.0, richedit::twipsToPixels(inner.width))
                                          : 1.0);
        f.setBottomBorderStyle(qtStyle(inner.style));
        f.setBottomBorderBrush(QBrush(inner.color.isValid() ? inner.color : QColor(Qt::black)));
        cell.setFormat(f);
    }
}

namespace {

Qt::Alignment qtAlignment(int align)
{
    return align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
}

int rtfAlignment(Qt::Alignment alignment)
{
    return alignment & Qt::AlignHCenter ? 1 : alignment & Qt::AlignRight ? 2 : 0;
}

// What the row's definition places unlike its table (left, alignment, gap) or its height, as
// kept in prop::RowLook; empty when the row is placed as the table is and of no set height.
QList<int> rowLookOf(const QTextTable &table, const TableRow &definition)
{
    const QTextTableFormat tf = table.format();
    if (definition.left == intOr(tf, prop::TableLeft) && definition.gap == intOr(tf, prop::TableGap)
        && definition.align == rtfAlignment(tf.alignment()) && definition.height == 0)
        return {};
    return {definition.left, definition.align, definition.gap, definition.height};
}

// The row's first own cell: the first that starts in the row (a cell reaching down from the
// row above belongs to that row).
QTextTableCell firstOwnCell(const QTextTable &table, int row)
{
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (cell.row() == row && cell.column() == c)
            return cell;
    }
    return {};
}

// Puts a row's own borders, placement and extras on the cell format that carries them; an empty
// list leaves that property as it is.
void putRowProperties(QTextTableCellFormat &f, const QList<int> &borders, const QList<int> &look,
                      const QList<int> &extras)
{
    if (!borders.isEmpty())
        f.setProperty(prop::RowBorders, QVariant::fromValue(borders));
    if (!look.isEmpty())
        f.setProperty(prop::RowLook, QVariant::fromValue(look));
    if (!extras.isEmpty())
        f.setProperty(prop::RowExtras, QVariant::fromValue(extras));
}

// Keeps the row's own borders and placement on its first own cell once the row's merges are
// made, when the cell that had them joined the one above (they were lost with it before).
void keepRowProperties(QTextTable &table, int row, const QList<int> &borders,
                       const QList<int> &look, const QList<int> &extras)
{
    if (borders.isEmpty() && look.isEmpty() && extras.isEmpty())
        return;
    QTextTableCell cell = firstOwnCell(table, row);
    if (!cell.isValid())
        return;
    QTextTableCellFormat f = cell.format().toTableCellFormat();
    putRowProperties(f, borders, look, extras);
    cell.setFormat(f);
}

TableCell cellOf(const QTextTableCellFormat &f)
{
    TableCell cell;
    const QList<int> styles = f.property(prop::CellBorderStyles).value<QList<int>>();
    const QList<int> widths = f.property(prop::CellBorderWidths).value<QList<int>>();
    const QBrush brushes[] = {f.topBorderBrush(), f.leftBorderBrush(), f.bottomBorderBrush(),
                              f.rightBorderBrush()};
    const QTextFrameFormat::BorderStyle qtStyles[] = {f.topBorderStyle(), f.leftBorderStyle(),
                                                      f.bottomBorderStyle(), f.rightBorderStyle()};
    const qreal qtWidths[] = {f.topBorder(), f.leftBorder(), f.bottomBorder(), f.rightBorder()};
    for (int side = 0; side < 4; ++side) {
        TableBorder &b = cell.borders[std::size_t(side)];
        if (styles.size() == 4) {
            b.style = styles.at(side);
            b.width = widths.value(side);
        } else if (qtWidths[side] > 0) {
            b.style = rtfStyle(qtStyles[side]);
            b.width = pixelsToTwips(qtWidths[side]);
        }
        if (b.style != TableBorder::None && brushes[side].style() != Qt::NoBrush
            && brushes[side].color() != QColor(Qt::black))
            b.color = brushes[side].color();
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        cell.shading = f.background().color();
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignMiddle: cell.verticalAlign = 1; break;
    case QTextCharFormat::AlignBottom: cell.verticalAlign = 2; break;
    default: break;
    }
    const QList<int> padding = f.property(prop::CellPadding).value<QList<int>>();
    if (padding.size() == 8) {
        for (std::size_t side = 0; side < 4; ++side) {
            cell.padding[side] = std::clamp(padding.at(qsizetype(side)), 0, 1440);
            cell.paddingUnit[side] = padding.at(qsizetype(side) + 4) == 3 ? 3 : 0;
        }
    }
    const QList<int> width = f.property(prop::CellPreferredWidth).value<QList<int>>();
    if (width.size() == 2) {
        cell.width = std::clamp(width.at(0), -kMaxTableTwips, kMaxTableTwips);
        cell.widthType = std::clamp(width.at(1), 0, 3);
    }
    return cell;
}

// The boundaries made as a row's definition makes them when read (cellRights): rising, right
// of the left edge and none past the farthest, so that they are written as they read back.
// (Columns added for cells past a row's definition could reach beyond it.)
QList<int> withinReach(QList<int> rights, int left)
{
    const auto count = rights.size();
    for (qsizetype c = 0; c < count; ++c) {
        const int floor = (c == 0 ? left : rights.at(c - 1)) + 1;
        const int ceiling = kMaxTableTwips - int(count - 1 - c);
        rights[c] = std::min(std::max(rights.at(c), floor), ceiling);
    }
    return rights;
}

// The right boundaries of the table's columns, in twips.
QList<int> columnRights(const QTextTable &table)
{
    const QTextTableFormat f = table.format();
    QList<int> rights = f.property(prop::TableCellRights).value<QList<int>>();
    const int columns = table.columns();
    if (rights.size() >= columns) {
        rights.resize(columns);
        return withinReach(rights, intOr(f, prop::TableLeft));
    }
    // Columns the definition does not give (a table made in the editor): their constraints,
    // else an equal share of the text width.
    const QList<QTextLength> lengths = f.columnWidthConstraints();
    int x = rights.isEmpty() ? intOr(f, prop::TableLeft) : rights.last();
    for (int c = int(rights.size()); c < columns; ++c) {
        const QTextLength l = lengths.value(c);
        int width = kDefaultTextWidth / columns;
        if (l.type() == QTextLength::FixedLength)
            width = pixelsToTwips(l.rawValue());
        else if (l.type() == QTextLength::PercentageLength)
            width = qRound(kDefaultTextWidth * l.rawValue() / 100.0);
        x += std::max(width, 1);
        rights << x;
    }
    return withinReach(rights, intOr(f, prop::TableLeft));
}

} // namespace

bool placedAsTable(const QTextTable &table, const TableRow &definition)
{
    const QTextTableFormat tf = table.format();
    return definition.left == intOr(tf, prop::TableLeft)
           && definition.align == rtfAlignment(tf.alignment());
}

int intOr(const QTextFormat &format, int id, int fallback)
{
    return format.hasProperty(id) ? format.intProperty(id) : fallback;
}

std::vector<int> cellRights(const TableRow &row)
{
    // Each boundary also leaves room for those after it below the farthest one, so that what
    // is written reads back alike (a boundary pushed past it came back lower).
    const int count = int(row.cells.size());
    std::vector<int> rights;
    rights.reserve(row.cells.size());
    for (int c = 0; c < count; ++c) {
        const int floor = (rights.empty() ? row.left : rights.back()) + 1;
        const int ceiling = kMaxTableTwips - (count - 1 - c);
        rights.push_back(std::min(std::max(row.cells[std::size_t(c)].right, floor), ceiling));
    }
    return rights;
}

void setTableGrid(QTextTable &table, const std::vector<int> &rights)
{
    QTextTableFormat tf = table.format();
    QList<int> list(rights.begin(), rights.end());
    tf.setProperty(prop::TableCellRights, QVariant::fromValue(list));
    QList<QTextLength> lengths;
    int x = intOr(tf, prop::TableLeft);
    for (int right : rights) {
        lengths << QTextLength(QTextLength::FixedLength, richedit::twipsToPixels(right - x));
        x = right;
    }
    tf.setColumnWidthConstraints(lengths);
    table.setFormat(tf);
}

void appendTableColumns(QTextTable &table, int count)
{
    // The engine copies the constraint of the column before the insertion point and reads
    // past the list when it is shorter than the table: make it as long as the table first.
    QTextTableFormat tf = table.format();
    QList<QTextLength> lengths = tf.columnWidthConstraints();
    if (!lengths.isEmpty() && lengths.size() < table.columns()) {
        while (lengths.size() < table.columns())
            lengths << lengths.last();
        tf.setColumnWidthConstraints(lengths);
        table.setFormat(tf);
    }
    table.appendColumns(count);
}

void setTableLook(QTextTable &table, const TableRow &definition)
{
    QTextTableFormat tf = table.format();
    tf.setProperty(prop::TableGap, definition.gap);
    tf.setProperty(prop::TableLeft, definition.left);
    tf.setCellPadding(std::max(0.0, richedit::twipsToPixels(definition.gap)));
    tf.setCellSpacing(0);
    tf.setBorder(0);
    tf.setBorderCollapse(true);
    tf.setLeftMargin(std::max(0.0, richedit::twipsToPixels(definition.left)));
    tf.setAlignment(qtAlignment(definition.align));
    table.setFormat(tf);
}

void applyTableRow(QTextTable &table, int row, const TableRow &definition,
                   const std::vector<int> &starts, bool fitted)
{
    const int cells = std::min<int>(int(starts.size()) - 1, int(definition.cells.size()));
    const int rowEnd = starts.empty() ? table.columns() : starts.back();
    if (row == 0 && !fitted) {
        setTableLook(table, definition);
        QTextTableFormat tf = table.format();
        tf.clearProperty(prop::TableCellRights);
        table.setFormat(tf);
    }
    // Rows not laid on the grid: the first row's boundaries give the columns; a later row
    // with more cells adds its own.
    const QList<int> rights = table.format().property(prop::TableCellRights).value<QList<int>>();
    if (!fitted && rights.size() < cells) {
        // Each boundary lies right of the table's left edge, as reading it back makes it:
        // the row's own edge may lie left of it.
        std::vector<int> grid(rights.begin(), rights.end());
        const std::vector<int> defined = cellRights(definition);
        const int left = intOr(table.format(), prop::TableLeft);
        for (int c = int(grid.size()); c < cells; ++c)
            grid.push_back(std::max(defined[std::size_t(c)],
                                    (grid.empty() ? left : grid.back()) + 1));
        setTableGrid(table, grid);
    }
    const bool rowBorders = std::any_of(definition.borders.begin(), definition.borders.end(),
                                        [](const TableBorder &b) { return b.style != TableBorder::None; });
    const QList<int> look = rowLookOf(table, definition);
    const QList<int> borders = rowBorders ? rowBordersList(definition.borders) : QList<int>();
    // The first row of a table that continues another across a joint is no first row: its
    // top is the line between two rows, and a heading row there heads nothing.
    const bool continued = row == 0 && richedit::continuesTable(table);
    const bool leadingHeader =
        definition.header && table.format().headerRowCount() == row && !continued;
    const QList<int> extras = rowExtrasOf(definition, leadingHeader);
    int keptAt = -1; // the column of the cell that keeps the row's own properties
    // Every cell takes a cell format, those the definition lacks a plain one: the engine keeps
    // a cell's format where its first paragraph's mark is, so a mark set there would stand.
    const TableCell undefined;
    for (int c = 0; c + 1 < int(starts.size()); ++c) {
        const int column = starts[std::size_t(c)];
        QTextTableCell cell = table.cellAt(row, column);
        if (!beginsAt(table, cell, row, column))
            continue;
        QTextTableCellFormat f = cellFormat(
            cell.format().toTableCellFormat(), c < cells ? definition.cells[std::size_t(c)] : undefined,
            rowBordersAt(definition, starts[std::size_t(c)], starts[std::size_t(c) + 1] - 1,
                         rowEnd, row == 0 && !continued));
        // A cell the engine made by copying a neighbour carries the neighbour's marks.
        f.clearProperty(prop::CellFiller);
        f.clearProperty(prop::CellMergedRights);
        f.clearProperty(prop::RowBorders);
        f.clearProperty(prop::RowLook);
        f.clearProperty(prop::RowExtras);
        if (keptAt < 0) {
            keptAt = starts[std::size_t(c)];
            putRowProperties(f, borders, look, extras);
        }
        // (padding copied with a neighbour's format would stand for this row's)
        for (int id : {QTextFormat::TableCellTopPadding, QTextFormat::TableCellLeftPadding,
                       QTextFormat::TableCellBottomPadding, QTextFormat::TableCellRightPadding})
            f.clearProperty(id);
        if (look.size() == 4 && look.at(2) != intOr(table.format(), prop::TableGap)) {
            // The row's own gap shows as its cells' padding.
            const qreal padding = std::max(0.0, richedit::twipsToPixels(look.at(2)));
            f.setLeftPadding(padding);
            f.setRightPadding(padding);
        }
        setCellPadding(f, definition, c < cells ? definition.cells[std::size_t(c)] : undefined);
        cell.setFormat(f);
    }
    // Merges: cells marked merged join the cell before them, or the cell above them.
    for (int c = 0; c < cells; ++c) {
        if (definition.cells[std::size_t(c)].horizontalMerge != TableCell::First)
            continue;
        int last = c;
        while (last + 1 < cells
               && definition.cells[std::size_t(last + 1)].horizontalMerge == TableCell::Merged)
            ++last;
        const int first = starts[std::size_t(c)];
        const int span = starts[std::size_t(last) + 1] - first;
        if (last == c)
            continue;
        if (table.cellAt(row, first).columnSpan() < span)
            mergeTableCells(table, row, first, 1, span);
        // The boundaries of the joined cells are kept, so each is written back.
        const QList<int> grid = columnRights(table);
        QList<int> inner;
        for (int k = c; k < last; ++k)
            inner << grid.value(starts[std::size_t(k) + 1] - 1);
        QTextTableCell joined = table.cellAt(row, first);
        QTextTableCellFormat f = joined.format().toTableCellFormat();
        f.setProperty(prop::CellMergedRights, QVariant::fromValue(inner));
        joined.setFormat(f);
    }
    for (int c = 0; c < cells && row > 0; ++c) {
        if (definition.cells[std::size_t(c)].verticalMerge != TableCell::Merged)
            continue;
        const int column = starts[std::size_t(c)];
        const QTextTableCell above = table.cellAt(row - 1, column);
        if (above.column() != column)
            continue;
        const QTextTableCell own = table.cellAt(row, column);
        if (own.columnSpan() != above.columnSpan() || own.row() != row)
            continue;
        mergeTableCells(table, above.row(), column, row - above.row() + 1, above.columnSpan());
    }
    if (keptAt >= 0 && table.cellAt(row, keptAt).row() != row) // joined with the one above
        keepRowProperties(table, row, borders, look, extras);
    if (leadingHeader) {
        QTextTableFormat tf = table.format();
        tf.setHeaderRowCount(row + 1);
        table.setFormat(tf);
    }
    if (row > 0)
        drawInnerBorderBelow(table, row - 1);
}

void mergeTableCells(QTextTable &table, int row, int column, int rows, int columns)
{
    struct Kept {
        QTextCursor at;
        QTextBlockFormat block;
        QTextCharFormat mark;
        bool withMark;
    };
    const QTextTableCell origin = table.cellAt(row, column);
    std::vector<Kept> kept;
    for (int r = row; r < row + rows; ++r) {
        for (int c = column; c < column + columns; ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell == origin)
                continue;
            const QTextBlock before = table.document()->findBlock(cell.firstPosition()).previous();
            const QTextTableCell owner = table.cellAt(before.position());
            // (a paragraph of a cell that is itself joined goes with it)
            const bool inside = owner.isValid() && !(owner == origin) && owner.row() >= row
                                && owner.row() < row + rows && owner.column() >= column
                                && owner.column() < column + columns;
            // The mark of a cell's first paragraph is where the engine keeps the cell's own
            // format (its spans among them): that one is left alone.
            const bool cellStart = owner.isValid() && owner.firstPosition() == before.position();
            if (before.isValid() && !inside)
                kept.push_back({QTextCursor(before), before.blockFormat(), before.charFormat(),
                                !cellStart});
        }
    }
    table.mergeCells(row, column, rows, columns);
    for (Kept &k : kept) {
        if (k.at.blockFormat() != k.block)
            k.at.setBlockFormat(k.block);
        if (k.withMark && k.at.blockCharFormat() != k.mark)
            k.at.setBlockCharFormat(k.mark);
    }
}

bool isFillerCell(const QTextTableCell &cell)
{
    return cell.format().boolProperty(prop::CellFiller);
}

TableRow tableRowOf(const QTextTable &table, int row, std::vector<int> *columns)
{
    const QTextTableFormat tf = table.format();
    TableRow r;
    r.gap = intOr(tf, prop::TableGap, pixelsToTwips(tf.cellPadding()));
    r.left = intOr(tf, prop::TableLeft, pixelsToTwips(tf.leftMargin()));
    r.align = rtfAlignment(tf.alignment());
    r.header = row < tf.headerRowCount();
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (cell.row() == row && cell.format().hasProperty(prop::RowBorders)) {
            r.borders = rowBordersOf(
                cell.format().property(prop::RowBorders).value<QList<int>>());
            break;
        }
    }
    // (a row whose cells all continue merges from above has no cell of its own)
    const QTextTableCell own = firstOwnCell(table, row);
    const QList<int> look =
        own.isValid() ? own.format().property(prop::RowLook).value<QList<int>>() : QList<int>();
    if (look.size() == 4) {
        r.left = look.at(0);
        r.align = std::clamp(look.at(1), 0, 2);
        r.gap = look.at(2);
        r.height = look.at(3);
    }
    const QList<int> extras =
        own.isValid() ? own.format().property(prop::RowExtras).value<QList<int>>() : QList<int>();
    if (extras.size() == 9) {
        r.header = r.header || (extras.at(0) & 1);
        r.keep = extras.at(0) & 2;
        for (std::size_t side = 0; side < 4; ++side) {
            r.padding[side] = std::clamp(extras.at(qsizetype(side) + 1), 0, 1440);
            r.paddingUnit[side] = extras.at(qsizetype(side) + 5) == 3 ? 3 : 0;
        }
    }
    if (columns)
        columns->clear();
    const QList<int> rights = columnRights(table);
    for (int c = 0; c < table.columns();) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (isFillerCell(cell) && cell.firstPosition() == cell.lastPosition())
            break; // (text typed into a filler makes it a cell of the row)
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        const int last = std::max(c, cell.column() + cell.columnSpan() - 1);
        // The cell's parts: the joined cells' boundaries inside it, then its own right end.
        const int from = c == 0 ? INT_MIN : rights.at(c - 1);
        const int to = rights.at(last);
        QList<int> ends;
        for (int b : f.property(prop::CellMergedRights).value<QList<int>>())
            if (b > from && b < to && !ends.contains(b))
                ends << b;
        std::sort(ends.begin(), ends.end());
        ends << to;
        const TableCell base = cellOf(f);
        for (qsizetype k = 0; k < ends.size(); ++k) {
            TableCell out = base;
            out.right = ends.at(k);
            if (ends.size() > 1)
                out.horizontalMerge = k == 0 ? TableCell::First : TableCell::Merged;
            if (cell.row() != row)
                out.verticalMerge = TableCell::Merged;
            else if (cell.rowSpan() > 1)
                out.verticalMerge = TableCell::First;
            r.cells.push_back(out);
            if (columns)
                columns->push_back(k == 0 && cell.row() == row ? c : -1);
        }
        c = last + 1;
    }
    // A row's own left edge lies left of its first boundary, as reading it back makes it (a
    // definition changed after the row's cells were laid could put it beyond).
    if (!r.cells.empty() && r.left >= r.cells.front().right)
        r.left = r.cells.front().right - 1;
    return r;
}

} // namespace rtf
