#include "shell/tab_strip.h"

#include <algorithm>
#include <cmath>

#include "shell/grid_panes.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;

namespace {

constexpr float kTabDragThreshold = 4;
// Hover ids: the scroll and new-tab buttons, then tabs and close boxes by index.
constexpr int kScrollLeftHover = 0, kScrollRightHover = 1, kNewTabHover = 2;
constexpr int kTabHoverBase = 100, kCloseHoverBase = 1000;

float Centre(const RectF& r) { return (r.left + r.right) / 2; }

}  // namespace

bool TabStrip::Press(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    const Layout& layout = ctx_.layout;
    if (!ctx_.PagesShown()) return false;
    switch (event.button) {
        case MouseButton::Left:
            // Quick clicks on the scroll buttons arrive as double-clicks; each one scrolls.
            if (!event.doubleClick || layout.scrollLeft.Contains(x, y) || layout.scrollRight.Contains(x, y))
                return LeftPress(x, y);
            if (!layout.tabStrip.Contains(x, y)) return false;
            for (std::size_t i = 0; i < layout.tabs.size(); ++i)
                if (layout.tabs[i].Contains(x, y) && !layout.closeBoxes[i].Contains(x, y)) {
                    drag_ = {};
                    StartRename(static_cast<int>(i));
                    return true;
                }
            return false;
        case MouseButton::Right:
            // The toolkit shows the tab bar's menu.
            return !event.doubleClick && IsContextArea(x, y);
        case MouseButton::Middle:
            if (!layout.tabStrip.Contains(x, y)) return false;
            for (std::size_t i = 0; i < layout.tabs.size(); ++i)
                if (layout.tabs[i].Contains(x, y)) {
                    if (ctx_.view.playing) return true;
                    CommitRename();
                    ctx_.Guarded([&] { ctx_.editor.CloseTab(i); });
                    return true;
                }
            return false;
    }
    return false;
}

bool TabStrip::LeftPress(float x, float y) {
    const Layout& layout = ctx_.layout;
    if (!layout.tabBar.Contains(x, y)) return false;
    if (layout.newTab.Contains(x, y)) {
        CommitRename();
        ctx_.Guarded([&] { ctx_.editor.NewTab(authoring::PatternKind::Pattern); });
        KeepCurrentTabVisible();
        StartRename(ctx_.editor.Doc().selectedTab);
        return true;
    }
    if (layout.scrollLeft.Contains(x, y) || layout.scrollRight.Contains(x, y)) {
        ScrollBy(layout.scrollLeft.Contains(x, y) ? -layout::kTabScrollStep : layout::kTabScrollStep);
        return true;
    }
    if (!layout.tabStrip.Contains(x, y)) return true;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i)
        if (layout.closeBoxes[i].Contains(x, y)) {
            CommitRename();
            if (ctx_.TabCount() > 1) ctx_.Guarded([&] { ctx_.editor.CloseTab(i); });
            return true;
        }
    drag_ = {};
    drag_.pressX = x;
    drag_.pressed = -1;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i)
        if (layout.tabs[i].Contains(x, y)) drag_.pressed = static_cast<int>(i);
    if (layout.directEditorTab.Contains(x, y)) drag_.pressed = static_cast<int>(ctx_.TabCount());
    return true;
}

bool TabStrip::IsContextArea(float x, float y) const {
    const Layout& layout = ctx_.layout;
    if (!ctx_.PagesShown()) return false;
    if (layout.newTab.Contains(x, y)) return true;
    return layout.tabStrip.Contains(x, y) && x >= layout.directEditorTab.right;
}

bool TabStrip::Move(float x, float, Modifiers) {
    if (!drag_.pressed) return false;
    DragTo(x);
    return true;
}

void TabStrip::DragTo(float x) {
    const int pressed = *drag_.pressed;
    const int count = static_cast<int>(ctx_.TabCount());
    if (pressed < 0 || pressed >= count) return;
    if (!drag_.dragging && std::fabs(x - drag_.pressX) >= kTabDragThreshold) drag_.dragging = true;
    if (!drag_.dragging) return;
    const Layout& layout = ctx_.layout;
    int at = pressed;
    bool moved = false;
    auto move = [&](int to) {
        ctx_.editor.MoveTab(std::size_t(at), std::size_t(to), !drag_.pushedUndo);
        drag_.pushedUndo = true;
        at = to;
        moved = true;
        ctx_.window.Relayout();
    };
    while (at > 0 && x < Centre(layout.tabs[static_cast<std::size_t>(at - 1)])) move(at - 1);
    while (at + 1 < count && x > Centre(layout.tabs[static_cast<std::size_t>(at + 1)])) move(at + 1);
    drag_.pressed = at;
    if (moved) ctx_.window.AfterChange();
}

void TabStrip::Release(const MouseEvent& event) {
    if (event.button != MouseButton::Left || !drag_.pressed) return;
    Released(event.x, event.y);
}

void TabStrip::Released(float x, float y) {
    const TabDrag released = drag_;
    drag_ = {};
    const int pressed = *released.pressed;
    authoring::Editor& editor = ctx_.editor;
    const Layout& layout = ctx_.layout;
    if (released.pushedUndo) {
        ctx_.Guarded([&] { editor.EndTabDrag(); });
        // The moved tab stays where the user put it, selected or not.
        KeepTabVisible(static_cast<std::size_t>(pressed));
        return;
    }
    if (pressed < 0) return;
    if (pressed == static_cast<int>(ctx_.TabCount())) {
        if (layout.directEditorTab.Contains(x, y)) ctx_.window.SelectTab(ctx_.TabCount());
        return;
    }
    const std::size_t i = static_cast<std::size_t>(pressed);
    if (i >= layout.tabs.size() || !layout.tabs[i].Contains(x, y) || layout.closeBoxes[i].Contains(x, y)) return;
    if (editor.Doc().selectedTab != pressed) {
        ctx_.window.SelectTab(i);
        return;
    }
    // A click on the current tab shows its first broken marker.
    if (editor.Doc().tabs[i].brokenMarkers.empty()) return;
    std::optional<std::pair<std::int32_t, std::int32_t>> cell;
    const int step = ctx_.GenerationStep();
    ctx_.Guarded([&] {
        if (editor.JumpToBrokenMarker(step, cell) == authoring::EditOutcome::Refused || !cell) {
            ctx_.Refuse();
            return;
        }
        const auto& tab = editor.Doc().tabs[i];
        const std::int64_t frame = std::int64_t(tab.brokenMarkers.front().brokenGeneration) - tab.currentGeneration;
        ctx_.grid.SetHover({true, HitSurface{false, static_cast<int>(frame)}, cell->first, cell->second});
    });
}

bool TabStrip::Wheel(float x, float y, bool up, Modifiers) {
    if (!ctx_.PagesShown() || !ctx_.layout.tabBar.Contains(x, y)) return false;
    ScrollBy(up ? -layout::kTabScrollStep : layout::kTabScrollStep);
    return true;
}

bool TabStrip::Key(const KeyEvent& event) {
    const Modifiers& m = event.modifiers;
    // Keys that reach the window while a name is typed end the typing, never play or edit.
    if (rename_.tab >= 0 && (event.key == Key::Enter || event.key == Key::Escape)) {
        if (event.key == Key::Enter) CommitRename();
        else CancelRename();
        return true;
    }
    if (event.key != Key::F2) return false;
    if (!m.ctrl && !m.alt) StartRename(ctx_.editor.Doc().selectedTab);
    return true;
}

int TabStrip::HoverAt(float x, float y) const {
    const Layout& layout = ctx_.layout;
    if (!ctx_.PagesShown()) return -1;
    if (layout.scrollLeft.Contains(x, y)) return kScrollLeftHover;
    if (layout.scrollRight.Contains(x, y)) return kScrollRightHover;
    if (layout.newTab.Contains(x, y)) return kNewTabHover;
    if (!layout.tabStrip.Contains(x, y)) return -1;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i) {
        if (layout.closeBoxes[i].Contains(x, y)) return kCloseHoverBase + static_cast<int>(i);
        if (layout.tabs[i].Contains(x, y)) return kTabHoverBase + static_cast<int>(i);
    }
    if (layout.directEditorTab.Contains(x, y)) return kTabHoverBase + static_cast<int>(ctx_.TabCount());
    return -1;
}

void TabStrip::ScrollBy(float by) {
    const Layout& layout = ctx_.layout;
    ctx_.editor.SetTabBarScroll(std::clamp(layout.tabBarScroll + by, 0.0f, layout.maxTabScroll));
    ctx_.window.AfterChange();
}

void TabStrip::KeepCurrentTabVisible() {
    KeepTabVisible(static_cast<std::size_t>(std::max(ctx_.editor.Doc().selectedTab, 0)));
}

void TabStrip::KeepTabVisible(std::size_t index) {
    ctx_.window.Relayout();
    const Layout& layout = ctx_.layout;
    const RectF tab = index < layout.tabs.size() ? layout.tabs[index] : layout.directEditorTab;
    float scroll = layout.tabBarScroll;
    if (tab.left < layout.tabStrip.left) scroll -= layout.tabStrip.left - tab.left;
    else if (tab.right > layout.tabStrip.right) scroll += tab.right - layout.tabStrip.right;
    ctx_.editor.SetTabBarScroll(std::clamp(scroll, 0.0f, layout.maxTabScroll));
    ctx_.window.AfterChange();
}

std::string TabStrip::TabName(std::size_t tab) const {
    if (rename_.tab == static_cast<int>(tab)) return rename_.text;
    return tab < ctx_.TabCount() ? ctx_.editor.Doc().tabs[tab].name : std::string();
}

RectF TabStrip::RenameTextRect(int tab) const {
    const Layout& layout = ctx_.layout;
    if (tab < 0 || static_cast<std::size_t>(tab) >= layout.tabs.size()) return {};
    const RectF& r = layout.tabs[static_cast<std::size_t>(tab)];
    const float left = std::max(r.left + 8, layout.tabStrip.left + 8);
    const float right = layout.closeBoxes[static_cast<std::size_t>(tab)].left - 6;
    return {left, r.top, right, r.bottom};
}

bool TabStrip::StartRename(int tab) {
    if (tab < 0 || tab >= static_cast<int>(ctx_.TabCount()) || !ctx_.layout.ruleColumnLaidOut) return false;
    if (RenameTextRect(tab).Width() <= 0) return false;
    CommitRename();
    if (ctx_.editor.Doc().selectedTab != tab) {
        ctx_.Guarded([&] { ctx_.editor.SelectTab(static_cast<std::size_t>(tab)); });
        KeepCurrentTabVisible();
    }
    const std::string name = ctx_.editor.Doc().tabs[static_cast<std::size_t>(tab)].name;
    rename_ = {tab, name};
    const RectF area = RenameTextRect(tab);
    ctx_.platform.BeginTextInput(area.left, area.top, area.right, area.bottom, name);
    ctx_.Redraw();
    return true;
}

void TabStrip::RenameTextChanged(const std::string& text) {
    if (rename_.tab < 0) return;
    rename_.text = text;
    ctx_.window.Relayout();
    ctx_.Redraw();
}

void TabStrip::CommitRename() {
    if (rename_.tab < 0) return;
    const Rename done = rename_;
    rename_ = {};
    ctx_.platform.EndTextInput();
    ctx_.Guarded([&] { ctx_.editor.RenameTab(static_cast<std::size_t>(done.tab), done.text); });
}

void TabStrip::CancelRename() {
    if (rename_.tab < 0) return;
    rename_ = {};
    ctx_.platform.EndTextInput();
    ctx_.window.AfterChange();
}

void TabStrip::Draw(Canvas& canvas) {
    if (!ctx_.PagesShown()) return;
    const Layout& layout = ctx_.layout;
    const int hover = ctx_.view.hoverControl;
    DrawButton(canvas, layout.scrollLeft, "<", hover == kScrollLeftHover, false);
    DrawButton(canvas, layout.scrollRight, ">", hover == kScrollRightHover, false);
    DrawButton(canvas, layout.newTab, "+", hover == kNewTabHover, false);
    canvas.PushClip(layout.tabStrip);
    const int current = ctx_.editor.Doc().selectedTab;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i) {
        const RectF& r = layout.tabs[i];
        if (r.right < layout.tabStrip.left || r.left > layout.tabStrip.right) continue;
        const bool isCurrent = int(i) == current;
        canvas.FillRect(r, isCurrent ? kTabCurrent : hover == kTabHoverBase + int(i) ? kButtonHover : kTabFill);
        canvas.OutlineRect(r, isCurrent ? kAccent : kBoxOutline, 1);
        if (isCurrent) canvas.FillRect({r.left, r.bottom - 3, r.right, r.bottom}, kAccent);
        if (!ctx_.editor.Doc().tabs[i].IsPattern())
            canvas.FillRect({r.left, r.top, r.left + 3, r.bottom}, {0.85f, 0.62f, 0.2f, 1});
        const RectF text = RenameTextRect(int(i));
        const std::string name = TabName(i);
        canvas.PushClip(text);
        canvas.DrawText(name, text, TextFormat::Label, kPanelText, HAlign::Leading, VAlign::Centre);
        if (rename_.tab == int(i)) {
            const float caret = text.left + canvas.MeasureTextWidth(name, TextFormat::Label) + 1;
            canvas.FillRect({caret, r.top + 8, caret + 1.5f, r.bottom - 8}, kPanelText);
        }
        canvas.PopClip();
        const RectF& box = layout.closeBoxes[i];
        canvas.FillRect(box, hover == kCloseHoverBase + int(i) ? kCloseHover : kCloseFill);
        canvas.DrawText("x", box, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    }
    const RectF& d = layout.directEditorTab;
    const bool directCurrent = ctx_.RuleEditorTabSelected();
    canvas.FillRect(d, directCurrent                                                ? kTabCurrent
                       : hover == kTabHoverBase + int(ctx_.TabCount()) ? kButtonHover
                                                                                    : kTabFill);
    canvas.OutlineRect(d, directCurrent ? kAccent : kBoxOutline, 1);
    if (directCurrent) canvas.FillRect({d.left, d.bottom - 3, d.right, d.bottom}, kAccent);
    canvas.DrawText(kDirectEditor, d, TextFormat::Label, kPanelText, HAlign::Centre, VAlign::Centre);
    canvas.PopClip();
}

}  // namespace shell
