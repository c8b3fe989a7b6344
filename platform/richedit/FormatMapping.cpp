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

void applyParagraphTwips(QTextBlockFormat &format)
{
    const int start = intProperty(format, prop::StartIndent);
    const int offset = intProperty(format, prop::Offset);
    format.setLeftMargin(twipsToPixels(start + offset));
    format.setTextIndent(twipsToPixels(-offset));
    format.setRightMargin(twipsToPixels(intProperty(format, prop::RightIndent)));
    format.setTopMargin(twipsToPixels(intProperty(format, prop::SpaceBefore)));
    format.setBottomMargin(twipsToPixels(intProperty(format, prop::SpaceAfter)));

    const int spacing = intProperty(format, prop::LineSpacing);
    switch (intProperty(format, prop::SpacingRule)) {
    case 1:
        format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        break;
    case 2:
        format.setLineHeight(200, QTextBlockFormat::ProportionalHeight);
        break;
    case 3:
        format.setLineHeight(twipsToPixels(spacing), QTextBlockFormat::MinimumHeight);
        break;
    case 4:
        format.setLineHeight(twipsToPixels(spacing), QTextBlockFormat::FixedHeight);
        break;
    case 5:
        format.setLineHeight(spacing > 0 ? spacing * 5 : 100, QTextBlockFormat::ProportionalHeight);
        break;
    default:
        format.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
        break;
    }

    QList<QTextOption::Tab> tabs;
    if (format.hasProperty(prop::TabStops)) {
        const QList<int> stops = format.property(prop::TabStops).value<QList<int>>();
        tabs.reserve(stops.size());
        for (int twips : stops)
            tabs.append(QTextOption::Tab(twipsToPixels(twips), QTextOption::LeftTab));
    }
    format.setTabPositions(tabs);
}

void applyCharacterSizeTwips(QTextCharFormat &format, int twips)
{
    format.setFontPointSize(twips / 20.0);
}

} // namespace richedit
