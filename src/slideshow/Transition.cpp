#include "slideshow/Transition.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tsl {
namespace {

constexpr std::uint32_t kDissolveMasks[32] = {
    0x1,       0x3,       0x6,       0xC,       0x14,       0x30,       0x60,       0xB8,
    0x110,     0x240,     0x500,     0xCA0,     0x1B00,     0x3500,     0x6000,     0xB400,
    0x12000,   0x20400,   0x72000,   0x90000,   0x140000,   0x300000,   0x420000,   0xD80000,
    0x1200000, 0x3880000, 0x7200000, 0x9000000, 0x14000000, 0x32800000, 0x48000000, 0xA3000000,
};

int BitLength(std::uint32_t v) {
    int bits = 0;
    for (; v; v >>= 1)
        ++bits;
    return bits;
}

int CeilDiv(int a, int b) {
    return (a + b - 1) / b;
}

bool KnowsDirection(const TRANSITION& t) {
    switch (t.kind) {
    case TRANSITION_DISSOLVE:
        return true;
    case TRANSITION_BLINDS:
        return t.direction == 1 || t.direction == 2;
    case TRANSITION_WIPE:
    case TRANSITION_SLIDE:
        return t.direction == 1 || t.direction == 2 || t.direction == 4 || t.direction == 8;
    default:
        return false;
    }
}

bool BadBlock(const TRANSITION& t) {
    // Each size divides the area: a zero one (alone or with the others) is refused before it
    // divides anything; blinds also divide by the slice step.
    return t.blockWidth < 1 || t.blockHeight < 1 ||
           (t.kind == TRANSITION_BLINDS && t.sliceStep < 1);
}

bool Stops(const TRANSITION& t, const TransitionMessage& m) {
    const bool key = m.message == kMsgKeyDown;
    const bool mouse = m.message == kMsgLButtonDown || m.message == kMsgRButtonDown ||
                       m.message == kMsgMButtonDown;
    switch (t.stopRule) {
    case kStopNever:
        return false;
    case kStopOnKey:
        return key;
    case kStopOnMouse:
        return mouse;
    case kStopOnKeyOrMouse:
        return key || mouse;
    default:
        return m.message == t.stopRule && m.param == t.stopParam;
    }
}

class CRun {
public:
    CRun(CTransitionTarget& target, TRANSITION& t) : m_target(target), m_t(t) {}

    bool Copy(int sx, int sy, int w, int h, int dx, int dy) {
        if (m_target.CopyBlock(m_t.srcX + sx, m_t.srcY + sy, w, h, m_t.dstX + dx, m_t.dstY + dy))
            return true;
        m_result = kTransitionCopyFailed;
        return false;
    }
    bool Copy(int x, int y, int w, int h) { return Copy(x, y, w, h, x, y); }

    // The end of a step: presentation, then the stop test and the delay. False ends the run.
    bool Step() {
        m_target.StepDone();
        if (m_t.stopRule != kStopNever) {
            TransitionMessage message;
            if (m_target.TakeMessage(message) && Stops(m_t, message)) {
                m_result = kTransitionStopped;
                return false;
            }
        }
        if (m_t.delay != 0) {
            const std::uint64_t start = m_target.Milliseconds();
            while (m_target.Milliseconds() - start < m_t.delay)
                m_target.Sleep(1);
        }
        return true;
    }

    int Result() const { return m_result; }

private:
    CTransitionTarget& m_target;
    TRANSITION& m_t;
    int m_result = kTransitionDone;
};

void Dissolve(CRun& run, TRANSITION& t) {
    const int i = BitLength(static_cast<std::uint32_t>(t.columns));
    const int j = BitLength(static_cast<std::uint32_t>(t.rows));
    const std::uint32_t mask = DissolveMask(i + j + 1);
    const std::uint32_t columnMask = (std::uint32_t{1} << i) - 1;
    std::uint32_t g = 1;
    do {
        const int column = static_cast<int>(g & columnMask);
        const int row = static_cast<int>(g >> i);
        if (!run.Copy(column * t.blockWidth, row * t.blockHeight, t.curBlockWidth,
                      t.curBlockHeight) ||
            !run.Step())
            return;
        g = (g & 1) ? (g >> 1) ^ mask : g >> 1;
    } while (g != 1);
    if (run.Copy(0, 0, t.curBlockWidth, t.curBlockHeight)) run.Step();
}

void Blinds(CRun& run, TRANSITION& t) {
    const int s = t.sliceStep;
    if (t.direction == 1) {
        t.curBlockHeight = static_cast<std::int16_t>(s);
        t.slices = static_cast<std::int16_t>(CeilDiv(t.blockHeight, s));
        for (int k = 0; k < t.slices; ++k)
            for (int r = 0; r < t.rows; ++r) {
                for (int c = 0; c < t.columns; ++c)
                    if (!run.Copy(c * t.blockWidth, r * t.blockHeight + k * s, t.curBlockWidth, s))
                        return;
                if (!run.Step()) return;
            }
    } else {
        t.curBlockWidth = static_cast<std::int16_t>(s);
        t.slices = static_cast<std::int16_t>(CeilDiv(t.blockWidth, s));
        for (int k = 0; k < t.slices; ++k)
            for (int c = 0; c < t.columns; ++c) {
                for (int r = 0; r < t.rows; ++r)
                    if (!run.Copy(c * t.blockWidth + k * s, r * t.blockHeight, s, t.curBlockHeight))
                        return;
                if (!run.Step()) return;
            }
    }
}

void Wipe(CRun& run, TRANSITION& t) {
    const bool byColumn = t.direction == 1 || t.direction == 2;
    const bool backwards = t.direction == 1 || t.direction == 4;
    const int strips = byColumn ? t.columns : t.rows;
    const int across = byColumn ? t.rows : t.columns;
    for (int n = 0; n < strips; ++n) {
        const int strip = backwards ? strips - 1 - n : n;
        for (int m = 0; m < across; ++m) {
            const int c = byColumn ? strip : m;
            const int r = byColumn ? m : strip;
            if (!run.Copy(c * t.blockWidth, r * t.blockHeight, t.curBlockWidth, t.curBlockHeight))
                return;
        }
        if (!run.Step()) return;
    }
}

void Slide(CRun& run, TRANSITION& t) {
    if (t.direction == 1 || t.direction == 2) {
        int width = t.curBlockWidth;
        for (int c = t.columns - 1; c >= 0; --c) {
            const int x = c * t.blockWidth;
            for (int r = 0; r < t.rows; ++r) {
                const int y = r * t.blockHeight;
                const bool ok = t.direction == 1 ? run.Copy(0, y, width, t.curBlockHeight, x, y)
                                                 : run.Copy(x, y, width, t.curBlockHeight, 0, y);
                if (!ok) return;
            }
            if (!run.Step()) return;
            width += t.blockWidth;
        }
        t.curBlockWidth = static_cast<std::int16_t>(std::min(width, 32767));
    } else {
        int height = t.curBlockHeight;
        for (int r = t.rows - 1; r >= 0; --r) {
            const int y = r * t.blockHeight;
            for (int c = 0; c < t.columns; ++c) {
                const int x = c * t.blockWidth;
                const bool ok = t.direction == 4 ? run.Copy(x, 0, t.curBlockWidth, height, x, y)
                                                 : run.Copy(x, y, t.curBlockWidth, height, x, 0);
                if (!ok) return;
            }
            if (!run.Step()) return;
            height += t.blockHeight;
        }
        t.curBlockHeight = static_cast<std::int16_t>(std::min(height, 32767));
    }
}

} // namespace

std::uint64_t CTransitionTarget::Milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CTransitionTarget::Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t DissolveMask(int bits) {
    return kDissolveMasks[std::clamp(bits, 1, 32) - 1];
}

std::uint32_t TransitionSteps(const TRANSITION& t, int width, int height) {
    if (BadBlock(t) || !KnowsDirection(t) || width <= 0 || height <= 0) return 0;
    const int columns = CeilDiv(width, t.blockWidth);
    const int rows = CeilDiv(height, t.blockHeight);
    switch (t.kind) {
    case TRANSITION_DISSOLVE: {
        const int n = BitLength(static_cast<std::uint32_t>(columns)) +
                      BitLength(static_cast<std::uint32_t>(rows)) + 1;
        return static_cast<std::uint32_t>((std::uint64_t{1} << n) - 1) + 1;
    }
    case TRANSITION_BLINDS:
        return t.direction == 1 ? CeilDiv(t.blockHeight, t.sliceStep) * rows
                                : CeilDiv(t.blockWidth, t.sliceStep) * columns;
    default:
        return t.direction == 1 || t.direction == 2 ? columns : rows;
    }
}

int PaintTransition(CTransitionTarget& target, int srcX, int srcY, int width, int height, int dstX,
                    int dstY, TRANSITION& t) {
    if (BadBlock(t)) return kTransitionBadBlock;
    if (!KnowsDirection(t)) return kTransitionBadDirection;
    const int area = width == -1 ? target.SourceWidth() : width;
    const int tall = height == -1 ? target.SourceHeight() : height;
    if (area <= 0 || tall <= 0) return kTransitionDone;
    t.srcX = static_cast<std::int16_t>(srcX == -1 ? 0 : srcX);
    t.srcY = static_cast<std::int16_t>(srcY == -1 ? 0 : srcY);
    t.dstX = static_cast<std::int16_t>(dstX == -1 ? 0 : dstX);
    t.dstY = static_cast<std::int16_t>(dstY == -1 ? 0 : dstY);
    t.width = static_cast<std::int16_t>(std::min(area, 32767));
    t.height = static_cast<std::int16_t>(std::min(tall, 32767));
    t.curBlockWidth = static_cast<std::int16_t>(std::min<int>(t.blockWidth, t.width));
    t.curBlockHeight = static_cast<std::int16_t>(std::min<int>(t.blockHeight, t.height));
    t.columns = static_cast<std::int16_t>(CeilDiv(t.width, t.blockWidth));
    t.rows = static_cast<std::int16_t>(CeilDiv(t.height, t.blockHeight));
    t.slices = 0;

    CRun run(target, t);
    target.Begin(TransitionSteps(t, t.width, t.height));
    switch (t.kind) {
    case TRANSITION_DISSOLVE:
        Dissolve(run, t);
        break;
    case TRANSITION_BLINDS:
        Blinds(run, t);
        break;
    case TRANSITION_WIPE:
        Wipe(run, t);
        break;
    case TRANSITION_SLIDE:
        Slide(run, t);
        break;
    }
    target.End();
    return run.Result();
}

} // namespace tsl
