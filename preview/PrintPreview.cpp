#include "preview/PrintPreview.h"

TForm1::TForm1(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Print Preview"));
}

TForm4::TForm4(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Header and Footer Text"));
}

TForm3::TForm3(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Page Margins"));
}
