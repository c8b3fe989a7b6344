#pragma once
// Find and replace over a rich text document. The document is searched as its plain text (one
// character per position, a paragraph break as "\n"), so a match may run across formatting
// runs and paragraph breaks. Replacing keeps the format of the first character of each match;
// replace-all is one undoable step. Protected text is never matched for replacing.

#include <QString>
#include <QTextCursor>

class QTextDocument;

struct FindOptions {
    bool matchCase = false;
    bool wholeWords = false; // the match neither starts nor ends inside a word
};

// One search step's outcome.
struct FindResult {
    int start = -1;       // first character of the match, -1 when none
    int length = 0;
    bool wrapped = false; // the search passed the end (or the start) and went on from the other side
    bool found() const { return start >= 0; }
};

class TextFinder {
public:
    explicit TextFinder(QTextDocument *document) : m_document(document) {}

    // The next match of `text` at or after `from` (forward), or ending at or before `from`
    // (backward), going round the document once when nothing is found before its end.
    FindResult find(const QString &text, int from, bool backward, const FindOptions &options) const;

    // Every match of `text`, in document order, without overlaps.
    QList<int> findAll(const QString &text, const FindOptions &options) const;

    // Replaces the characters [start, start + length) by `replacement` in the format of the
    // first of them. Returns false (and changes nothing) when the range holds protected text.
    bool replaceAt(int start, int length, const QString &replacement);

    // Replaces every match as one undoable step; returns how many were replaced (protected
    // ones are left alone).
    int replaceAll(const QString &text, const QString &replacement, const FindOptions &options);

    // Whether [start, start + length) of the plain text is a match of `text`.
    bool matchesAt(const QString &plain, int start, const QString &text,
                   const FindOptions &options) const;

private:
    QString plainText() const;
    bool isWholeWord(const QString &plain, int start, int length) const;
    bool isProtected(int start, int length) const;
    void replaceRange(QTextCursor &cursor, int start, int length, const QString &replacement);

    QTextDocument *m_document;
};
