// The reader's header tables (fonts, colours, lists), list labels and pictures.
#include "RtfReader.h"

#include "RtfPicture.h"
#include "richedit/RichEditTypes.h"
#include "text/CodePage.h"

namespace rtf {

namespace {

constexpr qsizetype kMaxFontNameBytes = 256; // characters decoded and bytes pending, together
constexpr qsizetype kMaxLevelText = 64;

} // namespace

void RtfReader::fontWord(Cw id, int value)
{
    switch (id) {
    case Cw::Font:
        if (m_fontOpen)
            commitFont();
        m_font = FontEntry{};
        m_font.number = value;
        m_fontOpen = true;
        break;
    case Cw::FontCharset:
        m_font.charset = std::clamp(value, 0, 255);
        break;
    case Cw::FontCodePage:
        m_font.codePage = std::max(value, 0);
        break;
    case Cw::FontPitch:
        m_font.pitch = std::clamp(value, 0, 2);
        break;
    case Cw::FontNil:
    case Cw::FontRoman:
    case Cw::FontSwiss:
    case Cw::FontModern:
    case Cw::FontScript:
    case Cw::FontDecor:
    case Cw::FontTech:
    case Cw::FontBidi:
        m_font.family = value;
        break;
    default:
        break;
    }
}

void RtfReader::fontText(const char *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (text[i] == ';') {
            commitFont();
        } else if (m_fontOpen && m_font.name.size() + m_font.rawName.size() < kMaxFontNameBytes) {
            m_font.rawName.append(text[i]);
        }
    }
}

// The code page of the name bytes of the entry being read.
int RtfReader::fontNameCodePage() const
{
    int page = m_font.codePage;
    if (page <= 0 && m_font.charset > 2)
        page = text::codePageForCharset(m_font.charset);
    return page > 0 ? page : m_ansiCodePage;
}

// A \u character in a font name: the bytes before it are decoded first.
void RtfReader::fontCharacter(char16_t ch)
{
    if (!m_fontOpen || m_font.name.size() + m_font.rawName.size() >= kMaxFontNameBytes)
        return;
    m_font.name += text::decode(m_font.rawName, fontNameCodePage());
    m_font.rawName.clear();
    m_font.name += QChar(ch);
}

// Adds the entry being read to the table. The first entry with a number wins.
void RtfReader::commitFont()
{
    if (!m_fontOpen)
        return;
    m_fontOpen = false;
    m_font.name += text::decode(m_font.rawName, fontNameCodePage());
    m_font.name.removeIf([](QChar c) { return c.unicode() < 0x20; });
    m_font.name = m_font.name.trimmed();
    m_font.symbol = m_font.charset == 2
                    || m_font.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    if (m_fontIndex.contains(m_font.number))
        return;
    m_fontIndex.insert(m_font.number, int(m_fonts.size()));
    m_fonts.push_back(m_font);
    m_formatValid = false;
}

void RtfReader::colorWord(Cw id, int value)
{
    const int component = std::clamp(value, 0, 255);
    switch (id) {
    case Cw::Red:
        m_red = component;
        break;
    case Cw::Green:
        m_green = component;
        break;
    case Cw::Blue:
        m_blue = component;
        break;
    default:
        return;
    }
    m_colorSet = true;
}

// A semicolon ends a colour; an entry without components is the automatic colour.
void RtfReader::colorText(const char *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (text[i] != ';')
            continue;
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_colorSet = false;
        m_red = m_green = m_blue = 0;
    }
    m_formatValid = false;
}

void RtfReader::listWord(Cw id, int value)
{
    m_blockValid = false; // whether a paragraph is bulleted may change
    m_levelFormatsValid = false;
    switch (state().dest) {
    case Destination::ListDefinition:
        if (id == Cw::ListId && !m_lists.empty())
            m_lists.back().id = value;
        break;
    case Destination::ListLevel:
        if (m_lists.empty() || m_lists.back().levels.empty())
            break;
        if (id == Cw::LevelNumberFormat)
            m_lists.back().levels.back().format = value;
        else if (id == Cw::LevelStartAt)
            m_lists.back().levels.back().startAt = std::clamp(value, 0, 32767);
        else if (id == Cw::LevelNoRestart)
            m_lists.back().levels.back().noRestart = value != 0;
        break;
    case Destination::ListOverride:
        if (m_overrides.empty())
            break;
        if (id == Cw::ListId)
            m_overrides.back().listId = value;
        else if (id == Cw::ListOverride)
            m_overrides.back().number = value;
        break;
    default:
        break;
    }
}

// The text of a list level: the length byte, then characters; bytes below 9 stand for the
// numbers of the levels, the rest are decoded as the document's code page.
void RtfReader::levelText(const char *text, qsizetype length)
{
    if (m_lists.empty() || m_lists.back().levels.empty())
        return;
    QString &t = m_lists.back().levels.back().text;
    for (qsizetype i = 0; i < length && t.size() < kMaxLevelText; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20)
            t += QChar(char16_t(byte));
        else
            t += text::decode(QByteArray(1, char(byte)), m_ansiCodePage); // "" for a lead byte
    }
}

void RtfReader::levelCharacter(char16_t ch)
{
    if (!m_lists.empty() && !m_lists.back().levels.empty()
        && m_lists.back().levels.back().text.size() < kMaxLevelText)
        m_lists.back().levels.back().text += QChar(ch);
}

void RtfReader::numberingWord(Cw id)
{
    if (id == Cw::PnBullet)
        m_pnNumbering = 1;
}

// The label of a list item is kept until the paragraph's first content shows whether the item
// is a bullet (the engine draws it) or numbered (the label stays as text).
void RtfReader::finishLabel()
{
    m_labelPending = true;
}

// Row and cell definition words: \trowd starts a definition, each \cellx ends a cell's.
void RtfReader::tableWord(Cw id, int value)
{
    constexpr int kMaxTwips = kMaxTableTwips;
    constexpr std::size_t kMaxCells = kMaxTableColumns;
    // Targets 0 to 3 are the sides of the cell being defined, 4 to 9 those of the row.
    TableBorder *border = m_borderTarget >= 4 ? &m_rowDef.borders[std::size_t(m_borderTarget - 4)]
                          : m_borderTarget >= 0 ? &m_cellDef.borders[std::size_t(m_borderTarget)]
                                                : nullptr;
    switch (id) {
    case Cw::TableRowDefaults:
        m_rowDef = TableRow{};
        m_cellDef = TableCell{};
        m_borderTarget = -1;
        m_rowPending = true;
        break;
    case Cw::RowGap:
        m_rowDef.gap = std::clamp(value, 0, 1440);
        break;
    case Cw::RowLeft:
        // (room for the boundaries of as many cells as a row may have right of it)
        m_rowDef.left = std::clamp(value, -kMaxTwips, kMaxTwips - int(kMaxCells) - 1);
        break;
    case Cw::RowAlignLeft:
    case Cw::RowAlignCenter:
    case Cw::RowAlignRight:
        m_rowDef.align = id == Cw::RowAlignCenter ? 1 : id == Cw::RowAlignRight ? 2 : 0;
        break;
    case Cw::RowHeight:
        m_rowDef.height = std::clamp(value, -kMaxTwips, kMaxTwips);
        break;
    case Cw::RowHeader:
        m_rowDef.header = value != 0;
        break;
    case Cw::RowKeep:
        m_rowDef.keep = value != 0;
        break;
    case Cw::RowPadTop:
    case Cw::RowPadLeft:
    case Cw::RowPadBottom:
    case Cw::RowPadRight:
        m_rowDef.padding[std::size_t(int(id) - int(Cw::RowPadTop))] = std::clamp(value, 0, 1440);
        break;
    case Cw::RowPadUnitTop:
    case Cw::RowPadUnitLeft:
    case Cw::RowPadUnitBottom:
    case Cw::RowPadUnitRight:
        m_rowDef.paddingUnit[std::size_t(int(id) - int(Cw::RowPadUnitTop))] =
            value == 3 ? 3 : 0; // (twips is the only unit defined)
        break;
    case Cw::CellPadTop:
    case Cw::CellPadLeft:
    case Cw::CellPadBottom:
    case Cw::CellPadRight:
        m_cellDef.padding[std::size_t(int(id) - int(Cw::CellPadTop))] = std::clamp(value, 0, 1440);
        break;
    case Cw::CellPadUnitTop:
    case Cw::CellPadUnitLeft:
    case Cw::CellPadUnitBottom:
    case Cw::CellPadUnitRight:
        m_cellDef.paddingUnit[std::size_t(int(id) - int(Cw::CellPadUnitTop))] =
            value == 3 ? 3 : 0;
        break;
    case Cw::CellWidth:
        m_cellDef.width = std::clamp(value, -kMaxTwips, kMaxTwips);
        break;
    case Cw::CellWidthType:
        m_cellDef.widthType = std::clamp(value, 0, 3);
        break;
    case Cw::CellBorderTop:
    case Cw::CellBorderLeft:
    case Cw::CellBorderBottom:
    case Cw::CellBorderRight:
        m_borderTarget = int(id) - int(Cw::CellBorderTop);
        m_cellDef.borders[std::size_t(m_borderTarget)] = TableBorder{};
        break;
    case Cw::RowBorderTop:
    case Cw::RowBorderLeft:
    case Cw::RowBorderBottom:
    case Cw::RowBorderRight:
    case Cw::RowBorderHorizontal:
    case Cw::RowBorderVertical:
        m_borderTarget = 4 + int(id) - int(Cw::RowBorderTop);
        m_rowDef.borders[std::size_t(m_borderTarget - 4)] = TableBorder{};
        break;
    case Cw::ParagraphBorder:
        m_borderTarget = -1; // borders of a paragraph are not kept
        break;
    case Cw::BorderSingle:
    case Cw::BorderThick:
    case Cw::BorderDouble:
    case Cw::BorderDotted:
    case Cw::BorderDashed:
    case Cw::BorderNone:
        if (border)
            border->style = id == Cw::BorderSingle   ? TableBorder::Single
                            : id == Cw::BorderThick  ? TableBorder::Thick
                            : id == Cw::BorderDouble ? TableBorder::Double
                            : id == Cw::BorderDotted ? TableBorder::Dotted
                            : id == Cw::BorderDashed ? TableBorder::Dashed
                                                     : TableBorder::None;
        break;
    case Cw::BorderWidth:
        if (border)
            border->width = std::clamp(value, 0, 255);
        break;
    case Cw::BorderColor:
        if (border)
            border->color = value > 0 && std::size_t(value) < m_colors.size()
                                ? m_colors[std::size_t(value)] : QColor();
        break;
    case Cw::CellShading:
        m_cellDef.shading = value > 0 && std::size_t(value) < m_colors.size()
                                ? m_colors[std::size_t(value)] : QColor();
        break;
    case Cw::CellMergeFirst:
    case Cw::CellMerged:
        m_cellDef.horizontalMerge = id == Cw::CellMergeFirst ? TableCell::First : TableCell::Merged;
        break;
    case Cw::CellVMergeFirst:
    case Cw::CellVMerged:
        m_cellDef.verticalMerge = id == Cw::CellVMergeFirst ? TableCell::First : TableCell::Merged;
        break;
    case Cw::CellAlignTop:
    case Cw::CellAlignCenter:
    case Cw::CellAlignBottom:
        m_cellDef.verticalAlign = int(id) - int(Cw::CellAlignTop);
        break;
    case Cw::CellRight:
        m_cellDef.right = std::clamp(value, -kMaxTwips, kMaxTwips);
        if (m_rowDef.cells.size() < kMaxCells)
            m_rowDef.cells.push_back(m_cellDef);
        m_cellDef = TableCell{};
        m_borderTarget = -1;
        break;
    default:
        break;
    }
}

void RtfReader::pictureWord(Cw id, int value)
{
    using K = PictureState::Kind;
    PictureState &p = m_picture;
    switch (id) {
    case Cw::PictPng:
        p.kind = K::Png;
        break;
    case Cw::PictJpeg:
        p.kind = K::Jpeg;
        break;
    case Cw::PictDib:
        p.kind = K::Dib;
        break;
    case Cw::PictDdb:
        p.kind = K::Ddb;
        break;
    case Cw::PictWmf:
        p.kind = K::Wmf;
        break;
    case Cw::PictEmf:
        p.kind = K::Emf;
        break;
    case Cw::PictOther:
        p.kind = K::Other;
        break;
    case Cw::PictWidth:
        p.picw = std::max(value, 0);
        break;
    case Cw::PictHeight:
        p.pich = std::max(value, 0);
        break;
    case Cw::PictGoalWidth:
        p.goalWidth = std::max(value, 0);
        break;
    case Cw::PictGoalHeight:
        p.goalHeight = std::max(value, 0);
        break;
    case Cw::PictScaleX:
        p.scaleX = std::clamp(value, 1, 10000);
        break;
    case Cw::PictScaleY:
        p.scaleY = std::clamp(value, 1, 10000);
        break;
    default:
        break;
    }
}

void RtfReader::pictureText(const char *text, qsizetype length)
{
    PictureState &p = m_picture;
    for (qsizetype i = 0; i < length; ++i) {
        const int v = hexValue(static_cast<unsigned char>(text[i]));
        if (v < 0)
            continue;
        if (p.pendingNibble < 0) {
            p.pendingNibble = v;
        } else {
            p.data.append(char(p.pendingNibble * 16 + v));
            p.pendingNibble = -1;
        }
    }
}

void RtfReader::finishPicture()
{
    m_inPicture = false;
    m_tokenizer->setKeepBinary(false);
    if (m_options.noObjects) {
        m_picture = PictureState{};
        return;
    }
    if (m_picture.data.isEmpty() && m_picture.kind == PictureState::Kind::None)
        return; // nothing to show
    DecodedPicture picture = decodePicture(m_picture);
    m_picture = PictureState{};
    if (m_objectPending) { // the picture of an object's result carries the object
        picture.format.setProperty(richedit::prop::ObjectData, m_objectData);
        m_objectPending = false;
    }
    beginContent();
    flushText();
    m_sink.insertImage(picture.format, picture.image);
}

} // namespace rtf
