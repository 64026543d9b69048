#pragma once
// One validated reading of the header that starts a DIB block (a packed DIB, a BMP file after
// its 14-byte file header, an icon's or a metafile record's bitmap), of any size the format
// knows: the 12-byte core header with 16-bit sides and 3-byte colour entries, the 16- to 64-byte
// OS/2 2.x headers, the 40-byte info header and its 52-, 56-, 108- and 124-byte forms.
//
// Reading is two steps. ReadDibHeader takes the fields; each reader then applies its own rules
// on what it accepts (header sizes, compressions, depths, table lengths). LayOutDib places the
// masks, the colour table and the rows in the block with checked arithmetic and refuses a layout
// that does not fit, or (for rows in the block) one beyond the pixel limit, before anything is
// allocated.

#include "core/Dib.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tsl {

inline constexpr std::uint32_t kCoreHeaderSize = 12;

struct DibHeader {
    std::uint32_t size = 0; // bytes of the header, its first field
    bool core = false;      // the 12-byte header
    // The fields in info-header form. Those a short header leaves out read as zero (a field cut
    // by the header's end keeps the bytes it has); a core header's 16-bit sides are unsigned.
    BITMAPINFOHEADER info;
    // Red, green, blue and alpha masks of a BI_BITFIELDS header: after a header shorter than 52
    // bytes, from byte 40 of a longer one (alpha only in 56 bytes or more). Zero when the block
    // ends first or the header is not BI_BITFIELDS.
    std::uint32_t masks[4] = {};

    int EntrySize() const { return core ? 3 : 4; }
    // In the OS/2 2.x headers compression 3 is Huffman 1D and 4 is 24-bit RLE.
    bool Os2() const { return !core && (size < 40 || size == 64); }
    // Entries the colour table holds: colours-used, or when that is 0 all that a depth of 8 bits
    // or less addresses.
    std::uint64_t StoredEntries() const;
};

// The header-size field at the start of a block; 0 when the block is shorter than it.
std::uint32_t DibHeaderSize(const std::uint8_t* block, std::size_t size);

// The header at the start of the block. Nothing when its size is below 12 or past the block.
std::optional<DibHeader> ReadDibHeader(const std::uint8_t* block, std::size_t size);

// Where a DIB's parts lie, from the start of its block.
struct DibLayout {
    DibHeader header;
    std::int64_t width = 0;
    std::int64_t height = 0; // rows: the header's height without its sign
    bool topDown = false;    // the header's height was negative
    int bitsPerPixel = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t masks[4] = {};
    std::size_t tableOffset = 0;    // after the header and the masks between it and the table
    std::uint64_t tableEntries = 0; // entries the table occupies
    int entrySize = 4;
    std::size_t bitsOffset = 0;
    std::size_t stride = 0;    // with rows in the block; 0 otherwise
    std::size_t imageSize = 0; // stride * height with rows in the block; 0 otherwise
};

struct DibLayoutOptions {
    // Bytes of masks between header and table; by default 12 for a BI_BITFIELDS header shorter
    // than 52 bytes and 0 otherwise.
    std::optional<std::size_t> maskBytes;
    // Entries the table occupies; by default the header's StoredEntries().
    std::optional<std::uint64_t> tableEntries;
    // Where the rows start (a BMP file's pixel offset, made relative to the block); by default
    // right after the table. Never before the table's end.
    std::optional<std::size_t> bitsOffset;
    // The uncompressed rows must lie in the block and the image within the pixel limit. Off for
    // run-length data, rows kept elsewhere, or a caller that checks the size itself.
    bool rowsInBlock = true;
};

// Places masks, table and rows of a block of blockSize bytes; nothing when any part lies past
// the block or (with rows in the block) the size is not positive or beyond the pixel limit.
std::optional<DibLayout> LayOutDib(const DibHeader& header, std::size_t blockSize,
                                   const DibLayoutOptions& options = {});

} // namespace tsl
