// The image buffer's heavy operations: CopyFrom of a 6000x4000 24-bit image against a plain
// memcpy of the same bytes (the ratio is printed at the end; the goal is at most 1.2), a flood
// fill of a 4000x3000 region, a 200-segment stroke of a width-5 pen, ChangeFormat from 24 to 8
// bits on 12 megapixels, and drawing a window's worth of a 12-megapixel image.

#include "paint/DIBSection.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using tsl::CDIBSection;
using tsl::RGB;

namespace {

// Smooth gradients with noise: millions of distinct colours, like a photograph.
CDIBSection Photo(int width, int height) {
    CDIBSection d;
    d.Create(width, height, 1, 24);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = d.Row(y);
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 17) - 8;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp((x ^ y) % 256 + noise, 0, 255));
            row[3 * x + 1] =
                static_cast<std::uint8_t>(std::clamp(y * 255 / height + noise, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(x * 255 / width - noise, 0, 255));
        }
    }
    return d;
}

const CDIBSection& Large() {
    static const CDIBSection image = Photo(6000, 4000);
    return image;
}

void CopyFrom(benchmark::State& state) {
    CDIBSection target;
    target.CopyFrom(Large()); // the image is made, and the target's pages touched, untimed
    for (auto _ : state) {
        target.CopyFrom(Large());
        benchmark::DoNotOptimize(target.Bits());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Large().ImageSize()));
}
BENCHMARK(CopyFrom)->Unit(benchmark::kMillisecond)->UseRealTime();

void Memcpy(benchmark::State& state) {
    const std::size_t size = Large().ImageSize(); // made untimed
    std::unique_ptr<std::uint8_t[]> target(new std::uint8_t[size]);
    std::memset(target.get(), 0, size);
    for (auto _ : state) {
        std::memcpy(target.get(), Large().Bits(), size);
        benchmark::DoNotOptimize(target.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

// Into a new object every time: the first touch of fresh pages is paid as well.
void CopyFromIntoNewObject(benchmark::State& state) {
    Large();
    for (auto _ : state) {
        CDIBSection target;
        target.CopyFrom(Large());
        benchmark::DoNotOptimize(target.Bits());
    }
}
BENCHMARK(CopyFromIntoNewObject)->Unit(benchmark::kMillisecond)->UseRealTime();

void FloodFill4000x3000(benchmark::State& state) {
    CDIBSection d;
    d.Create(4000, 3000, 1, 24);
    bool red = true;
    for (auto _ : state) {
        d.FloodFill(1999, 1499, red ? RGB(255, 0, 0) : RGB(0, 0, 255));
        red = !red;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 4000 * 3000);
}
BENCHMARK(FloodFill4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void PenStroke200SegmentsWidth5(benchmark::State& state) {
    CDIBSection d;
    d.Create(2000, 1500, 1, 24);
    // A spiral of 200 segments, as the brush tool sends them while the mouse moves.
    std::vector<tsl::CPoint> points;
    for (int i = 0; i <= 200; ++i) {
        const double a = i * 0.15, r = 100 + 3.0 * i;
        points.push_back(
            {1000 + static_cast<int>(r * std::cos(a)), 750 + static_cast<int>(r * std::sin(a))});
    }
    for (auto _ : state)
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            d.Line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, 5, RGB(0, 0, 128));
}
BENCHMARK(PenStroke200SegmentsWidth5)->Unit(benchmark::kMillisecond)->UseRealTime();

void ChangeFormat24To8On12Megapixels(benchmark::State& state) {
    const CDIBSection source = Photo(4000, 3000);
    CDIBSection d;
    for (auto _ : state) {
        state.PauseTiming();
        d.CopyFrom(source);
        state.ResumeTiming();
        d.ChangeFormat(4000, 3000, 1, 8, {0, 0});
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 4000 * 3000);
}
BENCHMARK(ChangeFormat24To8On12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();

// Showing an 800x600 window of a 12-megapixel image, 1:1 and zoomed to 300 %: only the
// visible part is converted, so the cost follows the window, not the image.
void DrawWindowOf12Megapixels(benchmark::State& state) {
    const CDIBSection source = Photo(4000, 3000);
    QImage window(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&window);
        if (state.range(0) == 1)
            source.Draw(painter, -1600, -1200);
        else
            source.Stretch(painter, -6000, -4500, 12000, 9000);
    }
}
BENCHMARK(DrawWindowOf12Megapixels)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Remembers each benchmark's time so that the CopyFrom/memcpy ratio can be printed.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // The median of repetitions when there are any, else the single run.
    auto time = [&](const std::string& name) {
        for (const std::string& key : {name + "/real_time_median", name + "/real_time"})
            if (auto it = reporter.times.find(key); it != reporter.times.end()) return it->second;
        return 0.0;
    };
    if (time("CopyFrom") > 0 && time("Memcpy") > 0)
        std::printf("CopyFrom / memcpy of the same bytes: %.2f (goal <= 1.2)\n",
                    time("CopyFrom") / time("Memcpy"));
    benchmark::Shutdown();
    return 0;
}
