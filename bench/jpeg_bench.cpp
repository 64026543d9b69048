// JPEG decode of a 6000 x 4000 (24 MP) colour photograph stand-in: the program's JPEG reader
// against libjpeg-turbo called directly into one RGB buffer, side by side in one run, in memory.
// Ends with the ratio ours / libjpeg-turbo of the fastest CPU times; the goal is <= 1.05.

#include "codecs/Jpeg.h"

#include "BareJpeg.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth colour fields with fine texture, encoded at quality 90: about what a camera writes.
const Bytes& File() {
    static const Bytes file = [] {
        Bytes rgb(std::size_t{kWidth} * kHeight * 3);
        std::uint32_t seed = 1;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 28) - 8;
                std::uint8_t* p = &rgb[(std::size_t{static_cast<std::size_t>(y)} * kWidth + x) * 3];
                p[0] = static_cast<std::uint8_t>(std::clamp(128 + 100 * std::sin(x / 300.0) + noise, 0.0, 255.0));
                p[1] = static_cast<std::uint8_t>(std::clamp(128 + 100 * std::cos(y / 200.0) + noise, 0.0, 255.0));
                p[2] = static_cast<std::uint8_t>(std::clamp(128 + 90 * std::sin((x + y) / 500.0) + noise, 0.0, 255.0));
            }
        return tsl::EncodeJpeg(rgb, kWidth, kHeight, true, 90);
    }();
    return file;
}

void DecodeOurs(benchmark::State& state) {
    const Bytes& file = File();
    for (auto _ : state) {
        int w = 0, h = 0;
        const Bytes rgb = tsl::ReadJpegMemory(file, w, h);
        if (rgb.empty()) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(rgb.data());
    }
}

void DecodeLibjpeg(benchmark::State& state) {
    const Bytes& file = File();
    for (auto _ : state) {
        Bytes rgb;
        if (!::bench::BareJpegDecode(file.data(), file.size(), rgb)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(rgb.data());
    }
}

BENCHMARK(DecodeOurs)->Unit(benchmark::kMillisecond)->Repetitions(5)->TSL_MIN_STATISTIC;
BENCHMARK(DecodeLibjpeg)->Unit(benchmark::kMillisecond)->Repetitions(5)->TSL_MIN_STATISTIC;

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tsl::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nJPEG decode 24 MP, ours / libjpeg-turbo: %.3f (goal <= 1.05)\n",
                reporter.Ratio("DecodeOurs", "DecodeLibjpeg"));
    benchmark::Shutdown();
    return 0;
}
