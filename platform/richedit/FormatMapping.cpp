#include "FormatMapping.h"

#include "RichEditTypes.h"

#include <QList>
#include <QTextCharFormat>
#include <QTextOption>
#include <QBrush>

#include <algorithm>

namespace richedit {

namespace {

int intProperty(const QTextFormat &format, int id)
{
    return format.hasProperty(id) ? format.intProperty(id) : 0;
}

} // namespace

void applyParagraphTwips(QTextBlockFormat &f)
{
    const int start = intProperty(f, prop::StartIndent);
    const int offset = intProperty(f, prop::Offset);
    // Numbered paragraphs put the marker at the start indent and every line of text at
    // start + offset; others start the first line at the start indent.
    const double left = qMax(0.0, twipsToPixels(start + offset));
    f.setLeftMargin(left);
    f.setTextIndent(intProperty(f, prop::Numbering) ? 0.0 : twipsToPixels(start) - left);
    f.setRightMargin(qMax(0.0, twipsToPixels(intProperty(f, prop::RightIndent))));
    f.setTopMargin(qMax(0.0, twipsToPixels(intProperty(f, prop::SpaceBefore))));
    f.setBottomMargin(qMax(0.0, twipsToPixels(intProperty(f, prop::SpaceAfter))));
    const int spacing = intProperty(f, prop::LineSpacing);
    switch (intProperty(f, prop::SpacingRule)) {
    case 1: f.setLineHeight(150, QTextBlockFormat::ProportionalHeight); break;
    case 2: f.setLineHeight(200, QTextBlockFormat::ProportionalHeight); break;
    case 3: f.setLineHeight(twipsToPixels(spacing), QTextBlockFormat::MinimumHeight); break;
    case 4:
        if (spacing > 0)
            f.setLineHeight(twipsToPixels(spacing), QTextBlockFormat::FixedHeight);
        else
            f.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
        break;
    case 5:
        f.setLineHeight(spacing > 0 ? spacing * 5 : 100, QTextBlockFormat::ProportionalHeight);
        break;
    default: f.setLineHeight(100, QTextBlockFormat::ProportionalHeight); break;
    }
    const QList<int> tabs = f.property(prop::TabStops).value<QList<int>>();
    QList<QTextOption::Tab> positions;
    for (int t : tabs)
        positions.append(QTextOption::Tab(twipsToPixels(t), QTextOption::LeftTab));
    // A hanging indent is a tab stop of its own: the tab after a list label ends where the
    // other lines start, unless an explicit stop comes first. Qt measures tab positions from
    // the start of the line, so the stop lies at the hanging amount.
    const double hanging = -f.textIndent();
    if (hanging > 0 && f.layoutDirection() != Qt::RightToLeft) {
        const auto before = std::find_if(positions.begin(), positions.end(),
                                         [&](const QTextOption::Tab &t) {
                                             return t.position >= hanging;
                                         });
        if (before == positions.end() || before->position > hanging)
            positions.insert(before, QTextOption::Tab(hanging, QTextOption::LeftTab));
    }
    f.setTabPositions(positions);
}

void applyHiddenDisplay(QTextCharFormat &f)
{
    if (!f.boolProperty(prop::Hidden) || f.hasProperty(prop::HiddenPointSize))
        return;
    f.setProperty(prop::HiddenPointSize,
                  f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0.0);
    f.setProperty(prop::HiddenForeground, f.hasProperty(QTextFormat::ForegroundBrush)
                      ? QVariant(f.foreground()) : QVariant(false));
    f.setProperty(prop::HiddenLetterSpacing, f.hasProperty(QTextFormat::FontLetterSpacing)
                      ? QVariant(f.fontLetterSpacing()) : QVariant(false));
    f.setFontPointSize(0.75); // one pixel at 96 dpi
    f.setForeground(QColor(Qt::transparent));
    f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    f.setFontLetterSpacing(-1.0);
}

QTextCharFormat logicalCharFormat(const QTextCharFormat &format)
{
    if (!format.hasProperty(prop::HiddenPointSize))
        return format;
    QTextCharFormat f = format;
    const double size = f.doubleProperty(prop::HiddenPointSize);
    if (size > 0)
        f.setFontPointSize(size);
    else
        f.clearProperty(QTextFormat::FontPointSize);
    const QVariant fore = f.property(prop::HiddenForeground);
    if (fore.typeId() == QMetaType::QBrush)
        f.setForeground(fore.value<QBrush>());
    else
        f.clearForeground();
    const QVariant spacing = f.property(prop::HiddenLetterSpacing);
    if (spacing.typeId() == QMetaType::Double) {
        f.setFontLetterSpacing(spacing.toDouble());
    } else {
        f.clearProperty(QTextFormat::FontLetterSpacing);
        f.clearProperty(QTextFormat::FontLetterSpacingType);
    }
    f.clearProperty(prop::HiddenPointSize);
    f.clearProperty(prop::HiddenForeground);
    f.clearProperty(prop::HiddenLetterSpacing);
    return f;
}

void applyCharacterSizeTwips(QTextCharFormat &format, int twips)
{
    format.setFontPointSize(twips / 20.0);
}

} // namespace richedit
