// The paint control's mouse handling and its tools: fill, pen, eraser, colour sampler, line and
// shapes on a rubber band, airbrush and zoom.
#include "paint/PntCtrl.h"

#include "paint/PntTextFmtBar.h"

#include <QMouseEvent>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

namespace tsl {
namespace {

CPoint ClientPoint(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

} // namespace

bool CPntCtrl::ToolsActive() const {
    return m_image.HasImage() && m_mag > 0 && !m_readOnly && !m_cancelled;
}

COLORREF CPntCtrl::PenColour(Qt::KeyboardModifiers mods) const {
    const bool shift = mods & Qt::ShiftModifier;
    switch (m_mode) {
    case kModeFill: return shift ? m_backColour : m_fillColour;
    case kModeEraser:
        if (m_backColour == kNoColour) return 0x02FFFFFFu;
        return shift ? m_foreColour : m_backColour;
    default: return shift ? m_backColour : m_foreColour;
    }
}

bool CPntCtrl::TakeShapeBackup() {
    auto backup = std::make_unique<CDIBSection>();
    if (!backup->CopyFrom(m_image)) return false;
    m_shapeBackup = std::move(backup);
    return true;
}

bool CPntCtrl::RestoreShapeBackup(bool discard) {
    if (!m_shapeBackup) return false;
    const bool ok = m_image.CopyFrom(*m_shapeBackup);
    if (discard) m_shapeBackup.reset();
    return ok;
}

void CPntCtrl::DrawShape(CPoint from, CPoint to, Qt::KeyboardModifiers mods) {
    const COLORREF colour = PenColour(mods);
    const int width = std::max(m_lineWidth, 1);
    switch (m_mode) {
    case kModeLine: m_image.Line(from.x, from.y, to.x, to.y, width, colour); break;
    case kModeRectangle: m_image.Rectangle(from.x, from.y, to.x, to.y, width, colour, false, false); break;
    case kModeRoundRect: m_image.Rectangle(from.x, from.y, to.x, to.y, width, colour, false, true); break;
    case kModeEllipse: m_image.Ellipse(from.x, from.y, to.x, to.y, width, colour, false); break;
    case kModeFilledRectangle: m_image.Rectangle(from.x, from.y, to.x, to.y, width, colour, true, false); break;
    case kModeFilledRoundRect: m_image.Rectangle(from.x, from.y, to.x, to.y, width, colour, true, true); break;
    case kModeFilledEllipse: m_image.Ellipse(from.x, from.y, to.x, to.y, width, colour, true); break;
    default: break;
    }
}

void CPntCtrl::Spray(CPoint centre, Qt::KeyboardModifiers mods) {
    const int radius = m_airbrushRadiusFactor * std::max(m_lineWidth, 1);
    const COLORREF colour = PenColour(mods);
    for (int i = 0; i < m_airbrushDots; ++i) {
        const double angle = static_cast<double>(m_random() % 360u) * 0.017453292519494328;
        const double distance = static_cast<double>(m_random() % static_cast<unsigned>(radius));
        m_image.SetPixel(centre.x + static_cast<int>(std::trunc(std::cos(angle) * distance)),
                         centre.y + static_cast<int>(std::trunc(std::sin(angle) * distance)), colour);
    }
}

void CPntCtrl::StopAirbrush() {
    if (m_airbrushTimer != 0) killTimer(m_airbrushTimer);
    m_airbrushTimer = 0;
}

void CPntCtrl::AirbrushTick() {
    if (!ToolsActive() || m_mode != kModeAirbrush) return;
    const CPoint p = ClientToImage(m_lastClient);
    Spray(p, m_lastModifiers);
    const int r = m_airbrushRadiusFactor * std::max(m_lineWidth, 1);
    RepaintImageRect({p.x - r, p.y - r, p.x + r + 1, p.y + r + 1});
    SetModified(true);
}

void CPntCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_airbrushTimer && m_airbrushTimer != 0) {
        AirbrushTick();
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

void CPntCtrl::BeginTool(CPoint p, Qt::KeyboardModifiers mods) {
    if (!ToolsActive()) return;
    switch (m_mode) {
    case kModeFill:
        // A click outside the image has no colour to replace.
        if (!ImageRect().Contains(p.x, p.y)) return;
        SaveUndoStep();
        m_image.FloodFill(p.x, p.y, PenColour(mods));
        SetModified(true);
        Refresh();
        return;
    case kModePen:
    case kModeEraser: {
        SaveUndoStep();
        const int width = std::max(m_mode == kModePen ? m_lineWidth : m_eraserWidth, 1);
        m_image.Line(p.x, p.y, p.x, p.y, width, PenColour(mods));
        SetModified(true);
        RepaintImageRect({p.x - width, p.y - width, p.x + width + 1, p.y + width + 1});
        return;
    }
    case kModeAirbrush:
        SaveUndoStep();
        StopAirbrush();
        m_airbrushTimer = startTimer(m_airbrushInterval);
        return;
    default:
        if (IsShapeMode(m_mode)) {
            if (!TakeShapeBackup()) return;
            DrawShape(p, p, mods);
            Refresh();
        }
        return;
    }
}

void CPntCtrl::ContinueTool(CPoint p, Qt::KeyboardModifiers mods) {
    switch (m_mode) {
    case kModePen:
    case kModeEraser: {
        const int width = std::max(m_mode == kModePen ? m_lineWidth : m_eraserWidth, 1);
        m_image.Line(m_lastPoint.x, m_lastPoint.y, p.x, p.y, width, PenColour(mods));
        SetModified(true);
        // Only the segment's box is painted again, at once.
        const CRect box{std::min(m_lastPoint.x, p.x) - width, std::min(m_lastPoint.y, p.y) - width,
                        std::max(m_lastPoint.x, p.x) + width + 1,
                        std::max(m_lastPoint.y, p.y) + width + 1};
        m_lastPoint = p;
        RepaintImageRect(box);
        return;
    }
    case kModeAirbrush: {
        Spray(p, mods);
        SetModified(true);
        const int r = m_airbrushRadiusFactor * std::max(m_lineWidth, 1);
        RepaintImageRect({p.x - r, p.y - r, p.x + r + 1, p.y + r + 1});
        m_lastPoint = p;
        return;
    }
    default:
        if (IsShapeMode(m_mode) && m_shapeBackup) {
            RestoreShapeBackup(false);
            DrawShape(m_dragStart, p, mods);
            m_lastPoint = p;
            viewport()->repaint();
        }
        return;
    }
}

void CPntCtrl::EndTool(CPoint p, Qt::KeyboardModifiers mods, Qt::MouseButton button) {
    if (m_mode == kModeZoom) {
        // Zoom is a tool like the others: a read-only control ignores it.
        if (!ToolsActive()) return;
        const bool up = button == Qt::LeftButton && !(mods & Qt::AltModifier);
        const int next = NextZoomStep(-1, up);
        if (next > 0) SetZoomPercent(next);
        return;
    }
    if (button != Qt::LeftButton) return;
    if (m_mode == kModeAirbrush) {
        StopAirbrush();
        return;
    }
    if (!ToolsActive()) return;
    if (m_mode == kModeSampler) {
        // A click outside the image has no colour to sample.
        if (!ImageRect().Contains(p.x, p.y)) return;
        const COLORREF colour = m_image.GetPixel(p.x, p.y);
        if (mods & Qt::ShiftModifier) {
            m_backColour = colour;
        } else {
            m_foreColour = colour;
        }
        m_fillColour = m_foreColour;
        NotifyColourSampled();
        SetMode(m_previousMode);
        return;
    }
    if (IsShapeMode(m_mode) && m_shapeBackup) {
        if (!RestoreShapeBackup(true)) return;
        SaveUndoStep();
        DrawShape(m_dragStart, p, mods);
        SetModified(true);
        Refresh();
    }
}

// ---- mouse events

void CPntCtrl::mousePressEvent(QMouseEvent* event) {
    const CPoint client = ClientPoint(event);
    m_lastClient = client;
    m_lastModifiers = event->modifiers();
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_cancelled = false;
    if ((m_readOnly && m_mode != kModeSelect) || m_mag <= 0) return;
    if (m_mode == kModeNone || m_mode == kModeZoom || m_mode == kModeSampler) return;
    const CPoint p = ClientToImage(client);
    m_dragStart = p;
    m_lastPoint = p;
    if (m_mode == kModeSelect || m_mode == kModeMove || m_mode == kModeText) {
        StartTrack(client, event->modifiers());
        return;
    }
    m_dragging = true;
    BeginTool(p, event->modifiers());
}

void CPntCtrl::mouseMoveEvent(QMouseEvent* event) {
    const CPoint client = ClientPoint(event);
    m_lastClient = client;
    m_lastModifiers = event->modifiers();
    if (m_mode == kModeText) {
        if (m_textBar) m_textBar->FocusEdit();
    } else if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    if (IsTracking()) {
        TrackTo(client);
        return;
    }
    UpdateCursor(client);
    const bool left = event->buttons() & Qt::LeftButton;
    if (!left || !m_dragging || !ToolsActive()) return;
    switch (m_mode) {
    case kModeSelect:
    case kModeText:
    case kModeZoom:
    case kModeFill:
    case kModeSampler: return;
    default: ContinueTool(ClientToImage(client), event->modifiers()); return;
    }
}

void CPntCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const CPoint client = ClientPoint(event);
    m_lastClient = client;
    m_lastModifiers = event->modifiers();
    if (event->button() == Qt::LeftButton && IsTracking()) {
        FinishTrack(client);
        m_cancelled = false;
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        EndTool(ClientToImage(client), event->modifiers(), Qt::LeftButton);
        m_shapeBackup.reset();
        m_cancelled = false;
    } else if (event->button() == Qt::RightButton && m_mode == kModeZoom) {
        EndTool(ClientToImage(client), event->modifiers(), Qt::RightButton);
    }
    UpdateCursor(client);
}

} // namespace tsl
