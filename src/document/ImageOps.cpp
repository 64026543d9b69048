#include "document/ImageOps.h"

#include <algorithm>
#include <cstring>

namespace tsl {

namespace {

CRect Clip(const CDdb& d, const CRect& r) {
    return r.Normalised().Intersected({0, 0, d.Width(), d.Height()});
}

} // namespace

CDdb CopyPart(const CDdb& whole, const CRect& rect) {
    const CRect r = Clip(whole, rect);
    if (r.IsEmpty() || whole.BitsPerPixel() != 32) return {};
    CDdb part = CDdb::Create(r.Width(), r.Height(), 32);
    if (part.IsNull()) return part;
    for (int y = 0; y < r.Height(); ++y)
        std::memcpy(PictureLine(part, y), PictureLine(whole, r.top + y) + r.left, static_cast<std::size_t>(r.Width()) * 4);
    return part;
}

void PastePart(CDdb& whole, const CDdb& part, CPoint at, std::optional<COLORREF> key) {
    if (whole.BitsPerPixel() != 32 || part.BitsPerPixel() != 32) return;
    const CRect r = Clip(whole, {at.x, at.y, at.x + part.Width(), at.y + part.Height()});
    if (r.IsEmpty()) return;
    const std::uint32_t keyPixel = key ? PixelOf(*key) : 0;
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint32_t* s = PictureLine(part, y - at.y) + (r.left - at.x);
        std::uint32_t* d = PictureLine(whole, y) + r.left;
        if (!key) {
            std::memcpy(d, s, static_cast<std::size_t>(r.Width()) * 4);
            continue;
        }
        for (int x = 0; x < r.Width(); ++x)
            if ((s[x] & 0xFFFFFFu) != keyPixel) d[x] = s[x];
    }
}

void FillPart(CDdb& whole, const CRect& rect, COLORREF colour) {
    const CRect r = Clip(whole, rect);
    if (r.IsEmpty() || whole.BitsPerPixel() != 32) return;
    const std::uint32_t p = PixelOf(colour);
    for (int y = r.top; y < r.bottom; ++y) std::fill_n(PictureLine(whole, y) + r.left, r.Width(), p);
}

long long ReplaceColourIn(CDdb& whole, const CRect& rect, COLORREF from, COLORREF to) {
    const CRect r = Clip(whole, rect);
    if (r.IsEmpty() || whole.BitsPerPixel() != 32) return 0;
    const std::uint32_t f = PixelOf(from), t = PixelOf(to);
    long long changed = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* d = PictureLine(whole, y) + r.left;
        for (int x = 0; x < r.Width(); ++x)
            if ((d[x] & 0xFFFFFFu) == f) d[x] = t, ++changed;
    }
    return changed;
}

CPoint CanvasOrigin(CSize oldSize, CSize newSize, bool centre) {
    if (!centre) return {0, 0};
    return {oldSize.cx < newSize.cx ? (newSize.cx - oldSize.cx) / 2 : 0,
            oldSize.cy < newSize.cy ? (newSize.cy - oldSize.cy) / 2 : 0};
}

CDdb ChangeCanvas(const CDdb& old, int width, int height, COLORREF back, bool centre) {
    if (width <= 0 || height <= 0 || !DibImageSize(width, height, 32)) return {};
    CDdb canvas = CDdb::Create(width, height, 32);
    if (canvas.IsNull()) return canvas;
    FillPart(canvas, {0, 0, width, height}, back);
    PastePart(canvas, old, CanvasOrigin({old.Width(), old.Height()}, {width, height}, centre));
    return canvas;
}

} // namespace tsl
