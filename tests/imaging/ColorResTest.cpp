#include "imaging/ColorRes.h"

#include "ImagingOpsTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace tsl {
namespace {

using opstest::Grey;
using opstest::Indices;
using opstest::Luma;
using opstest::Photo;
using opstest::Picture;
using opstest::Read;

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr unsigned kDithers[] = {kDitherNone,   kDitherFloydSteinberg, kDitherStucki,
                                 kDitherBurkes, kDitherSierra,         kDitherStevensonArce,
                                 kDitherJarvis, kDitherOrdered};

std::set<COLORREF> PaletteSet(const CDdb& d) {
    std::set<COLORREF> out;
    for (const RGBQUAD& q : d.Palette())
        out.insert(ColourOf(q));
    return out;
}

// A horizontal grey ramp, 0 at the left to 255 at the right.
CDdb GreyRamp(int w = 256, int h = 64) {
    return Picture(w, h, [w](int x, int) { return Grey(x * 255 / (w - 1)); });
}

// Mean luminance of the block of picture columns [x0, x0 + n) over all rows.
double BlockMean(const opstest::Pixels& p, int x0, int n) {
    double sum = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = x0; x < x0 + n; ++x)
            sum += Luma(p.At(x, y));
    return sum / (n * p.height);
}

// Every source depth to every target depth with every palette kind: the result has exactly the
// depth asked for, the same size, a layout of that depth, and indexed pixels only use entries
// of the palette.
TEST(ColorRes, ConvertsEverySourceDepthToExactlyTheRequestedDepth) {
    const unsigned kinds[] = {kColorResFixedPalette,
                              kColorResOptimizedExact,
                              kColorResNetscapePalette,
                              kColorResFixedPalette | kColorResInsertSystemPalette,
                              kColorResOptimizedExact | kColorResInsertSystemPalette,
                              kColorResNetscapePalette | kColorResInsertSystemPalette};
    for (int from : kDepths) {
        CDdb source = Photo(37, 23);
        ASSERT_EQ(ColorRes(source, from, kColorResOptimizedExact), kSuccess) << from;
        for (int to : kDepths)
            for (unsigned kind : kinds)
                for (unsigned dither : {kDitherNone, kDitherFloydSteinberg, kDitherOrdered}) {
                    SCOPED_TRACE(testing::Message() << from << " -> " << to << " flags 0x"
                                                    << std::hex << (kind | dither));
                    CDdb d = source;
                    ASSERT_EQ(ColorRes(d, to, kind | dither), kSuccess);
                    EXPECT_EQ(d.BitsPerPixel(), to);
                    EXPECT_EQ(d.Width(), 37);
                    EXPECT_EQ(d.Height(), 23);
                    EXPECT_EQ(d.Stride(), *DibStride(37, to));
                    EXPECT_EQ(d.Bits().size(), *DibImageSize(37, 23, to));
                    if (to > 8) {
                        EXPECT_TRUE(d.Palette().empty());
                        continue;
                    }
                    ASSERT_GE(d.Palette().size(), 1u);
                    ASSERT_LE(d.Palette().size(), std::size_t{1} << to);
                    for (int i : Indices(d))
                        ASSERT_LT(i, static_cast<int>(d.Palette().size()));
                }
    }
}

TEST(ColorRes, RefusesUnknownDepthsDitheringKindsAndEmptyImages) {
    CDdb d = Photo(8, 8);
    const CDdb before = d;
    for (int bpp : {0, 2, 12, 15, 48, -8}) {
        EXPECT_EQ(ColorRes(d, bpp, kColorResOptimizedExact), kErrorInvalidBitsPerPixel) << bpp;
        EXPECT_EQ(GrayScale(d, bpp), kErrorInvalidBitsPerPixel) << bpp;
    }
    EXPECT_EQ(ColorRes(d, 8, 0x80000 | kColorResFixedPalette), kErrorInvalidParameter);
    EXPECT_EQ(ColorResToPalette(d, 4, std::vector<RGBQUAD>(17), 0), kErrorInvalidParameter);
    EXPECT_EQ(ColorResToPalette(d, 4, {}, 0), kErrorInvalidParameter);
    EXPECT_EQ(ColorResToPalette(d, 16, DefaultPalette(16), 0), kErrorInvalidBitsPerPixel);
    EXPECT_EQ(d.Bits(), before.Bits());
    EXPECT_EQ(d.BitsPerPixel(), 24);

    CDdb empty;
    EXPECT_EQ(ColorRes(empty, 8, kColorResOptimizedExact), kErrorNoBitmap);
    CDdb truncated = Photo(8, 8);
    truncated.Bits().resize(10);
    EXPECT_EQ(ColorRes(truncated, 8, kColorResOptimizedExact), kErrorNoBitmap);
    EXPECT_EQ(GrayScale(truncated, 8), kErrorNoBitmap);
}

// The dithering kinds each leave their own pattern on a gradient, and none uses a colour
// outside the palette.
TEST(ColorRes, DitheringKindsDifferOnAGradientAndStayInThePalette) {
    for (unsigned dither : kDithers) // kernels reach three pixels past pictures this small
        for (int bpp : {1, 16}) {
            CDdb tiny = Photo(2, 2);
            ASSERT_EQ(ColorRes(tiny, bpp, kColorResOptimizedPalette | dither), kSuccess);
            tiny = Picture(1, 1, [](int, int) { return RGB(99, 0, 200); });
            ASSERT_EQ(ColorRes(tiny, bpp, kColorResFixedPalette | dither), kSuccess);
        }
    const CDdb ramp = Picture(200, 40, [](int x, int y) { return RGB(x, 255 - x, y * 6); });
    for (int bpp : {1, 4, 8}) {
        std::vector<std::vector<std::uint8_t>> results;
        for (unsigned dither : kDithers) {
            CDdb d = ramp;
            ASSERT_EQ(ColorRes(d, bpp, kColorResFixedPalette | dither), kSuccess);
            const std::set<COLORREF> palette = PaletteSet(d);
            for (COLORREF c : Read(d).colours)
                ASSERT_TRUE(palette.count(c)) << std::hex << c;
            for (std::size_t i = 0; i < results.size(); ++i)
                EXPECT_NE(results[i], d.Bits())
                    << "bpp " << bpp << " kinds " << i << " and " << (dither >> 16);
            results.push_back(d.Bits());
        }
    }
}

// Dithering to black and white keeps the local brightness of a grey ramp: every 32-column block
// has about the ramp's mean there, with each kind. Without dithering it is a hard threshold.
TEST(ColorRes, DitheringPreservesTheLocalBrightnessOfAGreyRamp) {
    const CDdb ramp = GreyRamp();
    const opstest::Pixels source = Read(ramp);
    for (unsigned dither : kDithers) {
        if (dither == kDitherNone) continue;
        SCOPED_TRACE(dither >> 16);
        CDdb d = ramp;
        ASSERT_EQ(ColorRes(d, 1, kColorResFixedPalette | dither), kSuccess);
        const opstest::Pixels out = Read(d);
        EXPECT_NEAR(BlockMean(out, 0, 256), BlockMean(source, 0, 256), 2.0);
        for (int x0 = 0; x0 < 256; x0 += 32)
            EXPECT_NEAR(BlockMean(out, x0, 32), BlockMean(source, x0, 32), 10.0) << x0;
    }
    CDdb hard = ramp;
    ASSERT_EQ(ColorRes(hard, 1, kColorResFixedPalette), kSuccess);
    const opstest::Pixels out = Read(hard);
    EXPECT_EQ(BlockMean(out, 0, 120), 0.0);
    EXPECT_EQ(BlockMean(out, 136, 120), 255.0);
}

// Reduction to 16 bits dithers the 5-5-5 levels the same way: a fine ramp keeps its mean.
TEST(ColorRes, SixteenBitsRoundsToTheNearestLevelAndDithersToo) {
    const CDdb ramp = Picture(256, 16, [](int x, int) { return RGB(x, 255 - x, x / 2); });
    CDdb plain = ramp;
    ASSERT_EQ(ColorRes(plain, 16, 0), kSuccess);
    const opstest::Pixels p = Read(plain);
    for (int x = 0; x < 256; ++x) {
        const int r = GetRValue(p.At(x, 0));
        for (int level = 0; level < 32; ++level) // no level is nearer than the one chosen
            EXPECT_LE(std::abs(r - x), std::abs(((level << 3) | (level >> 2)) - x)) << x;
    }
    CDdb dithered = ramp;
    ASSERT_EQ(ColorRes(dithered, 16, kColorResDitheredTrueColor), kSuccess);
    EXPECT_NE(dithered.Bits(), plain.Bits());
    const opstest::Pixels q = Read(dithered);
    const opstest::Pixels s = Read(ramp);
    for (int x0 = 0; x0 < 256; x0 += 32) {
        double got = 0, want = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = x0; x < x0 + 32; ++x) {
                got += GetRValue(q.At(x, y)) + GetGValue(q.At(x, y)) + GetBValue(q.At(x, y));
                want += GetRValue(s.At(x, y)) + GetGValue(s.At(x, y)) + GetBValue(s.At(x, y));
            }
        EXPECT_NEAR(got / (3 * 32 * 16), want / (3 * 32 * 16), 0.75) << x0;
    }
    // 16 -> 24 -> 16 changes nothing.
    CDdb back = plain;
    ASSERT_EQ(ColorRes(back, 24, 0), kSuccess);
    ASSERT_EQ(ColorRes(back, 16, kColorResDitheredTrueColor), kSuccess);
    EXPECT_EQ(back.Bits(), plain.Bits());
}

// Mean absolute difference per channel between two pictures of the same size.
double MeanError(const CDdb& a, const CDdb& b) {
    const opstest::Pixels p = Read(a), q = Read(b);
    double error = 0;
    for (std::size_t i = 0; i < p.colours.size(); ++i)
        error += std::abs(GetRValue(p.colours[i]) - GetRValue(q.colours[i])) +
                 std::abs(GetGValue(p.colours[i]) - GetGValue(q.colours[i])) +
                 std::abs(GetBValue(p.colours[i]) - GetBValue(q.colours[i]));
    return error / (3.0 * static_cast<double>(p.colours.size()));
}

// 514 on a 24-bit picture of many colours in a narrow range (a face, a sky): 8 bits and an
// adaptive palette far closer than the fixed one; a picture of few colours keeps them exactly.
TEST(ColorRes, OptimizedPaletteFollowsThePictureAndKeepsFewColoursExactly) {
    const CDdb photo = Picture(160, 120, [](int x, int y) {
        return RGB(120 + x * 100 / 160, 80 + y * 90 / 120, 60 + (x + y) / 5);
    });
    CDdb d = photo, fixed = photo;
    ASSERT_EQ(ColorRes(d, 8, kColorResOptimizedExact), kSuccess);
    ASSERT_EQ(ColorRes(fixed, 8, kColorResFixedPalette), kSuccess);
    EXPECT_EQ(d.BitsPerPixel(), 8);
    EXPECT_GT(d.Palette().size(), 200u);
    EXPECT_LT(MeanError(photo, d), 1.5);
    EXPECT_GT(MeanError(photo, fixed), 5 * MeanError(photo, d));

    // Colours no fixed palette holds survive 514 and 513 exactly, at 8, 4 and 1 bits.
    const COLORREF odd[] = {RGB(13, 200, 77), RGB(250, 3, 99), RGB(1, 2, 3), RGB(90, 90, 91)};
    for (int bpp : {8, 4}) {
        for (unsigned flags :
             {kColorResOptimizedExact,
              kColorResUseImageColors | kColorResFixedPalette | kDitherFloydSteinberg}) {
            CDdb few = Picture(30, 20, [&](int x, int y) { return odd[(x / 7 + y) % 4]; });
            const opstest::Pixels before = Read(few);
            ASSERT_EQ(ColorRes(few, bpp, flags), kSuccess);
            EXPECT_EQ(few.Palette().size(), 4u);
            EXPECT_EQ(Read(few).colours, before.colours) << bpp;
        }
    }
    CDdb two = Picture(9, 5, [](int x, int) { return x % 2 ? RGB(200, 0, 0) : RGB(0, 0, 90); });
    ASSERT_EQ(ColorRes(two, 1, kColorResOptimizedExact), kSuccess);
    EXPECT_EQ(PaletteSet(two), (std::set<COLORREF>{RGB(200, 0, 0), RGB(0, 0, 90)}));
    // More than two colours at 1 bit: black and white.
    CDdb many = Photo(9, 5);
    ASSERT_EQ(ColorRes(many, 1, kColorResOptimizedExact), kSuccess);
    EXPECT_EQ(PaletteSet(many), (std::set<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
}

TEST(ColorRes, FixedAndNetscapePalettesAreTheDocumentedTables) {
    const CDdb photo = Photo(40, 30);
    CDdb d8 = photo, d4 = photo, d1 = photo;
    ASSERT_EQ(ColorRes(d8, 8, kColorResFixedPalette), kSuccess);
    ASSERT_EQ(ColorRes(d4, 4, kColorResFixedPalette), kSuccess);
    ASSERT_EQ(ColorRes(d1, 1, kColorResFixedPalette), kSuccess);
    EXPECT_EQ(d8.Palette(), DefaultPalette(256));
    EXPECT_EQ(d4.Palette(), DefaultPalette(16));
    EXPECT_EQ(d1.Palette(), DefaultPalette(2));

    std::set<COLORREF> cube;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                cube.insert(RGB(51 * r, 51 * g, 51 * b));
    CDdb n8 = photo, n4 = photo, n1 = photo;
    ASSERT_EQ(ColorRes(n8, 8, kColorResNetscapePalette | kDitherStucki), kSuccess);
    EXPECT_EQ(n8.Palette().size(), 216u);
    EXPECT_EQ(PaletteSet(n8), cube);
    ASSERT_EQ(ColorRes(n4, 4, kColorResNetscapePalette), kSuccess);
    std::set<COLORREF> corners;
    for (int c = 0; c < 8; ++c)
        corners.insert(RGB(c & 1 ? 255 : 0, c & 2 ? 255 : 0, c & 4 ? 255 : 0));
    for (int v : {51, 102, 153, 204})
        corners.insert(Grey(v));
    EXPECT_EQ(PaletteSet(n4), corners);
    ASSERT_EQ(ColorRes(n1, 1, kColorResNetscapePalette), kSuccess);
    EXPECT_EQ(PaletteSet(n1), (std::set<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
}

// The static colours come first and last; the kind fills the middle without repeating them.
TEST(ColorRes, InsertSystemPalettePutsTheStaticColoursAtBothEnds) {
    const auto& table = DefaultPaletteTable();
    for (unsigned kind :
         {kColorResOptimizedExact, kColorResNetscapePalette, kColorResFixedPalette}) {
        CDdb d = Photo(80, 60);
        ASSERT_EQ(ColorRes(d, 8, kind | kColorResInsertSystemPalette | kDitherBurkes), kSuccess);
        const auto& p = d.Palette();
        ASSERT_GE(p.size(), 20u);
        ASSERT_LE(p.size(), 256u);
        for (std::size_t i = 0; i < 10; ++i) {
            EXPECT_EQ(p[i], table[i]) << kind;
            EXPECT_EQ(p[p.size() - 10 + i], table[246 + i]) << kind;
        }
        if (kind != kColorResFixedPalette) { // the fixed table repeats some static colours
            EXPECT_EQ(PaletteSet(d).size(), p.size()) << "no colour twice, kind " << kind;
        }
    }
    CDdb fixed = Photo(20, 20);
    ASSERT_EQ(ColorRes(fixed, 8, kColorResFixedPalette | kColorResInsertSystemPalette), kSuccess);
    EXPECT_EQ(fixed.Palette(), DefaultPalette(256));

    CDdb four = Photo(40, 30);
    ASSERT_EQ(ColorRes(four, 4, kColorResOptimizedExact | kColorResInsertSystemPalette), kSuccess);
    ASSERT_EQ(four.Palette().size(), 16u);
    EXPECT_EQ(ColourOf(four.Palette().front()), RGB(0, 0, 0));
    EXPECT_EQ(ColourOf(four.Palette().back()), RGB(255, 255, 255));
}

TEST(ColorRes, ExpansionReadsPalettesAndFiveBitLevelsExactly) {
    CDdb indexed = CDdb::Create(4, 2, 4);
    indexed.Palette() = {QuadOf(RGB(1, 2, 3)), QuadOf(RGB(250, 128, 7)), QuadOf(RGB(9, 9, 9))};
    indexed.Row(1)[0] = 0x01; // top row: entries 0, 1
    indexed.Row(0)[1] = 0x2F; // bottom row: 0, 0, 2, 15 (past the palette: black)
    for (int to : {24, 32}) {
        CDdb d = indexed;
        ASSERT_EQ(ColorRes(d, to, 0), kSuccess);
        const opstest::Pixels p = Read(d);
        EXPECT_EQ(p.At(0, 0), RGB(1, 2, 3));
        EXPECT_EQ(p.At(1, 0), RGB(250, 128, 7));
        EXPECT_EQ(p.At(2, 1), RGB(9, 9, 9));
        EXPECT_EQ(p.At(3, 1), RGB(0, 0, 0));
    }
    CDdb d16 = CDdb::Create(2, 1, 16);
    WriteLe16(d16.Row(0), static_cast<std::uint16_t>((31 << 10) | (16 << 5) | 1));
    ASSERT_EQ(ColorRes(d16, 24, 0), kSuccess);
    EXPECT_EQ(Read(d16).At(0, 0), RGB(255, 132, 8));
}

TEST(ColorRes, GrayScaleGivesARampPaletteAndTheLuminance) {
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255),
                                RGB(10, 20, 30)};
    const int grey[] = {76, 150, 29, 255, 18};
    const CDdb picture = Picture(5, 1, [&](int x, int) { return colours[x]; });
    CDdb d = picture;
    ASSERT_EQ(GrayScale(d, 8), kSuccess);
    ASSERT_EQ(d.BitsPerPixel(), 8);
    ASSERT_EQ(d.Palette().size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(ColourOf(d.Palette()[static_cast<std::size_t>(i)]), Grey(i));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(d.Row(0)[x], grey[x]);
    for (int bpp : {1, 4, 16, 24, 32}) {
        CDdb g = picture;
        ASSERT_EQ(GrayScale(g, bpp), kSuccess);
        EXPECT_EQ(g.BitsPerPixel(), bpp);
        const opstest::Pixels p = Read(g);
        const int step = bpp == 1 ? 255 : bpp == 4 ? 17 : bpp == 16 ? 9 : 0;
        for (int x = 0; x < 5; ++x) {
            const COLORREF c = p.At(x, 0);
            EXPECT_EQ(GetRValue(c), GetGValue(c));
            EXPECT_EQ(GetGValue(c), GetBValue(c));
            EXPECT_LE(std::abs(GetRValue(c) - grey[x]), (step + 1) / 2) << bpp << " " << x;
        }
    }
}

// A user palette with every dithering kind: only its entries are used.
TEST(ColorRes, ReductionToAGivenPaletteUsesOnlyItsEntries) {
    const std::vector<RGBQUAD> palette = {QuadOf(RGB(0, 0, 0)), QuadOf(RGB(255, 0, 0)),
                                          QuadOf(RGB(0, 0, 255)), QuadOf(RGB(240, 240, 240))};
    for (unsigned dither : kDithers) {
        CDdb d = Photo(50, 30, 32);
        ASSERT_EQ(ColorResToPalette(d, 4, palette, dither), kSuccess);
        EXPECT_EQ(d.Palette(), palette);
        for (int i : Indices(d))
            ASSERT_LT(i, 4);
    }
}

} // namespace
} // namespace tsl
