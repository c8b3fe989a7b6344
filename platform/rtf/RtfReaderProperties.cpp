// Character, paragraph and document control words of the reader, and the formats they give.
#include "RtfReader.h"

#include "richedit/FormatMapping.h"
#include "richedit/RichEditTypes.h"
#include "text/CodePage.h"

#include <QFont>

namespace rtf {

namespace prop = richedit::prop;

void RtfReader::documentWord(Cw id, int value)
{
    switch (id) {
    case Cw::AnsiCodePage:
        if (value > 0)
            m_ansiCodePage = value;
        break;
    case Cw::Mac:
        m_ansiCodePage = 10000;
        break;
    case Cw::Pc:
        m_ansiCodePage = 437;
        break;
    case Cw::Pca:
        m_ansiCodePage = 850;
        break;
    case Cw::DefaultFont:
        m_defaultFont = value;
        break;
    default:
        break;
    }
}

void RtfReader::characterWord(Cw id, int value)
{
    CharState &c = state().chr;
    switch (id) {
    case Cw::Plain:
        c = CharState{};
        break;
    case Cw::Bold:
        c.bold = value;
        break;
    case Cw::Italic:
        c.italic = value;
        break;
    case Cw::Underline:
    case Cw::UnderlineDouble:
    case Cw::UnderlineThick:
    case Cw::UnderlineWords:
        c.underline = value ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineDotted:
        c.underline = value ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineDash:
        c.underline = value ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineDashDot:
        c.underline = value ? QTextCharFormat::DashDotLine : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineDashDotDot:
        c.underline = value ? QTextCharFormat::DashDotDotLine : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineWave:
    case Cw::UnderlineHeavyWave:
        c.underline = value ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        break;
    case Cw::UnderlineNone:
        c.underline = QTextCharFormat::NoUnderline;
        break;
    case Cw::Strike:
        c.strike = value;
        break;
    case Cw::Font:
        c.font = m_fontIndex.value(value, -1);
        break;
    case Cw::FontSize:
        c.halfPoints = std::clamp(value, 2, 3276);
        break;
    case Cw::ForeColor:
        c.foreColor = std::max(value, 0);
        break;
    case Cw::BackColor:
    case Cw::Highlight:
        c.backColor = std::max(value, 0);
        break;
    case Cw::Super:
        c.vertical = 1;
        break;
    case Cw::Sub:
        c.vertical = 2;
        break;
    case Cw::NoSuperSub:
        c.vertical = 0;
        break;
    case Cw::Expand:
        c.expand = std::clamp(value, -32768, 32767) * 5; // quarter points to twips
        break;
    case Cw::ExpandTwips:
        c.expand = std::clamp(value, -32768 * 5, 32767 * 5);
        break;
    case Cw::Kerning:
        c.kerning = std::clamp(value, 0, 32767);
        break;
    case Cw::Revised:
        c.revised = value;
        break;
    case Cw::RevAuthor:
        c.revAuthor = std::clamp(value, 0, 255);
        break;
    case Cw::Protect:
        c.protect = value;
        break;
    case Cw::Hidden:
        c.hidden = value;
        break;
    case Cw::Caps:
    case Cw::SmallCaps: {
        // One capitalisation at a time: the last switched on shows; switching off another
        // one leaves it alone.
        const auto shown = std::uint8_t(id == Cw::Caps ? QFont::AllUppercase : QFont::SmallCaps);
        if (value)
            c.capitals = shown;
        else if (c.capitals == shown)
            c.capitals = QFont::MixedCase;
        break;
    }
    case Cw::CharStyle:
        c.charStyle = std::max(value, 0);
        break;
    case Cw::Language:
        c.language = std::clamp(value, 0, 0xFFFF);
        break;
    case Cw::LanguageFE:
        c.languageFE = std::clamp(value, 0, 0xFFFF);
        break;
    default:
        break; // \deleted keeps its text unmarked
    }
}

void RtfReader::paragraphWord(Cw id, int value)
{
    ParaState &p = state().para;
    constexpr int kMaxTwips = 31680; // 22 inches, the widest page the engine lays out
    const int twips = std::clamp(value, -kMaxTwips, kMaxTwips);
    switch (id) {
    case Cw::ParagraphDefault:
        p = ParaState{};
        break;
    case Cw::AlignLeft:
        p.align = 0;
        break;
    case Cw::AlignCenter:
        p.align = richedit::PFA_CENTER;
        break;
    case Cw::AlignRight:
        p.align = richedit::PFA_RIGHT;
        break;
    case Cw::AlignJustify:
    case Cw::AlignDistribute:
        p.align = richedit::PFA_JUSTIFY;
        break;
    case Cw::LeftIndent:
        p.leftIndent = twips;
        break;
    case Cw::RightIndent:
        p.rightIndent = twips;
        break;
    case Cw::FirstIndent:
        p.firstIndent = twips;
        break;
    case Cw::SpaceBefore:
        p.spaceBefore = std::clamp(value, 0, kMaxTwips);
        break;
    case Cw::SpaceAfter:
        p.spaceAfter = std::clamp(value, 0, kMaxTwips);
        break;
    case Cw::LineSpacing:
        p.lineSpacing = twips;
        break;
    case Cw::LineMultiple:
        p.lineMultiple = value != 0;
        break;
    case Cw::TabStop:
    case Cw::TabBar:
        if (p.tabCount < ParaState::kMaxTabs && value >= 0 && value <= kMaxTwips)
            p.tabs[std::size_t(p.tabCount++)] = value;
        break;
    case Cw::KeepNext:
        p.keepNext = value;
        break;
    case Cw::Style:
        p.style = std::clamp(value, 0, 32767);
        break;
    case Cw::LeftToRight:
        p.rightToLeft = false;
        break;
    case Cw::RightToLeft:
        p.rightToLeft = true;
        break;
    case Cw::PageBreakBefore:
        p.pageBreakBefore = value;
        break;
    case Cw::ListOverride:
        p.listOverride = value;
        break;
    case Cw::ListLevel:
        p.listLevel = std::clamp(value, 0, 8);
        break;
    case Cw::InTable:
        p.inTable = true;
        break;
    case Cw::TableNesting:
        p.inTable = value > 0;
        break;
    default:
        break;
    }
}

bool RtfReader::isSymbolFont(int fontIndex) const
{
    if (fontIndex < 0)
        fontIndex = m_fontIndex.value(m_defaultFont, -1);
    return fontIndex >= 0 && m_fonts[std::size_t(fontIndex)].symbol;
}

int RtfReader::codePageOf(int fontIndex) const
{
    if (fontIndex < 0)
        fontIndex = m_fontIndex.value(m_defaultFont, -1);
    if (fontIndex < 0)
        return m_ansiCodePage;
    const FontEntry &font = m_fonts[std::size_t(fontIndex)];
    if (font.codePage > 0)
        return font.codePage;
    if (font.charset < 0 || font.charset == richedit::ANSI_CHARSET
        || font.charset == richedit::DEFAULT_CHARSET)
        return m_ansiCodePage;
    const int page = text::codePageForCharset(font.charset);
    return page > 0 ? page : m_ansiCodePage;
}

// The list an override number refers to; the first definition of a list or override counts.
const ListDefinition *RtfReader::listOf(int overrideNumber)
{
    if (!m_levelFormatsValid) {
        m_overrideLists.clear();
        QHash<int, int> lists;
        for (std::size_t i = 0; i < m_lists.size(); ++i)
            if (!lists.contains(m_lists[i].id))
                lists.insert(m_lists[i].id, int(i));
        for (const ListOverrideEntry &o : m_overrides) {
            const auto it = lists.constFind(o.listId);
            if (it != lists.constEnd() && !m_overrideLists.contains(o.number))
                m_overrideLists.insert(o.number, *it);
        }
        m_levelFormatsValid = true;
    }
    const auto it = m_overrideLists.constFind(overrideNumber);
    return it == m_overrideLists.constEnd() ? nullptr : &m_lists[std::size_t(*it)];
}

bool RtfReader::isBulleted(const ParaState &para)
{
    if (para.numbering == 1)
        return true;
    if (para.listOverride <= 0)
        return false;
    const ListDefinition *list = listOf(para.listOverride);
    return list && std::size_t(para.listLevel) < list->levels.size()
           && list->levels[std::size_t(para.listLevel)].format == ListNumbering::kBullet;
}

// Counts the paragraph as the next item of its list and gives its label from the list table.
QString RtfReader::listLabel(const ParaState &para)
{
    if (para.listOverride <= 0)
        return QString();
    const ListDefinition *list = listOf(para.listOverride);
    return list ? m_numbering.nextLabel(list->id, list->levels, para.listLevel) : QString();
}

const QTextCharFormat &RtfReader::charFormat(const CharState &c)
{
    if (!m_formatValid) {
        m_formatCacheUsed = 0;
        m_formatValid = true;
    }
    // Runs in a row mostly share their format: the entry found last is tried first.
    if (m_formatCacheLast < m_formatCacheUsed
        && m_formatCache[std::size_t(m_formatCacheLast)].state == c)
        return m_formatCache[std::size_t(m_formatCacheLast)].format;
    for (int i = 0; i < m_formatCacheUsed; ++i) {
        if (m_formatCache[std::size_t(i)].state == c) {
            m_formatCacheLast = i;
            return m_formatCache[std::size_t(i)].format;
        }
    }
    m_formatCacheLast = m_formatCacheNext;
    CachedFormat &slot = m_formatCache[std::size_t(m_formatCacheNext)];
    m_formatCacheNext = (m_formatCacheNext + 1) % kFormatCacheSize;
    m_formatCacheUsed = std::min(m_formatCacheUsed + 1, kFormatCacheSize);
    slot.state = c;
    QTextCharFormat &f = slot.format;
    f = QTextCharFormat();
    int fontIndex = c.font >= 0 ? c.font : m_fontIndex.value(m_defaultFont, -1);
    if (fontIndex >= 0) {
        const FontEntry &font = m_fonts[std::size_t(fontIndex)];
        if (!font.name.isEmpty())
            f.setFontFamilies({font.name});
        f.setProperty(prop::Charset, font.symbol ? int(richedit::SYMBOL_CHARSET)
                                                 : std::max(font.charset, 0));
        const int pitchFamily = (font.pitch & 3) | (font.family << 4);
        if (pitchFamily)
            f.setProperty(prop::PitchFamily, pitchFamily);
    }
    richedit::applyCharacterSizeTwips(f, c.halfPoints * 10);
    if (c.bold)
        f.setFontWeight(QFont::Bold);
    if (c.italic)
        f.setFontItalic(true);
    if (c.underline != QTextCharFormat::NoUnderline) {
        f.setFontUnderline(true);
        f.setUnderlineStyle(QTextCharFormat::UnderlineStyle(c.underline));
    }
    if (c.strike)
        f.setFontStrikeOut(true);
    if (c.capitals != QFont::MixedCase)
        f.setFontCapitalization(QFont::Capitalization(c.capitals));
    if (c.foreColor >= 0 && std::size_t(c.foreColor) < m_colors.size()
        && m_colors[std::size_t(c.foreColor)].isValid())
        f.setForeground(m_colors[std::size_t(c.foreColor)]);
    if (c.backColor > 0 && std::size_t(c.backColor) < m_colors.size()
        && m_colors[std::size_t(c.backColor)].isValid())
        f.setBackground(m_colors[std::size_t(c.backColor)]);
    if (c.vertical == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (c.vertical == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (c.kerning > 0) {
        f.setProperty(prop::Kerning, c.kerning * 10);
        f.setFontKerning(true);
    }
    if (c.expand != 0) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(richedit::twipsToPixels(c.expand));
    }
    if (c.language > 0)
        f.setProperty(prop::Language, c.language);
    if (c.languageFE > 0)
        f.setProperty(prop::LanguageFE, c.languageFE);
    if (c.revised)
        f.setProperty(prop::Revised, true);
    if (c.revAuthor > 0)
        f.setProperty(prop::RevAuthor, c.revAuthor);
    if (c.protect)
        f.setProperty(prop::Protected, true);
    if (c.charStyle > 0)
        f.setProperty(prop::CharStyle, c.charStyle);
    if (c.hidden) {
        f.setProperty(prop::Hidden, true);
        richedit::applyHiddenDisplay(f);
    }
    return f;
}

// The paragraph's format: the engine's twips in its own properties, PARAFORMAT2-style, and the
// layout properties QTextDocument needs derived from them.
const QTextBlockFormat &RtfReader::blockFormat(const ParaState &p)
{
    if (!m_blockValid) {
        m_blockCacheUsed = 0;
        m_blockValid = true;
    }
    // Paragraphs in a row mostly share their format: the entry found last is tried first.
    const auto matches = [&](const CachedBlockFormat &entry) {
        return entry.pageBreak == m_pageBreakPending && entry.state == p;
    };
    if (m_blockCacheLast < m_blockCacheUsed && matches(m_blockCache[std::size_t(m_blockCacheLast)]))
        return m_blockCache[std::size_t(m_blockCacheLast)].format;
    for (int i = 0; i < m_blockCacheUsed; ++i) {
        if (matches(m_blockCache[std::size_t(i)])) {
            m_blockCacheLast = i;
            return m_blockCache[std::size_t(i)].format;
        }
    }
    m_blockCacheLast = m_blockCacheNext;
    m_blockCacheNext = (m_blockCacheNext + 1) % kFormatCacheSize;
    m_blockCacheUsed = std::min(m_blockCacheUsed + 1, kFormatCacheSize);
    CachedBlockFormat &slot = m_blockCache[std::size_t(m_blockCacheLast)];
    slot.state = p;
    slot.pageBreak = m_pageBreakPending;
    slot.format = makeBlockFormat(p);
    return slot.format;
}

QTextBlockFormat RtfReader::makeBlockFormat(const ParaState &p)
{
    QTextBlockFormat f;
    const int startIndent = p.leftIndent + p.firstIndent;
    if (startIndent)
        f.setProperty(prop::StartIndent, startIndent);
    if (p.firstIndent)
        f.setProperty(prop::Offset, -p.firstIndent);
    if (p.rightIndent)
        f.setProperty(prop::RightIndent, p.rightIndent);
    if (p.spaceBefore)
        f.setProperty(prop::SpaceBefore, p.spaceBefore);
    if (p.spaceAfter)
        f.setProperty(prop::SpaceAfter, p.spaceAfter);

    int rule = 0;
    int spacing = 0;
    if (p.lineSpacing != 0) {
        if (p.lineMultiple && p.lineSpacing > 0) {
            if (p.lineSpacing == 360)
                rule = 1;
            else if (p.lineSpacing == 480)
                rule = 2;
            else {
                rule = 5;
                spacing = (p.lineSpacing + 6) / 12; // twentieths of a line
            }
        } else if (p.lineSpacing > 0) {
            rule = 3;
            spacing = p.lineSpacing;
        } else {
            rule = 4;
            spacing = -p.lineSpacing;
        }
    }
    if (rule)
        f.setProperty(prop::SpacingRule, rule);
    if (spacing)
        f.setProperty(prop::LineSpacing, spacing);

    switch (p.align) {
    case richedit::PFA_CENTER:
        f.setAlignment(Qt::AlignHCenter);
        break;
    case richedit::PFA_RIGHT:
        f.setAlignment(Qt::AlignRight);
        break;
    case richedit::PFA_JUSTIFY:
        f.setAlignment(Qt::AlignJustify);
        break;
    default:
        f.setAlignment(Qt::AlignLeft);
        break;
    }
    if (p.tabCount > 0) {
        QList<int> tabs(p.tabs.begin(), p.tabs.begin() + p.tabCount);
        std::sort(tabs.begin(), tabs.end());
        tabs.erase(std::unique(tabs.begin(), tabs.end()), tabs.end());
        f.setProperty(prop::TabStops, QVariant::fromValue(tabs));
    }
    if (isBulleted(p))
        f.setProperty(prop::Numbering, int(richedit::PFN_BULLET));
    if (p.style)
        f.setProperty(prop::StyleNumber, p.style);
    if (p.keepNext)
        f.setProperty(prop::KeepNext, true);
    if (p.rightToLeft)
        f.setLayoutDirection(Qt::RightToLeft);
    if (p.pageBreakBefore || m_pageBreakPending) {
        f.setProperty(prop::PageBreakBefore, true);
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    }
    richedit::applyParagraphTwips(f);
    return f;
}

} // namespace rtf
