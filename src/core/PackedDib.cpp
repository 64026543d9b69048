#include "core/PackedDib.h"

#include "core/DibHeader.h"
#include "core/Palette.h"

#include <cstring>

namespace tsl {

int PackedDibColourCount(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0) return h.biClrUsed > 256 ? -1 : static_cast<int>(h.biClrUsed);
    return ColourCountForDepth(h.biBitCount);
}

std::optional<PackedDibView> ViewPackedDib(const PackedDib& dib) {
    const auto h = ReadDibHeader(dib.data(), dib.size());
    if (!h || h->size < BITMAPINFOHEADER::kSize || h->info.biCompression != BI_RGB)
        return std::nullopt;
    const int bpp = h->info.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return std::nullopt;
    const int colours = PackedDibColourCount(h->info);
    if (colours < 0) return std::nullopt;
    DibLayoutOptions options;
    options.tableEntries = static_cast<std::uint64_t>(colours);
    const auto l = LayOutDib(*h, dib.size(), options);
    if (!l) return std::nullopt;
    PackedDibView v;
    v.header = h->info;
    v.width = static_cast<int>(l->width);
    v.height = static_cast<int>(l->height);
    v.topDown = l->topDown;
    v.bitsPerPixel = bpp;
    v.colourCount = colours;
    v.table = reinterpret_cast<const RGBQUAD*>(dib.data() + l->tableOffset);
    v.stride = l->stride;
    v.bitsOffset = l->bitsOffset;
    v.imageSize = l->imageSize;
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
