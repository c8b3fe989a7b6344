// The streaming GIF writer: the same bytes as the whole-picture save for one, two and many
// frames with every picture-wide setting, and its refusals (no frame, a frame outside the first,
// a device that takes no more bytes).

#include "export/GifStream.h"
#include "export/RxGIF.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QImage noise(int w, int h, int colors, quint32 seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = int(random.bounded(colors));
            image.setPixel(x, y, qRgb(i, 255 - i, (i * 7) & 0xFF));
        }
    return image;
}

void configure(TGIFImage &gif, bool comment, bool looping)
{
    if (comment)
        gif.Comment() << QStringLiteral("first line") << QStringLiteral("second line");
    gif.setBackgroundColor(0x00FFFFFF);
    gif.setLooping(looping);
    gif.setRepeatCount(looping ? 0 : 1);
}

} // namespace

class TestGifStream : public QObject
{
    Q_OBJECT

private slots:
    void sameBytesAsWholePictureSave_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("comment");
        QTest::addColumn<bool>("looping");
        QTest::newRow("one frame, no delay, no comment") << 1 << 0 << false << true;
        QTest::newRow("one frame with comment") << 1 << 0 << true << true;
        QTest::newRow("one frame with delay") << 1 << 15000 << false << false;
        QTest::newRow("two frames looping") << 2 << 15000 << true << true;
        QTest::newRow("five frames, presentation settings") << 5 << 5000 << true << true;
        QTest::newRow("three frames, not looping") << 3 << 100 << false << false;
    }
    void sameBytesAsWholePictureSave()
    {
        QFETCH(int, frames);
        QFETCH(int, delay);
        QFETCH(bool, comment);
        QFETCH(bool, looping);
        // Given the same frames and settings, when one picture is saved whole and the other
        // streamed, then the bytes are the same.
        QList<QImage> images;
        for (int k = 0; k < frames; ++k)
            images.append(noise(37, 23, 40 + 50 * k, quint32(k + 1)));

        TGIFImage whole;
        configure(whole, comment, looping);
        for (const QImage &image : images)
            whole.Frames(whole.AddFrame(image)).setFrameDelay(std::uint16_t(delay));
        QBuffer expected;
        expected.open(QIODevice::WriteOnly);
        whole.SaveToStream(expected);

        TGIFImage settings;
        configure(settings, comment, looping);
        QBuffer streamed;
        streamed.open(QIODevice::WriteOnly);
        TGIFStreamWriter writer(settings, streamed);
        for (const QImage &image : images)
            writer.addFrame(image, std::uint16_t(delay));
        writer.finish();

        QCOMPARE(writer.frameCount(), frames);
        QCOMPARE(streamed.data(), expected.data());
    }

    void framesAreWrittenAsTheyCome()
    {
        // The first frame waits for the second; from then on each frame is on the device once
        // added, and no bitmap stays in the picture.
        TGIFImage settings;
        configure(settings, true, true);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        TGIFStreamWriter writer(settings, out);
        writer.addFrame(noise(30, 20, 8, 1), 1000);
        QCOMPARE(out.size(), 0);
        writer.addFrame(noise(30, 20, 8, 2), 1000);
        const qint64 afterTwo = out.size();
        QVERIFY(afterTwo > 0);
        writer.addFrame(noise(30, 20, 8, 3), 1000);
        QVERIFY(out.size() > afterTwo);
        QCOMPARE(settings.frameCount(), 0);
    }

    void refusals()
    {
        TGIFImage settings;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        {
            TGIFStreamWriter empty(settings, out);
            QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation, empty.finish());
        }
        {
            TGIFImage picture;
            TGIFStreamWriter writer(picture, out);
            writer.addFrame(noise(20, 20, 4, 1), 100);
            writer.addFrame(noise(20, 20, 4, 2), 100);
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                     writer.addFrame(noise(21, 20, 4, 3), 100));
        }
        // A device that takes nothing more: the disk is full.
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full on this system");
        TGIFImage picture;
        TGIFStreamWriter writer(picture, full);
        writer.addFrame(noise(20, 20, 4, 1), 100);
        QVERIFY_THROWS_EXCEPTION(EWriteError, writer.addFrame(noise(20, 20, 4, 2), 100));
    }
};

QTEST_MAIN(TestGifStream)
#include "tst_gifstream.moc"
