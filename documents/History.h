#pragma once
// THistoryForm, "Document History": the list of documents opened and saved, newest first, kept
// in WrdFileList.dat. The window has no title bar (it is dragged by its top strip) and is shown
// modally; from it the user reopens, searches, removes and clears entries. It reads the file as
// it is created and writes it back when the program ends (FormDestroy).

#include <QDialog>
#include <QList>
#include <QListWidget>
#include <QPixmap>
#include <QString>
#include <functional>

class QPushButton;
class TRbPanel;
class TfrmMainEditor;

// The list box of the window: several entries selectable, one current item (which may be none),
// key presses offered to the window first.
class THistoryListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // Returns true when the key was handled and must not reach the list's own behaviour.
    std::function<bool(QKeyEvent *)> OnKeyDown;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

class THistoryForm : public QDialog {
    Q_OBJECT
public:
    // Reads historyPath (empty: the history file's usual place) into the list; a file that is
    // missing or unreadable gives an empty list silently.
    explicit THistoryForm(TfrmMainEditor *mainWindow, const QString &historyPath = {},
                          QWidget *parent = nullptr);
    ~THistoryForm() override;

    TRbPanel *RbPanel1 = nullptr, *RbPanel2 = nullptr, *RbPanel3 = nullptr;
    THistoryListBox *ListBox1 = nullptr;
    QPushButton *RbButton1 = nullptr, *btnRemove = nullptr, *btnSearch = nullptr,
                *btnOpen = nullptr, *btnClose = nullptr;
    QList<QPixmap> ImageList1;

    QString historyPath() const { return m_path; }
    bool fileWasRead() const { return m_fileRead; }
    QStringList entries() const;

    // Puts fileName at the top; the current item stays on the entry it was on.
    void AddHistoryEntry(const QString &fileName);
    // The selected entry goes to the top (its old place removed).
    void MoveEntryToTop();

    void FormShow();
    void btnOpenClick();
    void ListBox1KeyDown(QKeyEvent *event, bool &handled);
    void btnRemoveClick();
    void dxButton1Click();
    void btnCloseClick();
    void btnSearchClick();
    void ListBox1DrawItem(QPainter &painter, int index, const QRect &rect, bool selected);
    void RbPanel1MouseDown(QMouseEvent *event);
    // Writes the list to the history file; failure: "Cannot create file <path>".
    void FormDestroy();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QPushButton *addButton(const QString &name, const QString &caption, const QString &hint,
                           int x, int width, int glyph, void (THistoryForm::*handler)());
    void runHandler(const std::function<void()> &handler);
    void setEntries(const QStringList &entries);
    QList<int> selectedRows() const;
    void setCurrentRow(int row); // moves the focus rectangle only, the selection stays

    TfrmMainEditor *m_main = nullptr;
    QString m_path;
    bool m_fileRead = false;
    bool m_firstShow = true;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// The history window of the program (null before it is created, and in headless jobs).
THistoryForm *HistoryForm();

// Remembers a document in the history (opened or saved under that name); does nothing when
// there is no history window.
void AddHistoryEntry(const QString &fileName);
