#pragma once
// The reader's state: what a group carries (character and paragraph properties and where its
// text goes), and the document tables read from the header (fonts, colours, lists).

#include "RtfListNumbering.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace rtf {

// Where the text of a group goes.
enum class Destination : std::uint8_t {
    Text,          // the document
    Skip,          // nowhere (unknown \* groups, info, stylesheet, headers, footnotes ...)
    FontTable,
    ColorTable,
    ListTable,
    ListDefinition,
    ListLevel,
    LevelText,     // {\leveltext} of a list level
    ListOverrideTable,
    ListOverride,
    ListLabel,     // {\listtext} or {\pntext}: the label of a list item
    Numbering,     // {\*\pn}: old-style list definition of the paragraph
    Picture,
};

// Character properties. Reset by \plain; saved and restored with every group.
struct CharState {
    int font = -1;        // index into the font table, -1 = none
    int halfPoints = 24;  // \fs
    int foreColor = -1;   // colour table index; -1 or an empty entry = automatic
    int backColor = 0;    // colour table index, 0 = none
    int kerning = 0;      // \kerning, half points
    int expand = 0;       // \expnd / \expndtw, twips
    int revAuthor = 0;
    int charStyle = 0;
    int language = 0;     // \lang, a Windows language identifier, 0 = none
    int languageFE = 0;   // \langfe
    std::uint8_t underline = 0; // a QTextCharFormat::UnderlineStyle, 0 = none
    std::uint8_t vertical = 0;  // 0 normal, 1 superscript, 2 subscript
    std::uint8_t capitals = 0;  // a QFont::Capitalization: mixed case, \caps or \scaps
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    bool protect = false;
    bool revised = false;

    bool operator==(const CharState &) const = default;
};

// Paragraph properties. Reset by \pard; saved and restored with every group, as other
// programs do.
struct ParaState {
    static constexpr int kMaxTabs = 32;
    int align = 0;        // PFA_* value, 0 = left (not written)
    int leftIndent = 0;   // \li, twips
    int rightIndent = 0;  // \ri
    int firstIndent = 0;  // \fi, relative to \li
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;  // \sl
    int style = 0;        // \s
    int listOverride = 0; // \ls
    int listLevel = 0;    // \ilvl
    int tabCount = 0;
    std::array<int, kMaxTabs> tabs{};
    std::uint8_t numbering = 0; // from {\*\pn}: 0 none, 1 bullet, 2 numbered
    bool lineMultiple = false;  // \slmult1
    bool keepNext = false;
    bool rightToLeft = false;
    bool pageBreakBefore = false;
    bool inTable = false;       // \intbl: the paragraph is in a table cell

    bool operator==(const ParaState &) const = default;
};

struct GroupState {
    CharState chr;
    ParaState para;
    Destination dest = Destination::Text;
    // Inside {\upr{ANSI text}{\*\ud{Unicode text}}}: the ANSI text is skipped and the
    // Unicode text goes where the \upr group's text would have gone.
    bool inUnicodePair = false;
    Destination pairDest = Destination::Text;
};

struct FontEntry {
    int number = 0;      // \fN
    int charset = -1;    // \fcharset, -1 = not given
    int codePage = 0;    // \cpg, 0 = not given
    int pitch = 0;       // \fprq
    int family = 0;      // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor
    QByteArray rawName;  // name bytes as read, up to the semicolon
    QString name;
    bool symbol = false; // decoded through the Symbol table
    int decodePage = 1252;
};

struct ListDefinition {
    int id = 0;
    std::vector<ListLevel> levels;
};

struct ListOverrideEntry {
    int number = 0; // \ls
    int listId = 0;
};

// A picture being read.
struct PictureState {
    enum class Kind : std::uint8_t { None, Png, Jpeg, Dib, Ddb, Wmf, Emf, Other };
    Kind kind = Kind::None;
    int picw = 0, pich = 0;
    int goalWidth = 0, goalHeight = 0;
    int scaleX = 100, scaleY = 100;
    QByteArray data;
    int pendingNibble = -1;
};

} // namespace rtf
