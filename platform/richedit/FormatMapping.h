#pragma once
// Derives the layout properties QTextDocument uses from the engine's own values (twips and
// the paragraph and character properties of RichEditTypes.h), so that the RTF reader and the
// engine's format operations lay text out the same way. One place for the mapping.

#include <QTextFormat>

namespace richedit {

// 96-dpi pixels for twips: QTextDocument scales these for other devices.
constexpr qreal twipsToPixels(int twips)
{
    return twips * 96.0 / 1440.0;
}
constexpr int pixelsToTwips(qreal px)
{
    return int(px * 1440.0 / 96.0 + (px < 0 ? -0.5 : 0.5));
}

// Sets leftMargin, textIndent, rightMargin, topMargin, bottomMargin, lineHeight and
// tabPositions from prop::StartIndent, Offset, RightIndent, SpaceBefore, SpaceAfter,
// LineSpacing, SpacingRule and TabStops. Properties that are absent count as 0.
void applyParagraphTwips(QTextBlockFormat &format);

// Hidden text (prop::Hidden) stays in the document but shows nothing and takes next to no room:
// it is drawn one pixel high, transparent and tightly spaced, with its real size, colour and
// spacing kept aside. applyHiddenDisplay does that for a hidden format (and nothing for
// others); logicalCharFormat gives back the format as its text really is.
void applyHiddenDisplay(QTextCharFormat &format);
QTextCharFormat logicalCharFormat(const QTextCharFormat &format);

// Sets fontPointSize from a size in twips, keeping half points exactly (230 twips: 11.5 pt).
void applyCharacterSizeTwips(QTextCharFormat &format, int twips);

} // namespace richedit
