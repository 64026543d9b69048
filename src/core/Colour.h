#pragma once
// Colour references: 32 bits with red in the low byte, then green, then blue (0x00bbggrr).
// A top byte of 0x02 asks for the nearest palette colour; -1 (0xFFFFFFFF) means "no colour"
// where a caller says so.

#include <cstdint>

namespace tsl {

using COLORREF = std::uint32_t;
inline constexpr COLORREF kNoColour = 0xFFFFFFFFu;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

} // namespace tsl
