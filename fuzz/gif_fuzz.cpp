// Fuzz target for the GIF reader: any bytes decode without a fault, to nothing or to a valid
// packed DIB of 1, 4 or 8 bits; a decoded image written again by the GIF writer reads back
// unchanged.

#include "codecs/Gif.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "gif_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tsl::GifFrameInfo info;
    int status = 0;
    const auto dib = tsl::ReadGifMemory({data, size}, 0, 0, info, status);
    Require(status == tsl::kGifStatusOk || status == tsl::kGifStatusOutOfMemory, "unknown status");
    if (!dib) return 0;
    const auto view = tsl::ViewPackedDib(*dib);
    Require(view.has_value(), "the bitmap is not a valid packed DIB");
    const int bpp = view->bitsPerPixel;
    Require(bpp == 1 || bpp == 4 || bpp == 8, "depth other than 1, 4 or 8");
    Require(view->colourCount == 1 << bpp, "colour table is not 2^depth entries");
    Require(info.disposal >= 0 && info.disposal <= 7 && info.transparent <= 1, "frame information");

    // Re-encoding is only worth its time on small images.
    if (std::size_t(view->width) * std::size_t(view->height) > (1u << 20)) return 0;
    const bool interlace = (size & 1) != 0;
    const auto gif = tsl::EncodeGif(*dib, (size & 2) != 0, interlace,
                                    info.transparent ? info.transparentIndex : -1);
    Require(!gif.empty(), "the writer refused a bitmap the reader made");
    tsl::GifFrameInfo again;
    const auto back = tsl::ReadGifMemory(gif, 0, 0, again, status);
    Require(back.has_value() && *back == *dib, "write and read back changed the image");
    Require(again.transparent == info.transparent, "transparency lost");
    return 0;
}
