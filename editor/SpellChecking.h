#pragma once
// Spell checking as the user types: SpellChecking underlines the misspelled words of the
// editor with a red wavy line and offers suggestions, "Ignore All" and "Add to Dictionary" at
// the top of the right-click menu when it opens over such a word.
//
// Only changed paragraphs are checked, in idle time and in slices of a few milliseconds, so a
// keystroke never waits for the checker. The underline is painted over the editor's viewport
// after the control has drawn it, from the paragraphs' existing layouts: it is never a format of
// the document and never makes the document lay itself out again, so saved files, exports, the
// preview and printing never see it, and nothing counts it as an edit. The word the caret is typing is not
// underlined until the caret leaves it.

#include "editor/SpellChecker.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <map>
#include <memory>

class QAction;
class QPainter;
class QMenu;
class QTextEdit;

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

    // The spans of a paragraph to underline: its last check's, or, when it has changed since,
    // those of the words before the change. Only those up to `upTo` (in the paragraph; -1 for
    // all) are needed: the text is compared no further than a word past it.
    QList<WordSpan> underlinesOf(const QTextBlock &block, int upTo = -1) const;
    // The misspelled words of `text`, a paragraph that read `before` when `spans` were found
    // in it: only the words around the change (and the word at `recheckAt`, when not -1) are
    // checked again; the others keep their spans, moved by the change.
    static QList<WordSpan> recheckChange(const SpellChecker &checker, const QString &before,
                                         const QList<WordSpan> &spans, const QString &text,
                                         int recheckAt = -1);

signals:
    // A word was added to the dictionary or ignored; `error` is set when the list could not
    // be saved.
    void dictionaryError(const QString &error);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();
    void detach();
    void onContentsChange(int position, int removed, int added);
    void blockChanged(const QTextBlock &block);
    // Draws the waves of the paragraphs in `area` of the viewport over what the control drew.
    void paintUnderlines(QPainter &painter, const QRect &area);
    static void drawWave(QPainter &painter, qreal x1, qreal x2, qreal y);
    QPointF scrollOffset() const;
    void schedule();
    void runSlice();
    void checkBlock(QTextBlock block);
    // Checks the next part of a long paragraph's first check; true when it was the last one
    // (false queues the paragraph for the next part).
    bool checkPart(const QTextBlock &block);
    void recheckAll();
    void onCaretMoved();
    void replaceWord(int start, int length, const QString &word);
    void refreshWord(const QString &word);
    // The checker for a paragraph: the dictionary of the language its text carries where one
    // is installed, else the settings file's choice.
    SpellChecker &checkerFor(const QTextBlock &block);

    QPointer<QTextEdit> m_editor;
    SpellChecker m_checker; // the settings file's language
    std::map<QString, std::unique_ptr<SpellChecker>> m_others; // by dictionary, made on demand
    QStringList m_installed;   // the installed dictionaries, read when first needed
    bool m_installedRead = false;
    QStringList m_ignored;     // "Ignore All" words, for checkers made later
    QPointer<QTextDocument> m_document;
    bool m_enabled = false;
    QList<QTextBlock> m_pending;   // changed paragraphs
    QTextBlock m_scan;             // the next paragraph of a whole-document check
    QTimer m_idle;
    int m_heldWordBlock = -1;      // the paragraph whose word at the caret was held back
    int m_heldWordAt = -1;         // and where in it that word starts
    QList<QAction *> m_added;      // what preparePopup put into the menu
    bool m_inPaint = false;
    QTextCursor m_paintedTop; // the paragraph at the top of the last paint
};
