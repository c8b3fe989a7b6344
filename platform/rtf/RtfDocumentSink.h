#pragma once
// The reader's sink that builds the engine's document through a QTextCursor: the cursor's
// selection is replaced by what is read. A paragraph mark is only turned into a block break
// when something follows it, so a file that ends with \par does not gain an empty paragraph
// at the end of the document.

#include "RtfReader.h"

#include <QTextBlockFormat>
#include <QTextCursor>

#include <array>

class QTextTable;

namespace rtf {

class RtfDocumentSink : public RtfSink {
public:
    explicit RtfDocumentSink(QTextCursor &cursor);

    void insertText(const QString &text, const QTextCharFormat &format) override;
    void insertImage(const QTextImageFormat &format, const QImage &image) override;
    void endParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark) override;
    void finish(const QTextBlockFormat &block, const QTextCharFormat &mark,
                bool hasContent) override;
    void enterTable() override;
    void beginRow(const TableRow &definition) override;
    void endCell(const QTextBlockFormat &block, const QTextCharFormat &mark, bool wrapped) override;
    void endRow(const TableRow &row) override;
    void endTable() override;

private:
    void start();
    void breakIfPending();
    void placeInCell();
    int columnOfCell(int cell);
    bool startsTableOfItsOwn(const TableRow &definition) const;
    void continueInNewTable();
    void appendRows();
    void takeBlockFormats();
    void appendRun(const QString &text, const QTextCharFormat &format);
    int formatIndex(const QTextFormat &format);

    QTextCursor &m_cursor;
    bool m_started = false;
    bool m_pendingBreak = false;
    bool m_blockEmpty = true;           // nothing inserted into the current block yet
    QTextBlockFormat m_originalBlock;   // of the paragraph the text goes into
    QTextCharFormat m_originalBlockChar;
    QTextBlockFormat m_currentBlock;    // the formats the current block has
    QTextCharFormat m_currentMark;
    QTextBlockFormat m_pendingBlock;    // the formats of the paragraph that ended
    QTextCharFormat m_pendingMark;
    // Formats used last, with their index in the document's formats.
    struct StoredFormat {
        QTextFormat format;
        int index = -1;
    };
    std::array<StoredFormat, 8> m_stored;
    std::size_t m_storedNext = 0;
    bool m_runsAppended = false; // text or paragraphs were added past the cursor

    QTextTable *m_table = nullptr; // the table being read, or none
    int m_afterTable = -1; // where the paragraph after the last table read starts
    int m_row = 0;                 // the cell the next content goes into
    int m_column = 0;
    bool m_inCell = false;         // the cursor is in that cell
    TableRow m_lastRow;            // for a row the input does not end
    // The grid columns the current row's cells start at, the column after its last cell at
    // the end; empty when the row takes the columns in order.
    std::vector<int> m_starts;
};

} // namespace rtf
