#include "preview/GmPropertyGraphic.h"

#include "preview/GmGlyphs.h"
#include "preview/GmPaperImage.h"
#include "preview/GmPreview.h"

#include <QButtonGroup>
#include <QPainter>

namespace {
constexpr int buttonSide = 23;
constexpr int paperZoom = 6;
const QColor letterColor(0xC0, 0xC0, 0xC0);

QFont arial(int points)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(points);
    return f;
}
} // namespace

TGmPropertyGraphic::TGmPropertyGraphic(QWidget *parent) : QWidget(parent)
{
    resize(137, 105);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    createButtons();
}

TGmPropertyGraphic::~TGmPropertyGraphic()
{
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
}

void TGmPropertyGraphic::SetPreview(TGmPreview *preview)
{
    if (m_preview == preview)
        return;
    if (m_preview)
        m_preview->UnregisterLinkedControl(this);
    m_preview = preview;
    if (m_preview) {
        m_preview->RegisterLinkedControl(this);
        m_orientation = m_preview->Orientation();
        m_pagesPerSheet = m_preview->PagesPerSheet();
    }
    showState();
}

void TGmPropertyGraphic::SetPreviewProperty(TGmGraphicPropertyType property)
{
    m_property = property;
    createButtons();
    showState();
}

void TGmPropertyGraphic::SetButtonSpacing(int pixels)
{
    m_buttonSpacing = pixels;
    layoutButtons();
}

void TGmPropertyGraphic::SetShowButtons(bool on)
{
    m_showButtons = on;
    for (QToolButton *b : m_buttons)
        b->setVisible(on);
}

QToolButton *TGmPropertyGraphic::Button(int n) const
{
    return n >= 1 && n <= ButtonCount() ? m_buttons[size_t(n - 1)] : nullptr;
}

void TGmPropertyGraphic::createButtons()
{
    for (QToolButton *b : m_buttons)
        delete b;
    m_buttons.clear();
    const QStringList glyphs = m_property == gmOrientationGraphic
                                   ? QStringList{QStringLiteral("Portrait"),
                                                 QStringLiteral("Landscape")}
                                   : QStringList{QStringLiteral("OnePage"),
                                                 QStringLiteral("TwoPage"),
                                                 QStringLiteral("FourPage")};
    for (int i = 0; i < glyphs.size(); ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(glyphs.at(i));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIcon(QIcon(gmGlyph(glyphs.at(i))));
        b->setIconSize(QSize(18, 18));
        b->setVisible(m_showButtons);
        m_group->addButton(b, i + 1);
        connect(b, &QToolButton::clicked, this, [this, n = i + 1] { buttonClicked(n); });
        m_buttons.push_back(b);
    }
    layoutButtons();
}

void TGmPropertyGraphic::layoutButtons()
{
    const int n = ButtonCount();
    const int column = n == 2 ? 46 + m_buttonSpacing : 69 + 2 * m_buttonSpacing;
    int y = (height() - column) / 2;
    for (QToolButton *b : m_buttons) {
        b->setGeometry(8, y, buttonSide, buttonSide);
        y += m_buttonSpacing + buttonSide;
    }
}

void TGmPropertyGraphic::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutButtons();
}

void TGmPropertyGraphic::buttonClicked(int n)
{
    if (m_property == gmOrientationGraphic) {
        m_orientation = n == 1 ? gmPortrait : gmLandscape;
        showState();
        if (m_preview)
            m_preview->SetOrientation(m_orientation);
    } else {
        m_pagesPerSheet = n == 1 ? gmOnePage : n == 2 ? gmTwoPage : gmFourPage;
        showState();
        if (m_preview)
            m_preview->SetPagesPerSheet(m_pagesPerSheet);
    }
}

void TGmPropertyGraphic::showState()
{
    const int n = m_property == gmOrientationGraphic ? (m_orientation == gmPortrait ? 1 : 2)
                                                     : int(m_pagesPerSheet) + 1;
    if (QToolButton *b = Button(n))
        b->setChecked(true);
    update();
}

QSizeF TGmPropertyGraphic::pageInches() const
{
    Extended w = 210 / 25.4L;
    Extended h = 297 / 25.4L;
    if (m_preview && m_preview->PageShown()) {
        w = qMin(m_preview->PageShown()->WidthInches(), m_preview->PageShown()->HeightInches());
        h = qMax(m_preview->PageShown()->WidthInches(), m_preview->PageShown()->HeightInches());
    }
    return QSizeF(double(w), double(h));
}

TGmOrientation TGmPropertyGraphic::shownOrientation() const
{
    if (m_property == gmOrientationGraphic)
        return m_orientation;
    TGmOrientation o = m_preview ? m_preview->Orientation() : gmPortrait;
    if (m_pagesPerSheet == gmTwoPage)
        o = o == gmPortrait ? gmLandscape : gmPortrait;
    return o;
}

QRect TGmPropertyGraphic::paperRect() const
{
    QSizeF inches = pageInches();
    if (shownOrientation() == gmLandscape)
        inches.transpose();
    const int w = gmScreenPixels(inches.width(), paperZoom);
    const int h = gmScreenPixels(inches.height(), paperZoom);
    const QMargins g(26, 30, 30, 30);
    return QRect((width() - g.left() - g.right() - w) / 2 + g.left(),
                 (height() - g.top() - g.bottom() - h) / 2 + g.top(), w, h);
}

void TGmPropertyGraphic::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect page = paperRect();
    p.fillRect(page, Qt::white);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(page.adjusted(0, 0, -1, -1));
    const int w = ShadowWidth;
    const int right = page.left() + page.width();
    const int bottom = page.top() + page.height();
    if (w > 0) {
        p.fillRect(QRect(QPoint(right + 1, page.top() + w + 1), QPoint(right + w, bottom)),
                   Qt::black);
        p.fillRect(QRect(QPoint(page.left() + w + 1, bottom + 1), QPoint(right + w, bottom + w)),
                   Qt::black);
    }

    p.setPen(letterColor);
    auto label = [&p](const QRect &area, const QString &text, int points) {
        p.setFont(arial(points));
        p.drawText(area, Qt::AlignCenter, text);
    };
    if (m_property == gmOrientationGraphic) {
        label(page, m_orientation == gmPortrait ? QStringLiteral("P") : QStringLiteral("L"), 18);
        return;
    }
    const QRect inner = page.adjusted(1, 1, -1, -1);
    if (m_pagesPerSheet == gmOnePage) {
        label(inner, QStringLiteral("1"), 16);
    } else if (m_pagesPerSheet == gmTwoPage) {
        // Halves side by side on a landscape sheet, one above the other on a portrait one.
        const bool across = page.width() > page.height();
        QRect first = inner, second = inner;
        if (across) {
            first.setRight(inner.center().x());
            second.setLeft(inner.center().x() + 1);
            p.drawLine(inner.center().x(), inner.top(), inner.center().x(), inner.bottom());
        } else {
            first.setBottom(inner.center().y());
            second.setTop(inner.center().y() + 1);
            p.drawLine(inner.left(), inner.center().y(), inner.right(), inner.center().y());
        }
        label(first, QStringLiteral("1"), 12);
        label(second, QStringLiteral("2"), 12);
    } else {
        const QPoint c = inner.center();
        p.drawLine(c.x(), inner.top(), c.x(), inner.bottom());
        p.drawLine(inner.left(), c.y(), inner.right(), c.y());
        label(QRect(inner.topLeft(), c), QStringLiteral("1"), 10);
        label(QRect(QPoint(c.x() + 1, inner.top()), QPoint(inner.right(), c.y())),
              QStringLiteral("2"), 10);
        label(QRect(QPoint(inner.left(), c.y() + 1), QPoint(c.x(), inner.bottom())),
              QStringLiteral("3"), 10);
        label(QRect(QPoint(c.x() + 1, c.y() + 1), inner.bottomRight()), QStringLiteral("4"), 10);
    }
}

bool TGmPropertyGraphic::event(QEvent *event)
{
    if (event->type() == TGmPreviewNotifyEvent::eventType()) {
        const int code = static_cast<TGmPreviewNotifyEvent *>(event)->code();
        if (m_preview && code == gmNotifyOrientationChanged
            && m_property == gmOrientationGraphic) {
            m_orientation = m_preview->Orientation();
            showState();
        } else if (m_preview && code == gmNotifyPagesPerSheetChanged
                   && m_property == gmMultipageGraphic) {
            m_pagesPerSheet = m_preview->PagesPerSheet();
            showState();
        }
        return true;
    }
    return QWidget::event(event);
}
