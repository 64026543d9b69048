// The filters of the Effects menu as the user runs them, on a 12-megapixel picture (4000 x 3000),
// side by side with GraphicsMagick's command line in the same run, the ratios printed at the end
// (tessaly / (gm - gm's read); goal <= 0.3). The pairings:
//   Blur, window 5                     vs  gm convert in.ppm -blur 0x1.5 null:
//   Sharpen 250                        vs  gm convert in.ppm -sharpen 0x1 null:
//   Median 5 x 5                       vs  gm convert in.ppm -median 2 null:
//   Emboss north, depth 100            vs  gm convert in.ppm -emboss 1 null:
//   Add Noise 100, master              vs  gm convert in.ppm +noise Uniform null:
//   Oilify 5                           vs  gm convert in.ppm -paint 2 null:
//   Mosaic 8                           vs  gm convert in.ppm -sample 12.5% -sample 800% null:
//   Posterize 8                        vs  gm convert in.ppm -operator all Depth 3 null: (8 levels)
//   each spatial filter family's first vs  gm convert in.ppm -convolve (its 3 x 3 kernel) null:
// Ours: the whole command through the real view and paint control (offscreen platform), its
// dialog answered by a script: the selection transfer, the dialog with its preview copy, the
// filter, the undo snapshot and the hand-back (undone, untimed, between runs). gm's: `gm
// benchmark` CPU time less that of `gm convert in.ppm null:`. Both in CPU time (all threads).
//
// Then the live previews (wall time): a change of a filter dialog's value on a 24-megapixel
// picture (goal <= 50 ms), and Drop Shadow's and Buttonize's re-render of a 2000 x 2000
// selection (goal <= 100 ms).

#include "document/EffectDlgs.h"
#include "document/ImageOps.h"
#include "document/PntUtilView.h"
#include "framework/Ids.h"
#include "imaging/LBase.h"
#include "imaging/dialogs/LDialogFilterForms.h"
#include "codecs/CBmp.h"
#include "platform/Scripted.h"

#include "GmBench.h"
#include "RatioReporter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <functional>

namespace {

namespace fs = std::filesystem;
using tsl::bench::ProcessCpuSeconds;

struct Command {
    const char* name;
    int id;
    std::function<int(QDialog&)> answer;
    const char* gm;
};

tsl::platform::ScriptedPlatform* g_platform = nullptr;
tsl::CPntUtilView* g_view = nullptr;

void RunCommand(benchmark::State& state, const Command& command) {
    tsl::CViewPaintCtrl& ctrl = g_view->Control();
    for (auto _ : state) {
        ctrl.ResetSelection();
        if (command.answer) g_platform->dialogScripts.push_back(command.answer);
        const double start = ProcessCpuSeconds();
        g_view->OnCmdMsg(command.id);
        state.SetIterationTime(ProcessCpuSeconds() - start);
        if (!ctrl.CanUndo() || !g_platform->messages.empty()) {
            state.SkipWithError("the command changed nothing");
            break;
        }
        ctrl.Undo();
    }
}

std::function<int(QDialog&)> Change(int value) {
    return [value](QDialog& d) {
        static_cast<tsl::CChangeDlg&>(d).ValueBox()->setValue(value);
        return 1;
    };
}

std::function<int(QDialog&)> Accept() {
    return [](QDialog&) { return 1; };
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

void PrintPreviewTimes(const tsl::CDdb& picture12) {
    std::printf("\nlive previews (wall, fastest of 5):\n");
    tsl::LBitmapBase big;
    big.Create(6000, 4000, 32);
    const double open = Milliseconds([&] { tsl::CChangeDlg dialog(big, tsl::kChangeMedian, 5); });
    for (unsigned flag : {tsl::kChangeBlur, tsl::kChangeMedian, tsl::kChangeOilify, tsl::kChangeMosaic}) {
        tsl::CChangeDlg dialog(big, flag, 5);
        // Sizes that stay above one pixel at the preview's scale of about 1/19.
        int value = 41;
        const double render = Milliseconds([&] {
            dialog.ValueBox()->setValue(value += 4);
            dialog.Preview()->RenderNow();
        });
        std::printf("  24 MP, %-28s %8.1f ms   (goal <= 50)\n",
                    (dialog.windowTitle() + " value change").toUtf8().constData(), render);
    }
    std::printf("  24 MP, open a filter dialog (preview copy) %6.1f ms   (goal <= 50)\n", open);

    const tsl::CDdb whole = tsl::CopyPart(tsl::ScreenDdb(picture12), {0, 0, 2400, 2400});
    const tsl::CRect selection{200, 200, 2200, 2200};
    if (whole.IsNull()) return;
    tsl::CDropShadowDlg shadow(whole, selection, tsl::RGB(255, 255, 255));
    int offset = 0;
    const double moved = Milliseconds([&] {
        shadow.HorizontalOffset()->Box()->setText(QString::number(offset++ % 20));
        shadow.RenderNow();
    });
    int blur = 3;
    const double blurred = Milliseconds([&] {
        shadow.Blur()->Box()->setText(QString::number(3 + (blur++ % 9)));
        shadow.RenderNow();
    });
    std::printf("  Drop Shadow 2000 x 2000, offset change     %8.1f ms   (goal <= 100)\n", moved);
    std::printf("  Drop Shadow 2000 x 2000, blur change       %8.1f ms   (goal <= 100)\n", blurred);
    tsl::CButtonizeDlg button(tsl::CopyPart(whole, selection), tsl::RGB(255, 255, 255), tsl::DefaultButtonRecords(), {});
    int size = 1;
    const double bevel = Milliseconds([&] {
        button.Size()->Box()->setText(QString::number(size++ % 30));
        button.RenderNow();
    });
    std::printf("  Buttonize 2000 x 2000, size change         %8.1f ms   (goal <= 100)\n", bevel);
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

    const fs::path dir = fs::temp_directory_path() / ("tsl-effects-bench-" + std::to_string(::getpid()));
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
        {"blur", tsl::ID_EFFECT_BLUR, Change(5), "-blur 0x1.5"},
        {"sharpen", tsl::ID_EFFECT_SHARPEN, Change(250), "-sharpen 0x1"},
        {"median5", tsl::ID_EFFECT_MEDIAN, Change(5), "-median 2"},
        {"emboss", tsl::ID_EFFECT_EMBOSS, Accept(), "-emboss 1"},
        {"noise", tsl::ID_EFFECT_ADD_NOISE, Accept(), "+noise Uniform"},
        {"oilify", tsl::ID_EFFECT_OILIFY, Change(5), "-paint 2"},
        {"mosaic", tsl::ID_EFFECT_MOSAIC, Change(8), "-sample 12.5% -sample 800%"},
        {"posterize", tsl::ID_EFFECT_POSTERIZE, Change(8), "-operator all Depth 3"},
        {"gradient", tsl::ID_FILTER_GRADIENT, Accept(), "-convolve 1,1,1,1,-2,1,-1,-1,-1"},
        {"laplacian", tsl::ID_FILTER_LAPLACIAN, Accept(), "-convolve 0,-1,0,-1,4,-1,0,-1,0"},
        {"sobel", tsl::ID_FILTER_SOBEL, Accept(), "-convolve 1,2,1,0,0,0,-1,-2,-1"},
        {"prewitt", tsl::ID_FILTER_PREWITT, Accept(), "-convolve 1,1,1,0,0,0,-1,-1,-1"},
        {"shiftdiff", tsl::ID_FILTER_SHIFT_DIFFERENCE, Accept(), "-convolve -1,0,0,0,1,0,0,0,0"},
        {"lineseg", tsl::ID_FILTER_LINE_SEGMENT, Accept(), "-convolve -1,-1,-1,2,2,2,-1,-1,-1"},
    };
    const std::string in = "'" + (dir / "in.ppm").string() + "'";
    for (const Command& c : commands) {
        benchmark::RegisterBenchmark((std::string("tessaly/") + c.name).c_str(),
                                     [&c](benchmark::State& state) { RunCommand(state, c); })
            ->UseManualTime()->Iterations(2)->Repetitions(3)->TSL_MIN_STATISTIC->Unit(benchmark::kMillisecond);
        tsl::bench::RegisterGm(std::string("gm/") + c.name, in + " " + c.gm + " null:", 3);
    }
    tsl::bench::RegisterGm("gm/read", in + " null:", 3);

    tsl::bench::RatioReporter reporter(true);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double read = reporter.Time("gm/read");
    std::printf("\nCPU time   %12s %10s %14s %14s %6s  pairing\n", "tessaly ms", "gm ms", "gm - read ms",
                "tsl/(gm-read)", "goal");
    for (const Command& c : commands) {
        const double ours = reporter.Time(std::string("tessaly/") + c.name);
        const double gm = reporter.Time(std::string("gm/") + c.name);
        if (ours <= 0 || gm <= 0) continue;
        const double work = read > 0 && gm > read ? gm - read : gm;
        std::printf("%-10s %12.1f %10.1f %14.1f %14.3f %6.2f%s  gm convert %s\n", c.name, ours, gm, work, ours / work,
                    0.3, ours / work <= 0.3 ? "" : "  MISSED", c.gm);
    }
    PrintPreviewTimes(picture);
    benchmark::Shutdown();
    fs::remove_all(dir);
    return 0;
}
