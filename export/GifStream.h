#pragma once
// TGIFStreamWriter writes an animated GIF to a device frame by frame, for animations too long
// to hold as bitmaps: each frame is encoded and written as it is added, and only the first is
// held back until the second arrives (the looping extension after the screen descriptor is
// written only for more than one frame). The picture-wide settings (comment, background,
// looping, repeat count, aspect ratio) come from the TGIFImage given, which also carries the
// global colour table taken from the first frame.
//
// The bytes are those TGIFImage::SaveToStream writes for the same frames and settings, as long
// as every later frame lies within the first frame's area (the logical screen is the first
// frame's size); a frame outside it is refused with std::invalid_argument. Write failures throw
// EWriteError; finish() with no frame throws EInvalidGraphicOperation, as saving an empty
// picture does.
#include "export/RxGIF.h"

#include <cstdint>

class QIODevice;

class TGIFStreamWriter
{
public:
    TGIFStreamWriter(TGIFImage &settings, QIODevice &out);
    TGIFStreamWriter(const TGIFStreamWriter &) = delete;
    TGIFStreamWriter &operator=(const TGIFStreamWriter &) = delete;

    // Encodes bitmap as the next frame, shown for delay milliseconds, and writes it (the first
    // frame once the second arrives or at finish).
    void addFrame(const QImage &bitmap, std::uint16_t delay);
    // Writes what is held back, the comment and the trailer. Nothing may be added afterwards.
    void finish();
    int frameCount() const { return m_count; }

private:
    void writeHeader();
    void writeAndDropFrontFrame();
    void put(const QByteArray &bytes);

    TGIFImage &m_image;
    QIODevice &m_out;
    int m_count = 0;
    int m_screenWidth = 0;  // the logical screen, fixed when the header is written
    int m_screenHeight = 0;
    bool m_headerWritten = false;
    bool m_finished = false;
};
