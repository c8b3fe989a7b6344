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
// one, in document order, whose box starts at or above y, or, in a table, the first paragraph
// of the row at y (the cells of a row share their heights, so one found in a row may come
// after another that reaches y; a cell reaching down from a row above starts that row). Steps
// from `near` (or the first paragraph) up to `maxSteps` paragraphs; farther away it asks Qt's
// hit test.
QTextBlock blockAtHeight(const QTextDocument &doc, qreal y, QTextBlock near = {},
                         int maxSteps = 512);

// Whether every paragraph after `block` in the document starts at or below its top, so that
// painting going down the document may stop at it once it is below the area: a paragraph
// outside tables, or the first of a table row (not one further down a cell, which the next
// cell of its row follows).
bool laterParagraphsBelow(const QTextDocument &doc, const QTextBlock &block);

} // namespace richedit
