#pragma once
// The capture commands: what to capture (the kinds and their title names), the selected kind
// (initially 3, active window) and the multiple-captures flag for the process, Capture Setup,
// Start, Stop, Multiple captures, the resource captures, the re-arm request 1260 with its
// 100 ms timer 300, and the capture-completed callback that beeps and makes each image a new
// document titled "<kind name>[<count>]".

#include "capture/LScreenCapture.h"
#include "framework/CmdTarget.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace tsl {

enum CaptureKind : int {
    kCaptureNone = 0,
    kCaptureFull = 1,
    kCaptureClient = 2,
    kCaptureActive = 3,
    kCaptureUnderCursor = 4,
    kCaptureMenu = 5,
    kCaptureObject = 6,
    kCaptureArea = 7,
    kCaptureCursor = 8,
    kCaptureWallpaper = 9,
    kCaptureExeTree = 10,
    kCaptureExeTabbed = 11,
};

// The name of a kind in document titles; empty for 0 and unknown kinds.
QString CaptureKindName(int kind);

// The program's capture object: the current kind and the counter of images delivered since
// the capture last started; each image goes to the hand-off.
class CTslScreenCapture : public LScreenCapture {
public:
    using HandOff = std::function<bool(const QImage& image, const QString& title)>;
    CTslScreenCapture(HandOff handOff, std::unique_ptr<IScreenGrabber> grabber);
    int m_currentKind = 0;
    int m_counter = 0;

protected:
    int CaptureCallBack(const QImage& image) override;

private:
    HandOff m_handOff;
};

class CCaptureCommands : public CCmdTarget {
public:
    // frame: the main frame (minimised on start, owner of the dialogs); handOff makes a new
    // document of an image with a title. grabber null: the session's.
    CCaptureCommands(QWidget* frame, CTslScreenCapture::HandOff handOff,
                     std::unique_ptr<IScreenGrabber> grabber = nullptr);
    ~CCaptureCommands() override;

    int SelectedKind() const { return m_selectedKind; }
    void SetSelectedKind(int kind) { m_selectedKind = kind; }
    bool MultipleCaptures() const;
    void SetMultipleCaptures(bool on);
    CTslScreenCapture& Capture() { return *m_capture; }
    int CurrentKind() const { return m_capture->m_currentKind; }

    // Starts a capture of kind unless one is active (not minimising the frame).
    void StartCapture(int kind);
    // The re-arm timer (300, 100 ms): running, and its tick.
    bool RearmPending() const;
    void OnRearmTimer();

    static constexpr int kRearmTimerId = 300;
    static constexpr int kRearmMs = 100;

private:
    void OnSetup();
    void OnStart();
    void OnStop();
    void OnRearm();
    void OnResourceCapture(int kind);

    QWidget* m_frame;
    std::unique_ptr<CTslScreenCapture> m_capture;
    std::unique_ptr<QTimer> m_rearm;
    int m_selectedKind = kCaptureActive;
};

} // namespace tsl
