// The tslconvert tool as users run it: conversions keep the depth, --info, the container
// commands, and errors on standard error with a non-zero exit.

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tsl {
namespace {

using namespace testkit;

struct Result {
    int status = -1;
    std::string out, err;
};

Result Tool(const std::string& args, const fs::path& dir) {
    const std::string err = (dir / "stderr").string();
    Result r;
    const std::string command = std::string(TSL_TSLCONVERT) + " " + args + " 2>'" + err + "'";
    std::FILE* p = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const Bytes e = ReadBytes(err);
    r.err.assign(e.begin(), e.end());
    return r;
}

TEST(Tslconvert, ConvertsKeepingTheDepthAndReportsErrors) {
    const TempDir temp;
    const fs::path& dir = temp.Path();
    const std::string data = std::string(TSL_TESTDATA) + "/";
    const std::string rle = "'" + data + "bmp/bmpsuite/g/pal8rle.bmp'";
    const std::string q = "'" + dir.string() + "/";

    EXPECT_EQ(Tool("--info " + rle, dir).out, "127 x 64 x 8\n");
    for (const char* ext : {"pcx", "png", "tif", "gif", "bmp"}) {
        SCOPED_TRACE(ext);
        const std::string out = q + "a." + ext + "'";
        ASSERT_EQ(Tool(rle + " " + out, dir).status, 0);
        EXPECT_EQ(Tool("--info " + out, dir).out, "127 x 64 x 8\n");
        // The same pixels as the source, by ImageMagick.
        EXPECT_EQ(Shell("convert-im6.q16 " + out + " -depth 8 rgb:- 2>/dev/null"),
                  Shell("convert-im6.q16 " + rle + " -depth 8 rgb:- 2>/dev/null"));
    }
    ASSERT_EQ(Tool("'" + data + "bmp/bmpsuite/g/rgb24.bmp' " + q + "j.jpg'", dir).status, 0);
    EXPECT_EQ(Tool("--info " + q + "j.jpg'", dir).out, "127 x 64 x 24\n");

    Result r = Tool("'" + data + "bmp/bmpsuite/g/rgb24.bmp' " + q + "b.gif'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("GIF holds at most 8"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "b.gif"));

    ASSERT_EQ(Tool("--compress " + rle + " " + q + "c.ov'", dir).status, 0);
    EXPECT_EQ(ReadBytes(dir / "c.ov")[0], 'O');
    ASSERT_EQ(Tool("--expand " + q + "c.ov' " + q + "e.bmp'", dir).status, 0);
    EXPECT_EQ(ReadBytes(dir / "e.bmp"), ReadBytes(data + "bmp/bmpsuite/g/pal8rle.bmp"));
    r = Tool("--expand " + rle + " " + q + "x.bmp'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("OV10"), std::string::npos);

    // The imaging layer's formats and options.
    const std::string rgb = "'" + data + "bmp/bmpsuite/g/rgb24.bmp'";
    EXPECT_EQ(Tool("--info '" + data + "psd/pillow/hopper.psd'", dir).out, "128 x 128 x 24\n");
    ASSERT_EQ(Tool("--bpp 4 --dither floyd --palette netscape " + rgb + " " + q + "n.bmp'", dir).status, 0);
    EXPECT_EQ(Tool("--info " + q + "n.bmp'", dir).out, "127 x 64 x 4\n");
    ASSERT_EQ(Tool("--bpp 8 " + rgb + " " + q + "r.gif'", dir).status, 0);
    EXPECT_EQ(Tool("--info " + q + "r.gif'", dir).out, "127 x 64 x 8\n");
    ASSERT_EQ(Tool("--format 104 " + rgb + " " + q + "a.pgm'", dir).status, 0);
    EXPECT_EQ(ReadBytes(dir / "a.pgm")[1], '2') << "ASCII PGM";
    ASSERT_EQ(Tool(rgb + " " + q + "s.sgi'", dir).status, 0);
    EXPECT_EQ(Shell("convert-im6.q16 " + q + "s.sgi' -depth 8 rgb:- 2>/dev/null"),
              Shell("convert-im6.q16 " + rgb + " -depth 8 rgb:- 2>/dev/null"));
    EXPECT_EQ(Tool("--format 59 " + rgb + " " + q + "v.avi'", dir).status, 1);
    EXPECT_EQ(Tool("--dither sideways " + rgb + " " + q + "w.bmp'", dir).status, 2);

    EXPECT_EQ(Tool(q + "missing.bmp' " + q + "y.bmp'", dir).status, 1);
    EXPECT_EQ(Tool(rle + " " + q + "y.xyz'", dir).status, 1);
    EXPECT_EQ(Tool("", dir).status, 2);
    EXPECT_EQ(Tool("--bogus a b", dir).status, 2);
}

} // namespace
} // namespace tsl
