#include "capture/CaptureOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace tsl {

CCaptureOverlay::CCaptureOverlay(QImage frozen, const AreaOptions& options)
    : m_frozen(std::move(frozen)), m_area(true), m_areaOptions(options) {
    Setup();
}

CCaptureOverlay::CCaptureOverlay(QImage frozen, std::vector<PickableWindow> windows,
                                 const ObjectOptions& options)
    : m_frozen(std::move(frozen)), m_area(false), m_objectOptions(options), m_windows(std::move(windows)) {
    Setup();
}

void CCaptureOverlay::Setup() {
    setObjectName(QStringLiteral("CaptureOverlay"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setGeometry(0, 0, m_frozen.width(), m_frozen.height());
}

QRect CCaptureOverlay::ObjectAt(QPoint p) const {
    QRect found;
    for (const PickableWindow& w : m_windows)
        if (w.rect.contains(p)) found = w.rect;
    return found.intersected(m_frozen.rect());
}

QImage CCaptureOverlay::CutOut(const QImage& image, AreaShape shape, const QRect& box,
                               const QPolygon& path, QRect& where) {
    QRect bounds = shape == AreaShape::Freehand ? path.boundingRect() : box.normalized();
    bounds = bounds.intersected(image.rect());
    where = bounds;
    if (bounds.width() < 1 || bounds.height() < 1) return {};
    QImage part = image.copy(bounds).convertToFormat(QImage::Format_RGB32);
    if (shape == AreaShape::Rectangle) return part;
    QPainterPath inside;
    const QRectF local(0, 0, bounds.width(), bounds.height());
    switch (shape) {
    case AreaShape::RoundedRectangle: {
        const qreal r = std::min(local.width(), local.height()) / 6.0;
        inside.addRoundedRect(local, r, r);
        break;
    }
    case AreaShape::Ellipse: inside.addEllipse(local); break;
    default: inside.addPolygon(QPolygonF(path.translated(-bounds.topLeft()))); inside.closeSubpath(); break;
    }
    QPainterPath outside;
    outside.addRect(local);
    outside = outside.subtracted(inside);
    QPainter painter(&part);
    painter.fillPath(outside, Qt::white);
    return part;
}

void CCaptureOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_frozen);
    if (m_area && m_dragging) {
        painter.setPen(QPen(m_areaOptions.lineColour, 1, Qt::DashLine));
        const QRect box = QRect(m_start, m_current).normalized();
        switch (m_areaOptions.shape) {
        case AreaShape::Rectangle: painter.drawRect(box); break;
        case AreaShape::RoundedRectangle: {
            const int r = std::min(box.width(), box.height()) / 6;
            painter.drawRoundedRect(box, r, r);
            break;
        }
        case AreaShape::Ellipse: painter.drawEllipse(box); break;
        case AreaShape::Freehand: painter.drawPolyline(m_path); break;
        }
    } else if (!m_area && !m_hover.isEmpty()) {
        painter.setPen(QPen(m_objectOptions.highlight, m_objectOptions.borderWidth));
        painter.setBrush(Qt::NoBrush);
        const int inset = m_objectOptions.borderWidth / 2;
        painter.drawRect(m_hover.adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void CCaptureOverlay::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::RightButton) return Finish({}, {});
    if (event->button() != Qt::LeftButton) return;
    if (!m_area) {
        const QRect r = ObjectAt(p);
        if (r.isEmpty()) return;
        return Finish(m_frozen.copy(r).convertToFormat(QImage::Format_RGB32), r);
    }
    m_dragging = true;
    m_start = m_current = p;
    m_path = QPolygon({p});
    update();
}

void CCaptureOverlay::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (m_area) {
        if (!m_dragging) return;
        m_current = p;
        if (m_areaOptions.shape == AreaShape::Freehand) m_path << p;
        update();
        return;
    }
    const QRect r = ObjectAt(p);
    if (r != m_hover) {
        m_hover = r;
        update();
    }
}

void CCaptureOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_area || !m_dragging || event->button() != Qt::LeftButton) return;
    m_dragging = false;
    m_current = event->position().toPoint();
    m_path << m_current;
    // The drag covers both end points.
    const QRect box = QRect(m_start, m_current).normalized();
    QRect where;
    QImage part = CutOut(m_frozen, m_areaOptions.shape, box, m_path, where);
    if (box.width() < 2 && box.height() < 2) part = QImage(); // a click is no area
    Finish(part, where);
}

void CCaptureOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) Finish({}, {});
}

void CCaptureOverlay::Finish(QImage image, QRect where) {
    if (m_done) return;
    m_done = true;
    m_result = std::move(image);
    m_resultRect = where;
    hide();
    emit finished();
}

} // namespace tsl
