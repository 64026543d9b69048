// CDIBSection and the real clipboard (in-process on the offscreen platform, reached through
// tsl::ClipboardBitmap()): copy with palette, size, paste clipped to a rectangle, keyed paste.

#include "paint/DIBSection.h"

#include "core/Palette.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace tsl {
namespace {

const int kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr COLORREF kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0);

CDIBSection Filled(int depth, int w, int h, COLORREF colour) {
    CDIBSection d;
    EXPECT_TRUE(d.Create(w, h, 1, depth));
    d.FillAll(colour);
    return d;
}

class DIBSectionClipboard : public testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
};

TEST_F(DIBSectionClipboard, NothingToPasteLeavesTheImageAlone) {
    EXPECT_FALSE(CDIBSection::ClipboardHasBitmap());
    EXPECT_EQ(CDIBSection::ClipboardBitmapSize(), (CSize{0, 0}));
    CDIBSection d = Filled(24, 8, 8, kBlue);
    EXPECT_FALSE(d.PasteFromClipboard({0, 0, 8, 8}, true));
    EXPECT_FALSE(d.PasteKeyed({0, 0, 8, 8}, kRed, true));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(d.GetPixel(x, y), kBlue);
    const CRect outside{20, 20, 30, 30};
    EXPECT_FALSE(d.CopyToClipboard(&outside));
    EXPECT_FALSE(CDIBSection().CopyToClipboard());
}

TEST_F(DIBSectionClipboard, CopiedRectanglesPasteBackAtEveryDepth) {
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        CDIBSection source = Filled(depth, 23, 17, RGB(255, 255, 255));
        const auto& palette = source.Palette();
        for (int i = 0; i < 23 * 17; ++i)
            source.SetPixel(i % 23, i / 23,
                            ColourOf(palette[static_cast<std::size_t>(i * 5) % palette.size()]) ^
                                (i << 3));
        const CRect part{-4, 2, 13, 9}; // clipped to the image: 13 x 7 from (0, 2)
        ASSERT_TRUE(source.CopyToClipboard(&part));
        EXPECT_TRUE(CDIBSection::ClipboardHasBitmap());
        EXPECT_EQ(CDIBSection::ClipboardBitmapSize(), (CSize{13, 7}));
        const QImage image = QGuiApplication::clipboard()->image();
        if (depth == 4 || depth == 8) { // the palette travels as the colour table (Qt may
            ASSERT_EQ(image.colorCount(), source.ColourCount()); // reorder 1-bit entries)
            for (int i = 0; i < source.ColourCount(); ++i) {
                const RGBQUAD& q = source.ColourTable()[i];
                EXPECT_EQ(image.color(i), qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
            }
        }
        // Pasted at (5, 4) into a rectangle that keeps only 10 x 5 of it.
        CDIBSection target = Filled(depth, 20, 12, kBlue);
        const COLORREF blue = target.GetPixel(0, 0);
        ASSERT_TRUE(target.PasteFromClipboard({15, 9, 5, 4}, false));
        for (int i = 0; i < 240; ++i) {
            const int x = i % 20, y = i / 20;
            const bool pasted = x >= 5 && x < 15 && y >= 4 && y < 9;
            ASSERT_EQ(target.GetPixel(x, y), pasted ? source.GetPixel(x - 5, y - 2) : blue)
                << x << "," << y;
        }
    }
}

TEST_F(DIBSectionClipboard, ForeignImagesPasteAsSetPixelMapsTheirColours) {
    QImage image(3, 2, QImage::Format_ARGB32);
    const QRgb colours[6] = {qRgb(255, 0, 0),     qRgb(12, 200, 99), qRgb(1, 2, 3),
                             qRgb(250, 250, 250), qRgb(0, 0, 0),     qRgb(128, 64, 32)};
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, colours[i]);
    QGuiApplication::clipboard()->setImage(image);
    EXPECT_EQ(CDIBSection::ClipboardBitmapSize(), (CSize{3, 2}));
    for (int depth : kDepths) {
        CDIBSection d = Filled(depth, 4, 4, kBlue), probe = Filled(depth, 1, 1, kBlue);
        ASSERT_TRUE(d.PasteFromClipboard({1, 1, 4, 4}, true));
        for (int i = 0; i < 6; ++i) {
            probe.SetPixel(0, 0, RGB(qRed(colours[i]), qGreen(colours[i]), qBlue(colours[i])));
            EXPECT_EQ(d.GetPixel(1 + i % 3, 1 + i / 3), probe.GetPixel(0, 0)) << depth << " " << i;
        }
    }
}

TEST_F(DIBSectionClipboard, KeyedPasteChangesOnlyWhatTheClipboardBitmapCovers) {
    for (int depth : {8, 16, 24}) {
        SCOPED_TRACE(depth);
        QImage image(6, 4, QImage::Format_RGB32);
        image.fill(QColor(255, 0, 0));
        image.setPixel(2, 1, qRgb(0x19, 0x1A, 0x1B)); // kPasteKeyColour
        QGuiApplication::clipboard()->setImage(image);
        CDIBSection d = Filled(depth, 20, 20, kBlue);
        const COLORREF blue = d.GetPixel(0, 0), red = Filled(depth, 1, 1, kRed).GetPixel(0, 0);
        ASSERT_TRUE(d.PasteKeyed({15, 15, 3, 3}, RGB(9, 9, 9), false));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool covered = x >= 3 && x < 9 && y >= 3 && y < 7 && !(x == 5 && y == 4);
                ASSERT_EQ(d.GetPixel(x, y), covered ? red : blue) << x << "," << y;
            }
    }
}

} // namespace
} // namespace tsl
