// tslconvert --batch as scripts run it: the processor's cases, formats by code or extension,
// lists from a file or standard input, shards that add up to the whole run, and failures that
// keep every original.

#include "imaging/LBitmap.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <map>

namespace tsl {
namespace {

using namespace testkit;

using Result = CommandResult;

// Runs tslconvert with the arguments through the shell (prefix: shell words before it).
Result Tool(const std::string& args, const fs::path& dir, const std::string& prefix = {}) {
    const std::string command = prefix + std::string(TSL_TSLCONVERT) + " --batch " + args;
    // With a prefix (a file-size limit) standard error goes through the pipe, which no limit
    // binds, and is read as the error text.
    if (!prefix.empty()) {
        Result r = RunCommand(command + " 2>&1");
        r.err.swap(r.out);
        return r;
    }
    const fs::path err = dir / "stderr.txt";
    Result r = RunCommand(command + " 2>'" + err.string() + "'", err);
    fs::remove(err);
    return r;
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

void Picture(const fs::path& path, int width, int height, int format = kFormatBmp) {
    LBitmapBase image;
    ASSERT_GE(image.Create(width, height, 24), 1);
    CDdb& d = image.GetHandle();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = d.Row(height - 1 - y) + 3 * x;
            // Blue is noise, so that no file compresses to a few bytes.
            const unsigned noise = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u);
            p[0] = static_cast<std::uint8_t>(noise >> 13), p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x);
        }
    ASSERT_GE(image.Save(path.string(), format, 24, kQualityBest), 1);
}

struct Info {
    int width = 0, height = 0, bpp = 0, red = -1;
};
Info Read(const fs::path& path) {
    LBitmapBase image;
    Info i;
    if (image.Load(path.string()) < 1) return i;
    const CDdb top = image.ConvertToDDB();
    return {image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel(), top.Row(top.Height() - 1)[2]};
}

const std::string kTail = "Image operation error: please check your paths and read/write permissions";

class TslconvertBatch : public TempDirTest {};

TEST_F(TslconvertBatch, RunsTheProcessorsCases) {
    Picture(m_dir / "a.bmp", 640, 480);
    Result r = Tool("--resize 1x0 --out " + Q(m_dir / "r") + " " + Q(m_dir / "a.bmp"), m_dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "1 converted, 0 failed\n");
    EXPECT_EQ(Read(m_dir / "r/a.bmp").width, 2);
    EXPECT_EQ(Read(m_dir / "r/a.bmp").height, 2);

    r = Tool("--trim 300x200+500+0 --out " + Q(m_dir / "t") + " " + Q(m_dir / "a.bmp"), m_dir);
    const Info trimmed = Read(m_dir / "t/a.bmp");
    EXPECT_EQ(trimmed.width, 300);
    EXPECT_EQ(trimmed.red, 0) << "trimmed from column 0";

    Picture(m_dir / "pic.bmp", 40, 30);
    EXPECT_EQ(Tool("--format gif --delete-originals " + Q(m_dir / "pic.bmp"), m_dir).status, 0);
    EXPECT_EQ(Read(m_dir / "pic.gif").bpp, 8);
    EXPECT_FALSE(fs::exists(m_dir / "pic.bmp"));

    Picture(m_dir / "pic.BMP", 40, 30);
    EXPECT_EQ(Tool("--format 6 --colors 4 --delete-originals " + Q(m_dir / "pic.BMP"), m_dir).status, 0);
    EXPECT_EQ(Read(m_dir / "pic.BMP").bpp, 4) << "written over the original, which stays";

    // "ppm" names its first entry, the ASCII form; code 107 the binary one.
    EXPECT_EQ(Tool("--format ppm --out " + Q(m_dir / "p") + " " + Q(m_dir / "pic.gif"), m_dir).status, 0);
    EXPECT_EQ(ReadBytes(m_dir / "p/pic.ppm").at(1), '3');
    EXPECT_EQ(Tool("--format 107 --out " + Q(m_dir / "p") + " " + Q(m_dir / "pic.gif"), m_dir).status, 0);
    EXPECT_EQ(ReadBytes(m_dir / "p/pic.ppm").at(1), '6');
    EXPECT_EQ(Tool("--format 91 --out " + Q(m_dir / "i") + " " + Q(m_dir / "pic.gif"), m_dir).status, 0)
        << "a code the list does not offer";
    EXPECT_EQ(Read(m_dir / "i/pic.ico").width, 40);
    EXPECT_EQ(Tool("--gray --out " + Q(m_dir / "g") + " " + Q(m_dir / "pic.BMP"), m_dir).status, 0);
    EXPECT_EQ(Read(m_dir / "g/pic.bmp").bpp, 8);
}

TEST_F(TslconvertBatch, RefusesWrongUsage) {
    Picture(m_dir / "a.bmp", 4, 4);
    for (const char* args : {"--shard 0/3", "--shard 4/3", "--shard 1", "--format xyz", "--format 3",
                             "--colors 7", "--resize 10", "--trim 1x1", "--jobs 0",
                             "--resample best", "--out ''", "--quality 0"}) {
        const Result r = Tool(std::string(args) + " " + Q(m_dir / "a.bmp"), m_dir);
        EXPECT_EQ(r.status, 2) << args;
    }
    EXPECT_NE(Tool("--out '' " + Q(m_dir / "a.bmp"), m_dir).err.find("Please specify output folder"),
              std::string::npos);
    EXPECT_EQ(Tool("", m_dir).status, 2) << "no files";
}

TEST_F(TslconvertBatch, ShardsTogetherProduceExactlyTheUnshardedOutputs) {
    std::string list;
    for (int i = 0; i < 10; ++i) {
        const fs::path f = m_dir / ("in" + std::to_string(i) + (i % 2 ? ".bmp" : ".jpg"));
        Picture(f, 60 + i, 40, i % 2 ? kFormatBmp : kFormatJpeg);
        list += f.string() + "\n";
    }
    WriteBytes(m_dir / "list.txt", Bytes(list.begin(), list.end()));
    const std::string common = " --format png --resize 30x20 --resample bicubic --from ";
    Result r = Tool("--out " + Q(m_dir / "whole") + common + Q(m_dir / "list.txt"), m_dir);
    ASSERT_EQ(r.status, 0) << r.err;
    int converted = 0;
    for (int k = 1; k <= 3; ++k) {
        r = Tool("--jobs 2 --shard " + std::to_string(k) + "/3 --out " + Q(m_dir / "shards") + common +
                     "- <" + Q(m_dir / "list.txt"),
                 m_dir);
        ASSERT_EQ(r.status, 0) << r.err;
        converted += std::atoi(r.err.c_str());
    }
    EXPECT_EQ(converted, 10) << "each file once";
    const auto names = Listing(m_dir / "whole");
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(Listing(m_dir / "shards"), names);
    for (const std::string& n : names)
        EXPECT_EQ(ReadBytes(m_dir / "whole" / n), ReadBytes(m_dir / "shards" / n)) << n;
}

TEST_F(TslconvertBatch, FailuresKeepEveryOriginalAndAreCounted) {
    Picture(m_dir / "a.bmp", 120, 120);
    Picture(m_dir / "b.bmp", 120, 120);
    WriteBytes(m_dir / "c.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0});
    const std::string files = " " + Q(m_dir / "a.bmp") + " " + Q(m_dir / "c.jpg") + " " + Q(m_dir / "b.bmp");

    // A plain file where the output folder must be made.
    WriteBytes(m_dir / "plain", {'x'});
    Result r = Tool("--delete-originals --format png --out " + Q(m_dir / "plain/out") + files, m_dir);
    EXPECT_EQ(r.status, 1);
    const std::string out = (m_dir / "plain/out/").string();
    EXPECT_EQ(r.err, out + "a.png not saved: : " + kTail + "\n" + (m_dir / "c.jpg").string() + ": " +
                         kTail + "\n" + out + "c.png not saved: : " + kTail + "\n" + out +
                         "b.png not saved: : " + kTail + "\n0 converted, 3 failed\n");
    const auto originals = [&] {
        return fs::exists(m_dir / "a.bmp") && fs::exists(m_dir / "b.bmp") && fs::exists(m_dir / "c.jpg");
    };
    EXPECT_TRUE(originals());
    fs::remove(m_dir / "plain");

    // A full disk: no file may grow past 512 bytes (dash counts blocks of 512).
    r = Tool("--delete-originals --format png --out " + Q(m_dir / "full") + files, m_dir, "ulimit -f 1; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("0 converted, 3 failed"), std::string::npos) << r.err;
    EXPECT_TRUE(Listing(m_dir / "full").empty());
    EXPECT_TRUE(originals());

    // The damaged input alone fails; the others convert and go.
    r = Tool("--delete-originals --format png --out " + Q(m_dir / "ok") + files, m_dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("2 converted, 1 failed"), std::string::npos) << r.err;
    EXPECT_EQ(Listing(m_dir / "ok"), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_TRUE(fs::exists(m_dir / "c.jpg"));
    EXPECT_FALSE(fs::exists(m_dir / "a.bmp"));
}

} // namespace
} // namespace tsl
