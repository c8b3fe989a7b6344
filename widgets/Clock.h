#pragma once
// A clock panel showing the current time in 12-hour form; it updates itself every second and
// reports clicks.

#include <QLabel>
#include <QTimer>

class TRxClock : public QLabel {
    Q_OBJECT
public:
    explicit TRxClock(QWidget *parent = nullptr);
    static QString twelveHour(const QTime &time);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void tick();
    QTimer m_timer;
};
