// The batch processor's work on real files: sizes, depths, output paths, the originals it may
// and may not delete, files that collide within a run, and parallel runs in list order.

#include "batch/BatchProcessor.h"

#include "codecs/Jpeg.h"
#include "imaging/LBitmap.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <climits>
#include <map>

namespace tsl {
namespace {

namespace fs = std::filesystem;
using testkit::ReadBytes;

// A 24-bit picture whose column x has red x, green y, blue (x * 7 + y) & 255, saved by format.
void MakePicture(const fs::path& path, int width, int height, int format = kFormatBmp) {
    LBitmapBase image;
    ASSERT_GE(image.Create(width, height, 24), 1);
    CDdb& d = image.GetHandle();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = d.Row(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<std::uint8_t>((x * 7 + y) & 255);
            row[3 * x + 1] = static_cast<std::uint8_t>(y & 255);
            row[3 * x + 2] = static_cast<std::uint8_t>(x & 255);
        }
    }
    ASSERT_GE(image.Save(path.string(), format, 24, kQualityBest), 1) << path;
}

struct Loaded {
    int width = 0, height = 0, bpp = 0;
    std::uint8_t redAt00 = 0;
};
Loaded Load(const fs::path& path) {
    LBitmapBase image;
    Loaded l;
    if (image.Load(path.string(), 0) < 1) return l;
    l.width = image.GetWidth();
    l.height = image.GetHeight();
    l.bpp = image.GetBitsPerPixel();
    const CDdb top = image.ConvertToDDB();
    l.redAt00 = top.Row(top.Height() - 1)[2];
    return l;
}

class Batch : public testkit::TempDirTest {
protected:
    // Runs the files and collects every result in the order delivered.
    BatchSummary Run(const std::vector<fs::path>& files, const BatchOptions& options, int jobs = 2,
                     int shard = 1, int shards = 1) {
        BatchRun run;
        for (const fs::path& f : files) run.files.push_back(f.string());
        run.options = options;
        run.jobs = jobs;
        run.shardIndex = shard;
        run.shardCount = shards;
        results.clear();
        return RunBatch(run, [this](const BatchFileResult& r) { results.push_back(r); });
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> all;
        for (const auto& r : results) all.insert(all.end(), r.messages.begin(), r.messages.end());
        return all;
    }
    std::vector<BatchFileResult> results;
};

TEST(BatchOutputPath, FollowsTheLocationTheFormatAndTheInputsSpelling) {
    BatchOptions same;
    BatchOptions toGif;
    toGif.changeFormat = true;
    toGif.formatIndex = 4;
    BatchOptions toBmp = toGif;
    toBmp.formatIndex = 3;
    BatchOptions folder;
    folder.sameLocation = false;
    folder.outputFolder = "/out";
    BatchOptions folderSlash = folder;
    folderSlash.outputFolder = "/out/";
    struct Row {
        const char* input;
        const BatchOptions* options;
        const char* output;
    } rows[] = {
        {"/p/pic.bmp", &same, "/p/pic.bmp"},
        {"/p/pic.BMP", &same, "/p/pic.BMP"},      // in place keeps the spelling
        {"/p/pic.BMP", &toBmp, "/p/pic.BMP"},     // also when BMP is chosen
        {"/p/pic.bmp", &toGif, "/p/pic.gif"},
        {"/p/a.b.JPG", &toGif, "/p/a.b.gif"},     // only the last extension goes
        {"/p/noext", &same, "/p/noext."},
        {"rel.png", &toGif, "rel.gif"},
        {"/p/pic.BMP", &folder, "/out/pic.bmp"},  // elsewhere, lower case
        {"/p/pic.BMP", &folderSlash, "/out/pic.bmp"},
    };
    for (const Row& r : rows) EXPECT_EQ(BatchOutputPath(r.input, *r.options), r.output) << r.input;
}

TEST(BatchInteger, ReadsLeadingDigitsAsThePlatformDid) {
    EXPECT_EQ(BatchInteger("abc"), 0);
    EXPECT_EQ(BatchInteger(" 12px"), 12);
    EXPECT_EQ(BatchInteger("-5"), -5);
    EXPECT_EQ(BatchInteger("99999999999"), INT_MAX);
}

TEST_F(Batch, SizesAreAtLeastTwoAndTrimOriginsOutsideTheBoxBecomeZero) {
    MakePicture(m_dir / "a.bmp", 640, 480);
    BatchOptions resize;
    resize.changeSize = true;
    resize.sizeMode = 1;
    resize.width = "1";
    resize.height = "abc";
    resize.sameLocation = false;
    resize.outputFolder = (m_dir / "resized").string();
    EXPECT_EQ(Run({m_dir / "a.bmp"}, resize).converted, 1);
    Loaded out = Load(m_dir / "resized/a.bmp");
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.height, 2);

    BatchOptions trim = resize;
    trim.sizeMode = 0;
    trim.width = "300";
    trim.height = "200";
    trim.x = "500";
    trim.y = "10";
    trim.outputFolder = (m_dir / "trimmed").string();
    EXPECT_EQ(Run({m_dir / "a.bmp"}, trim).converted, 1);
    out = Load(m_dir / "trimmed/a.bmp");
    EXPECT_EQ(out.width, 300);
    EXPECT_EQ(out.height, 200);
    EXPECT_EQ(out.redAt00, 0) << "X 500 with width 300 trims from column 0";
    trim.x = "100";
    trim.outputFolder = (m_dir / "trimmed100").string();
    Run({m_dir / "a.bmp"}, trim);
    EXPECT_EQ(Load(m_dir / "trimmed100/a.bmp").redAt00, 100);
}

TEST_F(Batch, GifInPlaceIsEightBitsAndReplacesTheOriginalButTheSameFormatKeepsIt) {
    MakePicture(m_dir / "pic.bmp", 40, 30);
    BatchOptions gif;
    gif.changeFormat = true;
    gif.formatIndex = 4;
    gif.deleteOriginals = true;
    EXPECT_EQ(Run({m_dir / "pic.bmp"}, gif).converted, 1);
    EXPECT_EQ(Load(m_dir / "pic.gif").bpp, 8);
    EXPECT_FALSE(fs::exists(m_dir / "pic.bmp"));

    MakePicture(m_dir / "pic.BMP", 40, 30);
    BatchOptions bmp = gif;
    bmp.formatIndex = 3;
    bmp.changeColors = true;
    bmp.colorsIndex = 2; // to 8 bits, so the file visibly changes
    EXPECT_EQ(Run({m_dir / "pic.BMP"}, bmp).converted, 1);
    EXPECT_EQ(testkit::Listing(m_dir), (std::vector<std::string>{"pic.BMP", "pic.gif"}));
    EXPECT_EQ(Load(m_dir / "pic.BMP").bpp, 8) << "written over the original, which stays";
}

TEST_F(Batch, TheGifEntryForcesEightBitsEvenWhenTheFormatIsNotChanged) {
    MakePicture(m_dir / "photo.jpg", 64, 48, kFormatJpeg);
    MakePicture(m_dir / "plain.bmp", 64, 48);
    BatchOptions options;
    options.formatIndex = 4; // left at GIF, format change off
    options.changeSize = true;
    options.sizeMode = 1;
    options.width = "32";
    options.height = "24";
    EXPECT_EQ(Run({m_dir / "photo.jpg", m_dir / "plain.bmp"}, options).converted, 2);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].output, (m_dir / "photo.jpg").string());
    EXPECT_EQ(results[0].bitsPerPixel, 8);
    EXPECT_EQ(Load(m_dir / "photo.jpg").width, 32) << "saved as JPEG";
    EXPECT_EQ(Load(m_dir / "plain.bmp").bpp, 8);
}

TEST_F(Batch, ColoursFollowTheListsAndGrayScaleIsEightBits) {
    MakePicture(m_dir / "c.bmp", 50, 20);
    BatchOptions options;
    options.changeColors = true;
    for (int index : {0, 1, 2, 3, 5}) {
        options.colorsIndex = index;
        options.paletteIndex = index % 3;
        options.ditherIndex = index == 1 ? 1 : 0;
        EXPECT_EQ(Run({m_dir / "c.bmp"}, options).converted, 1);
        EXPECT_EQ(results.at(0).bitsPerPixel, BatchColourDepths()[index]) << index;
        MakePicture(m_dir / "c.bmp", 50, 20);
    }
    options.grayScale = true;
    options.colorsIndex = 4;
    Run({m_dir / "c.bmp"}, options);
    EXPECT_EQ(results.at(0).bitsPerPixel, 8);
}

TEST_F(Batch, AFileThatDoesNotLoadWritesNothingAndKeepsItsOriginal) {
    testkit::WriteBytes(m_dir / "bad.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
    testkit::WriteBytes(m_dir / "junk.png", {'n', 'o', 't'});
    BatchOptions options;
    options.changeFormat = true;
    options.formatIndex = 18;
    options.deleteOriginals = true;
    const BatchSummary s = Run({m_dir / "bad.jpg", m_dir / "junk.png"}, options);
    EXPECT_EQ(s.failed, 2);
    EXPECT_EQ(testkit::Listing(m_dir), (std::vector<std::string>{"bad.jpg", "junk.png"}));
    const std::string tail = "Image operation error: please check your paths and read/write permissions";
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              (m_dir / "bad.jpg").string() + ": " + tail,
                              (m_dir / "bad.ppm").string() + " not saved: : " + tail,
                              (m_dir / "junk.png").string() + ": " + tail,
                              (m_dir / "junk.ppm").string() + " not saved: : " + tail}));
}

TEST_F(Batch, FailedSavesKeepEveryOriginal) {
    MakePicture(m_dir / "a.bmp", 64, 64);
    MakePicture(m_dir / "b.bmp", 64, 64);
    testkit::WriteBytes(m_dir / "blocked", {'x'}); // a plain file where the folder must be
    BatchOptions options;
    options.changeFormat = true;
    options.formatIndex = 16;
    options.deleteOriginals = true;
    options.sameLocation = false;
    options.outputFolder = (m_dir / "blocked/out").string();
    BatchSummary s = Run({m_dir / "a.bmp", m_dir / "b.bmp"}, options);
    EXPECT_EQ(s.failed, 2);
    EXPECT_EQ(Messages().at(0), (m_dir / "blocked/out/a.png").string() +
                                    " not saved: : Image operation error: please check your "
                                    "paths and read/write permissions");

    // A full disk: the output cannot be written whole.
    options.outputFolder = (m_dir / "full").string();
    s = testkit::WithFileSizeLimit(64, [&] { return Run({m_dir / "a.bmp", m_dir / "b.bmp"}, options); });
    EXPECT_EQ(s.failed, 2);
    EXPECT_TRUE(fs::exists(m_dir / "a.bmp") && fs::exists(m_dir / "b.bmp"));
    EXPECT_TRUE(testkit::Listing(m_dir / "full").empty()) << "no partial file is left";

    // A folder where the output file should be.
    fs::create_directories(m_dir / "dir/a.png");
    options.outputFolder = (m_dir / "dir").string();
    EXPECT_EQ(Run({m_dir / "a.bmp"}, options).failed, 1);
    EXPECT_TRUE(fs::exists(m_dir / "a.bmp"));
}

TEST_F(Batch, DuplicatesRunOnceAndCollidingOutputsNeverReplaceAFileOfTheRun) {
    MakePicture(m_dir / "a.bmp", 20, 10);
    MakePicture(m_dir / "a.png", 30, 10, kFormatPng);
    MakePicture(m_dir / "b.pcx", 40, 10, kFormatPcx);
    fs::create_symlink(m_dir / "b.pcx", m_dir / "link.pcx");
    BatchOptions options;
    options.changeFormat = true;
    options.formatIndex = 3; // bmp
    options.deleteOriginals = true;
    Run({m_dir / "a.png", m_dir / "a.bmp", m_dir / "b.pcx", m_dir / "link.pcx", m_dir / "b.pcx"},
        options);
    ASSERT_EQ(results.size(), 5u);
    EXPECT_FALSE(results[0].converted) << "a.png's output is the input a.bmp";
    EXPECT_EQ(results[0].messages.size(), 1u);
    EXPECT_TRUE(results[1].converted);
    EXPECT_TRUE(results[2].converted);
    EXPECT_TRUE(results[3].skipped && results[4].skipped);
    EXPECT_TRUE(fs::exists(m_dir / "a.png"));
    EXPECT_EQ(Load(m_dir / "a.bmp").width, 20);
    EXPECT_EQ(Load(m_dir / "b.bmp").width, 40);

    // Two inputs that would make one output: the later one is refused.
    MakePicture(m_dir / "x.png", 30, 10, kFormatPng);
    MakePicture(m_dir / "x.tga", 50, 10, kFormatTga);
    Run({m_dir / "x.png", m_dir / "x.tga"}, options);
    EXPECT_TRUE(results.at(0).converted);
    EXPECT_FALSE(results.at(1).converted);
    EXPECT_TRUE(fs::exists(m_dir / "x.tga"));
    EXPECT_EQ(Load(m_dir / "x.bmp").width, 30);
}

TEST_F(Batch, ParallelRunsDeliverInListOrderWhatASerialRunWrites) {
    std::vector<fs::path> files;
    for (int i = 0; i < 9; ++i) {
        files.push_back(m_dir / ("in" + std::to_string(8 - i) + (i % 3 ? ".bmp" : ".jpg")));
        MakePicture(files.back(), 100 + 30 * i, 80, i % 3 ? kFormatBmp : kFormatJpeg);
    }
    files.insert(files.begin() + 4, m_dir / "missing.bmp");
    BatchOptions options;
    options.changeFormat = true;
    options.formatIndex = 18; // binary ppm
    options.changeSize = true;
    options.sizeMode = 1;
    options.qualityIndex = 1;
    options.width = "45";
    options.height = "31";
    options.sameLocation = false;
    std::map<std::string, testkit::Bytes> serial;
    for (int jobs : {1, 4}) {
        options.outputFolder = (m_dir / ("out" + std::to_string(jobs))).string();
        const BatchSummary s = Run(files, options, jobs);
        EXPECT_EQ(s.processed, 10);
        EXPECT_EQ(s.failed, 1);
        ASSERT_EQ(results.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(results[i].index, static_cast<int>(i));
            EXPECT_EQ(results[i].input, files[i].string());
        }
        for (const std::string& name : testkit::Listing(options.outputFolder)) {
            const auto bytes = ReadBytes(fs::path(options.outputFolder) / name);
            if (jobs == 1) serial[name] = bytes;
            else EXPECT_EQ(bytes, serial[name]) << name;
        }
    }
    EXPECT_EQ(serial.size(), 9u);
}

TEST_F(Batch, ShardsTogetherMakeTheUnshardedRun) {
    std::vector<fs::path> files;
    for (int i = 0; i < 7; ++i) {
        files.push_back(m_dir / ("s" + std::to_string(i) + ".bmp"));
        MakePicture(files.back(), 10 + i, 10);
    }
    BatchOptions options;
    options.changeFormat = true;
    options.formatIndex = 16;
    std::vector<int> seen(files.size(), 0);
    int total = 0;
    for (int k = 1; k <= 3; ++k) {
        total += Run(files, options, 2, k, 3).converted;
        for (const auto& r : results) {
            EXPECT_EQ(r.index % 3, k - 1);
            ++seen[r.index];
        }
    }
    EXPECT_EQ(total, 7);
    EXPECT_EQ(seen, std::vector<int>(7, 1));
}

TEST_F(Batch, CancelStopsAfterTheFilesInProgress) {
    std::vector<fs::path> files;
    for (int i = 0; i < 24; ++i) {
        files.push_back(m_dir / ("c" + std::to_string(i) + ".bmp"));
        MakePicture(files.back(), 300, 300);
    }
    std::atomic<bool> cancel{false};
    BatchRun run;
    for (const auto& f : files) run.files.push_back(f.string());
    run.options.changeFormat = true;
    run.options.formatIndex = 16;
    run.jobs = 2;
    run.cancel = &cancel;
    int delivered = 0;
    const BatchSummary s = RunBatch(run, [&](const BatchFileResult& r) {
        EXPECT_EQ(r.index, delivered++);
        cancel = true;
    });
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.processed, delivered);
    EXPECT_LT(s.processed, 24) << "the files not yet started stay undone";
    int written = 0;
    for (const auto& f : files) written += fs::exists(fs::path(f).replace_extension(".png"));
    EXPECT_EQ(written, s.processed);
}

TEST_F(Batch, JpegShrinksDecodeAtAReducedScaleThatStillCoversTheTarget) {
    MakePicture(m_dir / "big.jpg", 800, 600, kFormatJpeg);
    struct Row {
        int w, h, expectW, expectH;
    } rows[] = {{400, 300, 400, 300}, {399, 10, 400, 300}, {100, 75, 100, 75},
                {90, 20, 100, 75},   {401, 100, 800, 600}, {10, 500, 800, 600}};
    for (const Row& r : rows) {
        const CDdb d = ReadJpegDdbToCover((m_dir / "big.jpg").string(), r.w, r.h, 24);
        EXPECT_EQ(d.Width(), r.expectW) << r.w << "x" << r.h;
        EXPECT_EQ(d.Height(), r.expectH) << r.w << "x" << r.h;
        EXPECT_EQ(d.BitsPerPixel(), 24);
    }
    BatchOptions options;
    options.changeSize = true;
    options.sizeMode = 1;
    options.qualityIndex = 1;
    options.width = "150";
    options.height = "100";
    options.changeFormat = true;
    options.formatIndex = 18;
    MakePicture(m_dir / "png-inside.jpg", 300, 200, kFormatPng); // read by its content
    EXPECT_EQ(Run({m_dir / "big.jpg", m_dir / "png-inside.jpg"}, options).converted, 2);
    EXPECT_EQ(Load(m_dir / "big.ppm").width, 150);
    EXPECT_EQ(Load(m_dir / "png-inside.ppm").height, 100);
}

TEST_F(Batch, AnOriginalThatCannotBeRemovedIsReportedInLowerCase) {
    // Run as an unprivileged user, whom the folder of the original does not let delete.
    MakePicture(m_dir / "Keep.BMP", 16, 16);
    fs::create_directory(m_dir / "out");
    fs::permissions(m_dir / "out", fs::perms::all);
    const testkit::ChildRun child = testkit::RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 2;
        BatchOptions options;
        options.changeFormat = true;
        options.formatIndex = 16;
        options.deleteOriginals = true;
        options.sameLocation = false;
        options.outputFolder = (m_dir / "out").string();
        Run({m_dir / "Keep.BMP"}, options);
        std::string lower = (m_dir / "Keep.BMP").string();
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(Messages(), std::vector<std::string>{"Could not remove " + lower});
        return 0;
    });
    EXPECT_EQ(child.result, 0);
    EXPECT_TRUE(fs::exists(m_dir / "Keep.BMP"));
    EXPECT_TRUE(fs::exists(m_dir / "out/Keep.png"));
}

} // namespace
} // namespace tsl
