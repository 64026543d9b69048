// Capture Setup and the capture commands' states, on the offscreen platform (no capture runs).

#include "capture/CaptureCommands.h"
#include "capture/CaptureOptionDlgs.h"
#include "capture/CaptureSetupDlg.h"
#include "capture/PortalGrabber.h"
#include "framework/Ids.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace tsl::test {
namespace {

struct Setup : testing::Test {
    QWidget frame;
    CCaptureCommands commands{&frame, nullptr};

    void TearDown() override { commands.SetMultipleCaptures(false); }
    // Runs Capture Setup with one script for the dialog itself.
    void RunSetup(std::function<int(CCaptureSetupDlg&)> script) {
        Script().dialogScripts.push_back([script](QDialog& d) { return script(static_cast<CCaptureSetupDlg&>(d)); });
        ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_SETUP));
    }
};

TEST(CaptureKinds, TitleNamesStandInATableByKind) {
    EXPECT_EQ(CaptureKindName(0), QString());
    EXPECT_EQ(CaptureKindName(1), QStringLiteral("Capture Full Screen"));
    EXPECT_EQ(CaptureKindName(4), QStringLiteral("Capture Window under Cursor"));
    EXPECT_EQ(CaptureKindName(5), QStringLiteral("Capture Menu Under Cursor"));
    EXPECT_EQ(CaptureKindName(9), QStringLiteral("Capture WallPaper"));
    EXPECT_EQ(CaptureKindName(10), QStringLiteral("Capture From Exe Dlg Tree"));
    EXPECT_EQ(CaptureKindName(11), QStringLiteral("Capture From Tabbed View"));
    EXPECT_EQ(CaptureKindName(12), QString());
}

TEST_F(Setup, ShowsTheNineKindsInOrderAndStartsFromActiveWindow) {
    EXPECT_EQ(commands.SelectedKind(), 3);
    EXPECT_FALSE(commands.MultipleCaptures());
    QStringList texts;
    QList<int> kinds;
    RunSetup([&](CCaptureSetupDlg& d) {
        for (QAbstractButton* b : d.Kinds()->buttons()) {
            texts << b->text();
            kinds << d.Kinds()->id(b);
        }
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Capture Setup"));
        EXPECT_EQ(d.Kinds()->checkedId(), 3);
        EXPECT_EQ(d.MultipleBox()->text(), QStringLiteral("Multiple captures"));
        for (const char* b : {"Capture Options...", "Area Options...", "Object Options...",
                              "Start capturing!", "OK", "Cancel"})
            EXPECT_NE(d.Button(QString::fromLatin1(b)), nullptr) << b;
        EXPECT_TRUE(d.Button("Start capturing!")->isDefault());
        return 0;
    });
    EXPECT_EQ(texts, (QStringList{"&Area", "&Client area", "Active &window", "&Full screen", "&Object",
                                  "&Menu under cursor", "Wi&ndow under cursor", "Mo&use cursor",
                                  "Wallpap&er"}));
    EXPECT_EQ(kinds, (QList<int>{7, 2, 3, 1, 6, 5, 4, 8, 9}));
}

TEST_F(Setup, AKindOutsideTheRangeShowsActiveWindowAndOkStoresThree) {
    for (int outside : {0, 10, -4}) {
        commands.SetSelectedKind(outside);
        RunSetup([](CCaptureSetupDlg& d) {
            EXPECT_TRUE(d.Kinds()->button(3)->isChecked());
            d.Button("OK")->click();
            return d.result();
        });
        EXPECT_EQ(commands.SelectedKind(), 3) << outside;
    }
}

TEST_F(Setup, OkStoresTheChoiceAndTheFlag) {
    RunSetup([](CCaptureSetupDlg& d) {
        d.Kinds()->button(8)->click();
        d.MultipleBox()->setChecked(true);
        d.Button("OK")->click();
        return d.result();
    });
    EXPECT_EQ(commands.SelectedKind(), 8);
    EXPECT_TRUE(commands.MultipleCaptures());
    EXPECT_FALSE(commands.Capture().IsCaptureActive());
}

TEST_F(Setup, CancelKeepsKindAndFlagButTheOptionDialogsKeepTheirs) {
    commands.SetSelectedKind(9);
    // The Setup dialog presses the three option buttons, then Cancel; each option dialog is
    // changed and confirmed.
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& setup = static_cast<CCaptureSetupDlg&>(d);
        setup.Kinds()->button(1)->click();
        setup.MultipleBox()->setChecked(true);
        setup.Button("Capture Options...")->click();
        setup.Button("Area Options...")->click();
        setup.Button("Object Options...")->click();
        setup.Button("Cancel")->click();
        return setup.result();
    });
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& o = static_cast<CCaptureOptionsDlg&>(d);
        o.HotKeyEdit()->setKeySequence(QKeySequence(Qt::Key_F9));
        o.DelayBox()->setValue(700);
        o.CursorBox()->setChecked(true);
        o.accept();
        return o.result();
    });
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& o = static_cast<CAreaOptionsDlg&>(d);
        o.Shapes()->button(int(AreaShape::Ellipse))->click();
        o.accept();
        return o.result();
    });
    Script().dialogScripts.push_back([](QDialog& d) {
        auto& o = static_cast<CObjectOptionsDlg&>(d);
        o.BorderBox()->setValue(5);
        o.accept();
        return o.result();
    });
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_SETUP));
    EXPECT_EQ(Script().dialogTitles, (QStringList{"Capture Setup", "Capture Options", "Area Options",
                                                   "Object Options"}));
    EXPECT_EQ(commands.SelectedKind(), 9);
    EXPECT_FALSE(commands.MultipleCaptures());
    const CaptureOptions& o = commands.Capture().GetCaptureOptions();
    EXPECT_EQ(o.hotKey, QKeyCombination(Qt::Key_F9));
    EXPECT_EQ(o.delayMs, 700);
    EXPECT_TRUE(o.includeCursor);
    EXPECT_EQ(commands.Capture().GetAreaOptions().shape, AreaShape::Ellipse);
    EXPECT_EQ(commands.Capture().GetObjectOptions().borderWidth, 5);
}

TEST_F(Setup, StartCapturingStoresLikeOkThenMinimisesAndStarts) {
    frame.show();
    RunSetup([](CCaptureSetupDlg& d) {
        d.Kinds()->button(1)->click();
        d.Button("Start capturing!")->click();
        return d.result();
    });
    EXPECT_EQ(commands.SelectedKind(), 1);
    EXPECT_TRUE(frame.isMinimized());
    // Offscreen there is no screen to capture: the start ends with a message, not a wait.
    EXPECT_FALSE(commands.Capture().IsCaptureActive());
    ASSERT_FALSE(Script().messages.empty());
    EXPECT_TRUE(Script().messages.back().text.contains("cannot be captured"));
}

TEST_F(Setup, MenuStatesFollowTheFlagAndTheCapture) {
    auto state = [&](int id) {
        CCmdUI ui(id);
        commands.OnUpdateCmdUI(ui);
        return ui;
    };
    EXPECT_FALSE(state(ID_CAPTURE_STOP).IsEnabled());
    EXPECT_FALSE(state(ID_CAPTURE_MULTIPLE).IsChecked());
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_MULTIPLE));
    EXPECT_TRUE(state(ID_CAPTURE_MULTIPLE).IsChecked());
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_MULTIPLE));
    EXPECT_FALSE(state(ID_CAPTURE_MULTIPLE).IsChecked());
    for (int id : {ID_CAPTURE_SETUP, ID_CAPTURE_START, ID_CAPTURE_EXE_TREE, ID_CAPTURE_EXE_TABBED,
                   ID_CAPTURE_EXE_TREE_NODOC, ID_CAPTURE_EXE_TABBED_NODOC}) {
        EXPECT_TRUE(state(id).IsEnabled()) << id;
        EXPECT_FALSE(state(id).IsChecked()) << id;
    }
}

TEST_F(Setup, TheRearmRequestStopsAndArmsTimer300) {
    ASSERT_TRUE(commands.OnCmdMsg(ID_CAPTURE_REARM));
    EXPECT_TRUE(commands.RearmPending());
    EXPECT_EQ(CCaptureCommands::kRearmMs, 100);
    commands.OnRearmTimer();
    EXPECT_FALSE(commands.RearmPending());
}

} // namespace
} // namespace tsl::test

namespace tsl::test {
namespace {

// The portal's grabber, without a session bus to reach a portal through.
struct Portal : testing::Test {
    QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    void SetUp() override { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); }
    void TearDown() override {
        if (!bus.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    }
};

TEST_F(Portal, KindsThePortalCannotTakeAreExplainedNotAttempted) {
    LScreenCapture capture(std::make_unique<PortalGrabber>());
    EXPECT_EQ(capture.CaptureMenuUnderCursor(), kCaptureUnsupported);
    EXPECT_EQ(capture.CaptureSelectedObject(), kCaptureUnsupported);
    EXPECT_EQ(capture.CaptureMouseCursor(0xFFFFFF), kCaptureUnsupported);
    EXPECT_EQ(capture.CaptureWallpaper(), kCaptureUnsupported);
    ASSERT_EQ(Script().messages.size(), 4u);
    for (const platform::ShownMessage& m : Script().messages)
        EXPECT_EQ(m.text, QStringLiteral("The desktop portal cannot capture this kind of target. On this "
                                         "desktop only the full screen, a window and an area can be captured."));
    EXPECT_FALSE(capture.IsCaptureActive());
}

TEST_F(Portal, WithoutAPortalAFullScreenCaptureFailsClearlyAfterTellingThereIsNoHotKey) {
    LScreenCapture capture(std::make_unique<PortalGrabber>());
    EXPECT_EQ(capture.CaptureFullScreen(), kCaptureFailed);
    ASSERT_GE(Script().messages.size(), 1u);
    EXPECT_TRUE(Script().messages.back().text.startsWith("The desktop portal cannot be reached"))
        << Script().messages.back().text.toStdString();
    EXPECT_FALSE(capture.IsCaptureActive());
}

} // namespace
} // namespace tsl::test
