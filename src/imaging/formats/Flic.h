#pragma once
// Autodesk animations, FLI and FLC (file-format code 134): the first frame only.
//
// Reading: finds the first frame (FLC's frame-1 offset when it is valid, else the chunks after
// the 128-byte header, skipping prefix chunks), starts from a black frame and a black palette,
// and applies its COLOR_256, COLOR_64, BLACK, BYTE_RUN, FLI_COPY, DELTA_FLI (line coded) and
// DELTA_FLC (word coded) chunks in file order; other chunks (postage stamps) are skipped.
// COLOR_64 values (0-63) become v << 2, the VGA DAC's steps (63 gives 252), as other FLI
// readers show them.
// The result is an 8-bit DIB with the 256-entry palette.
//
// Writing: one FLC frame (COLOR_256 and BYTE_RUN chunks) followed by the ring frame that loops
// back to it, from a 1-, 4- or 8-bit DIB (its table padded to 256 entries with black).
// Direct-colour DIBs are refused: the caller reduces them to 8 bits first.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadFlic(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

bool WriteFlic(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);

} // namespace tsl
