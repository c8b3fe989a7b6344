#pragma once
// Splits RTF bytes into tokens: group open and close, control words with their parameter,
// control symbols, runs of text bytes, \'hh bytes, \uN characters and \binN data. It knows no
// formatting. It does keep the \ucN count of every group, so that the fallback after a \uN
// (text bytes, \'hh escapes, control words, \bin data; never past a brace) is skipped here and
// the reader sees the Unicode character alone. Bytes are pulled from a ByteSource in chunks;
// CR, LF and NUL between tokens are dropped.

#include "Rtf.h"

#include <QByteArray>
#include <string_view>
#include <vector>

namespace rtf {

// The value of a hexadecimal digit, or -1 for any other character.
inline int hexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class RtfTokenizer {
public:
    enum class Type {
        GroupOpen,
        GroupClose,
        ControlWord,   // word, param, hasParam
        ControlSymbol, // symbol: the character after the backslash
        Text,          // text, length: raw bytes, valid until the next call
        HexByte,       // byte: the value of \'hh
        Unicode,       // param: the UTF-16 code unit of \uN (0..65535)
        Binary,        // binary: the bytes of \binN (empty unless binary data is kept)
        End,
    };
    struct Token {
        Type type = Type::End;
        std::string_view word;
        int param = 0;
        bool hasParam = false;
        char symbol = 0;
        unsigned char byte = 0;
        const char *text = nullptr;
        qsizetype length = 0;
        QByteArray binary;
        qint64 offset = 0; // byte offset of the token in the input
        int line = 1;      // line of the token, counted from 1
    };

    // Groups nested deeper than this keep the \uc count of the level above.
    static constexpr int kMaxUcDepth = 1024;
    static constexpr int kMaxWordLength = 32;

    explicit RtfTokenizer(ByteSource source, qsizetype chunkSize = 64 * 1024);

    // The next token; Type::End at the end of the input (and for ever after).
    const Token &next();
    // Whether \binN data is collected into the token (else it is read and dropped).
    void setKeepBinary(bool keep) { m_keepBinary = keep; }
    // True when the source reported a read error; the tokens end there.
    bool readError() const { return m_readError; }
    qint64 offset() const { return m_consumed + m_pos; }

    // One line per token, for tests and diagnostics.
    static QString dump(const QByteArray &rtf);

private:
    bool fill();
    int peekByte();
    int getByte();
    void readControl();
    void readControlWord();
    bool readControlWordInBuffer();
    void readControlWordAcrossChunks();
    void finishControlWord(std::string_view word, bool negative, bool hasParam, qint64 value);
    void readBinary(qint64 count);
    bool skipFallbackUnit(int c);
    void openGroup();
    void closeGroup();

    ByteSource m_source;
    QByteArray m_buffer;
    qsizetype m_chunkSize;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    qint64 m_consumed = 0; // bytes before the buffer's start
    bool m_eof = false;
    bool m_readError = false;
    bool m_keepBinary = false;
    int m_line = 1;
    int m_skip = 0;          // fallback units still to drop after a \uN
    int m_depth = 0;
    std::vector<int> m_uc;   // \uc per open group, up to kMaxUcDepth
    char m_wordBuf[kMaxWordLength + 1] = {};
    Token m_token;
};

} // namespace rtf
