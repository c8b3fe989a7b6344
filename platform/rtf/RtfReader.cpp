#include "RtfReader.h"

#include <cstring>
#include <memory>

#include "text/CodePage.h"

namespace rtf {

using Kind = ControlWord::Kind;
using Family = ControlWord::Family;

namespace {

// Characters that would split a paragraph or stand for an object if they came into the
// document as text (from \'0d or \u8233, say): only \par and pictures make those. A NUL (from
// \u0 or \'00) is dropped too: it is no character of a document, and plain text would carry it
// out as a zero byte.
bool isBreakCharacter(QChar c)
{
    return c == QChar(0) || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator
           || c == QChar::ObjectReplacementCharacter;
}

// A single-byte code page as a table, so decoding a byte is one lookup.
struct ByteTable {
    char16_t chars[256];
    template<typename F>
    static ByteTable of(F decode)
    {
        ByteTable t{};
        for (int b = 0; b < 256; ++b)
            t.chars[b] = QChar(decode(static_cast<unsigned char>(b))).unicode();
        return t;
    }
};

// The source without a UTF-8 byte-order mark at its very start: some editors put one before
// "{\rtf", and the file is still RTF.
ByteSource withoutByteOrderMark(const ByteSource &source)
{
    struct State {
        char head[3];
        int headLength = 0;
        int headPos = 0;
        bool started = false;
    };
    auto state = std::make_shared<State>();
    return [source, state](char *buf, qint64 max) -> qint64 {
        State &st = *state;
        if (!st.started) {
            st.started = true;
            while (st.headLength < 3) {
                const qint64 n = source(st.head + st.headLength, 3 - st.headLength);
                if (n < 0)
                    return n;
                if (n == 0)
                    break;
                st.headLength += int(n);
            }
            if (st.headLength == 3 && memcmp(st.head, "\xEF\xBB\xBF", 3) == 0)
                st.headLength = 0;
        }
        if (st.headPos < st.headLength) {
            const qint64 n = qMin<qint64>(max, st.headLength - st.headPos);
            memcpy(buf, st.head + st.headPos, size_t(n));
            st.headPos += int(n);
            return n;
        }
        return source(buf, max);
    };
}

} // namespace

RtfReader::RtfReader(RtfSink &sink, const ReadOptions &options)
    : m_sink(sink), m_options(options)
{
    m_stack.reserve(64);
}

ReadResult RtfReader::read(const ByteSource &source)
{
    RtfTokenizer tokenizer(withoutByteOrderMark(source));
    m_tokenizer = &tokenizer;
    const RtfTokenizer::Token &open = tokenizer.next();
    if (open.type != RtfTokenizer::Type::GroupOpen) {
        m_tokenizer = nullptr;
        return {false, QStringLiteral("not RTF: the data does not start with a group")};
    }
    const RtfTokenizer::Token &rtf = tokenizer.next();
    if (rtf.type != RtfTokenizer::Type::ControlWord || rtf.word != "rtf") {
        m_tokenizer = nullptr;
        return {false, QStringLiteral("not RTF: the first group does not start with \\rtf")};
    }
    m_stack.assign(1, GroupState{});
    while (!m_done) {
        const RtfTokenizer::Token &token = tokenizer.next();
        if (token.type == RtfTokenizer::Type::End)
            break;
        handleToken(token);
    }
    finish();
    m_tokenizer = nullptr;
    ReadResult result;
    if (tokenizer.readError()) {
        result.readError = true;
        result.message = QStringLiteral("read error at byte %1").arg(tokenizer.offset());
    } else if (!m_done) {
        result.message = QStringLiteral("the data ends inside a group (byte %1)")
                             .arg(tokenizer.offset());
    }
    return result;
}

// Whether the token, inside an object group before its result, is only part of the object's
// data: text, characters and breaks there are kept with the object and written back with it,
// so they do not also go into the document (which doubled them on each save). In the object
// group itself only \result and groups count: a destination word there (\tc) made the whole
// group a skipped one, so its result was never found.
static bool isObjectDataOnly(const RtfTokenizer::Token &token, bool objectGroup)
{
    if (objectGroup && token.type == RtfTokenizer::Type::ControlWord)
        return token.word != "result";
    if (objectGroup && token.type == RtfTokenizer::Type::ControlSymbol)
        return true;
    switch (token.type) {
    case RtfTokenizer::Type::Text:
    case RtfTokenizer::Type::HexByte:
    case RtfTokenizer::Type::Unicode:
        return true;
    case RtfTokenizer::Type::ControlSymbol:
        return token.symbol != '*';
    case RtfTokenizer::Type::ControlWord: {
        const ControlWord *cw = findControlWord(token.word);
        return cw && cw->family == Family::Special;
    }
    default:
        return false;
    }
}

void RtfReader::handleToken(const RtfTokenizer::Token &token)
{
    if (m_capturing) {
        captureToken(token);
        if (isObjectDataOnly(token, m_stack.size() == m_objectDepth))
            return;
    }
    switch (token.type) {
    case RtfTokenizer::Type::GroupOpen:
        openGroup();
        break;
    case RtfTokenizer::Type::GroupClose:
        closeGroup();
        break;
    case RtfTokenizer::Type::ControlWord:
        handleControlWord(token.word, token.hasParam, token.param);
        break;
    case RtfTokenizer::Type::ControlSymbol:
        handleControlSymbol(token.symbol);
        break;
    case RtfTokenizer::Type::Text:
        m_star = false;
        handleText(token.text, token.length);
        break;
    case RtfTokenizer::Type::HexByte: {
        m_star = false;
        const char byte = char(token.byte);
        handleText(&byte, 1);
        break;
    }
    case RtfTokenizer::Type::Unicode:
        m_star = false;
        decodeBytes();
        if (state().dest == Destination::Text || state().dest == Destination::ListLabel)
            appendChar(char16_t(token.param));
        else if (state().dest == Destination::FontTable)
            fontCharacter(char16_t(token.param));
        else if (state().dest == Destination::LevelText)
            levelCharacter(char16_t(token.param));
        break;
    case RtfTokenizer::Type::Binary:
        m_star = false;
        if (state().dest == Destination::Picture)
            m_picture.data.append(token.binary);
        break;
    case RtfTokenizer::Type::End:
        break;
    }
}

void RtfReader::openGroup()
{
    decodeBytes();
    m_star = false;
    if (int(m_stack.size()) >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void RtfReader::closeGroup()
{
    decodeBytes();
    m_star = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_stack.size() <= 1) {
        m_done = true; // the outermost group closed: what follows is not part of the document
        return;
    }
    // Only the destination and character state of the closed group are needed after it.
    const Destination closedDest = m_stack.back().dest;
    const CharState closedChr = m_stack.back().chr;
    m_stack.pop_back();
    // A group of body text may have wrapped the paragraph just ended; a destination's group
    // (a list label, a field result's instructions) does not.
    if (closedDest == m_stack.back().dest)
        m_groupClosedSinceParagraph = true;
    leaveGroup(closedDest, closedChr);
    if (m_objectDepth > m_stack.size())
        endObject();
}

// Finishes what a destination collected when its group closes.
void RtfReader::leaveGroup(Destination closedDest, const CharState &closedChr)
{
    if (closedDest == Destination::FontTable && m_fontOpen)
        commitFont();
    if (closedDest == state().dest)
        return;
    switch (closedDest) {
    case Destination::ListLabel:
        m_labelState = closedChr;
        finishLabel();
        break;
    case Destination::Numbering:
        state().para.numbering = m_pnNumbering;
        break;
    case Destination::Picture:
        finishPicture();
        break;
    default:
        break;
    }
}

void RtfReader::enterDestination(Cw id)
{
    GroupState &s = state();
    // Word writes text that the ANSI code page cannot hold twice, as ANSI and as Unicode:
    // read as ANSI, it came out as question marks.
    if (id == Cw::UnicodeText && s.inUnicodePair) {
        s.dest = s.pairDest;
        s.inUnicodePair = false;
        return;
    }
    if (s.dest == Destination::Skip)
        return;
    const bool inText = s.dest == Destination::Text;
    switch (id) {
    case Cw::FontTable:
        s.dest = Destination::FontTable;
        break;
    case Cw::ColorTable:
        s.dest = Destination::ColorTable;
        m_colors.clear();
        m_colorSet = false;
        m_red = m_green = m_blue = 0;
        break;
    case Cw::ListTable:
        s.dest = Destination::ListTable;
        break;
    case Cw::ListDefinition:
        if (s.dest == Destination::ListTable) {
            m_lists.emplace_back();
            m_levelFormatsValid = false;
            m_blockValid = false;
            s.dest = Destination::ListDefinition;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::ListLevelDefinition:
        if (s.dest == Destination::ListDefinition) {
            m_lists.back().levels.emplace_back();
            m_levelFormatsValid = false;
            m_blockValid = false;
            s.dest = Destination::ListLevel;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::LevelText:
        s.dest = s.dest == Destination::ListLevel ? Destination::LevelText : Destination::Skip;
        break;
    case Cw::ListOverrideTable:
        s.dest = Destination::ListOverrideTable;
        break;
    case Cw::ListOverrideEntry:
        if (s.dest == Destination::ListOverrideTable) {
            m_overrides.emplace_back();
            m_levelFormatsValid = false;
            m_blockValid = false;
            s.dest = Destination::ListOverride;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::ListText:
    case Cw::PnText:
        if (inText) {
            flushText();
            m_label.clear();
            m_labelPending = false;
            s.dest = Destination::ListLabel;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::ParagraphNumbering:
        if (inText) {
            m_pnNumbering = 2;
            s.dest = Destination::Numbering;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::Picture:
        if (inText) {
            m_picture = PictureState{};
            m_inPicture = true;
            m_tokenizer->setKeepBinary(true);
            s.dest = Destination::Picture;
        } else {
            s.dest = Destination::Skip;
        }
        break;
    case Cw::Object:
        if (inText)
            beginObject();
        break; // transparent: the result shows
    case Cw::ObjectResult:
        if (inText)
            objectResult();
        break;
    case Cw::UnicodePair:
        s.pairDest = s.dest;
        s.inUnicodePair = true;
        s.dest = Destination::Skip;
        break;
    case Cw::Transparent:
    case Cw::UnicodeText:
        break; // the group's text stays where it was going
    default:
        s.dest = Destination::Skip;
        break;
    }
}

void RtfReader::handleControlWord(std::string_view word, bool hasParam, int param)
{
    decodeBytes(true);
    const bool star = m_star;
    m_star = false;
    const ControlWord *cw = findControlWord(word);
    if (!cw || (star && cw->kind != Kind::Destination)) {
        if (star)
            state().dest = Destination::Skip; // an optional destination we do not know
        return;
    }
    if (cw->kind == Kind::Destination) {
        enterDestination(cw->id);
        return;
    }
    int value = hasParam ? param : cw->defaultValue;
    if (cw->kind == Kind::Toggle)
        value = hasParam ? (param != 0) : 1;
    else if (cw->kind == Kind::Symbol)
        value = cw->defaultValue;

    switch (state().dest) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (cw->family == Family::Font || cw->id == Cw::Font)
            fontWord(cw->id, value);
        return;
    case Destination::ColorTable:
        if (cw->family == Family::Color)
            colorWord(cw->id, value);
        return;
    case Destination::ListTable:
    case Destination::ListDefinition:
    case Destination::ListLevel:
    case Destination::ListOverrideTable:
    case Destination::ListOverride:
    case Destination::LevelText:
        listWord(cw->id, value);
        return;
    case Destination::Numbering:
        if (cw->family == Family::Pn)
            numberingWord(cw->id);
        return;
    case Destination::Picture:
        if (cw->family == Family::Pict)
            pictureWord(cw->id, value);
        return;
    case Destination::Text:
    case Destination::ListLabel:
        break;
    }
    switch (cw->family) {
    case Family::Doc:
        documentWord(cw->id, value);
        break;
    case Family::Char:
        characterWord(cw->id, value);
        break;
    case Family::Para:
        paragraphWord(cw->id, value);
        break;
    case Family::Special:
        special(cw->id, value);
        break;
    case Family::Table:
        tableWord(cw->id, value);
        break;
    default:
        break;
    }
}

void RtfReader::handleControlSymbol(char symbol)
{
    if (symbol == '\\' || symbol == '{' || symbol == '}') {
        m_star = false;
        handleText(&symbol, 1);
        return;
    }
    decodeBytes();
    if (symbol == '*') {
        m_star = true;
        return;
    }
    m_star = false;
    const Destination dest = state().dest;
    if (dest != Destination::Text && dest != Destination::ListLabel)
        return;
    switch (symbol) {
    case '~':
        appendChar(0x00A0);
        break;
    case '-':
        appendChar(0x00AD);
        break;
    case '_':
        appendChar(0x2011);
        break;
    default:
        break; // \: \| and unknown symbols show nothing
    }
}

void RtfReader::handleText(const char *text, qsizetype length)
{
    switch (state().dest) {
    case Destination::Text:
    case Destination::ListLabel:
        appendBytes(text, length);
        break;
    case Destination::FontTable:
        fontText(text, length);
        break;
    case Destination::ColorTable:
        colorText(text, length);
        break;
    case Destination::Picture:
        pictureText(text, length);
        break;
    case Destination::LevelText:
        levelText(text, length);
        break;
    default:
        break;
    }
}

void RtfReader::appendBytes(const char *bytes, qsizetype length)
{
    const int font = state().chr.font;
    if (!m_bytes.isEmpty() && (font != m_bytesFont || state().dest != m_bytesDest))
        decodeBytes();
    if (m_bytes.isEmpty()) {
        m_bytesFont = font;
        m_bytesState = state().chr;
        m_bytesDest = state().dest;
    }
    m_bytes.append(bytes, length);
}

// Turns the collected text bytes into characters through the code page of the font they were
// written in, with the character format they were written in. keepLead leaves a last lead
// byte of a double-byte code page waiting for its second byte, which may come after a control
// word that changes anything but the font.
void RtfReader::decodeBytes(bool keepLead)
{
    // Appending the decoded run can end a table cell, which decodes again: bytes still waiting
    // then follow the run, and the run's buffer must stay as it is until it is appended.
    if (m_bytes.isEmpty() || m_decoding)
        return;
    QString &decoded = m_decoded; // reused, so decoding a run allocates nothing
    bool controls = true;         // whether the text may hold line breaks to drop
    const int codePage = codePageOf(m_bytesFont);
    QByteArray lead;
    if (isSymbolFont(m_bytesFont) || codePage == 1252) {
        static const ByteTable cp1252 = ByteTable::of(text::cp1252ToUnicode);
        static const ByteTable symbol = ByteTable::of(text::symbolToUnicode);
        const char16_t *table = isSymbolFont(m_bytesFont) ? symbol.chars : cp1252.chars;
        decoded.resize(m_bytes.size());
        char16_t *out = reinterpret_cast<char16_t *>(decoded.data());
        const auto *in = reinterpret_cast<const unsigned char *>(m_bytes.constData());
        unsigned char lowest = 0xFF;
        for (qsizetype i = 0, n = m_bytes.size(); i < n; ++i) {
            lowest = std::min(lowest, in[i]);
            out[i] = table[in[i]];
        }
        controls = lowest < 0x20;
    } else {
        const qsizetype complete = keepLead ? text::completeLength(m_bytes, codePage)
                                            : m_bytes.size();
        if (complete < m_bytes.size()) {
            lead = m_bytes.mid(complete);
            m_bytes.truncate(complete);
        }
        decoded = text::decode(m_bytes, codePage);
    }
    if (lead.isEmpty())
        m_bytes.resize(0); // keeps the buffer for the next run
    else
        m_bytes = lead;
    if (controls)
        decoded.removeIf(isBreakCharacter);
    m_decoding = true;
    appendText(decoded, m_bytesState, m_bytesDest);
    m_decoding = false;
}

void RtfReader::appendText(QStringView text)
{
    decodeBytes(); // a lead byte still waiting comes first
    appendText(text, state().chr, state().dest);
}

void RtfReader::appendText(QStringView text, const CharState &chr, Destination dest)
{
    if (text.isEmpty())
        return;
    if (dest == Destination::ListLabel) {
        m_label += text;
        return;
    }
    if (dest != Destination::Text)
        return;
    beginContent();
    if (!m_text.isEmpty() && !(chr == m_textState))
        flushText();
    m_textState = chr;
    m_text += text;
}

void RtfReader::appendChar(char16_t ch)
{
    if (!isBreakCharacter(QChar(ch)))
        appendText(QStringView(&ch, 1));
}

// Called before anything is put into the paragraph: the cell separators owed since the last
// \cell and the list label that belongs in front of the text (none for bullets, which the
// engine draws itself). A label the file gives ({\listtext}, {\pntext}) is kept as written;
// one that is missing or holds only spaces comes from the list table.
void RtfReader::beginContent()
{
    const CharState &chr = state().chr;
    enterTableIfNeeded();
    if (!m_paragraphHasContent) {
        const QString counted = listLabel(state().para);
        QString label;
        CharState labelState = chr;
        if (m_labelPending) {
            qsizetype start = 0; // spaces before the number are the producer's layout
            while (start < m_label.size() && m_label.at(start) == QLatin1Char(' '))
                ++start;
            if (!m_label.trimmed().isEmpty()) {
                label = m_label.mid(start);
                labelState = m_labelState;
            }
        }
        if (label.isEmpty() && !counted.isEmpty())
            label = counted + QLatin1Char('\t');
        m_labelPending = false;
        if (!label.isEmpty() && !isBulleted(state().para)) {
            if (!m_text.isEmpty() && !(labelState == m_textState))
                flushText();
            m_textState = labelState;
            m_text += label;
        }
    }
    m_paragraphHasContent = true;
}

void RtfReader::flushText()
{
    if (m_text.isEmpty())
        return;
    m_sink.insertText(m_text, charFormat(m_textState));
    m_text.resize(0); // unlike clear(), keeps the buffer for the next run
}

void RtfReader::endParagraph()
{
    decodeBytes();
    if (!m_paragraphHasContent && (m_labelPending || state().para.listOverride > 0))
        beginContent();
    enterTableIfNeeded();
    flushText();
    m_sink.endParagraph(blockFormat(state().para), charFormat(state().chr));
    m_pageBreakPending = false;
    m_paragraphHasContent = false;
    m_groupClosedSinceParagraph = false;
}

// Content belongs to a table when its paragraph is marked \intbl or while a row is in
// progress (after \trowd or a \cell, up to \row): some producers reset the mark with a
// \pard inside the cell. Content outside both closes the table.
void RtfReader::enterTableIfNeeded()
{
    const bool inTable = state().para.inTable || m_rowPending || m_cellsInRow > 0;
    if (inTable != m_tableOpen) {
        flushText();
        if (m_tableOpen)
            leaveTable();
        else
            openTable();
    }
    beginRowIfNeeded();
}

void RtfReader::openTable()
{
    if (m_tableOpen)
        return;
    m_sink.enterTable();
    m_tableOpen = true;
}

// The sink lays a row's cells out on the table's columns, so it learns the row's definition
// before the row's first content arrives.
void RtfReader::beginRowIfNeeded()
{
    if (!m_tableOpen || m_rowBegun)
        return;
    m_sink.beginRow(m_rowDef);
    m_rowBegun = true;
}

void RtfReader::leaveTable()
{
    if (!m_tableOpen)
        return;
    if (m_paragraphHasContent || !m_text.isEmpty())
        endCell(); // text after the last \cell of a row that never ended
    if (m_cellsInRow > 0)
        m_sink.endRow(m_rowDef);
    m_cellsInRow = 0;
    m_rowBegun = false;
    m_sink.endTable();
    m_tableOpen = false;
    m_rowPending = false;
}

void RtfReader::endCell()
{
    decodeBytes();
    if (!m_paragraphHasContent && (m_labelPending || state().para.listOverride > 0))
        beginContent();
    if (!m_tableOpen) { // the paragraph's text so far belongs to the cell
        openTable();
    }
    beginRowIfNeeded();
    flushText();
    m_sink.endCell(blockFormat(state().para), charFormat(state().chr), m_groupClosedSinceParagraph);
    ++m_cellsInRow;
    m_paragraphHasContent = false;
}

void RtfReader::endRow()
{
    decodeBytes();
    if (m_paragraphHasContent || !m_text.isEmpty())
        endCell();
    openTable();
    beginRowIfNeeded();
    m_sink.endRow(m_rowDef);
    m_cellsInRow = 0;
    m_rowBegun = false;
    m_rowPending = false;
    m_paragraphHasContent = false;
}

void RtfReader::pageBreak()
{
    decodeBytes();
    if (m_paragraphHasContent || !m_text.isEmpty() || m_labelPending)
        endParagraph();
    m_pageBreakPending = true;
}

void RtfReader::finish()
{
    decodeBytes();
    if (m_inPicture) // the data ended inside a picture: keep what was read of it
        finishPicture();
    if (state().dest == Destination::ListLabel) { // ... or inside a list label
        m_labelState = state().chr;
        state().dest = Destination::Text;
        finishLabel();
    }
    if (m_labelPending)
        beginContent();
    flushText();
    leaveTable();
    m_sink.finish(blockFormat(state().para), charFormat(state().chr), m_paragraphHasContent);
}

void RtfReader::special(Cw id, int value)
{
    if (state().dest == Destination::ListLabel) {
        if (id == Cw::Tab)
            appendChar(u'\t');
        else if (id == Cw::Character)
            appendChar(char16_t(value));
        return;
    }
    switch (id) {
    case Cw::Par:
        endParagraph();
        break;
    case Cw::Line:
        appendChar(QChar::LineSeparator);
        break;
    case Cw::LineBreak:
        // \lbrN only says how a text-wrapping break clears floating pictures; the \line that
        // follows it is the break. Read as a break of its own, it gave two.
        break;
    case Cw::Tab:
        appendChar(u'\t');
        break;
    case Cw::Character:
        appendChar(char16_t(value));
        break;
    case Cw::Page:
        pageBreak();
        break;
    case Cw::Section:
    case Cw::ColumnBreak: // one column here: the text after a column break goes on below
        decodeBytes();
        if (m_paragraphHasContent || !m_text.isEmpty() || m_labelPending)
            endParagraph();
        break;
    case Cw::Cell:
        endCell();
        break;
    case Cw::Row:
        endRow();
        break;
    case Cw::NestCell: // a table inside a cell: its cells and rows stay in the outer cell
        appendChar(u'\t');
        break;
    case Cw::NestRow:
        appendChar(QChar::LineSeparator);
        break;
    case Cw::FootnoteMark:
        appendText(QString::number(++m_footnotes));
        break;
    default:
        break;
    }
}

} // namespace rtf
