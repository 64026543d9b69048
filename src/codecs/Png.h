#pragma once
// PNG adapter over libpng. The reader gives a bottom-up packed DIB: palette and grey images at
// 1, 4 or 8 bits (2-bit ones widened to 4 bits, 16-bit grey and grey with alpha as 8-bit grey),
// colour images at 24 bits, colour with alpha at 32 bits (blue, green, red, alpha); 16-bit
// samples are rounded to 8 bits. Failures leave their reason in the message. The writer stores
// 1-, 4- and 8-bit DIBs as palette images, 16- and 24-bit ones as RGB and 32-bit ones as RGB
// with alpha (as RGB when every fourth byte is zero), replacing the target through a
// temporary file. Resolutions go between the file's pixels per metre and the header's.

#include "core/Ddb.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace tsl {

inline constexpr const char* kPngNotValid = "This is not a valid PNG File!";
inline constexpr const char* kPngTooBig = "Sorry!\nThis File is toooo big for me.";
inline constexpr const char* kPngNoMemory = "Can't allocate memory";
// Interlaced files taller than this are refused (they are decoded whole before storing).
inline constexpr std::uint32_t kPngInterlacedRowLimit = 10000;

PackedDib ReadPngMemory(std::span<const std::uint8_t> bytes, std::string& message);
PackedDib ReadPng(const std::string& path, std::string& message);

// The file decoded straight to the screen's 32-bit device bitmap (blue, green, red, zero) when
// it is an 8-bit RGB or RGBA file without interlacing: the pixels ReadPng followed by the
// device-bitmap conversion gives, in one pass over fresh memory. `bitsPerPixel` receives the
// depth ReadPng gives (24 or 32). Null for every other file and for a failure; the caller then
// reads the file the general way, which reports what is wrong with it.
CDdb ReadPngDevice(const std::string& path, int& bitsPerPixel);
// The same from an open stream at its start.
CDdb ReadPngDevice(std::FILE* file, int& bitsPerPixel);
// The same files decoded straight into a bitmap at the depth ReadPng gives, with its pixels: 24
// bits (blue, green, red), or 32 keeping alpha. Null for every other file and for a failure.
CDdb ReadPngBitmap(const std::string& path);
// The size and the depth ReadPng gives, from the signature and the chunks before the image
// data. False for a file the header shows ReadPng would refuse, or without a readable header;
// the image data is not looked at.
bool ReadPngHeader(const std::string& path, int& width, int& height, int& bitsPerPixel);

// Empty when the DIB cannot be stored.
std::vector<std::uint8_t> EncodePng(const PackedDib& dib);
bool WritePng(const std::string& path, const PackedDib& dib);

} // namespace tsl
