#pragma once
// The drawing kit of the program's pictograms (toolbar buttons and menu items): one flat style
// on a 32 × 32 grid, dark grey outlines, one accent colour per kind of action, transparent
// ground, rendered at several sizes with a greyed look for disabled controls.

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPen>
#include <initializer_list>

namespace iconkit {

// Outlines are 2 px wide on whole coordinates so they land on pixel boundaries at 32 px.
inline const QColor kLine(0x40, 0x40, 0x40);
inline const QColor kPaper(0xFF, 0xFF, 0xFF);
inline const QColor kFold(0xD9, 0xD9, 0xD9);

// One accent per kind of action.
inline const QColor kFile(0x2F, 0x6F, 0xB6);       // documents and files
inline const QColor kFileLight(0xCF, 0xE0, 0xF4);
inline const QColor kHistory(0x2E, 0x9A, 0x57);    // undo, redo, history
inline const QColor kClip(0xE0, 0x7B, 0x22);       // clipboard
inline const QColor kClipLight(0xFC, 0xE2, 0xC8);
inline const QColor kFormat(0x7A, 0x4E, 0xC2);     // paragraph and character formatting
inline const QColor kPaint(0xD9, 0x44, 0x7A);      // editor colours
inline const QColor kInsert(0x12, 0x91, 0x8B);     // inserted characters
inline const QColor kExit(0xD2, 0x3C, 0x3C);       // leaving the program, removing

using DrawFn = void (*)(QPainter &);

QPen outline(qreal width = 2.0);
QPen stroke(const QColor &colour, qreal width, Qt::PenCapStyle cap = Qt::RoundCap);
// A sheet of paper with its top right corner folded over.
void drawPage(QPainter &p, const QRectF &r, qreal fold = 6, const QColor &fill = kPaper);
// Horizontal strokes standing for lines of text, from x1 to x2 at each y.
void drawLines(QPainter &p, qreal x1, qreal x2, std::initializer_list<qreal> ys,
               const QColor &colour, qreal width = 2);
// Clears a disc so a badge stands apart from the picture beneath it on any background.
void drawHalo(QPainter &p, const QPointF &centre, qreal radius);
// A solid arrow head with its tip at `tip`, pointing along the unit vector `dir`.
void drawArrowHead(QPainter &p, const QPointF &tip, const QPointF &dir, qreal length,
                   qreal halfWidth, const QColor &colour);
// A circular arrow around `centre`; angles in degrees, counter-clockwise for a positive span.
void drawArcArrow(QPainter &p, const QPointF &centre, qreal radius, qreal startDeg,
                  qreal spanDeg, qreal width, const QColor &colour);
// Text set as a filled outline, scaled to fit `box` and centred in it.
void drawGlyphs(QPainter &p, const QString &text, const QRectF &box, const QColor &colour,
                bool bold, Qt::Alignment align = Qt::AlignCenter);

// The picture drawn at `size` × `size` pixels.
QImage render(DrawFn draw, int size);
// The greyed look for disabled controls: the picture in light grey, half transparent.
QImage greyed(const QImage &source);
// An icon of the picture at 16 to 64 pixels, normal and disabled.
QIcon iconFrom(DrawFn draw);

} // namespace iconkit
