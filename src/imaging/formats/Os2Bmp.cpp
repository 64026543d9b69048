#include "imaging/formats/Os2Bmp.h"

#include "imaging/formats/FormatIo.h"

namespace tsl {

using namespace fmt;

bool WriteOs2Bmp(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
                 Os2BmpVersion version) {
    out.clear();
    PackedDib image;
    if (!OpaqueDib(dib, image, error)) return false;
    const auto v = ViewPackedDib(image);
    const int w = v->width, h = v->height, bpp = v->bitsPerPixel;
    const bool v1 = version == Os2BmpVersion::V1;
    if (v1 && (w > 65535 || h > 65535)) {
        error = "OS/2 1.x bitmaps are at most 65535 pixels a side";
        return false;
    }
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    const std::size_t headerSize = v1 ? 12 : 64;
    const std::size_t offBits = 14 + headerSize + static_cast<std::size_t>(colours) * (v1 ? 3 : 4);
    if (v->imageSize > 0xFFFFFFFFu - offBits) {
        error = "the image is too large for a bitmap file";
        return false;
    }
    Bytes o;
    PutU8(o, 'B');
    PutU8(o, 'M');
    PutLe32(o, static_cast<std::uint32_t>(offBits + v->imageSize));
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe32(o, static_cast<std::uint32_t>(offBits));
    PutLe32(o, static_cast<std::uint32_t>(headerSize));
    if (v1) {
        PutLe16(o, static_cast<unsigned>(w));
        PutLe16(o, static_cast<unsigned>(h));
        PutLe16(o, 1);
        PutLe16(o, static_cast<unsigned>(bpp));
    } else {
        PutLe32(o, static_cast<std::uint32_t>(w));
        PutLe32(o, static_cast<std::uint32_t>(h));
        PutLe16(o, 1);
        PutLe16(o, static_cast<unsigned>(bpp));
        PutLe32(o, 0); // uncompressed
        PutLe32(o, static_cast<std::uint32_t>(v->imageSize));
        PutLe32(o, static_cast<std::uint32_t>(v->header.biXPelsPerMeter));
        PutLe32(o, static_cast<std::uint32_t>(v->header.biYPelsPerMeter));
        PutLe32(o, static_cast<std::uint32_t>(colours));
        PutLe32(o, 0);
        PutZeros(o, 24); // units, reserved, recording, rendering, sizes, encoding, identifier
    }
    for (int i = 0; i < colours; ++i) {
        const RGBQUAD q = i < v->colourCount ? v->table[i] : RGBQUAD{};
        PutU8(o, q.rgbBlue);
        PutU8(o, q.rgbGreen);
        PutU8(o, q.rgbRed);
        if (!v1) PutU8(o, 0);
    }
    PutBytes(o, image.data() + v->bitsOffset, v->imageSize);
    out = std::move(o);
    return true;
}

} // namespace tsl
