#pragma once
// Dr. Halo images (file-format code 108). A .CUT file holds only 8-bit indices (width, height,
// then per row a byte count and run-length packets ending in 0); the colours live in a
// separate palette file of the same name with the extension .PAL, which readers look for beside
// the image. WriteCut makes the image bytes and WriteHaloPalette the palette file's bytes;
// WriteCutFiles saves both to a path (the palette's extension follows the image's case: .cut
// gives .pal, .CUT gives .PAL). A .CUT without its palette shows in grey.
//
// Both accept 1-, 4- and 8-bit DIBs (indices written as bytes; the palette holds the DIB's table
// padded to 256 entries with black). Direct-colour DIBs are refused: the caller reduces them to
// 8 bits first. Rows are at most 32767 pixels.
//
// Palette file layout: "AH", version 0x0123, file size, type 'P', subtype 0, board and mode 0,
// highest index (255), highest red, green and blue (255), the 20-byte id "Dr. Halo", then
// red, green, blue as 16-bit words per colour in 512-byte blocks that no entry straddles.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool WriteCut(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);
bool WriteHaloPalette(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);
// Writes path and its palette file, each to a temporary name beside it renamed over the target,
// the palette first; on failure neither target is touched (or, when the second rename fails, only
// the palette was replaced).
bool WriteCutFiles(const std::string& path, const PackedDib& dib, std::string& error);

} // namespace tsl
