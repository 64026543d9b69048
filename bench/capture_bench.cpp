// Screen capture on an Xvfb of the benchmark's own at 1920 x 1080 (with openbox when
// installed):
//  - GrabFullScreen: one full-screen grab (shared memory where the server offers it), beside
//    ImportRootPeer, ImageMagick's import of the root window, for a ratio;
//  - HotKeyToPaintedDocument: from sending the hot key (xdotool) to the first paint of the new
//    document's paint control in the running program (full-screen kind). xdotool's own start
//    is inside the figure, so it is an upper bound.

#include "app/MainFrame.h"
#include "app/TessalyApp.h"
#include "framework/DocTemplate.h"
#include "capture/CaptureCommands.h"
#include "capture/X11Grabber.h"
#include "paint/PntCtrl.h"
#include "platform/CoreBridge.h"
#include "platform/QtServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t g_xvfb = 0, g_wm = 0;

bool StartServer() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    g_xvfb = fork();
    if (g_xvfb == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    g_wm = fork();
    if (g_wm == 0) {
        execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(800000);
    return true;
}

void StopServer() {
    for (pid_t pid : {g_wm, g_xvfb})
        if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
}

void GrabFullScreen(benchmark::State& state) {
    tsl::X11Grabber grabber;
    if (!grabber.Valid()) return state.SkipWithError("no X server");
    for (auto _ : state) benchmark::DoNotOptimize(grabber.Grab(tsl::GrabTarget::FullScreen, 0, false));
    state.counters["shm"] = grabber.UsesSharedMemory() ? 1 : 0;
}
BENCHMARK(GrabFullScreen)->Unit(benchmark::kMillisecond);

void ImportRootPeer(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) QProcess::execute("import-im6.q16", {"-window", "root", dir.path() + "/root.bmp"});
}
BENCHMARK(ImportRootPeer)->Unit(benchmark::kMillisecond)->Iterations(5);

// Catches the first paint of a paint control after the clock started.
struct FirstPaint : QObject {
    QElapsedTimer* clock = nullptr;
    qint64 at = -1;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && at < 0 && clock && clock->isValid()) {
            for (QObject* p = o; p; p = p->parent())
                if (qobject_cast<tsl::CPntCtrl*>(p)) {
                    at = clock->nsecsElapsed();
                    break;
                }
        }
        return false;
    }
};

void HotKeyToPaintedDocument(benchmark::State& state) {
    QTemporaryDir program;
    QFile settings(program.path() + "/Settings.ini");
    if (settings.open(QIODevice::WriteOnly)) settings.write("[General]\r\nFirstTimeUser=1\r\n");
    settings.close();
    tsl::CTessalyApp::Options options;
    options.programFolder = program.path() + "/";
    options.userSettingsFolder = program.path() + "/user";
    options.showTipAtStartUp = false;
    tsl::CTessalyApp app(options);
    if (!app.InitInstance({})) return state.SkipWithError("start-up failed");
    QApplication::processEvents();
    FirstPaint paint;
    qApp->installEventFilter(&paint);
    tsl::CCaptureCommands& capture = *app.Capture();
    for (auto _ : state) {
        QElapsedTimer clock;
        paint.clock = &clock;
        paint.at = -1;
        QTimer::singleShot(50, [&] {
            clock.start();
            QProcess::startDetached("xdotool", {"key", "F11"});
        });
        capture.StartCapture(tsl::kCaptureFull);
        QElapsedTimer guard;
        guard.start();
        while (paint.at < 0 && guard.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (paint.at < 0) return state.SkipWithError("the document was not painted");
        state.SetIterationTime(double(paint.at) / 1e9);
        app.Template()->CloseAllDocuments();
        QApplication::processEvents();
    }
    qApp->removeEventFilter(&paint);
}
BENCHMARK(HotKeyToPaintedDocument)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (!StartServer()) {
        std::fprintf(stderr, "capture bench: Xvfb did not start\n");
        return 1;
    }
    std::atexit(StopServer);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication qt(argc, argv);
    tsl::platform::QtServices services(home.path() + "/profile.ini");
    tsl::platform::Install(services.services());
    tsl::platform::CoreBridge bridge(home.path() + "/");
    bridge.InstallIntoCore();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The imported root window as a ratio to our grab is printed by the benchmark table.
    return 0;
}
