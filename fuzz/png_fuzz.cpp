// Fuzz target for the PNG adapter: any bytes decode without a fault, to nothing with one of
// the adapter's messages or to a valid packed DIB of 1, 4, 8, 24 or 32 bits that encodes and
// decodes back to the same pixels. The straight-to-screen reader gives nothing or the general
// reader's picture at 32 bits.

#include "codecs/Bmp.h"
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

// The straight reader from the bytes as a stream; null when it declines.
tsl::CDdb ReadDevice(const std::uint8_t* data, std::size_t size, int& bpp) {
    if (size == 0) return {};
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream) return {};
    tsl::CDdb out = tsl::ReadPngDevice(stream, bpp);
    std::fclose(stream);
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string message;
    const tsl::PackedDib dib = tsl::ReadPngMemory({data, size}, message);
    int deviceBpp = 0;
    const tsl::CDdb device = ReadDevice(data, size, deviceBpp);
    if (!device.IsNull()) {
        Require(!dib.empty(), "the straight reader read what the general one refused");
        tsl::CDdb expected = tsl::MakeDeviceBitmap(dib);
        tsl::ClearFourthBytes(expected);
        Require(deviceBpp == tsl::ViewPackedDib(dib)->bitsPerPixel, "depths differ");
        Require(expected.Bits() == device.Bits(), "the straight reader's pixels differ");
    }
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
