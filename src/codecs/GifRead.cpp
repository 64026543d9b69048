// GIF reading: the first image (or the one found from an offset) to a packed DIB.

#include "codecs/Gif.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>

namespace tsl {
namespace {

// The LZW bit reader loads words little-endian.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

constexpr int kCodeLimit = 4096; // LZW string-table entries
constexpr std::size_t kPaletteBytes = 768;
// A w-bit code stands for at most 2^w pixels (each table entry is one pixel longer than an
// older one), so compressed data yields at most 4096/12 pixels per bit: 2730.7 per byte.
constexpr std::uint64_t kMaxPixelsPerDataByte = 2731;

// Output depth from a colour-table size field: 2 entries give 1 bit, 4..16 give 4, 32..256 give 8.
int DepthForTableField(int field) {
    if (field == 0) return 1;
    return (field & 4) ? 8 : 4;
}

// Bounds-checked cursor over the file's bytes.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data) : m_data(data) {}
    std::size_t Remaining() const { return m_data.size() - m_pos; }
    void Seek(std::uint64_t pos) {
        m_pos = static_cast<std::size_t>(std::min<std::uint64_t>(pos, m_data.size()));
    }
    // The next byte, or -1 at the end.
    int Byte() { return m_pos < m_data.size() ? m_data[m_pos++] : -1; }
    bool Read(std::uint8_t* out, std::size_t n) {
        if (n > Remaining()) return false;
        std::memcpy(out, m_data.data() + m_pos, n);
        m_pos += n;
        return true;
    }
    void Skip(std::size_t n) { m_pos += std::min(n, Remaining()); }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

// The same over an open file, read through a buffer of 64 KiB: a large GIF is never held whole.
class FileCursor {
public:
    FileCursor(std::FILE* file, std::uint64_t size) : m_file(file), m_size(size) {}
    std::size_t Remaining() const { return static_cast<std::size_t>(m_size - Position()); }
    void Seek(std::uint64_t pos) {
        pos = std::min(pos, m_size);
        if (pos >= m_bufferStart && pos <= m_bufferStart + m_bufferEnd) {
            m_at = static_cast<std::size_t>(pos - m_bufferStart);
        } else {
            m_bufferStart = pos;
            m_at = m_bufferEnd = 0;
        }
    }
    int Byte() {
        if (m_at == m_bufferEnd && !Fill()) return -1;
        return m_buffer[m_at++];
    }
    bool Read(std::uint8_t* out, std::size_t n) {
        if (n > Remaining()) return false;
        while (n > 0) {
            if (m_at == m_bufferEnd && !Fill()) return false;
            const std::size_t k = std::min(n, m_bufferEnd - m_at);
            std::memcpy(out, m_buffer.data() + m_at, k);
            m_at += k, out += k, n -= k;
        }
        return true;
    }
    void Skip(std::size_t n) { Seek(Position() + std::min(n, Remaining())); }
    std::uint64_t Position() const { return m_bufferStart + m_at; }

private:
    bool Fill() {
        m_bufferStart += m_bufferEnd;
        m_at = m_bufferEnd = 0;
        if (m_bufferStart >= m_size || std::fseek(m_file, static_cast<long>(m_bufferStart), SEEK_SET) != 0)
            return false;
        m_bufferEnd = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
        return m_bufferEnd > 0;
    }
    std::FILE* m_file;
    std::uint64_t m_size;
    std::uint64_t m_bufferStart = 0; // file position of the buffer's first byte
    std::size_t m_at = 0, m_bufferEnd = 0;
    std::array<std::uint8_t, 1 << 16> m_buffer{};
};

// Payload bytes of the data sub-blocks from the cursor up to the zero-length block (or the end
// of the file, a truncated last block counting what is there). The cursor does not move.
template <class Cursor>
std::size_t SubBlockPayload(const Cursor& at) {
    Cursor c = at;
    std::size_t total = 0;
    for (int len = c.Byte(); len > 0; len = c.Byte()) {
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), c.Remaining());
        total += n;
        c.Skip(n);
    }
    return total;
}

// The sub-blocks' payload, joined a piece of about 64 KiB at a time, each piece followed by 8
// zero bytes so that the bit reader may load 8 bytes at any position inside it.
template <class Cursor>
class SubBlockJoiner {
public:
    explicit SubBlockJoiner(Cursor& c) : m_c(c) {}
    // Keeps the bytes from `keep` on and appends payload after them; false once nothing is left.
    bool Refill(std::size_t keep) {
        std::memmove(m_data.data(), m_data.data() + keep, m_size - keep);
        m_size -= keep;
        const std::size_t before = m_size;
        while (!m_ended && m_size + 255 <= kPiece) {
            const int len = m_c.Byte();
            if (len <= 0) {
                m_ended = true;
                break;
            }
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), m_c.Remaining());
            m_c.Read(m_data.data() + m_size, n);
            m_size += n;
        }
        std::memset(m_data.data() + m_size, 0, 8);
        return m_size > before;
    }
    const std::uint8_t* Data() const { return m_data.data(); }
    std::size_t Size() const { return m_size; }
    bool Ended() const { return m_ended; }

private:
    static constexpr std::size_t kPiece = 1 << 16;
    Cursor& m_c;
    std::array<std::uint8_t, kPiece + 8> m_data{};
    std::size_t m_size = 0;
    bool m_ended = false;
};

// Copies a string of n bytes that ends at or before dst. Where the buffer has room, in 16-byte
// steps that may write up to 15 bytes past dst + n: every byte below dst + n still comes from
// the string itself, and what lies beyond is output still to come. A step's source and target
// overlap when the string ends less than 16 bytes before dst, hence memmove.
inline void CopyString(std::uint8_t* dst, const std::uint8_t* src, std::size_t n, bool roomy) {
    if (!roomy) {
        std::memcpy(dst, src, n);
        return;
    }
    for (std::size_t i = 0; i < n; i += 16)
        std::memmove(dst + i, src + i, 16);
}

// Decodes an LZW stream of minimum code size m into out[0, outSize); nothing is written at or
// beyond capacity (>= outSize), and bytes between the pixel count reached and capacity are not
// pixels. Every entry of the string table is a string already written out: the previous
// code's string followed by the next byte. So an entry is kept as where that string starts in
// the output and its length, and a code's string is copied from there. The input comes in
// pieces: Run decodes the whole codes of one and says where it stopped.
class LzwDecoder {
public:
    LzwDecoder(int m, std::uint8_t* out, std::size_t outSize, std::size_t capacity)
        : m_clear(1 << m), m_m(m), m_width(m + 1), m_mask((1u << (m + 1)) - 1), m_next((1 << m) + 2),
          m_out(out), m_outSize(outSize), m_capacity(capacity) {}
    // Decodes the codes that lie wholly in in[0, inSize) from bit bitPos on (in is padded with
    // 8 readable bytes); bitPos ends at the first code not decoded. False once decoding is over
    // (the image is full, or the end code or a bad code came).
    bool Run(const std::uint8_t* in, std::size_t inSize, std::uint64_t& bitPos);
    std::size_t Decoded() const { return m_outPos; }

private:
    std::array<std::uint32_t, kCodeLimit> m_start{};
    std::array<std::uint16_t, kCodeLimit> m_length{};
    const int m_clear;
    const int m_m;
    int m_width;
    std::uint32_t m_mask;
    int m_next;
    bool m_havePrevious = false;
    std::size_t m_previousStart = 0; // the previous code's string in the output
    std::size_t m_previousLength = 0;
    std::uint8_t* const m_out;
    const std::size_t m_outSize;
    const std::size_t m_capacity;
    std::size_t m_outPos = 0;
};

bool LzwDecoder::Run(const std::uint8_t* in, std::size_t inSize, std::uint64_t& bitPosition) {
    auto& start = m_start;
    auto& length = m_length;
    const int clear = m_clear, m = m_m;
    const int endOfInfo = clear + 1;
    const int firstFree = clear + 2;
    int width = m_width;
    std::uint32_t mask = m_mask;
    int next = m_next;
    bool havePrevious = m_havePrevious;
    std::size_t previousStart = m_previousStart;
    std::size_t previousLength = m_previousLength;
    std::uint8_t* const out = m_out;
    const std::size_t outSize = m_outSize, capacity = m_capacity;
    std::size_t outPos = m_outPos;
    const std::uint64_t totalBits = static_cast<std::uint64_t>(inSize) * 8;
    std::uint64_t bitPos = bitPosition;
    bool more = true;
    for (;;) {
        if (outPos >= outSize) {
            more = false;
            break;
        }
        if (bitPos + static_cast<std::uint64_t>(width) > totalBits) break;
        std::uint64_t word;
        std::memcpy(&word, in + (bitPos >> 3), 8); // little-endian host; the input is padded
        const int code = static_cast<int>((word >> (bitPos & 7)) & mask);
        bitPos += static_cast<std::uint64_t>(width);
        if (code == endOfInfo) {
            more = false;
            break;
        }
        if (code == clear) {
            width = m + 1;
            mask = (1u << width) - 1;
            next = firstFree;
            havePrevious = false;
            continue;
        }
        if (code > next) { // not yet defined: the stream is bad
            more = false;
            break;
        }
        std::uint8_t* const dst = out + outPos;
        const std::size_t room = outSize - outPos;
        const bool roomy = capacity - outPos >= std::size_t{kCodeLimit} + 16;
        std::size_t len = 1;
        if (!havePrevious) {
            if (code >= clear) { // no string to extend
                more = false;
                break;
            }
            *dst = static_cast<std::uint8_t>(code);
            havePrevious = true;
        } else {
            if (code < clear) {
                *dst = static_cast<std::uint8_t>(code);
            } else if (code == next) {
                // The string being defined: the previous string plus its own first byte.
                len = previousLength + 1;
                CopyString(dst, out + previousStart, std::min(previousLength, room), roomy);
                if (len <= room) dst[previousLength] = out[previousStart];
            } else {
                len = length[code];
                CopyString(dst, out + start[code], std::min(len, room), roomy);
            }
            if (next < kCodeLimit) {
                start[next] = static_cast<std::uint32_t>(previousStart);
                length[next] = static_cast<std::uint16_t>(previousLength + 1);
                ++next;
                if ((next & static_cast<int>(mask)) == 0 && next < kCodeLimit) {
                    ++width;
                    mask = 2 * mask + 1;
                }
            }
        }
        len = std::min(len, room); // output stops at the end of the image
        previousStart = outPos;
        previousLength = len;
        outPos += len;
    }
    m_width = width;
    m_mask = mask;
    m_next = next;
    m_havePrevious = havePrevious;
    m_previousStart = previousStart;
    m_previousLength = previousLength;
    m_outPos = outPos;
    bitPosition = bitPos;
    return more;
}

// Decodes the image's data sub-blocks from the cursor, a piece at a time; returns the pixels
// decoded. The cursor ends after the blocks read.
template <class Cursor>
std::size_t DecodeSubBlocks(Cursor& c, int m, std::uint8_t* out, std::size_t outSize,
                            std::size_t capacity) {
    LzwDecoder lzw(m, out, outSize, capacity);
    SubBlockJoiner<Cursor> joiner(c);
    std::uint64_t bitPos = 0;
    joiner.Refill(0);
    for (;;) {
        if (!lzw.Run(joiner.Data(), joiner.Size(), bitPos)) break;
        if (joiner.Ended()) break;
        // Keep the bytes of the code not yet decoded, and go on with the next piece.
        const std::size_t keep = static_cast<std::size_t>(bitPos >> 3);
        bitPos &= 7;
        joiner.Refill(keep);
    }
    return lzw.Decoded();
}

// Packs one row of one-byte pixels into 1, 4 (high nibble first) or 8 bits per pixel; indices
// are masked to the depth so a stray value cannot spill into its neighbour.
void PackRow(const std::uint8_t* src, std::uint32_t width, int depth, std::uint8_t* dst) {
    if (depth == 8) {
        std::memcpy(dst, src, width);
    } else if (depth == 4) {
        for (std::uint32_t x = 0; x + 1 < width; x += 2)
            *dst++ = static_cast<std::uint8_t>(((src[x] & 0x0F) << 4) | (src[x + 1] & 0x0F));
        if (width & 1) *dst = static_cast<std::uint8_t>((src[width - 1] & 0x0F) << 4);
    } else {
        for (std::uint32_t x = 0; x < width; ++x)
            if (src[x] & 1) dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    }
}

// The rows of a decoded 8-bit image, `width` bytes each at the start of bits in file order,
// become bitmap rows: bottom-up, `stride` bytes apart, padding zeroed. Rows are first permuted
// in place in cycles, then spread out to the stride from the last row back.
void PlaceRows(std::uint8_t* bits, std::size_t width, std::uint32_t height, std::size_t stride,
               const std::vector<std::uint32_t>& rowMap) {
    // The slot whose row belongs in bitmap row j (image row height - 1 - j).
    auto source = [&](std::uint32_t j) {
        return rowMap.empty() ? height - 1 - j : rowMap[height - 1 - j];
    };
    auto slot = [&](std::uint32_t j) { return bits + j * width; };
    std::vector<bool> done(height);
    std::vector<std::uint8_t> held(width);
    for (std::uint32_t first = 0; first < height; ++first) {
        if (done[first]) continue;
        std::memcpy(held.data(), slot(first), width);
        for (std::uint32_t j = first;;) {
            const std::uint32_t from = source(j);
            done[j] = true;
            if (from == first) {
                std::memcpy(slot(j), held.data(), width);
                break;
            }
            std::memcpy(slot(j), slot(from), width);
            j = from;
        }
    }
    if (stride == width) return;
    for (std::uint32_t j = height; j-- > 0;) {
        std::memmove(bits + j * stride, slot(j), width);
        std::memset(bits + j * stride + width, 0, stride - width);
    }
}

// An image's size and depth, read from its descriptor.
struct ImageHeader {
    int width = 0, height = 0, depth = 0;
};

struct Palette768 {
    std::array<std::uint8_t, kPaletteBytes> rgb{};
};

// Where an image's rows go: a packed DIB, or a bitmap.
struct DibRows {
    PackedDib dib;
    std::uint8_t* Make(int width, int height, int depth, const std::vector<RGBQUAD>& table,
                       std::size_t& stride, std::size_t& imageSize) {
        try {
            dib = MakePackedDib(width, height, depth, table);
        } catch (const std::bad_alloc&) {
            dib.clear();
        }
        if (dib.empty()) return nullptr;
        const auto view = ViewPackedDib(dib);
        stride = view->stride;
        imageSize = view->imageSize;
        return dib.data() + view->bitsOffset;
    }
    std::optional<PackedDib> Result() { return std::move(dib); }
};

struct BitmapRows {
    CDdb bitmap;
    std::uint8_t* Make(int width, int height, int depth, const std::vector<RGBQUAD>& table,
                       std::size_t& stride, std::size_t& imageSize) {
        try {
            bitmap = CDdb::Create(width, height, depth);
            bitmap.Palette() = table;
        } catch (const std::bad_alloc&) {
            bitmap = CDdb();
        }
        if (bitmap.IsNull()) return nullptr;
        stride = bitmap.Stride();
        imageSize = bitmap.Bits().size();
        return bitmap.Bits().data();
    }
    std::optional<CDdb> Result() { return std::move(bitmap); }
};

template <class Cursor, class Rows>
auto ReadImage(Cursor& c, Palette768& palette, int depth, GifFrameInfo& info, int& status,
               Rows& rows) -> decltype(rows.Result()) {
    std::uint8_t d[9];
    if (!c.Read(d, sizeof d)) return std::nullopt;
    info.left = ReadLe16(d);
    info.top = ReadLe16(d + 2);
    const std::uint32_t width = ReadLe16(d + 4);
    const std::uint32_t height = ReadLe16(d + 6);
    const int flags = d[8];
    if (flags & 0x80) {
        const int field = flags & 7;
        if (!c.Read(palette.rgb.data(), (std::size_t{2} << field) * 3)) return std::nullopt;
        depth = DepthForTableField(field);
    }
    const bool interlaced = (flags & 0x40) != 0;
    if (width == 0 || height == 0) return std::nullopt;
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels > kPixelLimit) {
        status = kGifStatusOutOfMemory;
        return std::nullopt;
    }
    const int m = c.Byte();
    if (m < (depth == 1 ? 1 : 2) || m > 8) return std::nullopt;
    const std::size_t payload = SubBlockPayload(c);
    if (pixels > std::uint64_t{payload} * kMaxPixelsPerDataByte) return std::nullopt;

    std::vector<RGBQUAD> table(std::size_t{1} << depth);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = {palette.rgb[3 * i + 2], palette.rgb[3 * i + 1], palette.rgb[3 * i], 0};
    std::size_t stride = 0, imageSize = 0;
    std::uint8_t* const bits =
        rows.Make(static_cast<int>(width), static_cast<int>(height), depth, table, stride, imageSize);
    if (!bits) {
        status = kGifStatusOutOfMemory;
        return std::nullopt;
    }
    std::unique_ptr<std::uint8_t[]> work; // 1 and 4 bits: one byte per pixel before packing
    try {
        if (depth != 8) work.reset(new std::uint8_t[pixels]);
    } catch (const std::bad_alloc&) {
        status = kGifStatusOutOfMemory;
        return rows.Result();
    }
    // 8-bit pixels are decoded straight into the bitmap's rows and then moved into place.
    std::uint8_t* const out = depth == 8 ? bits : work.get();
    const std::size_t capacity = depth == 8 ? imageSize : pixels;
    const std::size_t decoded = DecodeSubBlocks(c, m, out, pixels, capacity);
    std::memset(out + decoded, 0, pixels - decoded);

    const std::vector<std::uint32_t> rowMap =
        interlaced ? GifInterlaceRowMap(height) : std::vector<std::uint32_t>{};
    if (depth == 8) {
        PlaceRows(bits, width, height, stride, rowMap);
        return rows.Result();
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t from = interlaced ? rowMap[y] : y;
        PackRow(work.get() + std::size_t{from} * width, width, depth,
                bits + std::size_t{height - 1 - y} * stride);
    }
    return rows.Result();
}

// An image descriptor's size and depth, with ReadImage's refusals that need no pixels: a zero
// side, the pixel limit, the LZW minimum code size. The image data is not read, so a file cut
// short inside it passes. True for a descriptor ReadImage would accept.
template <class Cursor>
bool ReadDescriptor(Cursor& c, Palette768& palette, int depth, ImageHeader& header) {
    std::uint8_t d[9];
    if (!c.Read(d, sizeof d)) return false;
    const std::uint32_t width = ReadLe16(d + 4);
    const std::uint32_t height = ReadLe16(d + 6);
    const int flags = d[8];
    if (flags & 0x80) {
        const int field = flags & 7;
        if (!c.Read(palette.rgb.data(), (std::size_t{2} << field) * 3)) return false;
        depth = DepthForTableField(field);
    }
    if (width == 0 || height == 0 || std::uint64_t{width} * height > kPixelLimit) return false;
    const int m = c.Byte();
    if (m < (depth == 1 ? 1 : 2) || m > 8) return false;
    header = {static_cast<int>(width), static_cast<int>(height), depth};
    return true;
}

// Skips data sub-blocks up to and including the zero-length one.
template <class Cursor>
void SkipSubBlocks(Cursor& c) {
    for (int len = c.Byte(); len > 0; len = c.Byte())
        c.Skip(static_cast<std::size_t>(len));
}

} // namespace

std::vector<std::uint32_t> GifInterlaceRowMap(std::uint32_t height) {
    std::vector<std::uint32_t> map(height);
    std::uint32_t k = 0;
    constexpr std::uint32_t kStart[4] = {0, 4, 2, 1};
    constexpr std::uint32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::uint32_t y = kStart[pass]; y < height; y += kStep[pass])
            map[y] = k++;
    return map;
}

namespace {

// The screen descriptor, its table and the blocks up to the first image, which is read. With
// `headerOnly` the image is not decoded: it receives the image's size and depth.

template <class Cursor, class Rows>
auto ReadFirstImage(Cursor& c, std::int64_t firstOffset, std::int64_t altOffset, GifFrameInfo& info,
                    int& status, Rows& rows, ImageHeader* headerOnly = nullptr) -> decltype(rows.Result()) {
    status = kGifStatusOk;
    info = GifFrameInfo{};
    std::uint8_t header[13];
    if (!c.Read(header, 6) || std::memcmp(header, "GIF8", 4) != 0) return std::nullopt;
    if (!c.Read(header + 6, 7)) return std::nullopt;
    const int flags = header[10];
    const int field = flags & 7;
    const int depth = DepthForTableField(field);
    Palette768 palette;
    if (flags & 0x80) {
        if (!c.Read(palette.rgb.data(), (std::size_t{2} << field) * 3)) return std::nullopt;
    } else {
        const int step = depth == 1 ? 255 : depth == 4 ? 16 : 1;
        for (int i = 0; i < (1 << depth); ++i)
            std::memset(&palette.rgb[3 * static_cast<std::size_t>(i)], i * step, 3);
    }
    const std::size_t background = header[11];
    info.backgroundRed = palette.rgb[3 * background];
    info.backgroundGreen = palette.rgb[3 * background + 1];
    info.backgroundBlue = palette.rgb[3 * background + 2];
    if (firstOffset > 0)
        c.Seek(static_cast<std::uint64_t>(firstOffset));
    else if (altOffset > 0)
        c.Seek(static_cast<std::uint64_t>(altOffset));

    for (;;) {
        switch (c.Byte()) {
        case -1:
        case 0x3B: // trailer
            return std::nullopt;
        case 0x2C: // image separator
            if (headerOnly) {
                if (!ReadDescriptor(c, palette, depth, *headerOnly)) return std::nullopt;
                return rows.Result();
            }
            return ReadImage(c, palette, depth, info, status, rows);
        case 0x21: {
            const int label = c.Byte();
            if (label == 0xF9) {
                // Graphic control: size byte, packed byte, delay, transparent index. Its
                // terminator is skipped as an unknown byte by the loop.
                std::uint8_t g[5];
                if (!c.Read(g, sizeof g)) return std::nullopt;
                info.disposal = (g[1] >> 2) & 7;
                info.transparent = g[1] & 1;
                info.delay = ReadLe16(g + 2);
                info.transparentIndex = g[4];
            } else if (label >= 0) {
                SkipSubBlocks(c);
            }
            break;
        }
        default: // anything else between blocks is skipped
            break;
        }
    }
}

} // namespace

std::optional<PackedDib> ReadGifMemory(std::span<const std::uint8_t> data, std::int64_t firstOffset,
                                       std::int64_t altOffset, GifFrameInfo& info, int& status) {
    ByteCursor c(data);
    DibRows rows;
    return ReadFirstImage(c, firstOffset, altOffset, info, status, rows);
}

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// A regular file opened for the cursor, and its size.
File OpenRegular(const std::string& path, std::uint64_t& size) {
    File file(std::fopen(path.c_str(), "rb"), &std::fclose);
    struct stat st {};
    if (!file || fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) return File(nullptr, &std::fclose);
    size = static_cast<std::uint64_t>(st.st_size);
    return file;
}

} // namespace

CDdb ReadGifBitmap(const std::string& path, int& transparentIndex) {
    transparentIndex = -1;
    std::uint64_t size = 0;
    File file = OpenRegular(path, size);
    if (!file) return {};
    std::setvbuf(file.get(), nullptr, _IONBF, 0); // the cursor has its own buffer
    auto c = std::make_unique<FileCursor>(file.get(), size);
    BitmapRows rows;
    GifFrameInfo info;
    int status = 0;
    std::optional<CDdb> bitmap = ReadFirstImage(*c, 0, 0, info, status, rows);
    if (!bitmap || status != kGifStatusOk) return {};
    if (info.transparent) transparentIndex = info.transparentIndex;
    return std::move(*bitmap);
}

bool ReadGifHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    width = height = bitsPerPixel = 0;
    std::uint64_t size = 0;
    File file = OpenRegular(path, size);
    if (!file) return false;
    auto c = std::make_unique<FileCursor>(file.get(), size);
    BitmapRows rows;
    GifFrameInfo info;
    int status = 0;
    ImageHeader header;
    if (!ReadFirstImage(*c, 0, 0, info, status, rows, &header)) return false;
    width = header.width;
    height = header.height;
    bitsPerPixel = header.depth;
    return true;
}

std::optional<PackedDib> ReadGif(const std::string& path, std::int64_t firstOffset,
                                 std::int64_t altOffset, GifFrameInfo& info, int& status) {
    status = kGifStatusOk;
    info = GifFrameInfo{};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        status = kGifStatusCannotOpen;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(6);
    if (std::fread(bytes.data(), 1, 6, file.get()) != 6 ||
        std::memcmp(bytes.data(), "GIF8", 4) != 0)
        return std::nullopt;
    try {
        struct stat st {};
        if (fstat(fileno(file.get()), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 6)
            bytes.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t chunk[1 << 16];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
    } catch (const std::bad_alloc&) {
        status = kGifStatusOutOfMemory;
        return std::nullopt;
    }
    file.reset();
    return ReadGifMemory(bytes, firstOffset, altOffset, info, status);
}

} // namespace tsl
