// The show file: the bytes the writer produces, what the reader accepts and what it refuses.

#include "slideshow/SlideShowModel.h"

#include "platform/FileNames.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tsl {
namespace {

using test::Script;

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

QByteArray Le32(std::int32_t v) {
    return Bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF});
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ShowFile : public testing::Test {
protected:
    QString dir = test::MakeTempFolder(QStringLiteral("shows"));
    QString Path(const QString& name) const { return dir + QLatin1Char('/') + name; }

    // A show file of the given entries with default options, as bytes.
    static QByteArray Show(const QList<QByteArray>& entries, const QByteArray& magic = "SShow",
                           const QByteArray& twoBytes = Bytes({1, 0})) {
        QByteArray out = Bytes({static_cast<int>(magic.size())}) + magic + twoBytes +
                         Le32(static_cast<std::int32_t>(entries.size()));
        for (const QByteArray& e : entries)
            out += Bytes({static_cast<int>(e.size())}) + e;
        return out + Le32(0) + Le32(0) + Le32(1) + Le32(0) + Bytes({0}) + Le32(1000) + Le32(0) +
               Le32(0);
    }
};

TEST_F(ShowFile, AnEmptyShowWithDefaultsIsTheFortyOneBytesOfTheLayout) {
    CSlideShowModel model;
    ASSERT_TRUE(WriteShowFile(model, Path("empty.show"), ShowFileForm::FullPath).isEmpty());
    const QByteArray expected = Bytes({5}) + "SShow" + Bytes({1, 0}) + Le32(0) + Le32(0) + Le32(0) +
                                Le32(1) + Le32(0) + Bytes({0}) + Bytes({0xE8, 0x03, 0, 0}) +
                                Le32(0) + Le32(0);
    EXPECT_EQ(expected.size(), 41);
    EXPECT_EQ(ReadAll(Path("empty.show")), expected);
}

TEST_F(ShowFile, CountedTextsUseTheirThreeLengthForms) {
    std::vector<std::uint8_t> out;
    AppendCountedText(out, std::string(254, 'a'));
    EXPECT_EQ(out.size(), 255u);
    EXPECT_EQ(out[0], 254);
    out.clear();
    AppendCountedText(out, std::string(300, 'a'));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 3),
              (std::vector<std::uint8_t>{0xFF, 0x2C, 0x01}));
    out.clear();
    AppendCountedText(out, std::string(65533, 'a'));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 3),
              (std::vector<std::uint8_t>{0xFF, 0xFD, 0xFF}));
    out.clear();
    AppendCountedText(out, std::string(65534, 'a'));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 7),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));

    // Each form reads back.
    for (std::size_t length : {0u, 254u, 255u, 300u, 65533u, 65534u, 70000u}) {
        ShowFileData data;
        data.entries = {std::string(length, 'p'), "x"};
        data.soundFile = std::string(length, 's');
        ShowFileData back;
        ASSERT_EQ(ParseShowFile(FormatShowFile(data), back), ShowParse::Ok) << length;
        EXPECT_EQ(back, data) << length;
    }
}

TEST_F(ShowFile, ALongPathIsWrittenWithItsSixteenBitCount) {
    CSlideShowModel model;
    const QString path = QStringLiteral("/") + QString(299, QLatin1Char('p'));
    model.imageEntries << path;
    ASSERT_TRUE(WriteShowFile(model, Path("long.show"), ShowFileForm::FullPath).isEmpty());
    const QByteArray bytes = ReadAll(Path("long.show"));
    EXPECT_EQ(bytes.mid(12, 3), Bytes({0xFF, 0x2C, 0x01}));
    EXPECT_EQ(bytes.mid(15, 300), path.toUtf8());
}

TEST_F(ShowFile, TheNameOnlyFormKeepsDisplayNamesAndADotForNoSound) {
    CSlideShowModel model;
    model.imageEntries << QStringLiteral("/home/me/Pics/Sun.JPG") << QStringLiteral("/x/README");
    ASSERT_TRUE(WriteShowFile(model, Path("t.SlideShow"), ShowFileForm::NameOnly).isEmpty());
    const QByteArray bytes = ReadAll(Path("t.SlideShow"));
    const QByteArray expected = Bytes({5}) + "SShow" + Bytes({1, 0}) + Le32(2) + Bytes({7}) +
                                "Sun.JPG" + Bytes({7}) + "README." + Le32(0) + Le32(0) + Le32(1) +
                                Le32(0) + Bytes({1}) + "." + Le32(1000) + Le32(0) + Le32(0);
    EXPECT_EQ(bytes, expected);

    model.soundFile = QStringLiteral("/snd/music.wav");
    model.useSound = 0; // the sound field is written either way
    ASSERT_TRUE(WriteShowFile(model, Path("t.SlideShow"), ShowFileForm::NameOnly).isEmpty());
    EXPECT_TRUE(ReadAll(Path("t.SlideShow")).contains(Bytes({9}) + "music.wav"));
}

TEST_F(ShowFile, DisplayNamesFollowTheirThreeRules) {
    EXPECT_EQ(DisplayNameOf(QStringLiteral("/a/b/Sun.JPG")), QStringLiteral("Sun.JPG"));
    EXPECT_EQ(DisplayNameOf(QStringLiteral("/a.d/README")), QStringLiteral("README."));
    EXPECT_EQ(DisplayNameOf(QString()), QStringLiteral("."));
    EXPECT_EQ(DisplayNameOf(QStringLiteral("x.tar.gz")), QStringLiteral("x.tar.gz"));
}

TEST_F(ShowFile, EverythingWrittenReadsBackAndReplacesWhatTheListHeld) {
    CSlideShowModel written;
    written.imageEntries << QStringLiteral("/p/één.jpg") << QStringLiteral("/p/b.gif");
    written.loop = 1;
    written.useSound = 1;
    written.showFileName = 0;
    written.useTransitions = 1;
    written.soundFile = QStringLiteral("/s/a.wav");
    written.delay = -5;
    written.soundLoop = 1;
    written.advanceMode = 1;
    written.folderPrefix = QStringLiteral("/not/stored/");
    ASSERT_TRUE(WriteShowFile(written, Path("all.show"), ShowFileForm::FullPath).isEmpty());

    CSlideShowModel read;
    read.imageEntries << "1"
                      << "2"
                      << "3"
                      << "4";
    read.folderPrefix = QStringLiteral("/kept/");
    ASSERT_TRUE(ReadShowFile(read, Path("all.show")).isEmpty());
    EXPECT_EQ(read.imageEntries, written.imageEntries);
    EXPECT_EQ(read.DisplayNames(), QStringList({"één.jpg", "b.gif"}));
    EXPECT_EQ(read.folderPrefix, QStringLiteral("/kept/"));
    EXPECT_EQ(std::tie(read.loop, read.useSound, read.showFileName, read.useTransitions,
                       read.soundFile, read.delay, read.soundLoop, read.advanceMode),
              std::tie(written.loop, written.useSound, written.showFileName, written.useTransitions,
                       written.soundFile, written.delay, written.soundLoop, written.advanceMode));
}

TEST_F(ShowFile, NamesThatAreNotUtf8KeepTheirBytes) {
    const QByteArray raw = QByteArray("/p/caf") + Bytes({0xE9, 0xFF}) + ".jpg";
    test::WriteFile(Path("raw.show"), Show({raw, "/ok.jpg"}));
    CSlideShowModel model;
    ASSERT_TRUE(ReadShowFile(model, Path("raw.show")).isEmpty());
    EXPECT_EQ(EncodeFileName(model.imageEntries[0]), raw);
    ASSERT_TRUE(WriteShowFile(model, Path("again.show"), ShowFileForm::FullPath).isEmpty());
    EXPECT_EQ(ReadAll(Path("again.show")), ReadAll(Path("raw.show")));
}

TEST_F(ShowFile, TheMagicIsComparedExactlyAndTheTwoBytesAfterItAreNotExamined) {
    test::WriteFile(Path("lower.show"), Show({"/a.jpg"}, "sshow"));
    CSlideShowModel model;
    model.imageEntries << "kept";
    EXPECT_EQ(ReadShowFile(model, Path("lower.show")),
              QStringLiteral("This is not a valid slide show file"));
    EXPECT_EQ(model.imageEntries, QStringList({"kept"}));

    test::WriteFile(Path("other.show"), Show({"/a.jpg"}, "SShow", Bytes({0xAB, 0xCD})));
    EXPECT_TRUE(ReadShowFile(model, Path("other.show")).isEmpty());
    EXPECT_EQ(model.imageEntries, QStringList({"/a.jpg"}));
}

TEST_F(ShowFile, DamagedFilesAreRefusedAndLeaveTheModelAsItWas) {
    const QByteArray good = Show({"/a.jpg", "/b.jpg"});
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* why;
    };
    QByteArray hugeText = good.left(12) + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    QByteArray manyCount = good.left(8) + Le32(32768) + good.mid(12);
    QByteArray negative = good.left(8) + Le32(-1) + good.mid(12);
    QByteArray claims = good.left(8) + Le32(30000) + good.mid(12);
    const std::vector<Case> cases = {
        {"short", good.left(good.size() - 1), "it ends early."},
        {"cut in a text", good.left(14), "a text in it is longer than the file."},
        {"huge text", hugeText, "a text in it is longer than the file."},
        {"count above", manyCount, "it counts 32768 images, and a show holds 0 to 32767."},
        {"count below", negative, "it counts -1 images, and a show holds 0 to 32767."},
        {"claims more than it holds", claims, "it ends early."},
        {"only the magic", good.left(6), "it ends early."},
    };
    for (const Case& c : cases) {
        test::WriteFile(Path("bad.show"), c.bytes);
        CSlideShowModel model;
        model.imageEntries << "kept";
        model.delay = 7;
        EXPECT_EQ(ReadShowFile(model, Path("bad.show")),
                  QStringLiteral("The slide show file %1 is damaged: %2")
                      .arg(Path("bad.show"), QLatin1String(c.why)))
            << c.name;
        EXPECT_EQ(model.imageEntries, QStringList({"kept"})) << c.name;
        EXPECT_EQ(model.delay, 7) << c.name;
    }
    test::WriteFile(Path("tiny.show"), Bytes({5}) + "SSh");
    CSlideShowModel model;
    EXPECT_EQ(ReadShowFile(model, Path("tiny.show")), QString::fromLatin1(kNotAShowFileText));
}

TEST_F(ShowFile, FileSystemFailuresGiveTheTwoMessages) {
    CSlideShowModel model;
    const QString missing = Path("none/x.show");
    EXPECT_EQ(ReadShowFile(model, missing),
              QStringLiteral("Could not load file ") + missing +
                  QStringLiteral("\n\rPlease check write permissions"));
    // A plain file where a folder must be: no one can write below it, root included.
    test::WriteFile(Path("plain"), "x");
    const QString blocked = Path("plain/x.show");
    EXPECT_EQ(WriteShowFile(model, blocked, ShowFileForm::FullPath),
              QStringLiteral("Could not save file ") + blocked +
                  QStringLiteral("\n\rPlease check write permissions"));

    ReportShowFileError(CouldNotSaveText(blocked));
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, CouldNotSaveText(blocked));
    EXPECT_EQ(Script().messages[0].buttons, platform::Buttons::Ok);
}

TEST_F(ShowFile, AFailedSaveKeepsTheFileItWouldReplace) {
    CSlideShowModel model;
    model.imageEntries << QStringLiteral("/a.jpg");
    ASSERT_TRUE(WriteShowFile(model, Path("keep.show"), ShowFileForm::FullPath).isEmpty());
    const QByteArray before = ReadAll(Path("keep.show"));
    model.imageEntries << QString(4000, QLatin1Char('x'));
    // A file size limit below the new file makes the write fail, for root as well.
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{60, 60};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QString error = WriteShowFile(model, Path("keep.show"), ShowFileForm::FullPath);
        ::_exit(error == CouldNotSaveText(Path("keep.show")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadAll(Path("keep.show")), before);
}

TEST_F(ShowFile, AShowOfMoreThan32767ImagesIsNotWritten) {
    CSlideShowModel model;
    for (int i = 0; i < kMaxShowImages; ++i)
        model.imageEntries << QStringLiteral("a.jpg");
    ASSERT_TRUE(WriteShowFile(model, Path("max.show"), ShowFileForm::FullPath).isEmpty());
    CSlideShowModel back;
    ASSERT_TRUE(ReadShowFile(back, Path("max.show")).isEmpty());
    EXPECT_EQ(back.Count(), kMaxShowImages);

    model.imageEntries << QStringLiteral("one.jpg");
    const QString message = WriteShowFile(model, Path("over.show"), ShowFileForm::FullPath);
    EXPECT_TRUE(message.contains(QStringLiteral("at most 32767 images"))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(Path("over.show")));
}

} // namespace
} // namespace tsl
