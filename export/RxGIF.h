#pragma once
// The GIF writer: an animated picture made of frames, written as a GIF89a (or 87a) file.
//
// TGIFImage holds the frames and the picture-wide settings; TGIFFrame one frame with its source
// bitmap and, after the first save, its encoded data; TExtension one extension block. Frames stay
// bitmaps until saving; saving reduces true-colour frames to 256 colours by popularity,
// compresses them with LZW and keeps the result for later saves. The whole file is built in
// memory before anything is written, so a failed save leaves the destination untouched.

#include "export/GifError.h"
#include "export/GifPalette.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class TGIFImage;

// Colours as the rest of the program keeps them: 0x00BBGGRR.
using GifColor = std::uint32_t;

enum class TExtensionKind { GraphicControl, PlainText, Application, Comment };

// One extension block: its kind (which gives the label byte), the fixed part as raw bytes
// (for a graphic control extension the six bytes block size, packed, delay low and high,
// transparent index, terminator) and data strings written as sub-blocks.
struct TExtension {
    TExtensionKind kind = TExtensionKind::Comment;
    QByteArray fixedPart;
    QList<QByteArray> data;

    static std::uint8_t label(TExtensionKind kind);
};

// The encoded form of a frame: LZW data exactly as written (minimum code size, sub-blocks,
// terminator), its colour table, bits per pixel and size.
struct TGIFItem {
    QByteArray lzwData;
    std::vector<gif::GifRgb> colorTable;
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
};

// One frame: a private copy of the source bitmap, its position, display time, transparency,
// disposal, interlacing and extensions; the encoded item once the image has been saved.
class TGIFFrame
{
public:
    // Display time in milliseconds; a non-zero value makes the image a GIF89a.
    std::uint16_t FrameDelay() const { return m_frameDelay; }
    void setFrameDelay(std::uint16_t milliseconds);

    int left() const { return m_left; }
    int top() const { return m_top; }
    void setPosition(int left, int top);

    std::optional<GifColor> transparentColor() const { return m_transparentColor; }
    void setTransparentColor(std::optional<GifColor> color) { m_transparentColor = color; }
    int disposalMethod() const { return m_disposal; }
    void setDisposalMethod(int method) { m_disposal = method & 7; }
    bool interlaced() const { return m_interlaced; }
    void setInterlaced(bool on);

    bool hasLocalTable() const { return m_localTable; }
    bool isEncoded() const { return bool(m_item); }
    const TGIFItem *item() const { return m_item.get(); }
    const QImage &bitmap() const { return m_bitmap; }
    QList<TExtension> &extensions() { return m_extensions; }
    const QList<TExtension> &extensions() const { return m_extensions; }

private:
    friend class TGIFImage;
    friend class TGIFStreamWriter;
    explicit TGIFFrame(TGIFImage *owner) : m_owner(owner) {}

    TGIFImage *m_owner;
    QImage m_bitmap;
    std::shared_ptr<const TGIFItem> m_item;
    int m_left = 0;
    int m_top = 0;
    bool m_interlaced = false;
    std::optional<GifColor> m_transparentColor;
    std::uint16_t m_frameDelay = 0;
    int m_disposal = 0;
    bool m_localTable = false;
    QList<TExtension> m_extensions;
};

// An animated GIF picture built from bitmaps and written to a file or stream.
class TGIFImage
{
public:
    enum class Version { None, Gif87a, Gif89a };

    // How the picture is known to file dialogs and the clipboard.
    static constexpr const char *kFileExtension = "gif";
    static constexpr const char *kDescription = "CompuServe GIF Image";
    static constexpr const char *kClipboardFormat = "GIF Image";
    static constexpr int kMaxRepeatCount = 30000;

    TGIFImage() = default;
    TGIFImage(const TGIFImage &) = delete;
    TGIFImage &operator=(const TGIFImage &) = delete;

    // Text lines written in one comment extension at the end of the file.
    QStringList &Comment() { return m_comment; }
    const QStringList &Comment() const { return m_comment; }

    std::optional<GifColor> BackgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::optional<GifColor> color) { m_backgroundColor = color; }
    bool Looping() const { return m_looping; }
    void setLooping(bool on) { m_looping = on; }
    // Loop count of the looping extension; 0 is endless, values above 30000 are kept as 30000.
    int RepeatCount() const { return m_repeatCount; }
    void setRepeatCount(int count);
    // On-screen transparency of the picture; never affects the file.
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; }

    Version version() const { return m_version; }
    std::uint8_t aspectRatio() const { return m_aspectRatio; }
    void setAspectRatio(std::uint8_t ratio) { m_aspectRatio = ratio; }

    // Appends a frame made from a copy of the picture, makes it current and returns its index.
    // A transparent colour given here becomes the frame's transparent colour.
    int AddFrame(const QImage &picture, std::optional<GifColor> transparentColor = {});
    TGIFFrame &Frames(int index);
    const TGIFFrame &Frames(int index) const;
    int frameCount() const { return int(m_frames.size()); }
    int frameIndex() const { return m_frameIndex; }

    // The logical screen: the largest right and bottom edge over the frames.
    int width() const { return m_screenWidth; }
    int height() const { return m_screenHeight; }
    // The size follows the frames; these fail with "Cannot change the Size of a GIF image".
    [[noreturn]] void setWidth(int);
    [[noreturn]] void setHeight(int);

    const std::vector<gif::GifRgb> &globalColorTable() const { return m_globalTable; }

    // Builds the whole file in memory: encodes frames not encoded yet, sets up their graphic
    // control extensions and lays out every block. Fails with EInvalidGraphicOperation.
    QByteArray saveToBytes();
    // Builds the file, then writes it in one piece; fails with EWriteError when the stream takes
    // less than all of it.
    void SaveToStream(QIODevice &stream);
    // Builds the file, then replaces the named file atomically. Nothing is created or changed
    // when building fails; EFCreateError when the file cannot be created, EWriteError when it
    // cannot be written.
    void SaveToFile(const QString &fileName);

private:
    friend class TGIFFrame;
    friend class TGIFStreamWriter;

    void prepareFrames();
    void encodeFrame(TGIFFrame &frame);
    void setUpGraphicControl(TGIFFrame &frame);
    void updateScreenSize();
    void raiseVersion(Version v);

    void writeScreenDescriptor(QByteArray &out) const;
    void writeLoopingExtension(QByteArray &out) const;
    void writeFrame(QByteArray &out, const TGIFFrame &frame) const;
    void writeCommentExtension(QByteArray &out) const;

    Version m_version = Version::None;
    std::optional<GifColor> m_backgroundColor;
    int m_repeatCount = 1;
    bool m_looping = false;
    bool m_transparent = true;
    int m_frameIndex = -1;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    QStringList m_comment;
    std::vector<gif::GifRgb> m_globalTable;
    int m_globalBitsPerPixel = 0;
    std::uint8_t m_aspectRatio = 0;
    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
};
