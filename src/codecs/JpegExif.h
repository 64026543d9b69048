#pragma once
// What a JPEG's markers say before its first scan: the picture's size (from its frame header)
// and the small JPEG a camera keeps in the Exif segment (APP1, IFD1's JPEGInterchangeFormat and
// JPEGInterchangeFormatLength). Every offset is checked against the segment that holds it.

#include <cstdint>
#include <span>

namespace tsl {

struct JpegMarkers {
    int width = 0;  // 0 when no frame header was found
    int height = 0;
    std::span<const std::uint8_t> exifThumbnail; // empty when there is none
};

JpegMarkers ScanJpegMarkers(std::span<const std::uint8_t> bytes);

} // namespace tsl
