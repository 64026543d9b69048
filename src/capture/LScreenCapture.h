#pragma once
// LScreenCapture: the capture component. Each capture call arms the global hot key (or, where
// the platform has none, waits only for the delay), waits for it while the event loop runs,
// waits the delay of the capture options, takes one image of its kind and hands it to
// CaptureCallBack; then it releases the hot key and returns. StopCapture ends a waiting call.
// The options live for the run of the program: SetDefault*Options resets them, the option
// dialogs change them.
//
// Results: 1 when an image was delivered, 0 when the capture was stopped or the user
// cancelled, a negative code on failure (LastError() tells why; failures of the hot key and of
// kinds the platform cannot capture are also shown to the user).

#include "capture/ScreenGrabber.h"

#include <QColor>
#include <QImage>
#include <QKeyCombination>
#include <QString>

#include <memory>

class QEventLoop;
class QWidget;

namespace tsl {

enum class AreaShape { Rectangle = 0, RoundedRectangle = 1, Ellipse = 2, Freehand = 3 };

struct CaptureOptions {
    QKeyCombination hotKey{Qt::Key_F11};
    int delayMs = 0;        // after the hot key, before the image is taken
    bool includeCursor = false;
};

struct AreaOptions {
    AreaShape shape = AreaShape::Rectangle;
    QColor lineColour = Qt::red; // the outline drawn while dragging
};

struct ObjectOptions {
    QColor highlight = Qt::red; // the frame drawn around the object under the pointer
    int borderWidth = 3;
};

// The two forms of the resource browser of CaptureFromEXEDlg.
enum ExeDialogType : int { kExeDialogTabbed = 0, kExeDialogTree = 1 };

enum CaptureStatus : int {
    kCaptureDone = 1,
    kCaptureStopped = 0,
    kCaptureBusy = -1,       // a capture is already waiting
    kCaptureUnsupported = -2,
    kCaptureHotKeyFailed = -3,
    kCaptureFailed = -4,     // the image could not be taken
};

class LScreenCapture {
public:
    // grabber null: the session's grabber (CreateScreenGrabber), made on first use.
    explicit LScreenCapture(std::unique_ptr<IScreenGrabber> grabber = nullptr);
    virtual ~LScreenCapture();
    LScreenCapture(const LScreenCapture&) = delete;
    LScreenCapture& operator=(const LScreenCapture&) = delete;

    int CaptureFullScreen();
    int CaptureActiveClient();
    int CaptureActiveWindow();
    int CaptureWindowUnderCursor();
    int CaptureMenuUnderCursor();
    int CaptureSelectedObject();
    int CaptureArea();
    int CaptureMouseCursor(QRgb background);
    int CaptureWallpaper();
    // Asks for an executable or DLL and lets the user pick one of its bitmap, icon or cursor
    // resources in a tree or in tabs by type; the chosen picture is the captured image.
    int CaptureFromEXEDlg(QWidget* owner, ExeDialogType type);

    bool IsCaptureActive() const { return m_active; }
    void StopCapture();

    void SetDefaultCaptureOptions() { m_capture = {}; }
    void SetDefaultAreaOptions() { m_area = {}; }
    void SetDefaultObjectOptions() { m_object = {}; }
    const CaptureOptions& GetCaptureOptions() const { return m_capture; }
    void SetCaptureOptions(const CaptureOptions& o) { m_capture = o; }
    const AreaOptions& GetAreaOptions() const { return m_area; }
    void SetAreaOptions(const AreaOptions& o) { m_area = o; }
    const ObjectOptions& GetObjectOptions() const { return m_object; }
    void SetObjectOptions(const ObjectOptions& o) { m_object = o; }
    // The option dialogs, owned by owner; 1 when the user pressed OK (the options then change).
    int SetCaptureOptionDlg(QWidget* owner);
    int CaptureAreaOptionDlg(QWidget* owner);
    int CaptureObjectOptionDlg(QWidget* owner);

    const QString& LastError() const { return m_error; }
    IScreenGrabber* Grabber();

protected:
    // Called once for each captured image, inside the capture call; 1 when it took the image.
    virtual int CaptureCallBack(const QImage& image);
    // Runs a capture whose image comes from take(); the common path of every kind.
    int RunCapture(GrabTarget need, const std::function<GrabResult()>& take);
    // Shows a failure to the user (the platform prompt) and records it; returns code.
    int Fail(int code, const QString& text, bool show);

private:
    bool Wait(int ms);
    GrabResult PickOnOverlay(bool area);

    std::unique_ptr<IScreenGrabber> m_grabber;
    CaptureOptions m_capture;
    AreaOptions m_area;
    ObjectOptions m_object;
    bool m_active = false;
    bool m_stopped = false;
    QEventLoop* m_loop = nullptr;
    QString m_error;
};

} // namespace tsl
