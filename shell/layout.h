#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "authoring/editor.h"
#include "shell/canvas.h"

namespace shell {

inline constexpr std::size_t kFrameCount = authoring::kViewerFrameCount;
inline constexpr std::size_t kViewerButtonCount = 9;

// Order of the viewer's nine controls, left to right as they flow.
enum ViewerButton : int {
    kPlayPause = 0,
    kReset,
    kRandomize,
    kStepBack,
    kStepForward,
    kGenerationBox,
    kSpeedDown,
    kSpeedBox,
    kSpeedUp,
};

// What the window arrangement depends on besides the client size.
struct ViewFlags {
    bool stateBarShown = false;
    bool viewerShown = true;
    bool viewerMaximized = false;
    bool colorEditorOpen = false;
};

struct LayoutInput {
    float width = 1280;
    float height = 1080;
    ViewFlags flags;
    // Measured label widths of the tab names, in tab order, and of "Direct Editor".
    std::vector<float> tabTextWidths;
    float directEditorTextWidth = 0;
    float tabBarScroll = 0;
};

// Every rectangle of the window for one client size and set of view flags.
struct Layout {
    float band = 0;
    // The coverage bar, its thin familiarity bar below, and the readout to their right.
    RectF coverageBar;
    RectF familiarityBar;
    RectF readout;

    bool viewerLaidOut = false;
    RectF viewerColumn;
    RectF viewerTitle;
    std::array<RectF, kViewerButtonCount> viewerButtons{};
    RectF viewerControls;  // the union of the buttons
    RectF viewerGrid;
    RectF censusBar;  // under the grid: the census button, its progress, the list's close button

    bool stateBarShown = false;
    RectF stateBar;

    // Absent (zero width) while the viewer is maximized.
    bool ruleColumnLaidOut = false;
    RectF ruleColumn;
    RectF ruleTitle;
    RectF tabBar;
    RectF scrollLeft;
    RectF scrollRight;
    RectF newTab;
    RectF tabStrip;  // where tabs show; they are clipped to it
    std::vector<RectF> tabs;
    std::vector<RectF> closeBoxes;
    RectF directEditorTab;
    float tabContentWidth = 0;
    float maxTabScroll = 0;
    float tabBarScroll = 0;  // the offset used, clamped

    RectF page;  // below the tab bar: frames, the rule editor page or the constraint page
    int columns = 0;
    int visibleFrames = 0;
    std::array<RectF, kFrameCount> frameOuter{};
    std::array<RectF, kFrameCount> frameGrid{};
};

namespace layout {
inline constexpr float kSideMargin = 24;
inline constexpr float kBottomMargin = 18;
inline constexpr float kMinAvailable = 320;
inline constexpr float kViewerMinAvailable = 640;
inline constexpr float kColumnGap = 20;
inline constexpr float kStateBarGap = 10;
inline constexpr float kStateBarWidth = 54;
inline constexpr float kTitleBand = 38;
inline constexpr float kButtonHeight = 36;
inline constexpr float kButtonGap = 6;
inline constexpr std::array<float, kViewerButtonCount> kButtonWidths = {72, 66, 112, 36, 36, 170, 36, 96, 36};
inline constexpr float kTabHeight = 36;
inline constexpr float kScrollButtonWidth = 32;
inline constexpr float kTabGap = 10;
inline constexpr float kTabPadding = 54;
inline constexpr float kDirectEditorPadding = 36;
inline constexpr float kMinTabWidth = 120;
inline constexpr float kTabScrollStep = 220;
inline constexpr float kPageGap = 12;
inline constexpr float kFrameGap = 20;
inline constexpr float kMinFrameSide = 120;
inline constexpr float kGridInset = 3;
}  // namespace layout

// Pure: the same input always gives the same rectangles.
Layout UpdateLayout(const LayoutInput& input);

// The close box of a tab rectangle: a square 6 px from its right edge, vertically centred.
RectF CloseBoxOf(const RectF& tab);

}  // namespace shell
