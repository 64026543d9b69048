#include "codecs/Pcx.h"

#include "core/Palette.h"

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tsl {
namespace {

using namespace testkit;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class PcxTest : public TempDirTest {};

// Valid rows whose manifest pixels this reader does not give: refused (no decoder), or checked
// against another decoder's rendering of the file (or of a reference file beside it).
struct Exception {
    const char* reason;
    const char* decoder = nullptr; // "im" or "gm"; none: the reader refuses the file
    const char* file = nullptr;    // rendered instead of the row's file
};
const std::map<std::string, Exception> kExceptions = {
    {"pcx/imagemagick/input.dcx", {"a DCX container of PCX pages, not a PCX file"}},
    {"pcx/pillow/hopper.dcx", {"a DCX container of PCX pages, not a PCX file"}},
    {"pcx/kimageformats/CGA_FSD.pcx", {"one plane of 2 bits (CGA): a layout not decoded"}},
    {"pcx/kimageformats/ICONDOC.pcx", {"three planes of 1 bit (8 colours): a layout not decoded"}},
    {"pcx/kimageformats/dice_rgba.pcx", {"four planes of 8 bits (RGBA): a layout not decoded"}},
    {"pcx/kimageformats/ccbug_463951.pcx",
     {"ImageMagick and GraphicsMagick read the 256-colour block a byte late; the suite's "
      "rendering uses the block as it stands",
      "im", "pcx/kimageformats/ccbug_463951.png"}},
    {"pcx/pillow/pil184.pcx",
     {"ImageMagick ignores a 1-bit header palette and shows 0 as white", "gm"}},
};

// RGB bytes of a file as another decoder renders it.
Bytes Rendering(const std::string& decoder, const fs::path& file) {
    const std::string tool = decoder == "gm" ? "gm convert '" : "convert-im6.q16 '";
    return Shell(tool + file.string() + "' -depth 8 rgb:- 2>/dev/null");
}

TEST_F(PcxTest, ManifestRowsDecodeToTheReferencePixelsOrFailCleanly) {
    const std::vector<ManifestRow> rows = Manifest("pcx");
    int matched = 0, compared = 0;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const fs::path file = fs::path(TSL_TESTDATA) / row.path;
        const PcxImage image = ReadPcxFile(file.string());
        const auto exception = kExceptions.find(row.path);
        if (row.expected != "valid" || row.hash.size() != 64 ||
            (exception != kExceptions.end() && !exception->second.decoder)) {
            EXPECT_TRUE(image.IsNull());
            continue;
        }
        ASSERT_FALSE(image.IsNull());
        const auto view = ViewPackedDib(image.dib);
        EXPECT_EQ(std::to_string(view->width) + "x" + std::to_string(view->height),
                  row.width + "x" + row.height);
        EXPECT_EQ(image.palette.size(), static_cast<std::size_t>(view->colourCount));
        if (exception == kExceptions.end()) {
            EXPECT_EQ(Sha256(PixelsOf(image.dib, true), m_dir / "rgba"), row.hash);
            ++matched;
        } else {
            const Exception& e = exception->second;
            const fs::path reference = e.file ? fs::path(TSL_TESTDATA) / e.file : file;
            EXPECT_EQ(PixelsOf(image.dib, false), Rendering(e.decoder, reference)) << e.reason;
            ++compared;
        }
    }
    // Every row with reference pixels was checked: against its hash, or as listed.
    EXPECT_EQ(matched, CountRows(rows, [](const ManifestRow& r) {
                  return HasReference(r) && !kExceptions.count(r.path);
              }));
    EXPECT_EQ(compared, CountRows(rows, [](const ManifestRow& r) {
                  const auto e = kExceptions.find(r.path);
                  return HasReference(r) && e != kExceptions.end() && e->second.decoder;
              }));
    EXPECT_GT(matched, 0);
}

// A device bitmap of the depth with runs and noise in every row, and its palette.
CDdb Pattern(int bpp, int width, int height) {
    CDdb d = CDdb::Create(width, height, bpp);
    if (bpp == 1) // ImageMagick shows 1-bit files so, whatever their header palette
        d.Palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    else if (bpp <= 8)
        for (int i = 0; i < (1 << bpp); ++i)
            d.Palette().push_back({static_cast<std::uint8_t>(i * 7),
                                   static_cast<std::uint8_t>(255 - i),
                                   static_cast<std::uint8_t>(i * 53), 0});
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < d.Stride(); ++i)
            d.Row(y)[i] = static_cast<std::uint8_t>((i / 5) % 3 ? y * 16 + i / 70 : (i * 151) ^ y);
    if (bpp == 16)
        for (std::size_t i = 1; i < d.Bits().size(); i += 2)
            d.Bits()[i] &= 0x7F;
    return d;
}

// The device bitmap's colours, top row first, through a packed DIB of 1, 4, 8 or 24 bits.
Bytes RgbOf(const CDdb& d) {
    const int bpp = d.BitsPerPixel();
    PackedDib dib = MakePackedDib(d.Width(), d.Height(), bpp <= 8 ? bpp : 24, d.Palette());
    const auto v = ViewPackedDib(dib);
    for (int y = 0; y < d.Height(); ++y) {
        std::uint8_t* out = dib.data() + v->bitsOffset + y * v->stride;
        const std::uint8_t* in = d.Row(y);
        if (bpp <= 8) std::copy(in, in + v->stride, out);
        for (int x = 0; bpp > 8 && x < d.Width(); ++x) {
            if (bpp == 16) {
                const unsigned p = in[2 * x] | in[2 * x + 1] << 8;
                for (int c = 0; c < 3; ++c) {
                    const unsigned five = (p >> (5 * c)) & 31;
                    out[3 * x + c] = static_cast<std::uint8_t>(five << 3 | five >> 2);
                }
            } else {
                std::copy(in + x * bpp / 8, in + x * bpp / 8 + 3, out + 3 * x);
            }
        }
    }
    return PixelsOf(dib, false);
}

TEST_F(PcxTest, WrittenFilesReadBackAndDecodeAlikeWithImageMagick) {
    struct Case {
        int bpp, width, height, storedDepth;
    };
    // 24-bit rows of 2,000 pixels take 6,000 bytes of planes: far past an 8,192-byte buffer
    // once the noise doubles them.
    for (Case c : {Case{1, 37, 5, 1}, Case{1, 1, 1, 1}, Case{4, 13, 4, 4}, Case{8, 70, 3, 8},
                   Case{8, 1, 1, 8}, Case{16, 9, 3, 24}, Case{24, 1500, 2, 24},
                   Case{32, 2000, 3, 24}, Case{32, 7, 2, 24}}) {
        SCOPED_TRACE(std::to_string(c.bpp) + " bits, " + std::to_string(c.width) + " wide");
        const CDdb bitmap = Pattern(c.bpp, c.width, c.height);
        const fs::path file = m_dir / "out.pcx";
        ASSERT_TRUE(WritePcx(file.string(), bitmap, {}, 800, 600));
        const PcxImage back = ReadPcxFile(file.string());
        ASSERT_FALSE(back.IsNull());
        EXPECT_EQ(ViewPackedDib(back.dib)->bitsPerPixel, c.storedDepth);
        const Bytes expected = RgbOf(bitmap);
        EXPECT_EQ(PixelsOf(back.dib, false), expected);
        EXPECT_EQ(Rendering("im", file), expected);

        const PcxImage fromDib = ReadPcxMemory(EncodePcx(back.dib, {}, 800, 600));
        EXPECT_EQ(fromDib.dib, back.dib) << "a packed DIB encodes to the same file";
    }
}

TEST_F(PcxTest, HeaderBytesFollowTheLayoutOfEachDepth) {
    struct Case {
        int bpp, width, bits, planes, bytesPerLine, headerColours;
        bool block;
    };
    for (Case c : {Case{1, 21, 1, 1, 4, 2, false}, Case{4, 21, 1, 4, 4, 16, false},
                   Case{8, 21, 8, 1, 22, 0, true}, Case{32, 21, 8, 3, 22, 0, false},
                   Case{24, 16, 8, 3, 16, 0, false}}) {
        SCOPED_TRACE(c.bpp);
        const CDdb bitmap = Pattern(c.bpp, c.width, 3);
        const fs::path file = m_dir / "h.pcx";
        ASSERT_TRUE(WritePcx(file.string(), bitmap, {}, 1280, 1024));
        const Bytes b = ReadBytes(file);
        ASSERT_GT(b.size(), 128u);
        auto le16 = [&](int at) { return b[at] | b[at + 1] << 8; };
        EXPECT_EQ(b[0], 10);
        EXPECT_EQ(b[1], 5);
        EXPECT_EQ(b[2], 1);
        EXPECT_EQ(b[3], c.bits);
        EXPECT_EQ(le16(4), 0);
        EXPECT_EQ(le16(6), 0);
        EXPECT_EQ(le16(8), c.width - 1);
        EXPECT_EQ(le16(10), 2);
        EXPECT_EQ(le16(12), 1280);
        EXPECT_EQ(le16(14), 1024);
        for (int i = 0; i < 48; ++i) {
            const RGBQUAD q = i / 3 < c.headerColours ? bitmap.Palette()[i / 3] : RGBQUAD{};
            EXPECT_EQ(b[16 + i], i % 3 == 0 ? q.rgbRed : i % 3 == 1 ? q.rgbGreen : q.rgbBlue) << i;
        }
        EXPECT_EQ(b[64], 0);
        EXPECT_EQ(b[65], c.planes);
        EXPECT_EQ(le16(66), c.bytesPerLine);
        EXPECT_EQ(le16(68), 1);
        EXPECT_EQ(le16(70), 1280);
        EXPECT_EQ(le16(72), 1024);
        EXPECT_EQ(Bytes(b.begin() + 74, b.begin() + 118), Bytes(44, 0));
        EXPECT_EQ(std::string(b.begin() + 118, b.begin() + 128), "PCXW 2.01 ");
        const bool block = b.size() > 128 + 769 && b[b.size() - 769] == 12;
        EXPECT_EQ(block, c.block);
        if (c.block) {
            const RGBQUAD first = bitmap.Palette()[0];
            EXPECT_EQ(Bytes(b.end() - 768, b.end() - 765),
                      (Bytes{first.rgbRed, first.rgbGreen, first.rgbBlue}));
        }
    }
}

TEST_F(PcxTest, RunsGoOnOverPlanesButEndWithEachRow) {
    struct Case {
        int bpp, width, height;
        std::vector<std::uint8_t> row; // the bottom-up DIB row, repeated
        Bytes data;                    // what follows the header, before any palette block
    };
    for (const Case& c : {
             // 64 equal bytes: a run of 63 and a single byte, twice, never one run of 65.
             Case{8, 64, 2, Bytes(64, 5), {0xFF, 5, 5, 0xFF, 5, 5}},
             // Equal red, green and blue planes of two pixels each: one run of six.
             Case{32, 2, 1, {0x10, 0x10, 0x10, 0, 0x10, 0x10, 0x10, 0}, {0xC6, 0x10}},
             // A single byte of 0xC0 or more takes a count of one.
             Case{8, 2, 1, {0xC5, 0x01, 0, 0}, {0xC1, 0xC5, 0x01}},
         }) {
        CDdb bitmap = CDdb::Create(c.width, c.height, c.bpp);
        for (int y = 0; y < c.height; ++y)
            std::copy(c.row.begin(), c.row.end(), bitmap.Row(y));
        const fs::path file = m_dir / "runs.pcx";
        ASSERT_TRUE(WritePcx(file.string(), bitmap, {}, 640, 480));
        const Bytes b = ReadBytes(file);
        EXPECT_EQ(Bytes(b.begin() + 128, b.begin() + 128 + c.data.size()), c.data);
        EXPECT_EQ(b.size(), 128 + c.data.size() + (c.bpp == 8 ? 769 : 0));
    }
}

// A stream that cannot seek, so cannot tell its length.
struct OneWayStream : std::streambuf, std::istream {
    explicit OneWayStream(const Bytes& bytes)
        : std::istream(this), m_bytes(bytes.begin(), bytes.end()) {
        setg(m_bytes.data(), m_bytes.data(), m_bytes.data() + m_bytes.size());
    }
    std::string m_bytes;
};

// A file of the layout with the given data after the header.
Bytes MakeFile(int bits, int planes, int width, int height, int bytesPerLine, const Bytes& data,
               int version = 5) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = static_cast<std::uint8_t>(version);
    b[2] = 1;
    b[3] = static_cast<std::uint8_t>(bits);
    b[8] = static_cast<std::uint8_t>((width - 1) & 0xFF);
    b[9] = static_cast<std::uint8_t>((width - 1) >> 8);
    b[10] = static_cast<std::uint8_t>((height - 1) & 0xFF);
    b[11] = static_cast<std::uint8_t>((height - 1) >> 8);
    b[65] = static_cast<std::uint8_t>(planes);
    b[66] = static_cast<std::uint8_t>(bytesPerLine & 0xFF);
    b[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
    for (int i = 0; i < 48; ++i)
        b[16 + i] = static_cast<std::uint8_t>(i * 5);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TEST_F(PcxTest, ReaderDecodesEachLayoutWithTheRightPalette) {
    struct Case {
        const char* what;
        Bytes file;
        Bytes rgb; // first pixels of the top row
    };
    Bytes marked = MakeFile(8, 1, 2, 1, 2, {7, 0xC1, 200});
    marked.push_back(12);
    for (int i = 0; i < 768; ++i)
        marked.push_back(static_cast<std::uint8_t>(i / 3 + i % 3));
    for (const Case& c : {
             Case{"packed 4-bit",
                  MakeFile(4, 1, 3, 1, 2, {0x12, 0x30}),
                  {15, 20, 25, 30, 35, 40, 45, 50, 55}},
             Case{"four 1-bit planes",
                  MakeFile(1, 4, 2, 1, 2, {0x80, 0, 0x40, 0, 0xC1, 0xC0, 0, 0, 0}),
                  {75, 80, 85, 90, 95, 100}},
             Case{"version 3 takes the EGA colours",
                  MakeFile(1, 4, 2, 1, 2, {0x80, 0, 0x40, 0, 0xC1, 0xC0, 0, 0, 0}, 3),
                  {170, 0, 170, 170, 85, 0}},
             Case{"8 bits without the block: a grey ramp",
                  MakeFile(8, 1, 2, 1, 2, {7, 0xC1, 200}),
                  {7, 7, 7, 200, 200, 200}},
             Case{"8 bits with the block", marked, {7, 8, 9, 200, 201, 202}},
             Case{"1 bit, different header entries",
                  MakeFile(1, 1, 2, 1, 2, {0x40, 0}),
                  {0, 5, 10, 15, 20, 25}},
             Case{"1 bit, old version: black and white",
                  MakeFile(1, 1, 2, 1, 2, {0x40, 0}, 3),
                  {0, 0, 0, 255, 255, 255}},
             Case{"24 bits, a run over the row end",
                  MakeFile(8, 3, 1, 2, 2, {0xC8, 9, 1, 2, 3, 4}),
                  {9, 9, 9, 9, 1, 3}},
         }) {
        SCOPED_TRACE(c.what);
        const PcxImage image = ReadPcxMemory(c.file);
        ASSERT_FALSE(image.IsNull());
        OneWayStream stream(c.file);
        EXPECT_EQ(ReadPcx(stream).dib, image.dib);
        const Bytes rgb = PixelsOf(image.dib, false);
        EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + c.rgb.size()), c.rgb);
    }
    Bytes equal = MakeFile(1, 1, 8, 1, 2, {0x0F, 0});
    std::fill(equal.begin() + 16, equal.begin() + 22, 0x33);
    EXPECT_EQ(PixelsOf(ReadPcxMemory(equal).dib, false).back(), 255)
        << "equal entries: black and white";
}

TEST_F(PcxTest, ReaderRefusesWhatItCannotDecode) {
    Bytes wrongMaker = MakeFile(8, 1, 2, 1, 2, {1, 2});
    wrongMaker[0] = 11;
    Bytes unencoded = MakeFile(8, 1, 2, 1, 2, {1, 2});
    unencoded[2] = 0;
    Bytes inverted = MakeFile(8, 1, 2, 1, 2, {1, 2});
    inverted[4] = 9; // x min beyond x max
    for (const auto& [what, file] : std::vector<std::pair<const char*, Bytes>>{
             {"short header", Bytes(127, 10)},
             {"manufacturer", wrongMaker},
             {"not run-length encoded", unencoded},
             {"x min beyond x max", inverted},
             {"2 bits, 1 plane", MakeFile(2, 1, 4, 1, 2, {0, 0})},
             {"1 bit, 3 planes", MakeFile(1, 3, 8, 1, 2, Bytes(6, 0))},
             {"8 bits, 4 planes", MakeFile(8, 4, 2, 1, 2, Bytes(8, 0))},
             {"8 bits, 2 planes", MakeFile(8, 2, 2, 1, 2, Bytes(4, 0))},
             {"line shorter than the width", MakeFile(8, 1, 88, 1, 12, Bytes(88, 0))},
             {"data ends in the last row", MakeFile(8, 1, 4, 2, 4, {1, 2, 3, 4, 5, 6})},
             {"run count without its byte", MakeFile(8, 1, 4, 1, 4, {0xC4})},
         }) {
        EXPECT_TRUE(ReadPcxMemory(file).IsNull()) << what;
        std::istringstream stream(std::string(file.begin(), file.end()));
        EXPECT_TRUE(ReadPcx(stream).IsNull()) << what;
        OneWayStream oneWay(file);
        EXPECT_TRUE(ReadPcx(oneWay).IsNull()) << what;
    }
    EXPECT_TRUE(ReadPcxFile((m_dir / "missing.pcx").string()).IsNull());
}

TEST_F(PcxTest, HugeClaimsAreRefusedWithoutAllocating) {
    // 50000 x 50000 is past the pixel limit; 20000 x 20000 is within it but 4 KB cannot hold it.
    for (int side : {50000, 20000}) {
        const Bytes file = MakeFile(8, 3, side, side, side, Bytes(4096, 0xFF));
        const ChildRun run = RunInChild([&] {
            EXPECT_TRUE(ReadPcxMemory(file).IsNull()) << side;
            std::istringstream stream(std::string(file.begin(), file.end()));
            EXPECT_TRUE(ReadPcx(stream).IsNull()) << side;
        });
        EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 32 * 1024)
            << side << ": " << run.peakGrowthKb << " KiB";
    }
}

TEST_F(PcxTest, WriterReplacesTheTargetOnlyWhenItSucceeds) {
    const fs::path target = m_dir / "keep.pcx";
    std::ofstream(target) << "old";
    EXPECT_FALSE(WritePcx(target.string(), CDdb::Create(4, 4, 2), {}, 640, 480)) << "2 bits";
    EXPECT_FALSE(WritePcx(target.string(), CDdb::Create(65537, 1, 1), {}, 640, 480)) << "too wide";
    EXPECT_FALSE(WritePcx(target.string(), CDdb(), {}, 640, 480)) << "no bitmap";
    EXPECT_FALSE(WritePcx((m_dir / "no/such/folder.pcx").string(), Pattern(8, 4, 4), {}, 640, 480));
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));

    // A given palette replaces the bitmap's own.
    const std::vector<RGBQUAD> grey = {{9, 9, 9, 0}, {99, 99, 99, 0}};
    ASSERT_TRUE(WritePcx(target.string(), Pattern(1, 8, 2), grey, 640, 480));
    EXPECT_EQ(ReadPcxFile(target.string()).palette, grey);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

} // namespace
} // namespace tsl
