#pragma once
// A status bar of fixed-width panels whose texts are centred, as the main window's bottom line.

#include <QLabel>
#include <QList>
#include <QWidget>

class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(const QList<int> &widths, QWidget *parent = nullptr);
    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int index) const { return m_panels.at(index)->text(); }
    void setPanelText(int index, const QString &text) { m_panels.at(index)->setText(text); }
    QLabel *panel(int index) const { return m_panels.at(index); }

private:
    QList<QLabel *> m_panels;
};
