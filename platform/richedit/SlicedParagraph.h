#pragma once
// One long paragraph of the main text flow laid out a few lines at a time.
//
// Qt's document layout lays a paragraph out whole, seconds for one of several million
// characters. This lays out the same lines with the same rules (a paragraph of the main flow,
// left to right, with no floats beside it and no page height), but in steps that stop after a
// given time, so that the window answers the user in between; the lines made so far can be
// drawn and placed by Qt's layout meanwhile. An edit inside the paragraph keeps the lines
// before it and goes on from there.

#include <QTextBlock>
#include <QTextCursor>
#include <QTextOption>
#include <QtGui/private/qfixed_p.h>

namespace richedit {

class SlicedParagraph {
public:
    // Where the paragraph's lines go: the text from `left` to `right` (relative to the layout's
    // position, margins and indents applied), the first line `indent` further in, and how Qt's
    // layout scales line heights (`scaling`).
    struct Geometry {
        QFixed left, right, indent;
        qreal scaling = 1;
        QTextOption option;
    };

    // Lays the paragraph out from its start, or keeps the lines it has before `keepBefore` (an
    // edit there; -1 for none) when they were laid out for the same geometry. `analysed`: the
    // engine's analysis of the paragraph is already that of its text and formats now.
    SlicedParagraph(const QTextBlock &block, const Geometry &geometry, int keepBefore = -1,
                    bool analysed = false);

    // The paragraph now (its place moves with edits before it).
    QTextBlock block() const { return m_anchor.block(); }
    const Geometry &geometry() const { return m_geometry; }
    bool done() const { return m_done; }
    // Characters laid out so far, of the paragraph's length.
    int laidOut() const;
    // The height of the lines laid out so far.
    QFixed height() const { return m_y; }

    // Makes lines until the paragraph is done or `nanoseconds` have passed and at least
    // `lines` lines were made.
    void layOut(qint64 nanoseconds, int lines = 1);
    // The paragraph's text changed from `position` on (in the paragraph): drops the lines from
    // the one before it (a word edited there may now fit on that line) and goes on from there.
    void changedAt(int position, bool analysed = false);

private:
    void layOutLine(QTextLayout *layout, QTextLine line);

    QTextCursor m_anchor; // at the paragraph's start, kept there by the document
    Geometry m_geometry;
    QTextOption m_option; // as Qt's layout goes on with it (it may switch the wrap mode)
    QFixed m_y;           // where the next line goes, from the paragraph's top
    QFixed m_bottom;      // the lowest line's bottom
    bool m_done = false;
};

} // namespace richedit
