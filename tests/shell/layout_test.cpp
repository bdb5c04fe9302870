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
        const RectF& v = l.viewerColumn;
        EXPECT_EQ(std::tuple(l.band, v.left, v.Width(), v.bottom, l.ruleColumn.left, l.ruleColumn.right),
                  std::tuple(c.band, 24.0f, c.viewerWidth, c.h - 18, v.right + 20, c.w - 24));
    }
    const Layout max = UpdateLayout(Input(1280, 1080, true, true));
    EXPECT_FLOAT_EQ(max.viewerColumn.Width(), 1232);
}

TEST(LayoutTest, StateBarSitsRightOfTheRuleColumn) {
    const Layout l = UpdateLayout(Input(1280, 1080, true, false, true));
    ASSERT_TRUE(l.stateBarShown);
    EXPECT_EQ(l.stateBar, (RectF{l.ruleColumn.right + 10, l.tabBar.top, 1280 - 24, 1080 - 18}));
    EXPECT_FLOAT_EQ(l.stateBar.Width(), 54);
    // With the viewer maximized the bar sits right of it.
    const Layout max = UpdateLayout(Input(1280, 1080, true, true, true));
    EXPECT_FALSE(max.ruleColumnLaidOut);
    EXPECT_EQ(std::tuple(max.stateBar.left, max.stateBar.right), std::tuple(max.viewerColumn.right + 10, 1280.0f - 24));
}

TEST(LayoutTest, ViewerButtonsFlowAndWrap) {
    // Wide column: one row of nine buttons 6 px apart.
    const Layout wide = UpdateLayout(Input(2400, 1080));
    float x = 24;
    for (std::size_t i = 0; i < kViewerButtonCount; ++i) {
        const RectF& b = wide.viewerButtons[i];
        EXPECT_EQ(b, (RectF{x, wide.viewerButtons[0].top, x + layout::kButtonWidths[i], wide.viewerButtons[0].top + 36}));
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
    ASSERT_EQ(l.tabs.size(), 2u);
    EXPECT_EQ(std::tuple(l.tabBar.Height(), l.scrollLeft.Width(), l.scrollRight.left, l.tabStrip.left),
              std::tuple(36.0f, 32.0f, l.scrollLeft.right + 10, l.scrollRight.right + 10));
    // 30 + 54 < 120: the first tab has the least width.
    EXPECT_EQ(std::tuple(l.tabs[0].Width(), l.tabs[1].Width(), l.tabs[1].left, l.directEditorTab.left),
              std::tuple(120.0f, 254.0f, l.tabs[0].right + 10, l.tabs[1].right + 10));
    EXPECT_FLOAT_EQ(l.directEditorTab.Width(), 126);
    const RectF box = l.closeBoxes[1];
    EXPECT_EQ(std::tuple(box.Width(), box.right, box.top - l.tabs[1].top),
              std::tuple(24.0f, l.tabs[1].right - 6, l.tabs[1].bottom - box.bottom));
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
        const RectF& outer = l.frameOuter[k];
        EXPECT_NEAR(outer.left, l.ruleColumn.left + float(k % 3) * (fw + 20), 1e-3) << k;
        EXPECT_NEAR(outer.top, l.page.top + float(k / 3) * (fh + 20), 1e-3) << k;
        EXPECT_NEAR(outer.Width(), fw, 1e-3) << k;
        EXPECT_EQ(std::tuple(l.frameGrid[k].left, l.frameGrid[k].bottom), std::tuple(outer.left + 3, outer.bottom - 3));
    }
    // Small windows keep frames at least 120 px on each side.
    const Layout tiny = UpdateLayout(Input(400, 200, false));
    EXPECT_EQ(std::tuple(tiny.frameOuter[14].Width(), tiny.frameOuter[14].Height(), tiny.page.Height()),
              std::tuple(120.0f, 120.0f, 100.0f));
}

}  // namespace
}  // namespace shell
