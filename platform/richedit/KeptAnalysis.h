#pragma once
// A long paragraph's text analysis kept across edits.
//
// Before Qt lays out or draws a paragraph its text engine analyses the whole text: it splits it
// into script items and works out every character's break and boundary attributes, and it
// allocates the glyph space for all of it. Every edit of the paragraph throws that away, so in
// a paragraph of several million characters each keystroke costs a second of analysis although
// only a few characters changed. This keeps the analysis the engine made (its text, items and
// character attributes, in memory the engine does not free) and, after an edit, gives the
// engine the same analysis patched around the edit: the text and attributes before and after
// it stay, the attributes near it are worked out again from the text around it, and the items
// are split again the way the engine splits them.
//
// It applies to paragraphs the engine analyses simply: left-to-right text with no characters
// that need the bidirectional algorithm, one script throughout, no capitalisation formats, no
// objects and no input method text. Anything else (or an edit that brings such characters in)
// releases the kept analysis, and the engine works the paragraph out itself as before.

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QtGui/private/qtextengine_p.h>

namespace richedit {

class KeptAnalysis {
public:
    KeptAnalysis() = default;
    ~KeptAnalysis();
    KeptAnalysis(const KeptAnalysis &) = delete;
    KeptAnalysis &operator=(const KeptAnalysis &) = delete;

    // Keeps the analysis the paragraph's engine holds now, if it is one this can patch; else
    // releases what was kept.
    void keep(const QTextBlock &block);
    // After an edit inside the kept paragraph that replaced `removed` characters at `from` (in
    // the paragraph) by `added` others: gives the paragraph's engine the kept analysis patched
    // for the edit, and keeps that. False (and nothing kept) when the edit or the paragraph is
    // one the engine must analyse itself.
    bool patch(const QTextBlock &block, int from, int removed, int added);
    // After a change over the whole kept paragraph that replaced as many characters as it
    // removed (a change of formats, as a rule): when its text is as it was, gives the paragraph's engine the
    // kept analysis with its items split again at the new format runs, and keeps that. False
    // (and nothing kept) when the text changed or the formats are ones the engine must
    // analyse itself.
    bool reformat(const QTextBlock &block);
    // Frees the kept analysis. The engine's own analysis, if it has one, stays with it.
    void release();

    bool holds() const { return m_memory != nullptr; }
    // Whether the paragraph's engine works with the kept analysis (it may have made its own since).
    bool inUse(const QTextBlock &block) const;
    // The paragraph whose analysis is kept.
    QTextBlock block() const { return m_anchor.block(); }
    // How many times an analysis was taken from a paragraph's engine (each one an analysis of
    // the whole paragraph the engine made), for tests.
    int taken() const { return m_taken; }

private:
    bool patchText(const QTextBlock &block, int from, int removed, int added);
    bool patchAttributes(int from, int removed, int added, int oldLength);
    bool itemsFor(const QTextBlock &block, QScriptItemArray *items) const;
    void install(const QTextBlock &block, const QScriptItemArray &items);

    QTextCursor m_anchor;      // at the kept paragraph's start
    QString m_text;            // the paragraph's text as analysed
    QScriptItemArray m_items;  // its items as the engine made them
    void **m_memory = nullptr; // attributes, then cluster and glyph space, as the engine lays them
    qsizetype m_words = 0;     // the memory's size in pointers
    QScriptAnalysis m_analysis{}; // every item's analysis but a tab's
    int m_script = QChar::Script_Common; // the script of the paragraph's letters
    int m_taken = 0;
};

} // namespace richedit
