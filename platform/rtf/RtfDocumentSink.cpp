#include "RtfDocumentSink.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

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
