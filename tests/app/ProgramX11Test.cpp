// The built program started as a user starts it, on a real X server.

#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
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
    // The title of the first visible window whose title matches the pattern, waiting up to
    // 15 s for it to appear.
    static QString FindWindow(const QString& pattern) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--name", pattern});
            search.waitForFinished(5000);
            const QString id = QString::fromUtf8(search.readAllStandardOutput()).section('\n', 0, 0).trimmed();
            if (!id.isEmpty()) {
                QProcess name;
                name.start("xdotool", {"getwindowname", id});
                name.waitForFinished(5000);
                const QString title = QString::fromUtf8(name.readAllStandardOutput()).trimmed();
                if (!title.isEmpty()) return title;
            }
            QTest::qWait(200);
        }
        return {};
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

TEST_F(Program, OpensAFileWhoseNameIsNotUtf8) {
    const QString folder = MakeTempFolder("pictures");
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(folder + "/harbour.png"));
    // The shell makes the name with the byte 0xFF in it and hands it over as it stands.
    tessaly.setArguments({"-c", "mv \"$1/harbour.png\" \"$1/harbour$(printf '\\377').png\" && "
                                "exec \"$2\" \"$1/harbour$(printf '\\377').png\"",
                          "sh", folder, tessaly.program()});
    tessaly.setProgram("/bin/sh");
    tessaly.start();
    ASSERT_TRUE(tessaly.waitForStarted());
    const QString title = FindWindow("^Tessaly - harbour.*png$");
    EXPECT_TRUE(title.startsWith("Tessaly - harbour")) << title.toStdString();
}

} // namespace
} // namespace tsl::test
