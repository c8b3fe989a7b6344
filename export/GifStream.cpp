#include "export/GifStream.h"

#include <QIODevice>

#include <stdexcept>

TGIFStreamWriter::TGIFStreamWriter(TGIFImage &settings, QIODevice &out)
    : m_image(settings), m_out(out)
{
}

void TGIFStreamWriter::put(const QByteArray &bytes)
{
    if (m_out.write(bytes) != bytes.size())
        throw EWriteError(gif::kWriteErrorText);
}

void TGIFStreamWriter::addFrame(const QImage &bitmap, std::uint16_t delay)
{
    if (m_finished)
        throw std::logic_error("addFrame called after finish");
    const int index = m_image.AddFrame(bitmap);
    TGIFFrame &frame = m_image.Frames(index);
    frame.setFrameDelay(delay);
    m_image.encodeFrame(frame);
    m_image.setUpGraphicControl(frame);
    frame.m_bitmap = QImage(); // the encoded item is all that is written
    ++m_count;
    if (m_headerWritten) {
        const TGIFItem &item = *frame.m_item;
        if (frame.m_left + item.width > m_screenWidth
            || frame.m_top + item.height > m_screenHeight)
            throw std::invalid_argument("a streamed GIF frame lies outside the first frame");
    }
    if (m_count < 2)
        return; // held until it is known whether more frames follow
    if (!m_headerWritten)
        writeHeader();
    while (!m_image.m_frames.empty())
        writeAndDropFrontFrame();
}

void TGIFStreamWriter::finish()
{
    if (m_finished)
        return;
    if (m_count == 0)
        throw EInvalidGraphicOperation(gif::kNoDataText);
    if (!m_headerWritten)
        writeHeader();
    while (!m_image.m_frames.empty())
        writeAndDropFrontFrame();
    m_finished = true;
    QByteArray tail;
    if (!m_image.m_comment.isEmpty())
        m_image.writeCommentExtension(tail);
    tail.append(char(gif::kTrailer));
    put(tail);
}

// Version, logical screen, global colour table and, for more than one frame, the looping
// extension: what TGIFImage writes before its first frame.
void TGIFStreamWriter::writeHeader()
{
    m_image.updateScreenSize();
    if (!m_image.m_comment.isEmpty())
        m_image.raiseVersion(TGIFImage::Version::Gif89a);
    QByteArray head("GIF", 3);
    switch (m_image.m_version) {
    case TGIFImage::Version::None:
        head.append(3, '\0');
        break;
    case TGIFImage::Version::Gif87a:
        head.append("87a", 3);
        break;
    case TGIFImage::Version::Gif89a:
        head.append("89a", 3);
        break;
    }
    m_image.writeScreenDescriptor(head);
    m_screenWidth = m_image.m_screenWidth;
    m_screenHeight = m_image.m_screenHeight;
    if (m_image.m_looping && m_count > 1)
        m_image.writeLoopingExtension(head);
    put(head);
    m_headerWritten = true;
}

void TGIFStreamWriter::writeAndDropFrontFrame()
{
    QByteArray bytes;
    m_image.writeFrame(bytes, *m_image.m_frames.front());
    m_image.m_frames.erase(m_image.m_frames.begin());
    put(bytes);
}
