#include "preview/GmGlyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor ink(0x20, 0x30, 0x60);
const QColor paperEdge(0x40, 0x40, 0x40);

// A triangle pointing left or right inside the rectangle.
void arrow(QPainter &p, const QRectF &r, bool right)
{
    QPainterPath path;
    if (right) {
        path.moveTo(r.left(), r.top());
        path.lineTo(r.right(), r.center().y());
        path.lineTo(r.left(), r.bottom());
    } else {
        path.moveTo(r.right(), r.top());
        path.lineTo(r.left(), r.center().y());
        path.lineTo(r.right(), r.bottom());
    }
    path.closeSubpath();
    p.fillPath(path, ink);
}

// A sheet with a folded corner.
void sheet(QPainter &p, const QRectF &r)
{
    const qreal fold = qMin(r.width(), r.height()) / 4;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(paperEdge, 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
}

// A magnifying glass with a plus, a minus or a "1".
void lens(QPainter &p, const QString &sign)
{
    p.setPen(QPen(ink, 2));
    p.setBrush(QColor(0xE8, 0xF0, 0xFF));
    p.drawEllipse(QRectF(2, 2, 13, 13));
    p.drawLine(QPointF(13.5, 13.5), QPointF(20, 20));
    p.setPen(QPen(ink, 1.6));
    if (sign == QLatin1String("+") || sign == QLatin1String("-"))
        p.drawLine(QPointF(5.5, 8.5), QPointF(11.5, 8.5));
    if (sign == QLatin1String("+"))
        p.drawLine(QPointF(8.5, 5.5), QPointF(8.5, 11.5));
    if (sign == QLatin1String("1")) {
        p.drawLine(QPointF(8.5, 5), QPointF(8.5, 12));
        p.drawLine(QPointF(8.5, 5), QPointF(6.5, 7));
    }
}

// A page with a double arrow across (horizontal), along (vertical) or both.
void fit(QPainter &p, bool horizontal, bool vertical)
{
    sheet(p, QRectF(4.5, 2.5, 13, 17));
    p.setPen(QPen(ink, 1.4));
    if (horizontal) {
        p.drawLine(QPointF(1, 11), QPointF(21, 11));
        arrow(p, QRectF(0, 8, 4, 6), false);
        arrow(p, QRectF(18, 8, 4, 6), true);
    }
    if (vertical) {
        p.drawLine(QPointF(11, 0.5), QPointF(11, 21.5));
        QPainterPath up;
        up.moveTo(8, 4);
        up.lineTo(11, 0);
        up.lineTo(14, 4);
        up.closeSubpath();
        p.fillPath(up, ink);
        QPainterPath down;
        down.moveTo(8, 18);
        down.lineTo(11, 22);
        down.lineTo(14, 18);
        down.closeSubpath();
        p.fillPath(down, ink);
    }
}

void drawNavigator(QPainter &p, const QString &name)
{
    if (name == QLatin1String("FIRST")) {
        p.fillRect(QRectF(5, 5, 2, 12), ink);
        arrow(p, QRectF(8, 5, 9, 12), false);
    } else if (name == QLatin1String("PREV")) {
        arrow(p, QRectF(6, 5, 9, 12), false);
    } else if (name == QLatin1String("NEXT")) {
        arrow(p, QRectF(7, 5, 9, 12), true);
    } else if (name == QLatin1String("LAST")) {
        arrow(p, QRectF(5, 5, 9, 12), true);
        p.fillRect(QRectF(15, 5, 2, 12), ink);
    } else if (name == QLatin1String("ADDPAGE") || name == QLatin1String("DELETEPAGE")) {
        sheet(p, QRectF(3.5, 1.5, 12, 16));
        const QColor mark = name == QLatin1String("ADDPAGE") ? QColor(0, 0x80, 0)
                                                              : QColor(0xC0, 0, 0);
        p.fillRect(QRectF(11, 15, 9, 3), mark);
        if (name == QLatin1String("ADDPAGE"))
            p.fillRect(QRectF(14, 12, 3, 9), mark);
    } else if (name == QLatin1String("CLEAR")) {
        sheet(p, QRectF(4.5, 2.5, 13, 17));
        p.setPen(QPen(QColor(0xC0, 0, 0), 2));
        p.drawLine(QPointF(6, 6), QPointF(16, 16));
        p.drawLine(QPointF(16, 6), QPointF(6, 16));
    } else if (name == QLatin1String("ZOOMIN")) {
        lens(p, QStringLiteral("+"));
    } else if (name == QLatin1String("ZOOMOUT")) {
        lens(p, QStringLiteral("-"));
    } else if (name == QLatin1String("ACTUALSIZE")) {
        lens(p, QStringLiteral("1"));
    } else if (name == QLatin1String("FITWIDTH")) {
        fit(p, true, false);
    } else if (name == QLatin1String("FITHEIGHT")) {
        fit(p, false, true);
    } else if (name == QLatin1String("FITWHOLEPAGE")) {
        fit(p, true, true);
    }
}

void drawListPicture(QPainter &p, const QString &name)
{
    if (name == QLatin1String("Paper")) {
        sheet(p, QRectF(3.5, 0.5, 10, 14));
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
        for (int y = 5; y <= 11; y += 2)
            p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
    } else if (name == QLatin1String("Envelope")) {
        p.setPen(QPen(paperEdge, 1));
        p.setBrush(QColor(0xFF, 0xF8, 0xE0));
        p.drawRect(QRectF(0.5, 3.5, 15, 9));
        p.drawLine(QPointF(0.5, 3.5), QPointF(8, 9));
        p.drawLine(QPointF(15.5, 3.5), QPointF(8, 9));
    } else if (name == QLatin1String("Printer")) {
        p.setPen(QPen(paperEdge, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 0.5, 7, 5));
        p.setBrush(QColor(0x90, 0x98, 0xA8));
        p.drawRect(QRectF(0.5, 5.5, 15, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 10.5, 9, 5));
        p.fillRect(QRectF(12, 7, 2, 1.5), QColor(0, 0xA0, 0));
    }
}

void drawPictureButton(QPainter &p, const QString &name)
{
    if (name == QLatin1String("Portrait")) {
        sheet(p, QRectF(4.5, 1.5, 11, 15));
    } else if (name == QLatin1String("Landscape")) {
        sheet(p, QRectF(1.5, 4.5, 15, 11));
    } else {
        const int parts = name == QLatin1String("OnePage") ? 1
                          : name == QLatin1String("TwoPage") ? 2 : 4;
        sheet(p, QRectF(4.5, 1.5, 11, 15));
        p.setPen(QPen(ink, 1));
        if (parts >= 2)
            p.drawLine(QPointF(5, 9), QPointF(15, 9));
        if (parts == 4)
            p.drawLine(QPointF(10, 2), QPointF(10, 16));
    }
}

QPixmap draw(const QString &name)
{
    static const QStringList navigator = {
        QStringLiteral("FIRST"), QStringLiteral("PREV"), QStringLiteral("NEXT"),
        QStringLiteral("LAST"), QStringLiteral("ADDPAGE"), QStringLiteral("DELETEPAGE"),
        QStringLiteral("CLEAR"), QStringLiteral("ZOOMIN"), QStringLiteral("ZOOMOUT"),
        QStringLiteral("ACTUALSIZE"), QStringLiteral("FITWIDTH"), QStringLiteral("FITHEIGHT"),
        QStringLiteral("FITWHOLEPAGE")};
    static const QStringList lists = {QStringLiteral("Envelope"), QStringLiteral("Paper"),
                                      QStringLiteral("Printer")};
    const bool big = navigator.contains(name);
    const int side = big ? 22 : (lists.contains(name) ? 16 : 18);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (big)
        drawNavigator(p, name);
    else if (lists.contains(name))
        drawListPicture(p, name);
    else
        drawPictureButton(p, name);
    return pixmap;
}

} // namespace

QPixmap gmGlyph(const QString &name)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, draw(name));
    return *it;
}
