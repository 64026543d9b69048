#include "imaging/Filters.h"
#include "imaging/ColorRes.h"

#include "ImagingOpsTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

namespace tsl {
namespace {

using opstest::Grey;
using opstest::Photo;
using opstest::Picture;
using opstest::Read;

CDdb Flat(COLORREF c, int w = 24, int h = 20, int bpp = 24) {
    return Picture(
        w, h, [c](int, int) { return c; }, bpp);
}

// Dark above picture row `edge`, bright from it down.
CDdb HorizontalEdge(int dark, int bright, int edge = 10, int w = 16, int h = 20, int bpp = 24) {
    return Picture(
        w, h, [=](int, int y) { return Grey(y < edge ? dark : bright); }, bpp);
}

// Dark left of picture column `edge`, bright from it on.
CDdb VerticalEdge(int dark, int bright, int edge = 8, int w = 16, int h = 12, int bpp = 24) {
    return Picture(
        w, h, [=](int x, int) { return Grey(x < edge ? dark : bright); }, bpp);
}

int R(const opstest::Pixels& p, int x, int y) {
    return GetRValue(p.At(x, y));
}

using Filter = std::function<int(CDdb&)>;
struct NamedFilter {
    const char* name;
    Filter run;
};
const std::vector<NamedFilter>& AllFilters() {
    static const std::vector<NamedFilter> filters = {
        {"average 5", [](CDdb& d) { return AverageFilter(d, 5); }},
        {"average 4", [](CDdb& d) { return AverageFilter(d, 4); }},
        {"sharpen", [](CDdb& d) { return Sharpen(d, 600); }},
        {"soften", [](CDdb& d) { return Sharpen(d, -600); }},
        {"noise", [](CDdb& d) { return AddNoise(d, 300, kNoiseChannelMaster, 7); }},
        {"emboss", [](CDdb& d) { return Emboss(d, 135, 300); }},
        {"mosaic", [](CDdb& d) { return Mosaic(d, 3); }},
        {"posterize", [](CDdb& d) { return Posterize(d, 4); }},
        {"oilify", [](CDdb& d) { return Oilify(d, 5); }},
        {"median 3", [](CDdb& d) { return MedianFilter(d, 3); }},
        {"median 9", [](CDdb& d) { return MedianFilter(d, 9); }},
        {"spatial", [](CDdb& d) { return SpatialFilter(d, kSpatialSobelEast); }},
        {"trim", [](CDdb& d) { return AutoTrim(d, 10); }},
    };
    return filters;
}

// Every filter at every depth, on pictures down to a single pixel: success, the depth and
// palette stay, the size too (trim aside).
TEST(Filters, EveryFilterKeepsDepthAndPaletteAtEveryDepthAndSize) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{31, 17}}) {
            CDdb source = Photo(std::max(w, 2), std::max(h, 2));
            if (w == 1) source = Flat(RGB(40, 80, 120), 1, 1);
            ASSERT_EQ(ColorRes(source, bpp, kColorResOptimizedExact), kSuccess);
            for (const NamedFilter& f : AllFilters()) {
                SCOPED_TRACE(testing::Message()
                             << f.name << " at " << bpp << " bits, " << w << "x" << h);
                CDdb d = source;
                ASSERT_EQ(f.run(d), kSuccess);
                EXPECT_EQ(d.BitsPerPixel(), bpp);
                EXPECT_EQ(d.Palette(), source.Palette());
                EXPECT_EQ(d.Stride(), *DibStride(d.Width(), bpp));
                if (std::string(f.name) != "trim") {
                    EXPECT_EQ(d.Width(), source.Width());
                    EXPECT_EQ(d.Height(), source.Height());
                }
            }
        }
}

TEST(Filters, RefuseValuesOutsideTheirRangesAndLeaveTheImage) {
    const std::vector<Filter> bad = {
        [](CDdb& d) { return AverageFilter(d, 0); },
        [](CDdb& d) { return AverageFilter(d, kAverageDimMax + 1); },
        [](CDdb& d) { return Sharpen(d, 1001); },
        [](CDdb& d) { return Sharpen(d, -1001); },
        [](CDdb& d) { return AddNoise(d, 1001, kNoiseChannelRed, 1); },
        [](CDdb& d) { return AddNoise(d, 10, 4, 1); },
        [](CDdb& d) { return Emboss(d, 360, 100); },
        [](CDdb& d) { return Emboss(d, 0, 1001); },
        [](CDdb& d) { return Mosaic(d, 0); },
        [](CDdb& d) { return Posterize(d, 1); },
        [](CDdb& d) { return Posterize(d, 257); },
        [](CDdb& d) { return Oilify(d, 0); },
        [](CDdb& d) { return MedianFilter(d, kMedianDimMax + 1); },
        [](CDdb& d) { return SpatialFilter(d, kSpatialFilterCount); },
        [](CDdb& d) { return SpatialFilter(d, -1); },
        [](CDdb& d) { return AutoTrim(d, 245); },
        [](CDdb& d) { return Combine(d, d, 0, 0, 0, 5, kCombineAdd); },
        [](CDdb& d) { return Combine(d, d, 0, 0, 5, 5, 0x0C00); },
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        CDdb d = Photo(12, 9);
        const CDdb before = d;
        EXPECT_EQ(bad[i](d), kErrorInvalidParameter) << i;
        EXPECT_EQ(d.Bits(), before.Bits()) << i;
    }
    for (const NamedFilter& f : AllFilters()) {
        CDdb empty;
        EXPECT_EQ(f.run(empty), kErrorNoBitmap) << f.name;
    }
}

TEST(Filters, MedianRemovesSaltNoiseAtEveryWindowAndDepth) {
    for (int bpp : {8, 24, 32})
        for (int dim : {3, 4, 5, 9}) {
            CDdb d = Picture(40, 30, [](int x, int y) {
                return (x * 7 + y * 13) % 23 == 0 ? RGB(255, 255, 255) : RGB(100, 60, 20);
            });
            ASSERT_EQ(ColorRes(d, bpp, kColorResOptimizedExact), kSuccess);
            ASSERT_EQ(MedianFilter(d, dim), kSuccess);
            for (COLORREF c : Read(d).colours)
                ASSERT_EQ(c, RGB(100, 60, 20)) << bpp << " " << dim;
        }
}

TEST(Filters, AverageOfAConstantIsConstantAndEvenWindowsStayCentred) {
    for (int bpp : {8, 16, 24, 32})
        for (int dim : {1, 2, 3, 4, 7, 30}) {
            CDdb d = Flat(RGB(96, 160, 200), 23, 19);
            ASSERT_EQ(ColorRes(d, bpp, 0), kSuccess);
            const opstest::Pixels before = Read(d);
            ASSERT_EQ(AverageFilter(d, dim), kSuccess);
            EXPECT_EQ(Read(d).colours, before.colours) << bpp << " " << dim;
        }
    // Across a 0 | 240 step the two pixels beside it average to the step's middle.
    for (int dim : {2, 3, 4, 5, 6}) {
        CDdb d = VerticalEdge(0, 240);
        ASSERT_EQ(AverageFilter(d, dim), kSuccess);
        const opstest::Pixels p = Read(d);
        EXPECT_NEAR(R(p, 7, 5) + R(p, 8, 5), 240, 1) << dim;
        EXPECT_GT(R(p, 7, 5), 0);
        EXPECT_EQ(R(p, 0, 5), 0);
        EXPECT_EQ(R(p, 15, 5), 240);
    }
}

TEST(Filters, PosterizeLeavesAtMostTheLevelsPerChannel) {
    for (int levels : {2, 3, 5, 16, 256}) {
        CDdb d = Picture(256, 4, [](int x, int y) { return RGB(x, 255 - x, (x * 3 + y) & 255); });
        ASSERT_EQ(Posterize(d, levels), kSuccess);
        std::set<int> r, g, b;
        for (COLORREF c : Read(d).colours) {
            r.insert(GetRValue(c));
            g.insert(GetGValue(c));
            b.insert(GetBValue(c));
        }
        EXPECT_EQ(static_cast<int>(r.size()), levels);
        EXPECT_LE(static_cast<int>(b.size()), levels);
        EXPECT_EQ(*r.begin(), 0);
        EXPECT_EQ(*r.rbegin(), 255);
    }
}

// Tiles start at the picture's top-left corner (the storage is bottom-up and 37 rows is no
// multiple of 8) and each holds its pixels' mean.
TEST(Filters, MosaicFillsTilesFromTheTopLeftWithTheirMean) {
    const CDdb source = Photo(61, 37);
    const opstest::Pixels s = Read(source);
    for (int bpp : {24, 32}) {
        CDdb d = source;
        ASSERT_EQ(ColorRes(d, bpp, 0), kSuccess);
        ASSERT_EQ(Mosaic(d, 8), kSuccess);
        const opstest::Pixels p = Read(d);
        for (int ty = 0; ty < 37; ty += 8)
            for (int tx = 0; tx < 61; tx += 8) {
                long sum = 0, n = 0;
                for (int y = ty; y < std::min(ty + 8, 37); ++y)
                    for (int x = tx; x < std::min(tx + 8, 61); ++x) {
                        ASSERT_EQ(p.At(x, y), p.At(tx, ty)) << x << "," << y;
                        sum += GetRValue(s.At(x, y));
                        ++n;
                    }
                EXPECT_EQ(GetRValue(p.At(tx, ty)), (sum + n / 2) / n);
            }
    }
    // An indexed picture gets flat tiles of its own palette's colours.
    CDdb indexed = source;
    ASSERT_EQ(ColorRes(indexed, 4, kColorResFixedPalette | kDitherFloydSteinberg), kSuccess);
    const auto palette = indexed.Palette();
    ASSERT_EQ(Mosaic(indexed, 5), kSuccess);
    EXPECT_EQ(indexed.Palette(), palette);
    const opstest::Pixels q = Read(indexed);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x)
            ASSERT_EQ(q.At(x, y), q.At(x / 5 * 5, y / 5 * 5));
}

TEST(Filters, SharpenOvershootsAStepAndSoftenBlendsIt) {
    CDdb sharp = VerticalEdge(100, 150);
    ASSERT_EQ(Sharpen(sharp, 500), kSuccess);
    const opstest::Pixels p = Read(sharp);
    EXPECT_LT(R(p, 7, 6), 100);
    EXPECT_GT(R(p, 8, 6), 150);
    EXPECT_EQ(R(p, 2, 6), 100);
    EXPECT_EQ(R(p, 13, 6), 150);
    CDdb soft = VerticalEdge(100, 150);
    ASSERT_EQ(Sharpen(soft, -1000), kSuccess);
    const opstest::Pixels q = Read(soft);
    EXPECT_EQ(R(q, 7, 6), 117); // (2 * 100 + 150) / 3
    EXPECT_EQ(R(q, 8, 6), 133);
    EXPECT_EQ(R(q, 2, 6), 100);
}

// Light from the north brightens the top edge of a bright area and darkens its bottom edge;
// light from the south does the opposite; flat parts are grey 128.
TEST(Filters, EmbossLightsEdgesFacingTheLight) {
    // A bright band across picture rows 8..13 on dark.
    const CDdb band = Picture(16, 22, [](int, int y) { return Grey(y >= 8 && y < 14 ? 200 : 40); });
    CDdb north = band, south = band, east = band;
    ASSERT_EQ(Emboss(north, kEmbossNorth, 100), kSuccess);
    ASSERT_EQ(Emboss(south, kEmbossSouth, 100), kSuccess);
    ASSERT_EQ(Emboss(east, kEmbossEast, 100), kSuccess);
    const opstest::Pixels n = Read(north), s = Read(south), e = Read(east);
    EXPECT_GT(R(n, 5, 8), 200); // top edge of the band, facing the light
    EXPECT_LT(R(n, 5, 13), 60); // bottom edge
    EXPECT_LT(R(s, 5, 8), 60);
    EXPECT_GT(R(s, 5, 13), 200);
    EXPECT_EQ(R(n, 5, 3), 128);
    EXPECT_EQ(R(n, 5, 11), 128);
    EXPECT_EQ(R(e, 5, 8), 128); // light along the edge: no relief
    EXPECT_EQ(n.At(5, 8), Grey(R(n, 5, 8)));
}

// Directional filters answer on the side their name gives, whatever the storage order: each
// check runs on a picture and on its upside-down twin.
TEST(Filters, DirectionalSpatialFiltersTellUpFromDown) {
    // Bright above picture row 10, dark from it down.
    const CDdb topBright = HorizontalEdge(200, 20);
    const CDdb topDark = HorizontalEdge(20, 200);
    for (auto [id, fromTop] :
         {std::pair{kSpatialSobelNorth, true}, std::pair{kSpatialPrewittNorth, true},
          std::pair{kSpatialGradientNorth, true}, std::pair{kSpatialGradientNorthEast, true},
          std::pair{kSpatialGradientNorthWest, true}, std::pair{kSpatialSobelSouth, false},
          std::pair{kSpatialPrewittSouth, false}, std::pair{kSpatialGradientSouth, false}}) {
        SCOPED_TRACE(SpatialFilterName(id));
        CDdb a = topBright, b = topDark;
        ASSERT_EQ(SpatialFilter(a, id), kSuccess);
        ASSERT_EQ(SpatialFilter(b, id), kSuccess);
        const opstest::Pixels pa = Read(a), pb = Read(b);
        EXPECT_EQ(R(fromTop ? pa : pb, 8, 9) > 0, true);
        EXPECT_EQ(R(fromTop ? pa : pb, 8, 10) > 0, true);
        EXPECT_EQ(R(fromTop ? pb : pa, 8, 9), 0);
        EXPECT_EQ(R(fromTop ? pb : pa, 8, 10), 0);
        EXPECT_EQ(R(pa, 8, 3), 0);
        EXPECT_EQ(R(pa, 8, 16), 0);
    }
    // Shift and difference, vertical: the pixel minus the one above, so only the first bright
    // row answers, with the full step.
    CDdb d = HorizontalEdge(20, 200), up = HorizontalEdge(200, 20);
    ASSERT_EQ(SpatialFilter(d, kSpatialShiftVertical), kSuccess);
    ASSERT_EQ(SpatialFilter(up, kSpatialShiftVertical), kSuccess);
    const opstest::Pixels p = Read(d), q = Read(up);
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(R(p, 4, y), y == 10 ? 180 : 0) << y;
        EXPECT_EQ(R(q, 4, y), 0) << y; // bright above dark: never brighter than above
    }
    // East and west, and the horizontal shift, on a vertical edge.
    for (auto [id, column] :
         {std::pair{kSpatialSobelEast, 7}, std::pair{kSpatialPrewittWest, -1},
          std::pair{kSpatialShiftHorizontal, 8}, std::pair{kSpatialGradientEast, 7}}) {
        CDdb v = VerticalEdge(20, 200);
        ASSERT_EQ(SpatialFilter(v, id), kSuccess);
        const opstest::Pixels pv = Read(v);
        for (int x = 0; x < 16; ++x) {
            if (column < 0) {
                EXPECT_EQ(R(pv, x, 5), 0) << SpatialFilterName(id) << " " << x;
            } else if (x == column) {
                EXPECT_GT(R(pv, x, 5), 0) << SpatialFilterName(id);
            } else if (x < 6 || x > 9) {
                EXPECT_EQ(R(pv, x, 5), 0) << SpatialFilterName(id) << " " << x;
            }
        }
    }
}

TEST(Filters, SpatialFamiliesCoverEveryIdAndFlatPicturesGiveZero) {
    std::set<int> seen;
    for (unsigned family :
         {kSpatialFamilyGradient, kSpatialFamilyLaplacian, kSpatialFamilySobel,
          kSpatialFamilyPrewitt, kSpatialFamilyShiftDifference, kSpatialFamilyLineSegment}) {
        const std::vector<int> ids = SpatialFilterIds(family);
        EXPECT_GE(ids.size(), 2u) << family;
        for (int id : ids) {
            EXPECT_TRUE(seen.insert(id).second);
            EXPECT_EQ(SpatialFilterFamily(id), family);
            EXPECT_STRNE(SpatialFilterName(id), "");
            CDdb d = Flat(RGB(90, 180, 45), 7, 6, 32);
            ASSERT_EQ(SpatialFilter(d, id), kSuccess);
            for (COLORREF c : Read(d).colours)
                ASSERT_EQ(c, RGB(0, 0, 0)) << SpatialFilterName(id);
        }
    }
    EXPECT_EQ(static_cast<int>(seen.size()), kSpatialFilterCount);
    EXPECT_EQ(SpatialFilterFamily(kSpatialEdgeEnhance), kSpatialFamilyLaplacian);

    // A one-pixel bright line: the matching line detector answers on it only.
    CDdb line = Picture(12, 12, [](int, int y) { return Grey(y == 5 ? 90 : 10); });
    ASSERT_EQ(SpatialFilter(line, kSpatialLineHorizontal), kSuccess);
    const opstest::Pixels p = Read(line);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(R(p, 6, y), y == 5 ? 255 : 0) << y;
    CDdb across = Picture(12, 12, [](int, int y) { return Grey(y == 5 ? 90 : 10); });
    ASSERT_EQ(SpatialFilter(across, kSpatialLineVertical), kSuccess);
    for (COLORREF c : Read(across).colours)
        EXPECT_EQ(c, RGB(0, 0, 0));
}

// Edge Enhance: the edge detector's result added to the picture brightens the bright side of
// each edge and leaves flat parts and the dark side alone.
TEST(Filters, EdgeEnhanceBrightensTheBrightSideOfEdges) {
    const CDdb original = VerticalEdge(60, 160);
    CDdb edges = original;
    ASSERT_EQ(SpatialFilter(edges, kSpatialEdgeEnhance), kSuccess);
    ASSERT_EQ(Combine(edges, original, 0, 0, original.Width(), original.Height(), 768), kSuccess);
    const opstest::Pixels p = Read(edges);
    EXPECT_EQ(R(p, 8, 4), 255); // 160 + (4 * 160 - 3 * 160 - 60)
    EXPECT_EQ(R(p, 7, 4), 60);
    EXPECT_EQ(R(p, 2, 4), 60);
    EXPECT_EQ(R(p, 12, 4), 160);
}

TEST(Filters, CombineClipsToBothImagesAndKeepsTheDestinationDepth) {
    CDdb dst = Flat(Grey(100), 10, 8);
    const CDdb src = Picture(6, 6, [](int x, int y) { return RGB(x * 40, y * 40, 30); });
    // Placed partly outside on the left and top: only the overlap changes.
    ASSERT_EQ(Combine(dst, src, -2, -3, 6, 6, kCombineCopy), kSuccess);
    const opstest::Pixels p = Read(dst);
    EXPECT_EQ(p.At(0, 0), RGB(80, 120, 30));
    EXPECT_EQ(p.At(3, 2), RGB(200, 200, 30));
    EXPECT_EQ(p.At(4, 2), Grey(100));
    EXPECT_EQ(p.At(0, 3), Grey(100));
    // Source origin, operations, saturation.
    const struct {
        unsigned op;
        int expect;
    } ops[] = {{kCombineAdd, 255},      {kCombineSubtract, 0},   {kCombineSubtractDst, 60},
               {kCombineMultiply, 63},  {kCombineAverage, 130},  {kCombineDifference, 60},
               {kCombineLighten, 160},  {kCombineDarken, 100},   {kCombineAnd, 100 & 160},
               {kCombineOr, 100 | 160}, {kCombineXor, 100 ^ 160}};
    for (const auto& o : ops) {
        CDdb d = Flat(Grey(100), 4, 4, 32);
        const CDdb s = Picture(5, 5, [](int x, int) { return Grey(x == 4 ? 160 : 7); });
        ASSERT_EQ(Combine(d, s, 1, 1, 3, 3, o.op, 4, 0), kSuccess);
        const opstest::Pixels q = Read(d);
        EXPECT_EQ(R(q, 1, 1), o.expect) << std::hex << o.op;
        EXPECT_EQ(R(q, 1, 2), o.expect) << std::hex << o.op;
        EXPECT_EQ(R(q, 2, 1), 100) << "past the source's right edge";
        EXPECT_EQ(R(q, 0, 0), 100);
    }
    // Far outside: nothing to do. Into itself, and into an indexed image.
    CDdb same = Photo(8, 8);
    const CDdb copy = same;
    ASSERT_EQ(Combine(same, same, 50, 50, 4, 4, kCombineAdd), kSuccess);
    EXPECT_EQ(same.Bits(), copy.Bits());
    ASSERT_EQ(Combine(same, same, 0, 1, 8, 7, kCombineCopy), kSuccess);
    const opstest::Pixels moved = Read(same), orig = Read(copy);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(moved.At(x, 7), orig.At(x, 6));
    CDdb indexed = Flat(Grey(0), 6, 6);
    ASSERT_EQ(ColorRes(indexed, 4, kColorResFixedPalette), kSuccess);
    ASSERT_EQ(Combine(indexed, Flat(RGB(255, 0, 0), 3, 3), 0, 0, 3, 3, kCombineAdd), kSuccess);
    EXPECT_EQ(indexed.BitsPerPixel(), 4);
    EXPECT_EQ(Read(indexed).At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(Read(indexed).At(3, 3), RGB(0, 0, 0));
}

// A picture inside a blank border; the border is 5 left, 3 right, 4 top, 7 bottom.
CDdb Framed(int noise, int bpp = 24) {
    CDdb d = Picture(40, 30, [noise](int x, int y) {
        if (x >= 5 && x < 37 && y >= 4 && y < 23) return RGB(x * 6, y * 8, 255 - x * 3);
        const int n = noise * (((x * 3 + y * 5) % 3) - 1);
        return RGB(240 + n, 235 - n, 230 + n);
    });
    if (bpp != 24) ColorRes(d, bpp, kColorResOptimizedExact);
    return d;
}

TEST(Filters, AutoTrimRemovesBlankBordersWithinTheThreshold) {
    for (int bpp : {4, 8, 16, 24, 32}) { // 1 bit: below
        SCOPED_TRACE(bpp);
        CDdb d = Framed(0, bpp);
        const opstest::Pixels before = Read(d);
        ASSERT_EQ(AutoTrim(d, 0), kSuccess);
        ASSERT_EQ(d.Width(), 32);
        ASSERT_EQ(d.Height(), 19);
        EXPECT_EQ(d.BitsPerPixel(), bpp);
        const opstest::Pixels after = Read(d);
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(after.At(x, y), before.At(x + 5, y + 4));
    }
    // A border that differs from its top-left pixel by up to 10: trimmed at threshold 10, not
    // at 9.
    CDdb noisy = Framed(5);
    ASSERT_EQ(AutoTrim(noisy, 10), kSuccess);
    EXPECT_EQ(noisy.Width(), 32);
    EXPECT_EQ(noisy.Height(), 19);
    CDdb strict = Framed(5);
    ASSERT_EQ(AutoTrim(strict, 9), kSuccess);
    EXPECT_GT(strict.Width(), 32);
    // Nothing blank around, or nothing but blank: left alone.
    CDdb photo = Photo(20, 10);
    const CDdb photoBefore = photo;
    ASSERT_EQ(AutoTrim(photo, 30), kSuccess);
    EXPECT_EQ(photo.Bits(), photoBefore.Bits());
    CDdb blank = Flat(Grey(255), 9, 9);
    ASSERT_EQ(AutoTrim(blank, 0), kSuccess);
    EXPECT_EQ(blank.Width(), 9);
}

TEST(Filters, AutoTrimCropsOneAndFourBitRowsAtAnyBitOffset) {
    // A 4-bit image whose content starts at an odd column and a 1-bit one at column 3.
    for (int bpp : {1, 4}) {
        for (int left : {1, 3, 5}) {
            CDdb d = Picture(19, 9, [left](int x, int y) {
                return x >= left && x < 15 && y >= 2 && y < 7 && (x + y) % 3 ? RGB(0, 0, 0)
                                                                             : RGB(255, 255, 255);
            });
            ASSERT_EQ(ColorRes(d, bpp, kColorResFixedPalette), kSuccess);
            const opstest::Pixels before = Read(d);
            ASSERT_EQ(AutoTrim(d, 0), kSuccess);
            const opstest::Pixels after = Read(d);
            ASSERT_EQ(d.Width(), 15 - left);
            ASSERT_EQ(d.Height(), 5);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < d.Width(); ++x)
                    ASSERT_EQ(after.At(x, y), before.At(x + left, y + 2)) << bpp << " " << left;
        }
    }
}

TEST(Filters, NoiseStaysInRangeOnTheChosenChannel) {
    const CDdb grey = Flat(Grey(128), 64, 32);
    CDdb a = grey, b = grey, red = grey, none = grey;
    ASSERT_EQ(AddNoise(a, 200, kNoiseChannelMaster, 42), kSuccess);
    ASSERT_EQ(AddNoise(b, 200, kNoiseChannelMaster, 42), kSuccess);
    EXPECT_EQ(a.Bits(), b.Bits()) << "same seed, same noise";
    ASSERT_EQ(AddNoise(none, 0, kNoiseChannelMaster, 42), kSuccess);
    EXPECT_EQ(none.Bits(), grey.Bits());
    std::set<int> values;
    for (COLORREF c : Read(a).colours) {
        EXPECT_EQ(c, Grey(GetRValue(c))) << "master noise keeps greys grey";
        EXPECT_LE(std::abs(GetRValue(c) - 128), 51); // 200 / 1000 of 255
        values.insert(GetRValue(c));
    }
    EXPECT_GT(values.size(), 60u);
    ASSERT_EQ(AddNoise(red, 1000, kNoiseChannelRed, 3), kSuccess);
    int changed = 0;
    for (COLORREF c : Read(red).colours) {
        EXPECT_EQ(GetGValue(c), 128);
        EXPECT_EQ(GetBValue(c), 128);
        changed += GetRValue(c) != 128;
    }
    EXPECT_GT(changed, 64 * 32 * 9 / 10);
}

TEST(Filters, OilifyKeepsEdgesAndFlattensSpecks) {
    CDdb d = Picture(30, 20, [](int x, int y) {
        if (x == 6 && y == 6) return RGB(255, 255, 255);
        return x < 15 ? RGB(200, 40, 40) : RGB(30, 30, 160);
    });
    ASSERT_EQ(Oilify(d, 5), kSuccess);
    const opstest::Pixels p = Read(d);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(p.At(x, y), x < 15 ? RGB(200, 40, 40) : RGB(30, 30, 160)) << x << "," << y;
    // The largest window over white beside a nearly white band of the same luminance band: the
    // sums come near their limit and no channel spills into the next.
    CDdb big = Picture(80, 70, [](int x, int) { return x < 40 ? RGB(255, 255, 255) : RGB(255, 254, 253); });
    ASSERT_EQ(Oilify(big, kOilifyDimMax), kSuccess);
    const opstest::Pixels q = Read(big);
    for (int y : {0, 35, 69})
        for (int x : {0, 39, 40, 79}) {
            const COLORREF c = q.At(x, y);
            EXPECT_EQ(GetRValue(c), 255) << x << "," << y;
            EXPECT_GE(GetGValue(c), 254) << x << "," << y;
            EXPECT_GE(GetBValue(c), 253) << x << "," << y;
        }
}

} // namespace
} // namespace tsl

namespace tsl {
namespace {

// Results worked out by hand on small pictures, at several window sizes and directions.
TEST(Filters, HandComputedWindowsAndReliefs) {
    // One pixel of 225 on black: a dim x dim box spreads it to 225 / dim^2 over the window.
    for (int dim : {3, 5, 9}) {
        CDdb d = Picture(15, 15, [](int x, int y) { return Grey(x == 7 && y == 7 ? 225 : 0); });
        ASSERT_EQ(AverageFilter(d, dim), kSuccess);
        const opstest::Pixels p = Read(d);
        const int r = dim / 2;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x) {
                const bool inside = std::abs(x - 7) <= r && std::abs(y - 7) <= r;
                EXPECT_NEAR(R(p, x, y), inside ? 225.0 / (dim * dim) : 0.0, 0.51) << dim << " " << x << "," << y;
            }
    }
    // Emboss across a dark (40) over bright (100) edge at row 6: lit from the north the rows
    // either side of the edge read 128 + depth / 100 * (100 - 40); from the south the opposite.
    for (int depth : {50, 100}) {
        for (int direction : {kEmbossNorth, kEmbossSouth}) {
            CDdb d = HorizontalEdge(40, 100, 6, 10, 12);
            ASSERT_EQ(Emboss(d, direction, depth), kSuccess);
            const opstest::Pixels p = Read(d);
            const int relief = depth * 60 / 100 * (direction == kEmbossNorth ? 1 : -1);
            EXPECT_NEAR(R(p, 4, 5), 128 + relief, 1) << depth << " " << direction;
            EXPECT_NEAR(R(p, 4, 6), 128 + relief, 1) << depth << " " << direction;
            EXPECT_EQ(R(p, 4, 2), 128);
            EXPECT_EQ(R(p, 4, 10), 128);
        }
    }
    // Posterize to 2 and 3 levels: each value to the nearest of 0, 255 or 0, 127.5, 255.
    for (auto [levels, value, expected] : {std::tuple{2, 100, 0}, std::tuple{2, 200, 255}, std::tuple{3, 100, 128},
                                           std::tuple{3, 50, 0}, std::tuple{3, 230, 255}}) {
        CDdb d = Flat(RGB(value, value, value), 4, 4);
        ASSERT_EQ(Posterize(d, levels), kSuccess);
        EXPECT_NEAR(R(Read(d), 1, 1), expected, 1) << levels << " " << value;
    }
}

} // namespace
} // namespace tsl
