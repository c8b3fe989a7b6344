#pragma once
// The format-range operation's layout: a copy of the document laid out for one target device
// and one width, kept between calls so that paginating n pages costs one layout, not n.
// A long document is copied and laid out a part at a time (whole paragraphs, a bounded number
// of characters and paragraphs from the page's first one on): the text layout measures in
// 26.6 fixed point and cannot place lines lower than 2^25 device pixels, which a few hundred
// thousand lines at printer resolution would pass. Paginating stays linear: each part serves
// the pages that start in it. A paragraph longer than a part is itself copied a slice at a
// time: a slice starts at one of its lines (text laid out from a line's start breaks into the
// same lines as the whole paragraph does from there) and its last line, cut short, is not used.

#include <QPointF>
#include <QTextBlock>
#include <QtGlobal>
#include <climits>
#include <memory>
#include <set>

class QPainter;
class QPaintDevice;
class QTextBlock;
class QTextDocument;

namespace richedit {

class MeasuredPart;

class FormatRangeCache {
public:
    FormatRangeCache();
    ~FormatRangeCache();
    void reset();
    // The part of source that holds position cpMin, laid out at the device's resolution and
    // the width in twips. It starts at a paragraph and reaches at least to the end of the
    // paragraph holding cpMin; grow asks for a part that goes further than the current one
    // does from cpMin (a page did not fit into it).
    QTextDocument *layoutFor(const QTextDocument &source, int dpiX, int dpiY, int widthTwips,
                             int cpMin, bool grow = false);
    bool isEmpty() const { return !m_doc; }
    // For measuring only: the part of a plain source that holds position cpMin, measured
    // without a copy (see MeasuredPart), the same part that layoutFor would copy; grow as
    // there. nullptr when the source cannot be measured so (until the next reset, for any
    // position when the source holds tables or other objects, and for the positions of the
    // part that failed otherwise); the caller then lays the copy out with layoutFor.
    const MeasuredPart *measuredFor(const QTextDocument &source, int dpiX, int dpiY,
                                    int widthTwips, int cpMin, bool grow = false);
    // Source position of the measured part's first character, and whether it runs to the end
    // of the source.
    int measuredBase() const { return m_measured.base; }
    bool measuredReachesEnd() const { return m_measured.reachesEnd; }
    // Source position of the part's first character.
    int base() const { return m_base; }
    // Whether the part runs to the end of the source.
    bool reachesEnd() const { return m_reachesEnd; }
    // Source position from which the part's lines are not those of the whole document (the
    // last line of a paragraph cut at the part's end); INT_MAX when the part ends with a
    // whole paragraph.
    int reliableEnd() const { return m_reliableEnd; }
    // Whether the part's first paragraph is the rest of a longer one (no first-line indent,
    // no bullet, no page break before it).
    bool continues() const { return m_continues; }
    // Most characters in a part (tests make parts small to cross their borders).
    void setPartCharacters(int characters) { m_partCharacters = qMax(1, characters); reset(); }

private:
    // The paragraphs a part holding cpMin takes, from `from` (the start of `first` or one of
    // its lines) to the end of `last`, or to `cut` inside it when cut is not 0.
    struct PartRange {
        QTextBlock first;
        QTextBlock last;
        int from = 0;
        int cut = 0;
    };
    PartRange partRange(const QTextDocument &source, int cpMin, bool grow, int minimum,
                        int previousEnd) const;
    void copyPart(const QTextDocument &source, int cpMin, bool grow, int minimum, int dpiX);
    void layOut(int dpiX, int dpiY, int widthTwips);
    void rememberLineStart(const QTextDocument &source, int cpMin);

    std::unique_ptr<QTextDocument> m_doc;
    std::unique_ptr<QPaintDevice> m_device;
    int m_dpiX = 0;
    int m_dpiY = 0;
    int m_width = -1;
    int m_base = 0;
    int m_end = 0;
    bool m_reachesEnd = true;
    int m_reliableEnd = INT_MAX;
    bool m_continues = false;
    int m_partCharacters = 256 * 1024;
    // Known line starts inside long paragraphs, for the current device and width: a slice
    // starts at the nearest one before the position it is made for.
    std::set<int> m_lineStarts;
    // The measured part and what it was measured for; refused once the source turned out not
    // to suit measuring, and for the positions of a part that could not be measured.
    struct Measured {
        std::unique_ptr<MeasuredPart> part;
        int dpiX = 0;
        int dpiY = 0;
        int width = -1;
        int base = 0;
        int end = 0;
        bool reachesEnd = true;
        bool checked = false;
        bool refused = false;
        int refusedFrom = 0;
        int refusedTo = 0;
    };
    Measured m_measured;
};

// Draws the bullet or number of a numbered paragraph in its left indent; offset is where the
// document's origin lies on the painter. numbered is the paragraph whose place in its list
// gives the number (block itself unless block belongs to a copy of part of the document).
void drawParagraphMarker(QPainter &painter, const QTextBlock &block, QPointF offset,
                         const QTextBlock &numbered = QTextBlock());

} // namespace richedit
