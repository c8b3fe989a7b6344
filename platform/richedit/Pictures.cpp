#include "Pictures.h"

#include "FormatMapping.h"
#include "RichEditTypes.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QUrl>

namespace richedit {

namespace {

constexpr qint64 kMaxPictureFile = 64 * 1024 * 1024; // a dropped file larger than this is refused
constexpr int kMaxScale = 10000;

// Draws pictures and gives their size: the shown size, shrunk to the width the text has at the
// picture's paragraph when it is wider, proportions kept. Sizes are 96-dpi pixels scaled to the
// resolution of the layout's paint device (the format-range copy lays out for the printer).
class PictureHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override
    {
        const QTextImageFormat f = format.toImageFormat();
        QSizeF size(f.width(), f.height());
        if (size.width() <= 0 || size.height() <= 0) {
            const QImage image = pictureImage(doc, f);
            size = image.isNull() ? QSizeF(32, 32) : QSizeF(image.size());
        }
        const QPaintDevice *device = doc->documentLayout()->paintDevice();
        const qreal scale = device ? device->logicalDpiX() / 96.0 : 1.0;
        size *= scale;
        qreal room = doc->textWidth();
        if (room > 0) {
            const QTextBlockFormat block = doc->findBlock(posInDocument).blockFormat();
            room -= (2 * doc->documentMargin() + block.rightMargin()
                     + qMax(block.leftMargin(), block.leftMargin() + block.textIndent()))
                * scale;
            // A little room for the caret beside the picture.
            room -= 2 * scale;
            if (room >= 1 && size.width() > room) {
                size.setHeight(qMax<qreal>(1, size.height() * room / size.width()));
                size.setWidth(room);
            }
        }
        return size;
    }

    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc,
                    int posInDocument, const QTextFormat &format) override
    {
        Q_UNUSED(posInDocument);
        const QImage image = pictureImage(doc, format.toImageFormat());
        if (image.isNull())
            return;
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(rect, image);
        painter->restore();
    }
};

PictureHandler &handler()
{
    static PictureHandler *instance = new PictureHandler; // lives as long as the process
    return *instance;
}

bool isPictureFile(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix);
}

QString objectClass(const QByteArray &objectData)
{
    static const QByteArray marker("\\objclass");
    const qsizetype at = objectData.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype end = objectData.indexOf('}', at);
    return QString::fromLatin1(objectData.mid(at + marker.size(), end - at - marker.size()))
        .trimmed();
}

} // namespace

PictureSource pictureFromBytes(const QByteArray &bytes)
{
    PictureSource picture;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer).toLower();
    if (!picture.image.loadFromData(bytes, format.isEmpty() ? nullptr : format.constData()))
        return {};
    if (format == "png" || format == "jpeg" || format == "jpg") {
        picture.kind = format == "png" ? QStringLiteral("png") : QStringLiteral("jpeg");
        picture.bytes = bytes;
    } else {
        picture.kind = QStringLiteral("bmp");
    }
    return picture;
}

PictureSource pictureFromImage(const QImage &image)
{
    PictureSource picture;
    picture.image = image;
    if (!image.isNull())
        picture.kind = QStringLiteral("bmp");
    return picture;
}

QList<PictureSource> picturesFromMimeData(const QMimeData *data)
{
    QList<PictureSource> pictures;
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls()) {
            if (!url.isLocalFile())
                continue;
            const QFileInfo info(url.toLocalFile());
            // Only regular files, and none that would fill the memory.
            if (!info.isFile() || info.size() > kMaxPictureFile)
                continue;
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            PictureSource picture = pictureFromBytes(file.readAll());
            if (!picture.image.isNull())
                pictures.append(picture);
        }
        if (!pictures.isEmpty())
            return pictures;
    }
    for (const char *type : {"image/png", "image/jpeg"}) {
        if (!data->hasFormat(QLatin1String(type)))
            continue;
        PictureSource picture = pictureFromBytes(data->data(QLatin1String(type)));
        if (!picture.image.isNull())
            return {picture};
    }
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull())
            return {pictureFromImage(image)};
    }
    return {};
}

bool mayOfferPicture(const QMimeData *data)
{
    if (data->hasImage())
        return true;
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls())
            if (url.isLocalFile() && isPictureFile(url.toLocalFile()))
                return true;
    }
    return false;
}

QTextImageFormat pictureFormat(QTextDocument *document, const PictureSource &picture)
{
    static int counter = 0;
    QUrl url;
    do {
        url = QUrl(QStringLiteral("picture:%1").arg(++counter));
    } while (document->resource(QTextDocument::ImageResource, url).isValid());
    document->addResource(QTextDocument::ImageResource, url, picture.image);
    QTextImageFormat f;
    f.setName(url.toString());
    f.setWidth(picture.image.width());
    f.setHeight(picture.image.height());
    f.setProperty(prop::ImageGoalWidth, pixelsToTwips(picture.image.width()));
    f.setProperty(prop::ImageGoalHeight, pixelsToTwips(picture.image.height()));
    f.setProperty(prop::ImageKind, picture.kind);
    f.setProperty(prop::ImageData, picture.bytes);
    return f;
}

bool isPicture(const QTextFormat &format)
{
    return format.isImageFormat();
}

QImage pictureImage(const QTextDocument *document, const QTextImageFormat &format)
{
    const QVariant resource = document->resource(QTextDocument::ImageResource,
                                                 QUrl(format.name()));
    QImage image = resource.value<QImage>();
    if (image.isNull() && resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    return image;
}

QString pictureTypeName(const QTextImageFormat &format)
{
    const QString objectType = objectClass(format.property(prop::ObjectData).toByteArray());
    if (!objectType.isEmpty()) {
        if (objectType.startsWith(QLatin1String("Paint.Picture"))
            || objectType.startsWith(QLatin1String("PBrush")))
            return QStringLiteral("Bitmap Image");
        return objectType;
    }
    const QString kind = format.stringProperty(prop::ImageKind);
    if (kind == QLatin1String("png"))
        return QStringLiteral("PNG Image");
    if (kind == QLatin1String("jpeg"))
        return QStringLiteral("JPEG Image");
    if (kind == QLatin1String("bmp") || kind == QLatin1String("ddb"))
        return QStringLiteral("Bitmap Image");
    if (kind == QLatin1String("wmf"))
        return QStringLiteral("Windows Metafile");
    if (kind == QLatin1String("emf"))
        return QStringLiteral("Enhanced Metafile");
    return QStringLiteral("Picture");
}

QByteArray pictureBytes(const QTextDocument *document, const QTextImageFormat &format)
{
    const QString kind = format.stringProperty(prop::ImageKind);
    const QByteArray data = format.property(prop::ImageData).toByteArray();
    if (!data.isEmpty() && kind != QLatin1String("bmp") && kind != QLatin1String("ddb")
        && kind != QLatin1String("other"))
        return data;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pictureImage(document, format).save(&buffer, "PNG");
    return png;
}

int pictureScaleX(const QTextImageFormat &format)
{
    return format.hasProperty(prop::ImageScaleX) ? format.intProperty(prop::ImageScaleX) : 100;
}

int pictureScaleY(const QTextImageFormat &format)
{
    return format.hasProperty(prop::ImageScaleY) ? format.intProperty(prop::ImageScaleY) : 100;
}

void setPictureScale(QTextImageFormat &format, int scaleX, int scaleY)
{
    scaleX = qBound(1, scaleX, kMaxScale);
    scaleY = qBound(1, scaleY, kMaxScale);
    auto goal = [&format](int property, qreal shown, int oldScale) {
        if (format.hasProperty(property))
            return qint64(format.intProperty(property));
        return qint64(pixelsToTwips(shown)) * 100 / qMax(1, oldScale);
    };
    const qint64 goalWidth = goal(prop::ImageGoalWidth, format.width(), pictureScaleX(format));
    const qint64 goalHeight = goal(prop::ImageGoalHeight, format.height(), pictureScaleY(format));
    format.setProperty(prop::ImageGoalWidth, int(goalWidth));
    format.setProperty(prop::ImageGoalHeight, int(goalHeight));
    format.setProperty(prop::ImageScaleX, scaleX);
    format.setProperty(prop::ImageScaleY, scaleY);
    format.setWidth(qMax<qreal>(1, twipsToPixels(int(goalWidth * scaleX / 100))));
    format.setHeight(qMax<qreal>(1, twipsToPixels(int(goalHeight * scaleY / 100))));
}

void registerPictureHandler(QTextDocument *document)
{
    document->documentLayout()->registerHandler(QTextFormat::ImageObject, &handler());
}

} // namespace richedit

#include "Pictures.moc"
