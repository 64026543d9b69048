#include "paint/PntTracker.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <utility>

namespace tsl {

CPntTracker::CPntTracker(const CRect& imageRect, CTrackerSpace space)
    : m_rect(imageRect), m_space(std::move(space)), m_tracked(imageRect) {}

CRect CPntTracker::ClientRect() const {
    const CPoint a = m_space.toClient({m_rect.left, m_rect.top});
    const CPoint b = m_space.toClient({m_rect.right, m_rect.bottom});
    return CRect{a.x, a.y, b.x, b.y}.Normalised();
}

CRect CPntTracker::HandleRect(int handle) const {
    const CRect r = ClientRect();
    const int s = kHandleSize;
    const int cx = r.left + (r.Width() - s) / 2;
    const int cy = r.top + (r.Height() - s) / 2;
    int x = 0;
    int y = 0;
    switch (handle) {
    case hitTopLeft: x = r.left - s; y = r.top - s; break;
    case hitTopRight: x = r.right; y = r.top - s; break;
    case hitBottomRight: x = r.right; y = r.bottom; break;
    case hitBottomLeft: x = r.left - s; y = r.bottom; break;
    case hitTop: x = cx; y = r.top - s; break;
    case hitRight: x = r.right; y = cy; break;
    case hitBottom: x = cx; y = r.bottom; break;
    case hitLeft: x = r.left - s; y = cy; break;
    default: return {};
    }
    return {x, y, x + s, y + s};
}

int CPntTracker::HitTest(CPoint client) const {
    for (int h = hitTopLeft; h <= hitLeft; ++h) {
        if (HandleRect(h).Contains(client.x, client.y)) return h;
    }
    return ClientRect().Contains(client.x, client.y) ? hitMiddle : hitNothing;
}

void CPntTracker::Draw(QPainter& painter) const {
    const CRect r = ClientRect();
    painter.save();
    painter.setBrush(Qt::NoBrush);
    QPen pen(QColor(0, 0, 255));
    pen.setWidth(0);
    pen.setCosmetic(true);
    pen.setDashPattern({1.0, 1.0}); // every other pixel
    painter.setPen(pen);
    // One pixel outside the rectangle: the outermost pixels of the selection stay visible.
    painter.drawRect(r.left - 1, r.top - 1, r.Width() + 1, r.Height() + 1);
    for (int h = hitTopLeft; h <= hitLeft; ++h) {
        const CRect hr = HandleRect(h);
        painter.fillRect(hr.left, hr.top, hr.Width(), hr.Height(), QColor(0, 0, 255));
    }
    painter.restore();
}

void CPntTracker::Begin(CPoint client, int hit) {
    m_tracking = true;
    m_moved = false;
    m_hit = hit;
    m_press = client;
    m_pressImage = m_space.toImage(ClampPointer(client));
    m_start = m_rect;
    m_tracked = m_rect;
}

CPoint CPntTracker::ClampPointer(CPoint client) const {
    const CPoint a = m_space.toClient({0, 0});
    const CPoint b = m_space.toClient({m_space.imageSize.cx, m_space.imageSize.cy});
    const int s = kHandleSize;
    return {std::clamp(client.x, a.x - s, std::max(a.x - s, b.x + s)),
            std::clamp(client.y, a.y - s, std::max(a.y - s, b.y + s))};
}

CRect CPntTracker::Compute(CPoint client) const {
    const CPoint p = m_space.toImage(ClampPointer(client));
    CRect r = m_start;
    switch (m_hit) {
    case hitTopLeft: r.left = p.x; r.top = p.y; break;
    case hitTopRight: r.right = p.x; r.top = p.y; break;
    case hitBottomRight: r.right = p.x; r.bottom = p.y; break;
    case hitBottomLeft: r.left = p.x; r.bottom = p.y; break;
    case hitTop: r.top = p.y; break;
    case hitRight: r.right = p.x; break;
    case hitBottom: r.bottom = p.y; break;
    case hitLeft: r.left = p.x; break;
    case hitMiddle:
        return m_start.Offset(p.x - m_pressImage.x, p.y - m_pressImage.y);
    default: r = {m_pressImage.x, m_pressImage.y, p.x, p.y}; break;
    }
    r = r.Normalised();
    const auto clampX = [&](int v) { return std::clamp(v, 0, m_space.imageSize.cx); };
    const auto clampY = [&](int v) { return std::clamp(v, 0, m_space.imageSize.cy); };
    return {clampX(r.left), clampY(r.top), clampX(r.right), clampY(r.bottom)};
}

bool CPntTracker::Move(CPoint client) {
    if (!m_tracking) return false;
    if (client.x != m_press.x || client.y != m_press.y) m_moved = true;
    const CRect r = Compute(client);
    if (r == m_tracked) return false;
    m_tracked = r;
    return !r.IsEmpty();
}

bool CPntTracker::End(CPoint client) {
    if (!m_tracking) return false;
    Move(client);
    m_tracking = false;
    if (!m_moved || m_tracked.IsEmpty()) {
        m_tracked = m_rect;
        return false;
    }
    m_rect = m_tracked;
    return true;
}

void CPntTracker::Cancel() {
    m_tracking = false;
    m_tracked = m_rect;
}

} // namespace tsl
