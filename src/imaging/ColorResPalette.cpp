// Reading device-bitmap rows as colours, the nearest-colour map, the distinct-colour count and
// the adaptive palette.

#include "imaging/ColorRes.h"
#include "imaging/ColorResInternal.h"

#include "core/Palette.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace tsl {
namespace detail {

int CheckImage(const CDdb& image) {
    if (image.IsNull()) return kErrorNoBitmap;
    if (!IsSupportedDepth(image.BitsPerPixel())) return kErrorInvalidBitsPerPixel;
    const auto stride = DibStride(image.Width(), image.BitsPerPixel());
    const auto size = DibImageSize(image.Width(), image.Height(), image.BitsPerPixel());
    if (!stride || !size || *stride != image.Stride() || image.Bits().size() < *size)
        return kErrorNoBitmap;
    return 0;
}

int Level5(int value) {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (int l = 1; l < 32; ++l)
                if (std::abs(Expand5(l) - v) < std::abs(Expand5(best) - v)) best = l;
            t[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(best);
        }
        return t;
    }();
    return table[static_cast<std::size_t>(value)];
}

void ReadRowBgr(const CDdb& image, int row, const std::vector<RGBQUAD>& palette,
                std::uint8_t* bgr) {
    const std::uint8_t* p = image.Row(row);
    const int w = image.Width();
    const int count = static_cast<int>(palette.size());
    auto index = [&](int i) {
        const RGBQUAD q = i < count ? palette[static_cast<std::size_t>(i)] : RGBQUAD{};
        *bgr++ = q.rgbBlue;
        *bgr++ = q.rgbGreen;
        *bgr++ = q.rgbRed;
    };
    switch (image.BitsPerPixel()) {
    case 1:
        for (int x = 0; x < w; ++x)
            index((p[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int x = 0; x < w; ++x)
            index((p[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
        break;
    case 8:
        for (int x = 0; x < w; ++x)
            index(p[x]);
        break;
    case 16:
        for (int x = 0; x < w; ++x) {
            const int v = ReadLe16(p + 2 * x);
            *bgr++ = static_cast<std::uint8_t>(Expand5(v & 31));
            *bgr++ = static_cast<std::uint8_t>(Expand5((v >> 5) & 31));
            *bgr++ = static_cast<std::uint8_t>(Expand5((v >> 10) & 31));
        }
        break;
    case 24:
        std::copy_n(p, 3 * static_cast<std::size_t>(w), bgr);
        break;
    case 32:
        for (int x = 0; x < w; ++x, p += 4) {
            *bgr++ = p[0];
            *bgr++ = p[1];
            *bgr++ = p[2];
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- nearest colour

CNearestColourMap::CNearestColourMap(std::vector<RGBQUAD> palette)
    : m_palette(std::move(palette)), m_cells(std::size_t{1} << 15) {
    if (m_palette.size() > 256) m_palette.resize(256);
    for (const RGBQUAD& q : m_palette) {
        m_channels[0].push_back(q.rgbRed);
        m_channels[1].push_back(q.rgbGreen);
        m_channels[2].push_back(q.rgbBlue);
    }
}

const CNearestColourMap::Cell& CNearestColourMap::Build(std::size_t cellIndex, int r, int g,
                                                        int b) {
    // An entry can be nearest to some colour of the cell only if its least distance to the cell
    // is within the greatest distance, over the cell, of the entry whose greatest distance is
    // smallest. The loops run over channel arrays so that they vectorise.
    constexpr int last = 7;
    const int lo[3] = {r & ~last, g & ~last, b & ~last};
    const std::size_t n = m_palette.size();
    std::array<int, 256> least{}, farthest{};
    for (int k = 0; k < 3; ++k) {
        const int low = lo[k], high = lo[k] + last;
        const int* c = m_channels[static_cast<std::size_t>(k)].data();
        for (std::size_t i = 0; i < n; ++i) {
            const int near = std::max({0, low - c[i], c[i] - high});
            const int far = std::max(c[i] - low, high - c[i]);
            least[i] += near * near;
            farthest[i] += far * far;
        }
    }
    const int bound =
        *std::min_element(farthest.begin(), farthest.begin() + static_cast<std::ptrdiff_t>(n));
    Cell& cell = m_cells[cellIndex];
    cell.start = static_cast<std::int32_t>(m_candidates.size());
    for (std::size_t i = 0; i < n; ++i)
        if (least[i] <= bound) m_candidates.push_back(static_cast<std::uint8_t>(i));
    cell.count = static_cast<std::int32_t>(m_candidates.size()) - cell.start;
    return cell;
}

int CNearestColourMap::Nearest(int r, int g, int b) {
    if (m_palette.empty()) return 0;
    const std::size_t cellIndex =
        static_cast<std::size_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    const Cell& cell =
        m_cells[cellIndex].start >= 0 ? m_cells[cellIndex] : Build(cellIndex, r, g, b);
    const std::uint8_t* candidate = m_candidates.data() + cell.start;
    // Distance and index in one key: the least key is the nearest entry, lowest index on ties
    // (distances stay below 2^18). No branches in the loop: the candidates vary too much.
    int best = std::numeric_limits<int>::max();
    for (int i = 0; i < cell.count; ++i) {
        const RGBQUAD& q = m_palette[candidate[i]];
        const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        best = std::min(best, ((dr * dr + dg * dg + db * db) << 8) | candidate[i]);
    }
    return best & 255;
}

// ---------------------------------------------------------------- distinct colours

std::optional<std::vector<RGBQUAD>> DistinctColours(const CDdb& image, int limit) {
    std::vector<std::uint32_t> found;
    const int bpp = image.BitsPerPixel();
    const std::vector<RGBQUAD> palette = EffectivePalette(image);
    auto key = [](const std::uint8_t* bgr) {
        return (std::uint32_t{bgr[2]} << 16) | (std::uint32_t{bgr[1]} << 8) | bgr[0];
    };
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(image.Width()));
    if (bpp <= 8) {
        // Only the indices in use matter; their colours may repeat.
        std::array<bool, 256> used{};
        for (int y = 0; y < image.Height(); ++y) {
            const std::uint8_t* p = image.Row(y);
            for (int x = 0; x < image.Width(); ++x) {
                const int i = bpp == 8   ? p[x]
                              : bpp == 4 ? (p[x >> 1] >> ((x & 1) ? 0 : 4)) & 15
                                         : (p[x >> 3] >> (7 - (x & 7))) & 1;
                used[static_cast<std::size_t>(i)] = true;
            }
        }
        for (std::size_t i = 0; i < 256; ++i) {
            if (!used[i]) continue;
            const RGBQUAD q = i < palette.size() ? palette[i] : RGBQUAD{};
            const std::uint8_t c[3] = {q.rgbBlue, q.rgbGreen, q.rgbRed};
            found.push_back(key(c));
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        if (found.size() > static_cast<std::size_t>(limit)) return std::nullopt;
    } else {
        // Open addressing on colour + 1 (0 marks an empty slot), at most a quarter full.
        std::size_t capacity = 16;
        while (capacity < 4 * static_cast<std::size_t>(limit))
            capacity *= 2;
        std::vector<std::uint32_t> slots(capacity, 0);
        std::uint32_t previous = 0;
        for (int y = 0; y < image.Height(); ++y) {
            ReadRowBgr(image, y, palette, bgr.data());
            for (int x = 0; x < image.Width(); ++x) {
                const std::uint32_t k = key(&bgr[3 * static_cast<std::size_t>(x)]) + 1;
                if (k == previous) continue;
                previous = k;
                std::size_t s = (k * 2654435761u) & (capacity - 1);
                while (slots[s] != 0 && slots[s] != k)
                    s = (s + 1) & (capacity - 1);
                if (slots[s] == k) continue;
                if (found.size() == static_cast<std::size_t>(limit)) return std::nullopt;
                slots[s] = k;
                found.push_back(k - 1);
            }
        }
        std::sort(found.begin(), found.end());
    }
    std::vector<RGBQUAD> out;
    for (std::uint32_t c : found)
        out.push_back(QuadOf(RGB(c >> 16, (c >> 8) & 255, c & 255)));
    return out;
}

// ---------------------------------------------------------------- adaptive palette

namespace {

struct Bin {
    std::uint32_t count = 0;
    double mean[3] = {};       // the exact colours' mean, R, G, B
    std::uint64_t sum[3] = {}; // their sums, for the palette colour
};

struct Moments {
    double w = 0, s[3] = {}, q[3] = {};
    void Add(const Bin& b, double sign = 1) {
        w += sign * b.count;
        for (int k = 0; k < 3; ++k) {
            s[k] += sign * b.count * b.mean[k];
            q[k] += sign * b.count * b.mean[k] * b.mean[k];
        }
    }
    double Variance(int k) const { return w > 0 ? q[k] - s[k] * s[k] / w : 0; }
    double Error() const { return Variance(0) + Variance(1) + Variance(2); }
};

struct Box {
    std::size_t begin = 0, end = 0;
    Moments m;
};

} // namespace

std::vector<RGBQUAD> MedianCutPalette(const CDdb& image, int colours) {
    std::vector<std::uint32_t> count(std::size_t{1} << 15, 0);
    std::vector<std::uint64_t> sums(3 * count.size(), 0);
    const std::vector<RGBQUAD> palette = EffectivePalette(image);
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(image.Width()));
    for (int y = 0; y < image.Height(); ++y) {
        ReadRowBgr(image, y, palette, bgr.data());
        for (const std::uint8_t* p = bgr.data(); p != bgr.data() + bgr.size(); p += 3) {
            const std::size_t i =
                static_cast<std::size_t>(((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3));
            ++count[i];
            sums[3 * i] += p[2];
            sums[3 * i + 1] += p[1];
            sums[3 * i + 2] += p[0];
        }
    }
    std::vector<Bin> bins;
    for (std::size_t i = 0; i < count.size(); ++i) {
        if (count[i] == 0) continue;
        Bin b;
        b.count = count[i];
        for (int k = 0; k < 3; ++k) {
            b.sum[k] = sums[3 * i + static_cast<std::size_t>(k)];
            b.mean[k] = static_cast<double>(b.sum[k]) / b.count;
        }
        bins.push_back(b);
    }
    std::vector<Box> boxes(1);
    boxes[0].end = bins.size();
    for (const Bin& b : bins)
        boxes[0].m.Add(b);

    while (static_cast<int>(boxes.size()) < colours) {
        std::size_t pick = boxes.size();
        double worst = 1e-9;
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].end - boxes[i].begin >= 2 && boxes[i].m.Error() > worst) {
                worst = boxes[i].m.Error();
                pick = i;
            }
        if (pick == boxes.size()) break;
        Box& box = boxes[pick];
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (box.m.Variance(k) > box.m.Variance(axis)) axis = k;
        std::sort(bins.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  bins.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [axis](const Bin& a, const Bin& b) { return a.mean[axis] < b.mean[axis]; });
        // The cut that leaves the least error in the two halves.
        Moments left;
        std::size_t bestCut = box.begin + 1;
        double bestError = -1;
        for (std::size_t cut = box.begin + 1; cut < box.end; ++cut) {
            left.Add(bins[cut - 1]);
            Moments right = box.m;
            right.w -= left.w;
            for (int k = 0; k < 3; ++k) {
                right.s[k] -= left.s[k];
                right.q[k] -= left.q[k];
            }
            const double e = left.Error() + right.Error();
            if (bestError < 0 || e < bestError) {
                bestError = e;
                bestCut = cut;
            }
        }
        Box upper;
        upper.begin = bestCut;
        upper.end = box.end;
        upper.m = Moments{};
        for (std::size_t i = bestCut; i < box.end; ++i)
            upper.m.Add(bins[i]);
        box.end = bestCut;
        box.m = Moments{};
        for (std::size_t i = box.begin; i < bestCut; ++i)
            box.m.Add(bins[i]);
        boxes.push_back(upper);
    }

    std::vector<RGBQUAD> out;
    for (const Box& box : boxes) {
        std::uint64_t n = 0, s[3] = {};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            n += bins[i].count;
            for (int k = 0; k < 3; ++k)
                s[k] += bins[i].sum[k];
        }
        if (n == 0) continue;
        auto mean = [&](int k) { return static_cast<int>((s[k] + n / 2) / n); };
        out.push_back(QuadOf(RGB(mean(0), mean(1), mean(2))));
    }
    return out;
}

} // namespace detail

std::vector<RGBQUAD> NetscapePalette() {
    std::vector<RGBQUAD> out;
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r)
                out.push_back(QuadOf(RGB(51 * r, 51 * g, 51 * b)));
    return out;
}

std::vector<RGBQUAD> EffectivePalette(const CDdb& image) {
    const int count = ColourCountForDepth(image.BitsPerPixel());
    if (count == 0) return {};
    if (image.Palette().empty()) return DefaultPalette(count);
    std::vector<RGBQUAD> out = image.Palette();
    if (out.size() > static_cast<std::size_t>(count)) out.resize(static_cast<std::size_t>(count));
    return out;
}

} // namespace tsl
