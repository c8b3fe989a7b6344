#pragma once
// Paragraphs laid out one after the other as the document layout places them in a flow (the
// document's own, or a table cell's), without a copy of the document: used by MeasuredPart
// for the document's paragraphs and by the table measuring for the paragraphs of cells.

#include "MeasuredPart.h"

#include <QFont>
#include <QTextFormat>
#include <QTextOption>
#include <QtGui/private/qfixed_p.h>

#include <optional>
#include <vector>

#include "ResolutionDevice.h"

class QTextDocument;
class QTextFormatCollection;
class QTextLayout;

namespace richedit {

struct WalkParagraph;

// What a run's format takes for its measuring.
struct MeasuredRunFormat {
    bool known = false;
    bool plain = false; // its font alone lays it out as the copy's layout does
    bool capitals = false; // by format: the engine itemizes those per run in a document
    QFont font;           // at the device's resolution
    QTextCharFormat format;
};

// What a paragraph format gives the placing of its lines, worked out once per format.
struct MeasuredParagraphFormat {
    bool known = false;
    QTextBlockFormat format;
    qreal topMargin = 0;
    qreal bottomMargin = 0;
    QFixed leftMargin;  // scaled to the device as the copy scales it
    QFixed rightMargin;
    QFixed textIndent;
    QFixed indent;      // by levels
    Qt::LayoutDirection direction = Qt::LayoutDirectionAuto; // Auto: found from the text
    bool breakBefore = false;
    std::optional<QTextOption> options[2]; // left to right, right to left
};

// What laying a paragraph out found besides its lines.
struct ParagraphFit {
    bool wantsMinimum = false; // asked for: minimumWidth (which costs a second layout)
    QFixed minimumWidth; // its widest unbreakable stretch, with its side margins
    bool overflow = false; // a line is wider than the room it was given
    qreal height = 0;      // of its lines' bounding rectangle
    QFixed top;            // where it was placed in its flow
};

class FlowMeasurer {
public:
    FlowMeasurer(const QTextDocument &source, int dpiX, int dpiY, int widthTwips);

    // Lays the paragraph out at the flow's current height, after the gap the previous
    // paragraph of the flow leaves. Its lines go to lines unless that is nullptr (the lines
    // of cells are not page units). Fails for what the measuring does not reproduce.
    bool paragraph(const WalkParagraph &p, int position,
                   std::vector<MeasuredParagraph> &paragraphs, std::vector<MeasuredLine> *lines,
                   ParagraphFit *fit = nullptr);

    // The flow's current height: below the last paragraph laid out.
    QFixed y() const { return m_y; }
    void setY(QFixed y) { m_y = y; }
    // The bottom margin of the previous paragraph in the flow; 0 after a table or at its start.
    qreal previousBottomMargin() const { return m_previous ? m_previous->bottomMargin : 0; }
    // The next paragraph follows something other than a paragraph: no gap above it.
    void breakFlow() { m_previous = nullptr; }

    // A flow of its own (a cell's): the given width, starting at height 0 with no paragraph
    // before it. Flow keeps what the document's flow was, to go back to it.
    struct Flow {
        QFixed y;
        QFixed right;
        const MeasuredParagraphFormat *previous = nullptr;
    };
    Flow startFlow(QFixed width);
    void endFlow(const Flow &outer);

    const QTextDocument &source() const { return m_source; }
    int dpiY() const { return m_dpiY; }
    MeasuredParagraphFormat &paragraphFormat(int index);

private:
    const MeasuredRunFormat &run(int index);
    bool lay(QTextLayout &layout, const WalkParagraph &p);

    const QTextDocument &m_source;
    const QTextFormatCollection *m_formats;
    ResolutionDevice m_device;
    int m_dpiY;
    qreal m_scaleX;
    qreal m_scaleY;
    qreal m_lineScaling; // of line heights: none at the layout's own resolution
    QFixed m_pageWidth;
    QFixed m_right; // the right edge of the text: the flow's width
    QFont m_defaultFont;
    std::vector<MeasuredRunFormat> m_runs;
    std::vector<MeasuredParagraphFormat> m_paragraphFormats;
    QFixed m_y; // the next paragraph's top, before the gap above it
    const MeasuredParagraphFormat *m_previous = nullptr;
};

} // namespace richedit
