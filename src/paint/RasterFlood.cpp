// Surface flood fill: the 4-connected area of pixels whose stored value equals the value the
// surface colour maps to is painted with the selected brush. It works span by span with an
// explicit list of seeds, so the depth of the area costs memory on the heap (at most about two
// seeds per pixel), never stack. A brush that maps to the surface value itself would leave
// nothing to do (and a naive fill would never end), so that case returns at once.

#include "paint/Raster.h"

#include <vector>

namespace tsl {

bool CRasterDC::ExtFloodFill(int x, int y, COLORREF surfaceColour) {
    if (x < 0 || y < 0 || x >= m_s.width || y >= m_s.height) return false;
    const std::uint32_t surface = PixelFor(surfaceColour, false);
    if (PixelValue(x, y) != surface) return false;
    if (m_brush.style == BrushStyle::Null) return false;
    const std::uint32_t fill = PixelFor(m_brush.colour, true);
    if (fill == surface) return true;

    std::vector<CPoint> seeds{{x, y}};
    while (!seeds.empty()) {
        const CPoint seed = seeds.back();
        seeds.pop_back();
        if (PixelValue(seed.x, seed.y) != surface) continue; // filled since it was queued
        int left = seed.x, right = seed.x + 1;
        while (left > 0 && PixelValue(left - 1, seed.y) == surface)
            --left;
        while (right < m_s.width && PixelValue(right, seed.y) == surface)
            ++right;
        FillSpan(seed.y, left, right, fill);
        // One seed for every run of surface pixels touching the span above and below.
        for (const int row : {seed.y - 1, seed.y + 1}) {
            if (row < 0 || row >= m_s.height) continue;
            bool inRun = false;
            for (int col = left; col < right; ++col) {
                const bool match = PixelValue(col, row) == surface;
                if (match && !inRun) seeds.push_back({col, row});
                inRun = match;
            }
        }
    }
    return true;
}

} // namespace tsl
