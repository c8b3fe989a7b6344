// The preview control's non-visual side: notifications to linked controls, update brackets,
// navigation and the print entry points.
#include "preview/GmPreview.h"

#include <QtTest>

namespace {

// A linked control that records the codes it receives.
class Listener : public QWidget
{
public:
    using QWidget::QWidget;
    QList<int> codes;
    QString take()
    {
        QStringList s;
        for (int c : codes)
            s << QString::number(c);
        codes.clear();
        return s.join(',');
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == TGmPreviewNotifyEvent::eventType()) {
            codes << static_cast<TGmPreviewNotifyEvent *>(e)->code();
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

class TestGmPreview : public QObject
{
    Q_OBJECT

private slots:
    void notifications_data();
    void notifications();
    void updateBracketHoldsNotificationsBack();
    void onlyParentedRegisteredControlsHear();
    void navigation_data();
    void navigation();
    void newPageEventsCarryHeaderAndFooterRects();
    void printWithoutPrinterBalancesUpdate();
};

void TestGmPreview::notifications_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("codes");
    QTest::newRow("add page") << 0 << "7039,7038,7047";
    QTest::newRow("pages per sheet") << 1 << "7034";
    QTest::newRow("same pages per sheet") << 2 << "";
    QTest::newRow("paper size") << 3 << "7039,7038,7045";
    QTest::newRow("orientation") << 4 << "7039,7038,7036";
    QTest::newRow("margin") << 5 << "7035";
    QTest::newRow("footer") << 6 << "7035";
    QTest::newRow("printer") << 7 << "7042";
    QTest::newRow("current page") << 8 << "7047";
}

void TestGmPreview::notifications()
{
    QFETCH(int, action);
    QFETCH(QString, codes);
    QWidget window;
    TGmPreview preview(&window);
    preview.AddPage();
    preview.AddPage();
    Listener listener(&window);
    preview.RegisterLinkedControl(&listener);
    switch (action) {
    case 0: preview.AddPage(); break;
    case 1: preview.SetPagesPerSheet(gmFourPage); break;
    case 2: preview.SetPagesPerSheet(gmOnePage); break;
    case 3: preview.SetPaperSize(TGmPaperSize::Letter); break;
    case 4: preview.SetOrientation(gmLandscape); break;
    case 5: preview.Margins().Left().setMillimeters(30); break;
    case 6: preview.Footer().setCaption(2, QStringLiteral("{PAGE}")); break;
    case 7: preview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer")); break;
    case 8: preview.FirstPage(); break;
    }
    QCOMPARE(listener.take(), codes);
}

void TestGmPreview::updateBracketHoldsNotificationsBack()
{
    // Given a linked control
    QWidget window;
    TGmPreview preview(&window);
    Listener listener(&window);
    preview.RegisterLinkedControl(&listener);
    // When pages are added and margins changed inside nested updates
    preview.BeginUpdate();
    preview.BeginUpdate();
    QCOMPARE(listener.take(), QStringLiteral("7043"));
    preview.AddPage();
    preview.AddPage();
    preview.Margins().Top().setMillimeters(40);
    preview.EndUpdate();
    QCOMPARE(listener.take(), QString());
    // Then the outermost end tells count, pages and the end, once
    preview.EndUpdate();
    QCOMPARE(listener.take(), QStringLiteral("7039,7038,7044"));
    QCOMPARE(preview.PageShown(), preview.Pages(3));
}

void TestGmPreview::onlyParentedRegisteredControlsHear()
{
    QWidget window;
    TGmPreview preview(&window);
    Listener orphan;
    Listener unregistered(&window);
    auto *gone = new Listener(&window);
    preview.RegisterLinkedControl(&orphan);
    preview.RegisterLinkedControl(gone);
    delete gone; // a destroyed control drops out by itself
    preview.AddPage();
    QCOMPARE(orphan.take(), QString());
    QCOMPARE(unregistered.take(), QString());

    Listener linked(&window);
    preview.RegisterLinkedControl(&linked);
    preview.RegisterLinkedControl(&linked);
    preview.LastPage();
    preview.FirstPage();
    QCOMPARE(linked.take(), QStringLiteral("7047"));
    preview.UnregisterLinkedControl(&linked);
    preview.LastPage();
    QCOMPARE(linked.take(), QString());
}

void TestGmPreview::navigation_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("expected");
    QTest::newRow("first") << 3 << "first" << 1;
    QTest::newRow("prev at 1") << 1 << "prev" << 1;
    QTest::newRow("prev") << 3 << "prev" << 2;
    QTest::newRow("next at end") << 4 << "next" << 4;
    QTest::newRow("next") << 2 << "next" << 3;
    QTest::newRow("last") << 1 << "last" << 4;
}

void TestGmPreview::navigation()
{
    QFETCH(int, start);
    QFETCH(QString, command);
    QFETCH(int, expected);
    TGmPreview preview;
    for (int i = 0; i < 3; ++i)
        preview.AddPage();
    preview.SetCurrentPage(start);
    int changes = 0;
    preview.OnPageChanged = [&](QObject *) { ++changes; };
    if (command == "first")
        preview.FirstPage();
    else if (command == "prev")
        preview.PrevPage();
    else if (command == "next")
        preview.NextPage();
    else
        preview.LastPage();
    QCOMPARE(preview.CurrentPage(), expected);
    QCOMPARE(changes, start == expected ? 0 : 1);
    QCOMPARE(preview.PageShown(), preview.Pages(expected));
}

void TestGmPreview::newPageEventsCarryHeaderAndFooterRects()
{
    TGmPreview preview;
    QStringList log;
    QRectF header;
    preview.OnNewPage = [&](QObject *) { log << "new"; };
    preview.OnDrawHeader = [&](QObject *, const QRectF &r, QPainter *) {
        log << "header";
        header = r;
    };
    preview.OnDrawFooter = [&](QObject *, const QRectF &, QPainter *) { log << "footer"; };
    preview.OnClear = [&](QObject *) { log << "clear"; };
    preview.AddPage();
    QCOMPARE(log.join(','), QStringLiteral("new,header,footer"));
    QCOMPARE(header, preview.PageList().HeaderRect());
    log.clear();
    preview.Clear();
    QCOMPARE(log.join(','), QStringLiteral("new,header,footer,clear"));
    QCOMPARE(preview.Count(), 1);
}

void TestGmPreview::printWithoutPrinterBalancesUpdate()
{
    QWidget window;
    TGmPreview preview(&window);
    Listener listener(&window);
    preview.RegisterLinkedControl(&listener);
    preview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
    listener.take();
    QStringList messages;
    preview.GmPrinter().OnMessage = [&](const QString &m) { messages << m; };
    QVERIFY(!preview.Print());
    QVERIFY(!preview.PrintCurrentPage());
    QCOMPARE(preview.PageList().UpdateCount(), 0);
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.first(), QStringLiteral("Unable to print... No Printer available."));
    QCOMPARE(listener.take(), QStringLiteral("7043,7039,7038,7044"));
}

QTEST_MAIN(TestGmPreview)
#include "tst_gmpreview.moc"
