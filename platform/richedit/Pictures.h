#pragma once
// Pictures in the engine's document. A picture is one object character whose image format
// names an image resource of the document and carries the picture's original bytes and kind
// (see prop::Image*): PNG and JPEG keep the bytes they came with, other images are kept as a
// bitmap and written out as PNG. The shown size is the goal size times the scale; the layout
// handler registered here shrinks a picture wider than the text to the text width, keeping its
// proportions, on screen and in format-range output alike.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTextImageFormat>

class QMimeData;
class QTextDocument;

namespace richedit {

// A picture as it came from the clipboard, a dropped file or image data.
struct PictureSource {
    QByteArray bytes; // the original bytes of a PNG or JPEG; empty for other images
    QString kind;     // "png", "jpeg" or "bmp" (any other decoded image)
    QImage image;     // decoded; null when the bytes are no image this build can read
};

// Reads a picture from file bytes: PNG and JPEG keep their bytes, other image formats are
// decoded into a bitmap. A null image when the bytes are no readable image.
PictureSource pictureFromBytes(const QByteArray &bytes);
// A picture from decoded image data (a bitmap).
PictureSource pictureFromImage(const QImage &image);
// The pictures that mime data offers, in order: local image files of its URLs, else the
// original PNG or JPEG bytes, else its image data. Empty when it offers none.
QList<PictureSource> picturesFromMimeData(const QMimeData *data);
// True when the mime data may offer a picture (cheap: looks at formats and file suffixes only).
bool mayOfferPicture(const QMimeData *data);

// Adds the picture's image to the document's resources under a new name and returns the
// format of a character showing it at its natural size (one pixel = 15 twips, scale 100 %).
QTextImageFormat pictureFormat(QTextDocument *document, const PictureSource &picture);

bool isPicture(const QTextFormat &format);
// The image a picture format names, from the document's resources.
QImage pictureImage(const QTextDocument *document, const QTextImageFormat &format);
// The object type a user sees: "PNG Image", "JPEG Image", "Bitmap Image", ...
QString pictureTypeName(const QTextImageFormat &format);
// The bytes the picture would be saved with (its original bytes, else its image as PNG).
QByteArray pictureBytes(const QTextDocument *document, const QTextImageFormat &format);
// The scale in percent (100 when none is set).
int pictureScaleX(const QTextImageFormat &format);
int pictureScaleY(const QTextImageFormat &format);
// Sets the scale (kept at least 1 %) and the shown size that follows from it.
void setPictureScale(QTextImageFormat &format, int scaleX, int scaleY);

// Makes the document's layout draw pictures through the fitting handler. Needed once per
// document (and per copy of a document: a clone gets Qt's own image handler).
void registerPictureHandler(QTextDocument *document);

} // namespace richedit
