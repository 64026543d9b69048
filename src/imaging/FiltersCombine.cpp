// Cropping blank borders and combining two images byte by byte.

#include "imaging/Filters.h"
#include "imaging/FiltersInternal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tsl {
namespace {

int PixelIndex(const std::uint8_t* row, int x, int bitsPerPixel) {
    return bitsPerPixel == 4 ? (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15
                             : (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// Copies count pixels from (sx, storage row sy) of src to (0, storage row dy) of dst, a zeroed
// image of the same depth.
void CopyPixels(const CDdb& src, int sy, int sx, CDdb& dst, int dy, int count) {
    const int bpp = src.BitsPerPixel();
    if (bpp >= 8) {
        const std::size_t bytes = static_cast<std::size_t>(bpp / 8);
        std::memcpy(dst.Row(dy), src.Row(sy) + bytes * static_cast<std::size_t>(sx),
                    bytes * static_cast<std::size_t>(count));
        return;
    }
    for (int i = 0; i < count; ++i)
        detail::PutIndex(dst.Row(dy), i, bpp, PixelIndex(src.Row(sy), sx + i, bpp));
}

// Limits the span [at, at + length) of the destination and [from, from + length) of the source
// to [0, dstSize) and [0, srcSize); false when nothing is left.
bool ClipSpan(long long& at, long long& from, long long& length, long long dstSize,
              long long srcSize) {
    if (at < 0) {
        from -= at;
        length += at;
        at = 0;
    }
    if (from < 0) {
        at -= from;
        length += from;
        from = 0;
    }
    length = std::min({length, dstSize - at, srcSize - from});
    return length > 0;
}

int Apply(unsigned operation, int d, int s) {
    switch (operation) {
    case kCombineCopy:
        return s;
    case kCombineAnd:
        return d & s;
    case kCombineOr:
        return d | s;
    case kCombineAdd:
        return std::min(d + s, 255);
    case kCombineSubtract:
        return std::max(d - s, 0);
    case kCombineSubtractDst:
        return std::max(s - d, 0);
    case kCombineXor:
        return d ^ s;
    case kCombineMultiply:
        return (d * s + 127) / 255;
    case kCombineAverage:
        return (d + s + 1) / 2;
    case kCombineDifference:
        return std::abs(d - s);
    case kCombineLighten:
        return std::max(d, s);
    default:
        return std::min(d, s); // kCombineDarken
    }
}

} // namespace

int AutoTrim(CDdb& image, int threshold) {
    if (threshold < kAutoTrimThresholdMin || threshold > kAutoTrimThresholdMax)
        return kErrorInvalidParameter;
    if (const int status = detail::CheckImage(image)) return status;
    const int w = image.Width(), h = image.Height();
    const std::vector<RGBQUAD> palette = EffectivePalette(image);
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(w));
    detail::ReadRowBgr(image, h - 1, palette, bgr.data());
    const int blank[3] = {bgr[0], bgr[1], bgr[2]};
    auto isBlank = [&](int x) {
        const std::uint8_t* p = &bgr[3 * static_cast<std::size_t>(x)];
        return std::abs(p[0] - blank[0]) <= threshold && std::abs(p[1] - blank[1]) <= threshold &&
               std::abs(p[2] - blank[2]) <= threshold;
    };
    // The bounds of the pixels that are not blank, in picture rows and columns.
    int top = h, bottom = -1, left = w, right = -1;
    for (int y = 0; y < h; ++y) {
        detail::ReadRowBgr(image, y, palette, bgr.data());
        int first = 0;
        while (first < w && isBlank(first))
            ++first;
        if (first == w) continue;
        int last = w - 1;
        while (isBlank(last))
            --last;
        top = std::min(top, h - 1 - y);
        bottom = std::max(bottom, h - 1 - y);
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (bottom < 0 || (top == 0 && left == 0 && bottom == h - 1 && right == w - 1)) return kSuccess;
    try {
        CDdb out = CDdb::Create(right - left + 1, bottom - top + 1, image.BitsPerPixel());
        if (out.IsNull()) return kErrorNoMemory;
        out.Palette() = image.Palette();
        for (int y = 0; y < out.Height(); ++y)
            CopyPixels(image, h - 1 - bottom + y, left, out, y, out.Width());
        image = std::move(out);
        return kSuccess;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

int Combine(CDdb& dst, const CDdb& src, int x, int y, int w, int h, unsigned flags, int srcX,
            int srcY) {
    const unsigned operation = flags & kCombineOperationMask;
    if (w < 1 || h < 1 || operation > kCombineDarken) return kErrorInvalidParameter;
    if (const int status = detail::CheckImage(src)) return status;
    if (const int status = detail::CheckImage(dst)) return status;
    long long dx = x, dy = y, sx = srcX, sy = srcY, cw = w, ch = h;
    if (!ClipSpan(dx, sx, cw, dst.Width(), src.Width()) ||
        !ClipSpan(dy, sy, ch, dst.Height(), src.Height()))
        return kSuccess; // the areas do not meet: nothing to combine
    try {
        std::vector<std::uint8_t> table(256 * 256);
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s)
                table[static_cast<std::size_t>(d * 256 + s)] =
                    static_cast<std::uint8_t>(Apply(operation, d, s));
        CDdb copy;
        const CDdb* source = &src;
        if (&src == &dst) {
            copy = src;
            source = &copy;
        }
        const std::vector<RGBQUAD> palette = EffectivePalette(*source);
        std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(source->Width()));
        return detail::OnTrueColour(dst, [&](CDdb& work) {
            const int n = work.BitsPerPixel() / 8;
            for (long long row = 0; row < ch; ++row) {
                detail::ReadRowBgr(*source, static_cast<int>(source->Height() - 1 - (sy + row)),
                                   palette, bgr.data());
                const std::uint8_t* s = bgr.data() + 3 * sx;
                std::uint8_t* d =
                    work.Row(static_cast<int>(work.Height() - 1 - (dy + row))) + n * dx;
                for (long long i = 0; i < cw; ++i, s += 3, d += n)
                    for (int k = 0; k < 3; ++k)
                        d[k] = table[static_cast<std::size_t>(d[k] * 256 + s[k])];
            }
            return kSuccess;
        });
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

} // namespace tsl
