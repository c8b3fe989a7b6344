#pragma once
// Reads a document's paragraphs in order, each with its format indexes and its runs, straight
// from the document's fragment and block trees. QTextBlock's own accessors (position, format
// of the paragraph mark, first run) search those trees from the top for every paragraph,
// which in a document of a million paragraphs costs more than copying them; the walk steps
// from one node to the next instead. Also appends such paragraphs to another document through
// the same low-level insertion, with the formats mapped between the two documents once each.

#include <QList>
#include <QString>
#include <QStringView>
#include <climits>
#include <vector>

class QTextBlock;
class QTextDocument;
class QTextDocumentPrivate;

namespace richedit {

// How many leading characters of the paragraph's text (without its mark) are those of `text`,
// looking at no more than `limit` of them: read in place from the document's text store, where
// QTextBlock::text() would copy a paragraph of millions of characters.
int commonTextPrefix(const QTextBlock &block, QStringView text, int limit = INT_MAX);
// Whether the paragraph's text is `text`, read the same way.
bool sameText(const QTextBlock &block, QStringView text);
// Whether the document is paragraphs of text only: no tables or other frames, lists, pictures
// or other objects. Such paragraphs can be copied run by run and measured line by line.
bool holdsPlainParagraphsOnly(const QTextDocument &doc);
// The document's characters from `from` to `to`, paragraph marks as the document keeps them
// (QChar::ParagraphSeparator), read from its text store a fragment at a time.
QString textBetween(const QTextDocument &doc, int from, int to);

// A run of one format inside a paragraph (neighbouring fragments of one format taken
// together, as QTextBlock::iterator gives them): where it lies in the paragraph's text and its
// index in the document's formats.
struct WalkRun {
    int offset = 0;
    int length = 0;
    int format = -1;
};

struct WalkParagraph {
    int position = 0;    // of its first character in the document
    int length = 0;      // with its paragraph mark
    int blockFormat = -1; // QTextBlock::blockFormatIndex
    int markFormat = -1;  // QTextBlock::charFormatIndex: the format of the mark before it
    QString text;         // without the mark
    QList<WalkRun> runs;
};

class ParagraphWalk {
public:
    // Starts at the paragraph that holds position from.
    explicit ParagraphWalk(const QTextDocument &doc, int from = 0);
    // The next paragraph; false after the last one.
    bool next(WalkParagraph &paragraph);

private:
    const QTextDocumentPrivate *m_doc = nullptr;
    QString m_buffer; // the document's text store, shared, not copied
    unsigned m_block = 0;
    unsigned m_fragment = 0;
    int m_position = 0;
    int m_markFormat = -1;
};

// Appends paragraphs read by a walk of source to target, as a text cursor at target's end
// would insert them (a paragraph mark with the paragraph's formats, then its runs), without
// the cursor's work per call: each of source's formats is looked up in target's once.
class ParagraphAppender {
public:
    ParagraphAppender(const QTextDocument &source, QTextDocument &target);
    // A paragraph mark at the end of target that starts a paragraph with p's formats.
    void appendMark(const WalkParagraph &p);
    // p's runs at the end of target.
    void appendRuns(const WalkParagraph &p);

private:
    int charFormat(int sourceIndex);
    int blockFormat(int sourceIndex);

    const QTextDocumentPrivate *m_source;
    QTextDocumentPrivate *m_target;
    std::vector<int> m_charFormats;  // source index to target index, -1 until looked up
    std::vector<int> m_blockFormats;
};

// Appends source's paragraphs from the one holding `from` to the one starting at `lastStart`
// (to the end by default) to target: the first one's text goes into target's last paragraph,
// each one after it starts with its own mark.
void appendParagraphs(const QTextDocument &source, QTextDocument &target, int from = 0,
                      int lastStart = INT_MAX);

} // namespace richedit
