#include "RtfTokenizer.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cstring>

namespace rtf {

namespace {

inline bool isLetter(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

// Bytes that end a run of text, as a table: the text loop looks each byte up once.
struct TextEnds {
    bool ends[256] = {};
    constexpr TextEnds()
    {
        for (const char c : {'\\', '{', '}', '\r', '\n', '\0'})
            ends[static_cast<unsigned char>(c)] = true;
    }
};
constexpr TextEnds kTextEnds;

inline bool endsText(char c)
{
    return kTextEnds.ends[static_cast<unsigned char>(c)];
}

} // namespace

RtfTokenizer::RtfTokenizer(ByteSource source, qsizetype chunkSize)
    : m_source(std::move(source)), m_chunkSize(std::max<qsizetype>(chunkSize, 1))
{
    m_buffer.resize(m_chunkSize);
    m_uc.reserve(64);
    m_uc.push_back(1);
}

// Kept out of line so that peekByte, which calls it once a chunk, stays small enough to inline.
Q_NEVER_INLINE bool RtfTokenizer::fill()
{
    if (m_eof)
        return false;
    m_consumed += m_end;
    m_pos = 0;
    m_end = 0;
    const qint64 n = m_source ? m_source(m_buffer.data(), m_chunkSize) : 0;
    if (n <= 0) {
        m_readError = n < 0;
        m_eof = true;
        return false;
    }
    m_end = qsizetype(std::min<qint64>(n, m_chunkSize));
    return true;
}

inline int RtfTokenizer::peekByte()
{
    if (m_pos >= m_end && !fill())
        return -1;
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

inline int RtfTokenizer::getByte()
{
    const int c = peekByte();
    if (c >= 0)
        ++m_pos;
    return c;
}

void RtfTokenizer::openGroup()
{
    ++m_depth;
    if (m_depth < kMaxUcDepth)
        m_uc.push_back(m_uc.back());
}

void RtfTokenizer::closeGroup()
{
    if (m_depth == 0)
        return; // an unbalanced brace: the outermost \uc stays
    if (m_depth < kMaxUcDepth)
        m_uc.pop_back();
    --m_depth;
}

const RtfTokenizer::Token &RtfTokenizer::next()
{
    if (!m_token.binary.isEmpty())
        m_token.binary.clear();
    for (;;) {
        if (m_pos >= m_end && !fill()) {
            m_token.type = Type::End;
            m_token.offset = offset();
            m_token.line = m_line;
            return m_token;
        }
        const char c = m_buffer[m_pos];
        m_token.offset = offset();
        m_token.line = m_line;
        switch (c) {
        case '\n':
            ++m_line;
            [[fallthrough]];
        case '\r':
        case '\0':
            ++m_pos;
            continue;
        case '{':
            ++m_pos;
            m_skip = 0;
            openGroup();
            m_token.type = Type::GroupOpen;
            return m_token;
        case '}':
            ++m_pos;
            m_skip = 0;
            closeGroup();
            m_token.type = Type::GroupClose;
            return m_token;
        case '\\': {
            ++m_pos;
            const bool wasSkipping = m_skip > 0;
            readControl();
            if (wasSkipping) {
                --m_skip;
                continue;
            }
            if (m_token.type == Type::End) // a backslash at the very end
                continue;
            return m_token;
        }
        default:
            break;
        }
        if (m_skip > 0) {
            --m_skip;
            ++m_pos;
            continue;
        }
        const qsizetype start = m_pos;
        const char *buf = m_buffer.constData();
        while (m_pos < m_end && !endsText(buf[m_pos]))
            ++m_pos;
        m_token.type = Type::Text;
        m_token.text = buf + start;
        m_token.length = m_pos - start;
        return m_token;
    }
}

// After a backslash: a control word, \'hh, a control symbol, or a backslash before a line
// break (read as \par). Sets m_token; Type::End when nothing followed.
void RtfTokenizer::readControl()
{
    const int c = peekByte();
    if (c < 0) {
        m_token.type = Type::End;
        return;
    }
    if (isLetter(c)) {
        readControlWord();
        return;
    }
    ++m_pos;
    if (c == '\'') {
        const int hi = hexValue(peekByte());
        if (hi >= 0) {
            ++m_pos;
            const int lo = hexValue(peekByte());
            if (lo >= 0) {
                ++m_pos;
                m_token.type = Type::HexByte;
                m_token.byte = static_cast<unsigned char>(hi * 16 + lo);
                return;
            }
            m_token.type = Type::HexByte; // \'h with one digit: the digit's value
            m_token.byte = static_cast<unsigned char>(hi);
            return;
        }
        m_token.type = Type::ControlSymbol; // \' without digits: nothing to show
        m_token.symbol = '\'';
        return;
    }
    if (c == '\r' || c == '\n') {
        if (c == '\n')
            ++m_line;
        m_token.type = Type::ControlWord;
        m_token.word = "par";
        m_token.hasParam = false;
        m_token.param = 0;
        return;
    }
    m_token.type = Type::ControlSymbol;
    m_token.symbol = char(c);
}

void RtfTokenizer::readControlWord()
{
    if (!readControlWordInBuffer())
        readControlWordAcrossChunks();
}

// The common case: the word, its parameter and the byte after them all lie in the buffer,
// so they are read straight from it without a bounds check per byte. False, with nothing
// consumed, when the buffer ends first.
bool RtfTokenizer::readControlWordInBuffer()
{
    const char *buf = m_buffer.constData();
    qsizetype p = m_pos;
    while (p < m_end && isLetter(buf[p]))
        ++p;
    const qsizetype wordEnd = p;
    bool negative = false;
    if (p < m_end && buf[p] == '-') {
        negative = true;
        ++p;
    }
    bool hasParam = false;
    qint64 value = 0;
    while (p < m_end && isDigit(buf[p])) {
        hasParam = true;
        if (value < qint64(INT_MAX) + 1)
            value = value * 10 + (buf[p] - '0');
        ++p;
    }
    if (p >= m_end)
        return false;
    const qsizetype length = std::min<qsizetype>(wordEnd - m_pos, kMaxWordLength);
    std::memcpy(m_wordBuf, buf + m_pos, size_t(length));
    m_wordBuf[length] = 0;
    if (buf[p] == ' ')
        ++p;
    m_pos = p;
    finishControlWord(std::string_view(m_wordBuf, std::size_t(length)), negative, hasParam,
                      value);
    return true;
}

void RtfTokenizer::readControlWordAcrossChunks()
{
    int len = 0;
    for (int c = peekByte(); isLetter(c); c = peekByte()) {
        if (len < kMaxWordLength)
            m_wordBuf[len++] = char(c);
        ++m_pos;
    }
    m_wordBuf[len] = 0;
    std::string_view word(m_wordBuf, std::size_t(len));

    bool negative = false;
    bool hasParam = false;
    qint64 value = 0;
    int c = peekByte();
    if (c == '-') {
        ++m_pos;
        negative = true;
        c = peekByte();
    }
    while (isDigit(c)) {
        hasParam = true;
        if (value < qint64(INT_MAX) + 1)
            value = value * 10 + (c - '0');
        ++m_pos;
        c = peekByte();
    }
    if (c == ' ')
        ++m_pos;
    finishControlWord(word, negative, hasParam, value);
}

// Sets the token for a control word that has been read: \bin data, a \uN character, a
// change of \uc, or any other word.
void RtfTokenizer::finishControlWord(std::string_view word, bool negative, bool hasParam,
                                     qint64 value)
{
    value = std::min<qint64>(value, negative ? qint64(INT_MAX) + 1 : INT_MAX);
    const int param = int(negative ? -value : value);

    m_token.word = word;
    m_token.param = param;
    m_token.hasParam = hasParam;

    if (word == "bin") {
        readBinary(hasParam ? std::max(param, 0) : 0);
        m_token.type = Type::Binary;
        return;
    }
    if (m_skip > 0) { // part of a \u fallback: dropped by the caller
        m_token.type = Type::ControlWord;
        return;
    }
    if (word == "u" && hasParam) {
        m_token.type = Type::Unicode;
        m_token.param = param < 0 ? (param < -32768 ? 0xFFFD : param + 65536)
                                  : (param > 0xFFFF ? 0xFFFD : param);
        m_skip = m_uc.back();
        return;
    }
    if (word == "uc")
        m_uc.back() = hasParam ? std::clamp(param, 0, 0xFFFF) : 1;
    m_token.type = Type::ControlWord;
}

void RtfTokenizer::readBinary(qint64 count)
{
    const bool keep = m_keepBinary && m_skip == 0;
    while (count > 0) {
        if (m_pos >= m_end && !fill())
            break;
        const qsizetype n = qsizetype(std::min<qint64>(count, m_end - m_pos));
        if (keep)
            m_token.binary.append(m_buffer.constData() + m_pos, n);
        m_pos += n;
        count -= n;
    }
}

QString RtfTokenizer::dump(const QByteArray &rtf)
{
    qsizetype pos = 0;
    RtfTokenizer tokenizer([&](char *buf, qint64 max) -> qint64 {
        const qint64 n = std::min<qint64>(max, rtf.size() - pos);
        memcpy(buf, rtf.constData() + pos, size_t(n));
        pos += n;
        return n;
    });
    tokenizer.setKeepBinary(true);
    QStringList lines;
    for (;;) {
        const Token &t = tokenizer.next();
        switch (t.type) {
        case Type::End:
            return lines.join(QLatin1Char('\n'));
        case Type::GroupOpen:
            lines << QStringLiteral("{");
            break;
        case Type::GroupClose:
            lines << QStringLiteral("}");
            break;
        case Type::ControlWord:
            lines << QLatin1Char('\\') + QString::fromLatin1(t.word.data(), qsizetype(t.word.size()))
                         + (t.hasParam ? QString::number(t.param) : QString());
            break;
        case Type::ControlSymbol:
            lines << QStringLiteral("\\") + QLatin1Char(t.symbol);
            break;
        case Type::Text:
            lines << QStringLiteral("text \"%1\"").arg(QString::fromLatin1(t.text, t.length));
            break;
        case Type::HexByte:
            lines << QStringLiteral("\\'%1").arg(t.byte, 2, 16, QLatin1Char('0'));
            break;
        case Type::Unicode:
            lines << QStringLiteral("\\u%1").arg(t.param);
            break;
        case Type::Binary:
            lines << QStringLiteral("bin %1").arg(t.binary.size());
            break;
        }
    }
}

} // namespace rtf
