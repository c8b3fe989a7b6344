#pragma once
// Line placing shared by the control's layout shortcuts: how Qt's document layout steps from
// one line of a paragraph to the next, the checking and laying out again of a paragraph's lines
// by Qt's rules, and the re-wrapping of a long paragraph around an edit.

#include <QtGui/private/qfixed_p.h>
#include <climits>
#include <optional>

#include <QTextOption>

class QTextBlockFormat;
class QTextDocument;
class QTextLayout;
class QTextLine;

namespace richedit {

// A line's height, its place below the previous line and its descent below the line's top, as
// Qt's layout works them out from the paragraph's line height setting.
struct LineStep {
    QFixed adjustment, height, bottom;
};
LineStep lineStep(const QTextBlockFormat &format, const QTextLine &line, qreal scaling);

// The text option Qt's document layout gives a paragraph of `document` with `format`, laid out
// in `direction`: the document's defaults with the paragraph's tabs, alignment and wrapping.
QTextOption paragraphOption(const QTextDocument &document, const QTextBlockFormat &format,
                            Qt::LayoutDirection direction);

// What reflowLines() did: the lines from `top` to `bottom` (in the paragraph) were laid out
// again, and `moved` tells whether the lines below them moved up or down.
struct Reflow {
    bool done = false;
    QFixed top;
    QFixed bottom;
    bool moved = false;
};

// Wraps a paragraph again after an edit at `from` (in the paragraph) that removed `removed`
// characters and put `added` in their place, keeping the lines Qt laid out before the edit:
// those before the edit stay, the paragraph is wrapped again from the line before the edit
// until a line ends where an old one ended, and the old lines from there on are kept, moved by
// the edit's length (and down or up by the height the paragraph gained or lost). The lines keep
// their old widths and left edges, which is what Qt's layout gives them in a paragraph of the
// main text flow with no floats beside it. Costs a pass over the paragraph's text (Qt itemizes
// it again) unless its analysis was kept (see KeptAnalysis), and the shaping of a few lines, where Qt's layout shapes every line.
// Fails (done false) when a line would not fit its width, when there were no lines, when
// the edit lies outside the paragraph, or when the new lines do not meet the old ones within
// `maxLines` lines (the lines made so far stay); the caller then has the paragraph laid out
// again from the edit on.
Reflow reflowLines(QTextLayout *layout, const QTextBlockFormat &format, qreal scaling, int from,
                   int removed, int added, int maxLines = INT_MAX);

// The paragraph's margins in the flow, as Qt's layout adds them up (left to right text only).
struct Margins {
    QFixed left, right, indent;
};
Margins marginsOf(const QTextDocument &document, const QTextBlockFormat &format, qreal dpiScale);

// Whether two text options lay a paragraph out alike.
bool sameOption(const QTextOption &a, const QTextOption &b);

// Where the paragraph's lines, as Qt laid them out, end (relative to the flow's top), provided
// they follow the rules Qt's layout follows: every line from the left margin (the first from the
// indent) to the right edge, each placed below the last by its step. None when a line is
// elsewhere (laid out by other rules, or by an older layout).
std::optional<QFixed> checkedEnd(const QTextLayout &layout, const QTextBlockFormat &format,
                                 const Margins &margins, QFixed xLeft, QFixed xRight,
                                 qreal scaling);

// Lays the paragraph out again line by line as Qt's layout makes it, between the same edges;
// false when the result differs from the old one in what the rest of the layout sees (another
// number of lines, another end, a word wider than its line that Qt's layout would break
// anywhere): Qt's layout must then lay it out with the rest.
bool relayLines(QTextLayout &layout, const QTextBlockFormat &format, const Margins &margins,
                QFixed xLeft, QFixed xRight, qreal scaling, int lineCount, QFixed oldEnd);

} // namespace richedit
