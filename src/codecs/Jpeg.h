#pragma once
// JPEG adapter over libjpeg. The reader gives 24-bit pixels: grey files are expanded to three
// equal bytes, CMYK and YCCK files are converted to RGB; files of another sample precision
// (12 bits) are refused. Failures are shown through tsl::Report() in the adapter's own words.
// The writer stores RGB or grey files and replaces the target through a temporary file.

#include "core/Ddb.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tsl {

inline constexpr const char* kJpegFatal = "JPG Fatal Error";
inline constexpr const char* kJpegNoMemory = "JPG out of memory";

// Decodes a JPEG held in memory to width x height x 3 bytes, rows from the top, no padding,
// red-green-blue. Empty on failure (reported). Sizes beyond the pixel limit are refused before
// anything is allocated.
std::vector<std::uint8_t> ReadJpegMemory(std::span<const std::uint8_t> bytes, int& width,
                                         int& height);
std::vector<std::uint8_t> ReadJpeg(const std::string& path, int& width, int& height);
// The same file as a 24-bit bottom-up packed DIB; empty on failure.
PackedDib ReadJpegDib(const std::string& path);
// The file (or bytes) decoded straight into a device bitmap, without a copy: 32 bits (blue,
// green, red, zero) for the screen, or 24 (blue, green, red), the pixels of ReadJpegDib at the
// file's own depth. Null on failure.
CDdb ReadJpegDdb(const std::string& path, int bitsPerPixel = 32);
CDdb ReadJpegDdbMemory(std::span<const std::uint8_t> bytes, int bitsPerPixel = 32);
// The file decoded for a preview box of fitWidth x fitHeight: a 32-bit device bitmap at the
// smallest of 1/1, 1/2, 1/4 and 1/8 of the picture's size that still covers the box when the
// picture is scaled to fit it; or the camera's Exif thumbnail when that covers the box with the
// picture's aspect ratio. width and height get the picture's own size. Null on failure.
CDdb ReadJpegDdbToFit(const std::string& path, int fitWidth, int fitHeight, int& width,
                      int& height);
// The file decoded for a resize to coverWidth x coverHeight (the aspect ratio may change): a
// device bitmap of bitsPerPixel (24 or 32) at the smallest of 1/1, 1/2, 1/4 and 1/8 of the
// picture's size whose sides are both still at least the target's. Null on failure.
CDdb ReadJpegDdbToCover(const std::string& path, int coverWidth, int coverHeight,
                        int bitsPerPixel = 24);
// The size and depth (always 24) of the picture the readers above give, from the file's header
// alone. False, with nothing reported, for a file the header shows they would refuse or that
// has no readable header; the pixels are not looked at, so a file damaged past its header
// passes.
bool ReadJpegHeader(const std::string& path, int& width, int& height, int& bitsPerPixel);
PackedDib ReadJpegDibMemory(std::span<const std::uint8_t> bytes);

// Encodes rows from the top, no padding, red-green-blue. With colour false the pixels are
// stored as grey, the mean of the three components. Quality 1-100, baseline. Empty on failure.
std::vector<std::uint8_t> EncodeJpeg(std::span<const std::uint8_t> rgb, int width, int height,
                                     bool colour, int quality);
// Writes the file beside the target and renames it over the target; false (reported) on failure.
bool WriteJpeg(const std::string& path, std::span<const std::uint8_t> rgb, int width, int height,
               bool colour, int quality);
// A 32-bit device bitmap written as colour JPEG row by row, without a copy of the picture;
// false (reported) on failure.
bool WriteJpegDdb(const std::string& path, const CDdb& bitmap, int quality);
// A 24- or 32-bit device bitmap compressed straight from its rows into the file at path
// (replaced only when all went well), reporting nothing: the bytes EncodeJpeg gives for its
// pixels as red-green-blue rows in colour.
enum class JpegStoreResult { kStored, kNotEncodable, kNotWritten };
JpegStoreResult StoreJpegBitmap(const std::string& path, const CDdb& bitmap, int quality);

} // namespace tsl
