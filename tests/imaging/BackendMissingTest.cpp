// The imaging layer without its back-end module: what needs GraphicsMagick or OpenCV fails with
// kErrorFormatUnavailable and a message that says why, leaving pictures and files as they were;
// our own codecs, colour reduction and filters work as ever. This program points
// TSL_IMAGING_BACKEND at a file that does not exist before anything runs.

#include "imaging/Backend.h"
#include "imaging/Filters.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"
#include "support/ImageTestKit.h"
#include "BackendTestKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

namespace tsl {
namespace {

using namespace testkit;
using namespace backendtest;

const bool kMissing = [] {
    ::setenv("TSL_IMAGING_BACKEND", "/nonexistent/libtsl_imaging_backend.so", 1);
    return true;
}();


class BackendMissing : public TempDirTest {
protected:
    static void SetUpTestSuite() { LBase::LoadLibraries(kAllLibraries); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
};

TEST_F(BackendMissing, GraphicsMagickFormatsFailWithAClearStatus) {
    ASSERT_TRUE(kMissing);
    WriteBytes(Path("small.tga"), SmallTga());
    LBitmapBase b;
    EXPECT_EQ(b.Load(Path("small.tga")), kErrorFormatUnavailable);
    EXPECT_FALSE(b.IsAllocated());
    const std::string text = LBase::ErrorText(kErrorFormatUnavailable);
    EXPECT_NE(text.find("This format is not available"), std::string::npos) << text;
    EXPECT_NE(text.find("/nonexistent/libtsl_imaging_backend.so"), std::string::npos) << text;
    EXPECT_NE(text.find("not found"), std::string::npos) << text;

    // Writers of GraphicsMagick's formats leave no file behind.
    const LBitmap picture = Picture(24);
    for (int format : {kFormatTga, kFormatSgi, kFormatXpm, kFormatPgm, kFormatJbig}) {
        const std::string path = Path("out" + std::to_string(format));
        EXPECT_EQ(picture.Save(path, format, 0, 0), kErrorFormatUnavailable) << format;
        EXPECT_FALSE(fs::exists(path)) << format;
    }
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"small.tga"});
}

TEST_F(BackendMissing, OwnCodecsStillReadAndWrite) {
    for (int format : {kFormatGif, kFormatJpeg, kFormatPng, kFormatBmp, kFormatTiff, kFormatPcx,
                       kFormatPsd, kFormatIco, kFormatPpm, kFormatPpmAscii}) {
        const int bpp = format == kFormatGif || format == kFormatIco ? 8 : 24;
        const LBitmap picture = Picture(bpp);
        const std::string path = Path(std::to_string(format) + ".p");
        ASSERT_EQ(picture.Save(path, format, bpp, 0), kSuccess) << format;
        if (format == kFormatPpm || format == kFormatPpmAscii) continue; // GraphicsMagick reads these
        LBitmapBase back;
        ASSERT_EQ(back.Load(path), kSuccess) << format;
        EXPECT_EQ(back.GetWidth(), 40) << format;
        EXPECT_EQ(back.GetHeight(), 30) << format;
        if (format != kFormatJpeg && format != kFormatIco) { // icons come back at 32 bits
            EXPECT_EQ(back.GetHandle().Bits(), picture.GetHandle().Bits()) << format;
        }
    }
}

TEST_F(BackendMissing, GeometryAndOpenCvFiltersFailLeavingThePicture) {
    for (int bpp : {8, 24}) {
        LBitmap b = Picture(bpp);
        const CDdb before = b.GetHandle();
        EXPECT_EQ(b.Flip(), kErrorFormatUnavailable);
        EXPECT_EQ(b.Reverse(), kErrorFormatUnavailable);
        EXPECT_EQ(b.Rotate(3300, kRotateResize, 0), kErrorFormatUnavailable);
        EXPECT_EQ(b.Shear(2000, 0, 0), kErrorFormatUnavailable);
        EXPECT_EQ(b.Size(20, 15, kSizeBilinear), kErrorFormatUnavailable);
        EXPECT_EQ(b.AverageFilter(3), kErrorFormatUnavailable);
        EXPECT_EQ(b.Sharpen(100), kErrorFormatUnavailable);
        EXPECT_EQ(b.MedianFilter(5), kErrorFormatUnavailable);
        EXPECT_EQ(b.Emboss(45, 100), kErrorFormatUnavailable);
        EXPECT_EQ(b.SpatialFilter(kSpatialSobelNorth), kErrorFormatUnavailable);
        EXPECT_EQ(b.GetBitsPerPixel(), bpp);
        EXPECT_EQ(b.GetHandle().Bits(), before.Bits()) << bpp;
        EXPECT_EQ(b.GetHandle().Palette(), before.Palette()) << bpp;
        // Checks that need no module answer as ever.
        EXPECT_EQ(b.Shear(5000, 0, 0), kErrorInvalidParameter);
        EXPECT_EQ(b.Size(0, 15, 0), kErrorInvalidParameter);
        EXPECT_EQ(b.AverageFilter(0), kErrorInvalidParameter);
        EXPECT_EQ(LBitmap().Rotate(9000, 0, 0), kErrorNoBitmap);
        // Our own filters and colour reduction work.
        EXPECT_EQ(b.Posterize(4), kSuccess);
        EXPECT_EQ(b.Mosaic(4), kSuccess);
        EXPECT_EQ(b.ColorRes(4, kColorResOptimizedExact | kDitherFloydSteinberg), kSuccess);
        EXPECT_EQ(b.GetBitsPerPixel(), 4);
    }
}

// What tslconvert run as a user's process, with the module away, has to say: a plain message
// and exit status 1, never a crash; our own formats convert.
int Tslconvert(const std::string& environment, const std::string& args, std::string& err) {
    std::FILE* p = ::popen((environment + " '" TSL_TSLCONVERT "' " + args + " 2>&1").c_str(), "r");
    err.clear();
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) err.append(buffer, n);
    const int raw = ::pclose(p);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(BackendMissing, TslconvertSaysWhyAndConvertsOwnFormats) {
    ASSERT_EQ(Picture(24).Save(Path("in.png"), kFormatPng, 24, 0), kSuccess);
    WriteBytes(Path("not-a-module.so"), Bytes(100, 'x'));
    std::string err;
    EXPECT_EQ(Tslconvert("", Path("in.png") + " " + Path("out.jpg"), err), 0) << err;
    EXPECT_EQ(Tslconvert("", Path("in.png") + " " + Path("out.sgi"), err), 1) << err;
    EXPECT_NE(err.find("This format is not available"), std::string::npos) << err;
    EXPECT_NE(err.find("not found"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(Path("out.sgi")));
    EXPECT_EQ(Tslconvert("TSL_IMAGING_BACKEND='" + Path("not-a-module.so") + "'",
                  Path("in.png") + " " + Path("out.sgi"), err), 1) << err;
    EXPECT_NE(err.find("not-a-module.so could not be opened"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(Path("out.sgi")));
}

} // namespace
} // namespace tsl
