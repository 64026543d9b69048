#include "codecs/Compressor.h"
#include "core/Services.h"
#include "core/SettingsFile.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace tsl {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
// A string literal with its embedded NULs.
template <std::size_t N> Bytes Raw(const char (&s)[N]) {
    return Bytes(s, s + N - 1);
}

Bytes Random(std::size_t n, unsigned seed) {
    std::mt19937 g(seed);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(g());
    return b;
}

// Words, digits and line ends: data with matches of every length and distance.
Bytes Text(std::size_t n, unsigned seed) {
    static const char* words[] = {"image", "palette", "the ", "settings", "Tessaly",   "\r\n",
                                  "0123",  "colour",  "  ",   "=",        "[General]", "bitmap"};
    std::mt19937 g(seed);
    Bytes b;
    while (b.size() < n) {
        const std::string w = words[g() % 12];
        b.insert(b.end(), w.begin(), w.end());
    }
    b.resize(n);
    return b;
}

Bytes Packed(const Bytes& in) {
    CCompressor c;
    Bytes out;
    EXPECT_TRUE(c.Compress(in, out));
    return out;
}

// Expands with a fresh compressor, expecting a complete container.
Bytes Expanded(const Bytes& packed) {
    CCompressor c;
    Bytes out;
    EXPECT_TRUE(c.Expand(packed, out));
    return out;
}

using testkit::Listing;
using testkit::ReadBytes;
using testkit::WithFileSizeLimit;
using testkit::WriteBytes;

// Records what the operations report.
class CRecordingCompressor : public CCompressor {
public:
    void Error(int code) override { errors.push_back(code); }
    void Progress(std::uint64_t done, std::uint64_t total) override {
        progress.push_back({done, total, CurrentMode()});
    }
    struct Call {
        std::uint64_t done, total;
        Mode mode;
    };
    std::vector<int> errors;
    std::vector<Call> progress;
};

TEST(Compressor, WritesTheContainerBytes) {
    const struct {
        const char* what;
        Bytes in;
        Bytes out;
    } cases[] = {
        {"empty input: the header alone", {}, Raw("OV10\0\0\0\0")},
        // The literal's path in the initial tree (9 bits: 111001101), then zero padding.
        {"one literal", Of("A"), {'O', 'V', '1', '0', 1, 0, 0, 0, 0xE6, 0x80}},
        // One match of 60 (symbol 313: 11000101) copying the blank-filled ring from 60 back
        // (prefix 000, low bits 111011).
        {"blanks match the ring's start",
         Bytes(60, ' '),
         {'O', 'V', '1', '0', 60, 0, 0, 0, 0xC5, 0x1D, 0x80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Packed(c.in), c.out);
        EXPECT_EQ(Expanded(c.out), c.in);
    }
    const Bytes big = Packed(Random(0x12345, 1));
    EXPECT_EQ(Bytes(big.begin() + 4, big.begin() + 8), (Bytes{0x45, 0x23, 0x01, 0x00}));
}

TEST(Compressor, RoundTripsAndCompresses) {
    Bytes all, mixed = Text(400000, 2);
    for (int round = 0; round < 40; ++round)
        for (int v = 0; v < 256; ++v)
            all.push_back(static_cast<std::uint8_t>(round & 1 ? 255 - v : v));
    const Bytes noise = Random(300000, 3);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    mixed.insert(mixed.end(), 300000, 0);
    Bytes blanksFirst(100, ' ');
    const Bytes text = Text(5000, 4);
    blanksFirst.insert(blanksFirst.end(), text.begin(), text.end());
    const struct {
        const char* what;
        Bytes in;
        double maxRatio; // compressed size / input size
    } cases[] = {
        {"random", Random(200000, 5), 1.01},    {"text", Text(200000, 6), 0.5},
        {"all byte values", all, 0.1},          {"1 MB mixed", mixed, 0.6},
        {"blanks then text", blanksFirst, 0.6}, {"short text", Of("[A]\r\nk=v\r\n"), 2.5},
        {"ring size", Text(4096, 7), 0.9},      {"ring size + 1", Text(4097, 8), 0.9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes packed = Packed(c.in);
        EXPECT_LE(packed.size(), c.in.size() * c.maxRatio + 8);
        EXPECT_TRUE(Expanded(packed) == c.in);
    }
}

TEST(Compressor, RunsOfOneByteRoundTripAtAnyLength) {
    for (std::uint8_t value : {0x00, 0x20, 0xFF}) {
        for (std::size_t n : {1, 2, 3, 4, 59, 60, 61, 62, 4035, 4036, 4096, 4097, 70007}) {
            SCOPED_TRACE(testing::Message() << "byte " << int(value) << " x " << n);
            const Bytes run(n, value);
            const Bytes packed = Packed(run);
            EXPECT_LE(packed.size(), 12 + n / 20);
            EXPECT_TRUE(Expanded(packed) == run);
        }
    }
}

TEST(Compressor, ExpandsWhatTheInputHoldsAndNoMore) {
    const Bytes original = Text(3000, 9);
    const Bytes packed = Packed(original);
    auto withLength = [&](std::uint32_t n) {
        Bytes b = packed;
        for (int i = 0; i < 4; ++i)
            b[4 + i] = static_cast<std::uint8_t>(n >> (8 * i));
        return b;
    };
    const struct {
        const char* what;
        Bytes in;
        bool complete;
        std::size_t minSize, maxSize; // of the output, always a prefix of the original
    } cases[] = {
        {"forged length: stops at the end of the input", withLength(1 << 20), false, 3000, 3007},
        {"shorter length: no more than declared", withLength(10), true, 10, 10},
        {"cut bit stream", Bytes(packed.begin(), packed.begin() + packed.size() / 2), false, 1,
         2999},
        {"header alone", Bytes(packed.begin(), packed.begin() + 8), false, 0, 0},
        {"wrong signature", Raw("OV11\x01\0\0\0\xE6\x80"), false, 0, 0},
        {"lower-case signature", Raw("ov10\x01\0\0\0\xE6\x80"), false, 0, 0},
        {"cut signature", Raw("OV1"), false, 0, 0},
        {"cut length", Raw("OV10\x05\0"), false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CCompressor x;
        Bytes out;
        EXPECT_EQ(x.Expand(c.in, out), c.complete);
        EXPECT_GE(out.size(), c.minSize);
        EXPECT_LE(out.size(), c.maxSize);
        const std::size_t common = std::min(out.size(), original.size());
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + common, original.begin()));
    }
    CCompressor limited;
    limited.SetExpandLimit(100);
    Bytes out;
    EXPECT_TRUE(limited.Expand(packed, out));
    EXPECT_EQ(out, Bytes(original.begin(), original.begin() + 100));
}

TEST(Compressor, ReportsProgressAndModeAndResetsItsTables) {
    const Bytes in = Text(100000, 10);
    for (bool own : {true, false}) {
        CRecordingCompressor c;
        c.SetOwnTables(own);
        Bytes packed, again, back;
        ASSERT_TRUE(c.Compress(in, packed));
        ASSERT_TRUE(c.Compress(in, again));
        EXPECT_EQ(again, packed) << "a second run starts from fresh tables";
        ASSERT_TRUE(c.Expand(packed, back));
        EXPECT_TRUE(back == in);
        EXPECT_EQ(c.CurrentMode(), CCompressor::kIdle);
        ASSERT_EQ(c.progress.size(), 3u * (in.size() / CCompressor::kProgressStep));
        for (std::size_t i = 0; i < c.progress.size(); ++i) {
            const auto& call = c.progress[i];
            const std::uint64_t step = (i % 9 + 1) * CCompressor::kProgressStep;
            EXPECT_GE(call.done, step);
            EXPECT_LT(call.done, step + 60);
            EXPECT_EQ(call.total, in.size());
            EXPECT_EQ(call.mode, i < 18 ? CCompressor::kCompressing : CCompressor::kExpanding);
        }
    }
}

// Each test works in a folder of its own, whose "tmp" is also the temporary folder (TMPDIR).
class CompressorFiles : public testkit::TempDirTest {
protected:
    void SetUp() override {
        fs::create_directories(m_dir / "tmp");
        const char* old = std::getenv("TMPDIR");
        m_oldTmp = old ? old : "";
        ::setenv("TMPDIR", (m_dir / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (m_oldTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
    }
    std::string m_oldTmp;
};

TEST_F(CompressorFiles, FileRunsOpenReplaceAndRefuse) {
    const fs::path in = m_dir / "in", packed = m_dir / "packed", out = m_dir / "out";
    const Bytes data = Text(50000, 11);
    WriteBytes(in, data);
    WriteBytes(out, Of("old"));
    CRecordingCompressor c;
    EXPECT_EQ(c.CompressOrExpand(in, packed, CCompressor::kCompress), 1);
    EXPECT_EQ(c.CompressOrExpand(packed, out, CCompressor::kExpand), 1);
    EXPECT_TRUE(ReadBytes(out) == data);
    EXPECT_EQ(ReadBytes(packed), Packed(data));

    // A wrong signature leaves the output empty, and the run still succeeds.
    EXPECT_EQ(c.CompressOrExpand(in, out, CCompressor::kExpand), 1);
    EXPECT_TRUE(fs::exists(out) && fs::file_size(out) == 0);

    EXPECT_EQ(c.CompressOrExpand(m_dir / "absent", m_dir / "new", CCompressor::kCompress), 0);
    EXPECT_EQ(c.CompressOrExpand(in, m_dir / "no" / "such", CCompressor::kCompress), 0);
    EXPECT_EQ(c.CompressOrExpand(in, out, 2), 0);
    EXPECT_EQ(c.CompressOrExpand(m_dir, m_dir / "new", CCompressor::kExpand), 0) << "a folder";
    EXPECT_TRUE(c.errors.empty());
    EXPECT_EQ(Listing(m_dir), (std::vector<std::string>{"in", "out", "packed", "tmp"}));

    // Inputs of 4 GiB cannot be described by the header (a sparse file costs no space).
    const fs::path huge = m_dir / "huge";
    std::ofstream{huge};
    std::error_code ec;
    fs::resize_file(huge, std::uint64_t{1} << 32, ec);
    if (ec) GTEST_SKIP() << "no sparse 4 GiB file here";
    EXPECT_EQ(c.CompressOrExpand(huge, m_dir / "new", CCompressor::kCompress), 0);
    EXPECT_FALSE(fs::exists(m_dir / "new"));
}

TEST_F(CompressorFiles, FailedWritesReportOnceAndKeepTheTarget) {
    const fs::path in = m_dir / "in", out = m_dir / "out";
    WriteBytes(in, Random(200000, 12));
    {
        CRecordingCompressor c; // a full device is written in place
        EXPECT_EQ(c.CompressOrExpand(in, "/dev/full", CCompressor::kCompress), 0);
        EXPECT_EQ(c.errors, std::vector<int>{CCompressor::kWriteFailed});
    }
    // A file size limit makes a write fail half-way; the old output survives.
    WriteBytes(out, Of("old"));
    CRecordingCompressor c;
    const auto compress = [&] { return c.CompressOrExpand(in, out, CCompressor::kCompress); };
    EXPECT_EQ(WithFileSizeLimit(4096, compress), 0);
    EXPECT_EQ(c.errors, std::vector<int>{CCompressor::kWriteFailed});
    EXPECT_EQ(ReadBytes(out), Of("old"));
    EXPECT_EQ(Listing(m_dir), (std::vector<std::string>{"in", "out", "tmp"}));
}

class CapturedReports : public IReport {
public:
    void Report(const std::string& text, const std::string&) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

TEST_F(CompressorFiles, SettingsStoreSavesAndLoadsCompressed) {
    InstallSettingsCompression();
    const fs::path file = m_dir / "Settings.ini";
    CSettingsFile store;
    store.SetPath(file);
    store.WriteString("General", "Title", "Tessaly");
    store.WriteInt("New", "Width", 640);
    store.WriteString("Dir", "OpenSave", std::string(5000, 'x'));
    ASSERT_TRUE(store.Save(true));
    const Bytes packed = ReadBytes(file);
    EXPECT_EQ(packed, Packed(Of(store.Serialise())));
    EXPECT_EQ(Listing(m_dir), (std::vector<std::string>{"Settings.ini", "tmp"}));
    EXPECT_TRUE(Listing(m_dir / "tmp").empty()) << "the temporary text file is removed";

    CSettingsFile back;
    ASSERT_TRUE(back.Load(file, true));
    EXPECT_EQ(back.Map(), store.Map());
    EXPECT_TRUE(Listing(m_dir / "tmp").empty()) << "the expanded copy is removed";

    // A save whose compressed write fails shows "Error: 1" and keeps the good file. Random
    // text does not compress, so a size limit can let the text through but not its container.
    CapturedReports reports;
    InstallReport(&reports);
    const Bytes noise = Random(20000, 13);
    store.WriteString("Dir", "OpenSave", "");
    store.WriteString("Dir", "Sound", std::string(noise.begin(), noise.end()));
    const std::size_t textSize = store.Serialise().size();
    ASSERT_GT(Packed(Of(store.Serialise())).size(), textSize);
    EXPECT_FALSE(WithFileSizeLimit(textSize, [&] { return store.Save(true); }));
    InstallReport(nullptr);
    EXPECT_EQ(reports.texts, std::vector<std::string>{"Error: 1"});
    EXPECT_EQ(ReadBytes(file), packed);
    EXPECT_EQ(Listing(m_dir), (std::vector<std::string>{"Settings.ini", "tmp"}));
    EXPECT_TRUE(Listing(m_dir / "tmp").empty());

    // A plain file read in compressed mode is no container: nothing is read.
    WriteBytes(file, Of("[A]\r\nk=v\r\n"));
    CSettingsFile plain;
    EXPECT_TRUE(plain.Load(file, true));
    EXPECT_TRUE(plain.Map().empty());
    CSettingsFile::SetCompression(nullptr, nullptr);
}

} // namespace
} // namespace tsl
