#pragma once
// CDdb: the device bitmap value type. Width, height, bits per pixel, bottom-up rows padded to
// 4 bytes like a DIB, and an optional palette. The program makes device bitmaps at the
// screen's depth, 32 bits (B, G, R, X), with X zero: the fourth byte is not part of the
// picture, and holders take such rows over without a pass to clear it. Tools may keep other
// depths.

#include "core/Dib.h"

#include <cstdint>
#include <vector>

namespace tsl {

class CDdb {
public:
    CDdb() = default;
    // An image of the given size and depth, all bytes zero; empty when the size is refused.
    static CDdb Create(int width, int height, int bitsPerPixel = 32);
    // The same holding a copy of `rows` (stride x height bytes, bottom-up), written once
    // instead of cleared and then copied.
    static CDdb Create(int width, int height, int bitsPerPixel, const std::uint8_t* rows);

    bool IsNull() const { return m_width <= 0 || m_height <= 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    std::size_t Stride() const { return m_stride; }
    // Row y counted from the bottom of the picture (row 0 is the bottom row).
    std::uint8_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_stride; }
    const std::uint8_t* Row(int y) const {
        return m_bits.data() + static_cast<std::size_t>(y) * m_stride;
    }
    std::vector<std::uint8_t>& Bits() { return m_bits; }
    const std::vector<std::uint8_t>& Bits() const { return m_bits; }
    std::vector<RGBQUAD>& Palette() { return m_palette; }
    const std::vector<RGBQUAD>& Palette() const { return m_palette; }

private:
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    std::size_t m_stride = 0;
    std::vector<std::uint8_t> m_bits;
    std::vector<RGBQUAD> m_palette;
};

// Pixel blocks of several megabytes are backed by the system's huge pages where it offers
// them on request (transparent huge pages in "madvise" mode). The first touch of fresh memory
// dominates making a large picture: with 4 KiB pages a 24-megapixel image takes some 24,000
// page faults, with 2 MiB pages fewer than 50. Create advises its rows so.
// Advises huge pages for the fresh, not yet touched memory at start (large blocks only).
void AdviseHugePages(void* start, std::size_t size);

// Sets the fourth byte of `count` 4-byte pixels to zero, a word at a time: the device's form of
// rows that came with alpha or a filler byte there.
void ClearFourthBytes(std::uint8_t* pixels, std::size_t count);
// The same over a whole 32-bit bitmap; other depths are left alone.
void ClearFourthBytes(CDdb& bitmap);

} // namespace tsl
