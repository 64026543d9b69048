#pragma once
// OS/2 bitmaps (file-format codes 14 and 74), written from packed DIBs. GraphicsMagick writes
// only the 1.x form and reads both, so only writers live here.
//
// Version 1.x: 14-byte file header, 12-byte core header (16-bit width and height, so at most
// 65535 pixels a side), 3-byte colour entries. Version 2.x: 14-byte file header, 64-byte info
// header (the Windows fields, then units, recording and rendering fields all zero: pixels,
// bottom-up, no halftoning, RGB), 4-byte colour entries. Both store bottom-up rows padded to 4
// bytes, uncompressed. 1-, 4-, 8- and 24-bit DIBs keep their depth (indexed ones get a full
// table of 2, 16 or 256 entries, padded with black); 16- and 32-bit DIBs are written at 24 bits
// (OS/2 bitmaps have no such depths). Note: GraphicsMagick 1.3.40 and ImageMagick 6.9.11 read
// the table after a 64-byte header as 3-byte entries, so they show indexed 2.x files (these and
// anyone's) in wrong colours; direct-colour files are unaffected.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

enum class Os2BmpVersion { V1, V2 };
bool WriteOs2Bmp(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
                 Os2BmpVersion version = Os2BmpVersion::V2);

} // namespace tsl
