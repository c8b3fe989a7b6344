#include "ToolIcons.h"

#include "IconKit.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

using namespace iconkit;

void drawNewDoc(QPainter &p)
{
    drawPage(p, QRectF(6, 3, 18, 26), 7);
    drawHalo(p, QPointF(24, 24), 7.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kFile);
    p.drawEllipse(QPointF(24, 24), 6, 6);
    drawLines(p, 21, 27, {24}, kPaper, 2);
    p.drawLine(QPointF(24, 21), QPointF(24, 27));
}

void drawDocHistory(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 18, 26), 6);
    drawLines(p, 8, 18, {12, 16, 20}, kFile);
    drawHalo(p, QPointF(23, 23), 8.5);
    p.setPen(stroke(kHistory, 2));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(23, 23), 6.5, 6.5);
    p.setPen(stroke(kLine, 2));
    p.drawLine(QPointF(23, 23), QPointF(23, 19));
    p.drawLine(QPointF(23, 23), QPointF(26, 24.5));
}

void drawOpenDoc(QPainter &p)
{
    QPainterPath back;
    back.moveTo(3, 7);
    back.lineTo(12, 7);
    back.lineTo(15, 10);
    back.lineTo(27, 10);
    back.lineTo(27, 26);
    back.lineTo(3, 26);
    back.closeSubpath();
    p.setPen(outline());
    p.setBrush(kFileLight);
    p.drawPath(back);

    // A sheet peeking out of the folder.
    p.setBrush(kPaper);
    p.drawRect(QRectF(8, 12, 16, 10));

    QPainterPath front;
    front.moveTo(3, 26);
    front.lineTo(7, 15);
    front.lineTo(30, 15);
    front.lineTo(26, 26);
    front.closeSubpath();
    p.setPen(QPen(kLine, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(kFile);
    p.drawPath(front);
}

void drawSaveDoc(QPainter &p)
{
    QPainterPath body;
    body.moveTo(4, 4);
    body.lineTo(24, 4);
    body.lineTo(28, 8);
    body.lineTo(28, 28);
    body.lineTo(4, 28);
    body.closeSubpath();
    p.setPen(outline());
    p.setBrush(kFile);
    p.drawPath(body);

    p.setBrush(QColor(0xE6, 0xE6, 0xE6));
    p.drawRect(QRectF(9, 4, 13, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(kLine);
    p.drawRect(QRectF(17, 6, 3, 4));

    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRect(QRectF(8, 17, 16, 11));
    drawLines(p, 11, 21, {21, 25}, QColor(0xA0, 0xA0, 0xA0), 1.5);
}

void drawPrintPreview(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 18, 26), 6);
    drawLines(p, 8, 15, {11, 15}, kFile);
    drawLines(p, 8, 12, {19, 23}, kFile);
    const QPointF lens(19, 18);
    p.setPen(stroke(kLine, 4.5));
    p.drawLine(QPointF(23.5, 22.5), QPointF(28, 27));
    p.setPen(stroke(kLine, 2));
    p.setBrush(QColor(kFileLight.red(), kFileLight.green(), kFileLight.blue(), 235));
    p.drawEllipse(lens, 6.5, 6.5);
    p.setPen(stroke(kPaper, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(14.5, 13.5, 9, 9), 100 * 16, 70 * 16);
}

void drawUndo(QPainter &p)
{
    QPainterPath path;
    path.moveTo(11, 11);
    path.lineTo(17, 11);
    path.arcTo(QRectF(10, 11, 15, 15), 90, -180);
    path.lineTo(12, 26);
    p.setPen(stroke(kHistory, 4, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    drawArrowHead(p, QPointF(3, 11), QPointF(-1, 0), 9, 7, kHistory);
}

void drawRedo(QPainter &p)
{
    p.translate(32, 0);
    p.scale(-1, 1);
    drawUndo(p);
}

void drawCut(QPainter &p)
{
    // Blades first, so the handles sit on top of them.
    p.setPen(stroke(kLine, 1, Qt::RoundCap));
    p.setBrush(kLine);
    p.drawPolygon(QPolygonF({QPointF(10.5, 19.5), QPointF(14, 20.5), QPointF(21.5, 3)}));
    p.drawPolygon(QPolygonF({QPointF(21.5, 19.5), QPointF(18, 20.5), QPointF(10.5, 3)}));
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(16, 14.5), 1.2, 1.2);

    p.setPen(stroke(kClip, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9.5, 24.5), 4.5, 4.5);
    p.drawEllipse(QPointF(22.5, 24.5), 4.5, 4.5);
}

void drawCopy(QPainter &p)
{
    p.setPen(outline());
    p.setBrush(kClipLight);
    p.drawRect(QRectF(4, 3, 15, 19));
    drawPage(p, QRectF(12, 10, 16, 19), 5);
    drawLines(p, 15, 25, {18, 22, 26}, kClip);
}

void drawPaste(QPainter &p)
{
    p.setPen(outline());
    p.setBrush(kClip);
    p.drawRoundedRect(QRectF(4, 5, 19, 24), 2, 2);
    p.setBrush(QColor(0xD0, 0xD0, 0xD0));
    p.drawRoundedRect(QRectF(9, 2, 9, 6), 1.5, 1.5);
    drawPage(p, QRectF(14, 12, 14, 18), 5);
    drawLines(p, 17, 25, {20, 24}, kClip);
    drawLines(p, 17, 21, {28}, kClip);
}

void drawCenterAlign(QPainter &p)
{
    p.setPen(stroke(kLine, 3, Qt::FlatCap));
    const qreal widths[] = {24, 14, 20, 10, 24};
    for (int i = 0; i < 5; ++i) {
        const qreal y = 4.5 + i * 6;
        p.drawLine(QPointF(16 - widths[i] / 2, y), QPointF(16 + widths[i] / 2, y));
    }
}

void drawAlignJustify(QPainter &p)
{
    p.setPen(stroke(kLine, 3, Qt::FlatCap));
    for (int i = 0; i < 5; ++i) {
        const qreal y = 4.5 + i * 6;
        p.drawLine(QPointF(4, y), QPointF(i == 4 ? 18 : 28, y));
    }
}

void drawParagraphAttributes(QPainter &p)
{
    QPainterPath bowl;
    bowl.addEllipse(QRectF(1, 4, 12, 12));
    QPainterPath left;
    left.addRect(QRectF(0, 0, 10, 32));
    QPainterPath mark = bowl.intersected(left);
    mark.addRect(QRectF(9, 4, 9, 3));
    mark.addRect(QRectF(9, 4, 3, 24));
    mark.addRect(QRectF(15, 4, 3, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(kFormat);
    p.drawPath(mark.simplified());

    drawLines(p, 21, 30, {5, 23}, kLine);
    drawLines(p, 24, 30, {11, 17, 29}, kLine);
}

void drawEditorBackground(QPainter &p)
{
    // A tipped paint can pouring onto a swatch.
    p.save();
    p.translate(12, 15);
    p.rotate(35);
    QPainterPath can;
    can.moveTo(-7, -4);
    can.lineTo(7, -4);
    can.lineTo(6, 9);
    can.lineTo(-6, 9);
    can.closeSubpath();
    p.setPen(QPen(kLine, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(kPaper);
    p.drawPath(can);
    p.setBrush(kPaint);
    p.drawEllipse(QRectF(-7, -6, 14, 4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-6, -11, 12, 12), 20 * 16, 140 * 16);
    p.restore();

    // A drop of paint falling from the lip.
    QPainterPath drop;
    drop.moveTo(26, 10);
    drop.cubicTo(27, 13, 29.5, 15, 29.5, 17.5);
    drop.arcTo(QRectF(22.5, 14, 7, 7), 0, -180);
    drop.cubicTo(22.5, 15, 25, 13, 26, 10);
    drop.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kPaint);
    p.drawPath(drop);

    p.setPen(outline());
    p.drawRect(QRectF(3, 25, 26, 4));
}

void drawFont(QPainter &p)
{
    drawGlyphs(p, QStringLiteral("A"), QRectF(2, 4, 19, 24), kLine, true, Qt::AlignLeft);
    drawGlyphs(p, QStringLiteral("a"), QRectF(20, 15, 10, 13), kFormat, true,
               Qt::AlignLeft | Qt::AlignBottom);
}

// One typographic closing quote mark ("9" shape): a round head with a tail curling down-left.
QPainterPath quoteMark(qreal cx, qreal cy)
{
    const qreal r = 4;
    QPainterPath head;
    head.addEllipse(QPointF(cx, cy), r, r);
    QPainterPath tail;
    tail.moveTo(cx + r, cy);
    tail.cubicTo(cx + r + 0.3, cy + 5.5, cx + 1, cy + 9, cx - 4, cy + 10.5);
    tail.lineTo(cx - 4.5, cy + 9);
    tail.cubicTo(cx - 0.5, cy + 7, cx + 1.5, cy + 4.5, cx + 0.5, cy + 2);
    tail.closeSubpath();
    return head.united(tail);
}

// The closing quotes ("99"); turned half round they make the opening quotes ("66").
void drawQuotes(QPainter &p)
{
    QPainterPath marks = quoteMark(10.5, 10.5);
    marks.addPath(quoteMark(21.5, 10.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kInsert);
    p.drawPath(marks);
}

void drawOpeningQuote(QPainter &p)
{
    p.translate(32, 32);
    p.rotate(180);
    drawQuotes(p);
}

void drawClosingQuote(QPainter &p)
{
    drawQuotes(p);
}

void drawLongDash(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInsert);
    p.drawRoundedRect(QRectF(2, 14, 28, 4), 1, 1);
}

void drawClose(QPainter &p)
{
    // An open door with an arrow leading out.
    p.setPen(outline());
    p.setBrush(QColor(0xE6, 0xE6, 0xE6));
    p.drawRect(QRectF(4, 3, 16, 26));
    QPainterPath leaf;
    leaf.moveTo(4, 3);
    leaf.lineTo(12, 6);
    leaf.lineTo(12, 31);
    leaf.lineTo(4, 29);
    leaf.closeSubpath();
    p.setPen(QPen(kLine, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(QColor(0xB5, 0x8B, 0x5E));
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(kLine);
    p.drawEllipse(QPointF(10, 18), 1.2, 1.2);

    p.setPen(stroke(kExit, 4, Qt::FlatCap));
    p.drawLine(QPointF(15, 16), QPointF(23, 16));
    drawArrowHead(p, QPointF(30, 16), QPointF(1, 0), 8, 6, kExit);
}

void drawReopenLast(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 18, 26), 6);
    drawLines(p, 8, 18, {12, 16, 20}, kFile);
    drawHalo(p, QPointF(23, 23), 9);
    drawArcArrow(p, QPointF(23, 23), 5.5, 110, 260, 2.5, kHistory);
}

const QHash<QString, DrawFn> &drawers()
{
    static const QHash<QString, DrawFn> table = {
        {QStringLiteral("btnNewDoc"), drawNewDoc},
        {QStringLiteral("btnDocHistory"), drawDocHistory},
        {QStringLiteral("btnOpenDoc"), drawOpenDoc},
        {QStringLiteral("btnSaveDoc"), drawSaveDoc},
        {QStringLiteral("btnPrintPreview"), drawPrintPreview},
        {QStringLiteral("btnUndo"), drawUndo},
        {QStringLiteral("btnRedo"), drawRedo},
        {QStringLiteral("btnCut"), drawCut},
        {QStringLiteral("btnCopy"), drawCopy},
        {QStringLiteral("btnPaste"), drawPaste},
        {QStringLiteral("btnCenterAlign"), drawCenterAlign},
        {QStringLiteral("btnAlignJustify"), drawAlignJustify},
        {QStringLiteral("btnParagraphAttributes"), drawParagraphAttributes},
        {QStringLiteral("btnEditorBackground"), drawEditorBackground},
        {QStringLiteral("btnFont"), drawFont},
        {QStringLiteral("btnOpeningQuote"), drawOpeningQuote},
        {QStringLiteral("btnClosingQoute"), drawClosingQuote},
        {QStringLiteral("btnLongDash"), drawLongDash},
        {QStringLiteral("btnClose"), drawClose},
        {QStringLiteral("SpeedButton2"), drawReopenLast},
    };
    return table;
}


} // namespace

QIcon drawnToolIcon(const QString &name)
{
    const DrawFn draw = drawers().value(name, nullptr);
    return draw ? iconkit::iconFrom(draw) : QIcon();
}
