#pragma once
// Packed device-independent bitmaps: one block holding the 40-byte info header, the colour
// table (blue, green, red, 0 per entry) and the bottom-up pixel rows padded to 4 bytes. The
// table has the header's colours-used entries when that is non-zero, else 2, 16 or 256 for 1, 4
// or 8 bits per pixel and none above.

#include "core/Dib.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tsl {

using PackedDib = std::vector<std::uint8_t>;

// A validated look into a packed DIB (uncompressed, 40-byte header or larger).
struct PackedDibView {
    BITMAPINFOHEADER header;
    int width = 0;
    int height = 0;        // rows, always positive
    bool topDown = false;  // the header's height was negative
    int bitsPerPixel = 0;
    int colourCount = 0;   // entries in the table
    const RGBQUAD* table = nullptr; // RGBQUAD is four bytes with alignment 1
    std::size_t stride = 0;
    std::size_t bitsOffset = 0; // from the start of the block
    std::size_t imageSize = 0;  // stride * height
};

// The number of table entries a header calls for.
int PackedDibColourCount(const BITMAPINFOHEADER& header);
// Checks the block: header size, depth, table and pixel rows all inside the block, size within
// the pixel limit. Nothing when anything does not fit.
std::optional<PackedDibView> ViewPackedDib(const PackedDib& dib);
// A new packed DIB of the size and depth, bottom-up, with the table given (its size decides
// colours-used; an indexed depth without one gets the default palette) and all pixels zero.
// Empty when the size is refused.
PackedDib MakePackedDib(int width, int height, int bitsPerPixel,
                        const std::vector<RGBQUAD>& table = {});

} // namespace tsl
