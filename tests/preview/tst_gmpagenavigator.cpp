// The page navigator: its buttons' layout, hints and enable states, clicks acting on the
// preview, and its reaction to the preview's update brackets.
#include "preview/GmPageNavigator.h"
#include "preview/GmPreview.h"

#include <QtTest>

namespace {
constexpr TGmNavigateBtns windowButtons =
    gmAllNavigateBtns & ~(gmNavBit(gmAddPage) | gmNavBit(gmDeletePage) | gmNavBit(gmClear));

struct Fixture {
    QWidget window;
    TGmPreview *preview = new TGmPreview(&window);
    TGmPageNavigator *nav = new TGmPageNavigator(&window);
    explicit Fixture(int pages)
    {
        preview->SetMaxZoom(800);
        for (int i = 1; i < pages; ++i)
            preview->AddPage();
        preview->FirstPage();
        nav->SetPreview(preview);
        window.show();
    }
    bool on(TGmNavigateBtn b) const { return nav->Buttons(b)->isEnabled(); }
    QString states() const
    {
        QString s;
        for (TGmNavigateBtn b : {gmFirstPage, gmPrevPage, gmNextPage, gmLastPage})
            s += on(b) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
};
} // namespace

class TestGmPageNavigator : public QObject
{
    Q_OBJECT

private slots:
    void withoutPreviewAllDisabled();
    void enableStates_data();
    void enableStates();
    void clicksActOnThePreview();
    void layoutOfTheWindowsBar();
    void hintsAskedOnceAndShown();
    void updateDisablesUntilItEnds();
    void unregistersWhenDestroyed();
};

void TestGmPageNavigator::withoutPreviewAllDisabled()
{
    TGmPageNavigator nav;
    for (int i = 0; i < gmNavigateBtnCount; ++i)
        QVERIFY(!nav.Buttons(TGmNavigateBtn(i))->isEnabled());
}

void TestGmPageNavigator::enableStates_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("firstPrevNextLast");
    QTest::newRow("page 1 of 1") << 1 << 1 << "0000";
    QTest::newRow("page 2 of 3") << 3 << 2 << "1111";
    QTest::newRow("page 1 of 3") << 3 << 1 << "0011";
    QTest::newRow("page 3 of 3") << 3 << 3 << "1100";
}

void TestGmPageNavigator::enableStates()
{
    QFETCH(int, pages);
    QFETCH(int, current);
    QFETCH(QString, firstPrevNextLast);
    Fixture f(pages);
    f.preview->SetCurrentPage(current);
    QCOMPARE(f.states(), firstPrevNextLast);
    QVERIFY(f.on(gmFitWholePage));
    QVERIFY(f.on(gmActualSize));
}

void TestGmPageNavigator::clicksActOnThePreview()
{
    Fixture f(3);
    QList<TGmNavigateBtn> clicked;
    f.nav->OnClickButton = [&](QObject *, TGmNavigateBtn b) { clicked << b; };
    QTest::mouseClick(f.nav->Buttons(gmNextPage), Qt::LeftButton);
    QCOMPARE(f.preview->CurrentPage(), 2);
    QTest::mouseClick(f.nav->Buttons(gmLastPage), Qt::LeftButton);
    QCOMPARE(f.preview->CurrentPage(), 3);
    QCOMPARE(f.states(), QStringLiteral("1100"));
    QTest::mouseClick(f.nav->Buttons(gmFirstPage), Qt::LeftButton);
    QCOMPARE(f.preview->CurrentPage(), 1);
    f.preview->SetZoom(31);
    QTest::mouseClick(f.nav->Buttons(gmZoomIn), Qt::LeftButton);
    QCOMPARE(f.preview->Zoom(), 45);
    QTest::mouseClick(f.nav->Buttons(gmActualSize), Qt::LeftButton);
    QCOMPARE(f.preview->Zoom(), 100);
    QTest::mouseClick(f.nav->Buttons(gmDeletePage), Qt::LeftButton);
    QCOMPARE(f.preview->Count(), 2);
    QCOMPARE(clicked, (QList<TGmNavigateBtn>{gmNextPage, gmLastPage, gmFirstPage, gmZoomIn,
                                             gmActualSize, gmDeletePage}));
}

void TestGmPageNavigator::layoutOfTheWindowsBar()
{
    // Ten buttons of 34 in three groups: 340 + 2 x 8 = 356 wide, centred in 484 x 37.
    Fixture f(1);
    f.nav->SetVisibleButtons(windowButtons);
    f.nav->SetBorderWidth(0);
    f.nav->SetFlat(true);
    f.nav->resize(484, 37);
    QCOMPARE(f.nav->Buttons(gmFirstPage)->geometry(), QRect(64, 1, 34, 34));
    QCOMPARE(f.nav->Buttons(gmLastPage)->x(), 64 + 3 * 34);
    QCOMPARE(f.nav->Buttons(gmZoomIn)->x(), 64 + 4 * 34 + 8);
    QCOMPARE(f.nav->Buttons(gmFitWidth)->x(), 64 + 7 * 34 + 16);
    QCOMPARE(f.nav->Buttons(gmFitWholePage)->x() + 34, 64 + 356);
    QVERIFY(!f.nav->Buttons(gmAddPage)->isVisible());
    QVERIFY(f.nav->Buttons(gmAddPage)->x() > 484);
    // Without grouping the spacing goes; AutoSize takes the total plus the borders.
    f.nav->SetGroupButtons(false);
    f.nav->SetBorderWidth(6);
    f.nav->SetAutoSize(true);
    QCOMPARE(f.nav->size(), QSize(340 + 12, 34 + 12));
    QCOMPARE(f.nav->Buttons(gmFirstPage)->pos(), QPoint(6, 6));
}

void TestGmPageNavigator::hintsAskedOnceAndShown()
{
    TGmPageNavigator nav;
    QCOMPARE(nav.Buttons(gmFitWholePage)->toolTip(), QStringLiteral("Fit Whole Page"));
    QCOMPARE(nav.Buttons(gmDeletePage)->toolTip(), QStringLiteral("Delete Current Page"));
    int asked = 0;
    nav.OnGetButtonHint = [&](QObject *, TGmNavigateBtn b, QString &hint) {
        ++asked;
        if (b == gmNextPage)
            hint = QStringLiteral("Onward");
    };
    nav.Loaded();
    QCOMPARE(asked, gmNavigateBtnCount);
    QCOMPARE(nav.Buttons(gmNextPage)->toolTip(), QStringLiteral("Onward"));
    nav.SetShowButtonHints(false);
    QCOMPARE(nav.Buttons(gmNextPage)->toolTip(), QString());
}

void TestGmPageNavigator::updateDisablesUntilItEnds()
{
    Fixture f(1);
    f.preview->BeginUpdate();
    QVERIFY(!f.nav->isEnabled());
    f.preview->AddPage();
    f.preview->AddPage();
    f.preview->FirstPage();
    // Nothing reaches the navigator inside the update
    QCOMPARE(f.states(), QStringLiteral("0000"));
    f.preview->EndUpdate();
    QVERIFY(f.nav->isEnabled());
    QCOMPARE(f.states(), QStringLiteral("0011"));
}

void TestGmPageNavigator::unregistersWhenDestroyed()
{
    Fixture f(2);
    delete f.nav;
    f.preview->NextPage(); // no notification to a destroyed control
    auto *nav = new TGmPageNavigator(&f.window);
    nav->SetPreview(f.preview);
    nav->SetPreview(nullptr);
    QVERIFY(!nav->Buttons(gmFirstPage)->isEnabled());
    f.preview->FirstPage();
    QVERIFY(!nav->Buttons(gmNextPage)->isEnabled());
}

QTEST_MAIN(TestGmPageNavigator)
#include "tst_gmpagenavigator.moc"
