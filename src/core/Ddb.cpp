#include "core/Ddb.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace tsl {

CDdb CDdb::Create(int width, int height, int bitsPerPixel, const std::uint8_t* rows) {
    CDdb d;
    auto stride = DibStride(width, bitsPerPixel);
    auto size = DibImageSize(width, height, bitsPerPixel);
    if (!stride || !size || height <= 0 || !rows) return d;
    d.m_width = width;
    d.m_height = height;
    d.m_bitsPerPixel = bitsPerPixel;
    d.m_stride = *stride;
    d.m_bits.reserve(*size);
    AdviseHugePages(d.m_bits.data(), *size);
    d.m_bits.assign(rows, rows + *size);
    return d;
}

CDdb CDdb::Create(int width, int height, int bitsPerPixel) {
    CDdb d;
    auto stride = DibStride(width, bitsPerPixel);
    auto size = DibImageSize(width, height, bitsPerPixel);
    if (!stride || !size || height <= 0) return d;
    d.m_width = width;
    d.m_height = height;
    d.m_bitsPerPixel = bitsPerPixel;
    d.m_stride = *stride;
    d.m_bits.reserve(*size); // allocated, not yet touched
    AdviseHugePages(d.m_bits.data(), *size);
    d.m_bits.resize(*size, 0);
    return d;
}

namespace {
constexpr std::size_t kHugePageBlock = std::size_t{4} << 20; // two huge pages or more
}

void AdviseHugePages(void* start, std::size_t size) {
    // TSL_NO_HUGE_PAGES in the environment turns the advice off, to measure without it.
    static const bool off = std::getenv("TSL_NO_HUGE_PAGES") != nullptr;
    if (off || size < kHugePageBlock) return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(start) + size;
    if (end > first) // advice only: a system without huge pages simply declines
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

void ClearFourthBytes(std::uint8_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        std::uint32_t v;
        std::memcpy(&v, pixels, 4);
        v &= 0x00FFFFFFu; // little-endian: the fourth byte is the top one
        std::memcpy(pixels, &v, 4);
    }
}

void ClearFourthBytes(CDdb& bitmap) {
    if (bitmap.BitsPerPixel() == 32) ClearFourthBytes(bitmap.Bits().data(), bitmap.Bits().size() / 4);
}

} // namespace tsl
