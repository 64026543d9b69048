#pragma once
// Shared pieces of the small codecs: core's byte reader, big- and little-endian writers,
// validated pixel access to an input packed DIB, a builder for output DIBs that refuses sizes
// beyond the pixel limit before allocating, PackBits coding, and the conversion of foreign DIBs
// (core or info headers, bit fields, top-down rows) to our packed form.

#include "core/ByteReader.h"
#include "core/PackedDib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsl::fmt {

using Bytes = std::vector<std::uint8_t>;

// The bounds-checked reader of core, under the name the codecs use.
using tsl::ByteReader;

inline void PutU8(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
}
void PutLe16(Bytes& out, unsigned v);
void PutLe32(Bytes& out, std::uint32_t v);
void PutBe16(Bytes& out, unsigned v);
void PutBe32(Bytes& out, std::uint32_t v);
void PutZeros(Bytes& out, std::size_t n);
void PutBytes(Bytes& out, const std::uint8_t* p, std::size_t n);
// Overwrites four bytes at pos (length fields filled in once known).
void PatchLe32(Bytes& out, std::size_t pos, std::uint32_t v);
void PatchBe32(Bytes& out, std::size_t pos, std::uint32_t v);

// A validated input DIB (any depth ViewPackedDib accepts), rows counted from the top.
class DibPixels {
public:
    bool Open(const PackedDib& dib, std::string& error);
    int Width() const { return m_view.width; }
    int Height() const { return m_view.height; }
    int Bpp() const { return m_view.bitsPerPixel; }
    const PackedDibView& View() const { return m_view; }
    // The colour table (colours-used entries, at most 256).
    std::vector<RGBQUAD> Table() const;
    const std::uint8_t* Row(int y) const;
    // The table index at (x, y); only for 1, 4 and 8 bits.
    int Index(int x, int y) const;
    // The colour at (x, y); rgbReserved is the alpha byte of 32-bit pixels and 255 otherwise.
    // Indices past the table give black.
    RGBQUAD Colour(int x, int y) const;
    // For 32-bit DIBs: true when any alpha byte is non-zero (device bitmaps leave them zero).
    bool HasAlpha() const;

private:
    const PackedDib* m_dib = nullptr;
    PackedDibView m_view;
};

// The DIB itself when it is 1, 4, 8 or 24 bits, else a 24-bit copy (16-bit colours widened,
// the fourth byte of 32-bit pixels dropped), always bottom-up with a 40-byte header.
bool OpaqueDib(const PackedDib& dib, PackedDib& out, std::string& error);

// An output DIB, bottom-up, rows addressed from the top.
class DibBuilder {
public:
    // Refuses sizes beyond the pixel limit (error set) before allocating anything.
    bool Create(std::int64_t width, std::int64_t height, int bpp, const std::vector<RGBQUAD>& table,
                std::string& error);
    std::uint8_t* Row(int y) {
        return m_dib.data() + m_bits + static_cast<std::size_t>(m_height - 1 - y) * m_stride;
    }
    std::size_t Stride() const { return m_stride; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Stores an index of a 1-, 4- or 8-bit image.
    void SetIndex(int x, int y, int index);
    PackedDib Take() { return std::move(m_dib); }

private:
    PackedDib m_dib;
    int m_width = 0;
    int m_height = 0;
    int m_bpp = 0;
    std::size_t m_stride = 0;
    std::size_t m_bits = 0;
};

// True when width x height passes the pixel and side limits; sets error otherwise.
bool CheckImageSize(std::int64_t width, std::int64_t height, std::string& error);

// PackBits (Apple) = ByteRun1 (IFF): control n in 0..127 copies n+1 bytes, -1..-127 repeats the
// next byte 1-n times, -128 is a no-op. Decodes exactly n bytes into out; false when the input
// ends first. A run that overflows the row is cut at the row's end.
bool UnpackBits(ByteReader& in, std::uint8_t* out, std::size_t n);
// Encodes one row (runs of three or more become repeats).
void PackBits(const std::uint8_t* in, std::size_t n, Bytes& out);

// Converts a DIB stored as an info block (12-byte core header, or a 40-byte or longer info
// header; BI_RGB or BI_BITFIELDS; bottom-up or top-down) and its pixel bits to our packed form
// (40-byte header, BI_RGB, bottom-up, colour table with the header's entries). Bit fields become
// 24 bits, or 32 with an alpha mask. When bits is null the pixels follow the colour table inside
// info. rows, when positive, is the number of rows to take instead of the header's height (icons
// store twice the height). Refuses compressed DIBs, sizes beyond the pixel limit and data too
// short for the header's size.
bool NormaliseDib(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                  std::size_t bitsSize, PackedDib& out, std::string& error, int rows = 0);

} // namespace tsl::fmt
