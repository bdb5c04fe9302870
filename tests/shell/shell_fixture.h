#pragma once

#include <gtest/gtest.h>

#include "shell/main_window_view_impl.h"
#include "tests/shell/fake_platform.h"
#include "tests/shell/recording_canvas.h"

namespace shell::testing {

// A window of the default size driven without a toolkit.
class ShellTest : public ::testing::Test {
protected:
    ShellTest() : view(platform) {
        view.startScreenShown = false;  // the editor behind it; start screen tests show it
        view.width = 1280;
        view.height = 1080;
        view.Relayout();
        view.CentreViewerCamera();
    }

    static KeyEvent Press(Key key, bool ctrl = false, bool shift = false, bool alt = false) {
        KeyEvent event;
        event.key = key;
        event.modifiers = {ctrl, shift, alt};
        return event;
    }
    static KeyEvent DigitKey(int digit, bool ctrl = false) {
        KeyEvent event = Press(Key::Digit, ctrl);
        event.digit = digit;
        return event;
    }
    static MouseEvent Mouse(float x, float y, MouseButton button = MouseButton::Left, bool ctrl = false,
                            bool shift = false, bool doubleClick = false) {
        MouseEvent event;
        event.x = x;
        event.y = y;
        event.button = button;
        event.modifiers = {ctrl, shift, false};
        event.doubleClick = doubleClick;
        return event;
    }
    static float MidX(const RectF& r) { return (r.left + r.right) / 2; }
    static float MidY(const RectF& r) { return (r.top + r.bottom) / 2; }
    // By value: the press may lay the window out again and free the rectangle passed in.
    void Click(const RectF r, MouseButton button = MouseButton::Left) { ClickAt(MidX(r), MidY(r), button); }
    // A press and release of `button` at (x, y).
    void ClickAt(float x, float y, MouseButton button = MouseButton::Left) {
        view.MousePress(Mouse(x, y, button));
        view.MouseRelease(Mouse(x, y, button));
    }
    RecordingCanvas Draw() {
        RecordingCanvas canvas;
        view.DrawFrame(canvas);
        return canvas;
    }
    const authoring::PatternSequence& CurrentTab() const {
        return view.editor.Doc().SelectedTab();
    }

    FakePlatform platform;
    MainWindowViewImpl view;
};

}  // namespace shell::testing
