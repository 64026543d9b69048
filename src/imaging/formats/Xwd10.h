#pragma once
// X10 window dumps (file-format code 132; version 11 dumps are GraphicsMagick's).
//
// Layout: a 40-byte header of seven 32-bit fields (header size, version 6, display type,
// planes, pixmap format, width, height) and six 16-bit window fields (width, height, x, y,
// border, colour count), the window name up to the header size, the colour map (per entry a
// 32-bit pixel value and 16-bit red, green, blue, padded to 12 bytes; entry i is colour i), then
// the pixels. Either byte order is read (the version field decides); we write big-endian.
// One plane: a bitmap in 16-bit big-endian units, leftmost pixel in the unit's lowest bit,
// rows padded to 16 pixels, 1 = white. Two to eight planes (Z format): a byte per pixel, rows
// padded to an even length; without a colour map the values are grey levels.
//
// Reading gives 1-bit (black, white) or 8-bit DIBs. Writing: 1-bit DIBs whose table is black
// and white (in either order) as one plane; other 1-, 4- and 8-bit DIBs as 8 planes with a
// 256-entry colour map. Direct-colour DIBs are refused (X10 dumps hold at most 8 planes): the
// caller reduces them first. At most 32767 pixels a side (16-bit window fields).

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadXwd10(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

bool WriteXwd10(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);

} // namespace tsl
