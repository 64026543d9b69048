#pragma once
// Files and pictures shared by the tests of the imaging back-end, present or missing.

#include "imaging/LBitmap.h"
#include "support/ImageTestKit.h"

namespace tsl::backendtest {

// A 2 x 2 uncompressed 24-bit TGA, which only GraphicsMagick reads in the imaging layer.
inline testkit::Bytes SmallTga() {
    return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20, // top-left origin
            0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
}

// A 40 x 30 picture of gradients, made at 24 bits and reduced to bpp when that is lower.
inline LBitmap Picture(int bpp = 24) {
    LBitmap b;
    b.Create(40, 30, 24);
    CDdb& d = b.GetHandle();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            std::uint8_t* p = d.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 6), p[1] = static_cast<std::uint8_t>(y * 8);
            p[2] = static_cast<std::uint8_t>((x + y) * 3);
        }
    if (bpp != 24) b.ColorRes(bpp, kColorResOptimizedExact);
    return b;
}

} // namespace tsl::backendtest
