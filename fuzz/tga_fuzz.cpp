// Fuzz target for the TGA reader: any bytes decode without a fault and with a status of the
// reader's set; what decodes is a valid packed DIB, and flipping the header's top or
// right-to-left origin bit mirrors the picture and nothing else.

#include "codecs/Tga.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "tga_fuzz: %s\n", what);
    std::abort();
}

// The pixel at column x of DIB row y (bottom-up), as bytes.
const std::uint8_t* PixelAt(const tsl::PackedDib& dib, const tsl::PackedDibView& v, int x, int y) {
    return dib.data() + v.bitsOffset + static_cast<std::size_t>(y) * v.stride +
           static_cast<std::size_t>(x) * (v.bitsPerPixel / 8);
}

// Decodes the input with descriptor bits toggled and checks it is the original mirrored.
void CheckMirror(const std::uint8_t* data, std::size_t size, std::uint8_t bit,
                 const tsl::PackedDib& original, const tsl::PackedDibView& v) {
    std::vector<std::uint8_t> flipped(data, data + size);
    flipped[17] ^= bit;
    int status = 0;
    const tsl::PackedDib mirrored = tsl::ReadTgaMemory(flipped, status);
    Require(status == tsl::kTgaDone && mirrored.size() == original.size(),
            "an origin bit changed whether the file reads");
    const std::size_t bytes = static_cast<std::size_t>(v.bitsPerPixel / 8);
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            const int mx = bit == 0x10 ? v.width - 1 - x : x;
            const int my = bit == 0x20 ? v.height - 1 - y : y;
            Require(std::memcmp(PixelAt(original, v, x, y), PixelAt(mirrored, v, mx, my), bytes) ==
                        0,
                    "an origin bit did more than mirror the picture");
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int status = 0;
    const tsl::PackedDib dib = tsl::ReadTgaMemory({data, size}, status);
    if (dib.empty()) {
        Require(status == tsl::kTgaOutOfMemory || status == tsl::kTgaReadError ||
                    status == tsl::kTgaBadColourMap || status == tsl::kTgaBadHeader,
                "failure without a failure status");
        return 0;
    }
    Require(status == tsl::kTgaDone, "success without the success status");
    const auto view = tsl::ViewPackedDib(dib);
    Require(view.has_value(), "the DIB does not hold together");
    Require((view->bitsPerPixel == 8 && view->colourCount == 256) ||
                (view->bitsPerPixel == 24 && view->colourCount == 0),
            "unexpected depth or colour table");
    // Mirroring costs a second decode: keep it to pictures that fuzz quickly.
    if (static_cast<std::size_t>(view->width) * view->height <= 1 << 16) {
        CheckMirror(data, size, 0x10, dib, *view);
        CheckMirror(data, size, 0x20, dib, *view);
    }
    return 0;
}
