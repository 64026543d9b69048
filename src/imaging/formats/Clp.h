#pragma once
// Windows clipboard files, .CLP (file-format code 114): a directory of clipboard formats and
// their data. Only the device-independent bitmap entry (CF_DIB = 8, or CF_DIBV5 = 17) is read;
// other entries (metafiles, device bitmaps, text) are ignored. Both the Windows 3.x directory
// (id 0xC350, 89-byte entries) and the NT one (0xC351/0xC352, 170-byte entries with wide names)
// are read; BI_RGB and BI_BITFIELDS bitmaps are taken (bit fields become 24 or 32 bits),
// compressed ones are refused.
//
// Writing: a Windows 3.x file with one CF_DIB entry holding the DIB (bottom-up, 40-byte header,
// at its own depth).

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadClp(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

bool WriteClp(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);

} // namespace tsl
