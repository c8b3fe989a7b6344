// The streaming zlib devices: the deflating device gives the same zlib stream as the copy loop,
// the inflating device reports a cut stream as damaged, rewinds for a second reading, and stops
// at its output cap; a failing target makes the deflating device fail for good.

#include "zlib/ZDevice.h"

#include <QBuffer>
#include <QTest>

namespace {

QByteArray sample()
{
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text.append(QByteArray::number(i * 7919 % 100003)).append(i % 13 ? " " : "\\par\r\n");
    return text;
}

QByteArray deflated(const QByteArray &input, int chunk)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    zstream::DeflateDevice deflater(out, 1, chunk);
    for (qsizetype at = 0; at < input.size(); at += 777)
        deflater.write(input.mid(at, 777));
    return deflater.finish() ? out.data() : QByteArray();
}

// Reads everything; -1 as the last element of the result's size says a read failed.
QByteArray inflateAll(zstream::InflateDevice &inflater, bool *failed)
{
    QByteArray all;
    char buf[1000];
    qint64 n;
    while ((n = inflater.read(buf, sizeof buf)) > 0)
        all.append(buf, n);
    *failed = n < 0;
    return all;
}

// A device that takes only so many bytes, like a disk running out of room.
class SmallDisk : public QIODevice {
public:
    explicit SmallDisk(qint64 room) : m_room(room) { open(WriteOnly); }
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override
    {
        const qint64 n = qMin(len, m_room);
        m_room -= n;
        return n == 0 ? -1 : n;
    }

private:
    qint64 m_room;
};

} // namespace

class TestZDevice : public QObject {
    Q_OBJECT

private slots:
    void deflatingDeviceMatchesTheCopyLoop_data()
    {
        QTest::addColumn<int>("chunk");
        QTest::newRow("8192") << 8192;
        QTest::newRow("17") << 17;
    }
    void deflatingDeviceMatchesTheCopyLoop()
    {
        // Given the same bytes, when deflated through the device in odd slices, then the stream
        // equals the copy loop's (header 78 01, level 1) and inflates back to the input.
        QFETCH(int, chunk);
        const QByteArray input = sample();
        QBuffer source;
        source.setData(input);
        source.open(QIODevice::ReadOnly);
        QBuffer copied;
        copied.open(QIODevice::WriteOnly);
        QCOMPARE(zstream::deflateCopy(source, copied, 1, chunk), zstream::CopyError::None);
        const QByteArray packed = deflated(input, chunk);
        QCOMPARE(packed.left(2), QByteArray("\x78\x01"));
        QCOMPARE(packed, copied.data());
        QBuffer in;
        in.setData(packed);
        in.open(QIODevice::ReadOnly);
        zstream::InflateDevice inflater(in, chunk);
        bool failed = true;
        QCOMPARE(inflateAll(inflater, &failed), input);
        QVERIFY(!failed);
    }

    void everyCutStreamFails()
    {
        const QByteArray packed = deflated(sample().left(3000), 64);
        for (qsizetype n = 0; n < packed.size(); ++n) {
            QBuffer in;
            in.setData(packed.left(n));
            in.open(QIODevice::ReadOnly);
            zstream::InflateDevice inflater(in, 16);
            bool failed = false;
            inflateAll(inflater, &failed);
            QVERIFY2(failed && inflater.damaged(), qPrintable(QString::number(n)));
        }
    }

    void rewindReadsTheSameBytesAgain()
    {
        // Given a half-read stream behind a file header, when rewound, then it reads the same
        // bytes from the start (the source goes back to where it stood).
        const QByteArray input = sample();
        QBuffer in;
        in.setData(QByteArray("HEAD") + deflated(input, 8192));
        in.open(QIODevice::ReadOnly);
        in.seek(4);
        zstream::InflateDevice inflater(in, 100);
        char buf[5000];
        QCOMPARE(inflater.read(buf, sizeof buf), qint64(sizeof buf));
        QVERIFY(inflater.seek(0));
        bool failed = true;
        QCOMPARE(inflateAll(inflater, &failed), input);
        QVERIFY(!failed);
    }

    void outputCapStopsABomb()
    {
        const QByteArray packed = deflated(QByteArray(4 << 20, 'a'), 8192);
        QVERIFY(packed.size() < 30000);
        QBuffer in;
        in.setData(packed);
        in.open(QIODevice::ReadOnly);
        zstream::InflateDevice inflater(in, 8192, 1 << 20);
        bool failed = false;
        const QByteArray got = inflateAll(inflater, &failed);
        QVERIFY(failed);
        QVERIFY(inflater.tooLarge());
        QVERIFY(got.size() <= (1 << 20));
    }

    void failingTargetFailsForGood()
    {
        SmallDisk disk(100);
        zstream::DeflateDevice deflater(disk, 1, 64);
        const QByteArray input = sample();
        qint64 accepted = 0;
        for (qsizetype at = 0; at < input.size(); at += 1000)
            if (deflater.write(input.mid(at, 1000)) > 0)
                accepted += 1000;
        QVERIFY(accepted < input.size());
        QVERIFY(deflater.failed());
        QVERIFY(!deflater.finish());
    }
};

QTEST_GUILESS_MAIN(TestZDevice)
#include "tst_zdevice.moc"
