// The zlib helper pair: round trips across chunk boundaries, the zlib wire format, and every
// truncation of a stream reported as damaged rather than as a shorter result.

#include "zlib/ZStream.h"

#include <QTest>

#include <zlib.h>

class TestZStream : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("chunk");
        QByteArray pattern;
        for (int i = 0; i < 70000; ++i)
            pattern.append(char((i * 7919) % 251));
        QTest::newRow("empty") << QByteArray() << zstream::DefaultChunk;
        QTest::newRow("short text, chunk 1") << QByteArray("q\r\n537 0 0 784 25 38 cm\r\n") << 1;
        QTest::newRow("pattern, chunk 7") << pattern << 7;
        QTest::newRow("pattern, default chunk") << pattern << zstream::DefaultChunk;
        QTest::newRow("white page row") << QByteArray(693 * 3 * 40, char(0xFF)) << 64;
    }
    void roundTrip()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, chunk);
        const auto packed = zstream::deflate(input, zstream::DefaultLevel, chunk);
        QVERIFY(packed.ok());
        const auto unpacked = zstream::inflate(packed.data, chunk);
        QVERIFY(unpacked.ok());
        QCOMPARE(unpacked.data, input);

        // The one-shot compressor writes the same format: zlib's own reader takes it back.
        const auto oneShot = zstream::deflateOneShot(input);
        QVERIFY(oneShot.ok());
        QCOMPARE(oneShot.data.left(1), QByteArray("\x78"));
        QCOMPARE(zstream::inflate(oneShot.data, chunk).data, input);
    }

    void sameBytesAsZlibCompress()
    {
        // Given the same input, when deflated at the default level, then the bytes equal
        // zlib's own one-call compress2: header 78 9C, Adler-32 trailer.
        const QByteArray input("q\r\n537 0 0 784 25 38 cm\r\n/Im1 Do\r\nQ\r\n");
        uLongf size = compressBound(uLong(input.size()));
        QByteArray expected(qsizetype(size), '\0');
        QCOMPARE(compress2(reinterpret_cast<Bytef *>(expected.data()), &size,
                           reinterpret_cast<const Bytef *>(input.data()), uLong(input.size()),
                           Z_DEFAULT_COMPRESSION),
                 Z_OK);
        expected.resize(qsizetype(size));
        const auto packed = zstream::deflate(input, zstream::DefaultLevel, 3);
        QCOMPARE(packed.data, expected);
        QCOMPARE(packed.data.left(2), QByteArray("\x78\x9c"));
    }

    void everyTruncationIsDamaged()
    {
        QByteArray input;
        for (int i = 0; i < 300; ++i)
            input.append(QByteArray::number(i * i)).append(' ');
        const QByteArray packed = zstream::deflate(input).data;
        for (qsizetype n = 0; n < packed.size(); ++n) {
            const auto r = zstream::inflate(packed.left(n), 5);
            QVERIFY2(r.status == zstream::Status::Damaged, qPrintable(QString::number(n)));
            QVERIFY(r.data.isEmpty());
        }
    }

    void corruptionAndTrailingBytesAreDamaged_data()
    {
        QTest::addColumn<int>("flipAt"); // -1: append a byte instead
        QTest::newRow("header") << 0;
        QTest::newRow("checksum") << -2;
        QTest::newRow("trailing byte") << -1;
    }
    void corruptionAndTrailingBytesAreDamaged()
    {
        QFETCH(int, flipAt);
        QByteArray packed = zstream::deflate(QByteArray(5000, 'a')).data;
        if (flipAt == -1)
            packed.append('x');
        else
            packed[flipAt >= 0 ? flipAt : packed.size() + flipAt] ^= 0x10;
        QCOMPARE(zstream::inflate(packed).status, zstream::Status::Damaged);
    }
};

QTEST_GUILESS_MAIN(TestZStream)
#include "tst_zstream.moc"
