#pragma once
// The one table of RTF control words the reader understands and the writer emits: spelling,
// kind (how the parameter is read), family (which part of the reader handles it), id and the
// value a missing parameter stands for. Kept sorted by spelling; lookups go through a hash.

#include <cstdint>
#include <span>
#include <string_view>

namespace rtf {

enum class Cw : std::uint16_t {
    // Doc
    Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont,
    DefaultLanguage, Rtf, UnicodeSkip, ViewKind,
    // Char
    Plain, Bold, Italic, Underline, UnderlineNone, UnderlineDotted,
    UnderlineDash, UnderlineDashDot, UnderlineDashDotDot, UnderlineDouble, UnderlineHeavyWave, UnderlineThick,
    UnderlineWords, UnderlineWave, Strike, Font, FontSize, ForeColor,
    BackColor, Highlight, Super, Sub, NoSuperSub, Expand,
    ExpandTwips, Kerning, Revised, RevAuthor, Deleted, Protect,
    Hidden, Language, LanguageFE, CharStyle, Caps, SmallCaps,
    // Para
    ParagraphDefault, AlignLeft, AlignCenter, AlignRight, AlignJustify, AlignDistribute,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, LineSpacing,
    LineMultiple, TabStop, TabBar, KeepNext, Style, LeftToRight,
    RightToLeft, PageBreakBefore, InTable, ListOverride, ListLevel, TableNesting,
    // Table
    TableRowDefaults, RowGap, RowLeft, RowAlignLeft, RowAlignCenter, RowAlignRight,
    CellBorderTop, CellBorderLeft, CellBorderBottom, CellBorderRight, RowBorderTop, RowBorderLeft,
    RowBorderBottom, RowBorderRight, RowBorderHorizontal, RowBorderVertical, ParagraphBorder,
    BorderSingle, BorderThick, BorderDouble, BorderDotted, BorderDashed, BorderNone,
    BorderWidth, BorderColor, CellShading, CellMergeFirst, CellMerged, CellVMergeFirst,
    CellVMerged, CellAlignTop, CellAlignCenter, CellAlignBottom, CellRight, RowHeight,
    RowHeader, RowKeep,
    // (each side family in the order top, left, bottom, right)
    RowPadTop, RowPadLeft, RowPadBottom, RowPadRight,
    RowPadUnitTop, RowPadUnitLeft, RowPadUnitBottom, RowPadUnitRight,
    CellPadTop, CellPadLeft, CellPadBottom, CellPadRight,
    CellPadUnitTop, CellPadUnitLeft, CellPadUnitBottom, CellPadUnitRight,
    CellWidth, CellWidthType,
    // Special
    Unicode, Par, Line, LineBreak, Tab, Page,
    Section, ColumnBreak, Cell, NestCell, Row, NestRow, FootnoteMark,
    Character,
    // Font
    FontCharset, FontCodePage, FontPitch, FontNil, FontRoman, FontSwiss,
    FontModern, FontScript, FontDecor, FontTech, FontBidi,
    // Color
    Red, Green, Blue,
    // Pict
    PictPng, PictJpeg, PictDib, PictDdb, PictWmf, PictEmf,
    PictOther, PictWidth, PictHeight, PictGoalWidth, PictGoalHeight, PictScaleX,
    PictScaleY,
    // List
    ListId, LevelNumberFormat, LevelStartAt, LevelNoRestart,
    // Pn
    PnBullet, PnBody, PnContinue, PnLevel, PnArabic, PnLowerLetter,
    PnUpperLetter, PnLowerRoman, PnUpperRoman, PnStart, PnIndent, PnFont,
    // Dest
    FontTable, ColorTable, RevisionTable, ListTable, ListDefinition, ListLevelDefinition,
    ListOverrideTable, ListOverrideEntry, ListText, PnText, ParagraphNumbering, Picture,
    Transparent, Skip, Footnote, PnTextBefore, Object, ObjectResult, LevelText,
    UnicodePair, UnicodeText,
    Count
};

struct ControlWord {
    enum class Kind : std::uint8_t {
        Flag,        // no parameter meaning (\par, \qc)
        Toggle,      // on without a parameter or with a non-zero one, off with 0 (\b, \b0)
        Value,       // a number; a missing parameter stands for defaultValue (\fs, \li)
        Symbol,      // stands for the character in defaultValue (\emdash)
        Destination, // opens a destination: the group's text goes elsewhere or nowhere
    };
    enum class Family : std::uint8_t {
        Doc, Char, Para, Special, Font, Color, Pict, List, Pn, Dest, Table
    };
    std::string_view word;
    Kind kind;
    Family family;
    Cw id;
    int defaultValue;
};

// The whole table, sorted by spelling (byte order) without duplicates.
std::span<const ControlWord> controlWordTable();
// The entry for a spelling, or nullptr for a word the table does not know.
const ControlWord *findControlWord(std::string_view word);
// The spelling the writer uses for an id: the first entry of the table with that id.
std::string_view spelling(Cw id);

} // namespace rtf
