#include "codecs/Bmp.h"

#include "core/ByteReader.h"
#include "core/DibHeader.h"
#include "core/Files.h"
#include "core/Palette.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <new>
#include <optional>

namespace tsl {

namespace {

std::atomic<int> g_lastError{kBmpNoError};

constexpr std::uint32_t kLargestHeader = 124; // BITMAPV5HEADER

// Where everything of a packed DIB of any accepted layout lies. tableEntries is what the table
// occupies; the palette is the first entries up to what the depth addresses.
std::optional<DibLayout> Parse(const PackedDib& dib) {
    const auto h = ReadDibHeader(dib.data(), dib.size());
    if (!h || h->size > kLargestHeader || (!h->core && h->size < 16) || h->info.biPlanes != 1)
        return std::nullopt;
    const std::uint32_t compression = h->info.biCompression;
    if (h->Os2() && compression > BI_RLE4) return std::nullopt;
    // A longer table (or one that a deeper image carries) is skipped over, as it occupies the
    // block.
    if (h->StoredEntries() > 65536) return std::nullopt;
    DibLayoutOptions options;
    options.rowsInBlock = false; // checked where the pixels are read
    // Headers of 41 to 51 bytes hold the masks at byte 40, over their own end, with the table
    // right after the header.
    const bool maskInHeader = compression == BI_BITFIELDS && h->size > 40 && h->size < 52;
    if (maskInHeader) options.maskBytes = 0;
    auto l = LayOutDib(*h, dib.size(), options);
    if (!l) return std::nullopt;
    if (l->topDown && compression != BI_RGB && compression != BI_BITFIELDS) return std::nullopt;
    if (l->width <= 0 || l->height <= 0) return std::nullopt;
    const int bpp = l->bitsPerPixel;
    switch (compression) {
    case BI_RGB:
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            return std::nullopt;
        break;
    case BI_RLE8:
        if (bpp != 8) return std::nullopt;
        break;
    case BI_RLE4:
        if (bpp != 4) return std::nullopt;
        break;
    case BI_BITFIELDS:
        if (bpp != 16 && bpp != 32) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    if (compression != BI_BITFIELDS) {
        if (bpp == 16) l->masks[0] = 0x7C00, l->masks[1] = 0x03E0, l->masks[2] = 0x001F;
        if (bpp >= 24) l->masks[0] = 0xFF0000, l->masks[1] = 0xFF00, l->masks[2] = 0xFF;
    } else if (maskInHeader) {
        ByteReader r(dib);
        r.Seek(40);
        for (int i = 0; i < 3; ++i) l->masks[i] = r.Le32();
        if (!r.Ok()) return std::nullopt;
    }
    return l;
}

// Palette entries: the table up to what an indexed depth addresses.
std::size_t PaletteEntries(const DibLayout& l) {
    if (l.bitsPerPixel > 8) return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(l.tableEntries, 1u << l.bitsPerPixel));
}

// A mask's shift and width, and the scale of its values to 0..255.
struct Channel {
    int shift = 0;
    int bits = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = std::countr_one(mask >> shift);
        max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    }
    std::uint8_t Of(std::uint32_t pixel) const {
        if (bits == 0) return 0;
        return ScaleBits((pixel >> shift) & max, bits);
    }
};

void PutBgrx(std::uint8_t* p, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    p[0] = b, p[1] = g, p[2] = r, p[3] = 0;
}

// Runs of BI_RLE8 or BI_RLE4 decoded into one palette index per pixel, bottom row first.
// Pixels the runs skip stay 0; runs past the end of a row or of the image are cut off.
std::vector<std::uint8_t> DecodeRle(const std::uint8_t* p, std::size_t size, std::size_t width,
                                    std::size_t height, bool four) {
    std::vector<std::uint8_t> out(width * height, 0);
    std::size_t x = 0, y = 0, i = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < height) out[y * width + x] = index;
        ++x;
    };
    while (i + 1 < size && y < height) {
        const std::uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(four ? (k & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (i + 1 >= size) break;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else { // absolute run of value pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            if (i + bytes > size) break;
            for (int k = 0; k < value; ++k)
                put(four ? (k & 1 ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
            i += bytes + (bytes & 1);
        }
    }
    return out;
}

} // namespace

int BmpLastError() { return g_lastError.load(); }
void SetBmpLastError(int code) { g_lastError.store(code); }

std::vector<RGBQUAD> MakePalette(const PackedDib& dib) {
    const auto l = Parse(dib);
    if (!l) {
        SetBmpLastError(kBmpNoPalette);
        return {};
    }
    std::vector<RGBQUAD> palette(PaletteEntries(*l));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::uint8_t* e = dib.data() + l->tableOffset + i * l->entrySize;
        palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    return palette;
}

CDdb MakeDeviceBitmap(const PackedDib& dib) {
    const auto parsed = Parse(dib);
    auto fail = [] {
        SetBmpLastError(kBmpNoDeviceBitmap);
        return CDdb{};
    };
    if (!parsed) return fail();
    const DibLayout& l = *parsed;
    if (!DibImageSize(l.width, l.height, 32)) return fail();
    const std::size_t width = static_cast<std::size_t>(l.width);
    const std::size_t height = static_cast<std::size_t>(l.height);
    const std::uint8_t* bits = dib.data() + l.bitsOffset;
    const std::size_t available = dib.size() - l.bitsOffset;
    const bool rle = l.compression == BI_RLE8 || l.compression == BI_RLE4;
    const std::size_t stride = *DibStride(l.width, l.bitsPerPixel);
    if (!rle && (!CheckedMul(stride, height) || stride * height > available)) return fail();
    // Runs cover at most 255 x 255 pixels per 4-byte delta: an image larger than 16,384 pixels
    // for each byte of run data (beyond a first 4 MP) is skipped or forged, and making it would
    // cost gigabytes for nothing.
    if (rle && width * height > std::max<std::uint64_t>(std::uint64_t{1} << 22,
                                                        std::uint64_t{available} << 14))
        return fail();

    // Colours of the table; indices past it show black.
    RGBQUAD colours[256] = {};
    const std::vector<RGBQUAD> table = MakePalette(dib);
    std::copy(table.begin(), table.end(), colours);

    CDdb out;
    try {
        out = CDdb::Create(static_cast<int>(width), static_cast<int>(height), 32);
    } catch (const std::bad_alloc&) {
        return fail();
    }
    if (out.IsNull()) return fail();

    if (rle) {
        std::vector<std::uint8_t> indices;
        try {
            indices = DecodeRle(bits, available, width, height, l.compression == BI_RLE4);
        } catch (const std::bad_alloc&) {
            return fail();
        }
        for (std::size_t y = 0; y < height; ++y) {
            std::uint8_t* d = out.Row(static_cast<int>(y));
            for (std::size_t x = 0; x < width; ++x) {
                const RGBQUAD c = colours[indices[y * width + x]];
                PutBgrx(d + 4 * x, c.rgbRed, c.rgbGreen, c.rgbBlue);
            }
        }
        return out;
    }

    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    const int bpp = l.bitsPerPixel;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* s = bits + (l.topDown ? height - 1 - y : y) * stride;
        std::uint8_t* d = out.Row(static_cast<int>(y));
        for (std::size_t x = 0; x < width; ++x, d += 4) {
            if (bpp <= 8) {
                const std::size_t bit = x * bpp;
                const int index = (s[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1);
                const RGBQUAD c = colours[index];
                PutBgrx(d, c.rgbRed, c.rgbGreen, c.rgbBlue);
            } else if (bpp == 24 && l.compression == BI_RGB) {
                PutBgrx(d, s[3 * x + 2], s[3 * x + 1], s[3 * x]);
            } else {
                const std::uint32_t v = bpp == 16 ? ReadLe16(s + 2 * x)
                                        : bpp == 24 ? s[3 * x] | s[3 * x + 1] << 8 | s[3 * x + 2] << 16
                                                    : ReadLe32(s + 4 * x);
                PutBgrx(d, red.Of(v), green.Of(v), blue.Of(v));
            }
        }
    }
    return out;
}

PackedDib MakePackedBitmap(const CDdb& bitmap, const std::vector<RGBQUAD>& palette) {
    if (bitmap.IsNull()) return {};
    const int source = bitmap.BitsPerPixel();
    const int depth = source < 2 ? 1 : source <= 4 ? 4 : source <= 8 ? 8 : source <= 16 ? 16 : 24;
    std::vector<RGBQUAD> table;
    if (depth <= 8) {
        table = !palette.empty() ? palette : bitmap.Palette();
        if (table.empty()) table = DefaultPalette(ColourCountForDepth(depth));
        table.resize(std::min<std::size_t>(table.size(), std::size_t{1} << depth));
    }
    PackedDib dib;
    try {
        dib = MakePackedDib(bitmap.Width(), bitmap.Height(), depth, table);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const auto v = ViewPackedDib(dib);
    if (!v) return {};
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* s = bitmap.Row(y);
        std::uint8_t* d = dib.data() + v->bitsOffset + static_cast<std::size_t>(y) * v->stride;
        if (source == depth) {
            std::memcpy(d, s, v->stride);
        } else if (source == 32 && depth == 24) {
            for (int x = 0; x < bitmap.Width(); ++x) std::memcpy(d + 3 * x, s + 4 * x, 3);
        } else if (source == 2 && depth == 4) { // 2-bit indices widened to 4 bits
            for (int x = 0; x < bitmap.Width(); ++x) {
                const int index = (s[x / 4] >> (6 - 2 * (x % 4))) & 3;
                d[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
            }
        } else { // other depths: through their colours
            for (int x = 0; x < bitmap.Width(); ++x) {
                std::uint8_t r, g, b;
                if (source <= 8) {
                    const int bit = x * source;
                    const int index = (s[bit / 8] >> (8 - source - bit % 8)) & ((1 << source) - 1);
                    const RGBQUAD c = index < static_cast<int>(table.size()) ? table[index] : RGBQUAD{};
                    r = c.rgbRed, g = c.rgbGreen, b = c.rgbBlue;
                } else if (source <= 16) {
                    const int w = ReadLe16(s + 2 * x);
                    r = ScaleBits(w >> 10 & 31, 5), g = ScaleBits(w >> 5 & 31, 5);
                    b = ScaleBits(w & 31, 5);
                } else {
                    const int bytes = source / 8;
                    b = s[bytes * x], g = s[bytes * x + 1], r = s[bytes * x + 2];
                }
                if (depth == 24) {
                    d[3 * x] = b, d[3 * x + 1] = g, d[3 * x + 2] = r;
                } else { // only reached for unusual source depths (e.g. 12 bits) rounded to 16
                    WriteLe16(d + 2 * x, static_cast<std::uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3));
                }
            }
        }
    }
    return dib;
}

bool DibDimensions(const PackedDib& dib, int& width, int& height, int& bitsPerPixel) {
    const auto l = Parse(dib);
    if (!l || !DibImageSize(l->width, l->height, l->bitsPerPixel)) return false;
    width = static_cast<int>(l->width);
    height = static_cast<int>(l->height);
    bitsPerPixel = l->bitsPerPixel;
    return true;
}

PackedDib UnpackDib(const PackedDib& dib) {
    const auto view = ViewPackedDib(dib);
    if (view && !view->topDown && view->header.biSize == BITMAPINFOHEADER::kSize) return dib;
    const auto l = Parse(dib);
    if (!l) return {};
    const CDdb wide = MakeDeviceBitmap(dib);
    if (wide.IsNull()) return {};
    if (l->bitsPerPixel > 8) {
        const int depth = view ? l->bitsPerPixel : 24;
        if (depth == 24) return MakePackedBitmap(wide, {});
        CDdb same = CDdb::Create(wide.Width(), wide.Height(), depth);
        if (same.IsNull()) return {};
        for (int y = 0; y < wide.Height(); ++y) {
            const std::size_t row = view->topDown ? view->height - 1 - y : y;
            std::memcpy(same.Row(y), dib.data() + view->bitsOffset + row * view->stride,
                        view->stride);
        }
        return MakePackedBitmap(same, {});
    }
    // Indexed: each pixel's colour back to its first index in the table.
    const std::vector<RGBQUAD> table = MakePalette(dib);
    CDdb indexed = CDdb::Create(wide.Width(), wide.Height(), l->bitsPerPixel);
    if (indexed.IsNull() || table.empty()) return {};
    indexed.Palette() = table;
    const int bpp = l->bitsPerPixel;
    for (int y = 0; y < wide.Height(); ++y) {
        const std::uint8_t* s = wide.Row(y);
        std::uint8_t* d = indexed.Row(y);
        int last = -1;
        std::uint32_t lastColour = 0;
        for (int x = 0; x < wide.Width(); ++x, s += 4) {
            const std::uint32_t colour = s[0] | s[1] << 8 | s[2] << 16;
            if (last < 0 || colour != lastColour) {
                last = 0;
                for (std::size_t i = 0; i < table.size(); ++i)
                    if (static_cast<std::uint32_t>(table[i].rgbBlue | table[i].rgbGreen << 8 |
                                                   table[i].rgbRed << 16) == colour) {
                        last = static_cast<int>(i);
                        break;
                    }
                lastColour = colour;
            }
            const int bit = x * bpp;
            d[bit / 8] |= static_cast<std::uint8_t>(last << (8 - bpp - bit % 8));
        }
    }
    return MakePackedBitmap(indexed, table);
}

PackedDib ReadBmpMemory(const std::vector<std::uint8_t>& file) {
    if (file.size() < 14) {
        SetBmpLastError(kBmpReadError);
        return {};
    }
    if (ReadLe16(file.data()) != 0x4D42) {
        SetBmpLastError(kBmpNotBmp);
        return {};
    }
    PackedDib dib;
    try {
        dib.assign(file.begin() + 14, file.end());
        // Rows that the pixel offset places past the colour table: drop the gap.
        const std::uint32_t pixelOffset = ReadLe32(file.data() + 10);
        if (const auto l = Parse(dib)) {
            const std::size_t tableEnd = 14 + l->bitsOffset;
            if (pixelOffset > tableEnd && pixelOffset < file.size())
                dib.erase(dib.begin() + static_cast<std::ptrdiff_t>(l->bitsOffset),
                          dib.begin() + static_cast<std::ptrdiff_t>(pixelOffset - 14));
        }
    } catch (const std::bad_alloc&) {
        SetBmpLastError(kBmpOutOfMemory);
        return {};
    }
    return dib;
}

PackedDib ReadBmpFile(const std::string& path) {
    std::vector<std::uint8_t> file;
    // A BMP at the pixel limit holds 4 bytes a pixel at most, plus headers and a table.
    if (!ReadWholeFile(path, file, 4 * kPixelLimit + 4096)) {
        SetBmpLastError(kBmpReadError);
        return {};
    }
    return ReadBmpMemory(file);
}

bool WriteBmpFile(const std::string& path, const PackedDib& dib) {
    const auto l = Parse(dib);
    if (!l || dib.size() > 0xFFFFFFFFu - 14) return false;
    std::uint8_t header[14] = {'B', 'M'};
    WriteLe32(header + 2, static_cast<std::uint32_t>(dib.size() + 14));
    WriteLe32(header + 10, static_cast<std::uint32_t>(14 + l->bitsOffset));
    CReplacingFile file(path);
    return file.Open() && file.Write(header, sizeof header) && file.Write(dib.data(), dib.size()) &&
           file.Commit();
}

} // namespace tsl
