// File names as bytes through QString and back, their display and their URIs.

#include "platform/FileNames.h"
#include "platform/QtServices.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace tsl {
namespace {

TEST(FileNames, EveryByteSequenceSurvivesTheTripThroughAString) {
    const QByteArray names[] = {
        "plain.jpg",
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xb7.png", // UTF-8: two, three and four bytes
        "caf\xe9.png",                                   // Latin-1
        "\xff\xfe\x80.gif",                              // bytes that never start UTF-8
        "\xc0\xaf.bmp",                                  // an overlong '/'
        "\xed\xa0\x80.tif",                              // an encoded surrogate
        "\xe2\x82.jpg",                                  // a sequence cut short
        "\xf4\x90\x80\x80.jpg",                          // above U+10FFFF
        "it's a \"pic\"\nnew line\t.png",
    };
    for (const QByteArray& bytes : names) {
        const QString name = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(name), bytes) << bytes.toHex().toStdString();
        if (QString::fromUtf8(bytes).toUtf8() == bytes) { // valid UTF-8 decodes as Qt decodes it
            EXPECT_EQ(name, QString::fromUtf8(bytes)) << bytes.toHex().toStdString();
        }
    }
    EXPECT_EQ(DecodeFileName("caf\xe9.png").size(), 8);
    EXPECT_EQ(DecodeFileName("caf\xe9.png")[3].unicode(), 0xDCE9);
}

TEST(FileNames, ShownWithAReplacementForEachByteThatIsNotUtf8) {
    EXPECT_EQ(DisplayFileName(DecodeFileName("caf\xe9\xff.png")),
              QStringLiteral("caf\uFFFD\uFFFD.png"));
    const QString good = QString::fromUtf8("caf\xc3\xa9 \xf0\x9f\x93\xb7\n.png");
    EXPECT_EQ(DisplayFileName(good), good);
}

TEST(FileNames, UrisPercentEncodeTheRawBytesAsTheDesktopDoes) {
    EXPECT_EQ(FileUri(DecodeFileName("/photos/a b;\xe9\"#%?[].png")),
              "file:///photos/a%20b%3B%E9%22%23%25%3F%5B%5D.png");
    EXPECT_EQ(FileUri(QString::fromUtf8("/x/caf\xc3\xa9 it's (1)+!$&*,:=@~_-.jpg")),
              "file:///x/caf%C3%A9%20it's%20(1)+!$&*,:=@~_-.jpg");
    EXPECT_EQ(FileUri(QStringLiteral("/new\nline")), "file:///new%0Aline");
}

TEST(FileNames, AbsolutePathsAreCleanedAsText) {
    EXPECT_EQ(AbsoluteFilePath(DecodeFileName("/a/./b/../caf\xe9//x.png")),
              DecodeFileName("/a/caf\xe9/x.png"));
    EXPECT_EQ(AbsoluteFilePath(QStringLiteral("rel/p.png")), QDir::currentPath() + "/rel/p.png");
    EXPECT_TRUE(AbsoluteFilePath({}).isEmpty());
}

// The recent-file list and the remembered folders live in the profile: a name that is not
// UTF-8 comes back from the file with the same bytes.
TEST(FileNames, TheProfileKeepsTheirBytes) {
    const QString ini = test::MakeTempFolder(QStringLiteral("profile")) + QStringLiteral("/Tessaly.ini");
    const QByteArray bytes("/pictures/har\xff\xfe" "bour \xc3\xa9.png");
    {
        platform::QtServices services(ini);
        services.services().profile->WriteString(QStringLiteral("Recent File List"), QStringLiteral("File1"),
                                                 DecodeFileName(bytes));
    }
    platform::QtServices again(ini);
    const QString read = again.services().profile->GetString(QStringLiteral("Recent File List"),
                                                             QStringLiteral("File1"), {});
    EXPECT_EQ(EncodeFileName(read), bytes);
}

} // namespace
} // namespace tsl
