// The icon set's public functions, the drawing kit and the parts that several icons share.

#include "ui/IconPainter.h"

#include "ui/IconPainterKit.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tsl {
namespace {

using icons::Canvas;

// Command ids of the toolbar buttons (the framework's and the program's numbers).
constexpr int kNew = 57600;
constexpr int kOpen = 57601;
constexpr int kSave = 57603;
constexpr int kSaveAll = 32866;
constexpr int kPrint = 57607;
constexpr int kPrintPreview = 57609;
constexpr int kCut = 57635;
constexpr int kCopy = 57634;
constexpr int kPaste = 57637;
constexpr int kPasteAsNewImage = 32862;
constexpr int kBrowse = 32772;
constexpr int kImageProcessor = 32815;
constexpr int kSlideShow = 32773;
constexpr int kQuickSlideShow = 32813;
constexpr int kQuickMultiFolderShow = 32814;
constexpr int kStartCapture = 32990;
constexpr int kCaptureSetup = 32808;
constexpr int kManual = 32779;
constexpr int kAbout = 57664;
constexpr int kFlip = 32844;
constexpr int kMirrorButton = 32785; // the common operations bar's Mirror button
constexpr int kMirror = 32804;
constexpr int kResampleResize = 32846;
constexpr int kRotate90 = 32836;
constexpr int kAnyAngle = 32841;
constexpr int kDropShadow = 32882;
constexpr int kButtonize = 32883;
constexpr int kSharpen = 32821;
constexpr int kEmboss = 32824;
constexpr int kTileBlend = 32825;

struct Entry {
    int id;
    void (*draw)(const Canvas&);
};

// In toolbar order: the main toolbar, then the common operations bar.
constexpr Entry kIcons[] = {
    {kNew, icons::DrawNew},
    {kOpen, icons::DrawOpen},
    {kSave, icons::DrawSave},
    {kSaveAll, icons::DrawSaveAll},
    {kPrint, icons::DrawPrint},
    {kPrintPreview, icons::DrawPrintPreview},
    {kCut, icons::DrawCut},
    {kCopy, icons::DrawCopy},
    {kPaste, icons::DrawPaste},
    {kPasteAsNewImage, icons::DrawPasteNew},
    {kBrowse, icons::DrawBrowse},
    {kImageProcessor, icons::DrawProcessor},
    {kSlideShow, icons::DrawSlideShow},
    {kQuickSlideShow, icons::DrawQuickSlideShow},
    {kQuickMultiFolderShow, icons::DrawMultiFolderShow},
    {kStartCapture, icons::DrawCapture},
    {kCaptureSetup, icons::DrawCaptureSetup},
    {kManual, icons::DrawManual},
    {kAbout, icons::DrawAbout},
    {kFlip, icons::DrawFlip},
    {kMirrorButton, icons::DrawMirror},
    {kMirror, icons::DrawMirror},
    {kResampleResize, icons::DrawResize},
    {kRotate90, icons::DrawRotate90},
    {kAnyAngle, icons::DrawAnyAngle},
    {kDropShadow, icons::DrawDropShadow},
    {kButtonize, icons::DrawButtonize},
    {kSharpen, icons::DrawSharpen},
    {kEmboss, icons::DrawEmboss},
    {kTileBlend, icons::DrawTileBlend},
};

const Entry* Find(int commandId) {
    const auto* it = std::find_if(std::begin(kIcons), std::end(kIcons),
                                  [commandId](const Entry& e) { return e.id == commandId; });
    return it == std::end(kIcons) ? nullptr : it;
}

QImage Blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QPixmap PaintCommandIcon(int commandId, int size) {
    const Entry* entry = Find(commandId);
    if (!entry || size <= 0) return {};
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    entry->draw(Canvas(painter, size, std::max(1.0, std::round(size / 24.0))));
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon CommandIcon(int commandId) {
    if (!Find(commandId)) return {};
    QIcon icon;
    for (int size : {16, 24})
        icon.addPixmap(PaintCommandIcon(commandId, size));
    return icon;
}

QList<int> CommandIconIds() {
    QList<int> ids;
    for (const Entry& e : kIcons)
        ids.append(e.id);
    return ids;
}

QImage PaintApplicationIcon(int size) {
    if (size <= 0) return {};
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Outlines grow slowly with the size: 1 px up to 95 px, then size / 64.
    icons::DrawApplication(Canvas(painter, size, std::max(1.0, std::round(size / 64.0))));
    painter.end();
    return image;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 128, 256})
        icon.addPixmap(QPixmap::fromImage(PaintApplicationIcon(size)));
    return icon;
}

namespace icons {

Canvas::Canvas(QPainter& painter, int size, double line)
    : p(painter), m_size(size), m_k(size / 24.0), m_line(line) {}

double Canvas::E(double u) const {
    return std::round(u * m_k);
}

double Canvas::Px(double at24, double at16) const {
    return Small() ? at16 * 1.5 : at24;
}

double Canvas::W(double at24, double at16) const {
    return Small() ? at16 : std::round(at24 * m_k * 2) / 2;
}

QRectF Canvas::Box(double x0, double y0, double x1, double y1) const {
    return QRectF(At(x0, y0), At(x1, y1));
}

QPainterPath Canvas::Poly(std::initializer_list<QPointF> points) const {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath Canvas::Inset(const QPainterPath& path) const {
    // The shape less a band of the outline's width along every edge.
    QPainterPathStroker stroker;
    stroker.setWidth(2 * m_line);
    stroker.setJoinStyle(Qt::MiterJoin);
    return path.subtracted(stroker.createStroke(path));
}

void Canvas::Shape(const QPainterPath& path, const QBrush& fill, const QColor& line) const {
    p.fillPath(path, line);
    p.fillPath(Inset(path), fill);
}

void Canvas::Rect(const QRectF& box, const QBrush& fill, const QColor& line, double radius) const {
    QPainterPath path;
    if (radius > 0)
        path.addRoundedRect(box, radius, radius);
    else
        path.addRect(box);
    Shape(path, fill, line);
}

void Canvas::Oval(const QRectF& box, const QBrush& fill, const QColor& line) const {
    QPainterPath path;
    path.addEllipse(box);
    Shape(path, fill, line);
}

void Canvas::HLine(double x0, double x1, double y, const QColor& colour) const {
    p.fillRect(QRectF(E(x0), E(y), E(x1) - E(x0), m_line), colour);
}

void Canvas::Stroke(const QPainterPath& path, const QColor& colour, double width,
                    Qt::PenCapStyle cap) const {
    p.strokePath(path, QPen(colour, width, Qt::SolidLine, cap, Qt::RoundJoin));
}

void Canvas::Head(QPointF tip, QPointF direction, double length, double halfWidth,
                  const QColor& colour) const {
    const double norm = std::hypot(direction.x(), direction.y());
    const QPointF d = direction / norm;
    const QPointF n(-d.y(), d.x());
    const QPointF base = tip - d * length;
    QPainterPath path;
    path.addPolygon(QPolygonF({tip, base + n * halfWidth, base - n * halfWidth}));
    path.closeSubpath();
    p.fillPath(path, colour);
}

QLinearGradient Canvas::Vertical(const Tone& tone, double top, double bottom) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, tone.light);
    g.setColorAt(1, tone.base);
    return g;
}

void Page(const Canvas& c, double x0, double y0, double x1, double y1, double fold, bool text) {
    const QRectF r = c.Box(x0, y0, x1, y1);
    const double f = c.E(x1) - c.E(x1 - fold); // the folded corner in pixels
    const QPainterPath sheet = c.Poly({r.topLeft(),
                                       {r.right() - f, r.top()},
                                       {r.right(), r.top() + f},
                                       r.bottomRight(),
                                       r.bottomLeft()});
    c.Shape(sheet, Canvas::Vertical(pal::kPaper, r.top(), r.bottom()), pal::kPaper.dark);
    if (f > 0) {
        const double w = c.Line();
        const QPainterPath flap = c.Poly(
            {{r.right() - f, r.top()}, {r.right() - f, r.top() + f}, {r.right(), r.top() + f}});
        c.p.fillPath(flap.intersected(c.Inset(sheet)), pal::kPaper.base);
        c.p.fillRect(QRectF(r.right() - f, r.top(), w, f + w), pal::kPaper.dark);
        c.p.fillRect(QRectF(r.right() - f, r.top() + f, f, w), pal::kPaper.dark);
    }
    if (!text) return;
    // Lines of text every third unit (every second pixel at 16 px), short last line.
    const double left = x0 + 3, right = x1 - 3;
    const double first = y0 + std::max(fold, 3.0) + 2;
    for (double y = first; y + 3 <= y1; y += 3)
        c.HLine(left, y + 6 > y1 ? (left + right) / 2 + 1 : right, y, pal::kTextLine);
}

void Picture(const Canvas& c, const QRectF& r, int scene, bool framed) {
    struct Scene {
        QColor skyTop, skyBottom, sun, hill, hillDark;
    };
    static const Scene kScenes[] = {
        {QColor(0xbfe4ff), QColor(0x7cc1f5), QColor(0xffc61f), QColor(0x5dbb63), QColor(0x2f7d36)},
        {QColor(0xffd39a), QColor(0xff8d5c), QColor(0xfff2a6), QColor(0x8a5fb8), QColor(0x4c2d7a)},
        {QColor(0xd8f0ff), QColor(0x9fd1f7), QColor(0xff8a3d), QColor(0x3f8fd0), QColor(0x1f568f)},
        {QColor(0x3b4f8c), QColor(0x6b7fc0), QColor(0xfff4c0), QColor(0x2d7a5c), QColor(0x16473a)},
    };
    const Scene& s = kScenes[scene % 4];
    QLinearGradient sky(0, r.top(), 0, r.bottom());
    sky.setColorAt(0, s.skyTop);
    sky.setColorAt(1, s.skyBottom);
    const double w = framed ? c.Line() : 0;
    if (framed) c.p.fillRect(r, pal::kSlate.base);
    const QRectF in = r.adjusted(w, w, -w, -w);
    c.p.fillRect(in, sky);
    c.p.save();
    c.p.setClipRect(in);
    const double sunR = std::max(1.2, std::min(in.width(), in.height()) * 0.16);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(s.sun);
    c.p.drawEllipse(QPointF(in.left() + in.width() * 0.72, in.top() + in.height() * 0.3), sunR,
                    sunR);
    QPainterPath hills;
    const double L = in.left(), T = in.top(), W = in.width(), H = in.height();
    hills.moveTo(L, in.bottom());
    hills.lineTo(L, T + 0.78 * H);
    hills.lineTo(L + 0.36 * W, T + 0.36 * H);
    hills.lineTo(L + 0.62 * W, T + 0.72 * H);
    hills.lineTo(L + 0.80 * W, T + 0.52 * H);
    hills.lineTo(in.right(), T + 0.74 * H);
    hills.lineTo(in.bottomRight());
    hills.closeSubpath();
    QLinearGradient ground(0, T + 0.36 * H, 0, in.bottom());
    ground.setColorAt(0, s.hill);
    ground.setColorAt(1, s.hillDark);
    c.p.fillPath(hills, ground);
    c.p.restore();
}

void Sparkle(const Canvas& c, double cx, double cy, double radius) {
    if (c.Small()) {
        // Whole pixels: a bright centre with one-pixel rays.
        const double x = std::floor(cx * c.K()), y = std::floor(cy * c.K());
        const double r = std::round(radius * c.K()) - 1;
        c.p.fillRect(QRectF(x, y - r, 1, 2 * r + 1), pal::kYellow.dark);
        c.p.fillRect(QRectF(x - r, y, 2 * r + 1, 1), pal::kYellow.dark);
        c.p.fillRect(QRectF(x - 1, y - 1, 3, 3), pal::kYellow.base);
        c.p.fillRect(QRectF(x, y, 1, 1), pal::kYellow.light);
        return;
    }
    const QPointF m = c.Pt(cx, cy);
    const double r = radius * c.K(), q = r * 0.3;
    QPainterPath star;
    star.addPolygon(QPolygonF({m + QPointF(0, -r), m + QPointF(q, -q), m + QPointF(r, 0),
                               m + QPointF(q, q), m + QPointF(0, r), m + QPointF(-q, q),
                               m + QPointF(-r, 0), m + QPointF(-q, -q)}));
    star.closeSubpath();
    c.Shape(star, pal::kYellow.base, pal::kYellow.dark);
}

void Folder(const Canvas& c, double x0, double y0, double x1, double y1, bool behind) {
    const QRectF r = c.Box(x0, y0, x1, y1);
    const double tab = c.E(x0 + (x1 - x0) * 0.42), step = c.E(y0 + 2.5) - r.top();
    const QPainterPath back = c.Poly({r.topLeft(),
                                      {tab, r.top()},
                                      {tab + step, r.top() + step},
                                      {r.right(), r.top() + step},
                                      r.bottomRight(),
                                      r.bottomLeft()});
    if (behind) {
        // One darker piece, so that the folder in front stands apart from it.
        const Tone shade{QColor(0xdc9b26), QColor(0xb47710), pal::kAmber.dark};
        c.Shape(back, Canvas::Vertical(shade, r.top(), r.bottom()), shade.dark);
        return;
    }
    c.Shape(back, pal::kAmber.base, pal::kAmber.dark);
    const QRectF front(QPointF(r.left(), r.top() + 2 * step), r.bottomRight());
    c.Rect(front, Canvas::Vertical(pal::kAmber, front.top(), front.bottom()), pal::kAmber.dark);
}

void Gear(const Canvas& c, double cx, double cy, double radius, const Tone& tone) {
    const QPointF m = c.Pt(cx, cy);
    const double outer = radius * c.K(), root = outer * 0.72, hole = outer * 0.3;
    const int teeth = outer < 6 ? 6 : 8; // fewer, wider teeth when small
    const double pitch = 2 * std::numbers::pi / teeth;
    QPolygonF outline;
    for (int i = 0; i < teeth; ++i) {
        const double a = i * pitch;
        for (auto [da, rr] : {std::pair{-0.30, root}, {-0.16, outer}, {0.16, outer}, {0.30, root}})
            outline << m + QPointF(std::cos(a + da * pitch), std::sin(a + da * pitch)) * rr;
    }
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addPolygon(outline);
    path.closeSubpath();
    path.addEllipse(m, hole, hole);
    c.Shape(path, Canvas::Vertical(tone, m.y() - outer, m.y() + outer), tone.dark);
}

} // namespace icons
} // namespace tsl
