// Fuzz target for the imaging layer's choice among the program's own readers by a file's first
// bytes, and for the readers behind it (including icons with PNG entries): any bytes are
// refused or decode to a DIB of a size within the pixel limit.

#include "core/PackedDib.h"
#include "core/Services.h"
#include "imaging/LBitmap.h"

#include <cstdio>
#include <cstdlib>

namespace {

class QuietReport : public tsl::IReport {
public:
    void Report(const std::string&, const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietReport quiet;
    tsl::InstallReport(&quiet);
    bool handled = false;
    const tsl::PackedDib dib = tsl::ReadOwnFormat(std::vector<std::uint8_t>(data, data + size), handled);
    if (dib.empty()) return 0;
    int width = 0, height = 0, bpp = 0;
    if (!handled) {
        std::fprintf(stderr, "own_formats_fuzz: a result without a reader\n");
        std::abort();
    }
    tsl::LBitmapBase image;
    if (image.ConvertFromDIB(dib) >= 1) {
        width = image.GetWidth(), height = image.GetHeight(), bpp = image.GetBitsPerPixel();
        if (static_cast<std::uint64_t>(width) * height > tsl::kPixelLimit || bpp <= 0) std::abort();
    }
    return 0;
}
