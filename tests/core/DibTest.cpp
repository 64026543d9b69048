#include "core/Dib.h"
#include "core/Palette.h"

#include <gtest/gtest.h>

#include <set>

namespace tsl {
namespace {

TEST(Dib, StrideAndImageSizePadRowsToFourBytesAndRefuseOverflow) {
    struct Row {
        std::int64_t width;
        int bpp;
        std::size_t stride;
    };
    for (Row r : {Row{1, 1, 4}, Row{32, 1, 4}, Row{33, 1, 8}, Row{7, 4, 4}, Row{9, 4, 8},
                  Row{3, 8, 4}, Row{5, 8, 8}, Row{3, 16, 8}, Row{1, 24, 4}, Row{5, 24, 16},
                  Row{3, 32, 12}})
        EXPECT_EQ(DibStride(r.width, r.bpp), r.stride) << r.width << "x" << r.bpp;
    EXPECT_EQ(DibImageSize(5, -3, 24), std::size_t{48}) << "top-down heights count too";
    EXPECT_FALSE(DibStride(0, 24));
    EXPECT_FALSE(DibStride(-4, 24));
    EXPECT_FALSE(DibImageSize(10, 0, 8));
    EXPECT_FALSE(DibImageSize(100000, 100000, 32)) << "beyond the pixel limit";
    EXPECT_FALSE(DibImageSize(std::int64_t{1} << 40, 1, 8));
    EXPECT_FALSE(DibImageSize(1, INT64_MIN, 8));
    EXPECT_FALSE(CheckedMul(SIZE_MAX / 2 + 1, 2));
    EXPECT_FALSE(CheckedAdd(SIZE_MAX, 1));
    EXPECT_EQ(ColourCountForDepth(1), 2);
    EXPECT_EQ(ColourCountForDepth(8), 256);
    EXPECT_EQ(ColourCountForDepth(16), 0);
}

TEST(Dib, InfoHeaderRoundTripsItsFortyBytes) {
    BITMAPINFOHEADER h;
    h.biWidth = 640;
    h.biHeight = -480;
    h.biBitCount = 8;
    h.biSizeImage = 307200;
    h.biClrUsed = 256;
    std::uint8_t bytes[40];
    h.Write(bytes);
    EXPECT_EQ(ReadLe32(bytes), 40u);
    EXPECT_EQ(ReadLe16(bytes + 14), 8);
    const BITMAPINFOHEADER back = BITMAPINFOHEADER::Read(bytes);
    EXPECT_EQ(back.biHeight, -480);
    EXPECT_EQ(back.biSizeImage, 307200u);
    EXPECT_EQ(back.biClrUsed, 256u);
}

TEST(Palette, DefaultTableHasItsFourBlocksInOrder) {
    const auto& t = DefaultPaletteTable();
    auto rgb = [&](int i) { return ColourOf(t[static_cast<std::size_t>(i)]); };
    EXPECT_EQ(rgb(0), RGB(0, 0, 0));
    EXPECT_EQ(rgb(7), RGB(192, 192, 192));
    EXPECT_EQ(rgb(8), RGB(192, 220, 192));
    EXPECT_EQ(rgb(9), RGB(166, 202, 240));
    EXPECT_EQ(rgb(10), RGB(44, 0, 0)) << "the cube starts without black";
    EXPECT_EQ(rgb(14), RGB(255, 0, 0));
    EXPECT_EQ(rgb(222), RGB(255, 255, 255)) << "the cube ends with white";
    EXPECT_EQ(rgb(223), RGB(17, 17, 17));
    EXPECT_EQ(rgb(245), RGB(255, 255, 255));
    EXPECT_EQ(rgb(246), RGB(255, 251, 240));
    EXPECT_EQ(rgb(255), RGB(255, 255, 255));
    std::set<COLORREF> cube;
    for (int i = 10; i <= 222; ++i) cube.insert(rgb(i));
    EXPECT_EQ(cube.size(), 213u);
    EXPECT_FALSE(cube.count(RGB(192, 192, 192)));
    EXPECT_FALSE(cube.count(RGB(0, 255, 255)));
    for (const RGBQUAD& q : t) EXPECT_EQ(q.rgbReserved, 0);

    EXPECT_EQ(DefaultPalette(2), (std::vector<RGBQUAD>{t[0], t[255]}));
    const auto sixteen = DefaultPalette(16);
    ASSERT_EQ(sixteen.size(), 16u);
    EXPECT_EQ(ColourOf(sixteen[7]), RGB(192, 192, 192));
    EXPECT_EQ(ColourOf(sixteen[8]), RGB(128, 128, 128));
    EXPECT_EQ(ColourOf(sixteen[9]), RGB(255, 0, 0));
    EXPECT_EQ(ColourOf(sixteen[15]), RGB(255, 255, 255));
}

TEST(Palette, ColoursMapToTheLowestExactIndexElseTheNearest) {
    const auto& t = DefaultPaletteTable();
    struct Row {
        COLORREF colour;
        int index;
    };
    for (Row r : {Row{RGB(255, 255, 255), 222}, Row{RGB(255, 0, 0), 14}, Row{RGB(0, 0, 0), 0},
                  Row{RGB(250, 250, 250), 222}, Row{RGB(18, 18, 18), 223}})
        EXPECT_EQ(NearestPaletteIndex(t.data(), 256, r.colour), r.index) << std::hex << r.colour;
    const auto two = DefaultPalette(2);
    EXPECT_EQ(NearestPaletteIndex(two.data(), 2, RGB(255, 255, 0)), 1);
    EXPECT_EQ(NearestPaletteIndex(two.data(), 2, RGB(60, 60, 60)), 0);
}

} // namespace
} // namespace tsl
