// The icons of the common operations bar: geometry commands and effects. Coordinates are design
// units of the 24-unit grid (IconPainterKit.h).

#include "ui/IconPainterKit.h"

#include <QTransform>

#include <cmath>
#include <numbers>

namespace tsl::icons {
namespace {

const QColor kArrow(0x2e8b3a);

// A double-headed arrow between two pixel points; a vertical or horizontal one stays crisp
// when its ends lie on pixel centres (16 px) or pixel edges (24 px).
void DoubleArrow(const Canvas& c, QPointF a, QPointF b) {
    const double shaft = c.W(2, 1), len = c.W(4, 3), half = c.W(3.5, 2.5);
    const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
    QPainterPath line;
    line.moveTo(a + d * (len - 0.5));
    line.lineTo(b - d * (len - 0.5));
    c.Stroke(line, kArrow, shaft, Qt::FlatCap);
    c.Head(a, -d, len, half, kArrow);
    c.Head(b, d, len, half, kArrow);
}

void DashedRect(const Canvas& c, const QRectF& r, const QColor& colour) {
    const double w = c.Line(), dash = 2 * w, step = 3 * w;
    for (double x = r.left(); x < r.right(); x += step) {
        const double len = std::min(dash, r.right() - x);
        c.p.fillRect(QRectF(x, r.top(), len, w), colour);
        c.p.fillRect(QRectF(x, r.bottom() - w, len, w), colour);
    }
    for (double y = r.top(); y < r.bottom(); y += step) {
        const double len = std::min(dash, r.bottom() - y);
        c.p.fillRect(QRectF(r.left(), y, w, len), colour);
        c.p.fillRect(QRectF(r.right() - w, y, w, len), colour);
    }
}

QColor WithAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

void DrawFlip(const Canvas& c) {
    // A triangle above a dashed axis and its reflection below, rows placed per size so that
    // the two halves are exact mirror images.
    const double left = 3, right = 15.5;
    const double top = c.Px(3, 1), above = c.Px(10, 6), axis = c.Px(11, 7);
    const double below = c.Px(13, 9), bottom = c.Px(20, 14);
    c.Shape(c.Poly({c.At(left, top), c.At(right, above), c.At(left, above)}),
            Canvas::Vertical(pal::kBlue, c.E(top), c.E(above)), pal::kBlue.dark);
    c.Shape(c.Poly({c.At(left, below), c.At(right, below), c.At(left, bottom)}),
            WithAlpha(pal::kBlue.light, 120), WithAlpha(pal::kBlue.dark, 150));
    for (double x = c.E(1); x < c.E(17); x += 3 * c.Line())
        c.p.fillRect(QRectF(x, c.E(axis), 2 * c.Line(), c.Line()), pal::kSlate.base);
    const double x = c.W(20, 13.5);
    DoubleArrow(c, {x, c.E(top)}, {x, c.E(bottom)});
}

void DrawMirror(const Canvas& c) {
    // Flip's drawing turned a quarter: the axis becomes vertical and the triangles stand on
    // the bottom edge. A whole-pixel turn keeps every edge on the pixel grid.
    c.p.save();
    c.p.setTransform(QTransform(0, -1, 1, 0, 0, c.Size()), true);
    DrawFlip(c);
    c.p.restore();
}

void DrawResize(const Canvas& c) {
    DashedRect(c, c.Box(2, 2, 22, 22), pal::kSlate.base);
    Picture(c, c.Box(2, 12, 12, 22), 0);
    QPainterPath shaft;
    shaft.moveTo(c.Pt(12.5, 11.5));
    shaft.lineTo(c.Pt(18, 6));
    c.Stroke(shaft, kArrow, c.W(2, 1.5), Qt::FlatCap);
    c.Head(c.Pt(20.5, 3.5), {1, -1}, 5.5 * c.K(), 3.2 * c.K(), kArrow);
}

void DrawRotate90(const Canvas& c) {
    Picture(c, c.Box(7, 8, 17, 16), 0);
    const QPointF m = c.Pt(12, 12);
    const double r = 9 * c.K(), end = -50 * std::numbers::pi / 180;
    QPainterPath arc;
    const QRectF box(m - QPointF(r, r), m + QPointF(r, r));
    arc.arcMoveTo(box, 200);
    arc.arcTo(box, 200, -245);
    c.Stroke(arc, kArrow, c.W(2, 1.5), Qt::FlatCap);
    const QPointF at = m + QPointF(std::cos(end), -std::sin(end)) * r;
    const QPointF d(std::sin(end), std::cos(end)); // clockwise along the circle
    const double len = 5 * c.K();
    c.Head(at + d * len * 0.7, d, len, 3.2 * c.K(), kArrow);
}

void DrawAnyAngle(const Canvas& c) {
    // An angle: a base line and a ray from one vertex, the angle between them marked by an arc.
    const QPointF v = c.Pt(2.5, 20);
    const double a = 50;
    QPainterPath ray;
    ray.moveTo(v);
    ray.lineTo(
        v + QPointF(std::cos(a * std::numbers::pi / 180), -std::sin(a * std::numbers::pi / 180)) *
                (22 * c.K()));
    c.Stroke(ray, pal::kBlue.base, c.W(2, 1.5));
    c.p.fillRect(c.Box(1.5, 19, 23, 21), pal::kBlue.base);
    const double r = 11 * c.K();
    const QRectF box(v - QPointF(r, r), v + QPointF(r, r));
    QPainterPath arc;
    arc.arcMoveTo(box, 0);
    arc.arcTo(box, 0, a);
    c.Stroke(arc, pal::kRed.base, c.W(2, 1.5), Qt::FlatCap);
}

void DrawDropShadow(const Canvas& c) {
    const QRectF shadow = c.Box(7, 7, 22, 22);
    const double w = c.Line();
    c.p.fillRect(shadow.adjusted(-w, -w, 0, 0), QColor(20, 30, 40, 45));
    c.p.fillRect(shadow.adjusted(0, 0, -w, -w), QColor(20, 30, 40, 110));
    Picture(c, c.Box(2, 2, 17, 17), 0);
}

void DrawButtonize(const Canvas& c) {
    const QRectF r = c.Box(2, 4, 22, 20);
    const double w = c.Line(), b = c.W(3, 2);
    c.p.fillRect(r, pal::kSlate.dark);
    const QRectF in = r.adjusted(w, w, -w, -w);
    c.p.fillRect(in, Qt::white);
    c.p.fillPath(c.Poly({in.topRight(),
                         in.bottomRight(),
                         in.bottomLeft(),
                         {in.left() + b, in.bottom() - b},
                         {in.right() - b, in.bottom() - b},
                         {in.right() - b, in.top() + b}}),
                 pal::kSlate.light);
    Picture(c, in.adjusted(b, b, -b, -b), 0, false);
}

void DrawSharpen(const Canvas& c) {
    // A cut gem: four facets inside one outline.
    const QPointF t = c.Pt(12, 1), r = c.Pt(21, 12), b = c.Pt(12, 23), l = c.Pt(3, 12);
    const QPointF m = c.Pt(12, 12);
    const QPainterPath gem = c.Poly({t, r, b, l});
    c.p.fillPath(gem, pal::kBlue.dark);
    const QPainterPath in = c.Inset(gem);
    c.p.fillPath(in.intersected(c.Poly({t, m, l})), pal::kBlue.light);
    c.p.fillPath(in.intersected(c.Poly({t, r, m})), pal::kBlue.base);
    c.p.fillPath(in.intersected(c.Poly({l, m, b})), QColor(0x5f97e0));
    c.p.fillPath(in.intersected(c.Poly({m, r, b})), QColor(0x2c63b3));
}

void DrawEmboss(const Canvas& c) {
    const QRectF plate = c.Box(2, 2, 22, 22);
    c.Rect(plate, Canvas::Vertical(pal::kMetal, plate.top(), plate.bottom()), pal::kMetal.dark);
    // A letter A in relief: lit from the upper left, shadowed to the lower right.
    QPainterPath letter =
        c.Poly({c.Pt(10.2, 4.5), c.Pt(13.8, 4.5), c.Pt(19, 19.5), c.Pt(15.8, 19.5),
                c.Pt(14.7, 16.2), c.Pt(9.3, 16.2), c.Pt(8.2, 19.5), c.Pt(5, 19.5)});
    letter.addPath(c.Poly({c.Pt(10.1, 13.2), c.Pt(13.9, 13.2), c.Pt(12, 7.6)}));
    letter.setFillRule(Qt::OddEvenFill);
    const double d = c.Line();
    c.p.fillPath(letter.translated(d, d), pal::kSlate.base);
    c.p.fillPath(letter.translated(-d, -d), Qt::white);
    c.p.fillPath(letter, pal::kMetal.base);
}

void DrawTileBlend(const Canvas& c) {
    // A checkerboard whose dark tiles fade out towards the lower right.
    const int n = 4;
    const double cell = c.W(5, 3), x0 = c.W(2, 2);
    const QRectF board(x0, x0, n * cell, n * cell);
    c.p.fillRect(board, Qt::white);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if ((i + j) % 2 == 0)
                c.p.fillRect(QRectF(x0 + i * cell, x0 + j * cell, cell, cell),
                             WithAlpha(pal::kBlue.base, 255 - (i + j) * 30));
    const double w = c.Line();
    c.p.setPen(QPen(pal::kSlate.base, w));
    c.p.setBrush(Qt::NoBrush);
    c.p.drawRect(board.adjusted(-w / 2, -w / 2, w / 2, w / 2));
}

} // namespace tsl::icons
