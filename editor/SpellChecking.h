#pragma once
// Spell checking as the user types: SpellChecking underlines the misspelled words of the
// editor with a red wavy line and offers suggestions, "Ignore All" and "Add to Dictionary" at
// the top of the right-click menu when it opens over such a word.
//
// Only changed paragraphs are checked, in idle time and in slices of a few milliseconds, so a
// keystroke never waits for the checker. The underline is an additional format of the screen
// layout (a syntax highlighter), never a character format: saved files, exports, the preview
// and printing, which lay out copies of the document, never see it. The word the caret is
// typing is not underlined until the caret leaves it.

#include "editor/SpellChecker.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTimer>

class QAction;
class QMenu;
class QTextEdit;
class SpellChecking;

// The screen-only underlines of one document.
class SpellingHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    SpellingHighlighter(SpellChecking *owner, QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;

private:
    SpellChecking *m_owner;
};

class SpellChecking : public QObject {
    Q_OBJECT
public:
    explicit SpellChecking(QTextEdit *editor, QObject *parent = nullptr);
    ~SpellChecking() override;

    SpellChecker &checker() { return m_checker; }

    // Turns checking on or off; off removes every underline.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // The dictionary's language; false when it is not installed (checking then finds nothing).
    bool setLanguage(const QString &language);

    // The personal word list beside the settings file; the document is checked again.
    void setPersonalListPath(const QString &path);

    // The misspelled word that holds `position` (its document start and length), if any.
    bool misspelledWordAt(int position, int *start, int *length) const;
    // Before the right-click menu opens at document `position`: removes what the last call
    // added, then, over a misspelled word, adds its suggestions, "Ignore All", "Add to
    // Dictionary" and a separator at the top of `menu`.
    void preparePopup(QMenu *menu, int position);

    // True while paragraphs wait to be checked.
    bool isBusy() const { return !m_pending.isEmpty() || m_scan.isValid(); }
    // Checks everything that waits, at once (tests and benchmarks).
    void checkAllNow();

    // The spans of a paragraph to underline (the block's last check, still valid).
    QList<WordSpan> underlinesOf(const QTextBlock &block, const QString &text) const;
    void blockChanged(const QTextBlock &block);

signals:
    // A word was added to the dictionary or ignored; `error` is set when the list could not
    // be saved.
    void dictionaryError(const QString &error);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();
    void schedule();
    void runSlice();
    void checkBlock(QTextBlock block);
    void recheckAll();
    void onCaretMoved();
    void replaceWord(int start, int length, const QString &word);
    void refreshWord(const QString &word);

    QPointer<QTextEdit> m_editor;
    SpellChecker m_checker;
    QPointer<QTextDocument> m_document;
    SpellingHighlighter *m_highlighter = nullptr;
    bool m_enabled = false;
    QList<QTextBlock> m_pending;   // changed paragraphs
    QTextBlock m_scan;             // the next paragraph of a whole-document check
    QTimer m_idle;
    int m_heldWordBlock = -1;      // the paragraph whose word at the caret was held back
    QList<QAction *> m_added;      // what preparePopup put into the menu
};
