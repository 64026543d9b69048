#include "capture/SaneSession.h"

#include "capture/SaneFrames.h"
#include "imaging/ImagingFlags.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <sane/sane.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace tsl {
namespace {

// SANE is one per process: a session's worker holds this from sane_init to sane_exit, so a
// new session waits for an old worker (even one left behind) to finish.
std::mutex g_saneOwner;
std::mutex g_hooksMutex;
CSaneSession::Hooks g_hooks;

CSaneSession::Hooks CurrentHooks() {
    std::lock_guard lock(g_hooksMutex);
    return g_hooks;
}

SANE_Handle H(void* handle) { return static_cast<SANE_Handle>(handle); }

bool FeederSource(const QString& source) {
    const QString s = source.toLower();
    return s.contains(QLatin1String("feeder")) || s.contains(QLatin1String("adf")) ||
           s.contains(QLatin1String("duplex"));
}

QString Unit(SANE_Unit unit) {
    switch (unit) {
    case SANE_UNIT_PIXEL: return QStringLiteral("pixels");
    case SANE_UNIT_BIT: return QStringLiteral("bits");
    case SANE_UNIT_MM: return QStringLiteral("mm");
    case SANE_UNIT_DPI: return QStringLiteral("dpi");
    case SANE_UNIT_PERCENT: return QStringLiteral("%");
    case SANE_UNIT_MICROSECOND: return QStringLiteral("us");
    default: return {};
    }
}

} // namespace

struct CSaneSession::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stop = false;
    bool exited = false;
    std::condition_variable exitedCv;
    QObject* context = nullptr; // null once the session is gone
    std::atomic<bool> cancel{false};
    std::atomic<bool> scanning{false};
    std::atomic<int> delivered{0}; // pages of this scan the user-interface thread has taken
    // Worker only: the open device.
    SANE_Handle handle = nullptr;
    QString openName;

    void ToUi(std::function<void()> fn) {
        std::lock_guard lock(mutex);
        if (context) QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
    }
    void CloseDevice() {
        if (handle) sane_close(handle);
        handle = nullptr;
        openName.clear();
    }
    // Opens name unless it is open already; 0 or a SANE status.
    int OpenDevice(const QString& name) {
        if (handle && openName == name) return SANE_STATUS_GOOD;
        CloseDevice();
        const SANE_Status st = sane_open(name.toLocal8Bit().constData(), &handle);
        if (st != SANE_STATUS_GOOD) {
            handle = nullptr;
            return st;
        }
        openName = name;
        return SANE_STATUS_GOOD;
    }
};

// ------------------------------------------------------------------------- the device

int CSaneDevice::Find(const QString& name) const {
    const QByteArray wanted = name.toLatin1();
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(m_handle), i);
        if (!d) return -1;
        if (d->name && wanted == d->name) return i;
    }
}

int CSaneDevice::SetOption(const QString& name, const QVariant& value) {
    const int index = Find(name);
    if (index < 0) return SANE_STATUS_UNSUPPORTED;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(m_handle), index);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return SANE_STATUS_INVAL;
    SANE_Int info = 0;
    switch (d->type) {
    case SANE_TYPE_BOOL: {
        SANE_Bool v = value.toBool() ? SANE_TRUE : SANE_FALSE;
        return sane_control_option(H(m_handle), index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_INT: {
        if (d->size != sizeof(SANE_Word)) return SANE_STATUS_UNSUPPORTED;
        SANE_Int v = static_cast<SANE_Int>(value.toDouble() + (value.toDouble() < 0 ? -0.5 : 0.5));
        return sane_control_option(H(m_handle), index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_FIXED: {
        if (d->size != sizeof(SANE_Word)) return SANE_STATUS_UNSUPPORTED;
        SANE_Fixed v = SANE_FIX(value.toDouble());
        return sane_control_option(H(m_handle), index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_STRING: {
        if (d->size < 1) return SANE_STATUS_INVAL;
        std::vector<char> buffer(static_cast<std::size_t>(d->size), '\0');
        const QByteArray text = value.toString().toUtf8();
        std::memcpy(buffer.data(), text.constData(),
                    std::min<std::size_t>(static_cast<std::size_t>(text.size()), buffer.size() - 1));
        return sane_control_option(H(m_handle), index, SANE_ACTION_SET_VALUE, buffer.data(), &info);
    }
    default: return SANE_STATUS_UNSUPPORTED;
    }
}

QVariant CSaneDevice::Option(const QString& name) const {
    const int index = Find(name);
    if (index < 0) return {};
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(m_handle), index);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || d->size < 1) return {};
    std::vector<char> buffer(static_cast<std::size_t>(d->size) + 1, '\0');
    if (sane_control_option(H(m_handle), index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) !=
        SANE_STATUS_GOOD)
        return {};
    SANE_Word w = 0;
    if (d->size >= static_cast<SANE_Int>(sizeof w)) std::memcpy(&w, buffer.data(), sizeof w);
    switch (d->type) {
    case SANE_TYPE_BOOL: return w != SANE_FALSE;
    case SANE_TYPE_INT: return int(w);
    case SANE_TYPE_FIXED: return SANE_UNFIX(w);
    case SANE_TYPE_STRING: return QString::fromUtf8(buffer.data());
    default: return {};
    }
}

std::vector<SaneOptionInfo> CSaneDevice::Options(const QStringList& names) const {
    std::vector<SaneOptionInfo> result;
    for (const QString& name : names) {
        const int index = Find(name);
        if (index < 0) continue;
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(m_handle), index);
        if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) continue;
        if (d->type != SANE_TYPE_STRING && d->size != sizeof(SANE_Word)) continue;
        SaneOptionInfo o;
        o.name = name;
        o.title = QString::fromUtf8(d->title ? d->title : d->name);
        o.kind = d->type == SANE_TYPE_BOOL     ? SaneOptionInfo::Bool
                 : d->type == SANE_TYPE_INT    ? SaneOptionInfo::Int
                 : d->type == SANE_TYPE_FIXED  ? SaneOptionInfo::Fixed
                 : d->type == SANE_TYPE_STRING ? SaneOptionInfo::String
                                               : SaneOptionInfo::Other;
        o.unit = Unit(d->unit);
        const auto number = [&](SANE_Word w) {
            return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
        };
        if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
                o.strings << QString::fromUtf8(*s);
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            const SANE_Word* list = d->constraint.word_list;
            for (SANE_Word i = 1; list && i <= list[0]; ++i) o.values.push_back(number(list[i]));
        } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
            o.hasRange = true;
            o.min = number(d->constraint.range->min);
            o.max = number(d->constraint.range->max);
            o.step = number(d->constraint.range->quant);
        }
        o.value = Option(name);
        result.push_back(std::move(o));
    }
    return result;
}

// ------------------------------------------------------------------------- the session

void CSaneSession::SetHooks(Hooks hooks) {
    std::lock_guard lock(g_hooksMutex);
    g_hooks = std::move(hooks);
}

CSaneSession::CSaneSession(std::function<void(std::vector<SaneDeviceInfo>)> onListed)
    : m_shared(std::make_shared<Shared>()), m_context(std::make_unique<QObject>()) {
    m_shared->context = m_context.get();
    auto listed = [this, onListed = std::move(onListed)](std::vector<SaneDeviceInfo> devices) {
        m_listed = true;
        if (onListed) onListed(std::move(devices));
    };
    std::thread([shared = m_shared, listed = std::move(listed)]() mutable {
        std::unique_lock owner(g_saneOwner);
        SANE_Int version = 0;
        const bool initialised = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        if (const auto hook = CurrentHooks().beforeListing) hook();
        std::vector<SaneDeviceInfo> devices;
        const SANE_Device** list = nullptr;
        if (initialised && sane_get_devices(&list, SANE_FALSE) == SANE_STATUS_GOOD && list) {
            for (const SANE_Device** d = list; *d; ++d)
                devices.push_back({QString::fromUtf8((*d)->name), QString::fromUtf8((*d)->vendor),
                                   QString::fromUtf8((*d)->model), QString::fromUtf8((*d)->type)});
        }
        shared->ToUi([listed, devices]() mutable { listed(std::move(devices)); });
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(shared->mutex);
                shared->wake.wait(lock, [&] { return shared->stop || !shared->tasks.empty(); });
                if (shared->stop) break;
                task = std::move(shared->tasks.front());
                shared->tasks.pop_front();
            }
            task();
        }
        shared->CloseDevice();
        if (initialised) sane_exit();
        owner.unlock();
        std::lock_guard lock(shared->mutex);
        shared->exited = true;
        shared->exitedCv.notify_all();
    }).detach();
}

CSaneSession::~CSaneSession() {
    m_shared->cancel = true;
    {
        std::unique_lock lock(m_shared->mutex);
        m_shared->context = nullptr;
        m_shared->stop = true;
        m_shared->tasks.clear();
        m_shared->wake.notify_all();
        // A scan in progress stops at its next read, and SANE then ends cleanly, releasing the
        // device. Discovery still waiting on a silent network host is not waited for: the
        // program's exit must not depend on it.
        if (m_listed)
            m_shared->exitedCv.wait_for(lock, std::chrono::seconds(5), [&] { return m_shared->exited; });
    }
}

bool CSaneSession::Listed() const { return m_listed; }
void CSaneSession::CancelScan() { m_shared->cancel = true; }
bool CSaneSession::Scanning() const { return m_shared->scanning; }

void CSaneSession::Post(std::function<void()> fn) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->tasks.push_back(std::move(fn));
    m_shared->wake.notify_all();
}

void CSaneSession::ToUi(std::function<void()> fn) { m_shared->ToUi(std::move(fn)); }

std::vector<SaneOptionInfo> CSaneSession::FirstOptions(const QString& device, int* status) {
    struct Call {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        QEventLoop* loop = nullptr;
        std::vector<SaneOptionInfo> options;
        int status = SANE_STATUS_GOOD;
    };
    auto call = std::make_shared<Call>();
    Post([shared = m_shared.get(), call, device] {
        call->status = shared->OpenDevice(device);
        if (call->status == SANE_STATUS_GOOD) {
            QStringList names;
            for (const char* name : kSaneFirstOptions) names << QLatin1String(name);
            call->options = CSaneDevice(shared->handle).Options(names);
        }
        {
            std::lock_guard lock(call->mutex);
            call->done = true;
            call->cv.notify_all();
        }
        shared->ToUi([call] {
            if (call->loop) call->loop->quit();
        });
    });
    QEventLoop loop;
    {
        std::unique_lock lock(call->mutex);
        if (!call->done) call->loop = &loop;
    }
    if (call->loop) loop.exec();
    call->loop = nullptr;
    {
        // When the program is quitting the loop returns at once: wait without it.
        std::unique_lock lock(call->mutex);
        call->cv.wait(lock, [&] { return call->done; });
    }
    if (status) *status = SaneStatusToImaging(call->status);
    return call->options;
}

void CSaneSession::StartScan(const QString& device, const SaneSettings& settings, bool multiple,
                             SaneScanCallbacks callbacks) {
    m_shared->cancel = false;
    m_shared->scanning = true;
    m_shared->delivered = 0;
    auto cb = std::make_shared<SaneScanCallbacks>(std::move(callbacks));
    Post([shared = m_shared.get(), device, settings, multiple, cb] {
        SaneScanEnd end;
        auto finish = [&](int status, const QString& detail = {}) {
            end.status = status;
            end.detail = detail;
        };
        const int opened = shared->OpenDevice(device);
        if (opened != SANE_STATUS_GOOD) {
            finish(SaneStatusToImaging(opened), device);
        } else {
            CSaneDevice dev(shared->handle);
            for (const auto& [name, value] : settings) dev.SetOption(name, value);
            const QVariant source = dev.Option(QStringLiteral("source"));
            const bool feeder = multiple && source.isValid() && FeederSource(source.toString());
            const double dpi = dev.Option(QStringLiteral("resolution")).toDouble();
            SaneFrameParams first;
            std::vector<SANE_Byte> buffer(64 * 1024);
            bool stop = false;
            while (!stop) {
                // At most one finished page waits for the user-interface thread: a slow
                // hand-off holds the feeder instead of piling pages up in memory, and a Cancel
                // pressed on a page stops the scan within the next one.
                while (end.pages - shared->delivered > 1 && !shared->cancel)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (end.pages > 0)
                    if (const auto hook = CurrentHooks().betweenPages) hook(dev, end.pages);
                CSanePage page;
                bool firstFrame = true;
                int lastPercent = -1;
                std::uint64_t lastPosted = 0;
                while (!stop && !page.Complete()) {
                    if (shared->cancel) {
                        finish(kErrorScanCancelled);
                        stop = true;
                        break;
                    }
                    const SANE_Status started = sane_start(shared->handle);
                    if (started == SANE_STATUS_NO_DOCS && firstFrame && end.pages > 0) {
                        stop = true; // the feeder is empty: done
                        break;
                    }
                    if (started != SANE_STATUS_GOOD) {
                        finish(SaneStatusToImaging(started));
                        stop = true;
                        break;
                    }
                    SANE_Parameters sp{};
                    if (sane_get_parameters(shared->handle, &sp) != SANE_STATUS_GOOD) {
                        finish(kErrorScanIo);
                        stop = true;
                        break;
                    }
                    SaneFrameParams p{int(sp.format), sp.last_frame != SANE_FALSE, sp.bytes_per_line,
                                      sp.pixels_per_line, sp.lines, sp.depth};
                    if (firstFrame && end.pages > 0) {
                        const bool colour = [](int f) { return f != int(SaneFrame::Gray); }(p.format);
                        const bool firstColour = first.format != int(SaneFrame::Gray);
                        if (colour != firstColour || p.depth != first.depth ||
                            p.pixelsPerLine != first.pixelsPerLine) {
                            finish(kErrorScanFormatChanged,
                                   QStringLiteral("page %1").arg(end.pages + 1));
                            stop = true;
                            break;
                        }
                    }
                    if (firstFrame && end.pages == 0) first = p;
                    firstFrame = false;
                    const CSanePage::Result begun = page.BeginFrame(p);
                    if (begun != CSanePage::kOk) {
                        finish(begun == CSanePage::kTooLarge ? kErrorTooLarge : kErrorScanBadFrame,
                               QStringLiteral("%1 x %2 pixels, %3 bits")
                                   .arg(p.pixelsPerLine).arg(p.lines).arg(p.depth));
                        stop = true;
                        break;
                    }
                    for (;;) {
                        if (shared->cancel) {
                            finish(kErrorScanCancelled);
                            stop = true;
                            break;
                        }
                        SANE_Int length = 0;
                        const SANE_Status st = sane_read(shared->handle, buffer.data(),
                                                         static_cast<SANE_Int>(buffer.size()), &length);
                        if (st == SANE_STATUS_EOF) break;
                        if (st != SANE_STATUS_GOOD) {
                            finish(SaneStatusToImaging(st),
                                   QStringLiteral("page %1").arg(end.pages + 1));
                            stop = true;
                            break;
                        }
                        if (length < 0 || length > static_cast<SANE_Int>(buffer.size()) ||
                            page.Append(buffer.data(), static_cast<std::size_t>(length)) != CSanePage::kOk) {
                            finish(kErrorTooLarge);
                            stop = true;
                            break;
                        }
                        const std::uint64_t total = page.BytesExpected();
                        const std::uint64_t done = page.BytesReceived();
                        const int percent = total ? static_cast<int>(done * 100 / total) : -1;
                        if ((total && percent != lastPercent) || (!total && done - lastPosted >= (1u << 18))) {
                            lastPercent = percent;
                            lastPosted = done;
                            shared->ToUi([cb, n = end.pages + 1, done, total] {
                                if (cb->progress) cb->progress(n, done, total);
                            });
                        }
                    }
                    if (stop) break;
                    if (page.EndFrame() != CSanePage::kOk) {
                        finish(kErrorScanEndedEarly, QStringLiteral("page %1").arg(end.pages + 1));
                        stop = true;
                        break;
                    }
                    if (p.lastFrame && !page.Complete()) {
                        finish(kErrorScanBadFrame, QStringLiteral("page %1").arg(end.pages + 1));
                        stop = true;
                    }
                }
                if (!page.Complete()) break;
                ++end.pages;
                shared->ToUi([cb, shared, image = page.Image(dpi)] {
                    if (cb->page) cb->page(image);
                    ++shared->delivered;
                });
                if (!feeder) break;
            }
            sane_cancel(shared->handle);
            // After a fault of the device itself it is opened afresh next time.
            if (end.status == kErrorScanIo || end.status == kErrorScanBusy ||
                end.status == kErrorScanAccessDenied)
                shared->CloseDevice();
        }
        shared->scanning = false;
        shared->ToUi([cb, end] {
            if (cb->finished) cb->finished(end);
        });
    });
}

int SaneStatusToImaging(int saneStatus) {
    switch (saneStatus) {
    case SANE_STATUS_GOOD: return kSuccess;
    case SANE_STATUS_UNSUPPORTED: return kErrorScanUnsupported;
    case SANE_STATUS_CANCELLED: return kErrorScanCancelled;
    case SANE_STATUS_DEVICE_BUSY: return kErrorScanBusy;
    case SANE_STATUS_INVAL: return kErrorScanInvalid;
    case SANE_STATUS_EOF: return kErrorScanEndedEarly;
    case SANE_STATUS_JAMMED: return kErrorScanJammed;
    case SANE_STATUS_NO_DOCS: return kErrorScanNoDocs;
    case SANE_STATUS_COVER_OPEN: return kErrorScanCoverOpen;
    case SANE_STATUS_NO_MEM: return kErrorNoMemory;
    case SANE_STATUS_ACCESS_DENIED: return kErrorScanAccessDenied;
    default: return kErrorScanIo;
    }
}

} // namespace tsl
