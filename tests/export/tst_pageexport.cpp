// The export progress window: its fixed look, the percentage text, the reset on close, the
// running animation, and its place over the main window.

#include "export/PageExport.h"

#include <QLabel>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>

class TestPageExport : public QObject
{
    Q_OBJECT

private slots:
    void looksAsDesigned()
    {
        TfrmExport form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Document Export Status..."));
        QCOMPARE(form.size(), QSize(306, 125));
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!form.isModal());
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form.RxGIFAnimator1->geometry(), QRect(104, 24, 32, 32));
        QCOMPARE(form.lblProgBar->text(), QStringLiteral("0%"));
        QCOMPARE(form.lblProgBar->pos(), QPoint(150, 24));
        QCOMPARE(form.lblStatus->text(), QStringLiteral("Exporting Data..."));
        QCOMPARE(form.lblStatus->geometry(), QRect(24, 72, 257, 36));
        QVERIFY(form.lblStatus->wordWrap());
        QVERIFY(form.lblStatus->alignment() & Qt::AlignHCenter);
        for (const QLabel *label : {form.lblProgBar, form.lblStatus}) {
            QCOMPARE(label->font().family(), QStringLiteral("Arial"));
            QCOMPARE(label->font().pixelSize(), 32);
            QVERIFY(label->font().bold());
            QVERIFY(label->font().italic());
        }
    }

    void progressText_data()
    {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << qint64(0) << qint64(300) << QStringLiteral("0%");
        QTest::newRow("a third, truncated") << qint64(1) << qint64(3) << QStringLiteral("33%");
        QTest::newRow("two thirds, truncated") << qint64(2) << qint64(3) << QStringLiteral("66%");
        QTest::newRow("exact share") << qint64(29) << qint64(100) << QStringLiteral("29%");
        QTest::newRow("just short of the end")
            << qint64(999) << qint64(1000) << QStringLiteral("99%");
        QTest::newRow("end") << qint64(300) << qint64(300) << QStringLiteral("100%");
        QTest::newRow("empty document") << qint64(0) << qint64(0) << QStringLiteral("100%");
        QTest::newRow("large document") << qint64(3000000000LL) << qint64(4000000000LL)
                                        << QStringLiteral("75%");
    }
    void progressText()
    {
        QFETCH(qint64, position);
        QFETCH(qint64, length);
        QFETCH(QString, text);
        QCOMPARE(TfrmExport::progressText(position, length), text);
    }

    void closingResetsAndReturnsToTheMainWindow()
    {
        // Given the window shown over a main window with progress under way, when it closes,
        // then the label reads "0%" again and the closed signal fires; the animation stops.
        QMainWindow main;
        main.setGeometry(100, 100, 1000, 600);
        main.show();
        TfrmExport form(&main);
        QSignalSpy closed(&form, &TfrmExport::closed);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.frameGeometry().center(), main.frameGeometry().center());
        QVERIFY(form.RxGIFAnimator1->isAnimating());
        const int firstFrame = form.RxGIFAnimator1->frame();
        QTRY_VERIFY(form.RxGIFAnimator1->frame() != firstFrame);

        form.setProgress(1, 2);
        QCOMPARE(form.lblProgBar->text(), QStringLiteral("50%"));
        QTest::keyClick(&form, Qt::Key_Escape); // only the export closes it
        QVERIFY(form.isVisible());
        form.close();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.lblProgBar->text(), QStringLiteral("0%"));
        QCOMPARE(closed.count(), 1);
        QVERIFY(!form.RxGIFAnimator1->isAnimating());
    }
};

QTEST_MAIN(TestPageExport)
#include "tst_pageexport.moc"
