#include <gtest/gtest.h>

#include <tuple>

#include "shell/digit_entry.h"
#include "shell/layout.h"
#include "shell/playback.h"

namespace shell {
namespace {

LayoutInput Input(float w, float h, bool viewer = true, bool maximized = false, bool stateBar = false) {
    return {w, h, {stateBar, viewer, maximized, false}, {30, 200}, 90, 0};
}

TEST(LayoutTest, ViewerColumnThresholdAndFrameCounts) {
    struct Case {
        float width;
        bool viewer, maximized, laidOut;
        int frames, columns;
    } cases[] = {
        {687, true, false, false, 15, 5}, {688, true, false, true, 9, 3},  // the viewer needs 640 px
        {1280, true, false, true, 9, 3},  {1280, false, false, false, 15, 5},
        {500, true, true, true, 0, 0},  // maximized ignores the width threshold
        {200, true, false, false, 15, 5},
    };
    for (const Case& c : cases) {
        const Layout l = UpdateLayout(Input(c.width, 900, c.viewer, c.maximized));
        EXPECT_EQ(std::tuple(l.viewerLaidOut, l.visibleFrames, l.columns, l.ruleColumnLaidOut),
                  std::tuple(c.laidOut, c.frames, c.columns, !c.maximized))
            << c.width;
    }
}

bool Inside(const RectF& inner, const RectF& outer) {
    constexpr float e = 0.01f;  // sums of widths round
    return inner.left >= outer.left - e && inner.right <= outer.right + e && inner.top >= outer.top - e &&
           inner.bottom <= outer.bottom + e;
}
bool Apart(const RectF& a, const RectF& b) {
    return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
}

// Whatever the size, the regions sit inside the window, side by side, and hold their parts.
TEST(LayoutTest, RegionsTileTheWindow) {
    for (const auto& [w, h] : {std::pair{1280.0f, 1080.0f}, {1280, 400}, {1280, 2000}, {700, 900}, {2400, 1080}}) {
        for (bool stateBar : {false, true}) {
            const Layout l = UpdateLayout(Input(w, h, true, false, stateBar));
            SCOPED_TRACE(testing::Message() << w << "x" << h << (stateBar ? " with the state bar" : ""));
            const RectF window{0, 0, w, h};
            ASSERT_TRUE(l.viewerLaidOut && l.ruleColumnLaidOut);
            EXPECT_TRUE(Inside(l.viewerColumn, window) && Inside(l.ruleColumn, window));
            EXPECT_TRUE(Apart(l.viewerColumn, l.ruleColumn));
            EXPECT_GE(l.viewerColumn.Width(), 220);
            EXPECT_TRUE(l.band >= 30 && l.band <= 80 && l.viewerColumn.top >= l.band);
            EXPECT_TRUE(!stateBar || (Inside(l.stateBar, window) && Apart(l.stateBar, l.ruleColumn)));
            EXPECT_TRUE(Inside(l.tabBar, l.ruleColumn) && Inside(l.page, l.ruleColumn) && Apart(l.tabBar, l.page));
            for (const RectF* part : {&l.scrollLeft, &l.scrollRight, &l.newTab, &l.tabStrip})
                EXPECT_TRUE(Inside(*part, l.tabBar));
            for (std::size_t i = 0; i < l.tabs.size(); ++i) {
                EXPECT_TRUE(Inside(l.closeBoxes[i], l.tabs[i]));
                EXPECT_TRUE(i == 0 || l.tabs[i].left > l.tabs[i - 1].right);
            }
            // Frames keep a least size: in a small window they may run past the page.
            for (int k = 0; k < l.visibleFrames; ++k) {
                EXPECT_TRUE(Inside(l.frameOuter[k], l.page) || w < 1280 || h < 1080) << k;
                EXPECT_TRUE(Inside(l.frameGrid[k], l.frameOuter[k])) << k;
                EXPECT_TRUE(k == 0 || Apart(l.frameOuter[k], l.frameOuter[k - 1])) << k;
            }
        }
    }
    // A tab grows with its text.
    const Layout l = UpdateLayout(Input(1280, 1080));
    EXPECT_LT(l.tabs[0].Width(), l.tabs[1].Width());
    const Layout max = UpdateLayout(Input(1280, 1080, true, true, true));
    EXPECT_FALSE(max.ruleColumnLaidOut);
    EXPECT_TRUE(Apart(max.stateBar, max.viewerColumn) && max.stateBar.right <= 1280);
}

TEST(LayoutTest, ViewerButtonsFlowAndWrap) {
    // A narrow column wraps: Randomize starts the second row, and the grid starts below the controls.
    const Layout narrow = UpdateLayout(Input(700, 1080));
    EXPECT_FLOAT_EQ(narrow.viewerButtons[kRandomize].left, narrow.viewerButtons[kPlayPause].left);
    EXPECT_GT(narrow.viewerButtons[kRandomize].top, narrow.viewerButtons[kPlayPause].bottom);
    EXPECT_GT(narrow.viewerGrid.top, narrow.viewerButtons[kSpeedUp].bottom);
    for (const RectF& b : narrow.viewerButtons) EXPECT_LE(b.right, narrow.viewerColumn.right);
}

TEST(LayoutTest, TabScrollIsClampedToTheOverflow) {
    LayoutInput in = Input(800, 1080, false);
    in.tabTextWidths.assign(10, 100);
    in.tabBarScroll = 1e6f;
    const Layout l = UpdateLayout(in);
    EXPECT_GT(l.maxTabScroll, 0);
    EXPECT_FLOAT_EQ(l.tabBarScroll, l.maxTabScroll);
    EXPECT_FLOAT_EQ(l.directEditorTab.right, l.tabStrip.right);
    in.tabBarScroll = -50;
    EXPECT_FLOAT_EQ(UpdateLayout(in).tabBarScroll, 0);
    in.tabTextWidths = {10};
    in.tabBarScroll = 100;
    EXPECT_FLOAT_EQ(UpdateLayout(in).tabBarScroll, 0);
}

TEST(PlaybackTest, TickCatchesUpAtMostFourAndSlowStepsRunOne) {
    struct Case {
        double seconds;
        int speed;
        double lastStepMs;
        int steps;
        double accumulatorAfter;
    } cases[] = {
        {0.1, 3, 0, 1, 0.0},        // 10 gen/s * 0.1 s = 1
        {0.05, 3, 0, 0, 0.5},       // owed half a generation: nothing yet
        {10.0, 3, 0, 4, 0.0},       // capped at 4
        {0.25, 3, 0, 2, 0.5},       // 2.5 owed: 2 now
        {10.0, 3, 85.0, 1, 0.0},    // 85 % of the 100 ms period: one step, the rest dropped
        {10.0, 3, 84.9, 4, 0.0},
        {0.0, 3, 0, 0, 0.0},        // no time passed
    };
    for (const Case& c : cases) {
        PlaybackClock clock;
        clock.Reset(1000);
        const int steps = clock.Tick(1000 + static_cast<std::int64_t>(c.seconds * 1e9), c.speed, c.lastStepMs);
        EXPECT_EQ(steps, c.steps) << c.seconds << " " << c.lastStepMs;
        EXPECT_NEAR(clock.accumulator, c.accumulatorAfter, 1e-9) << c.seconds;
    }
}

TEST(DigitEntryTest, OneAndTwoDigitStates) {
    struct Case {
        int states;
        std::vector<int> digits;
        std::vector<int> selected;  // -1: pending, -2: refused
    } cases[] = {
        {12, {1, 1}, {-1, 11}}, {12, {1, 5}, {-1, -2}}, {12, {3}, {3}},   {12, {0, 0}, {-1, 0}},
        {12, {1, 0}, {-1, 10}}, {11, {1, 0, 1, 1}, {-1, 10, -1, -2}},     {3, {3}, {-2}},
        {3, {2}, {2}},          {3, {1, 1}, {1, 1}},    {10, {9}, {9}},   {2, {1, 2}, {1, -2}},
    };
    for (const Case& c : cases) {
        DigitEntry entry;
        for (std::size_t i = 0; i < c.digits.size(); ++i) {
            const DigitEntry::Result r = entry.Enter(c.digits[i], c.states);
            const int got = r.refused ? -2 : r.state;
            EXPECT_EQ(got, c.selected[i]) << c.states << " step " << i;
        }
    }
}

}  // namespace
}  // namespace shell
