// The imaging back-end module: no program links GraphicsMagick or OpenCV, a process that only
// uses our own codecs never maps them, and the first operation that needs them opens the module
// from the build tree.

#include "imaging/Backend.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"
#include "support/ImageTestKit.h"
#include "BackendTestKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace tsl {
namespace {

using namespace testkit;
using namespace backendtest;

// The libraries only the back-end may bring into a process.
bool NamesBackendLibrary(const std::string& text) {
    return text.find("GraphicsMagick") != std::string::npos ||
           text.find("libopencv") != std::string::npos ||
           text.find("tsl_imaging_backend") != std::string::npos;
}

std::string Maps() {
    std::ifstream in("/proc/self/maps");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }


TEST(Backend, NoProgramLinksGraphicsMagickOrOpenCv) {
    const std::string tool = Text(Shell("ldd '" TSL_TSLCONVERT "' 2>&1"));
    ASSERT_NE(tool.find("libc.so"), std::string::npos) << tool;
    EXPECT_FALSE(NamesBackendLibrary(tool)) << tool;
    // This test program links the imaging layer too.
    EXPECT_FALSE(NamesBackendLibrary(Text(Shell("ldd /proc/" + std::to_string(::getpid()) + "/exe"))));
    const fs::path program = fs::path(TSL_PROGRAM_DIR) / "tessaly";
    if (fs::exists(program)) {
        EXPECT_FALSE(NamesBackendLibrary(Text(Shell("ldd '" + program.string() + "'"))));
    }
}

// What the dynamic loader opens while tslconvert runs.
std::string LoadedBy(const std::string& args, int& status) {
    std::FILE* p = ::popen(("LD_DEBUG=files '" TSL_TSLCONVERT "' " + args + " 2>&1").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    const int raw = ::pclose(p);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST(Backend, TslconvertOpensTheLibrariesOnlyForFormatsThatNeedThem) {
    const TempDir temp;
    const std::string dir = temp.Path().string() + "/";
    ASSERT_GE(Picture().Save(dir + "in.jpg", kFormatJpeg, 24, 0), kSuccess);
    ASSERT_GE(Picture().Save(dir + "in.gif", kFormatGif, 8, 0), kSuccess);
    WriteBytes(dir + "in.tga", SmallTga());
    int status = -1;
    const std::string in = dir + "in.", out = dir + "out.";
    for (const std::string& args : {in + "jpg " + out + "bmp", in + "gif " + out + "png",
                                    "--info " + in + "jpg", "--bpp 8 " + in + "jpg " + out + "gif",
                                    in + "tga " + out + "bmp"}) {
        const std::string loaded = LoadedBy(args, status);
        EXPECT_EQ(status, 0) << args << "\n" << loaded;
        EXPECT_NE(loaded.find("file="), std::string::npos) << "no loader trace for " << args;
        EXPECT_FALSE(NamesBackendLibrary(loaded)) << args << "\n" << loaded;
    }
    // A format only GraphicsMagick writes opens the module, and through it GraphicsMagick.
    const std::string loaded = LoadedBy(dir + "in.jpg " + dir + "out.sgi", status);
    EXPECT_EQ(status, 0) << loaded;
    EXPECT_NE(loaded.find("tsl_imaging_backend"), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("GraphicsMagick"), std::string::npos) << loaded;
    EXPECT_TRUE(fs::exists(dir + "out.sgi"));
}

// One test for the whole sequence: the module, once open, stays for the life of the process.
TEST(Backend, OwnCodecsAndOwnFiltersLeaveTheModuleClosedUntilAnOperationNeedsIt) {
    if (NamesBackendLibrary(Maps())) GTEST_SKIP() << "an earlier test of this process opened the module";
    const TempDir temp;
    const std::string dir = temp.Path().string() + "/";
    LBase::LoadLibraries(kAllLibraries);
    for (int format : {kFormatGif, kFormatJpeg, kFormatPng, kFormatBmp, kFormatTiff, kFormatPcx, kFormatPsd}) {
        const std::string path = dir + "p" + std::to_string(format);
        ASSERT_GE(Picture().Save(path, format, format == kFormatGif ? 8 : 24, 0), kSuccess) << format;
        LBitmap b;
        ASSERT_GE(b.Load(path), kSuccess) << format;
        EXPECT_EQ(b.GetWidth(), 40);
    }
    LBitmap b;
    b.SetHandle(Picture().GetHandle());
    EXPECT_GE(b.ColorRes(8, kColorResOptimizedExact | kDitherFloydSteinberg), kSuccess);
    EXPECT_GE(b.Posterize(4), kSuccess);
    EXPECT_GE(b.AddNoise(100, 0), kSuccess);
    EXPECT_GE(b.Trim(2, 2, 20, 20), kSuccess);
    EXPECT_TRUE(backend::LoadProblem().empty());
    EXPECT_FALSE(NamesBackendLibrary(Maps()));

    // The first rotation opens the module, GraphicsMagick and OpenCV with it.
    EXPECT_GE(b.Rotate(9000, kRotateResize, 0), kSuccess);
    const std::string maps = Maps();
    EXPECT_NE(maps.find("tsl_imaging_backend"), std::string::npos);
    EXPECT_NE(maps.find("libopencv_imgproc"), std::string::npos);
    EXPECT_TRUE(backend::LoadProblem().empty()) << backend::LoadProblem();
    // The module came from the program folder the build made.
    EXPECT_NE(maps.find((fs::path(TSL_PROGRAM_DIR) / "Bin" / "libtsl_imaging_backend.so").string()),
              std::string::npos);

    WriteBytes(dir + "small.tga", SmallTga());
    LBitmapBase tga;
    ASSERT_EQ(tga.Load(dir + "small.tga"), kSuccess);
    ASSERT_EQ(tga.GetBitsPerPixel(), 24);
    const std::uint8_t* top = tga.GetHandle().Row(1);
    EXPECT_EQ(top[0], 0);   // blue of the red top-left pixel
    EXPECT_EQ(top[2], 255); // its red
}

TEST(Backend, SearchPathTriesTheOverrideAloneThenTheProgramFolders) {
    const std::vector<std::string> places = backend::SearchPath();
    ASSERT_FALSE(places.empty());
    const std::string exe = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(places[0], exe + "/libtsl_imaging_backend.so");
    EXPECT_EQ(places[1], exe + "/Bin/libtsl_imaging_backend.so");
    EXPECT_NE(std::find(places.begin(), places.end(),
                        (fs::path(TSL_PROGRAM_DIR) / "Bin" / "libtsl_imaging_backend.so").string()),
              places.end());
    EXPECT_NE(places.back().find("tessaly/Bin/libtsl_imaging_backend.so"), std::string::npos);
    ::setenv("TSL_IMAGING_BACKEND", "/somewhere/else.so", 1);
    EXPECT_EQ(backend::SearchPath(), std::vector<std::string>{"/somewhere/else.so"});
    ::unsetenv("TSL_IMAGING_BACKEND");
}

} // namespace
} // namespace tsl
