// Recovery copy files and their folder: the file format reads back what was written and never
// gives back part of a document; the folder tells the copies of running instances from those
// of ended ones, and keeps unreadable copies aside.
#include <QtTest>

#include "documents/RecoveryCopy.h"
#include "documents/RecoveryStore.h"

#include <QLockFile>
#include <QTemporaryDir>

class TestRecoveryCopy : public QObject {
    Q_OBJECT
private:
    static RecoveryCopy sample()
    {
        RecoveryCopy c;
        c.fileName = QStringLiteral("/home/ann/Lettres/été\nnotes.rtf"); // a line break too
        c.anchor = 3;
        c.caret = 17;
        c.time = QDateTime(QDate(2026, 12, 7), QTime(13, 45, 12, 250), Qt::UTC);
        c.excerpt = QStringLiteral("Dear Ann, \u201Cquoted\u201D");
        c.rtf = QByteArrayLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear Ann,\\par\n}");
        return c;
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    void aCopyReadsBackAsItWasWritten()
    {
        const RecoveryCopyRead read = decodeRecoveryCopy(encodeRecoveryCopy(sample()));
        QVERIFY(read.ok());
        QCOMPARE(read.copy, sample());

        RecoveryCopy untitled = sample();
        untitled.fileName.clear();
        untitled.rtf = QByteArray("{\\rtf1 \\'e9\\par}\n\0binary", 24);
        QCOMPARE(decodeRecoveryCopy(encodeRecoveryCopy(untitled)).copy, untitled);
    }

    // Every length a crash or a full disk could leave is refused, none gives a document.
    void everyShortenedCopyIsRefused()
    {
        const QByteArray whole = encodeRecoveryCopy(sample());
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const RecoveryCopyRead read = decodeRecoveryCopy(whole.left(n));
            QVERIFY2(!read.ok(), qPrintable(QStringLiteral("length %1 accepted").arg(n)));
            QVERIFY(read.copy.rtf.isEmpty());
        }
        const qsizetype payload = whole.indexOf("{\\rtf1");
        QCOMPARE(decodeRecoveryCopy(whole.left(payload + 5)).status, RecoveryCopyStatus::Truncated);
        QCOMPARE(decodeRecoveryCopy(whole.left(10)).status, RecoveryCopyStatus::NotACopy);
        QCOMPARE(decodeRecoveryCopy(whole.left(payload - 5)).status, RecoveryCopyStatus::BadHeader);
    }

    void changedOrExtraBytesAreRefused()
    {
        QByteArray bytes = encodeRecoveryCopy(sample());
        QByteArray flipped = bytes;
        flipped[flipped.size() - 4] = flipped[flipped.size() - 4] ^ 0x20;
        QCOMPARE(decodeRecoveryCopy(flipped).status, RecoveryCopyStatus::Corrupted);
        QCOMPARE(decodeRecoveryCopy(bytes + "x").status, RecoveryCopyStatus::Corrupted);
        QCOMPARE(decodeRecoveryCopy("{\\rtf1 a stray document}").status, RecoveryCopyStatus::NotACopy);
        QByteArray noTime = bytes;
        noTime.replace("\"time\":\"2026", "\"time\":\"x026");
        QCOMPARE(decodeRecoveryCopy(noTime).status, RecoveryCopyStatus::BadHeader);
        QCOMPARE(recoveryCopyProblem(RecoveryCopyStatus::Truncated), QStringLiteral("it is incomplete"));
    }

    // A running instance's copy is never claimed, by a peer or by the instance itself; the
    // copies of ended instances are, oldest first, and only by one claimant at a time.
    void onlyCopiesOfEndedInstancesAreClaimed()
    {
        QTemporaryDir dir;
        RecoveryStore running(dir.path());
        QVERIFY(running.open());
        writeFile(running.ownCopyPath(), encodeRecoveryCopy(sample()));

        // An ended instance: its copy with no lock, and another whose lock file its owner left.
        const QString older = dir.filePath(QStringLiteral("111-aaaa.recovery"));
        const QString newer = dir.filePath(QStringLiteral("222-bbbb.recovery"));
        writeFile(older, "old");
        writeFile(newer, "new");
        {
            QFile f(older);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        }
        const QByteArray deadOwner = "999999999\nscrivelle\n" + QSysInfo::machineHostName().toUtf8() + '\n';
        writeFile(dir.filePath(QStringLiteral("222-bbbb.lock")), deadOwner);
        writeFile(dir.filePath(QStringLiteral("333-cccc.lock")), deadOwner);

        RecoveryStore starting(dir.path());
        std::vector<RecoveryStore::Orphan> orphans = starting.claimOrphans();
        QCOMPARE(orphans.size(), size_t(2));
        QCOMPARE(orphans[0].path, older);
        QCOMPARE(orphans[1].path, newer);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("333-cccc.lock")))); // nothing to offer: cleared
        QVERIFY(running.claimOrphans().empty()); // held by the starting instance meanwhile

        RecoveryStore::release(orphans[0]);
        QVERIFY(starting.discard(orphans[1]));
        QVERIFY(!QFile::exists(newer));
        std::vector<RecoveryStore::Orphan> again = RecoveryStore(dir.path()).claimOrphans();
        QCOMPARE(again.size(), size_t(1)); // Later: offered again next time
        QCOMPARE(again[0].path, older);
        QVERIFY(QFile::exists(running.ownCopyPath()));
    }

    void damagedCopiesAreKeptAsideAndAdoptedOnesBecomeOurs()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("444-dddd.recovery"));
        writeFile(copy, "damaged");
        writeFile(copy + QStringLiteral(".damaged"), "an earlier one");
        RecoveryStore store(dir.path());
        std::vector<RecoveryStore::Orphan> orphans = store.claimOrphans();
        QCOMPARE(orphans.size(), size_t(1));
        QCOMPARE(store.keepAside(orphans[0]), copy + QStringLiteral(".damaged-2"));
        QVERIFY(!QFile::exists(copy));
        QFile kept(copy + QStringLiteral(".damaged-2"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("damaged"));
        QVERIFY(store.claimOrphans().empty());

        writeFile(copy, encodeRecoveryCopy(sample()));
        orphans = store.claimOrphans();
        QVERIFY(store.adopt(orphans[0]));
        QVERIFY(!QFile::exists(copy));
        QFile own(store.ownCopyPath());
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(decodeRecoveryCopy(own.readAll()).copy, sample());
        QVERIFY(RecoveryStore(dir.path()).claimOrphans().empty()); // ours now, and we run
    }

    void aFolderThatCannotBeMadeIsReported()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("plain")), "a file, not a folder");
        RecoveryStore store(dir.filePath(QStringLiteral("plain/recovery")));
        QVERIFY(!store.open());
        QVERIFY(store.error().contains(QStringLiteral("cannot be created")));
        QVERIFY(store.claimOrphans().empty());
    }
};

QTEST_MAIN(TestRecoveryCopy)
#include "tst_recoverycopy.moc"
