#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "authoring/editor.h"
#include "shell/appearance.h"
#include "shell/canvas.h"
#include "shell/input.h"
#include "shell/layout.h"
#include "shell/platform.h"

namespace shell {

inline constexpr const char* kTitle = "Tavrix";

enum class Focus { GridArea, Panel };

// View state that more than one panel reads: the window's size and flags, the brush, the pointer,
// playback, keyboard focus and the display settings.
struct ViewState {
    float width = 1280;
    float height = 1080;
    ViewFlags flags;
    int selectedState = 1;
    int markerValue = 1;
    bool playing = false;
    Focus focus = Focus::GridArea;
    int focusedFrame = -1;
    // The control under the pointer, by the ids the panels give their controls.
    int hoverControl = -1;
    float mouseX = -1, mouseY = -1;
    bool ctrlHeld = false;
    bool ctrlMinruleEnabled = true;
    Appearance appearance;
    // Why the last action was refused, shown for a moment: a beep alone is often inaudible.
    std::string refusal;
    std::uint32_t refusalExpiresMs = 0;
};

inline constexpr std::uint32_t kRefusalMs = 2500;
inline constexpr const char* kNotPossible = "That is not possible here";

// Window-wide operations a panel may start; the window that holds the panels carries them out.
class WindowHost {
public:
    // Title, layout and a redraw after anything the user did.
    virtual void AfterChange() = 0;
    virtual void Relayout() = 0;
    virtual void ShowError(const std::string& text, const std::string& title) = 0;
    virtual void CommitRename() = 0;
    virtual void CancelDrags() = 0;
    // Drops a rename and any drag in progress.
    virtual void CancelGestures() = 0;
    virtual void StartRename(int tab) = 0;
    // Selects a tab (the tab count selects the rule editor page) and leaves what belonged to the old one.
    virtual void SelectTab(std::size_t index) = 0;
    virtual void KeepCurrentTabVisible() = 0;
    virtual void StopPlaying() = 0;
    virtual void SaveSettings() = 0;
    // The state count changed: the brush and a half-typed state must fit it.
    virtual void FitBrush(int stateCount) = 0;
    virtual bool LoadSessionFromFile() = 0;
    virtual bool ImportGollyRule() = 0;
    // A new rule replaced the session (the start screen's Create Rule).
    virtual void RuleCreated() = 0;

protected:
    ~WindowHost() = default;
};

class GridPanes;

// What a panel is handed: the model, the desktop, the rectangles of this layout and the shared
// view state, and the window's few operations through WindowHost.
struct PanelContext {
    authoring::Editor& editor;
    Platform& platform;
    const Layout& layout;
    ViewState& view;
    GridPanes& grid;
    WindowHost& window;

    void Redraw() const { platform.RequestRedraw(); }
    void Refuse(const std::string& reason = kNotPossible) const {
        platform.Beep();
        view.refusal = reason;
        view.refusalExpiresMs = platform.TickCountMs() + kRefusalMs;
        platform.RequestRedraw();
        platform.RequestRedrawAfter(static_cast<int>(kRefusalMs) + 20);
    }
    void RefuseIf(authoring::EditOutcome outcome, const std::string& reason = kNotPossible) const {
        if (outcome == authoring::EditOutcome::Refused) Refuse(reason);
    }
    int StateCount() const { return editor.Doc().rule.stateCount; }
    // What a paint click puts: the state bar's selection while it is shown.
    authoring::Brush PaintBrush() const {
        return {view.flags.stateBarShown, static_cast<std::uint8_t>(std::clamp(view.selectedState, 0, 15))};
    }
    std::size_t TabCount() const { return editor.Doc().tabs.size(); }
    bool RuleEditorTabSelected() const { return editor.Doc().RuleEditorPageSelected(); }
    // The rule column shows the tab bar and a page (not the colour editor).
    bool PagesShown() const { return layout.ruleColumnLaidOut && !view.flags.colorEditorOpen; }
    // Generations the frames scroll by at once: fewer frames, smaller steps.
    int GenerationStep() const {
        if (view.flags.viewerShown && view.flags.viewerMaximized) return 1;
        return layout.viewerLaidOut ? 3 : 5;
    }
    // Ctrl released: the constraint tab's next Ctrl-click starts a new link group.
    void EndLinkChain() const {
        const authoring::PatternSequence* tab = SelectedTab();
        editor.SelectVariable(tab != nullptr ? tab->selectedVariable : -1);
    }
    // The selected pattern or constraint tab; null while the rule editor page is selected.
    const authoring::PatternSequence* SelectedTab() const {
        if (RuleEditorTabSelected() || TabCount() == 0) return nullptr;
        return &editor.Doc().SelectedTab();
    }
    // Runs an operation the user invoked; its error becomes a box. The window updates after it.
    template <class F>
    void Guarded(F&& operation, const std::string& prefix = {}, const std::string& title = kTitle) const {
        try {
            operation();
        } catch (const std::exception& error) {
            window.ShowError(prefix + error.what(), title);
        }
        window.AfterChange();
    }
};

// One region of the window. Handlers return whether they took the event; the window offers an
// event to its panels in priority order and stops at the first that takes it.
class Panel {
public:
    virtual ~Panel() = default;
    virtual void Draw(Canvas&) {}
    virtual bool Press(const MouseEvent&) { return false; }
    // True while a drag this panel began is in progress: the move is its.
    virtual bool Move(float, float, Modifiers) { return false; }
    // Every panel hears every release: a drag ends wherever the button comes up.
    virtual void Release(const MouseEvent&) {}
    virtual bool Wheel(float, float, bool /*up*/, Modifiers) { return false; }
    virtual bool Key(const KeyEvent&) { return false; }
    // The id of the control under a point, or -1.
    virtual int HoverAt(float, float) const { return -1; }
    // Drops a drag in progress (capture lost, undo, a new session).
    virtual void CancelDrag() {}
};

}  // namespace shell
