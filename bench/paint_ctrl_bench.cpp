// The paint control on an 8000x6000 24-bit image seen through a 1600x1000 viewport: one paint
// event of the whole viewport at 10, 100 and 600 %, one width-5 pen-stroke step with its repaint,
// one undo snapshot and one airbrush tick. Goals: a paint event at most 4 ms, a stroke step at
// most 2 ms (medians of the repetitions, printed at the end).

#include "paint/PntCtrl.h"

#include "ViewportBench.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using tsl::CPntCtrl;
using tsl::CPoint;

namespace {

constexpr int kImageWidth = 8000;
constexpr int kImageHeight = 6000;
constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;
constexpr int kRepetitions = 7;

// Gradients with noise and a checker of 37-pixel cells: every magnification shows detail.
void FillPattern(tsl::CDIBSection& image) {
    std::mt19937 random(7);
    for (int y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        for (int x = 0; x < image.Width(); ++x) {
            const int noise = static_cast<int>(random() % 33) - 16;
            const int cell = ((x / 37) + (y / 37)) & 1 ? 60 : 0;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp((x ^ y) % 196 + cell + noise, 0, 255));
            row[3 * x + 1] =
                static_cast<std::uint8_t>(std::clamp(y * 255 / image.Height() + noise, 0, 255));
            row[3 * x + 2] =
                static_cast<std::uint8_t>(std::clamp(x * 255 / image.Width() - cell, 0, 255));
        }
    }
}

// One control shared by every benchmark: making the image costs more than all of them.
CPntCtrl& Control() {
    static CPntCtrl* ctrl = [] {
        auto* c = new CPntCtrl;
        c->CreateBlank(kImageWidth, kImageHeight, 1, 24);
        FillPattern(c->Image());
        c->SetForeColour(tsl::RGB(0, 0, 128));
        c->SetLineWidth(5);
        auto engine = std::make_shared<std::minstd_rand>(11);
        c->SetRandomSource([engine] { return static_cast<unsigned>((*engine)()); });
        c->resize(kViewWidth, kViewHeight);
        c->show();
        c->activateWindow();
        QApplication::processEvents();
        return c;
    }();
    return *ctrl;
}

// Sets the zoom, grows the control by the scroll bars it now shows so that the viewport is
// exactly 1600x1000, and scrolls to the middle of the image.
bool PrepareView(CPntCtrl& ctrl, int zoom) {
    ctrl.SetZoomPercent(zoom);
    ::bench::FitViewport(ctrl, QSize(kViewWidth, kViewHeight));
    QScrollBar* h = ctrl.horizontalScrollBar();
    QScrollBar* v = ctrl.verticalScrollBar();
    h->setValue((h->minimum() + h->maximum()) / 2);
    v->setValue((v->minimum() + v->maximum()) / 2);
    QApplication::processEvents();
    return ctrl.viewport()->size() == QSize(kViewWidth, kViewHeight);
}

// A grab of the viewport must show the image's own pixels where the image is: each client
// pixel shows the image pixel the control maps it to.
bool ShowsImage(CPntCtrl& ctrl) {
    const QImage shot = ctrl.viewport()->grab().toImage();
    const tsl::CRect ir = ctrl.ImageToClient(ctrl.ImageRect());
    // Grid lines lie on the client columns and rows where an image pixel starts.
    const int zoom = ctrl.GetZoomPercent();
    const auto onGrid = [zoom](int offset) {
        const long long i = (offset * 100LL + zoom - 1) / zoom;
        return zoom >= 200 && i * zoom / 100 == offset;
    };
    int matched = 0, sampled = 0;
    for (int y = 37; y < kViewHeight; y += 101) {
        for (int x = 53; x < kViewWidth; x += 113) {
            const tsl::CPoint p = ctrl.ClientToImage(tsl::CPoint{x, y});
            const int ix = p.x, iy = p.y;
            if (x < ir.left || y < ir.top || x >= ir.right || y >= ir.bottom || onGrid(x - ir.left) || onGrid(y - ir.top)) continue;
            ++sampled;
            const tsl::COLORREF c = ctrl.Image().GetPixel(ix, iy);
            const QRgb s = shot.pixel(x, y);
            if (qRed(s) == tsl::GetRValue(c) && qGreen(s) == tsl::GetGValue(c) &&
                qBlue(s) == tsl::GetBValue(c))
                ++matched;
        }
    }
    return sampled >= 20 && matched == sampled;
}


void SendMove(QWidget* target, QPoint pos) {
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
}

void SendButton(QWidget* target, QEvent::Type type, QPoint pos) {
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// One paint event covering the whole viewport; the argument is the zoom in percent.
void PaintViewport(benchmark::State& state) {
    CPntCtrl& ctrl = Control();
    ctrl.SetMode(tsl::kModePen);
    if (!PrepareView(ctrl, static_cast<int>(state.range(0)))) {
        state.SkipWithError("the viewport is not 1600x1000");
        return;
    }
    if (!ShowsImage(ctrl)) {
        state.SkipWithError("the viewport does not show the image");
        return;
    }
    ::bench::CPaintCounter counter;
    ctrl.viewport()->installEventFilter(&counter);
    for (auto _ : state) ctrl.viewport()->repaint();
    ctrl.viewport()->removeEventFilter(&counter);
    ::bench::CheckPainted(state, counter);
}
BENCHMARK(PaintViewport)
    ->Arg(10)
    ->Arg(100)
    ->Arg(600)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One mouse move of a width-5 pen stroke: the segment is drawn and its box painted at once.
// The moves alternate between two points 200 client pixels apart; the argument is the zoom.
void PenStrokeStep(benchmark::State& state) {
    CPntCtrl& ctrl = Control();
    ctrl.SetMode(tsl::kModePen);
    if (!PrepareView(ctrl, static_cast<int>(state.range(0)))) {
        state.SkipWithError("the viewport is not 1600x1000");
        return;
    }
    QWidget* view = ctrl.viewport();
    const QPoint a(700, 450), b(880, 540);
    SendButton(view, QEvent::MouseButtonPress, a);
    ::bench::CPaintCounter counter;
    view->installEventFilter(&counter);
    bool toB = true;
    for (auto _ : state) {
        SendMove(view, toB ? b : a);
        toB = !toB;
    }
    view->removeEventFilter(&counter);
    SendButton(view, QEvent::MouseButtonRelease, toB ? a : b);
    ::bench::CheckPainted(state, counter);
    ctrl.ClearHistory();
}
BENCHMARK(PenStrokeStep)
    ->Arg(100)
    ->Arg(600)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One whole-image undo snapshot (144 MB), with the history at its usual depth.
void UndoSnapshot(benchmark::State& state) {
    CPntCtrl& ctrl = Control();
    ctrl.ClearHistory();
    // A full history, as after a few edits: each further step replaces the oldest snapshot.
    for (int i = 0; i < 5; ++i) ctrl.SaveUndoStep();
    for (auto _ : state) benchmark::DoNotOptimize(ctrl.SaveUndoStep());
    ctrl.ClearHistory();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(ctrl.Image().ImageSize()));
}
BENCHMARK(UndoSnapshot)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One airbrush tick at 100 %: ten dots sprayed and their box painted.
void AirbrushTick(benchmark::State& state) {
    CPntCtrl& ctrl = Control();
    ctrl.SetMode(tsl::kModeAirbrush);
    if (!PrepareView(ctrl, 100)) {
        state.SkipWithError("the viewport is not 1600x1000");
        return;
    }
    QWidget* view = ctrl.viewport();
    const QPoint at(800, 500);
    SendButton(view, QEvent::MouseButtonPress, at);
    if (!ctrl.AirbrushRunning()) {
        state.SkipWithError("the airbrush did not start");
        return;
    }
    ::bench::CPaintCounter counter;
    view->installEventFilter(&counter);
    for (auto _ : state) ctrl.AirbrushTick();
    view->removeEventFilter(&counter);
    SendButton(view, QEvent::MouseButtonRelease, at);
    ::bench::CheckPainted(state, counter);
    ctrl.ClearHistory();
    ctrl.SetMode(tsl::kModePen);
}
BENCHMARK(AirbrushTick)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Keeps each benchmark's median real time per iteration, in milliseconds.
class CMedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> median;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Aggregate ||
                run.aggregate_name != "median")
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            median[name] = run.GetAdjustedRealTime() * 1000.0 /
                           benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    CMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char* name;
        const char* label;
        double goal;
    } goals[] = {
        {"PaintViewport/10", "paint event at 10 %", 4},
        {"PaintViewport/100", "paint event at 100 %", 4},
        {"PaintViewport/600", "paint event at 600 %", 4},
        {"PenStrokeStep/100", "pen-stroke step at 100 %", 2},
        {"PenStrokeStep/600", "pen-stroke step at 600 %", 2},
        {"UndoSnapshot", "undo snapshot", 0},
        {"AirbrushTick", "airbrush tick", 0},
    };
    for (const auto& g : goals) {
        const auto it = reporter.median.find(g.name);
        if (it == reporter.median.end()) continue;
        if (g.goal > 0)
            std::printf("%-26s median %8.3f ms (goal <= %.0f ms)%s\n", g.label, it->second, g.goal,
                        it->second <= g.goal ? "" : "  MISSED");
        else
            std::printf("%-26s median %8.3f ms\n", g.label, it->second);
    }
    benchmark::Shutdown();
    return 0;
}
