#include "preview/GmPaperImage.h"

#include "preview/GmPageList.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
// Pages larger than this many pixels are painted straight into the window instead of being
// kept as a picture (an A4 page passes up to about 300 %).
constexpr qint64 maxPicturePixels = 8 * 1024 * 1024;
constexpr int unitsPerInch = 600;

QPen cosmetic(QPen pen)
{
    if (pen.width() <= 1)
        pen.setCosmetic(true);
    return pen;
}
} // namespace

int gmScreenPixels(Extended inches, int zoomPercent)
{
    return int(gmRound(96 * inches * zoomPercent / 100));
}

TGmPaperImage::TGmPaperImage(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGmPaperImage::setPage(TGmPage *page)
{
    m_page = page;
    invalidate();
}

void TGmPaperImage::setZoom(int zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    invalidate();
}

void TGmPaperImage::setGutters(const QMargins &gutters)
{
    if (gutters == m_gutters)
        return;
    m_gutters = gutters;
    update();
}

void TGmPaperImage::endUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        update();
}

void TGmPaperImage::invalidate()
{
    m_pictureValid = false;
    m_picture = QImage();
    update();
}

QSize TGmPaperImage::pagePixels() const
{
    if (!m_page)
        return {0, 0};
    return {gmScreenPixels(m_page->WidthInches(), m_zoom),
            gmScreenPixels(m_page->HeightInches(), m_zoom)};
}

QRect TGmPaperImage::pageRect() const
{
    const QSize size = pagePixels();
    // Centred between the gutters; the halves truncate toward zero.
    const int x = (width() - m_gutters.left() - m_gutters.right() - size.width()) / 2
                  + m_gutters.left();
    const int y = (height() - m_gutters.top() - m_gutters.bottom() - size.height()) / 2
                  + m_gutters.top();
    return {x, y, size.width(), size.height()};
}

void TGmPaperImage::drawPageContent(QPainter &painter, const QSize &pixels)
{
    // The painter's origin is the paper's top-left corner, in device pixels.
    const Extended w = m_page->WidthInches();
    const Extended h = m_page->HeightInches();
    const int unitsW = int(gmRound(unitsPerInch * w));
    const int unitsH = int(gmRound(unitsPerInch * h));
    if (unitsW <= 0 || unitsH <= 0 || pixels.isEmpty())
        return;

    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), pixels), Qt::white);
    painter.setClipRect(QRect(QPoint(0, 0), pixels), Qt::IntersectClip);
    painter.scale(double(pixels.width()) / unitsW, double(pixels.height()) / unitsH);

    if (m_list) {
        TGmMargins &margins = m_list->Margins();
        const QRect marginRect(QPoint(int(gmRound(unitsPerInch * margins.Left().inches())),
                                      int(gmRound(unitsPerInch * margins.Top().inches()))),
                               QPoint(int(gmRound((w - margins.Right().inches()) * unitsPerInch)),
                                      int(gmRound((h - margins.Bottom().inches()) * unitsPerInch))));
        if (margins.ClipMargins)
            painter.setClipRect(marginRect, Qt::IntersectClip);
        if (!PlainPage)
            m_list->DrawPage(m_page, painter, unitsPerInch, unitsPerInch);
        painter.setBrush(Qt::NoBrush);
        if (margins.Visible) {
            painter.setPen(cosmetic(margins.Pen()));
            painter.drawRect(marginRect.adjusted(0, 0, -1, -1));
        }
        const TGmPrinterInfo &info = m_list->GmPrinter().PrinterInfo();
        if (margins.ShowPrinterMargins && !info.cannotOpen() && info.PixelsPerInchX() > 0
            && info.PixelsPerInchY() > 0) {
            const Extended sx = Extended(unitsPerInch) / info.PixelsPerInchX();
            const Extended sy = Extended(unitsPerInch) / info.PixelsPerInchY();
            painter.setPen(cosmetic(margins.PrinterMarginPen()));
            painter.drawRect(QRect(QPoint(int(gmRound(info.OffsetLeft() * sx)),
                                          int(gmRound(info.OffsetTop() * sy))),
                                   QPoint(unitsW - int(gmRound(info.OffsetRight() * sx)) - 1,
                                          unitsH - int(gmRound(info.OffsetBottom() * sy)) - 1)));
        }
    }
    if (PageGrid.GridStyle != gmNoGrid) {
        const int step = qMax(1, int(gmRound(gmToInches(PageGrid.SpacingMm, gmMillimeters)
                                             * unitsPerInch)));
        painter.setPen(cosmetic(PageGrid.GridPen));
        for (int x = step; x < unitsW; x += step) {
            if (PageGrid.GridStyle == gmLines) {
                painter.drawLine(x, 0, x, unitsH);
                continue;
            }
            for (int y = step; y < unitsH; y += step)
                painter.drawPoint(x, y);
        }
        if (PageGrid.GridStyle == gmLines) {
            for (int y = step; y < unitsH; y += step)
                painter.drawLine(0, y, unitsW, y);
        }
    }
    if (OnDrawOver)
        OnDrawOver(painter);
    painter.restore();

    // The outline again, over whatever the content drew on the edge.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(0, 0), pixels).adjusted(0, 0, -1, -1));
}

const QImage &TGmPaperImage::pagePicture()
{
    const QSize pixels = pagePixels();
    if (m_pictureValid && m_picture.size() == pixels)
        return m_picture;
    m_pictureValid = true;
    m_picture = QImage();
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > maxPicturePixels)
        return m_picture;
    m_picture = QImage(pixels, QImage::Format_RGB32);
    QPainter painter(&m_picture);
    drawPageContent(painter, pixels);
    return m_picture;
}

void TGmPaperImage::paintPaper(QPainter &painter, const QRect &exposed)
{
    painter.fillRect(exposed, Background);
    if (!m_page)
        return;
    const QRect page = pageRect();
    if (page.isEmpty())
        return;
    if (page.intersects(exposed)) {
        const QImage &picture = pagePicture();
        if (!picture.isNull()) {
            painter.drawImage(page.topLeft(), picture);
        } else {
            painter.save();
            painter.setClipRect(exposed & page);
            painter.translate(page.topLeft());
            drawPageContent(painter, page.size());
            painter.restore();
        }
    }
    if (Shadow.Visible && Shadow.Width > 0) {
        // Right and bottom strips, one pixel off the page's right and bottom edges.
        const int w = Shadow.Width;
        const int right = page.left() + page.width();
        const int bottom = page.top() + page.height();
        painter.fillRect(QRect(QPoint(right + 1, page.top() + w + 1),
                               QPoint(right + w, bottom)), Shadow.Color);
        painter.fillRect(QRect(QPoint(page.left() + w + 1, bottom + 1),
                               QPoint(right + w, bottom + w)), Shadow.Color);
    }
}

void TGmPaperImage::paintEvent(QPaintEvent *event)
{
    if (m_updateCount > 0)
        return;
    QPainter painter(this);
    paintPaper(painter, event->rect());
}
