// PCX and TGA decoding: the program's readers against GraphicsMagick on the same files, side by
// side, with the ratio printed at the end. The files (2048 x 1536, 24-bit and 8-bit, plain and
// run-length encoded) are made at start-up: PCX by the program's writer, TGA by ImageMagick.
// GraphicsMagick is timed by its own `gm benchmark` loop (decode to `null:`, one thread), so
// process start-up is not counted; the program's readers include reading the file.

#include "codecs/Pcx.h"
#include "codecs/Tga.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr int kWidth = 2048, kHeight = 1536;
constexpr int kGmIterations = 10;

// A picture with smooth gradients, flat areas and some noise, like a screenshot over a photo.
tsl::CDdb MakePicture(int bpp) {
    tsl::CDdb d = tsl::CDdb::Create(kWidth, kHeight, bpp);
    for (int i = 0; bpp == 8 && i < 256; ++i)
        d.Palette().push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                               static_cast<std::uint8_t>(255 - i), 0});
    unsigned noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = d.Row(y);
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const bool flat = (x / 256 + y / 192) % 3 == 0;
            const int n = flat ? 0 : static_cast<int>((noise >> 16) & 7);
            if (bpp == 8) {
                row[x] = static_cast<std::uint8_t>(flat ? 17 : (x / 8 + y / 6 + n) & 0xFF);
            } else {
                row[4 * x] = static_cast<std::uint8_t>(flat ? 40 : (x / 8 + n) & 0xFF);
                row[4 * x + 1] = static_cast<std::uint8_t>(flat ? 90 : (y / 6 + n) & 0xFF);
                row[4 * x + 2] = static_cast<std::uint8_t>(flat ? 200 : ((x + y) / 14) & 0xFF);
            }
        }
    }
    return d;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// Seconds per decode as `gm benchmark` reports them, or a negative number on failure.
double GmSecondsPerDecode(const fs::path& file) {
    const std::string command = "OMP_NUM_THREADS=1 gm benchmark -iterations " +
                                std::to_string(kGmIterations) + " convert '" + file.string() +
                                "' null: 2>&1";
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        ::pclose(p);
    }
    std::smatch m;
    if (!std::regex_search(out, m, std::regex(R"(([0-9.]+)s total)"))) return -1;
    return std::stod(m[1]) / kGmIterations;
}

struct Input {
    std::string name;
    fs::path file;
};

// Keeps each benchmark's mean time per iteration for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred)
                m_seconds[run.run_name.function_name] = run.GetAdjustedRealTime() / 1e3;
        ConsoleReporter::ReportRuns(runs);
    }
    double Seconds(const std::string& name) const {
        auto it = m_seconds.find(name);
        return it == m_seconds.end() ? -1 : it->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const fs::path dir =
        fs::temp_directory_path() / ("tsl-pcx-tga-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path pcx24 = dir / "rgb24.pcx", pcx8 = dir / "indexed8.pcx";
    const bool made = tsl::WritePcx(pcx24.string(), MakePicture(32), {}, 1920, 1080) &&
                      tsl::WritePcx(pcx8.string(), MakePicture(8), {}, 1920, 1080) &&
                      Shell("convert-im6.q16 '" + pcx24.string() + "' -compress None '" +
                            (dir / "rgb24.tga").string() + "'") &&
                      Shell("convert-im6.q16 '" + pcx24.string() + "' -compress RLE '" +
                            (dir / "rgb24-rle.tga").string() + "'") &&
                      Shell("convert-im6.q16 '" + pcx8.string() + "' -compress RLE '" +
                            (dir / "cmap8-rle.tga").string() + "'");
    if (!made) {
        std::fprintf(stderr, "could not make the test files (needs convert-im6.q16)\n");
        fs::remove_all(dir);
        return 1;
    }
    const std::vector<Input> inputs = {{"pcx 24-bit", pcx24},
                                       {"pcx 8-bit", pcx8},
                                       {"tga 24-bit", dir / "rgb24.tga"},
                                       {"tga 24-bit rle", dir / "rgb24-rle.tga"},
                                       {"tga 8-bit rle", dir / "cmap8-rle.tga"}};

    for (const Input& in : inputs) {
        const bool isPcx = in.file.extension() == ".pcx";
        benchmark::RegisterBenchmark(("tessaly/" + in.name).c_str(), [in, isPcx](
                                                                         benchmark::State& state) {
            for (auto _ : state) {
                int status = 0;
                const bool ok = isPcx ? !tsl::ReadPcxFile(in.file.string()).IsNull()
                                      : !tsl::ReadTga(in.file.string(), status).empty();
                if (!ok) state.SkipWithError("the file did not decode");
            }
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("gm/" + in.name).c_str(),
                                     [in](benchmark::State& state) {
                                         for (auto _ : state) {
                                             const double seconds = GmSecondsPerDecode(in.file);
                                             if (seconds < 0) {
                                                 state.SkipWithError("gm benchmark failed");
                                                 break;
                                             }
                                             state.SetIterationTime(seconds);
                                         }
                                     })
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-16s %12s %12s %10s\n", "file", "tessaly ms", "gm ms", "gm/tessaly");
    for (const Input& in : inputs) {
        const double ours = reporter.Seconds("tessaly/" + in.name);
        const double gm = reporter.Seconds("gm/" + in.name);
        if (ours > 0 && gm > 0)
            std::printf("%-16s %12.2f %12.2f %9.1fx\n", in.name.c_str(), ours * 1e3, gm * 1e3,
                        gm / ours);
    }
    benchmark::Shutdown();
    fs::remove_all(dir);
    return 0;
}
