#pragma once
// Helpers shared by the image tests (Qt-free, header only): files as bytes, shell commands of
// the reference decoders, SHA-256 of pixel bytes, packed DIBs as RGB(A) bytes, the rows of
// shared/testdata/MANIFEST.tsv, and the process's peak memory.

#include "core/PackedDib.h"

#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tsl::testkit {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

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

// MANIFEST.tsv rows of one format, read as bytes (some notes are not UTF-8).
inline std::vector<ManifestRow> Manifest(const std::string& format) {
    std::ifstream in(fs::path(TSL_TESTDATA) / "MANIFEST.tsv", std::ios::binary);
    std::vector<ManifestRow> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string s; std::getline(fields, s, '\t');)
            f.push_back(s);
        if (f.size() >= 7 && f[1] == format) rows.push_back({f[0], f[2], f[3], f[4], f[6]});
    }
    return rows;
}

inline bool HasHash(const ManifestRow& row) { return row.hash.size() == 64; }

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

// The process's peak resident memory in KiB.
inline long PeakKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace tsl::testkit
