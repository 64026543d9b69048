// BMP files, device bitmaps and the reader/writer dispatch: the manifest's BMP rows through
// "make device bitmap", last-error codes, hand-made layouts (core, bit fields, RLE, top-down),
// the dispatch rows including resources, round trips checked by ImageMagick, huge claims.

#include "codecs/Bmp.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "core/Services.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

namespace tsl {
namespace {

using namespace testkit;

// A 32-bit device bitmap as RGB bytes, top row first.
Bytes RgbOf(const CDdb& d) {
    Bytes out;
    for (int y = d.Height() - 1; y >= 0; --y)
        for (int x = 0; x < d.Width(); ++x) {
            const std::uint8_t* p = d.Row(y) + 4 * x;
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    return out;
}

Bytes Rgba(const Bytes& rgb) {
    Bytes out;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    return out;
}

// The reference decoder's RGB bytes of a file, alpha off.
Bytes ImageMagickRgb(const fs::path& file, const std::string& prefix = "") {
    return Shell("convert-im6.q16 '" + prefix + file.string() +
                 "[0]' -alpha off -depth 8 rgb:- 2>/dev/null");
}

class BmpTest : public TempDirTest {};

// Valid rows this path refuses, with the reason.
const std::map<std::string, std::string> kRefused = {
    {"bmp/bmpsuite/q/pal2.bmp", "2 bits per pixel: a depth the screen's bitmaps never had"},
    {"bmp/image-rs/pal2.bmp", "2 bits per pixel"},
    {"bmp/image-rs/pal2color.bmp", "2 bits per pixel"},
    {"bmp/bmpsuite/q/rgb24jpeg.bmp", "JPEG-compressed rows: printer-only"},
    {"bmp/bmpsuite/q/rgb24png.bmp", "PNG-compressed rows: printer-only"},
    {"bmp/image-rs/rgb24rle24.bmp", "OS/2 24-bit RLE"},
    {"bmp/bmpsuite/q/rgba32abf.bmp", "BI_ALPHABITFIELDS (compression 6)"},
    {"bmp/image-rs/rgba32abf.bmp", "BI_ALPHABITFIELDS (compression 6)"},
    {"bmp/imagemagick/input.dib", "a packed DIB without the \"BM\" file header"},
    {"bmp/pillow/clipboard.dib", "a packed DIB without the \"BM\" file header"},
    {"bmp/pillow/mmap_error.bmp", "its pixel offset points inside the colour table"},
    {"bmp/bmpsuite/q/pal8os2sp.bmp", "a core header with a short table: core tables hold 2^bits"},
    {"bmp/image-rs/pal8os2sp.bmp", "a core header with a short table: core tables hold 2^bits"},
};

// Valid rows decoded with other pixels than the manifest's, for the reason given.
const std::map<std::string, std::string> kOtherPixels = {
    // Channel masks of 1-4 or 9-11 bits: the manifest's decoder shifts them without filling
    // the low bits; we repeat the bits, so a full channel is 255.
    {"bmp/bmpsuite/q/rgb16-231.bmp", "mask widths"},
    {"bmp/image-rs/rgb16-231.bmp", "mask widths"},
    {"bmp/bmpsuite/q/rgba16-4444.bmp", "mask widths"},
    {"bmp/image-rs/V3_A4_R4_G4_B4.bmp", "mask widths"},
    {"bmp/image-rs/V3_A4_R4_G4_B4_Top_Down.bmp", "mask widths"},
    {"bmp/image-rs/V3_X4_R4_G4_B4.bmp", "mask widths"},
    {"bmp/image-rs/V3_X4_R4_G4_B4_Top_Down.bmp", "mask widths"},
    {"bmp/bmpsuite/q/rgb32-111110.bmp", "mask widths"},
    {"bmp/image-rs/rgb32-111110.bmp", "mask widths"},
    {"bmp/image-rs/rgba16-1924.bmp", "mask widths"},
    {"bmp/image-rs/rgba32-61754.bmp", "mask widths"},
    // Indices past the 101 colours of the table show black; only one decoder reads these.
    {"bmp/image-rs/pal8badindex.bmp", "indices past the table"},
    {"bmp/bmpsuite/q/pal8os2v2.bmp", "checked against pal8.bmp below"},
};

// Valid rows whose manifest pixels keep alpha (a device bitmap has none) or come from reading a
// cut-off RLE file otherwise: our RGB equals ImageMagick's with alpha off.
const std::set<std::string> kAlphaOrCut = {
    "bmp/bmpsuite/q/rgb32fakealpha.bmp",
    "bmp/bmpsuite/q/rgba32.bmp",
    "bmp/bmpsuite/q/rgba32h56.bmp",
    "bmp/gdk-pixbuf/reftests/mandatory-bitmasks.bmp",
    "bmp/image-rs/V3_A1_R5_G5_B5.bmp",
    "bmp/image-rs/V3_A1_R5_G5_B5_Top_Down.bmp",
    "bmp/image-rs/V5_A1_R5_G5_B5.bmp",
    "bmp/image-rs/V5_A8_R8_G8_B8_Rgb.bmp",
    "bmp/image-rs/pal4rlecut.bmp",
    "bmp/image-rs/rgba32.bmp",
    "bmp/pillow/rgb32bf-abgr.bmp",
    "bmp/pillow/rgb32bf-rgba.bmp",
};

TEST_F(BmpTest, ManifestRowsMakeTheReferencePixelsOrFailCleanly) {
    // A row matches its hash, or is listed with the reason.
    const std::vector<ManifestRow> rows = Manifest("bmp");
    int matched = 0, compared = 0, viaImageMagick = 0;
    std::vector<std::string> differing;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const fs::path file = fs::path(TSL_TESTDATA) / row.path;
        const PackedDib dib = ReadBmpFile(file.string());
        const CDdb bitmap = dib.empty() ? CDdb{} : MakeDeviceBitmap(dib);
        if (row.expected != "valid" || !HasHash(row)) continue; // malformed: only must not crash
        if (kRefused.count(row.path)) {
            EXPECT_TRUE(bitmap.IsNull()) << "listed as refused but decoded";
            continue;
        }
        ++compared;
        if (bitmap.IsNull()) {
            differing.push_back(row.path + " (refused)");
            continue;
        }
        const Bytes rgb = RgbOf(bitmap);
        const bool hash = Sha256(Rgba(rgb), m_dir / "scratch") == row.hash;
        if (kOtherPixels.count(row.path)) {
            EXPECT_FALSE(hash) << "listed as differing but matches";
        } else if (kAlphaOrCut.count(row.path)) {
            if (rgb == ImageMagickRgb(file))
                ++viaImageMagick;
            else
                differing.push_back(row.path + " (not as ImageMagick shows it)");
        } else if (hash) {
            ++matched;
        } else {
            differing.push_back(row.path);
        }
    }
    std::string list;
    for (const auto& d : differing) list += d + "\n";
    EXPECT_TRUE(differing.empty()) << matched << " matched, " << viaImageMagick
                                   << " agree with ImageMagick, of " << compared
                                   << "; differing:\n" << list;
    // Every valid row with reference pixels was compared, and all but the listed ones match.
    EXPECT_EQ(compared, CountRows(rows, [](const ManifestRow& r) {
                  return HasReference(r) && !kRefused.count(r.path);
              }));
    EXPECT_EQ(matched, compared - static_cast<int>(kOtherPixels.size() + kAlphaOrCut.size()));
    std::printf("BMP manifest: %d of %d valid rows match their hash, %d agree with ImageMagick\n",
                matched, compared, viaImageMagick);
}

TEST_F(BmpTest, OsTwoVersionTwoTablesHaveFourByteEntries) {
    // ImageMagick and GraphicsMagick read this file's table as 3-byte entries; it is the
    // suite's pal8.bmp picture with a 64-byte header and 4-byte entries.
    const fs::path suite = fs::path(TSL_TESTDATA) / "bmp/bmpsuite";
    const CDdb v2 = MakeDeviceBitmap(ReadBmpFile((suite / "q/pal8os2v2.bmp").string()));
    const CDdb pal8 = MakeDeviceBitmap(ReadBmpFile((suite / "g/pal8.bmp").string()));
    ASSERT_FALSE(v2.IsNull());
    EXPECT_EQ(RgbOf(v2), RgbOf(pal8));
}

// A packed DIB block from a header of the given size, extra bytes (masks, table) and rows.
PackedDib Block(std::uint32_t headerSize, std::int32_t w, std::int32_t h, int bpp,
                std::uint32_t compression, const Bytes& extra, const Bytes& rows,
                std::uint32_t colours = 0) {
    PackedDib dib(headerSize, 0);
    WriteLe32(dib.data(), headerSize);
    if (headerSize == 12) {
        WriteLe16(dib.data() + 4, static_cast<std::uint16_t>(w));
        WriteLe16(dib.data() + 6, static_cast<std::uint16_t>(h));
        WriteLe16(dib.data() + 8, 1);
        WriteLe16(dib.data() + 10, static_cast<std::uint16_t>(bpp));
    } else {
        WriteLe32(dib.data() + 4, static_cast<std::uint32_t>(w));
        WriteLe32(dib.data() + 8, static_cast<std::uint32_t>(h));
        WriteLe16(dib.data() + 12, 1);
        WriteLe16(dib.data() + 14, static_cast<std::uint16_t>(bpp));
        WriteLe32(dib.data() + 16, compression);
        WriteLe32(dib.data() + 32, colours);
    }
    dib.insert(dib.end(), extra.begin(), extra.end());
    dib.insert(dib.end(), rows.begin(), rows.end());
    return dib;
}

TEST_F(BmpTest, DeviceBitmapsComeFromEveryLayoutTheScreenDraws) {
    // Every case is the same 2 x 2 picture: red, green over blue, white. Rows bottom first.
    const Bytes table4 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    PackedDib core = Block(12, 2, 2, 8, 0, {}, {});
    Bytes table3(256 * 3, 0);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})
        table3[i] = Bytes{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}[i];
    core.insert(core.end(), table3.begin(), table3.end());
    core.insert(core.end(), {2, 3, 0, 0, 0, 1, 0, 0});
    PackedDib v4 = Block(108, 2, 2, 32, BI_BITFIELDS, {}, {});
    const std::uint32_t masks[3] = {0xFF000000u, 0x00FF0000u, 0x0000FF00u};
    for (int i = 0; i < 3; ++i) WriteLe32(v4.data() + 40 + 4 * i, masks[i]);
    for (std::uint32_t px : {0x0000FF00u, 0xFFFFFF00u, 0xFF000000u, 0x00FF0000u}) {
        std::uint8_t b[4];
        WriteLe32(b, px);
        v4.insert(v4.end(), b, b + 4);
    }
    const std::pair<const char*, PackedDib> cases[] = {
        {"24-bit", Block(40, 2, 2, 24, BI_RGB, {},
                         {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0})},
        {"24-bit top-down", Block(40, 2, -2, 24, BI_RGB, {},
                                  {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0})},
        {"core header, 3-byte entries", core},
        {"8-bit, 4 colours", Block(40, 2, 2, 8, BI_RGB, table4, {2, 3, 0, 0, 0, 1, 0, 0}, 4)},
        {"RLE8", Block(40, 2, 2, 8, BI_RLE8, table4, {1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1}, 4)},
        {"RLE4", Block(40, 2, 2, 4, BI_RLE4, table4, {2, 0x23, 0, 0, 2, 0x01, 0, 1}, 4)},
        {"16-bit 5-6-5 bit fields",
         Block(40, 2, 2, 16, BI_BITFIELDS, {0, 0xF8, 0, 0, 0xE0, 7, 0, 0, 0x1F, 0, 0, 0},
               {0x1F, 0, 0xFF, 0xFF, 0, 0xF8, 0xE0, 7})},
        {"16-bit 5-5-5", Block(40, 2, 2, 16, BI_RGB, {}, {0x1F, 0, 0xFF, 0x7F, 0, 0x7C, 0xE0, 3})},
        {"32-bit bit fields in a V4 header", v4},
    };
    for (const auto& [what, dib] : cases) {
        SCOPED_TRACE(what);
        const CDdb d = MakeDeviceBitmap(dib);
        ASSERT_FALSE(d.IsNull());
        EXPECT_EQ(d.BitsPerPixel(), 32);
        EXPECT_EQ(RgbOf(d), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    }
}

TEST_F(BmpTest, RefusalsAndLastErrors) {
    SetBmpLastError(kBmpNoError);
    EXPECT_TRUE(ReadBmpFile((m_dir / "missing.bmp").string()).empty());
    EXPECT_EQ(BmpLastError(), kBmpReadError);
    WriteBytes(m_dir / "not.bmp", Bytes(100, 'x'));
    EXPECT_TRUE(ReadBmpFile((m_dir / "not.bmp").string()).empty());
    EXPECT_EQ(BmpLastError(), kBmpNotBmp);
    EXPECT_TRUE(ReadBmpFile(m_dir.string()).empty()) << "a folder is not read";
    EXPECT_EQ(BmpLastError(), kBmpReadError);

    SetBmpLastError(kBmpNoError);
    EXPECT_TRUE(MakePalette(Bytes{1, 2, 3}).empty());
    EXPECT_EQ(BmpLastError(), kBmpNoPalette);

    const Bytes row24(8, 0);
    struct Case {
        const char* what;
        PackedDib dib;
    };
    const Case refused[] = {
        {"2 bits", Block(40, 2, 2, 2, BI_RGB, Bytes(16, 0), row24)},
        {"RLE top-down", Block(40, 2, -2, 8, BI_RLE8, Bytes(1024, 0), {0, 1})},
        {"RLE8 at 4 bits", Block(40, 2, 2, 4, BI_RLE8, Bytes(64, 0), {0, 1})},
        {"bit fields at 24 bits", Block(40, 2, 2, 24, BI_BITFIELDS, Bytes(12, 0), Bytes(16, 0))},
        {"JPEG rows", Block(40, 2, 2, 24, 4, {}, Bytes(16, 0))},
        {"rows cut short", Block(40, 2, 2, 24, BI_RGB, {}, Bytes(15, 0))},
        {"zero width", Block(40, 0, 2, 24, BI_RGB, {}, Bytes(16, 0))},
        {"header longer than V5", Block(125, 2, 2, 24, BI_RGB, {}, Bytes(16, 0))},
        {"OS/2 Huffman", Block(64, 2, 2, 1, 3, Bytes(8, 0), Bytes(8, 0))},
        {"table past the block", Block(40, 2, 2, 8, BI_RGB, {}, {}, 256)},
        {"50000 x 50000", Block(40, 50000, 50000, 24, BI_RGB, {}, Bytes(64, 0))},
        {"50000 x 50000 RLE", Block(40, 50000, 50000, 8, BI_RLE8, Bytes(1024, 0), {0, 1})},
        {"30000 x 30000 RLE from 2 bytes", Block(40, 30000, 30000, 8, BI_RLE8, Bytes(1024, 0), {0, 1})},
    };
    const ChildRun run = RunInChild([&] {
        for (const Case& c : refused) {
            SCOPED_TRACE(c.what);
            SetBmpLastError(kBmpNoError);
            EXPECT_TRUE(MakeDeviceBitmap(c.dib).IsNull());
            EXPECT_EQ(BmpLastError(), kBmpNoDeviceBitmap);
        }
    });
    EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 64 * 1024)
        << "refusals allocate nothing large: " << run.peakGrowthKb << " KiB";
}

TEST_F(BmpTest, RleRunsStopAtTheImageAndSkippedPixelsTakeEntryZero) {
    const Bytes table = {9, 9, 9, 0, 0, 0, 255, 0};
    // A delta skips (1, 0); a run of 200 pixels is cut at the row end; rows past the image and
    // an absolute run longer than the data are ignored.
    const PackedDib dib = Block(40, 3, 2, 8, BI_RLE8, table,
                                {0, 2, 1, 0, 1, 1, 0, 0, 200, 1, 0, 0, 5, 1, 0, 0, 0, 9, 1}, 2);
    const CDdb d = MakeDeviceBitmap(dib);
    ASSERT_FALSE(d.IsNull());
    EXPECT_EQ(RgbOf(d), (Bytes{255, 0, 0, 255, 0, 0, 255, 0, 0, 9, 9, 9, 255, 0, 0, 9, 9, 9}));
}

TEST_F(BmpTest, BmpFilesRoundTripAndImageMagickAgrees) {
    std::mt19937 rng(7);
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        PackedDib dib = MakePackedDib(37, 11, bpp);
        const auto v = ViewPackedDib(dib);
        for (std::size_t i = v->bitsOffset; i < dib.size(); ++i)
            dib[i] = static_cast<std::uint8_t>(rng());
        if (bpp == 16) // 5-5-5 keeps the top bit clear
            for (std::size_t i = v->bitsOffset + 1; i < dib.size(); i += 2) dib[i] &= 0x7F;
        if (bpp == 32) // X bytes are zero on the screen
            for (std::size_t i = v->bitsOffset + 3; i < dib.size(); i += 4) dib[i] = 0;
        const fs::path file = m_dir / ("r" + std::to_string(bpp) + ".bmp");
        ASSERT_TRUE(WriteBmpFile(file.string(), dib));
        const Bytes bytes = ReadBytes(file);
        ASSERT_EQ(bytes.size(), dib.size() + 14);
        EXPECT_EQ(ReadLe32(bytes.data() + 2), bytes.size());
        EXPECT_EQ(ReadLe32(bytes.data() + 10), v->bitsOffset + 14);
        EXPECT_EQ(ReadBmpFile(file.string()), dib);
        const Bytes rgb = RgbOf(MakeDeviceBitmap(dib));
        EXPECT_EQ(rgb, RgbRowsOf(dib));
        if (bpp != 16) { // ImageMagick scales 5-bit values its own way
            EXPECT_EQ(ImageMagickRgb(file), rgb);
        }
    }
    EXPECT_FALSE(WriteBmpFile((m_dir / "bad.bmp").string(), Bytes{1, 2, 3}));
    EXPECT_FALSE(fs::exists(m_dir / "bad.bmp"));
}

TEST_F(BmpTest, PackedBitmapsRoundTheDepthUp) {
    for (auto [source, packed] : {std::pair{1, 1}, {2, 4}, {4, 4}, {8, 8}, {16, 16}, {24, 24}, {32, 24}}) {
        SCOPED_TRACE(source);
        CDdb d = CDdb::Create(5, 3, source);
        if (source <= 8) d.Palette() = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}};
        for (auto& b : d.Bits()) b = 0x55;
        const PackedDib dib = MakePackedBitmap(d, {});
        const auto v = ViewPackedDib(dib);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->bitsPerPixel, packed);
        if (source == 2) { // 0x55 is index 1 everywhere
            EXPECT_EQ(RgbRowsOf(dib)[0], 6);
            EXPECT_EQ(RgbRowsOf(dib)[2], 4);
        }
        if (source == 32) {
            EXPECT_EQ(RgbRowsOf(dib), Bytes(5 * 3 * 3, 0x55));
        }
    }
    EXPECT_TRUE(MakePackedBitmap(CDdb{}, {}).empty());
}

// Resources for the P, B4 and B8 rows, read from files.
class FileResources : public IResources {
public:
    std::string ProgramFolder() override { return "/"; }
    std::vector<std::uint8_t> Resource(const std::string& name) override {
        auto it = files.find(name);
        return it == files.end() ? Bytes{} : it->second;
    }
    std::map<std::string, Bytes> files;
};

TEST_F(BmpTest, ReaderDispatchChoosesByExtension) {
    const fs::path data = TSL_TESTDATA;
    struct Row {
        std::string file;
        bool palette;
    };
    const Row rows[] = {
        {"bmp/bmpsuite/g/pal8.bmp", true},     {"pcx/kimageformats/indexed8.pcx", true},
        {"tiff/pillow/8bit.s.tif", false},     {"tga/pillow/common/1x1_l_bl_rle.tga", true},
        {"jpeg/pillow/hopper.jpg", false},     {"png/pillow/icc_profile.png", false},
        {"gif/pillow/chi.gif", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        DecodedImage image;
        ASSERT_TRUE(ReadImageFile((data / r.file).string(), image));
        EXPECT_EQ(image.bitmap.BitsPerPixel(), 32);
        if (r.palette) {
            EXPECT_FALSE(image.palette.empty());
        }
        // The same pixels as ImageMagick's decoder.
        EXPECT_EQ(RgbOf(image.bitmap), ImageMagickRgb(data / r.file));
    }
    // The extension decides, in any case; a copy with another name is not read.
    fs::copy_file(data / "png/pillow/icc_profile.png", m_dir / "UPPER.PnG");
    fs::copy_file(data / "png/pillow/icc_profile.png", m_dir / "hopper.jpe");
    fs::copy_file(data / "png/pillow/icc_profile.png", m_dir / "<FIRST");
    DecodedImage image;
    EXPECT_TRUE(ReadImageFile((m_dir / "UPPER.PnG").string(), image));
    std::string reason;
    EXPECT_FALSE(ReadImageFile((m_dir / "hopper.jpe").string(), image, &reason));
    EXPECT_EQ(reason, "no reader for this file name's extension");
    EXPECT_FALSE(ReadImageFile((m_dir / "<FIRST").string(), image));
    EXPECT_TRUE(image.bitmap.IsNull());
}

TEST_F(BmpTest, GifTransparencyAndResourceRows) {
    // A 2-colour GIF whose transparent index 1 is green.
    PackedDib dib = MakePackedDib(4, 4, 1, {{0, 0, 255, 0}, {0, 255, 0, 0}});
    const fs::path gif = m_dir / "t.gif";
    ASSERT_EQ(WriteGif(gif.string(), dib, true, false, 1), 1);
    DecodedImage image;
    ASSERT_TRUE(ReadImageFile(gif.string(), image));
    EXPECT_TRUE(image.transparent);
    EXPECT_EQ(image.transparentColour, RGB(0, 255, 0));

    FileResources resources;
    InstallResources(&resources);
    const fs::path data = TSL_TESTDATA;
    resources.files["pcx/LOGO.P"] = ReadBytes(data / "pcx/kimageformats/indexed8.pcx");
    resources.files["bitmap/BTN.B4"] = ReadBytes(data / "bmp/bmpsuite/g/pal4.bmp");
    // A 256-colour resource whose header counts fewer colours: the rows still follow 256.
    PackedDib eight = MakePackedDib(2, 1, 8);
    eight[40 + 4 * 7 + 2] = 200; // entry 7 red
    eight[eight.size() - 4] = 7;
    WriteLe32(eight.data() + 32, 8);
    resources.files["bitmap/PIC.B8"] = eight;
    EXPECT_TRUE(ReadImageFile("LOGO.P", image));
    EXPECT_TRUE(ReadImageFile("BTN.B4", image));
    EXPECT_TRUE(image.palette.empty()) << "B4 bitmaps carry no palette";
    ASSERT_TRUE(ReadImageFile("PIC.B8", image));
    EXPECT_EQ(image.palette.size(), 256u);
    EXPECT_EQ(RgbOf(image.bitmap)[0], 200);
    EXPECT_FALSE(ReadImageFile("NONE.P", image));
    EXPECT_FALSE(ReadImageFile("LOGO.p.x", image));
    InstallResources(nullptr);
}

TEST_F(BmpTest, WriterDispatchKeepsDepthsAndRefusesGif) {
    std::mt19937 rng(3);
    for (int bpp : {1, 4, 8, 24}) {
        PackedDib dib = MakePackedDib(19, 7, bpp);
        const auto v = ViewPackedDib(dib);
        for (std::size_t i = v->bitsOffset; i < dib.size(); ++i)
            dib[i] = static_cast<std::uint8_t>(rng());
        for (const char* ext : {"bmp", "PCX", "tif", "TIFF", "png"}) {
            SCOPED_TRACE(std::to_string(bpp) + ext);
            const fs::path file = m_dir / (std::string("w.") + ext);
            ASSERT_TRUE(WritePackedImage(file.string(), dib));
            PackedImage back;
            ASSERT_TRUE(ReadPackedImage(file.string(), back));
            EXPECT_EQ(ViewPackedDib(back.dib)->bitsPerPixel, bpp);
            EXPECT_EQ(RgbRowsOf(back.dib), RgbRowsOf(dib));
            // ImageMagick ignores a 1-bit PCX's palette; GraphicsMagick reads it.
            const bool gm = bpp == 1 && std::string(ext) == "PCX";
            EXPECT_EQ(gm ? Shell("gm convert '" + file.string() + "' -depth 8 rgb:- 2>/dev/null")
                         : ImageMagickRgb(file),
                      RgbRowsOf(dib));
        }
        // JPEG is lossy: quality 100 keeps every value close.
        const fs::path jpg = m_dir / "w.jpeg";
        ASSERT_TRUE(WritePackedImage(jpg.string(), dib));
        PackedImage back;
        ASSERT_TRUE(ReadPackedImage(jpg.string(), back));
        EXPECT_EQ(ViewPackedDib(back.dib)->bitsPerPixel, 24);
    }
    std::string reason;
    const PackedDib dib = MakePackedDib(4, 4, 8);
    EXPECT_FALSE(WritePackedImage((m_dir / "x.gif").string(), dib, {}, &reason));
    EXPECT_EQ(reason, "GIF files are written by the GIF writer only");
    EXPECT_FALSE(fs::exists(m_dir / "x.gif"));
    EXPECT_FALSE(WriteImageFile((m_dir / "y.GIF").string(), CDdb::Create(4, 4), {}));
    EXPECT_FALSE(WriteImageFile((m_dir / "noext").string(), CDdb::Create(4, 4), {}));

    // A device bitmap is written at 24 bits.
    CDdb screen = CDdb::Create(3, 2, 32);
    screen.Row(1)[2] = 255; // top-left red
    ASSERT_TRUE(WriteImageFile((m_dir / "s.bmp").string(), screen, {}));
    PackedImage back;
    ASSERT_TRUE(ReadPackedImage((m_dir / "s.bmp").string(), back));
    EXPECT_EQ(ViewPackedDib(back.dib)->bitsPerPixel, 24);
    EXPECT_EQ(RgbRowsOf(back.dib)[0], 255);
}

TEST(Dispatch, ExtensionsAndPreviews) {
    EXPECT_EQ(UpperExtension("/a.b/c.jpeg"), "JPEG");
    EXPECT_EQ(UpperExtension("/a.b/c"), "");
    EXPECT_EQ(UpperExtension("<FIRST"), "");
    EXPECT_EQ(UpperExtension("x."), "");
    for (const char* e : {"bmp", "CRI", "Pcx", "png", "tga", "jpg", "jpeg", "tif", "tiff", "dib", "rle", "gif"})
        EXPECT_TRUE(IsPreviewExtension(e)) << e;
    for (const char* e : {"", "jpe", "psd", "gif ", ".gif"}) EXPECT_FALSE(IsPreviewExtension(e)) << e;
}

} // namespace
} // namespace tsl
