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

    const QTextBlock firstBlock = doc->findBlock(cpMin);
    int firstLine = 0;
    if (const QTextLayout *l = firstBlock.layout(); l && l->lineCount() > 0) {
        const QTextLine line = l->lineForTextPosition(cpMin - firstBlock.position());
        firstLine = line.isValid() ? line.lineNumber() : 0;
    }
    qreal y0 = -1;
    qreal clipBottom = 0;
    int next = length;
    bool placed = false;
    QTextBlock lastPlaced = firstBlock;
    for (QTextBlock b = firstBlock; b.isValid() && next == length; b = b.next()) {
        const QTextLayout *l = b.layout();
        if (!l)
            continue;
        if (b != firstBlock && placed && b.blockFormat().pageBreakPolicy()
                                             & QTextFormat::PageBreak_AlwaysBefore) {
            next = b.position();
            break;
        }
        const int lines = l->lineCount();
        for (int i = (b == firstBlock ? firstLine : 0); i < qMax(lines, 1); ++i) {
            const int start = b.position() + (lines ? l->lineAt(i).textStart() : 0);
            if (start >= length && placed)
                break;
            const qreal top = l->position().y() + (lines ? l->lineAt(i).y() : 0);
            const qreal extent = lines ? lineExtent(b, l, i) : 0;
            if (y0 < 0)
                y0 = top;
            if (placed && top + extent - y0 > pageHeight) {
                next = start;
                break;
            }
            placed = true;
            lastPlaced = b;
            clipBottom = qMin(top + extent - y0, pageHeight);
        }
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
        p.setClipRect(QRectF(0, 0, widthTwips * dpiX / 1440.0, clipBottom), Qt::IntersectClip);
        p.translate(0, -y0);
        p.setPen(Qt::black);
        for (QTextBlock b = firstBlock; b.isValid(); b = b.next()) {
            if (QTextLayout *l = b.layout())
                l->draw(&p, QPointF(0, 0));
            // The marker goes with the paragraph's first line, so not on a continuation page.
            if (b != firstBlock || firstLine == 0)
                drawParagraphMarker(p, b, QPointF(0, 0));
            if (b == lastPlaced)
                break;
        }
        p.restore();
    }
    return next;
}

} // namespace richedit
