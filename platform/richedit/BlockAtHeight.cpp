#include "BlockAtHeight.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace richedit {

namespace {

qreal topOf(const QAbstractTextDocumentLayout &layout, const QTextBlock &block)
{
    return layout.blockBoundingRect(block).top();
}

// The outermost frame holding `block` (a table, or a frame of another kind), if any.
QTextFrame *outermostFrame(const QTextDocument &doc, const QTextBlock &block)
{
    QTextFrame *outermost = nullptr;
    for (QTextFrame *frame = QTextCursor(block).currentFrame(); frame && frame != doc.rootFrame();
         frame = frame->parentFrame())
        outermost = frame;
    return outermost;
}

// The first paragraph of the row of `table` at height y: found by halving over the rows'
// first cells, then taken up to the first row of any cell that reaches down into it. None in
// the first row: the paragraph before the table reaches into it.
QTextBlock rowStartAt(const QTextDocument &doc, const QTextTable &table, qreal y)
{
    const QAbstractTextDocumentLayout &layout = *doc.documentLayout();
    int low = 0;
    int high = table.rows() - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        const QTextBlock first = doc.findBlock(table.cellAt(middle, 0).firstPosition());
        if (topOf(layout, first) <= y)
            low = middle;
        else
            high = middle - 1;
    }
    for (int row = low;;) {
        int top = row;
        for (int column = 0; column < table.columns(); ++column)
            top = qMin(top, table.cellAt(row, column).row());
        if (top == row)
            break;
        row = low = top;
    }
    if (low == 0)
        return {};
    return doc.findBlock(table.cellAt(low, 0).firstPosition());
}

// The paragraph to start from for height y, given one found by paragraph boxes: in a table,
// the first paragraph of the row at y; in its first row or in another frame, the paragraph
// before it.
QTextBlock outsideRows(const QTextDocument &doc, const QTextBlock &block, qreal y)
{
    QTextFrame *outermost = outermostFrame(doc, block);
    if (!outermost)
        return block;
    if (const auto *table = qobject_cast<const QTextTable *>(outermost);
        table && table->rows() > 0 && table->columns() > 0) {
        if (const QTextBlock rowStart = rowStartAt(doc, *table, y); rowStart.isValid())
            return rowStart;
    }
    const QTextBlock before = doc.findBlock(outermost->firstPosition() - 1);
    return before.isValid() && before != block ? outsideRows(doc, before, y) : block;
}

} // namespace

QTextBlock blockAtHeight(const QTextDocument &doc, qreal y, QTextBlock near, int maxSteps)
{
    const QAbstractTextDocumentLayout *layout = doc.documentLayout();
    QTextBlock b = near.isValid() && near.document() == &doc ? near : doc.firstBlock();
    int steps = 0;
    while (b.previous().isValid() && topOf(*layout, b) > y && steps++ < maxSteps)
        b = b.previous();
    while (b.next().isValid() && topOf(*layout, b.next()) <= y && steps++ < maxSteps)
        b = b.next();
    if (steps > maxSteps) {
        const int position = layout->hitTest(QPointF(0, y), Qt::FuzzyHit);
        b = doc.findBlock(qMax(0, position));
        // Left of a table Qt's hit test finds the paragraph before it: the row is looked for
        // in the table when the table reaches down to y.
        const QTextBlock after = b.next();
        if (QTextFrame *table = after.isValid() ? outermostFrame(doc, after) : nullptr;
            table && table->firstPosition() > b.position()
            && layout->frameBoundingRect(table).bottom() > y)
            b = after;
    }
    // The paragraph after a table reaches up into its last row: the row is looked for in the
    // table while the table reaches down to y.
    const QTextBlock before = b.previous();
    if (QTextFrame *table = before.isValid() ? outermostFrame(doc, before) : nullptr;
        table && !outermostFrame(doc, b) && layout->frameBoundingRect(table).bottom() > y)
        b = before;
    return outsideRows(doc, b, y);
}

bool laterParagraphsBelow(const QTextDocument &doc, const QTextBlock &block)
{
    QTextFrame *outermost = outermostFrame(doc, block);
    if (!outermost)
        return true;
    const auto *table = qobject_cast<const QTextTable *>(outermost);
    if (!table)
        return false;
    const QTextTableCell cell = table->cellAt(block.position());
    return cell.isValid() && cell.column() == 0 && cell.firstPosition() == block.position();
}

} // namespace richedit
