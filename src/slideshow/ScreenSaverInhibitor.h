#pragma once
// Keeps the desktop's screen saver away while a show plays, through the freedesktop
// ScreenSaver interface on the session bus. Without a session bus or a screen saver service
// nothing happens.

#include <QString>

namespace tsl {

class CScreenSaverInhibitor {
public:
    CScreenSaverInhibitor() = default;
    ~CScreenSaverInhibitor() { Release(); }
    CScreenSaverInhibitor(const CScreenSaverInhibitor&) = delete;
    CScreenSaverInhibitor& operator=(const CScreenSaverInhibitor&) = delete;

    // True when the service granted the inhibition.
    bool Inhibit(const QString& reason);
    void Release();
    bool Active() const { return m_cookie != 0; }

private:
    unsigned m_cookie = 0;
};

} // namespace tsl
