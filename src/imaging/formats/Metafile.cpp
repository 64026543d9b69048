#include "imaging/formats/Metafile.h"

#include "imaging/formats/FormatIo.h"

namespace tsl {

using namespace fmt;

namespace {

constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrBitBlt = 76;
constexpr std::uint32_t kEmrStretchBlt = 77;
constexpr std::uint32_t kEmrSetDiBitsToDevice = 80;
constexpr std::uint32_t kEmrStretchDiBits = 81;
constexpr std::uint32_t kEmfSignature = 0x464D4520;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr unsigned kMetaEof = 0x0000;
constexpr unsigned kMetaSetWindowOrg = 0x020B;
constexpr unsigned kMetaSetWindowExt = 0x020C;
constexpr unsigned kMetaStretchDib = 0x0F43;
constexpr unsigned kMetaDibStretchBlt = 0x0B41;

// Records that set up state without drawing, nor changing where a copied bitmap lands in the
// frame.
bool IsHarmlessWmfRecord(unsigned function) {
    switch (function) {
    case 0x0102: // SetBkMode
    case 0x0103: // SetMapMode
    case 0x0104: // SetROP2
    case 0x0105: // SetRelAbs
    case 0x0106: // SetPolyFillMode
    case 0x0107: // SetStretchBltMode
    case 0x012E: // SetTextAlign
    case 0x0201: // SetBkColor
    case 0x0209: // SetTextColor
    case 0x020D: // SetViewportOrg
    case 0x020E: // SetViewportExt
    case 0x0231: // SetMapperFlags
        return true;
    default:
        return false;
    }
}

// The 18-byte header: type 1 (memory) or 2 (disk), nine words, version 1.0 or 3.0.
bool IsWmfHeader(const std::uint8_t* p, std::size_t size) {
    if (size < kWmfHeaderSize) return false;
    const unsigned type = ReadLe16(p), words = ReadLe16(p + 2), version = ReadLe16(p + 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300);
}

std::int16_t S16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(ReadLe16(p));
}

// Splits a normalised packed DIB into its info block (header and table) and its bits.
std::size_t InfoSize(const PackedDib& dib) {
    const auto v = ViewPackedDib(dib);
    return v ? v->bitsOffset : 0;
}

} // namespace

bool WriteWmf(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    PackedDib image;
    if (!OpaqueDib(dib, image, error)) return false;
    const auto v = ViewPackedDib(image);
    const int w = v->width, h = v->height;
    if (w > 32767 || h > 32767) {
        error = "metafiles hold images of at most 32767 pixels a side";
        return false;
    }
    const std::size_t dibWords = (image.size() + 1) / 2;
    if (dibWords > 0x7FFFFFF0u) {
        error = "the image is too large for a metafile";
        return false;
    }
    Bytes o;
    // Placeable header.
    PutLe32(o, 0x9AC6CDD7);
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe16(o, static_cast<unsigned>(w));
    PutLe16(o, static_cast<unsigned>(h));
    PutLe16(o, 96);
    PutLe32(o, 0);
    unsigned checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= ReadLe16(o.data() + 2 * i);
    PutLe16(o, checksum);
    // Metafile header; sizes in 16-bit words.
    const std::uint32_t stretchWords = static_cast<std::uint32_t>(3 + 2 + 1 + 8 + dibWords);
    const std::uint32_t totalWords = 9 + 5 + 5 + stretchWords + 3;
    PutLe16(o, 1);
    PutLe16(o, 9);
    PutLe16(o, 0x0300);
    PutLe32(o, totalWords);
    PutLe16(o, 0);
    PutLe32(o, stretchWords);
    PutLe16(o, 0);
    // SetWindowOrg(0, 0), SetWindowExt(w, h): parameters are stored last first.
    PutLe32(o, 5);
    PutLe16(o, 0x020B);
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe32(o, 5);
    PutLe16(o, 0x020C);
    PutLe16(o, static_cast<unsigned>(h));
    PutLe16(o, static_cast<unsigned>(w));
    // StretchDIB: rop, usage, source h, w, y, x, destination h, w, y, x, DIB.
    PutLe32(o, stretchWords);
    PutLe16(o, 0x0F43);
    PutLe32(o, kSrcCopy);
    PutLe16(o, 0);
    PutLe16(o, static_cast<unsigned>(h));
    PutLe16(o, static_cast<unsigned>(w));
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe16(o, static_cast<unsigned>(h));
    PutLe16(o, static_cast<unsigned>(w));
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutBytes(o, image.data(), image.size());
    if (image.size() & 1) PutU8(o, 0);
    // End of file.
    PutLe32(o, 3);
    PutLe16(o, 0);
    out = std::move(o);
    return true;
}

bool LooksLikeWmf(const std::vector<std::uint8_t>& file) {
    return (file.size() >= 4 && ReadLe32(file.data()) == kPlaceableKey) ||
           IsWmfHeader(file.data(), file.size());
}

bool ReadWmf(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    const bool placeable = file.size() >= 4 && ReadLe32(file.data()) == kPlaceableKey;
    const std::size_t start = placeable ? kPlaceableSize : 0;
    if (file.size() < start || !IsWmfHeader(file.data() + start, file.size() - start)) {
        error = "not a Windows metafile";
        return false;
    }
    // The frame: the placeable bounding box, unless the records set the window.
    bool haveExtent = placeable;
    int frameX = 0, frameY = 0, frameW = 0, frameH = 0;
    if (placeable) {
        frameX = S16(file.data() + 6);
        frameY = S16(file.data() + 8);
        frameW = S16(file.data() + 10) - frameX;
        frameH = S16(file.data() + 12) - frameY;
    }
    const std::uint8_t* bitmap = nullptr; // the bitmap record
    std::size_t bitmapSize = 0;
    unsigned bitmapFunction = 0;
    std::size_t pos = start + kWmfHeaderSize;
    while (file.size() - pos >= 6) {
        const std::uint8_t* rec = file.data() + pos;
        const std::uint32_t words = ReadLe32(rec);
        const unsigned function = ReadLe16(rec + 4);
        if (words < 3 || words > (file.size() - pos) / 2) {
            error = "corrupt metafile record";
            return false;
        }
        const std::size_t size = std::size_t{words} * 2;
        if (function == kMetaEof) break;
        if (function == kMetaSetWindowOrg || function == kMetaSetWindowExt) {
            if (size < 10) {
                error = "corrupt metafile record";
                return false;
            }
            // Parameters are stored last first: y then x, height then width.
            if (function == kMetaSetWindowOrg) {
                frameY = S16(rec + 6);
                frameX = S16(rec + 8);
            } else {
                frameH = S16(rec + 6);
                frameW = S16(rec + 8);
                haveExtent = true;
            }
        } else if (function == kMetaStretchDib || function == kMetaDibStretchBlt) {
            if (bitmap) {
                error = "the metafile draws more than one bitmap";
                return false;
            }
            bitmap = rec;
            bitmapSize = size;
            bitmapFunction = function;
        } else if (!IsHarmlessWmfRecord(function)) {
            error = "the metafile draws more than a bitmap";
            return false;
        }
        pos += size;
    }
    if (!bitmap) {
        error = "no bitmap in the metafile";
        return false;
    }
    // META_STRETCHDIB: rop, colour usage, source height, width, y, x, destination height, width,
    // y, x, DIB. META_DIBSTRETCHBLT: the same without the colour usage; one holding no DIB has
    // a reserved word among its coordinates and is exactly 14 words long.
    const bool stretchDib = bitmapFunction == kMetaStretchDib;
    const std::size_t coords = stretchDib ? 12 : 10;
    const std::size_t dibAt = coords + 16;
    if (bitmapSize <= dibAt || (!stretchDib && bitmapSize == 28)) {
        error = "no bitmap in the metafile record";
        return false;
    }
    if (ReadLe32(bitmap + 6) != kSrcCopy) {
        error = "only bitmaps copied onto the frame are read";
        return false;
    }
    if (stretchDib && ReadLe16(bitmap + 10) != 0) {
        error = "bitmaps with palette-index colours are not supported";
        return false;
    }
    const std::uint8_t* c = bitmap + coords;
    const int srcH = S16(c), srcW = S16(c + 2), srcY = S16(c + 4), srcX = S16(c + 6);
    const int dstH = S16(c + 8), dstW = S16(c + 10), dstY = S16(c + 12), dstX = S16(c + 14);
    if (dstW <= 0 || dstH <= 0 ||
        (haveExtent && (dstX != frameX || dstY != frameY || dstW != frameW || dstH != frameH))) {
        error = "the bitmap does not cover the metafile's frame";
        return false;
    }
    PackedDib image;
    if (!NormaliseDib(bitmap + dibAt, bitmapSize - dibAt, nullptr, 0, image, error)) return false;
    const auto v = ViewPackedDib(image);
    if (!v || srcX != 0 || srcY != 0 || srcW != v->width || srcH != v->height) {
        error = "the metafile draws part of its bitmap";
        return false;
    }
    out = std::move(image);
    return true;
}

bool WriteEmf(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    PackedDib image;
    if (!ViewPackedDib(dib)) {
        error = "not a valid uncompressed packed DIB";
        return false;
    }
    if (!NormaliseDib(dib.data(), dib.size(), nullptr, 0, image, error)) return false;
    const auto v = ViewPackedDib(image);
    const std::int32_t w = v->width, h = v->height;
    const std::size_t info = InfoSize(image);
    const std::size_t bits = image.size() - info; // both multiples of 4
    const std::size_t recordSize = 80 + image.size();
    if (recordSize > 0xFFFFFF00u - 200) {
        error = "the image is too large for a metafile";
        return false;
    }
    const std::size_t total = 108 + recordSize + 20;
    Bytes o;
    auto rect = [&o](std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        PutLe32(o, static_cast<std::uint32_t>(l));
        PutLe32(o, static_cast<std::uint32_t>(t));
        PutLe32(o, static_cast<std::uint32_t>(r));
        PutLe32(o, static_cast<std::uint32_t>(b));
    };
    // Header: a 1024 x 768 reference device at 96 dpi.
    PutLe32(o, kEmrHeader);
    PutLe32(o, 108);
    rect(0, 0, w - 1, h - 1);
    rect(0, 0, static_cast<std::int32_t>((std::int64_t{w} * 2540 + 48) / 96),
         static_cast<std::int32_t>((std::int64_t{h} * 2540 + 48) / 96));
    PutLe32(o, kEmfSignature);
    PutLe32(o, 0x10000);
    PutLe32(o, static_cast<std::uint32_t>(total));
    PutLe32(o, 3);
    PutLe16(o, 1);
    PutLe16(o, 0);
    PutLe32(o, 0); // description
    PutLe32(o, 0);
    PutLe32(o, 0); // palette entries
    PutLe32(o, 1024);
    PutLe32(o, 768);
    PutLe32(o, 271);
    PutLe32(o, 203);
    PutLe32(o, 0); // pixel format
    PutLe32(o, 0);
    PutLe32(o, 0); // OpenGL
    PutLe32(o, 270933);
    PutLe32(o, 203200);
    // StretchDIBits.
    PutLe32(o, kEmrStretchDiBits);
    PutLe32(o, static_cast<std::uint32_t>(recordSize));
    rect(0, 0, w - 1, h - 1);
    PutLe32(o, 0); // destination x, y
    PutLe32(o, 0);
    PutLe32(o, 0); // source x, y, width, height
    PutLe32(o, 0);
    PutLe32(o, static_cast<std::uint32_t>(w));
    PutLe32(o, static_cast<std::uint32_t>(h));
    PutLe32(o, 80);
    PutLe32(o, static_cast<std::uint32_t>(info));
    PutLe32(o, static_cast<std::uint32_t>(80 + info));
    PutLe32(o, static_cast<std::uint32_t>(bits));
    PutLe32(o, 0); // DIB_RGB_COLORS
    PutLe32(o, kSrcCopy);
    PutLe32(o, static_cast<std::uint32_t>(w));
    PutLe32(o, static_cast<std::uint32_t>(h));
    PutBytes(o, image.data(), image.size());
    // End of file.
    PutLe32(o, kEmrEof);
    PutLe32(o, 20);
    PutLe32(o, 0);
    PutLe32(o, 16);
    PutLe32(o, 20);
    out = std::move(o);
    return true;
}

bool ReadEmf(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    if (file.size() < 88 || ReadLe32(file.data()) != kEmrHeader ||
        ReadLe32(file.data() + 40) != kEmfSignature) {
        error = "not an enhanced metafile";
        return false;
    }
    std::size_t pos = 0;
    while (file.size() - pos >= 8) {
        const std::uint32_t type = ReadLe32(file.data() + pos);
        const std::uint32_t size = ReadLe32(file.data() + pos + 4);
        if (size < 8 || size > file.size() - pos) {
            error = "corrupt metafile record";
            return false;
        }
        if (type == kEmrEof) break;
        // Where each bitmap record keeps its usage and the offsets and sizes of its DIB.
        std::size_t at = 0;
        switch (type) {
        case kEmrStretchDiBits:
            at = 48;
            break;
        case kEmrSetDiBitsToDevice:
            at = 48;
            break;
        case kEmrBitBlt:
            at = 84;
            break;
        case kEmrStretchBlt:
            at = 84;
            break;
        default:
            break;
        }
        if (at &&
            size >=
                at + 16 + (type == kEmrStretchDiBits || type == kEmrSetDiBitsToDevice ? 4 : 0)) {
            const std::uint8_t* rec = file.data() + pos;
            std::uint32_t usage;
            std::size_t offsets = at;
            if (type == kEmrBitBlt || type == kEmrStretchBlt) {
                usage = ReadLe32(rec + 80);
            } else {
                usage = ReadLe32(rec + at + 16);
            }
            const std::uint32_t offBmi = ReadLe32(rec + offsets);
            const std::uint32_t cbBmi = ReadLe32(rec + offsets + 4);
            const std::uint32_t offBits = ReadLe32(rec + offsets + 8);
            const std::uint32_t cbBits = ReadLe32(rec + offsets + 12);
            if (cbBmi != 0) {
                if (offBmi > size || cbBmi > size - offBmi || offBits > size ||
                    cbBits > size - offBits) {
                    error = "bitmap lies outside its metafile record";
                    return false;
                }
                if (usage != 0) {
                    error = "bitmaps with palette-index colours are not supported";
                    return false;
                }
                return NormaliseDib(rec + offBmi, cbBmi, rec + offBits, cbBits, out, error);
            }
        }
        pos += size;
    }
    error = "no bitmap in the metafile";
    return false;
}

} // namespace tsl
