// The object properties dialog as the user sees it: its caption, the general page, the view
// page's scale, OK by Return and Cancel by Escape.
#include <QtTest>

#include "dialogs/Dialogs.h"
#include "dialogs/ObjectProperties.h"

#include <QLabel>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>

class TestObjectProperties : public QObject {
    Q_OBJECT

private:
    // Runs the Qt dialogs' object properties dialog; answer acts on it once it is open.
    bool run(dialogs::ObjectProperties &properties,
             const std::function<void(QDialog *)> &answer)
    {
        bool answered = false;
        QTimer::singleShot(50, this, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            answer(dialog);
            answered = true;
        });
        dialogs::QtDialogs qt;
        const bool confirmed = qt.objectProperties(properties, nullptr);
        [&] { QVERIFY(answered); }();
        return confirmed;
    }
    static dialogs::ObjectProperties png()
    {
        dialogs::ObjectProperties p;
        p.caption = QStringLiteral("PNG Image Properties");
        p.typeName = QStringLiteral("PNG Image");
        p.bytes = 1234;
        p.pixels = QSize(640, 480);
        p.scale = 100;
        return p;
    }

private slots:
    // Given the dialog for a PNG picture, when the scale is typed on the view page and Return
    // pressed, then the dialog is confirmed with that scale.
    void confirmedScale()
    {
        dialogs::ObjectProperties p = png();
        const bool ok = run(p, [](QDialog *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("PNG Image Properties"));
            auto *tabs = dialog->findChild<QTabWidget *>();
            QCOMPARE(tabs->count(), 2);
            QCOMPARE(tabs->tabText(0), QStringLiteral("General"));
            QCOMPARE(tabs->tabText(1), QStringLiteral("View"));
            QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("type"))->text(),
                     QStringLiteral("PNG Image"));
            QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("size"))->text()
                        .endsWith(QStringLiteral(" bytes")));
            QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("pixels"))->text(),
                     QStringLiteral("640 × 480 pixels"));
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier,
                              tabs->tabBar()->tabRect(1).center());
            auto *scale = dialog->findChild<QSpinBox *>(QStringLiteral("scale"));
            QTRY_VERIFY(scale->isVisible());
            QCOMPARE(scale->minimum(), 0);
            QCOMPARE(scale->maximum(), 500);
            QCOMPARE(scale->value(), 100);
            QTRY_VERIFY(scale->hasFocus()); // the view page gives the scale the focus
            QTest::keyClick(scale, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(scale, QStringLiteral("250"));
            QTest::keyClick(scale, Qt::Key_Return);
        });
        QVERIFY(ok);
        QCOMPARE(p.scale, 250);
    }

    // Escape cancels and leaves the scale as it was.
    void cancelled()
    {
        dialogs::ObjectProperties p = png();
        p.scale = 40;
        const bool ok = run(p, [](QDialog *dialog) {
            auto *scale = dialog->findChild<QSpinBox *>(QStringLiteral("scale"));
            scale->setValue(300);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QVERIFY(!ok);
        QCOMPARE(p.scale, 40);
    }
};

QTEST_MAIN(TestObjectProperties)
#include "tst_objectproperties.moc"
