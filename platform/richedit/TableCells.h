#pragma once
// The engine's tables as the user edits them: what a selection of cells covers, the text of
// tables as the control shows it, a new row made like the last one, a copy of selected cells
// and the caret moving up or down into a table.
//
// A selection whose ends lie in different cells of one table selects a block of whole cells
// (QTextCursor::hasComplexSelection). Its positions are those of the first and the last
// cell's starts, so a range from selectionStart() to selectionEnd() leaves out the last cell's
// text and takes in cells outside the block; every command on a selection goes through
// selectedSpans() or selectedParagraphs() instead.

#include <QList>
#include <QString>
#include <memory>
#include <optional>

class QTextBlock;
class QTextCursor;
class QTextDocument;
class QTextTable;
class QTextTableCell;

namespace richedit {

// A stretch of the document's characters [from, to).
struct TextSpan {
    int from = 0;
    int to = 0;
    bool operator==(const TextSpan &) const = default;
};

// The characters the cursor's selection covers: for a block of cells the text of each cell,
// row by row; otherwise the one stretch between its ends (empty when nothing is selected).
QList<TextSpan> selectedSpans(const QTextCursor &cursor);

// The paragraphs the selection touches, each once, in document order: for a block of cells
// every paragraph of each cell; otherwise those from its start to its end; with nothing
// selected the caret's paragraph.
QList<QTextBlock> selectedParagraphs(const QTextCursor &cursor);

// The engine's characters in [from, to) with the table markers as the control's text shows
// them: a cell after the first of its row starts with a tab, the first cell of a row and the
// end of a table end a line (U+2029, as paragraph marks). Other characters as they are.
QString controlText(const QTextDocument *document, int from, int to);

// The selection as plain text for other programs: a block of cells one row a line, its cells
// separated by tabs; otherwise as the control's text shows it. Line ends are "\n", manual
// line breaks too; object characters are left out.
QString plainTextOfSelection(const QTextCursor &cursor);

// A document holding only the selected block of cells, as a table of its own: the cells' text
// and formats, its columns as wide as they were. Null when the selection is no block of cells.
std::unique_ptr<QTextDocument> copyOfSelectedCells(const QTextCursor &cursor);

// Adds a row at the end of the table, made like the last row: each cell takes the format of
// the cell above it (borders, shading, padding, width) and its cells are joined as those
// above are; the row's own placement is kept, but it is no heading row. Each new cell's
// paragraph takes the paragraph and character format the text above it ends in. One undo
// step. Returns the new row's first cell.
QTextTableCell appendRowLikeLast(QTextTable *table);

// The cell Tab (or Shift+Tab, backwards) moves to from the cell at cursor, in reading order,
// each cell once (cells covered by a merge are skipped); nullopt past the last (or first).
std::optional<QTextTableCell> neighbourCell(const QTextCursor &cursor, bool backwards);

// Where the caret goes when it moves one line up (or down) across a table's edge, at its x
// position: into the table from the paragraph right below (above) it, to the last (first)
// line of the nearest cell of its last (first) row; or out of a cell of its first (last) row to
// the paragraph above (below) the table. nullopt for any other move; the caller moves as usual
// then (the control on its own enters a table at its first or last cell and leaves it at the
// x the caret had inside its cell).
struct VerticalMove {
    int position = 0;
    int x = 0; // the x to keep for further moves up or down (QTextCursor::verticalMovementX)
};
std::optional<VerticalMove> verticalMoveAcrossTableEdge(const QTextCursor &cursor, bool up);

} // namespace richedit
