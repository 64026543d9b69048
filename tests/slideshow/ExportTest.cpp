// The stand-alone export: what lands in the folder, what is never replaced, and the editor's
// button with its dialog and progress window.

#include "slideshow/SlideShowDlg.h"
#include "slideshow/SlideShowExport.h"

#include "platform/FileNames.h"

#include "support/ImageTestKit.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

using test::Script;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Export : public testing::Test {
protected:
    QString source = test::MakeTempFolder(QStringLiteral("source"));
    QString out = test::MakeTempFolder(QStringLiteral("out"));
    QString player = test::WriteFile(test::Env().programFolder + "Bin/SlideShowPlayer.bin",
                                     "#!/bin/sh\necho player\n");
    CSlideShowModel model;

    QString File(const QString& folder, const QString& name, const QByteArray& bytes) {
        return test::WriteFile(folder + QLatin1Char('/') + name, bytes);
    }
    CSlideShowModel Written(const QString& path) {
        CSlideShowModel back;
        EXPECT_TRUE(ReadShowFile(back, path).isEmpty());
        return back;
    }
    QStringList Listing(const QString& folder) {
        QStringList names = FolderEntryNames(folder, FolderEntryKind::PlainFiles);
        names.sort();
        return names;
    }
};

TEST_F(Export, CopiesTheImagesWritesNamesOnlyAndAnExecutablePlayerNamedAfterTheShow) {
    model.imageEntries << File(source, "a.png", "A") << File(source, "b.JPG", "BB");
    model.soundFile = File(source, "tune.wav", "SOUND");
    model.useSound = 1;
    model.delay = 777;
    std::vector<int> positions;
    const QString show = out + QStringLiteral("/Holiday.SlideShow");
    EXPECT_TRUE(
        WriteStandAloneShow(model, show, player, [&](int p) { positions.push_back(p); }).isEmpty());
    EXPECT_EQ(positions, std::vector<int>({1, 2, 22}));
    EXPECT_EQ(Listing(out),
              QStringList({"Holiday", "Holiday.SlideShow", "a.png", "b.JPG", "tune.wav"}));
    EXPECT_EQ(ReadAll(out + "/b.JPG"), "BB");
    EXPECT_EQ(ReadAll(out + "/tune.wav"), "SOUND");
    EXPECT_EQ(ReadAll(out + "/Holiday"), ReadAll(player));
    EXPECT_TRUE(QFileInfo(out + "/Holiday").isExecutable());
    const CSlideShowModel back = Written(show);
    EXPECT_EQ(back.imageEntries, QStringList({"a.png", "b.JPG"}));
    EXPECT_EQ(back.soundFile, QStringLiteral("tune.wav"));
    EXPECT_EQ(back.delay, 777);
    EXPECT_EQ(back.useSound, 1);
    // No temporary file stays behind.
    EXPECT_EQ(QDir(out).entryList(QDir::Hidden | QDir::Files).size(), 5);
}

TEST_F(Export, AFolderThatHoldsTheFilesKeepsThemAndOnlyTheShowFileIsRewritten) {
    model.imageEntries << File(source, "a.png", "new A") << File(source, "b.png", "new B");
    File(out, "a.png", "old A");
    File(out, "b.png", "old B");
    File(out, "Trip", "old player");
    File(out, "Trip.SlideShow", "old show");
    const QString show = out + QStringLiteral("/Trip.SlideShow");
    EXPECT_TRUE(WriteStandAloneShow(model, show, player).isEmpty());
    EXPECT_EQ(ReadAll(out + "/a.png"), "old A");
    EXPECT_EQ(ReadAll(out + "/b.png"), "old B");
    EXPECT_EQ(ReadAll(out + "/Trip"), "old player");
    EXPECT_EQ(Written(show).imageEntries, QStringList({"a.png", "b.png"}));
}

TEST_F(Export, TwoEntriesOfOneDisplayNameCopyTheFirstAndNameItTwice) {
    const QString other = test::MakeTempFolder(QStringLiteral("other"));
    model.imageEntries << File(source, "same.png", "first") << File(other, "same.png", "second");
    const QString show = out + QStringLiteral("/Twice.SlideShow");
    EXPECT_TRUE(WriteStandAloneShow(model, show, player).isEmpty());
    EXPECT_EQ(ReadAll(out + "/same.png"), "first");
    EXPECT_EQ(Written(show).imageEntries, QStringList({"same.png", "same.png"}));
}

TEST_F(Export, WithoutSoundTheSoundFieldIsADotAndNoSoundIsCopied) {
    model.imageEntries << File(source, "a.png", "A");
    model.soundFile = File(source, "tune.wav", "SOUND");
    model.useSound = 0;
    const QString show = out + QStringLiteral("/Quiet.SlideShow");
    EXPECT_TRUE(WriteStandAloneShow(model, show, player).isEmpty());
    EXPECT_FALSE(QFile::exists(out + "/tune.wav"));
    EXPECT_EQ(Written(show).soundFile, QStringLiteral("tune.wav")); // named, not copied

    CSlideShowModel unset;
    unset.imageEntries << model.imageEntries;
    const QString second = out + QStringLiteral("/Unset.SlideShow");
    EXPECT_TRUE(WriteStandAloneShow(unset, second, player).isEmpty());
    EXPECT_EQ(Written(second).soundFile, QStringLiteral("."));
    EXPECT_TRUE(ReadAll(second).contains(QByteArray("\x01.", 2)));
}

TEST_F(Export, AnEmptyShowStillWritesItsShowFileAndPlayer) {
    std::vector<int> positions;
    const QString show = out + QStringLiteral("/Empty.SlideShow");
    EXPECT_TRUE(
        WriteStandAloneShow(model, show, player, [&](int p) { positions.push_back(p); }).isEmpty());
    EXPECT_EQ(Written(show).Count(), 0);
    EXPECT_EQ(ReadAll(show).mid(8, 4), QByteArray(4, '\0'));
    EXPECT_TRUE(QFileInfo(out + "/Empty").isExecutable());
    EXPECT_EQ(positions, std::vector<int>({0}));
}

TEST_F(Export, CopiesThatFailAreSkippedAndLeaveNoPartialFile) {
    const QString big = File(source, "big.png", QByteArray(200000, 'x'));
    model.imageEntries << source + QStringLiteral("/missing.png") << File(source, "dir.png", "D")
                       << big << File(source, "small.png", "S");
    QDir().mkpath(out + "/dir.png"); // a folder where the copy should go
    const QString show = out + QStringLiteral("/Broken.SlideShow");
    // A file size limit (it binds root too) makes the large copy fail half-way, as a full disk.
    const QString error = testkit::WithFileSizeLimit(
        100000, [&] { return WriteStandAloneShow(model, show, player); });
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_FALSE(QFile::exists(out + "/missing.png"));
    EXPECT_TRUE(QFileInfo(out + "/dir.png").isDir());
    EXPECT_FALSE(QFile::exists(out + "/big.png"));
    EXPECT_EQ(ReadAll(out + "/small.png"), "S");
    EXPECT_TRUE(QFile::exists(out + "/Broken"));
    EXPECT_EQ(Written(show).imageEntries,
              QStringList({"missing.png", "dir.png", "big.png", "small.png"}));
    // Nothing half-written stays, under its own name or a temporary one.
    for (const QString& name : QDir(out).entryList(QDir::Hidden | QDir::Files))
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();

    // Without the player program the folder has no player, and the rest is there.
    const QString again = test::MakeTempFolder(QStringLiteral("again"));
    EXPECT_TRUE(WriteStandAloneShow(model, again + "/NoPlayer.SlideShow", source + "/no-player.bin")
                    .isEmpty());
    EXPECT_FALSE(QFile::exists(again + "/NoPlayer"));
    EXPECT_TRUE(QFile::exists(again + "/NoPlayer.SlideShow"));
}

TEST_F(Export, AShowFileThatCannotBeWrittenIsReportedAndTheCopiesGoOn) {
    model.imageEntries << File(source, "a.png", "A");
    model.soundFile = File(source, "tune.wav", "SOUND");
    model.useSound = 1;
    const QString show = out + QStringLiteral("/Blocked.SlideShow");
    QDir().mkpath(show); // a folder in the show file's place
    QStringList reported;
    const QString error =
        WriteStandAloneShow(model, show, player, {}, [&](const QString& e) { reported << e; });
    EXPECT_EQ(error, CouldNotSaveText(show));
    EXPECT_EQ(reported, QStringList({CouldNotSaveText(show)}));
    EXPECT_TRUE(QFile::exists(out + "/tune.wav"));
    EXPECT_TRUE(QFile::exists(out + "/Blocked"));
}

TEST_F(Export, TheEditorsButtonAsksWhereAndShowsItsProgress) {
    CSlideShowDlg editor;
    editor.show();
    editor.Model().imageEntries << File(source, "a.png", "A") << File(source, "b.png", "B")
                                << File(source, "c.png", "C");
    editor.UpdateData(false);
    std::vector<std::pair<int, int>> positions;
    QObject::connect(&editor, &CSlideShowDlg::exportPosition, [&](int p, int end) {
        positions.push_back({p, end});
    });
    const QString show = out + QStringLiteral("/Button.SlideShow");
    Script().saveAnswers.push_back(show);
    QTest::mouseClick(editor.Control<QAbstractButton>(CSlideShowDlg::IDC_EXPORT), Qt::LeftButton);
    ASSERT_EQ(Script().fileRequests.size(), 1u);
    const platform::FileRequest& request = Script().fileRequests[0];
    EXPECT_EQ(request.caption, QStringLiteral("Save stand-alone slide show"));
    EXPECT_EQ(request.filter, QStringLiteral("Stand-alone SlideShow (.SlideShow)|*.SlideShow||"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("SlideShow"));
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(request.folder, test::Env().programFolder + QStringLiteral("SlideShows"));
    EXPECT_EQ(positions, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}, {33, 3}}));
    EXPECT_EQ(Listing(out), QStringList({"Button", "Button.SlideShow", "a.png", "b.png", "c.png"}));
    EXPECT_EQ(editor.findChildren<CExportProgressWnd*>().size(), 0); // gone with the export
    EXPECT_TRUE(Script().messages.empty());

    // Cancel writes nothing.
    Script().saveAnswers.push_back(QString());
    QTest::mouseClick(editor.Control<QAbstractButton>(CSlideShowDlg::IDC_EXPORT), Qt::LeftButton);
    EXPECT_EQ(positions.size(), 4u);
}

TEST_F(Export, NamesThatAreNotUtf8AreCopiedByTheirBytes) {
    const QString name = DecodeFileName(QByteArray("\xff\xfe photo.png"));
    const QString odd = source + QLatin1Char('/') + name;
    {
        // QFile's own encoding cannot spell the name: write through its bytes.
        FILE* f = std::fopen(NativePath(odd).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("ODD", f);
        std::fclose(f);
    }
    model.imageEntries << odd;
    const QString show = out + QStringLiteral("/Odd.SlideShow");
    EXPECT_TRUE(WriteStandAloneShow(model, show, player).isEmpty());
    EXPECT_TRUE(IsRegularFile(out + QLatin1Char('/') + name));
    EXPECT_EQ(NativePath(Written(show).imageEntries.value(0)), NativePath(name));
    // Qt's removal of the temporary folders cannot spell these names.
    for (const QString& path : {odd, out + QLatin1Char('/') + name})
        ::unlink(NativePath(path).c_str());
}

} // namespace
} // namespace tsl
