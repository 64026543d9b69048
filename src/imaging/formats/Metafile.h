#pragma once
// Windows metafiles holding one bitmap: WMF (file-format code 15) and EMF (116).
//
// WriteWmf: a placeable metafile (header key 0x9AC6CDD7, bounding box in pixels at 96 units per
// inch) whose records set the window origin and extent to the image and draw it with one
// META_STRETCHDIB (SRCCOPY) record. Images are at most 32767 pixels a side (16-bit
// coordinates). 1-, 4-, 8- and 24-bit DIBs keep their depth; 16- and 32-bit ones are stored at
// 24 bits (metafiles carry no alpha).
//
// WriteEmf: an enhanced metafile of a header (bounds in pixels, frame in 0.01 mm at 96 dpi), one
// EMR_STRETCHDIBITS record (SRCCOPY) with the DIB at its own depth, and EMR_EOF.
//
// ReadEmf: walks the records and decodes the bitmap of the first EMR_STRETCHDIBITS,
// EMR_SETDIBITSTODEVICE, EMR_BITBLT or EMR_STRETCHBLT record that carries one (with RGB colour
// usage), at the bitmap's own size; vector drawing records are not rendered, so a metafile
// without such a record is refused ("no bitmap in the metafile").
//
// ReadWmf: reads a WMF, placeable or not, whose whole picture is one device-independent bitmap,
// as WriteWmf makes them: exactly one META_STRETCHDIB (RGB colour usage) or META_DIBSTRETCHBLT
// record that copies (SRCCOPY) the whole bitmap onto the frame (the window origin and extent
// when set, else the placeable bounding box), among records that only set up state (window and
// viewport, map mode, colours and modes). The bitmap comes back at its own size. Anything else
// is refused with a message, so that a renderer may take the file instead.

#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

bool WriteWmf(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);
bool ReadWmf(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);
// True when the bytes start with a placeable header or a WMF header (type 1 or 2, nine words,
// version 1.0 or 3.0).
bool LooksLikeWmf(const std::vector<std::uint8_t>& file);

bool WriteEmf(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error);
bool ReadEmf(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error);

} // namespace tsl
