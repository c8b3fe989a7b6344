#pragma once
// TParaFormatDlg: the paragraph format dialog. It shows the indents, spacing, alignment and
// tab size of the paragraphs at the caret in points and writes every change to them at once,
// so the document shows the effect while the dialog is open. Undoing those live writes when
// the user cancels is the caller's task.

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TRxParaAttributes;
class TRxSpinEdit;

class TParaFormatDlg : public QDialog {
    Q_OBJECT
public:
    // The dialog works on paragraph, which it refers to but does not own.
    explicit TParaFormatDlg(TRxParaAttributes &paragraph, QWidget *parent = nullptr);

    // Reads the paragraph's attributes into the fields.
    void FillFromParagraph(TRxParaAttributes &paragraph);
    // Writes every field to the paragraph, ending with 32 tab stops at equal distances.
    void ApplyToParagraph(TRxParaAttributes &paragraph);

    // "0.5 Inch / 12.7 mm" for 36 points: both numbers as "#0.0#".
    static QString hintText(double points);
    // One number as the "#0.0#" pattern: at least one and at most two decimals.
    static QString formatHintNumber(double value);

    // ---- event handlers ----
    void FirstIndentChange(TRxSpinEdit *sender);
    void SpaceBeforeChange(TRxSpinEdit *sender);
    void TabStopsChange();
    void FirstIndentKeyDown(TRxSpinEdit *sender, int key);
    void SpaceBeforeKeyDown(TRxSpinEdit *sender, int key);
    void TabStopsKeyDown(int key);
    void FirstIndentMouseMove(TRxSpinEdit *sender);
    void SpaceBeforeMouseMove(TRxSpinEdit *sender);
    void TabStopsMouseMove();
    void RbPanel3MouseMove();
    void AlignmentClick();
    void RbPanel1MouseDown();

    // ---- controls ----
    QWidget *RbPanel1 = nullptr;
    QWidget *RbPanel2 = nullptr;
    QWidget *RbPanel3 = nullptr;
    QPushButton *RbButton1 = nullptr; // Cancel
    QPushButton *RbButton2 = nullptr; // OK
    QGroupBox *IndentBox = nullptr;
    QGroupBox *SpacingBox = nullptr;
    QGroupBox *Alignment = nullptr;
    QButtonGroup *AlignmentItems = nullptr; // ids 0..3: Left, Right, Center, Justify
    TRxSpinEdit *FirstIndent = nullptr;
    TRxSpinEdit *LeftIndent = nullptr;
    TRxSpinEdit *RightIndent = nullptr;
    TRxSpinEdit *SpaceBefore = nullptr;
    TRxSpinEdit *SpaceAfter = nullptr;
    TRxSpinEdit *LineSpacing = nullptr;
    TRxSpinEdit *TabStops = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label14 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    TRxSpinEdit *addField(QWidget *parent, int x, int y, int tag, int step, bool limited);
    QLabel *addLabel(QWidget *parent, const QString &text, int x, int y);
    void showHint(QLabel *label, TRxSpinEdit *field);
    TRxSpinEdit *indentField(int tag) const;
    TRxSpinEdit *spacingField(int tag) const;

    TRxParaAttributes &m_paragraph;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// Creates the dialog for paragraph, fills it, shows it modally (centred on centreOn, or on the
// active window) and, when the user pressed OK, writes all fields once more. True exactly when
// OK was pressed.
bool ExecuteParagraphDialog(TRxParaAttributes &paragraph, QWidget *centreOn = nullptr);
