#include "codecs/Png.h"
#include "core/Files.h"

#include "codecs/Jpeg.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <png.h>

namespace tsl {
namespace {

struct Source {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void ReadData(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (source->bytes.size() - source->at < length) png_error(png, "cut short");
    std::memcpy(out, source->bytes.data() + source->at, length);
    source->at += length;
}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    sink->insert(sink->end(), data, data + length);
}
void Flush(png_structp) {}
void Warn(png_structp, png_const_charp) {}
void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// What the read produces; filled before any row is read.
struct Plan {
    int width = 0, height = 0, depth = 0;  // the DIB's depth
    int fileDepth = 0;                     // pixel depth as libpng delivers rows
    bool interlaced = false;
    bool sixteen = false;                  // rows come at 16 bits per sample
    std::vector<RGBQUAD> table;
    std::int32_t xRes = 0, yRes = 0;       // pixels per metre
};

// Widens a row of 2-bit pixels to 4 bits.
void TwoToFour(const std::uint8_t* in, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const int v = (in[x / 4] >> (6 - 2 * (x % 4))) & 3;
        if (x % 2 == 0)
            out[x / 2] = static_cast<std::uint8_t>(v << 4);
        else
            out[x / 2] |= static_cast<std::uint8_t>(v);
    }
}

// 16-bit samples are kept by libpng and rounded here as (v + 128) / 257, the rounding of the
// reference decoder (libpng's own scaling rounds a few values the other way).
// Sets the transformations and works out the output; "" or the refusal's message.
std::string Prepare(png_structp png, png_infop info, Plan& plan) {
    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (static_cast<std::uint64_t>(w) * h > kPixelLimit || w > kSideLimit || h > kSideLimit)
        return kPngNoMemory;
    plan.interlaced = interlace != PNG_INTERLACE_NONE;
    if (plan.interlaced && h > kPngInterlacedRowLimit) return kPngTooBig;
    plan.width = static_cast<int>(w);
    plan.height = static_cast<int>(h);
    plan.sixteen = bitDepth == 16;
    if (colourType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_strip_alpha(png);
    if (plan.interlaced) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    plan.fileDepth = (plan.sixteen ? 8 : png_get_bit_depth(png, info)) * channels;
    plan.depth = plan.fileDepth == 2 ? 4 : plan.fileDepth;
    if (plan.depth != 1 && plan.depth != 4 && plan.depth != 8 && plan.depth != 24 &&
        plan.depth != 32)
        return kPngNotValid;
    if (plan.depth <= 8) {
        const int levels = 1 << plan.fileDepth;
        plan.table.assign(static_cast<std::size_t>(1) << plan.depth, RGBQUAD{});
        png_colorp palette = nullptr;
        int entries = 0;
        if (colourType == PNG_COLOR_TYPE_PALETTE &&
            png_get_PLTE(png, info, &palette, &entries) == PNG_INFO_PLTE) {
            for (int i = 0; i < std::min(entries, levels); ++i)
                plan.table[i] = {palette[i].blue, palette[i].green, palette[i].red, 0};
        } else {
            // Grey ramp reaching white at the top level.
            for (int i = 0; i < levels; ++i) {
                const auto v = static_cast<std::uint8_t>(255 * i / (levels - 1));
                plan.table[i] = {v, v, v, 0};
            }
        }
    }
    png_uint_32 xr = 0, yr = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xr, &yr, &unit) && unit == PNG_RESOLUTION_METER &&
        xr <= 0x7FFFFFFF && yr <= 0x7FFFFFFF) {
        plan.xRes = static_cast<std::int32_t>(xr);
        plan.yRes = static_cast<std::int32_t>(yr);
    }
    return {};
}

// The steps that may jump, kept free of objects with destructors.
bool Decode(png_structp png, png_infop info, Source& source, Plan& plan, PackedDib& dib,
            std::vector<std::uint8_t>& whole, std::vector<std::uint8_t>& row,
            std::vector<png_bytep>& pointers, std::string& message) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &source, ReadData);
    png_read_info(png, info);
    message = Prepare(png, info, plan);
    if (!message.empty()) return true;
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    try {
        dib = MakePackedDib(plan.width, plan.height, plan.depth, plan.table);
        if (dib.empty()) throw std::bad_alloc();
        row.resize(rowBytes);
        if (plan.interlaced) {
            whole.resize(rowBytes * plan.height);
            pointers.reserve(static_cast<std::size_t>(plan.height));
        }
    } catch (const std::bad_alloc&) {
        dib.clear();
        message = kPngNoMemory;
        return true;
    }
    const auto v = ViewPackedDib(dib);
    std::uint8_t* bits = dib.data() + v->bitsOffset;
    if (plan.interlaced) {
        for (int y = 0; y < plan.height; ++y) pointers.push_back(whole.data() + y * rowBytes);
        png_read_image(png, pointers.data());
    }
    for (int y = 0; y < plan.height; ++y) {
        std::uint8_t* in = row.data();
        if (plan.interlaced)
            in = whole.data() + y * rowBytes;
        else
            png_read_row(png, in, nullptr);
        std::uint8_t* out = bits + static_cast<std::size_t>(plan.height - 1 - y) * v->stride;
        if (plan.fileDepth == 2)
            TwoToFour(in, out, plan.width);
        else if (plan.sixteen)
            for (std::size_t i = 0; i < rowBytes / 2 && i < v->stride; ++i)
                out[i] = static_cast<std::uint8_t>(((in[2 * i] << 8 | in[2 * i + 1]) + 128) / 257);
        else
            std::memcpy(out, in, std::min(rowBytes, v->stride));
    }
    return true;
}

} // namespace

PackedDib ReadPngMemory(std::span<const std::uint8_t> bytes, std::string& message) {
    message = kPngNotValid;
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    png_set_user_limits(png, kSideLimit, kSideLimit);
    Source source{bytes, 0};
    Plan plan;
    PackedDib dib;
    std::vector<std::uint8_t> whole, row;
    std::vector<png_bytep> pointers;
    std::string reason;
    const bool ok = Decode(png, info, source, plan, dib, whole, row, pointers, reason);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) return {};
    if (!reason.empty()) {
        message = reason;
        return {};
    }
    BITMAPINFOHEADER header = BITMAPINFOHEADER::Read(dib.data());
    header.biXPelsPerMeter = plan.xRes;
    header.biYPelsPerMeter = plan.yRes;
    header.Write(dib.data());
    message.clear();
    return dib;
}

PackedDib ReadPng(const std::string& path, std::string& message) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        message = "Can't open file: " + path;
        return {};
    }
    return ReadPngMemory(bytes, message);
}

namespace {

void ReadStream(png_structp png, png_bytep out, png_size_t length) {
    if (std::fread(out, 1, length, static_cast<std::FILE*>(png_get_io_ptr(png))) != length)
        png_error(png, "cut short");
}

// The steps that may jump, kept free of objects with destructors (the bitmap is made in a
// helper that returns before any row is read).
bool CreateDevice(CDdb& out, int width, int height, int bitsPerPixel) {
    try {
        out = CDdb::Create(width, height, bitsPerPixel);
    } catch (const std::bad_alloc&) {
        out = CDdb();
    }
    return !out.IsNull();
}

// Screen: 32-bit rows with the fourth byte zero. Else the depth ReadPng gives: 24-bit rows, or
// 32-bit ones keeping alpha.
bool DecodeDevice(png_structp png, png_infop info, std::FILE* file, CDdb& out, int& bitsPerPixel,
                  bool screen) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, file, ReadStream);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (bitDepth != 8 || interlace != PNG_INTERLACE_NONE ||
        (colourType != PNG_COLOR_TYPE_RGB && colourType != PNG_COLOR_TYPE_RGB_ALPHA))
        return false;
    if (static_cast<std::uint64_t>(w) * h > kPixelLimit || w > kSideLimit || h > kSideLimit)
        return false;
    png_set_bgr(png);
    const int own = colourType == PNG_COLOR_TYPE_RGB ? 24 : 32;
    const int depth = screen ? 32 : own;
    if (colourType == PNG_COLOR_TYPE_RGB && depth == 32) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<std::size_t>(w) * (depth / 8)) return false;
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    if (!CreateDevice(out, width, height, depth)) return false;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = out.Row(height - 1 - y);
        png_read_row(png, row, nullptr);
        if (screen && colourType == PNG_COLOR_TYPE_RGB_ALPHA) // not part of the device's picture
            ClearFourthBytes(row, static_cast<std::size_t>(width));
    }
    bitsPerPixel = own;
    return true;
}

} // namespace

namespace {

CDdb ReadStraight(std::FILE* file, int& bitsPerPixel, bool screen) {
    bitsPerPixel = 0;
    std::uint8_t signature[8] = {};
    CDdb out;
    if (std::fread(signature, 1, 8, file) == 8 && png_sig_cmp(signature, 0, 8) == 0) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        if (info) {
            png_set_user_limits(png, kSideLimit, kSideLimit);
            if (!DecodeDevice(png, info, file, out, bitsPerPixel, screen)) out = CDdb();
        }
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    if (out.IsNull()) bitsPerPixel = 0;
    return out;
}

CDdb ReadStraight(const std::string& path, int& bitsPerPixel, bool screen) {
    bitsPerPixel = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    CDdb out = ReadStraight(file, bitsPerPixel, screen);
    std::fclose(file);
    return out;
}

// The header steps that may jump.
bool ReadInfo(png_structp png, png_infop info, std::FILE* file, png_uint_32& w, png_uint_32& h,
              int& bitDepth, int& colourType, int& interlace) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, file, ReadStream);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    return true;
}

} // namespace

CDdb ReadPngDevice(std::FILE* file, int& bitsPerPixel) { return ReadStraight(file, bitsPerPixel, true); }

CDdb ReadPngDevice(const std::string& path, int& bitsPerPixel) {
    return ReadStraight(path, bitsPerPixel, true);
}

CDdb ReadPngBitmap(const std::string& path) {
    int bitsPerPixel = 0;
    return ReadStraight(path, bitsPerPixel, false);
}

bool ReadPngHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    width = height = bitsPerPixel = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::uint8_t signature[8] = {};
    if (!file || std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    bool ok = false;
    if (info) {
        png_set_user_limits(png, kSideLimit, kSideLimit);
        ok = ReadInfo(png, info, file.get(), w, h, bitDepth, colourType, interlace);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    // The refusals and the depth of Prepare: grey with alpha loses its alpha, 16-bit samples
    // become 8 bits, 2-bit pixels 4 bits.
    if (!ok || static_cast<std::uint64_t>(w) * h > kPixelLimit || w > kSideLimit || h > kSideLimit ||
        w == 0 || h == 0 || (interlace != PNG_INTERLACE_NONE && h > kPngInterlacedRowLimit))
        return false;
    int channels = 0;
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_PALETTE: channels = 1; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: return false;
    }
    const int fileDepth = (bitDepth == 16 ? 8 : bitDepth) * channels;
    const int depth = fileDepth == 2 ? 4 : fileDepth;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    bitsPerPixel = depth;
    return true;
}

namespace {

// 16-bit (5-5-5) pixels as 24-bit blue, green, red.
void Expand555(const std::uint8_t* in, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const int p = in[2 * x] | in[2 * x + 1] << 8;
        const int c[3] = {p & 31, (p >> 5) & 31, (p >> 10) & 31};
        for (int i = 0; i < 3; ++i) out[3 * x + i] = static_cast<std::uint8_t>(c[i] << 3 | c[i] >> 2);
    }
}

bool Encode(png_structp png, png_infop info, const PackedDib& dib, const PackedDibView& v,
            std::vector<std::uint8_t>& out, std::vector<png_color>& palette,
            std::vector<std::uint8_t>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, WriteData, Flush);
    const int depth = v.bitsPerPixel;
    const std::uint8_t* bits = dib.data() + v.bitsOffset;
    bool opaque32 = depth == 32;
    for (int y = 0; opaque32 && y < v.height; ++y)
        for (int x = 0; x < v.width; ++x)
            if (bits[y * v.stride + 4 * x + 3] != 0) {
                opaque32 = false;
                break;
            }
    int colourType = PNG_COLOR_TYPE_PALETTE;
    if (depth == 16 || depth == 24 || opaque32)
        colourType = PNG_COLOR_TYPE_RGB;
    else if (depth == 32)
        colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, static_cast<png_uint_32>(v.width), static_cast<png_uint_32>(v.height),
                 depth <= 8 ? depth : 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (depth <= 8) {
        // The table's entries, and black ones up to the highest index the pixels use (a PNG
        // palette must cover every index).
        int entries = std::min(v.colourCount, 1 << depth);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) {
                const int bit = x * depth;
                const int index = (bits[y * v.stride + bit / 8] >> (8 - depth - bit % 8)) &
                                  ((1 << depth) - 1);
                entries = std::max(entries, index + 1);
            }
        for (int i = 0; i < entries; ++i)
            palette[i] = i < v.colourCount
                             ? png_color{v.table[i].rgbRed, v.table[i].rgbGreen, v.table[i].rgbBlue}
                             : png_color{0, 0, 0};
        png_set_PLTE(png, info, palette.data(), std::max(entries, 1));
    }
    if (v.header.biXPelsPerMeter > 0 && v.header.biYPelsPerMeter > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(v.header.biXPelsPerMeter),
                     static_cast<png_uint_32>(v.header.biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (depth > 8) png_set_bgr(png);
    if (opaque32) png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = v.height - 1; y >= 0; --y) {
        const std::uint8_t* in = bits + static_cast<std::size_t>(y) * v.stride;
        if (depth == 16) {
            Expand555(in, row.data(), v.width);
            in = row.data();
        }
        png_write_row(png, in);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const PackedDib& dib) {
    const auto v = ViewPackedDib(dib);
    if (!v || v->header.biCompression != BI_RGB) return {};
    const int depth = v->bitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return {};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> out;
    std::vector<png_color> palette(256, png_color{0, 0, 0});
    std::vector<std::uint8_t> row(static_cast<std::size_t>(v->width) * 3 + 4);
    const bool ok = info && Encode(png, info, dib, *v, out, palette, row);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return out;
}

bool WritePng(const std::string& path, const PackedDib& dib) {
    const std::vector<std::uint8_t> bytes = EncodePng(dib);
    return !bytes.empty() && ReplaceFileContents(path, bytes);
}

} // namespace tsl
