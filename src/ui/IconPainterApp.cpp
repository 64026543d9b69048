// The application icon: a framed landscape (sky, sun, mountains) with a paint brush across its
// lower right corner, in the program's blue with a warm brush. Detail grows with the size.

#include "ui/IconPainterKit.h"

#include <cmath>
#include <numbers>

namespace tsl::icons {
namespace {

// One segment of the brush from `from` to `to` (design units), `w0` and `w1` wide at its ends.
QPainterPath Segment(const Canvas& c, QPointF from, QPointF to, double w0, double w1) {
    const QPointF a = c.Pt(from.x(), from.y()), b = c.Pt(to.x(), to.y());
    const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
    const QPointF n(-d.y(), d.x());
    const double h0 = w0 * c.K() / 2, h1 = w1 * c.K() / 2;
    return c.Poly({a + n * h0, b + n * h1, b - n * h1, a - n * h0});
}

void Landscape(const Canvas& c, const QRectF& in, bool big) {
    QLinearGradient sky(0, in.top(), 0, in.bottom());
    sky.setColorAt(0, QColor(0x9fd6ff));
    sky.setColorAt(1, QColor(0xe2f3ff));
    c.p.fillRect(in, sky);
    const double L = in.left(), T = in.top(), W = in.width(), H = in.height();
    const auto at = [&](double x, double y) { return QPointF(L + x * W, T + y * H); };

    const QPointF sun = at(0.72, 0.27);
    const double sunR = std::max(1.3, std::min(W, H) * 0.13);
    if (big) {
        QRadialGradient glow(sun, sunR * 2.6);
        glow.setColorAt(0, QColor(255, 236, 150, 200));
        glow.setColorAt(1, QColor(255, 236, 150, 0));
        c.p.fillRect(in, glow);
    }
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(pal::kYellow.base);
    c.p.drawEllipse(sun, sunR, sunR);

    QPainterPath far;
    far.moveTo(at(0, 1));
    far.lineTo(at(0, 0.62));
    far.lineTo(at(0.3, 0.3));
    far.lineTo(at(0.52, 0.56));
    far.lineTo(at(0.66, 0.44));
    far.lineTo(at(1, 0.8));
    far.lineTo(at(1, 1));
    far.closeSubpath();
    QLinearGradient farFill(0, T + 0.3 * H, 0, in.bottom());
    farFill.setColorAt(0, QColor(0x6f8fc9));
    farFill.setColorAt(1, QColor(0x3d5f9e));
    c.p.fillPath(far, farFill);
    if (big) {
        // Snow on the high peak, cut along a zigzag.
        QPainterPath snow;
        snow.moveTo(at(0.3, 0.3));
        snow.lineTo(at(0.378, 0.401));
        snow.lineTo(at(0.33, 0.39));
        snow.lineTo(at(0.29, 0.43));
        snow.lineTo(at(0.245, 0.39));
        snow.lineTo(at(0.2, 0.4));
        snow.closeSubpath();
        c.p.fillPath(snow, Qt::white);
    }

    QPainterPath near;
    near.moveTo(at(0, 1));
    near.lineTo(at(0, 0.8));
    near.cubicTo(at(0.25, 0.6), at(0.45, 0.62), at(0.62, 0.78));
    near.cubicTo(at(0.74, 0.7), at(0.88, 0.68), at(1, 0.74));
    near.lineTo(at(1, 1));
    near.closeSubpath();
    QLinearGradient nearFill(0, T + 0.6 * H, 0, in.bottom());
    nearFill.setColorAt(0, pal::kGreen.base);
    nearFill.setColorAt(1, pal::kGreen.dark);
    c.p.fillPath(near, nearFill);
}

void Brush(const Canvas& c, bool big) {
    const QPointF end(22, 22), grip(16.6, 16.6), ferrule(14.4, 14.4), tip(10, 10);
    QPainterPath handle = Segment(c, end, grip, 2.6, 3.4);
    QPainterPath knob; // the rounded end of the handle
    knob.addEllipse(c.Pt(end.x(), end.y()), 1.3 * c.K(), 1.3 * c.K());
    handle = handle.united(knob);
    const QPainterPath band = Segment(c, grip, ferrule, 3.6, 3.6);
    QPainterPath hair = Segment(c, ferrule, ferrule - QPointF(1.2, 1.2), 3.4, 3.4);
    const QPointF a = c.Pt(ferrule.x() - 1.2, ferrule.y() - 1.2), t = c.Pt(tip.x(), tip.y());
    const QPointF n = QPointF(-1, 1) * (std::numbers::sqrt2 / 2) * (1.7 * c.K());
    QPainterPath point;
    point.moveTo(a + n);
    point.quadTo(a + n + (t - a) * 0.6, t);
    point.quadTo(a - n + (t - a) * 0.6, a - n);
    point.closeSubpath();
    hair = hair.united(point);

    if (big) {
        const double s = 0.9 * c.K();
        const QPainterPath all = handle.united(band).united(hair);
        c.p.fillPath(all.translated(s, s), QColor(10, 20, 40, 60));
    }
    const QPointF h0 = c.Pt(grip.x(), grip.y());
    QLinearGradient wood(h0 + QPointF(-1.7, 1.7) * c.K(), h0 + QPointF(1.7, -1.7) * c.K());
    wood.setColorAt(0, pal::kRed.light);
    wood.setColorAt(0.45, pal::kRed.base);
    wood.setColorAt(1, pal::kRed.dark);
    c.Shape(handle, wood, pal::kRed.dark);
    QLinearGradient metal(h0 + QPointF(-1.8, 1.8) * c.K(), h0 + QPointF(1.8, -1.8) * c.K());
    metal.setColorAt(0, pal::kMetal.light);
    metal.setColorAt(1, pal::kMetal.base);
    c.Shape(band, metal, pal::kMetal.dark);
    QLinearGradient paint(a, t);
    paint.setColorAt(0, QColor(0x7a4c22));
    paint.setColorAt(0.3, QColor(0x7a4c22));
    paint.setColorAt(0.45, pal::kYellow.base);
    paint.setColorAt(1, QColor(0xff9d1a));
    c.Shape(hair, paint, pal::kBrown.dark);
}

} // namespace

void DrawApplication(const Canvas& c) {
    const bool big = c.Size() >= 48;
    const QRectF frame = c.Box(1, 2.5, 23, 21.5);
    const double w = c.Line(), radius = std::max(1.0, 1.6 * c.K());
    if (big)
        c.p.fillPath(
            [&] {
                QPainterPath drop;
                drop.addRoundedRect(frame.translated(0, 0.5 * c.K()), radius, radius);
                return drop;
            }(),
            QColor(10, 20, 40, 50));
    QLinearGradient blue(frame.topLeft(), frame.bottomRight());
    blue.setColorAt(0, QColor(0x6aa8ec));
    blue.setColorAt(0.5, pal::kBlue.base);
    blue.setColorAt(1, QColor(0x2b62b5));
    c.Rect(frame, blue, pal::kBlue.dark, radius);

    const double band = std::max(2.0, c.E(2.2));
    const QRectF in = frame.adjusted(band, band, -band, -band);
    if (big) {
        // A light bevel along the frame's top and a dark edge around the picture.
        c.p.fillRect(QRectF(frame.left() + radius, frame.top() + w, frame.width() - 2 * radius, w),
                     QColor(255, 255, 255, 90));
        c.p.fillRect(in.adjusted(-w, -w, w, w), pal::kBlue.dark);
    }
    Landscape(c, in, big);
    Brush(c, big);
}

} // namespace tsl::icons
