#include "slideshow/ScreenTransitionTarget.h"

#include "slideshow/SlideShowPlayer.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace tsl {

CScreenTransitionTarget::CScreenTransitionTarget(CSlideShowPlayer& player, const QImage& source,
                                                 QImage& screen, int milliseconds,
                                                 qreal refreshRate)
    : m_player(player), m_source(source), m_screen(screen),
      m_period(qint64{milliseconds} * 1000000),
      m_frame(
          static_cast<qint64>(1e9 / (refreshRate >= 20 && refreshRate <= 500 ? refreshRate : 60))) {
}

bool CScreenTransitionTarget::CopyBlock(int srcX, int srcY, int width, int height, int dstX,
                                        int dstY) {
    if (m_source.isNull() || m_screen.isNull()) return false;
    // Clip to the source, then to the window's buffer, moving both ends together.
    QRect from(srcX, srcY, width, height);
    const QRect clipped = from & m_source.rect();
    QRect to(dstX + (clipped.x() - srcX), dstY + (clipped.y() - srcY), clipped.width(),
             clipped.height());
    const QRect visible = to & m_screen.rect();
    if (visible.isEmpty()) return true;
    from = QRect(clipped.x() + (visible.x() - to.x()), clipped.y() + (visible.y() - to.y()),
                 visible.width(), visible.height());
    const std::size_t bytes = static_cast<std::size_t>(visible.width()) * 4;
    for (int y = 0; y < visible.height(); ++y)
        std::memcpy(m_screen.scanLine(visible.y() + y) + visible.x() * 4,
                    m_source.constScanLine(from.y() + y) + from.x() * 4, bytes);
    m_dirty |= visible;
    return true;
}

bool CScreenTransitionTarget::TakeMessage(TransitionMessage& message) {
    return m_player.TakeTransitionInput(message);
}

void CScreenTransitionTarget::Begin(std::uint32_t steps) {
    m_steps = steps ? steps : 1;
    m_done = 0;
    m_player.BeginTransitionInput();
    m_clock.start();
    Present(); // also gathers input that was already waiting
}

void CScreenTransitionTarget::StepDone() {
    ++m_done;
    qint64 now = m_clock.nsecsElapsed();
    if (now - m_lastPresent >= m_frame) {
        Present();
        now = m_clock.nsecsElapsed();
    }
    if (m_period <= 0) return;
    // Ahead of the schedule by a millisecond or more: wait, presenting on the way.
    const qint64 due = static_cast<qint64>(static_cast<double>(m_period) * m_done / m_steps);
    while (due - now >= 1000000) {
        const qint64 wait = std::min(due - now, m_lastPresent + m_frame - now);
        if (wait > 0) QThread::usleep(static_cast<unsigned long>(wait / 1000));
        now = m_clock.nsecsElapsed();
        if (now - m_lastPresent >= m_frame) {
            Present();
            now = m_clock.nsecsElapsed();
        }
    }
}

void CScreenTransitionTarget::End() {
    m_player.EndTransitionInput();
}

void CScreenTransitionTarget::Present() {
    m_player.Present(m_dirty);
    m_dirty = QRect();
    ++m_presented;
    QCoreApplication::processEvents();
    m_lastPresent = m_clock.nsecsElapsed();
}

} // namespace tsl
