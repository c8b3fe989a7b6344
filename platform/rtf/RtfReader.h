#pragma once
// Reads RTF tokens into a document through a narrow sink: text runs with their character
// format, pictures, and paragraph ends with the paragraph's format. The control-word table
// picks the handler by family (document, character, paragraph, special characters, font and
// colour tables, pictures, lists). Groups push a small state value; nesting deeper than
// kMaxDepth shares the deepest state, so hostile input cannot exhaust memory. A reader reads
// one input; make a new one for the next.

#include "Rtf.h"
#include "RtfControlWords.h"
#include "RtfReaderState.h"
#include "RtfTable.h"
#include "RtfTokenizer.h"

#include <QHash>
#include <QImage>
#include <QTextCharFormat>
#include <QTextFormat>
#include <QTextImageFormat>
#include <array>
#include <vector>

namespace rtf {

// Receives what the reader finds, in document order.
class RtfSink {
public:
    virtual ~RtfSink() = default;
    virtual void insertText(const QString &text, const QTextCharFormat &format) = 0;
    virtual void insertImage(const QTextImageFormat &format, const QImage &image) = 0;
    // Ends the current paragraph with these formats; what follows starts a new one.
    virtual void endParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark) = 0;
    // The input ended. The last paragraph had no paragraph mark; hasContent tells whether
    // anything was inserted into it.
    virtual void finish(const QTextBlockFormat &block, const QTextCharFormat &mark,
                        bool hasContent) = 0;
    // Tables: what follows goes into the first cell of a new table; each cell ends with the
    // format of its last paragraph; a row ends with its definition; the table ends before
    // the next paragraph outside it (or at the end of the input). Before its first content or
    // cell, a row is announced with the definition read so far (the cell boundaries, given
    // before the cells in well-formed files). A paragraph end just before
    // a cell's end leaves an empty last paragraph, unless the paragraph sat in a group that
    // closed in between (a producer's wrapping of each cell paragraph, not a paragraph).
    virtual void enterTable() {}
    virtual void beginRow(const TableRow &) {}
    virtual void endCell(const QTextBlockFormat &, const QTextCharFormat &, bool /*wrapped*/) {}
    virtual void endRow(const TableRow &) {}
    virtual void endTable() {}
};

class RtfReader {
public:
    static constexpr int kMaxDepth = 256;

    RtfReader(RtfSink &sink, const ReadOptions &options = {});
    // Checks that the input starts as RTF ({\rtf), then reads up to the closing brace of the
    // outermost group or the end of the input. ok = false only for input that is not RTF;
    // damaged RTF is read as far as it goes.
    ReadResult read(const ByteSource &source);

private:
    // RtfReader.cpp: the token loop, groups, text.
    void handleToken(const RtfTokenizer::Token &token);
    void openGroup();
    void closeGroup();
    void handleControlWord(std::string_view word, bool hasParam, int param);
    void handleControlSymbol(char symbol);
    void handleText(const char *text, qsizetype length);
    void appendBytes(const char *bytes, qsizetype length);
    void decodeBytes(bool keepLead = false);
    void appendText(QStringView text);
    void appendText(QStringView text, const CharState &chr, Destination dest);
    void appendChar(char16_t ch);
    void beginContent();
    void flushText();
    void endParagraph();
    void pageBreak();
    void finish();
    void special(Cw id, int value);
    void enterDestination(Cw id);
    void leaveGroup(Destination closedDest, const CharState &closedChr);
    GroupState &state() { return m_stack.back(); }

    // RtfReaderProperties.cpp: character and paragraph words, formats.
    void characterWord(Cw id, int value);
    void paragraphWord(Cw id, int value);
    void documentWord(Cw id, int value);
    const QTextCharFormat &charFormat(const CharState &chr);
    const QTextBlockFormat &blockFormat(const ParaState &para);
    QTextBlockFormat makeBlockFormat(const ParaState &para);
    bool isBulleted(const ParaState &para);
    int codePageOf(int fontIndex) const;
    bool isSymbolFont(int fontIndex) const;

    // RtfReaderTables.cpp: font, colour, list and picture groups.
    void fontWord(Cw id, int value);
    void fontText(const char *text, qsizetype length);
    void fontCharacter(char16_t ch);
    int fontNameCodePage() const;
    void commitFont();
    void colorWord(Cw id, int value);
    void colorText(const char *text, qsizetype length);
    void listWord(Cw id, int value);
    void numberingWord(Cw id);
    void tableWord(Cw id, int value);
    void enterTableIfNeeded();
    void openTable();
    void beginRowIfNeeded();
    void leaveTable();
    void endCell();
    void endRow();
    void pictureWord(Cw id, int value);
    void pictureText(const char *text, qsizetype length);
    void finishPicture();
    void finishLabel();
    void levelText(const char *text, qsizetype length);
    void levelCharacter(char16_t ch);
    const ListDefinition *listOf(int overrideNumber);
    QString listLabel(const ParaState &para);

    // RtfReaderObject.cpp: \object groups, whose own data is kept for their picture.
    void beginObject();
    void captureToken(const RtfTokenizer::Token &token);
    void objectResult();
    void endObject();

    RtfSink &m_sink;
    ReadOptions m_options;
    RtfTokenizer *m_tokenizer = nullptr;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;      // groups opened beyond kMaxDepth
    bool m_star = false;     // \* seen: the next word opens an optional destination
    bool m_done = false;     // the outermost group closed

    // Document header.
    int m_ansiCodePage = 1252;
    int m_defaultFont = 0;
    std::vector<FontEntry> m_fonts;
    QHash<int, int> m_fontIndex; // \fN -> index into m_fonts
    FontEntry m_font;            // the entry being read
    bool m_fontOpen = false;
    std::vector<QColor> m_colors; // invalid colour = automatic
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    std::vector<ListDefinition> m_lists;
    std::vector<ListOverrideEntry> m_overrides;
    QHash<int, int> m_overrideLists; // \ls -> index into m_lists, built on use
    bool m_levelFormatsValid = false;
    ListNumbering m_numbering;
    std::uint8_t m_pnNumbering = 0;

    // Text.
    QByteArray m_bytes;      // text bytes not yet decoded
    int m_bytesFont = -1;     // the font, format and destination the bytes were written in
    CharState m_bytesState;
    Destination m_bytesDest = Destination::Text;
    QString m_text;          // decoded text not yet given to the sink
    QString m_decoded;       // decodeBytes' buffer
    bool m_decoding = false; // decodeBytes is appending m_decoded
    CharState m_textState;
    // Formats built recently, by character state: documents switch between a few formats.
    struct CachedFormat {
        CharState state;
        QTextCharFormat format;
    };
    static constexpr int kFormatCacheSize = 8;
    std::array<CachedFormat, kFormatCacheSize> m_formatCache;
    int m_formatCacheUsed = 0;
    int m_formatCacheNext = 0;
    int m_formatCacheLast = 0; // the entry found last, tried first
    bool m_formatValid = false; // false: the cache is stale (fonts or colours changed)
    // Paragraph formats built recently, by paragraph state: headings, body text and list
    // items take turns.
    struct CachedBlockFormat {
        ParaState state;
        bool pageBreak = false; // made for a paragraph after \page
        QTextBlockFormat format;
    };
    std::array<CachedBlockFormat, kFormatCacheSize> m_blockCache;
    int m_blockCacheUsed = 0;
    int m_blockCacheNext = 0;
    int m_blockCacheLast = 0;  // the entry found last, tried first
    bool m_blockValid = false; // false: the cache is stale (the list table changed)

    // Paragraph.
    bool m_paragraphHasContent = false;
    bool m_groupClosedSinceParagraph = false;
    bool m_pageBreakPending = false; // \page: the next paragraph starts a page
    // Table: the row definition being read (it stays for rows that give none) and the cell
    // whose \cellx has not come yet; -1 or the side of the cell the border words describe.
    TableRow m_rowDef;
    TableCell m_cellDef;
    int m_borderTarget = -1;
    bool m_tableOpen = false;
    bool m_rowPending = false;  // \trowd seen, \row not yet
    int m_cellsInRow = 0; // cells ended since the last \row
    bool m_rowBegun = false; // the sink was told of the row in progress
    int m_footnotes = 0;        // \chftn numbers given so far
    QString m_label;            // text of the last list label
    CharState m_labelState;
    bool m_labelPending = false;

    // Picture.
    PictureState m_picture;
    bool m_inPicture = false;

    // Object: the tokens of its group before \result, written again as RTF, go with the
    // picture of its result.
    QByteArray m_objectData;
    std::size_t m_objectDepth = 0;  // the stack size inside the \object group; 0: none
    bool m_capturing = false;       // tokens are going into m_objectData
    bool m_captureDelimit = false;  // the capture ends with a control word
    qsizetype m_captureGroupAt = 0; // where the last captured group opened
    bool m_objectPending = false;   // m_objectData waits for the result's picture
    int m_objectWidth = 0, m_objectHeight = 0; // \objw, \objh in twips
};

} // namespace rtf
