// Where the program keeps its settings and history: beside itself when it can write there,
// in the user's configuration folder when it cannot (a read-only folder, a read-only file
// system) or when it runs from the folder it is installed to.
#include <QtTest>

#include "shell/ConfigPath.h"

#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

class TestConfigPath : public QObject {
    Q_OBJECT
private slots:
    void writableProgramFolderKeepsTheFiles()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("bin"));
        const QString user = dir.filePath(QStringLiteral("home/.config/Scrivelle"));
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(shell::configFolder(program, user), program);
        QVERIFY(!QFileInfo::exists(user)); // nothing made in the user's folder
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList()); // and no trace of the probe
        // The folder the program is installed to counts as the system's, writable or not.
        QCOMPARE(shell::configFolder(program, user, {program + QStringLiteral("/")}), user);
        QVERIFY(QFileInfo(user).isDir());
    }

    // Root writes through permission bits, so for root the folder is a read-only file system.
    void unwritableProgramFolderUsesTheUserFolder()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("bin"));
        const QString user = dir.filePath(QStringLiteral("home/.config/Scrivelle"));
        QVERIFY(QDir().mkpath(program));
        bool mounted = false;
        if (geteuid() == 0) {
            mounted = QProcess::execute(QStringLiteral("mount"),
                                        {"-t", "tmpfs", "-o", "ro,size=16k", "tmpfs", program}) == 0;
            if (!mounted)
                QSKIP("this system does not allow mounting a file system");
        } else {
            QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const QString chosen = shell::configFolder(program, user);
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {program});
        QCOMPARE(chosen, user);
        QVERIFY(QFileInfo(user).isDir()); // made, so the first save finds it
        QVERIFY(!shell::canCreateFilesIn(dir.filePath(QStringLiteral("missing"))));
    }

    void theProgramsOwnFolderIsWritableHere()
    {
        // Tests run from the build folder, which the program may write, as a built program does.
        QCOMPARE(shell::configFilePath(QStringLiteral("WrdFileList.dat")),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/WrdFileList.dat"));
    }
};

QTEST_GUILESS_MAIN(TestConfigPath)
#include "tst_configpath.moc"
