#pragma once
// The paragraph at a height of a laid-out document, found paragraph by paragraph.
//
// Qt's hit test finds a point's paragraph and then the line in it, going over the paragraph's
// lines from its top: in a long justified paragraph that justifies, and so shapes again, every
// line above the point, a fraction of a second after each edit. What paints over the text
// (paragraph numbers) needs only the paragraph, and mostly near the one it found last: this
// steps there from that one, looking at paragraph boxes alone.

#include <QTextBlock>

class QTextDocument;

namespace richedit {

// The paragraph from which painting at height `y` (document coordinates) must start: the last
// one, in document order, whose box starts at or above y, or the paragraph before the table
// holding it (the cells of a row share their heights, so one found in a table may come after
// another that reaches y). Steps from `near` (or the first paragraph) up to `maxSteps`
// paragraphs; farther away it asks Qt's hit test.
QTextBlock blockAtHeight(const QTextDocument &doc, qreal y, QTextBlock near = {},
                         int maxSteps = 512);

} // namespace richedit
