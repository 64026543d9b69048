// main() of the widget tests: see TestEnvironment.h.

#include "support/TestEnvironment.h"
#include "support/PrivateXServer.h"

#include "core/SettingsFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using tsl::test::Env;

void SetEnv(const char* name, const QString& value) {
    ::setenv(name, value.toLocal8Bit().constData(), 1);
}

// Gives every test fresh services, program folder and settings.
class FreshEnvironment : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override {
        m_bridge.reset();
        m_platform = std::make_unique<tsl::platform::ScriptedPlatform>();
        m_platform->Install();
        m_platform->profileValues[QStringLiteral("Tip/StartUp")] = 1;
        Env().platform = m_platform.get();
        Env().programFolder = tsl::test::MakeTempFolder(QStringLiteral("program/"));
        m_bridge = std::make_unique<tsl::platform::CoreBridge>(Env().programFolder);
        m_bridge->InstallIntoCore();
        Env().bridge = m_bridge.get();
        tsl::Settings() = tsl::CSettingsFile();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        for (QWidget* w : QApplication::topLevelWidgets()) w->close();
        QApplication::processEvents();
    }

private:
    std::unique_ptr<tsl::platform::ScriptedPlatform> m_platform;
    std::unique_ptr<tsl::platform::CoreBridge> m_bridge;
};

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/tessaly-test-XXXXXX"));
    if (!root.isValid()) return 2;
    Env().root = root.path();
    for (const char* name : {"config", "data", "cache", "runtime", "home"})
        QDir().mkpath(root.path() + QLatin1Char('/') + QLatin1String(name));
    QFile::setPermissions(root.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    SetEnv("XDG_CONFIG_HOME", root.path() + QStringLiteral("/config"));
    SetEnv("XDG_DATA_HOME", root.path() + QStringLiteral("/data"));
    SetEnv("XDG_CACHE_HOME", root.path() + QStringLiteral("/cache"));
    SetEnv("XDG_RUNTIME_DIR", root.path() + QStringLiteral("/runtime"));
    SetEnv("HOME", root.path() + QStringLiteral("/home"));
    // Scanning finds no device unless a test program configures SANE itself: an empty
    // configuration folder loads no backend.
    if (!std::getenv("SANE_CONFIG_DIR")) {
        QDir().mkpath(root.path() + QStringLiteral("/sane"));
        SetEnv("SANE_CONFIG_DIR", root.path() + QStringLiteral("/sane"));
    }

    // Tests labelled x11 get the display of the shared Xvfb server; all others run offscreen.
    // Tests that need the whole server to themselves set TSL_PRIVATE_XSERVER.
    const char* displayFile = std::getenv("TSL_XVFB_DISPLAY_FILE");
    QFile file(displayFile ? QString::fromLocal8Bit(displayFile) : QString());
    if (std::getenv("TSL_PRIVATE_XSERVER")) {
        if (!tsl::test::StartPrivateXServer()) return 1;
        SetEnv("QT_QPA_PLATFORM", QStringLiteral("xcb"));
    } else if (displayFile && file.open(QIODevice::ReadOnly)) {
        SetEnv("DISPLAY", QString::fromLatin1(file.readAll()).trimmed());
        SetEnv("QT_QPA_PLATFORM", QStringLiteral("xcb"));
    } else if (!std::getenv("QT_QPA_PLATFORM")) {
        SetEnv("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));

    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshEnvironment);
    return RUN_ALL_TESTS();
}
