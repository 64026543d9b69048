#pragma once
// Pieces shared by the colour-resolution and filter code of the imaging layer (not a public
// interface): layout checks, reading rows as colours, writing indices, the nearest-colour map
// and the adaptive palette.

#include "core/Ddb.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace tsl::detail {

constexpr bool IsSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24 || bitsPerPixel == 32;
}

// 0 (kSuccess's caller goes on) when the image's size, depth, stride and bytes agree, else the
// status to return: kErrorNoBitmap or kErrorInvalidBitsPerPixel.
int CheckImage(const CDdb& image);

// Expands 5-bit levels to 8 bits by repeating the top bits; Level5 gives the nearest 5-bit level.
inline int Expand5(int level) {
    return (level << 3) | (level >> 2);
}
int Level5(int value);

// Decodes the row (storage order) into B, G, R bytes, three per pixel. palette is the table the
// indexed depths read through (EffectivePalette); indices past it read as black.
void ReadRowBgr(const CDdb& image, int row, const std::vector<RGBQUAD>& palette, std::uint8_t* bgr);

// Runs f(from, to) over row ranges covering 0..rows, on up to four threads when the picture
// (`pixels`) is large enough to gain from them.
inline void ForRows(int rows, long long pixels, const std::function<void(int, int)>& f) {
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const int parts = pixels < (1 << 20) ? 1 : static_cast<int>(std::min<long long>(cores, rows));
    std::vector<std::thread> helpers;
    for (int i = 1; i < parts; ++i)
        helpers.emplace_back(f, static_cast<int>(static_cast<long long>(rows) * i / parts),
                             static_cast<int>(static_cast<long long>(rows) * (i + 1) / parts));
    f(0, static_cast<int>(static_cast<long long>(rows) / parts));
    for (std::thread& t : helpers) t.join();
}

// Sets pixel x of a zero-initialised 1-, 4- or 8-bit row to index.
inline void PutIndex(std::uint8_t* row, int x, int bitsPerPixel, int index) {
    if (bitsPerPixel == 8)
        row[x] = static_cast<std::uint8_t>(index);
    else if (bitsPerPixel == 4)
        row[x >> 1] |= static_cast<std::uint8_t>(index << ((x & 1) ? 0 : 4));
    else
        row[x >> 3] |= static_cast<std::uint8_t>((index & 1) << (7 - (x & 7)));
}

// Nearest palette entry for a colour (least sum of squared differences, lowest index on ties),
// through a lazily filled 32x32x32 grid: each cell keeps the entries that can be nearest to some
// colour inside it, usually one to four, so a look-up compares only those.
class CNearestColourMap {
public:
    explicit CNearestColourMap(std::vector<RGBQUAD> palette);
    int Nearest(int r, int g, int b);
    const RGBQUAD& Entry(int index) const { return m_palette[static_cast<std::size_t>(index)]; }
    int Size() const { return static_cast<int>(m_palette.size()); }

private:
    struct Cell {
        std::int32_t start = -1;
        std::int32_t count = 0;
    };
    const Cell& Build(std::size_t cellIndex, int r, int g, int b);

    std::vector<RGBQUAD> m_palette;
    std::array<std::vector<int>, 3> m_channels; // red, green, blue of each entry
    std::vector<Cell> m_cells;
    std::vector<std::uint8_t> m_candidates;
};

// The image's distinct colours in ascending 0xRRGGBB order, or nothing when there are more than
// limit of them.
std::optional<std::vector<RGBQUAD>> DistinctColours(const CDdb& image, int limit);
// An adaptive palette of at most colours entries: the picture's 5-5-5 histogram is split into
// boxes, always the box of greatest squared error at the cut that lowers it most; each box gives
// the mean of the exact colours that fell into it.
std::vector<RGBQUAD> MedianCutPalette(const CDdb& image, int colours);

} // namespace tsl::detail
