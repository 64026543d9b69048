// Start-up time: from starting the tessaly process to its main window being shown, on the
// offscreen platform. The program's --benchmark-startup option makes it quit as soon as the
// window is up, so the process's lifetime is the time measured.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void StartUpToMainWindow(benchmark::State& state) {
    QTemporaryDir home;
    QDir().mkpath(home.path() + "/config/Orvane");
    QFile profile(home.path() + "/config/Orvane/Tessaly.ini");
    if (profile.open(QIODevice::WriteOnly)) profile.write("[Tip]\nStartUp=1\n");
    profile.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", home.path());
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
BENCHMARK(StartUpToMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)
    ->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
