// CBmp: loading through the dispatch, plain, clipped, stretched and transparent drawing with
// the mask made once, tiling, copying and saving.

#include "codecs/CBmp.h"

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"

#include "support/ImageTestKit.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <filesystem>

namespace tsl {
namespace {

namespace fs = std::filesystem;

// A 4 x 2 bitmap: top row red, green, blue, white; bottom row all green.
CDdb Picture() {
    CDdb d = CDdb::Create(4, 2, 32);
    const std::uint8_t top[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    for (int x = 0; x < 4; ++x) {
        std::copy(top[x], top[x] + 3, d.Row(1) + 4 * x);
        d.Row(0)[4 * x + 1] = 255;
    }
    return d;
}

QImage Canvas(int w, int h) {
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(qRgb(9, 9, 9));
    return canvas;
}

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
               kBack = 0xFF090909;

TEST(CBmp, DrawsPlainClippedAndStretched) {
    CBmp bmp;
    QImage canvas = Canvas(10, 4);
    {
        QPainter p(&canvas);
        EXPECT_EQ(bmp.Draw(p, 0, 0), 0) << "nothing to draw";
        bmp.SetImage(Picture(), {});
        EXPECT_EQ(bmp.Draw(p, 0, 0), 1);
        EXPECT_EQ(bmp.Draw(p, 1, 0, 2, 1, 6, 0), 1); // green, blue at (6, 0)
    }
    EXPECT_EQ(canvas.pixel(0, 0), kRed);
    EXPECT_EQ(canvas.pixel(3, 0), kWhite);
    EXPECT_EQ(canvas.pixel(0, 1), kGreen);
    EXPECT_EQ(canvas.pixel(6, 0), kGreen);
    EXPECT_EQ(canvas.pixel(7, 0), kBlue);
    EXPECT_EQ(canvas.pixel(8, 0), kBack);
    EXPECT_EQ(canvas.pixel(6, 1), kBack);

    QImage big = Canvas(8, 4);
    {
        QPainter p(&big);
        bmp.Draw(p, 0, 0, 8, 4, 0, 0, true);
    }
    EXPECT_EQ(big.pixel(0, 0), kRed);
    EXPECT_EQ(big.pixel(1, 1), kRed);
    EXPECT_EQ(big.pixel(7, 0), kWhite);
    EXPECT_EQ(big.pixel(7, 3), kGreen);
}

TEST(CBmp, TransparentDrawingKeepsTheTargetAndReusesItsMask) {
    CBmp bmp;
    bmp.SetImage(Picture(), {});
    bmp.SetTransparent(true);
    bmp.SetTransparentColour(RGB(0, 255, 0));
    QImage canvas = Canvas(4, 2);
    {
        QPainter p(&canvas);
        bmp.Draw(p, 0, 0);
        const qint64 mask = bmp.Mask().cacheKey();
        ASSERT_FALSE(bmp.Mask().isNull());
        bmp.Draw(p, 0, 0, -1, -1, 0, 0, true);
        EXPECT_EQ(bmp.Mask().cacheKey(), mask) << "the mask is made once";
    }
    EXPECT_EQ(canvas.pixel(0, 0), kRed);
    EXPECT_EQ(canvas.pixel(1, 0), kBack) << "the transparent colour leaves the target";
    EXPECT_EQ(canvas.pixel(2, 0), kBlue);
    EXPECT_EQ(canvas.pixel(2, 1), kBack);

    bmp.SetImage(Picture(), {}); // reloading drops the mask
    EXPECT_TRUE(bmp.Mask().isNull());
    bmp.Free();
    EXPECT_TRUE(bmp.IsNull());
    EXPECT_FALSE(bmp.Transparent());
}

TEST(CBmp, TilesFromTheOffsetAndClipsAtTheRightAndBottom) {
    CBmp bmp;
    bmp.SetImage(Picture(), {});
    QImage canvas = Canvas(12, 6);
    {
        QPainter p(&canvas);
        bmp.Tile(p, 1, 1, 10, 5, 1, 0);
    }
    // Copies start at x = 0, 4, 8 and y = 1, 3; nothing is drawn at x >= 10 or y >= 5.
    EXPECT_EQ(canvas.pixel(0, 1), kRed);
    EXPECT_EQ(canvas.pixel(4, 1), kRed);
    EXPECT_EQ(canvas.pixel(8, 3), kRed);
    EXPECT_EQ(canvas.pixel(9, 3), kGreen);
    EXPECT_EQ(canvas.pixel(10, 3), kBack);
    EXPECT_EQ(canvas.pixel(5, 5), kBack);
    EXPECT_EQ(canvas.pixel(5, 0), kBack);
}

TEST(CBmp, LoadsSavesAndCopies) {
    const testkit::TempDir temp;
    const fs::path& dir = temp.Path();
    CBmp bmp;
    bmp.SetImage(Picture(), {});
    ASSERT_EQ(bmp.Save((dir / "p.bmp").string()), 1);
    EXPECT_EQ(bmp.Save((dir / "p.gif").string()), 0);
    CBmp back;
    ASSERT_EQ(back.Load((dir / "p.bmp").string()), 1);
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.Bitmap().pixel(2, 0), kBlue);
    EXPECT_EQ(back.Load((dir / "missing.bmp").string()), 0);
    EXPECT_TRUE(back.IsNull()) << "a failed load leaves no image";

    // A GIF's transparent index becomes the transparent colour.
    const PackedDib two = MakePackedDib(2, 2, 1, {{0, 0, 255, 0}, {0, 255, 0, 0}});
    ASSERT_EQ(WriteGif((dir / "t.gif").string(), two, true, false, 1), 1);
    ASSERT_EQ(back.Load((dir / "t.gif").string()), 1);
    EXPECT_TRUE(back.Transparent());
    EXPECT_EQ(back.TransparentColour(), RGB(0, 255, 0));
    EXPECT_EQ(back.Palette().size(), 2u);

    // The bitmap is kept as read and handed over whole: no copy on the way to a view.
    ASSERT_EQ(back.Load((dir / "p.bmp").string()), 1);
    const std::uint8_t* rows = nullptr;
    {
        CBmp held;
        CDdb bitmap = CDdb::Create(3, 2, 32);
        rows = bitmap.Bits().data();
        held.SetImage(std::move(bitmap), {});
        EXPECT_EQ(held.Width(), 3);
        CBmp moved = std::move(held);
        const CDdb taken = moved.TakeBitmap();
        EXPECT_EQ(taken.Bits().data(), rows);
        EXPECT_TRUE(moved.IsNull());
    }

    // A JPEG is read at the screen's depth, with the RGB reader's pixels.
    const fs::path photo = testkit::TestData() / "jpeg/pillow/pil_sample_rgb.jpg";
    int w = 0, h = 0;
    const std::vector<std::uint8_t> rgb = ReadJpeg(photo.string(), w, h);
    ASSERT_FALSE(rgb.empty());
    ASSERT_EQ(back.Load(photo.string()), 1);
    ASSERT_EQ(back.Bitmap().size(), QSize(w, h));
    EXPECT_FALSE(back.Transparent());
    for (int y = 0; y < h; y += 7) {
        for (int x = 0; x < w; x += 5) {
            const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * w + x) * 3;
            ASSERT_EQ(back.Bitmap().pixel(x, y), qRgb(p[0], p[1], p[2])) << x << "," << y;
        }
    }
    EXPECT_EQ(back.Load((dir / "missing.jpg").string()), 0);
    EXPECT_TRUE(back.IsNull());
    ASSERT_EQ(back.Load((dir / "t.gif").string()), 1);

    CBmp copy;
    back.Copy(copy);
    EXPECT_EQ(copy.Bitmap(), back.Bitmap());
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.Palette().size(), 2u);
}

} // namespace
} // namespace tsl
