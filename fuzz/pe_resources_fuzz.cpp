// Fuzz target for the reader of executables' resources: any bytes are refused, or list
// pictures that decode (or are refused) without reading outside the file.

#include "capture/PeResources.h"
#include "core/Dib.h"
#include "core/PackedDib.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tsl::pe::PeResources resources;
    std::string error;
    if (!resources.Load(std::vector<std::uint8_t>(data, data + size), error)) return 0;
    int decoded = 0;
    for (const tsl::pe::PictureEntry& entry : resources.Pictures()) {
        if (entry.offset > size || entry.size > size - entry.offset) std::abort();
        tsl::pe::Picture picture;
        if (resources.Decode(entry, picture, error) && picture.png.empty()) {
            const auto view = tsl::ViewPackedDib(picture.dib);
            if (!view || static_cast<std::uint64_t>(view->width) * view->height > tsl::kPixelLimit) std::abort();
        }
        if (++decoded == 64) break;
    }
    return 0;
}
