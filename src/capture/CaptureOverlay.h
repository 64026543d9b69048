#pragma once
// CCaptureOverlay: a frozen picture of the whole screen shown over it, on which the user drags
// an area (in the shape of the area options) or picks an object (the window or control under
// the pointer is framed; a click takes it). Escape or the right button cancels. Positions come
// from the mouse events, in screen coordinates of the frozen picture.

#include "capture/LScreenCapture.h"

#include <QPolygon>
#include <QWidget>

#include <vector>

namespace tsl {

class CCaptureOverlay : public QWidget {
    Q_OBJECT
public:
    // Area picking.
    CCaptureOverlay(QImage frozen, const AreaOptions& options);
    // Object picking among windows (bottom of the stack first, each top level followed by the
    // windows inside it).
    CCaptureOverlay(QImage frozen, std::vector<PickableWindow> windows, const ObjectOptions& options);

    // The chosen part of the frozen picture (outside the shape filled white); null when
    // cancelled or nothing was chosen.
    const QImage& Result() const { return m_result; }
    QRect ResultRect() const { return m_resultRect; }
    // The object a point would pick: the deepest, topmost window containing it.
    QRect ObjectAt(QPoint p) const;

    // The part of image inside shape (a drag from a to b, or the freehand path), cut to it.
    static QImage CutOut(const QImage& image, AreaShape shape, const QRect& box, const QPolygon& path,
                         QRect& where);

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Setup();
    void Finish(QImage image, QRect where);

    QImage m_frozen;
    bool m_area = true;
    AreaOptions m_areaOptions;
    ObjectOptions m_objectOptions;
    std::vector<PickableWindow> m_windows;
    bool m_dragging = false;
    QPoint m_start, m_current;
    QPolygon m_path;
    QRect m_hover;
    QImage m_result;
    QRect m_resultRect;
    bool m_done = false;
};

} // namespace tsl
