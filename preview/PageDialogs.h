#pragma once
// The two page dialogs of the preview window: "Page Margins" (TForm3), four margins in whole
// millimetres with an inch read-out, and "Header and Footer Text" (TForm4), the six caption
// texts and the two separating lines. Both end with "&Apply" (accepted) or "&Close"
// (rejected); the preview window applies what they hold only when accepted.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TRxSpinEdit;

// "Value in Inches: " and the millimetres as inches in the pattern "#0.0#": at least one digit
// before and one after the decimal point, at most two after (25 -> 0.98, 0 -> 0.0).
QString gmInchesReadout(double millimetres);

class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

    TRxSpinEdit *SpinEdit1 = nullptr; // left margin, tag 2
    TRxSpinEdit *SpinEdit2 = nullptr; // top margin, tag 1
    TRxSpinEdit *SpinEdit3 = nullptr; // right margin, tag 4
    TRxSpinEdit *SpinEdit4 = nullptr; // bottom margin, tag 3
    QLabel *Label5 = nullptr;         // "Millimeters"
    QLabel *Label6 = nullptr;         // the inch read-out, hidden until a margin is touched
    QPushButton *btnApply = nullptr;
    QPushButton *btnClose = nullptr;

    // The spin edit a tag names (1 top, 2 left, 3 bottom, 4 right).
    TRxSpinEdit *spinEditByTag(int tag) const;
    // Shows the read-out for the spin edit that sent the change or pointer move.
    void SpinEdit2Change(TRxSpinEdit *sender);
    void SpinEdit2MouseMove(TRxSpinEdit *sender) { SpinEdit2Change(sender); }
};

class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);

    QLineEdit *Edit1 = nullptr; // header left
    QLineEdit *Edit2 = nullptr; // header centre
    QLineEdit *Edit3 = nullptr; // header right
    QLineEdit *Edit4 = nullptr; // footer left
    QLineEdit *Edit5 = nullptr; // footer centre
    QLineEdit *Edit6 = nullptr; // footer right
    QCheckBox *CheckBox1 = nullptr; // "Show Header Line"
    QCheckBox *CheckBox2 = nullptr; // "Show Footer Line"
    QPushButton *btnApply = nullptr;
    QPushButton *btnClose = nullptr;
};
