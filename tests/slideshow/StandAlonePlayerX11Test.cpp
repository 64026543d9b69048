// An exported show played where a user would put it: the export's folder copied to a new
// place, the program folder moved out of reach, and the player copy started there on the X
// server. Its first slide must reach the screen, and Escape must end it.

#include "slideshow/SlideShowExport.h"
#include "slideshow/SlideShowModel.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace tsl {
namespace {

const QString kProgramFolder = QStringLiteral(TSL_PROGRAM_DIR);

// Moves the program folder away for its lifetime and puts it back, whatever happens between.
// A run that was killed meanwhile left it away: the next one puts it back first.
class ProgramFolderAway {
public:
    ProgramFolderAway() : m_away(kProgramFolder + QStringLiteral(".away")) {
        if (!QFile::exists(kProgramFolder) && QFile::exists(m_away))
            std::rename(m_away.toLocal8Bit().constData(), kProgramFolder.toLocal8Bit().constData());
        m_moved = std::rename(kProgramFolder.toLocal8Bit().constData(),
                              m_away.toLocal8Bit().constData()) == 0;
    }
    ~ProgramFolderAway() {
        if (m_moved)
            std::rename(m_away.toLocal8Bit().constData(), kProgramFolder.toLocal8Bit().constData());
    }
    bool Moved() const { return m_moved; }
    const QString& Away() const { return m_away; }

private:
    QString m_away;
    bool m_moved = false;
};

QImage Screen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

// An uncompressed 24-bit TGA file of one colour, rows from the top.
QByteArray Tga(int width, int height, QRgb colour) {
    QByteArray bytes(18, '\0');
    bytes[2] = 2; // true colour
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20;
    const char pixel[3] = {static_cast<char>(qBlue(colour)), static_cast<char>(qGreen(colour)),
                           static_cast<char>(qRed(colour))};
    for (int i = 0; i < width * height; ++i)
        bytes.append(pixel, 3);
    return bytes;
}

bool CopyFolder(const QString& from, const QString& to) {
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        if (!QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name))
            return false;
        QFile::setPermissions(to + QLatin1Char('/') + name,
                              QFile::permissions(from + QLatin1Char('/') + name));
    }
    return true;
}

TEST(StandAlonePlayerX11, AnExportPlaysFromANewFolderWithoutTheProgramFolder) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed";
    const QString source = test::MakeTempFolder(QStringLiteral("photos"));
    CSlideShowModel model;
    const QRgb colours[] = {qRgb(220, 30, 40), qRgb(20, 200, 60)};
    // The first slide is a TGA file, which only the imaging back end reads: the player must
    // carry it, since the program folder's module is out of reach.
    model.imageEntries << test::WriteFile(source + QStringLiteral("/slide1.tga"),
                                          Tga(400, 300, colours[0]));
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(colours[1]);
    ASSERT_TRUE(image.save(source + QStringLiteral("/slide2.png"), "PNG"));
    model.imageEntries << source + QStringLiteral("/slide2.png");
    const QString exported = test::MakeTempFolder(QStringLiteral("exported"));
    ASSERT_TRUE(WriteStandAloneShow(model, exported + QStringLiteral("/Colours.SlideShow"),
                                    kProgramFolder + QStringLiteral("/Bin/SlideShowPlayer.bin"))
                    .isEmpty());
    const QString elsewhere = test::MakeTempFolder(QStringLiteral("elsewhere"));
    ASSERT_TRUE(CopyFolder(exported, elsewhere));
    ASSERT_TRUE(QFile::exists(elsewhere + QStringLiteral("/Colours")));

    ProgramFolderAway away;
    ASSERT_TRUE(away.Moved());
    ASSERT_FALSE(QFile::exists(kProgramFolder));

    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("TSL_IMAGING_BACKEND"));
    player.setProcessEnvironment(environment);
    player.setWorkingDirectory(QStringLiteral("/"));
    player.start(elsewhere + QStringLiteral("/Colours"), {});
    ASSERT_TRUE(player.waitForStarted(10000));

    // The first slide, centred on the screen, at its own size.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QPoint centre(screen.width() / 2, screen.height() / 2);
    const QPoint corner(5, 5);
    QImage shot;
    const bool shown = QTest::qWaitFor(
        [&] {
            shot = Screen();
            return shot.pixel(centre) == colours[0] && shot.pixel(corner) == qRgb(0, 0, 0);
        },
        30000);
    EXPECT_TRUE(shown) << "centre " << std::hex << shot.pixel(centre) << " corner "
                       << shot.pixel(corner) << "; " << player.readAllStandardError().toStdString();

    QProcess::execute(xdotool, {QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(player.waitForFinished(15000)) << "Escape did not end the show";
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished(5000);
    }
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
}

} // namespace
} // namespace tsl
