#include "RowHeights.h"

#include "PageUnits.h"
#include "RichEditTypes.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace richedit {

namespace {

// The bottom padding a cell of a laid-out copy was given for its row's height, in the
// layout's unscaled pixels; only copies carry it, and they are never written.
constexpr int kAddedPadding = QTextFormat::UserProperty + 0x7f00;

// The height a row's first own cell keeps for its row, in twips (negative: exactly), or 0.
int rowHeightTwips(const QTextTable &table, int row)
{
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if ((row > 0 && table.cellAt(row - 1, c) == cell)
            || (c > 0 && table.cellAt(row, c - 1) == cell))
            continue;
        const QList<int> look = cell.format().property(prop::RowLook).value<QList<int>>();
        return look.size() >= 4 ? look.at(3) : 0;
    }
    return 0;
}

bool hasRowHeights(const QTextDocument &doc)
{
    const QList<QTextFormat> formats = doc.allFormats();
    return std::any_of(formats.cbegin(), formats.cend(), [](const QTextFormat &f) {
        const QList<int> look = f.property(prop::RowLook).value<QList<int>>();
        return look.size() >= 4 && look.at(3) != 0;
    });
}

void collectTables(QTextFrame *frame, QList<QTextTable *> &tables)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            tables.append(table);
        collectTables(child, tables);
    }
}

qreal bottomPadding(const QTextTable &table, const QTextTableCellFormat &f)
{
    return f.hasProperty(QTextFormat::TableCellBottomPadding) ? f.bottomPadding()
                                                                : table.format().cellPadding();
}

// Takes away the padding earlier calls added; whether there was any.
bool removeAddedPadding(const QList<QTextTable *> &tables)
{
    bool removed = false;
    for (QTextTable *table : tables)
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextTableCellFormat f = cell.format().toTableCellFormat();
                if (!f.hasProperty(kAddedPadding))
                    continue;
                f.setBottomPadding(bottomPadding(*table, f) - f.doubleProperty(kAddedPadding));
                f.clearProperty(kAddedPadding);
                cell.setFormat(f);
                removed = true;
            }
    return removed;
}

// The lowest content of the cells that begin in the row and end in it, and the cell it
// belongs to: the cell that makes the row as high as it is.
QTextTableCell tallestCell(QTextDocument &doc, const QTextTable &table, int row, qreal &bottom)
{
    QTextTableCell tallest;
    bottom = -1;
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if ((row > 0 && table.cellAt(row - 1, c) == cell)
            || (c > 0 && table.cellAt(row, c - 1) == cell)
            || (row + 1 < table.rows() && table.cellAt(row + 1, c) == cell))
            continue;
        const QTextBlock last = doc.findBlock(cell.lastPosition());
        const qreal b = doc.documentLayout()->blockBoundingRect(last).bottom();
        if (b > bottom) {
            bottom = b;
            tallest = cell;
        }
    }
    return tallest;
}

// Where a row starts above its content, as pagination places it: by the table's cell padding
// and the widest top border of the row's cells.
qreal rowTop(QTextDocument &doc, const QTextTable &table, int row, qreal scale)
{
    const RowHead head = rowHead(doc, table, row);
    if (head.top < 0)
        return -1;
    const QTextTableFormat f = table.format();
    qreal inset = f.cellPadding() + f.border();
    for (int c = 0; c < table.columns(); ++c)
        inset = qMax(inset, f.cellPadding()
                                + table.cellAt(row, c).format().doubleProperty(
                                    QTextFormat::TableCellTopBorder));
    return head.top - inset * scale;
}

} // namespace

bool applyRowHeights(QTextDocument &doc)
{
    if (!hasRowHeights(doc))
        return false;
    doc.setUndoRedoEnabled(false); // a laid-out copy: nothing to undo, nothing to keep
    QList<QTextTable *> tables;
    collectTables(doc.rootFrame(), tables);
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    QTextCursor batch(&doc);
    batch.beginEditBlock();
    const bool removed = removeAddedPadding(tables);
    batch.endEditBlock();
    if (removed)
        layout->blockBoundingRect(doc.lastBlock()); // measured without them again
    const QPaintDevice *device = layout->paintDevice();
    const qreal dpiY = device ? device->logicalDpiY() : 96;
    const qreal scale = dpiY / 96.0;
    // Each row is measured from its top to the next row's (or the table's end):
    // growing a row moves the rows below it but does not change their heights, so all of
    // them are measured first and grown together.
    struct Growth {
        QTextTable *table;
        QTextTableCell cell;
        qreal extra;
    };
    QList<Growth> growths;
    for (QTextTable *table : tables) {
        // The top of the row after one with a height is that row's end: found once.
        qreal nextTop = -1;
        int nextRow = -1;
        for (int r = 0; r < table->rows(); ++r) {
            const int twips = rowHeightTwips(*table, r);
            if (twips == 0)
                continue;
            const qreal top = nextRow == r ? nextTop : rowTop(doc, *table, r, scale);
            nextRow = r + 1;
            nextTop = r + 1 < table->rows() ? rowTop(doc, *table, r + 1, scale) : -1;
            const qreal end = r + 1 < table->rows() ? nextTop
                                                    : layout->frameBoundingRect(table).bottom();
            const qreal needed = std::abs(twips) * dpiY / 1440.0;
            if (top < 0 || end < 0 || end - top >= needed)
                continue;
            qreal contentBottom = 0;
            const QTextTableCell cell = tallestCell(doc, *table, r, contentBottom);
            if (cell.isValid())
                growths.append({table, cell, (needed - (end - top)) / scale});
        }
    }
    // One edit block: the layout is then told of all the changes at once, where each change
    // alone had it lay the whole table out again.
    batch.beginEditBlock();
    for (Growth &g : growths) {
        QTextTableCellFormat f = g.cell.format().toTableCellFormat();
        f.setBottomPadding(bottomPadding(*g.table, f) + g.extra);
        f.setProperty(kAddedPadding, g.extra);
        g.cell.setFormat(f);
    }
    batch.endEditBlock();
    // A table's first cell keeps its format on the mark that opens the table, and a change
    // there alone did not have the layout lay the table out again: a table whose only grown
    // row was its first kept that row as low as its text.
    for (const Growth &g : growths)
        doc.markContentsDirty(g.table->firstPosition(),
                              g.table->lastPosition() - g.table->firstPosition() + 1);
    return !growths.isEmpty();
}

} // namespace richedit
