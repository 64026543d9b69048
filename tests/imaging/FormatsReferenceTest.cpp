// Our readers against tests/data/MANIFEST.tsv, and the files our writers make against
// independent decoders (GraphicsMagick's gm, ImageMagick's convert-im6.q16, netpbm).

#include "imaging/formats/Clp.h"
#include "imaging/formats/Cut.h"
#include "imaging/formats/Flic.h"
#include "imaging/formats/Icon.h"
#include "imaging/formats/Ilbm.h"
#include "imaging/formats/Metafile.h"
#include "imaging/formats/Os2Bmp.h"
#include "imaging/formats/Psd.h"
#include "imaging/formats/Wpg.h"
#include "imaging/formats/Xwd10.h"

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

namespace tsl {
namespace {

using namespace testkit;
using Reader = std::function<bool(const Bytes&, PackedDib&, std::string&)>;

class FormatsReferenceTest : public TempDirTest {
protected:
    // Every row of the format: valid rows with a reference hash decode to it unless listed with
    // the reason; other rows either decode or fail with a message and no image.
    void CheckManifest(const std::string& format, const Reader& read,
                       const std::map<std::string, std::string>& listed) {
        int matched = 0;
        for (const ManifestRow& row : Manifest(format)) {
            SCOPED_TRACE(row.path);
            const Bytes file = ReadBytes(fs::path(TSL_TESTDATA) / row.path);
            PackedDib dib;
            std::string error;
            const bool ok = read(file, dib, error);
            if (!ok) {
                EXPECT_TRUE(dib.empty());
                EXPECT_FALSE(error.empty());
            }
            const auto reason = listed.find(row.path);
            if (row.expected != "valid" || !HasHash(row) || reason != listed.end()) {
                if (reason != listed.end()) {
                    EXPECT_FALSE(reason->second.empty());
                }
                continue;
            }
            ASSERT_TRUE(ok) << error;
            EXPECT_EQ(Sha256(PixelsOf(dib, true), m_dir / "hash"), row.hash);
            ++matched;
        }
        std::printf("%s: %d manifest rows match the reference\n", format.c_str(), matched);
    }
};

TEST_F(FormatsReferenceTest, PsdManifest) {
    const std::string sixteen =
        "16-bit channels: ImageMagick's reference differs by 1 in some samples from the stored "
        "composite reduced with round(v / 257), the manifest's rule";
    const std::string multichannel = "multichannel mode is refused (no defined colour mapping)";
    CheckManifest("psd", ReadPsd,
                  {{"psd/kimageformats/53alphas.psd",
                    "the reference ignores the composite's transparency channel; checked against "
                    "the suite's 53alphas.png below"},
                   {"psd/kimageformats/argb16-raw-affinityphoto-1.8.5.psd", sixteen},
                   {"psd/kimageformats/rgb16-raw-affinityphoto-1.8.5.psd", sixteen},
                   {"psd/kimageformats/mch-8bits.psd", multichannel},
                   {"psd/kimageformats/mch1-8bits.psd", multichannel},
                   {"psd/kimageformats/mch2-8bits.psd", multichannel}});
    // The document whose reference ignores transparency matches the suite's own rendering.
    PackedDib dib;
    std::string error;
    ASSERT_TRUE(
        ReadPsd(ReadBytes(fs::path(TSL_TESTDATA) / "psd/kimageformats/53alphas.psd"), dib, error));
    const Bytes png = Shell("convert-im6.q16 '" + std::string(TSL_TESTDATA) +
                            "/psd/kimageformats/53alphas.png' -depth 8 rgba:-");
    Bytes zeroed = png;
    for (std::size_t i = 0; i + 3 < zeroed.size(); i += 4)
        if (zeroed[i + 3] == 0) zeroed[i] = zeroed[i + 1] = zeroed[i + 2] = 0;
    EXPECT_EQ(PixelsOf(dib, true), zeroed);
}

TEST_F(FormatsReferenceTest, IffManifest) {
    const std::string pchg = "per-line palette changes (PCHG) are not applied";
    const std::string cdi = "CD-i IMAG form, not an ILBM image";
    CheckManifest("iff", ReadIlbm,
                  {{"iff/kimageformats/aga_pchg_amiga_16cl.iff", pchg},
                   {"iff/kimageformats/aga_pchg_amiga_64cl.iff", pchg},
                   {"iff/kimageformats/ocs_pchg_amiga_16cl.iff", pchg},
                   {"iff/kimageformats/ocs_pchg_amiga_64cl.iff", pchg},
                   {"iff/kimageformats/ps_testcard_cmyk.iff",
                    "CMYK palette: the reference (netpbm) rounds differently, off by 1 in some "
                    "entries; the suite's own rendering differs from it too"},
                   {"iff/kimageformats/cdi_cl7.iff", cdi},
                   {"iff/kimageformats/cdi_dyuv_each.iff", cdi},
                   {"iff/kimageformats/cdi_dyuv_one.iff", cdi}});
    // Files no reference decoder reads (CAT container, PBM, ACBM) must still decode.
    for (const char* path :
         {"iff/kimageformats/cat_ilbm.iff", "iff/kimageformats/testcard_pbm.iff",
          "iff/kimageformats/testcard_rlepbm.iff", "iff/kimageformats/testcard_acbm.iff"}) {
        PackedDib dib;
        std::string error;
        EXPECT_TRUE(ReadIlbm(ReadBytes(fs::path(TSL_TESTDATA) / path), dib, error))
            << path << error;
    }
    // PBM, RLE PBM and ACBM hold the same picture.
    PackedDib pbm, rle, acbm;
    std::string error;
    ASSERT_TRUE(ReadIlbm(ReadBytes(fs::path(TSL_TESTDATA) / "iff/kimageformats/testcard_pbm.iff"),
                         pbm, error));
    ASSERT_TRUE(ReadIlbm(
        ReadBytes(fs::path(TSL_TESTDATA) / "iff/kimageformats/testcard_rlepbm.iff"), rle, error));
    ASSERT_TRUE(ReadIlbm(ReadBytes(fs::path(TSL_TESTDATA) / "iff/kimageformats/testcard_acbm.iff"),
                         acbm, error));
    EXPECT_EQ(PixelsOf(pbm, true), PixelsOf(rle, true));
    EXPECT_EQ(PixelsOf(pbm, true), PixelsOf(acbm, true));
}

TEST_F(FormatsReferenceTest, FlcManifest) {
    CheckManifest("flc", ReadFlic, {});
    // No reference decodes 2422.flc (a prefix chunk and a postage stamp precede its image).
    PackedDib dib;
    std::string error;
    EXPECT_TRUE(ReadFlic(ReadBytes(fs::path(TSL_TESTDATA) / "flc/pillow/2422.flc"), dib, error))
        << error;
}

TEST_F(FormatsReferenceTest, IcoCurManifest) {
    const std::string png = "PNG-compressed entry: refused, GraphicsMagick decodes it";
    CheckManifest("ico", ReadIcon,
                  {{"ico/image-rs/lenient-bpp.ico", png},
                   {"ico/image-rs/png-32bpp-alpha.ico", png},
                   {"ico/image-rs/png_l8.ico", png},
                   {"ico/image-rs/png_rgb8.ico", png},
                   {"ico/pillow/hopper_draw.ico", png},
                   {"ico/pillow/pillow.ico", png},
                   {"ico/image-rs/bmp_v5_with_icc.ico",
                    "V5 header with an embedded profile: ImageMagick shows other pixels than the "
                    "rows that follow the header, which we decode"}});
    CheckManifest("cur", ReadIcon, {});
}

TEST_F(FormatsReferenceTest, XwdManifestRowsAreVersion11AndLeftToGraphicsMagick) {
    for (const ManifestRow& row : Manifest("xwd")) {
        PackedDib dib;
        std::string error;
        EXPECT_FALSE(ReadXwd10(ReadBytes(fs::path(TSL_TESTDATA) / row.path), dib, error));
        EXPECT_EQ(error, "not an X10 window dump") << row.path;
    }
}

// Writes the file and decodes it with each command ({} stands for the file's path); every
// command must give the DIB's RGB pixels.
void CheckWithDecoders(const fs::path& file, const Bytes& bytes, const PackedDib& dib,
                       const std::vector<std::string>& commands) {
    WriteBytes(file, bytes);
    for (std::string command : commands) {
        command.replace(command.find("{}"), 2, file.string());
        SCOPED_TRACE(command);
        EXPECT_EQ(Shell(command + " 2>/dev/null"), PixelsOf(dib, false));
    }
}

std::string Im(const std::string& coder) {
    return "convert-im6.q16 '" + coder + ":{}[0]' -depth 8 rgb:-";
}
std::string Gm(const std::string& coder) {
    return "gm convert '" + coder + ":{}' -depth 8 rgb:-";
}

TEST_F(FormatsReferenceTest, WrittenFilesDecodeAlikeInIndependentDecoders) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        const PackedDib dib = TestPattern(bpp);
        Bytes out;
        std::string error;
        // ImageMagick 6.9.11 refuses every indexed PSD (its own too): direct colour only.
        for (PsdCompression c : {PsdCompression::Raw, PsdCompression::PackBits}) {
            ASSERT_TRUE(WritePsd(dib, out, error, c)) << error;
            if (bpp > 8) CheckWithDecoders(m_dir / "a.psd", out, dib, {Im("PSD")});
        }
        for (bool compress : {false, true}) {
            ASSERT_TRUE(WriteIlbm(dib, out, error, compress)) << error;
            CheckWithDecoders(m_dir / "a.iff", out, dib,
                              {"ilbmtoppm {} | convert-im6.q16 ppm:- -depth 8 rgb:-"});
        }
        ASSERT_TRUE(WriteIcon(dib, out, error)) << error;
        CheckWithDecoders(m_dir / "a.ico", out, dib, {Gm("ICO"), Im("ICO")});
        IconOptions cursor;
        cursor.cursor = true;
        ASSERT_TRUE(WriteIcon(dib, out, error, cursor)) << error;
        CheckWithDecoders(m_dir / "a.cur", out, dib, {Im("CUR")});
        ASSERT_TRUE(WriteOs2Bmp(dib, out, error, Os2BmpVersion::V1)) << error;
        CheckWithDecoders(m_dir / "a.bmp", out, dib, {Gm("BMP"), Im("BMP")});
        // Both read the colour table of a 64-byte OS/2 header as 3-byte entries (they show
        // bmpsuite's pal8os2v2.bmp wrongly alike), so only direct colour is checked there.
        ASSERT_TRUE(WriteOs2Bmp(dib, out, error, Os2BmpVersion::V2)) << error;
        if (bpp > 8) CheckWithDecoders(m_dir / "a.bmp", out, dib, {Gm("BMP"), Im("BMP")});
        if (bpp > 8) continue;
        // GraphicsMagick ignores the colour map of 1-bit WPG bitmaps (shows black and white).
        ASSERT_TRUE(WriteWpg(dib, out, error)) << error;
        CheckWithDecoders(m_dir / "a.wpg", out, dib,
                          bpp == 1 ? std::vector<std::string>{Im("WPG")}
                                   : std::vector<std::string>{Gm("WPG"), Im("WPG")});
        ASSERT_TRUE(WriteXwd10(dib, out, error)) << error;
        CheckWithDecoders(m_dir / "a.xwd", out, dib,
                          {"xwdtopnm {} | convert-im6.q16 pnm:- -depth 8 rgb:-"});
        // The palette file beside the image gives the colours.
        ASSERT_TRUE(WriteCutFiles((m_dir / "a.cut").string(), dib, error)) << error;
        ASSERT_TRUE(fs::exists(m_dir / "a.pal"));
        out = ReadBytes(m_dir / "a.cut");
        CheckWithDecoders(m_dir / "a.cut", out, dib, {Gm("CUT"), Im("CUT")});
    }
}

// libwmf (GraphicsMagick's WMF reader; ImageMagick has none here) resamples bitmaps while it
// renders, so metafiles are checked on smooth pictures with a tolerance of 1.
TEST_F(FormatsReferenceTest, WrittenMetafilesRenderAlikeInLibwmf) {
    for (int bpp : {8, 24, 32}) {
        SCOPED_TRACE(bpp);
        std::vector<RGBQUAD> greys;
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            greys.push_back({v, v, static_cast<std::uint8_t>(255 - i), 0});
        }
        PackedDib dib = MakePackedDib(64, 48, bpp, bpp == 8 ? greys : std::vector<RGBQUAD>{});
        const auto v = ViewPackedDib(dib);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                std::uint8_t* p = dib.data() + v->bitsOffset + y * v->stride + x * (bpp / 8);
                if (bpp == 8) {
                    p[0] = static_cast<std::uint8_t>(x * 2 + y);
                } else {
                    p[0] = static_cast<std::uint8_t>(x * 4),
                    p[1] = static_cast<std::uint8_t>(y * 5);
                    p[2] = 128;
                }
            }
        Bytes out;
        std::string error;
        ASSERT_TRUE(WriteWmf(dib, out, error)) << error;
        WriteBytes(m_dir / "a.wmf", out);
        const Bytes shown = Shell("gm convert -density 96 'WMF:" + (m_dir / "a.wmf").string() +
                                  "' -depth 8 rgb:- 2>/dev/null");
        const Bytes expected = PixelsOf(dib, false);
        ASSERT_EQ(shown.size(), expected.size());
        int worst = 0;
        for (std::size_t i = 0; i < shown.size(); ++i)
            worst = std::max(worst, std::abs(shown[i] - expected[i]));
        EXPECT_LE(worst, 1);
    }
}

} // namespace
} // namespace tsl
