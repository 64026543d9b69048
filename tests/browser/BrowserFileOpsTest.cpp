// Copy to, Move to, Delete and Copy to Clipboard through the real browser, with the folder
// chooser and the message boxes scripted.

#include "platform/FileOps.h"
#include "browser/BrowserKit.h"
#include "platform/FileNames.h"

#include <QClipboard>
#include <QGuiApplication>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>

namespace tsl {
namespace {

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDOK;
using platform::IDYES;
using test::BrowserTest;
using test::Script;

struct BrowserFileOps : BrowserTest {
    QString dest;
    void SetUp() override {
        BrowserTest::SetUp();
        dest = test::MakeTempFolder(QStringLiteral("dest"));
        Picture("a.png", 8, 6, qRgb(1, 1, 1));
        Picture("b.png", 8, 6, qRgb(2, 2, 2));
        Picture("c.png", 8, 6, qRgb(3, 3, 3));
        ASSERT_TRUE(Browse(dir));
    }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& message : Script().messages) texts << message.text;
        return texts;
    }
};

TEST_F(BrowserFileOps, CopyAsksForTheDestinationAndProcessesTheHighestIndexFirst) {
    for (const char* name : {"a.png", "b.png", "c.png"}) test::WriteFile(dest + "/" + name, "old");
    SelectRows({0, 1, 2});
    Script().folderAnswers.push_back(dest);
    Script().promptAnswers = {IDYES, IDNO, IDOK, IDYES}; // IDOK: the failure's box
    browser->OnCommand(ID_BROWSER_COPY_TO);
    EXPECT_EQ(Script().folderCaptions, QStringList({"Select destination folder"}));
    EXPECT_EQ(Texts(), QStringList({dest + "/c.png already exists. Overwrite?",
                                    dest + "/b.png already exists. Overwrite?",
                                    "Copy of b.png failed",
                                    dest + "/a.png already exists. Overwrite?"}));
    EXPECT_EQ(Script().messages[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(Read(dest + "/c.png"), Read(dir + "/c.png"));
    EXPECT_EQ(Read(dest + "/b.png"), "old"); // declined: left as it was
    EXPECT_EQ(Read(dest + "/a.png"), Read(dir + "/a.png"));
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png", "c.png"}));
    EXPECT_EQ(Script().waitCursorDepth, 0);
    EXPECT_GT(Script().waitCursorUses, 0);
}

TEST_F(BrowserFileOps, NothingSelectedOrChooserCancelledDoesNothing) {
    browser->List()->clearSelection();
    browser->OnCommand(ID_BROWSER_COPY_TO);
    EXPECT_TRUE(Script().folderCaptions.isEmpty());
    SelectRows({0});
    browser->OnCommand(ID_BROWSER_MOVE_TO); // no answer: cancelled
    EXPECT_EQ(Script().folderCaptions.size(), 1);
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_EQ(Labels().size(), 3);
}

TEST_F(BrowserFileOps, TheShownFolderInAnySpellingIsTheSameFolder) {
    const QString link = test::MakeTempFolder("links") + "/here";
    ASSERT_EQ(::symlink(dir.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
    const QString parent = dir.section('/', 0, -2);
    const QString name = dir.section('/', -1);
    for (int command : {ID_BROWSER_COPY_TO, ID_BROWSER_MOVE_TO}) {
        for (const QString& spelling :
             {dir, dir + "/", link, dir + "/../" + name, parent + "/./" + name}) {
            Script().messages.clear();
            SelectRows({0, 2});
            Script().folderAnswers.push_back(spelling);
            browser->OnCommand(command);
            EXPECT_EQ(Texts(), QStringList({"Source and destination folders are the same"}))
                << command << " " << spelling.toStdString();
        }
    }
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png", "c.png"}));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(Script().waitCursorUses, 0);
}

TEST_F(BrowserFileOps, MoveRemovesTheItemsAndKeepsTheOthersInPlace) {
    const QByteArray a = Read(dir + "/a.png"), c = Read(dir + "/c.png");
    SelectRows({0, 2});
    Script().folderAnswers.push_back(dest);
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_EQ(Labels(), QStringList({"b.png"}));
    EXPECT_EQ(browser->Thumbnail(0).pixel(50, 37), qRgb(2, 2, 2));
    QListWidget* list = browser->List();
    EXPECT_EQ(list->visualRect(list->model()->index(0, 0)).x(), 6);
    EXPECT_EQ(Read(dest + "/a.png"), a);
    EXPECT_EQ(Read(dest + "/c.png"), c);
    EXPECT_FALSE(QFile::exists(dir + "/a.png"));
    EXPECT_FALSE(QFile::exists(dir + "/c.png"));
}

TEST_F(BrowserFileOps, AMoveWhoseOverwriteIsDeclinedKeepsItsSourceAndItem) {
    test::WriteFile(dest + "/b.png", "theirs");
    const QByteArray b = Read(dir + "/b.png");
    SelectRows({1});
    Script().folderAnswers.push_back(dest);
    Script().promptAnswers = {IDNO};
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_EQ(Texts(), QStringList({dest + "/b.png already exists. Overwrite?",
                                    "Copy of b.png failed"}));
    EXPECT_EQ(Read(dir + "/b.png"), b);
    EXPECT_EQ(Read(dest + "/b.png"), "theirs");
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png", "c.png"}));
}

TEST_F(BrowserFileOps, AFailedCopyKeepsTheMovesSource) {
    // A folder where the target file should be: the copy fails even for root.
    QDir().mkpath(dest + "/a.png/inside");
    SelectRows({0});
    Script().folderAnswers.push_back(dest);
    Script().promptAnswers = {IDYES};
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_EQ(Texts(), QStringList({dest + "/a.png already exists. Overwrite?",
                                    "Copy of a.png failed"}));
    EXPECT_TRUE(QFile::exists(dir + "/a.png"));
    EXPECT_EQ(Labels().size(), 3);
}

TEST_F(BrowserFileOps, AMoveThroughALinkedDestinationLandsInItsTarget) {
    const QString link = test::MakeTempFolder("links") + "/to-dest";
    ASSERT_EQ(::symlink(dest.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
    const QByteArray c = Read(dir + "/c.png");
    SelectRows({2});
    Script().folderAnswers.push_back(link);
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_EQ(Read(dest + "/c.png"), c);
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png"}));
}

TEST_F(BrowserFileOps, DeleteAsksAndCancelChangesNothing) {
    SelectRows({0, 1});
    Script().promptAnswers = {IDCANCEL};
    browser->OnCommand(ID_BROWSER_DELETE);
    EXPECT_EQ(Texts(), QStringList({"Delete selected file(s)?"}));
    EXPECT_EQ(Script().messages[0].buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(Labels().size(), 3);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 3);
}

TEST_F(BrowserFileOps, DeleteRemovesFilesAndReportsTheFullPathOfAFailure) {
    // b.png turned into a folder with contents after listing: unlink fails even for root.
    ASSERT_TRUE(QFile::remove(dir + "/b.png"));
    ASSERT_TRUE(QDir().mkpath(dir + "/b.png/inside"));
    SelectRows({0, 1, 2});
    Script().promptAnswers = {IDOK};
    browser->OnCommand(ID_BROWSER_DELETE);
    EXPECT_EQ(Texts(), QStringList({"Delete selected file(s)?", "Could not delete " + dir + "/b.png"}));
    EXPECT_EQ(Labels(), QStringList({"b.png"}));
    EXPECT_FALSE(QFile::exists(dir + "/a.png"));
    EXPECT_FALSE(QFile::exists(dir + "/c.png"));
}

TEST_F(BrowserFileOps, CopyToClipboardPutsTheFirstSelectedImageThere) {
    Script().services().clipboard->Clear();
    SelectRows({2, 1});
    browser->OnCommand(ID_BROWSER_COPY_CLIPBOARD);
    const QImage image = Script().services().clipboard->Image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(8, 6));
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(qRgb(2, 2, 2)));
    EXPECT_EQ(Script().waitCursorDepth, 0);

    // A file that no longer loads: the loader's message, and the clipboard as it was.
    test::WriteFile(dir + "/a.png", "broken now");
    SelectRows({0});
    browser->OnCommand(ID_BROWSER_COPY_CLIPBOARD);
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_TRUE(Script().messages[0].text.startsWith(dir + "/a.png: "));
    EXPECT_EQ(QColor(Script().services().clipboard->Image().pixel(0, 0)), QColor(qRgb(2, 2, 2)));
}

// Names that are not UTF-8 are copied, moved, deleted and put on the clipboard by their bytes,
// and shown in the messages with a replacement character.
TEST_F(BrowserFileOps, NamesThatAreNotUtf8WorkInEveryOperation) {
    const QByteArray from = EncodeFileName(dir), to = EncodeFileName(dest);
    const QByteArray x = "x\xe9.png", y = "y\xff.png";
    Picture("x-source.png", 8, 6, qRgb(7, 7, 7));
    Picture("y-source.png", 8, 6, qRgb(9, 9, 9));
    ASSERT_EQ(::rename((from + "/x-source.png").constData(), (from + "/" + x).constData()), 0);
    ASSERT_EQ(::rename((from + "/y-source.png").constData(), (from + "/" + y).constData()), 0);
    auto exists = [](const QByteArray& path) { return ::access(path.constData(), F_OK) == 0; };
    auto read = [](const QByteArray& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string xBytes = read(from + "/" + x);
    ASSERT_GT(xBytes.size(), 20u);
    ASSERT_TRUE(Browse(dest)); // away and back: the folder is read again
    ASSERT_TRUE(Browse(dir));
    ASSERT_EQ(Labels(), QStringList({"a.png", "b.png", "c.png", QStringLiteral("x\uFFFD.png"),
                                     QStringLiteral("y\uFFFD.png")}));

    SelectRows({3});
    browser->OnCommand(ID_BROWSER_COPY_CLIPBOARD);
    EXPECT_EQ(QColor(Script().services().clipboard->Image().pixel(0, 0)), QColor(qRgb(7, 7, 7)));

    Script().folderAnswers.push_back(dest);
    browser->OnCommand(ID_BROWSER_COPY_TO);
    ASSERT_TRUE(exists(to + "/" + x));
    EXPECT_EQ(read(to + "/" + x), xBytes);
    // Again: the question and the failure name it as it is shown.
    Script().folderAnswers.push_back(dest);
    Script().promptAnswers = {IDNO, IDOK};
    browser->OnCommand(ID_BROWSER_COPY_TO);
    EXPECT_EQ(Texts(), QStringList({dest + QStringLiteral("/x\uFFFD.png already exists. Overwrite?"),
                                    QStringLiteral("Copy of x\uFFFD.png failed")}));

    SelectRows({4});
    Script().folderAnswers.push_back(dest);
    browser->OnCommand(ID_BROWSER_MOVE_TO);
    EXPECT_TRUE(exists(to + "/" + y));
    EXPECT_FALSE(exists(from + "/" + y));
    EXPECT_EQ(Labels().size(), 4);

    SelectRows({3});
    Script().promptAnswers = {IDOK};
    browser->OnCommand(ID_BROWSER_DELETE);
    EXPECT_FALSE(exists(from + "/" + x));
    EXPECT_EQ(Labels(), QStringList({"a.png", "b.png", "c.png"}));
    EXPECT_EQ(Script().messages.size(), 3u); // the two above and Delete's question
}

// The disk filling up mid-copy (a file size limit, which binds root too) leaves no partial
// target and no temporary file.
TEST(BrowserFileCopy, AFullDiskLeavesNoPartialTarget) {
    const QString from = test::MakeTempFolder("full-from");
    const QString to = test::MakeTempFolder("full-to");
    test::WriteFile(from + "/big.png", QByteArray(300000, 'x'));
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(CopyFileSafely(from + "/big.png", to + "/big.png", false) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(QFileInfo(from + "/big.png").size(), 300000);
}

} // namespace
} // namespace tsl
