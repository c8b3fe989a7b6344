#pragma once
// PaintGradient: fills a rectangle with a linear gradient through several colours, one line of
// pixels at a time, as the owner-drawn menus and the document history list paint their bands.

#include <QColor>
#include <QList>
#include <QRect>
#include <cstdint>

class QPainter;

// A colour given as a 0x00BBGGRR value.
inline QColor colorFromBgr(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Fills `rect` with a gradient through `colours` in order. `horizontal` true changes the colour
// from left to right (vertical lines), false from top to bottom. The length is split into
// equal segments (the step rounded half to even); the last segment is one line short and each
// segment's last line is drawn again as the next one's first. Each line's channels are the
// whole part of the interpolated value. Throws EScrivelleError "Es müssen mindestens zwei
// Farben angegeben werden." for fewer than two colours.
void PaintGradient(QPainter &canvas, const QRect &rect, const QList<QColor> &colours,
                   bool horizontal);

namespace gradient {
// The segment length for `size` pixels over `segments` segments: size / segments rounded to
// the nearest whole number, halves to the even neighbour.
int stepFor(int size, int segments);
} // namespace gradient
