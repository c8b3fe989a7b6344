#include "RichEdit.h"

#include "BlockAtHeight.h"
#include "FormatRange.h"
#include "PageUnits.h"
#include "ResolutionDevice.h"
#include "Formats.h"
#include "Pictures.h"
#include "RichEditOle.h"
#include "TableCells.h"
#include "TypingLayout.h"
#include "rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QTimer>

namespace richedit {

RichEdit::RichEdit(QWidget *parent)
    : QTextEdit(parent), m_rangeCache(std::make_unique<FormatRangeCache>())
{
    // Text in the Symbol character set is held as Unicode; a font with a real Unicode map must
    // draw it, not a symbol-encoded font that would pick glyphs by byte value.
    static const bool symbolSubstituted = [] {
        QFont::insertSubstitutions(QStringLiteral("Symbol"),
                                   {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        return true;
    }();
    Q_UNUSED(symbolSubstituted);
    setAcceptRichText(true);
    setTabChangesFocus(true);
    setAutoFillBackground(true); // margins round the viewport take the background colour too
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setUndoRedoEnabled(true);
    document()->setDocumentLayout(new TypingLayout(document()));
    m_layoutTimer = new QTimer(this);
    m_layoutTimer->setInterval(0);
    connect(m_layoutTimer, &QTimer::timeout, this, &RichEdit::layOutSlice);
    connectDocument();
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        // The long paragraph the caret comes to is the one about to be typed into.
        if (TypingLayout *layout = typingLayout())
            layout->keepAnalysisAt(textCursor().position());
        if (m_eventMask & ENM_SELCHANGE)
            emit selChangeNotify();
    });
    connect(this, &QTextEdit::selectionChanged, this, [this] {
        if (m_eventMask & ENM_SELCHANGE)
            emit selChangeNotify();
    });
}

RichEdit::~RichEdit()
{
    releaseClipboard();
}

void RichEdit::releaseClipboard()
{
    // EN_SAVECLIPBOARD: the control goes while the clipboard holds its data; the data stays
    // unless a handler answers no. Runs once, from the most derived destructor.
    if (m_clipboardReleased)
        return;
    m_clipboardReleased = true;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard && clipboard->ownsClipboard()) {
        bool keep = true;
        emit saveClipboardNotify(&keep);
        if (!keep)
            clipboard->clear();
    }
}

void RichEdit::connectDocument()
{
    QTextDocument *doc = document();
    QTextOption option = doc->defaultTextOption();
    // Setting the option lays the whole document out again: only when it changes.
    if (option.tabStopDistance() != twipsToPixels(720)
        || option.textDirection() != Qt::LeftToRight
        || option.wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere) {
        option.setTabStopDistance(twipsToPixels(720)); // a default stop every half inch
        // Paragraphs run left to right unless their format says otherwise, as in the classic
        // control; it also spares the layout a scan of every paragraph's text for its
        // direction on each edit.
        option.setTextDirection(Qt::LeftToRight);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        doc->setDefaultTextOption(option);
    }
    connect(doc, &QTextDocument::contentsChange, this, &RichEdit::onContentsChange);
    // The document flips its modified flag only after it has reported the change, so the first
    // edit of an unmodified document would report a document that still looks unmodified; the
    // flip is reported as a change of its own.
    connect(doc, &QTextDocument::modificationChanged, this, [this] {
        if ((m_eventMask & ENM_CHANGE) && !m_loading)
            emit changeNotify();
    });
    registerPictureHandler(doc);
    if (auto *layout = qobject_cast<TypingLayout *>(doc->documentLayout())) {
        connect(layout, &TypingLayout::slicingFinished, this, &RichEdit::onSlicingFinished,
                Qt::UniqueConnection);
        connect(layout, &TypingLayout::slicingProgress, this, &RichEdit::onSlicingProgress,
                Qt::UniqueConnection);
    }
    applyZoom();
}

TypingLayout *RichEdit::typingLayout() const
{
    return qobject_cast<TypingLayout *>(document()->documentLayout());
}

void RichEdit::showEvent(QShowEvent *event)
{
    // A control that is seen lays long paragraphs out in slices from the event loop.
    if (TypingLayout *layout = typingLayout())
        layout->setSlicing(!m_layoutDeferred);
    QTextEdit::showEvent(event);
}

void RichEdit::onSlicingProgress()
{
    if (const TypingLayout *layout = typingLayout(); layout && layout->slicing())
        emit layoutProgress(layout->slicedPercent());
}

void RichEdit::onSlicingFinished()
{
    if (m_awaitingSlices) {
        m_awaitingSlices = false;
        m_layoutTimer->start();
    }
}

void RichEdit::setZoomPercent(int percent)
{
    percent = qBound(10, percent, 500);
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    applyZoom();
}

void RichEdit::applyZoom()
{
    QTextDocument *doc = document();
    // A device no longer wanted goes only once the layout has let go of it.
    std::unique_ptr<QPaintDevice> retired;
    if (m_zoom == 100) {
        retired = std::move(m_zoomDevice);
    } else {
        const int dpiX = qMax(1, viewport()->logicalDpiX() * m_zoom / 100);
        const int dpiY = qMax(1, viewport()->logicalDpiY() * m_zoom / 100);
        if (!m_zoomDevice || m_zoomDevice->logicalDpiX() != dpiX
            || m_zoomDevice->logicalDpiY() != dpiY) {
            retired = std::move(m_zoomDevice);
            m_zoomDevice = std::make_unique<ResolutionDevice>(dpiX, dpiY);
        }
    }
    if (doc->documentLayout()->paintDevice() == m_zoomDevice.get())
        return;
    doc->documentLayout()->setPaintDevice(m_zoomDevice.get());
    doc->markContentsDirty(0, doc->characterCount());
    viewport()->update();
}

void RichEdit::changeEvent(QEvent *event)
{
    // The control's own font (inherited from the window) is not the document's: the text
    // edit would make it the document's default font, which plain text is shown in.
    if (event->type() == QEvent::FontChange) {
        const QFont kept = document()->defaultFont();
        QTextEdit::changeEvent(event);
        document()->setDefaultFont(kept);
        return;
    }
    QTextEdit::changeEvent(event);
}

std::unique_ptr<QTextDocument> RichEdit::makeDocument() const
{
    auto fresh = std::make_unique<QTextDocument>();
    const QTextDocument *old = document();
    fresh->setDefaultFont(old ? old->defaultFont() : font());
    fresh->setDefaultTextOption(old ? old->defaultTextOption() : QTextOption());
    return fresh;
}

void RichEdit::adoptDocument(std::unique_ptr<QTextDocument> fresh)
{
    // The old document goes with the call when the control owned it; one this engine created
    // earlier is a child of the engine and is deleted here.
    QPointer<QTextDocument> old = document();
    const bool ours = old && old->parent() == this;
    fresh->setParent(this);
    // A document without a page size is not laid out: the text edit makes its layout and
    // then gives it the control's width, which lays it out once instead of three times (the
    // first ones on one endless line per paragraph).
    fresh->setPageSize(QSizeF(0, 0));
    auto *layout = qobject_cast<TypingLayout *>(fresh->documentLayout());
    if (!layout) {
        layout = new TypingLayout(fresh.get());
        layout->setDeferred(m_layoutDeferred); // before the layout first sees the text
        fresh->setDocumentLayout(layout);
    } else {
        layout->setDeferred(m_layoutDeferred);
    }
    layout->setSlicing(isVisible() && !m_layoutDeferred);
    setDocument(fresh.release());
    if (ours && old)
        delete old.data();
    connectDocument();
    m_rangeCache->reset();
    m_laidOut = {};
    m_changedFrom = m_changedTo = -1;
    m_layoutPosition = 0; // a background layout under way starts again on the new document
}

void RichEdit::setLayoutDeferred(bool on)
{
    m_layoutDeferred = on;
    if (auto *layout = qobject_cast<TypingLayout *>(document()->documentLayout())) {
        layout->setDeferred(on);
        layout->setSlicing(isVisible() && !on);
    }
}

void RichEdit::resetDocument()
{
    adoptDocument(makeDocument());
}

void RichEdit::onContentsChange(int position, int removed, int added)
{
    m_rangeCache->reset();
    // The edited span, in present positions: what lay after the removed part moves with it.
    if (m_changedFrom < 0) {
        m_changedFrom = position;
        m_changedTo = position + added;
    } else {
        if (m_changedTo >= position + removed)
            m_changedTo += added - removed;
        else if (m_changedTo > position)
            m_changedTo = position;
        m_changedFrom = qMin(m_changedFrom, position);
        m_changedTo = qMax(m_changedTo, position + added);
    }
    if (m_loading)
        return;
    if (m_autoUrlDetect && !m_inUrlDetect && added > 0)
        detectUrls(position, position + added);
    if (m_eventMask & ENM_CHANGE)
        emit changeNotify();
}

// ---- formats ------------------------------------------------------------------------------

CHARFORMAT2 RichEdit::getCharFormat(int scf) const
{
    CHARFORMAT2 cf;
    QTextCharFormat defaults;
    defaults.setFont(document()->defaultFont());
    if (!(scf & SCF_SELECTION)) {
        readCharFormat(QTextCharFormat(), defaults, cf);
        return cf;
    }
    const QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        readCharFormat(currentCharFormat(), defaults, cf);
        return cf;
    }
    // Over a selection: the first run's values, with the mask narrowed to what all runs share.
    bool first = true;
    for (const auto &[from, to] : selectedSpans(c)) {
        for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to;
             b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                if (frag.position() + frag.length() <= from || frag.position() >= to)
                    continue;
                CHARFORMAT2 run;
                readCharFormat(frag.charFormat(), defaults, run);
                if (first) {
                    cf = run;
                    first = false;
                } else {
                    narrowCharMask(cf, run);
                }
            }
        }
    }
    if (first)
        readCharFormat(c.charFormat(), defaults, cf);
    return cf;
}

QTextCursor RichEdit::wordCursorAt(int pos) const
{
    QTextCursor c(document());
    c.setPosition(pos);
    const QTextBlock block = c.block();
    const QString text = block.text();
    const int rel = pos - block.position();
    auto isWordChar = [&text](int i) {
        return i >= 0 && i < text.size() && (text[i].isLetterOrNumber() || text[i] == u'_'
                                             || text[i] == u'\'');
    };
    // Only a caret strictly inside a word takes the whole word; at a word's edge or between
    // spaces the change goes to the insertion format alone.
    if (!isWordChar(rel) || !isWordChar(rel - 1))
        return QTextCursor();
    int start = rel;
    while (isWordChar(start - 1))
        --start;
    int end = rel;
    while (isWordChar(end))
        ++end;
    c.setPosition(block.position() + start);
    c.setPosition(block.position() + end, QTextCursor::KeepAnchor);
    return c;
}

bool RichEdit::setCharFormat(int scf, const CHARFORMAT2 &cf)
{
    QTextDocument *doc = document();
    auto applyTo = [&](const QTextCursor &range) {
        // Run by run, so that removals (automatic colour) and partial masks keep each run's
        // other attributes.
        QTextCursor edit(doc);
        edit.beginEditBlock();
        QList<std::pair<std::pair<int, int>, QTextCharFormat>> runs;
        for (const auto &[from, to] : selectedSpans(range)) {
            for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to;
                 b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextFragment frag = it.fragment();
                    const int s = qMax(from, frag.position());
                    const int e = qMin(to, frag.position() + frag.length());
                    if (s >= e)
                        continue;
                    QTextCharFormat f = frag.charFormat();
                    writeCharFormat(f, cf);
                    runs.append({{s, e}, f});
                }
                const int mark = b.position() + b.length() - 1;
                if (mark >= from && mark < to) {
                    // The paragraph mark carries the block's character format too.
                    QTextCharFormat bf = b.charFormat();
                    writeCharFormat(bf, cf);
                    QTextCursor bc(b);
                    bc.setBlockCharFormat(bf);
                }
            }
        }
        for (const auto &[span, f] : runs) {
            edit.setPosition(span.first);
            edit.setPosition(span.second, QTextCursor::KeepAnchor);
            edit.setCharFormat(f);
        }
        edit.endEditBlock();
    };

    if (scf == SCF_DEFAULT || (scf & SCF_ALL) || (m_plainMode && (scf & SCF_SELECTION))) {
        if (scf == SCF_DEFAULT) {
            QTextCharFormat f;
            f.setFont(doc->defaultFont());
            writeCharFormat(f, cf);
            // Qt lays the whole document out again for a new default font, even an equal one
            // (seconds for a long table): the window sets it again on every activation.
            const QFont font = f.font();
            const QFont current = doc->defaultFont();
            if (font != current || font.resolveMask() != current.resolveMask())
                doc->setDefaultFont(font);
            if (doc->isEmpty()) {
                QTextCharFormat cur = currentCharFormat();
                writeCharFormat(cur, cf);
                QTextEdit::setCurrentCharFormat(cur);
            }
            return true;
        }
        QTextCursor all(doc);
        all.select(QTextCursor::Document);
        applyTo(all);
        QTextCharFormat cur = currentCharFormat();
        writeCharFormat(cur, cf);
        QTextEdit::setCurrentCharFormat(cur);
        return true;
    }
    QTextCursor c = textCursor();
    if (!c.hasSelection() && (scf & SCF_WORD)) {
        const QTextCursor word = wordCursorAt(c.position());
        if (!word.isNull() && word.hasSelection()) {
            applyTo(word);
        }
    }
    if (!c.hasSelection()) {
        QTextCharFormat cur = currentCharFormat();
        writeCharFormat(cur, cf);
        // Replace, not merge, so that removed properties stay removed.
        QTextCursor tc = textCursor();
        tc.setCharFormat(cur);
        setTextCursor(tc);
        return true;
    }
    applyTo(c);
    return true;
}

PARAFORMAT2 RichEdit::getParaFormat() const
{
    PARAFORMAT2 pf;
    const QList<QTextBlock> blocks = selectedParagraphs(textCursor());
    readParaFormat(blocks.first().blockFormat(), pf);
    for (qsizetype i = 1; i < blocks.size(); ++i) {
        PARAFORMAT2 other;
        readParaFormat(blocks.at(i).blockFormat(), other);
        narrowParaMask(pf, other);
    }
    return pf;
}

bool RichEdit::setParaFormat(const PARAFORMAT2 &pf)
{
    QTextDocument *doc = document();
    auto apply = [&pf](const QTextBlock &b) {
        QTextBlockFormat f = b.blockFormat();
        writeParaFormat(f, pf);
        QTextCursor(b).setBlockFormat(f);
    };
    QTextCursor edit(doc);
    edit.beginEditBlock();
    if (m_plainMode) {
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            apply(b);
    } else {
        for (const QTextBlock &b : selectedParagraphs(textCursor()))
            apply(b);
    }
    edit.endEditBlock();
    viewport()->update();
    return true;
}

// ---- selection and text -----------------------------------------------------------------

CHARRANGE RichEdit::exGetSel() const
{
    const QTextCursor c = textCursor();
    return {c.selectionStart(), c.selectionEnd()};
}

void RichEdit::exSetSel(int cpMin, int cpMax)
{
    const int len = textLength();
    if (cpMax < 0 || cpMax > len)
        cpMax = len;
    if (cpMin < 0) { // (-1, x) removes the selection and keeps the caret
        QTextCursor c = textCursor();
        c.clearSelection();
        setTextCursor(c);
        return;
    }
    cpMin = qMin(cpMin, len);
    QTextCursor c = textCursor();
    c.setPosition(cpMin);
    c.setPosition(cpMax, QTextCursor::KeepAnchor);
    // The anchor at the start, the caret at the end, as the platform keeps a selection.
    const int s = qMin(cpMin, cpMax), e = qMax(cpMin, cpMax);
    c.setPosition(s);
    c.setPosition(e, QTextCursor::KeepAnchor);
    const int hPos = horizontalScrollBar()->value();
    const int vPos = verticalScrollBar()->value();
    setTextCursor(c);
    horizontalScrollBar()->setValue(hPos);
    verticalScrollBar()->setValue(vPos);
}

void RichEdit::scrollCaret()
{
    ensureCursorVisible();
}

void RichEdit::replaceSel(const QString &text, bool canUndo)
{
    QTextCursor c = textCursor();
    if (!allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QString(QChar::ParagraphSeparator));
    t.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
    t.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
    if (!canUndo)
        document()->setUndoRedoEnabled(false);
    c.insertText(t);
    if (!canUndo)
        document()->setUndoRedoEnabled(true);
    setTextCursor(c);
}

// Tab in a table: the next cell (Shift+Tab the one before), its text selected as word
// processors do; Tab in the last cell adds a row made like the last one.
void RichEdit::moveToNextCell(bool backwards)
{
    QTextCursor c = textCursor();
    if (const std::optional<QTextTableCell> cell = neighbourCell(c, backwards)) {
        c = cell->firstCursorPosition();
        c.setPosition(cell->lastCursorPosition().position(), QTextCursor::KeepAnchor);
        setTextCursor(c);
        return;
    }
    QTextTable *table = c.currentTable();
    if (backwards || !allowEdit(table->lastPosition(), table->lastPosition()))
        return;
    setTextCursor(appendRowLikeLast(table).firstCursorPosition());
}

void RichEdit::clearSelection()
{
    QTextCursor c = textCursor();
    if (!c.hasSelection() || !allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
    c.removeSelectedText();
    setTextCursor(c);
}

void RichEdit::cutSelection()
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection() || !allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
    cut();
}

int RichEdit::textLength() const
{
    return document()->characterCount() - 1;
}

QString RichEdit::textRange(int cpMin, int cpMax) const
{
    if (cpMax < 0)
        cpMax = textLength();
    QString s = controlText(document(), cpMin, cpMax);
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    s.replace(QChar::LineSeparator, QLatin1Char('\v'));
    return s;
}

QString RichEdit::windowText() const
{
    QString s = controlText(document(), 0, textLength());
    s.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    s.replace(QChar::LineSeparator, QLatin1Char('\v'));
    return s;
}

void RichEdit::setWindowText(const QString &text)
{
    constexpr int kLongText = 1 << 16;
    if (text.isEmpty() && document()->characterCount() > kLongText) {
        // Emptying a long document: a fresh empty one, as a load puts in place, instead of
        // removing a million paragraphs one by one. It counts as a change, as the removal does.
        adoptDocument(makeDocument());
        document()->setUndoRedoEnabled(m_undoLimit > 0);
        setModify(true);
        setTextCursor(QTextCursor(document()));
        if (m_eventMask & ENM_CHANGE)
            emit changeNotify();
        return;
    }
    document()->setUndoRedoEnabled(false);
    QTextCursor c(document());
    // In an edit block the cursor does not lay the old text out to find its place, and the
    // new text is laid out once, when it is complete.
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    c.setBlockFormat(QTextBlockFormat());
    c.setBlockCharFormat(QTextCharFormat());
    c.setCharFormat(QTextCharFormat());
    if (!text.isEmpty()) {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        c.insertText(t);
    }
    c.endEditBlock();
    document()->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(document()));
}

void RichEdit::replaceAll(const QString &text)
{
    QTextCursor c(document());
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    c.setBlockFormat(QTextBlockFormat());
    c.setBlockCharFormat(QTextCharFormat());
    c.setCharFormat(QTextCharFormat());
    if (!text.isEmpty()) {
        QString t = text;
        t.replace(QLatin1String("\r\n"), QString(QChar::ParagraphSeparator));
        t.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
        t.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
        c.insertText(t);
    }
    c.endEditBlock();
    setTextCursor(QTextCursor(document()));
}

// ---- undo and the modified flag -----------------------------------------------------------

bool RichEdit::canUndo() const { return document()->isUndoAvailable(); }
bool RichEdit::canRedo() const { return document()->isRedoAvailable(); }
void RichEdit::emptyUndoBuffer() { document()->clearUndoRedoStacks(); }

int RichEdit::setUndoLimit(int limit)
{
    // QTextDocument keeps its whole history; the limit is remembered and reported back.
    m_undoLimit = qMax(0, limit);
    document()->setUndoRedoEnabled(m_undoLimit > 0);
    return m_undoLimit;
}

bool RichEdit::modify() const { return document()->isModified(); }
void RichEdit::setModify(bool modified) { document()->setModified(modified); }

// ---- options ------------------------------------------------------------------------------

void RichEdit::setBkgndColor(COLORREF color)
{
    m_background = color;
    QPalette p = palette();
    p.setColor(QPalette::Base, colorOf(color));
    p.setColor(QPalette::Window, colorOf(color));
    setPalette(p);
    viewport()->update(); // the text area paints the colour itself (see paintEvent)
}

void RichEdit::exLimitText(int limit)
{
    m_textLimit = limit > 0 ? limit : 0xFFFF;
}

void RichEdit::hideSelection(bool hide)
{
    m_hideSelection = hide;
    QPalette p = palette();
    const QPalette app = QApplication::palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               hide && !hasFocus() ? QColor(Qt::transparent) : app.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               hide && !hasFocus() ? app.color(QPalette::Active, QPalette::Text)
                                   : app.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void RichEdit::setTextMode(int mode)
{
    if (!document()->isEmpty())
        return;
    if (mode & TM_PLAINTEXT)
        m_plainMode = true;
    else if (mode & TM_RICHTEXT)
        m_plainMode = false;
    setAcceptRichText(!m_plainMode);
}

// ---- painting -----------------------------------------------------------------------------

void RichEdit::paintEvent(QPaintEvent *e)
{
    {
        // The background colour is painted here rather than left to the palette: a style
        // sheet above the control re-polishes it and gives the text area the style's colour.
        QPainter background(viewport());
        background.fillRect(e->rect(), colorOf(m_background));
    }
    QTextEdit::paintEvent(e);
    QPainter p(viewport());
    paintBullets(p, e->rect());
}

void RichEdit::paintBullets(QPainter &p, const QRect &area)
{
    QTextDocument *doc = document();
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    // The paragraph at the top of the area, found from the one found last (a hit test of the
    // point would justify every line above it in a long justified paragraph).
    const QTextBlock top = blockAtHeight(*doc, area.top() + dy, m_paintedTop.block());
    m_paintedTop = QTextCursor(top);
    for (QTextBlock b = top; b.isValid(); b = b.next()) {
        const QRectF r = doc->documentLayout()->blockBoundingRect(b).translated(-dx, -dy);
        if (r.top() > area.bottom() && laterParagraphsBelow(*doc, b))
            break;
        // (a paragraph in a table cell is laid out in the cell's place)
        drawParagraphMarker(p, b, blockOffset(b) - QPointF(dx, dy));
    }
}

} // namespace richedit
