#include "dialogs/ObjectProperties.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace dialogs {

ObjectPropertiesDialog::ObjectPropertiesDialog(const ObjectProperties &properties, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ObjectPropertiesDialog"));
    setWindowTitle(properties.caption);
    auto *tabs = new QTabWidget(this);

    auto *general = new QWidget;
    auto *generalForm = new QFormLayout(general);
    auto *type = new QLabel(properties.typeName);
    type->setObjectName(QStringLiteral("type"));
    generalForm->addRow(QStringLiteral("Type:"), type);
    auto *size = new QLabel(QStringLiteral("%1 bytes").arg(QLocale().toString(properties.bytes)));
    size->setObjectName(QStringLiteral("size"));
    generalForm->addRow(QStringLiteral("Size:"), size);
    auto *pixels = new QLabel(QStringLiteral("%1 × %2 pixels")
                                  .arg(properties.pixels.width())
                                  .arg(properties.pixels.height()));
    pixels->setObjectName(QStringLiteral("pixels"));
    generalForm->addRow(QStringLiteral("Picture:"), pixels);
    tabs->addTab(general, QStringLiteral("General"));

    auto *view = new QWidget;
    auto *viewForm = new QFormLayout(view);
    m_scale = new QSpinBox;
    m_scale->setObjectName(QStringLiteral("scale"));
    m_scale->setRange(properties.minScale, properties.maxScale);
    m_scale->setSuffix(QStringLiteral(" %"));
    m_scale->setValue(qBound(properties.minScale, properties.scale, properties.maxScale));
    viewForm->addRow(QStringLiteral("Scale:"), m_scale);
    tabs->addTab(view, QStringLiteral("View"));
    connect(tabs, &QTabWidget::currentChanged, this, [this, view](int) {
        if (view->isVisible())
            m_scale->setFocus();
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    // Wide enough for the caption ("PNG Image Properties") in the title bar.
    setMinimumWidth(qMax(320, fontMetrics().horizontalAdvance(properties.caption) + 160));
}

int ObjectPropertiesDialog::scale() const
{
    return m_scale->value();
}

} // namespace dialogs
