// Start-up time, two ways:
//  - StartUpToMainWindow: from starting the tessaly process to its main window being shown, on
//    the offscreen platform. The program's --benchmark-startup option makes it quit as soon as
//    the window is up, so the process's lifetime is the time measured.
//  - StartUpToMappedWindowX11: from starting the process to the X server mapping its first
//    window, on a real X server (an Xvfb of the benchmark's own, with openbox when installed,
//    as a user's desktop has a window manager). The benchmark watches the root window's
//    children; the first map after the start is the main window (or, with a window manager,
//    the frame it puts around it). The program is then stopped.
//  - StartUpWithScanners: StartUpToMainWindow under four SANE configurations: no backend (as
//    without SANE), the network backend pointed at an unreachable address, the network
//    backend pointed at a host that accepts and never answers (discovery then waits until the
//    program ends), and the test backend's two devices. The program finds scanners on a
//    thread of their own, so the window comes as fast in every case; the differences to the
//    first case are printed at the end.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#ifdef TSL_BENCH_XCB
#include <xcb/xcb.h>

#include <poll.h>
#include <unistd.h>
#endif

#include "RatioReporter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Home {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Home() {
        QDir().mkpath(dir.path() + "/config/Orvane");
        QFile profile(dir.path() + "/config/Orvane/Tessaly.ini");
        if (profile.open(QIODevice::WriteOnly)) profile.write("[Tip]\nStartUp=1\n");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", dir.path());
    }
};

// Each iteration: the program started until its main window is shown and it quits.
void TimeStartUps(benchmark::State& state, const QProcessEnvironment& env) {
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(TSL_PROGRAM), {QStringLiteral("--benchmark-startup")});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("tessaly did not start and quit");
            break;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}

void StartUpToMainWindow(benchmark::State& state) {
    Home home;
    home.env.insert("QT_QPA_PLATFORM", "offscreen");
    TimeStartUps(state, home.env);
}
BENCHMARK(StartUpToMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)
    ->Repetitions(5)->ReportAggregatesOnly(true);

// A TCP port on 127.0.0.1 that takes connections into its backlog and never answers them.
class SilentHost {
public:
    SilentHost() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(6566); // the network backend's port
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 64) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~SilentHost() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
}

void StartUpWithScanners(benchmark::State& state) {
    static const char* const kCases[] = {"no backend", "network: unreachable address",
                                         "network: host never answers", "test backend"};
    const int which = static_cast<int>(state.range(0));
    Home home;
    home.env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString sane = home.dir.path() + "/sane";
    QDir().mkpath(sane);
    std::unique_ptr<SilentHost> silent;
    switch (which) {
    case 1:
        WriteText(sane + "/dll.conf", "net\n");
        WriteText(sane + "/net.conf", "connect_timeout = 10\n10.255.255.1\n");
        break;
    case 2:
        silent = std::make_unique<SilentHost>();
        if (!silent->Ok()) {
            state.SkipWithError("port 6566 on 127.0.0.1 is taken");
            return;
        }
        WriteText(sane + "/dll.conf", "net\n");
        WriteText(sane + "/net.conf", "127.0.0.1\n");
        break;
    case 3: WriteText(sane + "/dll.conf", "test\n"); break;
    default: break;
    }
    // The trailing colon keeps the system's backend files (test.conf) reachable; the private
    // dll.conf comes first and is the one read. An empty folder alone loads no backend.
    home.env.insert("SANE_CONFIG_DIR", which == 0 ? sane : sane + ":");
    state.SetLabel(kCases[which]);
    TimeStartUps(state, home.env);
}
BENCHMARK(StartUpWithScanners)->DenseRange(0, 3)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(5)->Repetitions(3)->TSL_MIN_STATISTIC->ReportAggregatesOnly(true);

#ifdef TSL_BENCH_XCB

// An Xvfb server of the benchmark's own, with openbox on it when openbox is installed.
class XServer {
public:
    XServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_server.setProgram(QStringLiteral("Xvfb"));
        m_server.setArguments({QStringLiteral("-displayfd"), QString::number(fds[1]),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")});
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.start();
        ::close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char number[16] = {};
        if (::poll(&p, 1, 10000) == 1 && ::read(fds[0], number, sizeof number - 1) > 0)
            m_display = QStringLiteral(":%1").arg(QString::fromLatin1(number).trimmed());
        ::close(fds[0]);
        if (m_display.isEmpty()) return;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        m_wm.setProcessEnvironment(env);
        m_wm.setStandardOutputFile(QProcess::nullDevice());
        m_wm.setStandardErrorFile(QProcess::nullDevice());
        m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (m_wm.waitForStarted(3000)) QThread::msleep(500); // lets it take the root window
    }
    ~XServer() {
        for (QProcess* p : {&m_wm, &m_server}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(3000)) p->kill();
        }
    }
    QString Display() const { return m_display; }
    bool HasWindowManager() const { return m_wm.state() == QProcess::Running; }

private:
    QProcess m_server;
    QProcess m_wm;
    QString m_display;
};

void StartUpToMappedWindowX11(benchmark::State& state) {
    XServer server;
    if (server.Display().isEmpty()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    xcb_connection_t* x = xcb_connect(server.Display().toLatin1().constData(), nullptr);
    if (!x || xcb_connection_has_error(x)) {
        state.SkipWithError("no connection to Xvfb");
        return;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    // Every window put on the root (or reparented there by the window manager) reports its map.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    Home home;
    home.env.insert("DISPLAY", server.Display());
    home.env.remove("QT_QPA_PLATFORM");
    home.env.remove("WAYLAND_DISPLAY");
    for (auto _ : state) {
        while (xcb_generic_event_t* stale = xcb_poll_for_event(x)) std::free(stale);
        QProcess process;
        process.setProcessEnvironment(home.env);
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(TSL_PROGRAM));
        bool mapped = false;
        pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
        while (!mapped && timer.elapsed() < 30000) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) mapped = true;
                std::free(event);
            }
            if (!mapped) ::poll(&p, 1, 50);
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(2000);
        if (!mapped) {
            state.SkipWithError("tessaly mapped no window");
            break;
        }
        state.SetIterationTime(seconds);
        // The closing windows unmap; their events are drained before the next start.
        QThread::msleep(200);
    }
    state.SetLabel(server.HasWindowManager() ? "Xvfb + openbox" : "Xvfb");
    xcb_disconnect(x);
}
BENCHMARK(StartUpToMappedWindowX11)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);

#endif

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tsl::bench::RatioReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double base = reporter.Time("StartUpWithScanners/0");
    static const char* const kNames[] = {"network: unreachable address", "network: host never answers",
                                         "test backend"};
    for (int i = 1; i <= 3; ++i) {
        const double t = reporter.Time("StartUpWithScanners/" + std::to_string(i));
        if (base >= 0 && t >= 0)
            std::printf("Start-up with SANE's %s: %+.1f ms against no backend\n", kNames[i - 1], t - base);
    }
    benchmark::Shutdown();
    return 0;
}
