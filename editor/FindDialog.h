#pragma once
// TFindDialog: the non-modal "Find and Replace" window of the main window's editor. Find Next
// and Find Previous select the next match (going round the document once, with a message when
// it does), Replace replaces the selected match and moves on, Replace All replaces every match
// as one undoable step and reports the count. Messages go through the dialogs layer.

#include "editor/FindReplace.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    TFindDialog(QTextEdit *editor, QWidget *parent);

    // Ctrl+F and Ctrl+R: shows the window with the find or the replace field focused; a
    // selection within one paragraph becomes the text to find.
    void showFind();
    void showReplace();
    // F3 and Shift+F3: the next or previous match of the text last looked for; with nothing to
    // look for yet, the window opens instead. Returns true when a match was selected.
    bool findNext(bool backward);
    // Replaces the selected match (when the selection is one) and selects the next.
    void replaceOne();
    // Returns the number of matches replaced.
    int replaceAll();

    FindOptions options() const;

    QLineEdit *FindEdit = nullptr;
    QLineEdit *ReplaceEdit = nullptr;
    QCheckBox *MatchCase = nullptr;
    QCheckBox *WholeWords = nullptr;
    QPushButton *btnFindNext = nullptr, *btnFindPrevious = nullptr, *btnReplace = nullptr,
                *btnReplaceAll = nullptr, *btnClose = nullptr;
    QLabel *StatusLabel = nullptr;

    // The messages, for callers and tests.
    static QString notFoundText(const QString &text);
    static QString wrappedText(bool backward);
    static QString replacedText(int count);

private:
    void presetFromSelection();
    void tell(const QString &message);
    void select(int start, int length);

    QTextEdit *m_editor;
};
