// Drawing a CDIBSection onto a QPainter or onto another image, 1:1 or stretched by nearest
// neighbour (each target pixel takes the source pixel under its centre), optionally with a
// transparent colour. Only the part of the target that can be seen is computed, so showing a
// small window of a large image converts only that window on every paint.

#include "paint/DIBSection.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <vector>

namespace tsl {
namespace {

constexpr long long kCoordinateLimit = 1LL << 30;
bool FitsTarget(long long start, long long end) {
    return start > -kCoordinateLimit && end < kCoordinateLimit;
}

// Source coordinate for each visible target coordinate of one axis.
std::vector<int> Axis(int dstStart, int dstLength, int srcStart, int srcLength, int visStart,
                      int visEnd) {
    std::vector<int> out;
    out.reserve(static_cast<std::size_t>(std::max(0, visEnd - visStart)));
    const long long twiceDst = 2LL * dstLength;
    for (int t = visStart; t < visEnd; ++t) {
        const long long i = t - dstStart;
        out.push_back(srcStart + static_cast<int>(((2 * i + 1) * srcLength) / twiceDst));
    }
    return out;
}

// The colours of a surface's pixel values.
class CColourReader {
public:
    explicit CColourReader(const CSurface& s) : m_bpp(s.bitsPerPixel) {
        for (int i = 0; i < s.colourCount && i < 256; ++i)
            m_lut[static_cast<std::size_t>(i)] =
                RGB(s.colours[i].rgbRed, s.colours[i].rgbGreen, s.colours[i].rgbBlue);
    }
    COLORREF operator()(std::uint32_t v) const {
        switch (m_bpp) {
        case 1:
        case 4:
        case 8:
            return m_lut[v & 0xFF];
        case 16: {
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
        }
        default:
            return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        }
    }

private:
    int m_bpp;
    std::array<COLORREF, 256> m_lut{};
};

// Which target pixels to compute and which source pixels they show.
struct CPlan {
    CRect visible;
    std::vector<int> xs, ys;
    int srcMinX = 0, srcSpan = 0;
};

CPlan MakePlan(const CRect& dst, const CRect& src, const CRect& bounds) {
    CPlan p;
    p.visible = dst.Intersected(bounds);
    if (p.visible.IsEmpty() || src.IsEmpty()) {
        p.visible = {};
        return p;
    }
    p.xs = Axis(dst.left, dst.Width(), src.left, src.Width(), p.visible.left, p.visible.right);
    p.ys = Axis(dst.top, dst.Height(), src.top, src.Height(), p.visible.top, p.visible.bottom);
    p.srcMinX = p.xs.front();
    p.srcSpan = p.xs.back() - p.xs.front() + 1;
    return p;
}

// The source rectangle of a 1:1 draw clipped to the image, and its target rectangle; false
// when nothing is left or the target lies beyond the coordinate range.
bool ClipOneToOne(CSize image, int x, int y, CPoint origin, CSize size, CRect& dst, CRect& src) {
    const long long w = size.cx < 0 ? static_cast<long long>(image.cx) - origin.x : size.cx;
    const long long h = size.cy < 0 ? static_cast<long long>(image.cy) - origin.y : size.cy;
    const long long left = std::max<long long>(origin.x, 0);
    const long long top = std::max<long long>(origin.y, 0);
    const long long right = std::min<long long>(origin.x + w, image.cx);
    const long long bottom = std::min<long long>(origin.y + h, image.cy);
    if (right <= left || bottom <= top) return false;
    src = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
           static_cast<int>(bottom)};
    const long long dx = static_cast<long long>(x) - origin.x;
    const long long dy = static_cast<long long>(y) - origin.y;
    if (!FitsTarget(left + dx, right + dx) || !FitsTarget(top + dy, bottom + dy)) return false;
    dst = src.Offset(static_cast<int>(dx), static_cast<int>(dy));
    return true;
}

// What a painter can show, in its logical coordinates.
CRect VisibleArea(const QPainter& painter) {
    QRect area(-(1 << 29), -(1 << 29), 1 << 30, 1 << 30);
    if (const QPaintDevice* device = painter.device()) {
        bool invertible = false;
        const QTransform inverse = painter.combinedTransform().inverted(&invertible);
        if (invertible)
            area = inverse.mapRect(QRect(0, 0, device->width(), device->height()))
                       .adjusted(-1, -1, 1, 1);
    }
    if (painter.hasClipping())
        area &= painter.clipBoundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

} // namespace

bool CDIBSection::Blit(CDIBSection& target, const CRect& dst, const CRect& src,
                       COLORREF transparent) const {
    if (!target.HasImage()) return false;
    const CPlan plan = MakePlan(dst, src, {0, 0, target.Width(), target.Height()});
    if (plan.visible.IsEmpty()) return true;
    const CSurface from = Surface();
    const CSurface to = target.Surface();
    const bool keyed = transparent != kNoColour;
    const std::uint32_t key = keyed ? CRasterDC(from).PixelFor(transparent, false) : 0;
    // Equal formats copy values; otherwise each colour is mapped as SetPixel maps it.
    const bool sameFormat =
        from.bitsPerPixel == to.bitsPerPixel &&
        (from.colourCount == 0 || std::equal(from.colours, from.colours + from.colourCount,
                                             to.colours, [](const RGBQUAD& a, const RGBQUAD& b) {
                                                 return a.rgbRed == b.rgbRed &&
                                                        a.rgbGreen == b.rgbGreen &&
                                                        a.rgbBlue == b.rgbBlue;
                                             }));
    const CColourReader colourOf(from);
    CPixelMapper map(to);

    const int n = plan.visible.Width();
    std::vector<std::uint32_t> span(static_cast<std::size_t>(plan.srcSpan));
    std::vector<std::uint32_t> out(static_cast<std::size_t>(n));
    std::vector<char> show(static_cast<std::size_t>(n), 1);
    int lastRow = -1;
    for (int ty = plan.visible.top; ty < plan.visible.bottom; ++ty) {
        const int sy = plan.ys[static_cast<std::size_t>(ty - plan.visible.top)];
        if (sy != lastRow) {
            lastRow = sy;
            ReadPixelValues(from, sy, plan.srcMinX, plan.srcSpan, span.data());
            for (int i = 0; i < n; ++i) {
                const std::uint32_t v = span[static_cast<std::size_t>(
                    plan.xs[static_cast<std::size_t>(i)] - plan.srcMinX)];
                show[static_cast<std::size_t>(i)] = !(keyed && v == key);
                out[static_cast<std::size_t>(i)] = sameFormat ? v : map(colourOf(v));
            }
        }
        if (!keyed) {
            WritePixelValues(to, ty, plan.visible.left, n, out.data());
            continue;
        }
        for (int i = 0; i < n;) { // runs of shown pixels
            if (!show[static_cast<std::size_t>(i)]) {
                ++i;
                continue;
            }
            int end = i;
            while (end < n && show[static_cast<std::size_t>(end)])
                ++end;
            WritePixelValues(to, ty, plan.visible.left + i, end - i, out.data() + i);
            i = end;
        }
    }
    return true;
}

bool CDIBSection::Paint(QPainter& painter, const CRect& dst, const CRect& src,
                        COLORREF transparent) const {
    const CPlan plan = MakePlan(dst, src, VisibleArea(painter));
    if (plan.visible.IsEmpty()) return true;
    const CSurface from = Surface();
    const bool keyed = transparent != kNoColour;
    const std::uint32_t key = keyed ? CRasterDC(from).PixelFor(transparent, false) : 0;
    const CColourReader colourOf(from);

    const int n = plan.visible.Width();
    QImage image(n, plan.visible.Height(), keyed ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return false;
    std::vector<std::uint32_t> span(static_cast<std::size_t>(plan.srcSpan));
    int lastRow = -1;
    for (int row = 0; row < plan.visible.Height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const int sy = plan.ys[static_cast<std::size_t>(row)];
        if (sy == lastRow) { // an enlarged row repeats the one above
            std::copy_n(reinterpret_cast<const QRgb*>(image.constScanLine(row - 1)), n, line);
            continue;
        }
        lastRow = sy;
        ReadPixelValues(from, sy, plan.srcMinX, plan.srcSpan, span.data());
        for (int i = 0; i < n; ++i) {
            const std::uint32_t v =
                span[static_cast<std::size_t>(plan.xs[static_cast<std::size_t>(i)] - plan.srcMinX)];
            const COLORREF c = colourOf(v);
            line[i] = keyed && v == key ? 0u : qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (keyed) painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(plan.visible.left, plan.visible.top), image);
    painter.restore();
    return true;
}

bool CDIBSection::Draw(QPainter& painter, int x, int y, CPoint srcOrigin, CSize srcSize) const {
    return DrawTransparent(painter, x, y, kNoColour, srcOrigin, srcSize);
}

bool CDIBSection::DrawTransparent(QPainter& painter, int x, int y, COLORREF transparent,
                                  CPoint srcOrigin, CSize srcSize) const {
    if (!HasImage()) return true;
    CRect dst, src;
    if (!ClipOneToOne(Size(), x, y, srcOrigin, srcSize, dst, src)) return true;
    return Paint(painter, dst, src, transparent);
}

bool CDIBSection::Stretch(QPainter& painter, int x, int y, int width, int height) const {
    return StretchTransparent(painter, x, y, width, height, kNoColour);
}

bool CDIBSection::StretchTransparent(QPainter& painter, int x, int y, int width, int height,
                                     COLORREF transparent) const {
    if (!HasImage()) return true;
    if (width <= 0 || height <= 0 || !FitsTarget(x, 0LL + x + width) ||
        !FitsTarget(y, 0LL + y + height))
        return false;
    return Paint(painter, {x, y, x + width, y + height}, {0, 0, Width(), Height()}, transparent);
}

bool CDIBSection::Draw(CDIBSection& target, int x, int y, CPoint srcOrigin, CSize srcSize,
                       COLORREF transparent) const {
    if (!HasImage()) return true;
    if (&target == this) return false;
    CRect dst, src;
    if (!ClipOneToOne(Size(), x, y, srcOrigin, srcSize, dst, src)) return true;
    return Blit(target, dst, src, transparent);
}

bool CDIBSection::Stretch(CDIBSection& target, int x, int y, int width, int height,
                          COLORREF transparent) const {
    if (!HasImage()) return true;
    if (&target == this || width <= 0 || height <= 0 || !FitsTarget(x, 0LL + x + width) ||
        !FitsTarget(y, 0LL + y + height))
        return false;
    return Blit(target, {x, y, x + width, y + height}, {0, 0, Width(), Height()}, transparent);
}

} // namespace tsl
