// Colour reduction and the median filter on a 12-megapixel picture (4000 x 3000, 24 bits),
// side by side with GraphicsMagick's command line in the same run, with the ratios printed at
// the end (tessaly / gm; below 1 means faster):
//   256 colours, adaptive palette, Floyd-Steinberg
//     vs  gm convert in.ppm -dither -colors 256 out.bmp
//   5 x 5 median
//     vs  gm convert in.ppm -median 2 out.ppm
//   rotation by 33 degrees (the result grows to hold the picture)
//     vs  gm convert in.ppm -rotate 33 out.ppm
//   resize to 50 % (area averaging, what bicubic shrinking does here)
//     vs  gm convert in.ppm -filter Cubic -resize 50% out.ppm
//   save and load of a 12 MP SGI, TGA and PSD file
//     vs  gm convert in.ppm out.sgi, then out.sgi to PPM (the same for TGA; GraphicsMagick has
//     no PSD coder, so PSD is measured alone)
// Both sides are measured in CPU time (all threads), which a loaded machine does not stretch:
// ours around the call, gm's as its own `gm benchmark` loop reports it (so process start-up is
// not counted). gm's times include reading the PPM and writing the result; its plain
// conversions to BMP and PPM are timed too, and a second ratio takes that time off. Both use
// their default threads (the reduction runs on one, OpenCV's median on all).

#include "imaging/ColorRes.h"
#include "imaging/Filters.h"
#include "imaging/LBitmap.h"

#include "GmBench.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tsl::bench::GmSeconds;
using tsl::bench::kHeight;
using tsl::bench::kWidth;
using tsl::bench::MakePicture;
using tsl::bench::ProcessCpuSeconds;
using tsl::bench::WritePpm;

void RegisterGm(const std::string& name, const std::string& arguments) {
    tsl::bench::RegisterGm(name, arguments, 2);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const fs::path dir =
        fs::temp_directory_path() / ("tsl-imaging-ops-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const tsl::CDdb picture = MakePicture();
    const std::string in = "'" + (dir / "in.ppm").string() + "'";
    if (!WritePpm(dir / "in.ppm", picture)) {
        std::fprintf(stderr, "could not write the test picture\n");
        fs::remove_all(dir);
        return 1;
    }
    const std::string bmp = "'" + (dir / "out.bmp").string() + "'";
    const std::string ppm = "'" + (dir / "out.ppm").string() + "'";

    auto run = [&picture](benchmark::State& state, int (*operation)(tsl::CDdb&)) {
        for (auto _ : state) {
            tsl::CDdb d = picture;
            const double start = ProcessCpuSeconds();
            const int status = operation(d);
            state.SetIterationTime(ProcessCpuSeconds() - start);
            if (status < tsl::kSuccess) state.SkipWithError("the operation failed");
            benchmark::DoNotOptimize(d.Bits().data());
        }
    };
    auto registerOurs = [&run](const char* name, int (*operation)(tsl::CDdb&)) {
        benchmark::RegisterBenchmark(
            name, [&run, operation](benchmark::State& state) { run(state, operation); })
            ->UseManualTime()
            ->Iterations(3)
            ->Repetitions(3)
            ->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
    };
    registerOurs("tessaly/fs256", [](tsl::CDdb& d) {
        return tsl::ColorRes(d, 8, tsl::kColorResOptimizedPalette | tsl::kDitherFloydSteinberg);
    });
    registerOurs("tessaly/median5", [](tsl::CDdb& d) { return tsl::MedianFilter(d, 5); });
    registerOurs("tessaly/rotate33", [](tsl::CDdb& d) {
        tsl::LBitmapBase b;
        b.SetHandle(std::move(d));
        return b.Rotate(3300, tsl::kRotateResize, 0);
    });
    registerOurs("tessaly/resize50", [](tsl::CDdb& d) {
        tsl::LBitmapBase b;
        b.SetHandle(std::move(d));
        return b.Size(kWidth / 2, kHeight / 2, tsl::kSizeBicubic);
    });
    // Save then load, through files in the temporary folder.
    static fs::path fileDir;
    fileDir = dir;
    for (const auto& [name, format] : {std::pair{"sgi", tsl::kFormatSgi}, std::pair{"tga", tsl::kFormatTga},
                                       std::pair{"psd", tsl::kFormatPsd}}) {
        const std::string bench = std::string("tessaly/io-") + name;
        const int code = format;
        const std::string ext = name;
        benchmark::RegisterBenchmark(bench.c_str(), [&picture, code, ext](benchmark::State& state) {
            for (auto _ : state) {
                tsl::LBitmapBase b;
                b.SetHandle(picture);
                const std::string file = (fileDir / ("ours." + ext)).string();
                const double start = ProcessCpuSeconds();
                const int saved = b.Save(file, code, 0, tsl::kQualityBest);
                const int loaded = tsl::LBitmapBase().Load(file);
                state.SetIterationTime(ProcessCpuSeconds() - start);
                if (saved < 1 || loaded < 1) state.SkipWithError("save or load failed");
            }
        })->UseManualTime()->Iterations(1)->Repetitions(2)->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
    }
    RegisterGm("gm/rotate33", in + " -rotate 33 " + ppm);
    RegisterGm("gm/resize50", in + " -filter Cubic -resize 50% " + ppm);
    for (const char* ext : {"sgi", "tga"}) {
        const std::string out = "'" + (dir / (std::string("gm.") + ext)).string() + "'";
        // Writing, then reading back into PPM; the plain PPM read and write is taken off below.
        benchmark::RegisterBenchmark((std::string("gm/io-") + ext).c_str(), [in, out, ppm](benchmark::State& state) {
            for (auto _ : state) {
                const double write = GmSeconds(in + " " + out);
                const double read = GmSeconds(out + " " + ppm);
                if (write < 0 || read < 0) {
                    state.SkipWithError("gm benchmark failed");
                    break;
                }
                state.SetIterationTime(write + read);
            }
        })->UseManualTime()->Iterations(1)->Repetitions(2)->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
    }
    RegisterGm("gm/fs256", in + " -dither -colors 256 " + bmp);
    RegisterGm("gm/median5", in + " -median 2 " + ppm);
    RegisterGm("gm/io-bmp", in + " " + bmp);
    RegisterGm("gm/io-ppm", in + " " + ppm);

    tsl::bench::RatioReporter reporter(true); // the manual (CPU) times, in milliseconds
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nCPU time   %12s %10s %14s %10s %14s\n", "tessaly ms", "gm ms", "gm - i/o ms",
                "tsl/gm", "tsl/(gm-i/o)");
    for (const auto& [name, io] : {std::pair{"fs256", "io-bmp"}, std::pair{"median5", "io-ppm"},
                                   std::pair{"rotate33", "io-ppm"}, std::pair{"resize50", "io-ppm"},
                                   std::pair{"io-sgi", ""}, std::pair{"io-tga", ""}}) {
        const double ours = reporter.Time(std::string("tessaly/") + name);
        const double gm = reporter.Time(std::string("gm/") + name);
        const double gmIo = *io ? reporter.Time(std::string("gm/") + io) : -1;
        if (ours <= 0 || gm <= 0) continue;
        const double gmWork = gmIo > 0 && gm > gmIo ? gm - gmIo : gm;
        std::printf("%-10s %12.1f %10.1f %14.1f %10.3f %14.3f\n", name, ours, gm, gmWork, ours / gm,
                    ours / gmWork);
    }
    const double psd = reporter.Time("tessaly/io-psd");
    if (psd > 0) std::printf("%-10s %12.1f %10s (GraphicsMagick has no PSD coder)\n", "io-psd", psd, "-");
    std::printf("goal: tsl/gm <= 0.25 for fs256, median5, rotate33 and resize50\n");
    benchmark::Shutdown();
    fs::remove_all(dir);
    return 0;
}
