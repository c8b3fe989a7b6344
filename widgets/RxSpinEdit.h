#pragma once
// TRxSpinEdit: an edit box with up and down buttons holding a number. The buttons and the Up
// and Down arrow keys step the value by Increment, clamped to MinValue..MaxValue when the two
// limits differ; text that is not a number reads as MinValue. With Decimals 0 it shows whole
// numbers. Reports key presses before the box handles them (so a listener sees the text as it
// stood before the key), steps after they happened, and pointer moves over the box.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TRxSpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit TRxSpinEdit(QWidget *parent = nullptr);

    double Value() const;
    void setValue(double value);
    double Increment() const { return m_increment; }
    void setIncrement(double step) { m_increment = step; }
    double MinValue() const { return m_min; }
    double MaxValue() const { return m_max; }
    void setLimits(double minValue, double maxValue);
    int Decimals() const { return m_decimals; }
    void setDecimals(int decimals) { m_decimals = qMax(0, decimals); }
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    QString text() const;
    void setText(const QString &text);
    QLineEdit *editor() const { return m_edit; }
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

    // Steps by Increment (up) or -Increment (down), clamped, then emits stepped().
    void stepBy(int direction);

signals:
    // An up or down step has changed the value (button click or arrow key).
    void stepped();
    // A key went down in the box; the text has not changed yet.
    void keyDown(int key);
    // The pointer moved over the box or its buttons.
    void pointerMoved();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString format(double value) const;
    double clamped(double value) const;

    QLineEdit *m_edit;
    QToolButton *m_up;
    QToolButton *m_down;
    double m_increment = 1;
    double m_min = 0;
    double m_max = 0;
    int m_decimals = 0;
    int m_tag = 0;
};
