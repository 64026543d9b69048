// Fuzz target for CDIBSection's BMP reader (LoadBmp's parser on bytes in memory) and its packed
// DIB reader (the clipboard's and resources' format): any bytes are either refused with the
// object left empty or give a consistent image whose every pixel can be read, copied and
// converted.

#include "paint/DIBSection.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using tsl::CDIBSection;

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "bmp_fuzz: %s\n", what);
    std::abort();
}

void Check(CDIBSection& dib, bool loaded, std::size_t inputSize) {
    if (!loaded) {
        Require(!dib.HasImage() && dib.Width() == 0 && dib.Bits() == nullptr,
                "a refused input left an image behind");
        return;
    }
    Require(dib.HasImage() && dib.Width() > 0 && dib.Height() > 0, "loaded image has no size");
    Require(dib.ImageSize() == dib.Stride() * static_cast<std::size_t>(dib.Height()),
            "image size is not stride x height");
    Require(dib.ImageSize() <= inputSize, "more pixel bytes than the input holds");
    Require(dib.Palette().size() >= 1 && dib.Palette().size() <= 256, "palette size");

    // Every pixel is readable, and a copy holds the same pixels.
    CDIBSection copy;
    Require(copy.CopyFrom(dib), "copy failed");
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            Require(copy.GetPixel(x, y) == dib.GetPixel(x, y), "copy differs");
    Require(dib.GetPixel(dib.Width(), 0) == tsl::CLR_INVALID, "pixel outside the image");

    // Depth changes map every pixel; an 8-bit image keeps exact colours of its own palette.
    Require(copy.ChangeFormat(dib.Width(), dib.Height(), 1, 24, {0, 0}), "to 24 bits failed");
    if (dib.BitsPerPixel() != 16)
        for (int y = 0; y < dib.Height(); ++y)
            for (int x = 0; x < dib.Width(); ++x)
                Require(copy.GetPixel(x, y) == dib.GetPixel(x, y), "24-bit copy differs");
    Require(copy.ChangeFormat(dib.Width() / 2 + 1, dib.Height() / 2 + 1, 1, 8, {1, 1}),
            "to 8 bits failed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDIBSection file;
    Check(file, file.LoadBmpFromMemory(data, size), size);
    CDIBSection packed;
    Check(packed, packed.LoadPackedDib(data, size), size);
    return 0;
}
