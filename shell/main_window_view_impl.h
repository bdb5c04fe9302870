#pragma once

// The window's own state and routing; only main_window_view*.cpp include this.

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "authoring/editor.h"
#include "shell/census_panel.h"
#include "shell/color_editor.h"
#include "shell/constraint_page.h"
#include "shell/coverage_bar.h"
#include "shell/grid_panes.h"
#include "shell/main_window_view.h"
#include "shell/panel.h"
#include "shell/pattern_frames.h"
#include "shell/pattern_viewer.h"
#include "shell/rule_editor_page.h"
#include "shell/start_screen.h"
#include "shell/state_bar.h"
#include "shell/tab_strip.h"

namespace shell {

// Lower-case, without the dot; empty when the name has none.
std::string FileExtension(const std::string& path);

// "Could not open the <what>." or "Failed while reading the <what>.", then the file and the system's reason.
[[noreturn]] void ThrowReadFailure(const std::string& path, const std::string& what, const formats::FileFailure& failure);

// Runs `read`, a reader of the bytes of the file at `path`; its error names the file.
template <class F>
auto NamingFile(const std::string& path, F&& read) {
    try {
        return read();
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string(error.what()) + "\n\n" + path);
    }
}

class MainWindowViewImpl final : public WindowHost {
public:
    explicit MainWindowViewImpl(Platform& platform);

    std::string Title() const;
    const authoring::Editor& Model() const { return editor_; }
    const Layout& CurrentLayout() const { return layout_; }
    std::optional<std::pair<std::int32_t, std::int32_t>> CellAt(float x, float y) const;
    void Resize(float width, float height);
    void UseSettingsFile(const std::string& path);
    bool OpenPath(const std::string& path);
    void StartUpdateCheck();

    MenuItemState QueryMenuItem(int id) const;
    void Command(int id);
    void KeyDown(const KeyEvent& event);
    void KeyUp(const KeyEvent& event);
    void MousePress(const MouseEvent& event);
    void MouseMove(float x, float y, Modifiers modifiers);
    void MouseRelease(const MouseEvent& event);
    void MouseLeave();
    void CaptureLost();
    void Wheel(float x, float y, int delta, Modifiers modifiers);
    void TimerTick() { viewer_.TimerTick(); }
    void SetActive(bool active) { viewer_.SetActive(active); }
    bool RequestClose();
    bool IsTabBarContextArea(float x, float y) const { return tabStrip_.IsContextArea(x, y); }
    void RenameTextChanged(const std::string& text) { tabStrip_.RenameTextChanged(text); }
    void CancelRename() { tabStrip_.CancelRename(); }
    void DrawFrame(Canvas& canvas);

    // WindowHost
    void AfterChange() override;
    void Relayout() override;
    void ShowError(const std::string& text, const std::string& title) override;
    void CommitRename() override { tabStrip_.CommitRename(); }
    void CancelDrags() override;
    void CancelGestures() override;
    void StartRename(int tab) override { tabStrip_.StartRename(tab); }
    void SelectTab(std::size_t index) override;
    void KeepCurrentTabVisible() override { tabStrip_.KeepCurrentTabVisible(); }
    void StopPlaying() override { viewer_.StopPlaying(); }
    void SaveSettings() override;
    void FitBrush(int stateCount) override;
    bool LoadSessionFromFile() override;
    bool ImportGollyRule() override;
    void RuleCreated() override;

private:
    // Hands the model the frames in use and their grid size when they change.
    void SyncFrameArea();
    void SetStateBarFromStateCount() { view_.flags.stateBarShown = editor_.Doc().rule.stateCount >= 6; }
    bool ConfirmUnsavedChanges(const std::string& action);
    int HoverControlAt(float x, float y) const;
    void DrawPagePlaceholder(Canvas& canvas);
    // The reason of the last refusal, while it lasts.
    void DrawRefusal(Canvas& canvas);

    // Commands (main_window_view_commands.cpp)
    void NewRule();
    bool SaveSession();
    bool LoadSessionPath(const std::string& path);
    bool ImportRulePath(const std::string& path);
    // An RLE file: the rule its header names, its pattern in the new tab's start grid.
    void ImportPattern(const std::string& path);
    // The bytes of a file, or the error its reader throws: "Could not open the <what>.".
    std::string ReadWholeFile(const std::string& path, const std::string& what);
    void ExtendRule(int newCount);
    void Export(int id);
    void ExportRulestring();
    void ToggleViewer(bool maximize);

    // Keys (main_window_view_keys.cpp)
    bool WindowKey(const KeyEvent& event);
    void UndoRedo(bool undo);
    void CtrlM();
    void ShiftM();
    void Paste();
    void CopySelectionToTab();

    Platform& platform_;
    authoring::Editor editor_;
    Layout layout_;
    ViewState view_;
    PanelContext context_;
    GridPanes grid_;
    StartScreen start_;
    ColorEditor colorEditor_;
    RuleEditorPage ruleEditorPage_;
    ConstraintPage constraintPage_;
    TabStrip tabStrip_;
    CoverageBar coverageBar_;
    StateBar stateBar_;
    PatternFrames frames_;
    PatternViewer viewer_;
    CensusPanel census_;
    // Hit order: an event goes to the first panel that takes it. The start screen, while shown,
    // takes everything; the viewer comes last, so its refusal of modified clicks while playing
    // applies wherever nothing else took the press.
    std::array<Panel*, 10> panels_;

    std::optional<std::string> settingsPath_;
    // The settings file's update host, handed to the update check.
    std::string updateHost_;
    // The session file last saved or loaded: where the file dialogs open.
    std::string sessionFile_;
    std::string shownTitle_;
    bool updateCheckStarted_ = false;
    int syncedFrames_ = -1;
    authoring::ViewSize syncedGridArea_;
    // Label widths measured by the canvas, by text; the layout estimates the others.
    std::unordered_map<std::string, float> measuredWidths_;
};

}  // namespace shell
