#pragma once
// PaintTransition: reveals a source picture block by block in one of four orders (dissolve,
// blinds, wipe, slide). It draws through a block-copy target: the player's target copies into
// the window's buffer and presents it; a test's target records every copy. Between steps it runs
// the stop test (one pending input message from the target, judged by the stop rule) and the
// descriptor's delay.

#include <cstdint>

namespace tsl {

// Kinds.
inline constexpr std::uint16_t TRANSITION_BLINDS = 1;
inline constexpr std::uint16_t TRANSITION_DISSOLVE = 6;
inline constexpr std::uint16_t TRANSITION_SLIDE = 8;
inline constexpr std::uint16_t TRANSITION_WIPE = 12;

// Stop rules: never, on a key press, on a mouse button press, on either; any other value stops
// on that message number when its parameter equals the stop parameter.
inline constexpr std::uint16_t kStopNever = 0;
inline constexpr std::uint16_t kStopOnKey = 0xFFFD;
inline constexpr std::uint16_t kStopOnMouse = 0xFFFE;
inline constexpr std::uint16_t kStopOnKeyOrMouse = 0xFFFF;

// Results.
inline constexpr int kTransitionDone = 0;
inline constexpr int kTransitionStopped = 0xF827;
inline constexpr int kTransitionCopyFailed = -2999;
inline constexpr int kTransitionBadDirection = -2004;
inline constexpr int kTransitionBadBlock = -2005;

// Input messages a target hands to the stop test.
inline constexpr std::uint32_t kMsgKeyDown = 0x0100;
inline constexpr std::uint32_t kMsgLButtonDown = 0x0201;
inline constexpr std::uint32_t kMsgRButtonDown = 0x0204;
inline constexpr std::uint32_t kMsgMButtonDown = 0x0207;

struct TransitionMessage {
    std::uint32_t message = 0;
    std::uint32_t param = 0; // the key code, or the button state
};

// The transition descriptor. The caller sets kind, direction, block size, slice step, delay and
// stop rule; PaintTransition fills in the geometry fields it worked with.
struct TRANSITION {
    std::uint16_t kind = TRANSITION_DISSOLVE;
    std::uint16_t direction = 0;   // blinds 1 horizontal, 2 vertical; wipe and slide 1, 2, 4, 8
    std::uint32_t wholeClient = 0; // not used: the area is the picture's size
    std::uint16_t blockWidth = 4;
    std::uint16_t blockHeight = 4;
    std::uint16_t sliceStep = 2;
    std::uint32_t delay = 0; // milliseconds to wait after each step
    std::uint16_t stopRule = kStopOnKeyOrMouse;
    std::uint32_t stopParam = 0;
    // Filled in by PaintTransition.
    std::int16_t srcX = 0, srcY = 0, width = 0, height = 0, dstX = 0, dstY = 0;
    std::int16_t curBlockWidth = 0, curBlockHeight = 0, columns = 0, rows = 0, slices = 0;
};

// Where a transition draws. Copies may reach beyond the picture or the window (a dissolve's
// register covers more blocks than the area holds, a slide's first strips start past the
// edge): the target clips them, and only a failed copy returns false.
class CTransitionTarget {
public:
    virtual ~CTransitionTarget() = default;
    virtual int SourceWidth() const = 0;
    virtual int SourceHeight() const = 0;
    virtual bool CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) = 0;
    // Takes one pending input message addressed to the window, if there is one.
    virtual bool TakeMessage(TransitionMessage& message) = 0;
    // A millisecond clock and a pause, for the descriptor's delay.
    virtual std::uint64_t Milliseconds();
    virtual void Sleep(int milliseconds);
    // Around the steps: the number of steps the transition takes, then one call after each.
    virtual void Begin(std::uint32_t steps) { (void)steps; }
    virtual void StepDone() {}
    virtual void End() {}
};

// Draws the source picture (width and height -1: the source's own; positions -1: 0) into the
// target at (dstX, dstY). Returns kTransitionDone, kTransitionStopped, kTransitionCopyFailed,
// kTransitionBadDirection (a direction or kind it does not know) or kTransitionBadBlock (block
// sizes or slice step below 1; nothing is drawn).
int PaintTransition(CTransitionTarget& target, int srcX, int srcY, int width, int height, int dstX,
                    int dstY, TRANSITION& transition);

// The mask of the n-bit dissolve register (n = 1 to 32).
std::uint32_t DissolveMask(int bits);
// The number of steps a transition over a width x height area takes (0 for one it refuses).
std::uint32_t TransitionSteps(const TRANSITION& transition, int width, int height);

} // namespace tsl
