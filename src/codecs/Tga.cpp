#include "codecs/Tga.h"

#include "core/Dib.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>
#include <optional>
#include <vector>

namespace tsl {
namespace {

constexpr int kColourMapped = 1, kTrueColour = 2, kGrey = 3, kRunLength = 8;
constexpr std::uint8_t kRightToLeft = 0x10, kTopDown = 0x20;
constexpr std::size_t kMaxPacket = 128;

// A header the reader takes, and where its parts lie in the file.
struct TgaLayout {
    int type = 0; // without the run-length flag
    bool runLength = false;
    int width = 0;
    int height = 0;
    int pixelBytes = 0;
    int depth = 0; // of the packed DIB: 8 or 24
    bool topDown = false;
    bool rightToLeft = false;
    std::size_t mapAt = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBytes = 0;
    std::size_t pixelsAt = 0;

    std::uint64_t Pixels() const { return std::uint64_t{static_cast<unsigned>(width)} * height; }
    // The least and the most pixel data an image of this size can take.
    std::uint64_t MinData() const {
        if (!runLength) return Pixels() * pixelBytes;
        return (Pixels() + kMaxPacket - 1) / kMaxPacket * (1 + pixelBytes);
    }
    std::uint64_t MaxData() const { return Pixels() * (runLength ? 1 + pixelBytes : pixelBytes); }
};

std::optional<TgaLayout> ParseHeader(const std::uint8_t* h, int& status) {
    status = kTgaBadHeader;
    TgaLayout l;
    const int idLength = h[0], mapType = h[1], imageType = h[2];
    l.type = imageType & ~kRunLength;
    l.runLength = (imageType & kRunLength) != 0;
    l.mapFirst = ReadLe16(h + 3);
    l.mapLength = ReadLe16(h + 5);
    const int mapEntrySize = h[7];
    l.width = ReadLe16(h + 12);
    l.height = ReadLe16(h + 14);
    const int pixelDepth = h[16];
    l.topDown = (h[17] & kTopDown) != 0;
    l.rightToLeft = (h[17] & kRightToLeft) != 0;

    if (imageType > (kGrey | kRunLength) || l.type < kColourMapped || l.type > kGrey ||
        l.width == 0 || l.height == 0)
        return std::nullopt;
    if (l.type == kTrueColour) {
        if (pixelDepth != 15 && pixelDepth != 16 && pixelDepth != 24 && pixelDepth != 32)
            return std::nullopt;
    } else if (pixelDepth != 8) {
        return std::nullopt;
    }
    l.pixelBytes = (pixelDepth + 7) / 8;
    l.depth = pixelDepth == 8 ? 8 : 24;

    // A colour map comes after the identification field; true-colour images may carry one
    // they do not use, which is skipped.
    const bool hasMap = mapType == 1;
    const int entryBits = mapEntrySize == 15 ? 16 : mapEntrySize;
    l.mapAt = kTgaHeaderSize + static_cast<std::size_t>(idLength);
    l.mapEntryBytes = entryBits / 8;
    l.pixelsAt = l.mapAt + (hasMap ? static_cast<std::size_t>(l.mapLength) * entryBits / 8 : 0);
    if (l.type == kColourMapped &&
        (!hasMap || l.mapLength == 0 || (entryBits != 16 && entryBits != 24 && entryBits != 32))) {
        status = kTgaBadColourMap;
        return std::nullopt;
    }
    if (!DibImageSize(l.width, l.height, l.depth)) {
        status = kTgaOutOfMemory;
        return std::nullopt;
    }
    return l;
}

std::uint8_t Expand5(unsigned v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// One file pixel (or colour-map entry) of N bytes to blue, green, red; 1-byte pixels are
// indices and stay as they are.
template <int N> void Convert(const std::uint8_t* s, std::uint8_t* d) {
    if constexpr (N == 1) {
        d[0] = s[0];
    } else if constexpr (N == 2) {
        const unsigned v = ReadLe16(s);
        d[0] = Expand5(v & 31);
        d[1] = Expand5((v >> 5) & 31);
        d[2] = Expand5((v >> 10) & 31);
    } else {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

std::vector<RGBQUAD> ColourTable(const TgaLayout& l, std::span<const std::uint8_t> file) {
    std::vector<RGBQUAD> table(256);
    if (l.type == kGrey) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            table[static_cast<std::size_t>(i)] = {v, v, v, 0};
        }
        return table;
    }
    // Entry k of the map is the colour of index first + k; 8-bit pixels reach entries up to 255.
    const int count = std::min(l.mapLength, 256 - std::min(l.mapFirst, 256));
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* s =
            file.data() + l.mapAt + static_cast<std::size_t>(k) * l.mapEntryBytes;
        std::uint8_t bgr[3];
        if (l.mapEntryBytes == 2)
            Convert<2>(s, bgr);
        else
            Convert<3>(s, bgr);
        table[static_cast<std::size_t>(l.mapFirst + k)] = {bgr[0], bgr[1], bgr[2], 0};
    }
    return table;
}

// Places pixels, in file order, into a bottom-up DIB as the origin bits say.
class PixelCursor {
public:
    PixelCursor(const TgaLayout& l, std::uint8_t* bits, std::size_t stride)
        : m_bits(bits), m_stride(stride), m_width(l.width), m_height(l.height),
          m_bytes(l.depth / 8), m_topDown(l.topDown), m_rightToLeft(l.rightToLeft) {
        StartRow();
    }
    std::uint8_t* Pixel() const {
        return m_row + static_cast<std::size_t>(m_rightToLeft ? m_width - 1 - m_x : m_x) * m_bytes;
    }
    void Advance() {
        if (++m_x < m_width) return;
        m_x = 0;
        if (++m_y < m_height) StartRow();
    }

private:
    void StartRow() {
        m_row = m_bits + static_cast<std::size_t>(m_topDown ? m_height - 1 - m_y : m_y) * m_stride;
    }
    std::uint8_t* m_bits;
    std::size_t m_stride;
    int m_width, m_height, m_bytes;
    bool m_topDown, m_rightToLeft;
    int m_x = 0, m_y = 0;
    std::uint8_t* m_row = nullptr;
};

// Decodes the pixel data of N-byte pixels; false when it is cut short.
template <int N>
bool DecodePixels(const TgaLayout& l, const std::uint8_t* p, const std::uint8_t* end,
                  PixelCursor& cursor) {
    const int outBytes = l.depth / 8;
    std::uint64_t left = l.Pixels();
    if (!l.runLength) {
        if (static_cast<std::uint64_t>(end - p) / N < left) return false;
        for (; left > 0; --left, p += N, cursor.Advance())
            Convert<N>(p, cursor.Pixel());
        return true;
    }
    while (left > 0) {
        if (p == end) return false;
        const std::uint8_t packet = *p++;
        // A packet that would go past the last pixel is cut there.
        const std::uint64_t n = std::min<std::uint64_t>((packet & 0x7F) + 1u, left);
        left -= n;
        if (packet & 0x80) {
            if (end - p < N) return false;
            std::uint8_t pixel[3];
            Convert<N>(p, pixel);
            p += N;
            for (std::uint64_t i = 0; i < n; ++i, cursor.Advance())
                std::memcpy(cursor.Pixel(), pixel, static_cast<std::size_t>(outBytes));
        } else {
            if (static_cast<std::uint64_t>(end - p) / N < n) return false;
            for (std::uint64_t i = 0; i < n; ++i, p += N, cursor.Advance())
                Convert<N>(p, cursor.Pixel());
        }
    }
    return true;
}

} // namespace

PackedDib ReadTgaMemory(std::span<const std::uint8_t> bytes, int& status) {
    status = kTgaBadHeader;
    if (bytes.size() < kTgaHeaderSize) return {};
    const auto layout = ParseHeader(bytes.data(), status);
    if (!layout) return {};
    const TgaLayout& l = *layout;
    if (l.pixelsAt > bytes.size()) {
        status = l.type == kColourMapped ? kTgaBadColourMap : kTgaReadError;
        return {};
    }
    if (bytes.size() - l.pixelsAt < l.MinData()) {
        status = kTgaReadError;
        return {};
    }

    PackedDib dib;
    try {
        dib = MakePackedDib(l.width, l.height, l.depth,
                            l.depth == 8 ? ColourTable(l, bytes) : std::vector<RGBQUAD>{});
    } catch (const std::bad_alloc&) {
        dib.clear();
    }
    const auto view = ViewPackedDib(dib);
    if (!view) {
        status = kTgaOutOfMemory;
        return {};
    }
    PixelCursor cursor(l, dib.data() + view->bitsOffset, view->stride);
    const std::uint8_t* p = bytes.data() + l.pixelsAt;
    const std::uint8_t* end = bytes.data() + bytes.size();
    bool ok = false;
    switch (l.pixelBytes) {
    case 1:
        ok = DecodePixels<1>(l, p, end, cursor);
        break;
    case 2:
        ok = DecodePixels<2>(l, p, end, cursor);
        break;
    case 3:
        ok = DecodePixels<3>(l, p, end, cursor);
        break;
    default:
        ok = DecodePixels<4>(l, p, end, cursor);
        break;
    }
    if (!ok) {
        status = kTgaReadError;
        return {};
    }
    status = kTgaDone;
    return dib;
}

PackedDib ReadTga(const std::string& path, int& status) {
    status = kTgaBadHeader;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        status = kTgaOpenFailed;
        return {};
    }
    std::vector<std::uint8_t> bytes(kTgaHeaderSize);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) < kTgaHeaderSize) return {};
    const auto layout = ParseHeader(bytes.data(), status);
    if (!layout) return {};
    // Read no more than the header's image can use, in steps, so a short file costs little.
    const std::uint64_t limit = layout->pixelsAt - kTgaHeaderSize + layout->MaxData();
    while (in && bytes.size() - kTgaHeaderSize < limit) {
        const std::size_t at = bytes.size();
        const auto chunk = static_cast<std::size_t>(
            std::min<std::uint64_t>(limit - (at - kTgaHeaderSize), std::uint64_t{1} << 20));
        bytes.resize(at + chunk);
        in.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(chunk));
        bytes.resize(at + static_cast<std::size_t>(in.gcount()));
    }
    return ReadTgaMemory(bytes, status);
}

} // namespace tsl
