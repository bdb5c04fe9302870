#include "shell/layout.h"

#include <algorithm>

namespace shell {

using namespace layout;

RectF CloseBoxOf(const RectF& tab) {
    const float side = std::max(tab.Height() - 12, 18.0f);
    const float top = tab.top + (tab.Height() - side) / 2;
    return {tab.right - 6 - side, top, tab.right - 6, top + side};
}

namespace {

// The nine controls flow left to right and wrap when the next one would pass the right edge.
float FlowViewerButtons(Layout& out, float left, float top, float right) {
    float x = left, y = top;
    for (std::size_t i = 0; i < kViewerButtonCount; ++i) {
        const float w = kButtonWidths[i];
        if (x + w > right && x > left) {
            x = left;
            y += kButtonHeight + kButtonGap;
        }
        out.viewerButtons[i] = {x, y, x + w, y + kButtonHeight};
        x += w + kButtonGap;
    }
    out.viewerControls = {left, top, right, y + kButtonHeight};
    return y + kButtonHeight;
}

void LayOutTabBar(Layout& out, const LayoutInput& input, float left, float right, float top) {
    out.tabBar = {left, top, right, top + kTabHeight};
    out.scrollLeft = {left, top, left + kScrollButtonWidth, top + kTabHeight};
    const float secondLeft = left + kScrollButtonWidth + kTabGap;
    out.scrollRight = {secondLeft, top, secondLeft + kScrollButtonWidth, top + kTabHeight};
    out.newTab = {right - kTabHeight, top, right, top + kTabHeight};
    const float stripLeft = secondLeft + kScrollButtonWidth + kTabGap;
    out.tabStrip = {stripLeft, top, std::max(stripLeft, out.newTab.left - kTabGap), top + kTabHeight};

    std::vector<float> widths;
    float content = 0;
    for (float text : input.tabTextWidths) {
        widths.push_back(std::max(text + kTabPadding, kMinTabWidth));
        content += widths.back() + kTabGap;
    }
    const float directWidth = std::max(input.directEditorTextWidth + kDirectEditorPadding, kMinTabWidth);
    content += directWidth;
    out.tabContentWidth = content;
    out.maxTabScroll = std::max(content - out.tabStrip.Width(), 0.0f);
    out.tabBarScroll = std::clamp(input.tabBarScroll, 0.0f, out.maxTabScroll);

    float x = stripLeft - out.tabBarScroll;
    for (float w : widths) {
        const RectF tab{x, top, x + w, top + kTabHeight};
        out.tabs.push_back(tab);
        out.closeBoxes.push_back(CloseBoxOf(tab));
        x += w + kTabGap;
    }
    out.directEditorTab = {x, top, x + directWidth, top + kTabHeight};
}

void LayOutFrames(Layout& out, float left, float right) {
    const float pageHeight = out.page.Height();
    const int columns = out.columns;
    const float width = std::max((right - left - kFrameGap * float(columns - 1)) / float(columns), kMinFrameSide);
    const float height = std::max((pageHeight - 2 * kFrameGap) / 3, kMinFrameSide);
    for (int k = 0; k < out.visibleFrames; ++k) {
        const float x = left + float(k % columns) * (width + kFrameGap);
        const float y = out.page.top + float(k / columns) * (height + kFrameGap);
        out.frameOuter[k] = {x, y, x + width, y + height};
        out.frameGrid[k] = {x + kGridInset, y + kGridInset, x + width - kGridInset, y + height - kGridInset};
    }
}

}  // namespace

Layout UpdateLayout(const LayoutInput& input) {
    Layout out;
    const float w = input.width, h = input.height;
    out.band = std::clamp(0.05f * h, 30.0f, 80.0f);
    const float available = std::max(w - 2 * kSideMargin, kMinAvailable);
    const float bottom = h - kBottomMargin;
    const float top = out.band + kTitleBand;

    const float coverageRight = kSideMargin + 0.55f * available;
    const float coverageBottom = 8 + (out.band - 16) * 0.6f;
    out.coverageBar = {kSideMargin, 8, coverageRight, coverageBottom};
    out.familiarityBar = {kSideMargin, coverageBottom + 3, coverageRight, std::max(coverageBottom + 5, out.band - 8)};
    out.readout = {coverageRight + 16, 4, std::max(coverageRight + 16, w - kSideMargin), out.band - 4};

    const ViewFlags& flags = input.flags;
    out.stateBarShown = flags.stateBarShown;
    const float stateBarSpace = flags.stateBarShown ? kStateBarGap + kStateBarWidth : 0;
    out.viewerLaidOut = flags.viewerShown && (flags.viewerMaximized || available >= kViewerMinAvailable);

    float ruleLeft = kSideMargin;
    float columnRight = kSideMargin;
    if (out.viewerLaidOut) {
        const float width = flags.viewerMaximized
                                ? std::max(available - stateBarSpace, 220.0f)
                                : std::clamp(0.32f * available, 220.0f, std::max(available - 260, 220.0f));
        columnRight = kSideMargin + width;
        out.viewerColumn = {kSideMargin, top, columnRight, bottom};
        out.viewerTitle = {kSideMargin, top - kTitleBand, columnRight, top - 4};
        const float controlsBottom = FlowViewerButtons(out, kSideMargin, top, columnRight);
        const float gridTop = controlsBottom + 10;
        const float gridBottom = std::max(bottom - kButtonHeight - kButtonGap, gridTop);
        out.viewerGrid = {kSideMargin, gridTop, columnRight, gridBottom};
        out.censusBar = {kSideMargin, gridBottom + kButtonGap, columnRight, gridBottom + kButtonGap + kButtonHeight};
        ruleLeft = columnRight + kColumnGap;
    }

    if (out.viewerLaidOut && flags.viewerMaximized) {
        if (flags.stateBarShown) out.stateBar = {columnRight + kStateBarGap, top, columnRight + stateBarSpace, bottom};
        return out;
    }

    out.ruleColumnLaidOut = true;
    const float ruleRight = std::max(ruleLeft + 1, kSideMargin + available - stateBarSpace);
    out.ruleColumn = {ruleLeft, top, ruleRight, bottom};
    out.ruleTitle = {ruleLeft, top - 4 - 34, ruleRight, top - 4};
    if (flags.stateBarShown) out.stateBar = {ruleRight + kStateBarGap, top, ruleRight + stateBarSpace, bottom};
    LayOutTabBar(out, input, ruleLeft, ruleRight, top);

    const float pageTop = out.tabBar.bottom + kPageGap;
    out.page = {ruleLeft, pageTop, ruleRight, pageTop + std::max(bottom - pageTop, 100.0f)};
    out.columns = out.viewerLaidOut ? 3 : 5;
    out.visibleFrames = out.viewerLaidOut ? 9 : 15;
    LayOutFrames(out, ruleLeft, ruleRight);
    return out;
}

}  // namespace shell
