// Compressor and expander throughput in MB/s (of uncompressed data) on 1 MB each of text,
// image-like rows, noise and repeated records, and on all four together (4 MB of mixed data).

#include "codecs/Compressor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPart = 1 << 20;
const char* const kKinds[] = {"text", "image rows", "noise", "records", "all four"};

// One megabyte of each kind of data; the last kind is all four together.
Bytes MakeKind(int kind) {
    std::mt19937 g(2024 + kind);
    Bytes d;
    const char* words[] = {"the ",     "image ",  "palette ", "of ",   "colour ", "settings\r\n",
                           "Tessaly ", "bitmap ", "and ",     "1024 ", "slide ",  "show "};
    if (kind == 0) {
        while (d.size() < kPart) {
            const std::string w = words[g() % 12];
            d.insert(d.end(), w.begin(), w.end());
        }
    } else if (kind == 1) { // smooth gradients with a little noise
        for (std::size_t i = 0; i < kPart; ++i)
            d.push_back(static_cast<std::uint8_t>((i % 640) / 3 + (i / 640) % 7 + g() % 3));
    } else if (kind == 2) {
        for (std::size_t i = 0; i < kPart; ++i)
            d.push_back(static_cast<std::uint8_t>(g()));
    } else if (kind == 3) { // records that differ in a counter: the match tree's slowest case
        for (std::size_t i = 0; d.size() < kPart; ++i) {
            const std::string r = "[Slide" + std::to_string(i) + "]\r\nDelay=5\r\nEffect=0\r\n";
            d.insert(d.end(), r.begin(), r.end());
            d.insert(d.end(), 40, 0);
        }
    } else {
        for (int k = 0; k < 4; ++k) {
            const Bytes part = MakeKind(k);
            d.insert(d.end(), part.begin(), part.end());
        }
    }
    d.resize(kind == 4 ? 4 * kPart : kPart);
    return d;
}

const Bytes& Data(int kind) {
    static const Bytes data[] = {MakeKind(0), MakeKind(1), MakeKind(2), MakeKind(3), MakeKind(4)};
    return data[kind];
}

void Report(benchmark::State& state, const Bytes& in, std::size_t packedSize) {
    const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(in.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
    state.counters["ratio"] = static_cast<double>(packedSize) / static_cast<double>(in.size());
    state.SetLabel(kKinds[state.range(0)]);
}

void Compress(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    tsl::CCompressor compressor;
    Bytes packed;
    for (auto _ : state) {
        compressor.Compress(in, packed);
        benchmark::DoNotOptimize(packed.data());
    }
    Report(state, in, packed.size());
}
BENCHMARK(Compress)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void Expand(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    tsl::CCompressor compressor;
    Bytes packed, back;
    compressor.Compress(in, packed);
    for (auto _ : state) {
        compressor.Expand(packed, back);
        benchmark::DoNotOptimize(back.data());
    }
    if (back != in) state.SkipWithError("round trip changed the data");
    Report(state, in, packed.size());
}
BENCHMARK(Expand)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
