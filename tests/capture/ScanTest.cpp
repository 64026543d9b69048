// Scanning on SANE's test backend: the page assembler on every frame format, LTwain's
// discovery, acquisition, faults and cancel (offscreen; the options dialog is scripted).

#include "capture/SaneTestBackend.h"

#include "capture/LTwain.h"
#include "capture/SaneFrames.h"
#include "capture/TwainDialogs.h"
#include "imaging/ImagingFlags.h"
#include "imaging/LBase.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstring>

namespace tsl::test {
namespace {

// ------------------------------------------------------------------------- page assembler

TEST(SanePage, EveryFrameFormatBecomesThe32BitImage) {
    {   // gray, 1 bit: a set bit is black
        CSanePage page;
        ASSERT_EQ(page.BeginFrame({0, true, 1, 8, 2, 1}), CSanePage::kOk);
        const std::uint8_t rows[] = {0xF0, 0x0F};
        ASSERT_EQ(page.Append(rows, 2), CSanePage::kOk);
        ASSERT_EQ(page.EndFrame(), CSanePage::kOk);
        const QImage image = page.Image(300);
        ASSERT_EQ(image.size(), QSize(8, 2));
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(4, 0), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(0, 1), qRgb(255, 255, 255));
        EXPECT_EQ(image.dotsPerMeterX(), 11811); // 300 dpi recorded
    }
    {   // RGB, 16 bits in host order, reduced to the high byte
        CSanePage page;
        ASSERT_EQ(page.BeginFrame({1, true, 12, 2, 1, 16}), CSanePage::kOk);
        const std::uint16_t samples[] = {0xFF00, 0x8000, 0x00FF, 0x1234, 0xABCD, 0x0000};
        std::uint8_t bytes[12];
        std::memcpy(bytes, samples, 12);
        ASSERT_EQ(page.Append(bytes, 12), CSanePage::kOk);
        ASSERT_EQ(page.EndFrame(), CSanePage::kOk);
        const QImage image = page.Image(0);
        EXPECT_EQ(image.pixel(0, 0), qRgb(0xFF, 0x80, 0x00));
        EXPECT_EQ(image.pixel(1, 0), qRgb(0x12, 0xAB, 0x00));
    }
    {   // three-pass, any colour order, with padded lines
        CSanePage page;
        const std::uint8_t blue[] = {30, 31, 0, 32, 33, 0}, red[] = {10, 11, 0, 12, 13, 0},
                           green[] = {20, 21, 0, 22, 23, 0};
        const std::pair<int, const std::uint8_t*> frames[] = {{4, blue}, {2, red}, {3, green}};
        for (int i = 0; i < 3; ++i) {
            ASSERT_FALSE(page.Complete());
            ASSERT_EQ(page.BeginFrame({frames[i].first, i == 2, 3, 2, 2, 8}), CSanePage::kOk);
            ASSERT_EQ(page.Append(frames[i].second, 6), CSanePage::kOk);
            ASSERT_EQ(page.EndFrame(), CSanePage::kOk);
        }
        const QImage image = page.Image(0);
        EXPECT_EQ(image.pixel(0, 0), qRgb(10, 20, 30));
        EXPECT_EQ(image.pixel(1, 1), qRgb(13, 23, 33));
    }
    {   // a hand scanner: height unknown, a partial last line dropped
        CSanePage page;
        ASSERT_EQ(page.BeginFrame({0, true, 4, 4, -1, 8}), CSanePage::kOk);
        std::uint8_t bytes[14] = {};
        ASSERT_EQ(page.Append(bytes, 14), CSanePage::kOk);
        ASSERT_EQ(page.EndFrame(), CSanePage::kOk);
        EXPECT_EQ(page.Image(0).size(), QSize(4, 3));
    }
}

TEST(SanePage, AbsurdOrInconsistentFramesAreRefusedBeforeAllocating) {
    CSanePage page;
    EXPECT_EQ(page.BeginFrame({0, true, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 8}), CSanePage::kTooLarge);
    EXPECT_EQ(page.BeginFrame({0, true, 65536, 65536, 65536, 8}), CSanePage::kTooLarge);
    EXPECT_EQ(page.BeginFrame({1, true, 10, 10, 5, 8}), CSanePage::kBadParameters); // 30 bytes a line
    EXPECT_EQ(page.BeginFrame({0, true, 10, 10, 5, 12}), CSanePage::kBadParameters);
    EXPECT_EQ(page.BeginFrame({0, true, 10, 0, 5, 8}), CSanePage::kBadParameters);
    EXPECT_EQ(page.BeginFrame({0, true, 10, 10, 0, 8}), CSanePage::kBadParameters);
    EXPECT_EQ(page.BeginFrame({7, true, 10, 10, 5, 8}), CSanePage::kBadParameters);
    // More data than announced, and fewer.
    ASSERT_EQ(page.BeginFrame({0, true, 2, 2, 2, 8}), CSanePage::kOk);
    std::uint8_t bytes[6] = {};
    EXPECT_EQ(page.Append(bytes, 6), CSanePage::kTooLarge);
    ASSERT_EQ(page.Append(bytes, 3), CSanePage::kOk);
    EXPECT_EQ(page.EndFrame(), CSanePage::kIncomplete);
    EXPECT_TRUE(page.Image(0).isNull());
    // A hand scanner's frame that grows past the pixel limit.
    CSanePage hand;
    ASSERT_EQ(hand.BeginFrame({0, true, 1 << 20, 1 << 20, -1, 8}), CSanePage::kOk);
    std::vector<std::uint8_t> line(1 << 20);
    CSanePage::Result r = CSanePage::kOk;
    for (int i = 0; i < 1100 && r == CSanePage::kOk; ++i) r = hand.Append(line.data(), line.size());
    EXPECT_EQ(r, CSanePage::kTooLarge);
    // Three-pass frames that do not match, and a colour twice.
    CSanePage planes;
    ASSERT_EQ(planes.BeginFrame({2, false, 2, 2, 1, 8}), CSanePage::kOk);
    ASSERT_EQ(planes.Append(bytes, 2), CSanePage::kOk);
    ASSERT_EQ(planes.EndFrame(), CSanePage::kOk);
    EXPECT_EQ(planes.BeginFrame({3, false, 3, 3, 1, 8}), CSanePage::kBadParameters);
    EXPECT_EQ(planes.BeginFrame({2, false, 2, 2, 1, 8}), CSanePage::kBadParameters);
    EXPECT_EQ(planes.BeginFrame({0, true, 2, 2, 1, 8}), CSanePage::kBadParameters);
}

// ------------------------------------------------------------------------- LTwain on SANE

class PageCollector : public LTwain {
public:
    std::vector<QImage> pages;
    std::function<void()> onPage;

protected:
    int AcquireCallBack() override {
        pages.push_back(Bitmap());
        if (onPage) onPage();
        return 1;
    }
};

SaneSettings Settings(const QString& mode, int depth, const QString& source,
                      const QString& picture = QStringLiteral("Color pattern"), bool threePass = false) {
    SaneSettings s = {{"mode", mode},          {"depth", depth},         {"source", source},
                      {"test-picture", picture}, {"resolution", 75},     {"tl-x", 0.0},
                      {"tl-y", 0.0},           {"br-x", 20.0},           {"br-y", 16.0}};
    if (threePass) s.insert(s.begin() + 1, {"three-pass", true});
    return s;
}
const QString kFeeder = QStringLiteral("Automatic Document Feeder");
const QString kFlatbed = QStringLiteral("Flatbed");

struct Twain : testing::Test {
    std::unique_ptr<PageCollector> twain;
    void SetUp() override {
        LBase::ClearErrorList();
        twain = std::make_unique<PageCollector>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return twain->DiscoveryDone(); }, 10000));
        ASSERT_TRUE(twain->IsAvailable());
    }
    void TearDown() override {
        twain.reset();
        CSaneSession::SetHooks({});
    }
    int Scan(const SaneSettings& settings, unsigned flags = kTwainMultiPage) {
        twain->pages.clear();
        twain->SetSettings(settings);
        return twain->Acquire(flags);
    }
};

TEST_F(Twain, DiscoveryListsTheTestDevicesAndSelectKeepsTheChoice) {
    ASSERT_EQ(twain->Devices().size(), 2u);
    EXPECT_EQ(twain->Devices()[0].name, QStringLiteral("test:0"));
    EXPECT_EQ(twain->Devices()[0].vendor, QStringLiteral("Noname"));
    EXPECT_EQ(twain->CurrentSource(), QStringLiteral("test:0"));
    QStringList shown;
    Script().dialogScripts.push_back([&](QDialog& d) {
        auto& dialog = static_cast<CSelectSourceDlg&>(d);
        for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i)
            shown << dialog.List()->topLevelItem(i)->text(2);
        EXPECT_EQ(dialog.Chosen(), QStringLiteral("test:0")); // the current one is selected
        dialog.List()->setCurrentItem(dialog.List()->topLevelItem(1));
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(twain->Select(), 1);
    EXPECT_EQ(shown, QStringList({QStringLiteral("test:0"), QStringLiteral("test:1")}));
    EXPECT_EQ(twain->CurrentSource(), QStringLiteral("test:1"));
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(twain->Select(), 0);
    EXPECT_EQ(twain->CurrentSource(), QStringLiteral("test:1"));
}

TEST_F(Twain, TheFeederGivesTenPagesAndAFlatbedOne) {
    EXPECT_EQ(Scan(Settings("Color", 8, kFeeder)), kSuccess);
    ASSERT_EQ(twain->pages.size(), 10u);
    for (const QImage& page : twain->pages) {
        EXPECT_EQ(page.size(), twain->pages[0].size());
        EXPECT_EQ(page.format(), QImage::Format_RGB32);
        EXPECT_EQ(page.dotsPerMeterX(), 2953); // 75 dpi
    }
    EXPECT_NEAR(twain->pages[0].width(), 59, 1); // 20 mm at 75 dpi
    EXPECT_TRUE(LBase::ErrorList().empty());
    EXPECT_FALSE(twain->IsAcquiring());
    // The next acquisition has a full feeder again.
    EXPECT_EQ(Scan(Settings("Color", 8, kFeeder)), kSuccess);
    EXPECT_EQ(twain->pages.size(), 10u);
    EXPECT_EQ(Scan(Settings("Color", 8, kFlatbed)), kSuccess);
    EXPECT_EQ(twain->pages.size(), 1u);
    // Without the multi-page flag a feeder gives one page.
    EXPECT_EQ(Scan(Settings("Color", 8, kFeeder), 0), kSuccess);
    EXPECT_EQ(twain->pages.size(), 1u);
}

TEST_F(Twain, GrayColourSixteenBitThreePassAndHandScannerPages) {
    const auto one = [&](const SaneSettings& s) {
        EXPECT_EQ(Scan(s), kSuccess);
        return twain->pages.size() == 1 ? twain->pages[0] : QImage();
    };
    const QImage colour8 = one(Settings("Color", 8, kFlatbed));
    ASSERT_FALSE(colour8.isNull());
    // Three passes give the picture of one.
    EXPECT_EQ(one(Settings("Color", 8, kFlatbed, QStringLiteral("Color pattern"), true)), colour8);
    EXPECT_FALSE(colour8.allGray());
    // The 16-bit pattern has values of its own; its size and kind are the 8-bit one's.
    const QImage colour16 = one(Settings("Color", 16, kFlatbed));
    EXPECT_EQ(colour16.size(), colour8.size());
    EXPECT_FALSE(colour16.allGray());
    const QImage gray8 = one(Settings("Gray", 8, kFlatbed));
    EXPECT_TRUE(gray8.allGray());
    EXPECT_EQ(gray8.size(), colour8.size());
    EXPECT_TRUE(one(Settings("Gray", 16, kFlatbed)).allGray());
    for (const char* mode : {"Gray", "Color"}) {
        for (int depth : {1, 8, 16}) {
            const QImage white = one(Settings(mode, depth, kFlatbed, QStringLiteral("Solid white")));
            const QImage black = one(Settings(mode, depth, kFlatbed, QStringLiteral("Solid black")));
            ASSERT_FALSE(white.isNull()) << mode << depth;
            EXPECT_EQ(white.pixel(3, 3), qRgb(255, 255, 255)) << mode << depth;
            EXPECT_EQ(black.pixel(white.width() - 1, white.height() - 1), qRgb(0, 0, 0)) << mode << depth;
        }
    }
    SaneSettings hand = Settings("Gray", 8, kFlatbed);
    hand.insert(hand.begin(), {"hand-scanner", true});
    const QImage handPage = one(hand);
    EXPECT_GT(handPage.height(), 0);
}

TEST_F(Twain, AFaultBetweenPagesEndsTheScanAndKeepsTheCompletePages) {
    struct Case {
        const char* returnValue;
        int pagesBefore;
        int status;
    };
    for (const Case& c : {Case{"SANE_STATUS_JAMMED", 3, kErrorScanJammed},
                          Case{"SANE_STATUS_EOF", 2, kErrorScanEndedEarly},
                          Case{"SANE_STATUS_COVER_OPEN", 1, kErrorScanCoverOpen},
                          Case{"SANE_STATUS_IO_ERROR", 4, kErrorScanIo}}) {
        // A fresh session each time: the test device's feeder refills only once emptied.
        twain = std::make_unique<PageCollector>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return twain->DiscoveryDone(); }, 10000));
        LBase::ClearErrorList();
        CSaneSession::SetHooks({{}, [c](CSaneDevice& device, int done) {
                                    if (done == c.pagesBefore)
                                        device.SetOption(QStringLiteral("read-return-value"),
                                                         QString::fromLatin1(c.returnValue));
                                }});
        EXPECT_EQ(Scan(Settings("Color", 8, kFeeder)), c.status) << c.returnValue;
        EXPECT_EQ(twain->pages.size(), std::size_t(c.pagesBefore)) << c.returnValue;
        const auto errors = LBase::ErrorList();
        ASSERT_EQ(errors.size(), 1u) << c.returnValue;
        EXPECT_EQ(errors[0].first, c.status);
        // The device is usable again once the fault is gone.
        CSaneSession::SetHooks({});
        SaneSettings reset = Settings("Color", 8, kFlatbed);
        reset.push_back({"read-return-value", QStringLiteral("Default")});
        EXPECT_EQ(Scan(reset), kSuccess) << c.returnValue;
        EXPECT_EQ(twain->pages.size(), 1u);
    }
    // A page of another width than the pages before it.
    twain = std::make_unique<PageCollector>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return twain->DiscoveryDone(); }, 10000));
    LBase::ClearErrorList();
    CSaneSession::SetHooks({{}, [](CSaneDevice& device, int done) {
                                if (done == 5) device.SetOption(QStringLiteral("resolution"), 150);
                            }});
    EXPECT_EQ(Scan(Settings("Color", 8, kFeeder)), kErrorScanFormatChanged);
    EXPECT_EQ(twain->pages.size(), 5u);
    CSaneSession::SetHooks({});
}

TEST_F(Twain, CancelInTheProgressWindowEndsTheScanAfterTheCurrentRead) {
    SaneSettings slow = Settings("Color", 8, kFeeder);
    slow.push_back({"read-limit", true});
    slow.push_back({"read-limit-size", 512});
    slow.push_back({"read-delay", true});
    slow.push_back({"read-delay-duration", 2000});
    twain->onPage = [&] {
        if (twain->pages.size() == 2) {
            ASSERT_NE(twain->ProgressWindow(), nullptr);
            EXPECT_TRUE(twain->ProgressWindow()->isVisible());
            twain->ProgressWindow()->Cancel();
        }
    };
    EXPECT_EQ(Scan(slow), kErrorScanCancelled);
    EXPECT_GE(twain->pages.size(), 2u);
    EXPECT_LE(twain->pages.size(), 3u);
    EXPECT_EQ(twain->ProgressWindow(), nullptr);
}

TEST_F(Twain, TheUserInterfaceThreadStaysResponsiveWhileTheScannerIsSlow) {
    // Small reads, and a pause in the backend after each buffer it hands over: the scan takes
    // about half a second, and every SANE call runs on the scanning thread.
    SaneSettings slow = Settings("Color", 8, kFlatbed);
    slow[4].second = 300; // resolution
    slow[7].second = 40.0; // br-x, br-y: 472 x 472 pixels
    slow[8].second = 40.0;
    slow.push_back({"read-limit", true});
    slow.push_back({"read-limit-size", 2048});
    slow.push_back({"read-delay", true});
    slow.push_back({"read-delay-duration", 50000});
    QElapsedTimer clock;
    qint64 last = -1, longest = 0;
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0) longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    clock.start();
    tick.start(5);
    EXPECT_EQ(Scan(slow), kSuccess);
    tick.stop();
    ASSERT_EQ(twain->pages.size(), 1u);
    EXPECT_EQ(twain->pages[0].width(), 472);
    EXPECT_GT(ticks, 20);
    EXPECT_LE(longest, 50) << "the event loop stood still";
}

TEST_F(Twain, TheOptionsDialogShowsTheDevicesFirstOptions) {
    QStringList names;
    Script().dialogScripts.push_back([&](QDialog& d) {
        auto& dialog = static_cast<CScanOptionsDlg&>(d);
        for (const auto& [name, value] : dialog.Values()) names << name;
        auto* source = qobject_cast<QComboBox*>(dialog.Editor(QStringLiteral("source")));
        EXPECT_NE(source, nullptr);
        if (source) source->setCurrentText(kFeeder);
        if (auto* mode = qobject_cast<QComboBox*>(dialog.Editor(QStringLiteral("mode"))))
            mode->setCurrentText(QStringLiteral("Gray"));
        if (auto* r = qobject_cast<QDoubleSpinBox*>(dialog.Editor(QStringLiteral("resolution")))) r->setValue(60);
        if (auto* r = qobject_cast<QSpinBox*>(dialog.Editor(QStringLiteral("resolution")))) r->setValue(60);
        for (const char* edge : {"br-x", "br-y"})
            if (auto* e = qobject_cast<QDoubleSpinBox*>(dialog.Editor(QLatin1String(edge)))) e->setValue(10);
        return int(QDialog::Accepted);
    });
    twain->SetSettings({});
    EXPECT_EQ(twain->Acquire(kTwainShowInterface | kTwainMultiPage), kSuccess);
    EXPECT_EQ(names, QStringList({"source", "mode", "resolution", "tl-x", "tl-y", "br-x", "br-y"}));
    ASSERT_EQ(twain->pages.size(), 10u);
    EXPECT_TRUE(twain->pages[0].allGray());
    EXPECT_EQ(twain->pages[0].dotsPerMeterX(), 2362); // 60 dpi
    // Cancel in the dialog: nothing scanned, the cancel is in the error list.
    twain->pages.clear();
    Script().dialogScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(twain->Acquire(kTwainShowInterface | kTwainMultiPage), kErrorScanCancelled);
    EXPECT_TRUE(twain->pages.empty());
    EXPECT_EQ(LBase::ErrorList().size(), 1u);
}

TEST(TwainDevices, AnUnknownDeviceCannotBeOpened) {
    PageCollector twain;
    ASSERT_TRUE(QTest::qWaitFor([&] { return twain.DiscoveryDone(); }, 10000));
    CSaneSession& session = twain.Session();
    int status = kSuccess;
    EXPECT_TRUE(session.FirstOptions(QStringLiteral("nosuch:7"), &status).empty());
    EXPECT_LT(status, kSuccess);
}

} // namespace
} // namespace tsl::test
