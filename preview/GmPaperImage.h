#pragma once
// TGmPaperImage: a sheet of paper on screen. It paints one page of a page list at a zoom
// factor, centred between four gutters, with its outline, margin lines and shadow, on the
// background colour of the control round it. The preview control, every thumbnail and the
// small paper of the property pictures are paper images.
//
// The page is drawn in units of 1/600 inch and kept as a picture per zoom and page, so that
// scrolling and repainting do not lay text out again; a change of content drops the picture.

#include "preview/GmClasses.h"

#include <QColor>
#include <QImage>
#include <QMargins>
#include <QPen>
#include <QWidget>
#include <functional>

class TGmPage;
class TGmPageList;

struct TGmShadow {
    QColor Color = Qt::black;
    int Width = 3;
    bool Visible = true;
};

enum TGmGridStyle { gmNoGrid, gmDots, gmLines };

struct TGmPageGrid {
    TGmGridStyle GridStyle = gmNoGrid;
    QPen GridPen = QPen(QColor(0xC0, 0xC0, 0xC0), 1);
    Extended SpacingMm = 10;
};

// Pixels of a length in inches on screen at a zoom in percent (96 pixels per inch).
int gmScreenPixels(Extended inches, int zoomPercent);

class TGmPaperImage : public QWidget
{
    Q_OBJECT

public:
    explicit TGmPaperImage(QWidget *parent = nullptr);

    // The page list that draws the page (its margins and printer are used), and the page.
    void setPageList(TGmPageList *list) { m_list = list; invalidate(); }
    TGmPage *Page() const { return m_page; }
    void setPage(TGmPage *page);

    int Zoom() const { return m_zoom; }
    void setZoom(int zoom);
    QMargins Gutters() const { return m_gutters; }
    void setGutters(const QMargins &gutters);

    // Page width and height in pixels at the current zoom (0 x 0 without a page).
    QSize pagePixels() const;
    // Where the page lies in this widget's client area.
    QRect pageRect() const;

    TGmShadow Shadow;
    TGmPageGrid PageGrid;
    // Without content only the paper, outline and shadow are drawn.
    bool PlainPage = false;
    // Drawn on the page after the content and margin lines, in 1/600 inch units.
    std::function<void(QPainter &painter)> OnDrawOver;
    QColor Background = QColor(0xC0, 0xC0, 0xC0);

    // Painting waits while the counter is above 0.
    void beginUpdate() { ++m_updateCount; }
    void endUpdate();
    int updateCount() const { return m_updateCount; }

    // The page's content changed: the kept picture goes and the paper repaints.
    void invalidate();
    // Whether the page has been drawn into the kept picture since the last change.
    bool pictureReady() const { return m_pictureValid && !m_picture.isNull(); }

    // Paints the whole image (background, paper, content, shadow) onto a painter whose origin
    // is this widget's top-left; used by paintEvent and by tests and benchmarks.
    void paintPaper(QPainter &painter, const QRect &exposed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The page at the current zoom as a picture of pagePixels(); empty when too large to keep.
    const QImage &pagePicture();
    void drawPageContent(QPainter &painter, const QSize &pixels);

    TGmPageList *m_list = nullptr;
    TGmPage *m_page = nullptr;
    int m_zoom = 20;
    QMargins m_gutters = QMargins(30, 30, 30, 30);
    int m_updateCount = 0;
    QImage m_picture;
    bool m_pictureValid = false;
};
