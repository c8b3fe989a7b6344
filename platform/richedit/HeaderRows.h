#pragma once
// The heading rows of a table (its first headerRowCount() rows, \trhdr in RTF) are drawn again
// at the top of every page on which the table goes on below them. The editor shows them once;
// only the pages of the format-range operation repeat them.

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

// Draws the band at the painter's origin, clipped to its height and width. ownLinesOnly keeps
// the document's layout to the band alone (on a PDF, whose text is found by search: nothing
// of the paragraphs around the table is written with it).
void drawHeaderBand(QPainter &painter, QTextDocument &doc, const HeaderBand &band, qreal width,
                    bool ownLinesOnly);

} // namespace richedit
