#pragma once
// The seven tool cursors of the paint control (resources 28145-28151), drawn in code on
// 32 x 32 pixels: black shapes with a white halo, so each shows on any background, with the
// hot spot where the tool acts:
//   crosshair (lines, shapes, outside the selection): the centre of the cross;
//   colour sampler and pen: the tip, bottom left;
//   zoom: the centre of the lens;
//   airbrush: the centre of the spray cloud, where the dots fall;
//   fill: the end of the paint pouring from the bucket, bottom left;
//   eraser: the centre of the eraser block, as the eraser paints around the point.
// An unknown id gives the platform's arrow cursor.

#include <QCursor>

namespace tsl {

enum PaintCursorId : int {
    kCursorCrosshair = 28145,
    kCursorSampler = 28146,
    kCursorPen = 28147,
    kCursorZoom = 28148,
    kCursorAirbrush = 28149,
    kCursorFill = 28150,
    kCursorEraser = 28151,
};

QCursor PaintCursor(int id);

} // namespace tsl
