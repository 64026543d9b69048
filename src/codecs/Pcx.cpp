#include "codecs/Pcx.h"
#include "core/Files.h"

#include "core/Dib.h"
#include "core/Palette.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <utility>

namespace tsl {
namespace {

// Header fields (offsets into the 128 bytes).
constexpr std::size_t kManufacturerAt = 0, kVersionAt = 1, kEncodingAt = 2, kBitsAt = 3;
constexpr std::size_t kWindowAt = 4, kResolutionAt = 12, kHeaderPaletteAt = 16, kPlanesAt = 65;
constexpr std::size_t kBytesPerLineAt = 66, kPaletteInfoAt = 68, kScreenSizeAt = 70;
constexpr std::size_t kSignatureAt = 118;
constexpr char kSignature[] = "PCXW 2.01 ";

constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kVersion = 5;
constexpr std::uint8_t kRunLength = 1;
constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::size_t kPaletteBlock = 1 + 3 * 256;
constexpr std::size_t kMaxRun = 63;
constexpr int kMaxSide = 65536; // the header keeps side - 1 in 16 bits

// The sixteen standard EGA colours, for 16-colour files that predate the header palette.
constexpr std::uint8_t kEga[16][3] = {
    {0, 0, 0},     {0, 0, 170},     {0, 170, 0},    {0, 170, 170},  {170, 0, 0},   {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85},   {85, 85, 255},  {85, 255, 85}, {85, 255, 255},
    {255, 85, 85}, {255, 85, 255},  {255, 255, 85}, {255, 255, 255}};

RGBQUAD Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {b, g, r, 0};
}

// How the planes of a file make up its pixels, taken from a header the reader accepts.
struct PcxLayout {
    int version = 0;
    int bitsPerPlane = 0;
    int planes = 0;
    int width = 0;
    int height = 0;
    std::size_t bytesPerLine = 0;
    int depth = 0; // of the packed DIB made from the file

    std::size_t LineBytes() const { return bytesPerLine * static_cast<std::size_t>(planes); }
    std::uint64_t DecodedBytes() const { return std::uint64_t{LineBytes()} * height; }
    // The most a file of this image can hold: every byte encoded in two, then the palette
    // block. Readers look no further, so the stream and memory readers see the same end.
    std::uint64_t MaxFileBytes() const {
        return kPcxHeaderSize + 2 * DecodedBytes() + kPaletteBlock;
    }
};

// The depth of DIB a plane layout decodes to, or 0 for layouts the reader does not decode.
int DepthOf(int bitsPerPlane, int planes) {
    if (planes == 1 && (bitsPerPlane == 1 || bitsPerPlane == 4 || bitsPerPlane == 8))
        return bitsPerPlane;
    if (planes == 4 && bitsPerPlane == 1) return 4;
    if (planes == 3 && bitsPerPlane == 8) return 24;
    return 0;
}

std::optional<PcxLayout> ParseHeader(const std::uint8_t* h) {
    if (h[kManufacturerAt] != kManufacturer || h[kEncodingAt] != kRunLength) return std::nullopt;
    PcxLayout l;
    l.version = h[kVersionAt];
    l.bitsPerPlane = h[kBitsAt];
    l.planes = h[kPlanesAt];
    l.depth = DepthOf(l.bitsPerPlane, l.planes);
    const int xMin = ReadLe16(h + kWindowAt), yMin = ReadLe16(h + kWindowAt + 2);
    const int xMax = ReadLe16(h + kWindowAt + 4), yMax = ReadLe16(h + kWindowAt + 6);
    if (l.depth == 0 || xMax < xMin || yMax < yMin) return std::nullopt;
    l.width = xMax - xMin + 1;
    l.height = yMax - yMin + 1;
    l.bytesPerLine = ReadLe16(h + kBytesPerLineAt);
    const std::size_t needed = (static_cast<std::size_t>(l.width) * l.bitsPerPlane + 7) / 8;
    if (l.bytesPerLine < needed) return std::nullopt;
    if (!DibImageSize(l.width, l.height, l.depth)) return std::nullopt;
    return l;
}

// Clears the bits of a 1- or 4-bit DIB row beyond the width, which files may fill with anything.
void ClearTail(std::uint8_t* row, int width, int depth) {
    const std::size_t bits = static_cast<std::size_t>(width) * depth;
    if (bits % 8) row[bits / 8] &= static_cast<std::uint8_t>(0xFF00 >> (bits % 8));
}

// Turns one decoded file line (all its planes) into a DIB row.
void LineToRow(const PcxLayout& l, const std::uint8_t* line, std::uint8_t* row) {
    const std::size_t w = static_cast<std::size_t>(l.width);
    switch (l.depth) {
    case 1:
        std::memcpy(row, line, (w + 7) / 8);
        ClearTail(row, l.width, 1);
        break;
    case 4:
        if (l.planes == 1) {
            std::memcpy(row, line, (w + 1) / 2);
            ClearTail(row, l.width, 4);
            break;
        }
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t byte = x / 8;
            const int shift = 7 - static_cast<int>(x % 8);
            int index = 0;
            for (int p = 0; p < 4; ++p)
                index |= ((line[p * l.bytesPerLine + byte] >> shift) & 1) << p;
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
        }
        break;
    case 8:
        std::memcpy(row, line, w);
        break;
    default: { // 24 bits: red, green and blue planes to blue, green, red pixels
        const std::uint8_t* red = line;
        const std::uint8_t* green = line + l.bytesPerLine;
        const std::uint8_t* blue = line + 2 * l.bytesPerLine;
        for (std::size_t x = 0; x < w; ++x) {
            row[3 * x] = blue[x];
            row[3 * x + 1] = green[x];
            row[3 * x + 2] = red[x];
        }
    }
    }
}

// The palette: from the header, or for 8-bit images from the marked block that ends the
// bytes after the image data.
std::vector<RGBQUAD> ChoosePalette(const PcxLayout& l, const std::uint8_t* header,
                                   std::span<const std::uint8_t> rest) {
    const std::uint8_t* h = header + kHeaderPaletteAt;
    const bool oldVersion = l.version == 3 || l.version == 4;
    std::vector<RGBQUAD> table;
    if (l.depth == 1) {
        table = {Quad(h[0], h[1], h[2]), Quad(h[3], h[4], h[5])};
        if (oldVersion || table[0] == table[1]) table = {Quad(0, 0, 0), Quad(255, 255, 255)};
    } else if (l.depth == 4) {
        for (int i = 0; i < 16; ++i)
            table.push_back(oldVersion ? Quad(kEga[i][0], kEga[i][1], kEga[i][2])
                                       : Quad(h[3 * i], h[3 * i + 1], h[3 * i + 2]));
    } else if (l.depth == 8) {
        const bool marked =
            rest.size() >= kPaletteBlock && rest[rest.size() - kPaletteBlock] == kPaletteMarker;
        const std::uint8_t* p = rest.data() + rest.size() - (marked ? kPaletteBlock - 1 : 0);
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            table.push_back(marked ? Quad(p[3 * i], p[3 * i + 1], p[3 * i + 2]) : Quad(v, v, v));
        }
    }
    return table;
}

// Reads up to limit more bytes onto the end of bytes, in steps, to the end of the stream.
void ReadAtMost(std::istream& in, std::vector<std::uint8_t>& bytes, std::uint64_t limit) {
    for (std::uint64_t left = limit; in && left > 0;) {
        const std::size_t at = bytes.size();
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 20));
        bytes.resize(at + chunk);
        in.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(chunk));
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes.resize(at + got);
        left -= got;
    }
}

// The bytes left in a seekable stream; nothing for a stream that cannot tell.
std::optional<std::uint64_t> RemainingLength(std::istream& in) {
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1) || !in.seekg(0, std::ios::end)) {
        in.clear();
        return std::nullopt;
    }
    const std::istream::pos_type end = in.tellg();
    if (!in.seekg(here) || end < here) return std::nullopt;
    return static_cast<std::uint64_t>(end - here);
}

// The bytes after the header, from memory or from a stream read in steps, never more than a
// limit, so a large file is not held in memory while it is decoded.
class ByteSource {
public:
    explicit ByteSource(std::span<const std::uint8_t> bytes) : m_memory(bytes) {}
    ByteSource(std::istream& in, std::uint64_t limit) : m_in(&in), m_left(limit) {}

    // The next bytes; empty at the end.
    std::span<const std::uint8_t> Next() {
        if (!m_in) return std::exchange(m_memory, {});
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, 1u << 16));
        m_buffer.resize(want);
        m_in->read(reinterpret_cast<char*>(m_buffer.data()), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(m_in->gcount());
        m_left -= got;
        return {m_buffer.data(), got};
    }
    // The bytes not taken: the unused end of the last bytes given and everything after them.
    std::span<const std::uint8_t> Rest(std::span<const std::uint8_t> unused) {
        if (!m_in) return unused;
        m_rest.assign(unused.begin(), unused.end());
        ReadAtMost(*m_in, m_rest, m_left);
        return m_rest;
    }

private:
    std::span<const std::uint8_t> m_memory;
    std::istream* m_in = nullptr;
    std::uint64_t m_left = 0;
    std::vector<std::uint8_t> m_buffer, m_rest;
};

// Decodes the image after a header the reader accepted, when at least available bytes follow.
PcxImage Decode(const std::uint8_t* header, const PcxLayout& l, std::uint64_t available,
                ByteSource& source) {
    // Runs of 63 bytes in two make the densest data: anything shorter cannot hold the image.
    if (available < l.DecodedBytes() / 32) return {};
    const int colours = ColourCountForDepth(l.depth);
    PcxImage image;
    std::vector<std::uint8_t> line;
    try {
        image.dib = MakePackedDib(l.width, l.height, l.depth,
                                  std::vector<RGBQUAD>(static_cast<std::size_t>(colours)));
        line.resize(l.LineBytes());
    } catch (const std::bad_alloc&) {
        return {};
    }
    const auto view = ViewPackedDib(image.dib);
    if (!view) return {};
    std::uint8_t* bits = image.dib.data() + view->bitsOffset;

    // Runs may go on over the end of a line. p and end are locals so that writes to the line
    // need not reload them.
    const std::uint8_t* p = nullptr;
    const std::uint8_t* end = nullptr;
    auto next = [&](std::uint8_t& b) {
        if (p == end) {
            const auto more = source.Next();
            if (more.empty()) return false;
            p = more.data();
            end = p + more.size();
        }
        b = *p++;
        return true;
    };
    std::size_t runLeft = 0;
    std::uint8_t runValue = 0;
    for (int y = 0; y < l.height; ++y) {
        for (std::size_t i = 0; i < line.size();) {
            std::uint8_t b = 0;
            if (runLeft > 0) {
                const std::size_t n = std::min(runLeft, line.size() - i);
                std::memset(line.data() + i, runValue, n);
                i += n;
                runLeft -= n;
            } else if (!next(b)) {
                return {};
            } else if (b >= 0xC0) {
                runLeft = b & 0x3F;
                if (!next(runValue)) return {};
            } else {
                line[i++] = b;
            }
        }
        LineToRow(l, line.data(), bits + static_cast<std::size_t>(l.height - 1 - y) * view->stride);
    }

    image.palette = ChoosePalette(l, header, source.Rest({p, end}));
    if (!image.palette.empty())
        std::memcpy(image.dib.data() + BITMAPINFOHEADER::kSize, image.palette.data(),
                    4 * image.palette.size());
    return image;
}

// ---- writing

// A picture to store, with its rows in DIB layout.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    const std::uint8_t* bits = nullptr;
    std::size_t stride = 0;
    bool topDown = false;
    std::vector<RGBQUAD> table;

    const std::uint8_t* RowFromTop(int y) const {
        return bits + static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride;
    }
};

// The file layout of a picture: its depth rounded to 1, 4, 8 or 24 and the palette stored.
struct WriteLayout {
    int depth = 0;
    int bitsPerPlane = 0;
    int planes = 0;
    std::size_t bytesPerLine = 0;
    std::vector<RGBQUAD> palette; // 2, 16 or 256 entries; none at 24 bits
};

int RoundDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
        return bitsPerPixel;
    case 16:
    case 24:
    case 32:
        return 24;
    default: // depths a DIB does not have
        return 0;
    }
}

std::optional<WriteLayout> PlanWrite(const Picture& pic, const std::vector<RGBQUAD>& palette) {
    WriteLayout l;
    l.depth = RoundDepth(pic.bitsPerPixel);
    if (l.depth == 0 || pic.width < 1 || pic.height < 1 || pic.width > kMaxSide ||
        pic.height > kMaxSide)
        return std::nullopt;
    l.bitsPerPlane = l.depth == 4 ? 1 : l.depth == 24 ? 8 : l.depth;
    l.planes = l.depth == 4 ? 4 : l.depth == 24 ? 3 : 1;
    l.bytesPerLine = ((static_cast<std::size_t>(l.bitsPerPlane) * pic.width + 15) / 16) * 2;
    if (l.bytesPerLine > 0xFFFF) return std::nullopt;
    if (l.depth <= 8) {
        l.palette = palette.empty() ? pic.table : palette;
        l.palette.resize(static_cast<std::size_t>(ColourCountForDepth(l.depth)));
    }
    return l;
}

void FillHeader(const Picture& pic, const WriteLayout& l, int screenWidth, int screenHeight,
                std::uint8_t* h) {
    std::memset(h, 0, kPcxHeaderSize);
    const auto screenW = static_cast<std::uint16_t>(std::clamp(screenWidth, 0, 0xFFFF));
    const auto screenH = static_cast<std::uint16_t>(std::clamp(screenHeight, 0, 0xFFFF));
    h[kManufacturerAt] = kManufacturer;
    h[kVersionAt] = kVersion;
    h[kEncodingAt] = kRunLength;
    h[kBitsAt] = static_cast<std::uint8_t>(l.bitsPerPlane);
    WriteLe16(h + kWindowAt + 4, static_cast<std::uint16_t>(pic.width - 1));
    WriteLe16(h + kWindowAt + 6, static_cast<std::uint16_t>(pic.height - 1));
    WriteLe16(h + kResolutionAt, screenW);
    WriteLe16(h + kResolutionAt + 2, screenH);
    if (l.depth == 1 || l.depth == 4) {
        for (std::size_t i = 0; i < l.palette.size(); ++i) {
            h[kHeaderPaletteAt + 3 * i] = l.palette[i].rgbRed;
            h[kHeaderPaletteAt + 3 * i + 1] = l.palette[i].rgbGreen;
            h[kHeaderPaletteAt + 3 * i + 2] = l.palette[i].rgbBlue;
        }
    }
    h[kPlanesAt] = static_cast<std::uint8_t>(l.planes);
    WriteLe16(h + kBytesPerLineAt, static_cast<std::uint16_t>(l.bytesPerLine));
    WriteLe16(h + kPaletteInfoAt, 1);
    WriteLe16(h + kScreenSizeAt, screenW);
    WriteLe16(h + kScreenSizeAt + 2, screenH);
    std::memcpy(h + kSignatureAt, kSignature, kPcxHeaderSize - kSignatureAt);
}

std::uint8_t Expand5(unsigned v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// Splits one DIB row into the file's planes; lines is zero beyond each plane's pixels.
void RowToPlanes(const Picture& pic, const WriteLayout& l, const std::uint8_t* row,
                 std::uint8_t* lines) {
    const std::size_t w = static_cast<std::size_t>(pic.width);
    const std::size_t bpl = l.bytesPerLine;
    switch (pic.bitsPerPixel) {
    case 1:
        std::memcpy(lines, row, (w + 7) / 8);
        ClearTail(lines, pic.width, 1);
        break;
    case 4:
        std::memset(lines, 0, 4 * bpl);
        for (std::size_t x = 0; x < w; ++x) {
            const int index = x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
            for (std::size_t p = 0; p < 4; ++p)
                if (index & (1 << p))
                    lines[p * bpl + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        break;
    case 8:
        std::memcpy(lines, row, w);
        break;
    default: // 16 (5-5-5), 24 and 32 bits to red, green and blue planes
        for (std::size_t x = 0; x < w; ++x) {
            std::uint8_t b, g, r;
            if (pic.bitsPerPixel == 16) {
                const unsigned v = ReadLe16(row + 2 * x);
                r = Expand5((v >> 10) & 31);
                g = Expand5((v >> 5) & 31);
                b = Expand5(v & 31);
            } else {
                const std::uint8_t* p = row + x * (pic.bitsPerPixel / 8);
                b = p[0];
                g = p[1];
                r = p[2];
            }
            lines[x] = r;
            lines[bpl + x] = g;
            lines[2 * bpl + x] = b;
        }
    }
}

// Run-length encodes one image row, all its planes as one sequence: a run may go on from one
// plane into the next but ends with the row.
std::size_t EncodeLine(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t b = in[i];
        std::size_t run = 1;
        while (run < kMaxRun && i + run < n && in[i + run] == b)
            ++run;
        if (run > 1 || b >= 0xC0) out[o++] = static_cast<std::uint8_t>(0xC0 | run);
        out[o++] = b;
        i += run;
    }
    return o;
}

using Sink = std::function<bool(const std::uint8_t*, std::size_t)>;

// Encodes row by row, so the buffers are a few rows long whatever the image's size.
bool Encode(const Picture& pic, const WriteLayout& l, int screenWidth, int screenHeight,
            const Sink& sink) {
    std::uint8_t header[kPcxHeaderSize];
    FillHeader(pic, l, screenWidth, screenHeight, header);
    if (!sink(header, sizeof header)) return false;
    const std::size_t lineBytes = l.bytesPerLine * static_cast<std::size_t>(l.planes);
    std::vector<std::uint8_t> lines(lineBytes, 0), encoded(2 * lineBytes);
    for (int y = 0; y < pic.height; ++y) {
        RowToPlanes(pic, l, pic.RowFromTop(y), lines.data());
        if (!sink(encoded.data(), EncodeLine(lines.data(), lineBytes, encoded.data())))
            return false;
    }
    if (l.depth != 8) return true;
    std::uint8_t block[kPaletteBlock];
    block[0] = kPaletteMarker;
    for (std::size_t i = 0; i < 256; ++i) {
        block[1 + 3 * i] = l.palette[i].rgbRed;
        block[2 + 3 * i] = l.palette[i].rgbGreen;
        block[3 + 3 * i] = l.palette[i].rgbBlue;
    }
    return sink(block, sizeof block);
}


} // namespace

PcxImage ReadPcxMemory(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kPcxHeaderSize) return {};
    const auto layout = ParseHeader(bytes.data());
    if (!layout) return {};
    const auto data = bytes.subspan(
        kPcxHeaderSize,
        static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), layout->MaxFileBytes()) -
                                 kPcxHeaderSize));
    ByteSource source(data);
    return Decode(bytes.data(), *layout, data.size(), source);
}

PcxImage ReadPcx(std::istream& in) {
    std::vector<std::uint8_t> bytes;
    ReadAtMost(in, bytes, kPcxHeaderSize);
    if (bytes.size() < kPcxHeaderSize) return {};
    const auto layout = ParseHeader(bytes.data());
    if (!layout) return {};
    const std::uint64_t limit = layout->MaxFileBytes() - kPcxHeaderSize;
    const auto length = RemainingLength(in);
    if (!length) { // a stream that cannot tell its length is read first, within the limit
        ReadAtMost(in, bytes, limit);
        return ReadPcxMemory(bytes);
    }
    ByteSource source(in, limit);
    return Decode(bytes.data(), *layout, std::min(*length, limit), source);
}

PcxImage ReadPcxFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return ReadPcx(in);
}

std::vector<std::uint8_t> EncodePcx(const PackedDib& dib, const std::vector<RGBQUAD>& palette,
                                    int screenWidth, int screenHeight) {
    const auto view = ViewPackedDib(dib);
    if (!view) return {};
    Picture pic;
    pic.width = view->width;
    pic.height = view->height;
    pic.bitsPerPixel = view->bitsPerPixel;
    pic.bits = dib.data() + view->bitsOffset;
    pic.stride = view->stride;
    pic.topDown = view->topDown;
    pic.table.assign(view->table, view->table + view->colourCount);
    const auto layout = PlanWrite(pic, palette);
    if (!layout) return {};
    std::vector<std::uint8_t> out;
    Encode(pic, *layout, screenWidth, screenHeight, [&](const std::uint8_t* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    return out;
}

bool WritePcx(const std::string& path, const CDdb& bitmap, const std::vector<RGBQUAD>& palette,
              int screenWidth, int screenHeight) {
    if (bitmap.IsNull()) return false;
    Picture pic;
    pic.width = bitmap.Width();
    pic.height = bitmap.Height();
    pic.bitsPerPixel = bitmap.BitsPerPixel();
    pic.bits = bitmap.Bits().data();
    pic.stride = bitmap.Stride();
    const auto stride = DibStride(pic.width, pic.bitsPerPixel);
    if (!stride || pic.stride < *stride ||
        bitmap.Bits().size() / pic.stride < static_cast<std::size_t>(pic.height))
        return false;
    const int colours = ColourCountForDepth(pic.bitsPerPixel);
    pic.table =
        bitmap.Palette().empty() && colours > 0 ? DefaultPalette(colours) : bitmap.Palette();
    const auto layout = PlanWrite(pic, palette);
    if (!layout) return false;
    CReplacingFile file(path);
    if (!file.Open()) return false;
    return Encode(pic, *layout, screenWidth, screenHeight,
                  [&](const std::uint8_t* p, std::size_t n) { return file.Write(p, n); }) &&
           file.Commit();
}

} // namespace tsl
