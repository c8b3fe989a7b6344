#pragma once
// Structures, flags and constants of the rich edit engine, in the units and with the bit values
// of the classic rich edit interface (twips, CHARFORMAT2/PARAFORMAT2 masks), so that the code
// above can speak to the engine exactly as the design describes. Also the custom QTextFormat
// properties under which the engine keeps what QTextDocument has no field for.

#include <QColor>
#include <QString>
#include <QTextFormat>
#include <array>
#include <cstdint>
#include <functional>

class QPaintDevice;
class QPainter;

namespace richedit {

using COLORREF = std::uint32_t; // 0x00BBGGRR

inline COLORREF rgbOf(const QColor &c)
{
    return COLORREF(c.red()) | (COLORREF(c.green()) << 8) | (COLORREF(c.blue()) << 16);
}
inline QColor colorOf(COLORREF c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// ---- character formats ------------------------------------------------------------------
constexpr std::uint32_t CFM_BOLD = 0x00000001;
constexpr std::uint32_t CFM_ITALIC = 0x00000002;
constexpr std::uint32_t CFM_UNDERLINE = 0x00000004;
constexpr std::uint32_t CFM_STRIKEOUT = 0x00000008;
constexpr std::uint32_t CFM_PROTECTED = 0x00000010;
constexpr std::uint32_t CFM_HIDDEN = 0x00000100;
constexpr std::uint32_t CFM_LINK = 0x00000020;
constexpr std::uint32_t CFM_REVISED = 0x00004000;
constexpr std::uint32_t CFM_KERNING = 0x00100000;
constexpr std::uint32_t CFM_REVAUTHOR = 0x00008000;
constexpr std::uint32_t CFM_BACKCOLOR = 0x04000000;
constexpr std::uint32_t CFM_WEIGHT = 0x00400000;
constexpr std::uint32_t CFM_CHARSET = 0x08000000;
constexpr std::uint32_t CFM_OFFSET = 0x10000000;
constexpr std::uint32_t CFM_FACE = 0x20000000;
constexpr std::uint32_t CFM_COLOR = 0x40000000;
constexpr std::uint32_t CFM_SIZE = 0x80000000;
constexpr std::uint32_t CFM_SUPERSCRIPT = 0x00030000; // CFE_SUBSCRIPT | CFE_SUPERSCRIPT
constexpr std::uint32_t CFM_ALL2 = 0xFEFFFFFF;

constexpr std::uint32_t CFE_BOLD = 0x0001;
constexpr std::uint32_t CFE_ITALIC = 0x0002;
constexpr std::uint32_t CFE_UNDERLINE = 0x0004;
constexpr std::uint32_t CFE_STRIKEOUT = 0x0008;
constexpr std::uint32_t CFE_PROTECTED = 0x0010;
constexpr std::uint32_t CFE_HIDDEN = 0x0100;
constexpr std::uint32_t CFE_LINK = 0x0020;
constexpr std::uint32_t CFE_REVISED = 0x4000;
constexpr std::uint32_t CFE_SUBSCRIPT = 0x00010000;
constexpr std::uint32_t CFE_SUPERSCRIPT = 0x00020000;
constexpr std::uint32_t CFE_AUTOBACKCOLOR = 0x04000000;
constexpr std::uint32_t CFE_AUTOCOLOR = 0x40000000;

constexpr int SCF_DEFAULT = 0;
constexpr int SCF_SELECTION = 1;
constexpr int SCF_WORD = 2;
constexpr int SCF_ALL = 4;

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SYMBOL_CHARSET = 2;

// CHARFORMAT2 (ANSI): the fields the system reads and writes. Face name is kept to 31
// characters as the 32-byte field does.
struct CHARFORMAT2 {
    std::uint32_t cbSize = 84;
    std::uint32_t dwMask = 0;
    std::uint32_t dwEffects = 0;
    std::int32_t yHeight = 0; // twips
    std::int32_t yOffset = 0;
    COLORREF crTextColor = 0;
    std::uint8_t bCharSet = 0;
    std::uint8_t bPitchAndFamily = 0;
    QString szFaceName; // at most LF_FACESIZE - 1 characters
    std::uint16_t wWeight = 0;
    std::int16_t sSpacing = 0;
    COLORREF crBackColor = 0;
    std::uint32_t lcid = 0;
    std::int16_t sStyle = 0;
    std::uint16_t wKerning = 0; // twips: kern at and above this size
    std::uint8_t bUnderlineType = 0;
    std::uint8_t bAnimation = 0;
    std::uint8_t bRevAuthor = 0;
};
constexpr int LF_FACESIZE = 32;

// ---- paragraph formats ------------------------------------------------------------------
constexpr std::uint32_t PFM_STARTINDENT = 0x00000001;
constexpr std::uint32_t PFM_RIGHTINDENT = 0x00000002;
constexpr std::uint32_t PFM_OFFSET = 0x00000004;
constexpr std::uint32_t PFM_ALIGNMENT = 0x00000008;
constexpr std::uint32_t PFM_TABSTOPS = 0x00000010;
constexpr std::uint32_t PFM_NUMBERING = 0x00000020;
constexpr std::uint32_t PFM_OFFSETINDENT = 0x80000000;
constexpr std::uint32_t PFM_SPACEBEFORE = 0x00000040;
constexpr std::uint32_t PFM_SPACEAFTER = 0x00000080;
constexpr std::uint32_t PFM_LINESPACING = 0x00000100;
constexpr std::uint32_t PFM_STYLE = 0x00000400;
constexpr std::uint32_t PFM_KEEPNEXT = 0x00040000;   // PFE_KEEPNEXT << 16
constexpr std::uint32_t PFM_RTLPARA = 0x00010000;    // PFE_RTLPARA << 16
constexpr std::uint32_t PFM_NUMBERINGSTYLE = 0x00002000;
constexpr std::uint32_t PFM_NUMBERINGTAB = 0x00004000;
constexpr std::uint32_t PFM_NUMBERINGSTART = 0x00008000;

constexpr std::uint16_t PFE_RTLPARA = 0x0001;
constexpr std::uint16_t PFE_KEEPNEXT = 0x0004;

constexpr std::uint16_t PFA_LEFT = 1;
constexpr std::uint16_t PFA_RIGHT = 2;
constexpr std::uint16_t PFA_CENTER = 3;
constexpr std::uint16_t PFA_JUSTIFY = 4;

constexpr std::uint16_t PFN_BULLET = 1;
constexpr std::uint16_t PFN_ARABIC = 2;
constexpr std::uint16_t PFN_LCLETTER = 3;
constexpr std::uint16_t PFN_UCLETTER = 4;
constexpr std::uint16_t PFN_LCROMAN = 5;
constexpr std::uint16_t PFN_UCROMAN = 6;

constexpr int MAX_TAB_STOPS = 32;

struct PARAFORMAT2 {
    std::uint32_t cbSize = 188;
    std::uint32_t dwMask = 0;
    std::uint16_t wNumbering = 0;
    std::uint16_t wEffects = 0; // PFE_RTLPARA, PFE_KEEPNEXT
    std::int32_t dxStartIndent = 0; // twips, first line from the left edge
    std::int32_t dxRightIndent = 0;
    std::int32_t dxOffset = 0; // other lines relative to the first
    std::uint16_t wAlignment = 0;
    std::int16_t cTabCount = 0;
    std::array<std::int32_t, MAX_TAB_STOPS> rgxTabs{};
    std::int32_t dySpaceBefore = 0;
    std::int32_t dySpaceAfter = 0;
    std::int32_t dyLineSpacing = 0;
    std::int16_t sStyle = 0;
    std::uint8_t bLineSpacingRule = 0;
    std::uint16_t wNumberingStart = 0;
    std::uint16_t wNumberingStyle = 0;
    std::uint16_t wNumberingTab = 0;
};

// ---- selection, streams, format range ---------------------------------------------------
struct CHARRANGE {
    int cpMin = 0;
    int cpMax = 0;
};

constexpr int SF_TEXT = 0x0001;
constexpr int SF_RTF = 0x0002;
constexpr int SF_RTFNOOBJS = 0x0003;
constexpr int SF_UNICODE = 0x0010;
constexpr int SFF_PLAINRTF = 0x4000;
constexpr int SFF_SELECTION = 0x8000;

// The engine calls back with a buffer; the callback fills (stream in) or consumes (stream
// out) it and sets the count. A non-zero return is an error that ends the transfer.
using EditStreamCallback = std::function<int(char *buffer, int cb, int *pcb)>;
struct EDITSTREAM {
    EditStreamCallback pfnCallback;
    int dwError = 0;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// EM_FORMATRANGE: hdc is where to draw (may be null when measuring), hdcTarget gives the
// resolution the text is laid out for. rc and rcPage are in twips.
struct FORMATRANGE {
    QPainter *hdc = nullptr;
    QPaintDevice *hdcTarget = nullptr;
    RECT rc;
    RECT rcPage;
    CHARRANGE chrg;
};

// Event mask bits (EM_SETEVENTMASK).
constexpr std::uint32_t ENM_CHANGE = 0x00000001;
constexpr std::uint32_t ENM_REQUESTRESIZE = 0x00040000;
constexpr std::uint32_t ENM_SELCHANGE = 0x00080000;
constexpr std::uint32_t ENM_PROTECTED = 0x00200000;
constexpr std::uint32_t ENM_LINK = 0x04000000;

constexpr int TM_PLAINTEXT = 1;
constexpr int TM_RICHTEXT = 2;
constexpr int TM_SINGLELEVELUNDO = 4;
constexpr int TM_MULTILEVELUNDO = 8;

constexpr int TO_ADVANCEDTYPOGRAPHY = 1;

// ---- how the engine stores what QTextFormat has no field for ---------------------------
// Character properties (QTextCharFormat):
//   face name        -> fontFamilies()[0]
//   size             -> fontPointSize() (twips / 20.0, so 230 twips reads back as 230)
//   bold             -> fontWeight() (also the CHARFORMAT2 weight: both use 100..900)
//   italic/underline/strikeout -> the Qt font properties
//   automatic colour -> no ForegroundBrush property; explicit colour -> foreground brush
//   background       -> BackgroundBrush (absent = automatic)
//   super/subscript  -> verticalAlignment()
// Paragraph properties (QTextBlockFormat):
//   leftMargin/textIndent/rightMargin/top/bottomMargin are kept in 96-dpi pixels derived
//   from the twips below, which are the values the engine reports back exactly.
namespace prop {
enum : int {
    Charset = QTextFormat::UserProperty + 1,      // int, the character set byte
    Kerning = QTextFormat::UserProperty + 2,      // int, twips
    Revised = QTextFormat::UserProperty + 3,      // bool
    RevAuthor = QTextFormat::UserProperty + 4,    // int
    Protected = QTextFormat::UserProperty + 5,    // bool
    Hidden = QTextFormat::UserProperty + 6,       // bool
    PitchFamily = QTextFormat::UserProperty + 7,  // int
    CharStyle = QTextFormat::UserProperty + 8,    // int
    // Hidden text is drawn a pixel high and transparent; its real size, colour and spacing wait
    // here (see FormatMapping.h).
    HiddenPointSize = QTextFormat::UserProperty + 9,     // double, 0 = none set
    HiddenForeground = QTextFormat::UserProperty + 10,   // QBrush, or false = automatic
    HiddenLetterSpacing = QTextFormat::UserProperty + 11, // double, or false = none set
    // The text's language (\lang) and East Asian language (\langfe) as Windows language
    // identifiers; absent when the text carries none. Spell checking follows the first.
    Language = QTextFormat::UserProperty + 12,    // int
    LanguageFE = QTextFormat::UserProperty + 13,  // int

    StartIndent = QTextFormat::UserProperty + 20, // int twips
    Offset = QTextFormat::UserProperty + 21,      // int twips
    RightIndent = QTextFormat::UserProperty + 22, // int twips
    SpaceBefore = QTextFormat::UserProperty + 23, // int twips
    SpaceAfter = QTextFormat::UserProperty + 24,  // int twips
    LineSpacing = QTextFormat::UserProperty + 25, // int twips (or twentieths of a line)
    SpacingRule = QTextFormat::UserProperty + 26, // int 0..5
    TabStops = QTextFormat::UserProperty + 27,    // QList<int> twips
    Numbering = QTextFormat::UserProperty + 28,   // int PFN_*, 0 = none
    StyleNumber = QTextFormat::UserProperty + 29, // int
    KeepNext = QTextFormat::UserProperty + 30,    // bool
    PageBreakBefore = QTextFormat::UserProperty + 31, // bool
    NumberingStart = QTextFormat::UserProperty + 32,  // int
    NumberingStyle = QTextFormat::UserProperty + 33,  // int
    NumberingTab = QTextFormat::UserProperty + 34,    // int twips
    ImageGoalWidth = QTextFormat::UserProperty + 40,  // int twips (image objects)
    ImageGoalHeight = QTextFormat::UserProperty + 41, // int twips
    ImageData = QTextFormat::UserProperty + 42,       // QByteArray original bytes
    ImageKind = QTextFormat::UserProperty + 43,       // QString "png", "jpeg", "bmp", ...
    ImageScaleX = QTextFormat::UserProperty + 44,     // int percent of the goal width (absent: 100)
    ImageScaleY = QTextFormat::UserProperty + 45,     // int percent of the goal height
    // The RTF of an embedded object's own data (what its \object group holds before \result),
    // kept so that the object is written back whole and not only as its picture.
    ObjectData = QTextFormat::UserProperty + 46,      // QByteArray
    // Tables, in the RTF row definition's own units (see rtf/RtfTable.h).
    TableCellRights = QTextFormat::UserProperty + 60, // QList<int> twips, \cellx of each column
    TableGap = QTextFormat::UserProperty + 61,        // int twips, \trgaph
    TableLeft = QTextFormat::UserProperty + 62,       // int twips, \trleft
    CellBorderStyles = QTextFormat::UserProperty + 63, // QList<int> top, left, bottom, right
    CellBorderWidths = QTextFormat::UserProperty + 64, // QList<int> twips, same order
    RowBorders = QTextFormat::UserProperty + 65, // QList<int> style, width, colour of \trbrdr*
    // A cell joined from several RTF cells (\clmgf, \clmrg): the right boundaries of all
    // but the last of them, which are columns of the table's grid inside the cell.
    CellMergedRights = QTextFormat::UserProperty + 66, // QList<int> twips
    // A cell beyond the right end of its row, where a wider row made the table's grid wider.
    CellFiller = QTextFormat::UserProperty + 67,       // bool
    // A row placed unlike its table's first row (\trleft, alignment, \trgaph) or of a given
    // height (\trrh), kept on the row's first own cell: left, align, gap, height.
    RowLook = QTextFormat::UserProperty + 68,          // QList<int> twips, align 0..2
    // A row's own marks and padding, kept on its first own cell when any is set: flags (1 a
    // heading row below ordinary rows, 2 not split between pages), then the padding of the
    // top, left, bottom and right sides and their units (\trpadd*, \trpaddf*).
    RowExtras = QTextFormat::UserProperty + 69,        // QList<int> flags, 4 twips, 4 units
    // A cell's own padding as read (\clpad*: top, left, bottom, right by the words' names)
    // and units (\clpadf*), and its preferred width and unit (\clwWidth, \clftsWidth).
    CellPadding = QTextFormat::UserProperty + 70,      // QList<int> 4 twips, 4 units
    CellPreferredWidth = QTextFormat::UserProperty + 71, // QList<int> width, unit
    // The empty paragraph the engine needs between two tables that are one table of the file,
    // split where a row is placed unlike the rows before it (see TableJoint.h).
    TableJoint = QTextFormat::UserProperty + 72,       // bool, on the block format
    // A table after a joint whose chain of tables starts with heading rows: pages that start
    // in it repeat those rows.
    TableHeadingBefore = QTextFormat::UserProperty + 73, // bool, on the table format
};
}

} // namespace richedit
