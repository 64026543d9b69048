#include "core/Palette.h"

namespace tsl {
namespace {

std::array<RGBQUAD, 256> MakeDefault() {
    std::array<RGBQUAD, 256> t{};
    int n = 0;
    auto add = [&](int r, int g, int b) {
        t[static_cast<std::size_t>(n++)] = QuadOf(RGB(r, g, b));
    };
    // The ten low static colours.
    add(0, 0, 0);
    add(128, 0, 0);
    add(0, 128, 0);
    add(128, 128, 0);
    add(0, 0, 128);
    add(128, 0, 128);
    add(0, 128, 128);
    add(192, 192, 192);
    add(192, 220, 192);
    add(166, 202, 240);
    // The colour cube, red fastest, without three colours that the static ones repeat.
    const int levels[6] = {0, 44, 86, 135, 192, 255};
    for (int b : levels)
        for (int g : levels)
            for (int r : levels) {
                if ((r == 0 && g == 0 && b == 0) || (r == 192 && g == 192 && b == 192) ||
                    (r == 0 && g == 255 && b == 255))
                    continue;
                add(r, g, b);
            }
    for (int v : {17, 24, 30, 37, 44, 52, 60, 68, 77, 86, 95, 105, 114, 125, 146, 157, 168, 180,
                  204, 216, 229, 242, 255})
        add(v, v, v);
    // The ten high static colours.
    add(255, 251, 240);
    add(160, 160, 164);
    add(128, 128, 128);
    add(255, 0, 0);
    add(0, 255, 0);
    add(255, 255, 0);
    add(0, 0, 255);
    add(255, 0, 255);
    add(0, 255, 255);
    add(255, 255, 255);
    return t;
}

} // namespace

const std::array<RGBQUAD, 256>& DefaultPaletteTable() {
    static const std::array<RGBQUAD, 256> table = MakeDefault();
    return table;
}

std::vector<RGBQUAD> DefaultPalette(int colourCount) {
    const auto& t = DefaultPaletteTable();
    if (colourCount == 2) return {t[0], t[255]};
    if (colourCount == 16) {
        std::vector<RGBQUAD> out(t.begin(), t.begin() + 8);
        out.insert(out.end(), t.begin() + 248, t.end());
        return out;
    }
    return {t.begin(), t.end()};
}

int NearestPaletteIndex(const RGBQUAD* table, int count, COLORREF colour) {
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const long dr = table[i].rgbRed - r, dg = table[i].rgbGreen - g, db = table[i].rgbBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d == 0) return i;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace tsl
