#include "TableCells.h"

#include "FormatMapping.h"
#include "RichEditTypes.h"
#include "TableJoint.h"

#include <QAbstractTextDocumentLayout>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>
#include <limits>

namespace richedit {

namespace {

// The cells of a selected block of cells, row by row, each once (a joined cell where it
// starts, or where the block first meets it).
QList<QTextTableCell> selectedCells(const QTextCursor &cursor)
{
    QList<QTextTableCell> cells;
    QTextTable *table = cursor.currentTable();
    if (!table || !cursor.hasComplexSelection())
        return cells;
    int row = 0, rows = 0, column = 0, columns = 0;
    cursor.selectedTableCells(&row, &rows, &column, &columns);
    QSet<int> seen;
    for (int r = row; r < row + rows; ++r) {
        for (int c = column; c < column + columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.isValid() && !seen.contains(cell.firstPosition())) {
                seen.insert(cell.firstPosition());
                cells << cell;
            }
        }
    }
    return cells;
}

// The engine's characters in [from, to), paragraph and cell marks included.
QString rawRange(const QTextDocument *doc, int from, int to)
{
    const int end = doc->characterCount() - 1;
    from = qBound(0, from, end);
    to = qBound(0, to, end);
    if (from > to)
        std::swap(from, to);
    // Read block by block, not through a text cursor: placing a cursor lays the document out
    // up to it (a whole layout, for the whole text, that a headless job never needs), and a
    // cursor's selection that starts or ends in a table takes whole cells, not the characters
    // between its ends. A range over much of the document is cut from the document's raw text
    // instead: one copy, where a million short paragraphs take a million look-ups.
    if (qint64(to - from) * 4 >= end)
        return doc->toRawText().mid(from, to - from);
    QString s;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        QString t = b.text();
        t += doc->characterAt(b.position() + b.length() - 1);
        const int lo = qMax(from - b.position(), 0);
        const int hi = qMin(to - b.position(), int(t.size()));
        s += QStringView(t).mid(lo, hi - lo);
    }
    return s;
}

// The engine's table markers (U+FDD0 before each cell, U+FDD1 after a table) as the text of
// the control shows them, one for one: a cell after the first of its row is a tab, the first
// cell of a row and the end of the table end a line.
void mapTableMarkers(const QTextDocument *doc, int from, QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t ch = s.at(i).unicode();
        if (ch != 0xFDD0 && ch != 0xFDD1)
            continue;
        s[i] = QChar::ParagraphSeparator;
        if (ch == 0xFDD1)
            continue;
        // The frame, not a text cursor: placing a cursor would lay the document out up to it.
        const int position = from + int(i) + 1;
        if (const auto *table = qobject_cast<const QTextTable *>(doc->frameAt(position))) {
            // A cell after another that starts in the same row (cells a merge from the row
            // above covers have no marker of their own).
            const QTextTableCell cell = table->cellAt(position);
            for (int column = 0; column < cell.column(); ++column) {
                if (table->cellAt(cell.row(), column).row() == cell.row()) {
                    s[i] = QLatin1Char('\t');
                    break;
                }
            }
        }
    }
}

QString asPlainText(QString s)
{
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    s.replace(QChar::LineSeparator, QLatin1Char('\n'));
    s.remove(QChar::ObjectReplacementCharacter);
    return s;
}

QTextTable *firstTable(QTextDocument *doc)
{
    for (QTextFrame *frame : doc->rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            return table;
    }
    return nullptr;
}

// The table's grid narrowed to the columns [column, column + columns), moved left so that the
// first of them starts where the table does. The joined cells' inner boundaries move with it.
void keepColumns(QTextTable &copy, const QTextTable &source, int column, int columns)
{
    QTextTableFormat tf = copy.format();
    const QList<int> rights = source.format().property(prop::TableCellRights).value<QList<int>>();
    if (rights.size() < column + columns) {
        // A table made in the editor has no boundaries of its own: keep its columns' widths.
        const QList<QTextLength> lengths = source.format().columnWidthConstraints();
        if (lengths.size() >= column + columns)
            tf.setColumnWidthConstraints(lengths.mid(column, columns));
        tf.clearProperty(prop::TableCellRights);
        copy.setFormat(tf);
        return;
    }
    const int left = tf.intProperty(prop::TableLeft);
    const int shift = column > 0 ? rights.at(column - 1) - left : 0;
    QList<int> own;
    QList<QTextLength> lengths;
    int x = left;
    for (int c = column; c < column + columns; ++c) {
        own << rights.at(c) - shift;
        lengths << QTextLength(QTextLength::FixedLength, twipsToPixels(own.last() - x));
        x = own.last();
    }
    tf.setProperty(prop::TableCellRights, QVariant::fromValue(own));
    tf.setColumnWidthConstraints(lengths);
    copy.setFormat(tf);
    if (shift == 0)
        return;
    for (int r = 0; r < copy.rows(); ++r) {
        for (int c = 0; c < copy.columns(); ++c) {
            QTextTableCell cell = copy.cellAt(r, c);
            if (cell.row() != r || cell.column() != c
                || !cell.format().hasProperty(prop::CellMergedRights))
                continue;
            QTextTableCellFormat f = cell.format().toTableCellFormat();
            QList<int> inner = f.property(prop::CellMergedRights).value<QList<int>>();
            for (int &b : inner)
                b -= shift;
            f.setProperty(prop::CellMergedRights, QVariant::fromValue(inner));
            cell.setFormat(f);
        }
    }
}

// The character properties of a format that a cell's own format may carry for the text typed
// into it: the font and the text colour (not the shading, which is the cell's background).
QTextCharFormat typingProperties(const QTextCharFormat &format)
{
    QTextCharFormat out;
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const int id = it.key();
        if ((id >= QTextFormat::FirstFontProperty && id <= QTextFormat::LastFontProperty)
            || id == QTextFormat::ForegroundBrush || id == prop::Charset)
            out.setProperty(id, it.value());
    }
    return out;
}

// Where a block's layout lies in document coordinates.
QPointF layoutOrigin(const QTextDocument *doc, const QTextBlock &block)
{
    const QRectF rect = doc->documentLayout()->blockBoundingRect(block);
    return rect.topLeft() - block.layout()->boundingRect().topLeft();
}

} // namespace

QList<TextSpan> selectedSpans(const QTextCursor &cursor)
{
    QList<TextSpan> spans;
    if (cursor.hasComplexSelection()) {
        for (const QTextTableCell &cell : selectedCells(cursor))
            spans.append({cell.firstPosition(), cell.lastPosition()});
        return spans;
    }
    if (cursor.hasSelection())
        spans.append({cursor.selectionStart(), cursor.selectionEnd()});
    return spans;
}

QList<QTextBlock> selectedParagraphs(const QTextCursor &cursor)
{
    const QTextDocument *doc = cursor.document();
    QList<QTextBlock> blocks;
    QList<TextSpan> spans = selectedSpans(cursor);
    if (spans.isEmpty())
        spans.append({cursor.position(), cursor.position()});
    for (const TextSpan &span : spans) {
        const QTextBlock last = doc->findBlock(span.to);
        for (QTextBlock b = doc->findBlock(span.from); b.isValid(); b = b.next()) {
            if (blocks.isEmpty() || blocks.last().position() < b.position())
                blocks << b;
            if (b == last)
                break;
        }
    }
    return blocks;
}

QString controlText(const QTextDocument *document, int from, int to)
{
    QString s = rawRange(document, from, to);
    if (!document->rootFrame()->childFrames().isEmpty())
        mapTableMarkers(document, qBound(0, qMin(from, to), document->characterCount() - 1), s);
    return s;
}

QString plainTextOfSelection(const QTextCursor &cursor)
{
    if (const std::unique_ptr<QTextDocument> cells = copyOfSelectedCells(cursor)) {
        const QTextTable *table = firstTable(cells.get());
        return asPlainText(controlText(cells.get(), table->firstPosition(),
                                       table->lastPosition() + 1));
    }
    return asPlainText(controlText(cursor.document(), cursor.selectionStart(),
                                   cursor.selectionEnd()));
}

std::unique_ptr<QTextDocument> copyOfSelectedCells(const QTextCursor &cursor)
{
    const QTextTable *source = cursor.currentTable();
    if (!source || !cursor.hasComplexSelection())
        return nullptr;
    int row = 0, rows = 0, column = 0, columns = 0;
    cursor.selectedTableCells(&row, &rows, &column, &columns);
    auto copy = std::make_unique<QTextDocument>();
    copy->setUndoRedoEnabled(false);
    copy->setDefaultFont(cursor.document()->defaultFont());
    QTextCursor(copy.get()).insertFragment(QTextDocumentFragment(cursor));
    QTextTable *table = firstTable(copy.get());
    if (!table)
        return nullptr;
    keepColumns(*table, *source, column, columns);
    // Heading rows stay heading rows only when the block starts with them.
    QTextTableFormat tf = table->format();
    tf.setHeaderRowCount(qBound(0, source->format().headerRowCount() - row, table->rows()));
    table->setFormat(tf);
    return copy;
}

QTextTableCell appendRowLikeLast(QTextTable *table)
{
    QTextDocument *doc = table->document();
    const int last = table->rows() - 1;
    QTextCursor edit(doc);
    edit.beginEditBlock();
    table->appendRows(1);
    const int row = last + 1;
    // The row's own properties are kept on its first cell that starts in it.
    QTextTableCellFormat rowOwn;
    for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell cell = table->cellAt(last, c);
        if (cell.row() == last) {
            rowOwn = cell.format().toTableCellFormat();
            break;
        }
    }
    const int rowProperties[] = {prop::RowBorders, prop::RowLook, prop::RowExtras};
    for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell above = table->cellAt(last, c);
        QTextTableCellFormat f = above.format().toTableCellFormat();
        for (int id : rowProperties)
            f.clearProperty(id);
        if (c == 0) {
            for (int id : rowProperties) {
                if (rowOwn.hasProperty(id))
                    f.setProperty(id, rowOwn.property(id));
            }
            // A heading row's copy is an ordinary row.
            QList<int> extras = f.property(prop::RowExtras).value<QList<int>>();
            if (!extras.isEmpty()) {
                extras[0] &= ~1;
                if (std::all_of(extras.begin(), extras.end(), [](int v) { return v == 0; }))
                    f.clearProperty(prop::RowExtras);
                else
                    f.setProperty(prop::RowExtras, QVariant::fromValue(extras));
            }
        }
        // Text typed into the new cell comes in the format the text above it ends in.
        QTextCursor aboveEnd = above.lastCursorPosition();
        f.merge(typingProperties(aboveEnd.charFormat()));
        QTextTableCell cell = table->cellAt(row, c);
        cell.setFormat(f);
        QTextCursor(cell.firstCursorPosition()).setBlockFormat(aboveEnd.blockFormat());
    }
    for (int c = 0; c < table->columns();) {
        const QTextTableCell above = table->cellAt(last, c);
        const int span = above.column() == c ? above.columnSpan() : 1;
        if (span > 1)
            table->mergeCells(row, c, 1, span);
        c += span;
    }
    edit.endEditBlock();
    return table->cellAt(row, 0);
}

// The last cell of the table in reading order: the last that starts in its last row, a
// filler beyond the row's end left out.
static QTextTableCell lastCellOf(const QTextTable &table)
{
    const int row = table.rows() - 1;
    for (int column = table.columns() - 1; column > 0; --column) {
        const QTextTableCell cell = table.cellAt(row, column);
        if (cell.row() == row && cell.column() == column
            && !cell.format().boolProperty(prop::CellFiller))
            return cell;
    }
    return table.cellAt(row, 0);
}

std::optional<QTextTableCell> neighbourCell(const QTextCursor &cursor, bool backwards)
{
    QTextTable *table = cursor.currentTable();
    if (!table)
        return std::nullopt;
    const QTextTableCell here = table->cellAt(cursor);
    QList<QTextTableCell> cells;
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() == r && cell.column() == c)
                cells << cell;
        }
    }
    const qsizetype i = cells.indexOf(here) + (backwards ? -1 : 1);
    // Past the table's ends, into the table it continues or that continues it (TableJoint.h):
    // one table in the file.
    if (const QTextTable *joined = i < 0                ? tableBeforeJoint(*table)
                                   : i >= cells.size()  ? tableAfterJoint(*table)
                                                        : nullptr)
        return i < 0 ? lastCellOf(*joined) : joined->cellAt(0, 0);
    if (i < 0 || i >= cells.size())
        return std::nullopt;
    return cells.at(i);
}

namespace {

// The table whose top (up: bottom) edge lies right below (up: above) the caret's paragraph,
// which the caret enters; or the table whose first (up) or last (down) row holds the
// paragraph as a cell's first (last) paragraph, which the caret leaves.
struct TableEdge {
    const QTextTable *table = nullptr;
    bool entering = false;
};

TableEdge tableEdgeAt(const QTextBlock &block, bool up)
{
    const QTextDocument *doc = block.document();
    if (const QTextBlock neighbour = up ? block.previous() : block.next(); neighbour.isValid()) {
        for (QTextFrame *f = doc->frameAt(neighbour.position()); f; f = f->parentFrame()) {
            const auto *t = qobject_cast<const QTextTable *>(f);
            if (t && (up ? t->lastPosition() + 1 == block.position()
                         : t->firstPosition() == neighbour.position()))
                return {t, true};
        }
    }
    const auto *table = qobject_cast<const QTextTable *>(doc->frameAt(block.position()));
    if (!table)
        return {};
    const QTextTableCell cell = table->cellAt(block.position());
    const bool edge = up ? cell.row() == 0 && cell.firstPosition() == block.position()
                         : cell.row() + cell.rowSpan() == table->rows()
                               && cell.lastPosition() == block.position() + block.length() - 1;
    return edge ? TableEdge{table, false} : TableEdge{};
}

// The cell of the table's row whose text area lies nearest to x.
QTextTableCell cellNearest(const QTextTable &table, int row, qreal x)
{
    const QTextDocument *doc = table.document();
    QTextTableCell best;
    qreal bestDistance = std::numeric_limits<qreal>::max();
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (cell.column() != c)
            continue;
        const QRectF area =
            doc->documentLayout()->blockBoundingRect(doc->findBlock(cell.firstPosition()));
        const qreal distance = x < area.left() ? area.left() - x
                               : x > area.right() ? x - area.right() : 0;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = cell;
        }
    }
    return best;
}

} // namespace

std::optional<VerticalMove> verticalMoveAcrossTableEdge(const QTextCursor &cursor, bool up)
{
    const QTextDocument *doc = cursor.document();
    const QTextBlock block = cursor.block();
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return std::nullopt;
    const QTextLine line = layout->lineForTextPosition(cursor.positionInBlock());
    if (!line.isValid() || line.lineNumber() != (up ? 0 : layout->lineCount() - 1))
        return std::nullopt;
    const TableEdge edge = tableEdgeAt(block, up);
    if (!edge.table)
        return std::nullopt;
    const int vertical = cursor.verticalMovementX();
    const qreal x = layoutOrigin(doc, block).x()
        + (vertical >= 0 ? qreal(vertical) : line.cursorToX(cursor.positionInBlock()));
    QTextBlock target;
    if (edge.entering) {
        const QTextTableCell cell = cellNearest(*edge.table, up ? edge.table->rows() - 1 : 0, x);
        if (!cell.isValid())
            return std::nullopt;
        target = doc->findBlock(up ? cell.lastPosition() : cell.firstPosition());
    } else {
        target = up ? doc->findBlock(edge.table->firstPosition()).previous()
                    : doc->findBlock(edge.table->lastPosition() + 1);
    }
    const QTextLayout *targetLayout = target.isValid() ? target.layout() : nullptr;
    if (!targetLayout || targetLayout->lineCount() == 0)
        return std::nullopt;
    const QTextLine targetLine = targetLayout->lineAt(up ? targetLayout->lineCount() - 1 : 0);
    const qreal inTarget = x - layoutOrigin(doc, target).x();
    return VerticalMove{target.position() + targetLine.xToCursor(inTarget), qRound(inTarget)};
}

} // namespace richedit
