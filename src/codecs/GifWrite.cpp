// GIF writing: a packed DIB of 1, 4 or 8 bits per pixel to a single-image GIF89a file.

#include "codecs/Gif.h"
#include "core/Files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

// The encoder's slot search loads words little-endian.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

constexpr int kCodeLimit = 4096; // LZW string-table entries
constexpr int kMaxCodeBits = 12;

// Packs codes least significant bit first into a byte stream, four bytes at a time.
struct BitWriter {
    std::uint8_t* at;
    std::uint64_t acc = 0;
    int bits = 0;

    void Put(int code, int width) {
        acc |= static_cast<std::uint64_t>(code) << bits;
        bits += width;
        if (bits >= 32) {
            const auto word = static_cast<std::uint32_t>(acc);
            std::memcpy(at, &word, 4);
            at += 4;
            acc >>= 32;
            bits -= 32;
        }
    }
    void Flush() {
        for (; bits > 0; bits -= 8, acc >>= 8)
            *at++ = static_cast<std::uint8_t>(acc);
    }
};

// Bytes of LZW output that a stream of `pixels` pixels can need: a 12-bit code per pixel at
// most, plus a clear code per 3838 codes and the opening clear and closing end codes.
std::size_t MaxLzwBytes(std::size_t pixels) {
    return (pixels + pixels / 1024 + 8) * 3 / 2 + 8;
}

// LZW encoder. Each code keeps up to 12 child slots, the codes (and suffix bytes) of the entries
// that extend it, so a string is nearly always found at once. A code with more children falls
// back to a linear search; it walks a chain of that code's further children, which finds the
// same entry as a search of the whole table (each prefix and suffix pair is in the table once)
// without looking at other codes' entries: in photographs most codes have more than 12 children.
class LzwEncoder {
public:
    static constexpr int kSlots = 12;
    static constexpr std::uint16_t kNone = kCodeLimit;

    explicit LzwEncoder(int m) : m_m(m), m_nodes(kCodeLimit) {}

    // Encodes the rows (one byte per pixel, in file order) as one stream of codes into out,
    // which has room for MaxLzwBytes; returns the end of what was written.
    std::uint8_t* Encode(const std::vector<const std::uint8_t*>& rows, std::uint32_t width,
                         std::uint8_t* out) {
        BitWriter packer{out};
        const int clear = 1 << m_m;
        const int firstFree = clear + 2;
        // Plain pointers: the output's byte stores could alias members, locals they cannot.
        Node* const nodes = m_nodes.data();
        std::uint16_t* const sibling = m_sibling.data();
        std::uint8_t* const suffix = m_suffix.data();
        int next = firstFree;
        auto reset = [&] { // only roots exist; an entry's slots are emptied when it is added
            next = firstFree;
            for (int i = 0; i < clear; ++i)
                nodes[i].used = 0, nodes[i].more = kNone;
        };
        reset();
        packer.Put(clear, m_m + 1);
        int codeWidth = m_m + 1;
        int p = rows[0][0];
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::uint8_t* const row = rows[r];
            for (std::uint32_t x = r == 0 ? 1 : 0; x < width; ++x) {
                const int c = row[x];
                Node& node = nodes[p];
                const int children = node.used;
                const int slot = FindSuffix(node.suffix, children, c);
                int found = slot >= 0 ? node.child[slot] : -1;
                if (found < 0 && children == kSlots)
                    for (int k = node.more; k != kNone; k = sibling[k])
                        if (suffix[k] == c) {
                            found = k;
                            break;
                        }
                if (found >= 0) {
                    p = found;
                    continue;
                }
                packer.Put(p, codeWidth);
                if (next == kCodeLimit) {
                    // Table full: a clear code, still at the full width, and a fresh table.
                    packer.Put(clear, codeWidth);
                    reset();
                    codeWidth = m_m + 1;
                } else {
                    const int code = next++;
                    suffix[code] = static_cast<std::uint8_t>(c);
                    nodes[code].used = 0;
                    nodes[code].more = kNone;
                    if (children < kSlots) {
                        node.child[children] = static_cast<std::uint16_t>(code);
                        node.suffix[children] = static_cast<std::uint8_t>(c);
                        node.used = static_cast<std::uint8_t>(children + 1);
                    } else {
                        sibling[code] = node.more;
                        node.more = static_cast<std::uint16_t>(code);
                    }
                    codeWidth =
                        std::clamp(static_cast<int>(std::bit_width(static_cast<unsigned>(code))), 3,
                                   kMaxCodeBits);
                }
                p = c;
            }
        }
        packer.Put(p, codeWidth);
        packer.Put(clear + 1, codeWidth);
        packer.Flush();
        return packer.at;
    }

private:
    // The slot among the first `used` of the 12 whose suffix is c, or -1. A code with one or two
    // children (flat colour) is tried at its first slot, a test the processor predicts well
    // there. Otherwise all 12 bytes are compared at once, 8 and 4 to a word, so that noisy rows
    // cost no mispredicted branches: a byte equal to c becomes zero, and
    // (x - 0x01..) & ~x & 0x80.. flags it; a false flag can only appear above a true one, so the
    // lowest flag is exact.
    static int FindSuffix(const std::uint8_t* suffixes, int used, int c) {
        if (used >= 1 && used <= 2 && suffixes[0] == c) return 0;
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        std::uint64_t low = 0, high = 0;
        std::memcpy(&low, suffixes, 8);
        std::memcpy(&high, suffixes + 8, 4);
        const std::uint64_t pattern = kOnes * static_cast<std::uint64_t>(c);
        low ^= pattern;
        high ^= pattern & 0xFFFFFFFFu;
        std::uint64_t lowFlags = (low - kOnes) & ~low & kHighs;
        std::uint64_t highFlags = (high - kOnes) & ~high & kHighs & 0x80808080u;
        // One bit per slot: slot s at bit s, slots not in use cleared.
        const std::uint64_t magic = 0x0102040810204080u; // gathers the high bit of each byte
        const unsigned bits = static_cast<unsigned>(((lowFlags >> 7) * magic) >> 56) |
                              static_cast<unsigned>(((highFlags >> 7) * magic) >> 56) << 8;
        const unsigned inUse = bits & ((1u << used) - 1);
        return inUse ? std::countr_zero(inUse) : -1;
    }

    // One cache line per code: its 12 child slots (suffix bytes and codes) and the head of
    // the chain of its further children.
    struct alignas(64) Node {
        std::uint8_t suffix[kSlots];
        std::uint8_t used;  // slots taken
        std::uint16_t more; // the last child beyond the slots, or kNone
        std::uint16_t child[kSlots];
    };

    const int m_m;
    std::vector<Node> m_nodes;
    std::array<std::uint16_t, kCodeLimit> m_sibling{}; // the child of the same code before it
    std::array<std::uint8_t, kCodeLimit> m_suffix{};
};

void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}


std::vector<std::uint8_t> Encode(const PackedDib& dib, bool globalTable, bool interlace,
                                 int transparentIndex) {
    const auto view = ViewPackedDib(dib);
    if (!view) return {};
    const int bpp = view->bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8) return {};
    if (view->width > 65535 || view->height > 65535) return {};
    if (transparentIndex < -1 || transparentIndex > 255) return {};
    const auto width = static_cast<std::uint32_t>(view->width);
    const auto height = static_cast<std::uint32_t>(view->height);
    const std::size_t pixels = std::size_t{width} * height;

    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    out.reserve(2048);
    PutLe16(out, width);
    PutLe16(out, height);
    out.push_back(static_cast<std::uint8_t>((globalTable ? 0x80 : 0) + (bpp - 1) * 16 + (bpp - 1)));
    out.push_back(0); // background index
    out.push_back(0); // aspect ratio

    // The colour table: as many entries as the bitmap has, at most 2^bpp, padded with black.
    const int entries = 1 << bpp;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(entries) * 3, 0);
    for (int i = 0; i < std::min(view->colourCount, entries); ++i) {
        table[3 * static_cast<std::size_t>(i)] = view->table[i].rgbRed;
        table[3 * static_cast<std::size_t>(i) + 1] = view->table[i].rgbGreen;
        table[3 * static_cast<std::size_t>(i) + 2] = view->table[i].rgbBlue;
    }
    if (globalTable) out.insert(out.end(), table.begin(), table.end());

    // Graphic control extension: transparency flag, delay 0, transparent index, terminator.
    const std::uint8_t transparent = transparentIndex != -1 ? 1 : 0;
    const auto index = static_cast<std::uint8_t>(transparent ? transparentIndex : 0);
    out.insert(out.end(), {0x21, 0xF9, 4, transparent, 0, 0, index, 0});

    out.push_back(0x2C);
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe16(out, width);
    PutLe16(out, height);
    out.push_back(
        static_cast<std::uint8_t>((globalTable ? 0 : 0x80) + (interlace ? 0x40 : 0) + (bpp - 1)));
    if (!globalTable) out.insert(out.end(), table.begin(), table.end());

    // The rows in file order; 8-bit rows straight from the bitmap, others unpacked to a byte
    // per pixel first.
    const std::uint8_t* bits = dib.data() + view->bitsOffset;
    const std::vector<std::uint32_t> rowMap =
        interlace ? GifInterlaceRowMap(height) : std::vector<std::uint32_t>{};
    std::vector<const std::uint8_t*> rows(height);
    std::vector<std::uint8_t> unpacked(bpp == 8 ? 0 : pixels);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = bits + (view->topDown ? y : height - 1 - y) * view->stride;
        const std::uint32_t at = interlace ? rowMap[y] : y;
        if (bpp != 8) {
            std::uint8_t* dst = unpacked.data() + std::size_t{at} * width;
            for (std::uint32_t x = 0; x < width; ++x)
                dst[x] =
                    static_cast<std::uint8_t>(bpp == 4 ? (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F
                                                       : (src[x >> 3] >> (7 - (x & 7))) & 1);
            src = dst;
        }
        rows[at] = src;
    }

    const int m = bpp == 1 ? 2 : bpp;
    out.push_back(static_cast<std::uint8_t>(m));
    // Pages of the buffer that are never written cost nothing.
    const std::unique_ptr<std::uint8_t[]> raw(new std::uint8_t[MaxLzwBytes(pixels)]);
    const std::size_t size =
        static_cast<std::size_t>(LzwEncoder(m).Encode(rows, width, raw.get()) - raw.get());
    // Data sub-blocks of 255 bytes, the rest in one of its true length, then the zero-length
    // terminator. No empty block: its length byte would end the data and leave a stray zero.
    out.reserve(out.size() + size + size / 255 + 3);
    for (std::size_t at = 0; at < size; at += 255) {
        const std::size_t n = std::min<std::size_t>(255, size - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), raw.get() + at, raw.get() + at + n);
    }
    out.push_back(0);
    out.push_back(';');
    return out;
}

} // namespace

std::vector<std::uint8_t> EncodeGif(const PackedDib& dib, bool globalTable, bool interlace,
                                    int transparentIndex) {
    try {
        return Encode(dib, globalTable, interlace, transparentIndex);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

int WriteGif(const std::string& path, const PackedDib& dib, bool globalTable, bool interlace,
             int transparentIndex) {
    const std::vector<std::uint8_t> bytes =
        EncodeGif(dib, globalTable, interlace, transparentIndex);
    if (bytes.empty()) return 0;
    return ReplaceFileContents(path, bytes) ? 1 : 0;
}

} // namespace tsl
