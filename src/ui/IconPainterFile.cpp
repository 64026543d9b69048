// The icons of the main toolbar: file, clipboard, browser, slide show, capture and help
// commands. Coordinates are design units of the 24-unit grid (IconPainterKit.h).

#include "ui/IconPainterKit.h"

#include <cmath>
#include <numbers>

namespace tsl::icons {
namespace {

void Floppy(const Canvas& c, double x0, double y0, double x1, double y1) {
    const double w = x1 - x0, h = y1 - y0;
    const QRectF r = c.Box(x0, y0, x1, y1);
    const double cut = c.E(x1) - c.E(x1 - w * 0.17);
    c.Shape(c.Poly({r.topLeft(),
                    {r.right() - cut, r.top()},
                    {r.right(), r.top() + cut},
                    r.bottomRight(),
                    r.bottomLeft()}),
            Canvas::Vertical(pal::kBlue, r.top(), r.bottom()), pal::kBlue.dark);
    // The metal shutter with its window, and the paper label.
    const QRectF shutter = c.Box(x0 + w * 0.24, y0, x1 - w * 0.2, y0 + h * 0.36);
    c.Rect(shutter, Canvas::Vertical(pal::kMetal, shutter.top(), shutter.bottom()),
           pal::kMetal.dark);
    c.p.fillRect(c.Box(x0 + w * 0.52, y0 + h * 0.08, x0 + w * 0.66, y0 + h * 0.28),
                 pal::kSlate.base);
    const QRectF label = c.Box(x0 + w * 0.16, y0 + h * 0.52, x1 - w * 0.16, y1);
    c.Rect(label, pal::kPaper.light, pal::kBlue.dark);
    if (label.height() >= 7) {
        const double lw = c.Line();
        for (double y = label.top() + 2 * lw + 1; y + 2 * lw <= label.bottom(); y += 2 * lw + 1)
            c.p.fillRect(QRectF(label.left() + 2 * lw, y, label.width() - 4 * lw, lw),
                         pal::kTextLine);
    }
}

void Clipboard(const Canvas& c, double x0, double y0, double x1, double y1) {
    const QRectF board = c.Box(x0, y0 + 1, x1, y1);
    c.Rect(board, Canvas::Vertical(pal::kBrown, board.top(), board.bottom()), pal::kBrown.dark,
           c.K() * 1.5);
    c.Rect(c.Box(x0 + 2, y0 + 3.5, x1 - 2, y1 - 2), pal::kPaper.light, pal::kPaper.dark);
    const double mid = (x0 + x1) / 2;
    const QRectF clip = c.Box(mid - 3, y0 - 1, mid + 3, y0 + 3.5);
    c.Rect(clip, Canvas::Vertical(pal::kMetal, clip.top(), clip.bottom()), pal::kMetal.dark, c.K());
}

void Magnifier(const Canvas& c, double cx, double cy, double radius) {
    const QPointF m = c.Pt(cx, cy);
    const double r = radius * c.K();
    const QPointF d(std::numbers::sqrt2 / 2, std::numbers::sqrt2 / 2);
    QPainterPath handle;
    handle.moveTo(m + d * r);
    handle.lineTo(m + d * (r + 5.5 * c.K()));
    c.Stroke(handle, pal::kSlate.dark, c.W(3.5, 2.5));
    QColor glass = pal::kSky.light;
    glass.setAlpha(200);
    c.Oval(QRectF(m - QPointF(r, r), m + QPointF(r, r)), glass, pal::kSlate.dark);
    QPainterPath rim;
    rim.addEllipse(m, r - 1.5 * c.Line(), r - 1.5 * c.Line());
    c.Stroke(rim, pal::kSlate.base, c.Line());
}

// A projection screen showing a landscape, on its roller bar and stand.
void Screen(const Canvas& c, double x0, double y0, double x1, double y1) {
    const double mid = (x0 + x1) / 2;
    QPainterPath legs;
    legs.moveTo(c.Pt(mid - 5, 23));
    legs.lineTo(c.Pt(mid, y1 + 2.5));
    legs.lineTo(c.Pt(mid + 5, 23));
    c.Stroke(legs, pal::kSlate.base, c.Line() * 1.5);
    c.p.fillRect(c.Box(mid - 1, y1, mid + 1, 23), pal::kSlate.base);
    const QRectF cloth = c.Box(x0 + 1, y0 + 1, x1 - 1, y1);
    c.Rect(cloth, pal::kPaper.light, pal::kSlate.base);
    const double m = c.Line() * 2;
    Picture(c, cloth.adjusted(m, m + c.E(1.5), -m, -m), 0, false);
    const QRectF bar = c.Box(x0, y0, x1, y0 + 2.5);
    c.Rect(bar, Canvas::Vertical(pal::kSlate, bar.top(), bar.bottom()), pal::kSlate.dark);
}

void Camera(const Canvas& c, double x0, double y0, double x1, double y1) {
    const double w = x1 - x0, h = y1 - y0;
    const QRectF hump = c.Box(x0 + w * 0.22, y0, x0 + w * 0.56, y0 + h * 0.4);
    c.Rect(hump, Canvas::Vertical(pal::kSlate, hump.top(), hump.bottom()), pal::kSlate.dark);
    const QRectF body = c.Box(x0, y0 + h * 0.2, x1, y1);
    c.Rect(body, Canvas::Vertical(pal::kSlate, body.top(), body.bottom()), pal::kSlate.dark,
           c.K() * 1.5);
    c.p.fillRect(c.Box(x1 - w * 0.24, y0 + h * 0.34, x1 - w * 0.1, y0 + h * 0.46),
                 pal::kYellow.light);
    const QPointF m = c.Pt(x0 + w / 2, y0 + h * 0.6);
    const double r = h * 0.36 * c.K(), g = r * 0.6;
    c.Oval(QRectF(m - QPointF(r, r), m + QPointF(r, r)),
           Canvas::Vertical(pal::kMetal, m.y() - r, m.y() + r), pal::kSlate.dark);
    c.Oval(QRectF(m - QPointF(g, g), m + QPointF(g, g)),
           Canvas::Vertical(pal::kBlue, m.y() - g, m.y() + g), pal::kBlue.dark);
    const double s = std::max(1.0, g * 0.35);
    c.p.fillRect(QRectF(std::round(m.x() - g * 0.45), std::round(m.y() - g * 0.45), s, s),
                 Qt::white);
}

} // namespace

void DrawNew(const Canvas& c) {
    Page(c, 5, 2, 20, 22, 5, false);
    Sparkle(c, 6.5, 6.5, 5.5);
}

void DrawOpen(const Canvas& c) {
    const QRectF r = c.Box(2, 4, 20, 20);
    c.Shape(c.Poly({r.topLeft(), c.At(9, 4), c.At(11, 6), c.At(20, 6), r.bottomRight(),
                    r.bottomLeft()}),
            pal::kAmber.base, pal::kAmber.dark);
    c.Rect(c.Box(5, 8, 18, 16), pal::kPaper.light, pal::kPaper.dark);
    const QRectF flap = c.Box(2, 11, 23, 20);
    c.Shape(c.Poly({c.At(6, 11), c.At(23, 11), c.At(20, 20), c.At(2, 20)}),
            Canvas::Vertical(pal::kAmber, flap.top(), flap.bottom()), pal::kAmber.dark);
}

void DrawSave(const Canvas& c) {
    Floppy(c, 3, 3, 21, 21);
}

void DrawSaveAll(const Canvas& c) {
    Floppy(c, 8, 1, 23, 16);
    Floppy(c, 1, 8, 16, 23);
}

void DrawPrint(const Canvas& c) {
    c.Rect(c.Box(6, 2, 18, 10), pal::kPaper.light, pal::kPaper.dark);
    const QRectF body = c.Box(2, 8, 22, 18);
    c.Rect(body, Canvas::Vertical(pal::kMetal, body.top(), body.bottom()), pal::kMetal.dark,
           c.K() * 1.5);
    c.p.fillRect(c.Box(5, 14, 19, 16), pal::kSlate.base);
    c.p.fillRect(c.Box(17, 10, 19, 12), pal::kGreen.base);
    c.Rect(c.Box(6, 15, 18, 22), pal::kPaper.light, pal::kPaper.dark);
    c.HLine(8, 16, 18, pal::kTextLine);
    if (!c.Small()) c.HLine(8, 14, 20, pal::kTextLine);
}

void DrawPrintPreview(const Canvas& c) {
    Page(c, 3, 2, 17, 21, 4, true);
    Magnifier(c, 14, 14, 5);
}

void DrawCut(const Canvas& c) {
    const auto blade = [&c](QPointF base, QPointF tip) {
        const QPointF d = (tip - base) / std::hypot(tip.x() - base.x(), tip.y() - base.y());
        const QPointF n(-d.y(), d.x());
        const double wb = 2 * c.K(), wt = 0.5 * c.K();
        c.Shape(c.Poly({base + n * wb, tip + n * wt, tip - n * wt, base - n * wb}),
                Canvas::Vertical(pal::kMetal, tip.y(), base.y()), pal::kSlate.base);
    };
    blade(c.Pt(8, 16), c.Pt(16.5, 1.5));
    blade(c.Pt(16, 16), c.Pt(7.5, 1.5));
    for (double cx : {6.5, 17.5}) {
        const QPointF m = c.Pt(cx, 18.5);
        const double outer = 4.2 * c.K(), inner = 2.1 * c.K();
        QPainterPath ring;
        ring.setFillRule(Qt::OddEvenFill);
        ring.addEllipse(m, outer, outer);
        ring.addEllipse(m, inner, inner);
        c.Shape(ring, Canvas::Vertical(pal::kRed, m.y() - outer, m.y() + outer), pal::kRed.dark);
    }
    const QPointF pivot = c.Pt(12, 9.7);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(pal::kSlate.dark);
    c.p.drawEllipse(pivot, 1.1 * c.K(), 1.1 * c.K());
}

void DrawCopy(const Canvas& c) {
    Page(c, 3, 2, 15, 17, 0, true);
    Page(c, 9, 7, 21, 22, 4, true);
}

void DrawPaste(const Canvas& c) {
    Clipboard(c, 3, 2, 17, 21);
    Page(c, 10, 9, 21, 22, 3, true);
}

void DrawPasteNew(const Canvas& c) {
    Clipboard(c, 3, 2, 17, 21);
    Picture(c, c.Box(9, 11, 22, 22), 0);
    Sparkle(c, 19, 5.5, 5);
}

void DrawBrowse(const Canvas& c) {
    Picture(c, c.Box(2, 2, 11, 11), 0);
    Picture(c, c.Box(13, 2, 22, 11), 1);
    Picture(c, c.Box(2, 13, 11, 22), 2);
    Picture(c, c.Box(13, 13, 22, 22), 3);
}

void DrawProcessor(const Canvas& c) {
    Picture(c, c.Box(7, 1, 21, 11), 1);
    Picture(c, c.Box(2, 5, 16, 15), 0);
    Gear(c, 17, 17, 6.5, pal::kSteel);
}

void DrawSlideShow(const Canvas& c) {
    Screen(c, 2, 2, 22, 16);
}

void DrawQuickSlideShow(const Canvas& c) {
    Screen(c, 1, 2, 19, 15);
    c.Shape(c.Poly({c.Pt(15, 5), c.Pt(21.5, 5), c.Pt(18.5, 11), c.Pt(22, 11), c.Pt(12.5, 23),
                    c.Pt(15, 14.5), c.Pt(11.5, 14.5)}),
            Canvas::Vertical(pal::kYellow, c.E(5), c.E(23)), pal::kYellow.dark);
}

void DrawMultiFolderShow(const Canvas& c) {
    Folder(c, 7, 1, 22, 13, true);
    Folder(c, 2, 5, 17, 18);
    const QRectF badge = c.Box(11, 11, 23, 23);
    c.Oval(badge, Canvas::Vertical(pal::kGreen, badge.top(), badge.bottom()), pal::kGreen.dark);
    c.p.fillPath(c.Poly({c.Pt(15.2, 13.8), c.Pt(20.6, 17), c.Pt(15.2, 20.2)}), Qt::white);
}

void DrawCapture(const Canvas& c) {
    Camera(c, 2, 3, 22, 20);
    const QRectF dot = c.Box(17, 1, 23, 7);
    c.Oval(dot, Canvas::Vertical(pal::kRed, dot.top(), dot.bottom()), pal::kRed.dark);
}

void DrawCaptureSetup(const Canvas& c) {
    Camera(c, 1, 2, 19, 17);
    Gear(c, 17, 17, 6.5, pal::kSteel);
}

void DrawManual(const Canvas& c) {
    c.Rect(c.Box(6, 3, 21, 22), pal::kPaper.light, pal::kPaper.dark);
    const QRectF cover = c.Box(3, 2, 19, 20);
    c.Rect(cover, Canvas::Vertical(pal::kPurple, cover.top(), cover.bottom()), pal::kPurple.dark);
    if (!c.Small()) c.p.fillRect(c.Box(5, 2, 6, 20), pal::kPurple.dark);
    const QPointF m = c.Pt(12, 8.3);
    const double r = 3.1 * c.K();
    QPainterPath hook;
    const QRectF arc(m - QPointF(r, r), m + QPointF(r, r));
    hook.arcMoveTo(arc, 165);
    hook.arcTo(arc, 165, -255);
    hook.lineTo(c.Pt(12, 13.2));
    c.Stroke(hook, Qt::white, c.W(2.2, 1.6), Qt::FlatCap);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Qt::white);
    c.p.drawEllipse(c.Pt(12, 16.2), 1.3 * c.K(), 1.3 * c.K());
}

void DrawAbout(const Canvas& c) {
    const QRectF disc = c.Box(2, 2, 22, 22);
    c.Oval(disc, Canvas::Vertical(pal::kBlue, disc.top(), disc.bottom()), pal::kBlue.dark);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Qt::white);
    if (c.Small())
        c.p.fillRect(QRectF(7, 4, 2, 2), Qt::white);
    else
        c.p.drawEllipse(c.Pt(12, 7.2), 1.6 * c.K(), 1.6 * c.K());
    c.p.fillRect(c.Box(10.5, c.Px(10, 7), 13.5, 18), Qt::white);
}

} // namespace tsl::icons
