#pragma once
// The program's own PCX codec. The reader takes run-length encoded files of 1 bit (one plane),
// 4 bits (four 1-bit planes, or one plane of packed 4-bit pixels), 8 bits (one plane, palette
// in a block marked by the byte 12 at the end of the file) and 24 bits (three 8-bit planes, red,
// green, blue) and gives a bottom-up packed DIB with its palette. The writer stores device
// bitmaps at 1, 4, 8 or 24 bits, writing beside the target and renaming over it.
//
// Palettes the file does not carry: 1-bit images of version 3 or 4, or whose two header entries
// are equal, get black and white; 4-bit images of version 3 or 4 get the sixteen standard EGA
// colours instead of the header palette; 8-bit images without the marked block get a grey ramp.

#include "core/Ddb.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <vector>

namespace tsl {

struct PcxImage {
    PackedDib dib;                // empty when the input was refused
    std::vector<RGBQUAD> palette; // the colour table's entries; none for 24-bit images
    bool IsNull() const { return dib.empty(); }
};

inline constexpr std::size_t kPcxHeaderSize = 128;

// Decodes a whole PCX file held in memory. Refuses, before allocating the image, headers of
// another kind, plane and depth combinations other than those above, bytes per line too few
// for the width, images beyond the pixel limit and data too short to hold the image; a file
// whose data ends before the last row is refused too.
PcxImage ReadPcxMemory(std::span<const std::uint8_t> bytes);
// Reads a PCX file from a stream positioned at its header (a file or a program resource),
// decoding as it reads (a stream that cannot tell its length is read first). Neither reader
// looks further than an image of the header's size can need: the header, every byte encoded
// in two and the palette block.
PcxImage ReadPcx(std::istream& in);
PcxImage ReadPcxFile(const std::string& path);

// Encodes a packed DIB as a PCX file: 1-, 4- and 8-bit DIBs at their depth, 16-, 24- and
// 32-bit ones at 24 bits. The palette, when not empty, replaces the DIB's colour table. The
// screen size goes into the header's resolution and screen fields. Empty when the DIB cannot
// be stored (another depth, a side above 65,536 pixels).
std::vector<std::uint8_t> EncodePcx(const PackedDib& dib, const std::vector<RGBQUAD>& palette,
                                    int screenWidth, int screenHeight);

// Writes a device bitmap at its depth rounded to 1, 4, 8 or 24 bits as above; the palette, when
// not empty, is used instead of the bitmap's own. Writes a temporary file beside the target and
// renames it over the target: false when the bitmap cannot be stored or the file cannot be
// written, and then any old file is left untouched.
bool WritePcx(const std::string& path, const CDdb& bitmap, const std::vector<RGBQUAD>& palette,
              int screenWidth, int screenHeight);

} // namespace tsl
