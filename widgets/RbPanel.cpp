#include "RbPanel.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

TRbPanel::TRbPanel(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TRbPanel::setFill(const QColor &colour)
{
    m_fill = colour;
    m_gradient = false;
    update();
}

void TRbPanel::setTwoWayGradient(const QColor &edgeColour, const QColor &middleColour)
{
    m_edge = edgeColour;
    m_middle = middleColour;
    m_gradient = true;
    update();
}

void TRbPanel::setBorder(const QColor &colour, int width)
{
    m_border = colour;
    m_borderWidth = width;
    update();
}

void TRbPanel::setCornerRadius(int radius)
{
    m_radius = radius;
    update();
}

void TRbPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TRbPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, m_radius > 0);
    const qreal inset = m_borderWidth / 2.0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath shape;
    shape.addRoundedRect(box, m_radius / 2.0, m_radius / 2.0);
    if (m_gradient) {
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, m_edge);
        g.setColorAt(0.5, m_middle);
        g.setColorAt(1, m_edge);
        p.fillPath(shape, g);
    } else {
        p.fillPath(shape, m_fill);
    }
    if (m_borderWidth > 0) {
        p.setPen(QPen(m_border, m_borderWidth));
        p.drawPath(shape);
    }
    if (!m_caption.isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, m_caption);
    }
}

void TRbPanel::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event);
    QWidget::mousePressEvent(event);
}
