// DrawText against the GDI reference rasters of word-wrapped text (Tahoma at a 12-pixel em, the
// font the references were made with), and its layout rules: measuring, vertical placement,
// line breaks, clipping, background, prefixes, tabs and drawing past the surface's edges.

#include "paint/Raster.h"

#include "core/Palette.h"
#include "support/ImageTestKit.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tsl {

void PrintTo(const CRect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

const QString kFontFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kGuard = 64; // bytes kept before and after the pixels, never to be written

// A bitmap in its own memory with guard bytes around the pixels.
struct Dib {
    Dib(int width, int height, int bpp, std::vector<RGBQUAD> colours = {})
        : table(std::move(colours)), stride(*DibStride(width, bpp)),
          memory(2 * kGuard + stride * height, 0xA5) {
        s = {memory.data() + kGuard, width,        height,
             bpp,                    stride,       table.empty() ? nullptr : table.data(),
             static_cast<int>(table.size())};
        CRasterDC(s).FillRect({0, 0, width + 1, height + 1}, kWhite);
    }
    // A pixel other than white; nothing is ink outside the bitmap.
    bool Ink(int x, int y) const {
        const COLORREF c = CRasterDC(s).GetPixel(x, y);
        return c != kWhite && c != CLR_INVALID;
    }
    std::vector<std::uint8_t> Pixels() const {
        return {s.bits, s.bits + stride * static_cast<std::size_t>(s.height)};
    }
    bool GuardsIntact() const {
        for (int i = 0; i < kGuard; ++i)
            if (memory[i] != 0xA5 || memory[memory.size() - 1 - i] != 0xA5) return false;
        return true;
    }
    // Bounding box of the non-white pixels, empty when there are none.
    CRect InkBox() const {
        CRect box{s.width, s.height, 0, 0};
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                if (Ink(x, y))
                    box = {std::min(box.left, x), std::min(box.top, y),
                           std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
        return box.IsEmpty() ? CRect{} : box;
    }

    Dib(const Dib&) = delete; // s points into the members
    Dib(Dib&&) = default;

    std::vector<RGBQUAD> table;
    std::size_t stride;
    std::vector<std::uint8_t> memory;
    CSurface s;
};

// A reference file: its colour table and its pixels, as a Dib.
std::optional<Dib> LoadReference(const QString& name) {
    std::string error;
    const std::optional<testkit::ReferenceBmp> reference =
        testkit::ReadReferenceBmp(testkit::TestData() / "gdi/ref" / name.toStdString(), error);
    if (!reference) return std::nullopt;
    Dib dib(reference->width, reference->height, reference->depth, reference->table);
    std::copy(reference->bits.begin(), reference->bits.end(), dib.s.bits);
    return dib;
}

class DrawTextTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(kFontFile))
            GTEST_SKIP() << "reference font " << kFontFile.toStdString()
                         << " is missing (Debian package fonts-wine)";
        static const bool loaded = QFontDatabase::addApplicationFont(kFontFile) >= 0;
        ASSERT_TRUE(loaded);
        font = QFont(QStringLiteral("Tahoma"));
        font.setPixelSize(12);
        font.setStyleStrategy(QFont::NoAntialias);
    }
    // Draws black text, transparent, into a white 64x48 24-bit bitmap.
    Dib Draw(const QString& text, CRect& rect, unsigned format, int* result = nullptr) {
        Dib dib(64, 48, 24);
        CRasterDC dc(dib.s);
        dc.SetBkModeTransparent(true);
        const int r = dc.DrawText(text, rect, format, &font);
        if (result) *result = r;
        return dib;
    }
    QFont font;
};

// ---- The reference cases -------------------------------------------------------------------

const QString kText = QStringLiteral("Tessaly paints text, word wrapped here");

struct ReferenceCase {
    const char* name;
    unsigned align;
    int tolerance; // pixels the line positions may differ from the reference
};
// The references place centred and right-aligned lines as if "Tessaly", "paints" and
// "text, word" were 42, 34 and 55 pixels wide, although their own glyphs advance 39, 32 and 59:
// left-aligned text matches exactly, the others within those differences.
const ReferenceCase kCases[] = {{"left", DT_LEFT, 0}, {"center", DT_CENTER, 2}, {"right", DT_RIGHT, 4}};

class ReferenceText : public DrawTextTest,
                      public testing::WithParamInterface<std::tuple<ReferenceCase, int>> {};

TEST_P(ReferenceText, MatchesTheLayoutOfTheGdiReference) {
    const auto [c, bpp] = GetParam();
    const QString name = QStringLiteral("text_%1_%2bpp.bmp").arg(QLatin1String(c.name)).arg(bpp);
    const std::optional<Dib> ref = LoadReference(name);
    ASSERT_TRUE(ref) << name.toStdString();

    Dib mine(64, 48, bpp, ref->table);
    CRasterDC dc(mine.s);
    dc.SetBkModeTransparent(true);
    dc.SetTextColour(RGB(0, 0, 0));
    const unsigned format = DT_WORDBREAK | DT_NOPREFIX | c.align;
    CRect rect{2, 2, 62, 46};
    EXPECT_EQ(dc.DrawText(kText, rect, format, &font), 56);
    CRect measured{2, 2, 62, 46};
    EXPECT_EQ(dc.DrawText(kText, measured, format | DT_CALCRECT, &font), 70);
    EXPECT_EQ(measured, (CRect{2, 2, 61, 72})); // five lines; "text, word" is the widest

    // Per line band: the same rows, the same glyphs, nearly the same place.
    std::string shifts;
    for (int top = 2; top < 48; top += 14) {
        SCOPED_TRACE(testing::Message() << "line at " << top);
        const CRect band{0, top, 64, std::min(48, top + 14)};
        auto extent = [&](const Dib& d) {
            CRect e{64, band.top, 0, band.bottom}; // horizontal extent only
            for (int y = band.top; y < band.bottom; ++y)
                for (int x = 0; x < 64; ++x)
                    if (d.Ink(x, y)) e.left = std::min(e.left, x), e.right = std::max(e.right, x + 1);
            return e;
        };
        const CRect r = extent(*ref), m = extent(mine);
        ASSERT_EQ(r.IsEmpty(), m.IsEmpty());
        if (r.IsEmpty()) continue;
        EXPECT_NEAR(m.left, r.left, c.tolerance);
        const int shift = m.left - r.left;
        shifts += " " + std::to_string(shift);
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = 2; x < 62; ++x) { // the reference is clipped to the rectangle
                ASSERT_EQ(ref->Ink(x, y), mine.Ink(x + shift, y))
                    << "(" << x << ", " << y << ")";
            }
    }

    int differ = 0, ink = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            ink += ref->Ink(x, y);
            differ += ref->Ink(x, y) != mine.Ink(x, y);
        }
    std::printf("text_%s %2d bpp: %d of %d ink pixels differ; lines shifted by%s, glyphs equal\n",
                c.name, bpp, differ, ink, shifts.c_str());
    if (c.tolerance == 0) {
        EXPECT_EQ(mine.Pixels(), ref->Pixels());
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, ReferenceText,
                         testing::Combine(testing::ValuesIn(kCases),
                                          testing::Values(1, 4, 8, 16, 24, 32)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) + "_" +
                                    std::to_string(std::get<1>(row.param)) + "bpp";
                         });

// ---- Layout rules --------------------------------------------------------------------------
// "Tessaly" drawn with its top-left at (0, 0) inks x 0..37 and y 2..13, and advances 39.

TEST_F(DrawTextTest, PlacesLinesAndReturnsTheirHeight) {
    const struct {
        const char* text;
        unsigned format;
        CRect rect;
        int result;
        CRect ink;
    } cases[] = {
        {"", DT_LEFT, {2, 2, 62, 46}, 0, {}},
        {"Tessaly", DT_LEFT, {0, 0, 64, 48}, 14, {0, 2, 38, 14}},
        {"Tessaly", DT_RIGHT, {0, 0, 64, 48}, 14, {25, 2, 63, 14}},
        {"Tessaly", DT_CENTER, {0, 0, 64, 48}, 14, {12, 2, 50, 14}},
        {"Tessaly", DT_SINGLELINE | DT_VCENTER, {0, 0, 64, 48}, 31, {0, 19, 38, 31}},
        {"Tessaly", DT_SINGLELINE | DT_BOTTOM, {0, 0, 64, 48}, 48, {0, 36, 38, 48}},
        {"Tessaly", DT_VCENTER, {0, 0, 64, 48}, 14, {0, 2, 38, 14}}, // needs DT_SINGLELINE
        {"Tessaly\npaints", DT_LEFT, {0, 0, 64, 48}, 28, {0, 2, 38, 28}},
        {"Tessaly\npaints", DT_SINGLELINE, {0, 0, 64, 48}, 14, {0, 2, 64, 14}},
        {"Tessaly", DT_LEFT, {0, 0, 20, 8}, 14, {0, 3, 19, 8}},      // clipped to the rectangle
        {"Tessaly", DT_NOCLIP, {0, 0, 20, 8}, 14, {0, 2, 38, 14}},   // not clipped
        {"Tessaly\npaints\nhere", DT_LEFT, {0, 0, 64, 20}, 28, {0, 2, 38, 20}}, // stops below
        {"Tessaly\npaints\nhere", DT_LEFT, {0, 0, 64, 28}, 28, {0, 2, 38, 28}},
        {"Tessaly\npaints\nhere", DT_NOCLIP, {0, 0, 64, 20}, 42, {0, 2, 38, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " format " << c.format);
        int result = -1;
        CRect rect = c.rect;
        const Dib dib = Draw(QString::fromLatin1(c.text), rect, c.format, &result);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dib.InkBox(), c.ink);
        EXPECT_EQ(rect, c.rect);
    }
}

TEST_F(DrawTextTest, CalcRectMeasuresAndDrawsNothing) {
    const struct {
        const char* text;
        unsigned format;
        int width;
        CRect expected;
    } cases[] = {
        {"", 0, 60, {2, 2, 2, 2}},
        {"Tessaly", 0, 60, {2, 2, 41, 16}},
        {"Tessaly paints", 0, 60, {2, 2, 77, 16}},
        {"Tessaly paints", DT_WORDBREAK, 60, {2, 2, 41, 30}},
        {"Tessaly  paints ", DT_WORDBREAK, 60, {2, 2, 41, 30}}, // spaces at the break vanish
        {"Tessalypaints", DT_WORDBREAK, 30, {2, 2, 31, 44}}, // "Tess" / "alypai" / "nts"
        {"a\n\nb", 0, 60, {2, 2, 9, 44}},
        {"a\r\nb\n", 0, 60, {2, 2, 9, 30}},
        {"a\r\nb\n", DT_SINGLELINE, 60, {2, 2, 15, 16}},
        {"&&", 0, 60, {2, 2, 10, 16}},
        {"&", 0, 60, {2, 2, 2, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " format " << c.format);
        CRect rect{2, 2, 2 + c.width, 46};
        int result = -1;
        const Dib dib = Draw(QString::fromLatin1(c.text), rect, c.format | DT_CALCRECT, &result);
        EXPECT_EQ(rect, c.expected);
        EXPECT_EQ(result, c.expected.Height());
        EXPECT_EQ(dib.InkBox(), CRect{});
    }
}

TEST_F(DrawTextTest, EquivalentTextsDrawTheSamePixels) {
    const struct {
        const char* a;
        unsigned formatA;
        int leftA;
        const char* b;
        unsigned formatB;
        int leftB;
        bool same;
    } cases[] = {
        {"T&&s", 0, 0, "T&s", DT_NOPREFIX, 0, true},
        {"Tessaly&", 0, 0, "Tessaly", DT_NOPREFIX, 0, true},
        {"&Tessaly", DT_NOPREFIX, 0, "Tessaly", DT_NOPREFIX, 0, false},
        {"\tx", DT_EXPANDTABS, 0, "x", 0, 56, true}, // 8 average widths of 7
        {"\tx", 0, 0, " x", 0, 0, true},
        {"Tessaly\r\npaints", 0, 0, "Tessaly\npaints", 0, 0, true},
        {"Tessaly paints", DT_WORDBREAK, 0, "Tessaly\npaints", 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        CRect ra{c.leftA, 2, 64, 46}, rb{c.leftB, 2, 64, 46};
        const Dib a = Draw(QString::fromLatin1(c.a), ra, c.formatA);
        const Dib b = Draw(QString::fromLatin1(c.b), rb, c.formatB);
        EXPECT_EQ(a.Pixels() == b.Pixels(), c.same);
    }
}

TEST_F(DrawTextTest, NullFontIsTheApplicationFont) {
    CRect rect{0, 0, 64, 48};
    Dib viaNull(64, 48, 24), viaApp(64, 48, 24);
    const QFont app = QGuiApplication::font();
    EXPECT_EQ(CRasterDC(viaNull.s).DrawText(QStringLiteral("Tessaly"), rect, 0, nullptr),
              CRasterDC(viaApp.s).DrawText(QStringLiteral("Tessaly"), rect, 0, &app));
    EXPECT_FALSE(viaNull.InkBox().IsEmpty());
    EXPECT_EQ(viaNull.Pixels(), viaApp.Pixels());
}

TEST_F(DrawTextTest, PrefixUnderlinesTheMarkedCharacterOnly) {
    CRect rect{0, 0, 64, 48};
    const Dib marked = Draw(QStringLiteral("Te&ssaly"), rect, 0);
    const Dib plain = Draw(QStringLiteral("Tessaly"), rect, 0);
    int differ = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            if (marked.Ink(x, y) != plain.Ink(x, y)) {
                ++differ;
                EXPECT_TRUE(y >= 12 && x >= 15 && x < 20) << "(" << x << ", " << y << ")";
            }
    EXPECT_GT(differ, 0);
}

TEST_F(DrawTextTest, OpaqueModeFillsEachLineCellWithTheBackground) {
    // "Tessaly" (39 wide) over "paints" (32 wide) in {2, 2, 62, 46}: where each cell starts.
    for (const auto& [align, x1, x2] :
         {std::tuple{DT_LEFT, 2, 2}, {DT_CENTER, 12, 16}, {DT_RIGHT, 23, 30}}) {
        SCOPED_TRACE(align);
        Dib dib(64, 48, 24);
        CRasterDC dc(dib.s);
        dc.SetBkColour(kRed);
        CRect rect{2, 2, 62, 46};
        EXPECT_EQ(dc.DrawText(QStringLiteral("Tessaly\npaints"), rect, align, &font), 28);
        int red = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inCell = (y >= 2 && y < 16 && x >= x1 && x < x1 + 39) ||
                                    (y >= 16 && y < 30 && x >= x2 && x < x2 + 32);
                const COLORREF c = dc.GetPixel(x, y);
                red += c == kRed;
                EXPECT_TRUE(inCell ? c == kRed || c == 0 : c == kWhite) << x << ", " << y;
            }
        EXPECT_GT(red, 39 * 14);
    }
}

TEST_F(DrawTextTest, OneBitTextOfAnotherColourIsTheOppositeOfTheBackground) {
    for (const auto& [text, bk, pixel] :
         {std::tuple{RGB(255, 255, 0), kWhite, 0u}, {RGB(255, 255, 0), RGB(0, 0, 0), 1u},
          {RGB(255, 255, 255), kWhite, 1u}, {RGB(0, 0, 0), RGB(0, 0, 0), 0u}}) {
        Dib dib(64, 48, 1, DefaultPalette(2));
        CRasterDC dc(dib.s);
        dc.FillRect({0, 0, 64, 48}, pixel ? RGB(0, 0, 0) : kWhite); // not yet what is expected
        dc.SetBkModeTransparent(true);
        dc.SetBkColour(bk);
        dc.SetTextColour(text);
        CRect rect{0, 0, 64, 48};
        dc.DrawText(QStringLiteral("T"), rect, DT_NOCLIP, &font);
        EXPECT_EQ(dc.PixelValue(3, 8), pixel) << std::hex << text << " on " << bk; // T's stem
    }
}

TEST_F(DrawTextTest, TextPartlyOutsideTheSurfaceIsCutAtItsEdges) {
    const QString text = QStringLiteral("Tessaly paints text, word wrapped here");
    for (const unsigned format : {DT_WORDBREAK, DT_WORDBREAK | DT_NOCLIP | DT_CENTER})
        for (const auto& [dx, dy] : {std::pair{-20, -8}, {40, 30}, {-5, 35}, {50, -12}}) {
            SCOPED_TRACE(testing::Message() << dx << ", " << dy << " format " << format);
            Dib small(64, 48, 24), big(192, 144, 24);
            CRect r1{dx, dy, dx + 60, dy + 44}, r2 = r1.Offset(64, 48);
            CRasterDC(small.s).DrawText(text, r1, format, &font);
            CRasterDC(big.s).DrawText(text, r2, format, &font);
            EXPECT_TRUE(small.GuardsIntact());
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    ASSERT_EQ(small.Ink(x, y), big.Ink(x + 64, y + 48)) << x << ", " << y;
        }
}

} // namespace
} // namespace tsl
