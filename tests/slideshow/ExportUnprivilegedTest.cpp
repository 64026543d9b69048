// Exports refused by file permissions. Permissions do not bind root, so this program runs as an
// unprivileged user (tests/browser/run-unprivileged.sh).

#include "slideshow/SlideShowExport.h"
#include "slideshow/SlideShowModel.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

struct UnprivilegedExport : testing::Test {
    QString source, out, player;
    CSlideShowModel model;
    void SetUp() override {
        if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
        source = test::MakeTempFolder(QStringLiteral("source"));
        out = test::MakeTempFolder(QStringLiteral("out"));
        player = test::WriteFile(source + "/player.bin", "#!/bin/sh\n");
        model.imageEntries << test::WriteFile(source + "/secret.png", "S")
                           << test::WriteFile(source + "/open.png", "O");
        ::chmod(QFile::encodeName(source + "/secret.png").constData(), 0);
    }
    void TearDown() override { ::chmod(QFile::encodeName(out).constData(), 0755); }
};

TEST_F(UnprivilegedExport, AnUnreadableImageIsSkippedAndStillNamed) {
    const QString show = out + "/Show.SlideShow";
    EXPECT_TRUE(WriteStandAloneShow(model, show, player).isEmpty());
    EXPECT_FALSE(QFile::exists(out + "/secret.png"));
    EXPECT_TRUE(QFile::exists(out + "/open.png"));
    EXPECT_TRUE(QFile::exists(out + "/Show"));
    CSlideShowModel back;
    ASSERT_TRUE(ReadShowFile(back, show).isEmpty());
    EXPECT_EQ(back.imageEntries, QStringList({"secret.png", "open.png"}));
}

TEST_F(UnprivilegedExport, AFolderThatCannotBeWrittenGetsNothingAndTheShowFileIsReported) {
    ASSERT_EQ(::chmod(QFile::encodeName(out).constData(), 0555), 0);
    const QString show = out + "/Show.SlideShow";
    QStringList reported;
    const QString error =
        WriteStandAloneShow(model, show, player, {}, [&](const QString& e) { reported << e; });
    EXPECT_EQ(error, CouldNotSaveText(show));
    EXPECT_EQ(reported.size(), 1);
    EXPECT_TRUE(
        QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
} // namespace tsl
