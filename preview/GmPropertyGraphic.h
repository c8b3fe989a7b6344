#pragma once
// TGmPropertyGraphic: a small paper picture with a column of picture buttons that chooses the
// orientation (portrait, landscape) or the pages per sheet (one, two, four). The paper shows
// the choice ("P" or "L", or the sheet divided and numbered); with a linked preview the choice
// is applied to it, and the picture follows the preview's own changes.

#include "preview/GmClasses.h"

#include <QPointer>
#include <QToolButton>
#include <QWidget>
#include <vector>

class QButtonGroup;
class TGmPreview;

enum TGmGraphicPropertyType { gmMultipageGraphic, gmOrientationGraphic };

class TGmPropertyGraphic : public QWidget
{
    Q_OBJECT

public:
    explicit TGmPropertyGraphic(QWidget *parent = nullptr);
    ~TGmPropertyGraphic() override;

    TGmPreview *Preview() const { return m_preview; }
    void SetPreview(TGmPreview *preview);
    TGmGraphicPropertyType PreviewProperty() const { return m_property; }
    void SetPreviewProperty(TGmGraphicPropertyType property);
    int ButtonSpacing() const { return m_buttonSpacing; }
    void SetButtonSpacing(int pixels);
    bool ShowButtons() const { return m_showButtons; }
    void SetShowButtons(bool on);
    int ShadowWidth = 2;

    TGmOrientation Orientation() const { return m_orientation; }
    TGmPagesPerSheet PagesPerSheet() const { return m_pagesPerSheet; }
    // Button n (from 1) of the column, null when out of range.
    QToolButton *Button(int n) const;
    int ButtonCount() const { return int(m_buttons.size()); }

    // Where the small paper lies (6 % of the page, centred right of a 26-pixel gutter).
    QRect paperRect() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createButtons();
    void layoutButtons();
    void buttonClicked(int n);
    void showState();
    // Portrait page size in inches: the linked preview's paper, else A4.
    QSizeF pageInches() const;
    TGmOrientation shownOrientation() const;

    QPointer<TGmPreview> m_preview;
    TGmGraphicPropertyType m_property = gmOrientationGraphic;
    int m_buttonSpacing = 8;
    bool m_showButtons = true;
    TGmOrientation m_orientation = gmPortrait;
    TGmPagesPerSheet m_pagesPerSheet = gmOnePage;
    QButtonGroup *m_group = nullptr;
    std::vector<QToolButton *> m_buttons;
};
