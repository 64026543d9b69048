#include "codecs/Tga.h"

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

// RGB bytes, rows in display order, of a file as a reference decoder renders it, alpha off.
Bytes Rendering(const std::string& decoder, const fs::path& file) {
    if (decoder == "gm")
        return Shell("gm convert 'tga:" + file.string() + "' -depth 8 rgb:- 2>/dev/null");
    return Shell("convert-im6.q16 'tga:" + file.string() +
               "[0]' -auto-orient -alpha off -depth 8 rgb:- 2>/dev/null");
}

class TgaTest : public TempDirTest {};

// Valid rows whose manifest pixels this reader does not give: refused, or checked against
// another decoder's rendering of the file (or of another file).
struct Exception {
    const char* reason;
    const char* decoder = nullptr; // "im" or "gm"; none: the reader refuses the file
    const char* file = nullptr;    // rendered instead of the row's file
};
constexpr const char* kFiveBits = "ImageMagick truncates 5-bit channels; GraphicsMagick repeats "
                                  "their top bits, as this reader does";
const std::map<std::string, Exception> kExceptions = {
    {"tga/truevision-suite/b5-attrib.tga", {kFiveBits, "gm"}},
    {"tga/truevision-suite/b5-cmap.tga", {kFiveBits, "gm"}},
    {"tga/truevision-suite/b5-noattrib.tga", {kFiveBits, "gm"}},
    {"tga/pillow/rgba16.tga", {kFiveBits, "gm"}},
    {"tga/truevision-suite/b5-unused-cmap.tga",
     {"ImageMagick fails; GraphicsMagick takes pixels from the unused colour map: the picture "
      "is b5-noattrib.tga's",
      "gm", "tga/truevision-suite/b5-noattrib.tga"}},
};

// Grey pixels of 16 bits (grey and alpha): the reader takes only 8-bit grey pixels.
bool GreyAndAlpha(const Bytes& h) {
    return h.size() > 18 && (h[2] & 7) == 3 && h[16] == 16;
}
// 32-bit pixels or colour-map entries, or 16-bit pixels with attribute bits: alpha the
// reader drops, so ImageMagick's rendering without alpha is the reference.
bool CarriesAlpha(const Bytes& h) {
    return h.size() > 18 &&
           (h[16] == 32 || (h[1] == 1 && h[7] == 32) || (h[16] == 16 && (h[17] & 0x0F)));
}

TEST_F(TgaTest, ManifestRowsDecodeToTheReferencePixelsOrFailCleanly) {
    const std::vector<ManifestRow> rows = Manifest("tga");
    std::map<std::string, long> counts;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const fs::path file = fs::path(TSL_TESTDATA) / row.path;
        int status = 0;
        const PackedDib dib = ReadTga(file.string(), status);
        const Bytes header = ReadBytes(file);
        if (row.expected != "valid" || row.hash.size() != 64 || GreyAndAlpha(header)) {
            EXPECT_TRUE(dib.empty());
            EXPECT_TRUE(status >= kTgaOutOfMemory && status <= kTgaBadHeader && status != kTgaDone)
                << status;
            ++counts[row.expected == "valid" ? "refused 16-bit grey" : "malformed"];
            continue;
        }
        ASSERT_FALSE(dib.empty());
        EXPECT_EQ(status, kTgaDone);
        const auto view = ViewPackedDib(dib);
        EXPECT_EQ(std::to_string(view->width) + "x" + std::to_string(view->height),
                  row.width + "x" + row.height);
        const auto exception = kExceptions.find(row.path);
        if (exception != kExceptions.end()) {
            const Exception& e = exception->second;
            const fs::path reference = e.file ? fs::path(TSL_TESTDATA) / e.file : file;
            EXPECT_EQ(PixelsOf(dib, false), Rendering(e.decoder, reference)) << e.reason;
            ++counts["exception"];
        } else if (CarriesAlpha(header)) {
            EXPECT_EQ(PixelsOf(dib, false), Rendering("im", file));
            ++counts["alpha dropped"];
        } else {
            EXPECT_EQ(Sha256(PixelsOf(dib, true), m_dir / "rgba"), row.hash);
            ++counts["hash"];
        }
    }
    // Every row reached its check: the malformed ones refused, each listed one compared, and
    // the other valid ones refused as 16-bit grey, compared without alpha or hashed.
    const long malformed =
        CountRows(rows, [](const ManifestRow& r) { return r.expected != "valid"; });
    const long listed = static_cast<long>(kExceptions.size());
    EXPECT_EQ(counts["malformed"], malformed);
    EXPECT_EQ(counts["exception"], listed);
    EXPECT_EQ(counts["refused 16-bit grey"] + counts["alpha dropped"] + counts["hash"],
              static_cast<long>(rows.size()) - malformed - listed);
    EXPECT_GT(counts["alpha dropped"], 0);
    EXPECT_GT(counts["hash"], 0);
}

// A TGA file: header, identification field, colour map (entries of mapBits) and pixel data.
Bytes MakeTga(int type, int depth, int width, int height, int descriptor, const Bytes& pixels,
              const Bytes& map = {}, int mapBits = 0, int mapFirst = 0) {
    Bytes b(18, 0);
    b[0] = 3;
    b[1] = map.empty() ? 0 : 1;
    b[2] = static_cast<std::uint8_t>(type);
    const int entries = map.empty() ? 0 : static_cast<int>(map.size()) / ((mapBits + 7) / 8);
    for (auto [at, v] : {std::pair{3, mapFirst}, {5, entries}, {12, width}, {14, height}}) {
        b[at] = static_cast<std::uint8_t>(v & 0xFF);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    b[7] = static_cast<std::uint8_t>(mapBits);
    b[16] = static_cast<std::uint8_t>(depth);
    b[17] = static_cast<std::uint8_t>(descriptor);
    b.insert(b.end(), {'i', 'd', '!'});
    b.insert(b.end(), map.begin(), map.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Decode(const Bytes& file, int expectedStatus = kTgaDone) {
    int status = 0;
    const PackedDib dib = ReadTgaMemory(file, status);
    EXPECT_EQ(status, expectedStatus);
    EXPECT_EQ(dib.empty(), expectedStatus != kTgaDone);
    return PixelsOf(dib, false);
}

TEST_F(TgaTest, EveryOriginReadsTheSamePicture) {
    const int w = 3, h = 2;
    auto grey = [](int x, int y) { return static_cast<std::uint8_t>(40 * y + 10 * x + 5); };
    Bytes picture; // top row first, left to right
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.insert(picture.end(), 3, grey(x, y));
    for (int descriptor : {0x00, 0x10, 0x20, 0x30}) {
        Bytes stored; // in the order the origin bits give
        for (int i = 0; i < h; ++i)
            for (int j = 0; j < w; ++j)
                stored.push_back(
                    grey(descriptor & 0x10 ? w - 1 - j : j, descriptor & 0x20 ? i : h - 1 - i));
        Bytes bgr, packets{static_cast<std::uint8_t>(w * h - 1)};
        for (std::uint8_t v : stored)
            bgr.insert(bgr.end(), 3, v);
        packets.insert(packets.end(), bgr.begin(), bgr.end());
        SCOPED_TRACE(descriptor);
        EXPECT_EQ(Decode(MakeTga(3, 8, w, h, descriptor, stored)), picture) << "grey";
        EXPECT_EQ(Decode(MakeTga(2, 24, w, h, descriptor, bgr)), picture) << "true colour";
        EXPECT_EQ(Decode(MakeTga(10, 24, w, h, descriptor, packets)), picture) << "run-length";
    }
}

TEST_F(TgaTest, PixelsAndColourMapEntriesOfEveryDepthBecomeRgb) {
    struct Case {
        const char* what;
        Bytes file;
        Bytes rgb;
    };
    Bytes bigMap; // 300 entries of 24 bits: entry k is (k % 256, 1, 2) in blue, green, red
    for (int k = 0; k < 300; ++k)
        bigMap.insert(bigMap.end(), {2, 1, static_cast<std::uint8_t>(k)});
    for (const Case& c : {
             Case{"15 bits",
                  MakeTga(2, 15, 2, 1, 0, {0x00, 0x7C, 0x10, 0x42}),
                  {255, 0, 0, 132, 132, 132}},
             Case{"16 bits, attribute dropped",
                  MakeTga(2, 16, 2, 1, 1, {0x1F, 0x80, 0xE0, 0x03}),
                  {0, 0, 255, 0, 255, 0}},
             Case{"32 bits, alpha dropped", MakeTga(2, 32, 1, 1, 8, {10, 20, 30, 0}), {30, 20, 10}},
             Case{"16-bit map entries",
                  MakeTga(1, 8, 2, 1, 0, {1, 0}, {0, 0, 0x1F, 0}, 16),
                  {0, 0, 255, 0, 0, 0}},
             Case{"32-bit map entries",
                  MakeTga(9, 8, 3, 1, 0, {0x82, 0}, {7, 8, 9, 0}, 32),
                  {9, 8, 7, 9, 8, 7, 9, 8, 7}},
             Case{"first entry 2: indices below it are black",
                  MakeTga(1, 8, 3, 1, 0, {2, 3, 0}, {1, 2, 3, 4, 5, 6}, 24, 2),
                  {3, 2, 1, 6, 5, 4, 0, 0, 0}},
             Case{"a map of 300 entries",
                  MakeTga(1, 8, 2, 1, 0, {255, 7}, bigMap, 24),
                  {255, 1, 2, 7, 1, 2}},
             Case{"a map from 250 on", MakeTga(1, 8, 1, 1, 0, {255}, bigMap, 24, 250), {5, 1, 2}},
             Case{"unused map of a true-colour image",
                  MakeTga(2, 24, 1, 1, 0, {1, 2, 3}, Bytes(6, 9), 24),
                  {3, 2, 1}},
         })
        EXPECT_EQ(Decode(c.file), c.rgb) << c.what;
}

TEST_F(TgaTest, RunLengthPacketsCrossRowsAndStopAtTheLastPixel) {
    EXPECT_EQ(Decode(MakeTga(11, 8, 2, 2, 0x20, {0x83, 9})), Bytes(12, 9)) << "one run, two rows";
    EXPECT_EQ(Decode(MakeTga(11, 8, 1, 1, 0, {0xFF, 9})), Bytes(3, 9)) << "run of 128 for 1";
    EXPECT_EQ(Decode(MakeTga(11, 8, 2, 1, 0, {0x04, 1, 2})), (Bytes{1, 1, 1, 2, 2, 2}))
        << "raw packet of 5 for 2";
    EXPECT_EQ(Decode(MakeTga(11, 8, 3, 1, 0, {0x00, 1, 0x81, 2})),
              (Bytes{1, 1, 1, 2, 2, 2, 2, 2, 2}));
}

TEST_F(TgaTest, RefusalsSetTheirStatus) {
    struct Case {
        const char* what;
        Bytes file;
        int status;
    };
    Bytes wrongMap = MakeTga(1, 8, 1, 1, 0, {0}, {1, 2, 3}, 24);
    wrongMap[7] = 8;
    Bytes shortMap = MakeTga(1, 8, 1, 1, 0, {}, {1, 2, 3, 4}, 32);
    shortMap[5] = 5;
    for (const Case& c : {
             Case{"shorter than a header", Bytes(17, 0), kTgaBadHeader},
             Case{"no image", MakeTga(0, 8, 1, 1, 0, {0}), kTgaBadHeader},
             Case{"type 4", MakeTga(4, 8, 1, 1, 0, {0}), kTgaBadHeader},
             Case{"type 32", MakeTga(32, 8, 1, 1, 0, {0}), kTgaBadHeader},
             Case{"16-bit indices", MakeTga(1, 16, 1, 1, 0, {0, 0}, {1, 2, 3}, 24), kTgaBadHeader},
             Case{"8-bit true colour", MakeTga(2, 8, 1, 1, 0, {0}), kTgaBadHeader},
             Case{"16-bit grey", MakeTga(3, 16, 1, 1, 0, {0, 0}), kTgaBadHeader},
             Case{"no width", MakeTga(3, 8, 0, 1, 0, {0}), kTgaBadHeader},
             Case{"colour-mapped without a map", MakeTga(1, 8, 1, 1, 0, {0}), kTgaBadColourMap},
             Case{"8-bit map entries", wrongMap, kTgaBadColourMap},
             Case{"map cut short", shortMap, kTgaBadColourMap},
             Case{"raw pixels cut short", MakeTga(2, 24, 2, 1, 0, {1, 2, 3, 4, 5}), kTgaReadError},
             Case{"run-length data cut short", MakeTga(10, 24, 3, 1, 0, {0x81, 1, 2, 3}),
                  kTgaReadError},
             Case{"raw packet cut short", MakeTga(10, 24, 2, 1, 0, {0x01, 1, 2, 3, 4, 5}),
                  kTgaReadError},
             Case{"past the pixel limit", MakeTga(2, 24, 60000, 60000, 0, {}), kTgaOutOfMemory},
         }) {
        SCOPED_TRACE(c.what);
        Decode(c.file, c.status);
    }
    int status = 0;
    EXPECT_TRUE(ReadTga((m_dir / "missing.tga").string(), status).empty());
    EXPECT_EQ(status, kTgaOpenFailed);
}

TEST_F(TgaTest, HugeClaimsAreRefusedWithoutAllocating) {
    // 50000 x 50000 is past the pixel limit; 30000 x 30000 is within it, but 4 KB of data cannot
    // hold it, raw or run-length encoded.
    struct Case {
        int type, side, status;
    };
    for (Case c : {Case{2, 50000, kTgaOutOfMemory}, Case{10, 50000, kTgaOutOfMemory},
                   Case{2, 30000, kTgaReadError}, Case{10, 30000, kTgaReadError}}) {
        SCOPED_TRACE(c.side);
        const Bytes file = MakeTga(c.type, 32, c.side, c.side, 0, Bytes(4096, 0xFF));
        const fs::path path = m_dir / "huge.tga";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
        const ChildRun run = RunInChild([&] {
            Decode(file, c.status);
            int status = 0;
            EXPECT_TRUE(ReadTga(path.string(), status).empty());
            EXPECT_EQ(status, c.status);
        });
        EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 32 * 1024)
            << run.peakGrowthKb << " KiB";
    }
}

} // namespace
} // namespace tsl
