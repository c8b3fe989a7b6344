#pragma once
// Multi-stop linear gradients painted line by line, as the owner-drawn menus and the history
// list fill their highlighted items.

#include <QList>
#include <QRect>
#include <cstdint>

class QPainter;

// Fills rect with a gradient through colours (0x00BBGGRR values, at least two), from left to
// right when horizontal, else from top to bottom. The rect is split into colours − 1 segments of
// equal length (the size divided by the segment count, rounded half to even; the last segment
// takes the rest less one pixel); each segment runs from its colour to the next one, channel by
// channel, one line per pixel. The painter's pen comes back as it was.
// Fewer than two colours throw std::invalid_argument("Es müssen mindestens zwei Farben
// angegeben werden.").
void PaintGradient(QPainter &painter, const QRect &rect, const QList<std::uint32_t> &colours,
                   bool horizontal);
