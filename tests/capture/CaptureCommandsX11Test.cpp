// The capture commands in the running program on a private X server: the hot key makes
// documents, multiple captures re-arm, Start while active starts nothing, and the menu states
// while a capture waits.

#include "CaptureX11Kit.h"

#include "app/AppFixture.h"
#include "capture/CaptureCommands.h"
#include "framework/ChildFrame.h"
#include "framework/Document.h"
#include "framework/Ids.h"
#include "document/PntUtilDoc.h"

#include <QMdiArea>

namespace tsl::test {
namespace {

struct CaptureCommandsX11 : AppFixture {
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X server";
        WriteUsualSettings();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame(), 5000));
        Capture().SetSelectedKind(kCaptureFull);
    }
    void TearDown() override {
        if (app) Capture().SetMultipleCaptures(false);
        AppFixture::TearDown();
    }
    CCaptureCommands& Capture() { return *app->Capture(); }
    // The names the documents' images came with.
    QStringList Titles() {
        QStringList out;
        for (CDocument* d : app->Template()->Documents()) out << static_cast<CPntUtilDoc*>(d)->HandOffName();
        return out;
    }
};

TEST_F(CaptureCommandsX11, TheHotKeyMakesADocumentTitledByKindAndCount) {
    Later(300, [] { Xdo({"key", "F11"}); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CAPTURE_START));
    EXPECT_EQ(Titles(), QStringList{"Capture Full Screen[1]"});
    EXPECT_EQ(Script().beeps, 1);
    EXPECT_EQ(Capture().CurrentKind(), 0);
    EXPECT_FALSE(Capture().Capture().IsCaptureActive());
    // Single-capture mode restores the minimised frame.
    EXPECT_TRUE(WaitFor([&] { return !Frame().isMinimized(); }));
    EXPECT_TRUE(app->Template()->Documents()[0]->IsModified());
}

TEST_F(CaptureCommandsX11, MultipleCapturesReArmAndNumberEachCallFromOne) {
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CAPTURE_MULTIPLE));
    EXPECT_TRUE(Frame().CommandState(ID_CAPTURE_MULTIPLE).IsChecked());
    Later(300, [] { Xdo({"key", "F11"}); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CAPTURE_START));
    EXPECT_EQ(Titles(), QStringList{"Capture Full Screen[1]"});
    EXPECT_TRUE(Capture().RearmPending());
    // Timer 300 starts the next capture from its own tick and waits for the hot key there; a
    // watcher presses it, then stops the third capture once it waits.
    bool waited = false, stopped = false;
    QTimer watcher;
    int presses = 0;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!Capture().Capture().IsCaptureActive()) return;
        if (app->Template()->Documents().size() == 1 && presses == 0) {
            waited = true;
            ++presses;
            Xdo({"key", "F11"});
        } else if (app->Template()->Documents().size() == 2 && !stopped) {
            stopped = true;
            Frame().ExecuteCommand(ID_CAPTURE_STOP);
        }
    });
    watcher.start(100);
    ASSERT_TRUE(WaitFor([&] { return stopped && !Capture().Capture().IsCaptureActive(); }, 8000));
    watcher.stop();
    EXPECT_TRUE(waited);
    EXPECT_EQ(Titles(), (QStringList{"Capture Full Screen[1]", "Capture Full Screen[1]"}));
    EXPECT_FALSE(Capture().RearmPending());
}

TEST_F(CaptureCommandsX11, WhileWaitingStartDoesNothingAndTheMenuStatesFollow) {
    bool checked = false;
    Later(300, [&] {
        checked = true;
        EXPECT_TRUE(Capture().Capture().IsCaptureActive());
        Frame().UpdateCommandUI();
        EXPECT_TRUE(Frame().CommandState(ID_CAPTURE_STOP).IsEnabled());
        for (int id : {ID_CAPTURE_EXE_TREE_NODOC, ID_CAPTURE_EXE_TABBED_NODOC})
            EXPECT_FALSE(Frame().CommandState(id).IsEnabled()) << id;
        for (QAction* action : Frame().ActionsFor(ID_CAPTURE_STOP)) EXPECT_TRUE(action->isEnabled());
        // A second start: minimised all the same, nothing started.
        Frame().showNormal();
        QTest::qWait(200);
        Capture().SetSelectedKind(kCaptureWallpaper);
        Frame().ExecuteCommand(ID_CAPTURE_START);
        EXPECT_TRUE(Frame().isMinimized() || Frame().windowState().testFlag(Qt::WindowMinimized));
        EXPECT_EQ(Capture().CurrentKind(), kCaptureFull);
        Frame().ExecuteCommand(ID_CAPTURE_STOP);
    });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_CAPTURE_START));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(Titles().isEmpty());
    EXPECT_FALSE(Frame().CommandState(ID_CAPTURE_STOP).IsEnabled());
    EXPECT_TRUE(Frame().CommandState(ID_CAPTURE_EXE_TREE_NODOC).IsEnabled());
}

} // namespace
} // namespace tsl::test
