#include "app/Statistics.h"

#include "richedit/ParagraphWalk.h"
#include "richedit/TableJoint.h"
#include "text/CodePage.h"

#include <QTextBlock>
#include <QTextDocument>

#include <array>

namespace {

constexpr std::array<bool, 128> makeSeparatorTable()
{
    std::array<bool, 128> table{};
    for (int b = 0; b <= 32; ++b)
        table[b] = true;
    for (char c : {'!', '#', '$', '%', '(', ')', '*', ',', '.', '/', ':', ';', '?', '@', '\\', '^'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr std::array<bool, 128> kSeparator = makeSeparatorTable();

} // namespace

bool IsWordSeparator(unsigned char byte)
{
    return byte < 128 && kSeparator[byte];
}

bool isWordSeparatorChar(char16_t ch)
{
    if (ch < 128)
        return kSeparator[ch];
    return QChar::isSpace(ch) && text::unicodeToCp1252(ch) < 0;
}

TextCounts countTextBytes(QByteArrayView ansiText)
{
    TextCounts counts;
    bool inWord = false;
    for (char c : ansiText) {
        const bool separator = IsWordSeparator(static_cast<unsigned char>(c));
        if (!separator && !inWord)
            ++counts.words;
        inWord = !separator;
    }
    counts.characters = ansiText.size();
    return counts;
}

TextCounts countText(QStringView text)
{
    TextCounts counts;
    bool inWord = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        bool separator;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one character outside the basic plane: one byte, part of a word
            separator = false;
        } else {
            separator = isWordSeparatorChar(c);
        }
        ++counts.characters;
        if (!separator && !inWord)
            ++counts.words;
        inWord = !separator;
    }
    return counts;
}

StatisticsTexts statisticsTexts(const TextCounts &counts, int lineCount)
{
    StatisticsTexts t;
    t.LinesText = QString::number(lineCount);
    t.WordsText = QString::number(counts.words);
    t.CharactersText = QString::number(counts.characters);
    const int divisor = lineCount == 0 ? 1 : lineCount;
    t.WordsPerLineText = QString::asprintf("%8.2f", double(counts.words) / double(divisor));
    return t;
}

StatisticsTexts CountTextStatistics(QByteArrayView ansiText, int lineCount)
{
    return statisticsTexts(countTextBytes(ansiText), lineCount);
}

StatisticsTexts CountTextStatistics(QStringView text, int lineCount)
{
    return statisticsTexts(countText(text), lineCount);
}

QString lineColumnText(int line, int column)
{
    return QString::asprintf("Line: %3d  Col: %3d", line + 1, column + 1);
}

StatusPanelTexts statusPanelTexts(int caretLine, int caretColumn, const StatisticsTexts &texts)
{
    return {lineColumnText(caretLine, caretColumn),
            QStringLiteral("Words: ") + texts.WordsText,
            QStringLiteral("Characters: ") + texts.CharactersText,
            QStringLiteral("Lines: ") + texts.LinesText,
            QStringLiteral("Words per line: ") + texts.WordsPerLineText};
}

// ---- StatisticsCache --------------------------------------------------------------------

StatisticsCache::StatisticsCache(QTextDocument *document, QObject *parent)
    : QObject(parent)
{
    setDocument(document);
}

void StatisticsCache::setDocument(QTextDocument *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (document) {
        // A document announces its changes only once it has a layout; an editor's document
        // always has one, a bare document gets it here.
        document->documentLayout();
        connect(document, &QTextDocument::contentsChange, this,
                &StatisticsCache::contentsChange, Qt::DirectConnection);
    }
    rebuild();
}

StatisticsCache::BlockCounts StatisticsCache::countBlock(const QString &text)
{
    const TextCounts c = countText(text);
    return {c.words, c.characters};
}

StatisticsCache::BlockCounts StatisticsCache::countBlock(const QTextBlock &block)
{
    if (block.length() == 1 && richedit::isTableJoint(block))
        return {0, 0, true};
    return countBlock(block.text());
}

void StatisticsCache::appendPieces(std::vector<Piece> &out, int from, int to) const
{
    // Read from the document's text store: the paragraph may be millions of characters long,
    // too long to be copied whole for a piece of it, or read a character at a time.
    const QString text = richedit::textBetween(*m_document, from, to);
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = qMin(text.size(), at + m_pieceLength);
        if (end < text.size() && text[end - 1].isHighSurrogate() && text[end].isLowSurrogate())
            ++end;
        const QStringView piece = QStringView(text).mid(at, end - at);
        const TextCounts c = countText(piece);
        out.push_back({int(piece.size()), {c.words, c.characters},
                       !isWordSeparatorChar(piece.front().unicode()),
                       !isWordSeparatorChar(piece.back().unicode())});
        at = end;
    }
}

StatisticsCache::BlockCounts StatisticsCache::countLongBlock(const QTextBlock &block, int position,
                                                             int removed, int added)
{
    const int start = block.position();
    const int length = block.length() - 1;
    qint64 oldLength = 0;
    for (const Piece &piece : m_pieces)
        oldLength += piece.length;
    const int p = position - start;
    if (m_longBlock != block.blockNumber() || p < 0 || p + added > length
        || oldLength != qint64(length) - added + removed) {
        // Counted whole once; from here on only around each change.
        m_pieces.clear();
        appendPieces(m_pieces, start, start + length);
        m_longBlock = block.blockNumber();
    } else {
        // The pieces holding the characters next to the change (old positions) are counted
        // again, with the change.
        const qint64 lo = qMax(0, p - 1);
        const qint64 hi = qMin<qint64>(oldLength, qint64(p) + removed + 1);
        size_t first = m_pieces.size();
        size_t last = 0;
        qint64 firstStart = oldLength;
        qint64 lastEnd = oldLength;
        qint64 at = 0;
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            const qint64 end = at + m_pieces[i].length;
            if (first == m_pieces.size() && (end > lo || i + 1 == m_pieces.size())) {
                first = i;
                firstStart = at;
            }
            if (first != m_pieces.size()) {
                last = i;
                lastEnd = end;
                if (end >= hi)
                    break;
            }
            at = end;
        }
        std::vector<Piece> fresh;
        appendPieces(fresh, start + int(firstStart), start + int(lastEnd) + added - removed);
        if (first == m_pieces.size()) { // no pieces before
            m_pieces = std::move(fresh);
        } else {
            m_pieces.erase(m_pieces.begin() + qsizetype(first), m_pieces.begin() + qsizetype(last) + 1);
            m_pieces.insert(m_pieces.begin() + qsizetype(first), fresh.begin(), fresh.end());
        }
    }
    BlockCounts counts;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        counts.words += m_pieces[i].counts.words;
        counts.characters += m_pieces[i].counts.characters;
        if (i > 0 && m_pieces[i - 1].endsInWord && m_pieces[i].startsInWord)
            --counts.words; // one word over the two pieces
    }
    return counts;
}

void StatisticsCache::rebuild()
{
    m_longBlock = -1;
    ++m_fullCounts;
    m_blocks.clear();
    m_words = 0;
    m_blockCharacters = 0;
    m_joints = 0;
    m_revision = m_document ? m_document->revision() : -1;
    if (!m_document)
        return;
    m_blocks.reserve(size_t(m_document->blockCount()));
    for (QTextBlock b = m_document->begin(); b.isValid(); b = b.next()) {
        const BlockCounts c = countBlock(b);
        m_blocks.push_back(c);
        m_words += c.words;
        m_blockCharacters += c.characters;
        m_joints += c.joint;
    }
}

void StatisticsCache::contentsChange(int position, int removed, int added)
{
    if (!m_document)
        return;
    QTextDocument *doc = m_document;
    const int lastPosition = qMax(0, doc->characterCount() - 1);
    const int newCount = doc->blockCount();
    const int delta = newCount - int(m_blocks.size());

    // The blocks from the one holding the change's start to the one holding its end are new;
    // the blocks after them are the old ones, shifted by the change in block count.
    QTextBlock firstBlock = doc->findBlock(qBound(0, position, lastPosition));
    // (an empty paragraph before a change of the document's structure may have become or
    // stopped being a joint between tables)
    if (delta != 0 && firstBlock.previous().isValid() && firstBlock.previous().length() == 1)
        firstBlock = firstBlock.previous();
    const QTextBlock lastBlock = doc->findBlock(qBound(0, position + added, lastPosition));
    const int first = firstBlock.blockNumber();
    const int lastNew = lastBlock.blockNumber();
    const int lastOld = lastNew - delta;
    if (!firstBlock.isValid() || !lastBlock.isValid() || lastNew < first || lastOld < first - 1
        || lastOld >= int(m_blocks.size())) {
        rebuild();
        return;
    }

    for (int i = first; i <= lastOld; ++i) {
        m_words -= m_blocks[size_t(i)].words;
        m_blockCharacters -= m_blocks[size_t(i)].characters;
        m_joints -= m_blocks[size_t(i)].joint;
    }
    if (delta != 0)
        m_longBlock = -1; // the block numbers moved
    std::vector<BlockCounts> fresh;
    fresh.reserve(size_t(lastNew - first + 1));
    for (QTextBlock b = firstBlock; b.isValid() && b.blockNumber() <= lastNew; b = b.next()) {
        // A change inside one long paragraph is counted around the change only.
        const bool inLong = delta == 0 && first == lastNew && b.length() - 1 >= m_longParagraph;
        if (!inLong && b.blockNumber() == m_longBlock)
            m_longBlock = -1;
        const BlockCounts c = inLong ? countLongBlock(b, position, removed, added)
                                     : countBlock(b);
        fresh.push_back(c);
        m_words += c.words;
        m_blockCharacters += c.characters;
        m_joints += c.joint;
    }
    const auto begin = m_blocks.begin() + first;
    const qsizetype common = qMin<qsizetype>(fresh.size(), lastOld - first + 1);
    std::copy(fresh.begin(), fresh.begin() + common, begin);
    if (qsizetype(fresh.size()) > common)
        m_blocks.insert(begin + common, fresh.begin() + common, fresh.end());
    else
        m_blocks.erase(begin + common, begin + (lastOld - first + 1));
    m_revision = doc->revision();
}

TextCounts StatisticsCache::counts()
{
    if (m_document && (m_document->revision() != m_revision
                       || int(m_blocks.size()) != m_document->blockCount()))
        rebuild();
    const qint64 breaks = m_blocks.empty() ? 0 : qint64(m_blocks.size()) - 1 - m_joints;
    return {m_words, m_blockCharacters + 2 * breaks};
}
