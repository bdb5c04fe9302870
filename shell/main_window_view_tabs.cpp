// Renaming a tab in place: the toolkit captures the typing, the tab draws the text.
#include <algorithm>

#include "shell/main_window_view_impl.h"

namespace shell {

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
    const std::string name = editor.Tabs()[static_cast<std::size_t>(tab)].name;
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
