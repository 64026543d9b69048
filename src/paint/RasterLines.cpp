// Lines with the selected pen. A cosmetic pen (width 0 or 1) sets the pixels nearest the ideal
// line, one per step along the major axis, and leaves out the last point; at an exact tie the
// pixel with the smaller minor coordinate wins, so a line and its reverse cover the same pixels.
// A wider pen is round: its tip (the ellipse filling a width x width box whose top-left is
// (x - width/2, y - width/2)) is stamped on both ends, and a body joins them. The body is the
// parallelogram whose long sides are the segment moved along its normal: towards the side
// where the normal points right (down for a horizontal segment) by the normal's components
// rounded away from zero, towards the other side by them rounded to nearest with halves towards
// zero. It is filled like a polygon region: pixel centres inside, left and top edges included,
// right and bottom edges not. Coordinates may be anything an int holds; only the pixels inside
// the bitmap are visited, with 128-bit arithmetic where products could overflow.

#include "paint/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tsl {
namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

// The widest pen drawn; wider ones are drawn at this width (the tip is kept row by row).
constexpr int kMaxPenWidth = 1 << 14;

// Rounds num / den up; den > 0.
i64 CeilDiv(i128 num, i128 den) {
    i128 q = num / den;
    if (num % den != 0 && num > 0) ++q;
    return static_cast<i64>(q);
}

// A column for FillSpan, which clips: far left becomes -1, far right 2^30.
int ClampToInt(i64 v) {
    return static_cast<int>(std::clamp<i64>(v, -1, i64{1} << 30));
}

// The minor coordinate at major coordinate m of the line from (m1, n1) with slope dn / dm
// (dm != 0): the nearest integer to the exact value, halves going to the smaller one.
i64 NearestMinor(i64 m1, i64 n1, i64 dm, i64 dn, i64 m) {
    i128 num = static_cast<i128>(dn) * (m - m1);
    i128 den = dm;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return n1 + CeilDiv(2 * num - den, 2 * den);
}

// Sets the pixels of the cosmetic line from (x1, y1) to (x2, y2), without (x2, y2).
void CosmeticLine(CRasterDC& dc, i64 x1, i64 y1, i64 x2, i64 y2, std::uint32_t value) {
    const CSurface& s = dc.Surface();
    const i64 dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return;
    if (std::llabs(dx) >= std::llabs(dy)) {
        // Major axis x: the visible columns of x1 .. x2 (exclusive).
        i64 from = dx > 0 ? x1 : x2 + 1, to = dx > 0 ? x2 - 1 : x1;
        from = std::max<i64>(from, 0);
        to = std::min<i64>(to, s.width - 1);
        for (i64 x = from; x <= to; ++x) {
            const i64 y = NearestMinor(x1, y1, dx, dy, x);
            if (y >= 0 && y < s.height)
                dc.PutPixelValue(static_cast<int>(x), static_cast<int>(y), value);
        }
    } else {
        i64 from = dy > 0 ? y1 : y2 + 1, to = dy > 0 ? y2 - 1 : y1;
        from = std::max<i64>(from, 0);
        to = std::min<i64>(to, s.height - 1);
        for (i64 y = from; y <= to; ++y) {
            const i64 x = NearestMinor(y1, x1, dy, dx, y);
            if (x >= 0 && x < s.width)
                dc.PutPixelValue(static_cast<int>(x), static_cast<int>(y), value);
        }
    }
}

struct CVertex {
    i64 x;
    i64 y;
};

// Fills a polygon with the region rules: a pixel is inside when its centre is, counting the
// left and top edges in and the right and bottom edges out (even-odd rule).
void FillPolygon(CRasterDC& dc, const CVertex* pts, int count, std::uint32_t value) {
    const CSurface& s = dc.Surface();
    i64 top = pts[0].y, bottom = pts[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, pts[i].y);
        bottom = std::max(bottom, pts[i].y);
    }
    top = std::max<i64>(top, 0);
    bottom = std::min<i64>(bottom, s.height);
    std::vector<i64> xs;
    for (i64 y = top; y < bottom; ++y) {
        xs.clear();
        for (int i = 0; i < count; ++i) {
            CVertex a = pts[i], b = pts[(i + 1) % count];
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            xs.push_back(a.x + CeilDiv(static_cast<i128>(y - a.y) * (b.x - a.x), b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            dc.FillSpan(static_cast<int>(y), ClampToInt(xs[i]), ClampToInt(xs[i + 1]), value);
    }
}

// The smallest k >= 0 with (2k + odd)^2 * len2 >= (width * c)^2, i.e. width*|c|/(2*len)
// rounded up (odd = 0) or rounded to nearest with halves down (odd = 1).
i64 ScaledComponent(int width, i64 c, i128 len2, int odd) {
    const i128 target = static_cast<i128>(width) * width * static_cast<i128>(c) * c;
    auto enough = [&](i64 k) {
        const i128 m = 2 * static_cast<i128>(k) + odd;
        return m * m * len2 >= target;
    };
    const long double exact = static_cast<long double>(width) *
                              std::fabs(static_cast<long double>(c)) /
                              (2 * std::sqrt(static_cast<long double>(len2)));
    i64 k = std::max<i64>(0, static_cast<i64>(std::ceil(exact - 0.5L * odd)));
    while (k > 0 && enough(k - 1))
        --k;
    while (!enough(k))
        ++k;
    return k;
}

// The body of a wide segment from a to b (a != b).
void WideBody(CRasterDC& dc, CVertex a, CVertex b, int width, std::uint32_t value) {
    // The normal (dy, -dx), turned so that it points right, or down when vertical.
    i64 nx = b.y - a.y, ny = a.x - b.x;
    if (nx < 0 || (nx == 0 && ny < 0)) {
        nx = -nx;
        ny = -ny;
    }
    const i128 len2 = static_cast<i128>(nx) * nx + static_cast<i128>(ny) * ny;
    auto sign = [](i64 v) { return v < 0 ? -1 : 1; };
    const i64 ax = sign(nx) * ScaledComponent(width, nx, len2, 0);
    const i64 ay = sign(ny) * ScaledComponent(width, ny, len2, 0);
    const i64 bx = -sign(nx) * ScaledComponent(width, nx, len2, 1);
    const i64 by = -sign(ny) * ScaledComponent(width, ny, len2, 1);
    const CVertex quad[4] = {
        {a.x + ax, a.y + ay}, {b.x + ax, b.y + ay}, {b.x + bx, b.y + by}, {a.x + bx, a.y + by}};
    FillPolygon(dc, quad, 4, value);
}

// Stamps the round tip of a pen of this width on (x, y).
void StampTip(CRasterDC& dc, const std::vector<std::pair<int, int>>& tip, int width, i64 x, i64 y,
              std::uint32_t value) {
    const CSurface& s = dc.Surface();
    const i64 left = x - width / 2, top = y - width / 2;
    if (left >= s.width || top >= s.height || left + width <= 0 || top + width <= 0) return;
    const i64 first = std::max<i64>(0, -top), last = std::min<i64>(width, s.height - top);
    for (i64 row = first; row < last; ++row) {
        const auto& [from, to] = tip[static_cast<std::size_t>(row)];
        dc.FillSpan(static_cast<int>(top + row), ClampToInt(left + from), ClampToInt(left + to + 1),
                    value);
    }
}

} // namespace

CRasterDC::CPenPath CRasterDC::BeginPenPath() const {
    CPenPath path;
    path.value = PixelFor(m_pen.colour, true);
    path.width = std::clamp(m_pen.width, 1, kMaxPenWidth);
    if (path.width > 1) path.tip = RoundTip(path.width);
    return path;
}

void CRasterDC::PenPathTo(CPenPath& path, std::int64_t x, std::int64_t y, bool connect) {
    const bool segment = connect && path.started;
    const bool moved = !path.started || x != path.x || y != path.y;
    if (path.width <= 1) {
        if (segment) CosmeticLine(*this, path.x, path.y, x, y, path.value);
    } else {
        if (moved || !segment) StampTip(*this, path.tip, path.width, x, y, path.value);
        if (segment && moved) WideBody(*this, {path.x, path.y}, {x, y}, path.width, path.value);
    }
    path.started = true;
    path.x = x;
    path.y = y;
}

bool CRasterDC::LineTo(int x, int y) {
    const CPoint from = m_position;
    m_position = {x, y};
    if (m_pen.style == PenStyle::Null) return true;
    CPenPath path = BeginPenPath();
    PenPathTo(path, from.x, from.y, false);
    PenPathTo(path, x, y, true);
    return true;
}

} // namespace tsl
