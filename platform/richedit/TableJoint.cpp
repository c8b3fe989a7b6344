#include "TableJoint.h"

#include "RichEditTypes.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

namespace richedit {

namespace {
// The engine's marks of a frame's start and end in the document's text.
constexpr QChar kFrameStart(0xFDD0);
constexpr QChar kFrameEnd(0xFDD1);
} // namespace

bool isTableJoint(const QTextBlock &block)
{
    if (!block.isValid() || block.length() != 1
        || !block.blockFormat().boolProperty(prop::TableJoint))
        return false;
    // The characters around it: the end of one frame and, as its own mark, the start of the
    // next; both frames are tables of the document's top level.
    const QTextDocument *document = block.document();
    const int at = block.position();
    if (at == 0 || document->characterAt(at - 1) != kFrameEnd
        || document->characterAt(at) != kFrameStart)
        return false;
    const auto *before = qobject_cast<QTextTable *>(document->frameAt(at - 1));
    const auto *after = qobject_cast<QTextTable *>(document->frameAt(at + 1));
    return before && after && before->lastPosition() == at - 1 && after->firstPosition() == at + 1
           && before->parentFrame() == document->rootFrame()
           && after->parentFrame() == document->rootFrame();
}

bool continuesTable(const QTextTable &table)
{
    return tableBeforeJoint(table) != nullptr;
}

QTextTable *tableAfterJoint(const QTextTable &table)
{
    const QTextBlock joint = table.document()->findBlock(table.lastPosition() + 1);
    return isTableJoint(joint) ? qobject_cast<QTextTable *>(
                                     table.document()->frameAt(joint.position() + 1))
                               : nullptr;
}

QTextTable *tableBeforeJoint(const QTextTable &table)
{
    if (table.firstPosition() < 2)
        return nullptr;
    const QTextBlock joint = table.document()->findBlock(table.firstPosition() - 1);
    return isTableJoint(joint) ? qobject_cast<QTextTable *>(
                                     table.document()->frameAt(joint.position() - 1))
                               : nullptr;
}

} // namespace richedit
