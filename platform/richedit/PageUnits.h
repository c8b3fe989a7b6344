#pragma once
// The units a page of the format-range operation is filled with: a line of a paragraph, or a
// whole row of a table. A row that fits on a page is never split; a row taller than a page is
// cut between the lines of its cells and goes on over the next pages. A walker goes through
// the units of a laid-out document from a character position on.

#include <QList>
#include <QTextBlock>
#include <QtGlobal>

class QTextBlockFormat;
class QTextDocument;
class QTextLayout;
class QTextTable;

namespace richedit {

// One unit, in the laid-out document's coordinates.
struct PageUnit {
    int start = 0;   // first character
    qreal top = 0;
    qreal extent = 0;
    QTextBlock last; // the last block the unit draws from
    bool row = false; // a table's row rather than a line of text
    // For a row: its table, its rows [firstRow, endRow) (rows whose cells all come from above
    // go with the row before them), and whether the unit is the rest of a row cut on an
    // earlier page; then top is the top of the first line that goes on, start its position.
    QTextTable *table = nullptr;
    int firstRow = 0;
    int endRow = 0;
    int rowStart = 0; // the row's first position
    qreal below = 0;  // room between the row's end and the next row's content
    qreal border = 0; // the line between the row and the next one: the top of below
    bool continued = false;
};

// A line of a table cell, in the laid-out document's coordinates.
struct CellLine {
    QTextBlock block;
    int line = 0;
    qreal top = 0;
    qreal bottom = 0;
    int start = 0; // position of its first character
};

// The lines of the cells that rows [firstRow, endRow) of the table begin, nested tables'
// lines included, in document order.
QList<CellLine> cellLines(QTextDocument &doc, QTextTable *table, int firstRow, int endRow);

// Where a row taller than a page is cut. The page holds the lines whose tops lie in [from, y);
// the next page goes on with the line at position start, whose top is y.
struct RowCut {
    qreal y = 0;
    int start = -1; // -1: no cut, the rest of the row is the page's
};

// The cut of a row piece whose lines start at from, on a page that ends at limit: as low as
// it can be with every line above it ending within the page, at the top of a line that no
// line before it in the document reaches down to (so that pages start at growing positions),
// and never at rowStart, the row's first position (a page starting there starts the whole
// row). Fails when not even one line fits; force then cuts below the lines that start on the
// page, which are drawn as far as the page reaches, so that a line taller than a page still
// ends the pagination.
bool cutRow(const QList<CellLine> &lines, qreal from, qreal limit, int rowStart, bool force,
            RowCut &cut);

// Where a table's row starts in the laid-out document: the highest top of the first
// paragraphs of the cells the row begins (top is -1 when all its cells come from the row
// above), and start the first position of the first of those cells.
struct RowHead {
    qreal top = -1;
    int start = -1;
};
RowHead rowHead(QTextDocument &doc, const QTextTable &table, int row);

class PageUnitWalker {
public:
    // Starts at the unit holding position from: its line, or the row of the table it lies in
    // (from the line at from when from lies inside a row).
    PageUnitWalker(QTextDocument &doc, int from);

    // The next unit; false after the last one.
    bool next(PageUnit &unit);
    // Before the first next(): whether the walk starts at a paragraph's first line or a row's.
    bool atBlockStart() const { return m_line == 0 && m_cutTop < 0; }
    const QTextBlock &block() const { return m_block; }
    bool hasTables() const { return m_hasTables; }

private:
    bool enterTable(const QTextBlock &block);
    int spannedTo(int row) const;
    int groupStart(int row) const;
    void rowUnit(PageUnit &unit);

    QTextDocument &m_doc;
    QTextBlock m_block;
    QTextTable *m_table = nullptr;
    int m_row = 0;
    int m_line = 0;
    bool m_hasTables = false;
    qreal m_cutTop = -1; // the walk starts inside a row: the top of its line at m_cutStart
    int m_cutStart = 0;
    const QTextTable *m_nextTable = nullptr; // the head of m_nextRow of m_nextTable
    int m_nextRow = -1;
    RowHead m_nextHead;
};

// Vertical extent of line i of a paragraph laid out with format f, the same for measuring and
// drawing: up to the next line, or for the last line its height as the paragraph's spacing
// rule makes it.
qreal lineExtent(const QTextBlockFormat &f, const QTextLayout *l, int i);

// The outermost table that the position lies in, or nullptr.
QTextTable *outermostTableAt(QTextDocument &doc, int position);

// The offset that puts a block's layout where the document's layout puts it: blocks in table
// cells have their layout positions relative to the cell.
QPointF blockOffset(const QTextBlock &block);

} // namespace richedit
