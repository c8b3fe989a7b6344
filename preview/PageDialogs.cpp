#include "preview/PageDialogs.h"

#include "widgets/RxSpinEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

QString gmInchesReadout(double millimetres)
{
    // Two decimals, halves away from zero, then a second decimal of 0 dropped.
    const double inches = millimetres / 25.4;
    const double rounded = std::round(inches * 100) / 100;
    QString text = QString::number(rounded, 'f', 2);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return QStringLiteral("Value in Inches: ") + text;
}

namespace {

// The dialogs' button row: "&Apply" (the default, accepting) and "&Close" (rejecting), right
// aligned.
QHBoxLayout *applyCloseRow(QDialog *dialog, QPushButton *&apply, QPushButton *&close)
{
    apply = new QPushButton(QStringLiteral("&Apply"), dialog);
    close = new QPushButton(QStringLiteral("&Close"), dialog);
    apply->setDefault(true);
    QObject::connect(apply, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(apply);
    row->addWidget(close);
    return row;
}

} // namespace

// ---- Page Margins ------------------------------------------------------------------------

TForm3::TForm3(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Page Margins"));
    auto spin = [this](const QString &name, int tag) {
        auto *s = new TRxSpinEdit(this);
        s->setObjectName(name);
        s->setLimits(0, 1000);
        s->setDecimals(0);
        s->setTag(tag);
        s->setFixedSize(90, 24);
        connect(s->editor(), &QLineEdit::textChanged, this, [this, s] { SpinEdit2Change(s); });
        connect(s, &TRxSpinEdit::stepped, this, [this, s] { SpinEdit2Change(s); });
        connect(s, &TRxSpinEdit::pointerMoved, this, [this, s] { SpinEdit2MouseMove(s); });
        return s;
    };
    SpinEdit2 = spin(QStringLiteral("SpinEdit2"), 1);
    SpinEdit1 = spin(QStringLiteral("SpinEdit1"), 2);
    SpinEdit4 = spin(QStringLiteral("SpinEdit4"), 3);
    SpinEdit3 = spin(QStringLiteral("SpinEdit3"), 4);

    auto titled = [this](const QString &caption, TRxSpinEdit *edit) {
        auto *box = new QVBoxLayout;
        auto *label = new QLabel(caption, this);
        label->setAlignment(Qt::AlignHCenter);
        box->addWidget(label);
        box->addWidget(edit, 0, Qt::AlignHCenter);
        return box;
    };
    Label5 = new QLabel(QStringLiteral("Millimeters"), this);
    Label5->setStyleSheet(QStringLiteral("color: #FF0000; font-weight: bold;"));
    Label5->setAlignment(Qt::AlignCenter);

    // The four margins as a cross round "Millimeters".
    auto *cross = new QGridLayout;
    cross->addLayout(titled(QStringLiteral("Top Margin"), SpinEdit2), 0, 1);
    cross->addLayout(titled(QStringLiteral("Left Margin"), SpinEdit1), 1, 0);
    cross->addWidget(Label5, 1, 1);
    cross->addLayout(titled(QStringLiteral("Right Margin"), SpinEdit3), 1, 2);
    cross->addLayout(titled(QStringLiteral("Bottom Margin"), SpinEdit4), 2, 1);

    Label6 = new QLabel(QStringLiteral("Value in Inches: 0"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setStyleSheet(QStringLiteral("color: #FF8000; font-weight: bold;"));
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setVisible(false);

    QHBoxLayout *buttons = applyCloseRow(this, btnApply, btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(cross);
    layout->addWidget(Label6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TRxSpinEdit *TForm3::spinEditByTag(int tag) const
{
    for (TRxSpinEdit *s : {SpinEdit1, SpinEdit2, SpinEdit3, SpinEdit4}) {
        if (s->Tag() == tag)
            return s;
    }
    return nullptr;
}

void TForm3::SpinEdit2Change(TRxSpinEdit *sender)
{
    TRxSpinEdit *edit = sender ? spinEditByTag(sender->Tag()) : nullptr;
    if (!edit)
        return;
    Label6->setVisible(true);
    Label6->setText(gmInchesReadout(edit->Value()));
}

// ---- Header and Footer Text --------------------------------------------------------------

TForm4::TForm4(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Header and Footer Text"));
    auto edit = [this](const QString &name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMinimumWidth(150);
        return e;
    };
    Edit1 = edit(QStringLiteral("Edit1"));
    Edit2 = edit(QStringLiteral("Edit2"));
    Edit3 = edit(QStringLiteral("Edit3"));
    Edit4 = edit(QStringLiteral("Edit4"));
    Edit5 = edit(QStringLiteral("Edit5"));
    Edit6 = edit(QStringLiteral("Edit6"));
    CheckBox1 = new QCheckBox(QStringLiteral("Show Header Line"), this);
    CheckBox2 = new QCheckBox(QStringLiteral("Show Footer Line"), this);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Left Text"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Center Text"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Right Text"), this), 0, 3);
    auto *header = new QLabel(QStringLiteral("Header"), this);
    auto *footer = new QLabel(QStringLiteral("Footer"), this);
    header->setStyleSheet(QStringLiteral("font-weight: bold;"));
    footer->setStyleSheet(QStringLiteral("font-weight: bold;"));
    grid->addWidget(header, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(Edit2, 1, 2);
    grid->addWidget(Edit3, 1, 3);
    grid->addWidget(CheckBox1, 2, 1, 1, 3);
    grid->addWidget(footer, 3, 0);
    grid->addWidget(Edit4, 3, 1);
    grid->addWidget(Edit5, 3, 2);
    grid->addWidget(Edit6, 3, 3);
    grid->addWidget(CheckBox2, 4, 1, 1, 3);

    QHBoxLayout *buttons = applyCloseRow(this, btnApply, btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}
