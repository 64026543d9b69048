// The image browser as the program holds it: created hidden with the main frame, shown and
// hidden by Browse with its check mark, opening its files as documents, and --browse DIR.

#include "browser/ImageBrowser.h"
#include "framework/Ids.h"
#include "AppFixture.h"
#include "framework/Document.h"

#include <QFileInfo>

#include <QAction>
#include <QListWidget>
#include <QTest>

namespace tsl {
namespace {

using test::AppFixture;

struct BrowserCommand : AppFixture {
    void SetUp() override { WriteUsualSettings(); }
};

TEST_F(BrowserCommand, BrowseShowsAndHidesTheBrowserWithACheckMark) {
    ASSERT_TRUE(Start());
    CImageBrowser* browser = Frame().Browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->windowTitle(), "Image Browser");
    EXPECT_FALSE(browser->isVisible());
    EXPECT_TRUE(Frame().CommandState(ID_BROWSE).IsEnabled());
    EXPECT_FALSE(Frame().CommandState(ID_BROWSE).IsChecked());

    ASSERT_TRUE(Frame().ExecuteCommand(ID_BROWSE));
    EXPECT_TRUE(browser->isVisible());
    EXPECT_TRUE(Frame().CommandState(ID_BROWSE).IsChecked());
    Frame().UpdateCommandUI();
    for (QAction* action : Frame().ActionsFor(ID_BROWSE)) EXPECT_TRUE(action->isChecked());

    browser->close(); // the close box only hides
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(Frame().Browser(), browser);
    EXPECT_FALSE(Frame().CommandState(ID_BROWSE).IsChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_BROWSE));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_BROWSE));
    EXPECT_FALSE(browser->isVisible());
}

TEST_F(BrowserCommand, BrowseOptionShowsTheFolderAndItsFilesOpenAsDocuments) {
    const QString picture = MakeImage("shown.png", 12, 9);
    const QString folder = QFileInfo(picture).absolutePath();
    ASSERT_TRUE(Start({"--browse", folder}));
    CImageBrowser* browser = Frame().Browser();
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->CurrentFolder(), folder);
    ASSERT_TRUE(WaitFor([&] { return !browser->Building(); }, 10000));
    ASSERT_EQ(browser->List()->count(), 1);
    EXPECT_EQ(DocumentCount(), 0u); // the folder is not a file to open
    browser->List()->item(0)->setSelected(true);
    browser->OnCommand(ID_BROWSER_OPEN);
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_EQ(app->Template()->Documents().front()->GetPathName(), picture);
}

TEST_F(BrowserCommand, AFolderAmongTheArgumentsIsBrowsed) {
    const QString folder = QFileInfo(MakeImage("one.png")).absolutePath();
    ASSERT_TRUE(Start({folder}));
    EXPECT_TRUE(Frame().Browser()->isVisible());
    EXPECT_EQ(Frame().Browser()->CurrentFolder(), folder);
    EXPECT_EQ(DocumentCount(), 0u);
}

} // namespace
} // namespace tsl
