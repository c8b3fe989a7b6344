#include "editor/PaintGradient.h"

#include "app/Exceptions.h"

#include <QPainter>
#include <cmath>

int gradient::stepFor(int size, int segments)
{
    const double exact = double(size) / segments;
    const double whole = std::floor(exact);
    const double fraction = exact - whole;
    if (fraction > 0.5)
        return int(whole) + 1;
    if (fraction < 0.5)
        return int(whole);
    return (std::fmod(whole, 2.0) == 0.0) ? int(whole) : int(whole) + 1;
}

void PaintGradient(QPainter &canvas, const QRect &rect, const QList<QColor> &colours,
                   bool horizontal)
{
    if (colours.size() < 2)
        throw EScrivelleError(QStringLiteral("Es müssen mindestens zwei Farben angegeben werden."));
    const int segments = int(colours.size()) - 1;
    const int size = horizontal ? rect.width() : rect.height();
    const int step = gradient::stepFor(size, segments);

    for (int i = 0; i < segments; ++i) {
        const int len = (i == segments - 1) ? size - i * step - 1 : step;
        const QColor from = colours[i].toRgb();
        const QColor to = colours[i + 1].toRgb();
        for (int j = 0; j <= len; ++j) {
            // A segment of length 0 (under two pixels per segment) shows its end colour.
            const double t = len > 0 ? double(j) / len : 1.0;
            auto channel = [t](int a, int b) { return int(a + (b - a) * t); };
            const QColor c(channel(from.red(), to.red()), channel(from.green(), to.green()),
                           channel(from.blue(), to.blue()));
            const int p = i * step + j;
            // Lines exclude their end point: a column or row exactly as wide as the rectangle.
            if (horizontal)
                canvas.fillRect(QRect(rect.left() + p, rect.top(), 1, rect.height()), c);
            else
                canvas.fillRect(QRect(rect.left(), rect.top() + p, rect.width(), 1), c);
        }
    }
}
