#include "RtfPicture.h"

#include "richedit/FormatMapping.h"
#include "richedit/RichEditTypes.h"

#include <QPainter>
#include <QtEndian>

namespace rtf {

namespace prop = richedit::prop;

namespace {

constexpr int kMaxGoalTwips = 1440 * 100; // a picture is at most 100 inches wide or high

quint32 readLe32(const QByteArray &data, qsizetype at)
{
    if (at + 4 > data.size())
        return 0;
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 readLe16(const QByteArray &data, qsizetype at)
{
    if (at + 2 > data.size())
        return 0;
    return qFromLittleEndian<quint16>(data.constData() + at);
}

QString kindName(PictureState::Kind kind)
{
    switch (kind) {
    case PictureState::Kind::Png: return QStringLiteral("png");
    case PictureState::Kind::Jpeg: return QStringLiteral("jpeg");
    case PictureState::Kind::Dib: return QStringLiteral("bmp");
    case PictureState::Kind::Ddb: return QStringLiteral("ddb");
    case PictureState::Kind::Wmf: return QStringLiteral("wmf");
    case PictureState::Kind::Emf: return QStringLiteral("emf");
    default: return QStringLiteral("other");
    }
}

// The size in twips that \picw / \pich stand for: pixels for bitmaps, hundredths of a
// millimetre for metafiles.
int naturalTwips(PictureState::Kind kind, int value, int decodedPixels)
{
    if (kind == PictureState::Kind::Wmf || kind == PictureState::Kind::Emf)
        return int(qint64(value) * 1440 / 2540);
    if (decodedPixels > 0)
        return decodedPixels * 15;
    return int(std::min<qint64>(qint64(value) * 15, kMaxGoalTwips));
}

int goalTwips(int goal, int natural)
{
    return int(std::clamp<qint64>(goal > 0 ? goal : natural, 15, kMaxGoalTwips));
}

int shownTwips(int goal, int scale)
{
    return int(std::clamp<qint64>(qint64(goal) * scale / 100, 15, kMaxGoalTwips));
}

QImage placeholder()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(0xE0, 0xE0, 0xE0));
    QPainter painter(&image);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(0, 0, 31, 31);
    painter.drawLine(0, 0, 31, 31);
    painter.drawLine(0, 31, 31, 0);
    return image;
}

} // namespace

QByteArray bmpFromDib(const QByteArray &dib)
{
    const quint32 headerSize = readLe32(dib, 0);
    if (headerSize < 12 || headerSize > quint32(dib.size()))
        return {};
    quint32 colours = 0;
    quint32 masks = 0;
    if (headerSize == 12) { // BITMAPCOREHEADER: three-byte colours
        const quint16 bits = readLe16(dib, 10);
        colours = bits <= 8 ? (1u << bits) * 3 : 0;
    } else {
        const quint16 bits = readLe16(dib, 14);
        const quint32 compression = readLe32(dib, 16);
        const quint32 used = readLe32(dib, 32);
        colours = (used ? std::min<quint32>(used, 256) : (bits <= 8 ? (1u << bits) : 0)) * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            masks = compression == 3 ? 12 : 16;
    }
    const quint32 offset = 14 + headerSize + colours + masks;
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(offset, bmp.data() + 10);
    bmp.append(dib);
    return bmp;
}

DecodedPicture decodePicture(const PictureState &picture)
{
    DecodedPicture result;
    switch (picture.kind) {
    case PictureState::Kind::Png:
        result.decoded = result.image.loadFromData(picture.data, "PNG");
        break;
    case PictureState::Kind::Jpeg:
        result.decoded = result.image.loadFromData(picture.data, "JPEG");
        break;
    case PictureState::Kind::Dib:
        result.decoded = result.image.loadFromData(bmpFromDib(picture.data), "BMP");
        break;
    default:
        break;
    }
    if (!result.decoded)
        result.image = placeholder();

    const int naturalWidth = naturalTwips(picture.kind, picture.picw,
                                          result.decoded ? result.image.width() : 0);
    const int naturalHeight = naturalTwips(picture.kind, picture.pich,
                                           result.decoded ? result.image.height() : 0);
    const int width = goalTwips(picture.goalWidth, naturalWidth);
    const int height = goalTwips(picture.goalHeight, naturalHeight);

    // The goal size is kept as it was; the scale gives the shown size.
    QTextImageFormat &f = result.format;
    f.setWidth(richedit::twipsToPixels(shownTwips(width, picture.scaleX)));
    f.setHeight(richedit::twipsToPixels(shownTwips(height, picture.scaleY)));
    f.setProperty(prop::ImageGoalWidth, width);
    f.setProperty(prop::ImageGoalHeight, height);
    if (picture.scaleX != 100 || picture.scaleY != 100) {
        f.setProperty(prop::ImageScaleX, picture.scaleX);
        f.setProperty(prop::ImageScaleY, picture.scaleY);
    }
    f.setProperty(prop::ImageKind, kindName(picture.kind));
    f.setProperty(prop::ImageData, picture.data);
    return result;
}

} // namespace rtf
