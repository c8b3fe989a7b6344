// Shell services: screen resolution, hourglass nesting, fade-out, opening addresses.
#include <QtTest>

#include "shell/Shell.h"

#include <QDesktopServices>
#include <QWidget>

// Receives the addresses handed to the desktop for the test scheme.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void screenDpiIs96InTests()
    {
        QCOMPARE(shell::screenDpi(), 96);
    }

    void hourglassNests()
    {
        QVERIFY(!QApplication::overrideCursor());
        {
            shell::HourglassCursor outer;
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                shell::HourglassCursor inner;
            }
            QVERIFY(QApplication::overrideCursor());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QVERIFY(!QApplication::overrideCursor());
    }

    // Given a shown window, when it fades out over 120 ms, then the call returns after about
    // that time with the window hidden and whole again for a later show.
    void fadeOutHidesAfterTheDuration()
    {
        QWidget window;
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<qreal> seen;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { seen.append(window.windowOpacity()); });
        sampler.start(20);
        QElapsedTimer clock;
        clock.start();
        shell::fadeOut(&window, 120);
        QVERIFY(clock.elapsed() >= 110);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.windowOpacity(), 1.0);
        QVERIFY(std::any_of(seen.begin(), seen.end(), [](qreal o) { return o > 0 && o < 1; }));
    }

    void fadeOutSurvivesDestruction()
    {
        auto *window = new QWidget;
        window->show();
        QTimer::singleShot(30, window, [window] { window->deleteLater(); });
        QPointer<QWidget> guard(window);
        shell::fadeOut(window, 2000);
        QVERIFY(!guard);
        shell::fadeOut(nullptr, 10);
    }

    void pumpEventsRunsPostedWork()
    {
        bool ran = false;
        QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
        shell::pumpEvents();
        QVERIFY(ran);
    }

    void openUrlGoesToTheDesktop()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("scvtest"), &catcher, "open");
        QVERIFY(shell::openUrl(QUrl(QStringLiteral("scvtest://home/page"))));
        QDesktopServices::unsetUrlHandler(QStringLiteral("scvtest"));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("scvtest://home/page"))});
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
