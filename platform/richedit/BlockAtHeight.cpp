#include "BlockAtHeight.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

namespace richedit {

namespace {

qreal topOf(const QAbstractTextDocumentLayout &layout, const QTextBlock &block)
{
    return layout.blockBoundingRect(block).top();
}

// The paragraph before the outermost table holding `block`, or `block` when it is in none.
QTextBlock outsideTables(const QTextDocument &doc, const QTextBlock &block)
{
    QTextFrame *frame = QTextCursor(block).currentFrame();
    QTextFrame *outermost = nullptr;
    for (; frame && frame != doc.rootFrame(); frame = frame->parentFrame())
        outermost = frame;
    if (!outermost)
        return block;
    const QTextBlock before = doc.findBlock(outermost->firstPosition() - 1);
    return before.isValid() && before != block ? outsideTables(doc, before) : block;
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
    }
    return outsideTables(doc, b);
}

} // namespace richedit
