// The filters computed here pixel by pixel: noise, mosaic, posterize and oilify.

#include "imaging/ColorResInternal.h"
#include "imaging/Filters.h"
#include "imaging/FiltersInternal.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <random>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsl {
namespace {

using detail::OnTrueColour;

int BytesPerPixel(const CDdb& image) {
    return image.BitsPerPixel() / 8;
}

// splitmix64: fast, well mixed, and the same sequence for the same seed everywhere.
class CNoiseSource {
public:
    explicit CNoiseSource(std::uint32_t seed) : m_state(seed) {}
    std::uint32_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
    }
    // Uniform in [-r, r].
    int Offset(int r) {
        const std::uint64_t span = 2 * static_cast<std::uint64_t>(r) + 1;
        return static_cast<int>((Next() * span) >> 32) - r;
    }

private:
    std::uint64_t m_state;
};

int Luminance(const std::uint8_t* bgr) {
    return (299 * bgr[2] + 587 * bgr[1] + 114 * bgr[0] + 500) / 1000;
}

} // namespace

int AddNoise(CDdb& image, int range, int channel, std::uint32_t seed) {
    if (range < kNoiseRangeMin || range > kNoiseRangeMax || channel < kNoiseChannelMaster ||
        channel > kNoiseChannelBlue)
        return kErrorInvalidParameter;
    const int r = (range * 255 + 500) / 1000;
    if (r == 0) return detail::Unchanged(image);
    return OnTrueColour(image, [&](CDdb& work) {
        CNoiseSource noise(seed);
        const int n = BytesPerPixel(work);
        const int only = channel == kNoiseChannelRed     ? 2
                         : channel == kNoiseChannelGreen ? 1
                         : channel == kNoiseChannelBlue  ? 0
                                                         : -1;
        auto add = [](std::uint8_t& v, int o) {
            v = static_cast<std::uint8_t>(std::clamp(v + o, 0, 255));
        };
        for (int y = 0; y < work.Height(); ++y) {
            std::uint8_t* p = work.Row(y);
            for (int x = 0; x < work.Width(); ++x, p += n) {
                const int o = noise.Offset(r);
                if (only >= 0) {
                    add(p[only], o);
                } else {
                    add(p[0], o);
                    add(p[1], o);
                    add(p[2], o);
                }
            }
        }
        return kSuccess;
    });
}

int AddNoise(CDdb& image, int range, int channel) {
    return AddNoise(image, range, channel, std::random_device{}());
}

int Mosaic(CDdb& image, int tile) {
    if (tile < kMosaicTileMin || tile > kMosaicTileMax) return kErrorInvalidParameter;
    if (tile == 1) return detail::Unchanged(image);
    return OnTrueColour(image, [tile](CDdb& work) {
        const int w = work.Width(), h = work.Height(), n = BytesPerPixel(work);
        const int columns = (w + tile - 1) / tile;
        std::vector<std::uint64_t> sums(3 * static_cast<std::size_t>(columns));
        // Bands of tile rows from the top of the picture, i.e. from the last stored row.
        for (int top = 0; top < h; top += tile) {
            const int rows = std::min(tile, h - top);
            std::fill(sums.begin(), sums.end(), 0);
            for (int py = top; py < top + rows; ++py) {
                const std::uint8_t* p = work.Row(h - 1 - py);
                for (int x = 0; x < w; ++x, p += n) {
                    std::uint64_t* s = &sums[3 * static_cast<std::size_t>(x / tile)];
                    s[0] += p[0];
                    s[1] += p[1];
                    s[2] += p[2];
                }
            }
            for (int c = 0; c < columns; ++c) {
                const std::uint64_t count =
                    static_cast<std::uint64_t>(rows) *
                    static_cast<std::uint64_t>(std::min(tile, w - c * tile));
                std::uint64_t* s = &sums[3 * static_cast<std::size_t>(c)];
                for (int k = 0; k < 3; ++k)
                    s[k] = (s[k] + count / 2) / count;
            }
            for (int py = top; py < top + rows; ++py) {
                std::uint8_t* p = work.Row(h - 1 - py);
                for (int x = 0; x < w; ++x, p += n) {
                    const std::uint64_t* s = &sums[3 * static_cast<std::size_t>(x / tile)];
                    p[0] = static_cast<std::uint8_t>(s[0]);
                    p[1] = static_cast<std::uint8_t>(s[1]);
                    p[2] = static_cast<std::uint8_t>(s[2]);
                }
            }
        }
        return kSuccess;
    });
}

int Posterize(CDdb& image, int levels) {
    if (levels < kPosterizeLevelsMin || levels > kPosterizeLevelsMax) return kErrorInvalidParameter;
    if (levels == 256) return detail::Unchanged(image);
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v) {
        const int step = (v * (levels - 1) + 127) / 255;
        table[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>((step * 255 + (levels - 1) / 2) / (levels - 1));
    }
    return OnTrueColour(image, [&table](CDdb& work) {
        const int n = BytesPerPixel(work);
        for (int y = 0; y < work.Height(); ++y) {
            std::uint8_t* p = work.Row(y);
            for (int x = 0; x < work.Width(); ++x, p += n)
                for (int k = 0; k < 3; ++k)
                    p[k] = table[p[k]];
        }
        return kSuccess;
    });
}

int Oilify(CDdb& image, int dim) {
    if (dim < kOilifyDimMin || dim > kOilifyDimMax) return kErrorInvalidParameter;
    const int radius = dim / 2; // an even dim grows by one: the window is centred
    if (radius == 0) return detail::Unchanged(image);
    return OnTrueColour(image, [radius](CDdb& work) {
        constexpr int kBands = 64;
        const int w = work.Width(), h = work.Height(), n = BytesPerPixel(work);
        // A copy written once (it keeps the fourth bytes of 32-bit pixels).
        CDdb out = CDdb::Create(w, h, work.BitsPerPixel(), work.Bits().data());
        if (out.IsNull()) return kErrorNoMemory;
        out.Palette() = work.Palette();
        // Each pixel's luminance band, row by row in storage order (every byte written below).
        std::unique_ptr<std::uint8_t[]> bands(new (
            std::nothrow) std::uint8_t[static_cast<std::size_t>(w) * static_cast<std::size_t>(h)]);
        if (!bands) return kErrorNoMemory;
        auto bandRow = [&](int y) { return bands.get() + static_cast<std::size_t>(y) * w; };
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* p = work.Row(y);
            for (int x = 0; x < w; ++x, p += n)
                bandRow(y)[x] = static_cast<std::uint8_t>(Luminance(p) >> 2);
        }
        // Rows are independent: each range of rows keeps its own window histogram.
        detail::ForRows(h, static_cast<long long>(w) * h, [&](int from, int to) {
            // A window holds at most 65 x 65 pixels: 16-bit counts, so the maximum below takes
            // eight bands a step.
            alignas(16) std::int16_t count[kBands];
            // Each band's sums of blue, green and red, 21 bits apiece in one word: a window's
            // sum is at most 65 x 65 x 255 < 2^21, so the fields never carry into each other.
            std::uint64_t sum[kBands];
            auto packed = [](const std::uint8_t* p) {
                return std::uint64_t{p[0]} | std::uint64_t{p[1]} << 21 | std::uint64_t{p[2]} << 42;
            };
            const int size = 2 * radius + 1;
            // The window's rows (edges repeated): pixels and bands.
            std::vector<const std::uint8_t*> pixelRows(static_cast<std::size_t>(size));
            std::vector<const std::uint8_t*> bandRows(static_cast<std::size_t>(size));
            auto add = [&](int x) {
                for (int r = 0; r < size; ++r) {
                    const std::uint8_t* p = pixelRows[static_cast<std::size_t>(r)] + x * n;
                    const int b = bandRows[static_cast<std::size_t>(r)][x];
                    ++count[b];
                    sum[b] += packed(p);
                }
            };
            // Column `gone` leaves the window and column `come` enters it.
            auto slide = [&](int gone, int come) {
                for (int r = 0; r < size; ++r) {
                    const std::uint8_t* row = pixelRows[static_cast<std::size_t>(r)];
                    const std::uint8_t* rowBands = bandRows[static_cast<std::size_t>(r)];
                    const std::uint8_t* p = row + gone * n;
                    const int b = rowBands[gone];
                    --count[b];
                    sum[b] -= packed(p);
                    const std::uint8_t* q = row + come * n;
                    const int c = rowBands[come];
                    ++count[c];
                    sum[c] += packed(q);
                }
            };
            for (int y = from; y < to; ++y) {
                for (int d = -radius; d <= radius; ++d) {
                    const int row = std::clamp(y + d, 0, h - 1);
                    pixelRows[static_cast<std::size_t>(d + radius)] = work.Row(row);
                    bandRows[static_cast<std::size_t>(d + radius)] = bandRow(row);
                }
                std::fill(std::begin(count), std::end(count), std::int16_t{0});
                std::fill(std::begin(sum), std::end(sum), std::uint64_t{0});
                for (int x = -radius; x <= radius; ++x)
                    add(std::clamp(x, 0, w - 1));
                const std::uint8_t* own = bandRow(y);
                std::uint8_t* o = out.Row(y);
                for (int x = 0; x < w; ++x, o += n) {
                    // The fullest band, the pixel's own winning ties, else the first: the
                    // maximum eight bands a step, then the first band holding it.
#if defined(__SSE2__)
                    __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(count));
                    for (int b = 8; b < kBands; b += 8)
                        m = _mm_max_epi16(
                            m, _mm_load_si128(reinterpret_cast<const __m128i*>(count + b)));
                    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, 0x4E));
                    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, 0xB1));
                    m = _mm_max_epi16(m, _mm_shufflelo_epi16(_mm_shufflehi_epi16(m, 0xB1), 0xB1));
                    const std::int16_t most = static_cast<std::int16_t>(_mm_cvtsi128_si32(m));
                    int best = own[x];
                    if (count[best] != most) {
                        for (int b = 0;; b += 8) {
                            const int hit = _mm_movemask_epi8(_mm_cmpeq_epi16(
                                _mm_load_si128(reinterpret_cast<const __m128i*>(count + b)), m));
                            if (hit) {
                                best = b + __builtin_ctz(static_cast<unsigned>(hit)) / 2;
                                break;
                            }
                        }
                    }
#else
                    std::int16_t most = 0;
                    for (int b = 0; b < kBands; ++b)
                        most = std::max(most, count[b]);
                    int best = own[x];
                    if (count[best] != most) {
                        best = 0;
                        while (count[best] != most) ++best;
                    }
#endif
                    const int c = count[best];
                    for (int k = 0; k < 3; ++k)
                        o[k] = static_cast<std::uint8_t>(
                            ((static_cast<int>(sum[best] >> (21 * k)) & 0x1FFFFF) + c / 2) / c);
                    slide(std::max(x - radius, 0), std::min(x + radius + 1, w - 1));
                }
            }
        });
        work = std::move(out);
        return kSuccess;
    });
}

} // namespace tsl
