#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "authoring/editor.h"
#include "shell/appearance.h"
#include "shell/digit_entry.h"
#include "shell/frame_locks.h"
#include "shell/layout.h"
#include "shell/main_window_view.h"
#include "shell/playback.h"
#include "shell/rule_editor_page.h"
#include "shell/start_screen.h"
#include "shell/surface_painter.h"

namespace shell {

// A grid pane under the pointer: the pattern viewer or viewer frame `frame` of the current tab.
struct HitSurface {
    bool viewer = true;
    int frame = -1;
    friend bool operator==(const HitSurface&, const HitSurface&) = default;
};

struct HoverCell {
    bool valid = false;
    HitSurface surface;
    std::int32_t x = 0, y = 0;
    friend bool operator==(const HoverCell&, const HoverCell&) = default;
};

struct Selection {
    bool exists = false;
    bool dragging = false;
    HitSurface surface;
    std::int64_t generation = 0;
    std::int32_t anchorX = 0, anchorY = 0, endX = 0, endY = 0;
};

struct StateToast {
    bool shown = false;
    int state = 0;
    bool firstDigit = false;
    float x = 0, y = 0;
    std::uint32_t expiresMs = 0;
};

enum class Drag { None, StatePaint, MarkerPaint, Pan };

struct TabDrag {
    // Pressed tab: tab count for the rule editor tab, -1 for the empty strip; nullopt when idle.
    std::optional<int> pressed;
    float pressX = 0;
    float scrollAtPress = 0;
    bool dragging = false;
    bool pushedUndo = false;
};

struct TabRename {
    int tab = -1;
    std::string text;
    std::string previous;
};

// A press on a constraint entry card, which becomes a reorder once the pointer moves 5 pixels.
struct EntryDrag {
    std::optional<std::size_t> entry;  // where the pressed entry is now
    float pressX = 0, pressY = 0;
    bool dragging = false;
    bool pushedUndo = false;
};

// Hover ids past the fixed ones: a constraint entry's slot (0..9) or its delete control (10).
inline constexpr int kEntryHoverBase = 3000;
inline constexpr int kEntryHoverStride = 16;
inline constexpr int kEntryDeleteHover = 10;

enum class Focus { GridArea, Panel };

// The constraint page's state chooser: one check per state, for a new variable (-1) or an edit.
struct StateChooser {
    bool open = false;
    int variable = -1;
    std::vector<bool> checked;
};

inline constexpr const char* kTitle = "Tavrix";
inline constexpr const char* kDirectEditor = "Direct Editor";
inline constexpr std::uint32_t kToastMs = 1200;
inline constexpr int kMaxSpeedIndex = 7;

class MainWindowViewImpl {
public:
    explicit MainWindowViewImpl(Platform& platform);

    // --- state and bookkeeping (main_window_view.cpp)
    std::string Title() const;
    void Relayout();
    void SyncView();
    // Title, layout and a redraw after anything the user did.
    void AfterChange();
    void Redraw() { platform.RequestRedraw(); }
    void Refuse() { platform.Beep(); }
    void ShowError(const std::string& text, const std::string& title = kTitle);
    // Runs an operation the user invoked; its error becomes the "Tavrix" box.
    template <class F>
    void Guarded(F&& operation, const std::string& prefix = {}, const std::string& title = kTitle) {
        try {
            operation();
        } catch (const std::exception& error) {
            ShowError(prefix + error.what(), title);
        }
        AfterChange();
    }
    bool ConfirmUnsavedChanges(const std::string& action);
    std::size_t TabCount() const { return editor.Doc().tabs.size(); }
    bool RuleEditorPage() const { return editor.Doc().RuleEditorPageSelected(); }
    std::string UndefinedStatus() const {
        return authoring::UndefinedStatusText(editor.Undefined(), editor.Doc().rule.symmetry);
    }
    // What state paint clicks put: the state bar's selection while it is shown.
    authoring::Brush PaintBrush() const {
        return {flags.stateBarShown, static_cast<std::uint8_t>(std::clamp(selectedState, 0, 15))};
    }
    int ScrollStep() const;
    int StateCount() const { return editor.Doc().rule.stateCount; }
    void SetStateBarFromStateCount();

    // --- commands (main_window_view_commands.cpp)
    MenuItemState QueryMenuItem(int id) const;
    void Command(int id);
    void NewRule();
    bool SaveSession();
    bool LoadSessionFromFile();
    bool LoadSessionPath(const std::string& path);
    void ExtendRule(int newCount);
    void Export(int id);
    void ExportRulestring();
    void ToggleViewer(bool maximize);

    // --- keys (main_window_view_keys.cpp)
    void KeyDown(const KeyEvent& event);
    void KeyUp(const KeyEvent& event);
    void DigitKey(int digit);
    void StartFrameRandomizer(bool untilEnd);
    void CtrlM();
    void ShiftM();
    void Paste();
    void CopySelectionToTab();
    bool ImportGollyRule();
    bool ImportRulePath(const std::string& path);

    // --- mouse (main_window_view_mouse.cpp)
    std::optional<HitSurface> HitTest(float x, float y) const;
    authoring::Camera CameraOf(const HitSurface& surface) const;
    const RectF& GridRectOf(const HitSurface& surface) const;
    void StoreCamera(const HitSurface& surface, const authoring::Camera& camera);
    std::pair<std::int32_t, std::int32_t> CellAt(const HitSurface& surface, float x, float y) const;
    void UpdateFocusFromClick(float x, float y);
    void MousePress(const MouseEvent& event);
    void LeftPress(const MouseEvent& event);
    void RightPress(const MouseEvent& event);
    void MiddlePress(const MouseEvent& event);
    bool ViewerButtonPress(float x, float y);
    bool StateBarPress(float x, float y);
    bool TabBarPress(float x, float y);
    bool CoverageBarPress(float x, float y);
    void MouseMove(float x, float y, Modifiers modifiers);
    void MouseRelease(const MouseEvent& event);
    void TabRelease(float x, float y);
    void TabDragMove(float x);
    void MouseLeave();
    void CaptureLost();
    void Wheel(float x, float y, int delta, Modifiers modifiers);
    void PaintAt(float x, float y, bool shift);
    void CancelDrags();
    int HoverControlAt(float x, float y) const;
    void ScrollTabs(float by);
    void SelectTabFromBar(std::size_t index);
    void KeepCurrentTabVisible();
    void JumpToLockAt(const HitSurface& surface, float x, float y);
    bool IsTabBarContextArea(float x, float y) const;
    std::vector<std::uint64_t> CoverageCounts() const;
    bool FramesShown() const;

    // --- tab rename (main_window_view_tabs.cpp)
    bool StartRename(int tab);
    void RenameTextChanged(const std::string& text);
    void CommitRename();
    void CancelRename();
    RectF RenameTextRect(int tab) const;
    std::string TabName(std::size_t tab) const;

    // --- pattern viewer (main_window_view_viewer.cpp)
    void TogglePlay();
    void StopPlaying();
    void UpdatePlaybackTimer();
    void TimerTick();
    void StepForward();
    void StepBack();
    void ResetViewer();
    void RandomizeViewer(int size, double density, bool rebuildTabs);
    void ChangeSpeed(int delta);
    void SizePrompt();
    void SetActive(bool active);
    void CentreViewerCamera();

    // --- rule editor page (main_window_view_page.cpp)
    RuleEditorPageLayout PageLayout() const;
    bool RuleEditorPageShown() const;
    void PrepareRuleEditorPage();
    bool RuleEditorPagePress(float x, float y, bool shift);
    bool RuleEditorPageWheel(float x, float y, bool up);
    void DrawRuleEditorPage(Canvas& canvas);

    // --- constraint page (main_window_view_constraints.cpp)
    const authoring::PatternSequence* ShownConstraintTab() const;
    void OpenChooser(int variable);
    bool ChooserPress(float x, float y);
    bool ConstraintPagePress(float x, float y, MouseButton button, Modifiers modifiers, bool doubleClick);
    bool ConstraintPageWheel(float x, float y, bool up);
    void EntryDragMove(float x, float y);
    int ConstraintHoverAt(float x, float y) const;
    void DrawConstraintPage(Canvas& canvas);

    // --- colour editor (main_window_view_colors.cpp)
    RectF ColorEditorArea() const;
    bool ColorEditorPress(float x, float y);
    void DrawColorEditor(Canvas& canvas);

    // --- start screen (main_window_view_start.cpp)
    void ShowStartScreen(StartPage page);
    void HideStartScreen();
    void StartScreenKey(const KeyEvent& event);
    void StartScreenPress(float x, float y);
    void StartScreenHover(float x, float y);
    void StartScreenAction(StartAction action);
    void CreateRuleFromStartScreen();
    bool OpenPath(const std::string& path);
    void DrawStartScreen(Canvas& canvas);

    // --- settings (main_window_view_settings.cpp)
    void UseSettingsFile(const std::string& path);
    void SaveSettings() const;

    // --- drawing (main_window_view_draw.cpp and surface_painter.cpp)
    void DrawFrame(Canvas& canvas);
    void DrawCoverageBar(Canvas& canvas);
    void DrawViewerControls(Canvas& canvas);
    void DrawStateBar(Canvas& canvas);
    void DrawTabBar(Canvas& canvas);
    void DrawFrames(Canvas& canvas);
    void DrawPagePlaceholder(Canvas& canvas);
    void DrawToast(Canvas& canvas);
    void DrawSurface(Canvas& canvas, const HitSurface& surface, bool focused, bool randomizerEnd);

    Platform& platform;
    authoring::Editor editor;
    float width = 1280;
    float height = 1080;
    ViewFlags flags;
    Layout layout;
    Appearance appearance;
    bool ctrlMinruleEnabled = true;
    float ruleListScroll = 0;
    float constraintListScroll = 0;
    StateChooser chooser;
    std::optional<std::string> settingsPath;
    // The session file last saved or loaded: where the file dialogs open.
    std::string sessionFile;

    // Start screen: shown at start-up on its main page.
    bool startScreenShown = true;
    StartPage startPage = StartPage::Main;
    int startHover = -1;
    int newStateCount = 3;
    int newSymmetry = 4;

    // Pattern viewer
    authoring::Camera viewerCamera{16, 16, 1};
    bool viewerCameraSet = false;
    int speedIndex = kDefaultSpeedIndex;
    bool playing = false;
    bool timerRunning = false;
    bool windowActive = true;
    PlaybackClock clock;

    // Input
    int selectedState = 1;
    // The frame area last handed to the editor.
    int syncedFrames = -1;
    authoring::ViewSize syncedGridArea;
    int markerValue = 1;
    DigitEntry digits;
    bool statePageMarkers = false;
    Focus focus = Focus::GridArea;
    int focusedFrame = -1;
    HoverCell hover;
    int hoverControl = -1;
    float mouseX = -1, mouseY = -1;
    bool ctrlHeld = false;
    Drag drag = Drag::None;
    MouseButton dragButton = MouseButton::Left;
    HitSurface dragSurface;
    Selection selection;
    StateToast toast;
    TabDrag tabDrag;
    EntryDrag entryDrag;
    TabRename rename;
    // The tab the frame randomizer was started on: its last frame is drawn magenta.
    int randomizerTab = -1;

    std::string shownTitle;
    // Label widths measured by the canvas, by text; the layout estimates the others.
    std::unordered_map<std::string, float> measuredWidths;
    FrameLocks frameLocks;
    PaintScratch paintScratch;
};

// A name's width before a canvas has measured it.
float EstimateTextWidth(const std::string& text);

}  // namespace shell
