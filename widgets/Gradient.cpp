#include "Gradient.h"

#include <QPainter>
#include <cmath>
#include <stdexcept>

namespace {

int channel(std::uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

} // namespace

void PaintGradient(QPainter &painter, const QRect &rect, const QList<std::uint32_t> &colours,
                   bool horizontal)
{
    if (colours.size() < 2)
        throw std::invalid_argument("Es müssen mindestens zwei Farben angegeben werden.");
    // QRect's right/bottom are inclusive; the classic rectangle's are one past the end.
    const int left = rect.left(), top = rect.top();
    const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
    const int size = horizontal ? right - left : bottom - top;
    const int segments = int(colours.size()) - 1;
    const int step = int(std::nearbyint(double(size) / segments)); // halves to even

    const QPen saved = painter.pen();
    QPen pen(Qt::SolidLine);
    pen.setWidth(1);
    pen.setCosmetic(true);
    for (int i = 0; i < segments; ++i) {
        const int len = i == segments - 1 ? size - i * step - 1 : step;
        const std::uint32_t a = colours[i], b = colours[i + 1];
        for (int j = 0; j <= len; ++j) {
            const double t = len > 0 ? double(j) / len : 0.0;
            auto mix = [t](int from, int to) { return int(from + (to - from) * t); };
            pen.setColor(QColor(mix(channel(a, 0), channel(b, 0)), mix(channel(a, 8), channel(b, 8)),
                                mix(channel(a, 16), channel(b, 16))));
            painter.setPen(pen);
            const int p = i * step + j;
            // A line excludes its end point: the last pixel drawn is one short of it.
            if (horizontal)
                painter.drawLine(left + p, top, left + p, bottom - 1);
            else
                painter.drawLine(left, top + p, right - 1, top + p);
        }
    }
    painter.setPen(saved);
}
