// Recovery of unsaved work as a user meets it: an instance of the main window is killed with
// SIGKILL while it holds unsaved text, the next start offers the work in the recovery dialog
// and its Restore button gives it back; instances running side by side keep to their own
// copies; saving, New, Clear All and a normal end remove the copy; an unreadable copy is
// reported and kept aside; the settings key turns copies off.
//
// The killed instance is this test program started again as a child ("--child"): it runs the
// main window offscreen, types, waits for its copy, reports and then waits to be killed.
#include <QtTest>

#include "support/EditStreams.h"
#include "app/Main.h"
#include "documents/DocumentRecovery.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryDialog.h"
#include "support/ScriptedDialogs.h"
#include "support/SolidPng.h"
#include "support/WindowDriver.h"
#include "widgets/StatusBar.h"

#include <QBuffer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTreeWidget>
#include <cstdio>

namespace {

QByteArray documentRtf(TRxRichEdit *editor)
{
    return editstream::out(*editor);
}

// Types "Hello bold world" with "bold" in bold (Ctrl+B), and three steps left: the caret ends
// inside the text. A named document gets the words before its own text.
void typeSample(TRxRichEdit *editor)
{
    QTest::keyClicks(editor, QStringLiteral("Hello "));
    QTest::keyClick(editor, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("bold"));
    QTest::keyClick(editor, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral(" world"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(editor, Qt::Key_Left);
}

// The child instance: --child FOLDER SETTINGS [FILE]. Prints "READY <copy> <caret> <rtf in
// base64>" once the copy of its typing is on disk, then runs until it is killed.
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivelle"));
    const QStringList args = QCoreApplication::arguments();
    TfrmMainEditor window;
    window.setSettingsPath(args.value(3));
    if (args.size() > 4)
        window.setStartArguments({args.value(4)});
    window.enableRecovery(args.value(2));
    window.Recovery->setDelays(100, 2000);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 3;
    QTest::qWait(50); // the start-up offer runs (there is nothing to offer)
    bool written = false;
    QObject::connect(window.Recovery, &DocumentRecovery::copyWritten, [&] { written = true; });
    typeSample(window.Editor);
    written = false; // only a copy taken after the last change counts
    if (!QTest::qWaitFor([&] { return written; }, 10000))
        return 4;
    std::printf("READY %s %d %s\n", qPrintable(window.Recovery->copyPath()),
                window.Editor->textCursor().position(),
                documentRtf(window.Editor).toBase64().constData());
    std::fflush(stdout);
    return app.exec();
}

// Waits for the recovery dialog and acts on it once it shows.
class DialogWatcher : public QObject {
public:
    explicit DialogWatcher(std::function<void(RecoveryDialog *)> act) : m_act(std::move(act))
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<RecoveryDialog *>(w);
                if (dialog && dialog->isVisible() && !seen) {
                    seen = true;
                    for (int row = 0; row < dialog->list()->topLevelItemCount(); ++row) {
                        const QTreeWidgetItem *item = dialog->list()->topLevelItem(row);
                        names << item->text(0);
                        excerpts << item->text(2);
                    }
                    m_act(dialog);
                }
            }
        });
        m_timer.start();
    }
    bool seen = false;
    QStringList names, excerpts;

private:
    std::function<void(RecoveryDialog *)> m_act;
    QTimer m_timer;
};

} // namespace

class TestDocumentRecovery : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_settings;

    QString folder() const { return m_dir->filePath(QStringLiteral("recovery")); }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList copiesInFolder() const
    {
        return QDir(folder()).entryList({QStringLiteral("*.recovery")}, QDir::Files, QDir::Name);
    }

    std::unique_ptr<TfrmMainEditor> start(const QStringList &arguments = {})
    {
        auto w = std::make_unique<TfrmMainEditor>();
        w->setSettingsPath(m_settings);
        w->setStartArguments(arguments);
        w->enableRecovery(folder());
        w->Recovery->setDelays(50, 2000);
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("window not exposed");
        return w;
    }

    struct Child {
        std::unique_ptr<QProcess> process;
        QString copy;
        int caret = -1;
        QByteArray rtf;
    };
    Child startChild(const QString &file = {})
    {
        Child child;
        child.process = std::make_unique<QProcess>();
        child.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{QStringLiteral("--child"), folder(), m_settings};
        if (!file.isEmpty())
            args << file;
        child.process->start(QCoreApplication::applicationFilePath(), args);
        QByteArray line;
        while (!line.endsWith('\n') && child.process->waitForReadyRead(30000))
            line += child.process->readLine();
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts[0] == "READY") {
            child.copy = QString::fromLocal8Bit(parts[1]);
            child.caret = parts[2].toInt();
            child.rtf = QByteArray::fromBase64(parts[3]);
        }
        return child;
    }
    static void kill(Child &child)
    {
        child.process->kill(); // SIGKILL: nothing of the instance runs any more
        child.process->waitForFinished(10000);
    }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray readFile(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = path(QStringLiteral("DeskTopDock.ini"));
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }
    void cleanup()
    {
        m_dialogs.reset();
        m_dir.reset();
    }

    void untitledWorkSurvivesAKillAndIsRestored()
    {
        Child child = startChild();
        QVERIFY2(!child.copy.isEmpty(), "the child instance did not report its copy");
        QVERIFY(QFile::exists(child.copy));
        kill(child);
        QCOMPARE(child.process->exitStatus(), QProcess::CrashExit);

        DialogWatcher watcher([](RecoveryDialog *d) {
            QTest::mouseClick(d->restoreButton(), Qt::LeftButton);
        });
        auto w = start();
        QTRY_VERIFY(watcher.seen);
        QCOMPARE(watcher.names, QStringList{QStringLiteral("Untitled Document")});
        QCOMPARE(watcher.excerpts, QStringList{QStringLiteral("Hello bold world")});
        QTRY_COMPARE(w->Editor->toPlainText(), QStringLiteral("Hello bold world"));

        QCOMPARE(documentRtf(w->Editor), child.rtf); // the same text and formats
        QCOMPARE(w->Editor->textCursor().position(), child.caret);
        QCOMPARE(child.caret, 13);
        QCOMPARE(w->DocumentFileName, QStringLiteral("Untitled Document"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tessra Office >> Untitled Document"));
        QVERIFY(w->Editor->DocumentModified());
        QCOMPARE(w->StatusBar1->panelText(5), QStringLiteral("Modified"));
        QVERIFY(m_dialogs->shown().isEmpty());

        // The copy is this instance's own now: not offered to another start while it runs.
        QVERIFY(!QFile::exists(child.copy));
        QVERIFY(QFile::exists(w->Recovery->copyPath()));
        DialogWatcher second([](RecoveryDialog *d) { QTest::mouseClick(d->laterButton(), Qt::LeftButton); });
        auto other = start();
        QTest::qWait(200);
        QVERIFY(!second.seen);
    }

    void namedWorkIsRestoredAndItsFileIsLeftAlone()
    {
        const QString letter = path(QStringLiteral("letter.rtf"));
        const QByteArray original = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Original text.\\par\n}";
        writeFile(letter, original);
        Child child = startChild(letter);
        QVERIFY2(!child.copy.isEmpty(), "the child instance did not report its copy");
        kill(child);

        DialogWatcher watcher([](RecoveryDialog *d) { QTest::mouseClick(d->restoreButton(), Qt::LeftButton); });
        auto w = start();
        QTRY_VERIFY(watcher.seen);
        QCOMPARE(watcher.names, QStringList{QStringLiteral("letter.rtf")});
        QTRY_COMPARE(w->DocumentFileName, letter);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("Hello bold worldOriginal text."));
        QCOMPARE(documentRtf(w->Editor), child.rtf);
        QCOMPARE(w->Editor->textCursor().position(), child.caret);
        QCOMPARE(w->windowTitle(), QStringLiteral("Tessra Office - >>  [letter.rtf]"));
        QVERIFY(w->Editor->DocumentModified());
        QCOMPARE(readFile(letter), original); // recovery never touches the document's file

        // Saving it with Ctrl+S writes the file and removes the copy.
        const QString copy = w->Recovery->copyPath();
        QVERIFY(QFile::exists(copy));
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w->Editor, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(readFile(letter).contains("Hello"));
        QTRY_VERIFY(!QFile::exists(copy));
        QVERIFY(copiesInFolder().isEmpty());
    }

    // Two instances at once: each keeps its own copy and neither offers the other's.
    void runningInstancesKeepToTheirOwnCopies()
    {
        Child other = startChild();
        QVERIFY2(!other.copy.isEmpty(), "the child instance did not report its copy");

        auto none = std::make_unique<DialogWatcher>([](RecoveryDialog *d) {
            QTest::mouseClick(d->laterButton(), Qt::LeftButton);
        });
        auto w = start();
        typeSample(w->Editor);
        QTRY_VERIFY(QFile::exists(w->Recovery->copyPath()));
        QCOMPARE(copiesInFolder().size(), 2);
        auto third = start();
        QTest::qWait(200);
        QVERIFY(!none->seen);
        third.reset();
        none.reset();

        kill(other);
        DialogWatcher later([](RecoveryDialog *d) { QTest::mouseClick(d->laterButton(), Qt::LeftButton); });
        auto fourth = start();
        QTRY_VERIFY(later.seen);
        QCOMPARE(later.names, QStringList{QStringLiteral("Untitled Document")}); // only the killed one's
        fourth.reset();
        QVERIFY(QFile::exists(other.copy)); // Later keeps it
        QVERIFY(QFile::exists(w->Recovery->copyPath()));
    }

    // A clean save, New, Clear All and a normal end leave nothing to lose: the copy goes. The
    // commands are reached as a user reaches them: Ctrl+S, Ctrl+N, the pop-up menu, the close.
    void theCopyGoesWhenNothingIsLeftToLose()
    {
        auto d = std::make_unique<WindowDriver>(m_dir->path());
        (*d)->enableRecovery(folder());
        DocumentRecovery *recovery = (*d)->Recovery;
        recovery->setDelays(50, 2000);
        d->type(QStringLiteral("draft"));
        QTRY_VERIFY(QFile::exists(recovery->copyPath()));
        d->dialogs().answerFile(path(QStringLiteral("draft.rtf")));
        d->choose(QStringLiteral("Save"));
        QCOMPARE((*d)->DocumentFileName, path(QStringLiteral("draft.rtf")));
        QTRY_VERIFY(!QFile::exists(recovery->copyPath()));

        d->type(QStringLiteral(" more"));
        QTRY_VERIFY(QFile::exists(recovery->copyPath()));
        d->dialogs().answer(dialogs::Answer::No);
        d->choose(QStringLiteral("New"));
        QTRY_VERIFY(!QFile::exists(recovery->copyPath()));

        d->type(QStringLiteral("scratch"));
        QTRY_VERIFY(QFile::exists(recovery->copyPath()));
        d->choose(QStringLiteral("Clear All"));
        QTRY_VERIFY(!QFile::exists(recovery->copyPath()));

        d->type(QStringLiteral("last words"));
        QTRY_VERIFY(QFile::exists(recovery->copyPath()));
        d->dialogs().answer(dialogs::Answer::No);
        QVERIFY((*d)->close());
        QVERIFY(d->dialogs().allAnswered());
        d.reset();
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty()); // no copy, no lock
    }

    // Continuous typing with no pause still gets a copy within the longest delay.
    void continuousTypingIsCopiedAtTheLongestDelay()
    {
        auto w = start();
        w->Recovery->setDelays(5000, 300);
        QElapsedTimer typing;
        typing.start();
        while (!QFile::exists(w->Recovery->copyPath()) && typing.elapsed() < 3000) {
            QTest::keyClick(w->Editor, Qt::Key_A);
            QTest::qWait(40);
        }
        QVERIFY(QFile::exists(w->Recovery->copyPath()));
        QVERIFY(typing.elapsed() < 1500);
    }

    void aDamagedCopyIsReportedAndKeptAside()
    {
        RecoveryCopy copy;
        copy.time = QDateTime::currentDateTimeUtc();
        copy.rtf = "{\\rtf1 lost words\\par}";
        const QByteArray whole = encodeRecoveryCopy(copy);
        QDir().mkpath(folder());
        const QString damaged = QDir(folder()).filePath(QStringLiteral("555-eeee.recovery"));
        writeFile(damaged, whole.left(whole.size() - 6));

        DialogWatcher none([](RecoveryDialog *d) { QTest::mouseClick(d->laterButton(), Qt::LeftButton); });
        auto w = start();
        QTRY_COMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->shown()[0].text,
                 QStringLiteral("The recovery copy %1 cannot be restored: it is incomplete. It has "
                                "been kept as %1.damaged.").arg(damaged));
        QVERIFY(!none.seen);
        QVERIFY(!QFile::exists(damaged));
        QCOMPARE(readFile(damaged + QStringLiteral(".damaged")), whole.left(whole.size() - 6));
        QTest::keyClicks(w->Editor, QStringLiteral("still works"));
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("still works"));

        auto again = start(); // kept aside: not offered or reported again
        QTest::qWait(200);
        QCOMPARE(m_dialogs->shown().size(), 1);
    }

    void discardAsksFirstAndThenDeletes()
    {
        RecoveryCopy copy;
        copy.fileName = path(QStringLiteral("notes.txt"));
        copy.time = QDateTime::currentDateTimeUtc();
        copy.rtf = "{\\rtf1 unwanted\\par}";
        QDir().mkpath(folder());
        const QString file = QDir(folder()).filePath(QStringLiteral("666-ffff.recovery"));
        writeFile(file, encodeRecoveryCopy(copy));

        m_dialogs->answer(dialogs::Answer::No);
        m_dialogs->answer(dialogs::Answer::Yes);
        bool stillThereAfterNo = false;
        DialogWatcher watcher([&](RecoveryDialog *d) {
            QTest::mouseClick(d->discardButton(), Qt::LeftButton); // answered No
            stillThereAfterNo = QFile::exists(file) && d->isVisible();
            QTest::mouseClick(d->discardButton(), Qt::LeftButton); // answered Yes: gone, and the list is empty
        });
        auto w = start();
        QTRY_VERIFY(watcher.seen);
        QVERIFY(stillThereAfterNo);
        QTRY_VERIFY(!QFile::exists(file));
        QCOMPARE(m_dialogs->shown()[0].text,
                 QStringLiteral("Discard the unsaved changes of %1? They cannot be recovered "
                                "afterwards.").arg(copy.fileName));
        QCOMPARE(w->Editor->toPlainText(), QString());
        QVERIFY(m_dialogs->allAnswered());
    }

    // The copy holds the whole document, pictures included, and a plain-text document comes
    // back as plain text under its name.
    void picturesAndPlainTextComeBack()
    {
        const QByteArray png = testsupport::solidPng(40, 20, Qt::red);
        const QString pictured = path(QStringLiteral("pictured.rtf"));
        writeFile(pictured, "{\\rtf1\\ansi Picture: {\\pict\\pngblip\\picw40\\pich20\\picwgoal600"
                            "\\pichgoal300 " + png.toHex() + "}\\par\n}");
        auto w = start({pictured});
        QTest::keyClick(w->Editor, Qt::Key_End);
        QTest::keyClicks(w->Editor, QStringLiteral(" seen"));
        QTRY_VERIFY(QFile::exists(w->Recovery->copyPath()));
        w->Recovery->waitForWrites();
        // The instance "ends abnormally": its copy is left without a running owner.
        const QString orphan = QDir(folder()).filePath(QStringLiteral("888-dead.recovery"));
        QVERIFY(QFile::copy(w->Recovery->copyPath(), orphan));
        const QByteArray before = documentRtf(w->Editor);
        QVERIFY(before.contains("\\pngblip"));

        DialogWatcher watcher([](RecoveryDialog *d) {
            d->selectEntry(0);
            QTest::mouseClick(d->restoreButton(), Qt::LeftButton);
        });
        auto second = start();
        QTRY_VERIFY(watcher.seen);
        QTRY_COMPARE(second->DocumentFileName, pictured);
        QCOMPARE(documentRtf(second->Editor), before);
        QVERIFY(second->Editor->toPlainText().contains(QChar::ObjectReplacementCharacter));
        second.reset();
        w.reset();

        RecoveryCopy notes;
        notes.fileName = path(QStringLiteral("notes.txt"));
        notes.time = QDateTime::currentDateTimeUtc();
        notes.rtf = "{\\rtf1\\ansi line one\\par line two\\par\n}";
        notes.caret = 5;
        writeFile(QDir(folder()).filePath(QStringLiteral("889-dead.recovery")), encodeRecoveryCopy(notes));
        DialogWatcher plain([](RecoveryDialog *d) { QTest::mouseClick(d->restoreButton(), Qt::LeftButton); });
        auto third = start();
        QTRY_VERIFY(plain.seen);
        QTRY_COMPARE(third->DocumentFileName, notes.fileName);
        QVERIFY(third->Editor->PlainText());
        QCOMPARE(third->Editor->toPlainText(), QStringLiteral("line one\nline two"));
        QCOMPARE(third->Editor->textCursor().position(), 5);
        QCOMPARE(third->windowTitle(), QStringLiteral("Tessra Office - >>  [notes.txt]"));
    }

    // A disk that fills up: the failure is reported once, and the last good copy stays whole.
    void aFullDiskKeepsTheLastGoodCopy_data()
    {
        QTest::addColumn<int>("bigText");
        QTest::newRow("just over the room") << 66000;
        QTest::newRow("the room twice over") << 70000;
        QTest::newRow("far beyond the room") << 260000;
    }
    void aFullDiskKeepsTheLastGoodCopy()
    {
        QFETCH(int, bigText);
        const QString mountPoint = path(QStringLiteral("small"));
        QDir().mkpath(mountPoint);
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                  QStringLiteral("-o"), QStringLiteral("size=64k"),
                                  QStringLiteral("tmpfs"), mountPoint}) != 0)
            QSKIP("a small file system cannot be mounted here (needs root)");
        struct Unmount {
            QString point;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {point}); }
        } unmount{mountPoint};
        {
            auto w = std::make_unique<TfrmMainEditor>();
            w->setSettingsPath(m_settings);
            w->enableRecovery(mountPoint + QStringLiteral("/recovery"));
            w->Recovery->setDelays(30, 1000);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QTest::keyClicks(w->Editor, QStringLiteral("first words"));
            QTRY_VERIFY(QFile::exists(w->Recovery->copyPath()));
            w->Recovery->waitForWrites();
            const QByteArray good = readFile(w->Recovery->copyPath());

            const QString line = QStringLiteral("several more words on a line of their own\n");
            w->Editor->ReplaceSelection(line.repeated(bigText / line.size() + 1));
            QTRY_COMPARE(m_dialogs->shown().size(), 1);
            QVERIFY2(m_dialogs->shown()[0].text.startsWith(
                         QStringLiteral("Unsaved work cannot be kept safe: the recovery copy %1 cannot "
                                        "be written (").arg(w->Recovery->copyPath())),
                     qPrintable(m_dialogs->shown()[0].text));
            QCOMPARE(readFile(w->Recovery->copyPath()), good);
            QVERIFY(decodeRecoveryCopy(good).ok());
            QTest::keyClicks(w->Editor, QStringLiteral("y"));
            QTest::qWait(200);
            QCOMPARE(m_dialogs->shown().size(), 1); // reported once, not at every pause
            m_dialogs->answer(dialogs::Answer::No);
            w->close();
        }
    }

    // Command-line jobs run the window's own code unshown: they never look at the copies.
    void headlessJobsLeaveCopiesAlone()
    {
        const QString data = path(QStringLiteral("data"));
        const QString copies = data + QStringLiteral("/Scrivelle/recovery");
        QDir().mkpath(copies);
        RecoveryCopy copy;
        copy.time = QDateTime::currentDateTimeUtc();
        copy.rtf = "{\\rtf1 left by a crash\\par}";
        writeFile(copies + QStringLiteral("/999-dead.recovery"), encodeRecoveryCopy(copy));
        const QString letter = path(QStringLiteral("job.rtf"));
        writeFile(letter, "{\\rtf1 two words\\par}");

        QProcess job;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        job.setProcessEnvironment(env);
        job.start(QStringLiteral(SCV_BINARY), {QStringLiteral("--stats"), letter});
        QVERIFY(job.waitForFinished(60000));
        QCOMPARE(job.exitCode(), 0);
        QCOMPARE(QDir(copies).entryList(QDir::Files), QStringList{QStringLiteral("999-dead.recovery")});
    }

    void theSettingsKeyTurnsCopiesOff()
    {
        writeFile(m_settings, "[Recovery]\nCopies=0\n");
        RecoveryCopy copy;
        copy.time = QDateTime::currentDateTimeUtc();
        copy.rtf = "{\\rtf1 kept for later\\par}";
        QDir().mkpath(folder());
        writeFile(QDir(folder()).filePath(QStringLiteral("777-abcd.recovery")), encodeRecoveryCopy(copy));

        DialogWatcher none([](RecoveryDialog *d) { QTest::mouseClick(d->laterButton(), Qt::LeftButton); });
        auto w = start();
        QVERIFY(!w->Recovery->isEnabled());
        QTest::keyClicks(w->Editor, QStringLiteral("not copied"));
        QTest::qWait(300);
        QVERIFY(!none.seen);
        QCOMPARE(copiesInFolder(), QStringList{QStringLiteral("777-abcd.recovery")});
    }

    void aFolderThatCannotBeWrittenIsReportedOnce()
    {
        writeFile(path(QStringLiteral("blocker")), "a file where the folder would be");
        auto w = std::make_unique<TfrmMainEditor>();
        w->setSettingsPath(m_settings);
        w->enableRecovery(path(QStringLiteral("blocker/recovery")));
        w->Recovery->setDelays(30, 1000);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::keyClicks(w->Editor, QStringLiteral("one"));
        QTRY_COMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->shown()[0].text,
                 QStringLiteral("Unsaved work cannot be kept safe: the folder %1 cannot be created.")
                     .arg(path(QStringLiteral("blocker/recovery"))));
        QTest::keyClicks(w->Editor, QStringLiteral(" two"));
        QTest::qWait(200);
        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("one two"));
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestDocumentRecovery test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_documentrecovery.moc"
