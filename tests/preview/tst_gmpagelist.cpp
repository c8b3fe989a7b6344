// The page list: pages, sizes, orientation, notifications and their update counter, the
// header and footer areas and the drawing of captions.
#include "preview/GmPageList.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>

namespace {

// Records the page list's notifications in order.
struct Recorder {
    QStringList log;
    explicit Recorder(TGmPageList &list)
    {
        auto &e = list.Events;
        e.OnPagesChanged = [this] { log << "pages"; };
        e.OnPageCountChanged = [this] { log << "count"; };
        e.OnCurrentPageChanged = [this] { log << "current"; };
        e.OnNewPage = [this] { log << "new"; };
        e.OnOrientationChanged = [this] { log << "orientation"; };
        e.OnPaperSizeChanged = [this] { log << "paper"; };
        e.OnMarginsChanged = [this] { log << "margins"; };
        e.OnHeaderFooterChanged = [this] { log << "headerfooter"; };
        e.OnCleared = [this] { log << "cleared"; };
    }
    QString take()
    {
        const QString s = log.join(',');
        log.clear();
        return s;
    }
};

bool near(Extended a, double b, double eps = 1e-9)
{
    return std::fabs(double(a) - b) < eps;
}

QImage render(TGmPageList &list, int pageNumber, double ppi)
{
    TGmPage *page = list.Pages(pageNumber);
    QImage img(int(page->WidthInches() * ppi), int(page->HeightInches() * ppi),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    list.DrawPage(page, p, ppi, ppi, QDateTime(QDate(2026, 1, 2), QTime(3, 4)));
    return img;
}

// Rows holding anything but white, as [first, last]; (-1, -1) when blank.
QPair<int, int> inkRows(const QImage &img, int top, int bottom)
{
    int first = -1;
    int last = -1;
    for (int y = qMax(0, top); y < qMin(img.height(), bottom); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0xFFFFFF) != 0xFFFFFF) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

class TestGmPageList : public QObject
{
    Q_OBJECT

private slots:
    void startsWithOneA4PortraitPage();
    void addPageNotifiesInOrder();
    void updateHoldsBackListNotifications();
    void updateCounterNeverGoesBelowZero();
    void samePaperSizeSendsNothing();
    void customKeepsPageSizes();
    void landscapeA4Is297By210();
    void paperSizeFollowsLandscape();
    void currentPageIgnoresOutOfRange_data();
    void currentPageIgnoresOutOfRange();
    void clearFreesControlsAndLeavesOnePage();
    void marginAndHeaderChangesHeldDuringUpdate();
    void headerAndFooterRects();
    void pageCaptionsExpandPerPage_data();
    void pageCaptionsExpandPerPage();
    void headerSitsOnItsBottomEdgeAndFooterBelowText();
    void hiddenHeaderOrPageFlagDrawsNothing();
};

void TestGmPageList::startsWithOneA4PortraitPage()
{
    TGmPageList list;
    QCOMPARE(list.Count(), 1);
    QCOMPARE(list.CurrentPage(), 1);
    QCOMPARE(list.PaperSize(), TGmPaperSize::A4);
    QCOMPARE(list.Orientation(), gmPortrait);
    QVERIFY(near(list.Pages(1)->WidthInches(), 210 / 25.4));
    QVERIFY(near(list.Pages(1)->HeightInches(), 297 / 25.4));
    QVERIFY(list.Pages(1)->ShowHeader && list.Pages(1)->ShowFooter);
    QVERIFY(!list.Pages(0) && !list.Pages(2));
}

void TestGmPageList::addPageNotifiesInOrder()
{
    TGmPageList list;
    Recorder r(list);
    TGmPage *page = list.AddPage();
    QCOMPARE(r.take(), QStringLiteral("count,pages,current,new"));
    QCOMPARE(list.Pages(2), page);
    QCOMPARE(list.CurrentPage(), 2);
}

void TestGmPageList::updateHoldsBackListNotifications()
{
    // Given an update in progress
    TGmPageList list;
    Recorder r(list);
    list.BeginUpdate();
    list.BeginUpdate();
    // When pages are added, only the current-page and new-page notifications go out
    list.AddPage();
    list.AddPage();
    QCOMPARE(r.take(), QStringLiteral("current,new,current,new"));
    // Then the outermost EndUpdate sends count and pages once
    list.EndUpdate();
    QCOMPARE(r.take(), QString());
    list.EndUpdate();
    QCOMPARE(r.take(), QStringLiteral("count,pages"));
}

void TestGmPageList::updateCounterNeverGoesBelowZero()
{
    TGmPageList list;
    Recorder r(list);
    list.EndUpdate();
    QCOMPARE(list.UpdateCount(), 0);
    QCOMPARE(r.take(), QString());
    list.BeginUpdate();
    QCOMPARE(list.UpdateCount(), 1);
}

void TestGmPageList::samePaperSizeSendsNothing()
{
    TGmPageList list;
    Recorder r(list);
    list.SetPaperSize(TGmPaperSize::A4);
    QCOMPARE(r.take(), QString());
    list.SetPaperSize(TGmPaperSize::Letter);
    QCOMPARE(r.take(), QStringLiteral("count,pages,paper"));
    QVERIFY(near(list.Pages(1)->WidthInches(), 8.5));
}

void TestGmPageList::customKeepsPageSizes()
{
    TGmPageList list;
    list.SetPaperSize(TGmPaperSize::A5);
    list.AddPage();
    list.SetPaperSize(TGmPaperSize::Custom);
    for (int n = 1; n <= 2; ++n) {
        QVERIFY(near(list.Pages(n)->WidthInches(), 148.5 / 25.4));
        QVERIFY(near(list.Pages(n)->HeightInches(), 210 / 25.4));
    }
    // New pages take the size the list kept.
    QVERIFY(near(list.AddPage()->WidthInches(), 148.5 / 25.4));
}

void TestGmPageList::landscapeA4Is297By210()
{
    TGmPageList list;
    list.AddPage();
    Recorder r(list);
    list.SetOrientation(gmLandscape);
    QCOMPARE(r.take(), QStringLiteral("count,pages,orientation"));
    for (int n = 1; n <= 2; ++n) {
        QCOMPARE(list.Pages(n)->Orientation(), gmLandscape);
        QVERIFY(near(list.Pages(n)->WidthInches() * 25.4L, 297));
        QVERIFY(near(list.Pages(n)->HeightInches() * 25.4L, 210));
    }
    QVERIFY(near(list.AddPage()->WidthInches(), 297 / 25.4));
    list.SetOrientation(gmPortrait);
    QVERIFY(near(list.Pages(3)->WidthInches(), 210 / 25.4));
}

void TestGmPageList::paperSizeFollowsLandscape()
{
    TGmPageList list;
    list.SetOrientation(gmLandscape);
    list.SetPaperSize(TGmPaperSize::A3);
    QVERIFY(near(list.Pages(1)->WidthInches(), 420 / 25.4));
    QVERIFY(near(list.Pages(1)->HeightInches(), 297 / 25.4));
}

void TestGmPageList::currentPageIgnoresOutOfRange_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("log");
    QTest::newRow("same") << 3 << 3 << "";
    QTest::newRow("zero") << 0 << 3 << "";
    QTest::newRow("past end") << 4 << 3 << "";
    QTest::newRow("first") << 1 << 1 << "current";
}

void TestGmPageList::currentPageIgnoresOutOfRange()
{
    QFETCH(int, target);
    QFETCH(int, expected);
    QFETCH(QString, log);
    TGmPageList list;
    list.AddPage();
    list.AddPage();
    Recorder r(list);
    list.SetCurrentPage(target);
    QCOMPARE(list.CurrentPage(), expected);
    QCOMPARE(r.take(), log);
}

void TestGmPageList::clearFreesControlsAndLeavesOnePage()
{
    TGmPageList list;
    list.AddPage();
    list.AddPage();
    QPointer<QWidget> control = new QWidget;
    list.ResourceTable().MemoList.Add(control);
    QCOMPARE(control->parentWidget(), list.ResourceTable().MemoList.Host());
    Recorder r(list);
    list.Clear();
    QVERIFY(control.isNull());
    QCOMPARE(list.ResourceTable().MemoList.Count(), 0);
    QCOMPARE(list.Count(), 1);
    QCOMPARE(list.CurrentPage(), 1);
    QCOMPARE(r.take(), QStringLiteral("count,pages,new,cleared"));
}

void TestGmPageList::marginAndHeaderChangesHeldDuringUpdate()
{
    TGmPageList list;
    Recorder r(list);
    list.Margins().Left().setMillimeters(20);
    list.Margins().Left().setMillimeters(20);
    list.Header().setCaption(0, QStringLiteral("x"));
    QCOMPARE(r.take(), QStringLiteral("margins,headerfooter"));
    list.BeginUpdate();
    list.Margins().Top().setMillimeters(20);
    list.Footer().setVisible(true);
    QCOMPARE(r.take(), QString());
    list.EndUpdate();
    QCOMPARE(r.take(), QStringLiteral("count,pages"));
}

void TestGmPageList::headerAndFooterRects()
{
    TGmPageList list;
    list.Margins().Left().setMillimeters(25);
    list.Margins().Right().setMillimeters(20);
    list.Margins().Top().setMillimeters(15);
    list.Margins().Bottom().setMillimeters(10);
    list.Header().Height().setInches(0.5L);
    list.Footer().Height().setInches(0.25L);
    const QRectF h = list.HeaderRect();
    QVERIFY(near(h.left(), 25 / 25.4));
    QVERIFY(near(h.top(), 15 / 25.4));
    QVERIFY(near(h.right(), (210 - 20) / 25.4));
    QVERIFY(near(h.bottom(), 15 / 25.4 + 0.5));
    const QRectF f = list.FooterRect();
    QVERIFY(near(f.bottom(), (297 - 10) / 25.4));
    QVERIFY(near(f.top(), (297 - 10) / 25.4 - 0.25));
    QVERIFY(near(f.right(), h.right()));
}

void TestGmPageList::pageCaptionsExpandPerPage_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("same");
    QTest::addColumn<QString>("different");
    QTest::newRow("page") << "{PAGE}" << "2" << "3";
    QTest::newRow("count") << "{NUMPAGES}" << "5" << "4";
    QTest::newRow("twice") << "{PAGE}/{PAGE}" << "2/2" << "2/3";
}

void TestGmPageList::pageCaptionsExpandPerPage()
{
    // Given a 5-page list with a visible header, drawing page 2
    QFETCH(QString, caption);
    QFETCH(QString, same);
    QFETCH(QString, different);
    TGmPageList list;
    for (int i = 0; i < 4; ++i)
        list.AddPage();
    list.Header().setVisible(true);
    for (int index = 0; index < 3; ++index) {
        list.Header().setCaption(index, caption);
        const QImage expanded = render(list, 2, 150);
        list.Header().setCaption(index, same);
        QCOMPARE(render(list, 2, 150), expanded);
        list.Header().setCaption(index, different);
        QVERIFY(render(list, 2, 150) != expanded);
        list.Header().setCaption(index, QString());
    }
}

void TestGmPageList::headerSitsOnItsBottomEdgeAndFooterBelowText()
{
    TGmPageList list;
    list.Header().setVisible(true);
    list.Header().setShowLine(false);
    list.Header().setCaption(1, QStringLiteral("Hxg"));
    const double ppi = 200;
    const QImage img = render(list, 1, ppi);
    const int top = int(gmRound(0.5L * ppi));
    const int bottom = int(gmRound((0.5L + list.Header().heightInches()) * ppi));
    const auto ink = inkRows(img, 0, img.height());
    QVERIFY(ink.first >= top);
    QVERIFY(ink.second < bottom);
    QVERIFY(ink.second > bottom - 0.25 * (bottom - top)); // descender near the bottom edge

    // With the line shown, the lowest ink is the line on the bottom edge.
    list.Header().setShowLine(true);
    const auto withLine = inkRows(render(list, 1, ppi), 0, img.height());
    QCOMPARE(withLine.second, bottom);

    // The footer's text starts at the footer's top edge.
    list.Header().setVisible(false);
    list.Footer().setVisible(true);
    list.Footer().setShowLine(false);
    list.Footer().setCaption(0, QStringLiteral("Hxg"));
    const int fTop = int(gmRound((297 / 25.4L - 0.5L - list.Footer().heightInches()) * ppi));
    const auto fInk = inkRows(render(list, 1, ppi), 0, img.height());
    QVERIFY(fInk.first >= fTop);
    QVERIFY(fInk.first < fTop + 0.4 * list.Footer().heightInches() * ppi);
}

void TestGmPageList::hiddenHeaderOrPageFlagDrawsNothing()
{
    TGmPageList list;
    list.Header().setCaption(0, QStringLiteral("Title"));
    const QImage hidden = render(list, 1, 96);
    QCOMPARE(inkRows(hidden, 0, hidden.height()).first, -1);
    list.Header().setVisible(true);
    list.Pages(1)->ShowHeader = false;
    const QImage off = render(list, 1, 96);
    QCOMPARE(inkRows(off, 0, off.height()).first, -1);
    list.Pages(1)->ShowHeader = true;
    const QImage on = render(list, 1, 96);
    QVERIFY(inkRows(on, 0, on.height()).first >= 0);
}

QTEST_MAIN(TestGmPageList)
#include "tst_gmpagelist.moc"
