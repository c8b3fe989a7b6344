#include "StatusBar.h"

#include <QHBoxLayout>

TStatusBar::TStatusBar(const QList<int> &widths, QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int w : widths) {
        auto *label = new QLabel(this);
        label->setFixedWidth(w);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        row->addWidget(label);
        m_panels.append(label);
    }
    row->addStretch(1);
}
