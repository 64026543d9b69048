#pragma once
// CPntTracker: the selection rectangle's interactive frame. It is not a widget: the paint control
// feeds it the press, each move and the release of the left button, so tracking never runs a
// nested event loop, and tests drive it with plain points.
//
// The tracked rectangle lives in image pixels; the tracker reaches client space only through
// the mapping it is given. Handles (5 client pixels square) lie outside the rectangle. While the
// pointer moves it is held inside the image's client rectangle enlarged by the handle size, and
// every moving edge lands on a whole image pixel (the mapping's truncating conversion). A hit
// on a handle moves only the edges that handle names; a hit inside moves the whole rectangle and
// may carry it past the image; every other result is clamped to the image. A result is
// normalised, and an empty one leaves the previous rectangle in place.

#include "core/Geometry.h"

#include <functional>

class QPainter;

namespace tsl {

enum TrackerHit {
    hitNothing = -1,
    hitTopLeft = 0,
    hitTopRight = 1,
    hitBottomRight = 2,
    hitBottomLeft = 3,
    hitTop = 4,
    hitRight = 5,
    hitBottom = 6,
    hitLeft = 7,
    hitMiddle = 8,
};

// How the tracker converts between client points and image pixels.
struct CTrackerSpace {
    std::function<CPoint(CPoint)> toImage;  // client -> image, truncating
    std::function<CPoint(CPoint)> toClient; // image -> client
    CSize imageSize;
};

class CPntTracker {
public:
    static constexpr int kHandleSize = 5;

    // A tracker for an image rectangle shown through the mapping.
    CPntTracker(const CRect& imageRect, CTrackerSpace space);

    const CRect& Rect() const { return m_rect; }
    // The rectangle in client coordinates.
    CRect ClientRect() const;
    // The client rectangle of handle 0..7 (outside the frame).
    CRect HandleRect(int handle) const;
    // The hit code of a client point: a handle, the inside, or nothing.
    int HitTest(CPoint client) const;

    // The blue dotted frame one pixel outside the rectangle, then the filled handles.
    void Draw(QPainter& painter) const;

    // Starts a track at a client point with a hit code (the caller passes hitNothing to force a
    // new rectangle).
    void Begin(CPoint client, int hit);
    bool IsTracking() const { return m_tracking; }
    int TrackHit() const { return m_hit; }
    // The rectangle for the pointer at `client`, normalised; true when it differs from the
    // last one reported (live feedback).
    bool Move(CPoint client);
    // The rectangle being tracked (before normalising checks), in image pixels.
    const CRect& Tracked() const { return m_tracked; }
    // Ends the track. True when the pointer moved and the result is not empty; the tracker's
    // rectangle is then the result, else it keeps the one it had.
    bool End(CPoint client);
    // Ends the track without a result.
    void Cancel();

private:
    CRect Compute(CPoint client) const;
    CPoint ClampPointer(CPoint client) const;

    CRect m_rect;
    CTrackerSpace m_space;
    bool m_tracking = false;
    bool m_moved = false;
    int m_hit = hitNothing;
    CPoint m_press;       // client
    CPoint m_pressImage;  // image
    CRect m_start;        // rectangle at the press
    CRect m_tracked;      // last computed rectangle
};

} // namespace tsl
