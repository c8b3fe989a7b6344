// Safe saving and safe opening: a save that runs out of room (a small tmpfs, when root may mount
// one) or writes short keeps the old file byte for byte and leaves nothing behind; only regular
// files open for reading; names given as bytes keep their bytes or are refused.

#include "files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool save(const QString &path, const QByteArray &bytes, int slice)
{
    files::SafeSaveFile file(path);
    if (!file.open())
        return false;
    for (qsizetype at = 0; at < bytes.size(); at += slice)
        file.write(bytes.mid(at, slice)); // results unchecked: commit() must catch any failure
    return file.commit();
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("roomKb");
        QTest::addColumn<int>("slice");
        for (int room : {0, 1, 4, 16, 18, 20, 40})
            for (int slice : {100, 4096, 100000})
                QTest::newRow(qPrintable(QStringLiteral("%1 KB free, writes of %2").arg(room).arg(slice)))
                    << room << slice;
    }
    void fullDiskKeepsTheOldFile()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs");
        QFETCH(int, roomKb);
        QFETCH(int, slice);
        QTemporaryDir mountPoint;
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                  QStringLiteral("-o"), QStringLiteral("size=128k"), QStringLiteral("tmpfs"),
                                  mountPoint.path()}) != 0)
            QSKIP("tmpfs cannot be mounted here");
        struct Unmount {
            QString at;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {at}); }
        } unmount{mountPoint.path()};
        const QString target = mountPoint.filePath(QStringLiteral("doc.rtf"));
        QVERIFY(save(target, "old contents", 4096));
        {
            QFile fill(mountPoint.filePath(QStringLiteral("fill")));
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'f');
            while (fill.write(block) == block.size() && fill.flush()) {}
            fill.close();
            fill.resize(qMax<qint64>(0, fill.size() - roomKb * 1024));
        }
        const QByteArray big(60 * 1024, 'x');
        QVERIFY(!save(target, big, slice));
        QCOMPARE(readAll(target), QByteArray("old contents"));
        QCOMPARE(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        // With room enough the same save succeeds.
        QFile::remove(mountPoint.filePath(QStringLiteral("fill")));
        QVERIFY(save(target, big, slice));
        QCOMPARE(readAll(target), big);
    }

    void targetsThatAreNotFilesAreRefused()
    {
        const QString folder = m_dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder));
        files::SafeSaveFile file(folder);
        QVERIFY(!file.open());
        QVERIFY(QFileInfo(folder).isDir());
        files::SafeSaveFile device(QStringLiteral("/dev/null"));
        QVERIFY(!device.open());
    }

    void onlyRegularFilesOpen()
    {
        const QString regular = m_dir.filePath(QStringLiteral("plain.txt"));
        {
            QFile f(regular);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("text");
        }
        const QString link = m_dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(regular, link));
        const QString fifo = m_dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile file;
        QVERIFY(files::openRegularFile(file, regular));
        QCOMPARE(file.readAll(), QByteArray("text"));
        file.close();
        QVERIFY(files::openRegularFile(file, link));
        file.close();
        QVERIFY(!files::openRegularFile(file, fifo)); // at once: no writer is waited for
        QVERIFY(!files::openRegularFile(file, m_dir.path()));
        QVERIFY(!files::openRegularFile(file, QStringLiteral("/dev/zero")));
        QVERIFY(!files::openRegularFile(file, m_dir.filePath(QStringLiteral("missing"))));
    }

    void namesKeepTheirBytes()
    {
        QCOMPARE(files::fileNameFromBytes("plain.rtf"), QStringLiteral("plain.rtf"));
        QCOMPARE(files::fileNameFromBytes("caf\xc3\xa9.rtf"), QString::fromUtf8("caf\xc3\xa9.rtf"));
        QVERIFY(files::fileNameFromBytes("out\xff.rtf").isNull());
        QVERIFY(files::fileNameFromBytes("half\xc3.rtf").isNull());
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
