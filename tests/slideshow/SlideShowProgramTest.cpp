// tessaly --slideshow FILE.show as a program: it plays the show and ends with it.

#include "slideshow/SlideShowModel.h"

#include "support/TestEnvironment.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace tsl {
namespace {

QProcessEnvironment FreshProfile(const QString& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "HOME"})
        environment.insert(QString::fromLatin1(name),
                           root + QLatin1Char('/') + QLatin1String(name));
    return environment;
}

TEST(SlideShowProgram, PlaysAnAutomaticShowAndExitsWhenItEnds) {
    const QString dir = test::MakeTempFolder(QStringLiteral("program-show"));
    CSlideShowModel model;
    for (const char* name : {"a.png", "b.png"}) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(qRgb(10, 120, 200));
        ASSERT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(name), "PNG"));
        model.imageEntries << dir + QLatin1Char('/') + QLatin1String(name);
    }
    model.advanceMode = 1;
    model.delay = 50;
    model.useTransitions = 1;
    const QString show = dir + QStringLiteral("/two.show");
    ASSERT_TRUE(WriteShowFile(model, show, ShowFileForm::FullPath).isEmpty());

    QProcess program;
    program.setProcessEnvironment(FreshProfile(dir));
    program.start(QStringLiteral(TSL_PROGRAM_DIR "/tessaly"),
                  {QStringLiteral("--slideshow"), show});
    ASSERT_TRUE(program.waitForFinished(60000)) << "the show did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
}

TEST(SlideShowProgram, WithoutAFileNameItSaysWhatItNeeds) {
    QProcess program;
    program.setProcessEnvironment(FreshProfile(test::MakeTempFolder(QStringLiteral("no-file"))));
    program.start(QStringLiteral(TSL_PROGRAM_DIR "/tessaly"), {QStringLiteral("--slideshow")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(
        program.readAllStandardError().contains("--slideshow needs the path of a .show file"));
}

} // namespace
} // namespace tsl
