#pragma once
// PortalGrabber: screen grabs on Wayland through the freedesktop desktop portal's Screenshot
// interface over D-Bus. The full screen is taken as it is; a window or an area is taken
// interactively (the portal lets the user choose). The portal offers no global hot key and
// cannot take menus, objects, the cursor or the wallpaper.

#include "capture/ScreenGrabber.h"

namespace tsl {

class PortalGrabber : public IScreenGrabber {
public:
    QString Name() const override { return QStringLiteral("The desktop portal"); }
    bool Supports(GrabTarget target) const override;
    GrabResult Grab(GrabTarget target, QRgb background, bool withCursor) override;
    bool SupportsHotKey() const override { return false; }
    bool GrabHotKey(QKeyCombination, std::function<void()>, QString& error) override {
        error = QStringLiteral("the desktop portal offers no global hot key");
        return false;
    }
    void ReleaseHotKey() override {}

    // How long an interactive screenshot may take before it is given up.
    static constexpr int kTimeoutMs = 120000;

private:
    GrabResult Screenshot(bool interactive);
};

} // namespace tsl
