#pragma once
// BMP files and the conversions between packed DIBs and device bitmaps.
//
// A device bitmap (CDdb) made here is what the screen holds: 32 bits per pixel, blue, green,
// red and a zero byte, rows bottom-up. Making one accepts every layout a packed DIB may have:
// 12-byte core headers with 3-byte colour entries, 40-byte headers and their longer forms (52,
// 56, 108 and 124 bytes, and the 16- to 64-byte OS/2 2.x headers), uncompressed rows at 1, 4,
// 8, 16, 24 and 32 bits, BI_RLE8 and BI_RLE4 runs, BI_BITFIELDS masks at 16 and 32 bits, and
// top-down rows. Anything else is refused.
//
// The helpers record why they failed in one process-wide last-error code.

#include "core/Ddb.h"
#include "core/PackedDib.h"

#include <string>
#include <vector>

namespace tsl {

enum BmpError : int {
    kBmpNoError = 0,
    kBmpReadError = 2,      // the file could not be opened or read
    kBmpNotBmp = 3,         // the file does not start with "BM"
    kBmpOutOfMemory = 6,    // no memory for the block
    kBmpNoPalette = 7,      // the colour table could not be made into a palette
    kBmpNoDeviceBitmap = 9, // the packed DIB could not be made into a device bitmap
};

int BmpLastError();
void SetBmpLastError(int code);

// The colour table of a packed DIB of any layout as palette entries (reserved bytes zero).
// Empty when the DIB has no table; empty with last error 7 when the block is not a DIB.
std::vector<RGBQUAD> MakePalette(const PackedDib& dib);

// Decodes a packed DIB of any layout above into a 32-bit device bitmap. Pixels the runs of a
// BI_RLE image skip take colour-table entry 0. Null, with last error 9, when the layout is not
// one of those, the size is beyond the pixel limit, or the block is too short for its pixels.
CDdb MakeDeviceBitmap(const PackedDib& dib);

// A packed DIB of a device bitmap at its depth rounded up to 1, 4, 8, 16 or 24 bits (32-bit
// bitmaps give 24). Indexed results take the palette given, else the bitmap's own, else the
// default palette; 16 bits are 5-5-5. Empty on failure.
PackedDib MakePackedBitmap(const CDdb& bitmap, const std::vector<RGBQUAD>& palette);

// The size and depth a packed DIB of any layout above declares; false when it is not one.
bool DibDimensions(const PackedDib& dib, int& width, int& height, int& bitsPerPixel);

// A packed DIB of any layout above as a plain one: 40-byte header, bottom-up rows, no
// compression. Indexed images keep their depth and table, others become 24-bit (or stay 16-,
// 24- or 32-bit when already plain). Empty when the layout is refused.
PackedDib UnpackDib(const PackedDib& dib);

// Reads a BMP file into a packed DIB: the file after its 14-byte header. When the header's
// pixel offset lies past the colour table, the bytes between are dropped so that the rows
// follow the table as in any packed DIB. Empty on failure, with last error 2, 3 or 6.
PackedDib ReadBmpFile(const std::string& path);
PackedDib ReadBmpMemory(const std::vector<std::uint8_t>& file);

// Writes a packed DIB as a BMP file: "BM", file size, two zero words, pixel offset, then the
// block. Written beside the target and renamed over it. False when the block is not a valid
// DIB or the file cannot be written.
bool WriteBmpFile(const std::string& path, const PackedDib& dib);

} // namespace tsl
