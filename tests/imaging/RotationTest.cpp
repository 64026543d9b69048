// Quarter turns are exact at every depth, on odd sizes whose rows end inside a byte or a padded
// word; results beyond the pixel limit are refused before anything is allocated.

#include "imaging/LBitmap.h"

#include "imaging/LBase.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace tsl {
namespace {

// The stored value of picture pixel (x, y from the top): an index, or the pixel's bytes.
std::uint32_t Value(const CDdb& d, int x, int y) {
    const std::uint8_t* row = d.Row(d.Height() - 1 - y);
    const int bpp = d.BitsPerPixel();
    if (bpp < 8) {
        const int bit = x * bpp;
        return (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
    }
    std::uint32_t v = 0;
    for (int i = 0; i < bpp / 8; ++i) v |= static_cast<std::uint32_t>(row[x * bpp / 8 + i]) << (8 * i);
    return v;
}

void SetValue(CDdb& d, int x, int y, std::uint32_t v) {
    std::uint8_t* row = d.Row(d.Height() - 1 - y);
    const int bpp = d.BitsPerPixel();
    if (bpp < 8) {
        const int bit = x * bpp, shift = 8 - bpp - bit % 8;
        row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~(((1u << bpp) - 1) << shift)) | v << shift);
        return;
    }
    for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Random values at a depth (16 bits: 5-5-5 with the top bit clear; 32 bits: the fourth byte 0).
LBitmapBase Noise(int w, int h, int bpp, unsigned seed) {
    LBitmapBase b;
    EXPECT_EQ(b.Create(w, h, bpp), kSuccess);
    std::mt19937 random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t v = random();
            v = bpp < 8 ? v & ((1u << bpp) - 1) : bpp == 16 ? v & 0x7FFF : bpp == 24 ? v & 0xFFFFFF
                : bpp == 32 ? v & 0xFFFFFF : v & 0xFF;
            SetValue(b.GetHandle(), x, y, v);
        }
    return b;
}

// Every pixel's value, row by row (row padding left out).
std::vector<std::uint32_t> Values(const CDdb& d) {
    std::vector<std::uint32_t> v;
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) v.push_back(Value(d, x, y));
    return v;
}

class Rotation : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { LBase::LoadLibraries(kAllLibraries); }
};

TEST_P(Rotation, QuarterTurnsMovePixelsExactly) {
    const int bpp = GetParam();
    for (const auto& [w, h] : {std::pair{13, 7}, std::pair{1, 9}, std::pair{33, 2}}) {
        SCOPED_TRACE(testing::Message() << bpp << " bits, " << w << " x " << h);
        const LBitmapBase original = Noise(w, h, bpp, static_cast<unsigned>(bpp * 100 + w));
        const CDdb& o = original.GetHandle();

        LBitmapBase cw = original;
        ASSERT_EQ(cw.Rotate(9000, kRotateResize, 0), kSuccess);
        ASSERT_EQ(cw.GetWidth(), h);
        ASSERT_EQ(cw.GetHeight(), w);
        EXPECT_EQ(cw.GetBitsPerPixel(), bpp);
        EXPECT_EQ(cw.GetHandle().Palette(), o.Palette());
        LBitmapBase acw = original;
        ASSERT_EQ(acw.Rotate(27000, kRotateResize, 0), kSuccess);
        ASSERT_EQ(acw.GetWidth(), h);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Clockwise, (x, y) goes to (h - 1 - y, x); anti-clockwise to (y, w - 1 - x).
                wrong += Value(cw.GetHandle(), h - 1 - y, x) != Value(o, x, y);
                wrong += Value(acw.GetHandle(), y, w - 1 - x) != Value(o, x, y);
            }
        EXPECT_EQ(wrong, 0);

        for (int i = 0; i < 3; ++i) ASSERT_EQ(cw.Rotate(9000, kRotateResize, 0), kSuccess);
        EXPECT_EQ(Values(cw.GetHandle()), Values(o)) << "four quarter turns";
        for (int i = 0; i < 3; ++i) ASSERT_EQ(acw.Rotate(-9000, kRotateResize, 0), kSuccess);
        EXPECT_EQ(Values(acw.GetHandle()), Values(o)) << "back and forth";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, Rotation, testing::Values(1, 4, 8, 16, 24, 32));

// The centre of the dark pixels (below 128 in the first byte: blue or the index's grey).
std::pair<double, double> DarkCentre(const LBitmapBase& b) {
    const CDdb& d = b.GetHandle();
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) {
            const std::uint32_t v = Value(d, x, y);
            const int level = d.BitsPerPixel() == 8 ? d.Palette()[v].rgbBlue : static_cast<int>(v & 0xFF);
            if (level < 128) sx += x, sy += y, ++n;
        }
    return n ? std::pair{sx / n, sy / n} : std::pair{-1.0, -1.0};
}

// A white picture with a dark 4 x 4 block near its top-left corner, at 8 bits (worked on as a
// top-down copy) or 32 bits (worked on in place, bottom-up).
LBitmapBase Marked(int bpp) {
    LBitmapBase b;
    EXPECT_EQ(b.Create(41, 23, bpp), kSuccess);
    for (int y = 3; y < 7; ++y)
        for (int x = 5; x < 9; ++x) SetValue(b.GetHandle(), x, y, 0);
    return b;
}

TEST_F(Rotation, TurnsAndShearsGoTheSameWayAtEveryDepth) {
    LBase::LoadLibraries(kAllLibraries);
    struct Case {
        const char* name;
        std::function<int(LBitmapBase&)> op;
        std::pair<double, double> expected; // the block's centre afterwards, where known
    };
    const Case cases[] = {
        // Clockwise by 90: (x, y) -> (h - 1 - y, x).
        {"rotate 90", [](LBitmapBase& b) { return b.Rotate(9000, kRotateResize, RGB(255, 255, 255)); }, {22 - 4.5, 6.5}},
        {"rotate 33", [](LBitmapBase& b) { return b.Rotate(3300, kRotateResize, RGB(255, 255, 255)); }, {-1, -1}},
        {"rotate -20 cut", [](LBitmapBase& b) { return b.Rotate(-2000, 0, RGB(255, 255, 255)); }, {-1, -1}},
        // Horizontal 45: row y moves right by (h - 1 - y).
        {"shear right", [](LBitmapBase& b) { return b.Shear(4500, kShearHorizontal, RGB(255, 255, 255)); }, {6.5 + 22 - 4.5, 4.5}},
        // Horizontal -45: row y moves right by y.
        {"shear left", [](LBitmapBase& b) { return b.Shear(-4500, kShearHorizontal, RGB(255, 255, 255)); }, {6.5 + 4.5, 4.5}},
        // Vertical 45: column x moves down by x; -45: up by x, from a picture grown by 40 rows.
        {"shear down", [](LBitmapBase& b) { return b.Shear(4500, kShearVertical, RGB(255, 255, 255)); }, {6.5, 4.5 + 6.5}},
        {"shear up", [](LBitmapBase& b) { return b.Shear(-4500, kShearVertical, RGB(255, 255, 255)); }, {6.5, 4.5 + 40 - 6.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LBitmapBase inPlace = Marked(32), copied = Marked(8);
        ASSERT_EQ(c.op(inPlace), kSuccess);
        ASSERT_EQ(c.op(copied), kSuccess);
        EXPECT_EQ(inPlace.GetWidth(), copied.GetWidth());
        EXPECT_EQ(inPlace.GetHeight(), copied.GetHeight());
        const auto a = DarkCentre(inPlace), b = DarkCentre(copied);
        EXPECT_NEAR(a.first, b.first, 0.75);
        EXPECT_NEAR(a.second, b.second, 0.75);
        if (c.expected.first >= 0) {
            EXPECT_NEAR(a.first, c.expected.first, 0.75);
            EXPECT_NEAR(a.second, c.expected.second, 0.75);
        }
    }
}

TEST(RotationLimits, ResultsBeyondThePixelLimitAreRefusedAndTheImageKept) {
    LBitmapBase b;
    ASSERT_EQ(b.Create(40, 30, 32), kSuccess);
    const std::vector<std::uint8_t> before = b.GetHandle().Bits();
    EXPECT_EQ(b.Size(100000, 100000, kSizeBicubic), kErrorTooLarge);
    EXPECT_EQ(b.Size(0, 10, kSizeBicubic), kErrorInvalidParameter);
    LBitmapBase wide;
    // Half the pixel limit at 1 bit (64 MiB); turned by 45 degrees or sheared it would pass it.
    ASSERT_EQ(wide.Create(32768, 16384, 1), kSuccess);
    EXPECT_EQ(wide.Rotate(4500, kRotateResize, 0), kErrorTooLarge);
    EXPECT_EQ(wide.Shear(4500, kShearVertical, 0), kErrorTooLarge);
    EXPECT_EQ(wide.GetWidth(), 32768);
    EXPECT_EQ(b.GetHandle().Bits(), before);
    EXPECT_EQ(b.GetWidth(), 40);
}

} // namespace
} // namespace tsl
