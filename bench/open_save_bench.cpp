// Opening and saving documents against the bare libraries, side by side in one run.
//
// Open: a 6000x4000 (24 MP) JPEG and a 4000x3000 PNG taken "to the first painted frame": the
// document opens the file, the paint control (1200x800, offscreen platform) takes the
// document's bitmap and its viewport is repainted once. The peer decodes the same file with
// libjpeg-turbo or libpng into RGB rows. Save: the document writer on the view's 32-bit image
// against the bare library encoding the same pixels as RGB rows (JPEG quality 100, libpng's
// defaults, as the writers use) into a file. Times are wall-clock (the first frame is a
// latency), fastest of the repetitions; the ratios ours / peer are printed at the end with the
// goal <= 1.2 for opening, followed by the open path's stages timed one by one.

#include "codecs/CBmp.h"
#include "codecs/Jpeg.h"
#include "document/ImageFiles.h"
#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "imaging/LBase.h"
#include "paint/PntCtrl.h"

#include "BareJpeg.h"
#include "RatioReporter.h"
#include "ViewportBench.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using tsl::CBmp;
using tsl::CDdb;
using tsl::CPntCtrl;

constexpr int kJpegWidth = 6000, kJpegHeight = 4000;
constexpr int kPngWidth = 4000, kPngHeight = 3000;
constexpr int kViewWidth = 1200, kViewHeight = 800;
constexpr int kRepetitions = 5;

// Smooth colour fields with fine texture: about what a camera gives.
Bytes PhotoRgb(int width, int height) {
    Bytes rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::uint32_t seed = 1;
    std::uint8_t* p = rgb.data();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 28) - 8;
            p[0] = static_cast<std::uint8_t>(std::clamp(128 + 100 * std::sin(x / 300.0) + noise, 0.0, 255.0));
            p[1] = static_cast<std::uint8_t>(std::clamp(128 + 100 * std::cos(y / 200.0) + noise, 0.0, 255.0));
            p[2] = static_cast<std::uint8_t>(std::clamp(128 + 90 * std::sin((x + y) / 500.0) + noise, 0.0, 255.0));
        }
    return rgb;
}

// RGB rows as the screen's 32-bit device bitmap, the form a view's image has.
CDdb ScreenImage(const Bytes& rgb, int width, int height) {
    CDdb d = CDdb::Create(width, height, 32);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        std::uint8_t* t = d.Row(height - 1 - y);
        for (int x = 0; x < width; ++x, s += 3, t += 4) t[0] = s[2], t[1] = s[1], t[2] = s[0];
    }
    return d;
}

struct Picture {
    Bytes rgb;
    CDdb screen;
    std::string file; // the file the open benchmarks read
};

// The temporary folder and both pictures, made once: the JPEG by the program's encoder at
// quality 90, the PNG by the document writer.
struct Fixture {
    QTemporaryDir dir;
    Picture jpeg, png;
    bool ok = false;

    Fixture() {
        tsl::LBase::LoadLibraries(tsl::kAllLibraries);
        jpeg.rgb = PhotoRgb(kJpegWidth, kJpegHeight);
        jpeg.screen = ScreenImage(jpeg.rgb, kJpegWidth, kJpegHeight);
        jpeg.file = Path("photo.jpg");
        const Bytes encoded = tsl::EncodeJpeg(jpeg.rgb, kJpegWidth, kJpegHeight, true, 90);
        std::FILE* f = std::fopen(jpeg.file.c_str(), "wb");
        const bool jpegOk = f && std::fwrite(encoded.data(), 1, encoded.size(), f) == encoded.size();
        if (f) std::fclose(f);

        png.rgb = PhotoRgb(kPngWidth, kPngHeight);
        png.screen = ScreenImage(png.rgb, kPngWidth, kPngHeight);
        png.file = Path("picture.png");
        const bool pngOk = tsl::SaveImageFile(QString::fromStdString(png.file),
                                              tsl::SaveRequest{png.screen, 24}) == 1;
        ok = dir.isValid() && jpegOk && pngOk;
    }
    std::string Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

// One shown paint control whose viewport is 1200x800 once it holds a large image (both
// scroll bars showing).
CPntCtrl& Control() {
    static CPntCtrl* ctrl = [] {
        auto* c = new CPntCtrl;
        c->CreateBlank(kPngWidth, kPngHeight, 1, 24);
        c->resize(kViewWidth, kViewHeight);
        c->show();
        QApplication::processEvents();
        ::bench::FitViewport(*c, QSize(kViewWidth, kViewHeight));
        return c;
    }();
    return *ctrl;
}

// The document's open path up to the first frame: the document loads the file, the view's
// control takes the document's image and paints.
bool OpenToFirstFrame(CPntCtrl& ctrl, const std::string& path) {
    tsl::CPntUtilDoc doc;
    if (!doc.OnOpenDocument(QString::fromStdString(path))) return false;
    const bool taken = ctrl.SetImage(tsl::CPntUtilView::SectionFromBitmap(doc.TakeBitmap()));
    ctrl.viewport()->repaint();
    return taken;
}

void Open(benchmark::State& state, const Picture& picture) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    CPntCtrl& ctrl = Control();
    ::bench::CPaintCounter counter;
    ctrl.viewport()->installEventFilter(&counter);
    for (auto _ : state)
        if (!OpenToFirstFrame(ctrl, picture.file)) state.SkipWithError("open failed");
    ctrl.viewport()->removeEventFilter(&counter);
    ::bench::CheckPainted(state, counter);
    if (ctrl.Image().Width() != static_cast<int>(picture.screen.Width()))
        state.SkipWithError("the control does not hold the picture");
}

// ---- libjpeg-turbo and libpng used directly


// The file's bytes read whole, then decoded: the same work our reader does.
bool DecodeJpegFile(const std::string& path, Bytes& rgb) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    Bytes bytes;
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return ::bench::BareJpegDecode(bytes.data(), bytes.size(), rgb);
}

bool EncodeJpegFile(const std::string& path, const Bytes& rgb, int width, int height) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct info{};
    ::bench::BareJpegJump err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ::bench::BareJpegFail;
    bool ok = false;
    if (setjmp(err.buf) == 0) {
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, f);
        info.image_width = static_cast<JDIMENSION>(width);
        info.image_height = static_cast<JDIMENSION>(height);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 100, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPLE*>(&rgb[std::size_t{info.next_scanline} * width * 3]);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        ok = true;
    }
    jpeg_destroy_compress(&info);
    return std::fclose(f) == 0 && ok;
}

bool DecodePngFile(const std::string& path, Bytes& rgb) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_strip_alpha(png);
        png_set_gray_to_rgb(png);
        png_read_update_info(png, info);
        const std::size_t width = png_get_image_width(png, info);
        const std::size_t height = png_get_image_height(png, info);
        rgb.resize(width * height * 3);
        for (std::size_t y = 0; y < height; ++y) png_read_row(png, &rgb[y * width * 3], nullptr);
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return ok;
}

bool EncodePngFile(const std::string& path, const Bytes& rgb, int width, int height) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y)
            png_write_row(png, &rgb[static_cast<std::size_t>(y) * width * 3]);
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

// ---- the benchmarks

void OpenJpeg(benchmark::State& state) { Open(state, Files().jpeg); }
void OpenPng(benchmark::State& state) { Open(state, Files().png); }

void DecodeLibjpeg(benchmark::State& state) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    for (auto _ : state) {
        Bytes rgb;
        if (!DecodeJpegFile(Files().jpeg.file, rgb)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(rgb.data());
    }
}

void DecodeLibpng(benchmark::State& state) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    for (auto _ : state) {
        Bytes rgb;
        if (!DecodePngFile(Files().png.file, rgb)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(rgb.data());
    }
}

// The document saves a copy of its view's image, made as a fresh device bitmap.
CDdb ViewCopy(const CDdb& image) {
    CDdb copy = CDdb::Create(image.Width(), image.Height(), image.BitsPerPixel());
    std::memcpy(copy.Bits().data(), image.Bits().data(), image.Bits().size());
    return copy;
}

void Save(benchmark::State& state, const Picture& picture, const char* name) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    const QString path = QString::fromStdString(Files().Path(name));
    for (auto _ : state)
        if (tsl::SaveImageFile(path, tsl::SaveRequest{ViewCopy(picture.screen), 24}) != 1)
            state.SkipWithError("save failed");
}

void SaveJpeg(benchmark::State& state) { Save(state, Files().jpeg, "out.jpg"); }
void SavePng(benchmark::State& state) { Save(state, Files().png, "out.png"); }

void EncodeLibjpeg(benchmark::State& state) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    const Picture& p = Files().jpeg;
    for (auto _ : state)
        if (!EncodeJpegFile(Files().Path("peer.jpg"), p.rgb, kJpegWidth, kJpegHeight))
            state.SkipWithError("encode failed");
}

void EncodeLibpng(benchmark::State& state) {
    if (!Files().ok) return state.SkipWithError("the test files could not be made");
    const Picture& p = Files().png;
    for (auto _ : state)
        if (!EncodePngFile(Files().Path("peer.png"), p.rgb, kPngWidth, kPngHeight))
            state.SkipWithError("encode failed");
}

#define TSL_BENCH(name)                                                                       \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(kRepetitions)  \
        ->TSL_MIN_STATISTIC

TSL_BENCH(OpenJpeg);
TSL_BENCH(DecodeLibjpeg);
TSL_BENCH(OpenPng);
TSL_BENCH(DecodeLibpng);
TSL_BENCH(SaveJpeg);
TSL_BENCH(EncodeLibjpeg);
TSL_BENCH(SavePng);
TSL_BENCH(EncodeLibpng);

// The open path's stages one by one, fastest of five runs each, in milliseconds.
void PrintStages(const Picture& picture, const char* label) {
    CPntCtrl& ctrl = Control();
    double best[4] = {1e9, 1e9, 1e9, 1e9};
    for (int run = 0; run < 5; ++run) {
        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        tsl::CPntUtilDoc doc;
        if (!doc.OnOpenDocument(QString::fromStdString(picture.file))) return;
        const auto t1 = Clock::now();
        tsl::CDIBSection section = tsl::CPntUtilView::SectionFromBitmap(doc.TakeBitmap());
        const auto t2 = Clock::now();
        ctrl.SetImage(std::move(section));
        const auto t3 = Clock::now();
        ctrl.viewport()->repaint();
        const auto t4 = Clock::now();
        const std::chrono::duration<double, std::milli> d[4] = {t1 - t0, t2 - t1, t3 - t2, t4 - t3};
        for (int i = 0; i < 4; ++i) best[i] = std::min(best[i], d[i].count());
    }
    std::printf("%s stages (ms): load %.1f, to the image section %.1f, SetImage %.1f, first paint %.1f\n",
                label, best[0], best[1], best[2], best[3]);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tsl::bench::RatioReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char* label;
        const char* ours;
        const char* peer;
        double goal;
    } ratios[] = {
        {"open 24 MP JPEG to the first frame / libjpeg-turbo decode", "OpenJpeg", "DecodeLibjpeg", 1.2},
        {"open 12 MP PNG to the first frame / libpng decode", "OpenPng", "DecodeLibpng", 1.2},
        {"save 24 MP JPEG / libjpeg-turbo encode", "SaveJpeg", "EncodeLibjpeg", 0},
        {"save 12 MP PNG / libpng encode", "SavePng", "EncodeLibpng", 0},
    };
    std::printf("\n");
    for (const auto& r : ratios) {
        const double ratio = reporter.Ratio(r.ours, r.peer);
        if (ratio < 0) continue;
        if (r.goal > 0)
            std::printf("%-60s %.3f (goal <= %.1f)%s\n", r.label, ratio, r.goal,
                        ratio <= r.goal ? "" : "  MISSED");
        else
            std::printf("%-60s %.3f\n", r.label, ratio);
    }
    if (reporter.Time("OpenJpeg") >= 0 && reporter.Time("OpenPng") >= 0) {
        PrintStages(Files().jpeg, "JPEG");
        PrintStages(Files().png, "PNG");
    }
    benchmark::Shutdown();
    return 0;
}
