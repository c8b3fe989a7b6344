// The paper and printer lists: their items and pictures, a choice applied to the preview, the
// refill when the preview's paper or printer changes, and items dropped by OnAddItem.
#include "preview/GmPreview.h"
#include "preview/GmPropertyComboBox.h"

#include <QAbstractItemView>
#include <QtTest>

class TestGmPropertyComboBox : public QObject
{
    Q_OBJECT

private slots:
    void paperListHasTheTwentyTwoNames();
    void choosingLetterChangesThePreview();
    void choosingCustomKeepsThePageSize();
    void refillsWhenThePreviewsPaperChanges();
    void onAddItemDropsItems();
    void pictures_data();
    void pictures();
    void itemsAreTwentyPixelsHigh();
    void printerListSelectsByName();
};

void TestGmPropertyComboBox::paperListHasTheTwentyTwoNames()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    QCOMPARE(box.count(), 22);
    QCOMPARE(box.itemText(0), QStringLiteral("A3"));
    QCOMPARE(box.itemText(10), QStringLiteral("Custom"));
    QCOMPARE(box.itemText(21), QStringLiteral("Executive"));
    QCOMPARE(box.currentText(), QStringLiteral("A4"));
}

void TestGmPropertyComboBox::choosingLetterChangesThePreview()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    int changes = 0;
    box.OnChange = [&](QObject *) { ++changes; };
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The user opens the list and picks Letter with the keyboard
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_L); // "Legal"
    QTest::keyClick(&box, Qt::Key_Down); // "Letter"
    QCOMPARE(box.currentText(), QStringLiteral("Letter"));
    QCOMPARE(preview.PaperSize(), TGmPaperSize::Letter);
    QCOMPARE(double(preview.Pages(1)->WidthInches()), 8.5);
    QCOMPARE(double(preview.Pages(1)->HeightInches()), 11.0);
    QCOMPARE(changes, 2);
}

void TestGmPropertyComboBox::choosingCustomKeepsThePageSize()
{
    QWidget window;
    TGmPreview preview(&window);
    preview.SetPaperSize(TGmPaperSize::A5);
    TGmPropertyComboBox box(&window);
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    const Extended w = preview.Pages(1)->WidthInches();
    box.Choose(box.findText(QStringLiteral("Custom")));
    QCOMPARE(preview.PaperSize(), TGmPaperSize::Custom);
    QCOMPARE(preview.Pages(1)->WidthInches(), w);
}

void TestGmPropertyComboBox::refillsWhenThePreviewsPaperChanges()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    preview.SetPaperSize(TGmPaperSize::Legal);
    QCOMPARE(box.currentText(), QStringLiteral("Legal"));
    box.SetPreview(nullptr);
    preview.SetPaperSize(TGmPaperSize::A3);
    QCOMPARE(box.currentText(), QString());
}

void TestGmPropertyComboBox::onAddItemDropsItems()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.OnAddItem = [](QObject *, const QString &item, bool &add) {
        add = !item.startsWith(QLatin1String("Envelope"));
    };
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    QCOMPARE(box.count(), 22 - 7);
    QCOMPARE(box.findText(QStringLiteral("Envelope_DL")), -1);
}

void TestGmPropertyComboBox::pictures_data()
{
    QTest::addColumn<int>("property");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("picture");
    QTest::newRow("A4") << int(gmPaperList) << "A4" << "Paper";
    QTest::newRow("Custom") << int(gmPaperList) << "Custom" << "Paper";
    QTest::newRow("B5") << int(gmPaperList) << "B5" << "Envelope";
    QTest::newRow("C65") << int(gmPaperList) << "C65" << "Envelope";
    QTest::newRow("Envelope_14") << int(gmPaperList) << "Envelope_14" << "Envelope";
    QTest::newRow("Tabloid") << int(gmPaperList) << "Tabloid" << "Paper";
    QTest::newRow("printer") << int(gmPrinterList) << "PDF" << "Printer";
}

void TestGmPropertyComboBox::pictures()
{
    QFETCH(int, property);
    QFETCH(QString, item);
    QFETCH(QString, picture);
    QCOMPARE(TGmPropertyComboBox::pictureName(TGmComboPropertyType(property), item), picture);
}

void TestGmPropertyComboBox::itemsAreTwentyPixelsHigh()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.SetPreviewProperty(gmPaperList);
    box.SetPreview(&preview);
    window.show();
    box.showPopup();
    QAbstractItemView *view = box.view();
    QCOMPARE(view->visualRect(box.model()->index(3, 0)).height(), 20);
    box.hidePopup();
}

void TestGmPropertyComboBox::printerListSelectsByName()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyComboBox box(&window);
    box.SetPreview(&preview); // printers by default
    const QStringList printers = preview.GmPrinter().Printers();
    QCOMPARE(box.count(), printers.size());
    if (printers.isEmpty())
        QSKIP("no printer on this machine");
    int changes = 0;
    box.OnChange = [&](QObject *) { ++changes; };
    box.Choose(printers.size() - 1);
    QCOMPARE(preview.GmPrinter().PrinterName(), printers.last());
    QCOMPARE(box.currentText(), printers.last());
    QCOMPARE(changes, 1);
}

QTEST_MAIN(TestGmPropertyComboBox)
#include "tst_gmpropertycombobox.moc"
