// LBitmapBase: creation, conversions, colour operations, trimming, combining, the clipboard,
// and LBitmap's filters (which live in Filters.cpp and work on the held picture).

#include "imaging/LBitmap.h"

#include "codecs/Bmp.h"
#include "core/Palette.h"
#include "core/Services.h"
#include "imaging/ColorRes.h"
#include "imaging/ColorResInternal.h"
#include "imaging/Filters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace tsl {

int LBitmapBase::Create(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
        bitsPerPixel != 24 && bitsPerPixel != 32)
        return kErrorInvalidBitsPerPixel;
    if (width <= 0 || height <= 0) return kErrorInvalidParameter;
    try {
        CDdb image = CDdb::Create(width, height, bitsPerPixel);
        if (image.IsNull()) return kErrorTooLarge;
        if (bitsPerPixel <= 8) {
            image.Palette() = DefaultPalette(ColourCountForDepth(bitsPerPixel));
            // Every index at its highest value: the default palette's last entry is white.
            std::fill(image.Bits().begin(), image.Bits().end(), 0xFF);
        } else if (bitsPerPixel == 16) {
            for (std::size_t i = 0; i + 1 < image.Bits().size(); i += 2)
                image.Bits()[i] = 0xFF, image.Bits()[i + 1] = 0x7F;
        } else {
            std::fill(image.Bits().begin(), image.Bits().end(), 0xFF);
            if (bitsPerPixel == 32)
                for (std::size_t i = 3; i < image.Bits().size(); i += 4) image.Bits()[i] = 0;
        }
        m_image = std::move(image);
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
    return kSuccess;
}

namespace {

// 8- and 24-bit pictures straight to the screen's 32 bits (the commonest hand-backs: grey,
// reduced colours, true colour), the rows shared out between threads.
CDdb ScreenFrom8Or24(const CDdb& image) {
    CDdb screen = CDdb::Create(image.Width(), image.Height(), 32);
    if (screen.IsNull()) return screen;
    std::array<std::uint32_t, 256> colours{};
    for (std::size_t i = 0; i < image.Palette().size() && i < colours.size(); ++i) {
        const RGBQUAD& q = image.Palette()[i];
        colours[i] = q.rgbBlue | static_cast<std::uint32_t>(q.rgbGreen) << 8 | static_cast<std::uint32_t>(q.rgbRed) << 16;
    }
    const int w = image.Width();
    const bool indexed = image.BitsPerPixel() == 8;
    detail::ForRows(image.Height(), static_cast<long long>(w) * image.Height(), [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            const std::uint8_t* s = image.Row(y);
            auto* d = reinterpret_cast<std::uint32_t*>(screen.Row(y));
            if (indexed) {
                for (int x = 0; x < w; ++x) d[x] = colours[s[x]];
            } else {
                for (int x = 0; x < w; ++x, s += 3)
                    d[x] = s[0] | static_cast<std::uint32_t>(s[1]) << 8 | static_cast<std::uint32_t>(s[2]) << 16;
            }
        }
    });
    return screen;
}

} // namespace

CDdb LBitmapBase::ConvertToDDB() const {
    if (m_image.IsNull()) return {};
    if (m_image.BitsPerPixel() == 8 || m_image.BitsPerPixel() == 24) return ScreenFrom8Or24(m_image);
    if (m_image.BitsPerPixel() != 32) return MakeDeviceBitmap(MakePackedBitmap(m_image, m_image.Palette()));
    CDdb screen = m_image; // a picture with alpha keeps it out of the device's fourth byte
    ClearFourthBytes(screen);
    return screen;
}

int LBitmapBase::ConvertFromDDB(const CDdb& bitmap) {
    if (bitmap.IsNull()) return kErrorNoBitmap;
    m_image = bitmap;
    return kSuccess;
}

PackedDib PackedDibOf(const CDdb& image) {
    if (image.IsNull()) return {};
    if (image.BitsPerPixel() != 32) return MakePackedBitmap(image, image.Palette());
    // 32 bits stay 32 (make-packed-bitmap would round them to 24).
    PackedDib dib = MakePackedDib(image.Width(), image.Height(), 32);
    const auto v = ViewPackedDib(dib);
    if (!v) return {};
    std::memcpy(dib.data() + v->bitsOffset, image.Bits().data(), v->imageSize);
    return dib;
}

PackedDib LBitmapBase::ConvertToDIB() const { return PackedDibOf(m_image); }

int LBitmapBase::ConvertFromDIB(const PackedDib& source) {
    const PackedDib dib = UnpackDib(source);
    const auto v = ViewPackedDib(dib);
    if (!v) return kErrorNoBitmap;
    try {
        CDdb image = CDdb::Create(v->width, v->height, v->bitsPerPixel);
        if (image.IsNull()) return kErrorTooLarge;
        std::memcpy(image.Bits().data(), dib.data() + v->bitsOffset, v->imageSize);
        if (v->colourCount > 0) image.Palette().assign(v->table, v->table + v->colourCount);
        for (RGBQUAD& q : image.Palette()) q.rgbReserved = 0;
        m_image = std::move(image);
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
    return kSuccess;
}

int LBitmapBase::ColorRes(int bitsPerPixel, unsigned flags) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    return tsl::ColorRes(m_image, bitsPerPixel, flags);
}

int LBitmapBase::GrayScale(int bitsPerPixel) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    return tsl::GrayScale(m_image, bitsPerPixel);
}

int LBitmapBase::Trim(int x, int y, int width, int height) {
    if (m_image.IsNull()) return kErrorNoBitmap;
    const int left = std::max(0, x), top = std::max(0, y);
    const int right = std::min(GetWidth(), x + std::max(0, width));
    const int bottom = std::min(GetHeight(), y + std::max(0, height));
    if (right <= left || bottom <= top) return kErrorInvalidParameter;
    CDdb part = CDdb::Create(right - left, bottom - top, m_image.BitsPerPixel());
    if (part.IsNull()) return kErrorNoMemory;
    part.Palette() = m_image.Palette();
    const int bpp = m_image.BitsPerPixel();
    for (int row = 0; row < part.Height(); ++row) {
        // Rows are stored bottom-up: picture row top + row is stored at height - 1 - (top + row).
        const std::uint8_t* s = m_image.Row(GetHeight() - 1 - (top + row));
        std::uint8_t* d = part.Row(part.Height() - 1 - row);
        if (bpp >= 8) {
            std::memcpy(d, s + static_cast<std::size_t>(left) * bpp / 8,
                        static_cast<std::size_t>(part.Width()) * bpp / 8);
            continue;
        }
        for (int col = 0; col < part.Width(); ++col) {
            const int from = (left + col) * bpp, to = col * bpp;
            const int value = (s[from / 8] >> (8 - bpp - from % 8)) & ((1 << bpp) - 1);
            d[to / 8] |= static_cast<std::uint8_t>(value << (8 - bpp - to % 8));
        }
    }
    m_image = std::move(part);
    return kSuccess;
}

int LBitmapBase::Combine(const LBitmapBase& source, int x, int y, int width, int height,
                         int srcX, int srcY, unsigned flags) {
    if (m_image.IsNull() || source.m_image.IsNull()) return kErrorNoBitmap;
    return tsl::Combine(m_image, source.m_image, x, y, width, height, flags, srcX, srcY);
}

bool LBitmapBase::IsClipboardReady() { return ClipboardBitmap().HasBitmap(); }

int LBitmapBase::CopyFromClipboard() {
    const std::vector<std::uint8_t> dib = ClipboardBitmap().GetPackedDib();
    if (dib.empty()) return kErrorNoBitmap;
    return ConvertFromDIB(dib);
}

int LBitmap::AverageFilter(int dim) { return IsAllocated() ? tsl::AverageFilter(m_image, dim) : kErrorNoBitmap; }
int LBitmap::Sharpen(int change) { return IsAllocated() ? tsl::Sharpen(m_image, change) : kErrorNoBitmap; }
int LBitmap::AddNoise(int range, int channel) { return IsAllocated() ? tsl::AddNoise(m_image, range, channel) : kErrorNoBitmap; }
int LBitmap::Emboss(int direction, int depth) { return IsAllocated() ? tsl::Emboss(m_image, direction, depth) : kErrorNoBitmap; }
int LBitmap::Mosaic(int tile) { return IsAllocated() ? tsl::Mosaic(m_image, tile) : kErrorNoBitmap; }
int LBitmap::Posterize(int levels) { return IsAllocated() ? tsl::Posterize(m_image, levels) : kErrorNoBitmap; }
int LBitmap::Oilify(int dim) { return IsAllocated() ? tsl::Oilify(m_image, dim) : kErrorNoBitmap; }
int LBitmap::MedianFilter(int dim) { return IsAllocated() ? tsl::MedianFilter(m_image, dim) : kErrorNoBitmap; }
int LBitmap::SpatialFilter(int filter) { return IsAllocated() ? tsl::SpatialFilter(m_image, filter) : kErrorNoBitmap; }
int LBitmap::AutoTrim(int threshold) { return IsAllocated() ? tsl::AutoTrim(m_image, threshold) : kErrorNoBitmap; }

} // namespace tsl
