#include "codecs/Tiff.h"
#include "core/Files.h"

#include "codecs/Jpeg.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include <tiffio.h>

namespace tsl {
namespace {

// A TIFF in memory, read from or growing as libtiff writes.
struct Memory {
    std::vector<std::uint8_t> bytes;
    std::span<const std::uint8_t> input;
    bool writing = false;
    std::uint64_t at = 0;
    std::size_t Size() const { return writing ? bytes.size() : input.size(); }
};

tmsize_t MemRead(thandle_t h, void* out, tmsize_t n) {
    auto* m = static_cast<Memory*>(h);
    const std::uint8_t* data = m->writing ? m->bytes.data() : m->input.data();
    if (n < 0 || m->at >= m->Size()) return 0;
    const auto count = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), m->Size() - m->at);
    std::memcpy(out, data + m->at, count);
    m->at += count;
    return static_cast<tmsize_t>(count);
}
tmsize_t MemWrite(thandle_t h, void* in, tmsize_t n) {
    auto* m = static_cast<Memory*>(h);
    if (!m->writing || n < 0) return -1;
    const std::uint64_t end = m->at + static_cast<std::uint64_t>(n);
    if (end > (std::uint64_t{1} << 33)) return -1;
    if (end > m->bytes.size()) m->bytes.resize(end);
    std::memcpy(m->bytes.data() + m->at, in, static_cast<std::size_t>(n));
    m->at = end;
    return n;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<Memory*>(h);
    const std::uint64_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->Size() : 0;
    m->at = base + off;
    return m->at;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<Memory*>(h)->Size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

// libtiff's messages would go to stderr: the adapters report through their status instead.
void Quiet(const char*, const char*, va_list) {}
void SilenceLibtiff() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(Quiet);
        TIFFSetWarningHandler(Quiet);
    });
}

TIFF* Open(Memory& m, const char* mode) {
    SilenceLibtiff();
    return TIFFClientOpen("memory", mode, &m, MemRead, MemWrite, MemSeek, MemClose, MemSize,
                          MemMap, MemUnmap);
}

// 16-bit values to 8 bits as (v + 128) / 257, the rounding the reference decoder uses.
std::uint8_t Round16(std::uint32_t v) { return static_cast<std::uint8_t>((v + 128) / 257); }

// 16-bit colour-map values to 8 bits, x 255 / 65535 truncated.
std::uint8_t Scale16(std::uint32_t v) { return static_cast<std::uint8_t>(v * 255 / 65535); }

// One-sample strip images read row by row at their own depth. Empty when the image is of
// another kind (the caller then renders it through libtiff's RGBA interface).
PackedDib ReadIndexed(TIFF* tif, int width, int height, std::uint16_t bits, std::uint16_t photo,
                      int& status) {
    const int levels = 1 << std::min<int>(bits, 8);
    const int depth = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    std::vector<RGBQUAD> table(static_cast<std::size_t>(1) << depth);
    if (photo == PHOTOMETRIC_PALETTE) {
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return {};
        bool wide = false;
        for (int i = 0; i < levels; ++i) wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
        for (int i = 0; i < levels; ++i)
            table[i] = wide ? RGBQUAD{Scale16(b[i]), Scale16(g[i]), Scale16(r[i]), 0}
                            : RGBQUAD{static_cast<std::uint8_t>(b[i]), static_cast<std::uint8_t>(g[i]),
                                      static_cast<std::uint8_t>(r[i]), 0};
    } else {
        for (int i = 0; i < levels; ++i) {
            const int level = photo == PHOTOMETRIC_MINISWHITE ? levels - 1 - i : i;
            const auto v = static_cast<std::uint8_t>(255 * level / (levels - 1));
            table[i] = {v, v, v, 0};
        }
    }
    PackedDib dib = MakePackedDib(width, height, depth, table);
    const auto v = ViewPackedDib(dib);
    if (!v) {
        status = kTiffTooLarge;
        return {};
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize64(tif)));
    if (row.size() < (static_cast<std::size_t>(width) * bits + 7) / 8) return {};
    for (int y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            status = kTiffReadFailed;
            return {};
        }
        std::uint8_t* out = dib.data() + v->bitsOffset + (height - 1 - y) * v->stride;
        if (bits == 2) {
            for (int x = 0; x < width; ++x) {
                const int p = (row[x / 4] >> (6 - 2 * (x % 4))) & 3;
                out[x / 2] |= static_cast<std::uint8_t>(x % 2 ? p : p << 4);
            }
        } else if (bits == 16) {
            for (int x = 0; x < width; ++x) {
                std::uint16_t p = 0;
                std::memcpy(&p, row.data() + 2 * x, 2);
                out[x] = Round16(p);
                if (photo == PHOTOMETRIC_MINISWHITE) out[x] = 255 - Round16(p);
            }
        } else {
            std::memcpy(out, row.data(), (static_cast<std::size_t>(width) * bits + 7) / 8);
        }
    }
    return dib;
}

// Anything else, rendered by libtiff as RGBA and stored at 24 bits; an alpha sample is
// dropped, which leaves colours premultiplied (composited on black).
PackedDib ReadRendered(TIFF* tif, int width, int height, int& status) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return {};
    PackedDib dib = MakePackedDib(width, height, 24);
    const auto v = ViewPackedDib(dib);
    if (!v) {
        status = kTiffTooLarge;
        return {};
    }
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(static_cast<std::size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        status = kTiffTooLarge;
        return {};
    }
    // Bottom-left origin: raster row 0 is the bottom row, as in the DIB.
    if (!TIFFReadRGBAImageOriented(tif, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height), raster.data(),
                                   ORIENTATION_BOTLEFT, 0))
        return {};
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = dib.data() + v->bitsOffset + y * v->stride;
        const std::uint32_t* in = raster.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
            out[3 * x + 1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
            out[3 * x + 2] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
        }
    }
    return dib;
}

// The fields of the first directory that decide how it is read.
struct Fields {
    std::uint32_t w = 0, h = 0;
    std::uint16_t compression = 1, bits = 1, samples = 1, photo = PHOTOMETRIC_MINISBLACK,
                  format = SAMPLEFORMAT_UINT;
};

Fields ReadFields(TIFF* tif) {
    Fields f;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &f.w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &f.h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &f.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &f.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &f.format);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &f.photo))
        f.photo = f.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    return f;
}

} // namespace

PackedDib ReadTiffMemory(std::span<const std::uint8_t> bytes, int& status) {
    status = kTiffReadFailed;
    Memory m;
    m.input = bytes;
    TIFF* tif = Open(m, "rm");
    if (!tif) return {};
    const auto [w, h, compression, bits, samples, photo, format] = ReadFields(tif);
    PackedDib dib;
    if (compression == 32946) {
        status = kTiffRefusedCompression;
    } else if (w == 0 || h == 0 || static_cast<std::uint64_t>(w) * h > kPixelLimit ||
               w > kSideLimit || h > kSideLimit) {
        status = kTiffTooLarge;
    } else {
        const int width = static_cast<int>(w), height = static_cast<int>(h);
        const bool oneSample = samples == 1 && !TIFFIsTiled(tif) && format == SAMPLEFORMAT_UINT &&
                               compression != COMPRESSION_OJPEG;
        const bool indexed =
            oneSample && ((photo == PHOTOMETRIC_PALETTE && bits <= 8 && (bits & (bits - 1)) == 0) ||
                          ((photo == PHOTOMETRIC_MINISBLACK || photo == PHOTOMETRIC_MINISWHITE) &&
                           (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16)));
        if (indexed) dib = ReadIndexed(tif, width, height, bits, photo, status);
        if (dib.empty() && status == kTiffReadFailed && !indexed)
            dib = ReadRendered(tif, width, height, status);
    }
    float xr = 0, yr = 0;
    std::uint16_t unit = RESUNIT_INCH;
    if (!dib.empty()) {
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        const double scale = unit == RESUNIT_CENTIMETER ? 100.0 : unit == RESUNIT_INCH ? 39.37 : 0;
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr) &&
            xr > 0 && yr > 0 && xr < 1e7F && yr < 1e7F) {
            BITMAPINFOHEADER header = BITMAPINFOHEADER::Read(dib.data());
            header.biXPelsPerMeter = static_cast<std::int32_t>(std::lround(xr * scale));
            header.biYPelsPerMeter = static_cast<std::int32_t>(std::lround(yr * scale));
            header.Write(dib.data());
        }
        status = kTiffDone;
    }
    TIFFClose(tif);
    return dib;
}

bool ReadTiffHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    width = height = bitsPerPixel = 0;
    SilenceLibtiff();
    TIFF* tif = TIFFOpen(path.c_str(), "rm"); // reads the first directory only
    if (!tif) return false;
    const auto [w, h, compression, bits, samples, photo, format] = ReadFields(tif);
    // The choices of ReadTiffMemory: refused, indexed at 1, 4 or 8 bits, or rendered at 24.
    bool ok = compression != 32946 && w != 0 && h != 0 &&
              static_cast<std::uint64_t>(w) * h <= kPixelLimit && w <= kSideLimit && h <= kSideLimit;
    if (ok) {
        const bool oneSample = samples == 1 && !TIFFIsTiled(tif) && format == SAMPLEFORMAT_UINT &&
                               compression != COMPRESSION_OJPEG;
        const bool palette = photo == PHOTOMETRIC_PALETTE && bits <= 8 && (bits & (bits - 1)) == 0;
        const bool grey = (photo == PHOTOMETRIC_MINISBLACK || photo == PHOTOMETRIC_MINISWHITE) &&
                          (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16);
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        char message[1024] = {};
        if (oneSample && (palette || grey)) {
            ok = !palette || TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b);
            bitsPerPixel = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
        } else {
            ok = TIFFRGBAImageOK(tif, message) != 0;
            bitsPerPixel = 24;
        }
    }
    TIFFClose(tif);
    if (!ok) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

PackedDib ReadTiff(const std::string& path, int& status) {
    status = kTiffReadFailed;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return {};
    return ReadTiffMemory(bytes, status);
}

std::vector<std::uint8_t> EncodeTiff(const PackedDib& dib, int compression, int& status) {
    status = kTiffWriteFailed;
    const auto v = ViewPackedDib(dib);
    if (!v || v->header.biCompression != BI_RGB) return {};
    int depth = v->bitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) {
        status = kTiffBadDepth;
        return {};
    }
    static constexpr std::uint16_t kCodes[] = {COMPRESSION_NONE, COMPRESSION_LZW,
                                               COMPRESSION_PACKBITS, COMPRESSION_CCITTFAX3,
                                               COMPRESSION_CCITTFAX4, COMPRESSION_CCITTRLE};
    if (compression < 0 || compression > 5) return {};
    const bool ccitt = compression >= kTiffG3;
    if (ccitt && depth != 1) {
        status = kTiffCcittNeedsOneBit;
        return {};
    }
    const std::uint8_t* bits = dib.data() + v->bitsOffset;
    // A 32-bit DIB whose fourth bytes are all zero has no alpha: stored as RGB.
    bool alpha = depth == 32;
    if (alpha) {
        alpha = false;
        for (int y = 0; !alpha && y < v->height; ++y)
            for (int x = 0; !alpha && x < v->width; ++x) alpha = bits[y * v->stride + 4 * x + 3] != 0;
    }
    const int samples = depth <= 8 ? 1 : alpha ? 4 : 3;
    // 1-bit images are stored bilevel: white first when the table's first entry is the lighter.
    bool minIsWhite = false;
    if (depth == 1 && v->colourCount >= 2) {
        auto light = [](const RGBQUAD& q) { return q.rgbRed + q.rgbGreen + q.rgbBlue; };
        minIsWhite = light(v->table[0]) > light(v->table[1]);
    }
    Memory m;
    m.writing = true;
    TIFF* tif = Open(m, "w");
    if (!tif) return {};
    const auto width = static_cast<std::uint32_t>(v->width);
    const auto height = static_cast<std::uint32_t>(v->height);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SOFTWARE, kTiffSoftware);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, kCodes[compression]);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 depth == 1 ? (minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK)
                 : depth <= 8 ? PHOTOMETRIC_PALETTE
                              : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(v->header.biXPelsPerMeter / 39.37));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(v->header.biYPelsPerMeter / 39.37));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, depth <= 8 ? depth : 8);
    if (alpha) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                 compression == kTiffG3 || compression == kTiffG4 ? height
                                                                  : TIFFDefaultStripSize(tif, 0));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (depth == 4 || depth == 8) {
        // Entries the table lacks are black: a short table is not read past its end.
        const std::size_t n = std::size_t{1} << depth;
        std::vector<std::uint16_t> r(n), g(n), b(n);
        for (std::size_t i = 0; i < n && i < static_cast<std::size_t>(v->colourCount); ++i) {
            r[i] = static_cast<std::uint16_t>(v->table[i].rgbRed * 257);
            g[i] = static_cast<std::uint16_t>(v->table[i].rgbGreen * 257);
            b[i] = static_cast<std::uint16_t>(v->table[i].rgbBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4 + 4);
    bool ok = true;
    for (std::uint32_t y = 0; ok && y < height; ++y) {
        const std::uint8_t* in = bits + static_cast<std::size_t>(height - 1 - y) * v->stride;
        if (depth <= 8) {
            std::memcpy(row.data(), in, (static_cast<std::size_t>(width) * depth + 7) / 8);
        } else {
            for (std::uint32_t x = 0; x < width; ++x) {
                std::uint8_t* out = row.data() + static_cast<std::size_t>(x) * samples;
                if (depth == 16) {
                    const int p = in[2 * x] | in[2 * x + 1] << 8;
                    const int c[3] = {(p >> 10) & 31, (p >> 5) & 31, p & 31};
                    for (int i = 0; i < 3; ++i)
                        out[i] = static_cast<std::uint8_t>(c[i] << 3 | c[i] >> 2);
                } else {
                    const std::uint8_t* px = in + static_cast<std::size_t>(x) * (depth / 8);
                    out[0] = px[2];
                    out[1] = px[1];
                    out[2] = px[0];
                    if (alpha) out[3] = px[3];
                }
            }
        }
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tif);
    TIFFClose(tif);
    if (!ok) return {};
    status = kTiffDone;
    return std::move(m.bytes);
}

bool WriteTiff(const std::string& path, const PackedDib& dib, int compression, int& status) {
    std::vector<std::uint8_t> bytes = EncodeTiff(dib, compression, status);
    if (bytes.empty()) return false;
    if (!ReplaceFileContents(path, bytes)) {
        status = kTiffWriteFailed;
        return false;
    }
    return true;
}

} // namespace tsl
