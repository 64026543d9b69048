// SlideShowPlayer.bin: plays a stand-alone slide show. Started as T (the name an export gives
// its copy), it plays T.SlideShow from its own folder, finding the images and the sound there by
// the names the show file holds, full screen with the keys, captions, transitions, sound and
// panning of the program's player, and exits when the show ends. "SlideShowPlayer T.SlideShow"
// plays the named file instead.
//
// A missing or damaged show file is reported (a message box, and standard error) and the player
// exits with status 1; without a display it says so and exits with status 1 too.

#include "core/ProgramFolder.h"
#include "imaging/LBase.h"
#include "platform/CoreBridge.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "platform/QtServices.h"
#include "slideshow/SlideShowModel.h"
#include "slideshow/SlideShowPlayer.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace tsl;

int Fail(const QString& message) {
    std::fprintf(stderr, "%s\n", DisplayFileName(message).toLocal8Bit().constData());
    // On the offscreen platform nobody would see the box.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QMessageBox::critical(nullptr, QStringLiteral("Slide show"), DisplayFileName(message));
    return 1;
}

// The file name of the running program, as bytes.
QString ExecutablePath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? DecodeFileName(QByteArray(buffer, static_cast<qsizetype>(n))) : QString();
}

} // namespace

int main(int argc, char** argv) {
    if (!tsl::platform::HasDisplay()) {
        std::fprintf(stderr,
                     "%s plays a slide show on a graphical display, but none was found "
                     "(DISPLAY and WAYLAND_DISPLAY are not set).\n",
                     argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Slide show"));

    QString show;
    if (argc > 1) {
        show = AbsoluteFilePath(DecodeFileName(QByteArray(argv[1])));
    } else {
        const QString exe = ExecutablePath();
        if (exe.isEmpty()) return Fail(QStringLiteral("The player cannot tell where it is."));
        show = exe + QStringLiteral(".SlideShow");
    }
    const QString folder = show.left(show.lastIndexOf(QLatin1Char('/')) + 1);

    // Message boxes of the player and the image loader; no profile, no settings file.
    platform::QtServices services(QString{});
    platform::Install(services.services());
    platform::CoreBridge bridge(folder);
    bridge.InstallIntoCore();

    if (!IsRegularFile(show))
        return Fail(QStringLiteral("The slide show file %1 was not found. The player plays the "
                                   "show of its own name in its own folder.")
                        .arg(show));
    CSlideShowModel model;
    if (const QString error = ReadShowFile(model, show); !error.isEmpty()) return Fail(error);
    // The show names its files without folders: they lie beside it.
    model.folderPrefix = folder;
    const bool noSound = model.soundFile.isEmpty() || model.soundFile == QLatin1String(".");
    model.soundFile = noSound ? QString() : folder + model.soundFile;

    LBase::LoadLibraries(kAllLibraries);
    CSlideShowPlayer::Play(model);
    LBase::UnloadLibraries(kAllLibraries);
    return 0;
}
