#include "PageUnits.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

namespace richedit {

namespace {

// Vertical extent of line i of a block, the same for measuring and drawing: up to the next
// line, or for the last line its height as the paragraph's spacing rule makes it.
qreal lineExtent(const QTextBlock &b, const QTextLayout *l, int i)
{
    const QTextLine line = l->lineAt(i);
    if (i + 1 < l->lineCount())
        return l->lineAt(i + 1).y() - line.y();
    const QTextBlockFormat f = b.blockFormat();
    qreal h = line.height();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight: h = h * f.lineHeight() / 100.0; break;
    case QTextBlockFormat::FixedHeight: h = f.lineHeight(); break;
    case QTextBlockFormat::MinimumHeight: h = qMax(h, f.lineHeight()); break;
    default: break;
    }
    return h;
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

PageUnitWalker::PageUnitWalker(QTextDocument &doc, int from) : m_doc(doc)
{
    m_block = doc.findBlock(from);
    m_hasTables = !doc.rootFrame()->childFrames().isEmpty();
    if (enterTable(m_block)) {
        m_row = m_table->cellAt(qMax(from, m_table->firstPosition())).row();
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
            unit.start = m_block.position() + (lines ? l->lineAt(m_line).textStart() : 0);
            unit.top = l->position().y() + (lines ? l->lineAt(m_line).y() : 0);
            unit.extent = lines ? lineExtent(m_block, l, m_line) : 0;
            unit.last = m_block;
            unit.row = false;
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

// Where a row's content starts; -1 for a row all of whose cells come from the row above.
qreal PageUnitWalker::contentTop(int row) const
{
    qreal top = -1;
    for (int c = 0; c < m_table->columns(); ++c) {
        const QTextTableCell cell = m_table->cellAt(row, c);
        if (cell.row() != row || cell.column() != c)
            continue;
        const QTextBlock first = m_doc.findBlock(cell.firstPosition());
        const qreal y = m_doc.documentLayout()->blockBoundingRect(first).top();
        top = top < 0 ? y : qMin(top, y);
    }
    return top;
}

void PageUnitWalker::rowUnit(PageUnit &unit)
{
    const QTextTableFormat f = m_table->format();
    const qreal scale = m_doc.documentLayout()->paintDevice()
        ? m_doc.documentLayout()->paintDevice()->logicalDpiY() / 96.0 : 1.0;
    qreal inset = f.cellPadding() + f.border();
    for (int c = 0; c < m_table->columns(); ++c)
        inset = qMax(inset, f.cellPadding()
                                + m_table->cellAt(m_row, c).format().toTableCellFormat().topBorder());
    inset *= scale;
    const qreal tableBottom = m_doc.documentLayout()->frameBoundingRect(m_table).bottom();
    const int first = m_row;
    // The next row's top, found as this row's bottom, is kept for the next unit.
    qreal top = m_nextTable == m_table && m_nextRow == m_row ? m_nextTop : contentTop(m_row);
    qreal nextTop = -1;
    do { // rows whose cells all come from above go with the row before them
        ++m_row;
    } while (m_row < m_table->rows() && (nextTop = contentTop(m_row)) < 0);
    qreal bottom = tableBottom;
    if (m_row < m_table->rows())
        bottom = nextTop - inset;
    m_nextTable = m_table;
    m_nextRow = m_row;
    m_nextTop = nextTop;
    top = first == 0 ? m_doc.documentLayout()->frameBoundingRect(m_table).top()
                     : qMax<qreal>(0, top - inset);
    unit.start = m_table->cellAt(first, 0).firstPosition();
    unit.row = true;
    unit.top = top;
    unit.extent = qMax<qreal>(0, bottom - top);
    unit.last = m_doc.findBlock(m_row < m_table->rows()
                                    ? m_table->cellAt(m_row, 0).firstPosition() - 1
                                    : m_table->lastPosition());
}

} // namespace richedit
