#include "FormatRange.h"

#include "Formats.h"
#include "Pictures.h"
#include "RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

namespace richedit {

namespace {

// A paint device that only reports a resolution: the layout of the copy needs the target's
// dots per inch, not the target itself (which may be gone by the next call).
class ResolutionDevice : public QPaintDevice {
public:
    ResolutionDevice(int dpiX, int dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 100000;
        case PdmHeight: return 100000;
        case PdmWidthMM: return int(100000 * 25.4 / m_dpiX);
        case PdmHeightMM: return int(100000 * 25.4 / m_dpiY);
        case PdmDpiX:
        case PdmPhysicalDpiX: return m_dpiX;
        case PdmDpiY:
        case PdmPhysicalDpiY: return m_dpiY;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    int m_dpiX;
    int m_dpiY;
};

// Vertical extent of line i of a block in the copy, the same for measuring and drawing: up to
// the next line, or for the last line its height as the paragraph's spacing rule makes it.
qreal lineExtent(const QTextBlock &b, const QTextLayout *l, int i)
{
    const QTextLine line = l->lineAt(i);
    if (i + 1 < l->lineCount())
        return l->lineAt(i + 1).y() - line.y();
    const QTextBlockFormat f = b.blockFormat();
    qreal h = line.height();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight: h = h * f.lineHeight() / 100.0; break;
    case QTextBlockFormat::FixedHeight: h = f.lineHeight(); break;
    case QTextBlockFormat::MinimumHeight: h = qMax(h, f.lineHeight()); break;
    default: break;
    }
    return h;
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
    QHash<int, QTextBlockFormat> scaled; // by the block format's index: documents share a few
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        if (f.leftMargin() == 0 && f.rightMargin() == 0 && f.textIndent() == 0)
            continue;
        auto it = scaled.find(b.blockFormatIndex());
        if (it == scaled.end()) {
            QTextBlockFormat g = f;
            g.setLeftMargin(f.leftMargin() * scale);
            g.setRightMargin(f.rightMargin() * scale);
            g.setTextIndent(f.textIndent() * scale);
            it = scaled.insert(b.blockFormatIndex(), g);
        }
        cursor.setPosition(b.position());
        cursor.setBlockFormat(*it);
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
}

QTextDocument *FormatRangeCache::layoutFor(const QTextDocument &source, int dpiX, int dpiY,
                                           int widthTwips)
{
    if (m_doc && m_dpiX == dpiX && m_dpiY == dpiY && m_width == widthTwips)
        return m_doc.get();
    if (!m_doc || m_dpiX != dpiX) {
        m_doc.reset(source.clone());
        registerPictureHandler(m_doc.get());
        scaleHorizontalMargins(*m_doc, dpiX / 96.0);
    }
    m_device = std::make_unique<ResolutionDevice>(dpiX, dpiY);
    m_doc->setDocumentMargin(0);
    m_doc->documentLayout()->setPaintDevice(m_device.get());
    m_doc->setTextWidth(widthTwips * double(dpiX) / 1440.0);
    m_doc->documentLayout()->blockBoundingRect(m_doc->lastBlock()); // lay out everything now
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_width = widthTwips;
    return m_doc.get();
}

void drawParagraphMarker(QPainter &p, const QTextBlock &block, QPointF offset)
{
    const QTextBlockFormat f = block.blockFormat();
    const int kind = f.intProperty(prop::Numbering);
    const QTextLayout *l = block.layout();
    if (!kind || !l || l->lineCount() == 0)
        return;
    const QString label = numberingLabel(kind, numberingIndex(block));
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

// What a page is filled with, one unit at a time: a line of a paragraph, or a whole row of a
// table (rows are not split between pages). Positions are the copy's layout coordinates.
struct PageUnit {
    int start = 0;     // first character
    qreal top = 0;
    qreal extent = 0;
    QTextBlock last;   // the last block the unit draws from
};

// Walks the units of the laid-out copy from a character position on.
class UnitWalker {
public:
    UnitWalker(QTextDocument &doc, int from) : m_doc(doc)
    {
        m_block = doc.findBlock(from);
        m_hasTables = !doc.rootFrame()->childFrames().isEmpty();
        if (enterTable(m_block)) {
            m_row = m_table->cellAt(qMax(from, m_table->firstPosition())).row();
            return;
        }
        if (const QTextLayout *l = m_block.layout(); l && l->lineCount() > 0) {
            const QTextLine line = l->lineForTextPosition(from - m_block.position());
            m_line = line.isValid() ? line.lineNumber() : 0;
        }
    }

    bool next(PageUnit &unit)
    {
        while (m_block.isValid()) {
            if (m_table) {
                if (m_row < m_table->rows()) {
                    rowUnit(unit);
                    return true;
                }
                m_block = m_doc.findBlock(m_table->lastPosition() + 1);
                m_table = nullptr;
                m_line = 0;
                if (enterTable(m_block))
                    continue;
            }
            const QTextLayout *l = m_block.layout();
            const int lines = l ? l->lineCount() : 0;
            if (l && m_line < qMax(lines, 1)) {
                unit.start = m_block.position() + (lines ? l->lineAt(m_line).textStart() : 0);
                unit.top = l->position().y() + (lines ? l->lineAt(m_line).y() : 0);
                unit.extent = lines ? lineExtent(m_block, l, m_line) : 0;
                unit.last = m_block;
                ++m_line;
                return true;
            }
            m_block = m_block.next();
            m_line = 0;
            enterTable(m_block);
        }
        return false;
    }
    // Before the first next(): whether the walk starts at a paragraph's first line.
    bool atBlockStart() const { return m_line == 0 && !m_table; }
    const QTextBlock &block() const { return m_block; }
    bool hasTables() const { return m_hasTables; }

private:
    // The outermost table the block lies in becomes the current one, from its first row.
    bool enterTable(const QTextBlock &block)
    {
        if (!m_hasTables || !block.isValid())
            return false;
        QTextFrame *frame = m_doc.frameAt(block.position());
        QTextTable *outer = nullptr;
        for (; frame && frame != m_doc.rootFrame(); frame = frame->parentFrame())
            if (auto *t = qobject_cast<QTextTable *>(frame))
                outer = t;
        if (!outer || block.position() < outer->firstPosition())
            return false;
        m_table = outer;
        m_row = 0;
        return true;
    }
    // Where a row's content starts; -1 for a row all of whose cells come from the row above.
    qreal contentTop(int row) const
    {
        qreal top = -1;
        for (int c = 0; c < m_table->columns(); ++c) {
            const QTextTableCell cell = m_table->cellAt(row, c);
            if (cell.row() != row || cell.column() != c)
                continue;
            const QTextBlock first = m_doc.findBlock(cell.firstPosition());
            const qreal y = m_doc.documentLayout()->blockBoundingRect(first).top();
            top = top < 0 ? y : qMin(top, y);
        }
        return top;
    }
    void rowUnit(PageUnit &unit)
    {
        const QTextTableFormat f = m_table->format();
        const qreal scale = m_doc.documentLayout()->paintDevice()
            ? m_doc.documentLayout()->paintDevice()->logicalDpiY() / 96.0 : 1.0;
        qreal inset = f.cellPadding() + f.border();
        for (int c = 0; c < m_table->columns(); ++c)
            inset = qMax(inset, f.cellPadding()
                                    + m_table->cellAt(m_row, c).format().toTableCellFormat().topBorder());
        inset *= scale;
        const qreal tableBottom =
            m_doc.documentLayout()->frameBoundingRect(m_table).bottom();
        const int first = m_row;
        qreal top = contentTop(m_row);
        do { // rows whose cells all come from above go with the row before them
            ++m_row;
        } while (m_row < m_table->rows() && contentTop(m_row) < 0);
        qreal bottom = tableBottom;
        if (m_row < m_table->rows())
            bottom = contentTop(m_row) - inset;
        top = first == 0 ? m_doc.documentLayout()->frameBoundingRect(m_table).top()
                         : qMax<qreal>(0, top - inset);
        unit.start = m_table->cellAt(first, 0).firstPosition();
        unit.top = top;
        unit.extent = qMax<qreal>(0, bottom - top);
        unit.last = m_doc.findBlock(m_row < m_table->rows()
                                        ? m_table->cellAt(m_row, 0).firstPosition() - 1
                                        : m_table->lastPosition());
    }

    QTextDocument &m_doc;
    QTextBlock m_block;
    QTextTable *m_table = nullptr;
    int m_row = 0;
    int m_line = 0;
    bool m_hasTables = false;
};

// The offset that puts a block's layout where the document's layout puts it: blocks in table
// cells have their layout positions relative to the cell.
QPointF blockOffset(const QTextBlock &b)
{
    const QTextLayout *l = b.layout();
    const QRectF r = b.document()->documentLayout()->blockBoundingRect(b);
    return l ? r.topLeft() - l->position() : QPointF();
}

} // namespace

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
    QTextDocument *doc = m_rangeCache->layoutFor(*document(), dpiX, dpiY, widthTwips);

    UnitWalker walker(*doc, cpMin);
    const QTextBlock firstBlock = walker.block();
    const bool firstAtStart = walker.atBlockStart();
    qreal y0 = -1;
    qreal clipBottom = 0;
    int next = length;
    bool placed = false;
    QTextBlock lastPlaced = firstBlock;
    QTextBlock previous;
    PageUnit unit;
    while (walker.next(unit)) {
        if (placed && unit.last != previous && unit.start == unit.last.position()
            && unit.last.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) {
            next = unit.start;
            break;
        }
        if (unit.start >= length && placed)
            break;
        if (y0 < 0)
            y0 = unit.top;
        if (placed && unit.top + unit.extent - y0 > pageHeight) {
            next = unit.start;
            break;
        }
        placed = true;
        previous = unit.last;
        lastPlaced = unit.last;
        clipBottom = qMin(unit.top + unit.extent - y0, pageHeight);
    }
    if (placed && next == length)
        clipBottom = pageHeight;

    if (render && fr->hdc && placed) {
        QPainter &p = *fr->hdc;
        const QPaintDevice *dev = p.device();
        const qreal hdcDpiX = dev ? dev->logicalDpiX() : dpiX;
        const qreal hdcDpiY = dev ? dev->logicalDpiY() : dpiY;
        p.save();
        p.translate(fr->rc.left * hdcDpiX / 1440.0, fr->rc.top * hdcDpiY / 1440.0);
        p.scale(hdcDpiX / dpiX, hdcDpiY / dpiY);
        const QRectF clip(0, 0, widthTwips * dpiX / 1440.0, clipBottom);
        p.setClipRect(clip, Qt::IntersectClip);
        p.translate(0, -y0);
        p.setPen(Qt::black);
        if (walker.hasTables()) {
            // Tables draw their borders and shading through the document's own layout.
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = clip.translated(0, y0);
            context.palette.setColor(QPalette::Text, Qt::black);
            doc->documentLayout()->draw(&p, context);
        }
        for (QTextBlock b = firstBlock; b.isValid(); b = b.next()) {
            if (!walker.hasTables()) {
                if (QTextLayout *l = b.layout())
                    l->draw(&p, QPointF(0, 0));
            }
            // The marker goes with the paragraph's first line, so not on a continuation page.
            if (b != firstBlock || firstAtStart)
                drawParagraphMarker(p, b, walker.hasTables() ? blockOffset(b) : QPointF(0, 0));
            if (b == lastPlaced)
                break;
        }
        p.restore();
    }
    return next;
}

} // namespace richedit
