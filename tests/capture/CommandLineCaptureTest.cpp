// tessaly --capture on the private X server: the built program, without a window.

#include "CaptureX11Kit.h"

#include <QDir>
#include <QFileInfo>

namespace tsl::test {
namespace {

struct CommandLineCapture : testing::Test {
    struct Run {
        int status = -1;
        QString errors;
    };
    static Run Tessaly(const QStringList& arguments) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TSL_PROGRAM_DIR "/tessaly"), arguments);
        p.waitForFinished(30000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X server";
    }
};

TEST_F(CommandLineCapture, FullScreenIsSavedByTheFilesExtension) {
    PatternWindow window(Pattern(240, 180, 8));
    ASSERT_TRUE(ShowActive(window));
    const QString folder = MakeTempFolder("shots");
    const Run run = Tessaly({"--capture", "full", "--output", folder + "/shot.png"});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(SamePixels(QImage(folder + "/shot.png"), RootPixels()));
    // The active window's client area, as BMP, after a delay.
    const Run client = Tessaly({"--capture", "client", "--output", folder + "/client.bmp", "--delay", "100"});
    ASSERT_EQ(client.status, 0) << client.errors.toStdString();
    EXPECT_TRUE(SamePixels(QImage(folder + "/client.bmp"), window.Picture()));
}

TEST_F(CommandLineCapture, FailuresExitNonZeroWithAMessage) {
    const QString folder = MakeTempFolder("bad");
    Run run = Tessaly({"--capture", "menu", "--output", folder + "/a.png"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.errors.contains("--capture takes full, active"));
    run = Tessaly({"--capture", "full"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.errors.contains("--output FILE is missing"));
    run = Tessaly({"--capture", "wallpaper", "--output", folder + "/w.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains("no wallpaper")) << run.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + "/w.png"));
    // A folder where the file must go.
    QDir().mkpath(folder + "/taken.png");
    run = Tessaly({"--capture", "full", "--output", folder + "/taken.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains("Image operation error")) << run.errors.toStdString();
}

} // namespace
} // namespace tsl::test
