#pragma once
// A picture of one colour as PNG bytes, for documents that tests build with a picture in them.

#include <QBuffer>
#include <QColor>
#include <QImage>

namespace testsupport {

inline QByteArray solidPng(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace testsupport
