#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "authoring/editor.h"

#include "shell/layout.h"
#include "shell/main_window_view.h"
#include "shell/start_screen.h"
#include "shell/theme.h"
#include "tests/shell/fake_platform.h"
#include "tests/shell/recording_canvas.h"

namespace shell::testing {

// A window of the default size driven without a toolkit, past the start screen the way a user
// goes: Enter for a new rule, Enter to create it with 3 states, and the tab's name left as it is.
class ShellTest : public ::testing::Test {
protected:
    explicit ShellTest(bool pastStartScreen = true) : view(platform) {
        view.Resize(1280, 1080);
        if (!pastStartScreen) return;
        view.KeyDown(Press(Key::Enter));
        view.KeyDown(Press(Key::Enter));
        view.CancelRename();
    }

    static KeyEvent Press(Key key, bool ctrl = false, bool shift = false, bool alt = false) {
        return {key, 0, {ctrl, shift, alt}};
    }
    static KeyEvent DigitKey(int digit, bool ctrl = false) { return {Key::Digit, digit, {ctrl, false, false}}; }
    static MouseEvent Mouse(float x, float y, MouseButton button = MouseButton::Left, bool ctrl = false,
                            bool shift = false, bool doubleClick = false) {
        return {x, y, button, {ctrl, shift, false}, doubleClick};
    }
    static float MidX(const RectF& r) { return (r.left + r.right) / 2; }
    static float MidY(const RectF& r) { return (r.top + r.bottom) / 2; }
    // By value: the press may lay the window out again and free the rectangle passed in.
    void Click(const RectF r, MouseButton button = MouseButton::Left) { ClickAt(MidX(r), MidY(r), button); }
    void ClickAt(float x, float y, MouseButton button = MouseButton::Left, bool ctrl = false, bool shift = false) {
        view.MousePress(Mouse(x, y, button, ctrl, shift));
        view.MouseRelease(Mouse(x, y, button, ctrl, shift));
    }
    void DoubleClickAt(float x, float y, MouseButton button = MouseButton::Left) {
        view.MousePress(Mouse(x, y, button, false, false, true));
        view.MouseRelease(Mouse(x, y, button));
    }
    // A press at `from`, a move to `to` and the release there.
    void Drag(float fromX, float fromY, float toX, float toY, MouseButton button = MouseButton::Left,
              bool ctrl = false, bool shift = false) {
        view.MousePress(Mouse(fromX, fromY, button, ctrl, shift));
        view.MouseMove(toX, toY, {ctrl, shift, false});
        view.MouseRelease(Mouse(toX, toY, button, ctrl, shift));
    }
    RecordingCanvas Draw() {
        RecordingCanvas canvas;
        return view.DrawFrame(canvas), canvas;
    }
    bool Shows(const std::string& text) { return Draw().FindText(text) != nullptr; }
    bool Enabled(int id) const { return view.QueryMenuItem(id).enabled; }
    bool Checked(int id) const { return view.QueryMenuItem(id).checked; }
    // Each text is drawn somewhere on one frame.
    void ExpectTexts(std::initializer_list<std::string> texts) {
        const RecordingCanvas canvas = Draw();
        for (const std::string& text : texts) EXPECT_NE(canvas.FindText(text), nullptr) << text;
    }
    // Clicks a button of the start screen's page.
    void Act(StartAction action, StartPage page = StartPage::NewRule) {
        for (const auto& [a, r] : LayOutStartScreen(page, 1280, 1080).buttons)
            if (a == action) return Click(r);
        ADD_FAILURE() << "no such button";
    }
    // A narrow window with `count` more tabs and the strip scrolled back to its start.
    void ManyTabs(int count) {
        view.Resize(800, 1080);
        for (int i = 0; i < count; ++i) view.KeyDown(Press(Key::N, true));
        view.CancelRename();
        for (int i = 0; i < 20; ++i) Click(L().scrollLeft);
    }
    const Layout& L() const { return view.CurrentLayout(); }
    const authoring::Editor& Model() const { return view.Model(); }
    const authoring::PatternSequence& CurrentTab() const {
        return Model().Doc().tabs[static_cast<std::size_t>(Model().Doc().selectedTab)];
    }
    // The screen point in the middle of cell (x, y) of viewer frame `frame`.
    std::pair<float, float> PointOfCell(int frame, int x, int y) const {
        const RectF grid = L().frameGrid[static_cast<std::size_t>(frame)];
        const auto& c = CurrentTab().camera;
        return {MidX(grid) + (float(x) + 0.5f - c.centreX) * c.cellSize,
                MidY(grid) + (float(y) + 0.5f - c.centreY) * c.cellSize};
    }
    // The cell each frame's camera centres on.
    std::pair<int, int> CentreCell() const {
        const auto& c = CurrentTab().camera;
        return {static_cast<int>(std::floor(c.centreX)), static_cast<int>(std::floor(c.centreY))};
    }
    void RightClickCell(int frame) {
        const auto [x, y] = PointOfCell(frame, CentreCell().first, CentreCell().second);
        ClickAt(x, y, MouseButton::Right);
    }
    // The white outline of the cell under the pointer, when one is drawn.
    static std::optional<RectF> HoverOutline(const RecordingCanvas& canvas) {
        for (const auto& o : canvas.outlines)
            if (o.color == ColorF{1, 1, 1, 0.85f}) return o.rect;
        return std::nullopt;
    }
    // The outline drawn around a viewer frame.
    static std::optional<RecordingCanvas::Outline> FrameOutline(const RecordingCanvas& canvas, const RectF& outer) {
        for (const auto& o : canvas.outlines)
            if (o.rect == RectF{outer.left + o.stroke / 2, outer.top + o.stroke / 2, outer.right - o.stroke / 2,
                                outer.bottom - o.stroke / 2})
                return o;
        return std::nullopt;
    }
    static bool Filled(const RecordingCanvas& canvas, const RectF& rect, const ColorF& color) {
        return std::ranges::find(canvas.fills, std::pair(rect, color)) != canvas.fills.end();
    }
    // Whether the next frame outlines `rect`, with `stroke` unless that is 0.
    bool Outlined(const RectF& rect, float stroke = 0) {
        const RecordingCanvas canvas = Draw();
        return std::ranges::any_of(canvas.outlines,
                                   [&](const auto& o) { return o.rect == rect && (!stroke || o.stroke == stroke); });
    }

    FakePlatform platform;
    MainWindowView view;
};

// The window as it opens: the start screen over the editor.
class StartScreenTest : public ShellTest {
protected:
    StartScreenTest() : ShellTest(false) {}
};

}  // namespace shell::testing
