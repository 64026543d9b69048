#pragma once
// CSaneSession: SANE (libsane) on one worker thread of its own, which owns it from sane_init to
// sane_exit; every SANE call runs there, so a slow network backend or a slow scanner never
// stops the user-interface thread. The session starts discovery as it is made; results come
// back to the user-interface thread as queued calls, and never after the session is gone.
//
// CSaneDevice is the worker's view of one open device (used by the worker and by test hooks
// that run on the worker between pages).

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tsl {

struct SaneDeviceInfo {
    QString name; // what sane_open takes, e.g. "test:0"
    QString vendor;
    QString model;
    QString type;
};

// One option of a device as the options dialog shows it.
struct SaneOptionInfo {
    enum Kind { Bool, Int, Fixed, String, Other };
    QString name;
    QString title;
    Kind kind = Other;
    QString unit;               // "mm", "dpi", ... or empty
    QStringList strings;        // a string list constraint
    std::vector<double> values; // a word list constraint (numbers)
    bool hasRange = false;
    double min = 0, max = 0, step = 0;
    QVariant value;             // bool, int, double or QString
};

// The options users set first, in the order they are applied.
inline constexpr const char* kSaneFirstOptions[] = {"source", "mode", "resolution",
                                                     "tl-x", "tl-y", "br-x", "br-y"};

using SaneSettings = std::vector<std::pair<QString, QVariant>>;

class CSaneDevice {
public:
    explicit CSaneDevice(void* handle) : m_handle(handle) {}
    // Sets an option by name; the SANE status (0 when good).
    int SetOption(const QString& name, const QVariant& value);
    QVariant Option(const QString& name) const;
    std::vector<SaneOptionInfo> Options(const QStringList& names) const;
    void* Handle() const { return m_handle; }

private:
    int Find(const QString& name) const;
    void* m_handle;
};

// How an acquisition ended.
struct SaneScanEnd {
    int status = 1;   // 1: done; else an imaging status (kErrorScan... in ImagingFlags.h)
    QString detail;   // for the error list: what went wrong beyond the status
    int pages = 0;    // complete pages delivered
};

struct SaneScanCallbacks {
    std::function<void(int page, std::uint64_t done, std::uint64_t total)> progress;
    std::function<void(const QImage& page)> page;
    std::function<void(const SaneScanEnd& end)> finished;
};

class CSaneSession {
public:
    // Starts the worker; it initialises SANE and lists the devices, then calls onListed on the
    // user-interface thread.
    explicit CSaneSession(std::function<void(std::vector<SaneDeviceInfo>)> onListed);
    // Ends SANE on the worker. A worker stuck in a backend is left behind after a few seconds
    // rather than holding up the program's exit.
    ~CSaneSession();
    CSaneSession(const CSaneSession&) = delete;
    CSaneSession& operator=(const CSaneSession&) = delete;

    bool Listed() const;

    // The device's first options (kSaneFirstOptions that it has and that are active); opens the
    // device. Runs on the worker while the caller's events keep running; empty, with the
    // imaging status in *status, when the device cannot be opened (else *status is 1).
    std::vector<SaneOptionInfo> FirstOptions(const QString& device, int* status = nullptr);

    // Scans on the worker: the settings applied, then pages until the feeder is empty (a flatbed
    // source, or multiple false: one page). Calls back on the user-interface thread.
    void StartScan(const QString& device, const SaneSettings& settings, bool multiple,
                   SaneScanCallbacks callbacks);
    void CancelScan();
    bool Scanning() const;

    // Test hooks, run on the worker: before devices are listed, and between pages (with the
    // number of pages done).
    struct Hooks {
        std::function<void()> beforeListing;
        std::function<void(CSaneDevice&, int pagesDone)> betweenPages;
    };
    static void SetHooks(Hooks hooks);

    // Posts fn to the worker.
    void Post(std::function<void()> fn);
    // Runs fn on the user-interface thread, unless the session is gone by then.
    void ToUi(std::function<void()> fn);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QObject> m_context;
    bool m_listed = false;
};

// The imaging status of a SANE status (LBase::ErrorText has it in words).
int SaneStatusToImaging(int saneStatus);

} // namespace tsl
