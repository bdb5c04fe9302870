#pragma once

#include <optional>
#include <string>

#include "shell/panel.h"

namespace shell {

inline constexpr const char* kDirectEditor = "Direct Editor";

// The tab bar: its scroll and new-tab buttons, the tabs with their close boxes and the "Direct
// Editor" tab; selecting, closing, reordering by drag, and renaming a tab in place (the toolkit
// captures the typing, the tab draws the text).
class TabStrip final : public Panel {
public:
    explicit TabStrip(const PanelContext& context) : ctx_(context) {}

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Move(float x, float y, Modifiers modifiers) override;
    void Release(const MouseEvent& event) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    bool Key(const KeyEvent& event) override;  // F2 renames the current tab
    int HoverAt(float x, float y) const override;
    void CancelDrag() override { drag_ = {}; }

    // Whether a right press here opens the tab bar's menu.
    bool IsContextArea(float x, float y) const;
    // The name a tab shows: the text being typed while it is renamed.
    std::string TabName(std::size_t tab) const;
    bool StartRename(int tab);
    void RenameTextChanged(const std::string& text);
    void CommitRename();
    void CancelRename();
    void KeepCurrentTabVisible();
    void KeepTabVisible(std::size_t index);

private:
    struct TabDrag {
        // Pressed tab: tab count for the rule editor tab, -1 for the empty strip; nullopt when idle.
        std::optional<int> pressed;
        float pressX = 0;
        bool dragging = false;
        bool pushedUndo = false;
    };
    struct Rename {
        int tab = -1;
        std::string text;
    };

    bool LeftPress(float x, float y);
    void DragTo(float x);
    void Released(float x, float y);
    void ScrollBy(float by);
    RectF RenameTextRect(int tab) const;

    const PanelContext& ctx_;
    TabDrag drag_;
    Rename rename_;
};

}  // namespace shell
