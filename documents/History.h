#pragma once
// The document history window and the list it keeps of documents opened and saved.

#include <QDialog>
#include <QString>

class THistoryForm : public QDialog {
    Q_OBJECT
public:
    explicit THistoryForm(QWidget *parent = nullptr);
};

// Remembers a document in the history (opened or saved under that name).
void AddHistoryEntry(const QString &fileName);
