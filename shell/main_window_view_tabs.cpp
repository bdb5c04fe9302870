// The tab bar: presses, reordering drags, selection, scrolling, and renaming a tab in place (the
// toolkit captures the typing, the tab draws the text).
#include <algorithm>
#include <cmath>

#include "shell/main_window_view_impl.h"

namespace shell {

namespace {

constexpr float kTabDragThreshold = 4;

float Centre(const RectF& r) { return (r.left + r.right) / 2; }

}  // namespace

bool MainWindowViewImpl::TabBarPress(float x, float y) {
    if (!layout.ruleColumnLaidOut || flags.colorEditorOpen || !layout.tabBar.Contains(x, y)) return false;
    if (layout.newTab.Contains(x, y)) {
        CommitRename();
        Guarded([&] { editor.NewTab(authoring::PatternKind::Pattern); });
        KeepCurrentTabVisible();
        return true;
    }
    if (layout.scrollLeft.Contains(x, y)) {
        ScrollTabs(-layout::kTabScrollStep);
        return true;
    }
    if (layout.scrollRight.Contains(x, y)) {
        ScrollTabs(layout::kTabScrollStep);
        return true;
    }
    if (!layout.tabStrip.Contains(x, y)) return true;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i)
        if (layout.closeBoxes[i].Contains(x, y)) {
            CommitRename();
            if (TabCount() > 1) Guarded([&] { editor.CloseTab(i); });
            return true;
        }
    tabDrag = {};
    tabDrag.pressX = x;
    tabDrag.scrollAtPress = layout.tabBarScroll;
    tabDrag.pressed = -1;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i)
        if (layout.tabs[i].Contains(x, y)) tabDrag.pressed = static_cast<int>(i);
    if (layout.directEditorTab.Contains(x, y)) tabDrag.pressed = static_cast<int>(TabCount());
    return true;
}

bool MainWindowViewImpl::IsTabBarContextArea(float x, float y) const {
    if (!layout.ruleColumnLaidOut || flags.colorEditorOpen) return false;
    if (layout.newTab.Contains(x, y)) return true;
    return layout.tabStrip.Contains(x, y) && x >= layout.directEditorTab.right;
}

void MainWindowViewImpl::TabRelease(float x, float y) {
    const TabDrag released = tabDrag;
    tabDrag = {};
    const int pressed = *released.pressed;
    if (released.pushedUndo) {
        Guarded([&] { editor.EndTabDrag(); });
        KeepCurrentTabVisible();
        return;
    }
    if (pressed < 0) return;
    const int count = static_cast<int>(TabCount());
    if (pressed == count) {
        if (layout.directEditorTab.Contains(x, y)) SelectTabFromBar(TabCount());
        return;
    }
    const std::size_t i = static_cast<std::size_t>(pressed);
    if (i >= layout.tabs.size() || !layout.tabs[i].Contains(x, y) || layout.closeBoxes[i].Contains(x, y)) return;
    if (editor.Doc().selectedTab != pressed) {
        SelectTabFromBar(i);
        return;
    }
    if (editor.Doc().tabs[i].brokenMarkers.empty()) return;
    std::optional<std::pair<std::int32_t, std::int32_t>> cell;
    Guarded([&] {
        if (editor.JumpToBrokenMarker(ScrollStep(), cell) == authoring::EditOutcome::Refused || !cell) {
            Refuse();
            return;
        }
        const auto& tab = editor.Doc().tabs[i];
        const std::int64_t frame = std::int64_t(tab.brokenMarkers.front().brokenGeneration) - tab.currentGeneration;
        hover = {true, HitSurface{false, static_cast<int>(frame)}, cell->first, cell->second};
    });
}

void MainWindowViewImpl::SelectTabFromBar(std::size_t index) {
    CommitRename();
    selection = {};
    chooser = {};
    Guarded([&] { editor.SelectTab(index); });
    KeepCurrentTabVisible();
}

void MainWindowViewImpl::KeepCurrentTabVisible() {
    Relayout();
    const auto selected = static_cast<std::size_t>(std::max(editor.Doc().selectedTab, 0));
    const RectF tab = selected < layout.tabs.size() ? layout.tabs[selected] : layout.directEditorTab;
    float scroll = layout.tabBarScroll;
    if (tab.left < layout.tabStrip.left) scroll -= layout.tabStrip.left - tab.left;
    else if (tab.right > layout.tabStrip.right) scroll += tab.right - layout.tabStrip.right;
    editor.SetTabBarScroll(std::clamp(scroll, 0.0f, layout.maxTabScroll));
    AfterChange();
}

void MainWindowViewImpl::ScrollTabs(float by) {
    editor.SetTabBarScroll(std::clamp(layout.tabBarScroll + by, 0.0f, layout.maxTabScroll));
    AfterChange();
}

void MainWindowViewImpl::TabDragMove(float x) {
    const int pressed = *tabDrag.pressed;
    if (pressed < 0 || pressed >= static_cast<int>(TabCount())) return;
    if (!tabDrag.dragging && std::fabs(x - tabDrag.pressX) >= kTabDragThreshold) tabDrag.dragging = true;
    if (!tabDrag.dragging) return;
    int at = pressed;
    bool moved = false;
    while (at > 0 && x < Centre(layout.tabs[static_cast<std::size_t>(at - 1)])) {
        editor.MoveTab(std::size_t(at), std::size_t(at - 1), !tabDrag.pushedUndo);
        tabDrag.pushedUndo = true;
        --at;
        moved = true;
        Relayout();
    }
    while (at + 1 < static_cast<int>(TabCount()) && x > Centre(layout.tabs[static_cast<std::size_t>(at + 1)])) {
        editor.MoveTab(std::size_t(at), std::size_t(at + 1), !tabDrag.pushedUndo);
        tabDrag.pushedUndo = true;
        ++at;
        moved = true;
        Relayout();
    }
    tabDrag.pressed = at;
    if (moved) AfterChange();
}


RectF MainWindowViewImpl::RenameTextRect(int tab) const {
    if (tab < 0 || static_cast<std::size_t>(tab) >= layout.tabs.size()) return {};
    const RectF& r = layout.tabs[static_cast<std::size_t>(tab)];
    const float left = std::max(r.left + 8, layout.tabStrip.left + 8);
    const float right = layout.closeBoxes[static_cast<std::size_t>(tab)].left - 6;
    return {left, r.top, right, r.bottom};
}

bool MainWindowViewImpl::StartRename(int tab) {
    if (tab < 0 || tab >= static_cast<int>(TabCount()) || !layout.ruleColumnLaidOut) return false;
    if (RenameTextRect(tab).Width() <= 0) return false;
    CommitRename();
    if (editor.Doc().selectedTab != tab) {
        Guarded([&] { editor.SelectTab(static_cast<std::size_t>(tab)); });
        KeepCurrentTabVisible();
    }
    const std::string name = editor.Doc().tabs[static_cast<std::size_t>(tab)].name;
    rename = {tab, name, name};
    const RectF area = RenameTextRect(tab);
    platform.BeginTextInput(area.left, area.top, area.right, area.bottom, name);
    Redraw();
    return true;
}

void MainWindowViewImpl::RenameTextChanged(const std::string& text) {
    if (rename.tab < 0) return;
    rename.text = text;
    Relayout();
    Redraw();
}

void MainWindowViewImpl::CommitRename() {
    if (rename.tab < 0) return;
    const TabRename done = rename;
    rename = {};
    platform.EndTextInput();
    Guarded([&] { editor.RenameTab(static_cast<std::size_t>(done.tab), done.text); });
}

void MainWindowViewImpl::CancelRename() {
    if (rename.tab < 0) return;
    rename = {};
    platform.EndTextInput();
    AfterChange();
}

}  // namespace shell
