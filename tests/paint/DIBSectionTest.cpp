// CDIBSection: the primitives replayed against what GDI draws (tests/data/gdi) at every
// depth, its edge cases, creation and copies, palettes, depth changes and drawing.

#include "paint/DIBSection.h"

#include "core/Ddb.h"
#include "core/Palette.h"
#include "core/Services.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <random>

namespace tsl {
namespace {

const int kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr COLORREF kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);
using Steps = std::function<void(CDIBSection&)>;

bool SameBits(const CDIBSection& a, const CDIBSection& b) {
    return a.Size() == b.Size() && a.BitsPerPixel() == b.BitsPerPixel() &&
           std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0;
}

// The smallest rectangle holding every pixel that differs, and how many differ.
CRect Changed(const CDIBSection& a, const CDIBSection& b, int* count = nullptr) {
    CRect box{1 << 20, 1 << 20, -1, -1};
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) {
                ++n;
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
    if (count) *count = n;
    return n ? box : CRect{};
}

CDIBSection White(int depth, int w = 64, int h = 48) {
    CDIBSection d;
    EXPECT_TRUE(d.Create(w, h, 1, depth));
    return d;
}

// The program's calls for each GDI reference file; where the program's first step sets one
// pixel instead of calling GDI (width 1, equal corners), that pixel is added to the reference.
std::map<std::string, Steps> ReplayCases() {
    std::map<std::string, Steps> cases = {
        {"setpixel",
         [](CDIBSection& d) {
             for (auto [x, y] : {std::pair{0, 0}, {63, 47}, {10, 10}})
                 d.SetPixel(x, y, kRed);
             EXPECT_FALSE(d.SetPixel(70, 10, kRed));
         }},
        {"line_w1_point", [](CDIBSection& d) { d.Line(20, 20, 20, 20, 1, kRed); }},
        {"flood_diag",
         [](CDIBSection& d) {
             d.Rectangle(2, 2, 60, 44, 1, 0, false, false);
             d.Line(0, 47, 47, 0, 1, 0);
             EXPECT_TRUE(d.FloodFill(5, 5, kRed));
         }},
        {"flood_gap", [](CDIBSection& d) {
             d.Rectangle(2, 2, 60, 44, 1, 0, false, false);
             d.Line(30, 2, 30, 20, 1, 0);
             d.Line(31, 21, 31, 44, 1, 0);
             EXPECT_TRUE(d.FloodFill(5, 5, kRed));
         }}};
    for (int w : {1, 3, 5})
        cases["dot_w" + std::to_string(w)] = [w](CDIBSection& d) { d.Dot(20, 20, w, kRed); };
    const struct {
        std::string name;
        int x1, y1, x2, y2;
    } lines[] = {{"h", 5, 5, 40, 5}, {"diag", 5, 5, 40, 40},     {"steep", 10, 2, 14, 40},
                 {"v", 5, 5, 5, 40}, {"shallow", 2, 10, 50, 14}, {"reverse", 50, 14, 2, 10}};
    for (const auto& l : lines)
        for (int w : {1, 2, 3, 5, 7})
            if (w == 1 || l.name == "h" || l.name == "diag" || l.name == "steep")
                cases["line_w" + std::to_string(w) + "_" + l.name] = [l, w](CDIBSection& d) {
                    d.Line(l.x1, l.y1, l.x2, l.y2, w, kRed);
                };
    const struct {
        std::string name;
        int x1, y1, x2, y2;
    } corners[] = {{"fwd", 10, 8, 40, 30}, {"rev", 40, 30, 10, 8}, {"zero", 20, 20, 20, 20}};
    for (const auto& c : corners)
        for (bool filled : {false, true}) {
            const std::string kind = filled ? "filled" : "outline";
            for (int w : {1, 3})
                cases["rect_" + kind + "_w" + std::to_string(w) + "_" + c.name] =
                    [=](CDIBSection& d) {
                        d.Rectangle(c.x1, c.y1, c.x2, c.y2, w, kRed, filled, false);
                    };
            cases["roundrect_" + kind + "_" + c.name] = [=](CDIBSection& d) {
                d.Rectangle(c.x1, c.y1, c.x2, c.y2, 1, kRed, filled, true);
            };
        }
    for (int w : {1, 3})
        for (bool filled : {false, true}) {
            const std::string name = std::string("ellipse_") + (filled ? "filled" : "outline") +
                                     "_w" + std::to_string(w);
            cases[name + "_big"] = [=](CDIBSection& d) {
                d.Ellipse(10, 8, 40, 30, w, kRed, filled);
            };
            cases[name + "_small"] = [=](CDIBSection& d) {
                d.Ellipse(5, 5, 8, 7, w, kRed, filled);
            };
        }
    return cases;
}

TEST(DIBSection, PrimitivesDrawWhatGdiDrawsAtEveryDepth) {
    const auto cases = ReplayCases();
    ASSERT_EQ(cases.size(), 51u); // every reference but text, colour map and bare LineTo
    for (const auto& [name, draw] : cases)
        for (int depth : kDepths) {
            SCOPED_TRACE(name + " at " + std::to_string(depth));
            CDIBSection expected, d;
            ASSERT_TRUE(expected.LoadBmp(std::string(TSL_TESTDATA "/gdi/ref/") + name + "_" +
                                         std::to_string(depth) + "bpp.bmp"));
            const bool pointCase = name == "rect_outline_w1_zero" ||
                                   name == "rect_filled_w1_zero" ||
                                   (name.starts_with("roundrect_") && name.ends_with("_zero"));
            if (pointCase) expected.SetPixel(20, 20, kRed);
            ASSERT_TRUE(d.Create(64, 48, 1, depth, nullptr, &expected.Palette()));
            EXPECT_TRUE(d.FillAll(kWhite));
            draw(d);
            EXPECT_TRUE(SameBits(d, expected));
        }
}

TEST(DIBSection, PartEdgeCasesAndClipping) {
    const std::vector<Steps> points = {
        [](CDIBSection& d) { EXPECT_TRUE(d.Line(20, 20, 20, 20, 1, kRed)); },
        [](CDIBSection& d) { EXPECT_TRUE(d.Rectangle(20, 20, 20, 20, 1, kRed, false, false)); },
        [](CDIBSection& d) { EXPECT_TRUE(d.Rectangle(20, 20, 20, 20, 1, kRed, true, true)); },
        [](CDIBSection& d) { EXPECT_TRUE(d.Ellipse(20, 20, 20, 20, 1, kRed, true)); }};
    const std::vector<Steps> outside = {
        [](CDIBSection& d) { d.Line(-1000, -1000, 1000, 1000, 5, kRed); },
        [](CDIBSection& d) { d.Rectangle(-10, -10, 100, 5, 3, kRed, false, true); },
        [](CDIBSection& d) { d.Ellipse(-50, -70, 200, 90, 1, kRed, true); },
        [](CDIBSection& d) { d.Dot(-2, 3, 7, kRed); },
        [](CDIBSection& d) {
            d.FillRect({-5, 50, 300, -300}, kRed);
        },
        [](CDIBSection& d) {
            d.Text(QStringLiteral("Wide text"), {-30, -5, 20, 12}, DT_SINGLELINE, kRed, nullptr);
        }};
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        const CDIBSection blank = White(depth);
        for (const Steps& step : points) { // width 1 and equal corners: exactly one pixel
            CDIBSection d = White(depth);
            step(d);
            int count = 0;
            EXPECT_EQ(Changed(blank, d, &count), (CRect{20, 20, 21, 21}));
            EXPECT_EQ(count, 1);
        }
        CDIBSection d = White(depth); // a rounded rectangle of zero width or height fails
        EXPECT_FALSE(d.Rectangle(10, 10, 10, 30, 1, kRed, false, true));
        EXPECT_FALSE(d.Rectangle(10, 10, 30, 10, 1, kRed, true, true));
        EXPECT_FALSE(d.Rectangle(20, 20, 20, 20, 3, kRed, false, true));
        // A fill colour stored as the seed's own value changes nothing and succeeds.
        EXPECT_TRUE(d.FloodFill(5, 5, depth == 16 ? RGB(250, 251, 252) : kWhite));
        EXPECT_FALSE(d.FloodFill(64, 5, kRed));
        EXPECT_TRUE(SameBits(d, blank));
        EXPECT_TRUE(d.Rectangle(40, 30, 10, 8, 1, kRed, false, false)); // end points inclusive
        EXPECT_EQ(Changed(blank, d), (CRect{10, 8, 41, 31}));
        d = White(depth);
        EXPECT_TRUE(d.Rectangle(10, 8, 40, 30, 1, kRed, true, false)); // no pen: one smaller
        EXPECT_EQ(Changed(blank, d), (CRect{10, 8, 40, 30}));
        for (const Steps& step : outside) { // clipped, and still drawn where it meets the image
            const CDIBSection small = White(depth, 9, 7);
            d = White(depth, 9, 7);
            step(d);
            EXPECT_NE(Changed(small, d), CRect{});
        }
    }
}

TEST(DIBSection, CreateCopyAndPalettes) {
    for (int depth : kDepths) { // white, with the default palette of the depth
        CDIBSection d = White(depth, 13, 5);
        const int colours = ColourCountForDepth(depth);
        EXPECT_EQ(d.Palette(), DefaultPalette(colours ? colours : 256));
        EXPECT_EQ(d.ImageSize(), static_cast<std::size_t>(((13 * depth + 31) & ~31) / 8 * 5));
        EXPECT_EQ(d.Row(2), d.Bits() + 2 * d.Stride());
        for (int i = 0; i < 65; ++i)
            EXPECT_EQ(d.GetPixel(i % 13, i / 13), kWhite);
    }
    CDIBSection d;
    const std::vector<RGBQUAD> three = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}, none, many(257);
    ASSERT_TRUE(d.Create(3, 3, 1, 4, nullptr, &three));
    EXPECT_EQ(d.Palette(), three);
    EXPECT_EQ(d.ColourTable()[3], RGBQUAD{}); // entries the palette does not reach stay black
    EXPECT_EQ(d.LogPalette().palVersion, 0x300);
    EXPECT_EQ(d.LogPalette().palPalEntry[2], (PALETTEENTRY{9, 8, 7, 0}));
    const struct {
        int w, h, planes, depth;
        const std::vector<RGBQUAD>* palette;
    } bad[] = {{0, 5, 1, 8, nullptr}, {5, -3, 1, 8, nullptr},       {5, 5, 1, 2, nullptr},
               {5, 5, 2, 8, nullptr}, {1 << 20, 1, 1, 24, nullptr}, {5, 5, 1, 8, &none},
               {5, 5, 1, 8, &many}};
    for (const auto& b : bad) {
        EXPECT_FALSE(d.Create(b.w, b.h, b.planes, b.depth, nullptr, b.palette));
        EXPECT_FALSE(d.HasImage());
    }
    // All 256 colours are taken (the info block holds exactly 256), and the header is redone.
    BITMAPINFO info;
    for (std::size_t i = 0; i < 256; ++i)
        info.bmiColors[i] = {std::uint8_t(i), std::uint8_t(~i), 7, 0};
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biSizeImage = 0xFFFFFFF0u;
    info.bmiHeader.biClrUsed = 300;
    const std::uint8_t bits[8] = {0, 1, 255, 0, 9, 8, 7, 0};
    ASSERT_TRUE(d.CreateFromInfo(info, bits));
    EXPECT_TRUE(std::equal(info.bmiColors.begin(), info.bmiColors.end(), d.ColourTable()));
    EXPECT_TRUE(d.ImageSize() == 8 && d.Info().bmiHeader.biClrUsed == 0);
    EXPECT_EQ(d.GetPixel(2, 1), RGB(7, 0, 255));
    info.bmiHeader.biCompression = BI_RLE8;
    EXPECT_FALSE(d.CreateFromInfo(info, bits));
    // Device bitmaps: their fourth byte is dropped; an indexed one brings its palette.
    CDdb ddb = CDdb::Create(3, 2, 32), indexed = CDdb::Create(4, 4, 8);
    for (std::size_t i = 0; i < ddb.Bits().size(); ++i)
        ddb.Bits()[i] = std::uint8_t(i * 11 + 1);
    ASSERT_TRUE(d.CreateFromBitmap(ddb));
    for (std::size_t i = 0; i < ddb.Bits().size(); ++i)
        EXPECT_EQ(d.Bits()[i], i % 4 == 3 ? 0 : ddb.Bits()[i]);
    indexed.Palette() = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    indexed.Bits()[0] = 1;
    ASSERT_TRUE(d.CreateFromBitmap(indexed, &three));
    EXPECT_EQ(d.GetPixel(0, 3), RGB(60, 50, 40));
    EXPECT_EQ(d.Palette(), three);
    EXPECT_FALSE(d.CreateFromBitmap(CDdb::Create(4, 4, 2)));
    // Adopting takes the rows themselves; the section then reuses them for a picture of the
    // same size, lets them go with the image, and moves them along.
    CDdb rows = CDdb::Create(5, 3, 32);
    rows.Bits()[4] = 200;
    const std::uint8_t* storage = rows.Bits().data();
    ASSERT_TRUE(d.AdoptBitmap(std::move(rows)));
    EXPECT_TRUE(d.Bits() == storage && d.Width() == 5 && d.BitsPerPixel() == 32);
    EXPECT_EQ(d.GetPixel(1, 2), RGB(0, 0, 200));
    CDIBSection taker(std::move(d));
    EXPECT_EQ(taker.Bits(), storage);
    ASSERT_TRUE(taker.Create(5, 3, 1, 32));
    EXPECT_TRUE(taker.Bits() == storage && taker.GetPixel(1, 2) == kWhite);
    CDdb small = CDdb::Create(4, 4, 8);
    small.Palette() = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    small.Bits()[0] = 1;
    ASSERT_TRUE(d.AdoptBitmap(std::move(small), &three));
    EXPECT_TRUE(d.GetPixel(0, 3) == RGB(60, 50, 40) && d.Palette() == three);
    CDdb odd = CDdb::Create(4, 4, 24);
    odd.Bits().push_back(0); // not a device bitmap's exact size: copied instead
    ASSERT_TRUE(d.AdoptBitmap(std::move(odd)));
    EXPECT_EQ(d.ImageSize(), 48u);
    EXPECT_FALSE(d.AdoptBitmap(CDdb()) || d.HasImage());
    EXPECT_FALSE(d.AdoptBitmap(CDdb::Create(4, 4, 2)));
    // Copies keep pixels, table, palette and the DrawDib flag; a move empties its source.
    CDIBSection source = White(8, 7, 3), copy = White(24, 100, 100);
    source.SetPixel(1, 1, RGB(0, 44, 86));
    source.SetUseDrawDib(true);
    ASSERT_TRUE(copy.CopyFrom(source));
    EXPECT_TRUE(SameBits(copy, source) && copy.Palette() == source.Palette() && copy.UseDrawDib());
    CDIBSection moved(std::move(copy));
    EXPECT_TRUE(!copy.HasImage() && SameBits(moved, source));
    // Palettes: up to 256 entries, of which the table keeps the depth's count.
    std::vector<RGBQUAD> grey(256);
    for (std::size_t i = 0; i < 256; ++i)
        grey[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    d = White(4, 2, 2);
    EXPECT_TRUE(d.SetPalette(grey));
    EXPECT_TRUE(d.ColourTable()[15] == grey[15] && d.ColourTable()[16] == RGBQUAD{});
    EXPECT_FALSE(d.SetPalette({}) || d.SetColourTable(257, grey.data()));
    EXPECT_TRUE(d.SetColourTable(1, &grey[200]) && d.CreatePaletteFromColourTable());
    EXPECT_TRUE(d.Palette().size() == 16 && d.Palette()[0] == grey[200]);
    EXPECT_FALSE(White(24, 2, 2).SetColourTable(1, grey.data()));
}

TEST(DIBSection, PixelMapperMapsLikeSetPixel) {
    std::mt19937 random(7);
    for (int depth : kDepths) {
        CDIBSection d = White(depth, 2, 2);
        std::vector<RGBQUAD> table(static_cast<std::size_t>(d.ColourCount())); // with repeats
        for (auto& q : table)
            q = {std::uint8_t(random() % 4 * 85), std::uint8_t(random() % 6 * 51),
                 std::uint8_t(random() % 3 * 127), 0};
        d.SetColourTable(d.ColourCount(), table.data());
        const CRasterDC dc = d.GetDrawingDC();
        CPixelMapper map(dc.Surface());
        for (int i = 0; i < 20000; ++i) {
            const COLORREF c = random() & 0x02FFFFFF;
            ASSERT_EQ(map(c), dc.PixelFor(c, false)) << depth << " " << c;
        }
    }
}

TEST(DIBSection, ChangeFormatMapsEveryPixelAsSetPixelDoes) {
    std::mt19937 random(3);
    CDIBSection d = White(24, 20, 10);
    for (int i = 0; i < 200; ++i)
        d.SetPixel(i % 20, i / 20, random() & 0xFFFFFF);
    for (int depth : {1, 4, 8, 16, 32}) {
        SCOPED_TRACE(depth);
        CDIBSection changed, probe = White(depth, 1, 1);
        ASSERT_TRUE(changed.CopyFrom(d));
        ASSERT_TRUE(changed.ChangeFormat(25, 12, 1, depth, {3, 2})); // crop, white margins
        EXPECT_EQ(changed.Palette(), probe.Palette());
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 25; ++x) {
                probe.SetPixel(0, 0, x < 17 && y < 8 ? d.GetPixel(x + 3, y + 2) : kWhite);
                ASSERT_EQ(changed.GetPixel(x, y), probe.GetPixel(0, 0)) << x << "," << y;
            }
    }
    // An indexed image's colours go into the first entries of the 256-entry default.
    const std::vector<RGBQUAD> odd = {{3, 2, 1, 0}, {6, 5, 4, 0}};
    ASSERT_TRUE(d.Create(2, 1, 1, 1, nullptr, &odd));
    d.SetPixel(1, 0, RGB(4, 5, 6));
    ASSERT_TRUE(d.ChangeFormat(2, 1, 1, 8, {0, 0}));
    EXPECT_TRUE(d.ColourTable()[1] == odd[1] && d.ColourTable()[2] == DefaultPaletteTable()[2]);
    EXPECT_EQ(d.GetPixel(1, 0), RGB(4, 5, 6));
    EXPECT_FALSE(CDIBSection().ChangeFormat(2, 2, 1, 8, {0, 0}));
}

TEST(DIBSection, DrawsOneToOneStretchedAndKeyed) {
    CDIBSection d = White(8, 4, 3);
    for (int i = 0; i < 12; ++i)
        d.SetPixel(i % 4, i / 4, ColourOf(DefaultPaletteTable()[20 + static_cast<std::size_t>(i)]));
    d.SetPixel(1, 1, kPasteKeyColour); // stored as its nearest entry
    const COLORREF key = d.GetPixel(1, 1), back = RGB(1, 2, 3);
    auto pixel = [](const QImage& image, int x, int y) {
        return RGB(qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)), qBlue(image.pixel(x, y)));
    };
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(QColor(1, 2, 3));
    {
        QPainter p(&image); // origin (1,1), size 2x2, at (10,20) through a translation
        p.translate(5, -5);
        EXPECT_TRUE(d.Draw(p, 5, 25, {1, 1}, {2, 2}));
    }
    for (int i = 0; i < 900; ++i) {
        const int x = i % 30, y = i / 30;
        const bool inside = x >= 10 && x < 12 && y >= 20 && y < 22;
        ASSERT_EQ(pixel(image, x, y), inside ? d.GetPixel(x - 9, y - 19) : back) << x << "," << y;
    }
    for (COLORREF transparent : {key, kNoColour}) { // 3x larger, clipped at x = 11
        image.fill(QColor(1, 2, 3));
        QPainter p(&image);
        p.setClipRect(0, 0, 11, 30);
        EXPECT_TRUE(d.StretchTransparent(p, 0, 0, 12, 9, transparent));
        p.end();
        for (int i = 0; i < 108; ++i) {
            const int x = i % 12, y = i / 12;
            const COLORREF source = d.GetPixel(x / 3, y / 3);
            const bool shown = x < 11 && !(transparent == key && source == key);
            ASSERT_EQ(pixel(image, x, y), shown ? source : back) << x << "," << y;
        }
    }
    // Shrunk onto another image: each target pixel shows the source pixel under its centre.
    CDIBSection big = White(24, 8, 8), target = White(16, 4, 4);
    for (int i = 0; i < 64; ++i)
        big.SetPixel(i % 8, i / 8, RGB(i % 8 * 30, i / 8 * 30, 0));
    EXPECT_TRUE(big.Stretch(target, 0, 0, 4, 4));
    auto five = [](int v) { return (v & 0xF8) | (v >> 5); }; // 16 bits keep 5 bits a channel
    EXPECT_EQ(target.GetPixel(2, 1), RGB(five(5 * 30), five(3 * 30), 0));
    // Keys compare stored values: at 16 bits every colour stored as the key's value is clear.
    CDIBSection s16 = White(16, 3, 1);
    target = White(24, 3, 1);
    s16.SetPixel(1, 0, RGB(0x19 | 7, 0x1A, 0x1B & ~7));
    s16.SetPixel(2, 0, RGB(0x20, 0x1A, 0x1B));
    EXPECT_TRUE(s16.Draw(target, 0, 0, {0, 0}, CDIBSection::kToEdge, kPasteKeyColour));
    EXPECT_TRUE(target.GetPixel(1, 0) == kWhite && target.GetPixel(2, 0) == s16.GetPixel(2, 0));
    EXPECT_TRUE(CDIBSection().Draw(target, 0, 0));
}

class CResourceMap final : public IResources {
public:
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::string ProgramFolder() override { return "/"; }
    std::vector<std::uint8_t> Resource(const std::string& name) override {
        auto it = files.find(name);
        return it == files.end() ? std::vector<std::uint8_t>{} : it->second;
    }
};

TEST(DIBSection, LoadResourceBitmapReadsBmpFilesAndPackedDibs) {
    CDIBSection source = White(4, 5, 3);
    source.SetPixel(2, 1, kRed);
    const QString path = test::MakeTempFolder(QStringLiteral("res")) + QStringLiteral("/b.bmp");
    ASSERT_TRUE(source.SaveBmp(path.toStdString()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll(); // 14 + 40 + 64 + 4 + 12 pixel bytes
    CResourceMap resources;
    resources.files["tool.bmp"] = {bytes.begin(), bytes.end()};
    resources.files["packed"] = {bytes.begin() + 14, bytes.begin() + 118};
    resources.files["packed"].insert(resources.files["packed"].end(), bytes.end() - 12,
                                     bytes.end());
    InstallResources(&resources);
    for (const char* name : {"tool.bmp", "packed"}) {
        CDIBSection d;
        EXPECT_TRUE(d.LoadResourceBitmap(name) && SameBits(d, source)) << name;
    }
    CDIBSection d = White(8);
    EXPECT_FALSE(d.LoadResourceBitmap("missing.bmp") || d.HasImage());
    InstallResources(test::Env().bridge);
}

} // namespace
} // namespace tsl
