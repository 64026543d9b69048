#include "core/Services.h"
#include "platform/CoreBridge.h"
#include "platform/QtServices.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>

#include <gtest/gtest.h>

namespace tsl::platform {
namespace {

TEST(CoreBridge, ReportsReachTheUserThroughThePromptService) {
    tsl::Report().Report("Invalid bits per pixels", "Error");
    ASSERT_EQ(test::Script().messages.size(), 1u);
    EXPECT_EQ(test::Script().messages[0].text, QStringLiteral("Invalid bits per pixels"));
    EXPECT_EQ(test::Script().messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(tsl::Resources().ProgramFolder(), test::Env().programFolder.toStdString());
}

TEST(CoreBridge, PackedDibsRoundTripThroughTheClipboard) {
    QApplication::clipboard()->clear();
    EXPECT_FALSE(tsl::ClipboardBitmap().HasBitmap());
    QImage image(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(x * 40, y * 80, 7));
    const std::vector<std::uint8_t> dib = PackedDibFromImage(image);
    ASSERT_GE(dib.size(), 40u);
    EXPECT_EQ(dib[0], 40); // a BITMAPINFOHEADER leads a packed DIB

    ASSERT_TRUE(tsl::ClipboardBitmap().SetPackedDib(dib));
    EXPECT_TRUE(tsl::ClipboardBitmap().HasBitmap());
    const QImage back = ImageFromPackedDib(tsl::ClipboardBitmap().GetPackedDib());
    ASSERT_EQ(back.size(), image.size());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(back.pixel(x, y) & 0xFFFFFF, image.pixel(x, y) & 0xFFFFFF);
    QApplication::clipboard()->clear();
}

TEST(CoreBridge, MalformedPackedDibsAreRefused) {
    std::vector<std::uint8_t> header(40, 0);
    header[0] = 40;
    EXPECT_TRUE(ImageFromPackedDib({}).isNull());
    EXPECT_TRUE(ImageFromPackedDib(header).isNull()) << "no pixels";
    header[0] = 0xFF;
    header[1] = 0xFF;
    EXPECT_TRUE(ImageFromPackedDib(header).isNull()) << "header larger than the block";
    std::vector<std::uint8_t> palette(40, 0);
    palette[0] = 40;
    palette[14] = 8;    // 8 bits per pixel
    palette[32] = 0x01; // 257 colours
    palette[33] = 0x01;
    EXPECT_TRUE(ImageFromPackedDib(palette).isNull());
    EXPECT_FALSE(tsl::ClipboardBitmap().SetPackedDib(header));
}

} // namespace
} // namespace tsl::platform
