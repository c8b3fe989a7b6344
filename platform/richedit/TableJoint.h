#pragma once
// A table of a Rich Text file whose rows are placed differently (their own indent or
// alignment) is held as several tables of the engine, one per run of rows placed alike: an
// engine table has one indent and one alignment. The engine needs a paragraph between two
// tables; this joint paragraph is empty, has no height on screen or on pages (the engine's
// layout gives none to an empty paragraph right after a table), and marked
// prop::TableJoint. It is no paragraph of the user's: it is not written, gives no line in
// plain text and is not counted. Text typed into it makes it an ordinary paragraph.

class QTextBlock;
class QTextDocument;
class QTextTable;

namespace richedit {

// Whether the block is a joint: marked, empty, and right between the end of one table and
// the start of the next.
bool isTableJoint(const QTextBlock &block);
// Whether the table continues the one before it across a joint.
bool continuesTable(const QTextTable &table);
// The table that continues the given one across a joint, or none.
QTextTable *tableAfterJoint(const QTextTable &table);
// The table the given one continues across a joint, or none.
QTextTable *tableBeforeJoint(const QTextTable &table);

} // namespace richedit
