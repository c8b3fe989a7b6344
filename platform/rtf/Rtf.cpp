// Placeholder until the full RTF reader and writer land: plain paragraphs only.
#include "Rtf.h"

#include <QTextCursor>
#include <QTextDocument>

namespace rtf {

ReadResult readRtf(const ByteSource &source, QTextCursor &cursor, const ReadOptions &)
{
    QByteArray all;
    char buf[4096];
    for (qint64 n; (n = source(buf, sizeof buf)) > 0;)
        all.append(buf, n);
    if (!all.startsWith("{\\rtf"))
        return {false, QStringLiteral("not RTF")};
    QString text;
    int depth = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c == '{') { ++depth; continue; }
        if (c == '}') { --depth; continue; }
        if (c == '\r' || c == '\n') continue;
        if (c == '\\') {
            qsizetype j = i + 1;
            while (j < all.size() && isalpha(uchar(all[j]))) ++j;
            const QByteArray word = all.mid(i + 1, j - i - 1);
            if (word.isEmpty() && j < all.size()) { text += QLatin1Char(all[j]); i = j; continue; }
            while (j < all.size() && (isdigit(uchar(all[j])) || all[j] == '-')) ++j;
            if (j < all.size() && all[j] == ' ') ++j;
            if (word == "par") text += QLatin1Char('\n');
            i = j - 1;
            continue;
        }
        if (depth == 1) text += QLatin1Char(c);
    }
    cursor.insertText(text);
    return {};
}

bool writeRtf(const QTextDocument &doc, int from, int to, const ByteSink &sink, const WriteOptions &)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(from);
    c.setPosition(to < 0 ? doc.characterCount() - 1 : to, QTextCursor::KeepAnchor);
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0 ";
    for (QChar ch : c.selectedText()) {
        if (ch == QChar::ParagraphSeparator) out += "\\par ";
        else if (ch == u'\\' || ch == u'{' || ch == u'}') { out += '\\'; out += char(ch.unicode()); }
        else if (ch.unicode() < 128) out += char(ch.unicode());
        else out += "\\u" + QByteArray::number(qint16(ch.unicode())) + "?";
    }
    out += "}";
    return sink(out.constData(), out.size());
}

} // namespace rtf
