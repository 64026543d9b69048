// The save matrix: one picture per document depth (two colours at 1 bit, 16 at 4, 200 at 8 and
// a photo-like gradient at 24; 61x43 pixels, so rows need padding at every depth) written to
// every extension of the Save As filter through the document's writer, reopened with the
// document's loader and compared by RGB. Each format's expectation is a row of the table below;
// a second pass reads the lossless files with ImageMagick as an independent decoder.

#include "document/ImageFiles.h"

#include "codecs/CBmp.h"
#include "core/Extensions.h"
#include "imaging/LBase.h"
#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tsl {
namespace {

constexpr int kWidth = 61;
constexpr int kHeight = 43;
constexpr int kDepths[] = {1, 4, 8, 24};
using Rgb = std::vector<std::uint8_t>; // top row first, R G B

// ---- the pictures

// 0, 1, ..., n - 1, n - 2, ..., 1, 0, ...: neighbouring pixels never jump across the palette,
// so JPEG's chroma subsampling meets edges it can keep.
int Triangle(int t, int n) {
    t %= 2 * n - 2;
    return t < n ? t : 2 * n - 2 - t;
}

// A document picture of the depth: its colour count is 2, 16, 200, or thousands at 24 bits.
Rgb Picture(int depth) {
    Rgb out;
    out.reserve(std::size_t{kWidth} * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            int r = 0, g = 0, b = 0;
            if (depth == 1) { // navy strokes on cream, one dark and one light colour
                const bool ink = ((x + 2 * y) / 5) % 2 == 0 || x % 17 == 3;
                r = ink ? 24 : 240, g = ink ? 32 : 232, b = ink ? 96 : 200;
            } else if (depth == 4) { // 3-pixel bands: the two pixels of a byte often differ
                const int i = Triangle(x / 3 + y / 4, 16);
                r = 16 * i + 8, g = 200 - 8 * i, b = 60 + 12 * i;
            } else if (depth == 8) {
                const int i = Triangle(3 * x + y, 200);
                r = i + 28, g = 230 - i, b = 40 + i / 2;
            } else { // smooth fields with a little deterministic noise
                const int noise = static_cast<int>((static_cast<unsigned>(x) * 2654435761u +
                                                    static_cast<unsigned>(y) * 40503u) >> 29) - 4;
                r = 30 + 3 * x + noise;
                g = 220 - 4 * y + noise;
                b = static_cast<int>(128 + 100 * std::sin((x + y) / 9.0)) + noise;
            }
            for (int c : {r, g, b}) out.push_back(static_cast<std::uint8_t>(std::clamp(c, 0, 255)));
        }
    return out;
}

std::size_t ColourCount(const Rgb& rgb) {
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        colours.insert(std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2]);
    return colours.size();
}

// The view's image of the picture: the screen's 32 bits, rows from the bottom.
CDdb ScreenImage(const Rgb& rgb) {
    CDdb d = CDdb::Create(kWidth, kHeight, 32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* s = &rgb[(std::size_t(y) * kWidth + x) * 3];
            std::uint8_t* p = d.Row(kHeight - 1 - y) + 4 * x;
            p[0] = s[2], p[1] = s[1], p[2] = s[0];
        }
    return d;
}

Rgb RgbOf(const QImage& image) {
    const QImage i = image.convertToFormat(QImage::Format_RGB32);
    Rgb out;
    out.reserve(std::size_t(i.width()) * i.height() * 3);
    for (int y = 0; y < i.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(i.constScanLine(y));
        for (int x = 0; x < i.width(); ++x)
            for (int c : {qRed(row[x]), qGreen(row[x]), qBlue(row[x])})
                out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

double Psnr(const Rgb& a, const Rgb& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

// Rec. 601 luminance, as grey images are made, in all three channels.
Rgb Luminance(const Rgb& rgb) {
    Rgb out(rgb.size());
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const int l = (rgb[i] * 299 + rgb[i + 1] * 587 + rgb[i + 2] * 114 + 500) / 1000;
        out[i] = out[i + 1] = out[i + 2] = static_cast<std::uint8_t>(l);
    }
    return out;
}

// Every extension the Save As filter offers ("Text|*.a;*.b|...||").
std::vector<std::string> SaveFilterExtensions() {
    std::vector<std::string> out;
    const std::string filter = SaveFilter();
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < filter.size();) {
        const std::size_t bar = filter.find('|', at);
        fields.push_back(filter.substr(at, bar - at));
        at = bar + 1;
    }
    for (std::size_t i = 1; i < fields.size(); i += 2)
        for (std::size_t at = 0; at < fields[i].size();) {
            const std::size_t semi = std::min(fields[i].find(';', at), fields[i].size());
            out.push_back(fields[i].substr(at + 2, semi - at - 2)); // after "*."
            at = semi + 1;
        }
    return out;
}

// ---- what each format gives back

enum class Back {
    Exact,       // every pixel, at every depth
    PaletteOnly, // at most 256 colours: exact for the palette pictures, the photo reduced
    Lossy,       // JPEG: PSNR >= 30 dB
    Grey,        // the luminance
    Bilevel,     // black and white
};

struct Format {
    const char* ext;
    Back back;
    int bpp[4]; // the depth the loader reports for the 1-, 4-, 8- and 24-bit documents
};

// Why a format reduces or changes the depth:
// - gif, cut, flc, wpg, eps: palette-only, the writer gets 8 bits (EPS is rendered back at 24).
// - xpm: the imaging layer writes at most 256 colours.
// - jpg, jpeg, tif, tiff, pcx: written by the program's own writers from the view's 32 bits,
//   whatever the document's depth (the loader reports 24 bits for them); JPEG at quality 100
//   with 2x2 chroma subsampling.
// - pgm: grey by nature; the photo is reduced to 256 colours first (palette-only).
// - jbig: bilevel by nature; dark pixels become black, light ones white.
// - psd keeps indexed pictures at 8 bits, ico and cur hold 32-bit entries, ppm, sgi and pct
//   come back as direct colour: each exact all the same.
// wmf is checked on its own (AWmfReopensAtItsOwnSize).
constexpr Format kFormats[] = {
    {"bmp", Back::Exact, {1, 4, 8, 24}},         {"gif", Back::PaletteOnly, {8, 8, 8, 8}},
    {"jpg", Back::Lossy, {24, 24, 24, 24}},      {"jpeg", Back::Lossy, {24, 24, 24, 24}},
    {"tif", Back::Exact, {24, 24, 24, 24}},      {"tiff", Back::Exact, {24, 24, 24, 24}},
    {"png", Back::Exact, {1, 4, 8, 24}},         {"pcx", Back::Exact, {24, 24, 24, 24}},
    {"tga", Back::Exact, {1, 4, 8, 24}},         {"psd", Back::Exact, {8, 8, 8, 24}},
    {"ico", Back::Exact, {32, 32, 32, 32}},      {"cur", Back::Exact, {32, 32, 32, 32}},
    {"emf", Back::Exact, {1, 4, 8, 24}},         {"xpm", Back::PaletteOnly, {1, 4, 8, 8}},
    {"iff", Back::Exact, {1, 4, 8, 24}},         {"pgm", Back::Grey, {8, 8, 8, 8}},
    {"ppm", Back::Exact, {24, 24, 24, 24}},      {"cut", Back::PaletteOnly, {8, 8, 8, 8}},
    {"eps", Back::PaletteOnly, {24, 24, 24, 24}}, {"ras", Back::Exact, {1, 4, 8, 24}},
    {"wpg", Back::PaletteOnly, {8, 8, 8, 8}},    {"pct", Back::Exact, {24, 24, 24, 24}},
    {"clp", Back::Exact, {1, 4, 8, 24}},         {"xwd", Back::Exact, {1, 4, 8, 24}},
    {"flc", Back::PaletteOnly, {8, 8, 8, 8}},    {"sgi", Back::Exact, {24, 24, 24, 24}},
    {"jbig", Back::Bilevel, {1, 1, 1, 1}},
};

// A saved picture as reopened by the document's loader.
struct Reopened {
    bool ok = false;
    int bpp = 0;
    int width = 0, height = 0;
    Rgb rgb;
};

class SaveMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        LBase::LoadLibraries(kAllLibraries);
        m_dir = test::MakeTempFolder(QStringLiteral("savematrix"));
    }
    QString File(int depth, const std::string& ext) const {
        return m_dir + QStringLiteral("/d%1.").arg(depth) + QString::fromStdString(ext);
    }
public:
    // Saves the picture of the depth as a document of that depth and reopens it.
    Reopened SaveAndReopen(int depth, const std::string& ext) const {
        Reopened r;
        const QString path = File(depth, ext);
        EXPECT_EQ(SaveImageFile(path, SaveRequest{ScreenImage(Picture(depth)), depth}), 1);
        CBmp holder;
        r.ok = LoadImageFile(path, holder, false, r.bpp);
        if (r.ok) {
            r.width = holder.Width(), r.height = holder.Height();
            r.rgb = RgbOf(holder.Bitmap());
        }
        return r;
    }

protected:
    QString m_dir;
};

TEST_F(SaveMatrix, ThePicturesHaveTheirDepthsColourCounts) {
    EXPECT_EQ(ColourCount(Picture(1)), 2u);
    EXPECT_EQ(ColourCount(Picture(4)), 16u);
    EXPECT_EQ(ColourCount(Picture(8)), 200u);
    EXPECT_GT(ColourCount(Picture(24)), 2000u);
}

TEST_F(SaveMatrix, TheTableCoversEveryFormatOfTheSaveFilter) {
    std::set<std::string> table;
    for (const Format& f : kFormats) table.insert(f.ext);
    table.insert("wmf");
    const std::vector<std::string> offered = SaveFilterExtensions();
    EXPECT_EQ(std::set<std::string>(offered.begin(), offered.end()), table);
}

// Saves the picture of the depth to the format and checks what comes back. The assertions end
// this one case only.
void CheckFormat(const SaveMatrix& test, const Format& f, int d) {
    const int depth = kDepths[d];
    SCOPED_TRACE(std::string(f.ext) + " from a " + std::to_string(depth) + "-bit document");
    const Rgb picture = Picture(depth);
    const Reopened r = test.SaveAndReopen(depth, f.ext);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.bpp, f.bpp[d]);
    ASSERT_EQ(r.width, kWidth);
    ASSERT_EQ(r.height, kHeight);
    switch (f.back) {
    case Back::Exact: EXPECT_TRUE(r.rgb == picture) << "PSNR " << Psnr(r.rgb, picture); break;
    case Back::PaletteOnly:
        if (depth <= 8) {
            EXPECT_TRUE(r.rgb == picture) << "PSNR " << Psnr(r.rgb, picture);
        } else {
            EXPECT_LE(ColourCount(r.rgb), 256u);
            EXPECT_GE(Psnr(r.rgb, picture), 30.0);
        }
        break;
    case Back::Lossy:
        // The line art's one-pixel edges between saturated colours lose colour to the 2x2
        // chroma subsampling the writer keeps even at quality 100; their light stays.
        if (depth == 1) {
            EXPECT_GE(Psnr(Luminance(r.rgb), Luminance(picture)), 30.0);
        } else {
            EXPECT_GE(Psnr(r.rgb, picture), 30.0);
        }
        break;
    case Back::Grey: {
        const Rgb luminance = Luminance(picture);
        if (depth <= 8) { // reduced to 8 bits exactly, then made grey
            for (std::size_t i = 0; i < picture.size(); ++i)
                ASSERT_LE(std::abs(int(r.rgb[i]) - luminance[i]), 1) << "at byte " << i;
        } else {
            EXPECT_GE(Psnr(r.rgb, luminance), 30.0);
        }
        break;
    }
    case Back::Bilevel: {
        const Rgb luminance = Luminance(picture);
        std::size_t agree = 0;
        for (std::size_t i = 0; i < r.rgb.size(); ++i) {
            ASSERT_TRUE(r.rgb[i] == 0 || r.rgb[i] == 255) << "at byte " << i;
            agree += (r.rgb[i] == 255) == (luminance[i] >= 128);
        }
        // The two-colour picture maps exactly; the others may be dithered.
        if (depth == 1) {
            EXPECT_EQ(agree, r.rgb.size());
        }
        break;
    }
    }
}

TEST_F(SaveMatrix, EveryFormatGivesBackWhatItHolds) {
    for (const Format& f : kFormats)
        for (int d = 0; d < 4; ++d) CheckFormat(*this, f, d);
}

// A WMF holds the picture as a bitmap stretched into a frame of the picture's size (96 units per
// inch); reopened, it must come back at that size, and the photo with its pixels.
TEST_F(SaveMatrix, AWmfReopensAtItsOwnSize) {
    for (int depth : kDepths) {
        SCOPED_TRACE("wmf from a " + std::to_string(depth) + "-bit document");
        const Reopened r = SaveAndReopen(depth, "wmf");
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.width, kWidth);
        EXPECT_EQ(r.height, kHeight);
        if (depth == 24 && r.rgb.size() == Picture(depth).size()) {
            EXPECT_GE(Psnr(r.rgb, Picture(depth)), 30.0);
        }
    }
}

// ImageMagick reads the lossless files to the same pixels. It leaves a bottom-up TGA's rows as
// stored unless asked to orient the image, and refuses indexed PSD files, so PSD is checked at
// 24 bits only (its first frame, the composite).
TEST_F(SaveMatrix, AnIndependentDecoderReadsTheSamePixels) {
    for (const char* ext : {"bmp", "png", "tif", "pcx", "tga", "ppm", "ras", "xwd", "sgi", "psd"}) {
        for (int depth : kDepths) {
            if (std::string(ext) == "psd" && depth < 24) continue;
            SCOPED_TRACE(std::string(ext) + " from a " + std::to_string(depth) + "-bit document");
            const Rgb picture = Picture(depth);
            ASSERT_EQ(SaveImageFile(File(depth, ext), SaveRequest{ScreenImage(picture), depth}), 1);
            const std::string frame = std::string(ext) == "psd" ? "[0]" : "";
            const testkit::Bytes decoded =
                testkit::Shell("convert-im6.q16 '" + File(depth, ext).toStdString() + frame +
                               "' -auto-orient -depth 8 rgb:- 2>/dev/null");
            EXPECT_TRUE(decoded == picture) << decoded.size() << " bytes decoded";
        }
    }
}

} // namespace
} // namespace tsl
