// Dialog interface: filter strings, default extensions, the scripted dialogs and the Qt boxes.
#include <QtTest>

#include "dialogs/Dialogs.h"
#include "dialogs/FontDialog.h"
#include "support/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

using dialogs::Answer;
using dialogs::FileFilter;

namespace {

const QString kSaveFilter = QStringLiteral(
    "Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|"
    "Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc|Portable Document Format (*.pdf)|*.pdf|"
    "Tessra Presentation Format (*.tpf)|*.tpf|Plain Text (*.txt)|*.txt");

// Runs check on the first modal widget that opens, from inside its event loop.
template <typename F>
void whenModalOpens(F check)
{
    QTimer::singleShot(0, [check] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            whenModalOpens(check);
            return;
        }
        check(w);
    });
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void filterParsing_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QList<FileFilter>>("expected");
        QTest::newRow("empty") << QString() << QList<FileFilter>{};
        QTest::newRow("one") << "Text (*.txt)|*.txt"
                             << QList<FileFilter>{{"Text (*.txt)", {"*.txt"}}};
        QTest::newRow("several patterns") << "Docs|*.rtf;*.doc; *.txt"
                                          << QList<FileFilter>{{"Docs", {"*.rtf", "*.doc", "*.txt"}}};
        QTest::newRow("bars in a row") << "A|*.a|B|*.b"
                                       << QList<FileFilter>{{"A", {"*.a"}}, {"B", {"*.b"}}};
        QTest::newRow("dangling description") << "A|*.a|B"
                                              << QList<FileFilter>{{"A", {"*.a"}}};
        QTest::newRow("ampersand kept") << "Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc"
                                        << QList<FileFilter>{
                                               {"Word 97-2003 & 6.0/95 - RTF (*.doc)", {"*.doc"}}};
    }
    void filterParsing()
    {
        QFETCH(QString, filter);
        QFETCH(QList<FileFilter>, expected);
        QCOMPARE(dialogs::parseFilter(filter), expected);
    }

    void qtNameFilters()
    {
        const QStringList names = dialogs::qtNameFilters(
            dialogs::parseFilter(QStringLiteral("Rich Text Format (*.rtf)|*.rtf|Docs|*.rtf;*.doc|"
                                                "Both (*.a;*.b)|*.a;*.b")));
        QCOMPARE(names, (QStringList{"Rich Text Format (*.rtf)", "Docs (*.rtf *.doc)",
                                     "Both (*.a *.b)"}));
    }

    void defaultExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first filter") << "/d/Untitled Document" << 1 << "/d/Untitled Document.rtf";
        QTest::newRow("pdf filter") << "/d/report" << 4 << "/d/report.pdf";
        QTest::newRow("typed extension wins") << "/d/report.txt" << 4 << "/d/report.txt";
        QTest::newRow("dot in folder only") << "/d.x/report" << 6 << "/d.x/report.txt";
        QTest::newRow("out of range filter uses the default") << "/d/a" << 9 << "/d/a.rtf";
    }
    void defaultExtension()
    {
        QFETCH(QString, typed);
        QFETCH(int, filterIndex);
        QFETCH(QString, expected);
        const auto filters = dialogs::parseFilter(kSaveFilter);
        QCOMPARE(dialogs::withDefaultExtension(
                     typed, dialogs::extensionFor(filters, filterIndex, QStringLiteral("rtf"))),
                 expected);
        const auto all = dialogs::parseFilter(QStringLiteral("All Files (*.*)|*.*"));
        QCOMPARE(dialogs::extensionFor(all, 1, QStringLiteral("rtf")), QStringLiteral("rtf"));
    }

    // Given queued answers, when the code asks, then it gets them in order and every dialog
    // is recorded; the scripted dialogs are current only while they live.
    void scriptedAnswersAndRecords()
    {
        dialogs::Dialogs *before = &dialogs::current();
        {
            ScriptedDialogs script;
            QCOMPARE(&dialogs::current(), static_cast<dialogs::Dialogs *>(&script));
            script.answer(Answer::Cancel);
            script.answerFile(QStringLiteral("report"), 4);
            script.answerText(QStringLiteral("letter"));

            dialogs::Dialogs &d = dialogs::current();
            d.information(QStringLiteral(" Scrivelle"), QStringLiteral("Done."));
            QCOMPARE(d.confirm(QStringLiteral("T"), QStringLiteral("Save?"),
                               dialogs::Buttons::YesNoCancel),
                     Answer::Cancel);
            dialogs::FileDialogOptions save;
            save.filter = kSaveFilter;
            save.defaultExtension = QStringLiteral("rtf");
            save.fileName = QStringLiteral("/docs/Untitled Document");
            QVERIFY(d.saveFile(save));
            QCOMPARE(save.fileName, QStringLiteral("/docs/report.pdf"));
            QCOMPARE(save.filterIndex, 4);
            QCOMPARE(d.inputBox(QStringLiteral("Search"), QStringLiteral("Name:"),
                                QStringLiteral("Document Name")),
                     QStringLiteral("letter"));
            QVERIFY(script.allAnswered());

            QCOMPARE(script.shown().size(), 4);
            QCOMPARE(script.shown()[0].kind, ScriptedDialogs::Kind::Information);
            QCOMPARE(script.shown()[0].text, QStringLiteral("Done."));
            QCOMPARE(script.shown()[1].buttons, dialogs::Buttons::YesNoCancel);
            QCOMPARE(script.shown()[2].file.fileName, QStringLiteral("/docs/Untitled Document"));
            QCOMPARE(script.shown()[3].defaultText, QStringLiteral("Document Name"));
        }
        QCOMPARE(&dialogs::current(), before);
    }

    void scriptedMismatchIsReported()
    {
        ScriptedDialogs script;
        script.answerFile(QStringLiteral("x"));
        // A confirmation meets a file answer: it is not consumed, the box counts as closed.
        QCOMPARE(dialogs::current().confirm({}, {}, dialogs::Buttons::YesNo), Answer::No);
        QVERIFY(!script.shown().last().answered);
        QCOMPARE(script.pendingAnswers(), 1);
        // Cancel is no answer to a Yes/No box.
        script.clear();
        script.answer(Answer::Cancel);
        QCOMPARE(dialogs::current().confirm({}, {}, dialogs::Buttons::YesNo), Answer::No);
        QVERIFY(!script.allAnswered());
        // A cancelled input box returns its default text.
        script.clear();
        script.cancelNext();
        QCOMPARE(dialogs::current().inputBox({}, {}, QStringLiteral("Document Name")),
                 QStringLiteral("Document Name"));
        QVERIFY(script.allAnswered());
    }

    void qtConfirmationBox()
    {
        dialogs::QtDialogs d;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        whenModalOpens([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            icon = box->icon();
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(d.confirm(QStringLiteral(" Scrivelle"), QStringLiteral("Save changes?"),
                           dialogs::Buttons::YesNoCancel),
                 Answer::Cancel);
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(title, QStringLiteral(" Scrivelle"));

        whenModalOpens([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            box->button(QMessageBox::Yes)->click();
        });
        QCOMPARE(d.confirm({}, {}, dialogs::Buttons::YesNo), Answer::Yes);

        whenModalOpens([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            icon = box->icon();
            box->accept();
        });
        d.error(QStringLiteral("T"), QStringLiteral("Cannot open file x"));
        QCOMPARE(icon, QMessageBox::Critical);
    }

    // The Qt file dialog gets the filters and the remembered one, and reports the chosen one.
    void qtSaveDialogRemembersFilter()
    {
        QTemporaryDir dir;
        dialogs::QtDialogs d;
        dialogs::FileDialogOptions save;
        save.filter = kSaveFilter;
        save.filterIndex = 2;
        save.defaultExtension = QStringLiteral("rtf");
        save.fileName = dir.filePath(QStringLiteral("Untitled Document"));
        QStringList shownFilters;
        QString selectedAtStart;
        whenModalOpens([&](QWidget *w) {
            auto *fd = qobject_cast<QFileDialog *>(w);
            QVERIFY(fd);
            shownFilters = fd->nameFilters();
            selectedAtStart = fd->selectedNameFilter();
            fd->selectNameFilter(fd->nameFilters().at(3));
            emit fd->filterSelected(fd->nameFilters().at(3));
            fd->selectFile(QStringLiteral("report"));
            QMetaObject::invokeMethod(fd, "accept");
        });
        QVERIFY(d.saveFile(save));
        QCOMPARE(shownFilters.size(), 6);
        QCOMPARE(selectedAtStart, QStringLiteral("Rich Text Compressed (*.rtc)"));
        QCOMPARE(save.filterIndex, 4);
        QCOMPARE(save.fileName, dir.filePath(QStringLiteral("report.pdf")));
    }

    void fontDialogGivesBackWhatItWasGiven()
    {
        // A face that is not installed, a colour without a name and an unusual script all
        // come back unchanged when nothing is touched.
        FontChoice odd;
        odd.face = QStringLiteral("No Such Face 123");
        odd.size = 17;
        odd.style = FontChoice::Bold | FontChoice::StrikeOut;
        odd.charset = 77;
        odd.color = 0x123456;
        dialogs::FontDialog dialog(odd);
        QCOMPARE(dialog.font(), odd);
        QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("colour"))->currentText(), QStringLiteral("Custom"));
        // Each named colour is offered once, in the 0x00BBGGRR form.
        QCOMPARE(dialogs::FontDialog::colours().size(), 16);
        QCOMPARE(dialogs::FontDialog::colours()[9].colour, std::uint32_t(0x0000FF)); // Red
    }

    void dialogsOpenOverTheModalWindowThatAsks()
    {
        // A frameless modal window (as the presentation options are) need not be the active
        // window; a colour dialog it asks for still opens over it.
        QDialog owner(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
        owner.resize(400, 300);
        QWidget *parentSeen = nullptr;
        bool asked = false;
        QTimer::singleShot(0, &owner, [&] {
            QApplication::setActiveWindow(nullptr);
            auto *watch = new QTimer(&owner);
            QObject::connect(watch, &QTimer::timeout, [&, watch] {
                QWidget *dialog = QApplication::activeModalWidget();
                if (!dialog || dialog == &owner)
                    return;
                watch->stop();
                parentSeen = dialog->parentWidget();
                qobject_cast<QDialog *>(dialog)->reject();
            });
            watch->start(10);
            std::uint32_t colour = 0x123456;
            dialogs::QtDialogs qt;
            asked = true;
            QVERIFY(!qt.chooseColour(colour, true));
            owner.accept();
        });
        owner.exec();
        QVERIFY(asked);
        QCOMPARE(parentSeen, static_cast<QWidget *>(&owner));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
