#pragma once
// Writes a character range of the engine's document as compact RTF in the manner of the
// Windows rich edit control: a header with font and colour tables, then paragraphs that state
// only the properties that differ from the defaults, and runs that state only what changes.
// Fonts and colours are numbered in order of first use, so the same document always gives the
// same bytes, and reading the output back and writing it again gives it unchanged.

#include "Rtf.h"
#include "RtfControlWords.h"
#include "RtfTable.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <vector>

class QTextBlock;
class QTextCharFormat;
class QTextBlockFormat;
class QTextFragment;
class QTextImageFormat;
class QTextTable;

namespace rtf {

class RtfWriter {
public:
    RtfWriter(const QTextDocument &document, const WriteOptions &options);
    // Writes [from, to) (to = -1: to the end, last paragraph mark included). False when the
    // sink refused bytes.
    bool write(int from, int to, const ByteSink &sink);

private:
    // What the writer states about a run of text.
    struct RunState {
        int font = 0;
        int halfPoints = 24;
        int foreColor = 0;
        int backColor = 0;
        int kerning = 0;   // half points
        int language = 0;  // \lang, 0 = none
        int languageFE = 0; // \langfe, 0 = none
        int revAuthor = 0;
        int underline = 0; // QTextCharFormat::UnderlineStyle
        int vertical = 0;  // 0, 1 super, 2 sub
        int capitals = 0;  // QFont::Capitalization
        bool bold = false;
        bool italic = false;
        bool strike = false;
        bool revised = false;
        bool protect = false;
        bool hidden = false;
        bool symbol = false; // the font is decoded through the Symbol table
        bool ansi = true;    // the font's text is in the document's code page (1252)
        bool operator==(const RunState &) const = default;
    };
    // What the writer states about a paragraph.
    struct ParaState {
        int align = 0; // PFA_*, 0 = left
        int leftIndent = 0, rightIndent = 0, firstIndent = 0;
        int spaceBefore = 0, spaceAfter = 0;
        int lineSpacing = 0;       // \sl as written, 0 = single
        bool lineMultiple = false; // \slmult1
        int style = 0;
        QList<int> tabs;
        bool bullet = false;
        bool keepNext = false;
        bool rightToLeft = false;
        bool pageBreakBefore = false;
        bool inTable = false;
        bool operator==(const ParaState &) const = default;
    };
    struct FontKey {
        QString name;
        int charset = 0;
        int pitchFamily = 0;
    };

    // RtfWriter.cpp
    void collect(int from, int to);
    bool isLeadInOfTable(const QTextBlock &block, int to) const;
    const RunState &markState(const QTextBlock &block);
    const RunState &runState(const QTextCharFormat &format, int index);
    RunState makeRunState(const QTextCharFormat &format);
    ParaState paraState(const QTextBlockFormat &format) const;
    int fontNumber(const QString &name, int charset, int pitchFamily);
    int colorNumber(const QColor &color);
    void writeHeader();
    void writeBody(int from, int to);
    // Asks the caller's paragraphDone whether to go on; a refusal fails the writing.
    bool paragraphDone();
    void writeBlock(const QTextBlock &block, int blockStart, int blockEnd, int from, int to,
                    bool inTable);
    void writeTable(const QTextTable &table);
    void writePadding(Cw first, Cw firstUnit, const std::array<int, 4> &padding,
                      const std::array<int, 4> &units);
    void writeBorder(Cw side, const TableBorder &border);
    void writeRowDefinition(const TableRow &row);
    void collectTables(int from, int to);
    void writeParagraphProperties(const ParaState &para);
    void writeBullet();
    void writeRunChanges(const RunState &next);
    void writeText(const QString &text, const RunState &run);
    void writeFontName(const FontKey &font);
    // RtfWriterPicture.cpp
    void writePicture(const QTextImageFormat &format);

    void word(Cw id);
    void word(Cw id, int value);
    void toggle(Cw id, bool on);
    void raw(const char *text);
    void hexByte(int byte);
    bool flush(bool force);

    const QTextDocument &m_document;
    WriteOptions m_options;
    const ByteSink *m_sink = nullptr;
    QByteArray m_out;
    bool m_failed = false;
    bool m_delimit = false; // a control word was written last: text needs a space first

    std::vector<FontKey> m_fonts;
    QHash<QString, int> m_fontNumbers; // name and character set -> font number
    std::vector<QTextTable *> m_tables; // the top-level tables the range touches, in order
    // The rows of the tables written whole, as collectTables found them (for their colours)
    // and writeTable writes them, with the column each row's cells take their content from.
    struct WrittenRow {
        TableRow row;
        std::vector<int> columns;
    };
    QHash<const QTextTable *, std::vector<WrittenRow>> m_tableRows;
    std::vector<QColor> m_colors;
    QHash<QRgb, int> m_colorNumbers;
    QHash<int, RunState> m_runStates; // by the document's char format index
    QString m_defaultFamily;
    int m_defaultHalfPoints = 24;
    int m_maxAuthor = -1;
    int m_symbolFont = -1; // font number of Symbol, for bullets
    bool m_hasBullets = false;

    RunState m_run;   // as written so far
    ParaState m_para; // as written so far
    bool m_paraWritten = false;
};

} // namespace rtf
