#include "FormatRange.h"

#include "Formats.h"
#include "HeaderRows.h"
#include "MeasuredPart.h"
#include "PageUnits.h"
#include "ParagraphWalk.h"
#include "Pictures.h"
#include "ResolutionDevice.h"
#include "RichEdit.h"
#include "RowHeights.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>

namespace richedit {

namespace {

// A run of consecutive rows of one table on a page, in the laid-out document's coordinates.
struct TableRun {
    QTextTable *table = nullptr;
    qreal top = 0;
    qreal bottom = 0;
    qreal below = 0; // room under the last row before the next row's content: its border
    qreal border = 0; // the line at the top of below, when the run's last row ends the page
};

// The part of a row taller than a page that a page holds: the lines of its cells whose tops
// lie in [from, to).
struct RowPiece {
    QTextTable *table = nullptr;
    int firstRow = 0;
    int endRow = 0;
    qreal from = 0;
    qreal to = 0;
};

// While it lives, the paragraphs of the pieces' cells are hidden from the document's layout,
// which then draws the pieces' borders and shading but not their text: the pages draw those
// lines themselves, each on one page only.
class HiddenPieces {
public:
    HiddenPieces(QTextDocument &doc, const QList<RowPiece> &pieces)
    {
        for (const RowPiece &piece : pieces)
            for (const CellLine &line : cellLines(doc, piece.table, piece.firstRow, piece.endRow))
                if (line.block.isVisible()) {
                    m_blocks.append(line.block);
                    m_blocks.last().setVisible(false);
                }
    }
    ~HiddenPieces()
    {
        for (QTextBlock &b : m_blocks)
            b.setVisible(true);
    }
    HiddenPieces(const HiddenPieces &) = delete;
    HiddenPieces &operator=(const HiddenPieces &) = delete;

private:
    QList<QTextBlock> m_blocks;
};

// The band in which the document's layout draws a run of table rows on a PDF page: within the
// page, clear of the paragraphs before and after the table (a table's last row can reach into
// the next one), and a pixel inside either edge, since the layout draws every paragraph that
// touches its clip.
QRectF ownRunClip(QTextDocument &doc, const TableRun &run, qreal pageTop, qreal pageBottom,
                  qreal width)
{
    qreal top = qMax(run.top, pageTop);
    // A run that ends between two rows keeps the bottom border of its last row, which lies
    // under the row's measured end, above the next row's content.
    qreal bottom = qMin(run.bottom, pageBottom) + (run.bottom <= pageBottom ? run.below : 0);
    if (run.table) {
        QAbstractTextDocumentLayout *layout = doc.documentLayout();
        const QTextBlock before = doc.findBlock(run.table->firstPosition() - 1);
        const QTextBlock after = doc.findBlock(run.table->lastPosition() + 1);
        if (before.isValid() && outermostTableAt(doc, before.position()) != run.table)
            top = qMax(top, layout->blockBoundingRect(before).bottom());
        if (after.isValid() && outermostTableAt(doc, after.position()) != run.table)
            bottom = qMin(bottom, layout->blockBoundingRect(after).top());
    }
    if (bottom - top <= 2)
        return {};
    return QRectF(0, top + 1, width, bottom - top - 2);
}

int numberingIndex(const QTextBlock &block)
{
    const int kind = block.blockFormat().intProperty(prop::Numbering);
    int index = block.blockFormat().hasProperty(prop::NumberingStart)
        ? block.blockFormat().intProperty(prop::NumberingStart) : 1;
    for (QTextBlock b = block.previous();
         b.isValid() && b.blockFormat().intProperty(prop::Numbering) == kind; b = b.previous())
        ++index;
    return index;
}

// Qt lays out a block's left and right margins and first-line indent in device pixels as
// they are, while it scales fonts, vertical margins, line heights and tab stops to the
// device. The engine's margins are 96-dpi pixels, so on a printer they came out about three
// times too small; here they are scaled like everything else.
void scaleHorizontalMargins(QTextDocument &doc, qreal scale)
{
    if (qFuzzyCompare(scale, 1.0))
        return;
    doc.setUndoRedoEnabled(false);
    // By the block format's index, since documents share a few; an invalid format where the
    // format has no horizontal margins.
    QHash<int, QTextFormat> scaled;
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        auto it = scaled.find(b.blockFormatIndex());
        if (it == scaled.end()) {
            const QTextBlockFormat f = b.blockFormat();
            QTextFormat g;
            if (f.leftMargin() != 0 || f.rightMargin() != 0 || f.textIndent() != 0) {
                QTextBlockFormat h = f;
                h.setLeftMargin(f.leftMargin() * scale);
                h.setRightMargin(f.rightMargin() * scale);
                h.setTextIndent(f.textIndent() * scale);
                g = h;
            }
            it = scaled.insert(b.blockFormatIndex(), g);
        }
        if (!it->isValid())
            continue;
        cursor.setPosition(b.position());
        cursor.setBlockFormat(it->toBlockFormat());
    }
    cursor.endEditBlock();
}

} // namespace

FormatRangeCache::FormatRangeCache() = default;
FormatRangeCache::~FormatRangeCache() = default;

void FormatRangeCache::reset()
{
    m_doc.reset();
    m_device.reset();
    m_width = -1;
    m_base = 0;
    m_end = 0;
    m_reachesEnd = true;
    m_reliableEnd = INT_MAX;
    m_continues = false;
    m_lineStarts.clear();
    m_measured = Measured();
}

namespace {
// Paragraphs in one part at most: with the character bound, this keeps a part's height well
// inside the layout's range even at 1200 dpi.
constexpr int kPartBlocks = 20000;
// Paragraphs at least this long keep their shaping between the pages drawn from them.
constexpr int kCachedShaping = 4096;

// The block itself when it lies in no table; otherwise the nearest paragraph before
// (direction -1) or after (+1) the outermost table it lies in. Parts hold tables whole: a
// table cut at a part's border would be laid out as a different table.
QTextBlock outsideTables(QTextDocument &doc, QTextBlock block, int direction)
{
    while (block.isValid()) {
        QTextTable *table = outermostTableAt(doc, block.position());
        if (!table || block.position() < table->firstPosition()
            || block.position() > table->lastPosition())
            return block;
        block = doc.findBlock(direction < 0 ? table->firstPosition() - 1
                                            : table->lastPosition() + 1);
    }
    return block;
}

// The format of a slice that starts inside a paragraph: the first-line indent and the page
// break before the paragraph belong to its first slice only.
QTextBlockFormat continuationFormat(QTextBlockFormat f)
{
    f.setTextIndent(0);
    f.setPageBreakPolicy(f.pageBreakPolicy() & ~QTextFormat::PageBreak_AlwaysBefore);
    return f;
}

// Whether source's paragraphs can be copied one by one, run by run, into a part: when it holds
// no tables, lists, pictures or other objects. A document fragment copies those, but builds a
// whole document of its own first and then copies that again, which for long runs of plain
// paragraphs took as long as laying them out.
bool copiesRunByRun(const QTextDocument &source)
{
    return holdsPlainParagraphsOnly(source);
}

// Appends the paragraphs first..last, whole, at the end of part with their paragraph and
// character formats; the first paragraph's text goes into part's last paragraph. The
// paragraphs are read by a walk of the source's trees and inserted with each format looked up
// once: copying them block by block through QTextBlock and a text cursor searched both
// documents' trees and format tables again for every paragraph.
void copyRuns(const QTextDocument &source, QTextDocument &part, const QTextBlock &first,
              const QTextBlock &last)
{
    appendParagraphs(source, part, first.position(), last.position());
}

// A document with source's settings holding source's text [from, to): from lies in paragraph
// first (at its start or at one of its lines), to is the end of paragraph last's text or a cut
// inside it.
std::unique_ptr<QTextDocument> copyRange(const QTextDocument &source, int from, int to,
                                         const QTextBlock &first, const QTextBlock &last)
{
    auto part = std::make_unique<QTextDocument>();
    part->setDefaultFont(source.defaultFont());
    part->setDefaultTextOption(source.defaultTextOption());
    part->setIndentWidth(source.indentWidth());
    part->setUseDesignMetrics(source.useDesignMetrics());
    const QTextBlockFormat firstFormat = from > first.position()
        ? continuationFormat(first.blockFormat()) : first.blockFormat();
    QTextCursor into(part.get());
    into.setBlockFormat(firstFormat);
    into.setBlockCharFormat(first.charFormat());
    // Whole paragraphs only: a slice of a long paragraph keeps the fragment copy, which finds
    // the slice's runs without walking the paragraph's runs from its start.
    const bool wholeParagraphs =
        from == first.position() && to == last.position() + last.length() - 1;
    if (wholeParagraphs && copiesRunByRun(source)) {
        part->setUndoRedoEnabled(false);
        into.beginEditBlock();
        copyRuns(source, *part, first, last);
        into.endEditBlock();
    } else {
        // Placed inside an edit block, the cursor lays nothing of the source out: outside one,
        // placing it would lay the source out up to it with the source's own layout.
        QTextCursor cursor(const_cast<QTextDocument *>(&source));
        cursor.beginEditBlock();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        const QTextDocumentFragment fragment(cursor);
        cursor.endEditBlock();
        into.insertFragment(fragment);
    }
    // A fragment brings the formats of the paragraphs it holds whole, not of the first and
    // last ones, which it cuts at the paragraph marks.
    QTextCursor(part->lastBlock()).setBlockFormat(first == last ? firstFormat
                                                                : last.blockFormat());
    QTextCursor(part->firstBlock()).setBlockFormat(firstFormat);
    return part;
}
} // namespace

FormatRangeCache::PartRange FormatRangeCache::partRange(const QTextDocument &source, int cpMin,
                                                        bool grow, int minimum,
                                                        int previousEnd) const
{
    // The part starts at the paragraph holding cpMin, a long one at its nearest known line
    // before cpMin; a part that was too short for a page is followed by one twice as long.
    QTextDocument &src = const_cast<QTextDocument &>(source);
    QTextBlock first = outsideTables(src, source.findBlock(cpMin), -1);
    if (!first.isValid())
        first = source.begin();
    int from = first.position();
    if (first.length() > m_partCharacters) {
        auto known = m_lineStarts.upper_bound(cpMin);
        if (known != m_lineStarts.begin() && *std::prev(known) > from
            && *std::prev(known) < first.position() + first.length())
            from = *std::prev(known);
    }
    const int limit = qMax(minimum, grow ? qMax(m_partCharacters, 2 * (previousEnd - from))
                                         : m_partCharacters);
    // Twice the paragraphs from the new start to the old end, not twice the old part: a part
    // grown for every page at its end would otherwise double each time and soon hold more
    // paragraphs than the layout handles quickly.
    const int blockLimit = grow
        ? qMax(kPartBlocks,
               2 * (source.findBlock(previousEnd).blockNumber() - first.blockNumber() + 1))
        : kPartBlocks;
    // A longer part holds at least one paragraph more than the one before.
    const int atLeast = grow ? previousEnd : first.position() + first.length();
    // The end of the part so far is counted along: asking each paragraph for its position
    // would search the source's tree from the top for every one.
    QTextBlock last = first;
    int lastEnd = first.position() + first.length();
    int blocks = 1;
    for (QTextBlock next = last.next();
         next.isValid()
         && (lastEnd <= atLeast
             || (blocks < blockLimit && lastEnd + next.length() - from <= limit));
         next = next.next()) {
        last = next;
        lastEnd += next.length();
        ++blocks;
    }
    last = outsideTables(src, last, +1);
    // A paragraph longer than a part that would end it past the limit is cut there.
    const int to = last.position() + last.length() - 1;
    int cut = 0;
    if (to - from > limit && last.length() > m_partCharacters
        && !outermostTableAt(src, last.position())) {
        cut = qMax(from + limit, qMax(from, last.position()) + 1);
        if (source.characterAt(cut - 1).isHighSurrogate())
            ++cut; // never between the halves of a character
        if (cut >= to)
            cut = 0;
    }
    return {first, last, from, cut};
}

void FormatRangeCache::copyPart(const QTextDocument &source, int cpMin, bool grow, int minimum,
                                int dpiX)
{
    const PartRange range = partRange(source, cpMin, grow, minimum, m_end);
    const QTextBlock &first = range.first;
    const QTextBlock &last = range.last;
    const int from = range.from;
    const int cut = range.cut;
    const int to = last.position() + last.length() - 1;
    m_base = from;
    m_continues = from > first.position();
    m_reachesEnd = !cut && !last.next().isValid();
    m_end = cut ? cut : last.position() + last.length();
    m_reliableEnd = cut ? cut : INT_MAX; // a cut slice's last line is found in layOut
    if (m_base == 0 && m_reachesEnd) {
        m_doc.reset(source.clone()); // the whole document: an exact copy
        // but for the format of the first paragraph's mark, which the clone leaves out: an
        // empty first paragraph took the default font's height instead of its own.
        QTextCursor(m_doc->firstBlock()).setBlockCharFormat(source.firstBlock().charFormat());
    } else
        m_doc = copyRange(source, from, cut ? cut : to, first, last);
    // No page size: nothing is laid out until layOut gives the part its width (the layout
    // would otherwise lay the part out for every setting on the way, four times in all).
    m_doc->setPageSize(QSizeF(0, 0));
    registerPictureHandler(m_doc.get());
    scaleHorizontalMargins(*m_doc, dpiX / 96.0);
    m_width = -1;
}

void FormatRangeCache::layOut(int dpiX, int dpiY, int widthTwips)
{
    m_device = std::make_unique<ResolutionDevice>(dpiX, dpiY);
    m_doc->setPageSize(QSizeF(0, 0)); // laid out once, by setTextWidth below
    m_doc->setDocumentMargin(0);
    m_doc->documentLayout()->setPaintDevice(m_device.get());
    m_doc->setTextWidth(widthTwips * double(dpiX) / 1440.0);
    m_doc->documentLayout()->blockBoundingRect(m_doc->lastBlock()); // lay out everything now
    if (applyRowHeights(*m_doc))
        m_doc->documentLayout()->blockBoundingRect(m_doc->lastBlock()); // and with row heights
    // The text layout drops a paragraph's shaping after each drawing, and each page of a long
    // paragraph would then shape the whole paragraph again: long ones keep theirs.
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        if (b.length() > kCachedShaping && b.layout())
            b.layout()->setCacheEnabled(true);
    }
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_width = widthTwips;
    if (m_reliableEnd == INT_MAX)
        return;
    // A cut paragraph's last line would run on in the whole paragraph: its lines are used up
    // to that one.
    const QTextBlock b = m_doc->lastBlock();
    const QTextLayout *l = b.layout();
    m_reliableEnd = m_base + b.position()
        + (l && l->lineCount() > 0 ? l->lineAt(l->lineCount() - 1).textStart() : 0);
}

void FormatRangeCache::rememberLineStart(const QTextDocument &source, int cpMin)
{
    if (source.findBlock(cpMin).length() <= m_partCharacters)
        return;
    const QTextBlock b = m_doc->findBlock(cpMin - m_base);
    const QTextLayout *l = b.layout();
    const QTextLine line = l ? l->lineForTextPosition(cpMin - m_base - b.position()) : QTextLine();
    if (line.isValid())
        m_lineStarts.insert(m_base + b.position() + line.textStart());
}

QTextDocument *FormatRangeCache::layoutFor(const QTextDocument &source, int dpiX, int dpiY,
                                           int widthTwips, int cpMin, bool grow)
{
    const bool sameDevice = m_dpiX == dpiX && m_dpiY == dpiY && m_width == widthTwips;
    if (!sameDevice)
        m_lineStarts.clear(); // lines fall elsewhere on another device or width
    const bool holds = m_doc && cpMin >= m_base && (cpMin < m_end || m_reachesEnd)
        && (sameDevice ? cpMin < m_reliableEnd : m_reliableEnd == INT_MAX && !m_continues);
    if (holds && sameDevice && !grow)
        return m_doc.get();
    if (holds && !grow && m_dpiX == dpiX) {
        layOut(dpiX, dpiY, widthTwips); // the same part for another width
        return m_doc.get();
    }
    // A new part, or the same part for another resolution (its margins are scaled to it).
    if (grow && holds)
        rememberLineStart(source, cpMin);
    int minimum = 0;
    for (;;) {
        copyPart(source, cpMin, grow, minimum, dpiX);
        layOut(dpiX, dpiY, widthTwips);
        if (cpMin < m_reliableEnd)
            return m_doc.get();
        // cpMin lies past the last whole line of a slice: go on from that line, or take a
        // longer slice when it has no whole line at all.
        if (m_reliableEnd > m_base) {
            m_lineStarts.insert(m_reliableEnd);
            minimum = 0;
        } else {
            minimum = 2 * (m_end - m_base);
        }
        grow = false;
    }
}

const MeasuredPart *FormatRangeCache::measuredFor(const QTextDocument &source, int dpiX,
                                                   int dpiY, int widthTwips, int cpMin,
                                                   bool grow)
{
    Measured &m = m_measured;
    if (!m.checked) {
        m.checked = true;
        m.refused = !MeasuredPart::suits(source);
    }
    if (m.refused || (cpMin >= m.refusedFrom && cpMin < m.refusedTo))
        return nullptr;
    const bool sameDevice = m.part && m.dpiX == dpiX && m.dpiY == dpiY && m.width == widthTwips;
    if (sameDevice && !grow && cpMin >= m.base && (cpMin < m.end || m.reachesEnd))
        return m.part.get();
    // The part the copy would hold; one that starts or ends inside a paragraph is left to it,
    // and so is one holding a paragraph the measuring does not reproduce: the pages that start
    // in its paragraphs are found in the copy.
    const PartRange range = partRange(source, cpMin, grow && sameDevice, 0, m.end);
    auto part = std::make_unique<MeasuredPart>();
    if (range.cut || range.from != range.first.position()
        || !part->measure(source, range.first, range.last, dpiX, dpiY, widthTwips)) {
        m.part.reset();
        m.refusedFrom = range.first.position();
        m.refusedTo = range.cut ? range.cut : range.last.position() + range.last.length();
        return nullptr;
    }
    m.part = std::move(part);
    m.dpiX = dpiX;
    m.dpiY = dpiY;
    m.width = widthTwips;
    m.base = range.first.position();
    m.end = range.last.position() + range.last.length();
    m.reachesEnd = !range.last.next().isValid();
    return m.part.get();
}

void drawParagraphMarker(QPainter &p, const QTextBlock &block, QPointF offset,
                         const QTextBlock &numbered)
{
    const QTextBlockFormat f = block.blockFormat();
    const int kind = f.intProperty(prop::Numbering);
    const QTextLayout *l = block.layout();
    if (!kind || !l || l->lineCount() == 0)
        return;
    const QString label =
        numberingLabel(kind, numberingIndex(numbered.isValid() ? numbered : block));
    QTextCharFormat cf = block.charFormat();
    if (block.begin() != block.end())
        cf = block.begin().fragment().charFormat();
    QFont font = block.document()->defaultFont();
    font = cf.font().resolve(font);
    const QTextLine first = l->lineAt(0);
    const qreal scale = block.document()->documentLayout()->paintDevice()
        ? block.document()->documentLayout()->paintDevice()->logicalDpiX() / 96.0 : 1.0;
    const qreal x = offset.x() + l->position().x()
        + twipsToPixels(f.intProperty(prop::StartIndent)) * scale;
    const qreal y = offset.y() + l->position().y() + first.y() + first.ascent();
    p.save();
    if (block.document()->documentLayout()->paintDevice())
        font = QFont(font, block.document()->documentLayout()->paintDevice());
    p.setFont(font);
    if (cf.hasProperty(QTextFormat::ForegroundBrush))
        p.setPen(cf.foreground().color());
    p.drawText(QPointF(x, y), label);
    p.restore();
}

namespace {
// Draws the lines of a cut row's cells that belong to the page, with the numbers of those
// paragraphs whose first line is among them; source is the whole document, base where the
// laid-out part starts in it. Collects the numbers of the blocks it took care of.
void drawPiece(QPainter &p, QTextDocument &doc, const RowPiece &piece,
               const QTextDocument &source, int base, QSet<int> &blocks)
{
    for (const CellLine &line : cellLines(doc, piece.table, piece.firstRow, piece.endRow)) {
        blocks.insert(line.block.blockNumber());
        if (line.top < piece.from || line.top >= piece.to)
            continue;
        const QPointF offset = blockOffset(line.block);
        const QTextLayout *l = line.block.layout();
        // The layout paints a paragraph's background with the paragraph, which it skips here:
        // each page paints the band of the lines it draws, so the pages together show it whole.
        const QBrush background = line.block.blockFormat().background();
        if (background.style() != Qt::NoBrush) {
            QRectF band = l->boundingRect().translated(offset + l->position());
            band.setTop(line.top);
            band.setBottom(line.bottom);
            p.fillRect(band, background);
        }
        l->lineAt(line.line).draw(&p, offset + l->position());
        if (line.line == 0)
            drawParagraphMarker(p, line.block, offset,
                                source.findBlock(base + line.block.position()));
    }
}
} // namespace

void RichEdit::setFormatRangePartSize(int characters)
{
    m_rangeCache->setPartCharacters(characters);
}

int RichEdit::formatRange(const FORMATRANGE *fr, bool render)
{
    if (!fr) {
        m_rangeCache->reset();
        return 0;
    }
    const int length = textLength();
    const int cpMin = qBound(0, fr->chrg.cpMin, length);
    if (cpMin >= length && length > 0)
        return length;
    QPaintDevice *target = fr->hdcTarget ? fr->hdcTarget : (fr->hdc ? fr->hdc->device() : nullptr);
    const int dpiX = target ? target->logicalDpiX() : 96;
    const int dpiY = target ? target->logicalDpiY() : 96;
    const int widthTwips = fr->rc.right - fr->rc.left;
    const qreal pageHeight = (fr->rc.bottom - fr->rc.top) * dpiY / 1440.0;
    if (widthTwips <= 0 || pageHeight <= 0)
        return cpMin;
    if (!render || !fr->hdc) {
        const int end = measuredPageEnd(*m_rangeCache, *document(), length, cpMin, dpiX, dpiY,
                                        widthTwips, pageHeight);
        if (end >= 0)
            return end;
    }
    QTextDocument *doc = nullptr;
    int base = 0; // source position of the laid-out part's start
    QTextBlock firstBlock;
    bool firstAtStart = true;
    bool hasTables = false;
    qreal y0 = -1;
    qreal clipBottom = 0;
    int next = length;
    bool placed = false;
    QTextBlock lastPlaced;
    QList<TableRun> tableRuns;
    QList<RowPiece> pieces;
    HeaderBand header; // heading rows repeated at the top of the page
    qreal room = pageHeight; // below them
    for (bool grow = false;; grow = true) {
        doc = m_rangeCache->layoutFor(*document(), dpiX, dpiY, widthTwips, cpMin, grow);
        base = m_rangeCache->base();
        PageUnitWalker walker(*doc, cpMin - base);
        firstBlock = walker.block();
        firstAtStart = walker.atBlockStart()
            && !(m_rangeCache->continues() && firstBlock == doc->firstBlock());
        hasTables = walker.hasTables();
        y0 = -1;
        clipBottom = 0;
        next = length;
        placed = false;
        lastPlaced = firstBlock;
        tableRuns.clear();
        pieces.clear();
        header = HeaderBand();
        room = pageHeight;
        HeadingRowsStart headings;
        // Heading rows alone at the page's bottom go to the next page with their first row.
        auto leaveHeadings = [&](const PageUnit &u) {
            if (!headings.orphaned(u))
                return;
            next = base + headings.start();
            clipBottom = headings.clipBottom();
            lastPlaced = headings.lastPlaced();
            tableRuns.resize(headings.tableRuns());
        };
        bool previousRow = false;
        bool more = false;
        PageUnit unit;
        while ((more = walker.next(unit))) {
            const int start = base + unit.start;
            if (start >= m_rangeCache->reliableEnd()) {
                more = false; // the rest of a cut paragraph lies in the next slice
                break;
            }
            if (placed && unit.last != lastPlaced && unit.start == unit.last.position()
                && unit.last.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) {
                next = start;
                break;
            }
            if (start >= length && placed)
                break;
            if (y0 < 0) {
                y0 = unit.top;
                header = repeatedHeader(*doc, unit, pageHeight);
                room = pageHeight - (header.isValid() ? header.height() : 0);
            }
            RowCut cut;
            if (unit.top + unit.extent - y0 > room) {
                // A row taller than a page is cut between its lines, here; anything else that
                // does not fit goes to the next page, unless the page is empty.
                if (unit.row && unit.extent > room) {
                    const QList<CellLine> lines =
                        cellLines(*doc, unit.table, unit.firstRow, unit.endRow);
                    if (!cutRow(lines, unit.top, y0 + room, unit.rowStart, !placed, cut)) {
                        next = start;
                        leaveHeadings(unit);
                        break;
                    }
                } else if (placed) {
                    next = start;
                    leaveHeadings(unit);
                    break;
                }
            }
            headings.note(unit, placed, unit.start, clipBottom, lastPlaced, tableRuns.size());
            if (unit.continued || cut.start >= 0)
                pieces.append({unit.table, unit.firstRow, unit.endRow,
                               unit.continued ? unit.top : -qInf(),
                               cut.start >= 0 ? cut.y : qInf()});
            placed = true;
            lastPlaced = unit.last;
            if (unit.row && previousRow)
                tableRuns.last().bottom = unit.top + unit.extent;
            else if (unit.row)
                tableRuns.append({outermostTableAt(*doc, unit.start), unit.top,
                                  unit.top + unit.extent});
            if (unit.row) {
                tableRuns.last().below = cut.start >= 0 ? 0 : unit.below;
                tableRuns.last().border = cut.start >= 0 ? 0 : unit.border;
            }
            previousRow = unit.row;
            clipBottom = qMin(unit.top + unit.extent - y0, room);
            if (cut.start >= 0) { // the row goes on on the next page
                next = base + cut.start;
                break;
            }
        }
        // The page ran past the end of a part that is not the document's end: lay out a
        // longer part from this page on and measure again.
        if (more || m_rangeCache->reachesEnd())
            break;
    }
    if (placed && next == length)
        clipBottom = room;
    // A page that ends between two rows of a table ends at the top of the line between them,
    // where the next page starts; the line is drawn on this page as well, under its last row,
    // even where it reaches past the page's rectangle by its width. Clipped at the row's end,
    // only its first pixel showed.
    const qreal lineBelow = !tableRuns.isEmpty() && next < length
            && tableRuns.last().bottom >= y0 + clipBottom - 1.0 / 64
        ? tableRuns.last().border : 0;

    if (render && fr->hdc && placed) {
        QPainter &p = *fr->hdc;
        const QPaintDevice *dev = p.device();
        const qreal hdcDpiX = dev ? dev->logicalDpiX() : dpiX;
        const qreal hdcDpiY = dev ? dev->logicalDpiY() : dpiY;
        p.save();
        p.translate(fr->rc.left * hdcDpiX / 1440.0, fr->rc.top * hdcDpiY / 1440.0);
        p.scale(hdcDpiX / dpiX, hdcDpiY / dpiY);
        const bool ownLinesOnly =
            p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Pdf;
        // A table set wider than the rectangle (its columns made for narrower margins) runs
        // on into the right margin, as far as the page goes: clipped at the rectangle, its
        // right-hand columns were lost from the page.
        qreal clipWidth = widthTwips * dpiX / 1440.0;
        const qreal pageRight = (fr->rcPage.right - fr->rc.left) * dpiX / 1440.0;
        for (const TableRun &run : tableRuns) {
            if (!run.table)
                continue;
            const qreal right = doc->documentLayout()->frameBoundingRect(run.table).right();
            clipWidth = qMax(clipWidth, qMin(pageRight, right));
        }
        if (header.isValid()) {
            drawHeaderBand(p, *doc, header, clipWidth, ownLinesOnly, *document(), base);
            p.translate(0, header.height());
        }
        const QRectF clip(0, 0, clipWidth, clipBottom + lineBelow);
        p.setClipRect(clip, Qt::IntersectClip);
        p.translate(0, -y0);
        p.setPen(Qt::black);
        // On a PDF the clip hides the lines of the first and last paragraph that belong to
        // the pages before and after, but their text would still be in the file, found by
        // search and copied out twice: there only the lines whose tops lie on this page are
        // drawn. Pictures of pages keep drawing whole paragraphs, so that they stay as they
        // were.
        constexpr qreal hair = 1.0 / 32; // below the layout's 1/64 pixel steps
        const qreal ownTop = y0 - hair;
        const qreal ownBottom = y0 + clipBottom - hair;
        // With tables, a table's last row can reach into the paragraph after it, so there a
        // line belongs to the page on which its text starts.
        const int ownFrom = cpMin - base;
        const int ownTo = next - base;
        // Rows cut by a page: the layout draws their borders and shading, the lines of their
        // cells that start within the page are drawn one by one further down.
        QSet<int> pieceBlocks;
        if (hasTables) {
            HiddenPieces hidden(*doc, pieces);
            // Tables draw their borders, shading and cells through the document's own layout,
            // which draws every paragraph it touches whole. On a PDF it is kept to the page's
            // runs of table rows, which never straddle a page; the paragraphs around them are
            // drawn below line by line, like those of a document without tables.
            QAbstractTextDocumentLayout::PaintContext context;
            context.palette.setColor(QPalette::Text, Qt::black);
            if (!ownLinesOnly) {
                context.clip = clip.translated(0, y0);
                doc->documentLayout()->draw(&p, context);
            }
            for (const TableRun &run : ownLinesOnly ? tableRuns : QList<TableRun>()) {
                context.clip = ownRunClip(*doc, run, y0, y0 + clipBottom, clip.width());
                if (!context.clip.isEmpty())
                    doc->documentLayout()->draw(&p, context);
            }
        }
        for (const RowPiece &piece : pieces)
            drawPiece(p, *doc, piece, *document(), base, pieceBlocks);
        const qreal reach = clip.height() + dpiY;
        const QRectF nearPage = clip.translated(0, y0).adjusted(0, -reach, 0, reach);
        for (QTextBlock b = firstBlock; b.isValid(); b = b.next()) {
            QTextLayout *l = !hasTables || (ownLinesOnly && !outermostTableAt(*doc, b.position()))
                ? b.layout() : nullptr;
            if (l && !ownLinesOnly) {
                // Lines far from the page put no ink on it: the layout skips them, which keeps
                // a page of a long paragraph from shaping and drawing all of its lines.
                l->draw(&p, QPointF(0, 0), {}, nearPage);
            } else if (l) {
                for (int i = 0; i < l->lineCount(); ++i) {
                    const QTextLine line = l->lineAt(i);
                    const qreal top = l->position().y() + line.y();
                    const int start = b.position() + line.textStart();
                    if (hasTables ? start >= ownFrom && start < ownTo
                                  : top >= ownTop && top < ownBottom)
                        line.draw(&p, l->position());
                }
            }
            // The marker goes with the paragraph's first line, so not on a continuation page.
            if ((b != firstBlock || firstAtStart) && !pieceBlocks.contains(b.blockNumber()))
                drawParagraphMarker(p, b, hasTables ? blockOffset(b) : QPointF(0, 0),
                                    document()->findBlock(base + b.position()));
            if (b == lastPlaced)
                break;
        }
        p.restore();
    }
    return next;
}

} // namespace richedit
