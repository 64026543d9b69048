// The built program started as a user starts it, on a real X server.

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace tsl::test {
namespace {

struct Program : testing::Test {
    QString folder;
    QProcess tessaly;

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X server";
        // A copy of the built program folder, so its Settings.ini is ours to change.
        folder = MakeTempFolder("Tessaly");
        const QDir built(QStringLiteral(TSL_PROGRAM_DIR));
        for (const QString& name : built.entryList(QDir::Files))
            QFile::copy(built.filePath(name), folder + "/" + name);
        WriteFile(folder + "/Settings.ini", "[General]\r\nFirstTimeUser=1\r\n");
        const QString config = MakeTempFolder("config");
        WriteFile(config + "/Orvane/Tessaly.ini", "[Tip]\nStartUp=1\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        env.remove("QT_QPA_PLATFORM");
        tessaly.setProcessEnvironment(env);
        tessaly.setProgram(folder + "/tessaly");
    }
    void TearDown() override {
        if (tessaly.state() != QProcess::NotRunning) {
            tessaly.terminate();
            if (!tessaly.waitForFinished(5000)) tessaly.kill();
        }
    }
    // Titles of the visible windows named like name.
    static QString FindWindow(const QString& name) {
        QProcess search;
        search.start("xdotool", {"search", "--sync", "--onlyvisible", "--name", name, "getwindowname"});
        if (!search.waitForFinished(15000)) {
            search.kill();
            return {};
        }
        return QString::fromUtf8(search.readAllStandardOutput()).trimmed();
    }
};

TEST_F(Program, StartsIntoAVisibleMainWindow) {
    tessaly.setArguments({QStringLiteral("/no/such/picture.gif")});
    tessaly.start();
    ASSERT_TRUE(tessaly.waitForStarted());
    EXPECT_EQ(FindWindow("^Tessaly$"), QStringLiteral("Tessaly"));
    EXPECT_EQ(tessaly.state(), QProcess::Running);
}

TEST_F(Program, OpensTheFileNamedOnItsCommandLine) {
    const QString image = MakeTempFolder("pictures") + "/harbour.png";
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(image);
    tessaly.setArguments({image});
    tessaly.start();
    ASSERT_TRUE(tessaly.waitForStarted());
    EXPECT_EQ(FindWindow("^Tessaly - harbour.png$"), QStringLiteral("Tessaly - harbour.png"));
}

} // namespace
} // namespace tsl::test
