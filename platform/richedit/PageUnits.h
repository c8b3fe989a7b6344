#pragma once
// The units a page of the format-range operation is filled with: a line of a paragraph, or a
// whole row of a table (rows are not split between pages). A walker goes through the units
// of a laid-out document from a character position on.

#include <QTextBlock>
#include <QtGlobal>

class QTextDocument;
class QTextTable;

namespace richedit {

// One unit, in the laid-out document's coordinates.
struct PageUnit {
    int start = 0;   // first character
    qreal top = 0;
    qreal extent = 0;
    QTextBlock last; // the last block the unit draws from
    bool row = false; // a table's row rather than a line of text
};

class PageUnitWalker {
public:
    // Starts at the unit holding position from: its line, or the row of the table it lies in.
    PageUnitWalker(QTextDocument &doc, int from);

    // The next unit; false after the last one.
    bool next(PageUnit &unit);
    // Before the first next(): whether the walk starts at a paragraph's first line.
    bool atBlockStart() const { return m_line == 0 && !m_table; }
    const QTextBlock &block() const { return m_block; }
    bool hasTables() const { return m_hasTables; }

private:
    bool enterTable(const QTextBlock &block);
    qreal contentTop(int row) const;
    void rowUnit(PageUnit &unit);

    QTextDocument &m_doc;
    QTextBlock m_block;
    QTextTable *m_table = nullptr;
    int m_row = 0;
    int m_line = 0;
    bool m_hasTables = false;
    const QTextTable *m_nextTable = nullptr; // the content top of m_nextRow of m_nextTable
    int m_nextRow = -1;
    qreal m_nextTop = -1;
};

// The outermost table that the position lies in, or nullptr.
QTextTable *outermostTableAt(QTextDocument &doc, int position);

// The offset that puts a block's layout where the document's layout puts it: blocks in table
// cells have their layout positions relative to the cell.
QPointF blockOffset(const QTextBlock &block);

} // namespace richedit
