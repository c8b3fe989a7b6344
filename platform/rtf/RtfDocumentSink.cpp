#include "RtfDocumentSink.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

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
    m_cursor.insertBlock(m_pendingBlock, m_pendingMark);
    m_currentBlock = m_pendingBlock;
    m_currentMark = m_pendingMark;
    m_blockEmpty = true;
}

void RtfDocumentSink::insertText(const QString &text, const QTextCharFormat &format)
{
    breakIfPending();
    m_cursor.insertText(text, format);
    m_blockEmpty = false;
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
    m_rowArranged = false;
    m_grid.clear();
}

void RtfDocumentSink::defineRow(const TableRow &row)
{
    m_definition = row;
}

// The column whose right boundary is right, made when the table has none there: the column
// it falls into is split, and the cells of the rows before that covered it span both halves.
int RtfDocumentSink::gridColumn(int right)
{
    const auto at = std::lower_bound(m_grid.begin(), m_grid.end(), right);
    const int k = int(at - m_grid.begin());
    if (at != m_grid.end() && *at == right)
        return k;
    m_grid.insert(at, right);
    if (k + 1 >= int(m_grid.size())) { // past the last boundary: the next column
        if (m_table->columns() < int(m_grid.size()))
            m_table->appendColumns(int(m_grid.size()) - m_table->columns());
        setTableGrid(*m_table, m_grid);
        return k;
    }
    m_table->insertColumns(k + 1, 1);
    for (int r = 0; r < m_row; ++r) {
        const QTextTableCell cell = m_table->cellAt(r, k);
        if (cell.row() != r || cell.column() + cell.columnSpan() - 1 != k)
            continue; // covered from above, or already widened by the insertion
        m_table->mergeCells(r, cell.column(), cell.rowSpan(), cell.columnSpan() + 1);
    }
    setTableGrid(*m_table, m_grid);
    return k;
}

// Makes the current row's cells by the definition read so far: each cell spans the columns
// between its left and right boundaries. The table's columns are the boundaries of all its
// rows, so rows whose cells differ (a wide cell over two narrow ones) keep their widths.
void RtfDocumentSink::arrangeRow()
{
    m_rowArranged = true;
    m_arranged = m_definition;
    m_starts.clear();
    const std::vector<int> rights = cellRights(m_arranged);
    if (rights.empty())
        return; // no definition: one column per cell, as they come
    if (m_grid.empty() && m_row == 0) {
        m_grid = rights;
        if (m_table->columns() < int(m_grid.size()))
            m_table->appendColumns(int(m_grid.size()) - m_table->columns());
        setTableGrid(*m_table, m_grid);
    }
    m_starts.push_back(0);
    for (int right : rights)
        m_starts.push_back(gridColumn(right) + 1);
    for (std::size_t c = 0; c + 1 < m_starts.size(); ++c) {
        const int span = m_starts[c + 1] - m_starts[c];
        if (span > 1)
            m_table->mergeCells(m_row, m_starts[c], 1, span);
    }
}

// Moves the cursor into the cell the next content belongs to, adding a row or a column
// when the table has none there yet.
void RtfDocumentSink::placeInCell()
{
    // Rows are added in growing batches and the unused ones removed at the end: the table
    // rebuilds its cell index after every change of its shape, which made one row at a time
    // quadratic.
    if (m_row >= m_table->rows())
        m_table->appendRows(std::max(m_row - m_table->rows() + 1, std::min(m_table->rows(), 4096)));
    if (!m_rowArranged)
        arrangeRow();
    // A cell past the definition takes the column after the last defined one.
    const int defined = int(m_starts.size()) - 1;
    const int column = defined <= 0 ? m_column
                       : m_column < defined ? m_starts[std::size_t(m_column)]
                                            : m_starts.back() + m_column - defined;
    if (column >= m_table->columns())
        m_table->appendColumns(column - m_table->columns() + 1);
    m_cursor = m_table->cellAt(m_row, column).firstCursorPosition();
    m_inCell = true;
    takeBlockFormats();
}

// The cell's last paragraph takes the formats; a \par just before \cell made no paragraph.
void RtfDocumentSink::endCell(const QTextBlockFormat &block, const QTextCharFormat &mark)
{
    if (!m_table)
        enterTable();
    if (!m_inCell)
        placeInCell();
    if (m_pendingBreak) {
        m_pendingBreak = false;
    } else {
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
    // The columns each cell made covers: by the definition the row was made by, then one
    // column for each cell past it.
    std::vector<int> starts = m_starts;
    if (starts.empty())
        starts.push_back(0);
    while (int(starts.size()) <= m_column)
        starts.push_back(starts.back() + 1);
    starts.resize(std::size_t(m_column) + 1);
    const int end = starts.back();
    if (end < m_table->columns() && (m_starts.empty() || end > int(m_grid.size()))) {
        // A row without a definition, or with cells past it: its last cell spans the columns
        // it lacks.
        m_table->mergeCells(m_row, starts[starts.size() - 2], 1,
                            m_table->columns() - starts[starts.size() - 2]);
        starts.back() = m_table->columns();
    }
    // A definition that changed inside the row (a nested table's) does not describe it.
    const TableRow &definition =
        m_starts.empty() || cellRights(row) == cellRights(m_arranged) ? row : m_arranged;
    applyTableRow(*m_table, m_row, definition, starts);
    m_lastRow = definition;
    ++m_row;
    m_column = 0;
    m_inCell = false;
    m_rowArranged = false;
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
