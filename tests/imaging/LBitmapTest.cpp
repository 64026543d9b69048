// LBitmapBase: every format code written and read back (checked by an independent decoder where
// Debian has one), the manifest's files of the formats the imaging layer reads, geometry
// properties, the quality factor and depth statuses, and huge claims refused without
// allocating.

#include "imaging/LBitmap.h"

#include "codecs/Bmp.h"
#include "codecs/Dispatch.h"
#include "codecs/Png.h"
#include "core/Services.h"
#include "imaging/LBase.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>

namespace tsl {
namespace {

using namespace testkit;

class LBitmapTest : public TempDirTest {
protected:
    static void SetUpTestSuite() { LBase::LoadLibraries(kAllLibraries); }
};

// RGB bytes, top row first, of the picture held.
Bytes Rgb(const LBitmapBase& b) { return RgbRowsOf(b.ConvertToDIB()); }

// A 64 x 48 picture: colour bands with a diagonal, 24 bits; Reduce gives its 8-bit form.
LBitmapBase Picture(int bpp) {
    LBitmapBase b;
    b.Create(64, 48, 24);
    CDdb& d = b.GetHandle();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = d.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 4);
            p[1] = static_cast<std::uint8_t>(y * 5);
            p[2] = static_cast<std::uint8_t>(x == y ? 255 : (x / 16) * 60);
        }
    if (bpp == 8) b.ColorRes(8, kColorResOptimizedExact);
    return b;
}

// The RGB bytes another decoder makes of a file; empty when it cannot.
Bytes Independent(const std::string& tool, const fs::path& file, const std::string& prefix = "") {
    if (tool == "gm")
        return Shell("gm convert '" + prefix + file.string() + "' +matte -depth 8 rgb:- 2>/dev/null");
    return Shell("convert-im6.q16 '" + prefix + file.string() +
                 "[0]' -auto-orient -alpha off -depth 8 rgb:- 2>/dev/null");
}

struct FormatRow {
    int code;
    const char* ext;
    bool lossless;
    const char* checker; // "gm", "im" or nullptr: no independent decoder on Debian
    const char* prefix;  // the checker's format prefix, when its extension is not enough
};

const FormatRow kFormats[] = {
    {kFormatPcx, "pcx", true, "gm", ""},       {kFormatGif, "gif", true, "im", ""},
    {kFormatTga, "tga", true, "im", ""},       {kFormatBmp, "bmp", true, "im", ""},
    {kFormatJpeg, "jpg", false, "im", ""},     {kFormatOs2Bmp1, "bmp", true, "gm", ""},
    {kFormatOs2Bmp2, "bmp", true, "gm", ""},   {kFormatWmf, "wmf", true, nullptr, ""},
    {kFormatEps, "eps", true, nullptr, ""},    {kFormatTiff, "tif", true, "im", ""},
    {kFormatWpg, "wpg", true, "gm", ""},       {kFormatSun, "ras", true, "im", ""},
    {kFormatPict, "pct", true, nullptr, ""},   {kFormatPng, "png", true, "im", ""},
    {kFormatPsd, "psd", true, "im", ""},       {kFormatIco, "ico", true, "im", ""},
    {kFormatCur, "cur", true, "gm", ""},       {kFormatPgmAscii, "pgm", true, "im", ""},
    {kFormatPgm, "pgm", true, "im", ""},       {kFormatPpmAscii, "ppm", true, "im", ""},
    {kFormatPpm, "ppm", true, "im", ""},       {kFormatCut, "cut", true, nullptr, ""},
    {kFormatXpm, "xpm", true, "im", ""},       {kFormatIff, "iff", true, nullptr, ""},
    {kFormatClp, "clp", true, nullptr, ""},    {kFormatJbig, "jbig", false, nullptr, ""},
    {kFormatEmf, "emf", true, nullptr, ""},    {kFormatXwd10, "xwd", true, nullptr, ""},
    {kFormatXwd, "xwd", true, "im", ""},       {kFormatFlc, "flc", true, nullptr, ""},
    {kFormatSgi, "sgi", true, "im", ""},
};

TEST_F(LBitmapTest, EveryFormatCodeWritesAndReadsBack) {
    std::string table;
    for (int bpp : {24, 8}) {
        const LBitmapBase source = Picture(bpp);
        for (const FormatRow& f : kFormats) {
            const bool grey = f.code == kFormatPgm || f.code == kFormatPgmAscii;
            const bool bilevel = f.code == kFormatJbig;
            const bool eight = f.code == kFormatGif || f.code == kFormatCut || f.code == kFormatFlc ||
                               f.code == kFormatWpg || f.code == kFormatXwd10 ||
                               f.code == kFormatXpm || grey;
            SCOPED_TRACE(std::string(f.ext) + " " + std::to_string(f.code) + " at " + std::to_string(bpp));
            const fs::path file = m_dir / ("f" + std::to_string(f.code) + "." + f.ext);
            // The picture as the format holds it: palette-only formats get the 8-bit form.
            LBitmapBase expected = eight && bpp == 24 ? Picture(8) : Picture(bpp);
            if (grey) expected.GrayScale(8);
            ASSERT_EQ(expected.Save(file.string(), f.code, 0, kQualityBest), kSuccess);
            LBitmapBase back;
            ASSERT_EQ(back.Load(file.string()), kSuccess);
            ASSERT_EQ(back.GetWidth(), 64);
            ASSERT_EQ(back.GetHeight(), 48);
            const Bytes want = Rgb(expected), got = Rgb(back);
            if (f.lossless) {
                EXPECT_EQ(got, want);
            } else if (!bilevel) { // JPEG: close on average (the 1-pixel diagonal blurs)
                double total = 0;
                for (std::size_t i = 0; i < got.size(); ++i) total += std::abs(got[i] - want[i]);
                EXPECT_LE(total / static_cast<double>(got.size()), 5.0);
            }
            std::string check = "-";
            // At 8 bits: GraphicsMagick reads an OS/2 2.x colour table as 3-byte entries, and
            // ImageMagick refuses indexed PSD files ("improper image header"); our own readers
            // check those.
            const bool unchecked = bpp == 8 && (f.code == kFormatOs2Bmp2 || f.code == kFormatPsd);
            if (f.checker && !bilevel && !unchecked) {
                const Bytes other = Independent(f.checker, file, f.prefix);
                EXPECT_EQ(other, got) << f.checker << " decodes it otherwise";
                check = f.checker;
            }
            if (bpp == 24) table += std::string(f.ext) + " " + std::to_string(f.code) + " " + check + "\n";
        }
    }
    RecordProperty("formats", table);
}

// The format registry's reader and writer columns against what the imaging layer does: each
// format it calls writable saves, our own readers recognise exactly the files it gives them,
// and writers that take at most 8 bits leave files of at most 8.
TEST_F(LBitmapTest, TheRegistryNamesWhoReadsAndWritesEachFormat) {
    const LBitmapBase picture = Picture(24);
    for (const FileFormat& f : FileFormats()) {
        SCOPED_TRACE(f.code);
        const fs::path file = m_dir / ("r" + std::to_string(f.code) + "." + f.extension);
        const int status = picture.Save(file.string(), f.code, 0, kQualityBest);
        if (f.writer == Codec::None) {
            EXPECT_LT(status, 1);
            EXPECT_FALSE(fs::exists(file));
            continue;
        }
        ASSERT_GE(status, 1);
        bool handled = false;
        const PackedDib own = ReadOwnFormat(ReadBytes(file), handled);
        EXPECT_EQ(handled, f.reader == Codec::Program || f.reader == Codec::Small);
        if (handled) {
            EXPECT_FALSE(own.empty());
        }
        LBitmapBase back;
        ASSERT_GE(back.Load(file.string()), 1);
        EXPECT_EQ(back.GetWidth(), 64);
        if (!f.Takes(24)) {
            EXPECT_LE(back.GetBitsPerPixel(), 8);
        }
    }
}

TEST_F(LBitmapTest, SaveStatuses) {
    LBitmapBase b = Picture(24);
    const std::string file = (m_dir / "x").string();
    EXPECT_EQ(b.Save(file + ".avi", kFormatAvi, 0, 2), kErrorCannotWriteFormat);
    EXPECT_EQ(b.Save(file + ".fpx", kFormatFpx, 0, 2), kErrorFormatUnavailable);
    EXPECT_EQ(b.Save(file + ".cmp", kFormatCmp, 0, 2), kErrorFormatUnavailable);
    EXPECT_EQ(b.Save(file + ".jpg", kFormatJpeg, 0, 1), kErrorInvalidQualityFactor);
    EXPECT_EQ(b.Save(file + ".jpg", kFormatJpeg, 0, 256), kErrorInvalidQualityFactor);
    EXPECT_EQ(b.Save(file + ".bmp", kFormatBmp, 3, 2), kErrorInvalidBitsPerPixel);
    EXPECT_EQ(b.Save(file + ".q", 9999, 0, 2), kErrorFileFormat);
    EXPECT_FALSE(fs::exists(file + ".avi"));
    EXPECT_FALSE(fs::exists(file + ".jpg"));
    // A smaller quality gives a smaller file.
    ASSERT_EQ(b.Save(file + "1.jpg", kFormatJpeg, 0, 2), kSuccess);
    ASSERT_EQ(b.Save(file + "2.jpg", kFormatJpeg, 0, 200), kSuccess);
    EXPECT_LT(fs::file_size(file + "2.jpg"), fs::file_size(file + "1.jpg"));
    // The depth asked for is the depth written.
    ASSERT_EQ(b.Save(file + ".bmp", kFormatBmp, 4, 2), kSuccess);
    LBitmapBase back;
    ASSERT_EQ(back.Load(file + ".bmp"), kSuccess);
    EXPECT_EQ(back.GetBitsPerPixel(), 4);
    EXPECT_EQ(back.Load(file + ".missing"), kErrorFileOpen);
    WriteBytes(m_dir / "junk.tga", Bytes(3, 1));
    EXPECT_LT(back.Load((m_dir / "junk.tga").string()), 1);
    EXPECT_EQ(back.GetBitsPerPixel(), 4) << "a failed load keeps the picture";
    EXPECT_EQ(LBitmapBase().Save(file + ".bmp", kFormatBmp, 0, 2), kErrorNoBitmap);
    // The ASCII forms of PGM and PPM.
    ASSERT_EQ(b.Save(file + "a.pgm", kFormatPgmAscii, 0, 2), kSuccess);
    ASSERT_EQ(b.Save(file + "a.ppm", kFormatPpmAscii, 0, 2), kSuccess);
    ASSERT_EQ(b.Save(file + "b.ppm", kFormatPpm, 0, 2), kSuccess);
    EXPECT_EQ(ReadBytes(file + "a.pgm")[1], '2');
    EXPECT_EQ(ReadBytes(file + "a.ppm")[1], '3');
    EXPECT_EQ(ReadBytes(file + "b.ppm")[1], '6');
}

TEST_F(LBitmapTest, LoadKeepsTheStoredDepth) {
    const fs::path data = TSL_TESTDATA;
    const std::pair<const char*, int> files[] = {
        {"bmp/bmpsuite/g/pal1.bmp", 1}, {"bmp/bmpsuite/g/pal4.bmp", 4},
        {"bmp/bmpsuite/g/pal8rle.bmp", 8}, {"bmp/bmpsuite/g/rgb24.bmp", 24},
        {"gif/pillow/chi.gif", 8},
    };
    for (const auto& [file, bpp] : files) {
        SCOPED_TRACE(file);
        LBitmapBase b;
        ASSERT_EQ(b.Load((data / file).string()), kSuccess);
        EXPECT_EQ(b.GetBitsPerPixel(), bpp);
        EXPECT_EQ(Rgb(b), Independent("im", data / file));
        LBitmapBase eight;
        ASSERT_EQ(eight.Load((data / file).string(), 8), kSuccess);
        EXPECT_EQ(eight.GetBitsPerPixel(), 8);
    }
    LBitmapBase b;
    EXPECT_EQ(b.Load((data / "bmp/bmpsuite/g/rgb24.bmp").string(), 7), kErrorInvalidBitsPerPixel);
}

TEST_F(LBitmapTest, GeometryProperties) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        LBitmapBase b = Picture(24);
        if (bpp != 24) {
            ASSERT_EQ(b.ColorRes(bpp, kColorResOptimizedExact | kDitherFloydSteinberg), kSuccess);
        }
        const Bytes original = Rgb(b);
        b.Flip();
        EXPECT_NE(Rgb(b), original);
        b.Flip();
        EXPECT_EQ(Rgb(b), original);
        b.Reverse();
        b.Reverse();
        EXPECT_EQ(Rgb(b), original);
        ASSERT_EQ(b.Rotate(9000, kRotateResize, 0), kSuccess);
        EXPECT_EQ(b.GetWidth(), 48);
        EXPECT_EQ(b.GetHeight(), 64);
        EXPECT_EQ(b.GetBitsPerPixel(), bpp);
        for (int i = 0; i < 3; ++i) b.Rotate(9000, kRotateResize, 0);
        EXPECT_EQ(Rgb(b), original);
        b.Rotate(27000, kRotateResize, 0);
        b.Rotate(9000, kRotateResize, 0);
        EXPECT_EQ(Rgb(b), original);
    }
    // Clockwise: the top-left pixel goes to the top-right corner.
    LBitmapBase b = Picture(24);
    const Bytes before = Rgb(b);
    b.Rotate(9000, kRotateResize, 0);
    const Bytes after = Rgb(b);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 3, after.begin() + (48 - 1) * 3));
    // Any angle: the result holds the whole picture; the corners take the fill colour.
    b = Picture(24);
    ASSERT_EQ(b.Rotate(3300, kRotateResize, RGB(1, 2, 3)), kSuccess);
    EXPECT_EQ(b.GetWidth(), 80);
    EXPECT_EQ(b.GetHeight(), 76);
    EXPECT_EQ(Rgb(b)[0], 1);
    b = Picture(24);
    ASSERT_EQ(b.Rotate(3300, 0, 0), kSuccess);
    EXPECT_EQ(b.GetWidth(), 64);
    // Shear grows by tan(angle) times the other side.
    b = Picture(24);
    ASSERT_EQ(b.Shear(4500, kShearHorizontal, RGB(255, 255, 255)), kSuccess);
    EXPECT_EQ(b.GetWidth(), 64 + 47);
    EXPECT_EQ(b.GetHeight(), 48);
    b = Picture(24);
    ASSERT_EQ(b.Shear(-2000, kShearVertical, 0), kSuccess);
    EXPECT_EQ(b.GetHeight(), 48 + 23);
    EXPECT_EQ(b.Shear(4600, 0, 0), kErrorInvalidParameter);
    // Size and Trim.
    b = Picture(24);
    for (unsigned flags : {kSizeNearest, kSizeBilinear, kSizeBicubic}) {
        LBitmapBase c = Picture(8);
        ASSERT_EQ(c.Size(200, 30, flags), kSuccess);
        EXPECT_EQ(c.GetWidth(), 200);
        EXPECT_EQ(c.GetBitsPerPixel(), 8);
    }
    ASSERT_EQ(b.Trim(60, 40, 100, 100), kSuccess);
    EXPECT_EQ(b.GetWidth(), 4);
    EXPECT_EQ(b.GetHeight(), 8);
    EXPECT_EQ(b.Trim(10, 10, 5, 5), kErrorInvalidParameter);
}

TEST_F(LBitmapTest, HugeClaimsAreRefusedWithoutAllocating) {
    // 50000 x 50000 headers of a PNG (our reader), a TGA, an SGI (GraphicsMagick) and a PSD.
    Bytes png = Shell("convert-im6.q16 -size 1x1 xc:red png:- 2>/dev/null");
    ASSERT_GT(png.size(), 24u);
    for (int i : {16, 20}) {
        png[i] = 0, png[i + 1] = 0, png[i + 2] = 0xC3, png[i + 3] = 0x50;
    }
    Bytes tga(18 + 64, 0);
    tga[2] = 2, tga[12] = 0x50, tga[13] = 0xC3, tga[14] = 0x50, tga[15] = 0xC3, tga[16] = 24;
    Bytes sgi(512 + 64, 0);
    sgi[0] = 0x01, sgi[1] = 0xDA, sgi[3] = 1, sgi[5] = 2; // magic, 1 byte a channel, 2 dims
    sgi[6] = 0xC3, sgi[7] = 0x50, sgi[8] = 0xC3, sgi[9] = 0x50, sgi[11] = 1;
    Bytes psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0xC3, 0x50, 0, 0, 0xC3, 0x50, 0, 8, 0, 3};
    psd.resize(psd.size() + 64, 0);
    const std::pair<const char*, Bytes> files[] = {
        {"big.png", png}, {"big.tga", tga}, {"big.sgi", sgi}, {"big.psd", psd}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteBytes(m_dir / name, bytes);
        const ChildRun run = RunInChild([&] {
            LBitmapBase b;
            EXPECT_LT(b.Load((m_dir / name).string()), 1);
            EXPECT_FALSE(b.IsAllocated());
        });
        EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 64 * 1024)
            << run.peakGrowthKb << " KiB";
    }
}

// A clipboard holding one packed DIB, as the platform's clipboard service hands it over.
class OneDibClipboard : public IClipboardBitmap {
public:
    bool HasBitmap() override { return !dib.empty(); }
    std::vector<std::uint8_t> GetPackedDib() override { return dib; }
    bool SetPackedDib(const std::vector<std::uint8_t>& d) override {
        dib = d;
        return true;
    }
    PackedDib dib;
};

TEST_F(LBitmapTest, ConversionsAndTheClipboardForm) {
    OneDibClipboard clipboard;
    InstallClipboardBitmap(&clipboard);
    LBitmapBase pasted;
    EXPECT_FALSE(LBitmapBase::IsClipboardReady());
    EXPECT_EQ(pasted.CopyFromClipboard(), kErrorNoBitmap);
    clipboard.dib = Picture(8).ConvertToDIB();
    EXPECT_TRUE(LBitmapBase::IsClipboardReady());
    ASSERT_EQ(pasted.CopyFromClipboard(), kSuccess);
    EXPECT_EQ(pasted.GetBitsPerPixel(), 8);
    EXPECT_EQ(Rgb(pasted), Rgb(Picture(8)));
    InstallClipboardBitmap(nullptr);

    LBitmapBase b = Picture(8);
    const CDdb screen = b.ConvertToDDB();
    EXPECT_EQ(screen.BitsPerPixel(), 32);
    LBitmapBase c;
    ASSERT_EQ(c.ConvertFromDDB(screen), kSuccess);
    EXPECT_EQ(Rgb(c), Rgb(b));
    const PackedDib dib = b.ConvertToDIB();
    EXPECT_EQ(ViewPackedDib(dib)->bitsPerPixel, 8);
    ASSERT_EQ(c.ConvertFromDIB(dib), kSuccess);
    EXPECT_EQ(c.GetBitsPerPixel(), 8);
    EXPECT_EQ(c.ConvertFromDIB(Bytes{1, 2}), kErrorNoBitmap);
    EXPECT_EQ(c.Create(10, 10, 3), kErrorInvalidBitsPerPixel);
    ASSERT_EQ(c.Create(3, 2, 8), kSuccess);
    EXPECT_EQ(Rgb(c), Bytes(18, 255)) << "a new picture is white";
    ASSERT_EQ(c.Create(3, 2, 16), kSuccess);
    EXPECT_EQ(Rgb(c), Bytes(18, 255));
}

} // namespace
} // namespace tsl

namespace tsl {
namespace {

// Valid rows of the formats the imaging layer reads whose pixels differ from the manifest's,
// with the reason. Everything else with a hash must match it, or match ImageMagick with alpha
// off where the manifest kept alpha.
const std::map<std::string, std::string> kManifestExceptions = {
    {"psd/kimageformats/53alphas.psd", "53 extra alpha channels: the composite's alpha differs"},
    {"psd/kimageformats/argb16-raw-affinityphoto-1.8.5.psd", "16-bit channels: the reference's 8-bit values are not a plain rounding"},
    {"psd/kimageformats/rgb16-raw-affinityphoto-1.8.5.psd", "16-bit channels, as above"},
    {"psd/kimageformats/mch-8bits.psd", "multichannel mode: not read"},
    {"psd/kimageformats/mch1-8bits.psd", "multichannel mode: not read"},
    {"psd/kimageformats/mch2-8bits.psd", "multichannel mode: not read"},
    {"ico/image-rs/bmp_v5_with_icc.ico", "GraphicsMagick fails on its V5 header; our reader takes its other entry"},
    {"ico/image-rs/lenient-bpp.ico", "a bit count that does not fit its data: refused"},
    {"sgi/kimageformats/rgb-gimp-2.8.10-aggressive-rle.rgb", "GraphicsMagick 1.3.40 cannot decode its runs"},
    {"ras/kimageformats/rle_1bit.ras", "GraphicsMagick 1.3.40 reads run-length Sun rasters short"},
    {"ras/kimageformats/rle_24bit.ras", "GraphicsMagick 1.3.40 reads run-length Sun rasters short"},
    {"ras/kimageformats/rle_pal8bit.ras", "GraphicsMagick 1.3.40 reads run-length Sun rasters short"},
    {"ras/pillow/sunraster.im1", "GraphicsMagick 1.3.40 reads run-length Sun rasters short"},
    {"wmf/imagemagick/clock.wmf", "vector drawing: the raster depends on the renderer"},
    {"wmf/imagemagick/wizard.wmf", "vector drawing: the raster depends on the renderer"},
    {"wmf/pillow/drawing.wmf", "vector drawing: the raster depends on the renderer"},
    {"iff/kimageformats/aga_pchg_amiga_16cl.iff", "palette changes per line (PCHG): not applied"},
    {"iff/kimageformats/aga_pchg_amiga_64cl.iff", "palette changes per line (PCHG): not applied"},
    {"iff/kimageformats/ocs_pchg_amiga_16cl.iff", "palette changes per line (PCHG): not applied"},
    {"iff/kimageformats/ocs_pchg_amiga_64cl.iff", "palette changes per line (PCHG): not applied"},
    {"iff/kimageformats/ps_testcard_cmyk.iff", "CMYK ILBM: not read"},
};

TEST_F(LBitmapTest, ManifestFilesOfTheImagingFormats) {
    std::string differing;
    int matched = 0, viaImageMagick = 0;
    for (const char* format : {"psd", "ico", "cur", "pnm", "sgi", "ras", "xpm", "xwd", "pict",
                               "wpg", "wmf", "iff", "flc", "jbig", "eps", "cut"}) {
        for (const ManifestRow& row : Manifest(format)) {
            SCOPED_TRACE(row.path);
            const fs::path file = fs::path(TSL_TESTDATA) / row.path;
            LBitmapBase b;
            const int status = b.Load(file.string());
            if (row.expected != "valid" || !HasHash(row)) continue;
            if (kManifestExceptions.count(row.path)) continue;
            if (status < 1) {
                differing += row.path + " (status " + std::to_string(status) + ")\n";
                continue;
            }
            const PackedDib dib = b.ConvertToDIB();
            if (Sha256(PixelsOf(dib, true), m_dir / "h") == row.hash) {
                ++matched;
            } else if (PixelsOf(dib, false) == Independent("im", file)) {
                ++viaImageMagick;
            } else {
                differing += row.path + "\n";
            }
        }
    }
    EXPECT_TRUE(differing.empty()) << matched << " matched, " << viaImageMagick
                                   << " agree with ImageMagick; differing:\n" << differing;
    std::printf("Imaging formats manifest: %d rows match their hash, %d agree with ImageMagick, "
                "%zu listed\n", matched, viaImageMagick, kManifestExceptions.size());
}

// Opening for the screen gives what loading and converting give, whether the PNG goes straight
// to the screen's depth or the general way; a picture with alpha leaves it out of the fourth
// byte. Every PNG of the suites, damaged ones included (but for the huge-chunk files, which
// GraphicsMagick takes seconds to refuse), and files of other formats.
TEST_F(LBitmapTest, LoadForScreenEqualsLoadThenConvert) {
    std::vector<fs::path> files;
    for (const ManifestRow& row : Manifest("png"))
        if (row.path.find("/crashers/huge_") == std::string::npos)
            files.push_back(fs::path(TSL_TESTDATA) / row.path);
    for (const char* other : {"bmp/bmpsuite/g/pal8.bmp", "bmp/bmpsuite/g/rgb32.bmp",
                              "jpeg/pillow/pil_sample_rgb.jpg"})
        files.push_back(fs::path(TSL_TESTDATA) / other);
    int direct = 0, withAlpha = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        LBitmapBase loaded;
        const int status = loaded.Load(file.string());
        LBitmapBase opened;
        CDdb screen;
        int bpp = -1;
        std::vector<RGBQUAD> palette{RGBQUAD{1, 2, 3, 4}};
        ASSERT_EQ(opened.LoadForScreen(file.string(), screen, bpp, palette) >= 1, status >= 1);
        EXPECT_FALSE(opened.IsAllocated());
        if (status < 1) continue;
        EXPECT_EQ(bpp, loaded.GetBitsPerPixel());
        EXPECT_EQ(palette.size(), loaded.GetHandle().Palette().size());
        const CDdb expected = loaded.ConvertToDDB();
        ASSERT_EQ(screen.BitsPerPixel(), 32);
        ASSERT_EQ(screen.Width(), expected.Width());
        ASSERT_EQ(screen.Height(), expected.Height());
        EXPECT_TRUE(screen.Bits() == expected.Bits());
        int fileDepth = 0;
        if (!ReadPngDevice(file.string(), fileDepth).IsNull()) ++direct;
        if (bpp == 32) {
            ++withAlpha;
            for (std::size_t i = 3; i < screen.Bits().size(); i += 4) ASSERT_EQ(screen.Bits()[i], 0);
        }
    }
    EXPECT_GT(direct, 20) << "8-bit colour PNGs take the straight way";
    EXPECT_GT(withAlpha, 5);
}

} // namespace
} // namespace tsl
