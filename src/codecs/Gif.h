#pragma once
// The program's own GIF codec, LZW included.
//
// The reader yields the first image of a GIF file (or the image found from a given offset) as a
// packed DIB of 1, 4 or 8 bits per pixel, the depth following the colour-table size, plus that
// image's frame information. It refuses, returning nothing, before allocating anything: a
// signature other than "GIF8", an image of zero width or height, more pixels than kPixelLimit
// (status kGifStatusOutOfMemory), more pixels than its compressed data could possibly hold, and
// an LZW minimum code size outside 2..8 (1..8 for 1-bit images). A bad LZW code ends decoding;
// the image keeps what was decoded and the rest stays index 0.
//
// The writer writes a packed DIB of 1, 4 or 8 bits per pixel and at most 65535 x 65535 pixels
// as a single-image GIF89a file that always carries a graphic control extension. The file is
// written beside the target and renamed over it, so a failed save leaves the old file intact.

#include "core/Ddb.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tsl {

// Reader status codes.
inline constexpr int kGifStatusOk = 200;          // no failure recorded
inline constexpr int kGifStatusCannotOpen = 201;  // the file could not be opened
inline constexpr int kGifStatusOutOfMemory = 202; // the image could not be allocated

// What the reader reports about the image it read.
struct GifFrameInfo {
    // Global colour-table entry at the screen's background index.
    std::uint8_t backgroundRed = 0;
    std::uint8_t backgroundGreen = 0;
    std::uint8_t backgroundBlue = 0;
    std::uint16_t left = 0; // image position on the logical screen
    std::uint16_t top = 0;
    int disposal = 0;        // 0..7, from the graphic control extension
    int transparent = 0;     // 1 when the transparent index is valid
    std::uint16_t delay = 0; // hundredths of a second
    std::uint8_t transparentIndex = 0;
};

// Reads a GIF file. A positive firstOffset (else a positive altOffset) is the file position at
// which the search for the image starts, after the screen descriptor and global table; callers
// pass 0 for both. Status: kGifStatusOk unless the file cannot be opened or memory runs out.
// When only the pixel buffer cannot be allocated the bitmap is returned blank with status 202.
std::optional<PackedDib> ReadGif(const std::string& path, std::int64_t firstOffset,
                                 std::int64_t altOffset, GifFrameInfo& info, int& status);
// The same on the bytes of a file in memory.
std::optional<PackedDib> ReadGifMemory(std::span<const std::uint8_t> data, std::int64_t firstOffset,
                                       std::int64_t altOffset, GifFrameInfo& info, int& status);

// ReadGif's first image straight into a bitmap of its depth with its table as palette, read
// through a small buffer (the file is never held whole); transparentIndex receives the marked
// transparent index or -1. Null for any failure: the caller then reads the file with ReadGif,
// which gives its status.
CDdb ReadGifBitmap(const std::string& path, int& transparentIndex);
// The size and depth of ReadGif's image from the screen and image descriptors: the blocks
// before the image are walked, the image data is not read. False for a file ReadGif refuses
// on what comes before the image data.
bool ReadGifHeader(const std::string& path, int& width, int& height, int& bitsPerPixel);

// The bytes WriteGif writes; empty when the bitmap is refused (depth other than 1, 4 or 8, a side
// above 65535, a transparent index outside -1..255, a block that is not a valid packed DIB).
std::vector<std::uint8_t> EncodeGif(const PackedDib& dib, bool globalTable, bool interlace,
                                    int transparentIndex);
// Writes a GIF file; transparentIndex -1 marks no colour transparent. Returns 1 on success, 0 on
// failure (nothing encodable, or the file could not be written and renamed into place).
int WriteGif(const std::string& path, const PackedDib& dib, bool globalTable, bool interlace,
             int transparentIndex);

// Where image row y of an interlaced image stands among the rows in the file: rows 0, 8, 16, ...
// come first, then rows 4, 12, ..., then 2, 6, 10, ..., then 1, 3, 5, ...
std::vector<std::uint32_t> GifInterlaceRowMap(std::uint32_t height);

} // namespace tsl
