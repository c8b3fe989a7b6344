#include "RtfWriter.h"

#include "richedit/FormatMapping.h"

#include "richedit/RichEditTypes.h"
#include "richedit/TableJoint.h"
#include "text/CodePage.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <algorithm>
#include <climits>

namespace rtf {

namespace prop = richedit::prop;

namespace {

constexpr qsizetype kFlushSize = 64 * 1024;

int intProp(const QTextFormat &format, int id)
{
    return format.hasProperty(id) ? format.intProperty(id) : 0;
}

QString familyOf(const QTextFormat &format)
{
    const QVariant families = format.property(QTextFormat::FontFamilies);
    if (families.isValid()) {
        const QStringList list = families.toStringList();
        if (!list.isEmpty() && !list.first().isEmpty())
            return list.first();
    }
    return format.stringProperty(QTextFormat::FontFamily);
}

Cw underlineWord(int style)
{
    switch (style) {
    case QTextCharFormat::DashUnderline: return Cw::UnderlineDash;
    case QTextCharFormat::DotLine: return Cw::UnderlineDotted;
    case QTextCharFormat::DashDotLine: return Cw::UnderlineDashDot;
    case QTextCharFormat::DashDotDotLine: return Cw::UnderlineDashDotDot;
    case QTextCharFormat::WaveUnderline: return Cw::UnderlineWave;
    default: return Cw::Underline;
    }
}

// The capitalisations the engine shows, each with the toggle that states it.
struct CapitalsWord {
    QFont::Capitalization shown;
    Cw word;
};
const CapitalsWord kCapitalsWords[] = {{QFont::AllUppercase, Cw::Caps},
                                       {QFont::SmallCaps, Cw::SmallCaps}};

const Cw kFamilyWords[] = {Cw::FontNil, Cw::FontRoman, Cw::FontSwiss,
                           Cw::FontModern, Cw::FontScript, Cw::FontDecor};

} // namespace

RtfWriter::RtfWriter(const QTextDocument &document, const WriteOptions &options)
    : m_document(document), m_options(options)
{
    const QFont font = document.defaultFont();
    m_defaultFamily = font.family();
    if (font.pointSizeF() > 0)
        m_defaultHalfPoints = qRound(font.pointSizeF() * 2);
}

bool RtfWriter::write(int from, int to, const ByteSink &sink)
{
    const int count = m_document.characterCount();
    if (to < 0 || to > count)
        to = count;
    from = std::clamp(from, 0, to);
    m_sink = &sink;
    m_out.reserve(kFlushSize + 4096);
    collect(from, to);
    writeHeader();
    writeBody(from, to);
    raw("}\r\n");
    return flush(true);
}

// The empty cell that ends a row shorter than its table's grid.
static bool isEmptyFiller(const QTextBlock &block)
{
    const QTextTable *table = QTextCursor(block).currentTable();
    if (!table)
        return false;
    const QTextTableCell cell = table->cellAt(block.position());
    return isFillerCell(cell) && cell.firstPosition() == cell.lastPosition();
}

// First pass: the fonts, colours and revision authors the range uses, in order of first use.
void RtfWriter::collect(int from, int to)
{
    for (QTextBlock block = m_document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        if (block.length() == 1 && (isEmptyFiller(block) || richedit::isTableJoint(block)))
            continue; // never written, so it names no font
        if (block.blockFormat().intProperty(prop::Numbering) == richedit::PFN_BULLET)
            m_hasBullets = true;
        if (block.length() == 1 && !isLeadInOfTable(block, to))
            markState(block);
        const bool whole = block.position() >= from && block.position() + block.length() <= to;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!whole) {
                const int position = fragment.position();
                if (position >= to || position + fragment.length() <= from)
                    continue;
            }
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                runState(format, fragment.charFormatIndex());
        }
    }
    collectTables(from, to);
    if (m_fonts.empty())
        fontNumber(m_defaultFamily, 0, 0);
    if (m_hasBullets)
        m_symbolFont = fontNumber(QStringLiteral("Symbol"), richedit::SYMBOL_CHARSET, 0);
}

// The empty paragraph in front of a table that starts the document is the engine's own: a
// table read at the start of a document makes it again, so it is neither written nor counted.
bool RtfWriter::isLeadInOfTable(const QTextBlock &block, int to) const
{
    if (block.position() != 0 || block.length() != 1)
        return false;
    const QTextTable *table = QTextCursor(block.next()).currentTable();
    return table && table->firstPosition() == 1 && table->lastPosition() < to;
}

const RtfWriter::RunState &RtfWriter::runState(const QTextCharFormat &format, int index)
{
    auto it = m_runStates.find(index);
    if (it == m_runStates.end())
        it = m_runStates.insert(index, makeRunState(format));
    return *it;
}

// The mark of an empty paragraph. A cell's first paragraph keeps its mark where the cell's
// format is read from, so whatever format the mark has, it is written as a cell's mark is.
const RtfWriter::RunState &RtfWriter::markState(const QTextBlock &block)
{
    QTextCharFormat format = block.charFormat();
    if (!format.isTableCellFormat()) {
        const QTextTable *table = QTextCursor(block).currentTable();
        if (table && table->cellAt(block.position()).firstPosition() == block.position()) {
            format.setObjectType(QTextFormat::TableCellObject);
            return runState(format, -2 - block.charFormatIndex());
        }
    }
    return runState(format, block.charFormatIndex());
}

RtfWriter::RunState RtfWriter::makeRunState(const QTextCharFormat &shown)
{
    const QTextCharFormat f = richedit::logicalCharFormat(shown);
    RunState r;
    QString family = familyOf(f);
    if (family.isEmpty())
        family = m_defaultFamily;
    int charset = intProp(f, prop::Charset);
    if (family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        charset = richedit::SYMBOL_CHARSET;
    r.symbol = charset == richedit::SYMBOL_CHARSET;
    r.ansi = charset <= richedit::SYMBOL_CHARSET || text::codePageForCharset(charset) <= 0;
    r.font = fontNumber(family, charset, intProp(f, prop::PitchFamily));
    r.halfPoints = f.fontPointSize() > 0 ? qRound(f.fontPointSize() * 2) : m_defaultHalfPoints;
    r.bold = f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::DemiBold;
    r.italic = f.fontItalic();
    r.strike = f.fontStrikeOut();
    r.capitals = f.hasProperty(QTextFormat::FontCapitalization) ? int(f.fontCapitalization()) : 0;
    const int underline = f.underlineStyle();
    r.underline = underline == QTextCharFormat::SpellCheckUnderline ? 0 : underline;
    const QBrush fore = f.foreground();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && fore.style() != Qt::NoBrush)
        r.foreColor = colorNumber(fore.color());
    // The mark of a cell's first paragraph shares its storage with the cell's format, whose
    // shading and vertical alignment belong to the cell, not to the text.
    const bool cellMark = shown.isTableCellFormat();
    const QBrush back = f.background();
    if (!cellMark && f.hasProperty(QTextFormat::BackgroundBrush) && back.style() != Qt::NoBrush)
        r.backColor = colorNumber(back.color());
    if (!cellMark && f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        r.vertical = 1;
    else if (!cellMark && f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        r.vertical = 2;
    r.kerning = intProp(f, prop::Kerning) / 10;
    r.language = intProp(f, prop::Language);
    r.languageFE = intProp(f, prop::LanguageFE);
    r.revised = f.boolProperty(prop::Revised);
    r.revAuthor = intProp(f, prop::RevAuthor);
    r.protect = f.boolProperty(prop::Protected);
    r.hidden = f.boolProperty(prop::Hidden);
    if (r.revised || r.revAuthor > 0)
        m_maxAuthor = std::max(m_maxAuthor, r.revAuthor);
    return r;
}

RtfWriter::ParaState RtfWriter::paraState(const QTextBlockFormat &f) const
{
    ParaState p;
    switch (f.alignment() & Qt::AlignHorizontal_Mask) {
    case Qt::AlignHCenter:
        p.align = richedit::PFA_CENTER;
        break;
    case Qt::AlignRight:
        p.align = richedit::PFA_RIGHT;
        break;
    case Qt::AlignJustify:
        p.align = richedit::PFA_JUSTIFY;
        break;
    default:
        break;
    }
    const int offset = intProp(f, prop::Offset);
    p.leftIndent = intProp(f, prop::StartIndent) + offset;
    p.firstIndent = -offset;
    p.rightIndent = intProp(f, prop::RightIndent);
    p.spaceBefore = intProp(f, prop::SpaceBefore);
    p.spaceAfter = intProp(f, prop::SpaceAfter);
    const int spacing = intProp(f, prop::LineSpacing);
    switch (intProp(f, prop::SpacingRule)) {
    case 1:
        p.lineSpacing = 360;
        p.lineMultiple = true;
        break;
    case 2:
        p.lineSpacing = 480;
        p.lineMultiple = true;
        break;
    case 3:
        p.lineSpacing = spacing;
        break;
    case 4:
        p.lineSpacing = -spacing;
        break;
    case 5:
        p.lineSpacing = spacing * 12;
        p.lineMultiple = spacing != 0;
        break;
    default:
        break;
    }
    if (f.hasProperty(prop::TabStops)) {
        p.tabs = f.property(prop::TabStops).value<QList<int>>();
        std::sort(p.tabs.begin(), p.tabs.end());
        p.tabs.erase(std::unique(p.tabs.begin(), p.tabs.end()), p.tabs.end());
    }
    p.bullet = intProp(f, prop::Numbering) == richedit::PFN_BULLET;
    p.style = intProp(f, prop::StyleNumber);
    p.keepNext = f.boolProperty(prop::KeepNext);
    p.rightToLeft = f.hasProperty(QTextFormat::LayoutDirection)
                    && f.layoutDirection() == Qt::RightToLeft;
    p.pageBreakBefore = f.boolProperty(prop::PageBreakBefore)
                        || (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    return p;
}

int RtfWriter::fontNumber(const QString &name, int charset, int pitchFamily)
{
    const QString key = QString::number(charset) + QLatin1Char(':') + name;
    const auto it = m_fontNumbers.constFind(key);
    if (it != m_fontNumbers.constEnd())
        return *it;
    m_fonts.push_back({name, charset, pitchFamily});
    m_fontNumbers.insert(key, int(m_fonts.size() - 1));
    return int(m_fonts.size() - 1);
}

int RtfWriter::colorNumber(const QColor &color)
{
    const QRgb rgb = color.rgb();
    const auto it = m_colorNumbers.constFind(rgb);
    if (it != m_colorNumbers.constEnd())
        return *it;
    m_colors.push_back(QColor::fromRgb(rgb));
    m_colorNumbers.insert(rgb, int(m_colors.size()));
    return int(m_colors.size());
}

void RtfWriter::writeHeader()
{
    raw("{");
    word(Cw::Rtf, 1);
    word(Cw::Ansi);
    word(Cw::AnsiCodePage, 1252);
    word(Cw::DefaultFont, 0);
    word(Cw::DefaultLanguage, 1033);
    raw("{");
    word(Cw::FontTable);
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        const FontKey &font = m_fonts[i];
        raw("{");
        word(Cw::Font, int(i));
        word(kFamilyWords[std::clamp(font.pitchFamily >> 4, 0, 5)]);
        if (font.pitchFamily & 3)
            word(Cw::FontPitch, font.pitchFamily & 3);
        word(Cw::FontCharset, font.charset);
        writeFontName(font);
        raw(";}");
    }
    raw("}\r\n");
    if (!m_colors.empty()) {
        raw("{");
        word(Cw::ColorTable);
        raw(" ;");
        for (const QColor &c : m_colors) {
            word(Cw::Red, c.red());
            word(Cw::Green, c.green());
            word(Cw::Blue, c.blue());
            raw(";");
        }
        raw("}\r\n");
    }
    if (m_maxAuthor >= 0) {
        raw("{\\*");
        word(Cw::RevisionTable);
        for (int i = 0; i <= m_maxAuthor; ++i)
            raw(i == 0 ? " {Unknown;}" : "{Unknown;}");
        raw("}\r\n");
    }
    word(Cw::ViewKind, 4);
    word(Cw::UnicodeSkip, 1);
}

void RtfWriter::writeBody(int from, int to)
{
    QTextBlock block = m_document.findBlock(from);
    int blockEnd = block.isValid() ? block.position() : to;
    std::size_t nextTable = 0; // the first of m_tables that may still come
    while (nextTable < m_tables.size() && m_tables[nextTable]->firstPosition() < blockEnd)
        ++nextTable;
    for (; block.isValid(); block = block.next()) {
        const int blockStart = blockEnd; // positions are counted along, not looked up
        if (blockStart >= to)
            break;
        blockEnd = blockStart + block.length(); // after the paragraph mark
        QTextTable *table = nextTable < m_tables.size() ? m_tables[nextTable] : nullptr;
        if (table && table->firstPosition() == blockStart) {
            ++nextTable;
            if (table->lastPosition() < to) { // a whole table is written as one
                writeTable(*table);
                block = m_document.findBlock(table->lastPosition());
                blockEnd = table->lastPosition() + 1;
                if (!flush(false) || !paragraphDone())
                    return;
                continue;
            }
        }
        if (blockStart == 0 && isLeadInOfTable(block, to))
            continue;
        // Between two tables that are one in the file: their rows follow each other.
        if (block.length() == 1 && richedit::isTableJoint(block))
            continue;
        writeBlock(block, blockStart, blockEnd, from, to, false);
        const int mark = blockEnd - 1;
        if (mark >= from && mark < to) {
            word(Cw::Par);
            raw("\r\n");
        }
        if (!flush(false) || !paragraphDone())
            return;
    }
}

bool RtfWriter::paragraphDone()
{
    if (!m_options.paragraphDone || m_options.paragraphDone())
        return true;
    m_failed = true;
    return false;
}

// A paragraph's properties (when they change) and its runs and pictures within [from, to).
void RtfWriter::writeBlock(const QTextBlock &block, int blockStart, int blockEnd, int from,
                           int to, bool inTable)
{
    const bool whole = blockStart >= from && blockEnd <= to;
    ParaState para = paraState(block.blockFormat());
    para.inTable = inTable;
    if (!m_paraWritten || !(para == m_para)) {
        writeParagraphProperties(para);
        m_para = para;
        m_paraWritten = true;
    }
    if (para.bullet && blockStart >= from)
        writeBullet();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const int count = fragment.length();
        int skip = 0;
        int length = count;
        if (!whole) { // fragment positions are looked up only for a partial paragraph
            const int position = fragment.position();
            skip = std::max(from - position, 0);
            length = std::min(position + count, to) - position - skip;
            if (length <= 0)
                continue;
        }
        if (format.isImageFormat()) {
            for (int i = 0; i < length; ++i)
                writePicture(format.toImageFormat());
            continue;
        }
        writeRunChanges(runState(format, fragment.charFormatIndex()));
        const QString text = fragment.text();
        writeText(length == count ? text : text.mid(skip, length), m_run);
    }
    if (block.length() == 1)
        writeRunChanges(markState(block));
}

// A table row by row: the row's definition, then each cell's paragraphs, the last one ended
// by \cell; a cell covered by a merge is an empty \cell.
void RtfWriter::writeTable(const QTextTable &table)
{
    std::vector<WrittenRow> rows = m_tableRows.take(&table);
    if (rows.size() != std::size_t(table.rows())) { // (not collected: reads them now)
        rows.resize(std::size_t(table.rows()));
        for (int r = 0; r < table.rows(); ++r)
            rows[std::size_t(r)].row = tableRowOf(table, r, &rows[std::size_t(r)].columns);
    }
    for (int r = 0; r < table.rows(); ++r) {
        writeRowDefinition(rows[std::size_t(r)].row);
        for (int c : rows[std::size_t(r)].columns) {
            if (c < 0) {
                word(Cw::Cell);
                continue;
            }
            const QTextTableCell cell = table.cellAt(r, c);
            const int end = cell.lastPosition();
            for (QTextBlock b = m_document.findBlock(cell.firstPosition()); b.isValid();
                 b = b.next()) {
                writeBlock(b, b.position(), b.position() + b.length(), 0, INT_MAX, true);
                const bool last = b.position() + b.length() > end;
                word(last ? Cw::Cell : Cw::Par);
                if (last)
                    break;
            }
        }
        word(Cw::Row);
        raw("\r\n");
    }
}

void RtfWriter::writeRowDefinition(const TableRow &row)
{
    word(Cw::TableRowDefaults);
    word(Cw::RowGap, row.gap);
    word(Cw::RowLeft, row.left);
    if (row.align == 1)
        word(Cw::RowAlignCenter);
    else if (row.align == 2)
        word(Cw::RowAlignRight);
    if (row.height != 0)
        word(Cw::RowHeight, row.height);
    if (row.header)
        word(Cw::RowHeader);
    if (row.keep)
        word(Cw::RowKeep);
    writePadding(Cw::RowPadTop, Cw::RowPadUnitTop, row.padding, row.paddingUnit);
    static const Cw rowSides[] = {Cw::RowBorderTop, Cw::RowBorderLeft, Cw::RowBorderBottom,
                                  Cw::RowBorderRight, Cw::RowBorderHorizontal,
                                  Cw::RowBorderVertical};
    static const Cw sides[] = {Cw::CellBorderTop, Cw::CellBorderLeft, Cw::CellBorderBottom,
                               Cw::CellBorderRight};
    for (std::size_t side = 0; side < row.borders.size(); ++side)
        writeBorder(rowSides[side], row.borders[side]);
    for (const TableCell &cell : row.cells) {
        if (cell.verticalMerge == TableCell::First)
            word(Cw::CellVMergeFirst);
        else if (cell.verticalMerge == TableCell::Merged)
            word(Cw::CellVMerged);
        if (cell.horizontalMerge == TableCell::First)
            word(Cw::CellMergeFirst);
        else if (cell.horizontalMerge == TableCell::Merged)
            word(Cw::CellMerged);
        if (cell.verticalAlign == 1)
            word(Cw::CellAlignCenter);
        else if (cell.verticalAlign == 2)
            word(Cw::CellAlignBottom);
        for (std::size_t side = 0; side < 4; ++side)
            writeBorder(sides[side], cell.borders[side]);
        if (cell.shading.isValid())
            word(Cw::CellShading, colorNumber(cell.shading));
        writePadding(Cw::CellPadTop, Cw::CellPadUnitTop, cell.padding, cell.paddingUnit);
        if (cell.widthType != 0 || cell.width != 0) {
            word(Cw::CellWidthType, cell.widthType);
            word(Cw::CellWidth, cell.width);
        }
        word(Cw::CellRight, cell.right);
    }
}

// The padding of a row or cell: per side (top, left, bottom, right, the words following each
// other in that order from first), its amount and unit when either is set.
void RtfWriter::writePadding(Cw first, Cw firstUnit, const std::array<int, 4> &padding,
                             const std::array<int, 4> &units)
{
    for (std::size_t side = 0; side < 4; ++side) {
        if (padding[side] == 0 && units[side] == 0)
            continue;
        word(Cw(int(first) + int(side)), padding[side]);
        if (units[side] != 0)
            word(Cw(int(firstUnit) + int(side)), units[side]);
    }
}

// A border of a cell or a row after the word that names its side; none is not written.
void RtfWriter::writeBorder(Cw side, const TableBorder &b)
{
    static const Cw styles[] = {Cw::BorderNone, Cw::BorderSingle, Cw::BorderDouble,
                                Cw::BorderDotted, Cw::BorderDashed, Cw::BorderThick};
    if (b.style == TableBorder::None)
        return;
    word(side);
    word(styles[std::clamp(b.style, 0, 5)]);
    if (b.width)
        word(Cw::BorderWidth, b.width);
    if (b.color.isValid())
        word(Cw::BorderColor, colorNumber(b.color));
}

// The colours the tables of [from, to) use, so that the colour table holds them.
void RtfWriter::collectTables(int from, int to)
{
    for (QTextFrame *frame : m_document.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table || table->lastPosition() < from || table->firstPosition() > to)
            continue;
        m_tables.push_back(table);
        if (table->firstPosition() < from || table->lastPosition() >= to)
            continue;
        std::vector<WrittenRow> &rows = m_tableRows[table];
        rows.resize(std::size_t(table->rows()));
        for (int r = 0; r < table->rows(); ++r) {
            rows[std::size_t(r)].row = tableRowOf(*table, r, &rows[std::size_t(r)].columns);
            const TableRow &row = rows[std::size_t(r)].row;
            for (const TableBorder &b : row.borders)
                if (b.style != TableBorder::None && b.color.isValid())
                    colorNumber(b.color);
            for (const TableCell &cell : row.cells) {
                for (const TableBorder &b : cell.borders)
                    if (b.style != TableBorder::None && b.color.isValid())
                        colorNumber(b.color);
                if (cell.shading.isValid())
                    colorNumber(cell.shading);
            }
        }
    }
}

void RtfWriter::writeParagraphProperties(const ParaState &p)
{
    word(Cw::ParagraphDefault);
    if (p.inTable)
        word(Cw::InTable);
    if (p.style)
        word(Cw::Style, p.style);
    if (p.keepNext)
        word(Cw::KeepNext);
    if (p.pageBreakBefore)
        word(Cw::PageBreakBefore);
    if (p.rightToLeft)
        word(Cw::RightToLeft);
    if (p.align == richedit::PFA_CENTER)
        word(Cw::AlignCenter);
    else if (p.align == richedit::PFA_RIGHT)
        word(Cw::AlignRight);
    else if (p.align == richedit::PFA_JUSTIFY)
        word(Cw::AlignJustify);
    if (p.firstIndent)
        word(Cw::FirstIndent, p.firstIndent);
    if (p.leftIndent)
        word(Cw::LeftIndent, p.leftIndent);
    if (p.rightIndent)
        word(Cw::RightIndent, p.rightIndent);
    if (p.spaceBefore)
        word(Cw::SpaceBefore, p.spaceBefore);
    if (p.spaceAfter)
        word(Cw::SpaceAfter, p.spaceAfter);
    if (p.lineSpacing != 0) {
        word(Cw::LineSpacing, p.lineSpacing);
        word(Cw::LineMultiple, p.lineMultiple ? 1 : 0);
    }
    for (int tab : p.tabs)
        word(Cw::TabStop, tab);
    if (p.bullet) {
        // Old-style bullet definition, which every RTF reader understands.
        raw("{\\*");
        word(Cw::ParagraphNumbering);
        word(Cw::PnBullet);
        word(Cw::PnFont, m_symbolFont);
        word(Cw::PnIndent, 0);
        raw("{");
        word(Cw::PnTextBefore);
        hexByte(0xB7);
        raw("}}");
    }
}

// The label other programs show in front of a bulleted paragraph.
void RtfWriter::writeBullet()
{
    raw("{");
    word(Cw::PnText);
    word(Cw::Font, m_symbolFont);
    hexByte(0xB7);
    word(Cw::Tab);
    raw("}");
}

void RtfWriter::writeRunChanges(const RunState &n)
{
    const RunState &o = m_run;
    if (n.font != o.font)
        word(Cw::Font, n.font);
    if (n.halfPoints != o.halfPoints)
        word(Cw::FontSize, n.halfPoints);
    if (n.bold != o.bold)
        toggle(Cw::Bold, n.bold);
    if (n.italic != o.italic)
        toggle(Cw::Italic, n.italic);
    if (n.underline != o.underline) {
        if (n.underline == QTextCharFormat::NoUnderline)
            word(Cw::UnderlineNone);
        else
            word(underlineWord(n.underline));
    }
    if (n.strike != o.strike)
        toggle(Cw::Strike, n.strike);
    for (const CapitalsWord &c : kCapitalsWords) {
        if ((n.capitals == c.shown) != (o.capitals == c.shown))
            toggle(c.word, n.capitals == c.shown);
    }
    if (n.foreColor != o.foreColor)
        word(Cw::ForeColor, n.foreColor);
    if (n.backColor != o.backColor)
        word(Cw::Highlight, n.backColor);
    if (n.vertical != o.vertical)
        word(n.vertical == 1 ? Cw::Super : n.vertical == 2 ? Cw::Sub : Cw::NoSuperSub);
    if (n.kerning != o.kerning)
        word(Cw::Kerning, n.kerning);
    if (n.language != o.language)
        word(Cw::Language, n.language);
    if (n.languageFE != o.languageFE)
        word(Cw::LanguageFE, n.languageFE);
    if (n.revised != o.revised)
        toggle(Cw::Revised, n.revised);
    if (n.revAuthor != o.revAuthor)
        word(Cw::RevAuthor, n.revAuthor);
    if (n.protect != o.protect)
        toggle(Cw::Protect, n.protect);
    if (n.hidden != o.hidden)
        toggle(Cw::Hidden, n.hidden);
    m_run = n;
}

void RtfWriter::writeText(const QString &text, const RunState &run)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *end = p + text.size();
    while (p < end) {
        if (!run.symbol) { // a run of characters written as they are
            const char16_t *q = p;
            while (q < end && *q >= 0x20 && *q < 0x80 && *q != u'\\' && *q != u'{' && *q != u'}')
                ++q;
            if (q > p) {
                if (m_delimit) {
                    m_out.append(' ');
                    m_delimit = false;
                }
                const qsizetype at = m_out.size();
                m_out.resize(at + (q - p));
                char *d = m_out.data() + at;
                while (p < q)
                    *d++ = char(*p++);
                continue;
            }
        }
        const char16_t ch = *p++;
        int byte = -1;
        if (run.symbol) {
            byte = text::unicodeToSymbol(ch);
        } else if (ch >= 0x20 && ch < 0x80) {
            byte = ch;
        } else if (ch >= 0x80 && run.ansi) {
            byte = text::unicodeToCp1252(ch); // other code pages get \u for all but ASCII
        }
        if (byte >= 0x20 && byte < 0x80 && byte != '\\' && byte != '{' && byte != '}') {
            if (m_delimit) {
                m_out.append(' ');
                m_delimit = false;
            }
            m_out.append(char(byte));
            continue;
        }
        if (byte == '\\' || byte == '{' || byte == '}') {
            const char escaped[3] = {'\\', char(byte), 0};
            raw(escaped);
            continue;
        }
        switch (ch) {
        case u'\t':
            word(Cw::Tab);
            continue;
        case QChar::LineSeparator:
            word(Cw::Line);
            continue;
        case u'\n':
        case u'\r':
        case QChar::ParagraphSeparator:
        case QChar::ObjectReplacementCharacter:
            continue; // not text: paragraph marks and pictures are written apart
        default:
            break;
        }
        if (byte >= 0x80 || ch < 0x20) {
            hexByte(byte >= 0x80 ? byte : ch); // control characters as their byte
        } else {
            word(Cw::Unicode, int(std::int16_t(ch)));
            raw("?");
        }
    }
}

// A font name in the font's own code page, as readers decode it; characters the code page
// lacks as \u.
void RtfWriter::writeFontName(const FontKey &font)
{
    int codePage = font.charset > richedit::SYMBOL_CHARSET ? text::codePageForCharset(font.charset)
                                                            : 1252;
    if (codePage <= 0)
        codePage = 1252;
    for (const QChar c : font.name) {
        const char16_t ch = c.unicode();
        if (ch >= 0x20 && ch < 0x80 && ch != '\\' && ch != '{' && ch != '}' && ch != ';') {
            if (m_delimit)
                m_out.append(' ');
            m_out.append(char(ch));
            m_delimit = false;
            continue;
        }
        bool lossless = false;
        const QByteArray bytes = text::encode(QString(c), codePage, &lossless);
        if (lossless && !bytes.isEmpty() && ch >= 0x80) {
            for (char b : bytes)
                hexByte(static_cast<unsigned char>(b));
        } else if (ch >= 0x20) {
            word(Cw::Unicode, int(std::int16_t(ch)));
            raw("?");
        }
    }
}

void RtfWriter::word(Cw id)
{
    m_out.append('\\');
    const std::string_view w = spelling(id);
    m_out.append(w.data(), qsizetype(w.size()));
    m_delimit = true;
}

void RtfWriter::word(Cw id, int value)
{
    word(id);
    m_out.append(QByteArray::number(value));
}

void RtfWriter::toggle(Cw id, bool on)
{
    word(id);
    if (!on)
        m_out.append('0');
}

void RtfWriter::raw(const char *text)
{
    m_out.append(text);
    m_delimit = false;
}

void RtfWriter::hexByte(int byte)
{
    static const char digits[] = "0123456789abcdef";
    const char escape[4] = {'\\', '\'', digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
    m_out.append(escape, 4);
    m_delimit = false;
}

bool RtfWriter::flush(bool force)
{
    if (m_failed)
        return false;
    if (m_out.isEmpty() || (!force && m_out.size() < kFlushSize))
        return true;
    if (!(*m_sink)(m_out.constData(), m_out.size()))
        m_failed = true;
    m_out.clear();
    return !m_failed;
}

bool writeRtf(const QTextDocument &document, int from, int to, const ByteSink &sink,
              const WriteOptions &options)
{
    RtfWriter writer(document, options);
    return writer.write(from, to, sink);
}

} // namespace rtf
