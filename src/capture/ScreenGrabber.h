#pragma once
// IScreenGrabber: what one desktop platform offers the screen capture. One implementation per
// platform (X11Grabber over XCB, PortalGrabber over the desktop portal); CreateScreenGrabber is
// the one place that picks it. Every grab runs on the user-interface thread and returns an
// image or the reason there is none.

#include <QImage>
#include <QKeyCombination>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tsl {

enum class GrabTarget {
    FullScreen,
    ActiveClient,      // the active window without its frame
    ActiveWindow,      // the active window with its frame
    WindowUnderCursor, // the top-level window under the pointer, with its frame
    MenuUnderCursor,   // the topmost popup (override-redirect window) under the pointer
    Cursor,            // the mouse cursor composed on a background colour
    Wallpaper,         // the desktop background
    Area,              // a part of the screen the user chooses (overlays, or the portal's)
};

struct GrabResult {
    QImage image; // null on failure
    QString error;
    QRect where;  // the grabbed rectangle on the screen, where known
    bool ok() const { return !image.isNull(); }
};

// A window or control the user can pick (object capture), in screen coordinates.
struct PickableWindow {
    QRect rect;
    int depth = 0; // 1 for top-level windows, more for windows inside them
};

class IScreenGrabber {
public:
    virtual ~IScreenGrabber() = default;
    // A short name for messages ("X11", "the desktop portal").
    virtual QString Name() const = 0;
    virtual bool Supports(GrabTarget target) const = 0;
    // background is used by Cursor only; withCursor draws the pointer into screen grabs.
    virtual GrabResult Grab(GrabTarget target, QRgb background = 0xFFFFFFFF, bool withCursor = false) = 0;
    // The visible windows for picking, bottom of the stack first; empty when not offered.
    virtual std::vector<PickableWindow> Windows() { return {}; }

    // A global hot key: onPress runs on the user-interface thread for each press until
    // ReleaseHotKey. False with a reason when it cannot be grabbed.
    virtual bool SupportsHotKey() const = 0;
    virtual bool GrabHotKey(QKeyCombination key, std::function<void()> onPress, QString& error) = 0;
    virtual void ReleaseHotKey() = 0;
};

// The grabber for this session: the desktop portal when XDG_SESSION_TYPE is "wayland" and no
// X server is reachable that sees other programs' windows, else X11 ($DISPLAY); null when
// neither is available.
std::unique_ptr<IScreenGrabber> CreateScreenGrabber();

} // namespace tsl
