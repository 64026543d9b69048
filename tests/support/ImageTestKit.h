#pragma once
// Helpers shared by the image tests (Qt-free, header only): temporary folders, files as bytes,
// shell commands of the reference decoders, SHA-256 of pixel bytes, packed DIBs as RGB(A)
// bytes, reference BMP files, the rows of tests/data/MANIFEST.tsv, and the peak memory of work
// done in a child process.

#include "core/PackedDib.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

namespace tsl::testkit {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The test data folder of the repository (tests/data).
inline fs::path TestData() { return TSL_TESTDATA; }

// A new empty folder under the temporary folder, named after the running test, removed with
// all it holds when the object goes (write permission restored first, so that read-only
// folders a test made go too).
class TempDir {
public:
    TempDir() {
        std::string prefix = "tsl";
        if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
            prefix += std::string("-") + info->test_suite_name();
        std::string name = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a folder " << name;
            name.clear();
        }
        m_path = name;
        // As a folder made the ordinary way: others may enter it (tests that drop to another
        // user look inside), only the owner writes.
        std::error_code ec;
        if (!m_path.empty()) fs::permissions(m_path, fs::perms(0755), ec);
    }
    ~TempDir() {
        if (m_path.empty()) return;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_path, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& Path() const { return m_path; }
    operator const fs::path&() const { return m_path; }
    fs::path operator/(const fs::path& name) const { return m_path / name; }

private:
    fs::path m_path;
};

// Fixture: every test works in an empty folder of its own, m_dir.
class TempDirTest : public ::testing::Test {
protected:
    TempDir m_temp;
    const fs::path m_dir = m_temp.Path();
};

// The names of what a folder holds, sorted.
inline std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs fn while no file may grow beyond limit bytes (a limit that binds root too): writes past
// it fail as on a full disk.
template <class Fn> auto WithFileSizeLimit(rlim_t limit, Fn fn) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto result = fn();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

inline Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Standard output of a shell command.
inline Bytes Shell(const std::string& command) {
    Bytes out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.insert(out.end(), buffer, buffer + n);
        ::pclose(p);
    }
    return out;
}

// A program run through the shell: its exit status (-1 when it did not exit), its standard
// output, and the standard error the command line sends to a file, read back from errPath
// (left empty when none is given).
struct CommandResult {
    int status = -1;
    std::string out, err;
};
inline CommandResult RunCommand(const std::string& command, const fs::path& errPath = {}) {
    CommandResult r;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (!errPath.empty()) {
        std::ifstream in(errPath, std::ios::binary);
        r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return r;
}

// Lower-case hex SHA-256 of the bytes (through sha256sum; scratch is a file it may overwrite).
inline std::string Sha256(const Bytes& bytes, const fs::path& scratch) {
    WriteBytes(scratch, bytes);
    const Bytes out = Shell("sha256sum < '" + scratch.string() + "'");
    return std::string(out.begin(), out.begin() + std::min<std::size_t>(64, out.size()));
}

// Any packed DIB of 1, 4, 8, 16 (5-5-5), 24 or 32 bits as RGB or RGBA bytes, top row first. In
// RGBA form 32-bit pixels keep their alpha, with the colour of fully transparent pixels zeroed
// as the manifest's hashes have it; other depths are opaque. RGB form ignores alpha.
inline Bytes PixelsOf(const PackedDib& dib, bool rgba) {
    const auto v = ViewPackedDib(dib);
    Bytes out;
    for (int y = v ? v->height - 1 : -1; y >= 0; --y) {
        const int storedRow = v->topDown ? v->height - 1 - y : y;
        const std::uint8_t* row =
            dib.data() + v->bitsOffset + static_cast<std::size_t>(storedRow) * v->stride;
        for (int x = 0; x < v->width; ++x) {
            std::uint8_t q[4] = {0, 0, 0, 255};
            const int bpp = v->bitsPerPixel;
            if (bpp <= 8) {
                const int shift = 8 - bpp - (x * bpp) % 8;
                const int index = (row[x * bpp / 8] >> shift) & ((1 << bpp) - 1);
                const RGBQUAD c = index < v->colourCount ? v->table[index] : RGBQUAD{};
                q[0] = c.rgbRed, q[1] = c.rgbGreen, q[2] = c.rgbBlue;
            } else if (bpp == 16) {
                const int w = row[2 * x] | (row[2 * x + 1] << 8);
                const int r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
                q[0] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
                q[1] = static_cast<std::uint8_t>((g << 3) | (g >> 2));
                q[2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
            } else {
                const std::uint8_t* p = row + x * (bpp / 8);
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
                if (bpp == 32) q[3] = p[3];
            }
            if (rgba && q[3] == 0) q[0] = q[1] = q[2] = 0;
            out.insert(out.end(), q, q + (rgba ? 4 : 3));
        }
    }
    return out;
}

struct ManifestRow {
    std::string path, expected, width, height, hash;
};

// MANIFEST.tsv rows of one format, or of every format when it is empty; read as bytes (some
// notes are not UTF-8).
inline std::vector<ManifestRow> Manifest(const std::string& format = {}) {
    std::ifstream in(TestData() / "MANIFEST.tsv", std::ios::binary);
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string s; std::getline(fields, s, '\t');)
            f.push_back(s);
        if (f.size() >= 7 && (format.empty() || f[1] == format))
            rows.push_back({f[0], f[2], f[3], f[4], f[6]});
    }
    EXPECT_FALSE(rows.empty()) << "no " << format << " rows in " << TestData() / "MANIFEST.tsv";
    return rows;
}

inline bool HasHash(const ManifestRow& row) { return row.hash.size() == 64; }

// A valid row with reference pixels.
inline bool HasReference(const ManifestRow& row) { return row.expected == "valid" && HasHash(row); }

// How many rows satisfy the predicate.
template <class Predicate>
long CountRows(const std::vector<ManifestRow>& rows, Predicate predicate) {
    return static_cast<long>(std::count_if(rows.begin(), rows.end(), predicate));
}

// A bottom-up BMP file with a 40-byte header as the reference rasters are stored: its size,
// depth, colour table and the pixel rows exactly as they stand in the file.
struct ReferenceBmp {
    int width = 0, height = 0, depth = 0;
    std::size_t stride = 0;
    std::vector<RGBQUAD> table;
    Bytes bits;
};

// The file, or nullopt with the reason in error.
inline std::optional<ReferenceBmp> ReadReferenceBmp(const fs::path& path, std::string& error) {
    const Bytes file = ReadBytes(path);
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
        error = "not a BMP: " + path.string();
        return std::nullopt;
    }
    const std::uint32_t offset = ReadLe32(&file[10]);
    const BITMAPINFOHEADER info = BITMAPINFOHEADER::Read(&file[14]);
    ReferenceBmp bmp;
    bmp.width = info.biWidth;
    bmp.height = info.biHeight;
    bmp.depth = info.biBitCount;
    bmp.stride = static_cast<std::size_t>((bmp.width * bmp.depth + 31) / 32 * 4);
    const std::size_t colours =
        info.biClrUsed ? info.biClrUsed : static_cast<std::size_t>(ColourCountForDepth(bmp.depth));
    const std::size_t size = bmp.stride * static_cast<std::size_t>(std::max(bmp.height, 0));
    if (bmp.width <= 0 || bmp.height <= 0 || 54 + 4 * colours > offset ||
        offset + size > file.size()) {
        error = "unexpected layout: " + path.string();
        return std::nullopt;
    }
    for (std::size_t i = 0; i < colours; ++i) {
        const std::uint8_t* q = &file[54 + 4 * i];
        bmp.table.push_back({q[0], q[1], q[2], q[3]});
    }
    bmp.bits.assign(file.begin() + offset,
                    file.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return bmp;
}

// A test image of odd size (rows need padding at every depth) whose pixels use every colour of
// the depth's table and, for direct colours, vary in every channel. 32-bit pixels carry alpha
// when asked (else X = 0, as device bitmaps have it).
inline PackedDib TestPattern(int bpp, int width = 37, int height = 23, bool alpha = false) {
    std::vector<RGBQUAD> table;
    if (bpp <= 8)
        for (int i = 0; i < (1 << bpp); ++i)
            table.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i),
                             static_cast<std::uint8_t>(i * 91), 0});
    PackedDib dib = MakePackedDib(width, height, bpp, table);
    const auto v = ViewPackedDib(dib);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = dib.data() + v->bitsOffset + static_cast<std::size_t>(y) * v->stride;
        for (int x = 0; x < width; ++x) {
            const unsigned n = static_cast<unsigned>(x * 7 + y * 13 + x * y);
            switch (bpp) {
            case 1:
                row[x / 8] |= static_cast<std::uint8_t>((n & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<std::uint8_t>((n & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(n);
                break;
            case 16:
                WriteLe16(row + 2 * x, static_cast<std::uint16_t>((n * 2654435761u) >> 17));
                break;
            default: {
                std::uint8_t* p = row + x * (bpp / 8);
                p[0] = static_cast<std::uint8_t>(x * 7), p[1] = static_cast<std::uint8_t>(y * 11);
                p[2] = static_cast<std::uint8_t>(n);
                if (bpp == 32) p[3] = alpha ? static_cast<std::uint8_t>(n * 3) : 0;
            }
            }
        }
    }
    return dib;
}

// Whether the first image of a GIF file is interlaced (bit 6 of its descriptor's flags);
// nothing when the bytes are not a GIF with an image descriptor.
inline std::optional<bool> GifFirstImageInterlaced(const Bytes& gif) {
    if (gif.size() < 13 || gif[0] != 'G' || gif[1] != 'I' || gif[2] != 'F') return std::nullopt;
    std::size_t at = 13;
    if (gif[10] & 0x80) at += 3u << ((gif[10] & 7) + 1);
    while (at < gif.size()) {
        if (gif[at] == 0x2C) {
            if (at + 9 >= gif.size()) return std::nullopt;
            return (gif[at + 9] & 0x40) != 0;
        }
        if (gif[at] != 0x21 || at + 2 >= gif.size()) return std::nullopt;
        at += 2; // introducer and label, then sub-blocks up to the empty one
        while (at < gif.size() && gif[at] != 0) at += 1u + gif[at];
        ++at;
    }
    return std::nullopt;
}

// Work done in a child process: whether the child reported, by how many KiB its peak resident
// memory rose while it worked, and what the work returned (0 for none).
struct ChildRun {
    bool reported = false;
    long peakGrowthKb = -1;
    long result = 0;
};

// Runs work in a forked child and measures its peak memory there. ru_maxrss is the high-water
// mark of a whole process: measured in the test process it stays blind to any growth below
// what an earlier test peaked at. A child's mark starts at the memory it was forked with.
// Checks that fail in the child print their messages and fail the test here.
template <class Work> ChildRun RunInChild(Work work) {
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe for the child process";
        return {};
    }
    std::fflush(nullptr); // else buffered output would be written by both processes
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        // A child forked after the parent ran an OpenMP parallel region (the imaging libraries
        // use them) hangs in its next one unless it keeps to one thread.
        if (auto* setThreads =
                reinterpret_cast<void (*)(int)>(::dlsym(RTLD_DEFAULT, "omp_set_num_threads")))
            setThreads(1);
        const ::testing::TestResult* checks =
            ::testing::UnitTest::GetInstance()->current_test_info()->result();
        const int failuresBefore = checks->total_part_count();
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        long result = 0;
        if constexpr (std::is_void_v<std::invoke_result_t<Work&>>)
            work();
        else
            result = static_cast<long>(work());
        ::getrusage(RUSAGE_SELF, &after);
        const long report[3] = {after.ru_maxrss - before.ru_maxrss, result,
                                checks->total_part_count() - failuresBefore};
        std::fflush(nullptr);
        ::_exit(::write(fds[1], report, sizeof report) == sizeof report ? 0 : 1);
    }
    ::close(fds[1]);
    long report[3] = {-1, 0, 0};
    const bool got = pid > 0 && ::read(fds[0], report, sizeof report) == sizeof report;
    ::close(fds[0]);
    int status = -1;
    if (pid > 0) ::waitpid(pid, &status, 0);
    EXPECT_TRUE(got && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child process did not report (status " << status << ")";
    EXPECT_EQ(report[2], 0) << "checks failed in the child process (see above)";
    return {got, report[0], report[1]};
}

} // namespace tsl::testkit
