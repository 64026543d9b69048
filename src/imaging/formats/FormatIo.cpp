#include "imaging/formats/FormatIo.h"

#include "core/DibHeader.h"

#include <algorithm>
#include <cstring>

namespace tsl::fmt {

void PutLe16(Bytes& out, unsigned v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}
void PutLe32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        PutU8(out, v >> (8 * i));
}
void PutBe16(Bytes& out, unsigned v) {
    PutU8(out, v >> 8);
    PutU8(out, v);
}
void PutBe32(Bytes& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        PutU8(out, v >> (8 * i));
}
void PutZeros(Bytes& out, std::size_t n) {
    out.insert(out.end(), n, 0);
}
void PutBytes(Bytes& out, const std::uint8_t* p, std::size_t n) {
    out.insert(out.end(), p, p + n);
}
void PatchLe32(Bytes& out, std::size_t pos, std::uint32_t v) {
    WriteLe32(out.data() + pos, v);
}
void PatchBe32(Bytes& out, std::size_t pos, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[pos + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// ---------------------------------------------------------------------------------------------

bool DibPixels::Open(const PackedDib& dib, std::string& error) {
    auto view = ViewPackedDib(dib);
    if (!view) {
        error = "not a valid uncompressed packed DIB";
        return false;
    }
    m_dib = &dib;
    m_view = *view;
    return true;
}

std::vector<RGBQUAD> DibPixels::Table() const {
    return std::vector<RGBQUAD>(m_view.table, m_view.table + m_view.colourCount);
}

const std::uint8_t* DibPixels::Row(int y) const {
    const int stored = m_view.topDown ? y : m_view.height - 1 - y;
    return m_dib->data() + m_view.bitsOffset + static_cast<std::size_t>(stored) * m_view.stride;
}

int DibPixels::Index(int x, int y) const {
    const std::uint8_t* row = Row(y);
    switch (m_view.bitsPerPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default:
        return row[x];
    }
}

RGBQUAD DibPixels::Colour(int x, int y) const {
    const int bpp = m_view.bitsPerPixel;
    if (bpp <= 8) {
        const int i = Index(x, y);
        RGBQUAD q = i < m_view.colourCount ? m_view.table[i] : RGBQUAD{};
        q.rgbReserved = 255;
        return q;
    }
    const std::uint8_t* row = Row(y);
    if (bpp == 16) {
        const int w = row[2 * x] | (row[2 * x + 1] << 8);
        const int r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
        return {static_cast<std::uint8_t>((b << 3) | (b >> 2)),
                static_cast<std::uint8_t>((g << 3) | (g >> 2)),
                static_cast<std::uint8_t>((r << 3) | (r >> 2)), 255};
    }
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * (bpp / 8);
    return {p[0], p[1], p[2], bpp == 32 ? p[3] : std::uint8_t{255}};
}

bool DibPixels::HasAlpha() const {
    if (m_view.bitsPerPixel != 32) return false;
    for (int y = 0; y < Height(); ++y) {
        const std::uint8_t* row = Row(y);
        for (int x = 0; x < Width(); ++x)
            if (row[4 * x + 3] != 0) return true;
    }
    return false;
}

bool OpaqueDib(const PackedDib& dib, PackedDib& out, std::string& error) {
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    const int bpp = src.Bpp() == 16 || src.Bpp() == 32 ? 24 : src.Bpp();
    DibBuilder b;
    if (!b.Create(src.Width(), src.Height(), bpp, src.Table(), error)) return false;
    const std::size_t rowBytes = (static_cast<std::size_t>(src.Width()) * bpp + 7) / 8;
    for (int y = 0; y < src.Height(); ++y) {
        std::uint8_t* row = b.Row(y);
        if (bpp == src.Bpp()) {
            std::memcpy(row, src.Row(y), rowBytes);
            continue;
        }
        for (int x = 0; x < src.Width(); ++x) {
            const RGBQUAD q = src.Colour(x, y);
            row[3 * x] = q.rgbBlue, row[3 * x + 1] = q.rgbGreen, row[3 * x + 2] = q.rgbRed;
        }
    }
    out = b.Take();
    return true;
}

// ---------------------------------------------------------------------------------------------

bool CheckImageSize(std::int64_t width, std::int64_t height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "the image has no pixels";
        return false;
    }
    if (width > kSideLimit || height > kSideLimit ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kPixelLimit) {
        error = "the image is larger than the pixel limit";
        return false;
    }
    return true;
}

bool DibBuilder::Create(std::int64_t width, std::int64_t height, int bpp,
                        const std::vector<RGBQUAD>& table, std::string& error) {
    if (!CheckImageSize(width, height, error)) return false;
    m_dib = MakePackedDib(static_cast<int>(width), static_cast<int>(height), bpp, table);
    if (m_dib.empty()) {
        error = "the image is larger than the pixel limit";
        return false;
    }
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_bpp = bpp;
    m_stride = *DibStride(width, bpp);
    m_bits = m_dib.size() - m_stride * static_cast<std::size_t>(m_height);
    return true;
}

void DibBuilder::SetIndex(int x, int y, int index) {
    std::uint8_t* row = Row(y);
    if (m_bpp == 8) {
        row[x] = static_cast<std::uint8_t>(index);
    } else if (m_bpp == 4) {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] =
            static_cast<std::uint8_t>((row[x >> 1] & ~(15 << shift)) | ((index & 15) << shift));
    } else {
        const int bit = 7 - (x & 7);
        row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(1 << bit)) | ((index & 1) << bit));
    }
}

// ---------------------------------------------------------------------------------------------

bool UnpackBits(ByteReader& in, std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        if (!in.Has(1)) return false;
        const int c = static_cast<std::int8_t>(in.U8());
        if (c >= 0) {
            const std::size_t count = static_cast<std::size_t>(c) + 1;
            const std::uint8_t* p = in.Take(count);
            if (!p) return false;
            const std::size_t take = std::min(count, n - done);
            std::memcpy(out + done, p, take);
            done += take;
        } else if (c != -128) {
            const std::size_t count = static_cast<std::size_t>(1 - c);
            if (!in.Has(1)) return false;
            const std::uint8_t v = in.U8();
            const std::size_t take = std::min(count, n - done);
            std::memset(out + done, v, take);
            done += take;
        }
    }
    return true;
}

void PackBits(const std::uint8_t* in, std::size_t n, Bytes& out) {
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && in[i + run] == in[i])
            ++run;
        if (run >= 3 || (run == 2 && i + run == n)) {
            PutU8(out, static_cast<unsigned>(257 - run)); // -(run-1) as a byte
            PutU8(out, in[i]);
            i += run;
            continue;
        }
        // A literal stretch up to the next run of three.
        std::size_t j = i;
        while (j < n && j - i < 128) {
            if (j + 2 < n && in[j] == in[j + 1] && in[j] == in[j + 2]) break;
            ++j;
        }
        PutU8(out, static_cast<unsigned>(j - i - 1));
        PutBytes(out, in + i, j - i);
        i = j;
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

int MaskShift(std::uint32_t mask) {
    int s = 0;
    while (s < 32 && !(mask & (1u << s)))
        ++s;
    return s;
}
int MaskBits(std::uint32_t mask, int shift) {
    int n = 0;
    while (shift + n < 32 && (mask & (1u << (shift + n))))
        ++n;
    return n;
}
} // namespace

bool NormaliseDib(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                  std::size_t bitsSize, PackedDib& out, std::string& error, int rows) {
    const std::uint32_t headerSize = DibHeaderSize(info, infoSize);
    if (headerSize != kCoreHeaderSize && (headerSize < 16 || headerSize > 1024)) {
        error = "unknown bitmap header size";
        return false;
    }
    const auto read = ReadDibHeader(info, infoSize);
    if (!read) {
        error = "truncated bitmap header";
        return false;
    }
    // Here only whole fields count, and a core header's height is signed.
    DibHeader h = *read;
    if (h.size < 20) h.info.biCompression = BI_RGB;
    if (h.size < 36) h.info.biClrUsed = 0;
    if (h.core) h.info.biHeight = static_cast<std::int16_t>(h.info.biHeight);
    const int bpp = h.info.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        error = "unsupported bits per pixel in bitmap";
        return false;
    }
    // In a 64-byte OS/2 header the value 3 means Huffman coding, not bit fields.
    const std::uint32_t compression = h.info.biCompression;
    const bool bitfields =
        compression == BI_BITFIELDS && (bpp == 16 || bpp == 32) && h.size != 64;
    if (compression != BI_RGB && !bitfields) {
        error = "compressed bitmaps are not supported";
        return false;
    }
    const std::uint32_t clrUsed = h.info.biClrUsed;
    if (clrUsed > 256 && bpp <= 8) {
        error = "colour table too large";
        return false;
    }
    // Tables of direct-colour DIBs are only a hint: skipped when the rows follow them.
    DibLayoutOptions options;
    options.rowsInBlock = false;
    if (bpp > 8) options.tableEntries = !bits && clrUsed <= 256 && !bitfields ? clrUsed : 0;
    const auto l = LayOutDib(h, infoSize, options);
    if (!l) {
        error = "truncated colour table";
        return false;
    }
    std::uint32_t masks[4] = {0, 0, 0, 0};
    if (bitfields) std::copy(l->masks, l->masks + 4, masks);
    std::vector<RGBQUAD> table(bpp <= 8 ? static_cast<std::size_t>(l->tableEntries) : 0);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint8_t* e = info + l->tableOffset + i * l->entrySize;
        table[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    if (!bits) {
        bits = info + l->bitsOffset;
        bitsSize = infoSize - l->bitsOffset;
    }
    const std::int64_t width = l->width;
    const bool topDown = l->topDown;
    const std::int64_t totalRows = l->height;
    const std::int64_t useRows = rows > 0 ? rows : totalRows;
    if (useRows > totalRows || !CheckImageSize(width, useRows, error)) {
        if (useRows > totalRows) error = "bitmap height out of range";
        return false;
    }
    const std::size_t stride = *DibStride(width, bpp);
    auto need = CheckedMul(stride, static_cast<std::size_t>(useRows));
    if (!need || *need > bitsSize) {
        error = "bitmap data is truncated";
        return false;
    }
    const int outBpp = bitfields ? (masks[3] ? 32 : 24) : bpp;
    DibBuilder b;
    if (!b.Create(width, useRows, outBpp, table, error)) return false;
    int shifts[4], counts[4];
    for (int i = 0; i < 4; ++i) {
        shifts[i] = MaskShift(masks[i]);
        counts[i] = masks[i] ? MaskBits(masks[i], shifts[i]) : 0;
    }
    for (int y = 0; y < useRows; ++y) {
        // Rows of a bottom-up DIB are stored last row first; icons keep their first rows.
        const std::int64_t stored = topDown ? y : useRows - 1 - y;
        const std::uint8_t* src = bits + static_cast<std::size_t>(stored) * stride;
        std::uint8_t* dst = b.Row(y);
        if (!bitfields) {
            std::memcpy(dst, src, stride);
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint32_t v = bpp == 16 ? ReadLe16(src + 2 * x) : ReadLe32(src + 4 * x);
            std::uint8_t c[4];
            for (int i = 0; i < 4; ++i)
                c[i] = masks[i] ? ScaleBits((v & masks[i]) >> shifts[i], counts[i]) : 0;
            std::uint8_t* d = dst + x * (outBpp / 8);
            d[0] = c[2], d[1] = c[1], d[2] = c[0];
            if (outBpp == 32) d[3] = c[3];
        }
    }
    out = b.Take();
    return true;
}

} // namespace tsl::fmt
