#include "paint/ScaledRender.h"

#include <array>
#include <cstdint>

namespace tsl {
namespace {

// Screen colours of the pixel values of an indexed or 16-bit surface.
std::vector<QRgb> ValueTable(const CSurface& s) {
    std::vector<QRgb> table;
    if (s.bitsPerPixel <= 8) {
        table.assign(256, qRgb(0, 0, 0));
        for (int i = 0; i < s.colourCount && i < 256; ++i) {
            const RGBQUAD& q = s.colours[i];
            table[static_cast<std::size_t>(i)] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
    } else if (s.bitsPerPixel == 16) {
        table.resize(32768);
        for (unsigned v = 0; v < 32768; ++v) {
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            table[v] = qRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
        }
    }
    return table;
}

inline std::uint32_t ValueAt(const std::uint8_t* row, int bpp, int x) {
    switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 15u : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: return (row[2 * x] | (row[2 * x + 1] << 8)) & 0x7FFFu;
    default: return 0;
    }
}

} // namespace

QImage RenderScaled(const CSurface& s, const std::vector<int>& xs, const std::vector<int>& ys,
                    COLORREF key, QRgb keyOut) {
    const int n = static_cast<int>(xs.size());
    const int rows = static_cast<int>(ys.size());
    if (n == 0 || rows == 0 || !s.bits) return {};
    QImage out(n, rows, QImage::Format_RGB32);
    if (out.isNull()) return {};
    const std::vector<QRgb> table = ValueTable(s);
    const bool direct = table.empty(); // 24 and 32 bits: the value is the colour
    const bool keyed = key != kNoColour;
    const std::uint32_t keyValue = keyed ? CRasterDC(s).PixelFor(key, false) : 0;
    const int bpp = s.bitsPerPixel;
    int lastY = -1;
    for (int j = 0; j < rows; ++j) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(j));
        const int y = ys[static_cast<std::size_t>(j)];
        if (y == lastY) { // an enlarged row repeats the one above
            std::copy_n(reinterpret_cast<const QRgb*>(out.constScanLine(j - 1)), n, line);
            continue;
        }
        lastY = y;
        const std::uint8_t* row = s.TopRow(y);
        if (direct) { // 24 and 32 bits: B, G, R(, X)
            const std::size_t step = static_cast<std::size_t>(bpp / 8);
            for (int i = 0; i < n; ++i) {
                const std::uint8_t* p = row + step * static_cast<std::size_t>(xs[static_cast<std::size_t>(i)]);
                const std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (p[1] << 8) | (p[2] << 16);
                line[i] = keyed && v == keyValue ? keyOut : 0xFF000000u | v;
            }
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const std::uint32_t v = ValueAt(row, bpp, xs[static_cast<std::size_t>(i)]);
            line[i] = keyed && v == keyValue ? keyOut : table[v];
        }
    }
    return out;
}

} // namespace tsl
