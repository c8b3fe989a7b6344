#pragma once
// Where the main window goes on the screen. Qt places a top-level window by its inner area;
// a window manager then adds its frame (title bar, borders) round it. These rules place the
// frame, so that the title bar with its close box and the status bar both stay on screen.

#include <QMargins>
#include <QRect>

namespace placement {

// The inner area of a window whose frame is frameWidth wide and centred in the work area
// (the desktop without its panels), with the given inner height. A frame wider than the work
// area starts at its left edge.
QRect centredInnerRect(const QRect &workArea, const QMargins &frame, int frameWidth,
                       int innerHeight);

// The inner area of a window whose frame keeps its left edge and width and reaches from the
// top of the work area to its bottom.
QRect fullHeightInnerRect(const QRect &workArea, const QMargins &frame, int frameLeft,
                          int frameWidth);

} // namespace placement
