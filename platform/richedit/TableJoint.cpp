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
    // The characters around it: the end of one table and, as its own mark, the start of the
    // next. (Only the characters: the document's frames are brought up to date only at the
    // end of an edit, and the reader asks while it builds the tables.)
    const QTextDocument *document = block.document();
    const int at = block.position();
    return at > 0 && document->characterAt(at - 1) == kFrameEnd
           && document->characterAt(at) == kFrameStart;
}

bool continuesTable(const QTextTable &table)
{
    return table.firstPosition() >= 2
           && isTableJoint(table.document()->findBlock(table.firstPosition() - 1));
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
