#pragma once
// Helpers of the benchmarks that time a paint control's viewport: a counter of its paint
// events, so that a timing of nothing is caught, and the sizing of the control so that its
// viewport has an exact size whatever scroll bars it shows.

#include "paint/PntCtrl.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QSize>

#include <benchmark/benchmark.h>

namespace bench {

class CPaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// Fails the benchmark when the viewport was painted fewer times than it ran.
inline void CheckPainted(benchmark::State& state, const CPaintCounter& counter) {
    if (counter.count < static_cast<int>(state.iterations()))
        state.SkipWithError("the viewport received fewer paint events than iterations");
}

// Grows or shrinks the control by the difference until its viewport is `size`; true then.
inline bool FitViewport(tsl::CPntCtrl& ctrl, QSize size) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const QSize have = ctrl.viewport()->size();
        if (have == size) break;
        ctrl.resize(ctrl.size() + size - have);
        QApplication::processEvents();
    }
    return ctrl.viewport()->size() == size;
}

} // namespace bench
