// The one place that picks the screen grabber of the session.

#include "capture/PortalGrabber.h"
#include "capture/ScreenGrabber.h"
#include "capture/X11Grabber.h"

#include <QByteArray>
#include <QGuiApplication>

namespace tsl {

std::unique_ptr<IScreenGrabber> CreateScreenGrabber() {
    // A program drawing off the screen has no screen to capture.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return nullptr;
    }
    // On Wayland an X server (Xwayland) sees only the windows of X programs, not the screen:
    // the portal takes the pictures there.
    if (qgetenv("XDG_SESSION_TYPE").toLower() == "wayland") return std::make_unique<PortalGrabber>();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
    auto x11 = std::make_unique<X11Grabber>();
    if (!x11->Valid()) return nullptr;
    return x11;
}

} // namespace tsl
