#include "paint/Raster.h"

#include "core/Palette.h"

namespace tsl {
namespace {
bool IsExactTableColour(const CSurface& s, COLORREF c) {
    for (int i = 0; i < s.colourCount; ++i)
        if (ColourOf(s.colours[i]) == c) return true;
    return false;
}
} // namespace

std::uint32_t CRasterDC::PixelFor(COLORREF colour, bool penOrBrush) const {
    const COLORREF c = colour & 0x00FFFFFF; // a palette-relative request maps the same way
    switch (m_s.bitsPerPixel) {
    case 1:
        if (penOrBrush && !IsExactTableColour(m_s, c)) {
            // Neither of the two colours: drawn as the opposite of the background colour.
            const int bk = NearestPaletteIndex(m_s.colours, m_s.colourCount, m_bkColour & 0xFFFFFF);
            return bk == 0 ? 1u : 0u;
        }
        [[fallthrough]];
    case 4:
    case 8:
        return static_cast<std::uint32_t>(NearestPaletteIndex(m_s.colours, m_s.colourCount, c));
    case 16:
        return static_cast<std::uint32_t>(((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) |
                                          (GetBValue(c) >> 3));
    default: // 24 and 32: 0x00RRGGBB
        return static_cast<std::uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
}

COLORREF CRasterDC::ColourOfPixel(std::uint32_t v) const {
    switch (m_s.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
        return static_cast<int>(v) < m_s.colourCount ? ColourOf(m_s.colours[v]) : 0;
    case 16: {
        const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    default:
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
}

std::uint32_t CRasterDC::PixelValue(int x, int y) const {
    const std::uint8_t* row = m_s.TopRow(y);
    switch (m_s.bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    case 8: return row[x];
    case 16: return ReadLe16(row + 2 * x);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    default: return ReadLe32(row + 4 * x) & 0x00FFFFFF;
    }
}

void CRasterDC::PutPixelValue(int x, int y, std::uint32_t v) {
    if (x < 0 || y < 0 || x >= m_s.width || y >= m_s.height) return;
    std::uint8_t* row = m_s.TopRow(y);
    switch (m_s.bitsPerPixel) {
    case 1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~bit) | (v & 1 ? bit : 0));
        break;
    }
    case 4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (v & 15))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((v & 15) << 4));
        break;
    }
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    case 16: WriteLe16(row + 2 * x, static_cast<std::uint16_t>(v)); break;
    case 24:
        row[3 * x] = static_cast<std::uint8_t>(v);
        row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
        break;
    default: WriteLe32(row + 4 * x, v & 0x00FFFFFF); break;
    }
}

COLORREF CRasterDC::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_s.width || y >= m_s.height) return CLR_INVALID;
    return ColourOfPixel(PixelValue(x, y));
}

COLORREF CRasterDC::SetPixel(int x, int y, COLORREF colour) {
    if (x < 0 || y < 0 || x >= m_s.width || y >= m_s.height) return CLR_INVALID;
    const std::uint32_t v = PixelFor(colour, false);
    PutPixelValue(x, y, v);
    return ColourOfPixel(v);
}

void CRasterDC::FillSpan(int y, int x1, int x2, std::uint32_t value) {
    if (y < 0 || y >= m_s.height) return;
    if (x1 < 0) x1 = 0;
    if (x2 > m_s.width) x2 = m_s.width;
    for (int x = x1; x < x2; ++x) PutPixelValue(x, y, value);
}

bool CRasterDC::FillRect(const CRect& rect, COLORREF colour) {
    const CRect r = rect.Normalised().Intersected({0, 0, m_s.width, m_s.height});
    const std::uint32_t v = PixelFor(colour, true);
    for (int y = r.top; y < r.bottom; ++y) FillSpan(y, r.left, r.right, v);
    return true;
}

} // namespace tsl
