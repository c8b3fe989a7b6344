#include "editor/FindReplace.h"

#include "richedit/RichEditTypes.h"

#include <QTextBlock>
#include <QTextDocument>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark();
}

} // namespace

QString TextFinder::plainText() const
{
    // toPlainText keeps one character per position: paragraph and line separators become
    // "\n" and no-break spaces plain spaces, so positions are document positions.
    return m_document->toPlainText();
}

bool TextFinder::isWholeWord(const QString &plain, int start, int length) const
{
    const bool startsWord = start == 0 || !isWordChar(plain[start - 1])
                            || !isWordChar(plain[start]);
    const int end = start + length;
    const bool endsWord = end >= plain.size() || !isWordChar(plain[end])
                          || !isWordChar(plain[end - 1]);
    return startsWord && endsWord;
}

bool TextFinder::matchesAt(const QString &plain, int start, const QString &text,
                           const FindOptions &options) const
{
    if (start < 0 || start + text.size() > plain.size())
        return false;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (QStringView(plain).mid(start, text.size()).compare(text, cs) != 0)
        return false;
    return !options.wholeWords || isWholeWord(plain, start, int(text.size()));
}

FindResult TextFinder::find(const QString &text, int from, bool backward,
                            const FindOptions &options) const
{
    FindResult result;
    if (text.isEmpty())
        return result;
    const QString plain = plainText();
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int n = int(text.size());
    from = qBound(0, from, int(plain.size()));

    auto forward = [&](int begin, int limit) -> int {
        for (qsizetype i = plain.indexOf(text, begin, cs); i >= 0 && i + n <= limit;
             i = plain.indexOf(text, i + 1, cs)) {
            if (!options.wholeWords || isWholeWord(plain, int(i), n))
                return int(i);
        }
        return -1;
    };
    // Matches that end at or before `end`, searching back to `limit`.
    auto back = [&](int end, int limit) -> int {
        const int lastStart = end - n;
        if (lastStart < 0)
            return -1;
        for (qsizetype i = plain.lastIndexOf(text, lastStart, cs); i >= limit;
             i = i > 0 ? plain.lastIndexOf(text, i - 1, cs) : -1) {
            if (!options.wholeWords || isWholeWord(plain, int(i), n))
                return int(i);
        }
        return -1;
    };

    int at = backward ? back(from, 0) : forward(from, int(plain.size()));
    if (at < 0) {
        // Round once: from the other end up to where the search began.
        at = backward ? back(int(plain.size()), qMax(0, from - n + 1)) : forward(0, from + n - 1);
        result.wrapped = at >= 0;
    }
    if (at >= 0) {
        result.start = at;
        result.length = n;
    }
    return result;
}

QList<int> TextFinder::findAll(const QString &text, const FindOptions &options) const
{
    QList<int> starts;
    if (text.isEmpty())
        return starts;
    const QString plain = plainText();
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int n = int(text.size());
    for (qsizetype i = plain.indexOf(text, 0, cs); i >= 0; ) {
        if (!options.wholeWords || isWholeWord(plain, int(i), n)) {
            starts << int(i);
            i = plain.indexOf(text, i + n, cs);
        } else {
            i = plain.indexOf(text, i + 1, cs);
        }
    }
    return starts;
}

bool TextFinder::isProtected(int start, int length) const
{
    // Walk the formatting runs that overlap the range.
    const int end = start + length;
    for (QTextBlock b = m_document->findBlock(start); b.isValid() && b.position() < end;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() >= end || f.position() + f.length() <= start)
                continue;
            if (f.charFormat().boolProperty(richedit::prop::Protected))
                return true;
        }
    }
    return false;
}

void TextFinder::replaceRange(QTextCursor &cursor, int start, int length,
                              const QString &replacement)
{
    // The format of the match's first character (the one after `start`).
    cursor.setPosition(start + 1);
    const QTextCharFormat format = cursor.charFormat();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    cursor.insertText(replacement, format);
}

bool TextFinder::replaceAt(int start, int length, const QString &replacement)
{
    if (length <= 0 || start < 0 || start + length > m_document->characterCount() - 1
        || isProtected(start, length))
        return false;
    QTextCursor cursor(m_document);
    cursor.beginEditBlock();
    replaceRange(cursor, start, length, replacement);
    cursor.endEditBlock();
    return true;
}

int TextFinder::replaceAll(const QString &text, const QString &replacement,
                           const FindOptions &options)
{
    const QList<int> starts = findAll(text, options);
    if (starts.isEmpty())
        return 0;
    const int n = int(text.size());
    int count = 0;
    // Most documents hold no protected text at all: then no match needs a look at its runs.
    bool anyProtected = false;
    for (QTextBlock b = m_document->firstBlock(); b.isValid() && !anyProtected; b = b.next())
        for (auto f = b.begin(); !f.atEnd() && !anyProtected; ++f)
            anyProtected = f.fragment().charFormat().boolProperty(richedit::prop::Protected);
    QTextCursor cursor(m_document);
    cursor.beginEditBlock();
    // From the last match back, so the positions of the ones before stay valid.
    for (auto it = starts.crbegin(); it != starts.crend(); ++it) {
        if (anyProtected && isProtected(*it, n))
            continue;
        replaceRange(cursor, *it, n, replacement);
        ++count;
    }
    cursor.endEditBlock();
    return count;
}
