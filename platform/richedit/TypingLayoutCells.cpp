// The typing shortcut for a paragraph in a table cell: an edit that leaves the paragraph as high
// as it was is laid out in the paragraph alone, and the table is placed as it is.
#include "TypingLayout.h"

#include "LineReflow.h"

#include <QPaintDevice>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <climits>
#include <QtGui/private/qguiapplication_p.h>

namespace richedit {

bool TypingLayout::layOutCellParagraph(int from, int length)
{
    QTextDocument *doc = document();
    if (layoutStatus() != 100 || doc->pageSize().height() > 0 || doc->pageSize().width() <= 0)
        return false;
    if (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        return false;
    // A table straight in the main flow, not floating and not inside another table, whose
    // columns do not follow their cells' contents.
    auto *table = qobject_cast<QTextTable *>(doc->frameAt(from));
    if (!table || table->parentFrame() != doc->rootFrame()
        || table->frameFormat().position() != QTextFrameFormat::InFlow)
        return false;
    // Columns without a constraint of their own are variable.
    const QList<QTextLength> columns = table->format().columnWidthConstraints();
    if (columns.size() < table->columns())
        return false;
    for (const QTextLength &column : columns) {
        if (column.type() == QTextLength::VariableLength)
            return false;
    }
    const QTextTableCell cell = table->cellAt(from);
    if (!cell.isValid() || cell.rowSpan() != 1 || cell.columnSpan() != 1)
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || doc->findBlock(from + length) != block || !block.isVisible()
        || from < cell.firstPosition() || from + length > cell.lastPosition())
        return false;
    QTextLayout *layout = block.layout();
    const int lineCount = layout->lineCount();
    if (lineCount == 0 || block.textDirection() != Qt::LeftToRight
        || block.text().contains(QChar::ObjectReplacementCharacter))
        return false;
    const QTextBlockFormat format = block.blockFormat();
    if (format.pageBreakPolicy() != QTextFormat::PageBreak_Auto
        || !sameOption(paragraphOption(*doc, format, Qt::LeftToRight), layout->textOption()))
        return false;

    const QPaintDevice *device = paintDevice();
    const qreal dpiScale = device ? qreal(device->logicalDpiY()) / qreal(qt_defaultDpi()) : 1;
    const qreal scaling = device && device->logicalDpiY() != qt_defaultDpi() ? dpiScale : 1;
    const Margins margins = marginsOf(*doc, format, dpiScale);

    // The cell's edges, from the first line Qt laid out at the cell's width before the edit;
    // every other line must agree with them.
    const QFixed xLeft = QFixed::fromReal(layout->position().x());
    const QTextLine first = layout->lineAt(0);
    const QFixed xRight = xLeft + QFixed::fromReal(first.x()) + QFixed::fromReal(first.width())
                          + margins.right;
    const std::optional<QFixed> end = checkedEnd(*layout, format, margins, xLeft, xRight, scaling);
    if (!end)
        return false;
    // The next paragraph of the cell sits where the old lines say.
    const QTextBlock next = block.next();
    if (next.isValid() && next.position() <= cell.lastPosition()) {
        if (!next.isVisible() || next.layout()->lineCount() == 0)
            return false;
        qreal gap = qMax(next.blockFormat().topMargin(), format.bottomMargin());
        if (gap > 0 && device)
            gap *= dpiScale;
        if (*end + QFixed::fromReal(gap) != QFixed::fromReal(next.layout()->position().y()))
            return false;
    }

    // A paragraph's longest word widens its column when the column is narrower: the column keeps
    // its width only while the paragraph's words fit in it, before the edit and after.
    const QFixed room = xRight - xLeft - margins.left - margins.right - qMax(QFixed(), margins.indent);
    if (QFixed::fromReal(layout->minimumWidth()) >= room)
        return false;
    if (!relayLines(*layout, format, margins, xLeft, xRight, scaling, lineCount, *end)
        || QFixed::fromReal(layout->minimumWidth()) >= room)
        return false; // Qt's layout lays the table out again

    // The paragraph kept its height, so its cell, its row and everything after the table stay
    // where they are. Qt's position marks past the table are behind it by the edit's length:
    // Qt's layout brings them up to date from the table's start, placing the table as it is
    // without laying it out again.
    const QRectF rect = QTextDocumentLayout::blockBoundingRect(block);
    settleAndPlaceFrom(table->firstPosition() - 1);
    emit update(QRectF(0, rect.top(), qreal(INT_MAX), rect.height()));
    return true;
}

void TypingLayout::settleAndPlaceFrom(int position)
{
    const int pending = m_pendingFrom;
    m_pendingFrom = -1;
    m_pendingShift = 0;
    m_settle.stop();
    // A change of one character at the document's start (where Qt overlooks one of none) that
    // ends before the table, so that Qt's layout does not count the table as changed.
    if (pending >= 0 && pending < position)
        layOutAfter(pending);
    else if (position <= 0)
        QTextDocumentLayout::documentChanged(0, 1, 0);
    else
        QTextDocumentLayout::documentChanged(position, 0, 0);
}

} // namespace richedit
