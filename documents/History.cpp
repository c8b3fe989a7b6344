#include "documents/History.h"

THistoryForm::THistoryForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Document History"));
}

void AddHistoryEntry(const QString &fileName)
{
    // The history list is kept by the history window; until it records entries this is a no-op.
    Q_UNUSED(fileName);
}
