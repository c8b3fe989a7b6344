#pragma once
// Colour reduction of true-colour pictures to a 256-entry palette by colour frequency
// ("popularity"), as the GIF writer does it for every frame that is not already indexed.

#include "export/GifLzw.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace gif {

struct GifRgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const GifRgb &, const GifRgb &) = default;
};

constexpr int kPaletteSize = 256;
constexpr int kMaxDistinctColors = 2049; // colour table entries per pass
constexpr int kColorHashSlots = 5191;
constexpr GifRgb kPaletteFill{0x80, 0x80, 0x80};

// The outcome of a reduction: the indexed pixels (depth 8), the palette, and the channel masks
// of the pass that succeeded with the number of passes it took (for diagnostics and tests).
struct ReducedImage {
    IndexedPixels pixels;
    std::array<GifRgb, kPaletteSize> palette{};
    std::uint8_t maskR = 0xFF;
    std::uint8_t maskG = 0xFF;
    std::uint8_t maskB = 0xFF;
    int passes = 0;
};

// Counts the masked colours of the picture, bottom row first and left to right; when more than
// 2049 differ, narrows one channel mask by a bit and counts again. The 256 most frequent colours
// (first seen wins a tie) make the palette, padded with grey; every other colour takes the nearest
// palette entry (lower index wins a tie). The picture is read as 24-bit RGB; alpha is ignored.
ReducedImage popularityReduction(const QImage &picture);

// The next masks after a pass with too many colours: green when red is narrower, else red when
// it is wider than blue, else blue.
void narrowMasks(std::uint8_t &maskR, std::uint8_t &maskG, std::uint8_t &maskB);

} // namespace gif
