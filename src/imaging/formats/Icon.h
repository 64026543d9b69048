#pragma once
// Windows icons and cursors, ICO and CUR (file-format codes 91 and 92): one image per file.
//
// Reading: the first directory entry, stored as a DIB (an info header with twice the image's
// height, colour table, colour bits, then the 1-bit AND mask). The result is always 32 bits,
// B, G, R, A: 32-bit entries keep their alpha (the AND mask decides only when every alpha byte
// is zero); other depths are opaque where the mask bit is 0 and transparent where it is 1. Mask
// rows missing at the end of a short file count as opaque. PNG-compressed entries are refused
// ("PNG-compressed icon entry") so that the caller hands the file to GraphicsMagick, whose PNG
// path reads them well; its DIB path misreads cursors and several icons, which is why this
// reader exists.
//
// Writing: one image of at most 256 pixels a side. 1-, 4- and 8-bit DIBs keep their depth and
// colour table; 16- and 24-bit DIBs are written at 24 bits; 32-bit DIBs at 32 bits, with their
// alpha when any alpha byte is non-zero, else opaque. The AND mask marks pixels of alpha 0 and,
// when a transparent colour is given, pixels of that colour (whose colour bits are then set to
// black where the depth allows: 24 and 32 bits, or a table that holds black). A cursor's hot
// spot must lie inside the image.

#include "core/Colour.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadIcon(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

struct IconOptions {
    bool cursor = false; // CUR instead of ICO
    int hotX = 0;        // cursor hot spot, from the top-left corner
    int hotY = 0;
    COLORREF transparent = kNoColour;
};
bool WriteIcon(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
               const IconOptions& options = {});

} // namespace tsl
