#include "imaging/formats/Xwd10.h"

#include "imaging/formats/FormatIo.h"

#include <algorithm>
#include <cstring>

namespace tsl {

using namespace fmt;

namespace {

constexpr std::uint32_t kVersion = 6;
constexpr std::uint32_t kXYFormat = 0;
constexpr std::uint32_t kZFormat = 1;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kColourSize = 12;

bool IsBlack(const RGBQUAD& q) {
    return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0;
}
bool IsWhite(const RGBQUAD& q) {
    return q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255;
}

} // namespace

bool ReadXwd10(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    if (file.size() < kHeaderSize) {
        error = "not an X10 window dump";
        return false;
    }
    ByteReader r(file);
    const bool little = ReadLe32(file.data() + 4) == kVersion;
    auto u32 = [&r, little] { return little ? r.Le32() : r.Be32(); };
    auto u16 = [&r, little] { return little ? r.Le16() : r.Be16(); };
    const std::uint32_t headerSize = u32();
    const std::uint32_t version = u32();
    u32();
    const std::uint32_t planes = u32();
    const std::uint32_t format = u32();
    const std::uint32_t width = u32();
    const std::uint32_t height = u32();
    r.Skip(10);
    const auto colours = static_cast<std::int16_t>(u16());
    if (version != kVersion) {
        error = "not an X10 window dump";
        return false;
    }
    if (headerSize < kHeaderSize || headerSize > file.size()) {
        error = "invalid header size";
        return false;
    }
    if (planes < 1 || planes > 8 || (planes > 1 && format != kZFormat)) {
        error = "unsupported X10 dump: only bitmaps and Z-format images of up to 8 planes";
        return false;
    }
    if (colours < 0 || colours > 256) {
        error = "invalid colour count";
        return false;
    }
    if (!CheckImageSize(width, height, error)) return false;
    r.Seek(headerSize);
    std::vector<RGBQUAD> table;
    if (planes == 1) {
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        r.Skip(static_cast<std::size_t>(colours) * kColourSize);
    } else if (colours == 0) {
        const int levels = 1 << planes;
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i < levels ? i * 255 / (levels - 1) : 0);
            table.push_back({v, v, v, 0});
        }
    } else {
        table.resize(256);
        for (int i = 0; i < colours; ++i) {
            u32();
            const unsigned red = u16(), green = u16(), blue = u16();
            u16();
            table[i] = {static_cast<std::uint8_t>(blue >> 8), static_cast<std::uint8_t>(green >> 8),
                        static_cast<std::uint8_t>(red >> 8), 0};
        }
    }
    const std::size_t rowBytes =
        planes == 1 ? (width + 15) / 16 * 2 : static_cast<std::size_t>(width) + (width & 1);
    auto need = CheckedMul(rowBytes, height);
    if (!r.Ok() || !need || *need > r.Remaining()) {
        error = "pixel data is truncated";
        return false;
    }
    DibBuilder b;
    if (!b.Create(width, height, planes == 1 ? 1 : 8, table, error)) return false;
    const std::uint8_t* pixels = file.data() + r.Pos();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = pixels + y * rowBytes;
        std::uint8_t* dst = b.Row(static_cast<int>(y));
        if (planes > 1) {
            std::memcpy(dst, src, width);
            continue;
        }
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned unit = (src[x / 16 * 2] << 8) | src[x / 16 * 2 + 1];
            if ((unit >> (x % 16)) & 1) dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    out = b.Take();
    return true;
}

bool WriteXwd10(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    if (src.Bpp() > 8) {
        error = "X10 window dumps hold at most 8 planes: reduce the colours first";
        return false;
    }
    const int w = src.Width(), h = src.Height();
    if (w > 32767 || h > 32767) {
        error = "X10 window dumps are at most 32767 pixels a side";
        return false;
    }
    const std::vector<RGBQUAD> table = src.Table();
    // A black-and-white table becomes a bitmap; whiteIndex is the index that is white.
    int whiteIndex = -1;
    if (src.Bpp() == 1 && table.size() == 2) {
        if (IsBlack(table[0]) && IsWhite(table[1])) whiteIndex = 1;
        if (IsWhite(table[0]) && IsBlack(table[1])) whiteIndex = 0;
    }
    const bool bitmap = whiteIndex >= 0;
    const char name[] = "tessaly";
    Bytes o;
    PutBe32(o, static_cast<std::uint32_t>(kHeaderSize + sizeof name));
    PutBe32(o, kVersion);
    PutBe32(o, 0);
    PutBe32(o, bitmap ? 1 : 8);
    PutBe32(o, bitmap ? kXYFormat : kZFormat);
    PutBe32(o, static_cast<std::uint32_t>(w));
    PutBe32(o, static_cast<std::uint32_t>(h));
    PutBe16(o, static_cast<unsigned>(w));
    PutBe16(o, static_cast<unsigned>(h));
    PutBe32(o, 0); // window x, y
    PutBe16(o, 0);
    PutBe16(o, bitmap ? 0 : 256);
    PutBytes(o, reinterpret_cast<const std::uint8_t*>(name), sizeof name);
    if (!bitmap) {
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
            PutBe32(o, static_cast<std::uint32_t>(i));
            PutBe16(o, q.rgbRed * 257u);
            PutBe16(o, q.rgbGreen * 257u);
            PutBe16(o, q.rgbBlue * 257u);
            PutBe16(o, 0);
        }
    }
    const std::size_t rowBytes =
        bitmap ? static_cast<std::size_t>(w + 15) / 16 * 2 : static_cast<std::size_t>(w + (w & 1));
    Bytes row(rowBytes);
    for (int y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x) {
            const int index = src.Index(x, y);
            if (!bitmap)
                row[x] = static_cast<std::uint8_t>(index);
            else if (index == whiteIndex)
                row[x / 16 * 2 + (x % 16 < 8 ? 1 : 0)] |= static_cast<std::uint8_t>(1 << (x % 8));
        }
        PutBytes(o, row.data(), row.size());
    }
    out = std::move(o);
    return true;
}

} // namespace tsl
