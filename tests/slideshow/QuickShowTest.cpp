// Quick Slide Show and Quick Multi-folder Slide Show: which files they play, in what order, and
// the folder chooser they come back to.

#include "slideshow/QuickSlideShow.h"
#include "slideshow/SlideShowModel.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace tsl {
namespace {

using test::Script;

class QuickShow : public testing::Test {
protected:
    QString base = test::MakeTempFolder(QStringLiteral("quick"));
    QString File(const QString& relative) {
        return test::WriteFile(base + QLatin1Char('/') + relative, "bytes");
    }
};

TEST_F(QuickShow, TheFolderGivesItsImageFilesByNameIgnoringCase) {
    for (const char* name : {"photo.JPG", "photo.jpe", "README", "b.png", "A.gif", "c.Tiff",
                             "notes.txt", ".hidden.png"})
        File(QString::fromLatin1(name));
    QDir(base).mkpath(QStringLiteral("sub.png"));
    File(QStringLiteral("sub/inner.png"));
    EXPECT_EQ(QuickShowEntries(base, false),
              QStringList({".hidden.png", "A.gif", "b.png", "c.Tiff", "photo.JPG"}));
    EXPECT_EQ(QuickShowEntries(base + QLatin1Char('/'), false), QuickShowEntries(base, false));
}

TEST_F(QuickShow, TheMultiFolderShowListsTheBaseFirstThenSubFoldersWithoutADot) {
    File(QStringLiteral("z.png"));
    File(QStringLiteral("sub/y.png"));
    File(QStringLiteral("sub/deeper/x.png"));
    File(QStringLiteral("sub/w.txt"));
    File(QStringLiteral("Alpha/v.gif"));
    File(QStringLiteral("dot.ted/u.png"));
    File(QStringLiteral("empty/readme"));
    // A link back up the tree is not read twice.
    ASSERT_TRUE(QFile::link(base, base + QStringLiteral("/sub/loop")));
    EXPECT_EQ(QuickShowEntries(base, true),
              QStringList({base + "/z.png", base + "/Alpha/v.gif", base + "/sub/y.png",
                           base + "/sub/deeper/x.png"}));
}

TEST_F(QuickShow, TheCommandPlaysEachChosenFolderUntilTheChooserIsCancelled) {
    File(QStringLiteral("one/a.png"));
    File(QStringLiteral("one/b.bmp"));
    const QString empty = test::MakeTempFolder(QStringLiteral("nothing"));
    test::WriteFile(empty + QStringLiteral("/README"), "x");
    Script().folderAnswers = {base + QStringLiteral("/one"), empty};

    std::vector<CSlideShowModel> played;
    RunQuickSlideShow(nullptr, false, [&](CSlideShowModel& model) { played.push_back(model); });
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].imageEntries, QStringList({"a.png", "b.bmp"}));
    EXPECT_EQ(played[0].folderPrefix, base + QStringLiteral("/one/"));
    EXPECT_EQ(std::tie(played[0].loop, played[0].useSound, played[0].showFileName,
                       played[0].useTransitions, played[0].advanceMode),
              std::make_tuple(0, 0, 1, 0, 0));
    // The chooser came three times: the folder, the empty one, then the cancel.
    EXPECT_EQ(Script().folderCaptions,
              QStringList(3, QStringLiteral("Select folder for the slide show")));
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("No images found"));
    EXPECT_EQ(Script().waitCursorDepth, 0);
    EXPECT_GE(Script().waitCursorUses, 2);
}

TEST_F(QuickShow, TheMultiFolderCommandPlaysFullPathsWithoutAPrefix) {
    File(QStringLiteral("top.gif"));
    File(QStringLiteral("inner/deep.jpg"));
    Script().folderAnswers = {base};
    std::vector<CSlideShowModel> played;
    RunQuickSlideShow(nullptr, true, [&](CSlideShowModel& model) { played.push_back(model); });
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].imageEntries, QStringList({base + "/top.gif", base + "/inner/deep.jpg"}));
    EXPECT_TRUE(played[0].folderPrefix.isEmpty());
    EXPECT_EQ(Script().folderCaptions,
              QStringList(2, QStringLiteral("Select base folder for the slide show")));
}

} // namespace
} // namespace tsl
