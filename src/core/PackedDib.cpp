#include "core/PackedDib.h"

#include "core/Palette.h"

#include <cstring>

namespace tsl {

int PackedDibColourCount(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0) return h.biClrUsed > 256 ? -1 : static_cast<int>(h.biClrUsed);
    return ColourCountForDepth(h.biBitCount);
}

std::optional<PackedDibView> ViewPackedDib(const PackedDib& dib) {
    if (dib.size() < BITMAPINFOHEADER::kSize) return std::nullopt;
    PackedDibView v;
    v.header = BITMAPINFOHEADER::Read(dib.data());
    const BITMAPINFOHEADER& h = v.header;
    if (h.biSize < BITMAPINFOHEADER::kSize || h.biSize > dib.size()) return std::nullopt;
    if (h.biCompression != BI_RGB) return std::nullopt;
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return std::nullopt;
    const int colours = PackedDibColourCount(h);
    if (colours < 0) return std::nullopt;
    auto size = DibImageSize(h.biWidth, h.biHeight, bpp);
    if (!size) return std::nullopt;
    const std::size_t bitsOffset = h.biSize + 4u * static_cast<std::size_t>(colours);
    if (bitsOffset > dib.size() || *size > dib.size() - bitsOffset) return std::nullopt;
    v.width = h.biWidth;
    v.topDown = h.biHeight < 0;
    v.height = v.topDown ? -h.biHeight : h.biHeight;
    v.bitsPerPixel = bpp;
    v.colourCount = colours;
    v.table = reinterpret_cast<const RGBQUAD*>(dib.data() + h.biSize);
    v.stride = *DibStride(h.biWidth, bpp);
    v.bitsOffset = bitsOffset;
    v.imageSize = *size;
    return v;
}

PackedDib MakePackedDib(int width, int height, int bitsPerPixel,
                        const std::vector<RGBQUAD>& given) {
    const std::vector<RGBQUAD> table =
        given.empty() && bitsPerPixel <= 8 ? DefaultPalette(ColourCountForDepth(bitsPerPixel)) : given;
    auto size = DibImageSize(width, height, bitsPerPixel);
    if (!size || height <= 0 || table.size() > 256) return {};
    PackedDib dib(BITMAPINFOHEADER::kSize + 4 * table.size() + *size, 0);
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
    h.biSizeImage = static_cast<std::uint32_t>(*size);
    h.biClrUsed = static_cast<std::uint32_t>(table.size());
    h.Write(dib.data());
    if (!table.empty()) std::memcpy(dib.data() + BITMAPINFOHEADER::kSize, table.data(), 4 * table.size());
    return dib;
}

} // namespace tsl
