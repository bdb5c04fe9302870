#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>


#include "shell/canvas.h"
#include "shell/input.h"
#include "shell/platform.h"

namespace authoring {
class Editor;
}

namespace shell {

struct Layout;

// Command ids of the menus and the tab bar's context menu.
namespace command {
inline constexpr int kNewRule = 2001;
inline constexpr int kSaveSession = 2002;
inline constexpr int kLoadSession = 2003;
inline constexpr int kExit = 2004;
inline constexpr int kExportGolly = 2005;
inline constexpr int kExportRulestring = 2006;
inline constexpr int kExportAnnotated = 2007;
inline constexpr int kExportLockTable = 2008;
inline constexpr int kImportGolly = 2009;
inline constexpr int kUndo = 2050;
inline constexpr int kRedo = 2051;
inline constexpr int kPaste = 2052;
inline constexpr int kEditColors = 2099;
inline constexpr int kShowStateBar = 2100;
inline constexpr int kShowPatternViewer = 2101;
inline constexpr int kMaximizePatternViewer = 2102;
inline constexpr int kExtendBase = 2120;  // + N for N = 2..16
inline constexpr int kNewConstraintTab = 2201;
}  // namespace command

// One item of the menu bar: the toolkit builds its menus from these.
struct MenuItem {
    std::string menu;  // "&File", "&Rule", "&View"
    std::string submenu;  // "&Export", "&Extend Rule", or empty
    std::string text;     // with the mnemonic and, after a tab, the shortcut text
    int id = 0;           // 0 for a separator
    bool checkable = false;
};

struct MenuItemState {
    bool enabled = true;
    bool checked = false;
};

class MainWindowViewImpl;

// The whole editor window without a toolkit: it owns the editor model, the panels that make up
// the window and the view state they share, routes input to the panels, and draws through
// Canvas. The toolkit forwards events here.
class MainWindowView {
public:
    explicit MainWindowView(Platform& platform);
    ~MainWindowView();
    MainWindowView(const MainWindowView&) = delete;
    MainWindowView& operator=(const MainWindowView&) = delete;

    // Reads the display settings from `path` and writes them there after every change.
    void UseSettingsFile(const std::string& path);
    // Opens a file named at start-up: a Golly rule (.rule, .table) or a pattern (.rle, with the
    // rule its header names) is imported, anything else is loaded as a session. Failures show
    // their box; true when opened.
    bool OpenPath(const std::string& path);
    // Asks the update feed once, through the platform; a newer build is announced in a box.
    void StartUpdateCheck();

    static std::vector<MenuItem> MenuBar();
    MenuItemState QueryMenuItem(int id) const;
    // "Tavrix" or "* Tavrix" before a first save or load, then "glider.tavses — Tavrix" or
    // "glider.tavses* — Tavrix".
    std::string Title() const;

    void Resize(float width, float height);
    void Command(int id);
    void KeyDown(const KeyEvent& event);
    void KeyUp(const KeyEvent& event);
    void MousePress(const MouseEvent& event);
    void MouseMove(float x, float y, Modifiers modifiers);
    void MouseRelease(const MouseEvent& event);
    void MouseLeave();
    void CaptureLost();
    // Only the sign of `delta` counts: positive is away from the user.
    void Wheel(float x, float y, int delta, Modifiers modifiers);
    void TimerTick();
    void SetActive(bool active);
    // Asks about unsaved changes; true when the window may close.
    bool RequestClose();
    // Whether a right press here opens the tab bar's menu with "New Constraint Tab" (2201).
    bool IsTabBarContextArea(float x, float y) const;

    void RenameTextChanged(const std::string& text);
    void CommitRename();
    void CancelRename();

    // Everything the window shows, into `canvas`.
    void DrawFrame(Canvas& canvas);

    // Read-only views for tests and benchmarks, which drive the window only through its input.
    // The model the window edits.
    const authoring::Editor& Model() const;
    // The rectangles of the current client size and view flags.
    const Layout& CurrentLayout() const;
    // The cell under a client point of a grid pane (the pattern viewer or a shown frame).
    std::optional<std::pair<std::int32_t, std::int32_t>> CellAt(float x, float y) const;

private:
    std::unique_ptr<MainWindowViewImpl> impl_;
};

}  // namespace shell
