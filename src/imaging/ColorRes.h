#pragma once
// Colour resolution changes on device bitmaps: reduction to 1, 4 or 8 bits with a chosen
// palette kind and dithering, to 16 bits (5-5-5), expansion to 24 or 32 bits (B, G, R, 0), and
// grey scale. The image is replaced only on success; on failure it is left as it was.
//
// Pixels are read as colours: 1, 4 and 8 bits through the image's palette (the default palette
// of that size when it has none; indices past the palette read as black), 16 bits as 5-5-5
// expanded by repeating the top bits, 32 bits ignore the fourth byte. Reduction to 16 bits and
// to palettes picks the nearest colour (5-5-5 levels by rounding; palette entries by the least
// sum of squared differences, lowest index on ties).

#include "core/Ddb.h"
#include "imaging/ImagingFlags.h"

#include <vector>

namespace tsl {

// Converts image to exactly bitsPerPixel (1, 4, 8, 16, 24 or 32) using flags from
// ImagingFlags.h (palette kind in the low word, dithering in the high word; see there). At 1, 4
// and 8 bits the palette is recomputed even when the depth stays; 16, 24 and 32 bits carry no
// palette, and asking for the depth a 16-, 24- or 32-bit image already has changes nothing.
// Returns kSuccess, kErrorInvalidBitsPerPixel for another depth or an image of an unknown
// depth, kErrorNoBitmap for an empty image, kErrorInvalidParameter for an unknown dithering
// kind, kErrorNoMemory when the result cannot be allocated.
int ColorRes(CDdb& image, int bitsPerPixel, unsigned flags);

// Reduces image to bitsPerPixel (1, 4 or 8) with the given palette (1 to 2^bits entries) and
// the dithering kind of flags (the palette-kind bits are ignored). Returns as ColorRes, and
// kErrorInvalidParameter for an empty or oversized palette.
int ColorResToPalette(CDdb& image, int bitsPerPixel, const std::vector<RGBQUAD>& palette,
                      unsigned flags);

// Converts image to grey. The grey level is the luminance (299 R + 587 G + 114 B) / 1000,
// rounded. At 1, 4 and 8 bits the palette is an even ramp of 2, 16 or 256 greys from black to
// white and each pixel takes the nearest level; 16 bits give 5-5-5 greys (32 levels); 24 and 32
// bits keep every level. Grey depths beyond 8 bits per sample (12, 16 bits of grey) cannot be
// held by a device bitmap: any depth other than 1, 4, 8, 16, 24, 32 returns
// kErrorInvalidBitsPerPixel.
int GrayScale(CDdb& image, int bitsPerPixel);

// The 216 colours of the web cube, red fastest.
std::vector<RGBQUAD> NetscapePalette();
// The colours a 1-, 4- or 8-bit image's pixels are read with (see above); empty at other depths.
std::vector<RGBQUAD> EffectivePalette(const CDdb& image);

} // namespace tsl
