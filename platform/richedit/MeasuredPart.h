#pragma once
// The lines and table rows of a part of a document of paragraphs and tables (no lists,
// pictures or other objects) as a page is filled with them, measured without copying the part into a document of its own:
// each paragraph of the source is laid out by a text layout of its own, at the device's
// resolution and the page width, and placed as the document layout places the paragraphs of
// such a copy (the same line widths, line heights and gaps between paragraphs, in the same
// fixed-point steps); tables are measured row by row (see MeasuredTable.h). The pages come out
// exactly as those of the copy. Copying a part
// and having the document layout lay it out cost about three times as much as this, most of
// the time of paginating a long document.
//
// Only measuring works this way: drawing a page still lays a copy of its part out (its
// formats, colours and underlines are drawn from the copy).

#include <QtGlobal>
#include <vector>

class QTextBlock;
class QTextDocument;

namespace richedit {

class FormatRangeCache;

// A line of a measured part, in the coordinates the document layout gives the copy.
struct MeasuredLine {
    int start = 0;   // first character, counted from the part's start
    int end = 0;     // after its last character, trailing spaces included
    qreal top = 0;
    qreal extent = 0; // as PageUnit::extent
    int paragraph = 0; // index in paragraphs(); of a row, its last paragraph's
    bool row = false;  // a table's row (as the page units have them) rather than a line
    qreal below = 0;   // of a row: as PageUnit::below and PageUnit::border
    qreal border = 0;
    int table = -1;    // of a row: its table's index in tables(), and its row there
    int firstRow = 0;
};

// A measured table's heading rows, as the pages repeat them: their band runs from top to
// bottom (bottom not above top: none to repeat).
struct MeasuredHeading {
    int rows = 0; // headerRowCount
    qreal top = 0;
    qreal bottom = 0;
};

struct MeasuredParagraph {
    int position = 0;  // counted from the part's start
    int length = 0;    // with its paragraph mark
    int firstLine = 0; // index of its first line in lines()
    int lineCount = 0;
    bool breakBefore = false; // a page break before it
};

class MeasuredPart {
public:
    // Whether the source's paragraphs can be measured here at all: no lists, pictures, other
    // objects or frames other than tables, and no option that adds room to the lines for
    // shown separators.
    static bool suits(const QTextDocument &source);

    // Measures the whole paragraphs from first to last at the device's resolution and the
    // width in twips. Fails (and holds nothing) when one of them is beyond what this
    // measuring reproduces exactly: text runs whose shaping the copy would split otherwise
    // (several runs in a paragraph of 4096 characters or more, a run in capitals among
    // others), object characters, or tables of a kind MeasuredTable.h leaves to the copy.
    bool measure(const QTextDocument &source, const QTextBlock &first, const QTextBlock &last,
                 int dpiX, int dpiY, int widthTwips);

    const std::vector<MeasuredParagraph> &paragraphs() const { return m_paragraphs; }
    const std::vector<MeasuredLine> &lines() const { return m_lines; }
    // The part's tables, in order.
    const std::vector<MeasuredHeading> &tables() const { return m_tables; }
    // The paragraph holding the position (counted from the part's start); the last one for
    // positions past the end.
    int paragraphAt(int position) const;
    // The line a page starting at the position starts with, as the text layout finds the line
    // of a position (the first line when none holds it).
    int lineAt(int position) const;

private:
    bool measureFlow(const QTextDocument &source, const QTextBlock &first,
                     const QTextBlock &last, int dpiX, int dpiY, int widthTwips);

    std::vector<MeasuredParagraph> m_paragraphs;
    std::vector<MeasuredLine> m_lines;
    std::vector<MeasuredHeading> m_tables;
};

// The end of the page that starts at cpMin, as the format-range operation finds it for a
// document (length is the source's text length, pageHeight in device pixels),
// from lines measured in the cache's measured part; -1 when the source cannot be measured so.
int measuredPageEnd(FormatRangeCache &cache, const QTextDocument &source, int length, int cpMin,
                    int dpiX, int dpiY, int widthTwips, qreal pageHeight);

} // namespace richedit
