#include "RxSpinEdit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <cmath>

namespace {
constexpr int kButtonWidth = 15;
}

TRxSpinEdit::TRxSpinEdit(QWidget *parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setMouseTracking(true);
        b->installEventFilter(this);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    m_edit->setMouseTracking(true);
    m_edit->installEventFilter(this);
    setMouseTracking(true);
    setFocusProxy(m_edit);
    setValue(0);
}

void TRxSpinEdit::setLimits(double minValue, double maxValue)
{
    m_min = minValue;
    m_max = maxValue;
}

QString TRxSpinEdit::text() const { return m_edit->text(); }

void TRxSpinEdit::setText(const QString &text) { m_edit->setText(text); }

double TRxSpinEdit::Value() const
{
    bool ok = false;
    const QString t = m_edit->text().trimmed();
    double v = QLocale().toDouble(t, &ok);
    if (!ok)
        v = t.toDouble(&ok);
    return ok ? v : m_min;
}

void TRxSpinEdit::setValue(double value)
{
    m_edit->setText(format(clamped(value)));
}

double TRxSpinEdit::clamped(double value) const
{
    if (m_max != m_min)
        value = qBound(m_min, value, m_max);
    return value;
}

QString TRxSpinEdit::format(double value) const
{
    if (m_decimals == 0)
        return QLocale().toString(qint64(std::nearbyint(value))).remove(QLocale().groupSeparator());
    return QLocale().toString(value, 'f', m_decimals).remove(QLocale().groupSeparator());
}

void TRxSpinEdit::stepBy(int direction)
{
    setValue(Value() + direction * m_increment);
    emit stepped();
}

bool TRxSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        emit pointerMoved();
    } else if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        emit keyDown(key->key());
        switch (key->key()) {
        case Qt::Key_Up:
            stepBy(1);
            return true;
        case Qt::Key_Down:
            stepBy(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true; // taken here: Enter in a field does not close a dialog
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TRxSpinEdit::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    emit pointerMoved();
}

void TRxSpinEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width() - kButtonWidth;
    m_edit->setGeometry(0, 0, qMax(0, w), height());
    const int half = height() / 2;
    m_up->setGeometry(w, 0, kButtonWidth, half);
    m_down->setGeometry(w, half, kButtonWidth, height() - half);
}
