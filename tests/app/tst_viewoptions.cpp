// The "Page View" submenu as a user meets it: the items are chosen from the right-click menu
// with the mouse, and their check marks and effects are read from the window.
#include <QtTest>

#include "app/Main.h"
#include "support/WindowDriver.h"

#include <QFrame>
#include <QTemporaryDir>

class TestViewOptions : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void hideToolbarAndScrollBarFromTheMenu()
    {
        WindowDriver w(m_dir.path());
        w.type(QStringLiteral("some text"));
        w.choose(QStringLiteral("Hide Toolbar"));
        QVERIFY(w.isChecked(QStringLiteral("Hide Toolbar")));
        QVERIFY(!w->CoolBar1->isVisible());
        w.choose(QStringLiteral("Hide Toolbar"));
        QVERIFY(!w.isChecked(QStringLiteral("Hide Toolbar")));
        QVERIFY(w->CoolBar1->isVisible());

        w.choose(QStringLiteral("Hide ScrollBar"));
        QVERIFY(w.isChecked(QStringLiteral("Hide ScrollBar")));
        QCOMPARE(w->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        w.choose(QStringLiteral("Hide ScrollBar"));
        QVERIFY(!w.isChecked(QStringLiteral("Hide ScrollBar")));
        QCOMPARE(w->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w->Editor->windowText(), QStringLiteral("some text"));
    }

    void eyeLevelModesFromTheMenu()
    {
        WindowDriver w(m_dir.path());
        const int full = w->Editor->height();
        w.choose(QStringLiteral("Keep Text Eye Level - 1/2"));
        QVERIFY(w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/3")));
        QCOMPARE(w->Editor->height(), full / 2);
        QVERIFY(w->B1->isVisible());
        // Straight from one half to one third.
        w.choose(QStringLiteral("Keep Text Eye Level - 1/3"));
        QVERIFY(w.isChecked(QStringLiteral("Keep Text Eye Level - 1/3")));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QCOMPARE(w->Editor->height(), qRound(full / 1.5));
        // The checked item again ends the mode.
        w.choose(QStringLiteral("Keep Text Eye Level - 1/3"));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/3")));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QCOMPARE(w->Editor->height(), full);
        QVERIFY(!w->B1->isVisible());
    }

    void modesFromTheSettingsFileEndAndSwitchFromTheMenu()
    {
        WindowDriver w(m_dir.path(), "[Page View]\r\nHalf Level=1\r\nToolBar=1\r\nScrollBar=1\r\n");
        QVERIFY(w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QVERIFY(w.isChecked(QStringLiteral("Hide Toolbar")));
        QVERIFY(w.isChecked(QStringLiteral("Hide ScrollBar")));
        QVERIFY(!w->CoolBar1->isVisible());
        // The hidden toolbar comes back from the menu.
        w.choose(QStringLiteral("Hide Toolbar"));
        QVERIFY(w->CoolBar1->isVisible());
        QVERIFY(!w.isChecked(QStringLiteral("Hide Toolbar")));
        QCOMPARE(w->Editor->y(), 67);
        w.choose(QStringLiteral("Hide ScrollBar"));
        QCOMPARE(w->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        // 1/3 switches to one third instead of ending the mode.
        w.choose(QStringLiteral("Keep Text Eye Level - 1/3"));
        QVERIFY(w.isChecked(QStringLiteral("Keep Text Eye Level - 1/3")));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QVERIFY(w->eyeLevelModeOn());
        // Back to one half, then the checked one-half item ends the mode.
        w.choose(QStringLiteral("Keep Text Eye Level - 1/2"));
        QVERIFY(w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        w.choose(QStringLiteral("Keep Text Eye Level - 1/2"));
        QVERIFY(!w.isChecked(QStringLiteral("Keep Text Eye Level - 1/2")));
        QVERIFY(!w->eyeLevelModeOn());
        QVERIFY(!w->B1->isVisible());
    }
};

QTEST_MAIN(TestViewOptions)
#include "tst_viewoptions.moc"
