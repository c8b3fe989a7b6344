#pragma once
// Turns the data of an RTF picture into an image object of the document: PNG, JPEG and
// device-independent bitmaps are decoded; other kinds (metafiles, device bitmaps, pictures
// that fail to decode) become a plain placeholder of the same size. The original bytes and
// kind are kept on the format so the writer can write them back.

#include "RtfReaderState.h"

#include <QImage>
#include <QTextImageFormat>

namespace rtf {

struct DecodedPicture {
    QImage image;            // the picture, or a placeholder
    QTextImageFormat format; // size in 96-dpi pixels and the engine's image properties; no name
    bool decoded = false;    // false: the image is a placeholder
};

DecodedPicture decodePicture(const PictureState &picture);

// The bytes of a BMP file for a packed device-independent bitmap (header, colours, bits).
QByteArray bmpFromDib(const QByteArray &dib);

} // namespace rtf
