// A 20000 x 15000 picture (300 megapixels, 900 MB at 24 bits) rotates, resizes and saves to
// TIFF and PNG: no library cap stands in the way below the program's own pixel limit.

#include "imaging/LBitmap.h"

#include "imaging/LBase.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tsl {
namespace {

namespace fs = std::filesystem;

TEST(LBitmapLarge, RotatesResizesAndSavesThreeHundredMegapixels) {
    LBase::LoadLibraries(kAllLibraries);
    const testkit::TempDir temp;
    const fs::path& dir = temp.Path();
    LBitmapBase b;
    ASSERT_EQ(b.Create(20000, 15000, 24), kSuccess);
    for (int y = 0; y < 15000; y += 97) b.GetHandle().Row(y)[3 * (y % 20000)] = 0; // some detail
    ASSERT_EQ(b.Rotate(9000, kRotateResize, 0), kSuccess);
    EXPECT_EQ(b.GetWidth(), 15000);
    EXPECT_EQ(b.GetHeight(), 20000);
    ASSERT_EQ(b.Size(10000, 13000, kSizeBicubic), kSuccess);
    ASSERT_EQ(b.Save((dir / "big.tif").string(), kFormatTiff, 0, kQualityBest), kSuccess);
    ASSERT_EQ(b.Save((dir / "big.png").string(), kFormatPng, 0, kQualityBest), kSuccess);
    for (const char* name : {"big.tif", "big.png"}) {
        LBitmapBase back;
        ASSERT_EQ(back.Load((dir / name).string()), kSuccess) << name;
        EXPECT_EQ(back.GetWidth(), 10000);
        EXPECT_EQ(back.GetHeight(), 13000);
    }
}

} // namespace
} // namespace tsl
