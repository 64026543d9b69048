// Tessaly's entry point: the Qt application, the platform services, then start-up.

#include "app/TessalyApp.h"
#include "capture/CommandLineCapture.h"
#include "core/ProgramFolder.h"
#include "platform/CoreBridge.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "platform/QtServices.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// The arguments after the program's name, each kept byte for byte (a file name that is not
// UTF-8 still opens).
QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << tsl::DecodeFileName(QByteArray(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    // --capture: one capture saved to a file, without a window, a first run or a tip.
    {
        const QStringList arguments = Arguments(argc, argv);
        if (tsl::IsCommandLineCapture(arguments)) {
            QCoreApplication core(argc, argv);
            return tsl::RunCommandLineCapture(arguments);
        }
    }
    if (!tsl::platform::HasDisplay()) {
        std::fprintf(stderr,
                     "Tessaly is a desktop program and needs a graphical display, but none was "
                     "found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "Start it from a desktop session, or under a virtual X server:\n"
                     "  xvfb-run -a -s '-screen 0 1280x1024x24' %s [FILE...]\n",
                     argv[0]);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setApplicationVersion(QStringLiteral(TSL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaly"));

    tsl::platform::QtServices services(tsl::platform::DefaultProfilePath());
    tsl::platform::Install(services.services());
    const QString programFolder = QString::fromStdString(tsl::ExecutableFolder());
    tsl::platform::CoreBridge bridge(programFolder);
    bridge.InstallIntoCore();

    tsl::CTessalyApp::Options options;
    options.programFolder = programFolder;
    options.userSettingsFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Orvane/Tessaly");
    tsl::CTessalyApp tessaly(options);
    // What Qt left of the command line once it took its own options (-platform and the like).
    QStringList arguments = Arguments(argc, argv);
    // --benchmark-startup: quit as soon as the main window is shown (start-up benchmark).
    const bool quitWhenShown = arguments.removeAll(QStringLiteral("--benchmark-startup")) > 0;
    // --slideshow FILE.show: plays the show and ends with it.
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(QLatin1String("--slideshow=")))
            return tsl::CTessalyApp::PlayShowFile(arguments[i].mid(12));
        if (arguments[i] != QLatin1String("--slideshow")) continue;
        if (i + 1 >= arguments.size()) {
            std::fprintf(stderr, "%s: --slideshow needs the path of a .show file\n", argv[0]);
            return 2;
        }
        return tsl::CTessalyApp::PlayShowFile(arguments[i + 1]);
    }
    if (!tessaly.InitInstance(arguments)) return 1;
    if (quitWhenShown) QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
