#pragma once
// The program's own TGA reader. It takes colour-mapped (types 1 and 9) and grey (3 and 11)
// images of 8-bit pixels, and true-colour images (2 and 10) of 15-, 16-, 24- or 32-bit pixels,
// plain or run-length encoded, with any of the four origins (the top and right-to-left bits).
// 8-bit pixels give an 8-bit bottom-up packed DIB whose table is the file's colour map (entries
// 0-255 of it; indices it does not cover are black) or a grey ramp; other pixels give a 24-bit
// one. Alpha and attribute bits are dropped. Run-length packets may cross rows; one that goes
// past the last pixel is cut there.

#include "core/PackedDib.h"

#include <cstdint>
#include <span>
#include <string>

namespace tsl {

// The reader's status. Each call first sets kTgaBadHeader.
enum TgaStatus : int {
    kTgaOutOfMemory = 104,  // the image is beyond the pixel limit, or memory ran out
    kTgaReadError = 105,    // the pixel data is cut short
    kTgaBadColourMap = 106, // a colour-mapped image without a usable colour map
    kTgaDone = 107,         // the image was read
    kTgaBadHeader = 108,    // a type, depth or size the reader does not take
    kTgaOpenFailed = 109,   // the file could not be opened
};

inline constexpr std::size_t kTgaHeaderSize = 18;

// Reads a TGA file; empty on failure, with the reason in status. Sizes are checked against the
// pixel limit and the data present before the image is allocated.
PackedDib ReadTga(const std::string& path, int& status);
PackedDib ReadTgaMemory(std::span<const std::uint8_t> bytes, int& status);

} // namespace tsl
