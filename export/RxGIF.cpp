#include "export/RxGIF.h"

#include "text/CodePage.h"

#include <QIODevice>
#include "files/SafeFile.h"

#include <algorithm>

namespace {

using gif::GifRgb;

constexpr std::uint8_t kGraphicControlSize = 4;
constexpr std::uint8_t kTransparentFlag = 0x01;
constexpr std::uint8_t kDisposalMask = 0x1C;
constexpr std::uint8_t kTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;
constexpr char kLoopingIdentifier[] = "NETSCAPE2.0";

void putWord(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

GifRgb rgbOf(GifColor color)
{
    return {std::uint8_t(color & 0xFF), std::uint8_t((color >> 8) & 0xFF),
            std::uint8_t((color >> 16) & 0xFF)};
}

// Smallest b >= 1 with 2^b >= count.
int bitsForCount(int count)
{
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

int tableIndexOf(const std::vector<GifRgb> &table, GifColor color)
{
    const auto it = std::find(table.begin(), table.end(), rgbOf(color));
    return it == table.end() ? -1 : int(it - table.begin());
}

void writeTable(QByteArray &out, const std::vector<GifRgb> &table, int entries)
{
    for (int i = 0; i < entries; ++i) {
        const GifRgb c = i < int(table.size()) ? table[std::size_t(i)] : GifRgb{};
        out.append(char(c.r));
        out.append(char(c.g));
        out.append(char(c.b));
    }
}

// Data strings as sub-blocks of at most 255 bytes each, longer ones cut.
void writeDataBlocks(QByteArray &out, const QList<QByteArray> &data)
{
    for (const QByteArray &block : data) {
        if (block.isEmpty())
            continue;
        const int length = std::min<int>(int(block.size()), gif::kSubBlockSize);
        out.append(char(length));
        out.append(block.constData(), length);
    }
}

// The frame's pixels as indices with their colour table: indexed bitmaps keep their own
// palette (2 entries for monochrome, 256 for 8-bit), anything else is reduced by popularity.
void indexFrame(const QImage &bitmap, gif::IndexedPixels &pixels, std::vector<GifRgb> &table)
{
    const QImage::Format format = bitmap.format();
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB
        || format == QImage::Format_Indexed8) {
        const bool mono = format != QImage::Format_Indexed8;
        const QList<QRgb> colors = bitmap.colorTable();
        const int count = mono ? 2 : gif::kPaletteSize;
        table.assign(std::size_t(count), GifRgb{});
        if (mono && colors.size() < 2)
            table[1] = {0xFF, 0xFF, 0xFF}; // a monochrome bitmap without palette: black, white
        for (int i = 0; i < std::min<int>(count, int(colors.size())); ++i)
            table[std::size_t(i)] = {std::uint8_t(qRed(colors[i])), std::uint8_t(qGreen(colors[i])),
                                     std::uint8_t(qBlue(colors[i]))};
        pixels.width = bitmap.width();
        pixels.height = bitmap.height();
        pixels.depth = mono ? 1 : 8;
        pixels.pixels.resize(std::size_t(pixels.width) * std::size_t(pixels.height));
        for (int y = 0; y < pixels.height; ++y) {
            std::uint8_t *row = pixels.pixels.data() + std::size_t(y) * std::size_t(pixels.width);
            if (mono) {
                for (int x = 0; x < pixels.width; ++x)
                    row[x] = std::uint8_t(bitmap.pixelIndex(x, y));
            } else {
                std::copy_n(bitmap.constScanLine(y), pixels.width, row);
            }
        }
        return;
    }
    gif::ReducedImage reduced = gif::popularityReduction(bitmap);
    pixels = std::move(reduced.pixels);
    table.assign(reduced.palette.begin(), reduced.palette.end());
}

} // namespace

// ---- TExtension ---------------------------------------------------------------------------

std::uint8_t TExtension::label(TExtensionKind kind)
{
    switch (kind) {
    case TExtensionKind::GraphicControl:
        return 0xF9;
    case TExtensionKind::PlainText:
        return 0x01;
    case TExtensionKind::Application:
        return 0xFF;
    case TExtensionKind::Comment:
        return 0xFE;
    }
    return 0xFE;
}

// ---- TGIFFrame ----------------------------------------------------------------------------

void TGIFFrame::setFrameDelay(std::uint16_t milliseconds)
{
    m_frameDelay = milliseconds;
    if (milliseconds != 0)
        m_owner->raiseVersion(TGIFImage::Version::Gif89a);
}

void TGIFFrame::setPosition(int left, int top)
{
    m_left = std::max(0, left);
    m_top = std::max(0, top);
    m_owner->updateScreenSize();
}

void TGIFFrame::setInterlaced(bool on)
{
    if (on == m_interlaced)
        return;
    m_interlaced = on;
    // The row order is part of the compressed data, so it has to be encoded again.
    m_item.reset();
}

// ---- TGIFImage: frames and settings -------------------------------------------------------

void TGIFImage::raiseVersion(Version v)
{
    if (int(v) > int(m_version))
        m_version = v;
}

void TGIFImage::setRepeatCount(int count)
{
    m_repeatCount = std::clamp(count, 0, kMaxRepeatCount);
}

void TGIFImage::setWidth(int)
{
    throw EInvalidGraphicOperation(gif::kCannotResizeText);
}

void TGIFImage::setHeight(int)
{
    throw EInvalidGraphicOperation(gif::kCannotResizeText);
}

int TGIFImage::AddFrame(const QImage &picture, std::optional<GifColor> transparentColor)
{
    auto frame = std::unique_ptr<TGIFFrame>(new TGIFFrame(this));
    frame->m_bitmap = picture.copy(); // a private copy: the caller may free its bitmap
    frame->m_transparentColor = transparentColor;
    m_frames.push_back(std::move(frame));
    m_frameIndex = int(m_frames.size()) - 1;
    raiseVersion(m_frames.size() > 1 ? Version::Gif89a : Version::Gif87a);
    updateScreenSize();
    return m_frameIndex;
}

TGIFFrame &TGIFImage::Frames(int index)
{
    return *m_frames.at(std::size_t(index));
}

const TGIFFrame &TGIFImage::Frames(int index) const
{
    return *m_frames.at(std::size_t(index));
}

void TGIFImage::updateScreenSize()
{
    m_screenWidth = 0;
    m_screenHeight = 0;
    for (const auto &frame : m_frames) {
        const int w = frame->m_item ? frame->m_item->width : frame->m_bitmap.width();
        const int h = frame->m_item ? frame->m_item->height : frame->m_bitmap.height();
        m_screenWidth = std::max(m_screenWidth, frame->m_left + w);
        m_screenHeight = std::max(m_screenHeight, frame->m_top + h);
    }
}

// ---- TGIFImage: preparing frames ----------------------------------------------------------

void TGIFImage::encodeFrame(TGIFFrame &frame)
{
    if (frame.m_bitmap.isNull() || frame.m_bitmap.width() <= 0 || frame.m_bitmap.height() <= 0)
        throw EInvalidGraphicOperation(gif::kNoDataText);

    gif::IndexedPixels pixels;
    auto item = std::make_shared<TGIFItem>();
    indexFrame(frame.m_bitmap, pixels, item->colorTable);
    item->bitsPerPixel = bitsForCount(int(item->colorTable.size()));
    item->width = pixels.width;
    item->height = pixels.height;
    gif::GifLzwEncoder::encode(pixels, frame.m_interlaced, item->lzwData);

    if (m_globalTable.empty()) {
        m_globalTable = item->colorTable;
        m_globalBitsPerPixel = item->bitsPerPixel;
        frame.m_localTable = false;
    } else {
        frame.m_localTable = true;
    }
    frame.m_item = std::move(item);
}

void TGIFImage::setUpGraphicControl(TGIFFrame &frame)
{
    auto isControl = [](const TExtension &e) { return e.kind == TExtensionKind::GraphicControl; };
    auto it = std::find_if(frame.m_extensions.begin(), frame.m_extensions.end(), isControl);
    if (it == frame.m_extensions.end()
        && (frame.m_frameDelay != 0 || frame.m_transparentColor || frame.m_disposal != 0)) {
        TExtension control;
        control.kind = TExtensionKind::GraphicControl;
        control.fixedPart = QByteArray("\x04\x00\x00\x00\x00\x00", 6);
        frame.m_extensions.prepend(control);
        it = frame.m_extensions.begin();
    }
    if (it != frame.m_extensions.end()) {
        QByteArray &fixed = it->fixedPart;
        if (fixed.size() < 6)
            fixed = QByteArray("\x04\x00\x00\x00\x00\x00", 6);
        fixed[0] = char(kGraphicControlSize);
        const int delay = frame.m_frameDelay / 10; // hundredths of a second
        fixed[2] = char(delay & 0xFF);
        fixed[3] = char((delay >> 8) & 0xFF);
        std::uint8_t packed = std::uint8_t(fixed[1])
                              & std::uint8_t(~(kTransparentFlag | kDisposalMask));
        const int index = frame.m_transparentColor
                              ? tableIndexOf(frame.m_item->colorTable, *frame.m_transparentColor)
                              : -1;
        if (index >= 0) {
            fixed[4] = char(index);
            packed |= kTransparentFlag;
        }
        packed |= std::uint8_t((frame.m_disposal & 7) << 2);
        fixed[1] = char(packed);
        fixed[5] = char(gif::kBlockTerminator);
    }

    frame.m_extensions.removeIf([](const TExtension &e) {
        return e.kind == TExtensionKind::Comment && e.data.isEmpty();
    });
    if (!frame.m_extensions.isEmpty())
        raiseVersion(Version::Gif89a);
}

void TGIFImage::prepareFrames()
{
    if (m_frames.empty())
        throw EInvalidGraphicOperation(gif::kNoDataText);
    for (auto &frame : m_frames) {
        if (!frame->m_item)
            encodeFrame(*frame);
        setUpGraphicControl(*frame);
    }
    updateScreenSize();
    if (!m_comment.isEmpty())
        raiseVersion(Version::Gif89a);
}

// ---- TGIFImage: writing -------------------------------------------------------------------

void TGIFImage::writeScreenDescriptor(QByteArray &out) const
{
    putWord(out, m_screenWidth);
    putWord(out, m_screenHeight);
    std::uint8_t packed = 0;
    if (!m_globalTable.empty()) {
        const int count = int(m_globalTable.size());
        int position = 0; // 1 for 2 entries ... 8 for 256
        for (int c = 1; c <= 8; ++c)
            if (count == (1 << c))
                position = c;
        if (position == 0)
            throw EInvalidGraphicOperation(gif::kWrongColorCountText);
        packed = std::uint8_t(kTableFlag + (position - 1) * 16 + (m_globalBitsPerPixel - 1));
    }
    out.append(char(packed));
    int background = 0;
    if (m_backgroundColor)
        background = std::max(0, tableIndexOf(m_globalTable, *m_backgroundColor));
    out.append(char(background));
    out.append(char(m_aspectRatio));
    writeTable(out, m_globalTable, int(m_globalTable.size()));
}

void TGIFImage::writeLoopingExtension(QByteArray &out) const
{
    out.append(char(gif::kExtensionIntroducer));
    out.append(char(TExtension::label(TExtensionKind::Application)));
    out.append(char(11));
    out.append(kLoopingIdentifier, 11);
    out.append(char(3));
    out.append(char(1));
    putWord(out, m_repeatCount);
    out.append(char(gif::kBlockTerminator));
}

void TGIFImage::writeFrame(QByteArray &out, const TGIFFrame &frame) const
{
    for (const TExtension &extension : frame.m_extensions) {
        out.append(char(gif::kExtensionIntroducer));
        out.append(char(TExtension::label(extension.kind)));
        out.append(extension.fixedPart);
        if (extension.kind != TExtensionKind::GraphicControl) {
            writeDataBlocks(out, extension.data);
            out.append(char(gif::kBlockTerminator));
        }
    }
    const TGIFItem &item = *frame.m_item;
    out.append(char(gif::kImageSeparator));
    putWord(out, frame.m_left);
    putWord(out, frame.m_top);
    putWord(out, item.width);
    putWord(out, item.height);
    std::uint8_t packed = 0;
    if (frame.m_localTable)
        packed = std::uint8_t(kTableFlag + item.bitsPerPixel - 1);
    if (frame.m_interlaced)
        packed |= kInterlaceFlag;
    out.append(char(packed));
    if (frame.m_localTable)
        writeTable(out, item.colorTable, 1 << item.bitsPerPixel);
    out.append(item.lzwData);
}

void TGIFImage::writeCommentExtension(QByteArray &out) const
{
    out.append(char(gif::kExtensionIntroducer));
    out.append(char(TExtension::label(TExtensionKind::Comment)));
    QList<QByteArray> lines;
    for (const QString &line : m_comment)
        lines.append(text::encode(line));
    writeDataBlocks(out, lines);
    out.append(char(gif::kBlockTerminator));
}

QByteArray TGIFImage::saveToBytes()
{
    prepareFrames();

    QByteArray out;
    out.append("GIF", 3);
    switch (m_version) {
    case Version::None:
        out.append(3, '\0');
        break;
    case Version::Gif87a:
        out.append("87a", 3);
        break;
    case Version::Gif89a:
        out.append("89a", 3);
        break;
    }
    writeScreenDescriptor(out);
    if (m_looping && m_frames.size() > 1)
        writeLoopingExtension(out);
    for (const auto &frame : m_frames)
        writeFrame(out, *frame);
    if (!m_comment.isEmpty())
        writeCommentExtension(out);
    out.append(char(gif::kTrailer));
    return out;
}

void TGIFImage::SaveToStream(QIODevice &stream)
{
    const QByteArray bytes = saveToBytes();
    if (stream.write(bytes) != bytes.size())
        throw EWriteError(gif::kWriteErrorText);
}

void TGIFImage::SaveToFile(const QString &fileName)
{
    const QByteArray bytes = saveToBytes();
    // Replaces the target only when every byte is written and synced.
    files::SafeSaveFile file(fileName);
    if (!file.open())
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2")
                                .arg(fileName, file.errorString())
                                .toStdString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2")
                                .arg(fileName, file.errorString())
                                .toStdString());
}
