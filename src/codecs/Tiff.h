#pragma once
// TIFF adapter over libtiff. The reader gives a bottom-up packed DIB: one-sample images
// (bilevel, grey, palette) of 1, 2, 4, 8 or 16 bits at 1, 4 or 8 bits with their colour table
// (2-bit ones widened to 4 bits, 16-bit grey rounded to 8 bits), anything else libtiff can
// render (RGB, tiled, YCbCr, CMYK, ...) at 24 bits. The writer stores 1-, 4- and 8-bit DIBs with
// a colour map, 16- and 24-bit ones as 8-bit RGB and 32-bit ones as RGB with alpha (as RGB
// when every fourth byte is zero), replacing the target through a temporary file.

#include "core/PackedDib.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tsl {

enum TiffStatus : int {
    kTiffDone = 0,
    kTiffWriteFailed = 99,      // the writer's starting status: the file was not written
    kTiffReadFailed = 100,      // the reader's starting status: not a TIFF libtiff can read
    kTiffTooLarge = 101,        // beyond the pixel limit, or memory ran out
    kTiffRefusedCompression = 102, // compression 32946
    kTiffCcittNeedsOneBit = 107,   // a CCITT compression asked for a deeper image
    kTiffBadDepth = 108,           // a DIB depth the writer does not store
};

// The writer's compression choices.
enum TiffCompression : int {
    kTiffNone = 0, kTiffLzw = 1, kTiffPackBits = 2, kTiffG3 = 3, kTiffG4 = 4, kTiffHuffman = 5,
};

inline constexpr const char* kTiffSoftware = "Vistagram32";

PackedDib ReadTiffMemory(std::span<const std::uint8_t> bytes, int& status);
PackedDib ReadTiff(const std::string& path, int& status);
// The size and the depth ReadTiff gives, from the file's first directory alone. False for a
// file the directory shows ReadTiff would refuse, or without a readable directory.
bool ReadTiffHeader(const std::string& path, int& width, int& height, int& bitsPerPixel);

std::vector<std::uint8_t> EncodeTiff(const PackedDib& dib, int compression, int& status);
bool WriteTiff(const std::string& path, const PackedDib& dib, int compression, int& status);

} // namespace tsl
