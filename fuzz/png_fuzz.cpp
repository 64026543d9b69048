// Fuzz target for the PNG adapter: any bytes decode without a fault, to nothing with one of
// the adapter's messages or to a valid packed DIB of 1, 4, 8, 24 or 32 bits that encodes and
// decodes back to the same pixels.

#include "codecs/Png.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "png_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string message;
    const tsl::PackedDib dib = tsl::ReadPngMemory({data, size}, message);
    if (dib.empty()) {
        Require(message == tsl::kPngNotValid || message == tsl::kPngTooBig ||
                    message == tsl::kPngNoMemory,
                "failure without one of the messages");
        return 0;
    }
    Require(message.empty(), "success with a message");
    const auto view = tsl::ViewPackedDib(dib);
    Require(view.has_value(), "the DIB does not hold together");
    const int bpp = view->bitsPerPixel;
    Require(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32, "unexpected depth");
    if (static_cast<std::size_t>(view->width) * view->height > 1 << 16) return 0;
    const std::vector<std::uint8_t> again = tsl::EncodePng(dib);
    Require(!again.empty(), "re-encoding failed");
    const tsl::PackedDib back = tsl::ReadPngMemory(again, message);
    const auto backView = tsl::ViewPackedDib(back);
    Require(backView.has_value(), "the re-encoded file does not read");
    // 32-bit pixels whose alpha is all zero come back opaque at 24 bits; others compare whole.
    if (backView->bitsPerPixel == bpp)
        Require(std::memcmp(back.data() + backView->bitsOffset, dib.data() + view->bitsOffset,
                            view->imageSize) == 0,
                "a round trip changed the pixels");
    return 0;
}
