#include "documents/RecoveryDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kEntryRole = Qt::UserRole + 1;
}

RecoveryDialog::RecoveryDialog(const QList<RecoveryEntry> &entries, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RecoveryDialog"));
    setWindowTitle(QStringLiteral("Recover Unsaved Documents"));
    setModal(true);

    auto *text = new QLabel(QStringLiteral(
        "Scrivelle did not close normally. These documents had changes that were not saved.\n"
        "Restore one to go on with it, discard what you no longer need, or decide later."));
    text->setWordWrap(true);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("recoveryList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Document"), QStringLiteral("Last copy"),
                             QStringLiteral("Begins with")});
    for (int i = 0; i < entries.size(); ++i) {
        const RecoveryEntry &e = entries[i];
        const QString name = e.fileName.isEmpty() ? QStringLiteral("Untitled Document")
                                                  : QFileInfo(e.fileName).fileName();
        auto *item = new QTreeWidgetItem(
            {name, QLocale::system().toString(e.time.toLocalTime(), QLocale::ShortFormat),
             e.excerpt});
        item->setToolTip(0, e.fileName.isEmpty() ? name : e.fileName);
        item->setData(0, kEntryRole, i);
        m_list->addTopLevelItem(item);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_list->setCurrentItem(m_list->topLevelItem(0));

    auto *buttons = new QDialogButtonBox;
    m_restoreButton = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    m_discardButton = buttons->addButton(QStringLiteral("&Discard"), QDialogButtonBox::DestructiveRole);
    m_laterButton = buttons->addButton(QStringLiteral("&Later"), QDialogButtonBox::RejectRole);
    m_restoreButton->setObjectName(QStringLiteral("restoreButton"));
    m_discardButton->setObjectName(QStringLiteral("discardButton"));
    m_laterButton->setObjectName(QStringLiteral("laterButton"));
    m_restoreButton->setDefault(true);

    connect(m_restoreButton, &QPushButton::clicked, this, [this] {
        m_restore = selectedEntry();
        if (m_restore >= 0)
            accept();
    });
    connect(m_discardButton, &QPushButton::clicked, this, &RecoveryDialog::discardSelected);
    connect(m_laterButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, m_restoreButton, &QPushButton::click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(620, 300);
}

int RecoveryDialog::selectedEntry() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(0, kEntryRole).toInt() : -1;
}

void RecoveryDialog::selectEntry(int index)
{
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        if (m_list->topLevelItem(row)->data(0, kEntryRole).toInt() == index)
            m_list->setCurrentItem(m_list->topLevelItem(row));
    }
}

void RecoveryDialog::discardSelected()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item || !onDiscard || !onDiscard(item->data(0, kEntryRole).toInt()))
        return;
    delete item;
    if (m_list->topLevelItemCount() == 0)
        reject();
    else if (!m_list->currentItem())
        m_list->setCurrentItem(m_list->topLevelItem(0));
}
