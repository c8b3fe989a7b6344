// Automatic URL detection: runs of text that look like links are marked as anchors as text
// comes in (and over the whole text when detection is turned on), leaving the modified flag.
#include "RichEdit.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace richedit {

void RichEdit::setAutoUrlDetect(bool on)
{
    m_autoUrlDetect = on;
    if (on)
        detectUrls(0, textLength());
}

QString RichEdit::urlSearchText(const QTextBlock &block, int from, int to, int *start) const
{
    // A link never holds a space, '<', '>' or '"': in a long paragraph only the stretch
    // between the ones around the change can hold a link that changed. Reading a paragraph of
    // millions of characters whole for each key would cost more than the key itself.
    constexpr int LongParagraph = 8192;
    constexpr int Reach = 4096;
    const QTextDocument *doc = document();
    const int blockStart = block.position();
    const int blockEnd = blockStart + block.length() - 1;
    if (block.length() < LongParagraph || from < blockStart || to > blockEnd
        || to - from > LongParagraph)
        return block.text();
    auto ends = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || (u >= u'\t' && u <= u'\r') || u == u'<' || u == u'>' || u == u'"';
    };
    int first = from;
    while (first > blockStart && !ends(doc->characterAt(first - 1))) {
        if (from - first >= Reach)
            return block.text();
        --first;
    }
    int last = to;
    while (last < blockEnd && !ends(doc->characterAt(last))) {
        if (last - to >= Reach)
            return block.text();
        ++last;
    }
    QString text(last - first, Qt::Uninitialized);
    for (int i = first; i < last; ++i)
        text[i - first] = doc->characterAt(i);
    *start = first;
    return text;
}

void RichEdit::detectUrls(int from, int to)
{
    static const QRegularExpression url(
        QStringLiteral(R"((?:https?://|ftp://|mailto:|file://|www\.)[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QTextDocument *doc = document();
    m_inUrlDetect = true;
    const bool wasModified = doc->isModified();
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        int start = b.position();
        const QString text = urlSearchText(b, from, to, &start);
        auto it = url.globalMatch(text);
        while (it.hasNext()) {
            const auto m = it.next();
            QTextCursor c(doc);
            c.setPosition(start + int(m.capturedStart()));
            c.setPosition(start + int(m.capturedEnd()), QTextCursor::KeepAnchor);
            if (c.charFormat().anchorHref() == m.captured())
                continue;
            QTextCharFormat f;
            f.setAnchor(true);
            f.setAnchorHref(m.captured());
            c.mergeCharFormat(f);
        }
    }
    doc->setModified(wasModified);
    m_inUrlDetect = false;
}

} // namespace richedit
