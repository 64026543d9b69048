// The readers straight into bitmaps and the header readers against the packed readers, file by
// file over the test data; the writers from bitmap rows against the packed writers, byte by byte.

#include "codecs/Bmp.h"
#include "codecs/BmpBitmap.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "codecs/Tiff.h"
#include "core/Palette.h"
#include "support/ImageTestKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace tsl {
namespace {

using namespace testkit;

// Every file under the test data folder `sub` whose extension is one of `exts`.
std::vector<fs::path> FilesOf(const std::string& sub, std::initializer_list<const char*> exts) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(TestData() / sub, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::string e = it->path().extension().string();
        for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* x : exts)
            if (e == x) out.push_back(it->path());
    }
    return out;
}

// The bitmap equals the plain packed DIB: size, depth, rows and (for indexed depths) table.
void ExpectSame(const CDdb& bitmap, const PackedDib& dib, const fs::path& path, bool table = true) {
    SCOPED_TRACE(path.string());
    const auto v = ViewPackedDib(dib);
    ASSERT_TRUE(v.has_value());
    ASSERT_FALSE(v->topDown);
    EXPECT_EQ(bitmap.Width(), v->width);
    EXPECT_EQ(bitmap.Height(), v->height);
    ASSERT_EQ(bitmap.BitsPerPixel(), v->bitsPerPixel);
    ASSERT_EQ(bitmap.Bits().size(), v->imageSize);
    EXPECT_EQ(std::memcmp(bitmap.Bits().data(), dib.data() + v->bitsOffset, v->imageSize), 0);
    if (!table) return;
    ASSERT_EQ(bitmap.Palette().size(), static_cast<std::size_t>(v->colourCount));
    for (int i = 0; i < v->colourCount; ++i) {
        const RGBQUAD a = bitmap.Palette()[i], b = v->table[i];
        EXPECT_TRUE(a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue &&
                    a.rgbReserved == 0)
            << i;
    }
}

// A header reader that declines leaves the file to the full read, so only what it accepts must
// agree with the full read (when that succeeds: the rows are not looked at).
void ExpectHeader(bool ok, int w, int h, int bpp, const PackedDib& dib, const fs::path& path) {
    SCOPED_TRACE(path.string());
    const auto v = ViewPackedDib(dib);
    if (!v || !ok) return;
    EXPECT_EQ(w, v->width);
    EXPECT_EQ(h, v->height);
    EXPECT_EQ(bpp, v->bitsPerPixel);
}

TEST(Straight, BmpFilesAsThePackedReaderAndItsUnpacking) {
    int straight = 0, headers = 0;
    for (const fs::path& path : FilesOf("bmp", {".bmp", ".dib"})) {
        const PackedDib plain = UnpackDib(ReadBmpFile(path.string()));
        const CDdb bitmap = ReadBmpBitmap(path.string());
        if (!bitmap.IsNull()) {
            ++straight;
            ExpectSame(bitmap, plain, path);
        }
        int w = 0, h = 0, bpp = 0;
        const bool ok = ReadBmpHeader(path.string(), w, h, bpp);
        headers += ok;
        ExpectHeader(ok, w, h, bpp, plain, path);
    }
    EXPECT_GE(straight, 10);
    EXPECT_GE(headers, 20);
}

TEST(Straight, GifFilesAsReadGif) {
    int straight = 0;
    for (const fs::path& path : FilesOf("gif", {".gif"})) {
        GifFrameInfo info;
        int status = 0;
        const auto dib = ReadGif(path.string(), 0, 0, info, status);
        int transparent = -2;
        const CDdb bitmap = ReadGifBitmap(path.string(), transparent);
        if (!bitmap.IsNull()) {
            ++straight;
            ASSERT_TRUE(dib.has_value()) << path;
            EXPECT_EQ(status, kGifStatusOk);
            ExpectSame(bitmap, UnpackDib(*dib), path);
            EXPECT_EQ(transparent, info.transparent ? info.transparentIndex : -1) << path;
        }
        int w = 0, h = 0, bpp = 0;
        const bool ok = ReadGifHeader(path.string(), w, h, bpp);
        if (dib && status == kGifStatusOk) ExpectHeader(ok, w, h, bpp, UnpackDib(*dib), path);
    }
    EXPECT_GE(straight, 10);
}

// Data far longer than the reader's 64 KiB pieces, at every depth, interlaced or not: the
// codes that straddle two pieces decode as in one.
TEST(Straight, GifDataAcrossManyPiecesRoundTrips) {
    TempDir dir;
    std::mt19937 random(7);
    for (int depth : {1, 4, 8})
        for (bool interlace : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (interlace ? " interlaced" : ""));
            PackedDib dib = MakePackedDib(1501, 613, depth);
            const auto v = ViewPackedDib(dib);
            ASSERT_TRUE(v.has_value());
            for (int y = 0; y < v->height; ++y)
                for (int x = 0; x < v->width; ++x) {
                    // Noise with runs, so that codes of every width occur.
                    const int index = (x / 3 + y) % 5 == 0 ? 1 : static_cast<int>(random() % (1u << depth));
                    const int bit = x * depth;
                    dib[v->bitsOffset + y * v->stride + bit / 8] |=
                        static_cast<std::uint8_t>(index << (8 - depth - bit % 8));
                }
            const fs::path file = dir.Path() / "noise.gif";
            ASSERT_EQ(WriteGif(file.string(), dib, true, interlace, -1), 1);
            ASSERT_GT(fs::file_size(file), std::uintmax_t{1} << 17);
            GifFrameInfo info;
            int status = 0;
            const auto back = ReadGifMemory(ReadBytes(file), 0, 0, info, status);
            ASSERT_TRUE(back.has_value());
            const auto b = ViewPackedDib(*back);
            ASSERT_TRUE(b.has_value());
            EXPECT_EQ(std::memcmp(back->data() + b->bitsOffset, dib.data() + v->bitsOffset, v->imageSize), 0);
            int transparent = 0;
            const CDdb bitmap = ReadGifBitmap(file.string(), transparent);
            ExpectSame(bitmap, *back, file);
            EXPECT_EQ(transparent, -1);
        }
}

TEST(Straight, JpegFilesAsTheRgbDecode) {
    int straight = 0;
    for (const fs::path& path : FilesOf("jpeg", {".jpg", ".jpeg"})) {
        const PackedDib dib = ReadJpegDib(path.string());
        const CDdb bitmap = ReadJpegDdb(path.string(), 24);
        EXPECT_EQ(bitmap.IsNull(), dib.empty()) << path;
        if (!bitmap.IsNull() && !dib.empty()) {
            ++straight;
            ExpectSame(bitmap, dib, path, false);
        }
        int w = 0, h = 0, bpp = 0;
        const bool ok = ReadJpegHeader(path.string(), w, h, bpp);
        ExpectHeader(ok, w, h, bpp, dib, path);
    }
    EXPECT_GE(straight, 10);
}

TEST(Straight, PngFilesAsReadPng) {
    int straight = 0;
    for (const fs::path& path : FilesOf("png", {".png"})) {
        std::string message;
        const PackedDib dib = ReadPng(path.string(), message);
        const CDdb bitmap = ReadPngBitmap(path.string());
        if (!bitmap.IsNull()) {
            ++straight;
            ExpectSame(bitmap, dib, path, false);
        }
        int w = 0, h = 0, bpp = 0;
        const bool ok = ReadPngHeader(path.string(), w, h, bpp);
        ExpectHeader(ok, w, h, bpp, dib, path);
    }
    EXPECT_GE(straight, 10);
}

TEST(Straight, TiffHeadersAsReadTiff) {
    int headers = 0;
    for (const fs::path& path : FilesOf("tiff", {".tif", ".tiff"})) {
        int status = 0;
        const PackedDib dib = ReadTiff(path.string(), status);
        int w = 0, h = 0, bpp = 0;
        const bool ok = ReadTiffHeader(path.string(), w, h, bpp);
        headers += ok;
        ExpectHeader(ok, w, h, bpp, dib, path);
    }
    EXPECT_GE(headers, 10);
}

// Damaged or foreign bytes: every header reader declines.
TEST(Straight, HeaderReadersDeclineDamagedFiles) {
    TempDir dir;
    const Bytes bmp = ReadBytes(TestData() / "bmp/bmpsuite/g/rgb24.bmp");
    const fs::path garbage = dir.Path() / "garbage";
    WriteBytes(garbage, Bytes(bmp.begin() + 7, bmp.begin() + 60));
    const fs::path missing = dir.Path() / "missing";
    for (const fs::path& p : {garbage, missing}) {
        int w = 1, h = 1, bpp = 1;
        EXPECT_FALSE(ReadJpegHeader(p.string(), w, h, bpp));
        EXPECT_FALSE(ReadPngHeader(p.string(), w, h, bpp));
        EXPECT_FALSE(ReadGifHeader(p.string(), w, h, bpp));
        EXPECT_FALSE(ReadBmpHeader(p.string(), w, h, bpp));
        EXPECT_FALSE(ReadTiffHeader(p.string(), w, h, bpp));
        EXPECT_TRUE(ReadBmpBitmap(p.string()).IsNull());
        int transparent = 0;
        EXPECT_TRUE(ReadGifBitmap(p.string(), transparent).IsNull());
        EXPECT_TRUE(ReadPngBitmap(p.string()).IsNull());
    }
    // A BMP whose rows are cut short is left to the general reader.
    const fs::path cut = dir.Path() / "cut.bmp";
    WriteBytes(cut, Bytes(bmp.begin(), bmp.end() - 100));
    EXPECT_TRUE(ReadBmpBitmap(cut.string()).IsNull());
}

// A bitmap of the depth with every byte of its rows (padding included) set from a seed.
CDdb Noise(int width, int height, int bpp, unsigned seed) {
    CDdb d = CDdb::Create(width, height, bpp);
    std::mt19937 random(seed);
    for (auto& b : d.Bits()) b = static_cast<std::uint8_t>(random());
    if (bpp <= 8) d.Palette() = DefaultPalette(1 << bpp);
    return d;
}

TEST(Straight, BmpFromBitmapRowsAsTheWriterOfItsPackedForm) {
    TempDir dir;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        CDdb d = Noise(37, 11, bpp, static_cast<unsigned>(bpp));
        if (bpp == 8) d.Palette().resize(100); // a short table stays short
        PackedDib dib;
        if (bpp == 32) { // the imaging layer keeps 32 bits as they are
            dib = MakePackedDib(d.Width(), d.Height(), 32);
            std::memcpy(dib.data() + ViewPackedDib(dib)->bitsOffset, d.Bits().data(), d.Bits().size());
        } else {
            dib = MakePackedBitmap(d, d.Palette());
        }
        ASSERT_TRUE(WriteBmpFile((dir.Path() / "a.bmp").string(), dib));
        ASSERT_TRUE(WriteBmpBitmap((dir.Path() / "b.bmp").string(), d));
        EXPECT_EQ(ReadBytes(dir.Path() / "b.bmp"), ReadBytes(dir.Path() / "a.bmp"));
    }
    CDdb bare = Noise(5, 3, 4, 1);
    bare.Palette().clear(); // no table: the default one, as the packed form takes
    ASSERT_TRUE(WriteBmpFile((dir.Path() / "a.bmp").string(), MakePackedBitmap(bare, {})));
    ASSERT_TRUE(WriteBmpBitmap((dir.Path() / "b.bmp").string(), bare));
    EXPECT_EQ(ReadBytes(dir.Path() / "b.bmp"), ReadBytes(dir.Path() / "a.bmp"));
    EXPECT_FALSE(WriteBmpBitmap((dir.Path() / "c.bmp").string(), CDdb{}));
    EXPECT_FALSE(WriteBmpBitmap((dir.Path() / "no/such/folder.bmp").string(), bare));
}

TEST(Straight, JpegFromBitmapRowsAsTheRgbEncoder) {
    TempDir dir;
    for (int bpp : {24, 32})
        for (int quality : {10, 90, 100}) {
            SCOPED_TRACE(std::to_string(bpp) + " at " + std::to_string(quality));
            const CDdb d = Noise(83, 29, bpp, static_cast<unsigned>(quality));
            Bytes rgb;
            for (int y = d.Height() - 1; y >= 0; --y)
                for (int x = 0; x < d.Width(); ++x) {
                    const std::uint8_t* p = d.Row(y) + x * (bpp / 8);
                    rgb.insert(rgb.end(), {p[2], p[1], p[0]});
                }
            const fs::path file = dir.Path() / "a.jpg";
            ASSERT_EQ(StoreJpegBitmap(file.string(), d, quality), JpegStoreResult::kStored);
            EXPECT_EQ(ReadBytes(file), EncodeJpeg(rgb, d.Width(), d.Height(), true, quality));
        }
    EXPECT_EQ(StoreJpegBitmap((dir.Path() / "b.jpg").string(), Noise(4, 4, 8, 1), 90),
              JpegStoreResult::kNotEncodable);
    EXPECT_EQ(StoreJpegBitmap((dir.Path() / "no/such/folder.jpg").string(), Noise(4, 4, 24, 1), 90),
              JpegStoreResult::kNotWritten);
    EXPECT_FALSE(fs::exists(dir.Path() / "b.jpg"));
}

} // namespace
} // namespace tsl
