// Colour resolution: palette choice, reduction with dithering, expansion and grey scale.

#include "imaging/ColorRes.h"
#include "imaging/ColorResInternal.h"

#include "core/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <utility>

namespace tsl {
namespace {

using detail::CNearestColourMap;
using detail::Expand5;
using detail::Level5;

// ---------------------------------------------------------------- dithering kernels

// Error-diffusion kernels as printed in the literature: rows from the current one down, columns
// for offsets -3..3 (on the current row only the pixels to the right get error).
struct KernelTable {
    int weights[4][7];
    int divisor;
};
// clang-format off
constexpr KernelTable kKernelTables[] = {
    {{{0, 0, 0, 0, 7, 0, 0},                                   // Floyd-Steinberg
      {0, 0, 3, 5, 1, 0, 0}}, 16},
    {{{0, 0, 0, 0, 8, 4, 0},                                   // Stucki
      {0, 2, 4, 8, 4, 2, 0},
      {0, 1, 2, 4, 2, 1, 0}}, 42},
    {{{0, 0, 0, 0, 8, 4, 0},                                   // Burkes
      {0, 2, 4, 8, 4, 2, 0}}, 32},
    {{{0, 0, 0, 0, 5, 3, 0},                                   // Sierra
      {0, 2, 4, 5, 4, 2, 0},
      {0, 0, 2, 3, 2, 0, 0}}, 32},
    {{{0, 0, 0, 0, 0, 32, 0},                                  // Stevenson-Arce (every other
      {12, 0, 26, 0, 30, 0, 16},                               // column, four rows)
      {0, 12, 0, 26, 0, 12, 0},
      {5, 0, 12, 0, 12, 0, 5}}, 200},
    {{{0, 0, 0, 0, 7, 5, 0},                                   // Jarvis, Judice and Ninke
      {0, 3, 5, 7, 5, 3, 0},
      {0, 1, 3, 5, 3, 1, 0}}, 48},
};
// clang-format on

constexpr bool WeightsSumToDivisors() {
    for (const KernelTable& t : kKernelTables) {
        int sum = 0;
        for (const auto& row : t.weights)
            for (int w : row)
                sum += w;
        if (sum != t.divisor) return false;
    }
    return true;
}
static_assert(WeightsSumToDivisors(), "a kernel must pass on all of the error");

struct Tap {
    int dx, dy, weight;
};
struct Kernel {
    std::vector<Tap> taps; // for a left-to-right scan; mirrored on right-to-left rows
    int divisor = 1;
    int rows = 1; // the current row and those below it that receive error
};

Kernel DiffusionKernel(unsigned kind) {
    const KernelTable& table = kKernelTables[std::min<std::size_t>((kind >> 16) - 1, 5)];
    Kernel k;
    k.divisor = table.divisor;
    for (int dy = 0; dy < 4; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (const int weight = table.weights[dy][dx + 3]) {
                k.taps.push_back({dx, dy, weight});
                k.rows = dy + 1;
            }
    return k;
}

constexpr int kBayer[64] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26,
                            12, 44, 4,  36, 14, 46, 6,  38, 60, 28, 52, 20, 62, 30, 54, 22,
                            3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27, 49, 17, 57, 25,
                            15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

// ---------------------------------------------------------------- targets

// Writes the nearest palette entry and reports its colour (B, G, R).
class CPaletteTarget {
public:
    CPaletteTarget(std::vector<RGBQUAD> palette, int bitsPerPixel)
        : m_map(std::move(palette)), m_bitsPerPixel(bitsPerPixel) {}
    void Put(std::uint8_t* row, int x, const int* bgr, int* chosen) {
        const int i = m_map.Nearest(bgr[2], bgr[1], bgr[0]);
        detail::PutIndex(row, x, m_bitsPerPixel, i);
        const RGBQUAD& q = m_map.Entry(i);
        chosen[0] = q.rgbBlue;
        chosen[1] = q.rgbGreen;
        chosen[2] = q.rgbRed;
    }
    // Bayer amplitude: the spacing of a cube with as many colours, at most the full range.
    double Spread() const {
        const double side = std::cbrt(static_cast<double>(m_map.Size()));
        return side <= 1.0 ? 255.0 : std::min(255.0, 255.0 / (side - 1.0));
    }

private:
    CNearestColourMap m_map;
    int m_bitsPerPixel;
};

// Writes 5-5-5 pixels at the nearest level of each channel.
class C555Target {
public:
    void Put(std::uint8_t* row, int x, const int* bgr, int* chosen) {
        const int b = Level5(bgr[0]), g = Level5(bgr[1]), r = Level5(bgr[2]);
        WriteLe16(row + 2 * x, static_cast<std::uint16_t>((r << 10) | (g << 5) | b));
        chosen[0] = Expand5(b);
        chosen[1] = Expand5(g);
        chosen[2] = Expand5(r);
    }
    double Spread() const { return 255.0 / 31.0; }
};

// Reduces src into dst (same size, zeroed) through the target, picture rows top down.
template <class Target> void Reduce(const CDdb& src, CDdb& dst, unsigned dither, Target& target) {
    const int w = src.Width(), h = src.Height();
    const std::vector<RGBQUAD> palette = EffectivePalette(src);
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(w));
    int value[3], chosen[3];

    if (dither == kDitherNone || dither == kDitherOrdered) {
        int offset[64] = {};
        if (dither == kDitherOrdered)
            for (int i = 0; i < 64; ++i)
                offset[i] = static_cast<int>(
                    std::lround(((kBayer[i] + 0.5) / 64.0 - 0.5) * target.Spread()));
        for (int py = 0; py < h; ++py) {
            const int y = h - 1 - py;
            detail::ReadRowBgr(src, y, palette, bgr.data());
            std::uint8_t* out = dst.Row(y);
            const int* line = offset + 8 * (py & 7);
            for (int x = 0; x < w; ++x) {
                const int o = line[x & 7];
                for (int c = 0; c < 3; ++c)
                    value[c] = std::clamp(bgr[3 * static_cast<std::size_t>(x) + c] + o, 0, 255);
                target.Put(out, x, value, chosen);
            }
        }
        return;
    }

    // Error diffusion: errors wait in one line per kernel row, padded for taps past the edges.
    const Kernel kernel = DiffusionKernel(dither);
    // Accumulated error / divisor, rounded, as a multiplication: 2^24 / divisor in fixed point.
    const std::int64_t reciprocal = ((std::int64_t{1} << 24) + kernel.divisor / 2) / kernel.divisor;
    auto share = [reciprocal](int accumulated) {
        return static_cast<int>((accumulated * reciprocal + (std::int64_t{1} << 23)) >> 24);
    };
    constexpr int pad = 3;
    const std::size_t lineSize = 3 * (static_cast<std::size_t>(w) + 2 * pad);
    std::vector<int> errors(lineSize * static_cast<std::size_t>(kernel.rows), 0);
    struct RowTap {
        int* base; // the receiving line, moved by the tap's column offset
        int weight;
    };
    std::vector<RowTap> taps(kernel.taps.size());
    for (int py = 0; py < h; ++py) {
        const int y = h - 1 - py;
        detail::ReadRowBgr(src, y, palette, bgr.data());
        std::uint8_t* out = dst.Row(y);
        int* current = errors.data() + lineSize * static_cast<std::size_t>(py % kernel.rows);
        const int dir = (py & 1) ? -1 : 1;
        for (std::size_t t = 0; t < taps.size(); ++t) {
            const Tap& tap = kernel.taps[t];
            taps[t] = {errors.data() +
                           lineSize * static_cast<std::size_t>((py + tap.dy) % kernel.rows) +
                           3 * (pad + dir * tap.dx),
                       tap.weight};
        }
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const int* e = current + 3 * (x + pad);
            const std::uint8_t* s = &bgr[3 * static_cast<std::size_t>(x)];
            for (int c = 0; c < 3; ++c)
                value[c] = std::clamp(s[c] + share(e[c]), 0, 255);
            target.Put(out, x, value, chosen);
            const int err[3] = {value[0] - chosen[0], value[1] - chosen[1], value[2] - chosen[2]};
            if (err[0] == 0 && err[1] == 0 && err[2] == 0) continue;
            for (const RowTap& t : taps) {
                int* to = t.base + 3 * x;
                to[0] += err[0] * t.weight;
                to[1] += err[1] * t.weight;
                to[2] += err[2] * t.weight;
            }
        }
        std::fill(current, current + lineSize, 0);
    }
}

// ---------------------------------------------------------------- palettes

struct PaletteChoice {
    std::vector<RGBQUAD> colours;
    bool exact = false; // the picture's own colours: nothing to dither
};

std::vector<RGBQUAD> KindColours(const CDdb& image, int bitsPerPixel, unsigned flags, int room) {
    const std::vector<RGBQUAD> blackWhite = DefaultPalette(2);
    if (flags & kColorResOptimizedPalette)
        return bitsPerPixel == 1 ? blackWhite : detail::MedianCutPalette(image, room);
    if (flags & kColorResNetscapePalette) {
        if (bitsPerPixel == 8) return NetscapePalette();
        if (bitsPerPixel == 1) return blackWhite;
        std::vector<RGBQUAD> out;
        for (int c = 0; c < 8; ++c)
            out.push_back(QuadOf(RGB(c & 1 ? 255 : 0, c & 2 ? 255 : 0, c & 4 ? 255 : 0)));
        for (int v : {51, 102, 153, 204})
            out.push_back(QuadOf(RGB(v, v, v)));
        return out;
    }
    return DefaultPalette(1 << bitsPerPixel);
}

PaletteChoice ChoosePalette(const CDdb& image, int bitsPerPixel, unsigned flags) {
    const int size = 1 << bitsPerPixel;
    std::vector<RGBQUAD> low, high;
    if (flags & kColorResInsertSystemPalette) {
        const auto& table = DefaultPaletteTable();
        if (bitsPerPixel == 8) {
            low.assign(table.begin(), table.begin() + 10);
            high.assign(table.end() - 10, table.end());
        } else {
            low = {table[0]};
            high = {table[255]};
        }
    }
    const int room = size - static_cast<int>(low.size() + high.size());
    PaletteChoice choice;
    if (flags & (kColorResUseImageColors | kColorResOptimizedPalette)) {
        if (auto exact = detail::DistinctColours(image, room)) {
            choice.colours = std::move(*exact);
            choice.exact = true;
        }
    }
    if (!choice.exact) choice.colours = KindColours(image, bitsPerPixel, flags, room);
    if (low.empty()) return choice;
    // A palette that already starts and ends with the static colours (the fixed one) stays.
    const auto& c = choice.colours;
    if (c.size() >= low.size() + high.size() && std::equal(low.begin(), low.end(), c.begin()) &&
        std::equal(high.rbegin(), high.rend(), c.rbegin()))
        return choice;
    // The static colours first and last; the kind's colours between, without repeating them.
    std::vector<RGBQUAD> out = low;
    for (const RGBQUAD& q : choice.colours) {
        if (static_cast<int>(out.size()) - static_cast<int>(low.size()) == room) break;
        auto same = [&q](const RGBQUAD& s) { return s == q; };
        if (std::none_of(low.begin(), low.end(), same) &&
            std::none_of(high.begin(), high.end(), same))
            out.push_back(q);
    }
    out.insert(out.end(), high.begin(), high.end());
    choice.colours = std::move(out);
    return choice;
}

// ---------------------------------------------------------------- conversions

int Expand(CDdb& image, int bitsPerPixel) {
    if (image.BitsPerPixel() == bitsPerPixel) return kSuccess;
    CDdb out = CDdb::Create(image.Width(), image.Height(), bitsPerPixel);
    if (out.IsNull()) return kErrorNoMemory;
    const std::vector<RGBQUAD> palette = EffectivePalette(image);
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(image.Width()));
    for (int y = 0; y < image.Height(); ++y) {
        if (bitsPerPixel == 24) {
            detail::ReadRowBgr(image, y, palette, out.Row(y));
            continue;
        }
        detail::ReadRowBgr(image, y, palette, bgr.data());
        std::uint8_t* p = out.Row(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(image.Width()); ++x, p += 4) {
            p[0] = bgr[3 * x];
            p[1] = bgr[3 * x + 1];
            p[2] = bgr[3 * x + 2];
        }
    }
    image = std::move(out);
    return kSuccess;
}

int ReduceToPalette(CDdb& image, int bitsPerPixel, std::vector<RGBQUAD> palette, unsigned dither) {
    CDdb out = CDdb::Create(image.Width(), image.Height(), bitsPerPixel);
    if (out.IsNull()) return kErrorNoMemory;
    out.Palette() = palette;
    CPaletteTarget target(std::move(palette), bitsPerPixel);
    Reduce(image, out, dither, target);
    image = std::move(out);
    return kSuccess;
}

} // namespace

int ColorRes(CDdb& image, int bitsPerPixel, unsigned flags) {
    if (!detail::IsSupportedDepth(bitsPerPixel)) return kErrorInvalidBitsPerPixel;
    if (const int status = detail::CheckImage(image)) return status;
    const unsigned dither = flags & kDitherMask;
    if (dither > kDitherOrdered) return kErrorInvalidParameter;
    try {
        if (bitsPerPixel >= 24) return Expand(image, bitsPerPixel);
        if (bitsPerPixel == 16) {
            if (image.BitsPerPixel() == 16) return kSuccess;
            CDdb out = CDdb::Create(image.Width(), image.Height(), 16);
            if (out.IsNull()) return kErrorNoMemory;
            C555Target target;
            Reduce(image, out, dither, target);
            image = std::move(out);
            return kSuccess;
        }
        PaletteChoice choice = ChoosePalette(image, bitsPerPixel, flags);
        return ReduceToPalette(image, bitsPerPixel, std::move(choice.colours),
                               choice.exact ? kDitherNone : dither);
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

int ColorResToPalette(CDdb& image, int bitsPerPixel, const std::vector<RGBQUAD>& palette,
                      unsigned flags) {
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8)
        return kErrorInvalidBitsPerPixel;
    if (const int status = detail::CheckImage(image)) return status;
    const unsigned dither = flags & kDitherMask;
    if (dither > kDitherOrdered || palette.empty() ||
        palette.size() > (std::size_t{1} << bitsPerPixel))
        return kErrorInvalidParameter;
    try {
        return ReduceToPalette(image, bitsPerPixel, palette, dither);
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

namespace {

// 24- and 32-bit pictures to 8-bit grey, the commonest case: straight from the bytes through
// tables, the rows shared out between threads.
void GreyFromTrueColour(const CDdb& image, CDdb& out) {
    std::array<int, 256> red{}, green{}, blue{};
    for (int i = 0; i < 256; ++i) red[i] = 299 * i, green[i] = 587 * i, blue[i] = 114 * i + 500;
    const int step = image.BitsPerPixel() / 8, w = image.Width();
    detail::ForRows(image.Height(), static_cast<long long>(w) * image.Height(), [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            const std::uint8_t* s = image.Row(y);
            std::uint8_t* p = out.Row(y);
            for (int x = 0; x < w; ++x, s += step)
                p[x] = static_cast<std::uint8_t>((blue[s[0]] + green[s[1]] + red[s[2]]) / 1000);
        }
    });
}

} // namespace

int GrayScale(CDdb& image, int bitsPerPixel) {
    if (!detail::IsSupportedDepth(bitsPerPixel)) return kErrorInvalidBitsPerPixel;
    if (const int status = detail::CheckImage(image)) return status;
    if (bitsPerPixel == 8 && (image.BitsPerPixel() == 24 || image.BitsPerPixel() == 32)) {
        try {
            CDdb out = CDdb::Create(image.Width(), image.Height(), 8);
            if (out.IsNull()) return kErrorNoMemory;
            for (int v = 0; v < 256; ++v) out.Palette().push_back(QuadOf(RGB(v, v, v)));
            GreyFromTrueColour(image, out);
            image = std::move(out);
            return kSuccess;
        } catch (const std::bad_alloc&) {
            return kErrorNoMemory;
        }
    }
    try {
        const int w = image.Width();
        CDdb out = CDdb::Create(w, image.Height(), bitsPerPixel);
        if (out.IsNull()) return kErrorNoMemory;
        const int levels = ColourCountForDepth(bitsPerPixel);
        for (int i = 0; i < levels; ++i) {
            const int v = i * 255 / (levels - 1);
            out.Palette().push_back(QuadOf(RGB(v, v, v)));
        }
        const std::vector<RGBQUAD> palette = EffectivePalette(image);
        std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(w));
        for (int y = 0; y < image.Height(); ++y) {
            detail::ReadRowBgr(image, y, palette, bgr.data());
            std::uint8_t* p = out.Row(y);
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* c = &bgr[3 * static_cast<std::size_t>(x)];
                const int grey = (299 * c[2] + 587 * c[1] + 114 * c[0] + 500) / 1000;
                switch (bitsPerPixel) {
                case 1:
                case 4:
                case 8:
                    detail::PutIndex(p, x, bitsPerPixel, (grey * (levels - 1) + 127) / 255);
                    break;
                case 16: {
                    const int l = Level5(grey);
                    WriteLe16(p + 2 * x, static_cast<std::uint16_t>((l << 10) | (l << 5) | l));
                    break;
                }
                default: {
                    std::uint8_t* q = p + x * (bitsPerPixel / 8);
                    q[0] = q[1] = q[2] = static_cast<std::uint8_t>(grey);
                    break;
                }
                }
            }
        }
        image = std::move(out);
        return kSuccess;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    }
}

} // namespace tsl
