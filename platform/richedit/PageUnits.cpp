#include "PageUnits.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

namespace richedit {

qreal lineExtent(const QTextBlockFormat &f, const QTextLayout *l, int i)
{
    const QTextLine line = l->lineAt(i);
    if (i + 1 < l->lineCount())
        return l->lineAt(i + 1).y() - line.y();
    qreal h = line.height();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight: h = h * f.lineHeight() / 100.0; break;
    case QTextBlockFormat::FixedHeight: h = f.lineHeight(); break;
    case QTextBlockFormat::MinimumHeight: h = qMax(h, f.lineHeight()); break;
    default: break;
    }
    return h;
}

namespace {

// The same for a block, whose format is looked up for its last line only.
qreal blockLineExtent(const QTextBlock &b, const QTextLayout *l, int i)
{
    if (i + 1 < l->lineCount())
        return l->lineAt(i + 1).y() - l->lineAt(i).y();
    return lineExtent(b.blockFormat(), l, i);
}

// Whether the cell at (row, column) begins there rather than reaching there from a cell above
// or to the left. Cells are compared with their neighbours on the grid: asking a cell for its
// row and column searches the table's cells each time, which for long tables cost more than
// the rest of the walk.
bool beginsAt(const QTextTable &table, const QTextTableCell &cell, int row, int column)
{
    return (row == 0 || table.cellAt(row - 1, column) != cell)
        && (column == 0 || table.cellAt(row, column - 1) != cell);
}

// The row after the last one the cell at (row, column) covers.
int cellEnd(const QTextTable &table, const QTextTableCell &cell, int row, int column)
{
    int end = row + 1;
    while (end < table.rows() && table.cellAt(end, column) == cell)
        ++end;
    return end;
}

// What places a cell's content below the top of its row in the layout: its vertical
// alignment, its top padding and the border on its top edge, which with collapsed borders is
// the wider of its own and the bottom border of the cell above. Cells of one row that agree
// on all of these have their content start at the same height, so that of one of them gives
// the others'. Asking the layout for a cell's place costs it many look-ups of neighbouring
// cells (their rows, columns and formats), which for long tables made up most of the walk.
struct CellTop {
    bool known = false; // false: the cell needs the layout's own answer
    QVariant padding;
    bool styled = false;
    QVariant width;
    bool aboveStyled = false;
    QVariant aboveWidth;

    bool operator==(const CellTop &o) const
    {
        return known && o.known && padding == o.padding && styled == o.styled
            && width == o.width && aboveStyled == o.aboveStyled && aboveWidth == o.aboveWidth;
    }
};

CellTop cellTop(const QTextTable &table, const QTextTableCell &cell, int row, int column)
{
    CellTop top;
    const QTextCharFormat f = cell.format();
    // A cell not aligned to the top is moved down by what its row has to spare.
    if (f.verticalAlignment() == QTextCharFormat::AlignMiddle
        || f.verticalAlignment() == QTextCharFormat::AlignBottom)
        return top;
    top.padding = f.property(QTextFormat::TableCellTopPadding);
    top.styled = f.hasProperty(QTextFormat::TableCellTopBorderStyle);
    top.width = f.property(QTextFormat::TableCellTopBorder);
    if (row > 0) {
        const QTextTableCell above = table.cellAt(row - 1, column);
        // An upper cell reaching in from the left brings a third cell's border into play.
        if (column > 0 && table.cellAt(row - 1, column - 1) == above)
            return top;
        const QTextCharFormat a = above.format();
        top.aboveStyled = a.hasProperty(QTextFormat::TableCellBottomBorderStyle);
        top.aboveWidth = a.property(QTextFormat::TableCellBottomBorder);
    }
    top.known = true;
    return top;
}

// The top of a block's bounding rectangle without the place of its cell: the layout puts it
// at the cell's place plus this.
qreal ownTop(const QTextBlock &block)
{
    return block.layout()->position().y();
}

// The width of the line the layout draws between row - 1 and row: with collapsed borders the
// wider of the upper cell's bottom border and the lower cell's top border, in the widest
// column. Cells merged down across the line draw none there.
qreal lineAbove(const QTextTable &table, int row)
{
    auto width = [](const QTextTableCellFormat &f, QTextFormat::Property style,
                     QTextFormat::Property width) {
        return f.hasProperty(style)
                && f.intProperty(style) == QTextFrameFormat::BorderStyle_None
            ? 0.0 : f.doubleProperty(width);
    };
    qreal widest = table.format().border();
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell above = table.cellAt(row - 1, c);
        const QTextTableCell below = table.cellAt(row, c);
        if (above == below)
            continue;
        widest = qMax(widest, width(above.format().toTableCellFormat(),
                                    QTextFormat::TableCellBottomBorderStyle,
                                    QTextFormat::TableCellBottomBorder));
        widest = qMax(widest, width(below.format().toTableCellFormat(),
                                    QTextFormat::TableCellTopBorderStyle,
                                    QTextFormat::TableCellTopBorder));
    }
    return widest;
}

} // namespace

QTextTable *outermostTableAt(QTextDocument &doc, int position)
{
    QTextTable *outer = nullptr;
    for (QTextFrame *f = doc.frameAt(position); f && f != doc.rootFrame(); f = f->parentFrame())
        if (auto *t = qobject_cast<QTextTable *>(f))
            outer = t;
    return outer;
}

QPointF blockOffset(const QTextBlock &b)
{
    const QTextLayout *l = b.layout();
    const QRectF r = b.document()->documentLayout()->blockBoundingRect(b);
    return l ? r.topLeft() - l->position() : QPointF();
}

RowHead rowHead(QTextDocument &doc, const QTextTable &table, int row)
{
    RowHead head;
    // The place of the last cell the layout was asked about, for the cells like it. A grid
    // drawn for the table gives the outermost cell edges the table's border: there each cell
    // is asked about.
    const QTextTableFormat f = table.format();
    const bool alike = !(f.borderCollapse() && f.border() >= 1) && !doc.pageSize().isNull();
    CellTop measured;
    qreal measuredPlace = 0;
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (!beginsAt(table, cell, row, c))
            continue;
        const QTextBlock first = doc.findBlock(cell.firstPosition());
        const CellTop key = alike && first.layout() && first.isVisible()
            ? cellTop(table, cell, row, c) : CellTop();
        qreal y = 0;
        if (key == measured) {
            y = measuredPlace + ownTop(first);
        } else {
            y = doc.documentLayout()->blockBoundingRect(first).top();
            if (key.known) {
                measured = key;
                measuredPlace = y - ownTop(first);
            }
        }
        head.top = head.top < 0 ? y : qMin(head.top, y);
        if (head.start < 0)
            head.start = cell.firstPosition();
    }
    return head;
}

QList<CellLine> cellLines(QTextDocument &doc, QTextTable *table, int firstRow, int endRow)
{
    QList<CellLine> lines;
    for (int r = firstRow; r < endRow; ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!beginsAt(*table, cell, r, c))
                continue;
            for (QTextBlock b = doc.findBlock(cell.firstPosition());
                 b.isValid() && b.position() <= cell.lastPosition(); b = b.next()) {
                const QTextLayout *l = b.layout();
                if (!l)
                    continue;
                const QPointF at = blockOffset(b) + l->position();
                for (int i = 0; i < l->lineCount(); ++i) {
                    const QTextLine line = l->lineAt(i);
                    const qreal top = at.y() + line.y();
                    lines.append({b, i, top, top + blockLineExtent(b, l, i),
                                  b.position() + line.textStart()});
                }
            }
        }
    }
    return lines;
}

bool cutRow(const QList<CellLine> &lines, qreal from, qreal limit, int rowStart, bool force,
            RowCut &cut)
{
    cut = RowCut();
    // The highest top of a line that does not fit: a cut at or above it leaves none behind.
    qreal fits = qInf();
    for (const CellLine &line : lines)
        if (line.top >= from && line.bottom > limit)
            fits = qMin(fits, line.top);
    if (qIsInf(fits))
        return true; // every line that is left fits

    // The next page starts at the cut's position and goes on from the top of the line there,
    // so a cut is at a line that is the first, in the document's order, of those at or below
    // it: one whose top is lower than those of all lines before it. Its position then grows
    // with the cut, and pages start at growing positions.
    auto cutAt = [&](auto &&take) {
        qreal highest = -qInf();
        for (const CellLine &line : lines) {
            if (line.top > highest && line.top > from && line.start != rowStart
                && take(line.top)) {
                cut.y = line.top;
                cut.start = line.start;
            }
            highest = qMax(highest, line.top);
        }
        return cut.start >= 0;
    };
    if (cutAt([&](qreal top) { return top <= fits && (cut.start < 0 || top > cut.y); }))
        return true;
    if (!force)
        return false;
    // Nothing fits on an empty page: it takes the lines that start on it, drawn as far as it
    // reaches, so that a line taller than a page still ends the pagination.
    if (cutAt([&](qreal top) { return top <= limit && (cut.start < 0 || top > cut.y); }))
        return true;
    cutAt([&](qreal top) { return cut.start < 0 || top < cut.y; });
    return true;
}

PageUnitWalker::PageUnitWalker(QTextDocument &doc, int from) : m_doc(doc)
{
    m_block = doc.findBlock(from);
    m_hasTables = !doc.rootFrame()->childFrames().isEmpty();
    if (enterTable(m_block)) {
        m_row = groupStart(m_table->cellAt(qMax(from, m_table->firstPosition())).row());
        // A position inside a row other than its first is where a row cut on the page before
        // goes on: at the top of the line starting there.
        if (const QTextLayout *l = m_block.layout();
            l && from != rowHead(m_doc, *m_table, m_row).start && l->lineCount() > 0) {
            QTextLine line = l->lineForTextPosition(from - m_block.position());
            for (int i = 0; i < l->lineCount(); ++i)
                if (l->lineAt(i).textStart() == from - m_block.position())
                    line = l->lineAt(i);
            if (!line.isValid())
                line = l->lineAt(0);
            m_cutTop = blockOffset(m_block).y() + l->position().y() + line.y();
            m_cutStart = from;
        }
        return;
    }
    if (const QTextLayout *l = m_block.layout(); l && l->lineCount() > 0) {
        const QTextLine line = l->lineForTextPosition(from - m_block.position());
        m_line = line.isValid() ? line.lineNumber() : 0;
    }
}

bool PageUnitWalker::next(PageUnit &unit)
{
    while (m_block.isValid()) {
        if (m_table) {
            if (m_row < m_table->rows()) {
                rowUnit(unit);
                return true;
            }
            m_block = m_doc.findBlock(m_table->lastPosition() + 1);
            m_table = nullptr;
            m_line = 0;
            if (enterTable(m_block))
                continue;
        }
        const QTextLayout *l = m_block.layout();
        const int lines = l ? l->lineCount() : 0;
        if (l && m_line < qMax(lines, 1)) {
            unit = PageUnit();
            unit.start = m_block.position() + (lines ? l->lineAt(m_line).textStart() : 0);
            unit.top = l->position().y() + (lines ? l->lineAt(m_line).y() : 0);
            unit.extent = lines ? blockLineExtent(m_block, l, m_line) : 0;
            unit.last = m_block;
            ++m_line;
            return true;
        }
        m_block = m_block.next();
        m_line = 0;
        enterTable(m_block);
    }
    return false;
}

// The outermost table the block lies in becomes the current one, from its first row.
bool PageUnitWalker::enterTable(const QTextBlock &block)
{
    if (!m_hasTables || !block.isValid())
        return false;
    QTextTable *outer = outermostTableAt(m_doc, block.position());
    if (!outer || block.position() < outer->firstPosition())
        return false;
    m_table = outer;
    m_row = 0;
    return true;
}

// The row after the last one that the cells the row begins reach down to.
int PageUnitWalker::spannedTo(int row) const
{
    int end = row + 1;
    for (int c = 0; c < m_table->columns(); ++c) {
        const QTextTableCell cell = m_table->cellAt(row, c);
        if (beginsAt(*m_table, cell, row, c))
            end = qMax(end, cellEnd(*m_table, cell, row, c));
    }
    return end;
}

// The first row of the unit that holds the row: rows reached by cells from above go with
// the rows those cells begin in.
int PageUnitWalker::groupStart(int row) const
{
    for (bool moved = true; moved && row > 0;) {
        moved = false;
        for (int c = 0; c < m_table->columns(); ++c) {
            const QTextTableCell cell = m_table->cellAt(row, c);
            while (row > 0 && m_table->cellAt(row - 1, c) == cell) {
                --row;
                moved = true;
            }
        }
    }
    return row;
}

void PageUnitWalker::rowUnit(PageUnit &unit)
{
    const QTextTableFormat f = m_table->format();
    const qreal scale = m_doc.documentLayout()->paintDevice()
        ? m_doc.documentLayout()->paintDevice()->logicalDpiY() / 96.0 : 1.0;
    qreal inset = f.cellPadding() + f.border();
    for (int c = 0; c < m_table->columns(); ++c)
        inset = qMax(inset, f.cellPadding()
                                + m_table->cellAt(m_row, c).format().doubleProperty(
                                    QTextFormat::TableCellTopBorder));
    inset *= scale;
    const qreal tableBottom = m_doc.documentLayout()->frameBoundingRect(m_table).bottom();
    const int first = m_row;
    // The next row's head, found for this row's bottom, is kept for the next unit.
    const RowHead head = m_nextTable == m_table && m_nextRow == m_row
        ? m_nextHead : rowHead(m_doc, *m_table, m_row);
    // Rows that cells of the rows before them reach into (merged down), and rows all of whose
    // cells come from above, go with the row before them: a unit never cuts a cell.
    RowHead nextHead;
    int spanEnd = spannedTo(m_row);
    for (++m_row; m_row < m_table->rows(); ++m_row) {
        nextHead = rowHead(m_doc, *m_table, m_row);
        if (m_row >= spanEnd && nextHead.top >= 0)
            break;
        spanEnd = qMax(spanEnd, spannedTo(m_row));
    }
    qreal bottom = tableBottom;
    if (m_row < m_table->rows())
        bottom = nextHead.top - inset;
    m_nextTable = m_table;
    m_nextRow = m_row;
    m_nextHead = nextHead;
    qreal top = first == 0 ? m_doc.documentLayout()->frameBoundingRect(m_table).top()
                           : qMax<qreal>(0, head.top - inset);
    unit = PageUnit();
    unit.start = head.start;
    unit.rowStart = head.start;
    if (m_cutTop >= 0) { // the rest of a row cut on the page before
        top = m_cutTop;
        unit.start = m_cutStart;
        unit.continued = true;
        m_cutTop = -1;
    }
    unit.row = true;
    unit.top = top;
    unit.extent = qMax<qreal>(0, bottom - top);
    unit.below = m_row < m_table->rows() ? inset : 0;
    if (m_row < m_table->rows())
        unit.border = qMin(unit.below, lineAbove(*m_table, m_row) * scale);
    unit.table = m_table;
    unit.firstRow = first;
    unit.endRow = m_row;
    unit.last = m_doc.findBlock(m_row < m_table->rows() ? nextHead.start - 1
                                                        : m_table->lastPosition());
}

} // namespace richedit
