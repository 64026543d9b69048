// CRasterDC beyond the reference replay: clipping at the bitmap's edges and far beyond them,
// surface flood fill on its edge cases and on a large bitmap, and colour-to-pixel mapping at
// every depth.

#include "paint/Raster.h"

#include "core/Palette.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace tsl;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
const CPen kNullPen{PenStyle::Null, 1, 0};
const CBrush kNullBrush{BrushStyle::Null, 0};
const CBrush kRedBrush{BrushStyle::Solid, kRed};

// A white bitmap of the given depth with the default colour table.
struct Canvas {
    Canvas(int width, int height, int depth)
        : table(DefaultPalette(ColourCountForDepth(depth))),
          bits(*DibImageSize(width, height, depth)), surface{bits.data(),
                                                             width,
                                                             height,
                                                             depth,
                                                             *DibStride(width, depth),
                                                             table.data(),
                                                             ColourCountForDepth(depth)},
          dc(surface) {
        dc.FillRect({0, 0, width, height}, kWhite);
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x)
                n += dc.GetPixel(x, y) == colour;
        return n;
    }
    std::vector<RGBQUAD> table;
    std::vector<std::uint8_t> bits;
    CSurface surface;
    CRasterDC dc;
};

// A primitive in red: outlined with a pen of the given width, or (pen 0) filled with a null pen.
enum class Kind { Line, Zigzag, Rectangle, Ellipse, RoundRect };
struct Shape {
    const char* name;
    Kind kind;
    int pen;
    int l, t, r, b;
    int cornerWidth = 0, cornerHeight = 0;
};

void Draw(CRasterDC& dc, const Shape& s, int dx = 0, int dy = 0) {
    dc.SelectPen(s.pen ? CPen{PenStyle::Solid, s.pen, kRed} : kNullPen);
    dc.SelectBrush(s.pen ? kNullBrush : kRedBrush);
    const int l = s.l + dx, t = s.t + dy, r = s.r + dx, b = s.b + dy;
    switch (s.kind) {
    case Kind::Zigzag: // across the box three times, at three slopes
        dc.MoveTo(l, t);
        dc.LineTo(r, b);
        dc.LineTo(r, t + (b - t) / 4);
        dc.LineTo(l + 2, b - 3);
        break;
    case Kind::Line:
        dc.MoveTo(l, t);
        dc.LineTo(r, b);
        break;
    case Kind::Rectangle:
        dc.Rectangle(l, t, r, b);
        break;
    case Kind::Ellipse:
        dc.Ellipse(l, t, r, b);
        break;
    case Kind::RoundRect:
        dc.RoundRect(l, t, r, b, s.cornerWidth, s.cornerHeight);
        break;
    }
}

const Shape kShapes[] = {
    {"lines w1", Kind::Zigzag, 1, 0, 3, 47, 38},
    {"lines w6", Kind::Zigzag, 6, 40, 3, 5, 35},
    {"rectangle w1", Kind::Rectangle, 1, 0, 0, 50, 40},
    {"rectangle w5", Kind::Rectangle, 5, 0, 0, 50, 40},
    {"rectangle filled", Kind::Rectangle, 0, 0, 0, 50, 40},
    {"ellipse w1", Kind::Ellipse, 1, 0, 0, 50, 40},
    {"ellipse w4", Kind::Ellipse, 4, 0, 0, 50, 40},
    {"ellipse filled", Kind::Ellipse, 0, 0, 0, 50, 41},
    {"roundrect w3", Kind::RoundRect, 3, 0, 0, 50, 40, 16, 13},
    {"roundrect filled", Kind::RoundRect, 0, 0, 0, 51, 40, 16, 13},
};

// A shape cut by the bitmap's edges has exactly the pixels that the same shape has in the
// corresponding part of a larger bitmap that holds all of it.
TEST(RasterTest, ShapesCutByTheEdgesMatchTheWholeShape) {
    // Each shape's middle lies on an edge or a corner of the bitmap.
    const CPoint offsets[] = {{-25, -20}, {7, -20}, {38, -20}, {38, 4},
                              {38, 27},   {7, 27},  {-25, 27}, {-25, 4}};
    for (const Shape& shape : kShapes)
        for (const CPoint at : offsets) {
            SCOPED_TRACE(std::string(shape.name) + " at " + std::to_string(at.x) + "," +
                         std::to_string(at.y));
            Canvas small(64, 48, 8), large(192, 144, 8);
            Draw(small.dc, shape, at.x, at.y);
            Draw(large.dc, shape, at.x + 64, at.y + 48);
            int differing = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    differing += small.dc.PixelValue(x, y) != large.dc.PixelValue(x + 64, y + 48);
            EXPECT_EQ(differing, 0);
            EXPECT_GT(small.Count(kRed), 0);
        }
}

TEST(RasterTest, ShapesWhollyOutsideDrawNothing) {
    for (const Shape& shape : kShapes)
        for (const CPoint at : {CPoint{-60, 0}, CPoint{70, 10}, CPoint{0, -50}, CPoint{5, 50}}) {
            SCOPED_TRACE(shape.name);
            Canvas c(64, 48, 24);
            Draw(c.dc, shape, at.x, at.y);
            EXPECT_EQ(c.Count(kWhite), 64 * 48);
        }
}

// Coordinates far outside, up to the ends of int, neither take time in proportion to their
// size nor overflow, and the visible part stays right.
TEST(RasterTest, HugeCoordinatesAreClippedQuickly) {
    const int g = 1000000000, lo = INT_MIN, hi = INT_MAX;
    const struct {
        Shape shape;
        int redPixels; // -1: only that the call returns
        CPoint red;    // a pixel that must be red when redPixels > 0
    } cases[] = {
        {{"diagonal w1", Kind::Line, 1, -g, -g, g, g}, 48, {30, 30}},
        {{"diagonal w1 of int", Kind::Line, 1, lo, lo, hi, hi}, 48, {5, 5}},
        {{"horizontal w3", Kind::Line, 3, g, 20, -g, 20}, 3 * 64, {0, 21}},
        {{"steep w7 of int", Kind::Line, 7, lo, hi, hi, lo}, -1, {}},
        {{"widest pen across", Kind::Line, hi, -5, 20, 70, 20}, 64 * 48, {0, 0}},
        {{"rectangle w1 around", Kind::Rectangle, 1, -g, -g, g, g}, 0, {}},
        {{"rectangle w1 across", Kind::Rectangle, 1, -g, 10, g, 20}, 2 * 64, {63, 19}},
        {{"rectangle filled of int", Kind::Rectangle, 0, lo, lo, hi, hi}, 64 * 48, {0, 0}},
        {{"ellipse filled", Kind::Ellipse, 0, -g, -g, g, g}, 64 * 48, {63, 47}},
        {{"ellipse w5 around", Kind::Ellipse, 5, -g, -g, g, g}, 0, {}},
        {{"ellipse of the widest pen", Kind::Ellipse, hi, -g, -g, g, g}, 0, {}},
        {{"flat ellipse w1", Kind::Ellipse, 1, -g, 10, g, 31}, 2 * 64, {0, 30}},
        {{"ellipse w9 of int", Kind::Ellipse, 9, lo, lo, hi, hi}, -1, {}},
        {{"roundrect filled", Kind::RoundRect, 0, -g, -g, g, g, g, g}, 64 * 48, {0, 47}},
        {{"roundrect w2 of int", Kind::RoundRect, 2, lo, 0, hi, 40, hi, lo}, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape.name);
        Canvas canvas(64, 48, 32);
        Draw(canvas.dc, c.shape);
        if (c.redPixels < 0) continue;
        EXPECT_EQ(canvas.Count(kRed), c.redPixels);
        if (c.redPixels > 0) {
            EXPECT_EQ(canvas.dc.GetPixel(c.red.x, c.red.y), kRed);
        }
    }
}

TEST(RasterTest, FloodFillEdgeCases) {
    const struct {
        const char* name;
        int depth;
        CPoint seed;
        COLORREF surface;
        CBrush brush;
        bool result;
        int changed; // pixels that change
    } cases[] = {
        {"fills the white area", 8, {1, 1}, kWhite, kRedBrush, true, 64 * 48 - 9},
        {"brush of the surface colour", 8, {1, 1}, kWhite, {BrushStyle::Solid, kWhite}, true, 0},
        // At 1 bit a yellow brush paints black, which the black surface already is.
        {"brush that maps to the surface",
         1,
         {20, 20},
         kBlack,
         {BrushStyle::Solid, kYellow},
         true,
         0},
        {"seed of another colour", 8, {20, 20}, kWhite, kRedBrush, false, 0},
        {"seed left of the bitmap", 8, {-1, 5}, kWhite, kRedBrush, false, 0},
        {"seed below the bitmap", 8, {5, 48}, kWhite, kRedBrush, false, 0},
        {"null brush", 8, {1, 1}, kWhite, kNullBrush, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(64, 48, c.depth);
        canvas.dc.FillRect({19, 19, 22, 22}, kBlack); // a 3x3 black block holding (20, 20)
        std::vector<std::uint8_t> before = canvas.bits;
        canvas.dc.SelectBrush(c.brush);
        EXPECT_EQ(canvas.dc.ExtFloodFill(c.seed.x, c.seed.y, c.surface), c.result);
        CSurface old = canvas.surface;
        old.bits = before.data();
        const CRasterDC was(old);
        int changed = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                changed += was.PixelValue(x, y) != canvas.dc.PixelValue(x, y);
        EXPECT_EQ(changed, c.changed);
    }
}

// A serpentine area on 4000 x 3000 pixels, six million spans long: a recursive fill would
// overflow the stack.
TEST(RasterTest, FloodFillOfALargeWindingArea) {
    const int width = 4000, height = 3000;
    Canvas canvas(width, height, 8);
    // Walls on every odd column, open alternately at the bottom and at the top.
    int walls = 0;
    for (int x = 1; x < width; x += 2, ++walls) {
        const bool openBelow = (x / 2) % 2 == 0;
        canvas.dc.FillRect({x, openBelow ? 0 : 1, x + 1, openBelow ? height - 1 : height}, kBlack);
    }
    canvas.dc.SelectBrush(kRedBrush);
    ASSERT_TRUE(canvas.dc.ExtFloodFill(0, 0, kWhite));
    EXPECT_EQ(canvas.Count(kWhite), 0);
    EXPECT_EQ(canvas.Count(kRed), width * height - walls * (height - 1));
}

// Stored pixel values: SetPixel takes the nearest colour (the lowest index of an exact match);
// at 1 bit a pen or brush of any colour but black or white paints the opposite of the
// background colour (white here), so black.
TEST(RasterTest, ColourMappingAtEveryDepth) {
    const struct {
        int depth;
        std::uint32_t red, white, yellowSet, yellowPen;
    } cases[] = {
        {1, 0, 1, 1, 0},
        {4, 9, 15, 11, 11},
        {8, 14, 222, 44, 44},
        {16, 0x7C00, 0x7FFF, 0x7FE0, 0x7FE0},
        {24, 0xFF0000, 0xFFFFFF, 0xFFFF00, 0xFFFF00},
        {32, 0xFF0000, 0xFFFFFF, 0xFFFF00, 0xFFFF00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth));
        Canvas canvas(16, 4, c.depth);
        CRasterDC& dc = canvas.dc;
        EXPECT_EQ(dc.PixelValue(0, 0), c.white);
        dc.SetPixel(0, 0, kRed);
        dc.SetPixel(1, 0, kYellow);
        dc.SelectPen({PenStyle::Solid, 1, kYellow});
        dc.MoveTo(0, 1);
        dc.LineTo(3, 1);
        dc.SelectBrush({BrushStyle::Solid, kYellow});
        dc.SelectPen(kNullPen);
        dc.Rectangle(0, 2, 4, 4); // fills row 2 only
        EXPECT_EQ(dc.PixelValue(0, 0), c.red);
        EXPECT_EQ(dc.PixelValue(1, 0), c.yellowSet);
        EXPECT_EQ(dc.PixelValue(2, 1), c.yellowPen);
        EXPECT_EQ(dc.PixelValue(2, 2), c.yellowPen);
        EXPECT_EQ(dc.PixelValue(3, 1), c.white); // the line leaves out its end
        EXPECT_EQ(dc.PixelValue(2, 3), c.white); // the null-pen rectangle is one row short
        // SetPixel reports the colour it stored.
        const COLORREF shown = dc.SetPixel(3, 0, RGB(200, 100, 50));
        EXPECT_EQ(shown, dc.ColourOfPixel(dc.PixelValue(3, 0)));
    }
}

} // namespace
