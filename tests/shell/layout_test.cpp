#include "shell/layout.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(l.viewerLaidOut, c.laidOut) << c.width;
        EXPECT_EQ(l.visibleFrames, c.frames) << c.width;
        EXPECT_EQ(l.columns, c.columns) << c.width;
        EXPECT_EQ(l.ruleColumnLaidOut, !c.maximized) << c.width;
    }
}

TEST(LayoutTest, BandAndViewerColumnWidths) {
    struct Case {
        float w, h, band, viewerWidth;
    } cases[] = {
        {1280, 1080, 54, 0.32f * 1232},
        {1280, 400, 30, 0.32f * 1232},
        {1280, 2000, 80, 0.32f * 1232},
        {700, 900, 45, 220},  // 0.32 * 652 < 220
    };
    for (const Case& c : cases) {
        const Layout l = UpdateLayout(Input(c.w, c.h));
        EXPECT_FLOAT_EQ(l.band, c.band);
        EXPECT_FLOAT_EQ(l.viewerColumn.left, 24);
        EXPECT_FLOAT_EQ(l.viewerColumn.Width(), c.viewerWidth);
        EXPECT_FLOAT_EQ(l.ruleColumn.left, l.viewerColumn.right + 20);
        EXPECT_FLOAT_EQ(l.ruleColumn.right, c.w - 24);
        EXPECT_FLOAT_EQ(l.viewerColumn.bottom, c.h - 18);
    }
    const Layout max = UpdateLayout(Input(1280, 1080, true, true));
    EXPECT_FLOAT_EQ(max.viewerColumn.Width(), 1232);
}

TEST(LayoutTest, StateBarSitsRightOfTheRuleColumn) {
    const Layout l = UpdateLayout(Input(1280, 1080, true, false, true));
    ASSERT_TRUE(l.stateBarShown);
    EXPECT_FLOAT_EQ(l.stateBar.left, l.ruleColumn.right + 10);
    EXPECT_FLOAT_EQ(l.stateBar.Width(), 54);
    EXPECT_FLOAT_EQ(l.stateBar.right, 1280 - 24);
    EXPECT_FLOAT_EQ(l.stateBar.bottom, 1080 - 18);
    EXPECT_FLOAT_EQ(l.stateBar.top, l.tabBar.top);
}

TEST(LayoutTest, ViewerButtonsFlowAndWrap) {
    // Wide column: one row of nine buttons 6 px apart.
    const Layout wide = UpdateLayout(Input(2400, 1080));
    float x = 24;
    for (std::size_t i = 0; i < kViewerButtonCount; ++i) {
        EXPECT_FLOAT_EQ(wide.viewerButtons[i].left, x);
        EXPECT_FLOAT_EQ(wide.viewerButtons[i].Width(), layout::kButtonWidths[i]);
        EXPECT_FLOAT_EQ(wide.viewerButtons[i].Height(), 36);
        EXPECT_FLOAT_EQ(wide.viewerButtons[i].top, wide.viewerButtons[0].top);
        x += layout::kButtonWidths[i] + 6;
    }
    // A 220 px column: 72+6+62+6+104 = 250 > 220, so Randomize starts the second row.
    const Layout narrow = UpdateLayout(Input(700, 1080));
    EXPECT_FLOAT_EQ(narrow.viewerButtons[kRandomize].left, 24);
    EXPECT_FLOAT_EQ(narrow.viewerButtons[kRandomize].top, narrow.viewerButtons[kPlayPause].top + 42);
    EXPECT_GT(narrow.viewerGrid.top, narrow.viewerButtons[kSpeedUp].bottom);
    for (const RectF& b : narrow.viewerButtons) EXPECT_LE(b.right, narrow.viewerColumn.right);
}

TEST(LayoutTest, TabBarTabsAndCloseBoxes) {
    LayoutInput in = Input(1280, 1080);
    const Layout l = UpdateLayout(in);
    EXPECT_FLOAT_EQ(l.tabBar.Height(), 36);
    EXPECT_FLOAT_EQ(l.scrollLeft.Width(), 32);
    EXPECT_FLOAT_EQ(l.scrollRight.left, l.scrollLeft.right + 10);
    EXPECT_FLOAT_EQ(l.tabStrip.left, l.scrollRight.right + 10);
    ASSERT_EQ(l.tabs.size(), 2u);
    EXPECT_FLOAT_EQ(l.tabs[0].Width(), 120);  // 30 + 54 < 120
    EXPECT_FLOAT_EQ(l.tabs[1].Width(), 254);
    EXPECT_FLOAT_EQ(l.tabs[1].left, l.tabs[0].right + 10);
    EXPECT_FLOAT_EQ(l.directEditorTab.left, l.tabs[1].right + 10);
    EXPECT_FLOAT_EQ(l.directEditorTab.Width(), 126);
    const RectF box = l.closeBoxes[1];
    EXPECT_FLOAT_EQ(box.Width(), 24);
    EXPECT_FLOAT_EQ(box.right, l.tabs[1].right - 6);
    EXPECT_FLOAT_EQ(box.top - l.tabs[1].top, l.tabs[1].bottom - box.bottom);
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

TEST(LayoutTest, FrameSizesGapsAndInset) {
    const Layout l = UpdateLayout(Input(1280, 1080));
    const float ruleWidth = l.ruleColumn.Width();
    const float fw = (ruleWidth - 40) / 3;
    const float fh = (l.page.Height() - 40) / 3;
    EXPECT_FLOAT_EQ(l.page.bottom, 1080 - 18);
    for (int k = 0; k < 9; ++k) {
        EXPECT_FLOAT_EQ(l.frameOuter[k].left, l.ruleColumn.left + float(k % 3) * (fw + 20));
        EXPECT_FLOAT_EQ(l.frameOuter[k].top, l.page.top + float(k / 3) * (fh + 20));
        EXPECT_FLOAT_EQ(l.frameOuter[k].Width(), fw);
        EXPECT_FLOAT_EQ(l.frameGrid[k].left, l.frameOuter[k].left + 3);
        EXPECT_FLOAT_EQ(l.frameGrid[k].bottom, l.frameOuter[k].bottom - 3);
    }
    // Small windows keep frames at least 120 px on each side.
    const Layout tiny = UpdateLayout(Input(400, 200, false));
    EXPECT_FLOAT_EQ(tiny.frameOuter[14].Width(), 120);
    EXPECT_FLOAT_EQ(tiny.frameOuter[14].Height(), 120);
    EXPECT_FLOAT_EQ(tiny.page.Height(), 100);
}

TEST(LayoutTest, MaximizedViewerWithStateBarLeavesRoomForIt) {
    const Layout l = UpdateLayout(Input(1280, 1080, true, true, true));
    EXPECT_FALSE(l.ruleColumnLaidOut);
    EXPECT_FLOAT_EQ(l.stateBar.right, 1280 - 24);
    EXPECT_FLOAT_EQ(l.stateBar.left, l.viewerColumn.right + 10);
}

}  // namespace
}  // namespace shell
