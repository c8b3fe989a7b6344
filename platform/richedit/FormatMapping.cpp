#include "FormatMapping.h"

#include "RichEditTypes.h"

#include <QList>
#include <QTextOption>

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
    f.setTabPositions(positions);
}

void applyCharacterSizeTwips(QTextCharFormat &format, int twips)
{
    format.setFontPointSize(twips / 20.0);
}

} // namespace richedit
