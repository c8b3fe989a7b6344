// The orientation and pages-per-sheet pictures: button column geometry, choices applied to a
// linked preview, the picture following the preview, and the small paper's shape.
#include "preview/GmPreview.h"
#include "preview/GmPropertyGraphic.h"

#include <QtTest>

class TestGmPropertyGraphic : public QObject
{
    Q_OBJECT

private slots:
    void buttonColumn_data();
    void buttonColumn();
    void orientationAppliedToThePreview();
    void followsThePreviewWithoutApplying();
    void pagesPerSheetShape();
    void unlinkedPagesPictureChangesOnlyItself();
};

void TestGmPropertyGraphic::buttonColumn_data()
{
    QTest::addColumn<int>("property");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QList<int>>("tops");
    // Column heights 46 + 8 = 54 and 69 + 16 = 85 in a control 105 high.
    QTest::newRow("orientation") << int(gmOrientationGraphic) << 8 << QList<int>{25, 56};
    QTest::newRow("pages") << int(gmMultipageGraphic) << 8 << QList<int>{10, 41, 72};
    QTest::newRow("pages, spacing 2") << int(gmMultipageGraphic) << 2 << QList<int>{16, 41, 66};
}

void TestGmPropertyGraphic::buttonColumn()
{
    QFETCH(int, property);
    QFETCH(int, spacing);
    QFETCH(QList<int>, tops);
    TGmPropertyGraphic g;
    g.SetPreviewProperty(TGmGraphicPropertyType(property));
    g.SetButtonSpacing(spacing);
    QCOMPARE(g.size(), QSize(137, 105));
    QCOMPARE(g.ButtonCount(), tops.size());
    for (int i = 0; i < tops.size(); ++i)
        QCOMPARE(g.Button(i + 1)->geometry(), QRect(8, tops.at(i), 23, 23));
}

void TestGmPropertyGraphic::orientationAppliedToThePreview()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyGraphic g(&window);
    g.SetPreview(&preview);
    int changed = 0;
    preview.OnOrientationChanged = [&](QObject *) { ++changed; };
    window.show();
    QVERIFY(g.Button(1)->isChecked());
    QCOMPARE(g.paperRect().size(), QSize(48, 67)); // A4 at 6 %
    QTest::mouseClick(g.Button(2), Qt::LeftButton);
    QCOMPARE(preview.Orientation(), gmLandscape);
    QCOMPARE(changed, 1);
    QVERIFY(g.Button(2)->isChecked());
    QVERIFY(!g.Button(1)->isChecked());
    QCOMPARE(g.paperRect().size(), QSize(67, 48));
}

void TestGmPropertyGraphic::followsThePreviewWithoutApplying()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyGraphic g(&window);
    g.SetPreview(&preview);
    preview.SetOrientation(gmLandscape);
    QCOMPARE(g.Orientation(), gmLandscape);
    QVERIFY(g.Button(2)->isChecked());
}

void TestGmPropertyGraphic::pagesPerSheetShape()
{
    QWidget window;
    TGmPreview preview(&window);
    TGmPropertyGraphic g(&window);
    g.SetPreviewProperty(gmMultipageGraphic);
    g.SetPreview(&preview);
    QTest::mouseClick(g.Button(2), Qt::LeftButton);
    QCOMPARE(preview.PagesPerSheet(), gmTwoPage);
    // Two portrait pages share a landscape sheet
    QCOMPARE(g.paperRect().size(), QSize(67, 48));
    QTest::mouseClick(g.Button(3), Qt::LeftButton);
    QCOMPARE(preview.PagesPerSheet(), gmFourPage);
    QCOMPARE(g.paperRect().size(), QSize(48, 67));
    preview.SetPagesPerSheet(gmOnePage);
    QCOMPARE(g.PagesPerSheet(), gmOnePage);
    QVERIFY(g.Button(1)->isChecked());
}

void TestGmPropertyGraphic::unlinkedPagesPictureChangesOnlyItself()
{
    TGmPropertyGraphic g;
    g.SetPreviewProperty(gmMultipageGraphic);
    g.show();
    QTest::mouseClick(g.Button(3), Qt::LeftButton);
    QCOMPARE(g.PagesPerSheet(), gmFourPage);
    // The quarters are drawn: silver numbers on white, dividing lines through the middle
    const QImage image = g.grab().toImage();
    const QRect paper = g.paperRect();
    QCOMPARE(image.pixel(paper.center().x(), paper.top() + 5), qRgb(0xC0, 0xC0, 0xC0));
}

QTEST_MAIN(TestGmPropertyGraphic)
#include "tst_gmpropertygraphic.moc"
