// Line metrics of the engine: the document laid out on demand or in slices in the background,
// and the line counts, line starts and lengths the classic line messages answer from.
#include "RichEdit.h"

#include "TableJoint.h"
#include "TypingLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QTimer>

namespace richedit {

namespace {
int blockLines(const QTextBlock &b)
{
    if (b.length() == 1 && isTableJoint(b))
        return 0; // no line of the text: the layout gives it no height
    const QTextLayout *l = b.layout();
    return (l && l->lineCount() > 0) ? l->lineCount() : 1;
}
// Characters laid out between two looks at the event loop while a shown control lays out a
// long document.
constexpr int kLayoutSlice = 65536;
// Time laid out between two looks at the event loop in the background.
constexpr qint64 kSliceNs = 4'000'000;
} // namespace

RichEdit::LayoutKey RichEdit::currentLayoutKey() const
{
    const QTextDocument *doc = document();
    return LayoutKey{doc, doc->revision(), doc->pageSize().width(), doc->defaultFont().key(),
                     doc->documentLayout()->paintDevice()};
}

bool RichEdit::lineMetricsCurrent() const
{
    const TypingLayout *layout = typingLayout();
    return currentLayoutKey() == m_laidOut && !(layout && layout->slicing());
}

bool RichEdit::onlyEditsSinceLayout(const LayoutKey &now) const
{
    return m_laidOut.doc == now.doc && m_laidOut.width == now.width && m_laidOut.font == now.font
           && m_laidOut.device == now.device && m_changedFrom >= 0;
}

bool RichEdit::lineMetricsAtHand() const
{
    // Long paragraphs still being laid out in slices are waited for.
    if (const TypingLayout *layout = typingLayout(); layout && layout->slicing())
        return !isVisible();
    // An edit over a long stretch (replace-all) is laid out anew like an opened document.
    const LayoutKey now = currentLayoutKey();
    const bool smallEdits = onlyEditsSinceLayout(now) && m_changedTo - m_changedFrom <= kLayoutSlice;
    return now == m_laidOut || smallEdits || !isVisible()
           || document()->characterCount() <= kLayoutSlice;
}

void RichEdit::recordLineCounts(QTextBlock first, const QTextBlock &last) const
{
    // QTextDocument's own layout leaves every block's line count at one; recording the real
    // counts lets line numbers resolve through the block tree in logarithmic time.
    const int end = last.blockNumber();
    for (QTextBlock b = first; b.isValid() && b.blockNumber() <= end; b = b.next()) {
        const int lines = blockLines(b);
        if (b.lineCount() != lines)
            b.setLineCount(lines);
    }
}

void RichEdit::ensureLaidOut() const
{
    QTextDocument *doc = document();
    finishSlices();
    doc = document();
    const LayoutKey wanted = currentLayoutKey();
    if (wanted == m_laidOut)
        return; // nothing changed since the last complete layout
    // After edits of a document whose layout was otherwise complete, Qt has already laid the
    // edited blocks out again and only they can have other line counts.
    const bool onlyEdits = onlyEditsSinceLayout(wanted);
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    // A shown control lays a long document out in slices, with pending events (painting,
    // timers; not the user's input) handled between them, so the window never freezes for
    // the whole layout. A hidden one lays out in one go.
    if (!onlyEdits && isVisible() && !m_slicing && doc->characterCount() > kLayoutSlice) {
        m_slicing = true;
        for (int pos = kLayoutSlice; pos < doc->characterCount();) {
            const QTextBlock b = doc->findBlock(pos);
            layout->blockBoundingRect(b);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (doc != document())
                break; // the document was replaced meanwhile: the new one is laid out below
            // A paragraph longer than a slice is laid out whole: go on after it.
            pos = qMax(pos + kLayoutSlice, b.position() + b.length());
        }
        m_slicing = false;
        doc = document();
        layout = doc->documentLayout();
    }
    layout->blockBoundingRect(doc->lastBlock());

    const LayoutKey key = currentLayoutKey();
    if (onlyEdits && key.doc == wanted.doc) {
        // A table is laid out as a whole (its columns follow every cell), so an edit in one
        // records all of it.
        const int last = doc->characterCount() - 1;
        int from = qBound(0, m_changedFrom, last);
        int to = qBound(0, m_changedTo, last);
        for (int pos : {from, to}) {
            if (QTextTable *table = QTextCursor(doc->findBlock(pos)).currentTable()) {
                from = qMin(from, table->firstPosition());
                to = qMax(to, table->lastPosition());
            }
        }
        recordLineCounts(doc->findBlock(from), doc->findBlock(to));
    } else {
        recordLineCounts(doc->begin(), doc->lastBlock());
    }
    m_changedFrom = m_changedTo = -1;
    m_laidOut = key;
}

void RichEdit::finishSlices() const
{
    TypingLayout *layout = typingLayout();
    if (!layout || !layout->slicing())
        return;
    // A shown control goes on slice by slice with pending events (not the user's input) handled
    // in between, as for a long document below; a hidden one lays out what is left at once.
    if (isVisible() && !m_slicing) {
        m_slicing = true;
        const QTextDocument *doc = document();
        while (doc == document() && layout->slicing()) {
            layout->continueSlicing(kSliceNs);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        m_slicing = false;
        layout = typingLayout();
    }
    if (layout)
        layout->finishSlicing();
}

void RichEdit::layOutInBackground()
{
    if (lineMetricsCurrent()) {
        m_layoutTimer->stop();
        emit lineMetricsReady();
        return;
    }
    if (!m_layoutTimer->isActive()) {
        m_layoutPosition = 0;
        m_layoutTimer->start();
    }
}

void RichEdit::layOutSlice()
{
    // Whole blocks for about 4 ms, then back to the event loop until the next slice.
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    QElapsedTimer timer;
    timer.start();
    QTextBlock b = doc->findBlock(qMin(m_layoutPosition, doc->characterCount() - 1));
    while (b.isValid() && timer.nsecsElapsed() < kSliceNs) {
        layout->blockBoundingRect(b);
        m_layoutPosition = b.position() + b.length();
        b = b.next();
    }
    if (b.isValid())
        return;
    m_layoutTimer->stop();
    if (const TypingLayout *typing = typingLayout(); typing && typing->slicing()) {
        m_awaitingSlices = true; // the long paragraphs' last slice starts this again
        return;
    }
    ensureLaidOut(); // everything is laid out: this only records the line counts
    emit lineMetricsReady();
}

int RichEdit::lineCount() const
{
    ensureLaidOut();
    const QTextBlock last = document()->lastBlock();
    return last.firstLineNumber() + blockLines(last);
}

int RichEdit::lineFromChar(int cp) const
{
    ensureLaidOut();
    cp = qBound(0, cp, textLength());
    const QTextBlock b = document()->findBlock(cp);
    const QTextLayout *l = b.layout();
    int inBlock = 0;
    if (l && l->lineCount() > 0) {
        const QTextLine line = l->lineForTextPosition(cp - b.position());
        inBlock = line.isValid() ? line.lineNumber() : l->lineCount() - 1;
    }
    return b.firstLineNumber() + inBlock;
}

int RichEdit::lineIndex(int line) const
{
    ensureLaidOut();
    if (line < 0)
        line = lineFromChar(textCursor().position());
    if (line >= lineCount())
        return -1;
    const QTextBlock b = document()->findBlockByLineNumber(line);
    if (!b.isValid())
        return -1;
    const QTextLayout *l = b.layout();
    const int inBlock = line - b.firstLineNumber();
    if (!l || l->lineCount() == 0 || inBlock <= 0)
        return b.position();
    return b.position() + l->lineAt(qMin(inBlock, l->lineCount() - 1)).textStart();
}

int RichEdit::lineLength(int cp) const
{
    ensureLaidOut();
    cp = qBound(0, cp, textLength());
    const QTextBlock b = document()->findBlock(cp);
    const QTextLayout *l = b.layout();
    if (!l || l->lineCount() == 0)
        return b.length() - 1;
    const QTextLine line = l->lineForTextPosition(cp - b.position());
    if (!line.isValid())
        return 0;
    int len = line.textLength();
    // The paragraph break is not part of the line's length.
    if (line.textStart() + len > b.length() - 1)
        len = b.length() - 1 - line.textStart();
    return qMax(0, len);
}

} // namespace richedit
