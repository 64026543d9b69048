#pragma once
// Device-independent bitmap layout: the 40-byte info header, colour-table entries, row stride
// and image size with overflow-checked arithmetic, and the pixel limit every reader obeys.
// A packed DIB is one block: info header, colour table, bottom-up rows padded to 4 bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tsl {

// The largest image any reader of the program accepts, in pixels, and the largest side;
// larger claims are refused before anything is allocated.
inline constexpr std::uint64_t kPixelLimit = std::uint64_t{1} << 30;
inline constexpr std::uint32_t kSideLimit = 1u << 18;

// One colour-table entry, in file order.
struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
    friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = BI_RGB;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;

    static constexpr std::size_t kSize = 40;
    // Reads the 40 little-endian bytes at p.
    static BITMAPINFOHEADER Read(const std::uint8_t* p);
    void Write(std::uint8_t* p) const;
};

// Colour-table entries for a depth: 1 -> 2, 4 -> 16, 8 -> 256, anything else -> 0.
constexpr int ColourCountForDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
}

// Row stride in bytes, ((width * bpp + 31) & ~31) / 8; nothing when it overflows or the
// arguments are not positive.
std::optional<std::size_t> DibStride(std::int64_t width, int bitsPerPixel);
// stride * |height|; nothing on overflow, bad arguments, or an image beyond the pixel limit.
std::optional<std::size_t> DibImageSize(std::int64_t width, std::int64_t height, int bitsPerPixel);
// a * b, nothing on overflow.
std::optional<std::size_t> CheckedMul(std::size_t a, std::size_t b);
std::optional<std::size_t> CheckedAdd(std::size_t a, std::size_t b);

// A channel value of `bits` bits widened to 8 by repeating its bits (5-bit 21 -> 173, 31 -> 255);
// wider values keep their top 8 bits.
constexpr std::uint8_t ScaleBits(std::uint32_t v, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    std::uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits) {
        const int shift = 8 - filled - bits;
        out |= shift >= 0 ? v << shift : v >> -shift;
    }
    return static_cast<std::uint8_t>(out);
}

// Little-endian field access for file and block layouts.
inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace tsl
static_assert(sizeof(tsl::RGBQUAD) == 4, "colour-table entries are four bytes");
