#pragma once
// The link between worker tasks and the object that takes their results on its own thread.
// Work carries the generation it was started in; a later generation drops every result of
// earlier work. The receiver is cleared under the lock when it goes (Detach), so a task never
// posts to a dead object; a result reaches the receiver by a queued call.

#include <QMetaObject>
#include <QtGlobal>

#include <atomic>
#include <mutex>

namespace tsl {

template <class Owner> class CWorkerChannel {
public:
    explicit CWorkerChannel(Owner* owner) : m_owner(owner) {}

    quint64 Generation() const { return m_generation; }
    // Starts a new generation: what earlier work still delivers is dropped.
    quint64 Next() { return ++m_generation; }
    bool IsCurrent(quint64 generation) const { return m_generation == generation; }
    // The receiver goes: nothing is posted to it from now on.
    void Detach() {
        std::lock_guard lock(m_mutex);
        m_owner = nullptr;
        ++m_generation;
    }
    // Calls deliver(owner) on the owner's thread, unless the work was overtaken or the owner is
    // gone. The receiver checks the generation again when the call arrives.
    template <class Deliver> void Post(quint64 generation, Deliver deliver) {
        std::lock_guard lock(m_mutex);
        Owner* owner = m_owner;
        if (!owner || m_generation != generation) return;
        QMetaObject::invokeMethod(
            owner, [owner, deliver = std::move(deliver)]() mutable { deliver(owner); },
            Qt::QueuedConnection);
    }

private:
    std::mutex m_mutex;
    Owner* m_owner;
    std::atomic<quint64> m_generation{0};
};

} // namespace tsl
