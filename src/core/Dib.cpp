#include "core/Dib.h"

#include <limits>

namespace tsl {

BITMAPINFOHEADER BITMAPINFOHEADER::Read(const std::uint8_t* p) {
    BITMAPINFOHEADER h;
    h.biSize = ReadLe32(p);
    h.biWidth = static_cast<std::int32_t>(ReadLe32(p + 4));
    h.biHeight = static_cast<std::int32_t>(ReadLe32(p + 8));
    h.biPlanes = ReadLe16(p + 12);
    h.biBitCount = ReadLe16(p + 14);
    h.biCompression = ReadLe32(p + 16);
    h.biSizeImage = ReadLe32(p + 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(ReadLe32(p + 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(ReadLe32(p + 28));
    h.biClrUsed = ReadLe32(p + 32);
    h.biClrImportant = ReadLe32(p + 36);
    return h;
}

void BITMAPINFOHEADER::Write(std::uint8_t* p) const {
    WriteLe32(p, biSize);
    WriteLe32(p + 4, static_cast<std::uint32_t>(biWidth));
    WriteLe32(p + 8, static_cast<std::uint32_t>(biHeight));
    WriteLe16(p + 12, biPlanes);
    WriteLe16(p + 14, biBitCount);
    WriteLe32(p + 16, biCompression);
    WriteLe32(p + 20, biSizeImage);
    WriteLe32(p + 24, static_cast<std::uint32_t>(biXPelsPerMeter));
    WriteLe32(p + 28, static_cast<std::uint32_t>(biYPelsPerMeter));
    WriteLe32(p + 32, biClrUsed);
    WriteLe32(p + 36, biClrImportant);
}

std::optional<std::size_t> CheckedMul(std::size_t a, std::size_t b) {
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) return std::nullopt;
    return a * b;
}

std::optional<std::size_t> CheckedAdd(std::size_t a, std::size_t b) {
    if (b > std::numeric_limits<std::size_t>::max() - a) return std::nullopt;
    return a + b;
}

std::optional<std::size_t> DibStride(std::int64_t width, int bitsPerPixel) {
    if (width <= 0 || bitsPerPixel <= 0 || bitsPerPixel > 64 || width > kSideLimit)
        return std::nullopt;
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * bitsPerPixel;
    return static_cast<std::size_t>(((bits + 31) & ~std::uint64_t{31}) / 8);
}

std::optional<std::size_t> DibImageSize(std::int64_t width, std::int64_t height,
                                        int bitsPerPixel) {
    if (height == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
    const std::int64_t rows = height < 0 ? -height : height;
    if (rows == 0 || rows > kSideLimit) return std::nullopt;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(rows) > kPixelLimit)
        return std::nullopt;
    auto stride = DibStride(width, bitsPerPixel);
    if (!stride) return std::nullopt;
    return CheckedMul(*stride, static_cast<std::size_t>(rows));
}

} // namespace tsl
