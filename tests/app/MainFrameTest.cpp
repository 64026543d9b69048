#include "AppFixture.h"

#include "framework/ChildFrame.h"
#include "framework/Document.h"
#include "framework/Ids.h"
#include "paint/PntCtrl.h"
#include "paint/PntToolBar.h"
#include "slideshow/SlideShowDlg.h"

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMimeData>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace tsl::test {
namespace {

struct MainFrame : AppFixture {
    void SetUp() override {
        WriteUsualSettings();
        ASSERT_TRUE(Start());
    }
};

TEST_F(MainFrame, MenusAndTitleFollowTheOpenDocuments) {
    EXPECT_EQ(Frame().CurrentMenuResource(), IDR_MAINFRAME);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Tessaly"));
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_NEW));
    EXPECT_EQ(Frame().CurrentMenuResource(), IDR_IMAGE_TYPE);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Tessaly - Image1"));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_CLOSE));
    Settle();
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_EQ(Frame().CurrentMenuResource(), IDR_MAINFRAME);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Tessaly"));
}

TEST_F(MainFrame, WithoutAScannerOnlyAcquireIsDisabled) {
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    Frame().ExecuteCommand(ID_FILE_NEW);
    // No scanner is configured for the tests: Acquire Multi stays in the menus, disabled.
    for (int id : {ID_TWAIN_ACQUIRE_MULTI}) {
        EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
        EXPECT_FALSE(Frame().ExecuteCommand(id)) << id;
        EXPECT_FALSE(Frame().ActionsFor(id).empty()) << id;
    }
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_APP_ABOUT, ID_HELP_MANUAL, ID_HELP_TIP_OF_THE_DAY,
                   ID_APP_EXIT, ID_FILE_CLOSE, ID_WINDOW_CASCADE, ID_VIEW_TOOLBAR, ID_ZOOM_100,
                   ID_VIEW_PAINT_BAR, ID_IMAGE_FLIP})
        EXPECT_TRUE(Frame().CommandState(id).IsEnabled()) << id;
    Frame().UpdateCommandUI();
    for (QAction* action : Frame().ActionsFor(ID_TWAIN_ACQUIRE_MULTI))
        EXPECT_FALSE(action->isEnabled());
}

TEST_F(MainFrame, SlideShowRunsAFreshEditorEachTimeThatOpensImagesAsDocuments) {
    const QString image = MakeImage("slide.png");
    EXPECT_TRUE(Frame().CommandState(ID_SLIDE_SHOW).IsEnabled());
    Script().dialogScripts.push_back([&](QDialog& dialog) {
        auto* editor = qobject_cast<CSlideShowDlg*>(&dialog);
        EXPECT_NE(editor, nullptr);
        if (!editor) return 0;
        editor->Model().imageEntries << image;
        editor->UpdateData(false);
        editor->Control<QListWidget>(CSlideShowDlg::IDC_IMAGES)->setCurrentRow(0);
        editor->OpenForEditing();
        return 0;
    });
    Script().dialogScripts.push_back([&](QDialog& dialog) {
        auto* editor = qobject_cast<CSlideShowDlg*>(&dialog);
        EXPECT_TRUE(editor && editor->Model().Count() == 0); // the last show is gone
        return 0;
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SLIDE_SHOW));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_SLIDE_SHOW));
    EXPECT_EQ(Script().dialogTitles, QStringList({"Slide show", "Slide show"}));
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(MainFrame, QuickSlideShowsAskForTheirFolderUntilCancelled) {
    ASSERT_TRUE(Frame().ExecuteCommand(ID_QUICK_SLIDE_SHOW));
    ASSERT_TRUE(Frame().ExecuteCommand(ID_QUICK_MULTI_SLIDE_SHOW));
    EXPECT_EQ(Script().folderCaptions,
              QStringList({QStringLiteral("Select folder for the slide show"),
                           QStringLiteral("Select base folder for the slide show")}));
}

TEST_F(MainFrame, BarsAreCreatedAndTheirViewItemsToggleThemWithCheckMarks) {
    ASSERT_TRUE(Frame().MainBar() && Frame().CommonBar());
    EXPECT_EQ(Frame().MainBar()->actions().size(), 26);
    EXPECT_EQ(Frame().CommonBar()->actions().size(), 12);
    EXPECT_EQ(Frame().Pane(1)->objectName(), QStringLiteral("Pane32803"));
    struct Row {
        int id;
        QWidget* bar;
    };
    for (Row row : {Row{ID_VIEW_TOOLBAR, Frame().MainBar()}, Row{ID_VIEW_COMMON_BAR, Frame().CommonBar()},
                    Row{ID_VIEW_STATUS_BAR, Frame().statusBar()}}) {
        EXPECT_TRUE(Frame().CommandState(row.id).IsChecked()) << row.id;
        Frame().ExecuteCommand(row.id);
        EXPECT_FALSE(row.bar->isVisible()) << row.id;
        EXPECT_FALSE(Frame().CommandState(row.id).IsChecked()) << row.id;
        for (QAction* a : Frame().ActionsFor(row.id)) EXPECT_FALSE(a->isChecked());
        Frame().ExecuteCommand(row.id);
        EXPECT_TRUE(row.bar->isVisible()) << row.id;
    }
}

TEST_F(MainFrame, PaintBarIsDockedLeftTogglesWithEndAndDrivesTheActivePaintControl) {
    CPntToolBar* bar = Frame().PaintBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("Tools"));
    EXPECT_EQ(Frame().toolBarArea(bar), Qt::LeftToolBarArea);
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(Frame().ActivePaintCtrl(), nullptr);
    EXPECT_FALSE(bar->ButtonAction(ID_PAINT_COPY)->isEnabled());

    // The View item and the End key show and hide it, with the check mark.
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(Frame().CommandState(ID_VIEW_PAINT_BAR).IsChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(ID_VIEW_PAINT_BAR));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(Frame().CommandState(ID_VIEW_PAINT_BAR).IsChecked());
    for (QAction* a : Frame().ActionsFor(ID_VIEW_PAINT_BAR)) EXPECT_FALSE(a->isChecked());
    Frame().activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &Frame(); }));
    QTest::keyClick(Frame().windowHandle(), Qt::Key_End);
    EXPECT_TRUE(bar->isVisible());
    for (QAction* a : Frame().ActionsFor(ID_VIEW_PAINT_BAR)) EXPECT_TRUE(a->isChecked());

    // An attached control: the bar's buttons act on it, and the update pass refreshes the bar.
    CPntCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateBlank(20, 10, 1, 24));
    Frame().SetActivePaintCtrl(&ctrl);
    EXPECT_EQ(Frame().ActivePaintCtrl(), &ctrl);
    bar->ButtonAction(ID_PAINT_PEN)->trigger();
    EXPECT_EQ(ctrl.GetMode(), kModePen);
    ctrl.SetLineWidth(3);
    ctrl.SetReadOnly(true);
    Frame().UpdateCommandUI();
    EXPECT_EQ(bar->LineWidthChooser()->CurrentIndex(), 2);
    EXPECT_FALSE(bar->LineWidthChooser()->isEnabled());
    EXPECT_FALSE(bar->ButtonAction(ID_PAINT_PEN)->isEnabled());
    Frame().SetActivePaintCtrl(nullptr);
    EXPECT_FALSE(bar->ButtonAction(ID_PAINT_COPY)->isEnabled());
}

TEST_F(MainFrame, HandOffMessagesOpenExistingFilesAndSurviveAnyBytes) {
    const QString image = MakeImage("sent.png");
    Frame().ReceivePath(QStringLiteral("/no/such.png").toUtf8());
    EXPECT_EQ(DocumentCount(), 0u);
    Frame().ReceivePath(image.toUtf8()); // not terminated
    EXPECT_EQ(DocumentCount(), 1u);
    Frame().ReceivePath(image.toUtf8() + QByteArray("\0junk", 5)); // terminated early
    EXPECT_EQ(DocumentCount(), 1u) << "the same file is not opened twice";

    QByteArray junk(10000, '\0');
    for (char& c : junk) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    Frame().ReceivePath(junk);
    Frame().ReceivePath(QByteArray());
    Frame().ReceivePath(QByteArray(5000, 'a'));
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(MainFrame, AnotherProcessHandsPathsOverTheLocalServer) {
    const QString name = Frame().HandOffServerName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_EQ(VendorValue("Tslh"), name);
    EXPECT_TRUE(VendorValue("Tsl").endsWith(QStringLiteral("app_tests")));

    const QString image = MakeImage("remote.png");
    QLocalSocket socket;
    socket.connectToServer(name);
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(image.toUtf8() + QByteArray(1, '\0'));
    socket.flush();
    ASSERT_TRUE(WaitFor([&] { return socket.bytesAvailable() > 0 || socket.waitForReadyRead(10); }));
    EXPECT_EQ(socket.readAll(), QByteArray("1"));
    EXPECT_EQ(DocumentCount(), 1u);

    // An oversized message is dropped; the server keeps serving.
    QLocalSocket flood;
    flood.connectToServer(name);
    ASSERT_TRUE(flood.waitForConnected(1000));
    flood.write(QByteArray(CMainFrame::kMaxHandOffBytes + 100, 'x'));
    flood.flush();
    flood.disconnectFromServer();
    QTest::qWait(50);
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(MainFrame, DroppedFilesOpenAsDocuments) {
    const QString a = MakeImage("a.png");
    Frame().OpenDroppedFiles(
        {QUrl::fromLocalFile(a), QUrl::fromLocalFile("/missing.png"), QUrl("https://x.example/")});
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(MainFrame, AcceleratorKeysReachTheirCommands) {
    Frame().activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &Frame(); }));
    QTest::keyClick(Frame().windowHandle(), Qt::Key_F1);
    EXPECT_EQ(Script().opened, QStringList{Env().programFolder + "ManualTsl.html"});
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    QTest::keyClick(Frame().windowHandle(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(DocumentCount(), 1u);
    EXPECT_EQ(Script().dialogTitles.back(), QStringLiteral("New Image"));
}

TEST_F(MainFrame, ClosingTheFrameAsksForModifiedDocumentsAndMayBeCancelled) {
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    Frame().ExecuteCommand(ID_FILE_NEW);
    app->Template()->Documents()[0]->SetModifiedFlag(true);
    Script().promptAnswers = {platform::IDCANCEL};
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(DocumentCount(), 1u);
    Script().promptAnswers = {platform::IDNO};
    EXPECT_TRUE(Frame().close());
    Settle();
    EXPECT_EQ(DocumentCount(), 0u);
}

TEST_F(MainFrame, RestoreRequestBringsAMinimisedFrameBack) {
    Frame().showMinimized();
    Frame().ExecuteCommand(ID_RESTORE_FRAME);
    EXPECT_FALSE(Frame().isMinimized());
    // Every new image sends the request, a blank one from the New Image dialog too.
    Frame().showMinimized();
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Accepted); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_FILE_NEW));
    EXPECT_EQ(DocumentCount(), 1u);
    EXPECT_FALSE(Frame().isMinimized());
}

TEST_F(MainFrame, RecentFilesReopenAndForgetMissingOnes) {
    const QString a = MakeImage("r.png");
    app->OpenDocumentFile(a);
    app->Template()->CloseAllDocuments();
    Settle();
    Frame().RecentFiles().Add(QStringLiteral("/gone.png"));
    Frame().UpdateCommandUI();
    EXPECT_FALSE(Frame().CommandState(ID_FILE_MRU_FILE1 + 2).IsEnabled()) << "two entries only";
    EXPECT_TRUE(Frame().ExecuteCommand(ID_FILE_MRU_FILE1)); // the missing file: forgotten
    EXPECT_EQ(Frame().RecentFiles().Files(), QStringList{QFileInfo(a).absoluteFilePath()});
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(Frame().ExecuteCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(DocumentCount(), 1u);
}

} // namespace
} // namespace tsl::test
