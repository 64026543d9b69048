#pragma once
// The default palette table (256 entries: ten low static colours, 213 colours of the
// 6x6x6 cube, 23 greys, ten high static colours), its 2- and 16-entry forms, and colour-to-index
// mapping as the drawing primitives do it: the lowest index of an exact match, else the nearest
// colour (smallest sum of squared differences, lowest index on ties).

#include "core/Colour.h"
#include "core/Dib.h"

#include <array>
#include <vector>

namespace tsl {

const std::array<RGBQUAD, 256>& DefaultPaletteTable();
// The default table for a colour count: 2 -> black, white; 16 -> entries 0-7 and 248-255;
// 256 (or any other count) -> the whole table.
std::vector<RGBQUAD> DefaultPalette(int colourCount);

int NearestPaletteIndex(const RGBQUAD* table, int count, COLORREF colour);
inline COLORREF ColourOf(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
inline RGBQUAD QuadOf(COLORREF c) {
    return {static_cast<std::uint8_t>(GetBValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
            static_cast<std::uint8_t>(GetRValue(c)), 0};
}

} // namespace tsl
