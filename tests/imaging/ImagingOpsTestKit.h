#pragma once
// Pictures for the colour-resolution and filter tests, and reading any device bitmap back as
// colours in picture order (through a packed DIB and the shared test kit's own pixel reader).

#include "core/Colour.h"
#include "core/Ddb.h"
#include "core/Palette.h"
#include "support/ImageTestKit.h"

#include <cstring>
#include <functional>
#include <vector>

namespace tsl::opstest {

// A 24- or 32-bit picture; colour(x, y) with y counted from the top.
inline CDdb Picture(int w, int h, const std::function<COLORREF(int, int)>& colour, int bpp = 24) {
    CDdb d = CDdb::Create(w, h, bpp);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = d.Row(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            std::uint8_t* p = row + x * (bpp / 8);
            p[0] = static_cast<std::uint8_t>(GetBValue(c));
            p[1] = static_cast<std::uint8_t>(GetGValue(c));
            p[2] = static_cast<std::uint8_t>(GetRValue(c));
        }
    }
    return d;
}

inline COLORREF Grey(int v) {
    return RGB(v, v, v);
}

// A smooth, colourful picture with some fine detail: many colours, no flat areas.
inline CDdb Photo(int w = 96, int h = 64, int bpp = 24) {
    return Picture(
        w, h,
        [w, h](int x, int y) {
            return RGB(x * 255 / (w - 1), y * 255 / (h - 1), (x * y / 3 + 7 * ((x ^ y) & 7)) & 255);
        },
        bpp);
}

// Every pixel as a colour reference, top row first.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> colours;
    COLORREF At(int x, int y) const {
        return colours[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    }
};

inline Pixels Read(const CDdb& d) {
    const int count = ColourCountForDepth(d.BitsPerPixel());
    std::vector<RGBQUAD> table = d.Palette();
    if (count > 0 && table.empty()) table = DefaultPalette(count);
    PackedDib dib = MakePackedDib(d.Width(), d.Height(), d.BitsPerPixel(), table);
    const auto view = ViewPackedDib(dib);
    Pixels out;
    if (!view || d.Bits().size() < view->imageSize) return out;
    std::memcpy(dib.data() + view->bitsOffset, d.Bits().data(), view->imageSize);
    const testkit::Bytes rgb = testkit::PixelsOf(dib, false);
    out.width = d.Width();
    out.height = d.Height();
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.colours.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return out;
}

// The palette indices of a 1-, 4- or 8-bit image, top row first.
inline std::vector<int> Indices(const CDdb& d) {
    std::vector<int> out;
    const int bpp = d.BitsPerPixel();
    for (int y = d.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = d.Row(y);
        for (int x = 0; x < d.Width(); ++x) {
            const int shift = 8 - bpp - (x * bpp) % 8;
            out.push_back((row[x * bpp / 8] >> shift) & ((1 << bpp) - 1));
        }
    }
    return out;
}

inline int Luma(COLORREF c) {
    return (299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c) + 500) / 1000;
}

} // namespace tsl::opstest
