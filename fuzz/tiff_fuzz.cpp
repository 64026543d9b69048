// Fuzz target for the TIFF adapter: any bytes decode without a fault, to nothing with a
// failure status or to a valid packed DIB of 1, 4, 8 or 24 bits that encodes and decodes back.

#include "codecs/Tiff.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "tiff_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int status = -1;
    const tsl::PackedDib dib = tsl::ReadTiffMemory({data, size}, status);
    if (dib.empty()) {
        Require(status == tsl::kTiffReadFailed || status == tsl::kTiffTooLarge ||
                    status == tsl::kTiffRefusedCompression,
                "failure without a failure status");
        return 0;
    }
    Require(status == tsl::kTiffDone, "success without the success status");
    const auto view = tsl::ViewPackedDib(dib);
    Require(view.has_value(), "the DIB does not hold together");
    const int bpp = view->bitsPerPixel;
    Require(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24, "unexpected depth");
    if (static_cast<std::size_t>(view->width) * view->height > 1 << 16) return 0;
    const std::vector<std::uint8_t> again = tsl::EncodeTiff(dib, tsl::kTiffLzw, status);
    Require(!again.empty() && status == tsl::kTiffDone, "re-encoding failed");
    Require(!tsl::ReadTiffMemory(again, status).empty(), "the re-encoded file does not read");
    return 0;
}
