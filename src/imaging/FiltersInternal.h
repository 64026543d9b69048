#pragma once
// What the filter files share (not a public interface): running a filter on the true-colour
// form of any image, and a fresh image of the same layout.

#include "imaging/ColorRes.h"
#include "imaging/ColorResInternal.h"

#include <new>
#include <utility>

namespace tsl::detail {

// A zeroed image of the same size, depth and palette; null when it cannot be made.
inline CDdb SameLayout(const CDdb& image) {
    CDdb out = CDdb::Create(image.Width(), image.Height(), image.BitsPerPixel());
    if (!out.IsNull()) out.Palette() = image.Palette();
    return out;
}

// For parameters that change nothing: the image's status, and the image untouched.
inline int Unchanged(const CDdb& image) {
    const int status = CheckImage(image);
    return status ? status : kSuccess;
}

// Runs op (int(CDdb&) returning a status) on image when it has 24 or 32 bits, otherwise on a
// 24-bit copy whose result goes back to the image's depth: its own palette by nearest entry, or
// the nearest 5-5-5 levels. op must leave its image unchanged when it fails.
template <class Op> int OnTrueColour(CDdb& image, Op&& op) {
    if (const int status = CheckImage(image)) return status;
    try {
        const int depth = image.BitsPerPixel();
        if (depth >= 24) return op(image);
        CDdb work = image;
        int status = ColorRes(work, 24, kDitherNone);
        if (status >= kSuccess) status = op(work);
        if (status >= kSuccess)
            status = depth == 16
                         ? ColorRes(work, 16, kDitherNone)
                         : ColorResToPalette(work, depth, EffectivePalette(image), kDitherNone);
        if (status < kSuccess) return status;
        image = std::move(work);
        return kSuccess;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

} // namespace tsl::detail
