#include "IconKit.h"

#include <QFont>
#include <QIconEngine>
#include <QImage>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace iconkit {

QPen outline(qreal width)
{
    return QPen(kLine, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

QPen stroke(const QColor &colour, qreal width, Qt::PenCapStyle cap)
{
    return QPen(colour, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

// A sheet of paper with its top right corner folded over.
void drawPage(QPainter &p, const QRectF &r, qreal fold, const QColor &fill)
{
    QPainterPath sheet;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(outline());
    p.setBrush(fill);
    p.drawPath(sheet);

    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(kFold);
    p.drawPath(corner);
}

// Horizontal strokes standing for lines of text, from x1 to x2 at each y.
void drawLines(QPainter &p, qreal x1, qreal x2, std::initializer_list<qreal> ys,
               const QColor &colour, qreal width)
{
    p.setPen(stroke(colour, width, Qt::FlatCap));
    for (qreal y : ys)
        p.drawLine(QPointF(x1, y), QPointF(x2, y));
}

// Clears a disc so a badge stands apart from the picture beneath it on any background.
void drawHalo(QPainter &p, const QPointF &centre, qreal radius)
{
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

// A solid arrow head with its tip at `tip`, pointing along the unit vector `dir`.
void drawArrowHead(QPainter &p, const QPointF &tip, const QPointF &dir, qreal length,
                   qreal halfWidth, const QColor &colour)
{
    const QPointF normal(-dir.y(), dir.x());
    const QPointF base = tip - dir * length;
    p.setPen(stroke(colour, 1));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({tip, base + normal * halfWidth, base - normal * halfWidth}));
}

// A circular arrow around `centre`; angles in degrees, counter-clockwise for a positive span.
void drawArcArrow(QPainter &p, const QPointF &centre, qreal radius, qreal startDeg,
                  qreal spanDeg, qreal width, const QColor &colour)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.setPen(stroke(colour, width, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(box, qRound(startDeg * 16), qRound(spanDeg * 16));
    const qreal end = qDegreesToRadians(startDeg + spanDeg);
    const QPointF at(centre.x() + radius * qCos(end), centre.y() - radius * qSin(end));
    QPointF dir(-qSin(end), -qCos(end));
    if (spanDeg < 0)
        dir = -dir;
    drawArrowHead(p, at + dir * width * 1.4, dir, width * 2.4, width * 1.5, colour);
}

// Text set as a filled outline, scaled to fit `box` and centred in it.
void drawGlyphs(QPainter &p, const QString &text, const QRectF &box, const QColor &colour,
                bool bold, Qt::Alignment align)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setStyleHint(QFont::Serif);
    font.setBold(bold);
    font.setPixelSize(100);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    const qreal scale = qMin(box.width() / bounds.width(), box.height() / bounds.height());
    const QSizeF size = bounds.size() * scale;
    qreal x = box.left() + (box.width() - size.width()) / 2;
    if (align & Qt::AlignLeft)
        x = box.left();
    else if (align & Qt::AlignRight)
        x = box.right() - size.width();
    qreal y = box.top() + (box.height() - size.height()) / 2;
    if (align & Qt::AlignBottom)
        y = box.bottom() - size.height();
    p.save();
    p.translate(x, y);
    p.scale(scale, scale);
    p.translate(-bounds.topLeft());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

QImage render(DrawFn draw, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p);
    return image;
}

// The greyed look for disabled buttons: the picture in light grey, half transparent.
QImage greyed(const QImage &source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = 110 + qGray(c) * 120 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(c) * 6 / 10);
        }
    }
    return image;
}

namespace {

QIcon drawnIcon(DrawFn draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        const QImage image = render(draw, size);
        icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(greyed(image)), QIcon::Disabled);
    }
    return icon;
}

// Draws the pictures the first time the icon is asked for anything, then answers from them:
// a window that is never shown (a conversion on the command line) or a menu never opened
// costs no drawing, and the fonts the glyph pictures use are not loaded for it.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(DrawFn draw) : m_draw(draw) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("iconkit"); }
    QIconEngine *clone() const override
    {
        auto *copy = new DeferredIconEngine(m_draw);
        copy->m_icon = m_icon;
        return copy;
    }

private:
    const QIcon &icon()
    {
        if (m_icon.isNull())
            m_icon = drawnIcon(m_draw);
        return m_icon;
    }

    DrawFn m_draw;
    QIcon m_icon;
};

} // namespace

QIcon iconFrom(DrawFn draw)
{
    return QIcon(new DeferredIconEngine(draw));
}

} // namespace iconkit
