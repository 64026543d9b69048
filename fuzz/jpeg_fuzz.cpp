// Fuzz target for the JPEG adapter: any bytes decode without a fault, to nothing or to exactly
// width x height x 3 bytes within the pixel limit; what decodes encodes again. The decode
// straight into a device bitmap gives the same pixels, or fails as the RGB decode does.

#include "codecs/Jpeg.h"
#include "codecs/JpegExif.h"
#include "core/Services.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The adapter's messages are expected on bad input; they are dropped.
class QuietReport : public tsl::IReport {
public:
    void Report(const std::string&, const std::string&) override {}
};

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "jpeg_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietReport quiet;
    tsl::InstallReport(&quiet);
    // The marker scan (frame size, Exif thumbnail) stays inside the bytes it was given.
    const std::span<const std::uint8_t> bytes{data, size};
    const tsl::JpegMarkers markers = tsl::ScanJpegMarkers(bytes);
    if (!markers.exifThumbnail.empty()) {
        Require(markers.exifThumbnail.data() >= data &&
                    markers.exifThumbnail.data() + markers.exifThumbnail.size() <= data + size,
                "the Exif thumbnail lies outside the file");
        tsl::ReadJpegDdbMemory(markers.exifThumbnail);
    }
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = tsl::ReadJpegMemory({data, size}, width, height);
    const tsl::CDdb device = tsl::ReadJpegDdbMemory({data, size});
    Require(device.IsNull() == rgb.empty(), "the two decodes disagree on success");
    if (rgb.empty()) {
        Require(width == 0 && height == 0, "failure with a size");
        return 0;
    }
    Require(device.Width() == width && device.Height() == height, "the two decodes differ in size");
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* d = device.Row(height - 1 - y);
        const std::uint8_t* s = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x, d += 4, s += 3)
            Require(d[0] == s[2] && d[1] == s[1] && d[2] == s[0] && d[3] == 0,
                    "the two decodes differ in a pixel");
    }
    Require(width > 0 && height > 0 &&
                static_cast<std::uint64_t>(width) * height <= tsl::kPixelLimit &&
                rgb.size() == static_cast<std::size_t>(width) * height * 3,
            "pixels do not match the size");
    if (static_cast<std::size_t>(width) * height <= 1 << 16)
        Require(!tsl::EncodeJpeg(rgb, width, height, true, 75).empty(), "re-encoding failed");
    return 0;
}
