// The image commands as the user runs them, on a 12-megapixel picture (4000 x 3000, 24 bits
// as loaded, the paint control's 32 bits as held), side by side with GraphicsMagick's command
// line in the same run, the ratios printed at the end (tessaly / gm; below 1 means faster):
//   Any Angle 33 degrees with resize   vs  gm convert in.ppm -rotate 33 null:
//   Resample to 50 %, bicubic          vs  gm convert in.ppm -filter Cubic -resize 50% null:
//   Shear 20 degrees, horizontal       vs  gm convert in.ppm -shear 20x0 null:
//   Convert to Grayscale               vs  gm convert in.ppm -colorspace gray null:
// Ours: the whole command through the real view and paint control (offscreen platform), its
// dialog answered by a script: the selection transfer, the dialog with its preview copy, the
// operation, the undo snapshot and the hand-back to the control (undone, untimed, between
// runs). gm's: `gm benchmark` CPU time of the conversion less that of `gm convert in.ppm null:`
// (reading the PPM), so both sides count only the operation. Both in CPU time (all threads).
//
// Then the dialogs' live preview on a 24-megapixel picture (wall time): opening the angle
// dialog (the preview copy made once) and one re-render after a change of the angle.

#include "document/PntUtilView.h"
#include "framework/Ids.h"
#include "imaging/LBase.h"
#include "imaging/dialogs/LDialogForms.h"
#include "codecs/CBmp.h"
#include "platform/Scripted.h"

#include "GmBench.h"
#include "RatioReporter.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace {

namespace fs = std::filesystem;
using tsl::bench::GmSeconds;
using tsl::bench::ProcessCpuSeconds;

struct Command {
    const char* name;
    int id;
    std::function<int(QDialog&)> answer; // null: the command has no dialog
    const char* gm;
};

tsl::platform::ScriptedPlatform* g_platform = nullptr;
tsl::CPntUtilView* g_view = nullptr;

void RunCommand(benchmark::State& state, const Command& command) {
    tsl::CViewPaintCtrl& ctrl = g_view->Control();
    for (auto _ : state) {
        ctrl.ResetSelection();
        if (command.answer) g_platform->dialogScripts.push_back(command.answer);
        const auto wall = std::chrono::steady_clock::now();
        const double start = ProcessCpuSeconds();
        g_view->OnCmdMsg(command.id);
        state.SetIterationTime(ProcessCpuSeconds() - start);
        state.counters["wall_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
        if (!ctrl.CanUndo() || !g_platform->messages.empty()) {
            state.SkipWithError("the command changed nothing");
            break;
        }
        ctrl.Undo();
    }
}

void RegisterGm(const std::string& name, const std::string& arguments) {
    tsl::bench::RegisterGm(name, arguments, 3);
}

double Milliseconds(const std::function<void()>& f) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void PrintPreviewTimes() {
    tsl::LBitmapBase picture;
    picture.Create(6000, 4000, 32);
    const double open = Milliseconds([&] { tsl::CAngleDlg dialog(picture, tsl::kAngleDialogRotate); });
    tsl::CAngleDlg dialog(picture, tsl::kAngleDialogRotate);
    double angle = 1;
    const double render = Milliseconds([&] {
        dialog.AngleBox()->setValue(angle += 7.5);
        dialog.Preview()->RenderNow();
    });
    tsl::CSizeDlg size(picture, 6000, 4000, tsl::kSizeBicubic);
    int width = 3000;
    const double resize = Milliseconds([&] {
        size.WidthBox()->setValue(width += 100);
        size.Preview()->RenderNow();
    });
    std::printf("\npreview of a 24 MP picture (wall, fastest of 5; goal <= 50 ms each):\n");
    std::printf("  open the angle dialog (preview copy made) %8.1f ms\n", open);
    std::printf("  re-render after an angle change           %8.1f ms\n", render);
    std::printf("  re-render after a size change             %8.1f ms\n", resize);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tsl::LBase::LoadLibraries(tsl::kAllLibraries);
    tsl::platform::ScriptedPlatform platform;
    platform.Install();
    g_platform = &platform;

    const fs::path dir = fs::temp_directory_path() / ("tsl-image-commands-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const tsl::CDdb picture = tsl::bench::MakePicture();
    if (!tsl::bench::WritePpm(dir / "in.ppm", picture)) {
        std::fprintf(stderr, "could not write the test picture\n");
        return 1;
    }
    tsl::CPntUtilView view;
    view.resize(1200, 800);
    view.show();
    view.Control().SetImage(tsl::CPntUtilView::SectionFromBitmap(tsl::ScreenDdb(picture)));
    g_view = &view;

    const Command commands[] = {
        {"rotate33", tsl::ID_ROTATE_ANY,
         [](QDialog& d) {
             static_cast<tsl::CAngleDlg&>(d).AngleBox()->setValue(33);
             return 1;
         },
         "-rotate 33"},
        {"resize50", tsl::ID_IMAGE_RESAMPLE,
         [](QDialog& d) {
             auto& size = static_cast<tsl::CSizeDlg&>(d);
             size.UnitBox()->setCurrentIndex(1);
             size.WidthBox()->setValue(50);
             size.MethodBox()->setCurrentIndex(2);
             return 1;
         },
         "-filter Cubic -resize 50%"},
        {"shear20", tsl::ID_IMAGE_SHEAR,
         [](QDialog& d) {
             static_cast<tsl::CAngleDlg&>(d).AngleBox()->setValue(20);
             return 1;
         },
         "-shear 20x0"},
        {"grayscale", tsl::ID_IMAGE_GRAYSCALE, nullptr, "-colorspace gray"},
    };
    const std::string in = "'" + (dir / "in.ppm").string() + "'";
    for (const Command& c : commands) {
        benchmark::RegisterBenchmark((std::string("tessaly/") + c.name).c_str(),
                                     [&c](benchmark::State& state) { RunCommand(state, c); })
            ->UseManualTime()->Iterations(2)->Repetitions(3)->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
        RegisterGm(std::string("gm/") + c.name, in + " " + c.gm + " null:");
    }
    RegisterGm("gm/read", in + " null:");

    tsl::bench::RatioReporter reporter(true); // the manual (CPU) times
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double read = reporter.Time("gm/read");
    std::printf("\nCPU time   %12s %10s %14s %14s %6s\n", "tessaly ms", "gm ms", "gm - read ms",
                "tsl/(gm-read)", "goal");
    const struct {
        const char* name;
        double goal;
    } goals[] = {{"rotate33", 0.25}, {"resize50", 0.2}, {"shear20", 0.3}, {"grayscale", 0.2}};
    for (const auto& g : goals) {
        const double ours = reporter.Time(std::string("tessaly/") + g.name);
        const double gm = reporter.Time(std::string("gm/") + g.name);
        if (ours <= 0 || gm <= 0) continue;
        const double work = read > 0 && gm > read ? gm - read : gm;
        std::printf("%-10s %12.1f %10.1f %14.1f %14.3f %6.2f%s\n", g.name, ours, gm, work, ours / work,
                    g.goal, ours / work <= g.goal ? "" : "  MISSED");
    }
    PrintPreviewTimes();
    benchmark::Shutdown();
    fs::remove_all(dir);
    return 0;
}
