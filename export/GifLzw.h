#pragma once
// The lower layers of the GIF writer: a byte sink, the 255-byte sub-block packer, the
// least-significant-bit-first code packer and the GIF variant of LZW.
//
//   indexed pixels -> GifLzwEncoder (codes) -> GifCodePacker (bits) -> GifSubBlockWriter -> bytes

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

namespace gif {

// Named constants of the format and of this encoder's choices.
constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;  // 4096 codes fit in 12 bits
constexpr int kResetCode = 4094;              // the table is cleared once this code is added
constexpr int kLzwHashSlots = 17777;
constexpr int kSubBlockSize = 255;
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kBlockTerminator = 0x00;

// Frame pixels ready for compression: one colour-table index per byte, rows top to bottom,
// no padding. depth is the bits per pixel of the source (1, 4 or 8).
struct IndexedPixels {
    int width = 0;
    int height = 0;
    int depth = 8;
    std::vector<std::uint8_t> pixels;
};

// Writes data as GIF sub-blocks: each block is a length byte (1..255) and that many bytes.
// The block size can be lowered so tests reach the boundaries with little data.
class GifSubBlockWriter
{
public:
    explicit GifSubBlockWriter(QByteArray &out, int blockSize = kSubBlockSize);

    void put(std::uint8_t byte);
    // Writes what is left as a last, shorter block, then the block terminator.
    void finish();

private:
    void flushBlock();

    QByteArray &m_out;
    int m_blockSize;
    std::array<std::uint8_t, kSubBlockSize> m_block{};
    int m_fill = 0;
};

// Packs variable-width codes least significant bit first into bytes for the sub-block writer.
class GifCodePacker
{
public:
    explicit GifCodePacker(GifSubBlockWriter &blocks) : m_blocks(blocks) {}

    void put(int code, int width);
    // Rounds the remaining bits up to a whole byte.
    void flush();

private:
    GifSubBlockWriter &m_blocks;
    std::uint32_t m_bits = 0;
    int m_count = 0;
};

// All state of one LZW compression run: the string table (prefix code, suffix byte) with its
// open-addressing index, the code width and the next free code.
class GifLzwEncoder
{
public:
    // Appends the minimum code size byte, the compressed sub-blocks and the terminator to out.
    // Fails with "GIF image encoding error" when the depth is not 1, 4 or 8 bits, and with
    // "No GIF Data to write" when there are no pixels.
    static void encode(const IndexedPixels &image, bool interlaced, QByteArray &out,
                       int subBlockSize = kSubBlockSize);

private:
    explicit GifLzwEncoder(int minCodeSize, GifCodePacker &packer);

    void pixel(std::uint8_t p);
    void finish();
    void putCode(int code) { m_packer.put(code, m_width); }
    void resetTable();
    static int slotOf(int prefix, std::uint8_t suffix);
    // The slot holding (prefix, suffix), or the empty slot where it belongs.
    int findSlot(int prefix, std::uint8_t suffix, int hash) const;

    struct Entry {
        std::uint16_t prefix;
        std::uint16_t code;
        std::uint8_t suffix;
    };
    static constexpr std::uint16_t kEmptySlot = 0xFFFF;

    GifCodePacker &m_packer;
    const int m_minCodeSize;
    const int m_clearCode;
    const int m_endCode;
    int m_width = 0;
    int m_nextCode = 0;
    bool m_haveString = false;
    int m_current = 0; // code of the current string
    std::vector<Entry> m_pool;
    std::vector<std::uint16_t> m_index; // slot -> entry number in m_pool
};

// The order in which rows are written: top to bottom, or the four passes of interlacing.
std::vector<int> gifRowOrder(int height, bool interlaced);

} // namespace gif
