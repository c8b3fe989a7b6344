#include "KeptAnalysis.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <cstdlib>
#include <cstring>

namespace richedit {

namespace {

// The engine's items are at most this long (it splits longer runs).
constexpr int MaxItemLength = 4096;
// Characters on either side of an edit whose attributes are worked out again; the outer quarter
// on each side only checks that the text around the edit gives the attributes it gave before.
constexpr int Context = 256;
// Characters the memory keeps room for beyond the text, so that typing does not move it.
constexpr qsizetype Slack = 65536;

// The engine's memory layout for a text of `length` characters, in pointers: the character
// attributes, then the log clusters, then the glyphs.
qsizetype attributeWords(qsizetype length)
{
    return qsizetype(sizeof(QCharAttributes)) * length / qsizetype(sizeof(void *)) + 1;
}

qsizetype clusterWords(qsizetype length)
{
    return qsizetype(sizeof(unsigned short)) * length / qsizetype(sizeof(void *)) + 1;
}

qsizetype glyphsIn(qsizetype words, qsizetype length)
{
    const qsizetype rest = words - attributeWords(length) - clusterWords(length) - 2;
    return rest > 0 ? rest * qsizetype(sizeof(void *)) / QGlyphLayout::SpaceNeeded : 0;
}

// Characters the engine analyses without the bidirectional algorithm and with no item of
// their own but a tab's.
bool plainCharacter(char16_t c)
{
    return c < 0x590 && (c >= 0x20 || c == u'\t');
}

// Whether every character format of the paragraph leaves the letters' case alone (other
// capitalisations split items by case or by word).
bool mixedCaseOnly(const QTextBlock &block)
{
    const QFont::Capitalization fallback = block.document()->defaultFont().capitalization();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        const QFont::Capitalization caps = format.hasProperty(QTextFormat::FontCapitalization)
                                               ? format.fontCapitalization()
                                               : fallback;
        if (caps != QFont::MixedCase || format.objectType() != QTextFormat::NoObject)
            return false;
    }
    return true;
}

// Whether the layout shows no input method text and has no formats of its own over the
// document's.
bool plainLayout(const QTextLayout &layout)
{
    return layout.preeditAreaText().isEmpty() && layout.formats().isEmpty();
}

// The script of the first letter at or after `from`, or Common when there is none.
int firstScript(const QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const int script = QChar::script(text.at(i).unicode());
        if (script > QChar::Script_Common)
            return script;
    }
    return QChar::Script_Common;
}

} // namespace

KeptAnalysis::~KeptAnalysis()
{
    release();
}

bool KeptAnalysis::inUse(const QTextBlock &block) const
{
    if (!m_memory || !block.isValid() || !block.layout())
        return false;
    const QTextEngine::LayoutData *d = block.layout()->engine()->layoutData;
    return d && d->memory == m_memory && d->memory_on_stack;
}

void KeptAnalysis::release()
{
    if (!m_memory)
        return;
    const QTextBlock b = m_anchor.block();
    if (inUse(b))
        b.layout()->engine()->layoutData->memory_on_stack = false; // the engine frees it now
    else
        std::free(m_memory);
    m_memory = nullptr;
    m_words = 0;
    m_text.clear();
    m_items.clear();
    m_anchor = QTextCursor();
}

void KeptAnalysis::keep(const QTextBlock &block)
{
    if (!block.isValid() || !block.layout()) {
        release();
        return;
    }
    const QTextEngine *engine = block.layout()->engine();
    QTextEngine::LayoutData *d = engine->layoutData;
    if (inUse(block) && m_anchor.block() == block) {
        m_items = d->items; // the same analysis; its items may be shaped since
        return;
    }
    const QTextOption::Flags shown = QTextOption::ShowTabsAndSpaces
                                     | QTextOption::ShowLineAndParagraphSeparators
                                     | QTextOption::ShowDocumentTerminator;
    if (!d || d->items.isEmpty() || !d->haveCharAttributes || d->hasBidi || d->memory_on_stack
        || d->layoutState == QTextEngine::LayoutFailed || !plainLayout(*block.layout())
        || (engine->option.flags() & shown) || d->string.size() != block.length() - 1
        || !mixedCaseOnly(block)) {
        release();
        return;
    }
    // One analysis for every item; a tab differs only in its flags.
    QScriptAnalysis analysis{};
    bool found = false;
    for (const QScriptItem &item : std::as_const(d->items)) {
        QScriptAnalysis a = item.analysis;
        if (a.flags == QScriptAnalysis::Tab)
            a.flags = QScriptAnalysis::None;
        if (a.flags != QScriptAnalysis::None || a.bidiLevel != 0)
            return release();
        if (!found) {
            analysis = a;
            found = true;
        } else if (a.script != analysis.script || a.bidiFlags != analysis.bidiFlags
                   || a.bidiDirection != analysis.bidiDirection) {
            return release();
        }
    }
    release();
    // The engine's memory becomes this one's: the engine leaves memory it thinks is its
    // caller's alone when it throws its analysis away.
    d->memory_on_stack = true;
    m_memory = d->memory;
    m_words = d->allocated;
    m_text = d->string;
    m_items = d->items;
    m_analysis = analysis;
    m_script = firstScript(m_text, 0);
    m_anchor = QTextCursor(block);
    ++m_taken;
}

bool KeptAnalysis::patch(const QTextBlock &block, int from, int removed, int added)
{
    if (!m_memory || !block.isValid() || block != m_anchor.block()) {
        release();
        return false;
    }
    const QTextEngine *engine = block.layout()->engine();
    const qsizetype oldLength = m_text.size();
    // The engine threw its analysis away with the edit; one it made since is its own.
    if (engine->layoutData || !plainLayout(*block.layout()) || from < 0 || removed < 0 || added < 0
        || from + removed > oldLength || oldLength - removed + added != block.length() - 1
        || !mixedCaseOnly(block) || !patchText(block, from, removed, added)
        || !patchAttributes(from, removed, added, oldLength)) {
        release();
        return false;
    }
    QScriptItemArray items;
    if (!itemsFor(block, &items)) {
        release();
        return false;
    }
    if (engine->layoutData) { // something asked the engine meanwhile
        release();
        return false;
    }
    install(block, items);
    return true;
}

bool KeptAnalysis::reformat(const QTextBlock &block)
{
    if (!m_memory || !block.isValid() || block != m_anchor.block()) {
        release();
        return false;
    }
    // The change did not reach the engine: its analysis is still the kept one.
    if (inUse(block))
        return true;
    const QTextEngine *engine = block.layout()->engine();
    if (engine->layoutData || !plainLayout(*block.layout()) || !mixedCaseOnly(block)
        || block.length() - 1 != m_text.size() || block.text() != m_text) {
        release();
        return false;
    }
    QScriptItemArray items;
    if (!itemsFor(block, &items)) {
        release();
        return false;
    }
    install(block, items);
    return true;
}

bool KeptAnalysis::patchText(const QTextBlock &block, int from, int removed, int added)
{
    // Read character by character: a cursor placed in the paragraph would have the engine
    // analyse it whole.
    QString inserted(added, Qt::Uninitialized);
    const QTextDocument *document = block.document();
    for (int i = 0; i < added; ++i)
        inserted[i] = document->characterAt(block.position() + from + i);
    for (const QChar c : std::as_const(inserted)) {
        if (!plainCharacter(c.unicode()))
            return false;
        const int script = QChar::script(c.unicode());
        // A letter of another script would start items of its own.
        if (script > QChar::Script_Common && script != m_script)
            return false;
    }
    m_text.replace(from, removed, inserted);
    // The letters' script stays the paragraph's as long as one letter is left.
    if (m_script != QChar::Script_Common && firstScript(m_text, 0) != m_script)
        return false;
    return true;
}

bool KeptAnalysis::patchAttributes(int from, int removed, int added, int oldLength)
{
    const qsizetype length = m_text.size();
    const qsizetype tail = oldLength - from - removed;
    auto *attributes = reinterpret_cast<QCharAttributes *>(m_memory);
    if (glyphsIn(m_words, length) >= length) {
        std::memmove(attributes + from + added, attributes + from + removed,
                     size_t(tail) * sizeof(QCharAttributes));
    } else {
        // Room for the attributes, the clusters and, as the engine would ask, one and a half
        // glyphs a character; pages come zeroed from the system as they are first touched.
        const qsizetype glyphs = length + length / 2 + Slack;
        const qsizetype words = attributeWords(length) + clusterWords(length)
                                + qsizetype(QGlyphLayout::SpaceNeeded) * glyphs
                                      / qsizetype(sizeof(void *))
                                + 2;
        if (words > INT_MAX)
            return false;
        void **memory = static_cast<void **>(std::calloc(size_t(words), sizeof(void *)));
        if (!memory)
            return false;
        auto *moved = reinterpret_cast<QCharAttributes *>(memory);
        std::memcpy(moved, attributes, size_t(from) * sizeof(QCharAttributes));
        std::memcpy(moved + from + added, attributes + from + removed,
                    size_t(tail) * sizeof(QCharAttributes));
        std::free(m_memory);
        m_memory = memory;
        m_words = words;
        attributes = moved;
    }

    // The text around the edit analysed by itself: away from the ends of that stretch its
    // attributes are the paragraph's.
    const qsizetype start = qMax<qsizetype>(0, from - Context);
    const qsizetype end = qMin<qsizetype>(length, from + added + Context);
    QTextEngine around(m_text.mid(start, end - start), QFont());
    const QCharAttributes *fresh = around.attributes();
    if (!fresh)
        return false;
    const qsizetype margin = Context / 4;
    const qsizetype takeFrom = start == 0 ? 0 : start + margin;
    const qsizetype takeTo = end == length ? length : end - margin;
    // Where the stretch meets the kept attributes, both must agree, or the edit reached
    // further than the stretch.
    const qsizetype checkFrom = start == 0 ? 0 : start + margin;
    const qsizetype checkLeft = start == 0 ? 0 : qMin<qsizetype>(from, start + 2 * margin);
    const qsizetype checkRight = end == length ? length : qMax<qsizetype>(from + added, end - 2 * margin);
    if (std::memcmp(attributes + checkFrom, fresh + (checkFrom - start),
                    size_t(checkLeft - checkFrom) * sizeof(QCharAttributes))
            != 0
        || std::memcmp(attributes + checkRight, fresh + (checkRight - start),
                       size_t(takeTo - checkRight) * sizeof(QCharAttributes))
               != 0)
        return false;
    std::memcpy(attributes + takeFrom, fresh + (takeFrom - start),
                size_t(takeTo - takeFrom) * sizeof(QCharAttributes));
    return true;
}

bool KeptAnalysis::itemsFor(const QTextBlock &block, QScriptItemArray *items) const
{
    // The engine splits the text where the character format changes, around each tab, and
    // every MaxItemLength characters in between.
    QScriptAnalysis tab = m_analysis;
    tab.flags = QScriptAnalysis::Tab;
    const QStringView text(m_text);
    items->reserve(m_items.size() + 16);
    auto split = [&](qsizetype from, qsizetype to) {
        while (from < to) {
            const qsizetype at = text.indexOf(u'\t', from);
            const qsizetype stop = at < 0 || at >= to ? to : at;
            for (qsizetype p = from; p < stop; p += MaxItemLength)
                items->append(QScriptItem(int(p), m_analysis));
            if (stop == to)
                break;
            items->append(QScriptItem(int(stop), tab));
            from = stop + 1;
        }
    };
    const int blockStart = block.position();
    qsizetype runStart = 0;
    int format = -1;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int index = fragment.charFormatIndex();
        const qsizetype at = fragment.position() - blockStart;
        if (format >= 0 && index != format) {
            split(runStart, at);
            runStart = at;
        }
        format = index;
    }
    if (runStart > text.size())
        return false;
    split(runStart, text.size());
    return !items->isEmpty();
}

void KeptAnalysis::install(const QTextBlock &block, const QScriptItemArray &items)
{
    const qsizetype length = m_text.size();
    auto *d = new QTextEngine::LayoutData();
    d->string = m_text;
    d->items = items;
    d->memory = m_memory;
    d->allocated = int(m_words);
    d->memory_on_stack = true;
    d->logClustersPtr = reinterpret_cast<unsigned short *>(m_memory + attributeWords(length));
    const int glyphs = int(glyphsIn(m_words, length));
    d->glyphLayout = QGlyphLayout(
        reinterpret_cast<char *>(m_memory + attributeWords(length) + clusterWords(length)), glyphs);
    d->available_glyphs = glyphs;
    d->used = 0;
    d->hasBidi = false;
    d->layoutState = QTextEngine::LayoutEmpty;
    d->haveCharAttributes = true;
    block.layout()->engine()->layoutData = d;
    m_items = items;
}

} // namespace richedit
