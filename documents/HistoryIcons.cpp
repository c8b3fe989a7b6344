#include "documents/HistoryIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace history {

namespace {

// A page with a folded corner, a few text lines and, when given, a coloured label band.
QPixmap page(const QColor &colour, const QString &label)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath sheet;
    sheet.moveTo(6.5, 1.5);
    sheet.lineTo(20.5, 1.5);
    sheet.lineTo(26.5, 7.5);
    sheet.lineTo(26.5, 30.5);
    sheet.lineTo(6.5, 30.5);
    sheet.closeSubpath();
    p.fillPath(sheet, QColor(0xFB, 0xFB, 0xFB)); // not pure white, which would be see-through
    p.setPen(QPen(QColor(0x8C, 0x8C, 0x8C), 1));
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(20.5, 1.5);
    fold.lineTo(20.5, 7.5);
    fold.lineTo(26.5, 7.5);
    p.fillPath(fold, QColor(0xDD, 0xDD, 0xDD));
    p.drawPath(fold);
    p.setPen(QPen(colour.lighter(150), 1));
    for (int y = 11; y <= 27; y += 3)
        p.drawLine(QPointF(9.5, y + 0.5), QPointF(23.5, y + 0.5));
    if (!label.isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(2, 15, 24, 11), 2, 2);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0xFB, 0xFB, 0xFB));
        p.drawText(QRectF(2, 15, 24, 11), Qt::AlignCenter, label);
    }
    return pm;
}

} // namespace

QList<QPixmap> fileKindIcons()
{
    return {page(QColor(0x6E, 0x6E, 0x6E), QStringLiteral("TXT")),
            page(QColor(0x7C, 0x5C, 0xA8), QString()),
            page(QColor(0x2E, 0x6F, 0xD0), QStringLiteral("RTF")),
            page(QColor(0x1F, 0x4E, 0x9A), QStringLiteral("DOC")),
            page(QColor(0xE0, 0x7B, 0x00), QStringLiteral("</>")),
            page(QColor(0xA0, 0xA0, 0xA0), QString()),
            page(QColor(0x2E, 0x9A, 0x4E), QStringLiteral("RTC"))};
}

QPixmap buttonGlyph(Glyph glyph)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0x20, 0x20, 0x20), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (glyph) {
    case Glyph::Clear: // a waste bin
        p.drawLine(QPointF(3, 4), QPointF(13, 4));
        p.drawLine(QPointF(6.5, 2), QPointF(9.5, 2));
        p.drawPolyline(QPolygonF({QPointF(4.5, 5), QPointF(5.5, 14), QPointF(10.5, 14), QPointF(11.5, 5)}));
        break;
    case Glyph::Remove: // a minus in a circle
        p.setPen(QPen(QColor(0xB0, 0x20, 0x20), 2));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
        break;
    case Glyph::Search: // a magnifying glass
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
        break;
    case Glyph::Open: // an open folder
        p.setPen(QPen(QColor(0x8A, 0x5A, 0x00), 1.5));
        p.setBrush(QColor(0xF2, 0xC1, 0x4E));
        p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5.5), QPointF(13.5, 5.5),
                                 QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    case Glyph::Close: // a cross
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    return pm;
}

} // namespace history
