// The GIF writer: file layout, palette reduction, LZW and sub-blocks, checked with an independent
// reader and with giflib's and ImageMagick's tools.

#include "export/RxGIF.h"
#include "export/WaitAnimationGif.h"
#include "support/GifDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using namespace gif;

Q_DECLARE_METATYPE(gif::GifRgb)

namespace {

QImage solid(int w, int h, QRgb color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A picture with exactly `colors` distinct colours (at most 256 * 256), each used equally often.
QImage manyColors(int w, int h, int colors)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = (y * w + x) % colors;
            image.setPixel(x, y, qRgb(i & 0xFF, (i >> 8) & 0xFF, 0x40));
        }
    return image;
}

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

QByteArray save(TGIFImage &gif)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    gif.SaveToStream(buffer);
    return buffer.data();
}

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QByteArray run(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

} // namespace

class TestRxGif : public QObject
{
    Q_OBJECT

private slots:
    void layoutOfTwoTrueColourFrames();
    void graphicControl_data();
    void graphicControl();
    void loopingAndVersion_data();
    void loopingAndVersion();
    void commentLines();
    void errors();
    void failedSaveLeavesFileUntouched();
    void saveReusesEncodedFrames();

    void popularityKeepsFewColours();
    void nearestColourTies_data();
    void nearestColourTies();
    void maskNarrowingOrder();
    void maskNarrowing_data();
    void maskNarrowing();

    void roundTrip_data();
    void roundTrip();
    void codeWidthAndReset();
    void codesAreGreedyLzw_data();
    void codesAreGreedyLzw();
    void subBlocks_data();
    void subBlocks();

    void oracleGifbuildPixels();
    void oracleImageMagick();
    void waitAnimationPlaysInQt();
};

// Given two frames from 32-bit bitmaps, when saved, then the first palette is global (0xF7),
// the first image has no local table (0x00) and the second one does (0x87).
void TestRxGif::layoutOfTwoTrueColourFrames()
{
    TGIFImage gif;
    QCOMPARE(gif.AddFrame(solid(10, 7, qRgb(1, 2, 3))), 0);
    QCOMPARE(gif.version(), TGIFImage::Version::Gif87a);
    QCOMPARE(gif.AddFrame(solid(4, 9, qRgb(4, 5, 6))), 1);
    QCOMPARE(gif.version(), TGIFImage::Version::Gif89a);
    QCOMPARE(gif.frameIndex(), 1);
    QCOMPARE(gif.width(), 10);
    QCOMPARE(gif.height(), 9);

    const QByteArray bytes = save(gif);
    QCOMPARE(bytes.left(6), QByteArray("GIF89a"));
    QCOMPARE(quint8(bytes[10]), quint8(0xF7));
    const testgif::File file = testgif::readGif(bytes);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.width, 10);
    QCOMPARE(file.height, 9);
    QCOMPARE(file.frames.size(), 2);
    QCOMPARE(file.frames[0].packed, 0x00);
    QCOMPARE(file.frames[1].packed, 0x87);
    QCOMPARE(file.globalTable.size(), std::size_t(256));
    QCOMPARE(file.globalTable[0], 0x010203u);
    QCOMPARE(file.globalTable[1], 0x808080u); // grey fill beyond the picture's colours
    QCOMPARE(file.frames[1].localTable[0], 0x040506u);
    QCOMPARE(file.picture(1).pixel(3, 8), qRgb(4, 5, 6));
}

void TestRxGif::graphicControl_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<int>("disposal");
    QTest::addColumn<QByteArray>("expected"); // the six bytes, empty when no extension

    QTest::newRow("no delay, nothing else") << 0 << false << 0 << QByteArray();
    QTest::newRow("15000 ms") << 15000 << false << 0 << QByteArray::fromHex("0400dc050000");
    QTest::newRow("60000 ms") << 60000 << false << 0 << QByteArray::fromHex("040070170000");
    QTest::newRow("9 ms rounds down") << 9 << false << 0 << QByteArray::fromHex("040000000000");
    QTest::newRow("transparent colour") << 0 << true << 0 << QByteArray::fromHex("040100000100");
    QTest::newRow("disposal 2") << 100 << false << 2 << QByteArray::fromHex("04080a000000");
}

void TestRxGif::graphicControl()
{
    QFETCH(int, delay);
    QFETCH(bool, transparent);
    QFETCH(int, disposal);
    QFETCH(QByteArray, expected);

    // Given a picture of a frequent white and a rarer red (index 1).
    QImage picture = solid(6, 6, qRgb(255, 255, 255));
    picture.setPixel(2, 2, qRgb(255, 0, 0));
    TGIFImage gif;
    const int i = gif.AddFrame(picture, transparent ? std::optional<GifColor>(0x0000FF)
                                                    : std::nullopt);
    gif.Frames(i).setFrameDelay(quint16(delay));
    gif.Frames(i).setDisposalMethod(disposal);

    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    const auto &extensions = file.frames[0].extensions;
    if (expected.isEmpty()) {
        QVERIFY(extensions.isEmpty());
        QCOMPARE(file.version, QByteArray("87a"));
        return;
    }
    QCOMPARE(extensions.size(), 1);
    QCOMPARE(extensions[0].label, 0xF9);
    QCOMPARE(extensions[0].blocks.value(0).toHex(), expected.mid(1, 4).toHex());
    QCOMPARE(file.version, QByteArray("89a"));
}

void TestRxGif::loopingAndVersion_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("looping");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QByteArray>("loopBlock"); // the NETSCAPE data block, empty when absent

    QTest::newRow("one frame, looping on") << 1 << true << 0 << QByteArray();
    QTest::newRow("two frames, looping off") << 2 << false << 0 << QByteArray();
    QTest::newRow("two frames, endless") << 2 << true << 0 << QByteArray::fromHex("010000");
    QTest::newRow("repeat 3") << 3 << true << 3 << QByteArray::fromHex("010300");
    QTest::newRow("repeat capped at 30000") << 2 << true << 70000 << QByteArray::fromHex("013075");
}

void TestRxGif::loopingAndVersion()
{
    QFETCH(int, frames);
    QFETCH(bool, looping);
    QFETCH(int, repeat);
    QFETCH(QByteArray, loopBlock);

    TGIFImage gif;
    gif.setLooping(looping);
    gif.setRepeatCount(repeat);
    for (int i = 0; i < frames; ++i)
        gif.AddFrame(solid(3, 3, qRgb(i, i, i)));
    const QByteArray bytes = save(gif);
    const testgif::File file = testgif::readGif(bytes);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames.size(), frames);
    QCOMPARE(file.version, QByteArray(frames > 1 ? "89a" : "87a"));
    if (loopBlock.isEmpty()) {
        QVERIFY(!bytes.contains("NETSCAPE2.0"));
        QVERIFY(file.leadingExtensions.isEmpty());
        return;
    }
    QCOMPARE(file.leadingExtensions.size(), 1);
    QCOMPARE(file.leadingExtensions[0].label, 0xFF);
    QCOMPARE(file.leadingExtensions[0].blocks.value(0), QByteArray("NETSCAPE2.0"));
    QCOMPARE(file.leadingExtensions[0].blocks.value(1).toHex(), loopBlock.toHex());
}

// Given lines of 300, 0 and 2 characters, the comment holds the first 255 bytes, then "ok";
// a comment alone makes a single-frame picture a GIF89a.
void TestRxGif::commentLines()
{
    TGIFImage gif;
    gif.Comment() << QString(300, QLatin1Char('x')) << QString() << QStringLiteral("ok");
    gif.AddFrame(solid(2, 2, qRgb(9, 9, 9)));
    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.version, QByteArray("89a"));
    QCOMPARE(file.trailingExtensions.size(), 1);
    QCOMPARE(file.trailingExtensions[0].label, 0xFE);
    const QList<QByteArray> expected{QByteArray(255, 'x'), QByteArray("ok")};
    QCOMPARE(file.trailingExtensions[0].blocks, expected);
}

void TestRxGif::errors()
{
    auto message = [](auto &&action) -> QString {
        try {
            action();
        } catch (const EInvalidGraphicOperation &e) {
            return QString::fromUtf8(e.what());
        }
        return QStringLiteral("(no error)");
    };
    TGIFImage empty;
    QCOMPARE(message([&] { save(empty); }), QStringLiteral("No GIF Data to write"));
    TGIFImage nullFrame;
    nullFrame.AddFrame(QImage());
    QCOMPARE(message([&] { save(nullFrame); }), QStringLiteral("No GIF Data to write"));
    const QString resize = QStringLiteral("Cannot change the Size of a GIF image");
    QCOMPARE(message([&] { empty.setWidth(5); }), resize);
    QCOMPARE(message([&] { empty.setHeight(5); }), resize);
    IndexedPixels fiveBits{2, 2, 5, {0, 1, 2, 3}};
    QByteArray out;
    QCOMPARE(message([&] { GifLzwEncoder::encode(fiveBits, false, out); }),
             QStringLiteral("GIF image encoding error"));

    // A stream that refuses bytes is a write error, not a silent loss.
    TGIFImage one;
    one.AddFrame(solid(2, 2, qRgb(1, 1, 1)));
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY_THROWS_EXCEPTION(EWriteError, one.SaveToStream(readOnly));
}

// Given an existing file, when a save fails while building or cannot create its file, then the
// old file is byte-identical and no stray file appears.
void TestRxGif::failedSaveLeavesFileUntouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("deck.tpf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    TGIFImage broken;
    broken.AddFrame(solid(2, 2, qRgb(1, 1, 1)));
    broken.AddFrame(QImage());
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation, broken.SaveToFile(path));
    QFile check(path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("deck.tpf")});

    // A folder that is a regular file cannot hold the target.
    TGIFImage good;
    good.AddFrame(solid(2, 2, qRgb(1, 1, 1)));
    try {
        good.SaveToFile(path + QStringLiteral("/inside.tpf"));
        QFAIL("saving below a file succeeded");
    } catch (const EFCreateError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).startsWith(QStringLiteral("Cannot create file \"")),
                 e.what());
    }
    good.SaveToFile(path);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(testgif::readGif(written.readAll()).error.isEmpty());
}

// A second save writes the same bytes from the kept encoding; a frame added later is encoded
// with a local table while the first keeps the global one.
void TestRxGif::saveReusesEncodedFrames()
{
    TGIFImage gif;
    gif.AddFrame(noise(40, 30, 300, 7));
    const QByteArray first = save(gif);
    const TGIFItem *item = gif.Frames(0).item();
    QCOMPARE(save(gif), first);
    QCOMPARE(gif.Frames(0).item(), item);
    gif.AddFrame(solid(5, 5, qRgb(0, 0, 0)));
    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(gif.Frames(0).item(), item);
    QVERIFY(!gif.Frames(0).hasLocalTable());
    QVERIFY(gif.Frames(1).hasLocalTable());
}

// Given at most 256 colours, the palette holds them exactly, by count, with the first seen (the
// bottom row is stored first) winning a tie, and grey after them.
void TestRxGif::popularityKeepsFewColours()
{
    QImage picture = solid(4, 3, qRgb(10, 20, 30));      // 8 pixels stay this colour
    picture.setPixel(0, 0, qRgb(200, 0, 0));              // top row, seen last
    picture.setPixel(1, 0, qRgb(200, 0, 0));
    picture.setPixel(3, 2, qRgb(0, 200, 0));              // bottom row, seen first
    picture.setPixel(2, 2, qRgb(0, 200, 0));
    const ReducedImage reduced = popularityReduction(picture);
    QCOMPARE(reduced.passes, 1);
    QCOMPARE(reduced.palette[0], (GifRgb{10, 20, 30}));
    QCOMPARE(reduced.palette[1], (GifRgb{0, 200, 0}));
    QCOMPARE(reduced.palette[2], (GifRgb{200, 0, 0}));
    for (int i = 3; i < 256; ++i)
        QCOMPARE(reduced.palette[std::size_t(i)], kPaletteFill);
    const std::vector<std::uint8_t> expected{2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    QCOMPARE(reduced.pixels.pixels, expected);
}

void TestRxGif::nearestColourTies_data()
{
    QTest::addColumn<bool>("twelveFirst");
    QTest::addColumn<GifRgb>("expected");
    QTest::newRow("(10,0,0) more frequent") << false << GifRgb{10, 0, 0};
    QTest::newRow("(12,0,0) more frequent") << true << GifRgb{12, 0, 0};
}

// Given 256 colours plus one rare colour exactly between two of them, the rare colour takes
// whichever of the two has the lower palette index.
void TestRxGif::nearestColourTies()
{
    QFETCH(bool, twelveFirst);
    QFETCH(GifRgb, expected);
    QImage picture(257, 3, QImage::Format_RGB32);
    for (int k = 0; k < 256; ++k) {
        const QRgb c = k < 128 ? qRgb(2 * k, 0, 0) : qRgb(2 * (k - 128), 0, 255);
        for (int y = 0; y < 3; ++y)
            picture.setPixel(k, y, c);
    }
    // The extra row count decides which of (10,0,0) and (12,0,0) is more popular.
    picture.setPixel(256, 0, qRgb(11, 0, 0));
    picture.setPixel(256, 1, twelveFirst ? qRgb(12, 0, 0) : qRgb(10, 0, 0));
    picture.setPixel(256, 2, twelveFirst ? qRgb(12, 0, 0) : qRgb(10, 0, 0));
    const ReducedImage reduced = popularityReduction(picture);
    const std::uint8_t index = reduced.pixels.pixels[256];
    QCOMPARE(reduced.palette[index], expected);
}

void TestRxGif::maskNarrowingOrder()
{
    std::uint8_t r = 0xFF, g = 0xFF, b = 0xFF;
    QStringList steps;
    for (int i = 0; i < 7; ++i) {
        narrowMasks(r, g, b);
        steps << QStringLiteral("%1/%2/%3").arg(r, 2, 16).arg(g, 2, 16).arg(b, 2, 16).toUpper();
    }
    QCOMPARE(steps, (QStringList{"FF/FF/FE", "FE/FF/FE", "FE/FE/FE", "FE/FE/FC", "FC/FE/FC",
                                 "FC/FC/FC", "FC/FC/F8"}));
}

void TestRxGif::maskNarrowing_data()
{
    QTest::addColumn<int>("redStep");   // red values 0, step, 2 step ... (redCount of them)
    QTest::addColumn<int>("redCount");
    QTest::addColumn<int>("greenCount"); // green 0 .. greenCount - 1
    QTest::addColumn<int>("blueStep");
    QTest::addColumn<int>("blueCount");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QString>("masks");
    // 2049 colours exactly still fit; one more needs a second pass.
    QTest::newRow("2049 fit") << 1 << 1 << 1 << 1 << 2049 << 1 << "FF/FF/FF";
    QTest::newRow("2050 do not") << 1 << 1 << 1 << 1 << 2050 << 2 << "FF/FF/FE";
    QTest::newRow("blue first") << 1 << 16 << 1 << 1 << 256 << 2 << "FF/FF/FE";
    QTest::newRow("then red") << 1 << 32 << 1 << 2 << 128 << 3 << "FE/FF/FE";
    QTest::newRow("then green") << 2 << 8 << 32 << 2 << 16 << 4 << "FE/FE/FE";
}

void TestRxGif::maskNarrowing()
{
    QFETCH(int, redStep);
    QFETCH(int, redCount);
    QFETCH(int, greenCount);
    QFETCH(int, blueStep);
    QFETCH(int, blueCount);
    QFETCH(int, passes);
    QFETCH(QString, masks);
    const int total = redCount * greenCount * blueCount;
    QImage picture(total, 1, QImage::Format_RGB32);
    int x = 0;
    for (int r = 0; r < redCount; ++r)
        for (int g = 0; g < greenCount; ++g)
            for (int b = 0; b < blueCount; ++b) {
                // blueCount 2049 runs past 255: spread it over green instead.
                const int blue = (b * blueStep) & 0xFF;
                const int green = g + (b * blueStep) / 256;
                picture.setPixel(x++, 0, qRgb(r * redStep, green, blue));
            }
    const ReducedImage reduced = popularityReduction(picture);
    QCOMPARE(reduced.passes, passes);
    QCOMPARE(QStringLiteral("%1/%2/%3").arg(reduced.maskR, 2, 16).arg(reduced.maskG, 2, 16)
                 .arg(reduced.maskB, 2, 16).toUpper(),
             masks);
    for (const GifRgb &c : reduced.palette) {
        if (c == kPaletteFill)
            continue;
        QCOMPARE(c.r & reduced.maskR, int(c.r));
        QCOMPARE(c.g & reduced.maskG, int(c.g));
        QCOMPARE(c.b & reduced.maskB, int(c.b));
    }
}

void TestRxGif::roundTrip_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("interlaced");
    QTest::newRow("1 x 1") << solid(1, 1, qRgb(5, 6, 7)) << false;
    QTest::newRow("two colours") << [] {
        QImage i = solid(37, 11, qRgb(255, 255, 255));
        for (int x = 0; x < 37; x += 3)
            i.setPixel(x, x % 11, qRgb(0, 0, 0));
        return i;
    }() << false;
    QTest::newRow("256 colours of noise, table resets") << noise(300, 200, 256, 3) << false;
    QTest::newRow("interlaced, 13 rows") << noise(17, 13, 40, 4) << true;
    QImage mono(21, 9, QImage::Format_Mono);
    mono.setColor(0, qRgb(255, 255, 255));
    mono.setColor(1, qRgb(0, 0, 128));
    mono.fill(0);
    for (int x = 0; x < 21; ++x)
        mono.setPixel(x, (x * 5) % 9, 1);
    QTest::newRow("monochrome bitmap") << mono << false;
    QImage indexed(50, 20, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 200; ++i)
        table << qRgb(i, 3 * i & 0xFF, 100);
    indexed.setColorTable(table);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x)
            indexed.setPixel(x, y, uint((x * y) % 200));
    QTest::newRow("8-bit bitmap") << indexed << false;
}

// Given a picture of at most 256 colours, the decoded frame equals it pixel for pixel.
void TestRxGif::roundTrip()
{
    QFETCH(QImage, picture);
    QFETCH(bool, interlaced);
    TGIFImage gif;
    gif.AddFrame(picture);
    gif.Frames(0).setInterlaced(interlaced);
    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames.size(), 1);
    QCOMPARE(bool(file.frames[0].packed & 0x40), interlaced);
    if (picture.format() == QImage::Format_Mono) {
        QCOMPARE(file.frames[0].minCodeSize, 2);
        QCOMPARE(file.packed, 0x80);
    }
    QCOMPARE(file.picture(0), picture.convertToFormat(QImage::Format_RGB32));
}

// The first 10-bit code follows the addition of code 512; after code 4094 is added the pixel
// goes out alone and a clear code follows, so no code needs more than 12 bits.
void TestRxGif::codeWidthAndReset()
{
    IndexedPixels pixels{400, 100, 8, {}};
    QRandomGenerator random(11);
    for (int i = 0; i < 400 * 100; ++i)
        pixels.pixels.push_back(std::uint8_t(random.bounded(256)));
    // Written as an 8-bit bitmap, so the indices go to the encoder unchanged.
    TGIFImage gif;
    QImage picture(400, 100, QImage::Format_Indexed8);
    QList<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey << qRgb(i, i, i);
    picture.setColorTable(grey);
    for (int y = 0; y < 100; ++y)
        std::copy_n(pixels.pixels.data() + y * 400, 400, picture.scanLine(y));
    gif.AddFrame(picture);
    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames[0].indices, pixels.pixels);
    QCOMPARE(file.frames[0].minCodeSize, 8);

    const std::vector<int> &codes = file.frames[0].codes;
    QCOMPARE(codes.front(), 256);
    // 3837 codes add entries 258 .. 4094, then the lone pixel, then the clear code.
    const auto second = std::find(codes.begin() + 1, codes.end(), 256);
    QVERIFY(second != codes.end());
    QCOMPARE(int(second - codes.begin()), 1 + 3837 + 1);
    QVERIFY(*(second - 1) < 256);
    QCOMPARE(codes.back(), 257);
    QCOMPARE(*std::max_element(codes.begin(), codes.end()) < 4096, true);
}

void TestRxGif::codesAreGreedyLzw_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("one colour, long runs") << 0;
    QTest::newRow("stripes") << 1;
    QTest::newRow("noise of 256 colours") << 2;
}

// The codes in the file are exactly those of plain greedy LZW (a map as string table) with the
// clear after code 4094, whatever index the writer uses to find strings.
void TestRxGif::codesAreGreedyLzw()
{
    QFETCH(int, kind);
    const int w = 1000, h = 120;
    QImage picture(w, h, QImage::Format_Indexed8);
    QList<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey << qRgb(i, i, i);
    picture.setColorTable(grey);
    QRandomGenerator random(5);
    std::vector<int> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int p = kind == 0 ? 7 : kind == 1 ? (x / 3 + y) % 5 : int(random.bounded(256));
            picture.scanLine(y)[x] = uchar(p);
            pixels.push_back(p);
        }

    std::vector<int> expected{256};
    std::map<std::pair<int, int>, int> table;
    int next = 258, current = -1;
    for (int p : pixels) {
        if (current < 0) {
            current = p;
            continue;
        }
        if (const auto it = table.find({current, p}); it != table.end()) {
            current = it->second;
            continue;
        }
        expected.push_back(current);
        const int added = next++;
        table[{current, p}] = added;
        current = p;
        if (added >= 4094 && added < 4096) {
            expected.push_back(p);
            expected.push_back(256);
            table.clear();
            next = 258;
            current = -1;
        }
    }
    if (current >= 0)
        expected.push_back(current);
    expected.push_back(257);

    TGIFImage gif;
    gif.AddFrame(picture);
    const testgif::File file = testgif::readGif(save(gif));
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames[0].codes.size(), expected.size());
    QVERIFY(file.frames[0].codes == expected);
}

void TestRxGif::subBlocks_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("none") << 0 << 3 << QByteArray::fromHex("00");
    QTest::newRow("short") << 2 << 3 << QByteArray::fromHex("02000100");
    QTest::newRow("exactly one") << 3 << 3 << QByteArray::fromHex("0300010200");
    QTest::newRow("one more") << 4 << 3 << QByteArray::fromHex("030001020103" "00");
    QTest::newRow("full size") << 256 << 255 << QByteArray();
}

void TestRxGif::subBlocks()
{
    QFETCH(int, bytes);
    QFETCH(int, blockSize);
    QFETCH(QByteArray, expected);
    QByteArray out;
    GifSubBlockWriter writer(out, blockSize);
    for (int i = 0; i < bytes; ++i)
        writer.put(std::uint8_t(i));
    writer.finish();
    if (!expected.isEmpty()) {
        QCOMPARE(out.toHex(), expected.toHex());
        return;
    }
    // 255, bytes 0..254, then 1, byte 255, then the terminator.
    QCOMPARE(out.size(), 1 + 255 + 1 + 1 + 1);
    QCOMPARE(quint8(out[0]), quint8(255));
    QCOMPARE(quint8(out[255]), quint8(254));
    QCOMPARE(quint8(out[256]), quint8(1));
    QCOMPARE(quint8(out[257]), quint8(255));
    QCOMPARE(quint8(out[258]), quint8(0));
}

namespace {

// A three-frame deck like a presentation: 60 s frames, endless loop, two comment lines.
QByteArray presentationBytes(std::vector<QImage> &frames)
{
    // Large enough for the noise frames to clear the LZW table several times.
    frames = {noise(160, 100, 200, 21), noise(160, 100, 256, 22), manyColors(160, 100, 100)};
    TGIFImage gif;
    gif.Comment() << QStringLiteral("First line") << QStringLiteral("Second line");
    gif.setBackgroundColor(0x00FFFFFF);
    gif.setLooping(true);
    gif.setRepeatCount(0);
    for (const QImage &f : frames)
        gif.Frames(gif.AddFrame(f)).setFrameDelay(60000);
    return save(gif);
}

QString writeTemp(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("deck.gif"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

void TestRxGif::oracleGifbuildPixels()
{
    const QString gifbuild = tool("gifbuild");
    if (gifbuild.isEmpty())
        QSKIP("gifbuild (giflib-tools) is not installed");
    std::vector<QImage> frames;
    QTemporaryDir dir;
    const QByteArray bytes = presentationBytes(frames);
    const QString path = writeTemp(dir, bytes);
    int code = 0;
    const QByteArray dump = run(gifbuild, {QStringLiteral("-d"), path}, &code);
    const QStringList lines = QString::fromLatin1(dump).split(QLatin1Char('\n'));
    QCOMPARE(code, 0);
    QVERIFY(lines.contains(QStringLiteral("netscape loop 0")));
    QVERIFY(lines.contains(QStringLiteral("First line")));
    QVERIFY(lines.contains(QStringLiteral("Second line")));

    // Rebuild each frame from the dump's colour maps and hex rows and compare with the source.
    std::vector<QRgb> screenMap, map;
    std::vector<QRgb> *current = nullptr;
    int frame = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line == QStringLiteral("screen map")) {
            current = &screenMap;
        } else if (line == QStringLiteral("image map")) {
            map.clear();
            current = &map;
        } else if (line == QStringLiteral("end")) {
            current = nullptr;
        } else if (current && line.startsWith(QStringLiteral("rgb "))) {
            const QStringList p = line.split(QLatin1Char(' '));
            current->push_back(qRgb(p[1].toInt(), p[2].toInt(), p[3].toInt()));
        } else if (line.startsWith(QStringLiteral("image bits "))) {
            const QImage &source = frames.at(std::size_t(frame));
            const std::vector<QRgb> &table = frame == 0 ? screenMap : map;
            for (int y = 0; y < source.height(); ++y) {
                const QString row = lines[i + 1 + y].trimmed();
                QCOMPARE(row.size(), source.width() * 2);
                for (int x = 0; x < source.width(); ++x) {
                    const int index = row.mid(x * 2, 2).toInt(nullptr, 16);
                    if (table.at(std::size_t(index)) != source.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("frame %1 differs at %2,%3")
                                             .arg(frame).arg(x).arg(y)));
                }
            }
            ++frame;
        }
    }
    QCOMPARE(frame, 3);
}

void TestRxGif::oracleImageMagick()
{
    const QString identify = tool("identify");
    const QString convert = tool("convert");
    if (identify.isEmpty() || convert.isEmpty())
        QSKIP("ImageMagick is not installed");
    std::vector<QImage> frames;
    QTemporaryDir dir;
    const QString path = writeTemp(dir, presentationBytes(frames));
    int code = 0;
    const QString out = QString::fromLatin1(
        run(identify, {QStringLiteral("-format"), QStringLiteral("%w %h %T|"), path}, &code));
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("160 100 6000|").repeated(3));

    for (int i = 0; i < 3; ++i) {
        const QString png = dir.filePath(QStringLiteral("frame%1.png").arg(i));
        run(convert, {path + QStringLiteral("[%1]").arg(i), png}, &code);
        QCOMPARE(code, 0);
        QImage decoded(png);
        QVERIFY(!decoded.isNull());
        decoded = decoded.convertToFormat(QImage::Format_RGB32);
        const QImage &source = frames[std::size_t(i)];
        QCOMPARE(decoded.size(), source.size());
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if (decoded.pixel(x, y) != source.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("frame %1 at %2,%3: %4 instead of %5")
                                         .arg(i).arg(x).arg(y)
                                         .arg(decoded.pixel(x, y), 8, 16)
                                         .arg(source.pixel(x, y), 8, 16)));
    }
}

// The progress window's animation is a GIF of ours that Qt's own reader plays.
void TestRxGif::waitAnimationPlaysInQt()
{
    QByteArray bytes = waitAnimationGif(12, 80);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.imageCount(), 12);
    QCOMPARE(reader.loopCount(), -1); // endless
    QImage previous;
    for (int i = 0; i < 12; ++i) {
        const QImage frame = reader.read();
        QCOMPARE(frame.size(), QSize(32, 32));
        QCOMPARE(reader.nextImageDelay(), 80);
        QVERIFY(frame != previous); // the spinner turns
        previous = frame;
    }
}

QTEST_GUILESS_MAIN(TestRxGif)
#include "tst_rxgif.moc"
