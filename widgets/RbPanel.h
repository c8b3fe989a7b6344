#pragma once
// A styled panel: a plain or two-way gradient fill (first colour at the edges, second in the
// middle), an optional centred caption, a border and rounded corners. Mouse presses are
// reported, so a window without a title bar can be dragged by its panel.

#include <QColor>
#include <QWidget>

class TRbPanel : public QWidget {
    Q_OBJECT
public:
    explicit TRbPanel(QWidget *parent = nullptr);

    void setFill(const QColor &colour);
    // Vertical two-way gradient: edgeColour at the top and bottom, middleColour in the middle.
    void setTwoWayGradient(const QColor &edgeColour, const QColor &middleColour);
    void setBorder(const QColor &colour, int width);
    void setCornerRadius(int radius);
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

signals:
    void mousePressed(QMouseEvent *event);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QColor m_fill = Qt::white;
    QColor m_edge, m_middle;
    bool m_gradient = false;
    QColor m_border;
    int m_borderWidth = 0;
    int m_radius = 0;
    QString m_caption;
};
