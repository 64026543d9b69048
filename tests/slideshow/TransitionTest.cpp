// PaintTransition through a target that records every copy and answers the stop test from a
// script.

#include "slideshow/Transition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace tsl {
namespace {

struct Copy {
    int sx, sy, w, h, dx, dy;
    int step; // the number of steps finished before this copy
    auto Key() const { return std::tie(sx, sy, w, h, dx, dy); }
    bool operator==(const Copy& o) const { return Key() == o.Key(); }
};

class CRecordingTarget : public CTransitionTarget {
public:
    CRecordingTarget(int width, int height) : m_width(width), m_height(height) {}
    int SourceWidth() const override { return m_width; }
    int SourceHeight() const override { return m_height; }
    bool CopyBlock(int sx, int sy, int w, int h, int dx, int dy) override {
        copies.push_back({sx, sy, w, h, dx, dy, steps});
        return !failAtCopy || static_cast<int>(copies.size()) != failAtCopy;
    }
    bool TakeMessage(TransitionMessage& message) override {
        ++polls;
        const auto found = messages.find(steps);
        if (found == messages.end()) return false;
        message = found->second;
        messages.erase(found);
        return true;
    }
    void Begin(std::uint32_t total) override { announced = total; }
    void StepDone() override { ++steps; }

    std::vector<Copy> copies;
    std::map<int, TransitionMessage> messages; // given at the stop test after that many steps
    int steps = 0;
    int polls = 0;
    int failAtCopy = 0;
    std::uint32_t announced = 0;

private:
    int m_width, m_height;
};

TRANSITION Descriptor(std::uint16_t kind, std::uint16_t direction, int bw, int bh) {
    TRANSITION t;
    t.kind = kind;
    t.direction = direction;
    t.blockWidth = static_cast<std::uint16_t>(bw);
    t.blockHeight = static_cast<std::uint16_t>(bh);
    return t;
}

struct DissolveCase {
    int width, height, bw, bh;
    int columns, rows;
    std::uint32_t mask;
};

class Dissolve : public testing::TestWithParam<DissolveCase> {};

TEST_P(Dissolve, DrawsEveryBlockOfTheAreaOnceThenTheFirstBlock) {
    const DissolveCase c = GetParam();
    CRecordingTarget target(c.width, c.height);
    TRANSITION t = Descriptor(TRANSITION_DISSOLVE, 0, c.bw, c.bh);
    ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(t.columns, c.columns);
    EXPECT_EQ(t.rows, c.rows);
    int i = 0, j = 0;
    for (int v = c.columns; v; v >>= 1)
        ++i;
    for (int v = c.rows; v; v >>= 1)
        ++j;
    EXPECT_EQ(DissolveMask(i + j + 1), c.mask);
    EXPECT_EQ(target.announced, (1u << (i + j + 1)));

    ASSERT_FALSE(target.copies.empty());
    const int bw = std::min(c.bw, c.width), bh = std::min(c.bh, c.height);
    EXPECT_EQ(target.copies.back(), (Copy{0, 0, bw, bh, 0, 0, 0}));
    std::set<std::pair<int, int>> seen;
    for (std::size_t n = 0; n + 1 < target.copies.size(); ++n) {
        const Copy& copy = target.copies[n];
        EXPECT_EQ(copy.sx, copy.dx);
        EXPECT_EQ(copy.sy, copy.dy);
        EXPECT_EQ(copy.w, bw);
        EXPECT_EQ(copy.h, bh);
        ASSERT_EQ(copy.sx % c.bw, 0);
        ASSERT_EQ(copy.sy % c.bh, 0);
        const int column = copy.sx / c.bw, row = copy.sy / c.bh;
        if (column >= c.columns || row >= c.rows) continue; // falls outside the picture
        EXPECT_TRUE(seen.insert({column, row}).second) << column << "," << row << " twice";
    }
    // Every block but the first in the loop, the first one last.
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(c.columns * c.rows - 1));
    EXPECT_FALSE(seen.count({0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Dissolve,
                         testing::Values(DissolveCase{1024, 768, 3, 4, 342, 192, 0x20400},
                                         DissolveCase{640, 480, 3, 4, 214, 120, 0xB400},
                                         DissolveCase{1920, 1080, 3, 4, 640, 270, 0x90000},
                                         DissolveCase{1920, 1080, 4, 4, 480, 270, 0x72000},
                                         DissolveCase{800, 800, 4, 4, 200, 200, 0x12000},
                                         DissolveCase{5, 3, 4, 4, 2, 1, 0xC},
                                         DissolveCase{1, 1, 3, 4, 1, 1, 0x6}));

TEST(Transition, HorizontalBlindsTakeTenSlicesOfTwentyPixelBands) {
    CRecordingTarget target(100, 60); // 5 columns, 3 rows of 20-pixel bands
    TRANSITION t = Descriptor(TRANSITION_BLINDS, 1, 20, 20);
    ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(t.slices, 10);
    EXPECT_EQ(target.steps, 30); // one step per row and slice
    ASSERT_EQ(target.copies.size(), 150u);
    // The first slice: the top two pixel rows of every band, row by row.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(target.copies[r * 5 + c], (Copy{c * 20, r * 20, 20, 2, c * 20, r * 20, 0}));
    EXPECT_EQ(target.copies[5].step, 1);
    EXPECT_EQ(target.copies.back(), (Copy{80, 58, 20, 2, 80, 58, 0}));
}

TEST(Transition, VerticalBlindsExchangeColumnsAndRows) {
    CRecordingTarget target(36, 40); // 2 columns, 3 rows of 18
    TRANSITION t = Descriptor(TRANSITION_BLINDS, 2, 18, 18);
    ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(t.slices, 9);
    EXPECT_EQ(target.steps, 18);
    EXPECT_EQ(target.copies[0], (Copy{0, 0, 2, 18, 0, 0, 0}));
    EXPECT_EQ(target.copies[1], (Copy{0, 18, 2, 18, 0, 18, 0}));
    EXPECT_EQ(target.copies[3], (Copy{18, 0, 2, 18, 18, 0, 0}));
    EXPECT_EQ(target.copies[6], (Copy{2, 0, 2, 18, 2, 0, 0}));
}

TEST(Transition, SlidesGrowTheirStripsBlockByBlock) {
    struct Row {
        std::uint16_t direction;
        std::vector<Copy> expected;
    };
    const std::vector<Row> rows = {
        {1, {{0, 0, 20, 20, 40, 0, 0}, {0, 0, 40, 20, 20, 0, 1}, {0, 0, 60, 20, 0, 0, 2}}},
        {2, {{40, 0, 20, 20, 0, 0, 0}, {20, 0, 40, 20, 0, 0, 1}, {0, 0, 60, 20, 0, 0, 2}}},
    };
    for (const Row& row : rows) {
        CRecordingTarget target(60, 20);
        TRANSITION t = Descriptor(TRANSITION_SLIDE, row.direction, 20, 20);
        ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
        EXPECT_EQ(target.copies, row.expected) << row.direction;
    }
    CRecordingTarget target(20, 40);
    TRANSITION t = Descriptor(TRANSITION_SLIDE, 4, 20, 20);
    ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(target.copies,
              (std::vector<Copy>{{0, 0, 20, 20, 0, 20, 0}, {0, 0, 20, 40, 0, 0, 1}}));
    CRecordingTarget down(20, 40);
    t = Descriptor(TRANSITION_SLIDE, 8, 20, 20);
    ASSERT_EQ(PaintTransition(down, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(down.copies, (std::vector<Copy>{{0, 20, 20, 20, 0, 0, 0}, {0, 0, 20, 40, 0, 0, 1}}));
}

TEST(Transition, WipesCopyOneStripPerStepInTheirDirection) {
    struct Row {
        std::uint16_t direction;
        std::pair<int, int> first, last; // (x, y) of the first and last copy
        int steps;
    };
    for (const Row& row : std::vector<Row>{{1, {8, 0}, {0, 4}, 3},
                                           {2, {0, 0}, {8, 4}, 3},
                                           {4, {0, 4}, {8, 0}, 2},
                                           {8, {0, 0}, {8, 4}, 2}}) {
        CRecordingTarget target(12, 8);
        TRANSITION t = Descriptor(TRANSITION_WIPE, row.direction, 4, 4);
        ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
        ASSERT_EQ(target.copies.size(), 6u);
        EXPECT_EQ(std::make_pair(target.copies.front().dx, target.copies.front().dy), row.first);
        EXPECT_EQ(std::make_pair(target.copies.back().dx, target.copies.back().dy), row.last);
        EXPECT_EQ(target.steps, row.steps) << row.direction;
    }
}

TEST(Transition, AStopMessageEndsEveryKindAfterTheCurrentStep) {
    const std::vector<TRANSITION> kinds = {
        Descriptor(TRANSITION_DISSOLVE, 0, 3, 4), Descriptor(TRANSITION_BLINDS, 1, 20, 20),
        Descriptor(TRANSITION_BLINDS, 2, 18, 18), Descriptor(TRANSITION_WIPE, 1, 4, 4),
        Descriptor(TRANSITION_WIPE, 8, 4, 4),     Descriptor(TRANSITION_SLIDE, 1, 20, 20),
        Descriptor(TRANSITION_SLIDE, 8, 20, 20),
    };
    for (TRANSITION t : kinds) {
        for (std::uint32_t message :
             {kMsgKeyDown, kMsgLButtonDown, kMsgRButtonDown, kMsgMButtonDown}) {
            CRecordingTarget target(200, 100);
            target.messages[3] = {0x0200, 0};  // a mouse move goes on
            target.messages[4] = {message, 0}; // taken after the fourth step
            TRANSITION run = t;
            EXPECT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, run), kTransitionStopped)
                << t.kind << "/" << t.direction;
            EXPECT_EQ(target.steps, 4);
            for (const Copy& copy : target.copies)
                EXPECT_LT(copy.step, 4);
        }
    }
}

TEST(Transition, StopRulesChooseWhatStops) {
    struct Row {
        std::uint16_t rule;
        std::uint32_t stopParam;
        TransitionMessage message;
        bool stops;
    };
    for (const Row& row : std::vector<Row>{{kStopNever, 0, {kMsgKeyDown, 0}, false},
                                           {kStopOnKey, 0, {kMsgKeyDown, 13}, true},
                                           {kStopOnKey, 0, {kMsgLButtonDown, 1}, false},
                                           {kStopOnMouse, 0, {kMsgMButtonDown, 16}, true},
                                           {kStopOnMouse, 0, {kMsgKeyDown, 13}, false},
                                           {0x0111, 7, {0x0111, 7}, true},
                                           {0x0111, 7, {0x0111, 8}, false}}) {
        CRecordingTarget target(40, 4);
        target.messages[1] = row.message;
        TRANSITION t = Descriptor(TRANSITION_WIPE, 2, 4, 4);
        t.stopRule = row.rule;
        t.stopParam = row.stopParam;
        EXPECT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t),
                  row.stops ? kTransitionStopped : kTransitionDone)
            << row.rule;
        EXPECT_EQ(target.copies.size(), row.stops ? 1u : 10u);
        EXPECT_EQ(target.polls, row.rule == kStopNever ? 0 : row.stops ? 1 : 10);
    }
}

TEST(Transition, RefusedDescriptorsDrawNothing) {
    struct Row {
        TRANSITION t;
        int result;
    };
    TRANSITION zero = Descriptor(TRANSITION_DISSOLVE, 0, 0, 0);
    zero.sliceStep = 0;
    TRANSITION noSlice = Descriptor(TRANSITION_BLINDS, 1, 20, 20);
    noSlice.sliceStep = 0;
    for (const Row& row :
         std::vector<Row>{{zero, kTransitionBadBlock},
                          {Descriptor(TRANSITION_WIPE, 1, 0, 4), kTransitionBadBlock},
                          {noSlice, kTransitionBadBlock},
                          {Descriptor(TRANSITION_BLINDS, 4, 20, 20), kTransitionBadDirection},
                          {Descriptor(TRANSITION_WIPE, 3, 4, 4), kTransitionBadDirection},
                          {Descriptor(TRANSITION_SLIDE, 0, 4, 4), kTransitionBadDirection},
                          {Descriptor(5, 1, 4, 4), kTransitionBadDirection}}) {
        CRecordingTarget target(64, 48);
        TRANSITION t = row.t;
        EXPECT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), row.result);
        EXPECT_TRUE(target.copies.empty());
    }
}

TEST(Transition, AFailedCopyEndsTheRun) {
    CRecordingTarget target(40, 40);
    target.failAtCopy = 3;
    TRANSITION t = Descriptor(TRANSITION_WIPE, 2, 4, 4);
    EXPECT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionCopyFailed);
    EXPECT_EQ(target.copies.size(), 3u);
}

TEST(Transition, AnAreaAndOriginsGivenExplicitlyOffsetEveryCopy) {
    CRecordingTarget target(500, 500);
    TRANSITION t = Descriptor(TRANSITION_WIPE, 2, 4, 4);
    ASSERT_EQ(PaintTransition(target, 10, 20, 6, 4, 100, 200, t), kTransitionDone);
    EXPECT_EQ(t.curBlockWidth, 4);
    EXPECT_EQ(target.copies,
              (std::vector<Copy>{{10, 20, 4, 4, 100, 200, 0}, {14, 20, 4, 4, 104, 200, 1}}));
    // A small area shrinks the block: one block covers it.
    CRecordingTarget small(2, 3);
    TRANSITION s = Descriptor(TRANSITION_WIPE, 2, 4, 4);
    ASSERT_EQ(PaintTransition(small, -1, -1, -1, -1, -1, -1, s), kTransitionDone);
    EXPECT_EQ(small.copies, (std::vector<Copy>{{0, 0, 2, 3, 0, 0, 0}}));
}

TEST(Transition, TheDelayWaitsAfterEachStep) {
    class CClockTarget : public CRecordingTarget {
    public:
        CClockTarget() : CRecordingTarget(8, 4) {}
        std::uint64_t Milliseconds() override { return now; }
        void Sleep(int ms) override { now += static_cast<std::uint64_t>(ms); }
        std::uint64_t now = 0;
    } target;
    TRANSITION t = Descriptor(TRANSITION_WIPE, 2, 4, 4);
    t.delay = 25;
    ASSERT_EQ(PaintTransition(target, 0, 0, -1, -1, 0, 0, t), kTransitionDone);
    EXPECT_EQ(target.now, 50u);
}

} // namespace
} // namespace tsl
