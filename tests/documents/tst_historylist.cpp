// The history list without its window: the file's line breaks and zero byte, writing back with
// CR LF, saves that fail without harm, the icon table, the search by file name, the current item
// after an insertion, moving an entry to the top and shortening a path to fit.
#include <QtTest>

#include "documents/HistoryList.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace history;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

class TestHistoryList : public QObject {
    Q_OBJECT
private slots:
    void parsing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("no final break") << QByteArray("/a.rtf") << QStringList{"/a.rtf"};
        QTest::newRow("final CR LF starts nothing") << QByteArray("/a.rtf\r\n") << QStringList{"/a.rtf"};
        QTest::newRow("CR, LF and CR LF")
            << QByteArray("/a.rtf\r/b.txt\n/c.doc\r\n/d.rtc") << QStringList{"/a.rtf", "/b.txt", "/c.doc", "/d.rtc"};
        QTest::newRow("LF CR is two breaks") << QByteArray("/a\n\r/b") << QStringList{"/a", "", "/b"};
        QTest::newRow("blank line is an entry") << QByteArray("/a\r\n\r\n/b\r\n") << QStringList{"/a", "", "/b"};
        QTest::newRow("only a break") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("zero byte ends the text")
            << QByteArray("/a\r\n/b\0/hidden\r\n", 17) << QStringList{"/a", "/b"};
        QTest::newRow("UTF-8 path") << QByteArray("/home/z\xC3\xBC/\xE6\x96\x87.rtf\r\n")
                                    << QStringList{QStringLiteral("/home/zü/文.rtf")};
        QTest::newRow("Windows-1252 bytes") << QByteArray("C:\\Dokumente\\B\xFC" "cher.rtf\r\n")
                                            << QStringList{QStringLiteral("C:\\Dokumente\\Bücher.rtf")};
    }
    void parsing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QCOMPARE(parseEntries(bytes), entries);
    }

    // Given a file with every kind of break and a zero byte, when it is read and written back,
    // then every line ends in CR LF and what followed the zero byte is gone.
    void mixedFileWritesBackWithCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("WrdFileList.dat"));
        writeFile(path, QByteArray("/x/one.rtf\r/x/two.txt\n\n/x/three.doc\r\n/x/four.rtc\0tail\r\n", 50));
        bool read = false;
        const QStringList entries = readHistoryFile(path, &read);
        QVERIFY(read);
        QCOMPARE(entries, (QStringList{"/x/one.rtf", "/x/two.txt", "", "/x/three.doc", "/x/four.rtc"}));
        QVERIFY(saveHistoryFile(entries, path).ok);
        QCOMPARE(contentsOf(path), QByteArray("/x/one.rtf\r\n/x/two.txt\r\n\r\n/x/three.doc\r\n/x/four.rtc\r\n"));
        QVERIFY(saveHistoryFile({}, path).ok);
        QCOMPARE(contentsOf(path), QByteArray());
    }

    void missingOrUnreadableFileGivesAnEmptyList()
    {
        QTemporaryDir dir;
        bool read = true;
        QVERIFY(readHistoryFile(dir.filePath(QStringLiteral("none.dat")), &read).isEmpty());
        QVERIFY(!read);
        QVERIFY(readHistoryFile(dir.path(), &read).isEmpty()); // a folder is no history file
        QVERIFY(!read);
    }

    // Root writes anywhere: failures are made real with a path through a regular file, a
    // folder in the file's place and a file system that is full.
    void failedSavesKeepTheOldFileAndNameIt()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("plain"));
        writeFile(blocker, "not a folder");
        const QString through = blocker + QStringLiteral("/WrdFileList.dat");
        SaveResult r = saveHistoryFile({"/a.rtf"}, through);
        QVERIFY(!r.ok);
        QCOMPARE(r.message, QStringLiteral("Cannot create file ") + through);
        QCOMPARE(contentsOf(blocker), QByteArray("not a folder"));

        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkdir(folder));
        r = saveHistoryFile({"/a.rtf"}, folder);
        QCOMPARE(r.message, QStringLiteral("Cannot create file ") + folder);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void fullFileSystemKeepsTheOldFile()
    {
        if (geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        QTemporaryDir dir;
        const QString mnt = dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkdir(mnt));
        if (!run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mnt}))
            QSKIP("this system does not allow mounting a file system");
        struct Unmount {
            QString mnt;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {mnt}); }
        } unmount{mnt};
        const QString path = mnt + QStringLiteral("/WrdFileList.dat");
        QVERIFY(saveHistoryFile({"/old/one.rtf", "/old/two.rtf"}, path).ok);
        QByteArray before = contentsOf(path);
        int failures = 0;
        // 20 kB of entries at several amounts of free room, down to almost none.
        QStringList big;
        for (int i = 0; i < 200; ++i)
            big << QStringLiteral("/home/user/documents/a-rather-long-folder-name/report-%1.rtf").arg(i, 40, 10, QLatin1Char('0'));
        for (int leave : {30000, 12000, 4000, 0}) {
            QFile::remove(mnt + QStringLiteral("/filler"));
            QProcess::execute(QStringLiteral("sh"), {"-c", QStringLiteral("head -c %1 /dev/zero > %2/filler 2>/dev/null; true")
                                                             .arg(64 * 1024 - 4096 - leave).arg(mnt)});
            big.append(QStringLiteral("/%1").arg(leave)); // differs from what is on disk
            const SaveResult r = saveHistoryFile(big, path);
            if (r.ok) { // it fitted, whole
                QCOMPARE(contentsOf(path), formatEntries(big));
                before = contentsOf(path);
                continue;
            }
            ++failures;
            QCOMPARE(r.message, QStringLiteral("Cannot create file ") + path);
            QCOMPARE(contentsOf(path), before);
        }
        QVERIFY(failures >= 2);
    }

    void iconsByExactExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("icon");
        QTest::newRow("txt") << "/d/a.txt" << 0;
        QTest::newRow("pas") << "/d/a.pas" << 1;
        QTest::newRow("cpp") << "/d/a.cpp" << 1;
        QTest::newRow("h") << "/d/a.h" << 1;
        QTest::newRow("sql") << "/d/a.sql" << 1;
        QTest::newRow("rtf") << "/d/a.rtf" << 2;
        QTest::newRow("doc") << "/d/a.doc" << 3;
        QTest::newRow("htm") << "/d/a.htm" << 4;
        QTest::newRow("html") << "/d/a.html" << 4;
        QTest::newRow("xml") << "/d/a.xml" << 4;
        QTest::newRow("rtc") << "/d/a.rtc" << 6;
        QTest::newRow("upper case RTF") << "/d/A.RTF" << 1;
        QTest::newRow("other") << "/d/a.pdf" << 1;
        QTest::newRow("blank entry") << "" << 1;
        QTest::newRow("dot in a folder only") << "/d.rtf/readme" << 1;
        QTest::newRow("Windows folders") << "C:\\x.txt\\a.rtc" << 6;
    }
    void iconsByExactExtension()
    {
        QFETCH(QString, path);
        QFETCH(int, icon);
        QCOMPARE(iconIndex(path), icon);
    }

    void searchLooksAtFileNamesOnly()
    {
        const QStringList entries{"/home/REport/notes.txt", "/srv/PREVIEW/a.doc", "/x/Summary.rtf",
                                  "C:\\Reports\\b.txt", "/x/final-REPORT.rtc"};
        QCOMPARE(findDocument(entries, QStringLiteral("RE")), 4); // folders with "re" ignored
        QCOMPARE(findDocument(entries, QStringLiteral("port")), 4);
        QCOMPARE(findDocument(entries, QStringLiteral("sum")), 2);
        QCOMPARE(findDocument(entries, QStringLiteral("NOTES.TXT")), 0);
        QCOMPARE(findDocument(entries, QStringLiteral("zzz")), -1);
        QCOMPARE(findDocument({}, QStringLiteral("a")), -1);
        // Only A to Z change case: "Ü" does not find "ü".
        QCOMPARE(findDocument({"/x/über.rtf"}, QStringLiteral("Über")), -1);
        QCOMPARE(asciiLower(QStringLiteral("ABC-Äz")), QStringLiteral("abc-Äz"));
    }

    void currentItemFollowsItsEntry()
    {
        QCOMPARE(currentAfterInsert(-1), 0);
        QCOMPARE(currentAfterInsert(0), 1);
        QCOMPARE(currentAfterInsert(4), 5);
    }

    void movingToTopRemovesTheOldPlaceOnly()
    {
        const QStringList entries{"/a", "/b", "/c", "/b"};
        QCOMPARE(withEntryOnTop(entries, {2}), (QStringList{"/c", "/a", "/b", "/b"}));
        QCOMPARE(withEntryOnTop(entries, {3}), (QStringList{"/b", "/a", "/b", "/c"}));
        QCOMPARE(withEntryOnTop(entries, {0}), entries);
        QCOMPARE(withEntryOnTop(entries, {}), entries);
    }

    void shortPathsFitByLosingTheirMiddle()
    {
        const auto width = [](const QString &s) { return int(s.size()); }; // one unit a character
        const QString path = QStringLiteral("/home/user/projects/letters/2024/winter-report.rtf");
        QCOMPARE(shortenPath(path, 200, width), path);
        const QString at30 = shortenPath(path, 30, width);
        QCOMPARE(at30, QStringLiteral("/home/use.../winter-report.rtf"));
        QVERIFY(at30.size() <= 30);
        QCOMPARE(shortenPath(path, 10, width), QStringLiteral(".../winter-report.rtf"));
        QCOMPARE(shortenPath(QString(), 10, width), QString());
    }
};

QTEST_GUILESS_MAIN(TestHistoryList)
#include "tst_historylist.moc"
