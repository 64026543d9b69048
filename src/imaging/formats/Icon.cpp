#include "imaging/formats/Icon.h"

#include "core/Palette.h"
#include "imaging/formats/FormatIo.h"

#include <algorithm>
#include <cstring>

namespace tsl {

using namespace fmt;

bool ReadIcon(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    ByteReader r(file);
    const int reserved = r.Le16();
    const int type = r.Le16();
    const int count = r.Le16();
    if (!r.Ok() || reserved != 0 || (type != 1 && type != 2)) {
        error = "not an icon or cursor file";
        return false;
    }
    if (count == 0) {
        error = "the file holds no image";
        return false;
    }
    r.Skip(8);
    r.Le32(); // the entry's stated size: often wrong, the file's end bounds the data instead
    const std::uint32_t offset = r.Le32();
    if (!r.Ok() || offset >= file.size()) {
        error = "truncated icon directory";
        return false;
    }
    const std::uint8_t* data = file.data() + offset;
    const std::size_t size = file.size() - offset;
    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) {
        error = "PNG-compressed icon entry";
        return false;
    }
    if (size < BITMAPINFOHEADER::kSize) {
        error = "truncated icon image";
        return false;
    }
    const BITMAPINFOHEADER h = BITMAPINFOHEADER::Read(data);
    if (h.biSize < BITMAPINFOHEADER::kSize || h.biHeight <= 1 || h.biWidth <= 0) {
        error = "invalid icon image header";
        return false;
    }
    const int rows = h.biHeight / 2;
    PackedDib colour;
    if (!NormaliseDib(data, size, nullptr, 0, colour, error, rows)) return false;
    const auto v = ViewPackedDib(colour);
    if (!v) {
        error = "invalid icon image";
        return false;
    }
    const int w = v->width;
    // The AND mask follows the colour bits.
    const std::size_t tableEntries = h.biBitCount <= 8 ? static_cast<std::size_t>(v->colourCount)
                                                       : std::min<std::uint32_t>(h.biClrUsed, 256);
    const std::size_t xorStart =
        h.biSize + 4 * tableEntries + (h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0);
    const std::size_t maskStart = xorStart + v->imageSize;
    const std::size_t maskStride = *DibStride(w, 1);
    DibPixels px;
    if (!px.Open(colour, error)) return false;
    const bool alpha = v->bitsPerPixel == 32 && px.HasAlpha();
    DibBuilder b;
    if (!b.Create(w, rows, 32, {}, error)) return false;
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* dst = b.Row(y);
        const std::size_t maskRow = maskStart + static_cast<std::size_t>(rows - 1 - y) * maskStride;
        const bool haveMask = maskRow <= size && maskStride <= size - maskRow;
        for (int x = 0; x < w; ++x) {
            const RGBQUAD q = px.Colour(x, y);
            std::uint8_t a = 255;
            if (alpha)
                a = q.rgbReserved;
            else if (haveMask && ((data[maskRow + (x >> 3)] >> (7 - (x & 7))) & 1))
                a = 0;
            dst[4 * x] = q.rgbBlue, dst[4 * x + 1] = q.rgbGreen, dst[4 * x + 2] = q.rgbRed;
            dst[4 * x + 3] = a;
        }
    }
    out = b.Take();
    return true;
}

bool WriteIcon(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
               const IconOptions& options) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    const int w = src.Width(), h = src.Height();
    if (w > 256 || h > 256) {
        error = "icons and cursors are at most 256 pixels a side";
        return false;
    }
    if (options.cursor &&
        (options.hotX < 0 || options.hotY < 0 || options.hotX >= w || options.hotY >= h)) {
        error = "the cursor's hot spot lies outside the image";
        return false;
    }
    const int inBpp = src.Bpp();
    const int bpp = inBpp <= 8 ? inBpp : inBpp == 32 ? 32 : 24;
    const bool keepAlpha = bpp == 32 && src.HasAlpha();
    std::vector<RGBQUAD> table;
    if (bpp <= 8) {
        table = src.Table();
        table.resize(static_cast<std::size_t>(1) << bpp);
    }
    int blackIndex = -1;
    for (std::size_t i = 0; i < table.size() && blackIndex < 0; ++i)
        if (table[i].rgbRed == 0 && table[i].rgbGreen == 0 && table[i].rgbBlue == 0)
            blackIndex = static_cast<int>(i);

    DibBuilder colour, mask;
    if (!colour.Create(w, h, bpp, table, error) || !mask.Create(w, h, 1, {}, error)) return false;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = colour.Row(y);
        for (int x = 0; x < w; ++x) {
            const RGBQUAD q = src.Colour(x, y);
            bool clear = keepAlpha && q.rgbReserved == 0;
            if (options.transparent != kNoColour && ColourOf(q) == (options.transparent & 0xFFFFFF))
                clear = true;
            if (clear) mask.SetIndex(x, y, 1);
            if (bpp <= 8) {
                const int index = clear && blackIndex >= 0 ? blackIndex : src.Index(x, y);
                colour.SetIndex(x, y, index);
            } else {
                std::uint8_t* p = row + static_cast<std::size_t>(x) * (bpp / 8);
                p[0] = clear ? 0 : q.rgbBlue;
                p[1] = clear ? 0 : q.rgbGreen;
                p[2] = clear ? 0 : q.rgbRed;
                if (bpp == 32) p[3] = clear ? 0 : keepAlpha ? q.rgbReserved : 255;
            }
        }
    }
    const PackedDib colourDib = colour.Take();
    const PackedDib maskDib = mask.Take();
    const std::size_t xorSize = colourDib.size() - BITMAPINFOHEADER::kSize - 4 * table.size();
    const std::size_t andSize = *DibStride(w, 1) * static_cast<std::size_t>(h);

    Bytes o;
    PutLe16(o, 0);
    PutLe16(o, options.cursor ? 2 : 1);
    PutLe16(o, 1);
    PutU8(o, w == 256 ? 0 : static_cast<unsigned>(w));
    PutU8(o, h == 256 ? 0 : static_cast<unsigned>(h));
    PutU8(o, bpp < 8 ? 1u << bpp : 0);
    PutU8(o, 0);
    PutLe16(o, options.cursor ? static_cast<unsigned>(options.hotX) : 1);
    PutLe16(o, options.cursor ? static_cast<unsigned>(options.hotY) : static_cast<unsigned>(bpp));
    const std::size_t imageSize = BITMAPINFOHEADER::kSize + 4 * table.size() + xorSize + andSize;
    PutLe32(o, static_cast<std::uint32_t>(imageSize));
    PutLe32(o, 22);
    BITMAPINFOHEADER ih;
    ih.biWidth = w;
    ih.biHeight = 2 * h;
    ih.biBitCount = static_cast<std::uint16_t>(bpp);
    ih.biSizeImage = static_cast<std::uint32_t>(xorSize + andSize);
    const std::size_t at = o.size();
    PutZeros(o, BITMAPINFOHEADER::kSize);
    ih.Write(o.data() + at);
    for (const RGBQUAD& q : table) {
        PutU8(o, q.rgbBlue);
        PutU8(o, q.rgbGreen);
        PutU8(o, q.rgbRed);
        PutU8(o, 0);
    }
    PutBytes(o, colourDib.data() + colourDib.size() - xorSize, xorSize);
    PutBytes(o, maskDib.data() + maskDib.size() - andSize, andSize);
    out = std::move(o);
    return true;
}

} // namespace tsl
