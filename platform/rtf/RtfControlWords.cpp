#include "RtfControlWords.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace rtf {

namespace {

using Kind = ControlWord::Kind;
using Family = ControlWord::Family;

constexpr ControlWord kTable[] = {
    {"aftncn", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"aftnsep", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"aftnsepc", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"annotation", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"ansi", Kind::Flag, Family::Doc, Cw::Ansi, 0},
    {"ansicpg", Kind::Value, Family::Doc, Cw::AnsiCodePage, 1252},
    {"atnauthor", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"atnid", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"atrfend", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"atrfstart", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"author", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"b", Kind::Toggle, Family::Char, Cw::Bold, 1},
    {"bkmkend", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"bkmkstart", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"blue", Kind::Value, Family::Color, Cw::Blue, 0},
    {"box", Kind::Flag, Family::Table, Cw::ParagraphBorder, 0},
    {"brdrb", Kind::Flag, Family::Table, Cw::ParagraphBorder, 0},
    {"brdrcf", Kind::Value, Family::Table, Cw::BorderColor, 0},
    {"brdrdash", Kind::Flag, Family::Table, Cw::BorderDashed, 0},
    {"brdrdb", Kind::Flag, Family::Table, Cw::BorderDouble, 0},
    {"brdrdot", Kind::Flag, Family::Table, Cw::BorderDotted, 0},
    {"brdrl", Kind::Flag, Family::Table, Cw::ParagraphBorder, 0},
    {"brdrnone", Kind::Flag, Family::Table, Cw::BorderNone, 0},
    {"brdrr", Kind::Flag, Family::Table, Cw::ParagraphBorder, 0},
    {"brdrs", Kind::Flag, Family::Table, Cw::BorderSingle, 0},
    {"brdrt", Kind::Flag, Family::Table, Cw::ParagraphBorder, 0},
    {"brdrth", Kind::Flag, Family::Table, Cw::BorderThick, 0},
    {"brdrw", Kind::Value, Family::Table, Cw::BorderWidth, 0},
    {"bullet", Kind::Symbol, Family::Special, Cw::Character, 8226},
    {"buptim", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"caps", Kind::Toggle, Family::Char, Cw::Caps, 1},
    {"cb", Kind::Value, Family::Char, Cw::BackColor, 0},
    {"cell", Kind::Flag, Family::Special, Cw::Cell, 0},
    {"cellx", Kind::Value, Family::Table, Cw::CellRight, 0},
    {"cf", Kind::Value, Family::Char, Cw::ForeColor, 0},
    {"chcbpat", Kind::Value, Family::Char, Cw::BackColor, 0},
    {"chftn", Kind::Flag, Family::Special, Cw::FootnoteMark, 0},
    {"clbrdrb", Kind::Flag, Family::Table, Cw::CellBorderBottom, 0},
    {"clbrdrl", Kind::Flag, Family::Table, Cw::CellBorderLeft, 0},
    {"clbrdrr", Kind::Flag, Family::Table, Cw::CellBorderRight, 0},
    {"clbrdrt", Kind::Flag, Family::Table, Cw::CellBorderTop, 0},
    {"clcbpat", Kind::Value, Family::Table, Cw::CellShading, 0},
    {"clftsWidth", Kind::Value, Family::Table, Cw::CellWidthType, 0},
    {"clmgf", Kind::Flag, Family::Table, Cw::CellMergeFirst, 0},
    {"clmrg", Kind::Flag, Family::Table, Cw::CellMerged, 0},
    {"clpadb", Kind::Value, Family::Table, Cw::CellPadBottom, 0},
    {"clpadfb", Kind::Value, Family::Table, Cw::CellPadUnitBottom, 0},
    {"clpadfl", Kind::Value, Family::Table, Cw::CellPadUnitLeft, 0},
    {"clpadfr", Kind::Value, Family::Table, Cw::CellPadUnitRight, 0},
    {"clpadft", Kind::Value, Family::Table, Cw::CellPadUnitTop, 0},
    {"clpadl", Kind::Value, Family::Table, Cw::CellPadLeft, 0},
    {"clpadr", Kind::Value, Family::Table, Cw::CellPadRight, 0},
    {"clpadt", Kind::Value, Family::Table, Cw::CellPadTop, 0},
    {"clvertalb", Kind::Flag, Family::Table, Cw::CellAlignBottom, 0},
    {"clvertalc", Kind::Flag, Family::Table, Cw::CellAlignCenter, 0},
    {"clvertalt", Kind::Flag, Family::Table, Cw::CellAlignTop, 0},
    {"clvmgf", Kind::Flag, Family::Table, Cw::CellVMergeFirst, 0},
    {"clvmrg", Kind::Flag, Family::Table, Cw::CellVMerged, 0},
    {"clwWidth", Kind::Value, Family::Table, Cw::CellWidth, 0},
    {"colortbl", Kind::Destination, Family::Dest, Cw::ColorTable, 0},
    {"column", Kind::Flag, Family::Special, Cw::ColumnBreak, 0},
    {"comment", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"company", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"cpg", Kind::Value, Family::Font, Cw::FontCodePage, 0},
    {"creatim", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"cs", Kind::Value, Family::Char, Cw::CharStyle, 0},
    {"deff", Kind::Value, Family::Doc, Cw::DefaultFont, 0},
    {"deflang", Kind::Value, Family::Doc, Cw::DefaultLanguage, 1033},
    {"deleted", Kind::Toggle, Family::Char, Cw::Deleted, 1},
    {"dibitmap", Kind::Value, Family::Pict, Cw::PictDib, 0},
    {"doccomm", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"docvar", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"emdash", Kind::Symbol, Family::Special, Cw::Character, 8212},
    {"emfblip", Kind::Flag, Family::Pict, Cw::PictEmf, 0},
    {"emspace", Kind::Symbol, Family::Special, Cw::Character, 8195},
    {"endash", Kind::Symbol, Family::Special, Cw::Character, 8211},
    {"enspace", Kind::Symbol, Family::Special, Cw::Character, 8194},
    {"expnd", Kind::Value, Family::Char, Cw::Expand, 0},
    {"expndtw", Kind::Value, Family::Char, Cw::ExpandTwips, 0},
    {"f", Kind::Value, Family::Char, Cw::Font, 0},
    {"falt", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"fbidi", Kind::Flag, Family::Font, Cw::FontBidi, 0},
    {"fcharset", Kind::Value, Family::Font, Cw::FontCharset, 0},
    {"fdecor", Kind::Flag, Family::Font, Cw::FontDecor, 5},
    {"fi", Kind::Value, Family::Para, Cw::FirstIndent, 0},
    {"field", Kind::Destination, Family::Dest, Cw::Transparent, 0},
    {"fldinst", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"fldrslt", Kind::Destination, Family::Dest, Cw::Transparent, 0},
    {"fmodern", Kind::Flag, Family::Font, Cw::FontModern, 3},
    {"fnil", Kind::Flag, Family::Font, Cw::FontNil, 0},
    {"fonttbl", Kind::Destination, Family::Dest, Cw::FontTable, 0},
    {"footer", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"footerf", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"footerl", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"footerr", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"footnote", Kind::Destination, Family::Dest, Cw::Footnote, 0},
    {"fprq", Kind::Value, Family::Font, Cw::FontPitch, 0},
    {"froman", Kind::Flag, Family::Font, Cw::FontRoman, 1},
    {"fs", Kind::Value, Family::Char, Cw::FontSize, 24},
    {"fscript", Kind::Flag, Family::Font, Cw::FontScript, 4},
    {"fswiss", Kind::Flag, Family::Font, Cw::FontSwiss, 2},
    {"ftech", Kind::Flag, Family::Font, Cw::FontTech, 0},
    {"ftncn", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"ftnsep", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"ftnsepc", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"generator", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"green", Kind::Value, Family::Color, Cw::Green, 0},
    {"header", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"headerf", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"headerl", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"headerr", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"highlight", Kind::Value, Family::Char, Cw::Highlight, 0},
    {"i", Kind::Toggle, Family::Char, Cw::Italic, 1},
    {"ilvl", Kind::Value, Family::Para, Cw::ListLevel, 0},
    {"info", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"intbl", Kind::Flag, Family::Para, Cw::InTable, 0},
    {"itap", Kind::Value, Family::Para, Cw::TableNesting, 1},
    {"jpegblip", Kind::Flag, Family::Pict, Cw::PictJpeg, 0},
    {"keepn", Kind::Toggle, Family::Para, Cw::KeepNext, 1},
    {"kerning", Kind::Value, Family::Char, Cw::Kerning, 0},
    {"keywords", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"lang", Kind::Value, Family::Char, Cw::Language, 0},
    {"langfe", Kind::Value, Family::Char, Cw::LanguageFE, 0},
    {"lbr", Kind::Value, Family::Special, Cw::LineBreak, 0},
    {"ldblquote", Kind::Symbol, Family::Special, Cw::Character, 8220},
    {"levelnfc", Kind::Value, Family::List, Cw::LevelNumberFormat, 0},
    {"levelnfcn", Kind::Value, Family::List, Cw::LevelNumberFormat, 0},
    {"levelnorestart", Kind::Value, Family::List, Cw::LevelNoRestart, 1},
    {"levelnumbers", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"levelstartat", Kind::Value, Family::List, Cw::LevelStartAt, 1},
    {"leveltext", Kind::Destination, Family::Dest, Cw::LevelText, 0},
    {"li", Kind::Value, Family::Para, Cw::LeftIndent, 0},
    {"lin", Kind::Value, Family::Para, Cw::LeftIndent, 0},
    {"line", Kind::Flag, Family::Special, Cw::Line, 0},
    {"list", Kind::Destination, Family::Dest, Cw::ListDefinition, 0},
    {"listid", Kind::Value, Family::List, Cw::ListId, 0},
    {"listlevel", Kind::Destination, Family::Dest, Cw::ListLevelDefinition, 0},
    {"listname", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"listoverride", Kind::Destination, Family::Dest, Cw::ListOverrideEntry, 0},
    {"listoverridetable", Kind::Destination, Family::Dest, Cw::ListOverrideTable, 0},
    {"listtable", Kind::Destination, Family::Dest, Cw::ListTable, 0},
    {"listtext", Kind::Destination, Family::Dest, Cw::ListText, 0},
    {"lquote", Kind::Symbol, Family::Special, Cw::Character, 8216},
    {"ls", Kind::Value, Family::Para, Cw::ListOverride, 0},
    {"ltrmark", Kind::Symbol, Family::Special, Cw::Character, 8206},
    {"ltrpar", Kind::Flag, Family::Para, Cw::LeftToRight, 0},
    {"mac", Kind::Flag, Family::Doc, Cw::Mac, 0},
    {"macpict", Kind::Flag, Family::Pict, Cw::PictOther, 0},
    {"nestcell", Kind::Flag, Family::Special, Cw::NestCell, 0},
    {"nestrow", Kind::Flag, Family::Special, Cw::NestRow, 0},
    {"nonshppict", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"nosupersub", Kind::Flag, Family::Char, Cw::NoSuperSub, 0},
    {"objclass", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"objdata", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"object", Kind::Destination, Family::Dest, Cw::Object, 0},
    {"objname", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"operator", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"page", Kind::Flag, Family::Special, Cw::Page, 0},
    {"pagebb", Kind::Toggle, Family::Para, Cw::PageBreakBefore, 1},
    {"panose", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"par", Kind::Flag, Family::Special, Cw::Par, 0},
    {"pard", Kind::Flag, Family::Para, Cw::ParagraphDefault, 0},
    {"pc", Kind::Flag, Family::Doc, Cw::Pc, 0},
    {"pca", Kind::Flag, Family::Doc, Cw::Pca, 0},
    {"pich", Kind::Value, Family::Pict, Cw::PictHeight, 0},
    {"pichgoal", Kind::Value, Family::Pict, Cw::PictGoalHeight, 0},
    {"picprop", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"picscalex", Kind::Value, Family::Pict, Cw::PictScaleX, 100},
    {"picscaley", Kind::Value, Family::Pict, Cw::PictScaleY, 100},
    {"pict", Kind::Destination, Family::Dest, Cw::Picture, 0},
    {"picw", Kind::Value, Family::Pict, Cw::PictWidth, 0},
    {"picwgoal", Kind::Value, Family::Pict, Cw::PictGoalWidth, 0},
    {"plain", Kind::Flag, Family::Char, Cw::Plain, 0},
    {"pmmetafile", Kind::Value, Family::Pict, Cw::PictOther, 0},
    {"pn", Kind::Destination, Family::Dest, Cw::ParagraphNumbering, 0},
    {"pndec", Kind::Flag, Family::Pn, Cw::PnArabic, 0},
    {"pnf", Kind::Value, Family::Pn, Cw::PnFont, 0},
    {"pngblip", Kind::Flag, Family::Pict, Cw::PictPng, 0},
    {"pnindent", Kind::Value, Family::Pn, Cw::PnIndent, 0},
    {"pnlcltr", Kind::Flag, Family::Pn, Cw::PnLowerLetter, 0},
    {"pnlcrm", Kind::Flag, Family::Pn, Cw::PnLowerRoman, 0},
    {"pnlvl", Kind::Value, Family::Pn, Cw::PnLevel, 0},
    {"pnlvlblt", Kind::Flag, Family::Pn, Cw::PnBullet, 0},
    {"pnlvlbody", Kind::Flag, Family::Pn, Cw::PnBody, 0},
    {"pnlvlcont", Kind::Flag, Family::Pn, Cw::PnContinue, 0},
    {"pnstart", Kind::Value, Family::Pn, Cw::PnStart, 1},
    {"pntext", Kind::Destination, Family::Dest, Cw::PnText, 0},
    {"pntxta", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"pntxtb", Kind::Destination, Family::Dest, Cw::PnTextBefore, 0},
    {"pnucltr", Kind::Flag, Family::Pn, Cw::PnUpperLetter, 0},
    {"pnucrm", Kind::Flag, Family::Pn, Cw::PnUpperRoman, 0},
    {"printim", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"protect", Kind::Toggle, Family::Char, Cw::Protect, 1},
    {"qc", Kind::Flag, Family::Para, Cw::AlignCenter, 0},
    {"qd", Kind::Flag, Family::Para, Cw::AlignDistribute, 0},
    {"qj", Kind::Flag, Family::Para, Cw::AlignJustify, 0},
    {"ql", Kind::Flag, Family::Para, Cw::AlignLeft, 0},
    {"qmspace", Kind::Symbol, Family::Special, Cw::Character, 8197},
    {"qr", Kind::Flag, Family::Para, Cw::AlignRight, 0},
    {"rdblquote", Kind::Symbol, Family::Special, Cw::Character, 8221},
    {"red", Kind::Value, Family::Color, Cw::Red, 0},
    {"result", Kind::Destination, Family::Dest, Cw::ObjectResult, 0},
    {"revauth", Kind::Value, Family::Char, Cw::RevAuthor, 0},
    {"revised", Kind::Toggle, Family::Char, Cw::Revised, 1},
    {"revtbl", Kind::Destination, Family::Dest, Cw::RevisionTable, 0},
    {"revtim", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"ri", Kind::Value, Family::Para, Cw::RightIndent, 0},
    {"rin", Kind::Value, Family::Para, Cw::RightIndent, 0},
    {"row", Kind::Flag, Family::Special, Cw::Row, 0},
    {"rquote", Kind::Symbol, Family::Special, Cw::Character, 8217},
    {"rtf", Kind::Value, Family::Doc, Cw::Rtf, 1},
    {"rtlmark", Kind::Symbol, Family::Special, Cw::Character, 8207},
    {"rtlpar", Kind::Flag, Family::Para, Cw::RightToLeft, 0},
    {"rxe", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"s", Kind::Value, Family::Para, Cw::Style, 0},
    {"sa", Kind::Value, Family::Para, Cw::SpaceAfter, 0},
    {"sb", Kind::Value, Family::Para, Cw::SpaceBefore, 0},
    {"scaps", Kind::Toggle, Family::Char, Cw::SmallCaps, 1},
    {"sect", Kind::Flag, Family::Special, Cw::Section, 0},
    {"shp", Kind::Destination, Family::Dest, Cw::Transparent, 0},
    {"shpinst", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"shppict", Kind::Destination, Family::Dest, Cw::Transparent, 0},
    {"shprslt", Kind::Destination, Family::Dest, Cw::Transparent, 0},
    {"shptxt", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"sl", Kind::Value, Family::Para, Cw::LineSpacing, 0},
    {"slmult", Kind::Value, Family::Para, Cw::LineMultiple, 0},
    {"sp", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"strike", Kind::Toggle, Family::Char, Cw::Strike, 1},
    {"striked", Kind::Toggle, Family::Char, Cw::Strike, 1},
    {"stylesheet", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"sub", Kind::Flag, Family::Char, Cw::Sub, 0},
    {"subject", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"super", Kind::Flag, Family::Char, Cw::Super, 0},
    {"tab", Kind::Flag, Family::Special, Cw::Tab, 0},
    {"tb", Kind::Value, Family::Para, Cw::TabBar, 0},
    {"tc", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"template", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"title", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"trbrdrb", Kind::Flag, Family::Table, Cw::RowBorderBottom, 0},
    {"trbrdrh", Kind::Flag, Family::Table, Cw::RowBorderHorizontal, 0},
    {"trbrdrl", Kind::Flag, Family::Table, Cw::RowBorderLeft, 0},
    {"trbrdrr", Kind::Flag, Family::Table, Cw::RowBorderRight, 0},
    {"trbrdrt", Kind::Flag, Family::Table, Cw::RowBorderTop, 0},
    {"trbrdrv", Kind::Flag, Family::Table, Cw::RowBorderVertical, 0},
    {"trgaph", Kind::Value, Family::Table, Cw::RowGap, 0},
    {"trhdr", Kind::Toggle, Family::Table, Cw::RowHeader, 0},
    {"trkeep", Kind::Toggle, Family::Table, Cw::RowKeep, 0},
    {"trleft", Kind::Value, Family::Table, Cw::RowLeft, 0},
    {"trowd", Kind::Flag, Family::Table, Cw::TableRowDefaults, 0},
    {"trpaddb", Kind::Value, Family::Table, Cw::RowPadBottom, 0},
    {"trpaddfb", Kind::Value, Family::Table, Cw::RowPadUnitBottom, 0},
    {"trpaddfl", Kind::Value, Family::Table, Cw::RowPadUnitLeft, 0},
    {"trpaddfr", Kind::Value, Family::Table, Cw::RowPadUnitRight, 0},
    {"trpaddft", Kind::Value, Family::Table, Cw::RowPadUnitTop, 0},
    {"trpaddl", Kind::Value, Family::Table, Cw::RowPadLeft, 0},
    {"trpaddr", Kind::Value, Family::Table, Cw::RowPadRight, 0},
    {"trpaddt", Kind::Value, Family::Table, Cw::RowPadTop, 0},
    {"trqc", Kind::Flag, Family::Table, Cw::RowAlignCenter, 0},
    {"trql", Kind::Flag, Family::Table, Cw::RowAlignLeft, 0},
    {"trqr", Kind::Flag, Family::Table, Cw::RowAlignRight, 0},
    {"trrh", Kind::Value, Family::Table, Cw::RowHeight, 0},
    {"tx", Kind::Value, Family::Para, Cw::TabStop, 0},
    {"txe", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"u", Kind::Value, Family::Special, Cw::Unicode, 0},
    {"uc", Kind::Value, Family::Doc, Cw::UnicodeSkip, 1},
    {"ud", Kind::Destination, Family::Dest, Cw::UnicodeText, 0},
    {"ul", Kind::Toggle, Family::Char, Cw::Underline, 1},
    {"uld", Kind::Toggle, Family::Char, Cw::UnderlineDotted, 1},
    {"uldash", Kind::Toggle, Family::Char, Cw::UnderlineDash, 1},
    {"uldashd", Kind::Toggle, Family::Char, Cw::UnderlineDashDot, 1},
    {"uldashdd", Kind::Toggle, Family::Char, Cw::UnderlineDashDotDot, 1},
    {"uldb", Kind::Toggle, Family::Char, Cw::UnderlineDouble, 1},
    {"ulhwave", Kind::Toggle, Family::Char, Cw::UnderlineHeavyWave, 1},
    {"ulldash", Kind::Toggle, Family::Char, Cw::UnderlineDash, 1},
    {"ulnone", Kind::Flag, Family::Char, Cw::UnderlineNone, 0},
    {"ulth", Kind::Toggle, Family::Char, Cw::UnderlineThick, 1},
    {"ulthd", Kind::Toggle, Family::Char, Cw::UnderlineDotted, 1},
    {"ulthdash", Kind::Toggle, Family::Char, Cw::UnderlineDash, 1},
    {"ulthdashd", Kind::Toggle, Family::Char, Cw::UnderlineDashDot, 1},
    {"ulthdashdd", Kind::Toggle, Family::Char, Cw::UnderlineDashDotDot, 1},
    {"ulthldash", Kind::Toggle, Family::Char, Cw::UnderlineDash, 1},
    {"ululdbwave", Kind::Toggle, Family::Char, Cw::UnderlineHeavyWave, 1},
    {"ulw", Kind::Toggle, Family::Char, Cw::UnderlineWords, 1},
    {"ulwave", Kind::Toggle, Family::Char, Cw::UnderlineWave, 1},
    {"upr", Kind::Destination, Family::Dest, Cw::UnicodePair, 0},
    {"userprops", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"v", Kind::Toggle, Family::Char, Cw::Hidden, 1},
    {"viewkind", Kind::Value, Family::Doc, Cw::ViewKind, 4},
    {"wbitmap", Kind::Value, Family::Pict, Cw::PictDdb, 0},
    {"wmetafile", Kind::Value, Family::Pict, Cw::PictWmf, 8},
    {"xe", Kind::Destination, Family::Dest, Cw::Skip, 0},
    {"zwj", Kind::Symbol, Family::Special, Cw::Character, 8205},
    {"zwnj", Kind::Symbol, Family::Special, Cw::Character, 8204},
};

// Spelling per id, filled once from the table.
struct SpellingIndex {
    std::array<std::string_view, std::size_t(Cw::Count)> words{};
    SpellingIndex()
    {
        for (const ControlWord &cw : kTable) {
            std::string_view &w = words[std::size_t(cw.id)];
            if (w.empty())
                w = cw.word;
        }
    }
};

} // namespace

std::span<const ControlWord> controlWordTable()
{
    return kTable;
}

namespace {

// An open-addressing hash of the table's spellings: a lookup hashes the word once and
// compares it with one entry as a rule, where a search of the sorted table compared several.
struct WordIndex {
    static constexpr std::size_t kSlots = 2048; // a power of two, several times the table
    std::array<std::int16_t, kSlots> slots{};    // index into kTable + 1; 0 = empty

    static std::size_t hash(std::string_view word)
    {
        std::uint32_t h = 2166136261u;
        for (const char c : word)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }
    WordIndex()
    {
        static_assert(std::size(kTable) < kSlots / 2);
        for (std::size_t i = 0; i < std::size(kTable); ++i) {
            std::size_t slot = hash(kTable[i].word) & (kSlots - 1);
            while (slots[slot] != 0)
                slot = (slot + 1) & (kSlots - 1);
            slots[slot] = std::int16_t(i + 1);
        }
    }
    const ControlWord *find(std::string_view word) const
    {
        for (std::size_t slot = hash(word) & (kSlots - 1); slots[slot] != 0;
             slot = (slot + 1) & (kSlots - 1)) {
            const ControlWord &cw = kTable[std::size_t(slots[slot] - 1)];
            if (cw.word.size() == word.size()
                && std::memcmp(cw.word.data(), word.data(), word.size()) == 0)
                return &cw;
        }
        return nullptr;
    }
};

} // namespace

const ControlWord *findControlWord(std::string_view word)
{
    static const WordIndex index;
    return word.empty() ? nullptr : index.find(word);
}

std::string_view spelling(Cw id)
{
    static const SpellingIndex index;
    return index.words[std::size_t(id)];
}

} // namespace rtf
