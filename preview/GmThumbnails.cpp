#include "preview/GmThumbnails.h"

#include "preview/GmPreview.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

// ---- one thumbnail -------------------------------------------------------------------------

TGmThumbnail::TGmThumbnail(TGmThumbnails *owner, QWidget *parent)
    : TGmPaperImage(parent), m_owner(owner)
{
}

void TGmThumbnail::setSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    update();
}

QString TGmThumbnail::caption() const
{
    QString text = m_owner->PageCaptions();
    return text.replace(QLatin1Char('#'), QString::number(m_pageNumber));
}

void TGmThumbnail::paintEvent(QPaintEvent *event)
{
    if (m_owner->Updating() || updateCount() > 0)
        return;
    const bool marked = m_selected && m_owner->Highlight;
    const bool background = marked && m_owner->HighlightStyle == gmBackground;
    Background = background ? m_owner->SelectedColor : m_owner->BackgroundColor();
    QPainter painter(this);
    paintPaper(painter, event->rect());
    const QRect page = pageRect();

    if (m_owner->ShowCaption()) {
        QColor color = m_selected ? m_owner->SelectedColor : QColor(Qt::black);
        if (background && color == m_owner->SelectedColor) {
            // The contrasting colour: 255 where the selected colour's channel is below 129.
            const QColor s = m_owner->SelectedColor;
            color = QColor(s.red() < 129 ? 255 : 0, s.green() < 129 ? 255 : 0,
                           s.blue() < 129 ? 255 : 0);
        }
        painter.setFont(m_owner->CaptionFont());
        painter.setPen(color);
        const QFontMetrics metrics(m_owner->CaptionFont());
        const QString text = caption();
        const int x = (width() - metrics.horizontalAdvance(text)) / 2;
        const int y = page.top() + page.height() + 4;
        painter.drawText(x, y + metrics.ascent(), text);
    }
    if (marked && m_owner->HighlightStyle != gmBackground) {
        const int w = m_owner->HighlightStyle == gmThinLine ? 1 : 2;
        QPen pen(m_owner->SelectedColor, w);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // Inside the page's edge, 1 or 2 pixels wide.
        const qreal inset = w / 2.0;
        painter.drawRect(QRectF(page).adjusted(inset, inset, -inset, -inset));
    }
}

void TGmThumbnail::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_owner->ThumbnailClicked(this);
    else if (event->button() == Qt::RightButton && m_owner->ThumbPopup)
        m_owner->ThumbPopup->popup(event->globalPosition().toPoint());
}

// ---- the strip -----------------------------------------------------------------------------

TGmThumbnails::TGmThumbnails(QWidget *parent) : QAbstractScrollArea(parent)
{
    m_captionFont = font();
    SetBackgroundColor(m_background);
}

TGmThumbnails::~TGmThumbnails()
{
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
}

void TGmThumbnails::SetBackgroundColor(const QColor &color)
{
    m_background = color;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::Base, color);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    repaintAll();
}

void TGmThumbnails::SetPreview(TGmPreview *preview)
{
    if (m_preview == preview)
        return;
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
    m_preview = preview;
    if (m_preview)
        m_preview->RegisterLinkedControl(this);
    Rebuild();
}

int TGmThumbnails::captionHeight() const
{
    return QFontMetrics(m_captionFont).height();
}

void TGmThumbnails::Rebuild()
{
    const int pages = m_preview ? m_preview->Count() : 0;
    while (int(m_thumbs.size()) > pages) {
        delete m_thumbs.back();
        m_thumbs.pop_back();
    }
    while (int(m_thumbs.size()) < pages) {
        auto *thumb = new TGmThumbnail(this, viewport());
        thumb->setCursor(cursor());
        thumb->show();
        m_thumbs.push_back(thumb);
    }
    const int bottomGutter = m_thumbSpacing + (m_showCaption ? 4 + captionHeight() : 0);
    for (int i = 0; i < pages; ++i) {
        TGmThumbnail *thumb = m_thumbs[size_t(i)];
        thumb->setPageList(&m_preview->PageList());
        thumb->setPageNumber(i + 1);
        thumb->setPage(m_preview->Pages(i + 1));
        thumb->setZoom(m_thumbSize + 2);
        thumb->setGutters(QMargins(m_thumbSpacing, m_thumbSpacing, m_thumbSpacing, bottomGutter));
        thumb->Shadow.Width = m_shadowWidth;
        thumb->PlainPage = m_plainPages;
        const QSize page = thumb->pagePixels();
        thumb->resize(page.width() + 2 * m_thumbSpacing,
                      page.height() + m_thumbSpacing + bottomGutter);
        thumb->invalidate();
    }
    if (m_selected >= pages)
        m_selected = -1;
    updateScrollRanges();
    selectCurrentPage();
}

void TGmThumbnails::placeThumbnails()
{
    // From the top-left minus the scroll positions, each step overlapping the last by a pixel.
    const int x0 = -horizontalScrollBar()->value();
    const int y0 = -verticalScrollBar()->value();
    int x = x0;
    int y = y0;
    int rowHeight = 0;
    int column = 0;
    QSize extent(0, 0);
    for (TGmThumbnail *thumb : m_thumbs) {
        if (m_layout == gmThumbGrid && column == m_gridWidth) {
            column = 0;
            x = x0;
            y += rowHeight - 1;
            rowHeight = 0;
        }
        thumb->move(x, y);
        extent = extent.expandedTo(QSize(x - x0 + thumb->width(), y - y0 + thumb->height()));
        switch (m_layout) {
        case gmThumbHorz: x += thumb->width() - 1; break;
        case gmThumbVert: y += thumb->height() - 1; break;
        case gmThumbGrid:
            x += thumb->width() - 1;
            rowHeight = qMax(rowHeight, thumb->height());
            ++column;
            break;
        }
    }
    m_contentSize = extent;
}

void TGmThumbnails::updateScrollRanges()
{
    placeThumbnails();
    const QSize client = viewport()->size();
    horizontalScrollBar()->setPageStep(qMax(1, client.width()));
    verticalScrollBar()->setPageStep(qMax(1, client.height()));
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setRange(0, qMax(0, m_contentSize.width() - client.width()));
    verticalScrollBar()->setRange(0, qMax(0, m_contentSize.height() - client.height()));
    placeThumbnails();
}

void TGmThumbnails::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
    // The selected thumbnail stays in view as the strip changes size.
    if (ScrollIntoView)
        ensureVisible(m_selected);
}

void TGmThumbnails::scrollContentsBy(int, int)
{
    placeThumbnails();
}

void TGmThumbnails::repaintAll()
{
    for (TGmThumbnail *thumb : m_thumbs)
        thumb->invalidate();
}

void TGmThumbnails::selectCurrentPage()
{
    if (m_preview)
        SelectThumbnail(m_preview->CurrentPage() - 1);
}

void TGmThumbnails::SelectThumbnail(int index)
{
    if (index < 0 || index >= Count())
        return;
    if (m_selected >= 0 && m_selected < Count())
        m_thumbs[size_t(m_selected)]->setSelected(false);
    m_selected = index;
    TGmThumbnail *thumb = m_thumbs[size_t(index)];
    thumb->setSelected(Highlight);
    if (ScrollIntoView)
        ensureVisible(index);
}

void TGmThumbnails::ensureVisible(int index)
{
    if (index < 0 || index >= Count())
        return;
    TGmThumbnail *thumb = m_thumbs[size_t(index)];
    // The thumbnail in content coordinates, brought inside the client area.
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    const QRect r(thumb->pos() + QPoint(h->value(), v->value()), thumb->size());
    const QSize client = viewport()->size();
    if (r.left() < h->value())
        h->setValue(r.left());
    else if (r.left() + r.width() > h->value() + client.width())
        h->setValue(qMin(r.left(), r.left() + r.width() - client.width()));
    if (r.top() < v->value())
        v->setValue(r.top());
    else if (r.top() + r.height() > v->value() + client.height())
        v->setValue(qMin(r.top(), r.top() + r.height() - client.height()));
}

void TGmThumbnails::ThumbnailClicked(TGmThumbnail *thumb)
{
    if (Updating())
        return;
    const auto it = std::find(m_thumbs.begin(), m_thumbs.end(), thumb);
    if (it == m_thumbs.end())
        return;
    SelectThumbnail(int(it - m_thumbs.begin()));
    if (m_preview)
        m_preview->SetCurrentPage(thumb->PageNumber());
}

bool TGmThumbnails::event(QEvent *event)
{
    if (event->type() == TGmPreviewNotifyEvent::eventType()) {
        switch (static_cast<TGmPreviewNotifyEvent *>(event)->code()) {
        case gmNotifyBeginUpdate: ++m_updateCount; break;
        case gmNotifyEndUpdate:
            if (m_updateCount > 0 && --m_updateCount == 0)
                Rebuild();
            break;
        case gmNotifyPageCountChanged:
        case gmNotifyPaperSizeChanged: Rebuild(); break;
        case gmNotifyPagesChanged:
            if (m_selected >= 0 && m_selected < Count())
                m_thumbs[size_t(m_selected)]->setSelected(false);
            m_selected = -1;
            selectCurrentPage();
            break;
        case gmNotifyCurrentPageChanged: selectCurrentPage(); break;
        case gmNotifyPageContentChanged: repaintAll(); break;
        default: break;
        }
        return true;
    }
    return QAbstractScrollArea::event(event);
}
