#include "codecs/Jpeg.h"

#include "codecs/JpegExif.h"

#include "core/Files.h"

#include "core/Services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

namespace tsl {
namespace {

// A file cut short decodes to grey past its end. Up to 16 megapixels any remainder opens; a
// larger picture needs at least one byte of its file for every 8 x 64 of its 8 x 8 blocks, so
// that a few forged bytes cannot ask for gigabytes of grey.
constexpr std::uint64_t kTruncatedPixelLimit = std::uint64_t{1} << 24;
constexpr std::uint64_t kBlocksPerByte = 8 * 64;

bool WorthDecoding(std::uint64_t fileBytes, std::uint64_t pixels, std::uint64_t blocks) {
    return pixels <= kTruncatedPixelLimit || fileBytes * kBlocksPerByte >= blocks;
}

// libjpeg's fatal errors jump back to the caller; warnings (a premature end of the file among
// them) are ignored and the decoder goes on with what it has.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}
void Silent(j_common_ptr, int) {}
void SilentOutput(j_common_ptr) {}

void Fatal() { Report().Report(kJpegFatal, "JPEG"); }

// Fatal errors jump back through err; messages are silent.
template <class Info> void UseErrorManager(Info& info, ErrorManager& err) {
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = Silent;
    err.pub.output_message = SilentOutput;
}

// RGB from inverted (Adobe) or plain CMYK.
void CmykToRgb(const std::uint8_t* in, std::uint8_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        const int k = inverted ? in[3] : 255 - in[3];
        for (int c = 0; c < 3; ++c) {
            const int v = inverted ? in[c] : 255 - in[c];
            out[c] = static_cast<std::uint8_t>((v * k + 127) / 255);
        }
    }
}

// Where decoded rows go: the size first (false when it cannot be held), then each row from the
// top as red, green, blue.
class RowTarget {
public:
    virtual bool Start(int width, int height) = 0;
    virtual void Row(int y, const std::uint8_t* rgb) = 0;
    // A target may take colour rows as blue, green, red, X straight from the decoder into its
    // own row y (from the top); null when it takes red-green-blue rows only.
    virtual std::uint8_t* DeviceRow(int) { return nullptr; }
    virtual bool TakesDeviceRows() const { return false; }
    // 32: device rows are blue, green, red, X; 24: blue, green, red.
    virtual int DeviceBitsPerPixel() const { return 32; }
    // The DCT scaling denominator (1, 2, 4 or 8) for a picture of this size.
    virtual unsigned ScaleDenominator(int, int) { return 1; }

protected:
    ~RowTarget() = default;
};

// Rows from the top, red-green-blue.
class RgbTarget final : public RowTarget {
public:
    bool Start(int w, int h) override {
        try {
            pixels.resize(static_cast<std::size_t>(w) * h * 3);
        } catch (const std::bad_alloc&) {
            return false;
        }
        width = w;
        height = h;
        return true;
    }
    void Row(int y, const std::uint8_t* rgb) override {
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width * 3, rgb,
                    static_cast<std::size_t>(width) * 3);
    }
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
};

// The decoding steps that may jump: kept free of objects with destructors. Returns false after
// a fatal library error; `noMemory` is set when the picture is too large to hold.
bool Decode(jpeg_decompress_struct& info, ErrorManager& err, std::span<const std::uint8_t> bytes,
            RowTarget& target, std::vector<std::uint8_t>& row, std::vector<std::uint8_t>& rgb,
            bool& noMemory) {
    if (setjmp(err.jump)) return false;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.data_precision != 8) return false;
    const std::uint64_t pixelsWanted =
        static_cast<std::uint64_t>(info.image_width) * info.image_height;
    if (pixelsWanted == 0 || pixelsWanted > kPixelLimit || info.image_width > kSideLimit) {
        noMemory = true;
        return true;
    }
    // The library decodes what a file cut short holds and fills the rest with grey, which is
    // opened as other viewers open it (see WorthDecoding for what is refused).
    const std::uint64_t blocks = (static_cast<std::uint64_t>(info.image_width) + 7) / 8 *
                                 ((static_cast<std::uint64_t>(info.image_height) + 7) / 8);
    if (!WorthDecoding(bytes.size(), pixelsWanted, blocks)) return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const bool device = !cmyk && info.num_components == 3 && target.TakesDeviceRows();
    const bool fourBytes = target.DeviceBitsPerPixel() == 32;
    info.scale_num = 1;
    info.scale_denom = target.ScaleDenominator(static_cast<int>(info.image_width),
                                               static_cast<int>(info.image_height));
    if (cmyk)
        info.out_color_space = JCS_CMYK;
    else if (device)
        info.out_color_space = fourBytes ? JCS_EXT_BGRX : JCS_EXT_BGR;
    else if (info.num_components != 1)
        info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const int components = info.output_components;
    if (components != 1 && components != 3 && components != 4) return false;
    if (device) {
        if (!target.Start(width, height)) {
            noMemory = true;
            return true;
        }
        // Several rows a call: the upsampler then writes row pairs straight to their places
        // instead of keeping a spare row. The decoder writes 0xFF as the fourth byte; device
        // rows carry zero there.
        constexpr int kBatch = 16;
        JSAMPROW rows[kBatch];
        while (info.output_scanline < info.output_height) {
            const int first = static_cast<int>(info.output_scanline);
            const int n = std::min(kBatch, height - first);
            for (int i = 0; i < n; ++i) rows[i] = target.DeviceRow(first + i);
            const int got = static_cast<int>(jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(n)));
            if (got <= 0) return false;
            if (fourBytes)
                for (int i = 0; i < got; ++i) ClearFourthBytes(rows[i], static_cast<std::size_t>(width));
        }
        jpeg_finish_decompress(&info);
        return true;
    }
    try {
        row.resize(static_cast<std::size_t>(width) * components);
        rgb.resize(static_cast<std::size_t>(width) * 3);
    } catch (const std::bad_alloc&) {
        noMemory = true;
        return true;
    }
    if (!target.Start(width, height)) {
        noMemory = true;
        return true;
    }
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {components == 3 ? rgb.data() : row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) != 1) return false;
        if (components == 1)
            for (int x = 0; x < width; ++x) rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = row[x];
        else if (components == 4)
            CmykToRgb(row.data(), rgb.data(), width, inverted);
        target.Row(y, rgb.data());
    }
    jpeg_finish_decompress(&info);
    return true;
}

// Bottom-up device bitmap rows: 32 bits (blue, green, red, zero) or 24 (blue, green, red).
class DdbTarget final : public RowTarget {
public:
    explicit DdbTarget(int bitsPerPixel) : m_bitsPerPixel(bitsPerPixel == 24 ? 24 : 32) {}
    bool Start(int width, int height) override {
        try {
            bitmap = CDdb::Create(width, height, m_bitsPerPixel);
        } catch (const std::bad_alloc&) {
            bitmap = CDdb();
        }
        return !bitmap.IsNull();
    }
    void Row(int y, const std::uint8_t* rgb) override {
        std::uint8_t* out = DeviceRow(y);
        const int step = m_bitsPerPixel / 8;
        for (int x = 0; x < bitmap.Width(); ++x, out += step, rgb += 3) {
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
            if (step == 4) out[3] = 0;
        }
    }
    std::uint8_t* DeviceRow(int y) override { return bitmap.Row(bitmap.Height() - 1 - y); }
    bool TakesDeviceRows() const override { return true; }
    int DeviceBitsPerPixel() const override { return m_bitsPerPixel; }

    CDdb bitmap;

private:
    int m_bitsPerPixel;
};

// A device bitmap decoded at the smallest DCT scale that still covers a box when scaled to
// fit it: previews of large photos decode a fraction of the pixels.
class FitTarget final : public RowTarget {
public:
    FitTarget(int fitWidth, int fitHeight) : m_fitWidth(fitWidth), m_fitHeight(fitHeight) {}
    unsigned ScaleDenominator(int width, int height) override {
        fullWidth = width;
        fullHeight = height;
        unsigned denom = 1;
        // The picture fits the box at a scale of min(box / size) per side; a denominator d
        // still covers the box when each side divided by d is no smaller than that.
        const double fit = std::min(static_cast<double>(m_fitWidth) / width,
                                    static_cast<double>(m_fitHeight) / height);
        while (denom < 8 && fit * 2 * denom <= 1.0) denom *= 2;
        return denom;
    }
    bool Start(int width, int height) override { return m_bitmap.Start(width, height); }
    void Row(int y, const std::uint8_t* rgb) override { m_bitmap.Row(y, rgb); }
    std::uint8_t* DeviceRow(int y) override { return m_bitmap.DeviceRow(y); }
    bool TakesDeviceRows() const override { return true; }
    CDdb& Bitmap() { return m_bitmap.bitmap; }

    int fullWidth = 0;
    int fullHeight = 0;

private:
    DdbTarget m_bitmap{32};
    int m_fitWidth;
    int m_fitHeight;
};

// A device bitmap decoded at the smallest DCT scale whose sides both stay at least those of a
// resize target: a photo shrunk to half its size or less decodes a fraction of its pixels.
class CoverTarget final : public RowTarget {
public:
    CoverTarget(int coverWidth, int coverHeight, int bitsPerPixel)
        : m_bitmap(bitsPerPixel), m_coverWidth(coverWidth), m_coverHeight(coverHeight) {}
    unsigned ScaleDenominator(int width, int height) override {
        unsigned denom = 1;
        // libjpeg rounds scaled sides up, so a side divided by 2d rounded down is a safe bound.
        while (denom < 8 && width / static_cast<int>(denom * 2) >= m_coverWidth &&
               height / static_cast<int>(denom * 2) >= m_coverHeight)
            denom *= 2;
        return denom;
    }
    bool Start(int width, int height) override { return m_bitmap.Start(width, height); }
    void Row(int y, const std::uint8_t* rgb) override { m_bitmap.Row(y, rgb); }
    std::uint8_t* DeviceRow(int y) override { return m_bitmap.DeviceRow(y); }
    bool TakesDeviceRows() const override { return true; }
    int DeviceBitsPerPixel() const override { return m_bitmap.DeviceBitsPerPixel(); }
    CDdb& Bitmap() { return m_bitmap.bitmap; }

private:
    DdbTarget m_bitmap;
    int m_coverWidth;
    int m_coverHeight;
};

// Decodes into the target, reporting failures as the codec reports them (when report is set);
// false on failure.
bool DecodeInto(std::span<const std::uint8_t> bytes, RowTarget& target, bool report = true) {
    jpeg_decompress_struct info{};
    ErrorManager err{};
    UseErrorManager(info, err);
    jpeg_create_decompress(&info);
    std::vector<std::uint8_t> row, rgb;
    bool noMemory = false;
    const bool ok = Decode(info, err, bytes, target, row, rgb, noMemory);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        if (report) Fatal();
        return false;
    }
    if (noMemory) {
        if (report) Report().Report(kJpegNoMemory, "JPEG");
        return false;
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    if (ReadWholeFile(path, bytes)) return true;
    Report().Report("JPEG :\nCan't open " + path + "\n", "JPEG");
    return false;
}

// Rows of `components` bytes a pixel (3: red, green, blue; 1: grey), from the top.
using RowSource = std::function<const std::uint8_t*(int y)>;
// Where compressed bytes go, a block at a time; false when they could not be stored.
using ByteSink = std::function<bool(const std::uint8_t*, std::size_t)>;

// A destination handing the compressed bytes to a sink in blocks of 64 KiB, so that a large
// picture's file is never held whole. Trivially destructible: it lives beside the jumps.
struct SinkDestination {
    jpeg_destination_mgr pub;
    const ByteSink* sink;
    bool sinkFailed;
    std::uint8_t buffer[1 << 16];
};

void StartSink(j_compress_ptr info) {
    auto* d = reinterpret_cast<SinkDestination*>(info->dest);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = sizeof d->buffer;
}

void Drain(j_compress_ptr info, std::size_t size) {
    auto* d = reinterpret_cast<SinkDestination*>(info->dest);
    if (size > 0 && !(*d->sink)(d->buffer, size)) {
        d->sinkFailed = true;
        info->err->msg_code = JERR_FILE_WRITE;
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    }
}

boolean FullSink(j_compress_ptr info) {
    Drain(info, sizeof reinterpret_cast<SinkDestination*>(info->dest)->buffer);
    StartSink(info);
    return TRUE;
}

void EndSink(j_compress_ptr info) {
    auto* d = reinterpret_cast<SinkDestination*>(info->dest);
    Drain(info, sizeof d->buffer - d->pub.free_in_buffer);
}

bool Encode(jpeg_compress_struct& info, ErrorManager& err, const RowSource& rows, int width,
            int height, int components, J_COLOR_SPACE space, int quality, SinkDestination& dest) {
    if (setjmp(err.jump)) return false;
    dest.pub.init_destination = StartSink;
    dest.pub.empty_output_buffer = FullSink;
    dest.pub.term_destination = EndSink;
    info.dest = &dest.pub;
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info); // the defaults follow the input space: YCbCr for every colour one
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row[1] = {const_cast<JSAMPLE*>(rows(static_cast<int>(info.next_scanline)))};
        jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

enum class EncodeResult { kDone, kFailed, kNotStored };

// The input colour space of rows of `components` bytes a pixel: 4 and 3 as the device's blue,
// green, red (and X) when `device`, else 3 as red, green, blue and 1 as grey.
J_COLOR_SPACE SpaceOf(int components, bool device) {
    if (components == 4) return JCS_EXT_BGRX;
    if (components == 3) return device ? JCS_EXT_BGR : JCS_RGB;
    return JCS_GRAYSCALE;
}

// Encodes rows as a JPEG file's bytes into the sink.
EncodeResult EncodeRows(const RowSource& rows, int width, int height, int components,
                        int quality, const ByteSink& sink, bool device = false) {
    if (width <= 0 || height <= 0 || width > 65500 || height > 65500) return EncodeResult::kFailed;
    jpeg_compress_struct info{};
    ErrorManager err{};
    UseErrorManager(info, err);
    jpeg_create_compress(&info);
    auto dest = std::make_unique<SinkDestination>();
    dest->sink = &sink;
    dest->sinkFailed = false;
    const bool ok = Encode(info, err, rows, width, height, components, SpaceOf(components, device),
                           std::clamp(quality, 1, 100), *dest);
    jpeg_destroy_compress(&info);
    if (ok) return EncodeResult::kDone;
    return dest->sinkFailed ? EncodeResult::kNotStored : EncodeResult::kFailed;
}

// Encodes rows into the bytes of a JPEG file; empty on failure.
std::vector<std::uint8_t> EncodeRows(const RowSource& rows, int width, int height, int components,
                                     int quality) {
    std::vector<std::uint8_t> bytes;
    const ByteSink append = [&bytes](const std::uint8_t* data, std::size_t size) {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    };
    if (EncodeRows(rows, width, height, components, quality, append) != EncodeResult::kDone)
        bytes.clear();
    return bytes;
}

// Encodes rows straight into the file at path, replacing it only when all went well.
EncodeResult StoreRows(const std::string& path, const RowSource& rows, int width, int height,
                       int components, int quality, bool device) {
    CReplacingFile file(path);
    EncodeResult result = EncodeResult::kNotStored;
    if (file.Open()) {
        const ByteSink write = [&file](const std::uint8_t* data, std::size_t size) {
            return file.Write(data, size);
        };
        result = EncodeRows(rows, width, height, components, quality, write, device);
        if (result == EncodeResult::kDone && !file.Commit()) result = EncodeResult::kNotStored;
    }
    return result;
}

// The same, reporting failures in the adapter's words.
bool WriteRows(const std::string& path, const RowSource& rows, int width, int height,
               int components, int quality, bool device = false) {
    const EncodeResult result = StoreRows(path, rows, width, height, components, quality, device);
    if (result == EncodeResult::kFailed) Fatal();
    if (result == EncodeResult::kNotStored) Report().Report("Can't open " + path + "\n", "JPEG");
    return result == EncodeResult::kDone;
}

// Rows of an RGB picture, from the top: as they are in colour, averaged to grey otherwise
// (into `grey`, one row long).
RowSource RgbRows(std::span<const std::uint8_t> rgb, int width, bool colour,
                  std::vector<std::uint8_t>& grey) {
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    if (colour) return [rgb, stride](int y) { return rgb.data() + static_cast<std::size_t>(y) * stride; };
    grey.resize(static_cast<std::size_t>(width));
    return [rgb, stride, width, &grey](int y) {
        const std::uint8_t* in = rgb.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x, in += 3)
            grey[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((in[0] + in[1] + in[2]) / 3);
        return static_cast<const std::uint8_t*>(grey.data());
    };
}

} // namespace

std::vector<std::uint8_t> ReadJpegMemory(std::span<const std::uint8_t> bytes, int& width,
                                         int& height) {
    width = height = 0;
    RgbTarget target;
    if (!DecodeInto(bytes, target)) return {};
    width = target.width;
    height = target.height;
    return std::move(target.pixels);
}

std::vector<std::uint8_t> ReadJpeg(const std::string& path, int& width, int& height) {
    width = height = 0;
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, bytes)) return {};
    return ReadJpegMemory(bytes, width, height);
}


CDdb ReadJpegDdbMemory(std::span<const std::uint8_t> bytes, int bitsPerPixel) {
    DdbTarget target(bitsPerPixel);
    if (!DecodeInto(bytes, target)) return {};
    return std::move(target.bitmap);
}

CDdb ReadJpegDdb(const std::string& path, int bitsPerPixel) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, bytes)) return {};
    return ReadJpegDdbMemory(bytes, bitsPerPixel);
}

CDdb ReadJpegDdbToFit(const std::string& path, int fitWidth, int fitHeight, int& width,
                      int& height) {
    width = height = 0;
    std::vector<std::uint8_t> bytes;
    if (fitWidth < 1 || fitHeight < 1 || !ReadFileBytes(path, bytes)) return {};
    // A camera's Exif thumbnail serves when it covers the box and shows the whole picture (no
    // bars: the same aspect ratio within 2 %); it takes a millisecond instead of a full scan.
    const JpegMarkers markers = ScanJpegMarkers(bytes);
    if (!markers.exifThumbnail.empty() && markers.width > 0 && markers.height > 0) {
        const double aspect = static_cast<double>(markers.width) / markers.height;
        int fitW = fitWidth, fitH = static_cast<int>(std::int64_t{fitWidth} * markers.height / markers.width);
        if (fitH > fitHeight) {
            fitH = fitHeight;
            fitW = static_cast<int>(std::int64_t{fitHeight} * markers.width / markers.height);
        }
        DdbTarget thumb(32);
        if (DecodeInto(markers.exifThumbnail, thumb, false)) {
            const int tw = thumb.bitmap.Width(), th = thumb.bitmap.Height();
            const double thumbAspect = th > 0 ? static_cast<double>(tw) / th : 0;
            // Only a real reduction: for a small picture the scaled decode is as cheap.
            if (tw >= fitW && th >= fitH && tw * 2 <= markers.width &&
                std::abs(thumbAspect - aspect) <= 0.02 * aspect) {
                width = markers.width;
                height = markers.height;
                return std::move(thumb.bitmap);
            }
        }
    }
    FitTarget target(fitWidth, fitHeight);
    if (!DecodeInto(bytes, target)) return {};
    width = target.fullWidth;
    height = target.fullHeight;
    return std::move(target.Bitmap());
}

CDdb ReadJpegDdbToCover(const std::string& path, int coverWidth, int coverHeight,
                        int bitsPerPixel) {
    std::vector<std::uint8_t> bytes;
    if (coverWidth < 1 || coverHeight < 1 || !ReadFileBytes(path, bytes)) return {};
    CoverTarget target(coverWidth, coverHeight, bitsPerPixel);
    if (!DecodeInto(bytes, target)) return {};
    return std::move(target.Bitmap());
}

namespace {

// The header steps that may jump.
bool ReadHeader(jpeg_decompress_struct& info, ErrorManager& err, std::FILE* file) {
    if (setjmp(err.jump)) return false;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    return true;
}

} // namespace

bool ReadJpegHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    width = height = bitsPerPixel = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    struct stat st {};
    if (!file || ::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    jpeg_decompress_struct info{};
    ErrorManager err{};
    UseErrorManager(info, err);
    jpeg_create_decompress(&info);
    bool ok = ReadHeader(info, err, file.get());
    if (ok) {
        // What the decoder refuses before it starts (see Decode): another precision, sizes
        // beyond the limits, fewer bytes than blocks, component counts it cannot give as RGB.
        const std::uint64_t pixels = static_cast<std::uint64_t>(info.image_width) * info.image_height;
        const std::uint64_t blocks = (static_cast<std::uint64_t>(info.image_width) + 7) / 8 *
                                     ((static_cast<std::uint64_t>(info.image_height) + 7) / 8);
        const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
        ok = info.data_precision == 8 && pixels > 0 && pixels <= kPixelLimit &&
             info.image_width <= kSideLimit && WorthDecoding(static_cast<std::uint64_t>(st.st_size), pixels, blocks) &&
             (cmyk ? info.num_components == 4 : info.num_components == 1 || info.num_components == 3);
        width = static_cast<int>(info.image_width);
        height = static_cast<int>(info.image_height);
        bitsPerPixel = 24;
    }
    jpeg_destroy_decompress(&info);
    if (!ok) width = height = bitsPerPixel = 0;
    return ok;
}

namespace {

// Rows from the top, red-green-blue, as a 24-bit bottom-up packed DIB.
PackedDib DibFromRgb(const std::vector<std::uint8_t>& rgb, int width, int height) {
    if (rgb.empty()) return {};
    PackedDib dib = MakePackedDib(width, height, 24);
    const auto v = ViewPackedDib(dib);
    if (!v) return {};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        std::uint8_t* out = dib.data() + v->bitsOffset + (height - 1 - y) * v->stride;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    return dib;
}

} // namespace

PackedDib ReadJpegDib(const std::string& path) {
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = ReadJpeg(path, width, height);
    return DibFromRgb(rgb, width, height);
}

PackedDib ReadJpegDibMemory(std::span<const std::uint8_t> bytes) {
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = ReadJpegMemory(bytes, width, height);
    return DibFromRgb(rgb, width, height);
}

std::vector<std::uint8_t> EncodeJpeg(std::span<const std::uint8_t> rgb, int width, int height,
                                     bool colour, int quality) {
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3)
        return {};
    std::vector<std::uint8_t> grey;
    return EncodeRows(RgbRows(rgb, width, colour, grey), width, height, colour ? 3 : 1, quality);
}

bool WriteJpeg(const std::string& path, std::span<const std::uint8_t> rgb, int width, int height,
               bool colour, int quality) {
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3) {
        Fatal();
        return false;
    }
    std::vector<std::uint8_t> grey;
    return WriteRows(path, RgbRows(rgb, width, colour, grey), width, height, colour ? 3 : 1, quality);
}

namespace {

// A device bitmap's rows from the top, as the compressor takes them without conversion.
RowSource DeviceRows(const CDdb& bitmap) {
    return [&bitmap](int y) { return bitmap.Row(bitmap.Height() - 1 - y); };
}

} // namespace

bool WriteJpegDdb(const std::string& path, const CDdb& bitmap, int quality) {
    if (bitmap.IsNull() || bitmap.BitsPerPixel() != 32) return false;
    return WriteRows(path, DeviceRows(bitmap), bitmap.Width(), bitmap.Height(), 4, quality, true);
}

JpegStoreResult StoreJpegBitmap(const std::string& path, const CDdb& bitmap, int quality) {
    if (bitmap.IsNull() || (bitmap.BitsPerPixel() != 24 && bitmap.BitsPerPixel() != 32))
        return JpegStoreResult::kNotEncodable;
    const EncodeResult result = StoreRows(path, DeviceRows(bitmap), bitmap.Width(), bitmap.Height(),
                                          bitmap.BitsPerPixel() / 8, quality, true);
    return result == EncodeResult::kDone     ? JpegStoreResult::kStored
           : result == EncodeResult::kFailed ? JpegStoreResult::kNotEncodable
                                             : JpegStoreResult::kNotWritten;
}

} // namespace tsl
