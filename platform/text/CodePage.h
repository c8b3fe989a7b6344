#pragma once
// Code pages: Windows-1252 built in (it is the document's ANSI code page), the others through
// iconv, and the Symbol font's character set through its own table.

#include <QByteArray>
#include <QString>

namespace text {

// Decodes bytes of the given Windows code page (1250-1258, 874, 932, 936, 949, 950, 437, 850,
// 10000 ...). Unknown code pages fall back to Windows-1252.
QString decode(const QByteArray &bytes, int codePage = 1252);
// Encodes into a Windows code page; characters that do not fit become '?' and clear *lossless.
QByteArray encode(const QString &text, int codePage = 1252, bool *lossless = nullptr);

// Whether the byte starts a two-byte character in the code page (932, 936, 949, 950).
bool isLeadByte(unsigned char byte, int codePage);
// The length of the longest prefix of bytes that ends on a character boundary: all of them,
// or all but a last lead byte whose second byte has not come yet.
qsizetype completeLength(const QByteArray &bytes, int codePage);

// Windows-1252 one character at a time (the hot path of the RTF reader and writer).
QChar cp1252ToUnicode(unsigned char byte);
// The byte for a character, or -1 when Windows-1252 has none.
int unicodeToCp1252(char16_t ch);
// True when every character of the text has a Windows-1252 byte.
bool fitsCp1252(const QString &text);

// The Symbol font's encoding: byte -> Unicode character, and back (-1 when not in the table).
char16_t symbolToUnicode(unsigned char byte);
int unicodeToSymbol(char16_t ch);

// The Windows code page that goes with a font character set (\fcharset), 0 when none.
int codePageForCharset(int charset);

// Plain text files: UTF-8 when the bytes are valid UTF-8 (BOM or not), else Windows-1252.
QString decodePlainText(const QByteArray &bytes);
// Windows-1252 when every character fits and the bytes cannot be mistaken for UTF-8, else
// UTF-8 with a byte-order mark: decodePlainText reads either back as the same text.
QByteArray encodePlainText(const QString &text);
bool isValidUtf8(const char *data, qsizetype size);

} // namespace text
