#pragma once
// Pixel work of the image commands on the screen's 32-bit device bitmaps (B, G, R, X), in
// picture coordinates (y down). Rectangles are clipped to the bitmap; colours compare and are
// written as red, green and blue only (a palette-relative flag is dropped).

#include "core/Colour.h"
#include "core/Ddb.h"
#include "core/Geometry.h"

#include <cstdint>
#include <optional>

namespace tsl {

// Picture row y (from the top) of a 32-bit bitmap, as pixels.
inline std::uint32_t* PictureLine(CDdb& d, int y) {
    return reinterpret_cast<std::uint32_t*>(d.Row(d.Height() - 1 - y));
}
inline const std::uint32_t* PictureLine(const CDdb& d, int y) {
    return reinterpret_cast<const std::uint32_t*>(d.Row(d.Height() - 1 - y));
}

// A colour as the 32-bit pixel value (B, G, R, 0 in memory).
inline std::uint32_t PixelOf(COLORREF c) {
    return static_cast<std::uint32_t>(GetBValue(c)) | static_cast<std::uint32_t>(GetGValue(c)) << 8 |
           static_cast<std::uint32_t>(GetRValue(c)) << 16;
}

// The part of a bitmap inside r (clipped), at 32 bits; empty when nothing is left.
CDdb CopyPart(const CDdb& whole, const CRect& r);
// Copies part into whole with its top-left corner at `at`, cut at whole's edges; with a key,
// the part's pixels of that colour leave whole unchanged.
void PastePart(CDdb& whole, const CDdb& part, CPoint at, std::optional<COLORREF> key = {});
void FillPart(CDdb& whole, const CRect& r, COLORREF colour);
// Inside r, every pixel of colour `from` becomes `to`; returns how many changed.
long long ReplaceColourIn(CDdb& whole, const CRect& r, COLORREF from, COLORREF to);
// Where the old picture goes on a new canvas: with centre, (new - old) / 2 on each axis where
// the old side is smaller, else 0 (integer division).
CPoint CanvasOrigin(CSize oldSize, CSize newSize, bool centre);
// A canvas of the new size filled with back, the old picture copied at CanvasOrigin (what lies
// outside is cut off); empty when the size is beyond the pixel limit.
CDdb ChangeCanvas(const CDdb& old, int width, int height, COLORREF back, bool centre);

} // namespace tsl
