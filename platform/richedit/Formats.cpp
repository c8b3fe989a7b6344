#include "Formats.h"

#include <QFont>
#include <QTextOption>

namespace richedit {

namespace {

int intProp(const QTextFormat &f, int id, int fallback = 0)
{
    return f.hasProperty(id) ? f.intProperty(id) : fallback;
}

// Twips of a paragraph measure: the exact property when the engine set it, else derived from
// the Qt property (text that came in through HTML or a plain Qt edit).
int twipsOf(const QTextBlockFormat &f, int id, double qtPixels)
{
    if (f.hasProperty(id))
        return f.intProperty(id);
    return qRound(qtPixels * 15.0);
}

QString faceOf(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

void readCharFormat(const QTextCharFormat &format, const QTextCharFormat &defaults,
                    CHARFORMAT2 &cf)
{
    QTextCharFormat f = defaults;
    f.merge(logicalCharFormat(format));
    cf = CHARFORMAT2{};
    cf.dwMask = CFM_ALL2;
    cf.szFaceName = faceOf(f).left(LF_FACESIZE - 1);
    cf.yHeight = f.hasProperty(QTextFormat::FontPointSize) ? qRound(f.fontPointSize() * 20) : 0;
    const int weight = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : QFont::Normal;
    cf.wWeight = std::uint16_t(weight);
    if (weight >= QFont::DemiBold)
        cf.dwEffects |= CFE_BOLD;
    if (f.fontItalic())
        cf.dwEffects |= CFE_ITALIC;
    if (f.fontUnderline())
        cf.dwEffects |= CFE_UNDERLINE;
    if (f.fontStrikeOut())
        cf.dwEffects |= CFE_STRIKEOUT;
    if (f.boolProperty(prop::Protected))
        cf.dwEffects |= CFE_PROTECTED;
    if (f.boolProperty(prop::Hidden))
        cf.dwEffects |= CFE_HIDDEN;
    if (f.isAnchor())
        cf.dwEffects |= CFE_LINK;
    if (f.boolProperty(prop::Revised))
        cf.dwEffects |= CFE_REVISED;
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        cf.dwEffects |= CFE_SUPERSCRIPT;
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        cf.dwEffects |= CFE_SUBSCRIPT;
    const QBrush fg = f.foreground();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && fg.style() != Qt::NoBrush)
        cf.crTextColor = rgbOf(fg.color());
    else
        cf.dwEffects |= CFE_AUTOCOLOR;
    const QBrush bg = f.background();
    if (f.hasProperty(QTextFormat::BackgroundBrush) && bg.style() != Qt::NoBrush)
        cf.crBackColor = rgbOf(bg.color());
    else
        cf.dwEffects |= CFE_AUTOBACKCOLOR;
    cf.bCharSet = std::uint8_t(intProp(f, prop::Charset, ANSI_CHARSET));
    cf.bPitchAndFamily = std::uint8_t(intProp(f, prop::PitchFamily));
    cf.wKerning = std::uint16_t(intProp(f, prop::Kerning));
    cf.bRevAuthor = std::uint8_t(intProp(f, prop::RevAuthor));
    cf.sStyle = std::int16_t(intProp(f, prop::CharStyle));
}

void narrowCharMask(CHARFORMAT2 &cf, const CHARFORMAT2 &o)
{
    auto drop = [&cf](bool differs, std::uint32_t bits) {
        if (differs)
            cf.dwMask &= ~bits;
    };
    drop(cf.szFaceName != o.szFaceName, CFM_FACE);
    drop(cf.yHeight != o.yHeight, CFM_SIZE);
    const std::uint32_t effectBits[] = {CFE_BOLD, CFE_ITALIC, CFE_UNDERLINE, CFE_STRIKEOUT,
                                        CFE_PROTECTED, CFE_LINK, CFE_REVISED, CFE_HIDDEN};
    for (std::uint32_t bit : effectBits)
        drop((cf.dwEffects & bit) != (o.dwEffects & bit), bit);
    drop((cf.dwEffects & CFM_SUPERSCRIPT) != (o.dwEffects & CFM_SUPERSCRIPT), CFM_SUPERSCRIPT);
    drop((cf.dwEffects & CFE_AUTOCOLOR) != (o.dwEffects & CFE_AUTOCOLOR)
             || cf.crTextColor != o.crTextColor, CFM_COLOR);
    drop((cf.dwEffects & CFE_AUTOBACKCOLOR) != (o.dwEffects & CFE_AUTOBACKCOLOR)
             || cf.crBackColor != o.crBackColor, CFM_BACKCOLOR);
    drop(cf.bCharSet != o.bCharSet, CFM_CHARSET);
    drop(cf.wWeight != o.wWeight, CFM_WEIGHT);
    drop(cf.wKerning != o.wKerning, CFM_KERNING);
    drop(cf.bRevAuthor != o.bRevAuthor, CFM_REVAUTHOR);
}

static void applyCharFormat(QTextCharFormat &f, const CHARFORMAT2 &cf);

void writeCharFormat(QTextCharFormat &shown, const CHARFORMAT2 &cf)
{
    // Changes go to the format as its text really is; hidden text is then set aside again.
    QTextCharFormat f = logicalCharFormat(shown);
    applyCharFormat(f, cf);
    if (cf.dwMask & CFM_HIDDEN) {
        if (cf.dwEffects & CFE_HIDDEN)
            f.setProperty(prop::Hidden, true);
        else
            f.clearProperty(prop::Hidden);
    }
    applyHiddenDisplay(f);
    shown = f;
}

static void applyCharFormat(QTextCharFormat &f, const CHARFORMAT2 &cf)
{
    const std::uint32_t m = cf.dwMask;
    if (m & CFM_FACE)
        f.setFontFamilies(QStringList{cf.szFaceName.left(LF_FACESIZE - 1)});
    if ((m & CFM_SIZE) && cf.yHeight > 0)
        f.setFontPointSize(cf.yHeight / 20.0);
    // The bold bit decides over an explicit weight given in the same write.
    if ((m & CFM_WEIGHT) && cf.wWeight > 0)
        f.setFontWeight(qBound(1, int(cf.wWeight), 1000));
    if (m & CFM_BOLD) {
        const bool bold = cf.dwEffects & CFE_BOLD;
        const int w = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : QFont::Normal;
        if (bold != (w >= QFont::DemiBold))
            f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    }
    if (m & CFM_ITALIC)
        f.setFontItalic(cf.dwEffects & CFE_ITALIC);
    if (m & CFM_UNDERLINE)
        f.setFontUnderline(cf.dwEffects & CFE_UNDERLINE);
    if (m & CFM_STRIKEOUT)
        f.setFontStrikeOut(cf.dwEffects & CFE_STRIKEOUT);
    if (m & CFM_PROTECTED) {
        if (cf.dwEffects & CFE_PROTECTED)
            f.setProperty(prop::Protected, true);
        else
            f.clearProperty(prop::Protected);
    }
    if (m & CFM_REVISED) {
        if (cf.dwEffects & CFE_REVISED)
            f.setProperty(prop::Revised, true);
        else
            f.clearProperty(prop::Revised);
    }
    if (m & CFM_REVAUTHOR)
        f.setProperty(prop::RevAuthor, int(cf.bRevAuthor));
    if (m & CFM_SUPERSCRIPT) {
        if (cf.dwEffects & CFE_SUPERSCRIPT)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (cf.dwEffects & CFE_SUBSCRIPT)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        else
            f.clearProperty(QTextFormat::TextVerticalAlignment);
    }
    if (m & CFM_COLOR) {
        if (cf.dwEffects & CFE_AUTOCOLOR)
            f.clearForeground();
        else
            f.setForeground(colorOf(cf.crTextColor));
    }
    if (m & CFM_BACKCOLOR) {
        if (cf.dwEffects & CFE_AUTOBACKCOLOR)
            f.clearBackground();
        else
            f.setBackground(colorOf(cf.crBackColor));
    }
    if (m & CFM_CHARSET)
        f.setProperty(prop::Charset, int(cf.bCharSet));
    if (m & CFM_KERNING) {
        f.setProperty(prop::Kerning, int(cf.wKerning));
        f.setFontKerning(cf.wKerning > 0);
    }
    if (m & CFM_FACE)
        f.setProperty(prop::PitchFamily, int(cf.bPitchAndFamily));
}

void readParaFormat(const QTextBlockFormat &f, PARAFORMAT2 &pf)
{
    pf = PARAFORMAT2{};
    pf.dwMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS
        | PFM_NUMBERING | PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING | PFM_STYLE
        | PFM_KEEPNEXT | PFM_RTLPARA;
    const Qt::Alignment a = f.alignment();
    if (a & Qt::AlignHCenter)
        pf.wAlignment = PFA_CENTER;
    else if ((a & Qt::AlignJustify) == Qt::AlignJustify)
        pf.wAlignment = PFA_JUSTIFY;
    else if (a & Qt::AlignRight)
        pf.wAlignment = PFA_RIGHT;
    else
        pf.wAlignment = PFA_LEFT;
    pf.dxOffset = twipsOf(f, prop::Offset, -f.textIndent());
    pf.dxStartIndent = twipsOf(f, prop::StartIndent, f.leftMargin() + f.textIndent());
    pf.dxRightIndent = twipsOf(f, prop::RightIndent, f.rightMargin());
    pf.dySpaceBefore = twipsOf(f, prop::SpaceBefore, f.topMargin());
    pf.dySpaceAfter = twipsOf(f, prop::SpaceAfter, f.bottomMargin());
    pf.dyLineSpacing = intProp(f, prop::LineSpacing);
    pf.bLineSpacingRule = std::uint8_t(intProp(f, prop::SpacingRule));
    const QList<int> tabs = f.property(prop::TabStops).value<QList<int>>();
    pf.cTabCount = std::int16_t(qMin<qsizetype>(tabs.size(), MAX_TAB_STOPS));
    for (int i = 0; i < pf.cTabCount; ++i)
        pf.rgxTabs[i] = tabs[i];
    pf.wNumbering = std::uint16_t(intProp(f, prop::Numbering));
    pf.wNumberingStart = std::uint16_t(intProp(f, prop::NumberingStart, 1));
    pf.wNumberingStyle = std::uint16_t(intProp(f, prop::NumberingStyle));
    pf.wNumberingTab = std::uint16_t(intProp(f, prop::NumberingTab));
    pf.sStyle = std::int16_t(intProp(f, prop::StyleNumber));
    if (f.boolProperty(prop::KeepNext))
        pf.wEffects |= PFE_KEEPNEXT;
    if (f.layoutDirection() == Qt::RightToLeft)
        pf.wEffects |= PFE_RTLPARA;
}

void narrowParaMask(PARAFORMAT2 &pf, const PARAFORMAT2 &o)
{
    auto drop = [&pf](bool differs, std::uint32_t bits) {
        if (differs)
            pf.dwMask &= ~bits;
    };
    drop(pf.dxStartIndent != o.dxStartIndent, PFM_STARTINDENT);
    drop(pf.dxRightIndent != o.dxRightIndent, PFM_RIGHTINDENT);
    drop(pf.dxOffset != o.dxOffset, PFM_OFFSET);
    drop(pf.wAlignment != o.wAlignment, PFM_ALIGNMENT);
    drop(pf.cTabCount != o.cTabCount || pf.rgxTabs != o.rgxTabs, PFM_TABSTOPS);
    drop(pf.wNumbering != o.wNumbering, PFM_NUMBERING);
    drop(pf.dySpaceBefore != o.dySpaceBefore, PFM_SPACEBEFORE);
    drop(pf.dySpaceAfter != o.dySpaceAfter, PFM_SPACEAFTER);
    drop(pf.dyLineSpacing != o.dyLineSpacing || pf.bLineSpacingRule != o.bLineSpacingRule,
         PFM_LINESPACING);
    drop(pf.sStyle != o.sStyle, PFM_STYLE);
    drop((pf.wEffects & PFE_KEEPNEXT) != (o.wEffects & PFE_KEEPNEXT), PFM_KEEPNEXT);
    drop((pf.wEffects & PFE_RTLPARA) != (o.wEffects & PFE_RTLPARA), PFM_RTLPARA);
}

void writeParaFormat(QTextBlockFormat &f, const PARAFORMAT2 &pf)
{
    // Start from the exact values the paragraph has now, so a partial write keeps the rest.
    PARAFORMAT2 cur;
    readParaFormat(f, cur);
    const std::uint32_t m = pf.dwMask;
    if (m & PFM_OFFSETINDENT)
        f.setProperty(prop::StartIndent, cur.dxStartIndent + pf.dxStartIndent);
    if (m & PFM_STARTINDENT)
        f.setProperty(prop::StartIndent, pf.dxStartIndent);
    else if (!(m & PFM_OFFSETINDENT))
        f.setProperty(prop::StartIndent, cur.dxStartIndent);
    f.setProperty(prop::Offset, (m & PFM_OFFSET) ? pf.dxOffset : cur.dxOffset);
    f.setProperty(prop::RightIndent, (m & PFM_RIGHTINDENT) ? pf.dxRightIndent : cur.dxRightIndent);
    f.setProperty(prop::SpaceBefore, (m & PFM_SPACEBEFORE) ? pf.dySpaceBefore : cur.dySpaceBefore);
    f.setProperty(prop::SpaceAfter, (m & PFM_SPACEAFTER) ? pf.dySpaceAfter : cur.dySpaceAfter);
    if (m & PFM_LINESPACING) {
        f.setProperty(prop::LineSpacing, pf.dyLineSpacing);
        f.setProperty(prop::SpacingRule, int(qBound<std::uint8_t>(0, pf.bLineSpacingRule, 5)));
    }
    if (m & PFM_ALIGNMENT) {
        switch (pf.wAlignment) {
        case PFA_RIGHT: f.setAlignment(Qt::AlignRight); break;
        case PFA_CENTER: f.setAlignment(Qt::AlignHCenter); break;
        case PFA_JUSTIFY: f.setAlignment(Qt::AlignJustify); break;
        case PFA_LEFT: f.setAlignment(Qt::AlignLeft); break;
        default: break; // unknown values are ignored, as the platform does
        }
    }
    if (m & PFM_TABSTOPS) {
        QList<int> tabs;
        const int count = qBound(0, int(pf.cTabCount), MAX_TAB_STOPS);
        for (int i = 0; i < count; ++i)
            tabs.append(pf.rgxTabs[i]);
        f.setProperty(prop::TabStops, QVariant::fromValue(tabs));
    }
    if (m & PFM_NUMBERING) {
        if (pf.wNumbering)
            f.setProperty(prop::Numbering, int(pf.wNumbering));
        else
            f.clearProperty(prop::Numbering);
    }
    if (m & PFM_NUMBERINGSTART)
        f.setProperty(prop::NumberingStart, int(pf.wNumberingStart));
    if (m & PFM_NUMBERINGSTYLE)
        f.setProperty(prop::NumberingStyle, int(pf.wNumberingStyle));
    if (m & PFM_NUMBERINGTAB)
        f.setProperty(prop::NumberingTab, int(pf.wNumberingTab));
    if (m & PFM_STYLE)
        f.setProperty(prop::StyleNumber, int(pf.sStyle));
    if (m & PFM_KEEPNEXT) {
        if (pf.wEffects & PFE_KEEPNEXT)
            f.setProperty(prop::KeepNext, true);
        else
            f.clearProperty(prop::KeepNext);
    }
    if (m & PFM_RTLPARA)
        f.setLayoutDirection((pf.wEffects & PFE_RTLPARA) ? Qt::RightToLeft : Qt::LeftToRight);
    applyParagraphTwips(f);
}

QString numberingLabel(int numbering, int index)
{
    auto roman = [](int n) {
        static const std::pair<int, const char *> parts[] = {
            {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
            {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
        QString s;
        for (const auto &[value, text] : parts)
            while (n >= value) {
                s += QLatin1String(text);
                n -= value;
            }
        return s;
    };
    auto letters = [](int n) {
        QString s;
        for (; n > 0; n = (n - 1) / 26)
            s.prepend(QChar(char16_t('a' + (n - 1) % 26)));
        return s;
    };
    switch (numbering) {
    case PFN_BULLET: return QStringLiteral("\u2022");
    case PFN_ARABIC: return QString::number(index) + QLatin1Char('.');
    case PFN_LCLETTER: return letters(index) + QLatin1Char(')');
    case PFN_UCLETTER: return letters(index).toUpper() + QLatin1Char(')');
    case PFN_LCROMAN: return roman(index) + QLatin1Char('.');
    case PFN_UCROMAN: return roman(index).toUpper() + QLatin1Char('.');
    default: return QString();
    }
}

} // namespace richedit
