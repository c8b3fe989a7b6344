// The presentation options: page geometry of each choice and the options window driven with
// real mouse input.

#include "export/PresentationOptions.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

class TestPresentationOptions : public QObject
{
    Q_OBJECT

private slots:
    void pageGeometry_data();
    void pageGeometry();
    void commandLineSettings_data();
    void commandLineSettings();
    void defaults();
    void screenSizeStepping_data();
    void screenSizeStepping();
    void clickingChoices_data();
    void clickingChoices();
    void hoverBevels();
    void colourDialog();
    void titleStripDragsWindow();
    void saveClosesWithOk();
};

void TestPresentationOptions::pageGeometry_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<QPoint>("textEnd");
    const int full = int(PresentationPageSize::FullPage);
    const int half = int(PresentationPageSize::HalfPage);
    const int screen = int(PresentationPageSize::ScreenSize);
    QTest::newRow("full page") << full << "1000 x 750" << QSize(693, 950) << QPoint(673, 930);
    QTest::newRow("half page") << half << "800 x 600" << QSize(693, 485) << QPoint(673, 465);
    QTest::newRow("800 x 600") << screen << "800 x 600" << QSize(800, 600) << QPoint(780, 580);
    QTest::newRow("900 x 675") << screen << "900 x 675" << QSize(900, 675) << QPoint(880, 655);
    QTest::newRow("1000 x 750") << screen << "1000 x 750" << QSize(1000, 750) << QPoint(980, 730);
}

void TestPresentationOptions::pageGeometry()
{
    QFETCH(int, choice);
    QFETCH(QString, screen);
    QFETCH(QSize, bitmap);
    QFETCH(QPoint, textEnd);
    PresentationOptions o;
    o.pageSize = PresentationPageSize(choice);
    o.screenSize = screen;
    const PresentationPage page = presentationPage(o);
    QCOMPARE(page.bitmap, bitmap);
    QCOMPARE(page.textEnd, textEnd);
    // The text area keeps a 20-pixel margin on every side.
    QCOMPARE(page.bitmap.width() - page.textEnd.x(), kPresentationMargin);
    QCOMPARE(page.bitmap.height() - page.textEnd.y(), kPresentationMargin);
}

void TestPresentationOptions::commandLineSettings_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("frame"); // colour name, or empty when off
    const int full = int(PresentationPageSize::FullPage);
    const int half = int(PresentationPageSize::HalfPage);
    const int screen = int(PresentationPageSize::ScreenSize);
    QTest::newRow("none") << QStringList() << true << full << "800 x 600" << 15 << "";
    QTest::newRow("half, 60 s, framed")
        << QStringList{"page=half", "seconds=60", "frame=#ff0000"} << true << half << "800 x 600"
        << 60 << "#ff0000";
    QTest::newRow("screen size") << QStringList{"page=900x675", "frame=on"} << true << screen
                                 << "900 x 675" << 15 << "#0080c0";
    QTest::newRow("frame by name") << QStringList{"frame=navy"} << true << full << "800 x 600"
                                   << 15 << "#000080";
    QTest::newRow("seconds out of range") << QStringList{"seconds=61"} << false << full
                                          << "800 x 600" << 15 << "";
    QTest::newRow("unknown size") << QStringList{"page=640x480"} << false << full << "800 x 600"
                                  << 15 << "";
    QTest::newRow("bad setting keeps the rest") << QStringList{"page=half", "colour=red"} << false
                                                << full << "800 x 600" << 15 << "";
}

void TestPresentationOptions::commandLineSettings()
{
    QFETCH(QStringList, settings);
    QFETCH(bool, ok);
    QFETCH(int, choice);
    QFETCH(QString, screen);
    QFETCH(int, seconds);
    QFETCH(QString, frame);
    PresentationOptions o;
    QString error;
    QCOMPARE(parsePresentationOptions(settings, o, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    QCOMPARE(int(o.pageSize), choice);
    QCOMPARE(o.screenSize, screen);
    QCOMPARE(o.viewingSeconds, seconds);
    QCOMPARE(o.frame, !frame.isEmpty());
    if (o.frame)
        QCOMPARE(o.frameColour.name(), frame);
}

void TestPresentationOptions::defaults()
{
    TfrmPresentation form;
    QCOMPARE(form.size(), QSize(634, 253));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.windowTitle(), QStringLiteral("Presentation Options"));
    const PresentationOptions o = form.options();
    QCOMPARE(o.pageSize, PresentationPageSize::FullPage);
    QCOMPARE(o.screenSize, QStringLiteral("800 x 600"));
    QCOMPARE(o.viewingSeconds, 15);
    QCOMPARE(o.frameDelay(), 15000);
    QVERIFY(!o.frame);
    QCOMPARE(o.frameColour, QColor(0x00, 0x80, 0xC0));
    QCOMPARE(form.Panel1->palette().color(QPalette::Window), QColor(0x00, 0x80, 0xC0));
    QCOMPARE(form.Panel2->palette().color(QPalette::Window), QColor(0xFF, 0xD2, 0x5E));
    QCOMPARE(form.Label3->palette().color(QPalette::WindowText), QColor(Qt::black));
}

void TestPresentationOptions::screenSizeStepping_data()
{
    QTest::addColumn<QString>("presses"); // L = Larger, S = Smaller
    QTest::addColumn<QString>("expected");
    QTest::newRow("larger once") << "L" << "900 x 675";
    QTest::newRow("larger twice") << "LL" << "1000 x 750";
    QTest::newRow("larger three times stays") << "LLL" << "1000 x 750";
    QTest::newRow("smaller at the start stays") << "S" << "800 x 600";
    QTest::newRow("there and back") << "LLS" << "900 x 675";
}

// Given the window at "800 x 600", when the arrows are clicked, the caption steps and stops at
// the ends, and the selected page size does not change.
void TestPresentationOptions::screenSizeStepping()
{
    QFETCH(QString, presses);
    QFETCH(QString, expected);
    TfrmPresentation form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QChar c : presses)
        QTest::mouseClick(c == QLatin1Char('L') ? form.dxToolButton2 : form.dxToolButton1,
                          Qt::LeftButton);
    QCOMPARE(form.Label3->text(), expected);
    QCOMPARE(form.options().pageSize, PresentationPageSize::FullPage);
}

void TestPresentationOptions::clickingChoices_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("choice");
    QTest::newRow("lower half") << "Panel3" << int(PresentationPageSize::HalfPage);
    QTest::newRow("upper half") << "Panel2" << int(PresentationPageSize::HalfPage);
    QTest::newRow("screen size label") << "Label3" << int(PresentationPageSize::ScreenSize);
    QTest::newRow("full page") << "Panel1" << int(PresentationPageSize::FullPage);
}

void TestPresentationOptions::clickingChoices()
{
    QFETCH(QString, target);
    QFETCH(int, choice);
    TfrmPresentation form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Panel4Click(); // start from another choice than the one clicked
    if (target == QLatin1String("Label3"))
        form.Panel2Click();
    QWidget *widget = target == QLatin1String("Panel1")   ? static_cast<QWidget *>(form.Panel1)
                      : target == QLatin1String("Panel2") ? form.Panel2
                      : target == QLatin1String("Panel3") ? form.Panel3
                                                          : form.Label3;
    // Clicked through the window, at the widget's centre, as a user would.
    const QPoint at = widget->mapTo(&form, widget->rect().center());
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(int(form.options().pageSize), choice);
    const bool screen = choice == int(PresentationPageSize::ScreenSize);
    QCOMPARE(form.Label3->palette().color(QPalette::WindowText),
             QColor(screen ? Qt::white : Qt::black));
    // Both halves always carry the same colour.
    QCOMPARE(form.Panel2->palette().color(QPalette::Window),
             form.Panel3->palette().color(QPalette::Window));
}

void TestPresentationOptions::hoverBevels()
{
    TfrmPresentation form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto visible = [&] {
        return QString::fromLatin1("%1%2%3")
            .arg(form.Bevel1->isVisible())
            .arg(form.Bevel2->isVisible())
            .arg(form.Bevel3->isVisible());
    };
    QCOMPARE(visible(), QStringLiteral("000"));
    auto hover = [&](QWidget *w) {
        QTest::mouseMove(form.windowHandle(), w->mapTo(&form, w->rect().center()));
        QCoreApplication::processEvents();
    };
    hover(form.Panel3);
    QCOMPARE(visible(), QStringLiteral("010"));
    hover(form.Panel4);
    QCOMPARE(visible(), QStringLiteral("001"));
    hover(form.Panel1);
    QCOMPARE(visible(), QStringLiteral("100"));
    // The group itself, away from the choices.
    QTest::mouseMove(form.windowHandle(), form.RbPanel3->mapTo(&form, QPoint(370, 200)));
    QCoreApplication::processEvents();
    QCOMPARE(visible(), QStringLiteral("000"));
    form.Panel2MouseMove();
    form.hide();
    form.show();
    QCOMPARE(visible(), QStringLiteral("000")); // showing the window hides them all
}

// Given a dialog that answers a colour, the swatch takes it; a cancelled dialog changes nothing.
void TestPresentationOptions::colourDialog()
{
    TfrmPresentation form;
    ScriptedDialogs dialogs;
    dialogs.answerColour(0x00563412);
    dialogs.cancelNext();
    QTest::mouseClick(form.RbButton3, Qt::LeftButton);
    QCOMPARE(form.options().frameColour, QColor(0x12, 0x34, 0x56));
    QTest::mouseClick(form.RbButton3, Qt::LeftButton);
    QCOMPARE(form.options().frameColour, QColor(0x12, 0x34, 0x56));

    const auto shown = dialogs.shownOf(ScriptedDialogs::Kind::Colour);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].colour, 0x00C08000u); // preset with the swatch
    QVERIFY(shown[0].fullOpen);
    QCOMPARE(shown[1].colour, 0x00563412u);
    QVERIFY(dialogs.allAnswered());
}

void TestPresentationOptions::titleStripDragsWindow()
{
    TfrmPresentation form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint start = form.pos();
    const QPoint grab = form.RbPanel1->mapToGlobal(QPoint(50, 10));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 10), QPointF(grab), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(form.RbPanel1, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(80, 50), QPointF(grab + QPoint(30, 40)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(form.RbPanel1, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(80, 50),
                        QPointF(grab + QPoint(30, 40)), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(form.RbPanel1, &release);
    QCOMPARE(form.pos(), start + QPoint(30, 40));
}

// Given changed choices, when "Save" is clicked in the modal window, it closes with OK and the
// choices are still there for the next export.
void TestPresentationOptions::saveClosesWithOk()
{
    TfrmPresentation form;
    PresentationOptions wanted;
    wanted.pageSize = PresentationPageSize::ScreenSize;
    wanted.screenSize = QStringLiteral("900 x 675");
    wanted.viewingSeconds = 60;
    wanted.frame = true;
    wanted.frameColour = QColor(0xAA, 0x00, 0x11);
    form.setOptions(wanted);
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.btnClose, Qt::LeftButton); });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    const PresentationOptions o = form.options();
    QCOMPARE(o.pageSize, wanted.pageSize);
    QCOMPARE(o.screenSize, wanted.screenSize);
    QCOMPARE(o.viewingSeconds, 60);
    QCOMPARE(o.frameDelay(), 60000);
    QVERIFY(o.frame);
    QCOMPARE(o.frameColour, wanted.frameColour);
    form.RxSpinEdit1->setValue(99);
    QCOMPARE(form.options().viewingSeconds, 60); // the spin edit keeps to 5 .. 60
}

QTEST_MAIN(TestPresentationOptions)
#include "tst_presentationoptions.moc"
