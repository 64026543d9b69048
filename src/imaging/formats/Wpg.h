#pragma once
// WordPerfect graphics, WPG 1.0 (file-format code 54), written from packed DIBs; GraphicsMagick
// reads WPG but cannot write it.
//
// The file: the 16-byte header (0xFF "WPC", data at 16, product 1, type 22, version 1.0), a
// Start record (image size in 1/1200 inch at the resolution below), a colour map record with
// the DIB's table (2, 16 or 256 entries, padded with black), one bitmap record of type 1 (width,
// height, depth, resolution, then run-length rows, top row first, each row packed to whole
// bytes), and the End record. Rows are coded on their own: 0x80|n v repeats v n times, n
// followed by n bytes copies them. The resolution is 96 dpi, raised for images wider than
// 5461 pixels so that the Start record's 16-bit size fits.
//
// 1-, 4- and 8-bit DIBs keep their depth; direct-colour DIBs are refused: WPG 1.0 bitmaps are
// palette images, the caller reduces them to 8 bits first. At most 65535 pixels a side.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool WriteWpg(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);

} // namespace tsl
