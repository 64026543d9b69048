// Loading and saving image documents: the loader's routing by exact extension, the error
// report's texts, the save rules (palette-only formats, the document's depth, GIF
// transparency), failed saves keeping the old file, Save As naming, the save-modified query,
// and every valid test file opening or reporting an error.

#include "document/ImageFiles.h"

#include "core/Extensions.h"
#include "document/PntUtilDoc.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"
#include "platform/Platform.h"
#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

const QString kData = QStringLiteral(TSL_TESTDATA);

// A 32-bit screen picture of four quarters: blue and white on top, red and green below.
CDdb Quarters(int w = 8, int h = 8) {
    CDdb d = CDdb::Create(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, top = y >= h / 2; // rows are stored bottom-up
            const COLORREF c = top ? (right ? RGB(255, 255, 255) : RGB(0, 0, 255))
                                   : (right ? RGB(0, 255, 0) : RGB(255, 0, 0));
            std::uint8_t* p = d.Row(y) + 4 * x;
            p[0] = static_cast<std::uint8_t>(GetBValue(c));
            p[1] = static_cast<std::uint8_t>(GetGValue(c));
            p[2] = static_cast<std::uint8_t>(GetRValue(c));
        }
    return d;
}

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        LBase::LoadLibraries(kAllLibraries);
        m_dir = test::MakeTempFolder(QStringLiteral("imagefiles"));
    }
    QString File(const QString& name) const { return m_dir + QLatin1Char('/') + name; }
    QString m_dir;
};

TEST_F(ImageFiles, TheErrorReportHasThreeTexts) {
    EXPECT_EQ(ImageErrorText(-27, QStringLiteral("/a/b.png")), QStringLiteral("/a/b.png: Invalid bits per pixels"));
    EXPECT_EQ(ImageErrorText(-21), QStringLiteral("Invalid Quality factor"));
    EXPECT_EQ(ImageErrorText(100, QStringLiteral("x")),
              QStringLiteral("x: Image operation error: please check your paths and read/write permissions"));
    ReportImageError(-27);
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Invalid bits per pixels"));
}

TEST_F(ImageFiles, TheLoaderRoutesByTheExactExtension) {
    // A GIF with a transparent colour, under a lower- and an upper-case name.
    LBitmapBase picture;
    picture.SetHandle(Quarters());
    picture.ColorRes(8, kColorResOptimizedExact);
    SaveRequest request{picture.GetHandle(), 8, true, RGB(0, 255, 0)};
    ASSERT_EQ(SaveImageFile(File(QStringLiteral("t.gif")), request), 1);
    QFile::copy(File(QStringLiteral("t.gif")), File(QStringLiteral("T.GIF")));
    CBmp holder;
    int bpp = 0;
    ASSERT_TRUE(LoadImageFile(File(QStringLiteral("t.gif")), holder, true, bpp));
    EXPECT_EQ(bpp, 8);
    EXPECT_TRUE(holder.Transparent()) << "the own GIF reader keeps the transparent colour";
    EXPECT_EQ(holder.TransparentColour(), RGB(0, 255, 0));
    ASSERT_TRUE(LoadImageFile(File(QStringLiteral("T.GIF")), holder, true, bpp));
    EXPECT_FALSE(holder.Transparent()) << "an upper-case GIF goes through the imaging layer";
    EXPECT_EQ(bpp, 8);

    ASSERT_TRUE(LoadImageFile(kData + QStringLiteral("/bmp/bmpsuite/g/pal4.bmp"), holder, true, bpp));
    EXPECT_EQ(bpp, 4);
    ASSERT_TRUE(LoadImageFile(kData + QStringLiteral("/jpeg/pillow/hopper.jpg"), holder, true, bpp));
    EXPECT_EQ(bpp, 24);
    EXPECT_EQ(holder.Width(), 128);

    EXPECT_TRUE(Script().messages.empty());
    // The JPEG adapter shows its own message first, then the report follows.
    EXPECT_FALSE(LoadImageFile(File(QStringLiteral("missing.jpg")), holder, true, bpp));
    ASSERT_FALSE(Script().messages.empty());
    EXPECT_TRUE(Script().messages.back().text.endsWith(QStringLiteral("read/write permissions")));
    const std::size_t shown = Script().messages.size();
    EXPECT_FALSE(LoadImageFile(File(QStringLiteral("missing.psd")), holder, false, bpp));
    EXPECT_EQ(Script().messages.size(), shown) << "a quiet load reports nothing";
}

TEST_F(ImageFiles, SavesReduceToTheFormatAndTheDocumentDepth) {
    const CDdb image = Quarters();
    struct Case {
        const char* name;
        int documentBpp;
        int expectedBpp;
    };
    for (const Case c : {Case{"four.bmp", 4, 4}, Case{"grey.pgm", 24, 8}, Case{"deep.bmp", 24, 24},
                         Case{"alpha.bmp", 32, 32},
                         Case{"eight.png", 8, 8}, Case{"p.pcx", 4, 24}, Case{"j.jpg", 8, 24}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SaveImageFile(File(QString::fromLatin1(c.name)), SaveRequest{image, c.documentBpp}), 1);
        LBitmapBase back;
        ASSERT_EQ(back.Load(File(QString::fromLatin1(c.name)).toStdString()), kSuccess);
        EXPECT_EQ(back.GetBitsPerPixel(), c.expectedBpp);
    }
    // A save that fails keeps the file it was to replace.
    const QString kept = File(QStringLiteral("kept.avi"));
    test::WriteFile(kept, "old");
    EXPECT_EQ(SaveImageFile(kept, SaveRequest{image, 24}), kErrorCannotWriteFormat);
    EXPECT_EQ(testkit::ReadBytes(kept.toStdString()), (testkit::Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(SaveImageFile(File(QStringLiteral("x.unknown")), SaveRequest{image, 24}), kErrorFileFormat);
    EXPECT_FALSE(QFileInfo::exists(File(QStringLiteral("x.unknown"))));
}

TEST_F(ImageFiles, GifTransparencyTakesTheFirstMatchingEntryOrNone) {
    const CDdb image = Quarters();
    ASSERT_EQ(SaveImageFile(File(QStringLiteral("in.gif")), SaveRequest{image, 24, true, RGB(0, 0, 255)}), 1);
    ASSERT_EQ(SaveImageFile(File(QStringLiteral("out.gif")), SaveRequest{image, 24, true, RGB(1, 2, 3)}), 1);
    ASSERT_EQ(SaveImageFile(File(QStringLiteral("off.gif")), SaveRequest{image, 24, false, RGB(0, 0, 255)}), 1);
    CBmp holder;
    int bpp = 0;
    ASSERT_TRUE(LoadImageFile(File(QStringLiteral("in.gif")), holder, true, bpp));
    EXPECT_TRUE(holder.Transparent());
    EXPECT_EQ(holder.TransparentColour(), RGB(0, 0, 255));
    for (const char* name : {"out.gif", "off.gif"}) {
        ASSERT_TRUE(LoadImageFile(File(QString::fromLatin1(name)), holder, true, bpp));
        EXPECT_FALSE(holder.Transparent()) << name;
    }
    // Every GIF the document writes is interlaced.
    for (const char* name : {"in.gif", "out.gif", "off.gif"})
        EXPECT_EQ(testkit::GifFirstImageInterlaced(testkit::ReadBytes(File(QString::fromLatin1(name)).toStdString())),
                  true) << name;
}

TEST_F(ImageFiles, SaveAsProposalsAndTheSaveFilter) {
    EXPECT_EQ(ProposeSaveAs(QStringLiteral("photo.JPG")).name, QStringLiteral("photo"));
    EXPECT_EQ(ProposeSaveAs(QStringLiteral("photo.JPG")).extension, QStringLiteral("JPG"));
    EXPECT_EQ(ProposeSaveAs(QStringLiteral("Image1")).name, QStringLiteral("image1"));
    EXPECT_EQ(ProposeSaveAs(QStringLiteral("Image1")).extension, QStringLiteral("bmp"));
    EXPECT_EQ(ProposeSaveAs(QStringLiteral("a.b.c")).extension, QStringLiteral("b.c"));
    EXPECT_EQ(SaveFilter().rfind("Bitmap (.bmp)|*.bmp|", 0), 0u);
}

TEST_F(ImageFiles, TheDocumentSavesAndAsksAsItsRulesSay) {
    const QString source = File(QStringLiteral("photo.JPG"));
    QFile::copy(kData + QStringLiteral("/jpeg/pillow/hopper.jpg"), source);
    CPntUtilDoc doc;
    // Upper-case JPG goes through the imaging layer, which reports 24 bits too.
    ASSERT_TRUE(doc.OnOpenDocument(source));
    doc.SetPathName(source);
    EXPECT_EQ(doc.BitsPerPixel(), 24);

    // Save As proposes "photo" and "JPG"; the answer's file is written.
    Script().saveAnswers.push_back(File(QStringLiteral("copy.png")));
    ASSERT_TRUE(doc.DoSaveAs());
    ASSERT_FALSE(Script().fileRequests.empty());
    EXPECT_EQ(Script().fileRequests.back().fileName, QStringLiteral("photo"));
    EXPECT_EQ(Script().fileRequests.back().defaultExtension, QStringLiteral("JPG"));
    EXPECT_EQ(Script().fileRequests.back().caption, QStringLiteral("Save file as"));
    EXPECT_TRUE(QFileInfo(File(QStringLiteral("copy.png"))).isFile());
    EXPECT_EQ(doc.GetPathName(), File(QStringLiteral("copy.png")));

    // The save-modified query: Cancel keeps it, No clears it, Yes saves to the existing file.
    doc.SetModifiedFlag(true);
    Script().promptAnswers = {platform::IDCANCEL, platform::IDNO};
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Script().messages.back().text, QStringLiteral("Save changes to copy.png?"));
    doc.SetModifiedFlag(true);
    QFile::remove(File(QStringLiteral("copy.png")));
    Script().promptAnswers = {platform::IDYES};
    Script().saveAnswers.push_back(QString()); // the file is gone: Save As, cancelled
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(Script().fileRequests.back().defaultExtension, QStringLiteral("*"));
    EXPECT_TRUE(doc.IsModified());
    // A save that fails keeps the document modified and reports.
    Script().promptAnswers = {platform::IDYES};
    Script().saveAnswers.push_back(File(QStringLiteral("no-such-folder/x.bmp")));
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(Script().messages.back().text.endsWith(QStringLiteral("read/write permissions")));
}

TEST_F(ImageFiles, EveryValidTestFileOpensOrReports) {
    int opened = 0, reported = 0, valid = 0, referenced = 0;
    for (const char* format : {"bmp", "gif", "jpeg", "png", "tiff", "tga", "pcx", "psd", "ico",
                               "cur", "pnm", "sgi", "ras", "xpm", "xwd", "pict", "wpg", "wmf",
                               "iff", "flc", "jbig", "eps", "cut"}) {
        for (const testkit::ManifestRow& row : testkit::Manifest(format)) {
            if (row.expected != "valid") continue;
            ++valid;
            referenced += testkit::HasHash(row);
            SCOPED_TRACE(row.path);
            const std::size_t before = Script().messages.size();
            CBmp holder;
            int bpp = 0;
            if (LoadImageFile(kData + QLatin1Char('/') + QString::fromStdString(row.path), holder, true, bpp)) {
                ++opened;
                EXPECT_FALSE(holder.IsNull());
                EXPECT_TRUE(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32);
            } else {
                ++reported; // the report, after the JPEG adapter's own message for JPEG files
                EXPECT_GE(Script().messages.size(), before + 1);
                EXPECT_TRUE(Script().messages.back().text.contains(QStringLiteral(": ")));
            }
        }
    }
    std::printf("valid test files: %d open, %d report an error\n", opened, reported);
    // Every valid row was tried, and all but a few of those a reference decoder reads open.
    EXPECT_EQ(opened + reported, valid);
    EXPECT_GT(opened, referenced * 9 / 10);
}

} // namespace
} // namespace tsl
