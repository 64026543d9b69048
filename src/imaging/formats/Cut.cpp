#include "imaging/formats/Cut.h"

#include "imaging/formats/FormatIo.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace tsl {

using namespace fmt;

namespace {

bool OpenIndexed(const PackedDib& dib, DibPixels& src, std::string& error) {
    if (!src.Open(dib, error)) return false;
    if (src.Bpp() > 8) {
        error = "Dr. Halo images hold 8-bit palette images: reduce the colours first";
        return false;
    }
    if (src.Width() > 32767 || src.Height() > 65535) {
        error = "Dr. Halo images are at most 32767 pixels wide and 65535 high";
        return false;
    }
    return true;
}

} // namespace

bool WriteCut(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    DibPixels src;
    if (!OpenIndexed(dib, src, error)) return false;
    const int w = src.Width(), h = src.Height();
    Bytes o;
    PutLe16(o, static_cast<unsigned>(w));
    PutLe16(o, static_cast<unsigned>(h));
    PutLe16(o, 0);
    Bytes row(static_cast<std::size_t>(w)), packets;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<std::uint8_t>(src.Index(x, y));
        packets.clear();
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 127 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                PutU8(packets, 0x80u | static_cast<unsigned>(run));
                PutU8(packets, row[x]);
                x += run;
                continue;
            }
            int n = 0;
            while (x + n < w && n < 127 &&
                   !(x + n + 2 < w && row[x + n] == row[x + n + 1] && row[x + n] == row[x + n + 2]))
                ++n;
            PutU8(packets, static_cast<unsigned>(n));
            PutBytes(packets, row.data() + x, static_cast<std::size_t>(n));
            x += n;
        }
        PutU8(packets, 0);
        PutLe16(o, static_cast<unsigned>(packets.size()));
        PutBytes(o, packets.data(), packets.size());
    }
    out = std::move(o);
    return true;
}

bool WriteHaloPalette(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    DibPixels src;
    if (!OpenIndexed(dib, src, error)) return false;
    const std::vector<RGBQUAD> table = src.Table();
    Bytes o;
    PutU8(o, 'A');
    PutU8(o, 'H');
    PutLe16(o, 0x0123);
    PutLe16(o, 0); // file size, below
    PutU8(o, 'P');
    PutU8(o, 0);
    PutLe16(o, 0);
    PutLe16(o, 0);
    PutLe16(o, 255);
    PutLe16(o, 255);
    PutLe16(o, 255);
    PutLe16(o, 255);
    const char id[20] = "Dr. Halo";
    PutBytes(o, reinterpret_cast<const std::uint8_t*>(id), sizeof id);
    for (int i = 0; i < 256; ++i) {
        if (o.size() % 512 > 512 - 6) PutZeros(o, 512 - o.size() % 512);
        const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
        PutLe16(o, q.rgbRed);
        PutLe16(o, q.rgbGreen);
        PutLe16(o, q.rgbBlue);
    }
    WriteLe16(o.data() + 4, static_cast<std::uint16_t>(o.size()));
    out = std::move(o);
    return true;
}

namespace {

bool WriteBeside(const std::filesystem::path& target, const Bytes& bytes,
                 std::filesystem::path& temp, std::string& error) {
    temp = target;
    temp += ".tmp";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        error = "cannot write " + temp.string();
        return false;
    }
    return true;
}

} // namespace

bool WriteCutFiles(const std::string& path, const PackedDib& dib, std::string& error) {
    Bytes image, palette;
    if (!WriteCut(dib, image, error) || !WriteHaloPalette(dib, palette, error)) return false;
    const std::filesystem::path target(path);
    const std::string ext = target.extension().string();
    const bool upper = ext.size() > 1 && ext[1] >= 'A' && ext[1] <= 'Z';
    std::filesystem::path palettePath = target;
    palettePath.replace_extension(upper ? ".PAL" : ".pal");
    std::filesystem::path imageTemp, paletteTemp;
    if (!WriteBeside(target, image, imageTemp, error)) return false;
    std::error_code ec;
    if (!WriteBeside(palettePath, palette, paletteTemp, error)) {
        std::filesystem::remove(imageTemp, ec);
        return false;
    }
    std::filesystem::rename(paletteTemp, palettePath, ec);
    if (!ec) std::filesystem::rename(imageTemp, target, ec);
    if (ec) {
        std::filesystem::remove(imageTemp, ec);
        std::filesystem::remove(paletteTemp, ec);
        error = "cannot replace " + path;
        return false;
    }
    return true;
}

} // namespace tsl
