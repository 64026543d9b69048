#include "document/Effects.h"

#include "document/ImageOps.h"
#include "imaging/Filters.h"
#include "imaging/LBitmap.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tsl {

namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

COLORREF Shifted(COLORREF c, int by) {
    return RGB(Clamp255(GetRValue(c) + by), Clamp255(GetGValue(c) + by), Clamp255(GetBValue(c) + by));
}

// A solid 1-pixel line along a row or a column, both ends included, clipped.
void Row(CDdb& d, int y, int x0, int x1, std::uint32_t p) {
    if (y < 0 || y >= d.Height()) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, d.Width() - 1);
    if (x0 <= x1) std::fill(PictureLine(d, y) + x0, PictureLine(d, y) + x1 + 1, p);
}
void Column(CDdb& d, int x, int y0, int y1, std::uint32_t p) {
    if (x < 0 || x >= d.Width()) return;
    for (int y = std::max(y0, 0); y <= std::min(y1, d.Height() - 1); ++y) PictureLine(d, y)[x] = p;
}

} // namespace

void Blend(CDdb& target, const CDdb& overlay, int percent) {
    if (target.BitsPerPixel() != 32 || overlay.BitsPerPixel() != 32) return;
    const int p = std::clamp(percent, 0, 100);
    if (p == 0) return;
    // P * d / 100 for every difference d, so each byte costs one look-up.
    std::array<std::uint8_t, 256> step{};
    for (int d = 0; d < 256; ++d) step[d] = static_cast<std::uint8_t>(p * d / 100);
    const int w = std::min(target.Width(), overlay.Width()), h = std::min(target.Height(), overlay.Height());
    for (int y = 0; y < h; ++y) {
        std::uint8_t* t = reinterpret_cast<std::uint8_t*>(PictureLine(target, y));
        const std::uint8_t* o = reinterpret_cast<const std::uint8_t*>(PictureLine(overlay, y));
        for (int x = 0; x < w; ++x, t += 4, o += 4) {
            for (int c = 0; c < 3; ++c) {
                const int tv = t[c], ov = o[c];
                t[c] = static_cast<std::uint8_t>(ov < tv ? tv - step[tv - ov] : tv + step[ov - tv]);
            }
        }
    }
}

CDdb SolidBitmap(int w, int h, COLORREF colour) {
    CDdb d = CDdb::Create(w, h, 32);
    if (!d.IsNull()) FillPart(d, {0, 0, w, h}, colour);
    return d;
}

CDdb TiledOverlay(const CDdb& tile, int w, int h) {
    CDdb d = CDdb::Create(w, h, 32);
    if (d.IsNull() || tile.IsNull() || tile.BitsPerPixel() != 32) return d;
    for (int y = 0; y < h; y += tile.Height())
        for (int x = 0; x < w; x += tile.Width()) PastePart(d, tile, {x, y});
    return d;
}

CDdb StretchedOverlay(const CDdb& image, int w, int h) {
    if (image.IsNull() || image.BitsPerPixel() != 32) return {};
    if (image.Width() == w && image.Height() == h) return image;
    CDdb d = CDdb::Create(w, h, 32);
    if (d.IsNull()) return d;
    std::vector<int> sx(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) sx[x] = static_cast<int>(static_cast<long long>(x) * image.Width() / w);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* s = PictureLine(image, static_cast<int>(static_cast<long long>(y) * image.Height() / h));
        std::uint32_t* o = PictureLine(d, y);
        for (int x = 0; x < w; ++x) o[x] = s[sx[x]];
    }
    return d;
}

CSize PreviewFit(CSize image, CSize box) {
    if (image.cx <= 0 || image.cy <= 0) return image;
    if (image.cx <= box.cx && image.cy <= box.cy) return image;
    const long long fittedHeight = static_cast<long long>(image.cy) * box.cx / image.cx;
    if (fittedHeight > box.cy)
        return {std::max(1, static_cast<int>(static_cast<long long>(image.cx) * box.cy / image.cy)), box.cy};
    return {box.cx, std::max(1, static_cast<int>(fittedHeight))};
}

CDdb ShadowSilhouette(const CDdb& part, COLORREF back, COLORREF colour, int blur) {
    CDdb s = CDdb::Create(part.Width(), part.Height(), 32);
    if (s.IsNull() || part.BitsPerPixel() != 32) return {};
    const std::uint32_t b = PixelOf(back), c = PixelOf(colour);
    for (int y = 0; y < part.Height(); ++y) {
        const std::uint32_t* p = PictureLine(part, y);
        std::uint32_t* o = PictureLine(s, y);
        for (int x = 0; x < part.Width(); ++x) o[x] = (p[x] & 0xFFFFFFu) != b ? c : b;
    }
    LBitmap bitmap;
    bitmap.SetHandle(std::move(s));
    if (bitmap.AverageFilter(std::clamp(blur, kAverageDimMin, kAverageDimMax)) < kSuccess) return {};
    return std::move(bitmap.GetHandle());
}

CRect DropShadowArea(CSize whole, const CRect& selection, int dx, int dy) {
    const CRect shadow{selection.left + dx, selection.top + dy, selection.right + dx, selection.bottom + dy};
    const CRect both{std::min(selection.left, shadow.left), std::min(selection.top, shadow.top),
                     std::max(selection.right, shadow.right), std::max(selection.bottom, shadow.bottom)};
    return both.Intersected({0, 0, whole.cx, whole.cy});
}

CDdb DropShadowResult(const CDdb& whole, const CRect& selection, const CDdb& part, const CDdb& silhouette,
                      const CDropShadow& shadow, COLORREF back, const CRect& area) {
    CDdb result = CopyPart(whole, area);
    if (result.IsNull()) return result;
    CDdb composite = result;
    PastePart(composite, silhouette, {selection.left + shadow.dx - area.left, selection.top + shadow.dy - area.top},
              back);
    PastePart(composite, part, {selection.left - area.left, selection.top - area.top}, back);
    Blend(result, composite, shadow.opacity);
    return result;
}

CDdb RenderButton(const CDdb& part, const CButtonRecord& record, COLORREF back) {
    const int w = part.Width(), h = part.Height();
    CDdb image = SolidBitmap(w, h, back);
    if (image.IsNull() || part.BitsPerPixel() != 32) return {};
    const int s = std::clamp<int>(record.bevel, 0, 30);
    // Bottom-right: the bottom row left to right, then the right column upwards; a line's end
    // point is left out, so the corner belongs to the column.
    COLORREF colour = record.bottomRight & 0xFFFFFF;
    for (int i = 0; s > 0 && 2 * i <= h - 1 && 2 * i <= w - 1 && i < s; ++i) {
        const std::uint32_t p = PixelOf(colour);
        Row(image, h - i - 1, i, w - i - 2, p);
        Column(image, w - i - 1, i + 1, h - i - 1, p);
        colour = Shifted(colour, 15 - i);
    }
    // Upper-left: the left column upwards, then the top row to the right.
    colour = record.upperLeft & 0xFFFFFF;
    for (int i = 0; i < s && 2 * i <= w - 1 && 2 * i <= h - 1; ++i) {
        const std::uint32_t p = PixelOf(colour);
        Column(image, i, i + 1, h - i - 1, p);
        Row(image, i, i, w - i - 1, p);
        colour = Shifted(colour, 10 - i);
    }
    Blend(image, part, record.transparency);
    if (w - 2 * s > 0 && h - 2 * s > 0) PastePart(image, CopyPart(part, {s, s, w - s, h - s}), {s, s});
    const int offset = std::clamp<int>(record.brightness, -100, 100);
    Blend(image, SolidBitmap(w, h, offset > 0 ? RGB(255, 255, 255) : RGB(0, 0, 0)), offset < 0 ? -offset : offset);
    return image;
}

COLORREF AutoSetColour(COLORREF from, bool darker) { return Shifted(from & 0xFFFFFF, darker ? -79 : 79); }

void DrawFrame(CDdb& part, int width, COLORREF colour) {
    const std::uint32_t p = PixelOf(colour);
    const int w = part.Width(), h = part.Height();
    for (int i = 0; i < width && 2 * i < w && 2 * i < h; ++i) {
        Row(part, i, i, w - 1 - i, p);
        Row(part, h - 1 - i, i, w - 1 - i, p);
        Column(part, i, i, h - 1 - i, p);
        Column(part, w - 1 - i, i, h - 1 - i, p);
    }
}

} // namespace tsl
