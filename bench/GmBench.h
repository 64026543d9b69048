#pragma once
// What the benchmarks against GraphicsMagick's command line share: the 12-megapixel test
// picture, writing it as a PPM, timing one `gm benchmark ... convert` run in CPU seconds and
// registering such runs as benchmarks, and this process's CPU time.

#include "core/Ddb.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace tsl::bench {

inline constexpr int kWidth = 4000, kHeight = 3000;

// A photograph-like picture: smooth shading in each channel, gentle bands and grain.
inline tsl::CDdb MakePicture() {
    tsl::CDdb d = tsl::CDdb::Create(kWidth, kHeight, 24);
    unsigned grain = 2463534242u;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = d.Row(kHeight - 1 - y);
        const int shade = (y * 255) / kHeight;
        for (int x = 0; x < kWidth; ++x) {
            grain ^= grain << 13;
            grain ^= grain >> 17;
            grain ^= grain << 5;
            const int n = static_cast<int>(grain % 17) - 8;
            const int t = (x / 5 + y / 7) % 256, wave = t < 128 ? t : 255 - t; // diagonal bands
            auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
            row[3 * x] = clamp((x + y) / 28 % 256 + n); // blue
            row[3 * x + 1] = clamp(shade + n / 2);      // green
            row[3 * x + 2] = clamp(64 + wave + n);      // red
        }
    }
    return d;
}

inline bool WritePpm(const std::filesystem::path& path, const tsl::CDdb& d) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << d.Width() << ' ' << d.Height() << "\n255\n";
    std::vector<char> line(3 * static_cast<std::size_t>(d.Width()));
    for (int y = d.Height() - 1; y >= 0; --y) {
        const std::uint8_t* p = d.Row(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(d.Width()); ++x) {
            line[3 * x] = static_cast<char>(p[3 * x + 2]);
            line[3 * x + 1] = static_cast<char>(p[3 * x + 1]);
            line[3 * x + 2] = static_cast<char>(p[3 * x]);
        }
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    return static_cast<bool>(out);
}

// CPU seconds (user) of one run of `gm benchmark ... convert <arguments>`, or a negative number
// on failure.
inline double GmSeconds(const std::string& arguments) {
    const std::string command = "gm benchmark -iterations 1 convert " + arguments + " 2>&1";
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            out += buffer;
        if (::pclose(p) != 0) return -1;
    }
    std::smatch m;
    if (!std::regex_search(out, m, std::regex(R"(([0-9.]+)s user)"))) return -1;
    return std::stod(m[1]);
}

inline double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Registers a benchmark of one `gm benchmark` run of a conversion per iteration (CPU time),
// the fastest of the repetitions counting.
inline void RegisterGm(const std::string& name, const std::string& arguments, int repetitions) {
    benchmark::RegisterBenchmark(name.c_str(), [arguments](benchmark::State& state) {
        for (auto _ : state) {
            const double seconds = GmSeconds(arguments);
            if (seconds < 0) {
                state.SkipWithError("gm benchmark failed");
                break;
            }
            state.SetIterationTime(seconds);
        }
    })->UseManualTime()->Iterations(1)->Repetitions(repetitions)->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
}

} // namespace tsl::bench
