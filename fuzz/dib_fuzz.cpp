// Fuzz target for the BMP file reader and "make device bitmap": any bytes as a BMP file, and
// the same bytes as a packed DIB, are refused or decoded without a fault; a decoded bitmap has
// the size the header declares, and unpacking gives a plain DIB of that size. The header view
// under them places every part it accepts inside the block.

#include "codecs/Bmp.h"
#include "core/DibHeader.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "dib_fuzz: %s\n", what);
    std::abort();
}

void CheckLayout(const tsl::PackedDib& dib) {
    const auto header = tsl::ReadDibHeader(dib.data(), dib.size());
    if (!header) return;
    Require(header->size >= 12 && header->size <= dib.size(), "header outside the block");
    for (const bool rows : {false, true}) {
        tsl::DibLayoutOptions options;
        options.rowsInBlock = rows;
        const auto l = tsl::LayOutDib(*header, dib.size(), options);
        if (!l) continue;
        Require(l->tableOffset >= header->size && l->bitsOffset <= dib.size() &&
                    l->tableEntries * l->entrySize <= l->bitsOffset - l->tableOffset,
                "table outside the block");
        if (rows)
            Require(l->imageSize == l->stride * l->height &&
                        l->imageSize <= dib.size() - l->bitsOffset &&
                        static_cast<std::uint64_t>(l->width) * l->height <= tsl::kPixelLimit,
                    "rows outside the block or beyond the pixel limit");
    }
}

void Check(const tsl::PackedDib& dib) {
    CheckLayout(dib);
    (void)tsl::MakePalette(dib);
    int width = 0, height = 0, bpp = 0;
    if (!tsl::DibDimensions(dib, width, height, bpp)) {
        Require(tsl::MakeDeviceBitmap(dib).IsNull(), "decoded a layout it refuses to describe");
        return;
    }
    // Run-length images may legitimately claim up to the pixel limit from a few bytes; keep
    // the fuzzer's memory to what it can hold.
    if (static_cast<std::uint64_t>(width) * height > (1u << 22)) return;
    const tsl::CDdb bitmap = tsl::MakeDeviceBitmap(dib);
    if (bitmap.IsNull()) return;
    Require(bitmap.Width() == width && bitmap.Height() == height, "size differs from the header");
    const tsl::PackedDib plain = tsl::UnpackDib(dib);
    const auto view = tsl::ViewPackedDib(plain);
    Require(view && view->width == width && view->height == height, "unpacked size differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Check(tsl::ReadBmpMemory(bytes));
    Check(bytes);
    return 0;
}
