// The tslconvert tool as users run it: conversions keep the depth, --info, the container
// commands, and errors on standard error with a non-zero exit.

#include "support/ImageTestKit.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tsl {
namespace {

using namespace testkit;

using Result = CommandResult;

Result Tool(const std::string& args, const fs::path& dir) {
    const fs::path err = dir / "stderr";
    return RunCommand(std::string(TSL_TSLCONVERT) + " " + args + " 2>'" + err.string() + "'", err);
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
    EXPECT_EQ(GifFirstImageInterlaced(ReadBytes(dir / "r.gif")), true) << "written interlaced";
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

// --quality sets the JPEG quality; without it the save's quality factor 2 applies, which
// stands for quality 100. The encoder's settings are libjpeg's defaults, so cjpeg at the same
// quality gives the same file.
TEST(Tslconvert, QualityChoosesTheJpegQuality) {
    TempDir dir;
    const std::string rgb = "'" + (TestData() / "bmp/bmpsuite/g/rgb24.bmp").string() + "'";
    const std::string q = "'" + dir.Path().string() + "/";
    ASSERT_EQ(Tool("--quality 10 " + rgb + " " + q + "10.jpg'", dir.Path()).status, 0);
    ASSERT_EQ(Tool("--quality 95 " + rgb + " " + q + "95.jpg'", dir.Path()).status, 0);
    ASSERT_EQ(Tool(rgb + " " + q + "default.jpg'", dir.Path()).status, 0);
    ASSERT_EQ(Tool(rgb + " --quality 100 " + q + "100.jpg'", dir.Path()).status, 0);
    EXPECT_LT(fs::file_size(dir.Path() / "10.jpg"), fs::file_size(dir.Path() / "95.jpg"));
    EXPECT_LT(fs::file_size(dir.Path() / "95.jpg"), fs::file_size(dir.Path() / "100.jpg"));
    EXPECT_EQ(ReadBytes(dir.Path() / "default.jpg"), ReadBytes(dir.Path() / "100.jpg"));
    // (through PPM: cjpeg would record a BMP's resolution)
    EXPECT_EQ(ReadBytes(dir.Path() / "95.jpg"),
              Shell("convert-im6.q16 " + rgb + " ppm:- | cjpeg -quality 95"));
    // The --format route to JPEG takes it too.
    ASSERT_EQ(Tool("--format 10 --quality 10 " + rgb + " " + q + "f.jpeg'", dir.Path()).status, 0);
    EXPECT_EQ(ReadBytes(dir.Path() / "f.jpeg"), ReadBytes(dir.Path() / "10.jpg"));

    for (const char* bad : {"0", "101", "-5", "abc", "50x", "", "1e2"}) {
        SCOPED_TRACE(bad);
        const Result r = Tool(std::string("--quality '") + bad + "' " + rgb + " " + q + "bad.jpg'", dir.Path());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("--quality Q"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.Path() / "bad.jpg"));
    }
    EXPECT_EQ(Tool(rgb + " " + q + "x.jpg' --quality", dir.Path()).status, 2);
}

// --info reads headers only and prints what the full read gives: the size and the depth a
// conversion to BMP (which keeps every depth) carries.
TEST(Tslconvert, InfoPrintsTheDepthOfTheFullRead) {
    TempDir dir;
    const fs::path d = dir.Path();
    const std::string q = "'" + d.string() + "/";
    const fs::path bmps = TestData() / "bmp/bmpsuite/g";
    std::vector<fs::path> files = {bmps / "pal1.bmp", bmps / "pal4.bmp", bmps / "pal4rle.bmp",
                                   bmps / "pal8rle.bmp", bmps / "pal8topdown.bmp", bmps / "pal8v5.bmp",
                                   bmps / "rgb16-565.bmp", bmps / "rgb16.bmp", bmps / "rgb24.bmp",
                                   bmps / "rgb32.bmp", bmps / "rgb32bf.bmp", bmps / "pal8os2.bmp"};
    // Files of the other readers, made by ImageMagick and by the tool itself.
    const std::string rgb = "'" + (bmps / "rgb24.bmp").string() + "'";
    const std::string pal = "'" + (bmps / "pal8.bmp").string() + "'";
    for (const auto& [name, command] : std::vector<std::pair<std::string, std::string>>{
             {"rgb.png", rgb + " png24:"},
             {"rgba.png", rgb + " -alpha set -channel A -evaluate set 50% png32:"},
             {"grey16.png", rgb + " -colorspace gray -depth 16 png:"},
             {"grey2.png", rgb + " -colorspace gray -colors 4 -depth 2 png:"},
             {"pal.png", pal + " png8:"},
             {"pal16.gif", pal + " -colors 16 gif:"},
             {"grey.jpg", rgb + " -colorspace gray jpg:"},
             {"cmyk.jpg", rgb + " -colorspace cmyk jpg:"},
             {"rgb.tif", rgb + " -compress lzw tif:"},
             {"pal.tif", pal + " -type palette tif:"}}) {
        Shell("convert-im6.q16 " + command + q + name + "' 2>/dev/null");
        files.push_back(d / name);
    }
    for (const char* made : {"t.gif", "t.jpg", "t.tif", "t8.tif"}) {
        const std::string in = std::string(made) == "t.gif" || std::string(made) == "t8.tif" ? pal : rgb;
        ASSERT_EQ(Tool(in + " " + q + made + "'", d).status, 0) << made;
        files.push_back(d / made);
    }
    files.push_back(TestData() / "psd/pillow/hopper.psd"); // the imaging layer's own reader
    for (const fs::path& f : files) {
        SCOPED_TRACE(f.string());
        ASSERT_TRUE(fs::exists(f));
        const std::string in = "'" + f.string() + "'";
        const Result info = Tool("--info " + in, d);
        EXPECT_EQ(info.status, 0) << info.err;
        ASSERT_EQ(Tool(in + " " + q + "full.bmp'", d).status, 0);
        EXPECT_EQ(info.out, Tool("--info " + q + "full.bmp'", d).out);
        EXPECT_EQ(info.err, "");
    }
    EXPECT_EQ(Tool("--info " + q + "grey16.png'", d).out, "127 x 64 x 8\n");
    EXPECT_EQ(Tool("--info " + q + "grey2.png'", d).out, "127 x 64 x 4\n");
    EXPECT_EQ(Tool("--info " + q + "rgba.png'", d).out, "127 x 64 x 32\n");
    EXPECT_EQ(Tool("--info " + q + "pal16.gif'", d).out, "127 x 64 x 4\n");
    EXPECT_EQ(Tool("--info " + q + "cmyk.jpg'", d).out, "127 x 64 x 24\n");
    EXPECT_EQ(Tool("--info '" + (bmps / "rgb32bf.bmp").string() + "'", d).out, "127 x 64 x 24\n");
    EXPECT_EQ(Tool("--info '" + (bmps / "rgb16.bmp").string() + "'", d).out, "127 x 64 x 16\n");
}

// Damaged and foreign files fail as the full read fails: status 1, a message, nothing printed.
TEST(Tslconvert, InfoFailsCleanlyOnDamagedFiles) {
    TempDir dir;
    const fs::path d = dir.Path();
    const Bytes rgb = ReadBytes(TestData() / "bmp/bmpsuite/g/rgb24.bmp");
    const Bytes cut(rgb.begin(), rgb.begin() + 20);
    for (const char* name : {"a.jpg", "a.png", "a.gif", "a.bmp", "a.tif"}) {
        SCOPED_TRACE(name);
        WriteBytes(d / name, name == std::string("a.bmp") ? cut : Bytes(rgb.begin() + 3, rgb.end()));
        const Result r = Tool("--info '" + (d / name).string() + "'", d);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    }
    const Result r = Tool("--info '" + (d / "missing.png").string() + "'", d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

// Conversions through the straight readers and writers give the files the packed route gave:
// the same pixels as ImageMagick reads them, PPM as GraphicsMagick writes it.
TEST(Tslconvert, StraightConversionsMatchTheReferenceDecoders) {
    TempDir dir;
    const fs::path d = dir.Path();
    const std::string q = "'" + d.string() + "/";
    const std::string rgb = "'" + (TestData() / "bmp/bmpsuite/g/rgb24.bmp").string() + "'";
    Shell("convert-im6.q16 " + rgb + " -quality 90 " + q + "p.jpg'");
    Shell("convert-im6.q16 " + rgb + " png24:" + q + "p.png'");
    Shell("convert-im6.q16 " + rgb + " -colors 200 " + q + "p.gif'");
    for (const char* in : {"p.jpg", "p.png", "p.gif"})
        for (const char* out : {"o.bmp", "o.ppm"}) {
            SCOPED_TRACE(std::string(in) + " to " + out);
            ASSERT_EQ(Tool(q + in + "' " + q + out + "'", d).status, 0);
            EXPECT_EQ(Shell("convert-im6.q16 " + q + out + "' -depth 8 rgb:- 2>/dev/null"),
                      Shell("convert-im6.q16 " + q + in + "' -depth 8 rgb:- 2>/dev/null"));
        }
    ASSERT_EQ(Tool(rgb + " " + q + "o.ppm'", d).status, 0);
    EXPECT_EQ(ReadBytes(d / "o.ppm"), Shell("gm convert " + rgb + " ppm:- 2>/dev/null"));
    EXPECT_EQ(ReadBytes(d / "o.ppm")[1], '6') << "binary PPM";
    // BMP to BMP keeps the file's bytes for a plain 24-bit file.
    ASSERT_EQ(Tool(rgb + " " + q + "same.bmp'", d).status, 0);
    EXPECT_EQ(Shell("convert-im6.q16 " + q + "same.bmp' -depth 8 rgb:-"),
              Shell("convert-im6.q16 " + rgb + " -depth 8 rgb:-"));
}

} // namespace
} // namespace tsl
