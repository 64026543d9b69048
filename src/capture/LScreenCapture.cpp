#include "capture/LScreenCapture.h"

#include "capture/CaptureOptionDlgs.h"
#include "capture/CaptureOverlay.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeySequence>
#include <QTimer>

namespace tsl {

using platform::Platform;

LScreenCapture::LScreenCapture(std::unique_ptr<IScreenGrabber> grabber) : m_grabber(std::move(grabber)) {}

LScreenCapture::~LScreenCapture() { StopCapture(); }

IScreenGrabber* LScreenCapture::Grabber() {
    if (!m_grabber) m_grabber = CreateScreenGrabber();
    return m_grabber.get();
}

int LScreenCapture::CaptureCallBack(const QImage&) { return 0; }

int LScreenCapture::Fail(int code, const QString& text, bool show) {
    m_error = text;
    if (show && Platform().prompt)
        Platform().prompt->MessageBox(QApplication::activeWindow(), text, QStringLiteral("Screen Capture"),
                                      platform::Buttons::Ok, platform::Icon::Warning);
    return code;
}

void LScreenCapture::StopCapture() {
    m_stopped = true;
    if (m_grabber) m_grabber->ReleaseHotKey();
    if (m_loop) m_loop->quit();
}

bool LScreenCapture::Wait(int ms) {
    if (ms <= 0) return !m_stopped;
    QEventLoop loop;
    m_loop = &loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    m_loop = nullptr;
    return !m_stopped;
}

int LScreenCapture::RunCapture(GrabTarget need, const std::function<GrabResult()>& take) {
    if (m_active) return Fail(kCaptureBusy, QStringLiteral("A capture is already waiting."), false);
    IScreenGrabber* grabber = Grabber();
    if (!grabber)
        return Fail(kCaptureUnsupported,
                    QStringLiteral("The screen cannot be captured: neither an X server nor the "
                                   "desktop portal is available."),
                    true);
    if (!grabber->Supports(need))
        return Fail(kCaptureUnsupported,
                    QStringLiteral("%1 cannot capture this kind of target. On this desktop only "
                                   "the full screen, a window and an area can be captured.")
                        .arg(grabber->Name()),
                    true);
    m_active = true;
    m_stopped = false;
    m_error.clear();
    struct Idle {
        bool& active;
        ~Idle() { active = false; }
    } idle{m_active};

    if (grabber->SupportsHotKey()) {
        QEventLoop loop;
        bool pressed = false;
        QString reason;
        if (!grabber->GrabHotKey(m_capture.hotKey, [&] { pressed = true; loop.quit(); }, reason))
            return Fail(kCaptureHotKeyFailed,
                        QStringLiteral("The hot key %1 cannot be used: %2. Choose another key in "
                                       "the capture options.")
                            .arg(QKeySequence(m_capture.hotKey).toString(QKeySequence::NativeText), reason),
                        true);
        m_loop = &loop;
        if (!m_stopped) loop.exec();
        m_loop = nullptr;
        grabber->ReleaseHotKey();
        if (!pressed || m_stopped) return kCaptureStopped;
    } else {
        static bool told = false;
        if (!told) {
            told = true;
            Fail(0, QStringLiteral("%1 offers no global hot key: each capture starts after the "
                                   "delay of the capture options.")
                        .arg(grabber->Name()),
                 true);
        }
    }
    if (!Wait(m_capture.delayMs)) return kCaptureStopped;
    const GrabResult result = take();
    if (m_stopped) return kCaptureStopped;
    if (!result.ok()) {
        // Nothing chosen on an overlay is a cancel, not a failure.
        if (result.error.isEmpty()) return kCaptureStopped;
        // Shown: the program is minimised and would otherwise just stay so.
        return Fail(kCaptureFailed, result.error, true);
    }
    CaptureCallBack(result.image);
    return kCaptureDone;
}

GrabResult LScreenCapture::PickOnOverlay(bool area) {
    IScreenGrabber* grabber = Grabber();
    if (area && grabber->Supports(GrabTarget::Area)) return grabber->Grab(GrabTarget::Area);
    std::vector<PickableWindow> windows;
    if (!area) windows = grabber->Windows(); // before the overlay exists
    GrabResult frozen = grabber->Grab(GrabTarget::FullScreen, 0xFFFFFFFF, m_capture.includeCursor);
    if (!frozen.ok()) return frozen;
    std::unique_ptr<CCaptureOverlay> overlay =
        area ? std::make_unique<CCaptureOverlay>(frozen.image, m_area)
             : std::make_unique<CCaptureOverlay>(frozen.image, std::move(windows), m_object);
    QEventLoop loop;
    QObject::connect(overlay.get(), &CCaptureOverlay::finished, &loop, &QEventLoop::quit);
    overlay->show();
    overlay->raise();
    overlay->activateWindow();
    overlay->grabKeyboard();
    m_loop = &loop;
    if (!m_stopped) loop.exec();
    m_loop = nullptr;
    overlay->releaseKeyboard();
    overlay->hide();
    GrabResult out;
    out.image = overlay->Result();
    out.where = overlay->ResultRect();
    return out;
}

int LScreenCapture::CaptureFullScreen() {
    return RunCapture(GrabTarget::FullScreen, [this] {
        return Grabber()->Grab(GrabTarget::FullScreen, 0xFFFFFFFF, m_capture.includeCursor);
    });
}

int LScreenCapture::CaptureActiveClient() {
    return RunCapture(GrabTarget::ActiveClient, [this] {
        return Grabber()->Grab(GrabTarget::ActiveClient, 0xFFFFFFFF, m_capture.includeCursor);
    });
}

int LScreenCapture::CaptureActiveWindow() {
    return RunCapture(GrabTarget::ActiveWindow, [this] {
        return Grabber()->Grab(GrabTarget::ActiveWindow, 0xFFFFFFFF, m_capture.includeCursor);
    });
}

int LScreenCapture::CaptureWindowUnderCursor() {
    return RunCapture(GrabTarget::WindowUnderCursor, [this] {
        return Grabber()->Grab(GrabTarget::WindowUnderCursor, 0xFFFFFFFF, m_capture.includeCursor);
    });
}

int LScreenCapture::CaptureMenuUnderCursor() {
    return RunCapture(GrabTarget::MenuUnderCursor, [this] {
        return Grabber()->Grab(GrabTarget::MenuUnderCursor, 0xFFFFFFFF, m_capture.includeCursor);
    });
}

int LScreenCapture::CaptureSelectedObject() {
    // Object picking needs the window tree, which only the X server gives.
    IScreenGrabber* grabber = Grabber();
    const GrabTarget need = grabber && grabber->Supports(GrabTarget::MenuUnderCursor)
                                ? GrabTarget::FullScreen
                                : GrabTarget::MenuUnderCursor;
    return RunCapture(need, [this] { return PickOnOverlay(false); });
}

int LScreenCapture::CaptureArea() {
    return RunCapture(GrabTarget::FullScreen, [this] { return PickOnOverlay(true); });
}

int LScreenCapture::CaptureMouseCursor(QRgb background) {
    return RunCapture(GrabTarget::Cursor, [this, background] {
        return Grabber()->Grab(GrabTarget::Cursor, background, false);
    });
}

int LScreenCapture::CaptureWallpaper() {
    return RunCapture(GrabTarget::Wallpaper, [this] { return Grabber()->Grab(GrabTarget::Wallpaper); });
}

int LScreenCapture::SetCaptureOptionDlg(QWidget* owner) {
    CCaptureOptionsDlg dialog(m_capture, owner);
    if (Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return 0;
    m_capture = dialog.Options();
    return 1;
}

int LScreenCapture::CaptureAreaOptionDlg(QWidget* owner) {
    CAreaOptionsDlg dialog(m_area, owner);
    if (Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return 0;
    m_area = dialog.Options();
    return 1;
}

int LScreenCapture::CaptureObjectOptionDlg(QWidget* owner) {
    CObjectOptionsDlg dialog(m_object, owner);
    if (Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return 0;
    m_object = dialog.Options();
    return 1;
}

} // namespace tsl
