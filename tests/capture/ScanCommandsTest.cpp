// The scanning commands in the running program (offscreen, SANE's test backend): pages become
// documents " Twain Scan <n>" with a counter over the whole run, Acquire Multi is disabled
// while it runs, faults show the error list and keep the pages, and the ISIS titles.

#include "capture/SaneTestBackend.h"

#include "app/AppFixture.h"
#include "capture/ScanCommands.h"
#include "capture/TwainDialogs.h"
#include "document/PntUtilDoc.h"
#include "framework/Ids.h"
#include "imaging/ImagingFlags.h"
#include "imaging/LBase.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMdiSubWindow>
#include <QTimer>

namespace tsl::test {
namespace {

struct Scanning : AppFixture {
    void SetUp() override {
        LBase::ClearErrorList();
        WriteUsualSettings();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(WaitFor([&] { return app->Scan()->Twain().DiscoveryDone(); }, 10000));
        ASSERT_TRUE(app->Scan()->TwainAvailable());
    }
    void TearDown() override {
        CSaneSession::SetHooks({});
        AppFixture::TearDown();
    }
    CScanCommands& Scan() { return *app->Scan(); }
    // Scripts the options dialog: the feeder, colour, 75 dpi, a small area, plus extra.
    void ScriptOptions(SaneSettings extra = {}) {
        Scan().Twain().SetSettings(extra);
        Script().dialogScripts.push_back([](QDialog& d) {
            auto& dialog = static_cast<CScanOptionsDlg&>(d);
            qobject_cast<QComboBox*>(dialog.Editor(QStringLiteral("source")))
                ->setCurrentText(QStringLiteral("Automatic Document Feeder"));
            qobject_cast<QComboBox*>(dialog.Editor(QStringLiteral("mode")))->setCurrentText(QStringLiteral("Color"));
            for (const char* edge : {"br-x", "br-y"})
                if (auto* e = qobject_cast<QDoubleSpinBox*>(dialog.Editor(QLatin1String(edge)))) e->setValue(12);
            return int(QDialog::Accepted);
        });
    }
    QStringList Titles() {
        QStringList titles;
        // The title each page was handed over with (the window takes the default title).
        for (CDocument* document : app->Template()->Documents())
            titles << static_cast<CPntUtilDoc*>(document)->HandOffName();
        return titles;
    }
    static QStringList Range(int from, int to) {
        QStringList titles;
        for (int n = from; n <= to; ++n) titles << QStringLiteral(" Twain Scan %1").arg(n);
        return titles;
    }
};

TEST_F(Scanning, FeederPagesBecomeDocumentsNumberedOverTheRun) {
    ScriptOptions();
    bool disabledWhileRunning = true;
    int checks = 0;
    bool progressActiveBetweenPages = false; // after a page's document opened
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!Scan().AcquisitionBusy()) return;
        ++checks;
        if (!app->Template()->Documents().empty() && dynamic_cast<CScanProgressDlg*>(QApplication::activeWindow()))
            progressActiveBetweenPages = true;
        disabledWhileRunning = disabledWhileRunning && !Frame().CommandState(ID_TWAIN_ACQUIRE_MULTI).IsEnabled();
        disabledWhileRunning = disabledWhileRunning && !Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI);
    });
    probe.start(5);
    ASSERT_TRUE(Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI));
    probe.stop();
    EXPECT_GT(checks, 0);
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_TRUE(progressActiveBetweenPages); // so Escape reaches it
    EXPECT_EQ(Titles(), Range(1, 10));
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_TRUE(Frame().CommandState(ID_TWAIN_ACQUIRE_MULTI).IsEnabled());
    EXPECT_TRUE(Frame().CommandState(ID_TWAIN_SELECT_SOURCE).IsEnabled());

    ScriptOptions();
    ASSERT_TRUE(Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI));
    EXPECT_EQ(Titles(), Range(1, 20));
    EXPECT_EQ(Scan().Twain().ScanCounter(), 20);
}

TEST_F(Scanning, AJamShowsTheErrorListAndKeepsThePagesBeforeIt) {
    CSaneSession::SetHooks({{}, [](CSaneDevice& device, int done) {
                                if (done == 3)
                                    device.SetOption(QStringLiteral("read-return-value"),
                                                     QStringLiteral("SANE_STATUS_JAMMED"));
                            }});
    ScriptOptions();
    ASSERT_TRUE(Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI));
    EXPECT_EQ(Titles(), Range(1, 3));
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Document feeder jammed: page 4"));
    EXPECT_FALSE(Scan().AcquisitionBusy());
    // Once cleared the feeder goes on with its remaining sheets, and so does the counter.
    CSaneSession::SetHooks({});
    ScriptOptions({{QStringLiteral("read-return-value"), QStringLiteral("Default")}});
    ASSERT_TRUE(Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI));
    EXPECT_GT(Titles().size(), 4);
    EXPECT_EQ(Titles(), Range(1, int(Titles().size())));
    EXPECT_EQ(Script().messages.size(), 1u);
}

TEST_F(Scanning, CancellingTheSourceDialogShowsTheErrorListAndMakesNoDocument) {
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
    ASSERT_TRUE(Frame().ExecuteCommand(ID_TWAIN_ACQUIRE_MULTI));
    EXPECT_TRUE(Titles().isEmpty());
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Operation was cancelled"));
}

TEST_F(Scanning, IsisPagesAreTitledByNameOrWithTwoBlanks) {
    QImage page(5, 4, QImage::Format_RGB32);
    page.fill(Qt::white);
    EXPECT_EQ(Scan().Isis().DeliverPage(page, 2, "Invoice"), 1);
    EXPECT_EQ(Scan().Isis().DeliverPage(page, 3, nullptr), 1);
    EXPECT_EQ(Scan().Isis().DeliverPage(QImage(), 4, nullptr), 0); // not a valid image: skipped
    EXPECT_EQ(Titles(), QStringList({QStringLiteral("Invoice[2]"), QStringLiteral("ISIS  [3]")}));
}

} // namespace
} // namespace tsl::test
