// Fuzz target for the PCX reader: any bytes decode without a fault; what decodes is a valid
// packed DIB whose palette is its colour table, the stream reader agrees with the memory
// reader, and writing the image and reading it back gives the same DIB.

#include "codecs/Pcx.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "pcx_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tsl::PcxImage image = tsl::ReadPcxMemory({data, size});

    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    Require(tsl::ReadPcx(stream).dib == image.dib, "stream and memory readers differ");
    if (image.IsNull()) {
        Require(image.palette.empty(), "a refused file has a palette");
        return 0;
    }

    const auto view = tsl::ViewPackedDib(image.dib);
    Require(view.has_value(), "the DIB does not hold together");
    Require(view->bitsPerPixel == 1 || view->bitsPerPixel == 4 || view->bitsPerPixel == 8 ||
                view->bitsPerPixel == 24,
            "unexpected depth");
    Require(!view->topDown, "rows are not bottom-up");
    Require(image.palette.size() == static_cast<std::size_t>(view->colourCount) &&
                std::equal(image.palette.begin(), image.palette.end(), view->table),
            "palette and colour table differ");

    // The writer keeps lines to an even length: 65,535 bytes of pixels need 65,536.
    const auto encoded = tsl::EncodePcx(image.dib, {}, 640, 480);
    if (encoded.empty()) {
        Require(view->width == 65535 && view->bitsPerPixel >= 8,
                "a decoded image cannot be written");
        return 0;
    }
    const tsl::PcxImage again = tsl::ReadPcxMemory(encoded);
    Require(again.dib == image.dib, "writing and reading back changed the image");
    return 0;
}
