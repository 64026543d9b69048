// Moves refused by file permissions. Permissions do not bind root, so this program runs as an
// unprivileged user (see run-unprivileged.sh).

#include "browser/BrowserKit.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

using test::BrowserTest;
using test::Script;

struct UnprivilegedMove : BrowserTest {
    QString dest;
    void SetUp() override {
        if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
        BrowserTest::SetUp();
        dest = test::MakeTempFolder(QStringLiteral("dest"));
        Picture("a.png");
        Picture("b.png");
        ASSERT_TRUE(Browse(dir));
    }
    void TearDown() override {
        ::chmod(dir.toLocal8Bit().constData(), 0755);
        ::chmod(dest.toLocal8Bit().constData(), 0755);
        BrowserTest::TearDown();
    }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& message : Script().messages) texts << message.text;
        return texts;
    }
};

TEST_F(UnprivilegedMove, AReadOnlyDestinationKeepsEverySource) {
    ASSERT_EQ(::chmod(dest.toLocal8Bit().constData(), 0555), 0);
    SelectRows({0, 1});
    Script().folderAnswers.push_back(dest);
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_EQ(Texts(), QStringList({"Copy of b.png failed", "Copy of a.png failed"}));
    EXPECT_TRUE(QFile::exists(dir + "/a.png"));
    EXPECT_TRUE(QFile::exists(dir + "/b.png"));
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png"}));
    EXPECT_TRUE(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(UnprivilegedMove, ASourceThatCannotBeDeletedKeepsItsItem) {
    const QByteArray b = Read(dir + "/b.png");
    ASSERT_EQ(::chmod(dir.toLocal8Bit().constData(), 0555), 0);
    SelectRows({1});
    Script().folderAnswers.push_back(dest);
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_EQ(Texts(), QStringList({"Could not delete b.png"}));
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png"}));
    EXPECT_EQ(Read(dir + "/b.png"), b);
    EXPECT_EQ(Read(dest + "/b.png"), b);
}

} // namespace
} // namespace tsl
