#include "export/GifPalette.h"

#include <vector>

namespace gif {
namespace {

// One entry of the per-pass colour table.
struct ColorEntry {
    GifRgb color;
    std::uint32_t count = 0;
    std::uint8_t paletteIndex = 0;
};

constexpr std::uint16_t kEmptySlot = 0xFFFF;

// One counting pass under the given masks. Fills entries and, per pixel (rows top to bottom),
// the entry number. Returns false when the picture holds more than kMaxDistinctColors colours.
bool countColors(const QImage &image, const GifRgb &mask, std::vector<ColorEntry> &entries,
                 std::vector<std::uint16_t> &entryOfPixel)
{
    entries.clear();
    std::vector<std::uint16_t> hashIndex(kColorHashSlots, kEmptySlot);
    const int width = image.width();
    QRgb lastPixel = 0;
    int lastEntry = -1;

    // Storage order of a bottom-up bitmap: last row first, left to right in each row.
    for (int y = image.height() - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        std::uint16_t *rowEntries = entryOfPixel.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x] & 0x00FFFFFFu;
            if (lastEntry >= 0 && pixel == lastPixel) {
                ++entries[std::size_t(lastEntry)].count;
                rowEntries[x] = std::uint16_t(lastEntry);
                continue;
            }
            const GifRgb c{std::uint8_t(qRed(pixel) & mask.r), std::uint8_t(qGreen(pixel) & mask.g),
                           std::uint8_t(qBlue(pixel) & mask.b)};
            int slot = int((std::uint32_t(c.r + c.g) * std::uint32_t(c.g + c.b)
                            * std::uint32_t(c.b + c.r))
                           % kColorHashSlots);
            while (hashIndex[std::size_t(slot)] != kEmptySlot
                   && !(entries[hashIndex[std::size_t(slot)]].color == c))
                slot = slot + 1 == kColorHashSlots ? 0 : slot + 1;

            int entry = hashIndex[std::size_t(slot)];
            if (entry == kEmptySlot) {
                if (int(entries.size()) >= kMaxDistinctColors)
                    return false;
                entry = int(entries.size());
                entries.push_back({c, 0, 0});
                hashIndex[std::size_t(slot)] = std::uint16_t(entry);
            }
            ++entries[std::size_t(entry)].count;
            rowEntries[x] = std::uint16_t(entry);
            lastPixel = pixel;
            lastEntry = entry;
        }
    }
    return true;
}

int squaredDistance(const GifRgb &a, const GifRgb &b)
{
    const int dr = int(a.r) - int(b.r);
    const int dg = int(a.g) - int(b.g);
    const int db = int(a.b) - int(b.b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

void narrowMasks(std::uint8_t &maskR, std::uint8_t &maskG, std::uint8_t &maskB)
{
    if (maskR < maskG)
        maskG = std::uint8_t(maskG << 1);
    else if (maskR > maskB)
        maskR = std::uint8_t(maskR << 1);
    else
        maskB = std::uint8_t(maskB << 1);
}

ReducedImage popularityReduction(const QImage &picture)
{
    const QImage image = picture.format() == QImage::Format_RGB32
                                 || picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    ReducedImage result;
    const int width = image.width();
    const int height = image.height();
    result.pixels.width = width;
    result.pixels.height = height;
    result.pixels.depth = 8;

    std::vector<ColorEntry> entries;
    entries.reserve(kMaxDistinctColors);
    std::vector<std::uint16_t> entryOfPixel(std::size_t(width) * std::size_t(height));
    for (;;) {
        ++result.passes;
        if (countColors(image, {result.maskR, result.maskG, result.maskB}, entries, entryOfPixel))
            break;
        narrowMasks(result.maskR, result.maskG, result.maskB);
    }

    // The palette by count; strict comparison keeps the first-added entry on equal counts.
    result.palette.fill(kPaletteFill);
    const int chosen = std::min<int>(kPaletteSize, int(entries.size()));
    for (int i = 0; i < chosen; ++i) {
        std::size_t best = 0;
        std::uint32_t bestCount = 0;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (entries[e].count > bestCount) {
                bestCount = entries[e].count;
                best = e;
            }
        }
        entries[best].paletteIndex = std::uint8_t(i);
        entries[best].count = 0;
        result.palette[std::size_t(i)] = entries[best].color;
    }

    // Colours left out of the palette take the nearest entry; the lower index wins a tie.
    for (ColorEntry &entry : entries) {
        if (entry.count == 0)
            continue;
        int bestIndex = 0;
        int bestDistance = squaredDistance(entry.color, result.palette[0]);
        for (int i = 1; i < kPaletteSize && bestDistance > 0; ++i) {
            const int d = squaredDistance(entry.color, result.palette[std::size_t(i)]);
            if (d < bestDistance) {
                bestDistance = d;
                bestIndex = i;
            }
        }
        entry.paletteIndex = std::uint8_t(bestIndex);
    }

    result.pixels.pixels.resize(entryOfPixel.size());
    for (std::size_t i = 0; i < entryOfPixel.size(); ++i)
        result.pixels.pixels[i] = entries[entryOfPixel[i]].paletteIndex;
    return result;
}

} // namespace gif
