// The stand-alone player program as a user's folder holds it: a copy named after its show,
// started with nothing of the program folder or the build tree around it.

#include "slideshow/SlideShowModel.h"

#include "support/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tsl {
namespace {

const QString kPlayer = QStringLiteral(TSL_PROGRAM_DIR "/Bin/SlideShowPlayer.bin");

class StandAlonePlayer : public testing::Test {
protected:
    QString dir = test::MakeTempFolder(QStringLiteral("stand-alone"));

    // Copies the player into the folder as name, executable, as an export does.
    QString PlayerCopy(const QString& name) {
        const QString copy = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(QFile::copy(kPlayer, copy));
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner);
        return copy;
    }
    struct Run {
        int status = -1;
        QString errors;
    };
    Run Start(const QString& program, const QStringList& arguments = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QStringLiteral("/"));
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << "the player did not end";
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
};

TEST_F(StandAlonePlayer, WithoutItsShowFileItSaysSoAndExitsWithAFailure) {
    const Run run = Start(PlayerCopy(QStringLiteral("Lonely")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(dir + QStringLiteral("/Lonely.SlideShow was not found")))
        << run.errors.toStdString();
}

TEST_F(StandAlonePlayer, ADamagedShowFileIsReportedAndNeverCrashesIt) {
    CSlideShowModel model;
    model.imageEntries << QStringLiteral("a.png") << QStringLiteral("b.png");
    const QString good = dir + QStringLiteral("/good.SlideShow");
    ASSERT_TRUE(WriteShowFile(model, good, ShowFileForm::NameOnly).isEmpty());
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    for (const Case& c :
         {Case{"Short", bytes.left(bytes.size() - 3), "ends early"},
          Case{"Magic", "\x05sShow" + bytes.mid(6), "not a valid slide show"},
          Case{"Count", bytes.left(8) + QByteArray("\xff\xff\xff\x7f", 4) + bytes.mid(12),
               "counts 2147483647 images"},
          Case{"Empty", QByteArray(), "not a valid slide show"}}) {
        test::WriteFile(dir + QLatin1Char('/') + QLatin1String(c.name) + ".SlideShow", c.bytes);
        const Run run = Start(PlayerCopy(QLatin1String(c.name)));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_TRUE(run.errors.contains(QLatin1String(c.says)))
            << c.name << ": " << run.errors.toStdString();
    }
}

TEST_F(StandAlonePlayer, AnEmptyShowEndsAtOnceAndANamedFileIsPlayedInsteadOfItsOwn) {
    CSlideShowModel model;
    ASSERT_TRUE(WriteShowFile(model, dir + "/Nothing.SlideShow", ShowFileForm::NameOnly).isEmpty());
    const Run run = Start(PlayerCopy(QStringLiteral("Nothing")));
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    const Run named = Start(kPlayer, {dir + "/Nothing.SlideShow"});
    EXPECT_EQ(named.status, 0) << named.errors.toStdString();
    const Run missing = Start(kPlayer, {dir + "/Missing.SlideShow"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.errors.contains(dir + "/Missing.SlideShow was not found"));
}

TEST_F(StandAlonePlayer, HasNoRunPathAndNeedsNoLibraryOfTheBuildTree) {
    const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
    if (readelf.isEmpty()) GTEST_SKIP() << "readelf is not installed";
    QProcess process;
    process.start(readelf, {QStringLiteral("-d"), kPlayer});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString dynamic = QString::fromLocal8Bit(process.readAllStandardOutput());
    ASSERT_TRUE(dynamic.contains(QStringLiteral("(NEEDED)"))) << dynamic.toStdString();
    EXPECT_FALSE(dynamic.contains(QStringLiteral("RPATH"))) << dynamic.toStdString();
    EXPECT_FALSE(dynamic.contains(QStringLiteral("RUNPATH"))) << dynamic.toStdString();
    EXPECT_FALSE(dynamic.contains(QStringLiteral("libtsl"))) << dynamic.toStdString();
    EXPECT_FALSE(dynamic.contains(QStringLiteral(TSL_SOURCE_DIR))) << dynamic.toStdString();
}

} // namespace
} // namespace tsl
