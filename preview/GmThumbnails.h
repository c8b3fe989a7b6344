#pragma once
// TGmThumbnails: a scrolling strip of page thumbnails linked to a preview control, one small
// paper image per page, in a row, a column or a grid. The thumbnail of the current page is
// marked; a click on a thumbnail makes its page current. Thumbnails draw their pages only when
// they come into view, and keep the picture until the content changes.

#include "preview/GmPaperImage.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPointer>
#include <vector>

class QMenu;
class TGmPreview;
class TGmThumbnails;

enum TGmThumbNailLayout { gmThumbHorz, gmThumbVert, gmThumbGrid };
enum TGmHighlightStyle { gmThinLine, gmThickLine, gmBackground };

class TGmThumbnail : public TGmPaperImage
{
    Q_OBJECT
public:
    TGmThumbnail(TGmThumbnails *owner, QWidget *parent);
    int PageNumber() const { return m_pageNumber; }
    void setPageNumber(int n) { m_pageNumber = n; }
    bool Selected() const { return m_selected; }
    void setSelected(bool on);
    // The caption drawn under the page: PageCaptions with every "#" replaced by the number.
    QString caption() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    TGmThumbnails *m_owner;
    int m_pageNumber = 0;
    bool m_selected = false;
};

class TGmThumbnails : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TGmThumbnails(QWidget *parent = nullptr);
    ~TGmThumbnails() override;

    TGmPreview *Preview() const { return m_preview; }
    // Registers with the preview (unregistering from the previous one) and rebuilds.
    void SetPreview(TGmPreview *preview);

    int ThumbSize() const { return m_thumbSize; }
    void SetThumbSize(int size) { m_thumbSize = size; Rebuild(); }
    int ThumbSpacing() const { return m_thumbSpacing; }
    void SetThumbSpacing(int pixels) { m_thumbSpacing = pixels; Rebuild(); }
    TGmThumbNailLayout Layout() const { return m_layout; }
    void SetLayout(TGmThumbNailLayout layout) { m_layout = layout; Rebuild(); }
    int GridWidth() const { return m_gridWidth; }
    void SetGridWidth(int n) { m_gridWidth = qMax(1, n); Rebuild(); }
    bool ShowCaption() const { return m_showCaption; }
    void SetShowCaption(bool on) { m_showCaption = on; Rebuild(); }
    QString PageCaptions() const { return m_pageCaptions; }
    void SetPageCaptions(const QString &pattern) { m_pageCaptions = pattern; repaintAll(); }
    QFont CaptionFont() const { return m_captionFont; }
    void SetCaptionFont(const QFont &font) { m_captionFont = font; Rebuild(); }
    bool Highlight = true;
    TGmHighlightStyle HighlightStyle = gmThickLine;
    QColor SelectedColor = QColor(0, 0, 0xFF);
    bool PlainPages() const { return m_plainPages; }
    void SetPlainPages(bool on) { m_plainPages = on; Rebuild(); }
    bool ScrollIntoView = true;
    int ShadowWidth() const { return m_shadowWidth; }
    void SetShadowWidth(int w) { m_shadowWidth = w; Rebuild(); }
    QPointer<QMenu> ThumbPopup;
    void SetBackgroundColor(const QColor &color);
    QColor BackgroundColor() const { return m_background; }

    int Count() const { return int(m_thumbs.size()); }
    TGmThumbnail *Thumbnail(int index) const { return m_thumbs.at(size_t(index)); }
    // Index of the selected thumbnail, -1 when none.
    int SelectedIndex() const { return m_selected; }
    bool Updating() const { return m_updateCount > 0; }

    // One thumbnail per page, sized, placed and the current page's selected.
    void Rebuild();
    void SelectThumbnail(int index);
    // A click on a thumbnail (ignored while updating): selects it and shows its page.
    void ThumbnailClicked(TGmThumbnail *thumb);

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void placeThumbnails();
    void updateScrollRanges();
    void repaintAll();
    void selectCurrentPage();
    void ensureVisible(int index);
    int captionHeight() const;

    QPointer<TGmPreview> m_preview;
    std::vector<TGmThumbnail *> m_thumbs;
    int m_thumbSize = 4;
    int m_thumbSpacing = 8;
    TGmThumbNailLayout m_layout = gmThumbHorz;
    int m_gridWidth = 4;
    bool m_showCaption = true;
    QString m_pageCaptions = QStringLiteral("#");
    QFont m_captionFont;
    bool m_plainPages = false;
    int m_shadowWidth = 2;
    QColor m_background = QColor(0xC0, 0xC0, 0xC0);
    int m_updateCount = 0;
    int m_selected = -1;
    QSize m_contentSize;
};
