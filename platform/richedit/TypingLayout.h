#pragma once
// The control's document layout: Qt's own, with a shortcut for the common keystroke.
//
// After every edit Qt's layout places again every paragraph that follows the edited one, which
// in a long document costs several milliseconds per keystroke although nothing has moved. When
// an edit stays inside one paragraph of the main text flow and leaves the paragraph exactly as
// high as it was, this layout lays that paragraph out again by itself, with the same rules as
// Qt's layout (the same line widths, line heights and positions, checked against the layout
// Qt made before the edit and against the next paragraph's place), and leaves the rest where it
// is. Everything else goes to Qt's layout unchanged: paragraph marks added or removed, a
// paragraph that gains or loses a line, format changes, tables, pictures, paged or unwrapped
// layout, a layout still under way.
//
// Qt's layout keeps position marks (checkpoints) for the text that follows; the shortcut leaves
// those behind the text it inserted. They only ever point a little before their paragraph, which
// costs Qt nothing when it draws or finds a point, but Qt restarts a layout from them, so before
// it lays out anything after an edit taken by the shortcut it first lays out again from that
// edit on (right away when it is near, else as a pass of its own), and before it draws the last
// paragraph; a second after typing stops the marks are brought up to date in any case. Edits that would leave the marks past their
// paragraph (more removed than added) go to Qt's layout.
//
// Long paragraphs (64 K characters and more) take two more measures. Qt throws a
// paragraph's shaping and character data away after drawing it and works them out again, for
// the whole paragraph, whenever it next draws it or places the caret in it, a fraction of a
// second per paint at that size: long paragraphs keep that data between paints (about 36 bytes
// per character). And Qt lays an edited paragraph out again whole, seconds for such a one: an
// edit inside a long paragraph wraps only the lines from the one before the edit until they
// meet the old lines again (see reflowLines), and then has Qt's layout move the paragraph and
// everything after it into place without laying them out again.
//
// Where Qt would lay a paragraph of a million characters and more out whole (a document opened,
// a new width, a large edit or one that splits or joins paragraphs), a control that is shown
// has it laid out a slice at a time from the event loop instead (see SlicedParagraph); so has
// the rest of a long paragraph after an edit whose words push on down its lines. The paragraph
// is hidden from Qt's
// layout while Qt lays out the rest, then its lines are made a few milliseconds at a time, and
// Qt's layout moves the lines made so far into place now and then, so the start of the
// paragraph is shown at once and the scroll range grows as the lines come.
//
// Before any of that, Qt's text engine analyses the edited paragraph again whole (its items
// and character attributes), most of a second per keystroke in a paragraph of 16 million
// characters: the long paragraph last edited keeps its analysis, patched around each edit
// (see KeptAnalysis), and through a layout of the same text at a new width or in new formats.

#include <QElapsedTimer>
#include <QTextCursor>
#include <QTimer>
#include <QtGui/private/qtextdocumentlayout_p.h>
#include "KeptAnalysis.h"
#include "SlicedParagraph.h"

#include <memory>
#include <optional>

namespace richedit {

class TypingLayout : public QTextDocumentLayout {
    Q_OBJECT
public:
    explicit TypingLayout(QTextDocument *document);
    ~TypingLayout() override;

    // Paragraphs of at least this many characters are laid out in slices where Qt would lay
    // them out whole (1 M unless changed; tests make it small).
    void setLongParagraph(int characters) { m_longParagraph = qMax(1, characters); }
    int longParagraph() const { return m_longParagraph; }
    // Paragraphs of at least this many characters keep their shaping between paints, keep
    // their analysis across edits, and an edit inside one wraps only the lines around it
    // again (64 K unless changed; tests make it small).
    void setKeptParagraph(int characters);
    int keptParagraph() const { return m_keptParagraph; }

    // How many edits the shortcut laid out, and how many went to Qt's layout.
    int shortcutEdits() const { return m_shortcutEdits; }
    int fullEdits() const { return m_fullEdits; }
    // Whether position marks wait to be brought up to date (see above).
    bool marksPending() const { return m_pendingFrom >= 0; }
    // Brings the position marks up to date now (what the pause after typing does).
    void settle();
    // Whether the paragraph's engine works with the kept, patched analysis (a test aid).
    bool analysisKept(const QTextBlock &block) const { return m_kept.inUse(block); }
    // Keeps the analysis of the long paragraph holding `position` when its engine has one (Qt's
    // layout laid it out whole: hidden, or before slicing was on), so that the first edit in it
    // patches that analysis instead of having the engine make it anew.
    void keepAnalysisAt(int position) { keepAnalysis(position); }
    // How many analyses of whole long paragraphs were kept (a test aid).
    int analysesKept() const { return m_kept.taken(); }

    // A deferred layout lays nothing out as the document changes, until something asks for
    // its geometry (a place, a size, drawing): then it lays out as far as the question needs,
    // as Qt's layout does on its first run, and goes no further by itself. A document nobody
    // looks at (a conversion on the command line) costs no layout at all. Turning deferral
    // off starts the pending layout the usual way.
    void setDeferred(bool on);
    bool deferred() const { return m_deferred; }
    // Whether changes wait for a question about the geometry to be laid out.
    bool layoutPending() const { return m_stale; }

    // Long paragraphs are laid out in slices while this is on (the control turns it on while it
    // is shown). Turning it off lays out what is left at once.
    void setSlicing(bool on);
    bool slicingOn() const { return m_slicingOn; }
    // The time a slice of lines takes, and the first one with the lines it makes at least
    // (tests make them small: every slice makes at least one line).
    void setSliceTime(qint64 nanoseconds, qint64 firstNanoseconds, int firstLines)
    {
        m_sliceNs = nanoseconds;
        m_firstSliceNs = firstNanoseconds;
        m_firstSliceLines = firstLines;
    }
    // Whether long paragraphs wait for slices; the lines and sizes are final once it is false.
    bool slicing() const;
    // One slice of about `nanoseconds` now, and everything left (finishSlicing).
    void continueSlicing(qint64 nanoseconds);
    void finishSlicing();
    // Of the characters in long paragraphs that wait for slices, the share laid out (percent).
    int slicedPercent() const;
    // Characters laid out in slices so far, counted again where slices went over them again
    // (a measure of the work done, for tests and benchmarks).
    qint64 slicedCharacters() const { return m_slicedCharacters; }

    QRectF blockBoundingRect(const QTextBlock &block) const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QSizeF documentSize() const override;
    int pageCount() const override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;

    // Qt's drawing stops at the last position mark, which the shortcut leaves behind the text it
    // inserted: once that mark falls inside the last paragraph Qt would leave the paragraph
    // undrawn, so drawing down to it brings the marks up to date first.
    void draw(QPainter *painter, const PaintContext &context) override;

signals:
    // More lines of the long paragraphs are shown (slicedPercent() tells how far it is).
    void slicingProgress();
    // The last slice of the long paragraphs is laid out.
    void slicingFinished();

protected:
    void documentChanged(int from, int oldLength, int length) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // Lays the one paragraph that holds the edit out again, when that is all the edit needs;
    // false leaves the work to Qt's layout.
    bool layOutParagraph(int from, int oldLength, int length);
    // The same for a paragraph in a cell of a table in the main flow, when the paragraph keeps
    // its height (and with it the cell, the row and the table theirs).
    bool layOutCellParagraph(int from, int length);
    // Qt's layout places everything again from `position` (the start of a table changed only
    // inside, which it then does not lay out again), bringing the position marks up to date.
    void settleAndPlaceFrom(int position);
    // Qt's layout for the edit, after the position marks behind earlier shortcut edits.
    void passOn(int from, int oldLength, int length);
    // Keeps the shaping and character data of the very long paragraphs the edit touched.
    void keepLongParagraphs(int from, int length);
    // Patches the kept analysis of the long paragraph the edit changed, or lets it go.
    void patchKeptAnalysis(int from, int oldLength, int length, bool sameParagraphs);
    // Keeps the analysis of the long paragraph holding `position`, if its engine has one.
    void keepAnalysis(int position);
    // Wraps again only the lines around an edit inside one long paragraph; false leaves the
    // work to the other paths.
    bool reflowLongParagraph(int from, int oldLength, int length);
    // Qt's layout of the paragraph holding `position` (-1: none) and placing of all after it.
    void layOutAfter(int position);
    // A deferred layout's pending changes, laid out from the start as far as asked.
    void catchUp() const;
    // Qt's layout from `position` on, after the position marks behind earlier shortcut edits.
    void settleAndLayOutAfter(int position);
    // Hides the long paragraphs Qt would lay out whole for this change and has them sliced;
    // false when there are none (or slicing does not apply).
    bool sliceLongParagraphs(int from, int oldLength, int length, bool sameParagraphs);
    // An edit while paragraphs wait for slices; true when it was laid out here.
    bool editWhileSlicing(int from, int oldLength, int length, bool sameParagraphs);
    // Lays out a change of the document by the first of the paths above that takes it.
    void layOutChange(int from, int oldLength, int length, bool sameParagraphs,
                      bool slicedUntouched);
    // The whole document laid out again with the paragraph being sliced as it was (a layout
    // asked for again at the same width): Qt's layout lays out the rest, and the paragraph
    // keeps its lines; false when they must be made again or the change is another one.
    bool relayOutBesideSliced(int from, int oldLength, int length);
    // How a long paragraph's lines are placed; none when Qt's layout must do it.
    std::optional<SlicedParagraph::Geometry> slicingGeometry(const QTextBlock &block) const;
    // Starts slicing the next waiting paragraph; false when none waits.
    bool takeNextParagraph();
    // Qt's layout moves the sliced paragraph's lines (and what follows) into place.
    void placeSliced();
    // Lays out a slice of the sliced paragraph now and shows it.
    void sliceNow(qint64 nanoseconds, int lines = 1);
    void sliceStep();
    // The sliced paragraph is laid out: its analysis is kept for the edits to come.
    void finishSliced();

    int m_blockCount = 0;
    int m_pendingFrom = -1; // the first edit laid out by the shortcut since Qt's layout ran
    int m_pendingShift = 0; // characters those edits added in all
    int m_longParagraph = 1 << 20;
    int m_keptParagraph = 1 << 16;
    int m_shortcutEdits = 0;
    int m_fullEdits = 0;
    QTimer m_settle;
    bool m_deferred = false;
    mutable bool m_stale = false; // changes not yet given to Qt's layout (deferred only)
    bool m_slicingOn = false;
    KeptAnalysis m_kept; // the analysis of the long paragraph last edited
    std::unique_ptr<SlicedParagraph> m_sliced; // the long paragraph being laid out in slices
    QList<QTextCursor> m_waiting;              // the starts of long paragraphs hidden until then
    qreal m_unplaced = 0;  // the sliced paragraph's lines from here down are not yet shown
    QTimer m_sliceTimer;
    QElapsedTimer m_sincePlaced;
    qint64 m_sliceNs;
    qint64 m_firstSliceNs;
    int m_firstSliceLines;
    qint64 m_slicedCharacters = 0;
};

} // namespace richedit
