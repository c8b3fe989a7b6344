#pragma once
// Text statistics of the status bar: words, characters, lines and words per line, with the
// panel texts they are shown in. The counting treats the text as the editor's ANSI window text
// (Windows-1252, one byte per character, CR LF per paragraph break). Besides the whole-text
// functions there is StatisticsCache, which keeps per-paragraph counts of a QTextDocument up to
// date from its change notifications, so that a refresh costs the same on any document length.

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTextDocument>
#include <vector>


// Membership in the 49 word separators: every byte from 0 to 32 and ! # $ % ( ) * , . / : ; ?
// @ \ ^. Every other byte (letters, digits, " & ' + - < = > [ ] _ and all of 96..255) belongs
// to words.
bool IsWordSeparator(unsigned char byte);

// The same rule for one character of a Unicode text: characters with a Windows-1252 byte are
// judged by that byte; characters without one (a strict ANSI conversion would turn them into
// "?") count as word characters unless they are white space, so that a text in another script
// still has words.
bool isWordSeparatorChar(char16_t ch);

struct TextCounts {
    qint64 words = 0;
    qint64 characters = 0; // bytes of the ANSI text
    bool operator==(const TextCounts &) const = default;
};

// The four texts the status bar shows after "Words: ", "Characters: ", "Lines: " and
// "Words per line: ".
struct StatisticsTexts {
    QString WordsText;
    QString CharactersText;
    QString LinesText;
    QString WordsPerLineText;
    bool operator==(const StatisticsTexts &) const = default;
};

// The five texts of status panels 0 to 4.
struct StatusPanelTexts {
    QString lineColumn;   // "Line: %3d  Col: %3d"
    QString words;        // "Words: " + WordsText
    QString characters;   // "Characters: " + CharactersText
    QString lines;        // "Lines: " + LinesText
    QString wordsPerLine; // "Words per line: " + WordsPerLineText
};

// One pass over an ANSI text: a word is a maximal run of non-separator bytes, the characters
// are all the bytes.
TextCounts countTextBytes(QByteArrayView ansiText);
// The same over a Unicode text, each character standing for one ANSI byte (a surrogate pair
// is one character, as its conversion gives one byte).
TextCounts countText(QStringView text);

// The texts for the counts and the editor's line count (display lines). Words per line divide
// by the line count, or by 1 for no lines, and are shown with two decimals in 8 places.
StatisticsTexts statisticsTexts(const TextCounts &counts, int lineCount);
StatisticsTexts CountTextStatistics(QByteArrayView ansiText, int lineCount);
StatisticsTexts CountTextStatistics(QStringView text, int lineCount);

// Panel 0 for the caret's zero-based line and column: "Line: %3d  Col: %3d" of line + 1 and
// column + 1 (wider numbers are not cut).
QString lineColumnText(int line, int column);
StatusPanelTexts statusPanelTexts(int caretLine, int caretColumn, const StatisticsTexts &texts);

// Word and character counts of a QTextDocument, kept current from its contentsChange signal:
// each paragraph's counts are cached and only the paragraphs an edit touched are counted again.
// Paragraphs are separated by CR LF, so no word spans two of them and the totals are plain
// sums. The results equal countText() of the document's window text (paragraphs joined by
// CR LF) at every moment, but for the joints between tables (richedit/TableJoint.h), which
// are no paragraphs of the text.
class StatisticsCache : public QObject {
    Q_OBJECT
public:
    explicit StatisticsCache(QTextDocument *document, QObject *parent = nullptr);

    QTextDocument *document() const { return m_document; }
    // Follows another document from now on (the editor's document was replaced).
    void setDocument(QTextDocument *document);
    // Counts the whole document again first if it changed without telling (a safety net).
    TextCounts counts();
    StatisticsTexts texts(int lineCount) { return statisticsTexts(counts(), lineCount); }

    // Counts the whole document again.
    void rebuild();
    // How often the whole document was counted (construction included); a test aid.
    int fullCounts() const { return m_fullCounts; }
    // Paragraphs of at least `characters` are kept in pieces of about `piece` characters (64 K
    // and 4 K unless changed; tests make them small).
    void setLongParagraph(int characters, int piece)
    {
        m_longParagraph = qMax(1, characters);
        m_pieceLength = qMax(2, piece);
        m_longBlock = -1;
    }

private slots:
    void contentsChange(int position, int removed, int added);

private:
    struct BlockCounts {
        qint64 words = 0;
        qint64 characters = 0;
        bool joint = false; // the joint between two tables: no paragraph, no break of its own
    };
    static BlockCounts countBlock(const QString &text);
    static BlockCounts countBlock(const QTextBlock &block);

    // A stretch of a long paragraph counted by itself. A word running over from one piece into
    // the next is counted in both; the sum takes it off again. No piece ends between the two
    // halves of a character outside the basic plane.
    struct Piece {
        int length = 0;
        BlockCounts counts;
        bool startsInWord = false;
        bool endsInWord = false;
    };
    // The counts of the changed long paragraph `block` from its pieces, counting again only
    // the pieces around the change (`position`, `removed`, `added` as the document gives them).
    BlockCounts countLongBlock(const QTextBlock &block, int position, int removed, int added);
    // Pieces for the text from `from` to `to` (document positions).
    void appendPieces(std::vector<Piece> &out, int from, int to) const;

    QPointer<QTextDocument> m_document;
    std::vector<BlockCounts> m_blocks;
    qint64 m_words = 0;
    qint64 m_blockCharacters = 0; // without the paragraph breaks
    qint64 m_joints = 0;          // joints between tables, whose breaks are not counted
    int m_revision = -1;          // the document revision the cache reflects
    int m_fullCounts = 0;
    int m_longParagraph = 65536;
    int m_pieceLength = 4096;
    int m_longBlock = -1;         // the block number the pieces are of
    std::vector<Piece> m_pieces;
};
