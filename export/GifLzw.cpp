#include "export/GifLzw.h"

#include "export/GifError.h"

#include <algorithm>

namespace gif {

// ---- sub-blocks ---------------------------------------------------------------------------

GifSubBlockWriter::GifSubBlockWriter(QByteArray &out, int blockSize)
    : m_out(out), m_blockSize(std::clamp(blockSize, 1, kSubBlockSize))
{
}

void GifSubBlockWriter::put(std::uint8_t byte)
{
    m_block[std::size_t(m_fill++)] = byte;
    if (m_fill == m_blockSize)
        flushBlock();
}

void GifSubBlockWriter::flushBlock()
{
    m_out.append(char(m_fill));
    m_out.append(reinterpret_cast<const char *>(m_block.data()), m_fill);
    m_fill = 0;
}

void GifSubBlockWriter::finish()
{
    if (m_fill > 0)
        flushBlock();
    m_out.append(char(kBlockTerminator));
}

// ---- code packing -------------------------------------------------------------------------

void GifCodePacker::put(int code, int width)
{
    m_bits |= std::uint32_t(code) << m_count;
    m_count += width;
    while (m_count >= 8) {
        m_blocks.put(std::uint8_t(m_bits & 0xFF));
        m_bits >>= 8;
        m_count -= 8;
    }
}

void GifCodePacker::flush()
{
    if (m_count > 0)
        m_blocks.put(std::uint8_t(m_bits & 0xFF));
    m_bits = 0;
    m_count = 0;
}

// ---- LZW ----------------------------------------------------------------------------------

std::vector<int> gifRowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(std::size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    // The four passes: every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    return rows;
}

GifLzwEncoder::GifLzwEncoder(int minCodeSize, GifCodePacker &packer)
    : m_packer(packer), m_minCodeSize(minCodeSize), m_clearCode(1 << minCodeSize),
      m_endCode((1 << minCodeSize) + 1), m_index(kLzwHashSlots, kEmptySlot)
{
    m_pool.reserve(kMaxCodes);
    resetTable();
}

void GifLzwEncoder::resetTable()
{
    m_pool.clear();
    std::fill(m_index.begin(), m_index.end(), kEmptySlot);
    m_width = m_minCodeSize + 1;
    m_nextCode = m_clearCode + 2;
    m_haveString = false;
}

// The home slot of the string (prefix, suffix): a multiplicative hash of the pair. A hash built
// along the string's pixels with factors (p + length + 4) modulo 17777 (= 29 x 613) sends every
// long run of one colour to slot 0, and a blank page then spends most of its time probing there;
// hashing the pair spreads them. The index only finds strings, so the codes are the same.
int GifLzwEncoder::slotOf(int prefix, std::uint8_t suffix)
{
    const std::uint32_t key = std::uint32_t(prefix) << 8 | suffix;
    return int(((key * 2654435761u) >> 8) % kLzwHashSlots);
}

int GifLzwEncoder::findSlot(int prefix, std::uint8_t suffix, int hash) const
{
    int slot = hash;
    while (m_index[std::size_t(slot)] != kEmptySlot) {
        const Entry &e = m_pool[m_index[std::size_t(slot)]];
        if (e.prefix == prefix && e.suffix == suffix)
            return slot;
        slot = slot + 1 == kLzwHashSlots ? 0 : slot + 1;
    }
    return slot;
}

void GifLzwEncoder::pixel(std::uint8_t p)
{
    if (!m_haveString) {
        m_current = p;
        m_haveString = true;
        return;
    }
    const int slot = findSlot(m_current, p, slotOf(m_current, p));
    if (m_index[std::size_t(slot)] != kEmptySlot) {
        m_current = m_pool[m_index[std::size_t(slot)]].code;
        return;
    }

    putCode(m_current);
    const int added = m_nextCode++;
    m_index[std::size_t(slot)] = std::uint16_t(m_pool.size());
    m_pool.push_back({std::uint16_t(m_current), std::uint16_t(added), p});

    if (added >= (1 << m_width)) {
        ++m_width;
    } else if (added >= kResetCode) {
        // Table full: the pixel goes out on its own, then a clear code and a fresh table.
        putCode(p);
        putCode(m_clearCode);
        resetTable();
        return;
    }
    m_current = p;
}

void GifLzwEncoder::finish()
{
    if (m_haveString)
        putCode(m_current);
    putCode(m_endCode);
}

void GifLzwEncoder::encode(const IndexedPixels &image, bool interlaced, QByteArray &out,
                           int subBlockSize)
{
    if (image.depth != 1 && image.depth != 4 && image.depth != 8)
        throw EInvalidGraphicOperation(kEncodingErrorText);
    if (image.width <= 0 || image.height <= 0
        || image.pixels.size() < std::size_t(image.width) * std::size_t(image.height))
        throw EInvalidGraphicOperation(kNoDataText);

    // GIF needs at least two bits of minimum code size, so 1-bit pictures are coded with 2.
    const int minCodeSize = image.depth == 1 ? 2 : image.depth;
    const std::uint8_t mask = std::uint8_t((1 << image.depth) - 1);
    out.append(char(minCodeSize));

    GifSubBlockWriter blocks(out, subBlockSize);
    GifCodePacker packer(blocks);
    GifLzwEncoder lzw(minCodeSize, packer);
    lzw.putCode(lzw.m_clearCode);
    for (int y : gifRowOrder(image.height, interlaced)) {
        const std::uint8_t *row = image.pixels.data() + std::size_t(y) * std::size_t(image.width);
        for (int x = 0; x < image.width; ++x)
            lzw.pixel(row[x] & mask);
    }
    lzw.finish();
    packer.flush();
    blocks.finish();
}

} // namespace gif
