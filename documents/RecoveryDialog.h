#pragma once
// The start-up question about unsaved work left by an instance that did not end normally: a
// list of the recovery copies (document name or "Untitled Document", when the copy was taken,
// the first words) with Restore, Discard and Later. Restore gives back the selected document;
// Discard deletes the selected copy once the caller has confirmed it, and the list goes on;
// Later (or closing the dialog) keeps every copy for the next start.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <functional>

class QPushButton;
class QTreeWidget;

struct RecoveryEntry {
    QString fileName; // empty: untitled
    QDateTime time;
    QString excerpt;
};

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecoveryDialog(const QList<RecoveryEntry> &entries, QWidget *parent = nullptr);

    // Called with the index (into the entries given) of the copy to discard; true when it is
    // gone, and it then leaves the list. The dialog closes when the list is empty.
    std::function<bool(int)> onDiscard;
    // The entry to restore once the dialog has closed, or -1 for Later.
    int restoreIndex() const { return m_restore; }

    QPushButton *restoreButton() const { return m_restoreButton; }
    QPushButton *discardButton() const { return m_discardButton; }
    QPushButton *laterButton() const { return m_laterButton; }
    QTreeWidget *list() const { return m_list; }
    // Selects the row showing entry index.
    void selectEntry(int index);

private:
    int selectedEntry() const;
    void discardSelected();
    QTreeWidget *m_list = nullptr;
    QPushButton *m_restoreButton = nullptr;
    QPushButton *m_discardButton = nullptr;
    QPushButton *m_laterButton = nullptr;
    int m_restore = -1;
};
