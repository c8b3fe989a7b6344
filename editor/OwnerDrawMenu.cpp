#include "editor/OwnerDrawMenu.h"

#include "editor/PaintGradient.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

// The style every owner-drawn menu uses: it asks the menu's events for item sizes and
// pictures and paints the panel in the items' background colour with a thin grey frame.
class OwnerDrawStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        switch (metric) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 0;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        const auto *menu = qobject_cast<const TOwnerDrawMenu *>(widget);
        QAction *item = menu ? menu->styledAction() : nullptr;
        if (type != CT_MenuItem || !item)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        auto &events = const_cast<TOwnerDrawMenu *>(menu)->events();
        const auto &measure = item->isSeparator() ? events.OnMeasureSeparator
                                                  : events.OnMeasureItem;
        if (!measure)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        // A scratch canvas with the menu's resolution, so text measures as it will paint.
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dpm = qRound(widget->logicalDpiX() / 0.0254);
        scratch.setDotsPerMeterX(dpm);
        scratch.setDotsPerMeterY(dpm);
        QPainter canvas(&scratch);
        int width = 0, height = 0;
        measure(item, canvas, width, height);
        return QSize(width, height);
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *menu = qobject_cast<const TOwnerDrawMenu *>(widget);
        if (element == CE_MenuEmptyArea && menu) {
            painter->fillRect(option->rect, colorFromBgr(menudraw::kItemBackground));
            return;
        }
        QAction *item = menu ? menu->styledAction() : nullptr;
        if (element != CE_MenuItem || !item) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        auto &events = const_cast<TOwnerDrawMenu *>(menu)->events();
        const auto &draw = item->isSeparator() ? events.OnDrawSeparator : events.OnDrawItem;
        if (!draw) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The items' own coordinates start at the menu's client edge, where the picture
        // column begins.
        const QRect rect = option->rect;
        painter->save();
        painter->translate(rect.left(), 0);
        painter->setClipRect(QRect(0, rect.top(), rect.width(), rect.height()));
        const bool selected = option->state & State_Selected;
        draw(item, *painter, QRect(0, rect.top(), rect.width(), rect.height()), selected);
        if (item->menu())
            drawSubmenuArrow(*painter, QRect(0, rect.top(), rect.width(), rect.height()),
                             item->isEnabled());
        painter->restore();
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (qobject_cast<const TOwnerDrawMenu *>(widget)) {
            if (element == PE_PanelMenu) {
                painter->fillRect(option->rect, colorFromBgr(menudraw::kItemBackground));
                return;
            }
            if (element == PE_FrameMenu) {
                painter->save();
                painter->setPen(QColor(0xA0, 0xA0, 0xA0));
                painter->setBrush(Qt::NoBrush);
                painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
                painter->restore();
                return;
            }
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

private:
    // The arrow the window system adds to an item that opens a submenu.
    static void drawSubmenuArrow(QPainter &p, const QRect &r, bool enabled)
    {
        const int cx = r.right() - 8;
        const int cy = r.top() + 11 + 7;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colorFromBgr(enabled ? menudraw::kEnabledText : menudraw::kDisabledText));
        p.drawPolygon(QPolygonF({QPointF(cx - 3, cy - 4.5), QPointF(cx + 2, cy),
                                 QPointF(cx - 3, cy + 4.5)}));
        p.restore();
    }
};

QStyle *ownerDrawStyle()
{
    static QPointer<OwnerDrawStyle> style;
    if (!style) {
        style = new OwnerDrawStyle;
        style->setParent(qApp);
    }
    return style;
}

// The owner-drawn menu an item belongs to, if any.
const TOwnerDrawMenu *menuOf(const QAction *item)
{
    for (QObject *o : item->associatedObjects())
        if (auto *menu = qobject_cast<const TOwnerDrawMenu *>(o))
            return menu;
    return nullptr;
}

QFont arial(bool bold)
{
    QFont f(QStringLiteral("Arial"), 10);
    f.setBold(bold);
    return f;
}

QString withoutPrefixes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

// Draws text from the top left (or right) of `r`, "&" underlining the next letter.
void drawText(QPainter &p, const QRect &r, const QString &text, bool right = false)
{
    const int flags = Qt::AlignTop | (right ? Qt::AlignRight : Qt::AlignLeft)
                      | Qt::TextShowMnemonic | Qt::TextExpandTabs;
    p.drawText(r, flags, text);
}

QRect columnOf(const QRect &r)
{
    return QRect(r.left(), r.top(), menudraw::kColumnWidth - r.left(), r.height());
}

} // namespace

// ---- TOwnerDrawMenu -----------------------------------------------------------------------

TOwnerDrawMenu::TOwnerDrawMenu(QWidget *parent)
    : QMenu(parent), m_events(std::make_shared<Events>())
{
    setStyle(ownerDrawStyle());
}

TOwnerDrawMenu::~TOwnerDrawMenu() = default;

TOwnerDrawMenu *TOwnerDrawMenu::addOwnerDrawMenu(const QString &title)
{
    auto *sub = new TOwnerDrawMenu(this);
    sub->setTitle(title);
    sub->m_events = m_events;
    sub->m_hasImages = m_hasImages;
    addMenu(sub);
    return sub;
}

void TOwnerDrawMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const
{
    QMenu::initStyleOption(option, action);
    m_styled = action;
}

// ---- drawing ------------------------------------------------------------------------------

QString menudraw::captionOf(const QAction *item)
{
    const QString text = item->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    return tab < 0 ? text : text.left(tab);
}

QString menudraw::shortcutTextOf(const QAction *item)
{
    const QString text = item->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        return text.mid(tab + 1);
    return item->shortcut().toString(QKeySequence::NativeText);
}

QString menudraw::hintOf(const QAction *item)
{
    return item->statusTip();
}

QSize menudraw::measureText(const QFontMetrics &metrics, const QString &text)
{
    if (text.isEmpty())
        return QSize(0, 0);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = qMax(width, metrics.horizontalAdvance(withoutPrefixes(line)));
    return QSize(width, int(lines.size()) * metrics.lineSpacing());
}

void menudraw::measureItem(const QAction *item, QPainter &canvas, bool hasImages, int &width,
                           int &height)
{
    // Measured in the menu font's face, bold, 10 points.
    QFont bold = QApplication::font("QMenu");
    bold.setPointSize(10);
    bold.setBold(true);
    canvas.setFont(bold);
    const QSize caption = measureText(canvas.fontMetrics(), captionOf(item));
    int wc = caption.width();
    const QString shortcut = shortcutTextOf(item);
    if (!shortcut.isEmpty())
        wc += measureText(canvas.fontMetrics(), shortcut).width() + 8;
    QFont regular = bold;
    regular.setBold(false);
    canvas.setFont(regular);
    const QSize hint = measureText(canvas.fontMetrics(), hintOf(item));
    width = qMax(wc, hint.width()) + 8 + (hasImages ? kColumnWidth : 0);
    height = hint.height() + caption.height() + 21;
}

void menudraw::drawItem(const QAction *item, QPainter &canvas, const QRect &r, bool selected,
                        bool hasImages)
{
    canvas.setFont(arial(true));
    const int h = measureText(canvas.fontMetrics(), captionOf(item)).height();
    canvas.fillRect(r, colorFromBgr(kItemBackground));
    const QRect column = columnOf(r);
    const bool checked = item->isChecked();
    if (hasImages) {
        if (checked)
            PaintGradient(canvas, column,
                          {colorFromBgr(kAmberTop), colorFromBgr(kAmberTop),
                           colorFromBgr(kAmberBottom)}, false);
        else
            PaintGradient(canvas, column,
                          {colorFromBgr(kColumnLeft), colorFromBgr(kColumnRight),
                           colorFromBgr(kColumnRight)}, true);
    }
    const bool enabled = item->isEnabled();
    if (selected && enabled) {
        // Clip to the rounded item, then one gradient band for the caption line and one for
        // the hint, or a single band without a hint.
        const QList<QColor> amber{colorFromBgr(kAmberTop), colorFromBgr(kAmberTop),
                                  colorFromBgr(kAmberBottom)};
        canvas.save();
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(r), 2.5, 2.5);
        canvas.setClipPath(rounded, Qt::IntersectClip);
        if (!hintOf(item).isEmpty()) {
            const int split = qMin(r.top() + h + 12, r.top() + r.height());
            PaintGradient(canvas, QRect(r.left(), r.top(), r.width(), split - r.top()), amber,
                          false);
            PaintGradient(canvas, QRect(r.left(), split, r.width(), r.bottom() + 1 - split),
                          amber, false);
        } else {
            PaintGradient(canvas, r, amber, false);
        }
        canvas.restore();
        canvas.save();
        canvas.setPen(colorFromBgr(kOutline));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        canvas.restore();
    }

    canvas.setFont(arial(false));
    canvas.setPen(colorFromBgr(enabled ? kEnabledText : kDisabledText));
    QRect text(r.left() + 4 + (hasImages ? kColumnWidth : 0), r.top() + 11, 0, 0);
    text.setRight(r.right() - 4);
    text.setBottom(r.bottom());
    drawText(canvas, text, captionOf(item));

    const QIcon picture = item->icon();
    if (checked) {
        canvas.save();
        canvas.setPen(colorFromBgr(kCheckFrame));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(column.adjusted(0, 0, -1, -1));
        canvas.restore();
        if (picture.isNull()) {
            const QPixmap &mark = checkMarkBitmap();
            const int x = column.left() + (column.width() - mark.width()) / 2 + 1;
            const int y = r.top() + (r.height() - mark.height()) / 2 - 1;
            canvas.drawPixmap(x, y, mark);
        }
    }
    const QString shortcut = shortcutTextOf(item);
    if (!shortcut.isEmpty())
        drawText(canvas, text, shortcut, true);
    const QString hint = hintOf(item);
    if (!hint.isEmpty()) {
        text.setTop(r.top() + h + 14);
        text.setBottom(r.bottom());
        drawText(canvas, text, hint);
    }
    if (!picture.isNull() && hasImages)
        canvas.drawPixmap(r.left() + 4, r.top() + 4, picture.pixmap(QSize(32, 32), 1.0));
}

void menudraw::measureSeparator(int &width, int &height)
{
    width = 10;
    height = 3;
}

void menudraw::drawSeparator(QPainter &canvas, const QRect &r, bool hasImages)
{
    if (hasImages)
        PaintGradient(canvas, columnOf(r),
                      {colorFromBgr(kColumnLeft), colorFromBgr(kColumnRight),
                       colorFromBgr(kColumnRight)}, true);
    canvas.fillRect(QRect(r.left() + kColumnWidth, r.top() + r.height() - 2,
                          r.width() - kColumnWidth, 1), colorFromBgr(kOutline));
}

const QPixmap &menudraw::checkMarkBitmap()
{
    // A 13 × 13 black tick on a clear ground, the size of the classic check-mark bitmap.
    static const QPixmap mark = [] {
        QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(QPolygonF({QPointF(2.5, 6.5), QPointF(5.5, 9.5), QPointF(10.5, 3.5)}));
        p.end();
        return QPixmap::fromImage(image);
    }();
    return mark;
}

bool menudraw::menuHasImages(const QAction *item)
{
    const TOwnerDrawMenu *menu = menuOf(item);
    return !menu || menu->hasImages();
}
