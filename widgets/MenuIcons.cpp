#include "MenuIcons.h"

#include "IconKit.h"
#include "ToolIcons.h"

#include <QHash>
#include <QPainterPath>

namespace {

using namespace iconkit;

const QColor kSelection(0xB9, 0xD4, 0xF2);  // selected text behind the lines
const QColor kRevision(0xD9, 0x44, 0x7A);   // revised text
const QColor kAccept(0x2E, 0x9A, 0x57);

// A round badge in the lower right corner with a white mark inside.
void drawBadge(QPainter &p, const QColor &colour)
{
    drawHalo(p, QPointF(24, 24), 7.5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(24, 24), 6, 6);
}

void drawCross(QPainter &p, const QPointF &c, qreal half, const QColor &colour, qreal width)
{
    p.setPen(stroke(colour, width));
    p.drawLine(c + QPointF(-half, -half), c + QPointF(half, half));
    p.drawLine(c + QPointF(-half, half), c + QPointF(half, -half));
}

void drawTick(QPainter &p, const QPointF &c, qreal scale, const QColor &colour, qreal width)
{
    p.setPen(stroke(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({c + QPointF(-3, 0) * scale, c + QPointF(-1, 2.5) * scale,
                              c + QPointF(3.5, -3) * scale}));
}

void drawSelectAll(QPainter &p)
{
    drawPage(p, QRectF(5, 3, 22, 26), 6);
    p.setPen(Qt::NoPen);
    p.setBrush(kSelection);
    p.drawRect(QRectF(8, 9, 16, 17));
    drawLines(p, 10, 22, {12, 16, 20, 24}, kFile);
}

void drawClearSelection(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 20, 26), 6);
    drawLines(p, 8, 19, {10, 22}, kFile);
    p.setPen(Qt::NoPen);
    p.setBrush(kSelection);
    p.drawRect(QRectF(7, 13, 14, 6));
    drawLines(p, 8, 19, {16}, kFile);
    drawBadge(p, kExit);
    drawCross(p, QPointF(24, 24), 2.5, kPaper, 2);
}

void drawClearAll(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 20, 26), 6);
    drawLines(p, 8, 19, {10, 14, 18}, QColor(0xB0, 0xB0, 0xB0));
    drawBadge(p, kExit);
    drawCross(p, QPointF(24, 24), 2.5, kPaper, 2);
}

void drawExport(QPainter &p)
{
    drawPage(p, QRectF(3, 3, 18, 26), 6);
    drawLines(p, 7, 16, {12, 16, 20}, kFile);
    drawHalo(p, QPointF(23, 20), 6);
    p.setPen(stroke(kFile, 3, Qt::FlatCap));
    p.drawLine(QPointF(14, 20), QPointF(24, 20));
    drawArrowHead(p, QPointF(31, 20), QPointF(1, 0), 8, 6, kFile);
}

void drawPageView(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 20, 26), 6);
    drawLines(p, 8, 19, {10, 14}, kFile);
    // An eye over the lower half of the page.
    QPainterPath eye;
    eye.moveTo(6, 22);
    eye.quadTo(17, 12, 28, 22);
    eye.quadTo(17, 32, 6, 22);
    p.setPen(stroke(kLine, 2));
    p.setBrush(kPaper);
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(kFile);
    p.drawEllipse(QPointF(17, 22), 4, 4);
    p.setBrush(kLine);
    p.drawEllipse(QPointF(17, 22), 1.8, 1.8);
}

// Lines of text `gap` apart with a double arrow beside them showing the spacing.
void drawSpacing(QPainter &p, qreal gap, int count)
{
    const qreal top = 16 - gap * (count - 1) / 2;
    for (int i = 0; i < count; ++i)
        drawLines(p, 12, 29, {top + i * gap}, kLine, 2.5);
    p.setPen(stroke(kFormat, 2, Qt::FlatCap));
    p.drawLine(QPointF(5, top + 3), QPointF(5, top + gap * (count - 1) - 3));
    drawArrowHead(p, QPointF(5, top - 1), QPointF(0, -1), 5, 3.5, kFormat);
    drawArrowHead(p, QPointF(5, top + gap * (count - 1) + 1), QPointF(0, 1), 5, 3.5, kFormat);
}

void drawSingleSpacing(QPainter &p) { drawSpacing(p, 5, 5); }
void drawOneAndHalfSpacing(QPainter &p) { drawSpacing(p, 7, 4); }
void drawDoubleSpacing(QPainter &p) { drawSpacing(p, 10, 3); }

void drawHeading(QPainter &p, const QString &level)
{
    drawGlyphs(p, QStringLiteral("H"), QRectF(2, 5, 18, 22), kFormat, true, Qt::AlignLeft);
    drawGlyphs(p, level, QRectF(21, 13, 9, 14), kLine, true, Qt::AlignLeft | Qt::AlignBottom);
}

void drawHeading1(QPainter &p) { drawHeading(p, QStringLiteral("1")); }
void drawHeading2(QPainter &p) { drawHeading(p, QStringLiteral("2")); }
void drawHeading3(QPainter &p) { drawHeading(p, QStringLiteral("3")); }

void drawNormalText(QPainter &p)
{
    drawGlyphs(p, QStringLiteral("A"), QRectF(3, 8, 14, 17), kLine, false, Qt::AlignLeft);
    drawGlyphs(p, QStringLiteral("a"), QRectF(18, 13, 10, 12), kLine, false,
               Qt::AlignLeft | Qt::AlignBottom);
    drawLines(p, 3, 29, {28}, kFormat, 2);
}

void drawTrackChanges(QPainter &p)
{
    drawPage(p, QRectF(3, 3, 20, 26), 6);
    drawLines(p, 7, 18, {10, 14}, kFile);
    drawLines(p, 7, 14, {18}, kRevision);
    // A pencil across the lower right corner.
    p.save();
    p.translate(22, 20);
    p.rotate(45);
    p.setPen(QPen(kLine, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(QColor(0xF2, 0xC1, 0x4E));
    p.drawRect(QRectF(-3, -9, 6, 14));
    p.setBrush(QColor(0xF5, 0xDE, 0xB3));
    p.drawPolygon(QPolygonF({QPointF(-3, 5), QPointF(3, 5), QPointF(0, 10)}));
    p.restore();
}

void drawMarkRevised(QPainter &p)
{
    drawGlyphs(p, QStringLiteral("ab"), QRectF(3, 4, 26, 17), kRevision, true);
    drawLines(p, 3, 29, {25}, kRevision, 2);
    drawLines(p, 3, 29, {29}, kRevision, 1.5);
}

void drawEndRevised(QPainter &p)
{
    drawGlyphs(p, QStringLiteral("ab"), QRectF(2, 4, 18, 17), kRevision, true);
    drawLines(p, 2, 20, {25}, kRevision, 2);
    p.setPen(stroke(kLine, 3, Qt::FlatCap));
    p.drawLine(QPointF(24, 4), QPointF(24, 28));
}

void drawAccept(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 20, 26), 6);
    drawLines(p, 8, 19, {10, 14, 18}, kRevision);
    drawBadge(p, kAccept);
    drawTick(p, QPointF(24, 24), 0.9, kPaper, 2);
}

void drawReject(QPainter &p)
{
    drawPage(p, QRectF(4, 3, 20, 26), 6);
    drawLines(p, 8, 19, {10, 14, 18}, kRevision);
    drawBadge(p, kExit);
    drawCross(p, QPointF(24, 24), 2.5, kPaper, 2);
}

void drawLeftToRight(QPainter &p)
{
    drawLines(p, 3, 27, {5, 10}, kLine, 2.5);
    drawLines(p, 3, 19, {15}, kLine, 2.5);
    p.setPen(stroke(kFormat, 3, Qt::FlatCap));
    p.drawLine(QPointF(3, 24), QPointF(22, 24));
    drawArrowHead(p, QPointF(30, 24), QPointF(1, 0), 8, 6, kFormat);
}

void drawRightToLeft(QPainter &p)
{
    p.translate(32, 0);
    p.scale(-1, 1);
    drawLeftToRight(p);
}

const QHash<QString, DrawFn> &drawers()
{
    static const QHash<QString, DrawFn> table = {
        {QStringLiteral("SelectAll2"), drawSelectAll},
        {QStringLiteral("Delete2"), drawClearSelection},
        {QStringLiteral("DeleteAll1"), drawClearAll},
        {QStringLiteral("ExportDocumentAs1"), drawExport},
        {QStringLiteral("extView1"), drawPageView},
        {QStringLiteral("NormalLineSpacing1"), drawSingleSpacing},
        {QStringLiteral("N15LineSpacing1"), drawOneAndHalfSpacing},
        {QStringLiteral("DoubleLineSpacing1"), drawDoubleSpacing},
        {QStringLiteral("Heading01"), drawHeading1},
        {QStringLiteral("Heading11"), drawHeading2},
        {QStringLiteral("Heading31"), drawHeading3},
        {QStringLiteral("NormalDefaultText1"), drawNormalText},
        {QStringLiteral("rackChanges1"), drawTrackChanges},
        {QStringLiteral("Charformat21"), drawMarkRevised},
        {QStringLiteral("EndRevisedText1"), drawEndRevised},
        {QStringLiteral("Reset1"), drawAccept},
        {QStringLiteral("RejectRevisedText1"), drawReject},
        {QStringLiteral("LeftToRighttext1"), drawLeftToRight},
        {QStringLiteral("RightToLeftText1"), drawRightToLeft},
    };
    return table;
}

// Items that carry the picture of a toolbar button.
const QHash<QString, QString> &toolbarTwins()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("Cut2"), QStringLiteral("btnCut")},
        {QStringLiteral("Copy2"), QStringLiteral("btnCopy")},
        {QStringLiteral("Paste2"), QStringLiteral("btnPaste")},
        {QStringLiteral("Exit1"), QStringLiteral("btnClose")},
    };
    return table;
}

} // namespace

QIcon drawnMenuIcon(const QString &itemName)
{
    const QString twin = toolbarTwins().value(itemName);
    if (!twin.isEmpty())
        return drawnToolIcon(twin);
    const DrawFn draw = drawers().value(itemName, nullptr);
    return draw ? iconFrom(draw) : QIcon();
}
