#pragma once
// Rows of a given height (\trrh in Rich Text: at least that high, or exactly that high when
// negative) on the pages of the format-range operation. The engine's tables have no row
// height, so a laid-out copy of the document is given it: the cell whose content makes a
// row too low gets the missing height as bottom padding, measured on the copy's own device.
// The document itself is never changed, so what is saved stays as it was read. A row whose
// content is taller than an exact height keeps all of its content.

#include <QtGlobal>

class QTextDocument;
class QTextTable;

namespace richedit {

// Grows the rows of doc's tables that are lower than their set height, after undoing what an
// earlier call added (for another width); doc must be laid out. Returns whether anything
// changed, which lays the document out again when it is next asked for a place.
bool applyRowHeights(QTextDocument &doc);

// How far above the bottom of the layout's rectangle of the table, at the vertical resolution
// dpiY, the line under its last row starts: where that row ends. The rectangle is moved down
// by the place of the table's first cell's content (the layout finds it by the table's first
// position, which lies in that cell), so its bottom is below the table's own by as much, and
// below the last row by the table's bottom margin, padding and outer border as well.
qreal lastRowEndAbove(const QTextTable &table, int dpiY);

} // namespace richedit
