// The page dialogs on their own: the inch read-out's number pattern, the margins dialog's
// spin edits (limits, tags, read-out on typing and on the up button), and the captions and
// results of both dialogs' buttons.
#include "preview/PageDialogs.h"
#include "widgets/RxSpinEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestPageDialogs : public QObject
{
    Q_OBJECT

private slots:
    void readout_data();
    void readout();
    void marginsDialogSpinEdits();
    void buttonsEndTheDialogs();
};

void TestPageDialogs::readout_data()
{
    QTest::addColumn<double>("mm");
    QTest::addColumn<QString>("text");
    QTest::newRow("25") << 25.0 << "Value in Inches: 0.98";
    QTest::newRow("0") << 0.0 << "Value in Inches: 0.0";
    QTest::newRow("1000") << 1000.0 << "Value in Inches: 39.37";
    QTest::newRow("one inch") << 25.4 << "Value in Inches: 1.0";
    QTest::newRow("one decimal") << 38.1 << "Value in Inches: 1.5";
    QTest::newRow("rounds up to a whole") << 25.3 << "Value in Inches: 1.0";
    QTest::newRow("2 mm") << 2.0 << "Value in Inches: 0.08";
}

void TestPageDialogs::readout()
{
    QFETCH(double, mm);
    QFETCH(QString, text);
    QCOMPARE(gmInchesReadout(mm), text);
}

void TestPageDialogs::marginsDialogSpinEdits()
{
    TForm3 d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Page Margins"));
    // Tags: 1 top, 2 left, 3 bottom, 4 right
    QCOMPARE(d.spinEditByTag(1), d.SpinEdit2);
    QCOMPARE(d.spinEditByTag(2), d.SpinEdit1);
    QCOMPARE(d.spinEditByTag(3), d.SpinEdit4);
    QCOMPARE(d.spinEditByTag(4), d.SpinEdit3);
    QVERIFY(!d.Label6->isVisibleTo(&d));
    QCOMPARE(d.Label6->text(), QStringLiteral("Value in Inches: 0"));
    // Whole millimetres from 0 to 1000
    d.SpinEdit3->setValue(1200);
    QCOMPARE(d.SpinEdit3->Value(), 1000.0);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    // The up button steps and shows the read-out of the box it belongs to
    d.SpinEdit1->setValue(24);
    QTest::mouseClick(d.SpinEdit1->upButton(), Qt::LeftButton);
    QCOMPARE(d.SpinEdit1->Value(), 25.0);
    QVERIFY(d.Label6->isVisible());
    QCOMPARE(d.Label6->text(), QStringLiteral("Value in Inches: 0.98"));
    // Moving the pointer over another box shows that box's value
    d.SpinEdit4->setValue(0);
    d.SpinEdit1->setValue(1000);
    QTest::mouseMove(d.SpinEdit4, QPoint(5, 5));
    QTest::mouseMove(d.SpinEdit4, QPoint(8, 6));
    QCOMPARE(d.Label6->text(), QStringLiteral("Value in Inches: 0.0"));
}

void TestPageDialogs::buttonsEndTheDialogs()
{
    TForm3 margins;
    QCOMPARE(margins.btnApply->text(), QStringLiteral("&Apply"));
    QCOMPARE(margins.btnClose->text(), QStringLiteral("&Close"));
    QTimer::singleShot(0, &margins, [&] { QTest::mouseClick(margins.btnApply, Qt::LeftButton); });
    QCOMPARE(margins.exec(), int(QDialog::Accepted));
    QTimer::singleShot(0, &margins, [&] { QTest::mouseClick(margins.btnClose, Qt::LeftButton); });
    QCOMPARE(margins.exec(), int(QDialog::Rejected));

    TForm4 header;
    QCOMPARE(header.windowTitle(), QStringLiteral("Header and Footer Text"));
    QCOMPARE(header.CheckBox1->text(), QStringLiteral("Show Header Line"));
    QCOMPARE(header.CheckBox2->text(), QStringLiteral("Show Footer Line"));
    QTimer::singleShot(0, &header, [&] {
        QTest::keyClicks(header.Edit6, QStringLiteral("{DATE}"));
        QTest::mouseClick(header.btnApply, Qt::LeftButton);
    });
    QCOMPARE(header.exec(), int(QDialog::Accepted));
    QCOMPARE(header.Edit6->text(), QStringLiteral("{DATE}"));
}

QTEST_MAIN(TestPageDialogs)
#include "tst_pagedialogs.moc"
