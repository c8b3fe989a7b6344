#include "TypingLayout.h"

#include "LineReflow.h"

#include <QPaintDevice>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <limits>
#include <QtGui/private/qfixed_p.h>
#include <QtGui/private/qfont_p.h>
#include <QtGui/private/qguiapplication_p.h>

namespace richedit {

namespace {

// Edits this close after the first shortcut edit are laid out together with it by Qt's layout;
// farther ones take a pass of their own first.
constexpr int NearEdit = 1000;
// The pause after typing that brings the position marks up to date.
constexpr int SettleMs = 1000;
// Characters an edit may span before it is laid out as a document just opened is.
constexpr int LargeEdit = 65536;
// A slice of a long paragraph's lines between two looks at the event loop, the first slice
// (laid out at once, enough lines to fill a window), and how often the lines made so far are
// moved into place and shown meanwhile.
constexpr qint64 SliceNs = 8'000'000;
constexpr qint64 FirstSliceNs = 15'000'000;
// Lines the first slice makes at least, more than any window shows: the document is then
// taller than the window from the start, so that a scroll bar shown only when needed does not
// come and go (which changes the width and starts the layout again).
constexpr int FirstSliceLines = 200;
constexpr qint64 PlaceMs = 150;
// Lines an edit in a long paragraph wraps again at once (about 20 ms' worth) before the rest
// follows in slices.
constexpr int ReflowLines = 1000;

bool sameGeometry(const SlicedParagraph::Geometry &a, const SlicedParagraph::Geometry &b)
{
    return a.left == b.left && a.right == b.right && a.indent == b.indent
           && a.scaling == b.scaling && sameOption(a.option, b.option);
}

// Whether the paragraphs from first to last sit in the main flow, away from any table or
// other frame (Qt moves the paragraphs next to a table into its border).
bool inMainFlow(const QTextDocument &document, int first, int last)
{
    const QList<QTextFrame *> frames = document.rootFrame()->childFrames();
    for (const QTextFrame *frame : frames) {
        if (frame->frameFormat().position() != QTextFrameFormat::InFlow)
            return false; // a float changes the margins of the paragraphs beside it
        if (frame->firstPosition() - 1 <= last && frame->lastPosition() + 1 >= first)
            return false;
    }
    return true;
}

// Whether the paragraph holds a picture or other object (sized by the layout's handlers).
bool holdsObjects(const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().objectType() != QTextFormat::NoObject)
            return true;
    }
    return false;
}

} // namespace

TypingLayout::TypingLayout(QTextDocument *document) : QTextDocumentLayout(document)
{
    m_blockCount = document->blockCount();
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &TypingLayout::settle);
    m_sliceNs = SliceNs;
    m_firstSliceNs = FirstSliceNs;
    m_firstSliceLines = FirstSliceLines;
    m_sliceTimer.setInterval(0);
    connect(&m_sliceTimer, &QTimer::timeout, this, &TypingLayout::sliceStep);
}

TypingLayout::~TypingLayout() = default;

void TypingLayout::documentChanged(int from, int oldLength, int length)
{
    const int blocks = document()->blockCount();
    const bool sameParagraphs = blocks == m_blockCount;
    m_blockCount = blocks;
    // Qt throws away the analysis of every paragraph a change of text or formats touches: the
    // paragraph being sliced still has its own when the change left it alone (a layout asked
    // for with a new width, or an edit elsewhere).
    const QTextBlock sliced = m_sliced ? m_sliced->block() : QTextBlock();
    const bool slicedUntouched = sliced.isValid() && sliced.layout()
                                 && sliced.layout()->engine()->layoutData;
    keepLongParagraphs(from, length);
    patchKeptAnalysis(from, oldLength, length, sameParagraphs);
    if (m_deferred) {
        m_stale = true;
        return;
    }
    const bool wasSlicing = slicing();
    layOutChange(from, oldLength, length, sameParagraphs, slicedUntouched);
    keepAnalysis(from);
    if (wasSlicing && !slicing()) {
        m_sliceTimer.stop();
        emit slicingFinished();
    }
}

void TypingLayout::layOutChange(int from, int oldLength, int length, bool sameParagraphs,
                                bool slicedUntouched)
{
    if (slicedUntouched && relayOutBesideSliced(from, oldLength, length))
        return;
    if (slicing() && editWhileSlicing(from, oldLength, length, sameParagraphs))
        return;
    // Equal lengths are format changes, which may move lines in ways the check cannot see.
    if (sameParagraphs && oldLength != length && reflowLongParagraph(from, oldLength, length)) {
        ++m_shortcutEdits;
        return;
    }
    if (sliceLongParagraphs(from, oldLength, length, sameParagraphs))
        return;
    if (sameParagraphs && oldLength != length && layOutCellParagraph(from, length)) {
        ++m_shortcutEdits;
        return;
    }
    if (sameParagraphs && oldLength != length && layOutParagraph(from, oldLength, length)) {
        ++m_shortcutEdits;
        m_pendingFrom = m_pendingFrom < 0 ? from : qMin(m_pendingFrom, from);
        m_pendingShift += length - oldLength;
        m_settle.start();
        return;
    }
    ++m_fullEdits;
    passOn(from, oldLength, length);
}

void TypingLayout::keepLongParagraphs(int from, int length)
{
    QTextDocument *doc = document();
    // Only an edit that brought in a long text can have made more than one long paragraph;
    // otherwise only the paragraph at the edit can have grown long.
    // Positions are counted along, since asking each paragraph for its own searches the
    // document's tree from the top (a loaded document of a million paragraphs comes here whole).
    QTextBlock block = doc->findBlock(from);
    const int end = length >= m_keptParagraph ? from + length : from;
    for (int position = block.position(); block.isValid() && position <= end;
         block = block.next()) {
        const int blockLength = block.length();
        if (blockLength >= m_keptParagraph && !block.layout()->cacheEnabled())
            block.layout()->setCacheEnabled(true);
        position += blockLength;
    }
}

void TypingLayout::patchKeptAnalysis(int from, int oldLength, int length, bool sameParagraphs)
{
    if (!m_kept.holds())
        return;
    const QTextBlock block = m_kept.block();
    const int start = block.position();
    const int end = start + block.length() - 1; // the paragraph mark
    if (!block.isValid() || from > end || from + length < start || m_kept.inUse(block))
        return; // another paragraph changed, or only the layout is asked for again
    // Formats changed over the paragraph (its alignment, a font for all of it): the text, and
    // with it the analysis, may be as it was.
    if (sameParagraphs && oldLength == length && from <= start && from + length >= end) {
        if (!m_kept.reformat(block))
            m_kept.release();
        return;
    }
    if (!sameParagraphs || from < start || from + length > end
        || !m_kept.patch(block, from - start, oldLength, length))
        m_kept.release();
}

void TypingLayout::keepAnalysis(int position)
{
    const QTextBlock block = document()->findBlock(position);
    if (block.isValid() && block.length() >= m_keptParagraph && block.isVisible())
        m_kept.keep(block);
}

void TypingLayout::setKeptParagraph(int characters)
{
    m_keptParagraph = qMax(1, characters);
    if (m_kept.holds() && m_kept.block().length() < m_keptParagraph)
        m_kept.release();
}

bool TypingLayout::reflowLongParagraph(int from, int oldLength, int length)
{
    QTextDocument *doc = document();
    if (layoutStatus() != 100 || doc->pageSize().height() > 0 || doc->pageSize().width() <= 0)
        return false;
    if (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || block.length() < m_keptParagraph || !block.isVisible()
        || doc->findBlock(from + length) != block)
        return false;
    if (!inMainFlow(*doc, block.position(), block.position() + block.length()))
        return false;
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();
    QTextLayout *layout = block.layout();
    if (direction != Qt::LeftToRight || layout->lineCount() == 0 || holdsObjects(block)
        || !sameOption(paragraphOption(*doc, format, direction), layout->textOption()))
        return false;

    const QPaintDevice *device = paintDevice();
    const qreal scaling = device && device->logicalDpiY() != qt_defaultDpi()
                              ? qreal(device->logicalDpiY()) / qreal(qt_defaultDpi())
                              : 1;
    // Words pushed from line to line can reach far down an evenly filled paragraph; a
    // control that lays long paragraphs out in slices goes on from the edit in slices then.
    const bool sliced = m_slicingOn && doc->pageSize().height() < 0;
    const Reflow reflow = reflowLines(layout, format, scaling, from - block.position(),
                                      oldLength, length, sliced ? ReflowLines : INT_MAX);
    if (!reflow.done)
        return false;

    // Qt's position marks after the paragraph are behind or ahead of their text by the edit's
    // length (and its place if the paragraph's height changed): bring them up to date by
    // having Qt's layout place everything from the end of the paragraph before on, which
    // moves this paragraph's lines without laying them out again.
    settleAndLayOutAfter(block.position() - 1);
    const qreal top = layout->position().y();
    const qreal bottom = reflow.moved ? qreal(INT_MAX) : top + reflow.bottom.toReal();
    emit update(QRectF(0, top + reflow.top.toReal(), qreal(INT_MAX),
                       bottom - top - reflow.top.toReal()));
    return true;
}

void TypingLayout::settleAndLayOutAfter(int position)
{
    const int pending = m_pendingFrom;
    m_pendingFrom = -1;
    m_pendingShift = 0;
    m_settle.stop();
    layOutAfter(pending >= 0 ? qMin(pending, position) : position);
}

void TypingLayout::layOutAfter(int position)
{
    // Qt lays out again the paragraphs from `position` up to `position` plus the new length and
    // only moves those after it; with no length it overlooks a change at the very start of the
    // document, so that one is given as a removal of two characters there.
    if (position <= 0)
        QTextDocumentLayout::documentChanged(position, 2, 0);
    else
        QTextDocumentLayout::documentChanged(position, 0, 0);
}

void TypingLayout::passOn(int from, int oldLength, int length)
{
    const int pending = m_pendingFrom;
    m_pendingFrom = -1;
    m_pendingShift = 0;
    m_settle.stop();
    // Qt lays an edit's whole span out before the edit returns: for one over a long stretch
    // (replacing every match in a long document, a large paste) that is most of a second.
    // Such an edit is laid out as a document just opened is instead: what is shown at once,
    // the rest as it is reached or asked for.
    if (qMax(oldLength, length) > LargeEdit) {
        QTextDocumentLayout::documentChanged(0, 0, document()->characterCount());
        return;
    }
    // Qt restarts from the last mark before the edit; marks up to the first shortcut edit are
    // right, later ones may not be.
    if (pending >= 0 && from > pending) {
        if (from - pending <= NearEdit) {
            const int widen = from - pending;
            QTextDocumentLayout::documentChanged(pending, oldLength + widen, length + widen);
            return;
        }
        QTextDocumentLayout::documentChanged(pending, 0, 0);
    }
    QTextDocumentLayout::documentChanged(from, oldLength, length);
}

void TypingLayout::setDeferred(bool on)
{
    if (on == m_deferred)
        return;
    if (on)
        finishSlicing();
    m_deferred = on;
    if (on) {
        settle();
    } else if (m_stale) {
        m_stale = false;
        QTextDocumentLayout::documentChanged(0, 0, document()->characterCount());
    }
}

void TypingLayout::catchUp() const
{
    if (!m_stale)
        return;
    m_stale = false;
    // The whole document as new: Qt's layout starts again from the top, and each question
    // lays out as far as it needs.
    const_cast<TypingLayout *>(this)->QTextDocumentLayout::documentChanged(
        0, 0, document()->characterCount());
}

void TypingLayout::timerEvent(QTimerEvent *event)
{
    // Qt's layout continues a layout in steps from its timers: a deferred one goes only as
    // far as it was asked.
    if (m_deferred)
        return;
    QTextDocumentLayout::timerEvent(event);
}

QRectF TypingLayout::blockBoundingRect(const QTextBlock &block) const
{
    catchUp();
    return QTextDocumentLayout::blockBoundingRect(block);
}

QRectF TypingLayout::frameBoundingRect(QTextFrame *frame) const
{
    catchUp();
    return QTextDocumentLayout::frameBoundingRect(frame);
}

QSizeF TypingLayout::documentSize() const
{
    catchUp();
    return QTextDocumentLayout::documentSize();
}

int TypingLayout::pageCount() const
{
    catchUp();
    return QTextDocumentLayout::pageCount();
}

int TypingLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    catchUp();
    return QTextDocumentLayout::hitTest(point, accuracy);
}

void TypingLayout::draw(QPainter *painter, const PaintContext &context)
{
    catchUp();
    // Qt's engine made an analysis of its own since (a new width, a format change): the kept
    // one is out of date, and the memory it holds is better freed.
    if (m_kept.holds() && !m_kept.inUse(m_kept.block()))
        m_kept.keep(m_kept.block());
    if (m_pendingFrom >= 0) {
        const QTextBlock last = document()->lastBlock();
        const qreal lastTop = last.layout()->position().y();
        if (!context.clip.isValid() || context.clip.bottom() >= lastTop)
            settle();
    }
    QTextDocumentLayout::draw(painter, context);
}

void TypingLayout::settle()
{
    m_settle.stop();
    if (m_pendingFrom < 0)
        return;
    const int from = qMin(m_pendingFrom, qMax(0, document()->characterCount() - 1));
    m_pendingFrom = -1;
    m_pendingShift = 0;
    QTextDocumentLayout::documentChanged(from, 0, 0);
}

bool TypingLayout::layOutParagraph(int from, int oldLength, int length)
{
    QTextDocument *doc = document();
    // Marks left past their paragraph would make Qt draw from the wrong paragraph.
    if (m_pendingShift + length - oldLength < 0)
        return false;
    if (layoutStatus() != 100 || doc->pageSize().height() > 0 || doc->pageSize().width() <= 0)
        return false;
    const QTextOption defaults = doc->defaultTextOption();
    if (defaults.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || doc->findBlock(from + length) != block || !block.isVisible())
        return false;
    const QTextBlock next = block.next();
    if (!next.isValid() || !next.isVisible())
        return false;
    const QTextBlock previous = block.previous();
    if (!inMainFlow(*doc, previous.isValid() ? previous.position() : block.position(),
                    next.position() + next.length()))
        return false;
    QTextLayout *layout = block.layout();
    const QTextLayout *nextLayout = next.layout();
    const int lineCount = layout->lineCount();
    if (lineCount == 0 || nextLayout->lineCount() == 0)
        return false;
    const QTextBlockFormat format = block.blockFormat();
    const QTextBlockFormat nextFormat = next.blockFormat();
    if (format.pageBreakPolicy() != QTextFormat::PageBreak_Auto
        || nextFormat.pageBreakPolicy() != QTextFormat::PageBreak_Auto)
        return false;
    const Qt::LayoutDirection direction = block.textDirection();
    if (direction != Qt::LeftToRight || next.textDirection() != Qt::LeftToRight)
        return false;
    if (block.text().contains(QChar::ObjectReplacementCharacter))
        return false; // pictures are sized and placed by the layout's object handlers

    // The option Qt's layout gives the paragraph; unchanged, or the edit changed its format.
    if (!sameOption(paragraphOption(*doc, format, direction), layout->textOption()))
        return false;

    const QPaintDevice *device = paintDevice();
    const qreal dpiScale = device ? qreal(device->logicalDpiY()) / qreal(qt_defaultDpi()) : 1;
    const qreal scaling = device && device->logicalDpiY() != qt_defaultDpi() ? dpiScale : 1;
    const Margins margins = marginsOf(*doc, format, dpiScale);
    const Margins nextMargins = marginsOf(*doc, nextFormat, dpiScale);

    // The flow's left and right edges, from the lines Qt laid out before the edit: every line of
    // this paragraph and the next one's first line must agree with the margins.
    const QFixed xLeft = QFixed::fromReal(layout->position().x());
    if (QFixed::fromReal(nextLayout->position().x()) != xLeft)
        return false;
    const QTextLine nextFirst = nextLayout->lineAt(0);
    const QFixed xRight = xLeft + QFixed::fromReal(nextFirst.x())
                          + QFixed::fromReal(nextFirst.width()) + nextMargins.right;
    if (QFixed::fromReal(nextFirst.x()) != nextMargins.left + nextMargins.indent)
        return false;
    const std::optional<QFixed> end = checkedEnd(*layout, format, margins, xLeft, xRight, scaling);
    if (!end)
        return false;
    const QFixed top = QFixed::fromReal(layout->position().y());
    const QFixed oldEnd = *end;
    qreal gap = qMax(nextFormat.topMargin(), format.bottomMargin());
    if (gap > 0 && device)
        gap *= dpiScale;
    if (oldEnd + QFixed::fromReal(gap) != QFixed::fromReal(nextLayout->position().y()))
        return false;

    // The paragraph again, line by line as Qt's layout makes it; it must end where it ended.
    if (!relayLines(*layout, format, margins, xLeft, xRight, scaling, lineCount, oldEnd))
        return false; // Qt's layout lays the paragraph out again with the rest

    emit update(QRectF(0, top.toReal(), qreal(INT_MAX), (oldEnd - top).toReal()));
    return true;
}

// ---- long paragraphs in slices ------------------------------------------------------------

std::optional<SlicedParagraph::Geometry> TypingLayout::slicingGeometry(const QTextBlock &block) const
{
    const QTextDocument *doc = document();
    if (!block.isValid() || block.textDirection() != Qt::LeftToRight || holdsObjects(block)
        || !inMainFlow(*doc, block.position(), block.position() + block.length()))
        return std::nullopt;
    // The root frame's inner edges, as Qt's layout works them out from the page width.
    const QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    if (frame.width().type() == QTextLength::FixedLength)
        return std::nullopt;
    const QFixed width = QFixed::fromReal(frame.width().value(qMax<qreal>(0, doc->pageSize().width())));
    const QFixed contents = width - 2 * (QFixed::fromReal(frame.border()) + QFixed::fromReal(frame.padding()))
                            - QFixed::fromReal(frame.leftMargin()) - QFixed::fromReal(frame.rightMargin());
    const QPaintDevice *device = paintDevice();
    const qreal dpiScale = device ? qreal(device->logicalDpiY()) / qreal(qt_defaultDpi()) : 1;
    const QTextBlockFormat format = block.blockFormat();
    const Margins margins = marginsOf(*doc, format, dpiScale);
    SlicedParagraph::Geometry geometry;
    geometry.left = margins.left;
    geometry.right = contents - margins.right;
    geometry.indent = margins.indent;
    geometry.scaling = device && device->logicalDpiY() != qt_defaultDpi() ? dpiScale : 1;
    geometry.option = paragraphOption(*doc, format, Qt::LeftToRight);
    if (geometry.right - geometry.left - qMax(QFixed(), geometry.indent) <= 0)
        return std::nullopt;
    return geometry;
}

bool TypingLayout::sliceLongParagraphs(int from, int oldLength, int length, bool sameParagraphs)
{
    QTextDocument *doc = document();
    if (!m_slicingOn || m_deferred || doc->pageSize().height() >= 0
        || doc->pageSize().width() <= 0
        || (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators))
        return false;
    const QTextBlock at = doc->findBlock(from);
    // An edit inside one long paragraph that is laid out whole: the lines before it stay, and
    // the rest follows in slices from the edit on.
    if (!slicing() && sameParagraphs && at.isVisible() && at.length() >= m_keptParagraph
        && from + length < at.position() + at.length() && layoutStatus() == 100) {
        const std::optional<SlicedParagraph::Geometry> geometry = slicingGeometry(at);
        if (!geometry)
            return false;
        m_sliced = std::make_unique<SlicedParagraph>(at, *geometry, from - at.position(),
                                                     m_kept.inUse(at));
        m_unplaced = m_sliced->height().toReal();
        sliceNow(m_firstSliceNs, m_firstSliceLines);
        if (slicing())
            m_sliceTimer.start();
        return true;
    }
    // The long paragraphs Qt would lay out whole for this change: unless the change is long
    // itself, only its first and last paragraphs can be long.
    QList<QTextBlock> found;
    auto consider = [&](const QTextBlock &b) {
        if (b.isValid() && b.isVisible() && b.length() >= m_longParagraph && slicingGeometry(b))
            found.append(b);
    };
    const int end = from + length;
    if (length >= m_longParagraph) {
        for (QTextBlock b = at; b.isValid() && b.position() <= end; b = b.next())
            consider(b);
    } else {
        consider(at);
        const QTextBlock last = doc->findBlock(end);
        if (last != at)
            consider(last);
    }
    if (found.isEmpty())
        return false;
    for (QTextBlock &b : found) {
        if (m_sliced && m_sliced->block() == b)
            m_sliced.reset();
        b.layout()->clearLayout();
        b.setVisible(false); // Qt's layout passes over hidden paragraphs
        m_waiting.append(QTextCursor(b));
    }
    ++m_fullEdits;
    passOn(from, oldLength, length);
    // The first lines at once, so that the window shows them when it is next painted.
    if (!m_sliced && layoutStatus() == 100)
        takeNextParagraph();
    m_sliceTimer.start();
    return true;
}

bool TypingLayout::editWhileSlicing(int from, int oldLength, int length, bool sameParagraphs)
{
    Q_UNUSED(oldLength);
    if (m_sliced) {
        const QTextBlock b = m_sliced->block();
        const int start = b.position();
        const int end = start + b.length();
        // Qt's layout would lay the paragraph out anew for this change.
        if (from < end && start <= from + length) {
            if (sameParagraphs && from >= start && from + length < end) {
                if (const auto geometry = slicingGeometry(b)) {
                    // The lines before the edit stay; the rest follows in slices.
                    m_sliced = std::make_unique<SlicedParagraph>(b, *geometry, from - start,
                                                                 m_kept.inUse(b));
                    m_unplaced = qMin(m_unplaced, m_sliced->height().toReal());
                    sliceNow(m_sliceNs);
                    return true;
                }
            }
            m_sliced.reset(); // the change lays it out again below
        }
    }
    // Waiting paragraphs inside the change are looked at again with the change.
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        QTextBlock b = it->block();
        if (b.position() <= from + length && from < b.position() + b.length()) {
            b.setVisible(true);
            it = m_waiting.erase(it);
        } else {
            ++it;
        }
    }
    return false;
}

bool TypingLayout::relayOutBesideSliced(int from, int oldLength, int length)
{
    // Only the whole document laid out again as it is (what a new page size asks for); an
    // edit elsewhere goes the usual way, which looks at the paragraphs waiting for slices.
    if (from != 0 || oldLength != 0 || length != document()->characterCount())
        return false;
    QTextBlock b = m_sliced->block();
    const std::optional<SlicedParagraph::Geometry> geometry = slicingGeometry(b);
    if (!b.isVisible() || !geometry || !sameGeometry(*geometry, m_sliced->geometry()))
        return false;
    // The lines made so far stay right: the paragraph is hidden while Qt lays out the rest,
    // then they are moved into place and the slices go on.
    b.setVisible(false);
    ++m_fullEdits;
    passOn(from, oldLength, length);
    b.setVisible(true);
    placeSliced();
    return true;
}

bool TypingLayout::takeNextParagraph()
{
    while (!m_waiting.isEmpty()) {
        QTextBlock b = m_waiting.takeFirst().block();
        if (b.isVisible())
            continue;
        b.setVisible(true);
        const std::optional<SlicedParagraph::Geometry> geometry = slicingGeometry(b);
        if (!geometry || b.length() < m_longParagraph) {
            passOn(b.position(), b.length(), b.length()); // no longer one to slice
            continue;
        }
        m_sliced = std::make_unique<SlicedParagraph>(b, *geometry, -1, m_kept.inUse(b));
        m_unplaced = 0;
        sliceNow(m_firstSliceNs, m_firstSliceLines);
        return true;
    }
    return false;
}

void TypingLayout::placeSliced()
{
    const QTextBlock block = m_sliced->block();
    settleAndLayOutAfter(block.position() - 1);
    // Qt's layout repaints nothing below a paragraph that kept its place: the new lines are.
    const qreal top = block.layout()->position().y() + m_unplaced;
    emit update(QRectF(0, top, qreal(INT_MAX), qreal(INT_MAX)));
    m_unplaced = m_sliced->height().toReal();
    m_sincePlaced.restart();
    keepAnalysis(block.position()); // for an edit before the slices are done
    emit slicingProgress();
}

void TypingLayout::sliceNow(qint64 nanoseconds, int lines)
{
    const int before = m_sliced->laidOut();
    m_sliced->layOut(nanoseconds, lines);
    m_slicedCharacters += m_sliced->laidOut() - before;
    placeSliced();
    if (m_sliced->done())
        finishSliced();
}

void TypingLayout::finishSliced()
{
    const int position = m_sliced->block().position();
    m_sliced.reset();
    keepAnalysis(position);
}

void TypingLayout::sliceStep()
{
    // Qt lays out the rest of the document from its own timer first.
    if (slicing() && layoutStatus() != 100)
        return;
    continueSlicing(m_sliceNs);
}

void TypingLayout::continueSlicing(qint64 nanoseconds)
{
    if (!slicing()) {
        m_sliceTimer.stop();
        return;
    }
    if (layoutStatus() != 100)
        QTextDocumentLayout::documentSize(); // the rest of the document first
    QElapsedTimer timer;
    timer.start();
    // At least one line, however short the time.
    do {
        if (!m_sliced) {
            if (!takeNextParagraph())
                break;
            continue;
        }
        const int before = m_sliced->laidOut();
        m_sliced->layOut(nanoseconds - timer.nsecsElapsed());
        m_slicedCharacters += m_sliced->laidOut() - before;
        if (m_sliced->done()) {
            placeSliced();
            finishSliced();
        } else if (m_sincePlaced.elapsed() >= PlaceMs) {
            placeSliced();
        }
    } while (slicing() && timer.nsecsElapsed() < nanoseconds);
    if (!slicing()) {
        m_sliceTimer.stop();
        emit slicingFinished();
    }
}

void TypingLayout::finishSlicing()
{
    continueSlicing(std::numeric_limits<qint64>::max());
}

bool TypingLayout::slicing() const
{
    return m_sliced || !m_waiting.isEmpty();
}

void TypingLayout::setSlicing(bool on)
{
    m_slicingOn = on;
    if (!on)
        finishSlicing();
}

int TypingLayout::slicedPercent() const
{
    qint64 total = 0;
    qint64 done = 0;
    if (m_sliced) {
        total += m_sliced->block().length();
        done += m_sliced->laidOut();
    }
    for (const QTextCursor &c : m_waiting)
        total += c.block().length();
    return total > 0 ? int(done * 100 / total) : 100;
}

} // namespace richedit
