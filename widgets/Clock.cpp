#include "Clock.h"

#include <QMouseEvent>
#include <QTime>

TRxClock::TRxClock(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    connect(&m_timer, &QTimer::timeout, this, &TRxClock::tick);
    m_timer.start(1000);
    tick();
}

QString TRxClock::twelveHour(const QTime &time)
{
    return time.toString(QStringLiteral("h:mm:ss AP"));
}

void TRxClock::tick()
{
    setText(twelveHour(QTime::currentTime()));
}

void TRxClock::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
