// Round trips, refusals and limits of the small codecs in imaging/formats.

#include "imaging/formats/Formats.h"
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

#include "core/Palette.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <functional>

namespace tsl {
namespace {

using namespace testkit;

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

using Writer = std::function<bool(const PackedDib&, Bytes&, std::string&)>;
using Reader = std::function<bool(const Bytes&, PackedDib&, std::string&)>;

// Writes, reads back and compares the RGB pixels.
void RoundTrip(const Writer& write, const Reader& read, const PackedDib& dib) {
    Bytes file;
    std::string error;
    ASSERT_TRUE(write(dib, file, error)) << error;
    PackedDib back;
    ASSERT_TRUE(read(file, back, error)) << error;
    EXPECT_EQ(PixelsOf(back, false), PixelsOf(dib, false));
}

TEST(FormatsRoundTrip, PsdAtEveryDepthRawAndPackBits) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (PsdCompression c : {PsdCompression::Raw, PsdCompression::PackBits}) {
            SCOPED_TRACE(bpp);
            RoundTrip(
                [c](const PackedDib& d, Bytes& o, std::string& e) { return WritePsd(d, o, e, c); },
                ReadPsd, TestPattern(bpp));
        }
}

TEST(FormatsRoundTrip, IlbmAtEveryDepthPackedAndNot) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool compress : {false, true}) {
            SCOPED_TRACE(bpp);
            RoundTrip([compress](const PackedDib& d, Bytes& o,
                                 std::string& e) { return WriteIlbm(d, o, e, compress); },
                      ReadIlbm, TestPattern(bpp));
        }
}

TEST(FormatsRoundTrip, FlicAtPaletteDepthsAndRefusesDirectColour) {
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        RoundTrip(WriteFlic, ReadFlic, TestPattern(bpp));
        RoundTrip(WriteFlic, ReadFlic, TestPattern(bpp, 300, 3)); // runs longer than a packet
    }
    for (int bpp : {16, 24, 32}) {
        Bytes out;
        std::string error;
        EXPECT_FALSE(WriteFlic(TestPattern(bpp), out, error));
        EXPECT_NE(error.find("reduce the colours"), std::string::npos);
        EXPECT_TRUE(out.empty());
    }
}

// Appends an FLC chunk: size, type, body.
void Chunk(Bytes& out, unsigned type, const Bytes& body) {
    const std::size_t at = out.size();
    out.resize(at + 6);
    WriteLe32(out.data() + at, static_cast<std::uint32_t>(6 + body.size()));
    WriteLe16(out.data() + at + 4, static_cast<std::uint16_t>(type));
    out.insert(out.end(), body.begin(), body.end());
}

// A 4 x 3 FLI whose first frame holds the given chunks.
Bytes Fli(const std::vector<std::pair<unsigned, Bytes>>& chunks) {
    Bytes frame;
    for (const auto& [type, body] : chunks)
        Chunk(frame, type, body);
    Bytes file(128, 0);
    WriteLe16(file.data() + 4, 0xAF11);
    WriteLe16(file.data() + 6, 1);
    WriteLe16(file.data() + 8, 4);
    WriteLe16(file.data() + 10, 3);
    WriteLe16(file.data() + 12, 8);
    Bytes header(16, 0);
    WriteLe32(header.data(), static_cast<std::uint32_t>(16 + frame.size()));
    WriteLe16(header.data() + 4, 0xF1FA);
    WriteLe16(header.data() + 6, static_cast<std::uint16_t>(chunks.size()));
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), frame.begin(), frame.end());
    return file;
}

// Indices of the decoded frame, top row first.
std::vector<int> Indices(const PackedDib& dib) {
    std::vector<int> out;
    const auto v = ViewPackedDib(dib);
    for (int y = v->height - 1; y >= 0; --y)
        for (int x = 0; x < v->width; ++x)
            out.push_back(dib[v->bitsOffset + y * v->stride + x]);
    return out;
}

TEST(FormatsFlic, FrameChunksApplyInOrder) {
    const Bytes colour64 = {1, 0, 0, 2, 63, 0, 0, 0, 32, 63};
    const Bytes copy = {0, 1, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0};
    // Line coded: from line 1, one line, one packet: skip 1, repeat 0 twice.
    const Bytes lineDelta = {1, 0, 1, 0, 1, 1, 0xFE, 0};
    // Word coded: one line; skip two lines, one packet: skip 2, copy one word (2, 2).
    const Bytes wordDelta = {1, 0, 0xFE, 0xFF, 1, 0, 2, 1, 2, 2};
    PackedDib dib;
    std::string error;
    ASSERT_TRUE(
        ReadFlic(Fli({{11, colour64}, {16, copy}, {12, lineDelta}, {7, wordDelta}}), dib, error))
        << error;
    EXPECT_EQ(Indices(dib), (std::vector<int>{0, 1, 0, 1, 1, 0, 0, 1, 0, 0, 2, 2}));
    const auto v = ViewPackedDib(dib);
    EXPECT_EQ(v->table[0], (RGBQUAD{0, 0, 252, 0})) << "6-bit colours are shifted by 2";
    EXPECT_EQ(v->table[1], (RGBQUAD{252, 128, 0, 0}));
    // BLACK clears what came before; a byte run draws each line from its packets.
    const Bytes byteRun = {1, 4, 7, 2, 0xFF, 9, 3, 3, 2, 0xFD, 5, 6, 7, 1, 2};
    ASSERT_TRUE(ReadFlic(Fli({{16, copy}, {13, {}}, {15, byteRun}}), dib, error)) << error;
    EXPECT_EQ(Indices(dib), (std::vector<int>{7, 7, 7, 7, 9, 3, 3, 3, 5, 6, 7, 2}));
    // A byte run that ends early is refused.
    EXPECT_FALSE(ReadFlic(Fli({{15, {1, 4, 7}}}), dib, error));
    EXPECT_TRUE(dib.empty());
}

TEST(FormatsIlbm, ExtraHalfBriteAddsHalvedColours) {
    // 16 x 1, 6 planes, CAMG 0x80, uncompressed; pixel x has index 33 for x < 8, else 1.
    Bytes f;
    auto id = [&f](const char* s) {
        for (int i = 0; i < 4; ++i)
            f.push_back(static_cast<std::uint8_t>(s[i]));
    };
    auto be32 = [&f](std::uint32_t v) {
        for (int i = 3; i >= 0; --i)
            f.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    id("FORM");
    be32(0);
    id("ILBM");
    id("BMHD");
    be32(20);
    f.insert(f.end(), {0, 16, 0, 1, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 1, 1, 0, 16, 0, 1});
    id("CAMG");
    be32(4);
    be32(0x80);
    id("CMAP");
    be32(96);
    for (int i = 0; i < 32; ++i)
        f.insert(f.end(), {static_cast<std::uint8_t>(i == 1 ? 200 : 0), 100, 51});
    id("BODY");
    be32(12);
    f.insert(f.end(), {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}); // planes 0 and 5
    WriteLe32(f.data() + 4, static_cast<std::uint32_t>(f.size() - 8));
    std::reverse(f.begin() + 4, f.begin() + 8); // big-endian
    PackedDib dib;
    std::string error;
    ASSERT_TRUE(ReadIlbm(f, dib, error)) << error;
    const Bytes rgb = PixelsOf(dib, false);
    EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 3), (Bytes{100, 50, 25}));
    EXPECT_EQ(Bytes(rgb.end() - 3, rgb.end()), (Bytes{200, 100, 51}));
}

TEST(FormatsMetafile, EmfBitmapRecordsOfEveryKindAreRead) {
    const PackedDib dib = TestPattern(8, 5, 3);
    const auto v = ViewPackedDib(dib);
    // type, fixed size, where offBmi/cbBmi/offBits/cbBits sit, where the usage sits
    for (auto [type, fixed, at, usage] :
         {std::array<std::size_t, 4>{80, 76, 48, 64}, std::array<std::size_t, 4>{76, 100, 84, 80},
          std::array<std::size_t, 4>{77, 108, 84, 80}}) {
        Bytes emf(88, 0);
        WriteLe32(emf.data(), 1);
        WriteLe32(emf.data() + 4, 88);
        WriteLe32(emf.data() + 40, 0x464D4520);
        Bytes record(fixed, 0);
        WriteLe32(record.data(), static_cast<std::uint32_t>(type));
        WriteLe32(record.data() + 4, static_cast<std::uint32_t>(fixed + dib.size()));
        WriteLe32(record.data() + at, static_cast<std::uint32_t>(fixed));
        WriteLe32(record.data() + at + 4, static_cast<std::uint32_t>(v->bitsOffset));
        WriteLe32(record.data() + at + 8, static_cast<std::uint32_t>(fixed + v->bitsOffset));
        WriteLe32(record.data() + at + 12, static_cast<std::uint32_t>(v->imageSize));
        record.insert(record.end(), dib.begin(), dib.end());
        // A drawing record without a bitmap comes first and is skipped.
        Bytes line(24, 0);
        WriteLe32(line.data(), 54);
        WriteLe32(line.data() + 4, 24);
        emf.insert(emf.end(), line.begin(), line.end());
        emf.insert(emf.end(), record.begin(), record.end());
        PackedDib back;
        std::string error;
        ASSERT_TRUE(ReadEmf(emf, back, error)) << type << error;
        EXPECT_EQ(PixelsOf(back, false), PixelsOf(dib, false));
        WriteLe32(emf.data() + 88 + 24 + usage, 1); // palette-index colours
        EXPECT_FALSE(ReadEmf(emf, back, error));
    }
}

// A WMF record: size in words, function, the parameter words, then raw bytes (padded to a word).
Bytes WmfRecord(unsigned function, const std::vector<unsigned>& words, const PackedDib& tail = {}) {
    Bytes r(6 + 2 * words.size(), 0);
    WriteLe32(r.data(), static_cast<std::uint32_t>(3 + words.size() + (tail.size() + 1) / 2));
    WriteLe16(r.data() + 4, static_cast<std::uint16_t>(function));
    for (std::size_t i = 0; i < words.size(); ++i)
        WriteLe16(r.data() + 6 + 2 * i, static_cast<std::uint16_t>(words[i]));
    r.insert(r.end(), tail.begin(), tail.end());
    if (tail.size() & 1) r.push_back(0);
    return r;
}

// A metafile without placeable header: the 18-byte header, the records and the end record.
Bytes Wmf(const std::vector<Bytes>& records) {
    Bytes f(18, 0);
    WriteLe16(f.data(), 1);
    WriteLe16(f.data() + 2, 9);
    WriteLe16(f.data() + 4, 0x0300);
    for (const Bytes& r : records)
        f.insert(f.end(), r.begin(), r.end());
    const Bytes end = WmfRecord(0, {});
    f.insert(f.end(), end.begin(), end.end());
    WriteLe32(f.data() + 6, static_cast<std::uint32_t>(f.size() / 2));
    return f;
}

// META_DIBSTRETCHBLT copying the whole DIB to (x, y, w, h).
Bytes DibStretchBlt(const PackedDib& dib, int x, int y, int w, int h) {
    const auto v = ViewPackedDib(dib);
    return WmfRecord(0x0B41,
                     {0x0020, 0x00CC, unsigned(v->height), unsigned(v->width), 0, 0, unsigned(h),
                      unsigned(w), unsigned(y), unsigned(x)},
                     dib);
}

TEST(FormatsRoundTrip, WmfComesBackExactlyAtItsOwnSizeAndDepth) {
    for (int bpp : {1, 4, 8, 24}) {
        SCOPED_TRACE(bpp);
        const PackedDib dib = TestPattern(bpp, 61, 43);
        Bytes file;
        std::string error;
        ASSERT_TRUE(WriteWmf(dib, file, error)) << error;
        EXPECT_TRUE(LooksLikeWmf(file));
        PackedDib back;
        ASSERT_TRUE(ReadWmf(file, back, error)) << error;
        EXPECT_EQ(back, dib);
    }
    // Direct colours beyond 24 bits are stored at 24.
    for (int bpp : {16, 32}) {
        SCOPED_TRACE(bpp);
        RoundTrip(WriteWmf, ReadWmf, TestPattern(bpp));
    }
}

TEST(FormatsMetafile, WmfWithoutPlaceableHeaderIsReadFromDibStretchBlt) {
    const PackedDib dib = TestPattern(8, 6, 4);
    const Bytes org = WmfRecord(0x020B, {10, 20}); // y, x
    const Bytes ext = WmfRecord(0x020C, {40, 60}); // height, width
    const Bytes mode = WmfRecord(0x0103, {8});
    const Bytes file = Wmf({mode, org, ext, DibStretchBlt(dib, 20, 10, 60, 40)});
    EXPECT_TRUE(LooksLikeWmf(file));
    PackedDib back;
    std::string error;
    ASSERT_TRUE(ReadWmf(file, back, error)) << error;
    EXPECT_EQ(back, dib) << "the bitmap's own size, not the frame's";
    // Without a window the destination is the picture.
    ASSERT_TRUE(ReadWmf(Wmf({DibStretchBlt(dib, 5, 5, 12, 8)}), back, error)) << error;
    EXPECT_EQ(back, dib);
}

// Metafiles that are more than one bitmap covering the frame are refused with a message, so that
// the renderer gets them.
TEST(FormatsMetafile, WmfOfAnotherShapeIsRefused) {
    const PackedDib dib = TestPattern(4, 6, 4);
    const Bytes ext = WmfRecord(0x020C, {4, 6});
    const Bytes blt = DibStretchBlt(dib, 0, 0, 6, 4);
    const Bytes lineTo = WmfRecord(0x0213, {1, 1});
    Bytes notCopy = blt;
    WriteLe32(notCopy.data() + 6, 0x008800C6); // SRCAND
    Bytes stretchDib(blt.size() + 2, 0);       // META_STRETCHDIB with palette-index colours
    std::copy(blt.begin(), blt.begin() + 10, stretchDib.begin());
    WriteLe32(stretchDib.data(), ReadLe32(blt.data()) + 1);
    WriteLe16(stretchDib.data() + 4, 0x0F43);
    WriteLe16(stretchDib.data() + 10, 1);
    std::copy(blt.begin() + 10, blt.end(), stretchDib.begin() + 12);
    Bytes part = blt; // the top half of the bitmap
    WriteLe16(part.data() + 10, 2);
    const Bytes noBitmap = WmfRecord(0x0B41, {0x0020, 0x00CC, 4, 6, 0, 0, 0, 4, 6, 0, 0});
    const std::vector<Bytes> refused = {
        Wmf({ext}),
        Wmf({ext, blt, lineTo}),
        Wmf({lineTo, ext, blt}),
        Wmf({ext, blt, blt}),
        Wmf({ext, DibStretchBlt(dib, 0, 0, 5, 4)}),
        Wmf({ext, DibStretchBlt(dib, 1, 0, 6, 4)}),
        Wmf({DibStretchBlt(dib, 0, 0, -6, 4)}),
        Wmf({ext, notCopy}),
        Wmf({ext, stretchDib}),
        Wmf({ext, part}),
        Wmf({ext, noBitmap}),
    };
    PackedDib back;
    std::string error;
    ASSERT_TRUE(ReadWmf(Wmf({ext, blt}), back, error)) << error;
    for (std::size_t i = 0; i < refused.size(); ++i) {
        error.clear();
        EXPECT_FALSE(ReadWmf(refused[i], back, error)) << i;
        EXPECT_FALSE(error.empty()) << i;
        EXPECT_TRUE(back.empty()) << i;
    }
    // With colour usage RGB the same META_STRETCHDIB is read.
    WriteLe16(stretchDib.data() + 10, 0);
    EXPECT_TRUE(ReadWmf(Wmf({ext, stretchDib}), back, error)) << error;
    Bytes header = Wmf({});
    EXPECT_TRUE(LooksLikeWmf(header));
    WriteLe16(header.data() + 2, 8);
    EXPECT_FALSE(LooksLikeWmf(header));
}

TEST(FormatsMetafile, WmfBitmapRecordsThatOverrunAreRefused) {
    Bytes file;
    std::string error;
    ASSERT_TRUE(WriteWmf(TestPattern(24, 9, 5), file, error));
    const std::size_t record = 22 + 18 + 10 + 10; // the META_STRETCHDIB record
    PackedDib back;
    for (std::uint32_t words :
         {0xFFFFFFFFu, 0x80000000u, static_cast<std::uint32_t>(file.size())}) {
        Bytes bad = file;
        WriteLe32(bad.data() + record, words);
        EXPECT_FALSE(ReadWmf(bad, back, error)) << words;
        EXPECT_EQ(error, "corrupt metafile record");
        EXPECT_TRUE(back.empty());
    }
    // The record is cut 40 bytes short, inside the DIB's rows; the end record follows it.
    Bytes shortened = file;
    WriteLe32(shortened.data() + record, ReadLe32(file.data() + record) - 20);
    shortened.erase(shortened.begin() + static_cast<std::ptrdiff_t>(
                                            record + 2 * ReadLe32(shortened.data() + record)),
                    shortened.end() - 6);
    EXPECT_FALSE(ReadWmf(shortened, back, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_TRUE(back.empty());
    // A DIB claiming more rows than its record holds.
    Bytes taller = file;
    WriteLe32(taller.data() + record + 28 + 8, 6);
    WriteLe16(taller.data() + record + 6 + 6, 6);
    EXPECT_FALSE(ReadWmf(taller, back, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

TEST(FormatsClp, NtDirectoriesAreReadToo) {
    const PackedDib dib = TestPattern(24, 6, 2);
    Bytes f(4 + 2 * 170, 0);
    WriteLe16(f.data(), 0xC351);
    WriteLe16(f.data() + 2, 2);
    WriteLe32(f.data() + 4, 2); // CF_BITMAP first: ignored
    WriteLe32(f.data() + 174, 8);
    WriteLe32(f.data() + 178, static_cast<std::uint32_t>(dib.size()));
    WriteLe32(f.data() + 182, static_cast<std::uint32_t>(f.size()));
    f.insert(f.end(), dib.begin(), dib.end());
    PackedDib back;
    std::string error;
    ASSERT_TRUE(ReadClp(f, back, error)) << error;
    EXPECT_EQ(back, dib);
    WriteLe32(f.data() + 174, 3); // no bitmap entry left
    EXPECT_FALSE(ReadClp(f, back, error));
    EXPECT_EQ(error, "the clipboard file holds no bitmap");
}

TEST(FormatsRoundTrip, ClpAndEmfAtEveryDepth) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        RoundTrip(WriteClp, ReadClp, TestPattern(bpp));
        RoundTrip(WriteEmf, ReadEmf, TestPattern(bpp));
    }
}

TEST(FormatsRoundTrip, Xwd10AtPaletteDepths) {
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        RoundTrip(WriteXwd10, ReadXwd10, TestPattern(bpp));
    }
    // A black-and-white table is stored as one plane, in either order.
    for (bool whiteFirst : {false, true}) {
        PackedDib dib = TestPattern(1);
        RGBQUAD* table = reinterpret_cast<RGBQUAD*>(dib.data() + 40);
        table[whiteFirst ? 1 : 0] = {0, 0, 0, 0};
        table[whiteFirst ? 0 : 1] = {255, 255, 255, 0};
        Bytes file;
        std::string error;
        ASSERT_TRUE(WriteXwd10(dib, file, error));
        EXPECT_EQ(Be32(file.data() + 12), 1u) << "one plane";
        PackedDib back;
        ASSERT_TRUE(ReadXwd10(file, back, error)) << error;
        EXPECT_EQ(PixelsOf(back, false), PixelsOf(dib, false));
    }
}

TEST(FormatsIcon, EveryDepthReadsBackOpaqueAndCursorsKeepTheirHotSpot) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool cursor : {false, true}) {
            SCOPED_TRACE(bpp);
            IconOptions options;
            options.cursor = cursor;
            options.hotX = 5;
            options.hotY = 22;
            Bytes file;
            std::string error;
            ASSERT_TRUE(WriteIcon(TestPattern(bpp), file, error, options)) << error;
            EXPECT_EQ(ReadLe16(file.data() + 2), cursor ? 2 : 1);
            EXPECT_EQ(ReadLe16(file.data() + 10), cursor ? 5 : 1);
            EXPECT_EQ(ReadLe16(file.data() + 12), cursor ? 22 : (bpp == 16 ? 24 : bpp));
            PackedDib back;
            ASSERT_TRUE(ReadIcon(file, back, error)) << error;
            EXPECT_EQ(PixelsOf(back, false), PixelsOf(TestPattern(bpp), false));
            const Bytes rgba = PixelsOf(back, true);
            for (std::size_t i = 3; i < rgba.size(); i += 4)
                ASSERT_EQ(rgba[i], 255);
        }
}

TEST(FormatsIcon, AlphaAndTheTransparentColourMakeTheMask) {
    // 32-bit with alpha: alpha kept, and alpha 0 sets the mask bit.
    const PackedDib withAlpha = TestPattern(32, 16, 16, true);
    Bytes file;
    std::string error;
    ASSERT_TRUE(WriteIcon(withAlpha, file, error));
    PackedDib back;
    ASSERT_TRUE(ReadIcon(file, back, error));
    EXPECT_EQ(PixelsOf(back, true), PixelsOf(withAlpha, true));
    // 8-bit with a transparent colour: those pixels read back transparent, others opaque.
    const PackedDib indexed = TestPattern(8, 16, 16);
    const auto v = ViewPackedDib(indexed);
    const RGBQUAD key = v->table[indexed[v->bitsOffset]]; // the bottom-left pixel's colour
    IconOptions options;
    options.transparent = ColourOf(key);
    ASSERT_TRUE(WriteIcon(indexed, file, error, options));
    ASSERT_TRUE(ReadIcon(file, back, error));
    const Bytes in = PixelsOf(indexed, true), out = PixelsOf(back, true);
    int clear = 0;
    for (std::size_t i = 0; i < in.size(); i += 4) {
        const bool isKey =
            in[i] == key.rgbRed && in[i + 1] == key.rgbGreen && in[i + 2] == key.rgbBlue;
        EXPECT_EQ(out[i + 3], isKey ? 0 : 255);
        clear += isKey;
    }
    EXPECT_GT(clear, 0);
}

TEST(FormatsIcon, RefusesWhatItCannotStore) {
    Bytes out;
    std::string error;
    EXPECT_FALSE(WriteIcon(TestPattern(24, 257, 8), out, error));
    EXPECT_NE(error.find("256"), std::string::npos);
    EXPECT_TRUE(WriteIcon(TestPattern(24, 256, 256), out, error)) << error;
    EXPECT_EQ(out[6], 0) << "256 is stored as 0";
    IconOptions outside;
    outside.cursor = true;
    outside.hotX = 37;
    EXPECT_FALSE(WriteIcon(TestPattern(8), out, error, outside));
    EXPECT_TRUE(out.empty());
    std::vector<std::uint8_t> png = {0, 0, 1, 0,  1, 0, 16, 16,   0,   0,   1,   0,  32, 0,  8,
                                     0, 0, 0, 22, 0, 0, 0,  0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    PackedDib dib;
    EXPECT_FALSE(ReadIcon(png, dib, error));
    EXPECT_EQ(error, "PNG-compressed icon entry");
}

TEST(FormatsWriters, PaletteOnlyFormatsRefuseDirectColour) {
    const std::vector<Writer> writers = {WriteCut, WriteHaloPalette, WriteWpg, WriteXwd10,
                                         WriteFlic};
    for (const Writer& write : writers)
        for (int bpp : {16, 24, 32}) {
            Bytes out{1, 2, 3};
            std::string error;
            EXPECT_FALSE(write(TestPattern(bpp), out, error));
            EXPECT_NE(error.find("reduce the colours"), std::string::npos) << error;
            EXPECT_TRUE(out.empty());
        }
}

TEST(FormatsCut, FilesGoBesideEachOtherAndRefusalsLeaveNothing) {
    const fs::path dir =
        fs::temp_directory_path() / ("tsl-formats-cut-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string error;
    ASSERT_TRUE(WriteCutFiles((dir / "X.CUT").string(), TestPattern(4), error)) << error;
    const Bytes palette = ReadBytes(dir / "X.PAL");
    ASSERT_GE(palette.size(), 40u);
    EXPECT_EQ(palette[0], 'A');
    EXPECT_EQ(palette[1], 'H');
    EXPECT_EQ(ReadLe16(palette.data() + 4), palette.size());
    EXPECT_FALSE(WriteCutFiles((dir / "y.cut").string(), TestPattern(24), error));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
}

TEST(FormatsWriters, RefuseInvalidDibsAndOversizedImages) {
    const std::vector<Writer> all = {
        [](const PackedDib& d, Bytes& o, std::string& e) { return WritePsd(d, o, e); },
        [](const PackedDib& d, Bytes& o, std::string& e) { return WriteIlbm(d, o, e); },
        WriteFlic,
        [](const PackedDib& d, Bytes& o, std::string& e) { return WriteIcon(d, o, e); },
        WriteCut,
        WriteHaloPalette,
        WriteClp,
        WriteWpg,
        WriteWmf,
        WriteEmf,
        [](const PackedDib& d, Bytes& o, std::string& e) { return WriteOs2Bmp(d, o, e); },
        WriteXwd10};
    PackedDib broken = TestPattern(8);
    broken.resize(broken.size() - 1);
    for (const Writer& write : all) {
        Bytes out;
        std::string error;
        EXPECT_FALSE(write(broken, out, error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(write(PackedDib{}, out, error));
    }
    Bytes out;
    std::string error;
    EXPECT_FALSE(WriteWmf(TestPattern(1, 32768, 1), out, error));
    EXPECT_FALSE(WriteXwd10(TestPattern(1, 32768, 1), out, error));
    EXPECT_FALSE(WritePsd(TestPattern(1, 30001, 1), out, error));
    EXPECT_FALSE(WriteCut(TestPattern(8, 32768, 1), out, error));
    EXPECT_TRUE(WriteOs2Bmp(TestPattern(1, 70000, 1), out, error, Os2BmpVersion::V2));
    EXPECT_FALSE(WriteOs2Bmp(TestPattern(1, 70000, 1), out, error, Os2BmpVersion::V1));
}

TEST(FormatsWriters, Os2HeadersHaveTheirSizesAndDepths) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (Os2BmpVersion version : {Os2BmpVersion::V1, Os2BmpVersion::V2}) {
            Bytes out;
            std::string error;
            ASSERT_TRUE(WriteOs2Bmp(TestPattern(bpp), out, error, version));
            const bool v1 = version == Os2BmpVersion::V1;
            EXPECT_EQ(ReadLe32(out.data() + 14), v1 ? 12u : 64u);
            EXPECT_EQ(ReadLe16(out.data() + (v1 ? 24 : 28)), bpp > 8 ? 24 : bpp);
            EXPECT_EQ(ReadLe32(out.data() + 2), out.size());
            const std::size_t table = bpp > 8 ? 0 : (std::size_t{1} << bpp) * (v1 ? 3 : 4);
            EXPECT_EQ(ReadLe32(out.data() + 10), 14 + (v1 ? 12 : 64) + table);
        }
}

// Headers that claim 50000 x 50000 pixels (beyond the pixel limit) in a tiny file.
TEST(FormatsReaders, HugeClaimsAreRefusedBeforeAllocating) {
    auto be16 = [](Bytes& b, std::size_t at, unsigned v) {
        b[at] = static_cast<std::uint8_t>(v >> 8), b[at + 1] = static_cast<std::uint8_t>(v);
    };
    auto be32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    Bytes psd(64, 0);
    std::copy_n("8BPS", 4, psd.begin());
    be16(psd, 4, 1);
    be16(psd, 12, 3);
    be32(psd, 14, 50000);
    be32(psd, 18, 50000);
    be16(psd, 22, 8);
    be16(psd, 24, 3);
    Bytes iff(64, 0);
    std::copy_n("FORM\0\0\0\x38ILBMBMHD\0\0\0\x14", 20, iff.begin());
    be16(iff, 20, 50000);
    be16(iff, 22, 50000);
    iff[28] = 8;
    std::copy_n("BODY\0\0\0\x04", 8, iff.begin() + 40);
    Bytes flc(200, 0);
    WriteLe16(flc.data() + 4, 0xAF12);
    WriteLe16(flc.data() + 8, 50000);
    WriteLe16(flc.data() + 10, 50000);
    WriteLe16(flc.data() + 12, 8);
    WriteLe32(flc.data() + 128, 16);
    WriteLe16(flc.data() + 132, 0xF1FA);
    Bytes ico(80, 0);
    WriteLe16(ico.data() + 2, 1);
    WriteLe16(ico.data() + 4, 1);
    WriteLe32(ico.data() + 18, 22);
    WriteLe32(ico.data() + 22, 40);
    WriteLe32(ico.data() + 26, 50000);
    WriteLe32(ico.data() + 30, 100000);
    WriteLe16(ico.data() + 36, 32);
    Bytes clp(200, 0);
    WriteLe16(clp.data(), 0xC350);
    WriteLe16(clp.data() + 2, 1);
    WriteLe16(clp.data() + 4, 8);
    WriteLe32(clp.data() + 6, 100);
    WriteLe32(clp.data() + 10, 93);
    std::copy(ico.begin() + 22, ico.begin() + 62, clp.begin() + 93);
    WriteLe32(clp.data() + 93 + 8, 50000);
    Bytes emf;
    {
        PackedDib small = TestPattern(24, 4, 4);
        std::string error;
        ASSERT_TRUE(WriteEmf(small, emf, error));
        WriteLe32(emf.data() + 108 + 80 + 4, 50000);
        WriteLe32(emf.data() + 108 + 80 + 8, 50000);
    }
    Bytes wmf;
    {
        std::string error;
        ASSERT_TRUE(WriteWmf(TestPattern(24, 4, 4), wmf, error));
        WriteLe32(wmf.data() + 88 + 4, 50000);
        WriteLe32(wmf.data() + 88 + 8, 50000);
    }
    Bytes xwd(100, 0);
    be32(xwd, 0, 40);
    be32(xwd, 4, 6);
    be32(xwd, 12, 8);
    be32(xwd, 16, 1);
    be32(xwd, 20, 50000);
    be32(xwd, 24, 50000);
    const ChildRun run = RunInChild([&] {
        const std::vector<std::pair<Reader, Bytes>> cases = {
            {ReadPsd, psd}, {ReadIlbm, iff}, {ReadFlic, flc},  {ReadIcon, ico},
            {ReadClp, clp}, {ReadEmf, emf},  {ReadXwd10, xwd}, {ReadWmf, wmf}};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            PackedDib dib;
            std::string error;
            EXPECT_FALSE(cases[i].first(cases[i].second, dib, error));
            EXPECT_TRUE(error.find("pixel limit") != std::string::npos ||
                        error.find("at most 30000") != std::string::npos)
                << i << ": " << error;
            EXPECT_TRUE(dib.empty());
        }
        // Within the limits but far more pixels than the data can hold: refused before allocating.
        be32(psd, 14, 29000);
        be32(psd, 18, 29000);
        be16(iff, 20, 30000);
        be16(iff, 22, 30000);
        for (const auto& [read, file] : {std::pair<Reader, Bytes>{ReadPsd, psd}, {ReadIlbm, iff}}) {
            PackedDib dib;
            std::string error;
            EXPECT_FALSE(read(file, dib, error));
            EXPECT_NE(error.find("truncated"), std::string::npos) << error;
        }
    });
    EXPECT_TRUE(run.peakGrowthKb >= 0 && run.peakGrowthKb < 32 * 1024)
        << "refusals allocate nothing large: " << run.peakGrowthKb << " KiB";
}

// Every prefix of a valid file: refused with a message or decoded, never read past the end
// (ASan builds check that).
TEST(FormatsReaders, TruncatedFilesFailCleanly) {
    const std::vector<std::pair<Reader, Writer>> codecs = {
        {ReadPsd, [](const PackedDib& d, Bytes& o, std::string& e) { return WritePsd(d, o, e); }},
        {ReadIlbm, [](const PackedDib& d, Bytes& o, std::string& e) { return WriteIlbm(d, o, e); }},
        {ReadFlic, WriteFlic},
        {ReadIcon, [](const PackedDib& d, Bytes& o, std::string& e) { return WriteIcon(d, o, e); }},
        {ReadClp, WriteClp},
        {ReadEmf, WriteEmf},
        {ReadWmf, WriteWmf},
        {ReadXwd10, WriteXwd10}};
    for (const auto& [read, write] : codecs) {
        Bytes file;
        std::string error;
        ASSERT_TRUE(write(TestPattern(8, 9, 5), file, error));
        for (std::size_t n = 0; n < file.size(); ++n) {
            const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
            PackedDib dib;
            if (!read(part, dib, error)) {
                EXPECT_FALSE(error.empty());
                EXPECT_TRUE(dib.empty());
            }
        }
    }
}

} // namespace
} // namespace tsl
