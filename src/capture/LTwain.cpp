#include "capture/LTwain.h"

#include "capture/TwainDialogs.h"
#include "imaging/ImagingFlags.h"
#include "imaging/LBase.h"
#include "platform/Platform.h"

#include <QEventLoop>

#include <algorithm>

namespace tsl {

LTwain::LTwain() {
    m_session = std::make_unique<CSaneSession>([this](std::vector<SaneDeviceInfo> devices) {
        m_devices = std::move(devices);
        m_discoveryDone = true;
        if (m_onAvailable) m_onAvailable(IsAvailable());
    });
}

LTwain::~LTwain() { CancelAcquire(); }

QString LTwain::CurrentSource() const {
    for (const SaneDeviceInfo& d : m_devices)
        if (d.name == m_current) return m_current;
    return m_devices.empty() ? QString() : m_devices.front().name;
}

int LTwain::Select() {
    if (!IsAvailable()) return kErrorScanNoDevice;
    CSelectSourceDlg dialog(m_devices, CurrentSource(), m_window);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return 0;
    if (dialog.Chosen().isEmpty()) return 0;
    m_current = dialog.Chosen();
    return 1;
}

void LTwain::CancelAcquire() {
    if (m_acquiring) m_session->CancelScan();
}

int LTwain::Acquire(unsigned flags) {
    if (m_acquiring) return kErrorScanBusy;
    const QString device = CurrentSource();
    if (device.isEmpty()) {
        LBase::AddErrorToList(kErrorScanNoDevice);
        return kErrorScanNoDevice;
    }
    m_acquiring = true;
    m_abandoned = false;
    struct Done {
        bool finished = false;
        SaneScanEnd end;
        QEventLoop* loop = nullptr;
    };
    auto done = std::make_shared<Done>();
    const auto fail = [&](int status, const QString& detail = {}) {
        m_acquiring = false;
        LBase::AddErrorToList(status, detail.toStdString());
        return status;
    };

    if (flags & kTwainShowInterface) {
        int opened = kSuccess;
        const std::vector<SaneOptionInfo> options = m_session->FirstOptions(device, &opened);
        if (opened != kSuccess) return fail(opened, device);
        QString title = device;
        for (const SaneDeviceInfo& d : m_devices)
            if (d.name == device) title = d.vendor + QLatin1Char(' ') + d.model;
        CScanOptionsDlg dialog(title, options, m_settings, m_window);
        if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted)
            return fail(kErrorScanCancelled);
        // The dialog's values replace those of its options; other settings stay.
        for (const auto& [name, value] : dialog.Values()) {
            auto it = std::find_if(m_settings.begin(), m_settings.end(),
                                   [&](const auto& entry) { return entry.first == name; });
            if (it != m_settings.end()) it->second = value;
            else m_settings.emplace_back(name, value);
        }
    }

    CScanProgressDlg progress([this] { CancelAcquire(); }, m_window);
    m_progress = &progress;
    progress.show();
    SaneScanCallbacks callbacks;
    callbacks.progress = [this](int page, std::uint64_t got, std::uint64_t total) {
        if (m_progress) m_progress->SetPage(page, got, total);
    };
    callbacks.page = [this, done](const QImage& image) {
        if (done->finished) return;
        m_bitmap = image;
        AcquireCallBack();
        m_bitmap = QImage();
        // The page's new document took the focus: give it back, so that Escape still cancels.
        if (m_progress) {
            m_progress->raise();
            m_progress->activateWindow();
        }
    };
    callbacks.finished = [done](const SaneScanEnd& end) {
        done->finished = true;
        done->end = end;
        if (done->loop) done->loop->quit();
    };
    m_session->StartScan(device, m_settings, (flags & kTwainMultiPage) != 0, std::move(callbacks));
    QEventLoop loop;
    done->loop = &loop;
    // Only the end of the scan quits the loop, or the program quitting, which ends the scan.
    if (!done->finished) loop.exec();
    done->loop = nullptr;
    m_progress = nullptr;
    progress.hide();
    if (!done->finished) {
        // The program is quitting: the scan ends with it, and nothing is reported.
        done->finished = true; // later pages of this scan are dropped
        m_session->CancelScan();
        m_acquiring = false;
        m_abandoned = true;
        return kErrorScanCancelled;
    }
    m_acquiring = false;
    if (done->end.status != kSuccess) return fail(done->end.status, done->end.detail);
    return kSuccess;
}

int LIsis::DeliverPage(const QImage& image, int page, const char* name) {
    m_bitmap = image;
    const int result = AcquirePageCallBack(page, name);
    m_bitmap = QImage();
    return result;
}

} // namespace tsl
