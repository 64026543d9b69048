// Fuzz target for the expander of the "OV10" container: any bytes expand without a fault, to no
// more than the header declares and the bit stream can hold; a fresh compressor and one that
// keeps its tables between runs agree; and what was expanded compresses and expands back
// unchanged.

#include "codecs/Compressor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using tsl::CCompressor;

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "expand_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCompressor fresh;
    std::vector<std::uint8_t> out;
    const bool complete = fresh.Expand({data, size}, out);

    const bool container = size >= CCompressor::kHeaderSize && std::memcmp(data, "OV10", 4) == 0;
    std::uint64_t declared = 0;
    for (int i = 0; container && i < 4; ++i)
        declared |= std::uint64_t{data[4 + i]} << (8 * i);
    Require(container || out.empty(), "something that is no container expanded");
    Require(out.size() <= declared, "more output than the header declares");
    Require(!complete || out.size() == declared, "complete but short of the declared length");
    // Every symbol takes at least one bit of the stream and yields at most 60 bytes.
    Require(out.size() <= 60 * 8 * size, "more output than the bit stream can hold");

    static CCompressor kept;
    kept.SetOwnTables(false);
    std::vector<std::uint8_t> again;
    Require(kept.Expand({data, size}, again) == complete && again == out,
            "kept tables changed the result");

    // The first 1 KB exercises the compressor enough; its match tree makes some longer inputs
    // slow (long chains of nearly equal strings), which would slow the fuzzing down.
    const std::vector<std::uint8_t> head(out.begin(),
                                         out.begin() + std::min<std::size_t>(out.size(), 1024));
    std::vector<std::uint8_t> packed, back;
    Require(fresh.Compress(head, packed), "compressing the output failed");
    Require(packed.size() <= CCompressor::kHeaderSize + head.size() + head.size() / 64 + 64,
            "compressing grew the data too much");
    Require(kept.Expand(packed, back) && back == head, "round trip changed the data");
    return 0;
}
