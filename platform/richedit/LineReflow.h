#pragma once
// Line placing shared by the control's layout shortcuts: how Qt's document layout steps from
// one line of a paragraph to the next, and the re-wrapping of a long paragraph around an edit.

#include <QtGui/private/qfixed_p.h>
#include <climits>

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

} // namespace richedit
