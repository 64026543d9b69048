// CDIBSection's BMP files: the written layout byte for byte, an independent decoder
// (ImageMagick's command line) reading what SaveBmp wrote at every depth, the public test files
// against the reference pixel hashes of MANIFEST.tsv, and refusal of inconsistent files.

#include "paint/DIBSection.h"

#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include <sys/stat.h>

namespace tsl {
namespace {

const int kDepths[] = {1, 4, 8, 16, 24, 32};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// v as n little-endian bytes.
QByteArray Le(std::uint32_t v, int n = 4) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += char(v >> (8 * i));
    return b;
}

void Put(QByteArray& b, int at, std::uint32_t v, int bytes = 4) {
    b.replace(at, bytes, Le(v, bytes));
}

bool PlainDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Top-down 8-bit RGBA, as the manifest hashes and ImageMagick's rgba: output lay it out.
QByteArray Rgba(const CDIBSection& d) {
    QByteArray out;
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) {
            const COLORREF c = d.GetPixel(x, y);
            out += char(GetRValue(c));
            out += char(GetGValue(c));
            out += char(GetBValue(c));
            out += char(255);
        }
    return out;
}

// A picture that uses many colours of each depth: bands of table entries and a gradient.
CDIBSection Pattern(int depth, int w = 37, int h = 11) {
    CDIBSection d;
    EXPECT_TRUE(d.Create(w, h, 1, depth));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const RGBQUAD q =
                d.Palette()[static_cast<std::size_t>(x * 7 + y * 3) % d.Palette().size()];
            d.SetPixel(x, y,
                       depth <= 8 ? RGB(q.rgbRed, q.rgbGreen, q.rgbBlue)
                                  : RGB(x * 7, y * 23, (x * y) & 255));
        }
    return d;
}

QString Temp(const QString& name) {
    return test::MakeTempFolder(QStringLiteral("bmp")) + '/' + name;
}

TEST(DIBSectionFile, SavedFilesHaveTheLayoutAndDecodeAlikeWithImageMagick) {
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        const CDIBSection d = Pattern(depth);
        const QString path = Temp(QStringLiteral("p.bmp"));
        ASSERT_TRUE(d.SaveBmp(path.toStdString()));
        // File header, 40-byte header, table, four zero bytes (24 bits: 14 + 44 bytes before the
        // pixels; 4 bits: 14 + 44 + 64), pixels.
        const int colours = ColourCountForDepth(depth), offset = 14 + 44 + 4 * colours;
        const auto image = static_cast<std::uint32_t>(((37 * depth + 31) & ~31) / 8 * 11);
        QByteArray expected = "BM" + Le(offset + image) + Le(0) + Le(offset) + Le(40) + Le(37) +
                              Le(11) + Le(1, 2) + Le(depth, 2) + Le(0) + Le(image) +
                              QByteArray(16, 0);
        for (int i = 0; i < colours; ++i)
            expected += Le(d.ColourTable()[i].rgbBlue | d.ColourTable()[i].rgbGreen << 8 |
                           d.ColourTable()[i].rgbRed << 16);
        expected +=
            Le(0) + QByteArray(reinterpret_cast<const char*>(d.Bits()), static_cast<int>(image));
        EXPECT_EQ(ReadAll(path), expected);
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{"p.bmp"});

        QProcess im;
        im.start(QStringLiteral("convert-im6.q16"), {path, "-depth", "8", "rgba:-"});
        ASSERT_TRUE(im.waitForFinished(30000));
        EXPECT_EQ(im.readAllStandardOutput(), Rgba(d));
        CDIBSection back;
        ASSERT_TRUE(back.LoadBmp(path.toStdString()));
        EXPECT_TRUE(std::equal(d.ColourTable(), d.ColourTable() + 256, back.ColourTable()));
        EXPECT_EQ(std::memcmp(back.Bits(), d.Bits(), d.ImageSize()), 0);
    }
}

TEST(DIBSectionFile, SaveWritesNothingForAnEmptyImageOrAMissingFolder) {
    const QString path = Temp(QStringLiteral("keep.bmp"));
    test::WriteFile(path, "old");
    EXPECT_FALSE(CDIBSection().SaveBmp(path.toStdString()));
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_FALSE(Pattern(24).SaveBmp((path + "/no/such/dir.bmp").toStdString()));
}

// Rows of MANIFEST.tsv whose result is not "an uncompressed 40-byte-header file gives the
// reference pixels, every other file is refused".
enum class Differs { Refused, OtherPixels };
const std::map<QByteArray, Differs> kExceptions = {
    {"bmp/bmpsuite/b/badplanes.bmp", Differs::Refused},       // 30000 planes
    {"bmp/image-rs/lenient/badplanes.bmp", Differs::Refused}, // 30000 planes
    {"bmp/pillow/mmap_error.bmp", Differs::Refused}, // pixels start inside the colour table
    {"bmp/bmpsuite/b/pal8badindex.bmp",
     Differs::OtherPixels},                                  // indexes past the used entries: black
    {"bmp/image-rs/pal8badindex.bmp", Differs::OtherPixels}, // (only Pillow decodes these)
    {"bmp/bmpsuite/q/rgb32fakealpha.bmp", Differs::OtherPixels}, // 4th byte is not alpha in BI_RGB
};

TEST(DIBSectionFile, ReadsTheTestSuiteLikeTheReferenceDecoders) {
    const std::vector<testkit::ManifestRow> rows = testkit::Manifest("bmp");
    int matched = 0, refused = 0, otherPixels = 0, plainWithReference = 0;
    for (const testkit::ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string file = (testkit::TestData() / row.path).string();
        const QByteArray bytes = ReadAll(QString::fromStdString(file));
        const auto h = BITMAPINFOHEADER::Read(
            reinterpret_cast<const std::uint8_t*>(bytes.leftJustified(54, '\0').constData()) + 14);
        const bool plain = bytes.startsWith("BM") && h.biSize == 40 && h.biCompression == BI_RGB &&
                           PlainDepth(h.biBitCount);
        CDIBSection d;
        d.Create(2, 2, 1, 8); // a failed load must leave the object empty
        const bool ok = d.LoadBmp(file);
        const auto exception = kExceptions.find(QByteArray::fromStdString(row.path));
        const bool expectLoad = exception != kExceptions.end()
                                    ? exception->second == Differs::OtherPixels
                                    : plain && testkit::HasHash(row);
        plainWithReference += expectLoad && exception == kExceptions.end();
        ASSERT_EQ(ok, expectLoad);
        EXPECT_EQ(d.HasImage(), ok);
        if (!ok) {
            ++refused;
            continue;
        }
        const QByteArray hash =
            QCryptographicHash::hash(Rgba(d), QCryptographicHash::Sha256).toHex();
        EXPECT_EQ(hash.toStdString() == row.hash, exception == kExceptions.end());
        matched += hash.toStdString() == row.hash;
        otherPixels += exception != kExceptions.end();
    }
    // Every plain file with reference pixels gave them, and every row was read.
    EXPECT_EQ(matched, plainWithReference);
    EXPECT_GT(matched, 0);
    EXPECT_EQ(matched + otherPixels + refused, static_cast<int>(rows.size()));
}

TEST(DIBSectionFile, RefusesInconsistentFilesAndResetsTheObject) {
    const CDIBSection source = Pattern(8, 5, 4);
    const QString good = Temp(QStringLiteral("good.bmp"));
    ASSERT_TRUE(source.SaveBmp(good.toStdString()));
    const QByteArray bytes = ReadAll(good); // 8-bit: pixels at 14 + 44 + 1024
    struct Case {
        const char* name;
        int at; // -1: truncate to `value` bytes
        std::uint32_t value;
        int bytes;
    } cases[] = {{"not BM", 0, 0x4D43, 2},
                 {"core header", 14, 12, 4},
                 {"V5 header", 14, 124, 4},
                 {"RLE8", 30, BI_RLE8, 4},
                 {"bit fields", 30, BI_BITFIELDS, 4},
                 {"2 bits", 28, 2, 2},
                 {"0 bits", 28, 0, 2},
                 {"2 planes", 26, 2, 2},
                 {"width 0", 18, 0, 4},
                 {"negative width", 18, 0xFFFFFFFBu, 4},
                 {"height 0", 22, 0, 4},
                 {"height INT_MIN", 22, 0x80000000u, 4},
                 {"300 colours", 46, 300, 4},
                 {"offset past end", 10, 5000, 4},
                 {"offset in header", 10, 40, 4},
                 {"offset in table", 10, 54 + 1000, 4},
                 {"wider than the limit", 18, 1u << 20, 4},
                 {"rows past the end", 18, 100000, 4},
                 {"pixels cut", -1, 1082 + 19, 0},
                 {"header cut", -1, 53, 0},
                 {"file header only", -1, 14, 0},
                 {"empty", -1, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bad = bytes;
        if (c.at < 0)
            bad.truncate(static_cast<int>(c.value));
        else
            Put(bad, c.at, c.value, c.bytes);
        CDIBSection d = Pattern(24);
        EXPECT_FALSE(
            d.LoadBmp(test::WriteFile(Temp(QStringLiteral("bad.bmp")), bad).toStdString()));
        EXPECT_FALSE(d.HasImage());
        EXPECT_EQ(d.Width(), 0);
    }
    // Missing files, folders and pipes (whose opening would block) are refused at once.
    const QString pipe = Temp(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path :
         {QStringLiteral("/no/such/file.bmp"), QFileInfo(pipe).path(), pipe}) {
        CDIBSection d = Pattern(24);
        EXPECT_FALSE(d.LoadBmp(path.toStdString()) || d.HasImage()) << path.toStdString();
    }
}

TEST(DIBSectionFile, ToleratesWrongSizeFieldsHonoursOffsetsAndFlipsTopDownFiles) {
    const CDIBSection source = Pattern(4, 9, 5);
    const QString path = Temp(QStringLiteral("src.bmp"));
    ASSERT_TRUE(source.SaveBmp(path.toStdString()));
    const QByteArray bytes = ReadAll(path); // 4-bit: table at 54, pixels at 122, stride 8
    QByteArray fileSize = bytes, imageSize = bytes, shifted = bytes, topDown = bytes;
    Put(fileSize, 2, 7);
    Put(imageSize, 34, 0xFFFFFFF0u);
    shifted.insert(122, QByteArray(10, 'x'));
    Put(shifted, 10, 132);
    Put(topDown, 22, static_cast<std::uint32_t>(-5));
    for (int r = 0; r < 5; ++r)
        topDown.replace(122 + 8 * r, 8, bytes.mid(122 + 8 * (4 - r), 8));
    for (const QByteArray& variant : {fileSize, imageSize, shifted, topDown}) {
        CDIBSection d;
        ASSERT_TRUE(
            d.LoadBmp(test::WriteFile(Temp(QStringLiteral("v.bmp")), variant).toStdString()));
        EXPECT_EQ(Rgba(d), Rgba(source));
        EXPECT_EQ(d.Info().bmiHeader.biHeight, 5);
        EXPECT_EQ(d.ImageSize(), 40u);
    }
}

} // namespace
} // namespace tsl
