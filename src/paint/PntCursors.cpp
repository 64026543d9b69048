#include "paint/PntCursors.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <vector>

namespace tsl {

namespace {

constexpr int kSize = 32;

// Draws in two passes: first the white halo of every part, then the black parts over it, so
// a part's halo never covers a neighbouring part.
class CursorPainter {
public:
    // A black line one pixel wide.
    void Line(const QPainterPath& path, int width = 1) {
        m_parts.push_back({path, width, Kind::Line});
    }
    // A closed shape with a white face and a black edge.
    void Outline(const QPainterPath& path) { m_parts.push_back({path, 1, Kind::Outline}); }
    // A closed shape filled black.
    void Solid(const QPainterPath& path) { m_parts.push_back({path, 1, Kind::Solid}); }
    // One black pixel.
    void Dot(int x, int y) {
        QPainterPath path;
        path.addRect(x, y, 1, 1);
        m_parts.push_back({path, 1, Kind::Dot});
    }

    QCursor Cursor(int hotX, int hotY) const {
        QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        for (const Part& part : m_parts) {
            if (part.kind == Kind::Dot) {
                p.fillRect(part.path.boundingRect().toRect().adjusted(-1, -1, 1, 1), Qt::white);
                continue;
            }
            p.setPen(QPen(Qt::white, part.width + 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(part.kind == Kind::Line ? QBrush(Qt::NoBrush) : QBrush(Qt::white));
            p.drawPath(part.path);
        }
        for (const Part& part : m_parts) {
            if (part.kind == Kind::Dot) {
                p.fillRect(part.path.boundingRect().toRect(), Qt::black);
                continue;
            }
            p.setPen(QPen(Qt::black, part.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(part.kind == Kind::Solid     ? QBrush(Qt::black)
                       : part.kind == Kind::Outline ? QBrush(Qt::white)
                                                    : QBrush(Qt::NoBrush));
            p.drawPath(part.path);
        }
        p.end();
        return QCursor(QPixmap::fromImage(image), hotX, hotY);
    }

private:
    enum class Kind { Line, Outline, Solid, Dot };
    struct Part {
        QPainterPath path;
        int width;
        Kind kind;
    };
    std::vector<Part> m_parts;
};

QPainterPath Segment(QPointF a, QPointF b) {
    QPainterPath path(a);
    path.lineTo(b);
    return path;
}

QPainterPath Polygon(std::initializer_list<QPointF> points, const QTransform& at = {}) {
    QPainterPath path;
    path.addPolygon(at.map(QPolygonF(QList<QPointF>(points))));
    path.closeSubpath();
    return path;
}

// Tools held at 45 degrees: x runs from the tip at (0, 0) up and to the right.
QTransform Diagonal(int tipX, int tipY) {
    QTransform t;
    t.translate(tipX, tipY);
    t.rotate(-45);
    return t;
}

QCursor Crosshair() {
    CursorPainter c;
    c.Line(Segment({15, 1}, {15, 11}));
    c.Line(Segment({15, 19}, {15, 29}));
    c.Line(Segment({1, 15}, {11, 15}));
    c.Line(Segment({19, 15}, {29, 15}));
    c.Dot(15, 15);
    return c.Cursor(15, 15);
}

QCursor Sampler() {
    const QTransform at = Diagonal(2, 29);
    CursorPainter c;
    c.Outline(Polygon({{1, 0}, {4, -2}, {16, -2}, {16, 2}, {4, 2}}, at));
    c.Solid(Polygon({{16, -4}, {19, -4}, {19, 4}, {16, 4}}, at));
    QPainterPath bulb;
    bulb.addEllipse(QPointF(24, 0), 4.5, 3.5);
    c.Solid(at.map(bulb));
    c.Dot(2, 29);
    return c.Cursor(2, 29);
}

QCursor Pen() {
    const QTransform at = Diagonal(1, 30);
    CursorPainter c;
    c.Outline(Polygon({{0, 0}, {8, -3}, {8, 3}}, at));
    c.Solid(Polygon({{0, 0}, {3, -1.2}, {3, 1.2}}, at));
    c.Outline(Polygon({{8, -3}, {27, -3}, {27, 3}, {8, 3}}, at));
    c.Solid(Polygon({{27, -3}, {31, -3}, {31, 3}, {27, 3}}, at));
    return c.Cursor(1, 30);
}

QCursor Zoom() {
    CursorPainter c;
    QPainterPath lens;
    lens.addEllipse(QPointF(11, 11), 8, 8);
    c.Line(lens, 2);
    c.Line(Segment({19, 19}, {28, 28}), 4);
    return c.Cursor(11, 11);
}

QCursor Airbrush() {
    CursorPainter c;
    c.Outline(Polygon({{16, 14}, {26, 14}, {26, 30}, {16, 30}}));
    c.Solid(Polygon({{18, 10}, {24, 10}, {24, 14}, {18, 14}}));
    c.Solid(Polygon({{13, 10}, {18, 10}, {18, 12}, {13, 12}}));
    for (const QPoint dot : {QPoint(6, 6), QPoint(3, 3), QPoint(8, 2), QPoint(2, 9), QPoint(10, 6),
                             QPoint(6, 10), QPoint(10, 10)})
        c.Dot(dot.x(), dot.y());
    return c.Cursor(6, 6);
}

QCursor Fill() {
    CursorPainter c;
    // The bucket, tipped to the left, its handle over it, and paint running from its lip.
    c.Outline(Polygon({{10, 10}, {20, 4}, {28, 16}, {18, 22}}));
    QPainterPath handle({14, 7});
    handle.lineTo(16, 2);
    handle.lineTo(22, 1);
    handle.lineTo(25, 8);
    c.Line(handle);
    c.Solid(Polygon({{10, 10}, {5, 13}, {3, 20}, {3, 27}, {5, 22}, {7, 15}, {12, 13}}));
    return c.Cursor(3, 27);
}

QCursor Eraser() {
    CursorPainter c;
    c.Outline(Polygon({{9, 9}, {21, 9}, {21, 21}, {9, 21}}));
    return c.Cursor(15, 15);
}

} // namespace

QCursor PaintCursor(int id) {
    switch (id) {
    case kCursorCrosshair:
        return Crosshair();
    case kCursorSampler:
        return Sampler();
    case kCursorPen:
        return Pen();
    case kCursorZoom:
        return Zoom();
    case kCursorAirbrush:
        return Airbrush();
    case kCursorFill:
        return Fill();
    case kCursorEraser:
        return Eraser();
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

} // namespace tsl
