#include "core/DibHeader.h"

#include "core/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace tsl {

std::uint64_t DibHeader::StoredEntries() const {
    if (info.biClrUsed != 0) return info.biClrUsed;
    return info.biBitCount <= 8 ? std::uint64_t{1} << info.biBitCount : 0;
}

std::uint32_t DibHeaderSize(const std::uint8_t* block, std::size_t size) {
    ByteReader r(block, size);
    return r.Le32();
}

std::optional<DibHeader> ReadDibHeader(const std::uint8_t* block, std::size_t size) {
    DibHeader h;
    h.size = DibHeaderSize(block, size);
    if (h.size < kCoreHeaderSize || h.size > size) return std::nullopt;
    if (h.size == kCoreHeaderSize) {
        ByteReader r(block + 4, kCoreHeaderSize - 4);
        h.core = true;
        h.info.biSize = h.size;
        h.info.biWidth = r.Le16();
        h.info.biHeight = r.Le16();
        h.info.biPlanes = r.Le16();
        h.info.biBitCount = r.Le16();
        return h;
    }
    std::uint8_t full[BITMAPINFOHEADER::kSize] = {};
    std::memcpy(full, block, std::min<std::size_t>(h.size, sizeof full));
    h.info = BITMAPINFOHEADER::Read(full);
    if (h.info.biCompression == BI_BITFIELDS) {
        ByteReader r(block, size);
        r.Seek(h.size < 52 ? h.size : 40);
        std::uint32_t masks[4] = {};
        for (int i = 0; i < (h.size >= 56 ? 4 : 3); ++i)
            masks[i] = r.Le32();
        if (r.Ok()) std::copy(masks, masks + 4, h.masks);
    }
    return h;
}

std::optional<DibLayout> LayOutDib(const DibHeader& h, std::size_t blockSize,
                                   const DibLayoutOptions& o) {
    DibLayout l;
    l.header = h;
    l.width = h.info.biWidth;
    l.height = h.info.biHeight;
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    l.bitsPerPixel = h.info.biBitCount;
    l.compression = h.info.biCompression;
    std::copy(h.masks, h.masks + 4, l.masks);
    l.entrySize = h.EntrySize();
    l.tableEntries = o.tableEntries.value_or(h.StoredEntries());
    const bool trailingMasks = !h.core && l.compression == BI_BITFIELDS && h.size < 52;
    const auto tableOffset = CheckedAdd(h.size, o.maskBytes.value_or(trailingMasks ? 12 : 0));
    if (!tableOffset || l.tableEntries > blockSize) return std::nullopt;
    const auto tableEnd =
        CheckedAdd(*tableOffset, static_cast<std::size_t>(l.tableEntries) * l.entrySize);
    if (!tableEnd || *tableEnd > blockSize) return std::nullopt;
    l.tableOffset = *tableOffset;
    l.bitsOffset = o.bitsOffset.value_or(*tableEnd);
    if (l.bitsOffset < *tableEnd || l.bitsOffset > blockSize) return std::nullopt;
    if (o.rowsInBlock) {
        const auto imageSize = DibImageSize(l.width, l.height, l.bitsPerPixel);
        if (!imageSize || *imageSize > blockSize - l.bitsOffset) return std::nullopt;
        l.stride = *DibStride(l.width, l.bitsPerPixel);
        l.imageSize = *imageSize;
    }
    return l;
}

} // namespace tsl
