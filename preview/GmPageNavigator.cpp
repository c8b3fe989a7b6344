#include "preview/GmPageNavigator.h"

#include "preview/GmGlyphs.h"
#include "preview/GmPreview.h"

namespace {
const TGmNavButtonInfo infos[gmNavigateBtnCount] = {
    {"FIRST", "First Page", 0},
    {"PREV", "Previous Page", 0},
    {"NEXT", "Next Page", 0},
    {"LAST", "Last Page", 0},
    {"ADDPAGE", "Add Page", 1},
    {"DELETEPAGE", "Delete Current Page", 1},
    {"CLEAR", "Clear", 1},
    {"ZOOMIN", "Zoom In", 2},
    {"ZOOMOUT", "Zoom Out", 2},
    {"ACTUALSIZE", "Actual Size", 2},
    {"FITWIDTH", "Fit Width", 3},
    {"FITHEIGHT", "Fit Height", 3},
    {"FITWHOLEPAGE", "Fit Whole Page", 3},
};
} // namespace

const TGmNavButtonInfo &gmNavButtonInfo(TGmNavigateBtn button)
{
    return infos[button];
}

TGmNavButton::TGmNavButton(TGmNavigateBtn button, QWidget *parent)
    : QToolButton(parent), m_button(button)
{
    setObjectName(QString::fromLatin1(gmNavButtonInfo(button).glyph));
    const QPixmap glyph = gmGlyph(QString::fromLatin1(gmNavButtonInfo(button).glyph));
    setIcon(QIcon(glyph));
    setIconSize(glyph.size());
    setFocusPolicy(Qt::NoFocus);
}

TGmPageNavigator::TGmPageNavigator(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < gmNavigateBtnCount; ++i) {
        const auto b = TGmNavigateBtn(i);
        m_buttons[i] = new TGmNavButton(b, this);
        m_hints[i] = QString::fromLatin1(gmNavButtonInfo(b).hint);
        connect(m_buttons[i], &QToolButton::clicked, this, [this, b] { click(b); });
    }
    applyHints();
    SetFlat(false);
    RefreshButtonStates();
    LayoutButtons();
}

TGmPageNavigator::~TGmPageNavigator()
{
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
}

void TGmPageNavigator::SetPreview(TGmPreview *preview)
{
    if (m_preview == preview)
        return;
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
    m_preview = preview;
    if (m_preview)
        m_preview->RegisterLinkedControl(this);
    setEnabled(true);
    RefreshButtonStates();
}

void TGmPageNavigator::click(TGmNavigateBtn b)
{
    if (TGmPreview *p = m_preview) {
        switch (b) {
        case gmFirstPage: p->FirstPage(); break;
        case gmPrevPage: p->PrevPage(); break;
        case gmNextPage: p->NextPage(); break;
        case gmLastPage: p->LastPage(); break;
        case gmAddPage: p->AddPage(); break;
        case gmDeletePage: p->DeleteCurrentPage(); break;
        case gmClear: p->Clear(); break;
        case gmZoomIn: p->ZoomIn(); break;
        case gmZoomOut: p->ZoomOut(); break;
        case gmActualSize: p->SetZoom(100); break;
        case gmFitWidth: p->FitWidth(); break;
        case gmFitHeight: p->FitHeight(); break;
        case gmFitWholePage: p->FitWholePage(); break;
        }
    }
    if (OnClickButton)
        OnClickButton(this, b);
}

void TGmPageNavigator::RefreshButtonStates()
{
    TGmPreview *p = m_preview;
    for (int i = 0; i < gmNavigateBtnCount; ++i) {
        bool on = p != nullptr;
        if (p) {
            switch (TGmNavigateBtn(i)) {
            case gmFirstPage:
            case gmPrevPage: on = p->CurrentPage() > 1; break;
            case gmNextPage:
            case gmLastPage: on = p->CurrentPage() < p->Count(); break;
            case gmZoomIn: on = p->Zoom() < p->MaxZoom(); break;
            case gmZoomOut: on = p->Zoom() > p->MinZoom(); break;
            default: break;
            }
        }
        m_buttons[i]->setEnabled(on);
    }
}

bool TGmPageNavigator::event(QEvent *event)
{
    if (event->type() == TGmPreviewNotifyEvent::eventType()) {
        switch (static_cast<TGmPreviewNotifyEvent *>(event)->code()) {
        case gmNotifyBeginUpdate: setEnabled(false); break;
        case gmNotifyEndUpdate:
            if (m_preview && m_preview->PageList().UpdateCount() == 0) {
                setEnabled(true);
                RefreshButtonStates();
            }
            break;
        case gmNotifyPageCountChanged:
        case gmNotifyCurrentPageChanged: RefreshButtonStates(); break;
        default: break;
        }
        return true;
    }
    return QWidget::event(event);
}

void TGmPageNavigator::Loaded()
{
    for (int i = 0; i < gmNavigateBtnCount; ++i) {
        if (OnGetButtonHint)
            OnGetButtonHint(this, TGmNavigateBtn(i), m_hints[i]);
    }
    applyHints();
    LayoutButtons();
}

void TGmPageNavigator::applyHints()
{
    for (int i = 0; i < gmNavigateBtnCount; ++i)
        m_buttons[i]->setToolTip(m_showHints ? m_hints[i] : QString());
}

void TGmPageNavigator::SetVisibleButtons(TGmNavigateBtns buttons)
{
    m_visible = buttons & gmAllNavigateBtns;
    LayoutButtons();
}

void TGmPageNavigator::SetButtonSize(int width, int height)
{
    m_buttonWidth = width;
    m_buttonHeight = height;
    LayoutButtons();
}

void TGmPageNavigator::SetFlat(bool flat)
{
    m_flat = flat;
    for (TGmNavButton *b : m_buttons)
        b->setAutoRaise(flat);
}

void TGmPageNavigator::SetGroupButtons(bool on)
{
    m_groupButtons = on;
    LayoutButtons();
}

void TGmPageNavigator::SetGroupSpacing(int pixels)
{
    m_groupSpacing = pixels;
    LayoutButtons();
}

void TGmPageNavigator::SetShowButtonHints(bool on)
{
    m_showHints = on;
    applyHints();
}

void TGmPageNavigator::SetAutoSize(bool on)
{
    m_autoSize = on;
    LayoutButtons();
}

void TGmPageNavigator::SetBorderWidth(int pixels)
{
    m_borderWidth = pixels;
    LayoutButtons();
}

void TGmPageNavigator::LayoutButtons()
{
    // Total width of the visible buttons with the spacing before each new group.
    int total = 0;
    int lastGroup = -1;
    for (int i = 0; i < gmNavigateBtnCount; ++i) {
        if (!(m_visible & (1u << i)))
            continue;
        const int group = m_buttons[i]->Group();
        if (m_groupButtons && lastGroup >= 0 && group != lastGroup)
            total += m_groupSpacing;
        total += m_buttonWidth;
        lastGroup = group;
    }
    if (m_autoSize)
        resize(total + 2 * m_borderWidth, m_buttonHeight + 2 * m_borderWidth);

    const QRect client = rect().adjusted(m_borderWidth, m_borderWidth, -m_borderWidth,
                                         -m_borderWidth);
    int x = client.left() + qMax(0, (client.width() - total) / 2);
    const int y = client.top() + qMax(0, (client.height() - m_buttonHeight) / 2);
    lastGroup = -1;
    for (int i = 0; i < gmNavigateBtnCount; ++i) {
        TGmNavButton *b = m_buttons[i];
        if (!(m_visible & (1u << i))) {
            b->setGeometry(width() + 1, y, m_buttonWidth, m_buttonHeight);
            b->hide();
            continue;
        }
        if (m_groupButtons && lastGroup >= 0 && b->Group() != lastGroup)
            x += m_groupSpacing;
        b->setGeometry(x, y, m_buttonWidth, m_buttonHeight);
        b->show();
        x += m_buttonWidth;
        lastGroup = b->Group();
    }
}

void TGmPageNavigator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_autoSize)
        LayoutButtons();
}
