#include "codecs/Gif.h"

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sys/stat.h>

namespace tsl {
namespace {

using namespace testkit;

std::string Sha256(const Bytes& bytes) {
    TempDir dir;
    return testkit::Sha256(bytes, dir / "rgba");
}

int IndexAt(const PackedDib& dib, int x, int y) {
    const auto v = *ViewPackedDib(dib);
    const std::uint8_t* row = dib.data() + v.bitsOffset + (v.height - 1 - y) * v.stride;
    if (v.bitsPerPixel == 8) return row[x];
    if (v.bitsPerPixel == 4) return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

void SetIndex(PackedDib& dib, int x, int y, int value) {
    const auto v = *ViewPackedDib(dib);
    std::uint8_t& b = dib[v.bitsOffset + (v.height - 1 - y) * v.stride + x * v.bitsPerPixel / 8];
    const int shift = 8 - v.bitsPerPixel - x * v.bitsPerPixel % 8;
    b = std::uint8_t((b & ~(((1 << v.bitsPerPixel) - 1) << shift)) | (value << shift));
}

std::vector<int> Row(const PackedDib& dib, int y) {
    std::vector<int> row;
    for (int x = 0; x < ViewPackedDib(dib)->width; ++x)
        row.push_back(IndexAt(dib, x, y));
    return row;
}

struct Decoded {
    std::optional<PackedDib> dib;
    GifFrameInfo info;
    int status = 0;
};

Decoded Decode(const Bytes& file, std::int64_t first = 0, std::int64_t alt = 0) {
    Decoded d;
    d.dib = ReadGifMemory(file, first, alt, d.info, d.status);
    return d;
}

// The manifest's convention: the image on a transparent canvas the size of the logical screen,
// 8-bit RGBA top-down, the transparent index and the uncovered screen as (0, 0, 0, 0).
Bytes OnScreen(const PackedDib& dib, const GifFrameInfo& info, int screenW, int screenH) {
    const auto v = *ViewPackedDib(dib);
    Bytes rgba(std::size_t(screenW) * screenH * 4, 0);
    for (int y = 0; y < v.height && info.top + y < screenH; ++y)
        for (int x = 0; x < v.width && info.left + x < screenW; ++x) {
            const int i = IndexAt(dib, x, y);
            if (info.transparent && i == info.transparentIndex) continue;
            std::uint8_t* p = &rgba[4 * (std::size_t(info.top + y) * screenW + info.left + x)];
            *p++ = v.table[i].rgbRed, *p++ = v.table[i].rgbGreen, *p++ = v.table[i].rgbBlue,
            *p = 255;
        }
    return rgba;
}

// convert-im6.q16's reading of a GIF's first frame, RGB of transparent pixels zeroed.
Bytes ImageMagickRgba(const std::string& path) {
    Bytes rgba = Shell("convert-im6.q16 '" + path + "[0]' -depth 8 rgba:- 2>/dev/null");
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        if (rgba[i + 3] == 0) rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
    return rgba;
}

// A GIF built by hand, independently of our writer: a global table of 2^(field+1) entries
// (i, 10, 20) or none, `extra` blocks, one image at (3, 4) whose LZW data is `codes` followed by
// a clear code before each of `pixels` (the plainest valid stream), then the end code.
struct HandGif {
    int field = 0, localField = -1, minCode = 2, width = 2, height = 1;
    bool global = true, interlaced = false;
    std::vector<int> codes, pixels;
    Bytes extra;

    Bytes Build() const {
        Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
        b.insert(b.end(), {std::uint8_t(width), 0, std::uint8_t(height), 0,
                           std::uint8_t((global ? 0x80 : 0) | field), 1, 0});
        for (int i = 0; global && i < (2 << field); ++i)
            b.insert(b.end(), {std::uint8_t(i), 10, 20});
        b.insert(b.end(), extra.begin(), extra.end());
        b.insert(b.end(), {0x2C, 3, 0, 4, 0, std::uint8_t(width), 0, std::uint8_t(height), 0,
                           std::uint8_t((localField >= 0 ? 0x80 | localField : 0) |
                                        (interlaced ? 0x40 : 0))});
        for (int i = 0; localField >= 0 && i < (2 << localField); ++i)
            b.insert(b.end(), {std::uint8_t(255 - i), 0, 0});
        b.push_back(std::uint8_t(minCode));
        std::vector<int> all = codes;
        for (int p : pixels)
            all.insert(all.end(), {1 << minCode, p});
        all.push_back((1 << minCode) + 1);
        Bytes data;
        std::uint32_t acc = 0;
        int bits = 0;
        for (int code : all)
            for (acc |= std::uint32_t(code) << bits, bits += minCode + 1; bits >= 8;
                 bits -= 8, acc >>= 8)
                data.push_back(std::uint8_t(acc));
        if (bits > 0) data.push_back(std::uint8_t(acc));
        b.push_back(std::uint8_t(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        b.insert(b.end(), {0, 0x3B});
        return b;
    }
};

TEST(GifRead, DepthFollowsTheColourTableSizeAndGreyRampsStandInForAMissingTable) {
    struct Case {
        int field;
        bool global;
        int depth;
        int entry1Red;
    };
    for (Case c : {Case{0, true, 1, 1}, Case{1, true, 4, 1}, Case{3, true, 4, 1},
                   Case{4, true, 8, 1}, Case{7, true, 8, 1}, Case{0, false, 1, 255},
                   Case{3, false, 4, 16}, Case{7, false, 8, 1}}) {
        HandGif g;
        g.field = c.field, g.global = c.global, g.pixels = {1, 0};
        const Decoded d = Decode(g.Build());
        ASSERT_TRUE(d.dib) << c.field;
        const auto v = *ViewPackedDib(*d.dib);
        EXPECT_EQ(v.bitsPerPixel, c.depth) << c.field;
        EXPECT_EQ(v.colourCount, 1 << c.depth);
        EXPECT_EQ(v.table[1].rgbRed, c.entry1Red) << c.field;
        EXPECT_EQ(Row(*d.dib, 0), (std::vector<int>{1, 0}));
    }
    HandGif local; // a local table replaces the global one and sets the depth again
    local.field = 7, local.localField = 0, local.pixels = {1, 1};
    const Decoded d = Decode(local.Build());
    EXPECT_EQ(ViewPackedDib(*d.dib)->bitsPerPixel, 1);
    EXPECT_EQ(ViewPackedDib(*d.dib)->table[1], (RGBQUAD{0, 0, 254, 0}));
}

TEST(GifRead, ReportsFrameInformationAndStatus) {
    HandGif g;
    g.field = 1, g.pixels = {3, 2};
    g.extra = {0xFE, 2, 'h', 'i', 0, 0x21, 0xF9, 4, 0x0D, 0x34, 0x12, 2, 0}; // comment, control
    const Decoded d = Decode(g.Build());
    ASSERT_TRUE(d.dib);
    EXPECT_EQ(d.status, kGifStatusOk);
    EXPECT_EQ(std::vector<int>({d.info.disposal, d.info.transparent, d.info.delay,
                                d.info.transparentIndex, d.info.left, d.info.top,
                                d.info.backgroundRed, d.info.backgroundBlue}),
              std::vector<int>({3, 1, 0x1234, 2, 3, 4, 1, 20}));

    GifFrameInfo info;
    int status = 0;
    EXPECT_FALSE(ReadGif("/nonexistent/a.gif", 0, 0, info, status));
    EXPECT_EQ(status, kGifStatusCannotOpen);
    const Bytes file = g.Build();
    for (long cut : {10, 20, 35}) // in the screen, the table, the control block
        EXPECT_FALSE(Decode(Bytes(file.begin(), file.begin() + cut)).dib) << cut;
    Bytes other = file;
    other[3] = 'X';
    EXPECT_FALSE(Decode(other).dib) << "the signature must start GIF8";
}

TEST(GifRead, DecodesWhatMinimumCodeSizesEncodersWriteAndRefusesTheRest) {
    struct Case {
        int field, minCode;
        bool accepted;
    };
    for (Case c : {Case{0, 1, true}, Case{0, 8, true}, Case{3, 1, false}, Case{3, 2, true},
                   Case{7, 8, true}, Case{0, 0, false}, Case{7, 9, false}, Case{7, 12, false}}) {
        HandGif g;
        g.field = c.field, g.minCode = c.minCode, g.pixels = {1, 0};
        EXPECT_EQ(bool(Decode(g.Build()).dib), c.accepted) << c.field << " " << c.minCode;
    }
}

TEST(GifRead, KeepsWhatWasDecodedBeforeABadCodeAndPlacesInterlacedRows) {
    HandGif bad;
    bad.width = 4, bad.field = 1, bad.codes = {4, 3, 7, 2}; // 7 is beyond the next free code, 6
    EXPECT_EQ(Row(*Decode(bad.Build()).dib, 0), (std::vector<int>{3, 0, 0, 0}));

    HandGif tall; // one pixel per row, the rows stored in the order of the four passes
    tall.width = 1, tall.height = 10, tall.interlaced = true, tall.field = 3, tall.minCode = 4;
    tall.pixels = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    const Decoded d = Decode(tall.Build());
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(IndexAt(*d.dib, 0, y), y);
}

TEST(GifRead, OffsetsChooseWhereTheImageSearchStarts) {
    HandGif g;
    g.pixels = {1, 1};
    Bytes file = g.Build();
    file.pop_back(); // a second image, one pixel wide, after the first
    const std::int64_t second = std::int64_t(file.size());
    const Bytes image = g.Build();
    file.insert(file.end(), image.begin() + 19, image.end());
    file[std::size_t(second) + 5] = 1;
    struct Case {
        std::int64_t first, alt;
        int width;
    };
    for (Case c : {Case{0, 0, 2}, Case{second, 0, 1}, Case{0, second, 1}, Case{-1, second, 1},
                   Case{19, second, 2}})
        EXPECT_EQ(ViewPackedDib(*Decode(file, c.first, c.alt).dib)->width, c.width)
            << c.first << " " << c.alt;
}

TEST(GifRead, RefusesHugeClaimsBeforeAllocating) {
    TempDir dir;
    HandGif g;
    g.pixels = {1, 0};
    // 2.5 G pixels is above the pixel limit; 0.9 G pixels cannot come from a few bytes of data.
    for (auto [side, refusal] :
         {std::pair{50000, kGifStatusOutOfMemory}, std::pair{30000, kGifStatusOk}}) {
        Bytes file = g.Build();
        WriteLe16(&file[24], std::uint16_t(side));
        WriteLe16(&file[26], std::uint16_t(side));
        WriteBytes(dir / "huge.gif", file);
        EXPECT_EQ(Decode(file).status, refusal);
        const ChildRun run = RunInChild([&] {
            GifFrameInfo info;
            int status = 0;
            return !ReadGif(dir / "huge.gif", 0, 0, info, status);
        });
        EXPECT_TRUE(run.result) << side << "² is read";
        EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 32 * 1024)
            << side << "² grew the process by " << run.peakGrowthKb << " KiB";
    }
}

TEST(GifManifest, ValidFilesDecodeToTheReferencePixelsAndTheRestFailCleanly) {
    // Valid files the reader refuses on purpose.
    const std::map<std::string, std::string> refused = {
        {"gif/gif-test-suite/max-codes.gif", "LZW minimum code size 11, outside 2..8"},
        {"gif/pillow/issue_2811.gif", "LZW minimum code size 11, outside 2..8"}};
    const std::vector<ManifestRow> rows = Manifest("gif");
    int compared = 0;
    for (const ManifestRow& row : rows) {
        const std::string& path = row.path;
        const Bytes file = ReadBytes(TestData() / path);
        const Decoded d = Decode(file);
        if (!HasReference(row)) { // no reference: anything but a fault
            EXPECT_TRUE(!d.dib || ViewPackedDib(*d.dib)) << path;
        } else if (refused.count(path) || !d.dib) {
            EXPECT_TRUE(refused.count(path) && !d.dib) << path << (d.dib ? " decodes" : " fails");
        } else {
            EXPECT_EQ(Sha256(OnScreen(*d.dib, d.info, ReadLe16(&file[6]), ReadLe16(&file[8]))),
                      row.hash)
                << path;
            ++compared;
        }
    }
    EXPECT_EQ(compared, CountRows(rows, [&](const ManifestRow& r) {
                  return HasReference(r) && !refused.count(r.path);
              }));
}

PackedDib RandomDib(int w, int h, int bpp, std::mt19937& rng, int colours = -1) {
    std::vector<RGBQUAD> table(std::size_t(colours < 0 ? 1 << bpp : colours));
    for (RGBQUAD& q : table)
        q = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    PackedDib dib = MakePackedDib(w, h, bpp, table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetIndex(dib, x, y, int(rng() % (1u << bpp)));
    return dib;
}

TEST(GifWrite, LaysOutHeaderTablesControlBlockAndDescriptor) {
    std::mt19937 rng(7);
    struct Case {
        int bpp;
        bool global;
        std::uint8_t screenFlags, imageFlags, minCode;
        int colours;
    };
    for (Case c : {Case{8, true, 0xF7, 0x47, 8, 256}, Case{4, true, 0xB3, 0x43, 4, 16},
                   Case{1, true, 0x80, 0x40, 2, 2}, Case{8, false, 0x77, 0xC7, 8, 3},
                   Case{4, true, 0xB3, 0x43, 4, 5}, Case{1, false, 0x00, 0xC0, 2, 16}}) {
        const PackedDib dib = RandomDib(3, 2, c.bpp, rng, c.colours);
        const Bytes gif = EncodeGif(dib, c.global, true, c.global ? -1 : 9);
        ASSERT_GT(gif.size(), 40u);
        EXPECT_EQ(Bytes(gif.begin(), gif.begin() + 13),
                  (Bytes{'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, c.screenFlags, 0, 0}));
        const std::size_t tableBytes = 3u << c.bpp;
        Bytes table(tableBytes, 0); // the bitmap's entries, at most 2^bpp, then black
        for (int i = 0; i < std::min(c.colours, 1 << c.bpp); ++i) {
            const RGBQUAD q = ViewPackedDib(dib)->table[i];
            table[3 * i] = q.rgbRed, table[3 * i + 1] = q.rgbGreen, table[3 * i + 2] = q.rgbBlue;
        }
        const std::size_t control = c.global ? 13 + tableBytes : 13;
        EXPECT_EQ(
            Bytes(gif.begin() + long(control), gif.begin() + long(control) + 18),
            (Bytes{0x21, 0xF9, 4, std::uint8_t(c.global ? 0 : 1), 0, 0,
                   std::uint8_t(c.global ? 0 : 9), 0, 0x2C, 0, 0, 0, 0, 3, 0, 2, 0, c.imageFlags}));
        const std::size_t tableAt = c.global ? 13 : control + 18;
        EXPECT_EQ(Bytes(gif.begin() + long(tableAt), gif.begin() + long(tableAt + tableBytes)),
                  table);
        EXPECT_EQ(gif[control + 18 + (c.global ? 0 : tableBytes)], c.minCode);
        EXPECT_EQ(Bytes(gif.end() - 2, gif.end()), (Bytes{0, ';'}));
    }
    // Four 0-pixels at 1 bit: clear, 0, 6 (= 0 0), 0, end, three bits each, in one block.
    const Bytes gif = EncodeGif(MakePackedDib(2, 2, 1), true, false, -1);
    EXPECT_EQ(Bytes(gif.end() - 6, gif.end()), (Bytes{2, 2, 0x84, 0x51, 0, ';'}));
}

// Random pixels, or vertical bands 997 pixels wide (strings thousands of pixels long).
PackedDib TestImage(int w, int h, int bpp, bool bands, std::mt19937& rng) {
    PackedDib dib = RandomDib(w, h, bpp, rng);
    for (int y = 0; bands && y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetIndex(dib, x, y, (x / 997 + y / 17) % 2);
    return dib;
}

TEST(GifWrite, RoundTripsEveryDepthThroughOurReaderAndImageMagick) {
    // The larger images fill the 4096 codes many times over, so the streams go on after clear
    // codes written at 12 bits.
    TempDir dir;
    std::mt19937 rng(11);
    struct Case {
        int w, h, bpp;
        bool global, interlace, bands;
        int transparent;
    };
    for (Case c :
         {Case{1, 1, 1, true, true, false, -1}, Case{33, 17, 1, false, true, false, 1},
          Case{4000, 300, 1, true, true, true, -1}, Case{13, 7, 4, true, true, false, 5},
          Case{40, 9, 4, false, false, false, -1}, Case{31, 23, 8, true, true, false, 200},
          Case{640, 400, 8, true, false, false, -1}, Case{300, 200, 8, false, true, false, 0}}) {
        const PackedDib dib = TestImage(c.w, c.h, c.bpp, c.bands, rng);
        const std::string path = dir / "out.gif";
        ASSERT_EQ(WriteGif(path, dib, c.global, c.interlace, c.transparent), 1);
        GifFrameInfo info;
        int status = 0;
        EXPECT_EQ(ReadGif(path, 0, 0, info, status), dib) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_EQ(info.transparent, c.transparent >= 0 ? 1 : 0);
        EXPECT_EQ(ImageMagickRgba(path), OnScreen(dib, info, c.w, c.h)) << c.w << "x" << c.bpp;
        PackedDib topDown = dib; // the same pixels with the top row stored first
        const auto v = *ViewPackedDib(dib);
        WriteLe32(&topDown[8], std::uint32_t(-c.h));
        for (int y = 0; y < c.h; ++y)
            std::copy_n(&dib[v.bitsOffset + y * v.stride], v.stride,
                        &topDown[v.bitsOffset + (c.h - 1 - y) * v.stride]);
        EXPECT_EQ(EncodeGif(topDown, c.global, c.interlace, -1),
                  EncodeGif(dib, c.global, c.interlace, -1));
    }
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"out.gif"})
        << "no temporary file stays behind";
}

TEST(GifWrite, RefusesWhatItCannotWriteAndKeepsTheOldFile) {
    TempDir dir;
    std::mt19937 rng(3);
    const std::string path = dir / "keep.gif";
    WriteBytes(path, {'o', 'l', 'd'});
    chmod(path.c_str(), 0640);
    EXPECT_EQ(WriteGif(path, MakePackedDib(4, 4, 24), true, true, -1), 0) << "24 bits";
    EXPECT_EQ(WriteGif(path, RandomDib(65536, 1, 8, rng), true, true, -1), 0) << "too wide";
    EXPECT_EQ(WriteGif(path, RandomDib(4, 4, 8, rng), true, true, 256), 0) << "index beyond a byte";
    EXPECT_EQ(WriteGif(path, Bytes(10, 0), true, true, -1), 0) << "not a packed DIB";
    EXPECT_EQ(WriteGif(dir / "no/such/folder.gif", RandomDib(4, 4, 8, rng), true, true, -1), 0);
    EXPECT_EQ(ReadBytes(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(WriteGif(path, RandomDib(4, 4, 8, rng), true, true, -1), 1);
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"keep.gif"});
}

} // namespace
} // namespace tsl
