// GIF decode and encode of 4000 x 3000 8-bit images, ours against giflib, side by side in one
// run, in memory (no disk time). Three images: a flat-coloured graphic (long runs), a photograph
// stand-in (smooth colours error-diffused to 216 entries; compresses about as badly as a real
// dithered photograph) and uniform noise (the worst case for LZW).
// Ends with the ratios ours / giflib of the fastest CPU time per image; the goals are
// decode <= 0.8 and encode <= 1.0.

#include "codecs/Gif.h"

#include <gif_lib.h>

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Image {
    std::vector<tsl::RGBQUAD> table; // the 6 x 6 x 6 colour cube, then black
    Bytes indices;                   // top-down, one byte per pixel
    tsl::PackedDib dib;
    Bytes gif; // written by our encoder: global table, interlaced
};

int Level(double v) {
    return std::clamp(static_cast<int>(v * 5.0 + 0.5), 0, 5);
}

// kind 0: flat bands and discs; 1: smooth colour fields error-diffused into the 6 x 6 x 6 cube;
// 2: uniform noise over all 256 entries.
Image MakeImage(int kind) {
    Image im;
    im.table.resize(256);
    for (int i = 0; i < 216; ++i)
        im.table[i] = {std::uint8_t(i % 6 * 51), std::uint8_t(i / 6 % 6 * 51),
                       std::uint8_t(i / 36 * 51), 0};
    im.indices.resize(std::size_t{kWidth} * kHeight);
    std::vector<double> error(std::size_t(kWidth + 2) * 3 * 2, 0.0); // this row and the next
    std::uint32_t seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        double* here = &error[std::size_t(y % 2) * (kWidth + 2) * 3];
        double* below = &error[std::size_t((y + 1) % 2) * (kWidth + 2) * 3];
        std::fill(below, below + (kWidth + 2) * 3, 0.0);
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t& out = im.indices[std::size_t(y) * kWidth + std::size_t(x)];
            if (kind == 0) {
                const int band = (x / 250 + y / 200) % 7;
                const bool disc =
                    (x % 800 - 400) * (x % 800 - 400) + (y % 600 - 300) * (y % 600 - 300) <
                    200 * 200;
                out = static_cast<std::uint8_t>(
                    disc ? 215 - band
                         : Level(x / 4000.0) * 36 + Level(y / 3000.0) * 6 + Level(band / 6.0));
            } else if (kind == 1) {
                const double want[3] = {0.5 + 0.5 * std::sin(x * 0.003 + y * 0.001),
                                        0.5 + 0.5 * std::sin(y * 0.004 + std::cos(x * 0.002)),
                                        0.5 + 0.5 * std::cos((x + y) * 0.002)};
                int index = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const double v = want[ch] + here[3 * (x + 1) + ch];
                    const int level = Level(v);
                    const double e = v - level / 5.0;
                    here[3 * (x + 2) + ch] += e * 7 / 16;
                    below[3 * x + ch] += e * 3 / 16;
                    below[3 * (x + 1) + ch] += e * 5 / 16;
                    below[3 * (x + 2) + ch] += e / 16;
                    index = index * 6 + level;
                }
                out = static_cast<std::uint8_t>(index);
            } else {
                seed = seed * 1664525u + 1013904223u;
                out = static_cast<std::uint8_t>(seed >> 24);
            }
        }
    }
    im.dib = tsl::MakePackedDib(kWidth, kHeight, 8, im.table);
    const auto view = *tsl::ViewPackedDib(im.dib);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(im.dib.data() + view.bitsOffset + std::size_t(kHeight - 1 - y) * view.stride,
                    &im.indices[std::size_t(y) * kWidth], kWidth);
    im.gif = tsl::EncodeGif(im.dib, true, true, -1);
    return im;
}

const Image& TheImage(int which) {
    static const Image images[3] = {MakeImage(0), MakeImage(1), MakeImage(2)};
    return images[which];
}

// Rows of an interlaced image in file order.
std::vector<int> InterlacedRows(int height) {
    std::vector<int> rows;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step)
            rows.push_back(y);
    return rows;
}

struct MemoryIn {
    const Bytes* bytes;
    std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* in = static_cast<MemoryIn*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(std::size_t(length), in->bytes->size() - in->pos);
    std::memcpy(buffer, in->bytes->data() + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int length) {
    static_cast<Bytes*>(gif->UserData)
        ->insert(static_cast<Bytes*>(gif->UserData)->end(), buffer, buffer + length);
    return length;
}

// giflib's decode of the first image into one byte per pixel, top-down; empty on failure.
Bytes GiflibDecode(const Bytes& file) {
    MemoryIn in{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, ReadFromMemory, &error);
    if (!gif) return {};
    Bytes pixels;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* ext;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
            while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK) {
            }
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) break;
            const int w = gif->Image.Width, h = gif->Image.Height;
            pixels.resize(std::size_t(w) * h);
            std::vector<int> rows = InterlacedRows(h);
            if (!gif->Image.Interlace)
                for (int y = 0; y < h; ++y)
                    rows[std::size_t(y)] = y;
            for (int y : rows)
                if (DGifGetLine(gif, &pixels[std::size_t(y) * w], w) != GIF_OK) pixels.clear();
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return pixels;
}

// giflib's encode with the same layout as ours: GIF89a, global table, control block, interlaced.
Bytes GiflibEncode(const Image& im) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {im.table[i].rgbRed, im.table[i].rgbGreen, im.table[i].rgbBlue};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifSetGifVersion(gif, true);
    const GifByteType control[4] = {0, 0, 0, 0};
    bool ok = EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) == GIF_OK &&
              EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, true, nullptr) == GIF_OK;
    for (int y : InterlacedRows(kHeight))
        ok = ok && EGifPutLine(gif, const_cast<GifPixelType*>(&im.indices[std::size_t(y) * kWidth]),
                               kWidth) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok ? out : Bytes{};
}

const char* const kImageName[3] = {"graphic", "photo", "noise"};

// Each benchmark first checks its result once, outside the timed loop.
void DecodeOurs(benchmark::State& state) {
    const Image& im = TheImage(static_cast<int>(state.range(0)));
    tsl::GifFrameInfo info;
    int status = 0;
    if (tsl::ReadGifMemory(im.gif, 0, 0, info, status) != im.dib)
        state.SkipWithError("our decode differs");
    for (auto _ : state)
        benchmark::DoNotOptimize(tsl::ReadGifMemory(im.gif, 0, 0, info, status));
    state.SetLabel(kImageName[state.range(0)]);
}

void DecodeGiflib(benchmark::State& state) {
    const Image& im = TheImage(static_cast<int>(state.range(0)));
    if (GiflibDecode(im.gif) != im.indices) state.SkipWithError("giflib's decode differs");
    for (auto _ : state)
        benchmark::DoNotOptimize(GiflibDecode(im.gif));
    state.SetLabel(kImageName[state.range(0)]);
}

void EncodeOurs(benchmark::State& state) {
    const Image& im = TheImage(static_cast<int>(state.range(0)));
    state.counters["bytes"] = static_cast<double>(im.gif.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(tsl::EncodeGif(im.dib, true, true, -1));
    state.SetLabel(kImageName[state.range(0)]);
}

void EncodeGiflib(benchmark::State& state) {
    const Image& im = TheImage(static_cast<int>(state.range(0)));
    const Bytes gif = GiflibEncode(im);
    if (GiflibDecode(gif) != im.indices) state.SkipWithError("giflib's encode failed");
    state.counters["bytes"] = static_cast<double>(gif.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(GiflibEncode(im));
    state.SetLabel(kImageName[state.range(0)]);
}

double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// Five repetitions each; the ratios use the fastest, which other load on the machine disturbs
// least.
#define TSL_GIF_BENCHMARK(name)                                                                    \
    BENCHMARK(name)                                                                                \
        ->DenseRange(0, 2)                                                                         \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->MinTime(0.5)                                                                             \
        ->Repetitions(5)                                                                           \
        ->ComputeStatistics("min", Fastest)                                                        \
        ->ReportAggregatesOnly(true)
TSL_GIF_BENCHMARK(DecodeOurs);
TSL_GIF_BENCHMARK(DecodeGiflib);
TSL_GIF_BENCHMARK(EncodeOurs);
TSL_GIF_BENCHMARK(EncodeGiflib);

void PrintRatios(const tsl::bench::RatioReporter& reporter) {
    std::printf("\nours / giflib (goal: decode <= 0.80, encode <= 1.00)\n");
    for (const char* step : {"Decode", "Encode"})
        for (int i = 0; i < 3; ++i) {
            const std::string arg = "/" + std::to_string(i);
            const double ratio = reporter.Ratio(step + std::string("Ours") + arg,
                                                step + std::string("Giflib") + arg);
            if (ratio >= 0) std::printf("  %s %-8s %.2f\n", step, kImageName[i], ratio);
        }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tsl::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
