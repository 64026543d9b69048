#include "imaging/formats/Ilbm.h"

#include "imaging/formats/FormatIo.h"

#include <algorithm>
#include <cstring>

namespace tsl {

using namespace fmt;

namespace {

bool Is(const std::uint8_t* p, const char* id) {
    return p && std::memcmp(p, id, 4) == 0;
}

struct Form {
    const std::uint8_t* type = nullptr;
    const std::uint8_t* data = nullptr; // chunks after the type
    std::size_t size = 0;
};

// Finds the first image FORM at the start of the file or inside a CAT/LIST (one level).
bool FindForm(const Bytes& file, Form& form, std::string& error) {
    ByteReader r(file);
    const std::uint8_t* id = r.Take(4);
    std::uint32_t size = r.Be32();
    if (!r.Ok()) {
        error = "not an IFF file";
        return false;
    }
    size = static_cast<std::uint32_t>(std::min<std::size_t>(size, r.Remaining()));
    if (Is(id, "CAT ") || Is(id, "LIST")) {
        ByteReader c(file.data() + r.Pos(), size);
        c.Skip(4);
        while (c.Ok() && c.Remaining() >= 12) {
            const std::uint8_t* inner = c.Take(4);
            const std::uint32_t innerSize = c.Be32();
            const std::size_t at = c.Pos();
            if (Is(inner, "FORM")) {
                const std::size_t n = std::min<std::size_t>(innerSize, c.Remaining());
                if (n < 4) break;
                form = {file.data() + r.Pos() + at, file.data() + r.Pos() + at + 4, n - 4};
                return true;
            }
            if (!c.Skip(innerSize + (innerSize & 1))) break;
        }
        error = "no image in the IFF container";
        return false;
    }
    if (!Is(id, "FORM") || size < 4) {
        error = "not an IFF file";
        return false;
    }
    form = {file.data() + 8, file.data() + 12, size - 4};
    return true;
}

struct Bmhd {
    int width = 0, height = 0, planes = 0, masking = 0, compression = 0;
};

std::uint8_t InkToLight(unsigned ink, unsigned k) {
    return static_cast<std::uint8_t>(((255 - ink) * (255 - k) + 127) / 255);
}

} // namespace

bool ReadIlbm(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    Form form;
    if (!FindForm(file, form, error)) return false;
    const bool ilbm = Is(form.type, "ILBM"), pbm = Is(form.type, "PBM "),
               acbm = Is(form.type, "ACBM");
    if (!ilbm && !pbm && !acbm) {
        error = "unsupported IFF form type";
        return false;
    }
    Bmhd bmhd;
    bool haveBmhd = false;
    std::vector<RGBQUAD> cmap;
    std::uint32_t camg = 0;
    const std::uint8_t* body = nullptr;
    std::size_t bodySize = 0;
    ByteReader r(form.data, form.size);
    while (r.Remaining() >= 8) {
        const std::uint8_t* id = r.Take(4);
        const std::uint32_t size = r.Be32();
        const std::size_t n = std::min<std::size_t>(size, r.Remaining());
        const std::uint8_t* data = r.Take(n);
        if (Is(id, "BMHD") && n >= 20) {
            ByteReader b(data, n);
            bmhd.width = b.Be16();
            bmhd.height = b.Be16();
            b.Skip(4);
            bmhd.planes = b.U8();
            bmhd.masking = b.U8();
            bmhd.compression = b.U8();
            haveBmhd = true;
        } else if (Is(id, "CMAP")) {
            cmap.clear();
            for (std::size_t i = 0; i + 3 <= n && cmap.size() < 256; i += 3)
                cmap.push_back({data[i + 2], data[i + 1], data[i], 0});
        } else if (Is(id, "CMYK")) {
            cmap.clear();
            for (std::size_t i = 0; i + 4 <= n && cmap.size() < 256; i += 4) {
                const unsigned k = data[i + 3];
                cmap.push_back({InkToLight(data[i + 2], k), InkToLight(data[i + 1], k),
                                InkToLight(data[i], k), 0});
            }
        } else if (Is(id, "CAMG") && n >= 4) {
            camg = (static_cast<std::uint32_t>(data[0]) << 24) | (data[1] << 16) | (data[2] << 8) |
                   data[3];
        } else if ((Is(id, "BODY") && !acbm) || (Is(id, "ABIT") && acbm)) {
            body = data;
            bodySize = n;
            break;
        }
        if (size & 1) r.Skip(1);
    }
    if (!haveBmhd) {
        error = "IFF image without a bitmap header";
        return false;
    }
    if (!body) {
        error = "IFF image without a body";
        return false;
    }
    const int planes = bmhd.planes;
    if (!((planes >= 1 && planes <= 8) || planes == 24 || planes == 32) || (pbm && planes != 8)) {
        error = "unsupported number of bit planes";
        return false;
    }
    if (bmhd.compression > 1 || (acbm && bmhd.compression != 0)) {
        error = "unknown IFF compression";
        return false;
    }
    if (!CheckImageSize(bmhd.width, bmhd.height, error)) return false;
    const bool ham = (camg & 0x800) && planes >= 5 && planes <= 8;
    const bool ehb = (camg & 0x80) && !ham && planes == 6;

    // Bytes of one stored row (all planes, and the mask plane when present).
    const std::size_t planeRow = static_cast<std::size_t>((bmhd.width + 15) / 16) * 2;
    const int storedPlanes = planes + (bmhd.masking == 1 && !pbm ? 1 : 0);
    const std::size_t rowSize =
        pbm ? static_cast<std::size_t>(bmhd.width + (bmhd.width & 1)) : planeRow * storedPlanes;
    const std::size_t minRow = bmhd.compression ? 2 * ((rowSize + 127) / 128) : rowSize;
    if (bodySize / minRow < static_cast<std::size_t>(bmhd.height)) {
        error = "IFF body is truncated";
        return false;
    }

    std::vector<RGBQUAD> table;
    int outBpp = planes == 24 ? 24 : planes == 32 ? 32 : 8;
    if (ham) {
        outBpp = 24;
    } else if (planes <= 8) {
        const int count = ehb ? 64 : 1 << planes;
        outBpp = planes == 1 ? 1 : planes <= 4 ? 4 : 8;
        table.resize(static_cast<std::size_t>(1) << outBpp);
        for (int i = 0; i < count; ++i) {
            if (cmap.empty()) {
                const auto v = static_cast<std::uint8_t>(i * 255 / ((1 << planes) - 1));
                table[i] = {v, v, v, 0};
            } else if (i < static_cast<int>(cmap.size())) {
                table[i] = cmap[i];
            }
        }
        if (ehb)
            for (int i = 32; i < 64; ++i)
                table[i] = {static_cast<std::uint8_t>(table[i - 32].rgbBlue >> 1),
                            static_cast<std::uint8_t>(table[i - 32].rgbGreen >> 1),
                            static_cast<std::uint8_t>(table[i - 32].rgbRed >> 1), 0};
    }
    DibBuilder b;
    if (!b.Create(bmhd.width, bmhd.height, outBpp, table, error)) return false;

    ByteReader in(body, bodySize);
    Bytes row(rowSize);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bmhd.width));
    const int hamBits = planes - 2;
    for (int y = 0; y < bmhd.height; ++y) {
        if (acbm) {
            // Plane p of row y lies at p * height * planeRow + y * planeRow.
            for (int p = 0; p < planes; ++p)
                std::memcpy(row.data() + p * planeRow,
                            body + (static_cast<std::size_t>(p) * bmhd.height + y) * planeRow,
                            planeRow);
        } else if (bmhd.compression) {
            if (!UnpackBits(in, row.data(), rowSize)) {
                error = "IFF body is truncated";
                return false;
            }
        } else {
            std::memcpy(row.data(), in.Take(rowSize), rowSize);
        }
        if (pbm) {
            for (int x = 0; x < bmhd.width; ++x)
                pixels[x] = row[x];
        } else {
            std::fill(pixels.begin(), pixels.end(), 0);
            for (int p = 0; p < planes; ++p) {
                const std::uint8_t* plane = row.data() + p * planeRow;
                for (int x = 0; x < bmhd.width; ++x)
                    pixels[x] |= static_cast<std::uint32_t>((plane[x >> 3] >> (7 - (x & 7))) & 1)
                                 << p;
            }
        }
        std::uint8_t* dst = b.Row(y);
        if (ham) {
            RGBQUAD c = cmap.empty() ? RGBQUAD{} : cmap[0];
            const unsigned valueMask = (1u << hamBits) - 1;
            for (int x = 0; x < bmhd.width; ++x) {
                const unsigned v = pixels[x] & valueMask;
                const unsigned control = (pixels[x] >> hamBits) & 3;
                // Modify values fill the high bits of the channel, repeated into the low bits.
                // A modify value replaces the channel's high bits and keeps its low ones.
                const unsigned low = (1u << (8 - hamBits)) - 1;
                auto modify = [&](std::uint8_t old) {
                    return static_cast<std::uint8_t>((v << (8 - hamBits)) | (old & low));
                };
                switch (control) {
                case 0:
                    c = v < cmap.size() ? cmap[v] : RGBQUAD{};
                    break;
                case 1:
                    c.rgbBlue = modify(c.rgbBlue);
                    break;
                case 2:
                    c.rgbRed = modify(c.rgbRed);
                    break;
                default:
                    c.rgbGreen = modify(c.rgbGreen);
                    break;
                }
                dst[3 * x] = c.rgbBlue, dst[3 * x + 1] = c.rgbGreen, dst[3 * x + 2] = c.rgbRed;
            }
        } else if (planes <= 8) {
            for (int x = 0; x < bmhd.width; ++x)
                b.SetIndex(x, y, static_cast<int>(pixels[x]));
        } else {
            const int bytes = planes / 8;
            for (int x = 0; x < bmhd.width; ++x) {
                const std::uint32_t v = pixels[x];
                std::uint8_t* p = dst + static_cast<std::size_t>(x) * bytes;
                p[0] = static_cast<std::uint8_t>(v >> 16);
                p[1] = static_cast<std::uint8_t>(v >> 8);
                p[2] = static_cast<std::uint8_t>(v);
                if (bytes == 4) p[3] = static_cast<std::uint8_t>(v >> 24);
            }
        }
    }
    out = b.Take();
    return true;
}

bool WriteIlbm(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
               bool compress) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    const int w = src.Width(), h = src.Height();
    if (w > 65535 || h > 65535) {
        error = "IFF images are at most 65535 pixels a side";
        return false;
    }
    const int planes = src.Bpp() <= 8 ? src.Bpp() : 24;
    Bytes o;
    PutBytes(o, reinterpret_cast<const std::uint8_t*>("FORM\0\0\0\0ILBMBMHD"), 16);
    PutBe32(o, 20);
    PutBe16(o, static_cast<unsigned>(w));
    PutBe16(o, static_cast<unsigned>(h));
    PutBe32(o, 0);
    PutU8(o, static_cast<unsigned>(planes));
    PutU8(o, 0);
    PutU8(o, compress ? 1 : 0);
    PutU8(o, 0);
    PutBe16(o, 0);
    PutU8(o, 1);
    PutU8(o, 1);
    PutBe16(o, static_cast<unsigned>(w));
    PutBe16(o, static_cast<unsigned>(h));
    if (planes <= 8) {
        const std::vector<RGBQUAD> table = src.Table();
        const int count = 1 << planes;
        PutBytes(o, reinterpret_cast<const std::uint8_t*>("CMAP"), 4);
        PutBe32(o, static_cast<std::uint32_t>(3 * count));
        for (int i = 0; i < count; ++i) {
            const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
            PutU8(o, q.rgbRed);
            PutU8(o, q.rgbGreen);
            PutU8(o, q.rgbBlue);
        }
    }
    PutBytes(o, reinterpret_cast<const std::uint8_t*>("BODY\0\0\0\0"), 8);
    const std::size_t bodyStart = o.size();
    const std::size_t planeRow = static_cast<std::size_t>((w + 15) / 16) * 2;
    Bytes plane(planeRow);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (planes <= 8) {
                values[x] = static_cast<std::uint32_t>(src.Index(x, y));
            } else {
                const RGBQUAD q = src.Colour(x, y);
                values[x] = q.rgbRed | (q.rgbGreen << 8) | (q.rgbBlue << 16);
            }
        }
        for (int p = 0; p < planes; ++p) {
            std::fill(plane.begin(), plane.end(), 0);
            for (int x = 0; x < w; ++x)
                if ((values[x] >> p) & 1)
                    plane[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
            if (compress)
                PackBits(plane.data(), planeRow, o);
            else
                PutBytes(o, plane.data(), planeRow);
        }
    }
    const std::size_t bodySize = o.size() - bodyStart;
    if (bodySize > 0xFFFFFFF0u) {
        error = "the image is too large for an IFF file";
        return false;
    }
    PatchBe32(o, bodyStart - 4, static_cast<std::uint32_t>(bodySize));
    if (bodySize & 1) PutU8(o, 0);
    PatchBe32(o, 4, static_cast<std::uint32_t>(o.size() - 8));
    out = std::move(o);
    return true;
}

} // namespace tsl
