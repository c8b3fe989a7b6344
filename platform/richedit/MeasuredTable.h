#pragma once
// The rows of a table measured without laying a copy of it out: each cell's paragraphs are
// laid out by text layouts of their own at the cell's width, and the rows are stacked as the
// document layout stacks them (its column widths, its padding and collapsed borders, half of
// each border on either side, all in its fixed-point steps), so that each row comes out as
// the page units of the copy have it: where its cells' content starts, how far it reaches and
// the line under it.
//
// Only the common tables are measured so: columns of fixed widths that their content does not
// widen, collapsed borders without a grid, cells aligned to the top, no cells merged down, no
// tables inside cells, heading rows only where the layout does not move content below them. Rows of a set height are grown as applyRowHeights
// grows them in the copy. Anything else is left to the copy.

#include <vector>

class QTextTable;

namespace richedit {

class FlowMeasurer;
class ParagraphWalk;
struct MeasuredLine;
struct MeasuredParagraph;
struct WalkParagraph;

// Whether the table is one that measureTable reproduces (its content aside).
bool tableSuitsMeasuring(const QTextTable &table);

// Measures the table that starts at paragraph p of the walk, placed at the flow's current
// height, from the part that starts at source position base. Its rows are appended to lines
// (one unit each, as PageUnitWalker gives them) and its paragraphs to paragraphs, each with
// its row as its line. On return p is the paragraph after the table (have false when the walk
// ended) and the flow's height is the table's bottom. Fails for what is not reproduced.
bool measureTable(FlowMeasurer &flow, const QTextTable &table, ParagraphWalk &walk,
                  WalkParagraph &p, bool &have, int base,
                  std::vector<MeasuredParagraph> &paragraphs, std::vector<MeasuredLine> &lines);

} // namespace richedit
