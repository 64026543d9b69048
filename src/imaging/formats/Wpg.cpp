#include "imaging/formats/Wpg.h"

#include "imaging/formats/FormatIo.h"

#include <algorithm>

namespace tsl {

using namespace fmt;

namespace {

// A record header: type, then a length of one byte, 0xFF and 16 bits, or 0xFF and two 16-bit
// halves with the top bit of the first set.
void PutRecord(Bytes& out, unsigned type, std::size_t length) {
    PutU8(out, type);
    if (length < 0xFF) {
        PutU8(out, static_cast<unsigned>(length));
    } else if (length < 0x8000) {
        PutU8(out, 0xFF);
        PutLe16(out, static_cast<unsigned>(length));
    } else {
        PutU8(out, 0xFF);
        PutLe16(out, static_cast<unsigned>((length >> 16) | 0x8000));
        PutLe16(out, static_cast<unsigned>(length & 0xFFFF));
    }
}

void PackRow(const std::uint8_t* row, std::size_t n, Bytes& out) {
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 127 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            PutU8(out, 0x80u | static_cast<unsigned>(run));
            PutU8(out, row[i]);
            i += run;
            continue;
        }
        std::size_t j = i;
        while (j < n && j - i < 127 && !(j + 2 < n && row[j] == row[j + 1] && row[j] == row[j + 2]))
            ++j;
        PutU8(out, static_cast<unsigned>(j - i));
        PutBytes(out, row + i, j - i);
        i = j;
    }
}

} // namespace

bool WriteWpg(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    if (src.Bpp() > 8) {
        error = "WPG bitmaps hold palette images: reduce the colours first";
        return false;
    }
    const int w = src.Width(), h = src.Height(), bpp = src.Bpp();
    if (w > 65535 || h > 65535) {
        error = "WPG bitmaps are at most 65535 pixels a side";
        return false;
    }
    const int side = std::max(w, h);
    const int dpi = std::max(96, (side * 1200 + 65534) / 65535);

    Bytes o;
    PutU8(o, 0xFF);
    PutU8(o, 'W');
    PutU8(o, 'P');
    PutU8(o, 'C');
    PutLe32(o, 16);
    PutU8(o, 1);
    PutU8(o, 0x16);
    PutU8(o, 1);
    PutU8(o, 0);
    PutLe16(o, 0);
    PutLe16(o, 0);

    PutRecord(o, 0x0F, 6); // Start
    PutU8(o, 1);
    PutU8(o, 0);
    PutLe16(o, static_cast<unsigned>(static_cast<std::int64_t>(w) * 1200 / dpi));
    PutLe16(o, static_cast<unsigned>(static_cast<std::int64_t>(h) * 1200 / dpi));

    const std::vector<RGBQUAD> table = src.Table();
    const int colours = 1 << bpp;
    PutRecord(o, 0x0E, 4 + 3 * static_cast<std::size_t>(colours)); // colour map
    PutLe16(o, 0);
    PutLe16(o, static_cast<unsigned>(colours));
    for (int i = 0; i < colours; ++i) {
        const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
        PutU8(o, q.rgbRed);
        PutU8(o, q.rgbGreen);
        PutU8(o, q.rgbBlue);
    }

    Bytes data;
    PutLe16(data, static_cast<unsigned>(w));
    PutLe16(data, static_cast<unsigned>(h));
    PutLe16(data, static_cast<unsigned>(bpp));
    PutLe16(data, static_cast<unsigned>(dpi));
    PutLe16(data, static_cast<unsigned>(dpi));
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * bpp + 7) / 8;
    for (int y = 0; y < h; ++y)
        PackRow(src.Row(y), rowBytes, data);
    if (data.size() > 0x7FFFFFFFu) {
        error = "the image is too large for a WPG file";
        return false;
    }
    PutRecord(o, 0x0B, data.size()); // bitmap, type 1
    PutBytes(o, data.data(), data.size());
    PutRecord(o, 0x10, 0); // End
    out = std::move(o);
    return true;
}

} // namespace tsl
