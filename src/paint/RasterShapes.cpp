// Rectangle, RoundRect and Ellipse with the selected pen and brush.
//
// The outline runs through the pixel centres of the box's border: for a Rectangle the corners
// (left, top) .. (right-1, bottom-1); for an Ellipse the pixels nearest the ellipse through the
// centres of the outermost pixels (column by column where the curve is flat, row by row where
// it is steep, halves going outwards); a RoundRect puts the four quarters of its corner ellipse
// in the corners and joins them with straight sides. A cosmetic pen sets exactly these pixels,
// a wider pen strokes them as one closed path (see RasterLines.cpp), so that a wide Rectangle
// has its corners rounded by the pen tip. A shape whose box is a single pixel has a path of a
// single point: a cosmetic pen draws nothing there, a wider pen its tip.
//
// The brush fills a Rectangle one pixel short of the right and bottom border (left..right-2 x
// top..bottom-2), but an Ellipse or RoundRect up to and including its outline pixels.

#include "paint/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tsl {
namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

// Shape coordinates are clamped to +-2^30 so that the ellipse arithmetic fits in 128 bits. A
// bitmap ends long before that: a rectangle draws the same pixels, an ellipse that large only
// changes its curvature far away.
constexpr i64 kCoordLimit = i64{1} << 30;

i64 ClampCoord(i64 v) {
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

// floor(sqrt(n)).
i64 ISqrt(i128 n) {
    if (n <= 0) return 0;
    i64 r = static_cast<i64>(std::sqrt(static_cast<long double>(n)));
    while (r > 0 && static_cast<i128>(r) * r > n)
        --r;
    while (static_cast<i128>(r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

// A quarter of the ellipse through the pixel centres of an (a+1) x (b+1) box, in doubled
// coordinates from its centre: columns u = a, a-2, ... and rows v = b, b-2, ... down to 0 or 1.
// Where the curve is flat (slope below 1) each column takes the row nearest the exact curve;
// where it is steep each row takes the nearest column; halves go outwards. Extent(v) is the
// outermost column of row v, so that row of the filled ellipse spans -Extent(v) .. Extent(v).
class CQuarterEllipse {
public:
    CQuarterEllipse(i64 a, i64 b) : m_a(a), m_b(b) {
        if (a == 0 || b == 0) return;
        // The flat part ends at the first column whose nearest row is at least as steep as 1.
        i64 lo = 0, hi = (a - (a & 1)) / 2 + 1;
        while (lo < hi) {
            const i64 mid = (lo + hi) / 2, u = (a & 1) + 2 * mid;
            if (static_cast<i128>(b) * b * u >= static_cast<i128>(a) * a * NearestRow(u))
                hi = mid;
            else
                lo = mid + 1;
        }
        m_flatEnd = (a & 1) + 2 * lo;
    }

    i64 Extent(i64 v) const {
        if (m_a == 0 || m_b == 0) return m_a;
        i64 best = -1;
        // The last flat-part column whose nearest row is v.
        const i64 u = std::min(LastColumnReaching(v), m_flatEnd - 2);
        if (u >= (m_a & 1) && NearestRow(u) == v) best = u;
        const i64 steep = NearestColumn(v);
        if (static_cast<i128>(m_b) * m_b * steep >= static_cast<i128>(m_a) * m_a * v)
            best = std::max(best, steep);
        return best >= 0 ? best : steep;
    }

private:
    // The value of this parity nearest sqrt(num / den), halves going up.
    static i64 Nearest(i128 num, i128 den, i64 parity) {
        const i64 f = ISqrt(num / den);
        const i64 lo = f - ((f - parity) & 1);
        const i128 mid = lo + 1;
        const i64 r = num >= mid * mid * den ? lo + 2 : lo;
        return std::max(r, parity);
    }
    i64 NearestRow(i64 u) const {
        const i128 a2 = static_cast<i128>(m_a) * m_a;
        return Nearest(static_cast<i128>(m_b) * m_b * (a2 - static_cast<i128>(u) * u), a2, m_b & 1);
    }
    i64 NearestColumn(i64 v) const {
        const i128 b2 = static_cast<i128>(m_b) * m_b;
        return Nearest(static_cast<i128>(m_a) * m_a * (b2 - static_cast<i128>(v) * v), b2, m_a & 1);
    }
    // The outermost column whose nearest row is v or further out.
    i64 LastColumnReaching(i64 v) const {
        if (v <= 1) return m_a;
        const i128 b2 = static_cast<i128>(m_b) * m_b, w = v - 1;
        i64 q = ISqrt(static_cast<i128>(m_a) * m_a * (b2 - w * w) / b2);
        if ((q - m_a) & 1) --q;
        return std::min(q, m_a);
    }

    i64 m_a;
    i64 m_b;
    i64 m_flatEnd = 0;
};

// The box of pixels left..right x top..bottom (inclusive) with quarters of an (a+1) x (b+1)
// ellipse in its corners.
struct CRoundedBox {
    CRoundedBox(i64 l, i64 t, i64 r, i64 bt, i64 qa, i64 qb)
        : left(l), top(t), right(r), bottom(bt), a(qa), b(qb), quarter(qa, qb), l2(2 * l + qa),
          r2(2 * r - qa), t2(2 * t + qb), b2(2 * bt - qb) {}

    // The columns of row y (top <= y <= bottom) of the filled shape.
    std::pair<i64, i64> Span(i64 y) const {
        i64 v = -1;
        if (2 * y <= t2 - (b & 1))
            v = t2 - 2 * y;
        else if (2 * y >= b2 + (b & 1))
            v = 2 * y - b2;
        if (v < 0) return {left, right};
        const i64 e = quarter.Extent(v);
        return {(l2 - e) / 2, (r2 + e) / 2};
    }
    // The column where the outline enters row v of a quarter, coming from row v + 2.
    i64 Inner(i64 v) const {
        const i64 e = quarter.Extent(v);
        return v == b ? (a & 1) : std::min(quarter.Extent(v + 2) + 2, e);
    }

    i64 left, top, right, bottom, a, b;
    CQuarterEllipse quarter;
    i64 l2, r2, t2, b2; // doubled centres of the corner ellipses
};

// Walks the outline clockwise from the top middle, calling visit(x, y, connect) for every
// vertex: the ends of each row's run of outline pixels. Only rows within yMin..yMax are visited
// besides the first and last row of each quarter; connect is false after rows were skipped.
template <class Visit> void WalkOutline(const CRoundedBox& box, i64 yMin, i64 yMax, Visit&& visit) {
    const i64 pb = box.b & 1;
    bool first = true;
    // The quarters: their side, their half, and whether they are walked from the outermost row
    // (v = b) towards the middle, with each row's run going outwards, or the other way round.
    const struct {
        bool right, top, descending;
    } quarters[4] = {
        {true, true, true}, {true, false, false}, {false, true, false}, {false, false, true}};
    const int order[4] = {0, 1, 3, 2}; // top-right, bottom-right, bottom-left, top-left
    for (int qi : order) {
        const auto& q = quarters[qi];
        // Visible rows of this quarter.
        i64 vLo = q.top ? box.t2 - 2 * yMax : 2 * yMin - box.b2;
        i64 vHi = q.top ? box.t2 - 2 * yMin : 2 * yMax - box.b2;
        vLo = std::max(vLo, pb);
        vHi = std::min(vHi, box.b);
        if ((vLo - pb) & 1) ++vLo;
        if ((vHi - pb) & 1) --vHi;
        i64 previous = -1;
        auto row = [&](i64 v) {
            if (v == previous) return;
            const bool connect = first ? false : previous < 0 || std::abs(v - previous) == 2;
            const i64 e = box.quarter.Extent(v), in = box.Inner(v);
            const i64 u0 = q.descending ? in : e, u1 = q.descending ? e : in;
            const i64 y = q.top ? (box.t2 - v) / 2 : (box.b2 + v) / 2;
            auto x = [&](i64 u) { return q.right ? (box.r2 + u) / 2 : (box.l2 - u) / 2; };
            visit(x(u0), y, connect);
            if (u1 != u0) visit(x(u1), y, true);
            first = false;
            previous = v;
        };
        if (q.descending) {
            row(box.b);
            for (i64 v = vHi; v >= vLo; v -= 2)
                row(v);
            row(pb);
        } else {
            row(pb);
            for (i64 v = vLo; v <= vHi; v += 2)
                row(v);
            row(box.b);
        }
    }
}

} // namespace

std::vector<std::pair<int, int>> CRasterDC::RoundTip(int width) {
    const CQuarterEllipse q(width - 1, width - 1);
    std::vector<std::pair<int, int>> rows(static_cast<std::size_t>(width));
    for (int row = 0; row < width; ++row) {
        const i64 e = q.Extent(std::abs(2 * row - (width - 1)));
        rows[static_cast<std::size_t>(row)] = {static_cast<int>((width - 1 - e) / 2),
                                               static_cast<int>((width - 1 + e) / 2)};
    }
    return rows;
}

bool CRasterDC::RoundedShape(std::int64_t left, std::int64_t top, std::int64_t right,
                             std::int64_t bottom, std::int64_t cornerWidth,
                             std::int64_t cornerHeight) {
    const i64 a = std::max<i64>(0, std::min(cornerWidth, right - left + 1) - 1);
    const i64 b = std::max<i64>(0, std::min(cornerHeight, bottom - top + 1) - 1);
    const CRoundedBox box(left, top, right, bottom, a, b);
    const bool point = left == right && top == bottom;
    if (m_brush.style != BrushStyle::Null && !point) {
        const std::uint32_t value = PixelFor(m_brush.colour, true);
        for (i64 y = std::max<i64>(top, 0); y <= std::min<i64>(bottom, m_s.height - 1); ++y) {
            const auto [x1, x2] = box.Span(y);
            FillSpan(static_cast<int>(y), static_cast<int>(std::max<i64>(x1, -1)),
                     static_cast<int>(std::min<i64>(x2 + 1, m_s.width)), value);
        }
    }
    if (m_pen.style != PenStyle::Null) {
        CPenPath path = BeginPenPath();
        // Rows further out than the pen reaches cannot touch the bitmap.
        const i64 margin = path.width / 2 + 2;
        i64 firstX = 0, firstY = 0;
        bool any = false;
        WalkOutline(box, -margin, m_s.height - 1 + margin, [&](i64 x, i64 y, bool connect) {
            if (!any) {
                firstX = x;
                firstY = y;
                any = true;
            }
            PenPathTo(path, x, y, connect);
        });
        PenPathTo(path, firstX, firstY, true);
    }
    return true;
}

bool CRasterDC::Ellipse(int left, int top, int right, int bottom) {
    const CRect r = CRect{left, top, right, bottom}.Normalised();
    if (r.IsEmpty()) return true;
    const i64 l = ClampCoord(r.left), t = ClampCoord(r.top);
    const i64 rr = ClampCoord(i64{r.right} - 1), bb = ClampCoord(i64{r.bottom} - 1);
    return RoundedShape(l, t, rr, bb, rr - l + 1, bb - t + 1);
}

bool CRasterDC::RoundRect(int left, int top, int right, int bottom, int ellipseWidth,
                          int ellipseHeight) {
    const CRect r = CRect{left, top, right, bottom}.Normalised();
    if (r.IsEmpty()) return true;
    const i64 l = ClampCoord(r.left), t = ClampCoord(r.top);
    const i64 rr = ClampCoord(i64{r.right} - 1), bb = ClampCoord(i64{r.bottom} - 1);
    return RoundedShape(l, t, rr, bb, std::llabs(i64{ellipseWidth}),
                        std::llabs(i64{ellipseHeight}));
}

bool CRasterDC::Rectangle(int left, int top, int right, int bottom) {
    const CRect r = CRect{left, top, right, bottom}.Normalised();
    if (r.IsEmpty()) return true;
    const i64 l = ClampCoord(r.left), t = ClampCoord(r.top);
    const i64 rr = ClampCoord(i64{r.right} - 1), bb = ClampCoord(i64{r.bottom} - 1);
    if (m_brush.style != BrushStyle::Null) {
        const std::uint32_t value = PixelFor(m_brush.colour, true);
        for (i64 y = std::max<i64>(t, 0); y < std::min<i64>(bb, m_s.height); ++y)
            FillSpan(static_cast<int>(y), static_cast<int>(std::max<i64>(l, -1)),
                     static_cast<int>(std::min<i64>(rr, m_s.width)), value);
    }
    if (m_pen.style != PenStyle::Null) {
        CPenPath path = BeginPenPath();
        PenPathTo(path, l, t, false);
        PenPathTo(path, rr, t, true);
        PenPathTo(path, rr, bb, true);
        PenPathTo(path, l, bb, true);
        PenPathTo(path, l, t, true);
    }
    return true;
}

} // namespace tsl
