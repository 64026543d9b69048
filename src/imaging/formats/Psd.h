#pragma once
// Photoshop 3.0 documents (file-format code 76): the flattened composite image only; layers,
// masks and image resources are skipped on reading and not written.
//
// Reading: up to 99 channels (writers exceed the documented 56), raw or PackBits image data in
// bitmap (1 bit), grey, duotone (read as its grey channel), indexed, RGB and CMYK modes at 8 or 16
// bits per channel (16-bit samples become round(v / 257)). Results: 1-bit (white, black) for bitmap
// mode, 8-bit with a grey ramp or the file's colour table, 24-bit for RGB and CMYK (CMYK converted
// naively, without a profile: R = (255 - C)(255 - K) / 255 in ink terms). The composite's first
// extra channel is its transparency when the layer section says so (a negative layer count) or when
// the document has no layer section and exactly one extra channel; the result is then 32-bit B, G,
// R, A. Other extra channels (spot colours, saved selections) are ignored. Refused: PSB (version
// 2), 32-bit float channels, Lab and multichannel modes, ZIP-compressed data.
//
// Writing: 1-, 4- and 8-bit DIBs as indexed mode with their colour table (padded to 256
// entries with black); 16-, 24- and 32-bit DIBs as RGB at 8 bits per channel (the X byte of
// 32-bit pixels is dropped: device bitmaps carry no alpha). Raw or PackBits image data.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool ReadPsd(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

enum class PsdCompression { Raw, PackBits };
bool WritePsd(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
              PsdCompression compression = PsdCompression::PackBits);

} // namespace tsl
