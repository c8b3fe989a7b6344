#pragma once
// The heading rows of a table (its first headerRowCount() rows, \trhdr in RTF) are drawn again
// at the top of every page on which the table goes on below them. The editor shows them once;
// only the pages of the format-range operation repeat them.

#include <QTextBlock>
#include <QtGlobal>

class QPainter;
class QTextDocument;
class QTextTable;

namespace richedit {

struct PageUnit;

// The band of a table's heading rows in the laid-out document's coordinates.
struct HeaderBand {
    QTextTable *table = nullptr;
    qreal top = 0;
    qreal bottom = 0;
    qreal height() const { return bottom - top; }
    bool isValid() const { return table && bottom > top; }
};

// The heading rows to repeat on a page whose first unit is first: none unless first is a row
// below the heading rows of a table that has some. None either when the heading rows take
// more than half of pageHeight (they would leave too little room for the rows they head) or
// when a cell reaches from them into the rows below (they cannot be drawn apart).
HeaderBand repeatedHeader(QTextDocument &doc, const PageUnit &first, qreal pageHeight);

// Heading rows are not left at the bottom of a page without a row of their table below them:
// they go to the next page with the table's first row. The page notes where they started
// (note, for each unit placed) and, when the first row below them does not fit (orphaned),
// ends where it was before them.
class HeadingRowsStart {
public:
    // Called before the unit is placed; placedBefore tells whether the page holds anything.
    void note(const PageUnit &unit, bool placedBefore, int start, qreal clipBottom,
              const QTextBlock &lastPlaced, qsizetype tableRuns);
    // Whether the unit that does not fit is the first row below heading rows that the page
    // holds alone at its bottom.
    bool orphaned(const PageUnit &unit) const;
    int start() const { return m_start; }
    qreal clipBottom() const { return m_clipBottom; }
    const QTextBlock &lastPlaced() const { return m_lastPlaced; }
    qsizetype tableRuns() const { return m_tableRuns; }

private:
    const QTextTable *m_table = nullptr;
    int m_start = -1;
    qreal m_clipBottom = 0;
    QTextBlock m_lastPlaced;
    qsizetype m_tableRuns = 0;
};

// Draws the band at the painter's origin, clipped to its height and width. ownLinesOnly keeps
// the document's layout to the band alone (on a PDF, whose text is found by search: nothing
// of the paragraphs around the table is written with it). doc is a laid-out part of source
// that starts at source position base: numbered paragraphs in the heading cells take their
// numbers from source, so that every copy shows the heading's own.
void drawHeaderBand(QPainter &painter, QTextDocument &doc, const HeaderBand &band, qreal width,
                    bool ownLinesOnly, const QTextDocument &source, int base);

} // namespace richedit
