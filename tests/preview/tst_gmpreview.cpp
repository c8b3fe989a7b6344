// The preview control: notifications to linked controls, update brackets, navigation, the
// print entry points, and the view (zoom steps, fitting, scrolling by keys, wheel and panning,
// stored margin values).
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
    void zoomSteps_data();
    void zoomSteps();
    void fitting_data();
    void fitting();
    void zoomKeepsRelativeScrollPosition();
    void keysMoveTheBars();
    void wheelMovesOneLine();
    void dragPansBothBars();
    void marginValuesRoundTrip();
    void badMarginValuesChangeNothing();
};

namespace {

// A shown preview of the preview window's settings, with a page larger than its client
// area so that both bars are in use.
struct ShownPreview {
    QWidget window;
    TGmPreview *preview;
    ShownPreview(int zoom = 100)
    {
        window.resize(522, 456);
        preview = new TGmPreview(&window);
        preview->setGeometry(0, 0, 522, 456);
        preview->SetGutter(20);
        preview->SetMinZoom(10);
        preview->SetMaxZoom(800);
        preview->SetLineIncrements(43, 45);
        preview->SetZoom(zoom);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        preview->UpdateScrollRanges();
    }
    QScrollBar *h() const { return preview->horizontalScrollBar(); }
    QScrollBar *v() const { return preview->verticalScrollBar(); }
};

} // namespace

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

void TestGmPreview::zoomSteps_data()
{
    QTest::addColumn<int>("minZoom");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("to");
    QTest::newRow("31 in") << 5 << false << 31 << true << 45;
    QTest::newRow("31 out") << 5 << false << 31 << false << 30;
    QTest::newRow("table start in") << 5 << false << 5 << true << 7;
    QTest::newRow("800 in stays") << 5 << false << 800 << true << 800;
    QTest::newRow("7 out stays") << 5 << false << 7 << false << 7;
    QTest::newRow("10 out clamps to MinZoom 10") << 10 << false << 10 << false << 10;
    QTest::newRow("14 out with MinZoom 10") << 10 << false << 14 << false << 10;
    QTest::newRow("fixed in") << 10 << true << 31 << true << 36;
    QTest::newRow("fixed out clamps") << 10 << true << 12 << false << 10;
    QTest::newRow("fixed in clamps") << 10 << true << 798 << true << 800;
}

void TestGmPreview::zoomSteps()
{
    QFETCH(int, minZoom);
    QFETCH(bool, fixed);
    QFETCH(int, from);
    QFETCH(bool, in);
    QFETCH(int, to);
    // Given a preview zoomed to `from`
    TGmPreview preview;
    preview.SetMinZoom(minZoom);
    preview.SetMaxZoom(800);
    preview.ZoomIncrement = 5;
    preview.ZoomStyle = fixed ? gmFixedZoom : gmVariableZoom;
    preview.SetZoom(from);
    QCOMPARE(preview.Zoom(), from);
    // When zooming one step
    if (in)
        preview.ZoomIn();
    else
        preview.ZoomOut();
    // Then
    QCOMPARE(preview.Zoom(), to);
}

void TestGmPreview::fitting_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("zoom");
    // A4 is 8.27 x 11.69 inches; 522 x 456 pixels with gutters of 20.
    QTest::newRow("whole page, height limits") << 0 << false << 35;
    QTest::newRow("height") << 1 << false << 35;
    QTest::newRow("width") << 2 << false << 58;
    QTest::newRow("whole landscape page, width limits") << 0 << true << 41;
}

void TestGmPreview::fitting()
{
    QFETCH(int, kind);
    QFETCH(bool, landscape);
    QFETCH(int, zoom);
    QWidget window;
    TGmPreview preview(&window);
    preview.SetMaxZoom(800);
    preview.resize(522, 456);
    preview.SetGutter(20);
    if (landscape)
        preview.SetOrientation(gmLandscape);
    switch (kind) {
    case 0: preview.FitWholePage(); break;
    case 1: preview.FitHeight(); break;
    case 2: preview.FitWidth(); break;
    }
    QCOMPARE(preview.Zoom(), zoom);
}

void TestGmPreview::zoomKeepsRelativeScrollPosition()
{
    // Given a page scrolled to 40 % across and 60 % down
    ShownPreview f(100);
    QVERIFY(f.h()->maximum() > 0);
    QVERIFY(f.v()->maximum() > 0);
    f.h()->setValue(f.h()->maximum() * 4 / 10);
    f.v()->setValue(f.v()->maximum() * 6 / 10);
    // When zooming in and out again
    f.preview->ZoomIn();
    QCOMPARE(f.preview->Zoom(), 120);
    // Then the bars keep their fractions of the larger extent
    QVERIFY(qAbs(double(f.h()->value()) / f.h()->maximum() - 0.4) < 0.01);
    QVERIFY(qAbs(double(f.v()->value()) / f.v()->maximum() - 0.6) < 0.01);
    f.preview->SetZoom(49);
    QVERIFY(qAbs(double(f.v()->value()) / f.v()->maximum() - 0.6) < 0.01);
    // And the paper moved with the bars
    QCOMPARE(f.preview->PaperImage()->pos(), QPoint(-f.h()->value(), -f.v()->value()));
}

void TestGmPreview::keysMoveTheBars()
{
    ShownPreview f(100);
    f.preview->setFocus();
    QVERIFY(f.v()->isVisible());
    QCOMPARE(f.v()->value(), 0);
    QTest::keyClick(f.preview, Qt::Key_PageDown);
    QCOMPARE(f.v()->value(), 450);
    QTest::keyClick(f.preview, Qt::Key_Down);
    QCOMPARE(f.v()->value(), 495);
    QTest::keyClick(f.preview, Qt::Key_PageUp);
    QCOMPARE(f.v()->value(), 45);
    QTest::keyClick(f.preview, Qt::Key_Right);
    QCOMPARE(f.h()->value(), 43);
    QTest::keyClick(f.preview, Qt::Key_End);
    QCOMPARE(f.v()->value(), f.v()->maximum());
    QCOMPARE(f.h()->value(), f.h()->maximum());
    QTest::keyClick(f.preview, Qt::Key_Left);
    QCOMPARE(f.h()->value(), f.h()->maximum() - 43);
    QTest::keyClick(f.preview, Qt::Key_Up);
    QCOMPARE(f.v()->value(), f.v()->maximum() - 45);
    QTest::keyClick(f.preview, Qt::Key_Home);
    QCOMPARE(f.v()->value(), 0);
    QCOMPARE(f.h()->value(), 0);

    // A page that fits shows no bars: the keys do nothing.
    f.preview->SetZoom(20);
    QTRY_VERIFY(!f.v()->isVisible());
    QVERIFY(!f.h()->isVisible());
    QTest::keyClick(f.preview, Qt::Key_PageDown);
    QCOMPARE(f.v()->value(), 0);
}

void TestGmPreview::wheelMovesOneLine()
{
    auto wheel = [](QWidget *target, int delta) {
        const QPointF pos(50, 50);
        QWheelEvent e(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    };
    // The vertical bar while it is shown
    ShownPreview f(100);
    wheel(f.preview->PaperImage(), -120);
    QCOMPARE(f.v()->value(), 45);
    wheel(f.preview->PaperImage(), -120);
    wheel(f.preview->PaperImage(), 120);
    QCOMPARE(f.v()->value(), 45);
    QCOMPARE(f.h()->value(), 0);
    // The horizontal bar when only it is shown (a landscape page wider than the window)
    f.preview->SetOrientation(gmLandscape);
    f.preview->SetZoom(49);
    QTRY_VERIFY(!f.v()->isVisible());
    QVERIFY(f.h()->isVisible());
    wheel(f.preview->PaperImage(), -120);
    QCOMPARE(f.h()->value(), 43);
}

void TestGmPreview::dragPansBothBars()
{
    // Given a preview that pans on a left press, as the preview window sets it up
    ShownPreview f(100);
    f.preview->OnMouseDown = [&f](QObject *, Qt::MouseButton b, Qt::KeyboardModifiers,
                                  const QPoint &pos) {
        if (b == Qt::LeftButton)
            f.preview->StartPan(pos);
    };
    f.h()->setValue(100);
    f.v()->setValue(200);
    TGmPaperImage *paper = f.preview->PaperImage();
    const QPoint start = paper->mapFrom(f.preview, QPoint(300, 300));
    // When the mouse is dragged 30 left and 40 up
    QTest::mousePress(paper, Qt::LeftButton, {}, start);
    QVERIFY(f.preview->Panning());
    QVERIFY(f.preview->hasFocus());
    QTest::mouseMove(paper, start - QPoint(30, 40));
    // Then both bars moved by the cursor's distance
    QCOMPARE(f.h()->value(), 130);
    QCOMPARE(f.v()->value(), 240);
    // And the release ends the pan: further moves scroll nothing
    QTest::mouseRelease(paper, Qt::LeftButton, {}, paper->mapFrom(f.preview, QPoint(270, 260)));
    QVERIFY(!f.preview->Panning());
    QTest::mouseMove(paper, paper->mapFrom(f.preview, QPoint(100, 100)));
    QCOMPARE(f.h()->value(), 130);
    QCOMPARE(f.v()->value(), 240);
}

void TestGmPreview::marginValuesRoundTrip()
{
    const QString stored =
        QStringLiteral("720,720,720,720,\"12632256,1,2,4\",\"12632256,1,2,4\"");
    TGmPreview preview;
    preview.Margins().Left().setMillimeters(25);
    QVERIFY(preview.SetMarginValues(stored));
    QCOMPARE(preview.MarginValues(), stored);
    QCOMPARE(double(preview.Margins().Left().inches()), 0.5);
    QCOMPARE(preview.Margins().Pen().style(), Qt::DotLine);
    QCOMPARE(preview.Margins().Pen().color(), QColor(0xC0, 0xC0, 0xC0));

    // Four items alone set the margins and keep the pens.
    preview.Margins().setPen(QPen(Qt::red, 2, Qt::DashLine));
    QVERIFY(preview.SetMarginValues(QStringLiteral("1440, 0, 2880, 144")));
    QCOMPARE(preview.MarginValues(),
             QStringLiteral("1440,0,2880,144,\"255,2,1,4\",\"12632256,1,2,4\""));
}

void TestGmPreview::badMarginValuesChangeNothing()
{
    TGmPreview preview;
    const QString before = preview.MarginValues();
    QVERIFY(!preview.SetMarginValues(QStringLiteral("720,720,720")));
    QVERIFY(!preview.SetMarginValues(QStringLiteral("720,720,x,720")));
    QVERIFY(!preview.SetMarginValues(QStringLiteral("720,720,720,720,\"red,1,2,4\"")));
    QCOMPARE(preview.MarginValues(), before);
}

QTEST_MAIN(TestGmPreview)
#include "tst_gmpreview.moc"
