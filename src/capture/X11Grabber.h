#pragma once
// X11Grabber: screen grabs and the global hot key over the X server, through X11Connection.

#include "capture/ScreenGrabber.h"

#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace tsl {

namespace x11 {
class X11Connection;
}

class X11Grabber : public IScreenGrabber {
public:
    // Connects to displayName (empty: $DISPLAY); Valid() tells whether that worked.
    explicit X11Grabber(const std::string& displayName = {});
    ~X11Grabber() override;
    bool Valid() const { return m_x != nullptr; }
    bool UsesSharedMemory() const;

    QString Name() const override { return QStringLiteral("X11"); }
    bool Supports(GrabTarget target) const override;
    GrabResult Grab(GrabTarget target, QRgb background, bool withCursor) override;
    std::vector<PickableWindow> Windows() override;
    bool SupportsHotKey() const override { return true; }
    bool GrabHotKey(QKeyCombination key, std::function<void()> onPress, QString& error) override;
    void ReleaseHotKey() override;

    // The X keysym and modifier bits of a key combination; keysym 0 when it has none.
    static void KeySymOf(QKeyCombination key, std::uint32_t& keysym, std::uint16_t& modifiers);

private:
    GrabResult GrabWindowRect(std::uint32_t window, const char* what);
    void PollKeys();
    void DrawCursorInto(QImage& image, QPoint origin);

    std::unique_ptr<x11::X11Connection> m_x;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTimer> m_poll;
    std::function<void()> m_onPress;
};

} // namespace tsl
