#include "editor/SpellChecking.h"

#include "editor/FindReplace.h"
#include "richedit/BlockAtHeight.h"
#include "richedit/ParagraphWalk.h"
#include "richedit/RichEditTypes.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>

namespace {

constexpr int kSliceMs = 4; // the most one idle step spends checking
// Paragraphs this long are checked a part at a time, and after a change only the words around
// it are checked again, so that no step of the check takes long.
constexpr int kLongParagraph = 1 << 16;
constexpr int kPart = 1 << 15;
// How far past the last character wanted the text is compared for underlines: longer than
// any word that is checked.
constexpr int kWordReach = 256;

// What the last check of a paragraph found. `text` is the text it checked; when the paragraph
// no longer reads so, or the dictionary has changed since (`generation`), it waits for a new
// check. `queued` avoids queueing a paragraph twice.
class SpellData : public QTextBlockUserData {
public:
    QString text;
    QList<WordSpan> spans;
    int generation = -1;
    bool queued = false;
    // A long paragraph's first check, under way: the text being checked, the words found so
    // far and where the next part starts.
    QString partText;
    QList<WordSpan> partSpans;
    int partFrom = 0;
    int partGeneration = -1;
    // A place in a long paragraph to check again although its text is unchanged (the word the
    // caret was typing), or -1.
    int recheckAt = -1;
};

SpellData *dataOf(const QTextBlock &block)
{
    return static_cast<SpellData *>(block.userData());
}

SpellData *ensureData(QTextBlock block)
{
    if (!dataOf(block))
        block.setUserData(new SpellData);
    return dataOf(block);
}

int commonPrefix(const QString &a, const QString &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return int(i);
}

// How many characters lie between what two texts have in common at their start and at their
// end: the stretch a change (or several) touched.
int changedStretch(const QString &before, const QString &text)
{
    const int prefix = commonPrefix(before, text);
    const int most = int(qMin(before.size(), text.size())) - prefix;
    int suffix = 0;
    while (suffix < most && before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    return int(text.size()) - suffix - prefix;
}

int g_generation = 0; // bumped whenever a dictionary judges differently

// The line of a laid-out paragraph that holds the text position, or that lies at y (in the
// paragraph); the first or last line outside them. Lines are searched by halving: a long
// paragraph has many thousands.
int lineAtPosition(const QTextLayout &lines, int position)
{
    int lo = 0, hi = lines.lineCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (lines.lineAt(mid).textStart() <= position)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

int lineAtY(const QTextLayout &lines, qreal y)
{
    int lo = 0, hi = lines.lineCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (lines.lineAt(mid).y() <= y)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// Where the part of `text` that starts at `from` and is about `length` long ends: at a space,
// so that no word is cut.
int partEnd(const QString &text, int from, int length)
{
    int end = int(qMin<qsizetype>(text.size(), qsizetype(from) + length));
    while (end < text.size() && !text[end].isSpace())
        ++end;
    return end;
}

} // namespace

QList<WordSpan> SpellChecking::recheckChange(const SpellChecker &checker, const QString &before,
                                             const QList<WordSpan> &spans, const QString &text,
                                             int recheckAt)
{
    int prefix = commonPrefix(before, text);
    const int most = int(qMin(before.size(), text.size())) - prefix;
    int suffix = 0;
    while (suffix < most && before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    int end = int(text.size()) - suffix;
    if (recheckAt >= 0 && recheckAt <= text.size()) {
        prefix = qMin(prefix, recheckAt);
        end = qMax(end, recheckAt);
    }
    // Whole words around the change, from the space before it to the space after it.
    int start = qMin(prefix, end);
    while (start > 0 && !text[start - 1].isSpace())
        --start;
    end = partEnd(text, end, 0);
    const int shift = int(text.size() - before.size());
    QList<WordSpan> out;
    for (const WordSpan &w : spans) {
        if (w.start + w.length <= start)
            out << w;
    }
    for (const WordSpan &w : checker.misspelled(text.mid(start, end - start)))
        out << WordSpan{w.start + start, w.length};
    for (const WordSpan &w : spans) {
        if (w.start >= end - shift)
            out << WordSpan{w.start + shift, w.length};
    }
    return out;
}

namespace {

} // namespace

// ---- SpellChecking ------------------------------------------------------------------------

SpellChecking::SpellChecking(QTextEdit *editor, QObject *parent)
    : QObject(parent), m_editor(editor)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &SpellChecking::runSlice);
    editor->viewport()->installEventFilter(this);
    connect(editor, &QTextEdit::cursorPositionChanged, this, &SpellChecking::onCaretMoved);
}

SpellChecking::~SpellChecking()
{
    if (m_editor)
        m_editor->viewport()->removeEventFilter(this);
}

bool SpellChecking::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || !m_editor || watched != m_editor->viewport()
        || !m_enabled || m_inPaint)
        return QObject::eventFilter(watched, event);
    // The control may replace its document (re-creation); follow it before it paints.
    if (m_editor->document() != m_document)
        attach();
    // Let the control paint, then draw the underlines over it, inside the same paint event.
    m_inPaint = true;
    QCoreApplication::sendEvent(watched, event);
    m_inPaint = false;
    QPainter painter(m_editor->viewport());
    paintUnderlines(painter, static_cast<QPaintEvent *>(event)->rect());
    return true;
}

QPointF SpellChecking::scrollOffset() const
{
    return QPointF(m_editor->horizontalScrollBar()->value(), m_editor->verticalScrollBar()->value());
}

void SpellChecking::paintUnderlines(QPainter &painter, const QRect &area)
{
    if (!m_document)
        return;
    const QPointF offset = scrollOffset();
    QAbstractTextDocumentLayout *layout = m_document->documentLayout();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::NoBrush);
    // Found from the paragraph found last: a hit test of the point would justify every line
    // above it in a long justified paragraph.
    const QTextBlock first = richedit::blockAtHeight(*m_document, area.top() + offset.y(),
                                                     m_paintedTop.block());
    m_paintedTop = QTextCursor(first);
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const QRectF box = layout->blockBoundingRect(b).translated(-offset);
        if (box.top() > area.bottom() && richedit::laterParagraphsBelow(*m_document, b))
            break;
        const QTextLayout *lines = b.layout();
        if (!lines || lines->lineCount() == 0 || !b.isVisible())
            continue;
        // Only the lines in the area, and the words on them: a long paragraph holds many
        // thousands of lines and misspelled words.
        // Where the layout's lines are drawn: a paragraph in a table cell is laid out in the
        // cell's place, which the bounding box holds (its own position does not).
        const QPointF at = box.topLeft();
        const int firstLine = lineAtY(*lines, area.top() - at.y());
        const int lastLine = lineAtY(*lines, area.bottom() - at.y());
        const int visibleFrom = lines->lineAt(firstLine).textStart();
        const QTextLine bottom = lines->lineAt(lastLine);
        const int visibleTo = bottom.textStart() + bottom.textLength();
        const QList<WordSpan> spans = underlinesOf(b, visibleTo);
        auto w = std::lower_bound(spans.cbegin(), spans.cend(), visibleFrom,
                                  [](const WordSpan &span, int pos) {
                                      return span.start + span.length < pos;
                                  });
        for (; w != spans.cend() && w->start <= visibleTo; ++w) {
            // A word may wrap over lines: one wave per line it is on.
            int from = w->start;
            const int end = w->start + w->length;
            while (from < end) {
                const QTextLine line = lines->lineAt(lineAtPosition(*lines, from));
                if (!line.isValid())
                    break;
                const int lineEnd = qMin(end, line.textStart() + line.textLength());
                const qreal x1 = line.cursorToX(from), x2 = line.cursorToX(lineEnd);
                const qreal y = qRound(at.y() + line.y() + line.ascent()) + 3;
                drawWave(painter, at.x() + qMin(x1, x2), at.x() + qMax(x1, x2), y);
                if (lineEnd <= from)
                    break;
                from = lineEnd;
            }
        }
    }
}

void SpellChecking::drawWave(QPainter &painter, qreal x1, qreal x2, qreal y)
{
    // A zigzag of 2-pixel steps, 2 pixels high, drawn crisp on the pixel grid.
    QPainterPath wave;
    wave.moveTo(x1, y);
    bool up = true;
    for (qreal x = x1 + 2; x < x2 + 2; x += 2, up = !up)
        wave.lineTo(qMin(x, x2), up ? y - 2 : y);
    painter.drawPath(wave);
}

void SpellChecking::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on) {
        attach();
    } else {
        detach();
    }
}

void SpellChecking::detach()
{
    m_idle.stop();
    m_pending.clear();
    m_scan = QTextBlock();
    if (!m_document)
        return;
    disconnect(m_document, nullptr, this, nullptr);
    for (QTextBlock b = m_document->firstBlock(); b.isValid(); b = b.next()) {
        if (SpellData *data = dataOf(b)) {
            data->queued = false;
            data->text = QString();
            data->partText = QString();
        }
    }
    m_document = nullptr;
    if (m_editor)
        m_editor->viewport()->update();
}

bool SpellChecking::setLanguage(const QString &language)
{
    if (language == m_checker.language() && m_checker.isReady())
        return true;
    const bool ok = m_checker.setLanguage(language);
    ++g_generation;
    recheckAll();
    return ok;
}

void SpellChecking::attach()
{
    if (!m_editor)
        return;
    detach();
    m_document = m_editor->document();
    connect(m_document, &QTextDocument::contentsChange, this, &SpellChecking::onContentsChange);
    // The whole document is checked by the idle scan; changes queue their paragraphs first.
    m_scan = m_document->firstBlock();
    schedule();
}

void SpellChecking::recheckAll()
{
    if (!m_enabled || !m_document)
        return;
    m_scan = m_document->firstBlock();
    schedule();
}

void SpellChecking::schedule()
{
    if (!m_idle.isActive())
        m_idle.start();
}

QList<WordSpan> SpellChecking::underlinesOf(const QTextBlock &block, int upTo) const
{
    const SpellData *data = dataOf(block);
    if (!m_enabled || !data || data->text.isNull())
        return {};
    // The paragraph is read in place as far as needed: a copy of one of millions of
    // characters for every paint would cost more than the paint.
    const int limit = upTo < 0 ? INT_MAX : upTo + kWordReach;
    const int unchanged = richedit::commonTextPrefix(block, data->text, limit);
    const bool whole = unchanged == data->text.size() && data->text.size() == block.length() - 1;
    if (whole && data->generation == g_generation)
        return data->spans;
    // Changed since its check: keep the underlines of the words before the change.
    QList<WordSpan> kept;
    for (const WordSpan &w : data->spans)
        if (w.start + w.length < unchanged)
            kept << w;
    return kept;
}

void SpellChecking::onContentsChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    if (!m_document)
        return;
    // Queue the changed paragraphs for a check; until then they show the underlines of the
    // words before the change.
    const QTextBlock last = m_document->findBlock(position + added);
    for (QTextBlock b = m_document->findBlock(position); b.isValid(); b = b.next()) {
        blockChanged(b);
        if (b == last)
            break;
    }
}

void SpellChecking::blockChanged(const QTextBlock &block)
{
    if (!m_enabled || block.document() != m_document)
        return;
    SpellData *data = ensureData(block);
    // (The lengths first: a paragraph of millions of characters is not copied for each key.)
    if (data->queued
        || (richedit::sameText(block, data->text) && data->generation == g_generation
            && data->recheckAt < 0))
        return;
    data->queued = true;
    m_pending << block;
    schedule();
}

bool SpellChecking::checkPart(const QTextBlock &block)
{
    SpellData *data = dataOf(block);
    if (data->partText.isNull()) {
        data->partText = block.text();
        data->partSpans.clear();
        data->partFrom = 0;
        data->partGeneration = g_generation;
    }
    const QString &text = data->partText;
    const int end = partEnd(text, data->partFrom, kPart);
    for (const WordSpan &w : checkerFor(block).misspelled(text.mid(data->partFrom, end - data->partFrom)))
        data->partSpans << WordSpan{w.start + data->partFrom, w.length};
    data->partFrom = end;
    if (end < text.size()) {
        data->queued = true;
        m_pending.prepend(block); // the next part comes first in the next idle step
        schedule();
        return false;
    }
    return true;
}

void SpellChecking::checkBlock(QTextBlock block)
{
    SpellData *data = ensureData(block);
    data->queued = false;
    QString text;
    QList<WordSpan> spans;
    int generation = g_generation;
    bool checkedBefore = !data->text.isNull() && data->generation == g_generation;
    // Changes far apart (at both ends of a long paragraph) leave most of it to check again:
    // that is done a part at a time too, not in one step that holds the window up.
    if (checkedBefore && data->partText.isNull() && block.length() > kLongParagraph) {
        text = block.text();
        if (changedStretch(data->text, text) > kPart) {
            checkedBefore = false;
            data->partText = std::exchange(text, QString());
            data->partSpans.clear();
            data->partFrom = 0;
            data->partGeneration = g_generation;
        }
    }
    if (!data->partText.isNull() || (block.length() > kLongParagraph && !checkedBefore)) {
        if (!checkPart(block))
            return;
        text = std::exchange(data->partText, QString());
        spans = std::exchange(data->partSpans, {});
        generation = data->partGeneration;
    } else {
        if (text.isNull())
            text = block.text();
        if (text.size() >= kLongParagraph)
            spans = recheckChange(checkerFor(block), data->text, data->spans, text, data->recheckAt);
        else
            spans = checkerFor(block).misspelled(text);
    }
    data->recheckAt = -1;
    // The word the caret stands at the end of is still being typed: hold its underline back.
    const QTextCursor caret = m_editor ? m_editor->textCursor() : QTextCursor();
    if (!caret.isNull() && !caret.hasSelection() && caret.block() == block) {
        const int at = caret.positionInBlock();
        const bool letterAfter = at < text.size() && text[at].isLetter();
        for (qsizetype i = 0; i < spans.size(); ++i) {
            if (spans[i].start + spans[i].length == at && !letterAfter) {
                m_heldWordAt = spans[i].start;
                spans.removeAt(i);
                m_heldWordBlock = block.blockNumber();
                break;
            }
        }
    }
    data->text = text;
    data->spans = spans;
    data->generation = generation;
    if (generation == g_generation && block.length() > kLongParagraph)
        blockChanged(block); // typed into while it was being checked a part at a time
    if (m_editor) {
        const QRectF r = m_document->documentLayout()->blockBoundingRect(block);
        m_editor->viewport()->update(r.translated(-scrollOffset()).toAlignedRect().adjusted(0, 0, 0, 4));
    }
}

void SpellChecking::runSlice()
{
    if (!m_enabled || !m_document)
        return;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kSliceMs) {
        if (!m_pending.isEmpty()) {
            const QTextBlock block = m_pending.takeFirst();
            if (block.isValid() && block.document() == m_document)
                checkBlock(block);
        } else if (m_scan.isValid() && m_scan.document() == m_document) {
            const QTextBlock block = m_scan;
            m_scan = m_scan.next();
            const SpellData *data = dataOf(block);
            if (!data || !richedit::sameText(block, data->text) || data->generation != g_generation)
                checkBlock(block);
        } else {
            m_scan = QTextBlock();
            return;
        }
    }
    schedule();
}

void SpellChecking::checkAllNow()
{
    if (m_editor && m_enabled && m_editor->document() != m_document)
        attach();
    while (isBusy() && m_enabled) {
        m_idle.stop();
        runSlice();
    }
    m_idle.stop();
}

void SpellChecking::onCaretMoved()
{
    if (m_heldWordBlock < 0 || !m_document)
        return;
    const QTextBlock held = m_document->findBlockByNumber(m_heldWordBlock);
    m_heldWordBlock = -1;
    if (!held.isValid())
        return;
    if (SpellData *data = dataOf(held)) {
        // checked again, now without the caret in the way: in a long paragraph only that word
        if (held.length() > kLongParagraph && m_heldWordAt >= 0)
            data->recheckAt = m_heldWordAt;
        else
            data->generation = -1;
    }
    m_heldWordAt = -1;
    blockChanged(held);
}

bool SpellChecking::misspelledWordAt(int position, int *start, int *length) const
{
    if (!m_enabled || !m_document)
        return false;
    const QTextBlock block = m_document->findBlock(position);
    if (!block.isValid())
        return false;
    const int offset = position - block.position();
    for (const WordSpan &w : underlinesOf(block, offset)) {
        if (offset >= w.start && offset <= w.start + w.length) {
            *start = block.position() + w.start;
            *length = w.length;
            return true;
        }
    }
    return false;
}

void SpellChecking::preparePopup(QMenu *menu, int position)
{
    // The menu is closed and its choice already made: what it held can go at once.
    for (QAction *a : std::as_const(m_added))
        delete a;
    m_added.clear();
    int start = 0, length = 0;
    if (!misspelledWordAt(position, &start, &length))
        return;
    const QString word = m_document->toPlainText().mid(start, length);
    QAction *first = menu->actions().value(0);
    auto add = [&](const QString &name, const QString &caption) {
        auto *a = new QAction(caption, menu);
        a->setObjectName(name);
        menu->insertAction(first, a);
        m_added << a;
        return a;
    };
    const QStringList suggestions = checkerFor(m_document->findBlock(start)).suggestions(word);
    for (const QString &s : suggestions) {
        QAction *a = add(QStringLiteral("SpellSuggestion"), QString(s).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(a, &QAction::triggered, this, [this, start, length, s] { replaceWord(start, length, s); });
    }
    if (suggestions.isEmpty())
        add(QStringLiteral("SpellNoSuggestions"), QStringLiteral("(no suggestions)"))->setEnabled(false);
    connect(add(QStringLiteral("IgnoreAll1"), QStringLiteral("Ignore All")), &QAction::triggered,
            this, [this, word] {
                m_checker.ignoreAll(word);
                for (auto &[name, other] : m_others)
                    if (other)
                        other->ignoreAll(word);
                m_ignored << word;
                refreshWord(word);
            });
    connect(add(QStringLiteral("AddToDictionary1"), QStringLiteral("Add to Dictionary")),
            &QAction::triggered, this, [this, word] {
                QString error;
                if (m_checker.addToDictionary(word, &error)) {
                    for (auto &[name, other] : m_others)
                        if (other)
                            other->acceptWord(word);
                } else if (!error.isEmpty()) {
                    emit dictionaryError(error);
                }
                refreshWord(word);
            });
    QAction *separator = new QAction(menu);
    separator->setSeparator(true);
    separator->setObjectName(QStringLiteral("NSpelling"));
    menu->insertAction(first, separator);
    m_added << separator;
}

void SpellChecking::refreshWord(const QString &word)
{
    // A word the dictionary now takes only loses underlines: check again, at once, the
    // paragraphs that underline it.
    if (!m_document)
        return;
    for (QTextBlock b = m_document->firstBlock(); b.isValid(); b = b.next()) {
        const SpellData *data = dataOf(b);
        if (!data || data->spans.isEmpty())
            continue;
        for (const WordSpan &w : data->spans) {
            if (QStringView(data->text).mid(w.start, w.length) == word) {
                checkBlock(b);
                break;
            }
        }
    }
}

void SpellChecking::setPersonalListPath(const QString &path)
{
    if (path == m_checker.personalListPath())
        return;
    m_checker.setPersonalListPath(path);
    m_others.clear(); // made again with the new list's words
    ++g_generation;
    recheckAll();
}

void SpellChecking::replaceWord(int start, int length, const QString &word)
{
    if (!m_editor || m_editor->document() != m_document)
        return;
    if (TextFinder(m_document).replaceAt(start, length, word)) {
        QTextCursor c = m_editor->textCursor();
        c.setPosition(start + int(word.size()));
        m_editor->setTextCursor(c);
    }
}

namespace {

// The language the paragraph's text carries: that of its first run with one, else that of the
// paragraph mark's format; 0 when none.
int languageOf(const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        if (format.hasProperty(richedit::prop::Language))
            return format.intProperty(richedit::prop::Language);
    }
    return block.charFormat().intProperty(richedit::prop::Language);
}

} // namespace

SpellChecker &SpellChecking::checkerFor(const QTextBlock &block)
{
    const int language = languageOf(block);
    if (language <= 0)
        return m_checker;
    if (!m_installedRead) {
        m_installed = SpellChecker::availableLanguages();
        m_installedRead = true;
    }
    const QString name = SpellChecker::dictionaryFor(language, m_installed);
    if (name.isEmpty() || name == m_checker.language())
        return m_checker;
    auto it = m_others.find(name);
    if (it == m_others.end()) {
        auto checker = std::make_unique<SpellChecker>();
        checker->setPersonalListPath(m_checker.personalListPath());
        if (!checker->setLanguage(name))
            checker.reset(); // unreadable: the settings file's choice checks, not tried again
        else
            for (const QString &word : std::as_const(m_ignored))
                checker->ignoreAll(word);
        it = m_others.emplace(name, std::move(checker)).first;
    }
    return it->second ? *it->second : m_checker;
}
