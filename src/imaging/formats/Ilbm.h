#pragma once
// IFF images (file-format code 111).
//
// Reading: the first FORM (also inside a CAT or LIST) of type ILBM (planar rows), PBM (chunky
// bytes, 8 planes) or ACBM (whole planes one after another), uncompressed or ByteRun1. 1 to 8
// planes give an indexed image (1, 4 or 8 bits) with the CMAP colours (a CMYK palette chunk is
// converted naively; no palette gives a grey ramp); the extra-half-brite viewport mode (CAMG
// 0x80) with 6 planes adds the 32 half-bright colours; hold-and-modify (CAMG 0x800, 5 to 8
// planes: two control bits over planes - 2 value bits) gives 24 bits, a modify value replacing
// the channel's high bits and keeping its low ones as the AGA hardware does. 24 planes give 24
// bits, 32 planes 32 bits with the fourth byte as alpha. The mask plane and the transparent colour
// are ignored (opaque result); per-line palette changes (PCHG, SHAM) are not applied. Refused:
// other FORM types (CD-i IMAG, Maya), planes counts other than 1-8, 24 and 32.
//
// Writing: 1-, 4- and 8-bit DIBs as 1, 4 or 8 planes with a CMAP of 2, 16 or 256 entries
// (the DIB's table padded with black); 16-, 24- and 32-bit DIBs as 24 planes (X byte dropped).
// ByteRun1 per plane row, or uncompressed.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadIlbm(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

bool WriteIlbm(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
               bool compress = true);

} // namespace tsl
