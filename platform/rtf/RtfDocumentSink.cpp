#include "RtfDocumentSink.h"

#include "richedit/RichEditTypes.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>
#include <QtGui/private/qtextdocument_p.h>

#include <algorithm>

namespace rtf {

RtfDocumentSink::RtfDocumentSink(QTextCursor &cursor) : m_cursor(cursor) {}

// Removes the selection the first time anything is read, so input that turns out not to be
// RTF leaves the document untouched.
void RtfDocumentSink::start()
{
    if (m_started)
        return;
    m_started = true;
    m_cursor.removeSelectedText();
    m_originalBlock = m_cursor.blockFormat();
    m_originalBlockChar = m_cursor.blockCharFormat();
    m_currentBlock = m_originalBlock;
    m_currentMark = m_originalBlockChar;
    m_blockEmpty = m_cursor.block().length() == 1;
}

// The new block starts with the formats of the paragraph before it, which the next paragraph
// usually shares, so most paragraph ends need no further format change.
void RtfDocumentSink::breakIfPending()
{
    start();
    if (m_table && !m_inCell)
        placeInCell();
    if (!m_pendingBreak)
        return;
    m_pendingBreak = false;
    // As QTextCursor::insertBlock does, with the formats' indexes kept between paragraphs.
    QTextDocumentPrivate::get(m_cursor.document())
        ->insertBlock(m_cursor.position(), formatIndex(m_pendingBlock), formatIndex(m_pendingMark));
    m_runsAppended = true;
    m_currentBlock = m_pendingBlock;
    m_currentMark = m_pendingMark;
    m_blockEmpty = true;
}

void RtfDocumentSink::insertText(const QString &text, const QTextCharFormat &format)
{
    breakIfPending();
    appendRun(text, format);
    m_blockEmpty = false;
}

namespace {
// Characters that the cursor turns into paragraph or frame marks when they are inserted.
bool hasMarks(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        if (u >= u' ' && u < QChar::ParagraphSeparator) // nearly every character
            return false;
        return u == u'\n' || u == u'\r' || u == QChar::ParagraphSeparator
            || c == QTextBeginningOfFrame || c == QTextEndOfFrame;
    });
}
} // namespace

// The index of the format in the document's formats, stored as the cursor stores it: a
// character format without an object index. The reader hands over the same format object
// while the formatting stays, so most look-ups end at the first comparison.
int RtfDocumentSink::formatIndex(const QTextFormat &format)
{
    for (const StoredFormat &stored : m_stored)
        if (stored.index >= 0 && stored.format == format)
            return stored.index;
    StoredFormat &slot = m_stored[m_storedNext];
    m_storedNext = (m_storedNext + 1) % m_stored.size();
    QTextFormat kept = format;
    if (kept.isCharFormat())
        kept.clearProperty(QTextFormat::ObjectIndex);
    slot.index = QTextDocumentPrivate::get(m_cursor.document())->formatCollection()->indexForFormat(kept);
    slot.format = format;
    return slot.index;
}

// Inserts a run at the cursor as QTextCursor::insertText does, without what the cursor does
// for every call: copying the format, finding its index in the document's formats again,
// copying the paragraph's format and looking for paragraph marks one kind at a time.
void RtfDocumentSink::appendRun(const QString &text, const QTextCharFormat &format)
{
    if (text.isEmpty())
        return;
    if (hasMarks(text)) {
        m_cursor.insertText(text, format);
        return;
    }
    // The cursor stands at the insertion point and moves on over the inserted text.
    QTextDocumentPrivate::get(m_cursor.document())
        ->insert(m_cursor.position(), text, formatIndex(format));
    m_runsAppended = true;
}

void RtfDocumentSink::insertImage(const QTextImageFormat &format, const QImage &image)
{
    breakIfPending();
    QTextDocument *document = m_cursor.document();
    // A name no other image of the document uses.
    static int counter = 0;
    QUrl url;
    do {
        url = QUrl(QStringLiteral("rtfimage:%1").arg(++counter));
    } while (document->resource(QTextDocument::ImageResource, url).isValid());
    document->addResource(QTextDocument::ImageResource, url, image);
    QTextImageFormat named = format;
    named.setName(url.toString());
    m_cursor.insertImage(named);
    m_blockEmpty = false;
}

// The paragraph takes its format; its character format matters only while it is empty (the
// height of an empty line, the format typing there starts with).
void RtfDocumentSink::endParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark)
{
    breakIfPending();
    if (!(block == m_currentBlock)) {
        m_cursor.setBlockFormat(block);
        m_currentBlock = block;
    }
    if (m_blockEmpty && !(mark == m_currentMark)) {
        m_cursor.setBlockCharFormat(mark);
        m_currentMark = mark;
    }
    m_pendingBreak = true;
    m_pendingBlock = block;
    m_pendingMark = mark;
}

void RtfDocumentSink::finish(const QTextBlockFormat &block, const QTextCharFormat &mark,
                             bool hasContent)
{
    start();
    endTable();
    // Runs appended past the cursor leave its remembered column for moving up and down as it
    // was; the cursor's own insertion forgets it.
    if (m_runsAppended)
        m_cursor.setPosition(m_cursor.position());
    if (hasContent) {
        // The last paragraph has no mark of its own: it takes the read format only when it
        // ends where the inserted text ends, as at the end of the document.
        if (m_cursor.atBlockEnd()) {
            if (!(block == m_currentBlock))
                m_cursor.setBlockFormat(block);
            if (m_blockEmpty && !(mark == m_currentMark))
                m_cursor.setBlockCharFormat(mark);
        }
        return;
    }
    if (m_cursor.atEnd() && m_cursor.block().length() == 1
        && m_cursor.block().position() == m_afterTable) {
        // The paragraph a table leaves behind it at the end of the document takes the formats
        // read for it, as a paragraph with text does: it kept a bare paragraph format and the
        // control's default font before, which the file did not give it.
        if (!(block == m_currentBlock))
            m_cursor.setBlockFormat(block);
        if (!(mark == m_currentMark))
            m_cursor.setBlockCharFormat(mark);
        return;
    }
    if (m_pendingBreak && !m_cursor.atEnd()) {
        // Inserted inside the document: the paragraph mark that was read stays, and what
        // follows keeps the format it had.
        m_pendingBreak = false;
        m_cursor.insertBlock(m_originalBlock, m_originalBlockChar);
    }
}

// The formats of the block the cursor is in, which the next paragraph end compares with.
void RtfDocumentSink::takeBlockFormats()
{
    m_currentBlock = m_cursor.blockFormat();
    m_currentMark = m_cursor.blockCharFormat();
    m_blockEmpty = m_cursor.block().length() == 1;
}

// A table starts where the last paragraph ended: the paragraph mark that was read is the
// table's own start, so no empty paragraph comes between them.
void RtfDocumentSink::enterTable()
{
    start();
    if (m_table)
        return;
    m_pendingBreak = false;
    QTextTableFormat format;
    format.setBorder(0);
    format.setCellSpacing(0);
    m_table = m_cursor.insertTable(1, 1, format);
    m_row = 0;
    m_column = 0;
    m_inCell = false;
    m_lastRow = TableRow{};
    m_starts.clear();
}

// The row is laid on the table's grid before its first cell is filled.
void RtfDocumentSink::beginRow(const TableRow &definition)
{
    if (!m_table)
        enterTable();
    if (m_column > 0 || m_inCell)
        return;
    if (m_row > 0 && startsTableOfItsOwn(definition))
        continueInNewTable();
    if (m_row >= m_table->rows())
        appendRows();
    m_starts = fitRowToGrid(*m_table, m_row, definition);
}

// A row placed unlike the table (its own indent or alignment) is drawn where the file places
// it only in a table of its own: the engine's table has one indent and one alignment. So is a
// row whose boundaries would give the table more columns than it may have. A row that
// continues a vertical merge stays in its table, placed as the table is.
bool RtfDocumentSink::startsTableOfItsOwn(const TableRow &definition) const
{
    if (definition.cells.empty()
        || (placedAsTable(*m_table, definition) && sharesGrid(*m_table, definition)))
        return false;
    return std::none_of(definition.cells.begin(), definition.cells.end(), [](const TableCell &c) {
        return c.verticalMerge == TableCell::Merged;
    });
}

// Ends the table after the rows read so far and starts another right behind it. The engine
// keeps a paragraph between two tables: it is marked a joint, which nothing writes, counts
// or shows (richedit/TableJoint.h). Text typed into it takes the character format of the
// table's last paragraph; the paragraph after the new table keeps the formats it had. The
// new table repeats on pages the heading rows of the table it continues.
void RtfDocumentSink::continueInNewTable()
{
    QTextTable &above = *m_table;
    if (m_row < above.rows())
        above.removeRows(m_row, above.rows() - m_row);
    drawInnerBorderBelow(above, m_row - 1);
    QTextDocument *document = m_cursor.document();
    QTextCursor tableEnd(document);
    tableEnd.setPosition(above.lastPosition());
    QTextCharFormat lastMark = tableEnd.charFormat();
    if (lastMark.isImageFormat()) // (a cell ending in a picture: typed text is no picture)
        lastMark = QTextCharFormat();
    m_cursor.setPosition(above.lastPosition() + 1);
    const QTextBlockFormat after = m_cursor.blockFormat();
    const QTextCharFormat afterMark = m_cursor.blockCharFormat();
    const QTextTableFormat aboveFormat = above.format();
    m_table = nullptr;
    enterTable();
    if (aboveFormat.headerRowCount() > 0
        || aboveFormat.boolProperty(richedit::prop::TableHeadingBefore)) {
        QTextTableFormat tf = m_table->format();
        tf.setProperty(richedit::prop::TableHeadingBefore, true);
        m_table->setFormat(tf);
    }
    QTextCursor joint(document->findBlock(m_table->firstPosition() - 1));
    QTextBlockFormat jointFormat;
    jointFormat.setProperty(richedit::prop::TableJoint, true);
    joint.setBlockFormat(jointFormat);
    joint.setBlockCharFormat(lastMark);
    QTextCursor behind(document);
    behind.setPosition(m_table->lastPosition() + 1);
    if (behind.blockFormat() != after)
        behind.setBlockFormat(after);
    if (behind.blockCharFormat() != afterMark)
        behind.setBlockCharFormat(afterMark);
}

// Adds rows in batches of a quarter of the table; the unused ones are removed at the end:
// the table rebuilds its cell index after every change of its shape, which made one row at a
// time quadratic, while doubling made up to twice the cells a table needs.
void RtfDocumentSink::appendRows()
{
    m_table->appendRows(std::max(m_row - m_table->rows() + 1,
                                 std::clamp(m_table->rows() / 4, 1, 4096)));
}

// The column the row's given cell goes into: the one the grid gives it, a column added at
// the right end for cells the definition lacks, or the next column in order.
int RtfDocumentSink::columnOfCell(int cell)
{
    if (m_starts.empty())
        return cell;
    const int defined = int(m_starts.size()) - 1;
    if (cell < defined)
        return m_starts[std::size_t(cell)];
    const int column = m_starts.back() + cell - defined;
    return column < m_table->columns() ? column : appendGridColumn(*m_table, m_row);
}

// Moves the cursor into the cell the next content belongs to, adding a row or a column
// when the table has none there yet.
void RtfDocumentSink::placeInCell()
{
    if (m_row >= m_table->rows())
        appendRows();
    int column = columnOfCell(m_column);
    if (column >= m_table->columns() && column < kMaxTableColumns)
        appendTableColumns(*m_table, column - m_table->columns() + 1);
    if (column >= 0 && column < m_table->columns()) {
        m_cursor = m_table->cellAt(m_row, column).firstCursorPosition();
    } else { // past the columns a table may have: a paragraph of the row's last cell
        m_cursor = m_table->cellAt(m_row, m_table->columns() - 1).lastCursorPosition();
        m_cursor.insertBlock();
    }
    m_inCell = true;
    takeBlockFormats();
}

// The cell's last paragraph takes the formats. A \par just before \cell leaves an empty
// paragraph, except after a group wrapping the paragraph ("{\pard A\par}\cell").
void RtfDocumentSink::endCell(const QTextBlockFormat &block, const QTextCharFormat &mark,
                              bool wrapped)
{
    if (!m_table)
        enterTable();
    if (!m_inCell)
        placeInCell();
    if (m_pendingBreak && wrapped) {
        m_pendingBreak = false;
    } else {
        breakIfPending();
        if (!(block == m_currentBlock))
            m_cursor.setBlockFormat(block);
        if (m_blockEmpty && !(mark == m_currentMark))
            m_cursor.setBlockCharFormat(mark);
    }
    ++m_column;
    m_inCell = false;
}

void RtfDocumentSink::endRow(const TableRow &row)
{
    if (!m_table)
        enterTable();
    if (m_inCell) { // content after the row's last \cell is a cell of its own
        m_pendingBreak = false;
        ++m_column;
        m_inCell = false;
    }
    if (m_column == 0) { // a row without cells still makes one
        placeInCell();
        m_column = 1;
        m_inCell = false;
    }
    const int made = std::min(m_column, m_table->columns()); // more went into the last one
    std::vector<int> starts;
    const bool fitted = !m_starts.empty();
    if (fitted) {
        starts = m_starts;
        for (int c = int(starts.size()) - 1; c < made; ++c) { // cells the definition lacks
            const int column = columnOfCell(c);
            if (column < starts.back())
                break; // (the rest went into the last column)
            starts.push_back(column + 1);
        }
        spanRowCells(*m_table, m_row, starts);
    } else {
        if (made < m_table->columns()) // the last cell spans the columns this row lacks
            mergeTableCells(*m_table, m_row, made - 1, 1, m_table->columns() - made + 1);
        for (int c = 0; c < made; ++c)
            starts.push_back(c);
        starts.push_back(m_table->columns());
    }
    applyTableRow(*m_table, m_row, row, starts, fitted);
    m_starts.clear();
    m_lastRow = row;
    ++m_row;
    m_column = 0;
    m_inCell = false;
}

// Leaves the table: what follows goes into the paragraph after it.
void RtfDocumentSink::endTable()
{
    if (!m_table)
        return;
    if (m_column > 0 || m_inCell)
        endRow(m_lastRow);
    if (m_row < m_table->rows())
        m_table->removeRows(m_row, m_table->rows() - m_row);
    m_cursor.setPosition(m_table->lastPosition() + 1);
    m_afterTable = m_cursor.position();
    m_table = nullptr;
    m_pendingBreak = false;
    takeBlockFormats();
}

ReadResult readRtf(const ByteSource &source, QTextCursor &cursor, const ReadOptions &options)
{
    RtfDocumentSink sink(cursor);
    RtfReader reader(sink, options);
    cursor.beginEditBlock();
    const ReadResult result = reader.read(source);
    cursor.endEditBlock();
    return result;
}

} // namespace rtf
