// The effects computed by the program itself, on small pictures worked out by hand: blending,
// the overlays, the preview's fit, drop shadow, the button rendering, Auto-set, Frame, and the
// ".btn" file.

#include "document/ButtonFile.h"
#include "document/Effects.h"
#include "document/ImageOps.h"

#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fstream>

namespace tsl {
namespace {

std::uint32_t* At(CDdb& d, int x, int y) { return reinterpret_cast<std::uint32_t*>(d.Row(d.Height() - 1 - y)) + x; }
COLORREF Px(const CDdb& d, int x, int y) {
    const std::uint32_t p = *At(const_cast<CDdb&>(d), x, y);
    return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
}
void Set(CDdb& d, int x, int y, COLORREF c) {
    *At(d, x, y) = static_cast<std::uint32_t>(GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16);
}
CDdb Solid(int w, int h, COLORREF c) { return SolidBitmap(w, h, c); }
// Pixel (x, y) of the pattern: every pixel told apart.
CDdb Pattern(int w, int h) {
    CDdb d = CDdb::Create(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Set(d, x, y, RGB(x * 20 + 5, y * 30 + 7, (x * 7 + y * 11) & 255));
    return d;
}
bool Same(const CDdb& a, const CDdb& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (Px(a, x, y) != Px(b, x, y)) return false;
    return true;
}

TEST(Blend, MovesEachByteTowardTheOverlayByTruncatedPercent) {
    struct Row {
        int t, o, p, expected;
    } rows[] = {{100, 255, 50, 177}, {200, 255, 50, 227}, {0, 255, 50, 127}, {200, 0, 33, 134},
                {7, 3, 99, 4}, {3, 7, 99, 6}, {90, 90, 70, 90}, {10, 250, 0, 10}, {10, 250, 100, 250},
                {250, 10, 100, 10}, {1, 0, 99, 1}, {0, 1, 99, 0}};
    for (const Row& r : rows) {
        CDdb t = Solid(3, 2, RGB(r.t, r.t / 2, 255 - r.t));
        Blend(t, Solid(3, 2, RGB(r.o, r.o / 2, 255 - r.o)), r.p);
        const auto step = [&](int tv, int ov) { return ov < tv ? tv - r.p * (tv - ov) / 100 : tv + r.p * (ov - tv) / 100; };
        EXPECT_EQ(Px(t, 2, 1), RGB(r.expected, step(r.t / 2, r.o / 2), step(255 - r.t, 255 - r.o)))
            << r.t << " " << r.o << " " << r.p;
    }
    // Lighten at 50 %: (100, 200, 0) toward white.
    CDdb lighten = Solid(1, 1, RGB(100, 200, 0));
    Blend(lighten, Solid(1, 1, RGB(255, 255, 255)), 50);
    EXPECT_EQ(Px(lighten, 0, 0), RGB(177, 227, 127));
    // 0 leaves a picture, 100 makes it the overlay; values beyond are limited.
    const CDdb part = Pattern(5, 4), overlay = TiledOverlay(Pattern(2, 3), 5, 4);
    CDdb none = part, all = part, beyond = part;
    Blend(none, overlay, 0);
    Blend(all, overlay, 100);
    Blend(beyond, overlay, 250);
    EXPECT_TRUE(Same(none, part));
    EXPECT_TRUE(Same(all, overlay));
    EXPECT_TRUE(Same(beyond, overlay));
}

TEST(Blend, OverlaysTileFromTheCornerStretchAndFitThePreview) {
    const CDdb tile = Pattern(3, 2);
    const CDdb tiled = TiledOverlay(tile, 7, 5);
    ASSERT_EQ(tiled.Width(), 7);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(Px(tiled, x, y), Px(tile, x % 3, y % 2)) << x << "," << y;
    const CDdb stretched = StretchedOverlay(tile, 6, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(stretched, x, y), Px(tile, x / 2, y / 3));
    // Unchanged when it fits; too high: the box's height; else the box's width.
    EXPECT_EQ(PreviewFit({100, 50}, {320, 240}), (CSize{100, 50}));
    EXPECT_EQ(PreviewFit({640, 960}, {320, 240}), (CSize{160, 240}));
    EXPECT_EQ(PreviewFit({1000, 500}, {320, 240}), (CSize{320, 160}));
    EXPECT_EQ(PreviewFit({3200, 2400}, {320, 240}), (CSize{320, 240}));
    EXPECT_EQ(PreviewFit({10000, 1}, {320, 240}), (CSize{320, 1}));
}

TEST(DropShadow, ZeroOffsetFullOpacityShowsOnlyWhereThePartIsBackground) {
    const COLORREF back = RGB(255, 255, 255), red = RGB(200, 0, 0);
    // A 9 x 9 white picture with a red ring around a white centre: a selection of the ring.
    CDdb whole = Solid(15, 15, back);
    for (int i = 3; i < 12; ++i) Set(whole, i, 3, red), Set(whole, i, 11, red), Set(whole, 3, i, red), Set(whole, 11, i, red);
    const CRect sel{3, 3, 12, 12};
    const CDdb part = CopyPart(whole, sel);
    const CDropShadow shadow{RGB(0, 0, 0), 100, 3, 0, 0};
    const CDdb silhouette = ShadowSilhouette(part, back, shadow.colour, shadow.blur);
    ASSERT_FALSE(silhouette.IsNull());
    // The 3 x 3 average at (1, 1) of the part: five of nine ring pixels black, 4 x 255 / 9.
    EXPECT_NEAR(GetRValue(Px(silhouette, 1, 1)), 113, 1);
    EXPECT_EQ(DropShadowArea({15, 15}, sel, 0, 0), sel);
    const CDdb result = DropShadowResult(whole, sel, part, silhouette, shadow, back, sel);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            if (Px(part, x, y) != back) {
                EXPECT_EQ(Px(result, x, y), red) << x << "," << y;
            } else if (x == 1 && y == 1) {
                EXPECT_EQ(Px(result, x, y), Px(silhouette, 1, 1));
            }
        }
    EXPECT_NE(Px(result, 1, 1), back);   // shadow seen just inside the ring
    EXPECT_EQ(Px(result, 4, 4), back);   // but not where no ring pixel is near
}

TEST(DropShadow, OffsetShadowIsBlendedAtTheOpacityAndClippedToThePicture) {
    const COLORREF back = RGB(255, 255, 255);
    CDdb whole = Solid(12, 10, back);
    FillPart(whole, {2, 2, 6, 6}, RGB(0, 0, 200));
    const CRect sel{1, 1, 7, 7};
    const CDdb part = CopyPart(whole, sel);
    const CDropShadow shadow{RGB(0, 0, 0), 50, 3, 4, 3};
    const CRect area = DropShadowArea({12, 10}, sel, shadow.dx, shadow.dy);
    EXPECT_EQ(area, (CRect{1, 1, 11, 10}));
    const CDdb silhouette = ShadowSilhouette(part, back, shadow.colour, shadow.blur);
    const CDdb result = DropShadowResult(whole, sel, part, silhouette, shadow, back, area);
    // Inside the object: half way from blue to blue (unchanged); deep in the shadow, half way
    // from white to black: 255 - 50 * 255 / 100.
    EXPECT_EQ(Px(result, 3 - 1, 3 - 1), RGB(0, 0, 200));
    EXPECT_EQ(Px(result, 8 - 1, 6 - 1), RGB(128, 128, 128));
    // Far from both: white.
    EXPECT_EQ(Px(result, 10 - 1, 1 - 1), back);
}

TEST(Buttonize, SizeZeroIsThePartWithOnlyTheBrightness) {
    const CDdb part = Pattern(6, 5);
    CButtonRecord r{0, 0, 40, 0, RGB(1, 2, 3), RGB(4, 5, 6)};
    EXPECT_TRUE(Same(RenderButton(part, r, RGB(255, 255, 255)), part));
    r.brightness = 60;
    CDdb brighter = part;
    Blend(brighter, Solid(6, 5, RGB(255, 255, 255)), 60);
    EXPECT_TRUE(Same(RenderButton(part, r, RGB(255, 255, 255)), brighter));
    r.brightness = -30;
    CDdb darker = part;
    Blend(darker, Solid(6, 5, RGB(0, 0, 0)), 30);
    EXPECT_TRUE(Same(RenderButton(part, r, RGB(255, 255, 255)), darker));
}

TEST(Buttonize, BevelRingsShiftTheirColourAndTheInteriorIsCopied) {
    const CDdb part = Pattern(7, 6);
    const COLORREF ul = RGB(200, 100, 250), br = RGB(40, 60, 250);
    const CButtonRecord r{2, 0, 0, 0, ul, br};
    const CDdb b = RenderButton(part, r, RGB(0, 255, 0));
    // Ring 0: bottom row x 0..5 bottom-right colour, right column y 1..5; the left column and
    // top row upper-left (the top row to the right edge). Ring 1 shifted by 15 and 10.
    EXPECT_EQ(Px(b, 3, 5), br);
    EXPECT_EQ(Px(b, 6, 5), br);
    EXPECT_EQ(Px(b, 6, 3), br);
    EXPECT_EQ(Px(b, 0, 5), ul); // the upper-left column goes over the bottom row's start
    EXPECT_EQ(Px(b, 0, 3), ul);
    EXPECT_EQ(Px(b, 6, 0), ul);
    EXPECT_EQ(Px(b, 3, 0), ul);
    EXPECT_EQ(Px(b, 3, 4), RGB(55, 75, 255));
    EXPECT_EQ(Px(b, 5, 2), RGB(55, 75, 255));
    EXPECT_EQ(Px(b, 1, 3), RGB(210, 110, 255));
    EXPECT_EQ(Px(b, 3, 1), RGB(210, 110, 255));
    // The interior (2, 2) to (5, 4) is the part's.
    for (int y = 2; y < 4; ++y)
        for (int x = 2; x < 5; ++x) EXPECT_EQ(Px(b, x, y), Px(part, x, y));
    // At full transparency the bevel vanishes into the part.
    const CButtonRecord clear{2, 0, 100, 0, ul, br};
    EXPECT_TRUE(Same(RenderButton(part, clear, RGB(0, 255, 0)), part));
    // A bevel wider than half the part stops at the middle.
    const CDdb thin = RenderButton(Pattern(3, 3), CButtonRecord{30, 0, 0, 0, ul, br}, RGB(0, 0, 0));
    EXPECT_EQ(Px(thin, 1, 1), RGB(210, 110, 255));
}

TEST(Buttonize, AutoSetMovesEveryChannelBySeventyNineWithinRange) {
    EXPECT_EQ(AutoSetColour(RGB(200, 200, 50), true), RGB(121, 121, 0));
    EXPECT_EQ(AutoSetColour(RGB(200, 200, 50), false), RGB(255, 255, 129));
    EXPECT_EQ(AutoSetColour(RGB(97, 97, 97), false), RGB(176, 176, 176));
}

TEST(Frame, RingsOfTheLineWidthInTheColour) {
    const COLORREF c = RGB(9, 8, 7);
    CDdb part = Pattern(7, 6);
    const CDdb before = part;
    DrawFrame(part, 0, c);
    EXPECT_TRUE(Same(part, before));
    DrawFrame(part, 2, c);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool ring = x < 2 || y < 2 || x > 4 || y > 3;
            EXPECT_EQ(Px(part, x, y), ring ? c : Px(before, x, y)) << x << "," << y;
        }
    CDdb small = Pattern(3, 3);
    DrawFrame(small, 9, c);
    EXPECT_EQ(Px(small, 1, 1), c);
}

// ---- the settings file

std::string TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = test::MakeTempFolder("btn").toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(ButtonFile, SavedRecordsReadBackExactlyWithTheReservedFieldKept) {
    CButtonRecords records;
    records[0] = {30, -1234, 0, -100, RGB(1, 2, 3), RGB(255, 254, 253)};
    records[1] = {0, 77, 100, 100, RGB(0, 0, 0), RGB(128, 0, 64)};
    records[2] = {12, 0, 55, -7, RGB(10, 20, 30), RGB(40, 50, 60)};
    const std::vector<std::uint8_t> bytes = ButtonFileBytes(records);
    ASSERT_EQ(bytes.size(), 48u);
    // Little-endian: bevel 30, reserved -1234 (0xFB2E), ..., the colour red first.
    EXPECT_EQ(bytes[0], 30);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 0x2E);
    EXPECT_EQ(bytes[3], 0xFB);
    EXPECT_EQ(bytes[6], 0x9C);
    EXPECT_EQ(bytes[7], 0xFF);
    EXPECT_EQ(bytes[8], 1);
    EXPECT_EQ(bytes[11], 0);
    const std::string path = test::MakeTempFolder("btn").toStdString() + "/b.btn";
    ASSERT_TRUE(SaveButtonFile(path, records));
    CButtonRecords back = DefaultButtonRecords();
    ASSERT_TRUE(LoadButtonFile(path, back));
    EXPECT_EQ(back, records);
}

TEST(ButtonFile, ShortLongMissingAndOutOfRangeFiles) {
    CButtonRecords records;
    records[0] = {1, 2, 3, 4, RGB(5, 6, 7), RGB(8, 9, 10)};
    records[1] = {11, 12, 13, 14, RGB(15, 16, 17), RGB(18, 19, 20)};
    records[2] = {21, 22, 23, 24, RGB(25, 26, 27), RGB(28, 29, 30)};
    std::vector<std::uint8_t> bytes = ButtonFileBytes(records);
    // 40 bytes: two whole records; the third keeps its value.
    CButtonRecords target = DefaultButtonRecords();
    ASSERT_TRUE(LoadButtonFile(TempFile("short.btn", {bytes.begin(), bytes.begin() + 40}), target));
    EXPECT_EQ(target[0], records[0]);
    EXPECT_EQ(target[1], records[1]);
    EXPECT_EQ(target[2], DefaultButtonRecords()[2]);
    // Longer than 48: the first 48 bytes.
    std::vector<std::uint8_t> longer = bytes;
    longer.insert(longer.end(), 100, 0xEE);
    target = DefaultButtonRecords();
    ASSERT_TRUE(LoadButtonFile(TempFile("long.btn", longer), target));
    EXPECT_EQ(target, records);
    // Missing: nothing changes.
    EXPECT_FALSE(LoadButtonFile("/nonexistent/folder/x.btn", target));
    EXPECT_EQ(target, records);
    // Values beyond their ranges are limited; a colour's high byte dropped.
    std::vector<std::uint8_t> wild = {0xFF, 0x7F, 9, 9, 0x00, 0x80, 0x10, 0x27, 1, 2, 3, 0xFF, 4, 5, 6, 0x02};
    CButtonRecords limited = DefaultButtonRecords();
    EXPECT_EQ(ReadButtonRecords(wild.data(), wild.size(), limited), 1);
    EXPECT_EQ(limited[0], (CButtonRecord{30, 0x0909, 0, 100, RGB(1, 2, 3), RGB(4, 5, 6)}));
    wild[0] = 0xF0, wild[1] = 0xFF, wild[6] = 0x00, wild[7] = 0x90;
    ReadButtonRecords(wild.data(), wild.size(), limited);
    EXPECT_EQ(limited[0].bevel, 0);
    EXPECT_EQ(limited[0].brightness, -100);
}

TEST(ButtonFile, TheShippedDefaultFileHoldsTheDefaultRecords) {
    QFile file(QStringLiteral(TSL_SOURCE_DIR "/res/program/Bin/Default.btn"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 48);
    CButtonRecords records;
    EXPECT_EQ(ReadButtonRecords(reinterpret_cast<const std::uint8_t*>(bytes.data()), 48, records), 3);
    EXPECT_EQ(records, DefaultButtonRecords());
}

} // namespace
} // namespace tsl
