#pragma once
// The scanning component. LScanner holds what every acquisition shares: the owner window and
// the image of the page being delivered. LTwain acquires over SANE (CSaneSession):
//  - device discovery starts when the object is made and runs off the user-interface thread;
//    IsAvailable is false until it has found a device, and the availability callback runs
//    when it ends;
//  - Select lets the user pick the device (kept for the run);
//  - Acquire shows the device's first options (flag kTwainShowInterface), then scans pages,
//    one after another until the feeder is empty (flag kTwainMultiPage; a flatbed source gives
//    one page), while the event loop runs: a progress window per page with Cancel. Each page
//    is delivered to AcquireCallBack inside the call.
// Results are imaging statuses: 1 when every page came; else the failure, which is also added
// to LBase's error list (pages delivered before it stay delivered).
// LIsis has the per-page callback of an ISIS acquisition and nothing that starts one.

#include "capture/SaneSession.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace tsl {

class CScanProgressDlg;

class LScanner {
public:
    virtual ~LScanner() = default;
    void SetWindow(QWidget* window) { m_window = window; }
    QWidget* Window() const { return m_window; }
    // The image of the page being delivered; empty outside the per-page callback.
    const QImage& Bitmap() const { return m_bitmap; }
    void SetBitmap(const QImage& image) { m_bitmap = image; }

protected:
    QPointer<QWidget> m_window;
    QImage m_bitmap;
};

enum TwainAcquireFlags : unsigned {
    kTwainShowInterface = 1, // the source's options first
    kTwainMultiPage = 2,     // every page of the feeder
};

class LTwain : public LScanner {
public:
    LTwain();
    ~LTwain() override;

    bool IsAvailable() const { return !m_devices.empty(); }
    bool DiscoveryDone() const { return m_discoveryDone; }
    // Runs on the user-interface thread when discovery ends.
    void SetAvailabilityCallBack(std::function<void(bool)> callBack) { m_onAvailable = std::move(callBack); }
    const std::vector<SaneDeviceInfo>& Devices() const { return m_devices; }
    QString CurrentSource() const;
    void SetCurrentSource(const QString& name) { m_current = name; }

    // The source chooser; 1 when the user chose, 0 when cancelled, kErrorScanNoDevice.
    int Select();
    int Acquire(unsigned flags);
    bool IsAcquiring() const { return m_acquiring; }
    // Whether the last acquisition was left because the program is quitting.
    bool Abandoned() const { return m_abandoned; }
    // Ends a running acquisition (as the progress window's Cancel does).
    void CancelAcquire();
    // The settings used by the last acquisition (what the options dialog left).
    const SaneSettings& Settings() const { return m_settings; }
    void SetSettings(SaneSettings settings) { m_settings = std::move(settings); }
    CScanProgressDlg* ProgressWindow() const { return m_progress; }
    CSaneSession& Session() { return *m_session; }

protected:
    // Called once for each page, with the page in Bitmap(); 1 when it took the page.
    virtual int AcquireCallBack() { return 0; }

private:
    std::vector<SaneDeviceInfo> m_devices;
    bool m_discoveryDone = false;
    std::function<void(bool)> m_onAvailable;
    QString m_current;
    SaneSettings m_settings;
    bool m_acquiring = false;
    bool m_abandoned = false;
    CScanProgressDlg* m_progress = nullptr;
    std::unique_ptr<CSaneSession> m_session; // last: its queued calls reach the fields above
};

class LIsis : public LScanner {
public:
    // Delivers image as page (name may be null) to AcquirePageCallBack; its result.
    int DeliverPage(const QImage& image, int page, const char* name);

protected:
    virtual int AcquirePageCallBack(int /*page*/, const char* /*name*/) { return 0; }
};

} // namespace tsl
