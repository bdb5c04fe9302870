#include "shell/layout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace shell {
namespace {

LayoutInput Input(float w, float h, bool viewer = true, bool maximized = false, bool stateBar = false) {
    LayoutInput in;
    in.width = w;
    in.height = h;
    in.flags.viewerShown = viewer;
    in.flags.viewerMaximized = maximized;
    in.flags.stateBarShown = stateBar;
    in.tabTextWidths = {30, 200};
    in.directEditorTextWidth = 90;
    return in;
}

TEST(LayoutTest, ViewerColumnThresholdAndFrameCounts) {
    struct Case {
        float width;
        bool viewer, maximized;
        bool laidOut;
        int frames, columns;
    } cases[] = {
        {687, true, false, false, 15, 5},  // A = 639 < 640
        {688, true, false, true, 9, 3},    // A = 640
        {1280, true, false, true, 9, 3},
        {1280, false, false, false, 15, 5},
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
    // Wide column: one row, left to right.
    const Layout wide = UpdateLayout(Input(2400, 1080));
    for (std::size_t i = 1; i < kViewerButtonCount; ++i) {
        EXPECT_EQ(wide.viewerButtons[i].top, wide.viewerButtons[0].top);
        EXPECT_GT(wide.viewerButtons[i].left, wide.viewerButtons[i - 1].right);
    }
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

}  // namespace
}  // namespace shell
