#include "CodePage.h"

#include <algorithm>
#include <array>
#include <iconv.h>
#include <cerrno>

namespace text {

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 controls of the same
// value, as Windows itself does, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Symbol font's encoding from 0x20 to 0xFF (0 = no character). 0xBE, the horizontal line
// extender, reads as U+2015 HORIZONTAL BAR rather than U+23AF, which no common font draws: the
// long dash must show as a line.
constexpr std::array<char16_t, 224> kSymbol = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, // 20
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, // 40
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, // 50
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, // 60
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, // 70
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 // 80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 // 90
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, // A0
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, // B0
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x2015, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, // C0
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, // D0
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0xF8E8, 0xF8E9, 0xF8EA, 0x2211, 0x239B, 0x239C, // E0
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0xF8FF, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, // F0
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0};

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 874: return "CP874";
    case 10000: return "MACINTOSH";
    case 65001: return "UTF-8";
    default: return "CP" + QByteArray::number(codePage);
    }
}

// Runs iconv over the whole input; false when the code page is unknown to iconv.
bool runIconv(const char *from, const char *to, const QByteArray &in, QByteArray *out,
              bool *lossless)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    out->resize(in.size() * 4 + 16);
    char *src = const_cast<char *>(in.constData());
    size_t srcLeft = size_t(in.size());
    char *dst = out->data();
    size_t dstLeft = size_t(out->size());
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - out->data();
            out->resize(out->size() * 2);
            dst = out->data() + used;
            dstLeft = size_t(out->size() - used);
            continue;
        }
        // An invalid or incomplete sequence: skip one input unit and go on.
        if (lossless)
            *lossless = false;
        ++src;
        --srcLeft;
    }
    // Some converters (Windows-1255 and 1258) hold the last character back in case a
    // combining mark follows; without this flush the last letter of every run was lost.
    while (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == size_t(-1) && errno == E2BIG) {
        const qsizetype used = dst - out->data();
        out->resize(out->size() * 2);
        dst = out->data() + used;
        dstLeft = size_t(out->size() - used);
    }
    out->resize(dst - out->data());
    iconv_close(cd);
    return true;
}

} // namespace

QChar cp1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(char16_t(byte));
}

int unicodeToCp1252(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == ch)
            return 0x80 + i;
    return -1;
}

bool fitsCp1252(const QString &text)
{
    for (QChar c : text)
        if (unicodeToCp1252(c.unicode()) < 0)
            return false;
    return true;
}

char16_t symbolToUnicode(unsigned char byte)
{
    if (byte < 0x20)
        return byte;
    const char16_t u = kSymbol[byte - 0x20];
    return u ? u : char16_t(0xF000 + byte);
}

int unicodeToSymbol(char16_t ch)
{
    if (ch < 0x20)
        return ch;
    if (ch >= 0xF020 && ch <= 0xF0FF)
        return ch - 0xF000;
    if (ch == 0x23AF)
        return 0xBE;
    for (int i = 0; i < int(kSymbol.size()); ++i)
        if (kSymbol[i] == ch)
            return 0x20 + i;
    return -1;
}

int codePageForCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

bool isLeadByte(unsigned char byte, int codePage)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

qsizetype completeLength(const QByteArray &bytes, int codePage)
{
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n)
        i += isLeadByte(static_cast<unsigned char>(bytes.at(i)), codePage) ? 2 : 1;
    return i > n ? n - 1 : n;
}

QString decode(const QByteArray &bytes, int codePage)
{
    if (codePage != 1252 && codePage != 0) {
        if (codePage == 65001)
            return QString::fromUtf8(bytes);
        QByteArray out;
        if (runIconv(iconvName(codePage).constData(), "UTF-16LE", bytes, &out, nullptr))
            return QString(reinterpret_cast<const QChar *>(out.constData()), out.size() / 2);
    }
    QString s(bytes.size(), Qt::Uninitialized);
    QChar *d = s.data();
    for (char c : bytes)
        *d++ = cp1252ToUnicode(static_cast<unsigned char>(c));
    return s;
}

QByteArray encode(const QString &text, int codePage, bool *lossless)
{
    if (lossless)
        *lossless = true;
    if (codePage != 1252 && codePage != 0) {
        QByteArray in(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        QByteArray out;
        const QByteArray to = iconvName(codePage);
        if (runIconv("UTF-16LE", to.constData(), in, &out, lossless))
            return out;
    }
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    for (QChar c : text) {
        int b = unicodeToCp1252(c.unicode());
        if (b < 0) {
            b = '?';
            if (lossless)
                *lossless = false;
        }
        *d++ = char(b);
    }
    return out;
}

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = p[i];
        int extra;
        char32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= size)
            return false;
        char32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString decodePlainText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF") && isValidUtf8(bytes.constData() + 3, bytes.size() - 3))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (isValidUtf8(bytes.constData(), bytes.size()))
        return QString::fromUtf8(bytes);
    return decode(bytes, 1252);
}

QByteArray encodePlainText(const QString &text)
{
    bool lossless = true;
    QByteArray out = encode(text, 1252, &lossless);
    // Windows-1252 bytes that happen to form valid UTF-8 ("Ã©") would be read back as other
    // characters ("é"): such a text is written as UTF-8 with its mark, which reads back as
    // it was.
    const bool ascii = std::all_of(out.cbegin(), out.cend(), [](char c) { return uchar(c) < 0x80; });
    if (lossless && (ascii || !isValidUtf8(out.constData(), out.size())))
        return out;
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace text
