// EM_STREAMIN and EM_STREAMOUT: the document in and out through a callback, as RTF or text.
#include "RichEdit.h"

#include "FormatRange.h"
#include "ParagraphWalk.h"

#include "RichEditTypes.h"
#include "TableJoint.h"
#include "rtf/Rtf.h"
#include "text/CodePage.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>
#include <memory>
#include <vector>

namespace richedit {

namespace {

// The marks in t, the text of [from, ...), of the empty filler cells that end the rows
// shorter than their table: they are no cells of the row, so no tab in plain text.
void addFillerMarks(const QTextDocument &doc, int from, const QString &t,
                    std::vector<qsizetype> &marks)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        const auto *table = qobject_cast<QTextTable *>(frame);
        if (!table || table->lastPosition() < from || table->firstPosition() > from + t.size())
            continue;
        for (int r = 0; r < table->rows(); ++r) {
            const QTextTableCell cell = table->cellAt(r, table->columns() - 1);
            const qsizetype at = cell.firstPosition() - 1 - from;
            if (cell.row() == r && cell.firstPosition() == cell.lastPosition()
                && cell.format().boolProperty(prop::CellFiller) && at >= 0 && at < t.size()
                && t.at(at) == QLatin1Char('\t'))
                marks.push_back(at);
        }
    }
}

// The line ends in t, the text of [from, ...), of the joints between tables that are one in
// the file (TableJoint.h): the end of the table before a joint, so that its last row and the
// next table's first row are two lines, as two rows of one table are.
void addJointMarks(const QTextDocument &doc, int from, const QString &t,
                   std::vector<qsizetype> &marks)
{
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        const qsizetype at = frame->lastPosition() - from;
        if (at >= 0 && at < t.size() && t.at(at) == QLatin1Char('\r')
            && isTableJoint(doc.findBlock(frame->lastPosition() + 1)))
            marks.push_back(at);
    }
}

// Removes from t the marks of the engine's table structure that are no text of the user's.
void removeTableMarks(const QTextDocument &doc, int from, QString &t)
{
    std::vector<qsizetype> marks;
    addFillerMarks(doc, from, t, marks);
    addJointMarks(doc, from, t, marks);
    std::sort(marks.begin(), marks.end());
    for (auto it = marks.rbegin(); it != marks.rend(); ++it)
        t.remove(*it, 1);
}

// Pulls bytes from the caller's callback through a buffer of the engine's size.
class CallbackSource {
public:
    CallbackSource(EDITSTREAM &es, int bufferSize) : m_es(es), m_buffer(size_t(bufferSize)) {}

    qint64 read(char *out, qint64 max)
    {
        if (m_pos == m_len && !fill())
            return m_es.dwError ? -1 : 0;
        const qint64 n = qMin(max, qint64(m_len - m_pos));
        memcpy(out, m_buffer.data() + m_pos, size_t(n));
        m_pos += int(n);
        m_total += n;
        return n;
    }
    QByteArray readAll()
    {
        QByteArray all;
        char chunk[8192];
        for (qint64 n; (n = read(chunk, sizeof chunk)) > 0;)
            all.append(chunk, n);
        return all;
    }
    qint64 total() const { return m_total; }

private:
    bool fill()
    {
        if (m_done)
            return false;
        int got = 0;
        const int rc = m_es.pfnCallback(m_buffer.data(), int(m_buffer.size()), &got);
        if (rc != 0) {
            m_es.dwError = rc;
            m_done = true;
            return false;
        }
        if (got <= 0) {
            m_done = true;
            return false;
        }
        m_pos = 0;
        m_len = qMin(got, int(m_buffer.size()));
        return true;
    }

    EDITSTREAM &m_es;
    std::vector<char> m_buffer;
    int m_pos = 0;
    int m_len = 0;
    qint64 m_total = 0;
    bool m_done = false;
};

// Hands bytes to the caller's callback in pieces no larger than the engine's buffer.
bool pushToCallback(EDITSTREAM &es, int bufferSize, const char *data, qint64 len)
{
    while (len > 0) {
        const int n = int(qMin<qint64>(len, bufferSize));
        int taken = 0;
        const int rc = es.pfnCallback(const_cast<char *>(data), n, &taken);
        if (rc != 0) {
            es.dwError = rc;
            return false;
        }
        if (taken <= 0) {
            es.dwError = -1;
            return false;
        }
        data += taken;
        len -= taken;
    }
    return true;
}

QString textFromBytes(const QByteArray &bytes, bool unicode)
{
    if (unicode) {
        qsizetype start = bytes.startsWith("\xFF\xFE") ? 2 : 0;
        return QString(reinterpret_cast<const QChar *>(bytes.constData() + start),
                       (bytes.size() - start) / 2);
    }
    return text::decodePlainText(bytes);
}

} // namespace

int RichEdit::streamIn(int format, EDITSTREAM &es)
{
    es.dwError = 0;
    const bool selectionOnly = format & SFF_SELECTION;
    const int basic = format & 0x3;
    CallbackSource source(es, m_streamBuffer);

    // A whole new document grows apart from the control (no layout, no undo, no change
    // notifications while it does) and replaces the shown one only when complete.
    std::unique_ptr<QTextDocument> fresh;
    QTextCursor cursor = textCursor();
    if (!selectionOnly) {
        fresh = makeDocument();
        fresh->setUndoRedoEnabled(false);
        cursor = QTextCursor(fresh.get());
    } else if (!allowEdit(cursor.selectionStart(), cursor.selectionEnd())) {
        es.dwError = -1;
        return 0;
    }

    // The control's size limit holds for every load: reading stops as soon as the document
    // being filled passes it, long before a paragraph could outgrow what the layout can hold.
    bool tooLarge = false;
    auto limitedRead = [&](QTextDocument *growing) {
        return [&, growing](char *b, qint64 m) -> qint64 {
            if (growing->characterCount() - 1 > m_textLimit) {
                tooLarge = true;
                return -1;
            }
            return source.read(b, m);
        };
    };

    m_loading = !selectionOnly;
    cursor.beginEditBlock();
    bool ok = true;
    if (basic == SF_RTF || basic == SF_RTFNOOBJS) {
        rtf::ReadOptions options;
        options.plainRtf = format & SFF_PLAINRTF;
        if (m_plainMode) {
            // A plain-text control keeps only the characters.
            QTextDocument scratch;
            QTextCursor sc(&scratch);
            const rtf::ReadResult r = rtf::readRtf(limitedRead(&scratch), sc, options);
            tooLarge = tooLarge || scratch.characterCount() - 1 > m_textLimit;
            ok = r.ok && !tooLarge;
            if (ok)
                cursor.insertText(scratch.toRawText().replace(QChar::ParagraphSeparator,
                                                              QLatin1Char('\n')));
        } else {
            const rtf::ReadResult r = rtf::readRtf(limitedRead(cursor.document()), cursor, options);
            // The reader flushes its last text after the final read.
            tooLarge = tooLarge || cursor.document()->characterCount() - 1 > m_textLimit;
            ok = r.ok && !tooLarge;
        }
    } else {
        // Plain text: never more bytes than a text within the limit can take (four bytes a
        // character at most, in any of the encodings read here).
        const qint64 maxBytes = qint64(m_textLimit) * 4 + 4;
        QByteArray bytes;
        char chunk[16384];
        for (qint64 n; (n = source.read(chunk, sizeof chunk)) > 0;) {
            bytes.append(chunk, n);
            if (bytes.size() > maxBytes) {
                tooLarge = true;
                break;
            }
        }
        QString t;
        if (!tooLarge) {
            t = textFromBytes(bytes, format & SF_UNICODE);
            bytes.clear();
            t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            const int kept = selectionOnly ? textLength() - (cursor.selectionEnd() - cursor.selectionStart()) : 0;
            tooLarge = t.size() + qint64(kept) > m_textLimit;
        }
        if (!tooLarge)
            cursor.insertText(t, selectionOnly ? cursor.charFormat() : QTextCharFormat());
    }
    cursor.endEditBlock();
    m_loading = false;

    if (tooLarge) {
        es.dwError = StreamErrorTooLarge;
        return int(source.total());
    }
    if (!selectionOnly) {
        // A read error of the source counts as a failure too: half a document is never shown.
        if (ok && es.dwError == 0) {
            fresh->setUndoRedoEnabled(m_undoLimit > 0);
            fresh->setModified(false);
            adoptDocument(std::move(fresh));
            setTextCursor(QTextCursor(document()));
            if (m_eventMask & ENM_CHANGE)
                emit changeNotify();
        }
    } else {
        setTextCursor(cursor);
    }
    if (!ok && es.dwError == 0)
        es.dwError = -16;
    return int(source.total());
}

// For documents without pictures and other objects, whose data this copy does not carry.
void RichEdit::copyDocumentOf(const QTextDocument &source)
{
    auto fresh = std::make_unique<QTextDocument>();
    fresh->setDefaultFont(source.defaultFont());
    fresh->setDefaultTextOption(source.defaultTextOption());
    fresh->setIndentWidth(source.indentWidth());
    fresh->setUseDesignMetrics(source.useDesignMetrics());
    fresh->setDocumentMargin(source.documentMargin());
    fresh->setUndoRedoEnabled(false);
    QTextCursor into(fresh.get());
    into.setBlockFormat(source.firstBlock().blockFormat());
    into.setBlockCharFormat(source.firstBlock().charFormat());
    if (source.rootFrame()->childFrames().isEmpty()) {
        // Paragraphs alone are copied run by run from a walk of the source's trees: a
        // fragment of a long run of them costs more than writing and reading it as Rich Text.
        into.beginEditBlock();
        appendParagraphs(source, *fresh);
        into.endEditBlock();
    } else {
        // Placed inside an edit block, the cursor lays nothing of the source out: outside
        // one, selecting the whole document would lay all of it out with the source's layout.
        QTextCursor from(const_cast<QTextDocument *>(&source));
        from.beginEditBlock();
        from.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        const QTextDocumentFragment fragment(from);
        from.endEditBlock();
        into.insertFragment(fragment);
    }
    // A fragment brings the formats of the paragraphs it holds whole, not of the first and
    // the last, which it cuts at their marks.
    QTextCursor first(fresh->firstBlock());
    first.setBlockFormat(source.firstBlock().blockFormat());
    first.setBlockCharFormat(source.firstBlock().charFormat());
    QTextCursor last(fresh->lastBlock());
    last.setBlockFormat(source.lastBlock().blockFormat());
    last.setBlockCharFormat(source.lastBlock().charFormat());
    fresh->setUndoRedoEnabled(m_undoLimit > 0);
    fresh->setModified(false);
    adoptDocument(std::move(fresh));
    setTextCursor(QTextCursor(document()));
}

int RichEdit::streamOut(int format, EDITSTREAM &es)
{
    es.dwError = 0;
    const QTextCursor c = textCursor();
    const bool selectionOnly = format & SFF_SELECTION;
    const int from = selectionOnly ? c.selectionStart() : 0;
    const int to = selectionOnly ? c.selectionEnd() : textLength();
    const int basic = format & 0x3;
    qint64 written = 0;
    auto sink = [&](const char *data, qint64 len) {
        if (!pushToCallback(es, m_streamBuffer, data, len))
            return false;
        written += len;
        return true;
    };
    bool ok;
    if (basic == SF_RTF || basic == SF_RTFNOOBJS) {
        rtf::WriteOptions options;
        options.plainRtf = format & SFF_PLAINRTF;
        options.noObjects = basic == SF_RTFNOOBJS;
        // The whole document includes the last paragraph's mark, so that a final empty
        // paragraph (a text ending in a line break) survives the way back in.
        ok = rtf::writeRtf(*document(), from, selectionOnly ? to : -1, sink, options);
    } else {
        QString t = textRange(from, to);
        if (!document()->rootFrame()->childFrames().isEmpty())
            removeTableMarks(*document(), qMin(from, to), t);
        // A table that starts the document has the engine's empty paragraph in front of it,
        // which is no line of the text.
        if (from == 0 && t.startsWith(QLatin1Char('\r')) && document()->firstBlock().length() == 1
            && !document()->rootFrame()->childFrames().isEmpty()
            && document()->rootFrame()->childFrames().first()->firstPosition() == 1)
            t.remove(0, 1);
        // A manual line break (held as a vertical tab) is a line break in plain text too.
        t.replace(QLatin1Char('\r'), QLatin1String("\r\n"));
        t.replace(QLatin1Char('\v'), QLatin1String("\r\n"));
        t.remove(QChar::ObjectReplacementCharacter);
        QByteArray bytes;
        if (format & SF_UNICODE)
            bytes = QByteArray(reinterpret_cast<const char *>(t.utf16()), t.size() * 2);
        else
            bytes = text::encodePlainText(t);
        ok = sink(bytes.constData(), bytes.size());
    }
    if (!ok && es.dwError == 0)
        es.dwError = -1;
    return int(written);
}

} // namespace richedit
