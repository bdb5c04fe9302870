// A small drawing stand-in for shell::MainWindowView, built only with TAVRIX_VIEW_STAND_IN=ON, so
// the Qt adapters can be run and looked at before the real shell library is linked. It holds no
// editor logic: it draws panels, text in every format and alignment, and one large cell batch,
// and it calls each Platform service from some key or click so each can be tried by hand.
//
// Keys: Enter play/pause (timer 1), F2 rename the tab, Ctrl+S save dialog, Ctrl+O open dialog,
// Ctrl+V paste (shown), Ctrl+C copy, Ctrl+E throws (the error box), Escape clears the status.
// Right click on "Randomize": the size prompt. TAVRIX_STAND_IN_CELLS=N fills an N x N grid (1 px cells
// above 256) so one batch carries N * N instances.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include "shell/main_window_view.h"

namespace shell {

namespace {

constexpr ColorF kText{0.97f, 0.97f, 0.97f, 1};
constexpr ColorF kPanel{0.09f, 0.12f, 0.16f, 1};
constexpr ColorF kEdge{0.28f, 0.36f, 0.42f, 1};
constexpr ColorF kAccent{0.26f, 0.70f, 0.74f, 1};

constexpr ColorF kPalette[4] = {
    {0, 0, 0, 0}, {0.95f, 0.80f, 0.25f, 1}, {0.30f, 0.60f, 0.95f, 1}, {0.90f, 0.30f, 0.35f, 1}};

}  // namespace

class MainWindowViewImpl {
public:
    explicit MainWindowViewImpl(Platform& platform) : platform(platform) {
        double density = 0.6666666;
        // A full N x N grid: every cell one instance, 4,194,304 of them in one batch for N = 2048.
        if (const char* env = std::getenv("TAVRIX_STAND_IN_CELLS")) {
            side = std::clamp(std::atoi(env), 16, 2048);
            density = 1.0;
        }
        if (side > 256) cellSize = 1;
        Randomize(side, density);
    }

    void Randomize(int newSide, double density) {
        side = newSide;
        states.assign(static_cast<std::size_t>(side) * side, 0);
        std::mt19937 random(12345u + static_cast<unsigned>(side));
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::uniform_int_distribution<int> state(1, 3);
        for (auto& s : states) s = unit(random) < density ? static_cast<std::uint8_t>(state(random)) : 0;
        cellsDirty = true;
    }

    // Rebuilt in place when the grid or layout changes, so a frame never allocates per cell.
    void RebuildCells() {
        cells.clear();
        cells.reserve(states.size());
        const float left = gridRect.left + (gridRect.Width() - side * cellSize) / 2;
        const float top = gridRect.top + (gridRect.Height() - side * cellSize) / 2;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const std::uint8_t s = states[static_cast<std::size_t>(y) * side + ((x + shift) % side)];
                if (s == 0) continue;
                const float l = left + x * cellSize, t = top + y * cellSize;
                cells.push_back(CellInstance{RectF{l, t, l + cellSize, t + cellSize}, kPalette[s]});
            }
        }
        // Half-transparent trail squares over the first rows show the blending.
        trails.clear();
        for (int i = 0; i < 12; ++i) {
            const float l = left + i * 18.0f, t = top - 14.0f;
            trails.push_back(CellInstance{RectF{l, t, l + 24, t + 24}, ColorF{0.2f, 0.9f, 0.4f, 0.35f}});
        }
        cellsDirty = false;
    }

    void Layout() {
        const float margin = 24;
        panelRect = RectF{margin, 60, std::max(margin + 200, width * 0.32f), height - 18};
        gridRect = RectF{panelRect.right + 20, 60, width - margin, height - 18};
        buttonRect = RectF{panelRect.left + 10, panelRect.top + 10, panelRect.left + 114, panelRect.top + 46};
        tabRect = RectF{gridRect.left, 14, gridRect.left + 180, 50};
        cellsDirty = true;
    }

    Platform& platform;
    float width = 1280, height = 1080;
    RectF panelRect, gridRect, buttonRect, tabRect;
    int side = 192;
    float cellSize = 3;
    int shift = 0;
    std::vector<std::uint8_t> states;
    std::vector<CellInstance> cells;
    std::vector<CellInstance> trails;
    bool cellsDirty = true;
    bool modified = false;
    bool playing = false;
    bool stateBar = false;
    bool viewer = true;
    bool maximized = false;
    bool active = false;
    bool ctrlHeld = false;
    std::string tabName = "Pattern 1";
    std::string status = "Stand-in view: the real editor is linked when the shell library exists.";
    float mouseX = -1, mouseY = -1;
    double lastFrameMs = 0;
};

MainWindowView::MainWindowView(Platform& platform) : impl_(std::make_unique<MainWindowViewImpl>(platform)) {}
MainWindowView::~MainWindowView() { impl_->platform.SetPlaybackTimer(0); }

std::vector<MenuItem> MainWindowView::MenuBar() {
    std::vector<MenuItem> items = {
        {"&File", "", "&New Rule...", command::kNewRule, false},
        {"&File", "", "", 0, false},
        {"&File", "&Export", "&Golly Ruletable\tAlt+R", command::kExportGolly, false},
        {"&File", "&Export", "Export Annotated &Ruletable\tCtrl+Alt+R", command::kExportAnnotated, false},
        {"&File", "&Export", "Export &Lock Table", command::kExportLockTable, false},
        {"&File", "&Export", "&Hensel / MAP Rulestring\tAlt+E", command::kExportRulestring, false},
        {"&File", "", "", 0, false},
        {"&File", "", "&Save Session...\tCtrl+S", command::kSaveSession, false},
        {"&File", "", "&Load Session...\tCtrl+O", command::kLoadSession, false},
        {"&File", "", "", 0, false},
        {"&File", "", "E&xit", command::kExit, false},
        {"&Rule", "", "Edit &Colors", command::kEditColors, false},
        {"&Rule", "", "", 0, false},
    };
    for (int n = 2; n <= 16; ++n)
        items.push_back({"&Rule", "&Extend Rule", "Extend to " + std::to_string(n) + " states", command::kExtendBase + n,
                         false});
    items.push_back({"&View", "", "Show State &Bar", command::kShowStateBar, true});
    items.push_back({"&View", "", "Show &Pattern Viewer", command::kShowPatternViewer, true});
    items.push_back({"&View", "", "Maximize Pattern &Viewer", command::kMaximizePatternViewer, true});
    return items;
}

MenuItemState MainWindowView::QueryMenuItem(int id) const {
    MenuItemState state;
    if (id == command::kShowStateBar) state.checked = impl_->stateBar;
    if (id == command::kShowPatternViewer) state.checked = impl_->viewer;
    if (id == command::kMaximizePatternViewer) state.checked = impl_->viewer && impl_->maximized;
    if (id > command::kExtendBase && id <= command::kExtendBase + 16) state.enabled = id - command::kExtendBase > 3;
    return state;
}

std::string MainWindowView::Title() const { return impl_->modified ? "* Tavrix" : "Tavrix"; }

void MainWindowView::Resize(float width, float height) {
    impl_->width = width;
    impl_->height = height;
    impl_->Layout();
    impl_->platform.RequestRedraw();
}

void MainWindowView::Command(int id) {
    auto& v = *impl_;
    switch (id) {
        case command::kExit: v.platform.Close(); break;
        case command::kNewRule: {
            MessageBox box{"Replace Current Session?",
                           "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?",
                           MessageButtons::YesNo, MessageIcon::Warning, MessageAnswer::No, {}};
            v.status = v.platform.ShowMessage(box) == MessageAnswer::Yes ? "New Rule: Yes" : "New Rule: No";
            break;
        }
        case command::kSaveSession: {
            auto path = v.platform.SaveFile({"Save Session", {{"Tavrix Session (*.tavses)", "*.tavses"}}, "tavses", ""});
            v.status = path ? "Save to " + *path : "Save cancelled";
            break;
        }
        case command::kLoadSession: {
            auto path = v.platform.OpenFile({"Load Session",
                                             {{"Tavrix Session (*.tavses)", "*.tavses"}, {"All Files (*.*)", "*.*"}},
                                             "tavses", ""});
            v.status = path ? "Open " + *path : "Open cancelled";
            break;
        }
        case command::kEditColors: {
            auto c = v.platform.PickColor(Rgb{242, 204, 64});
            v.status = c ? "Colour " + std::to_string(c->red) + "," + std::to_string(c->green) + "," +
                               std::to_string(c->blue)
                         : "Colour cancelled";
            break;
        }
        case command::kShowStateBar: v.stateBar = !v.stateBar; break;
        case command::kShowPatternViewer: v.viewer = !v.viewer; break;
        case command::kMaximizePatternViewer: v.maximized = !v.maximized; break;
        default:
            if (id >= command::kExportGolly && id <= command::kExportLockTable) {
                v.status = v.platform.SetClipboardText("@RULE StandIn\n") ? "Copied to the clipboard" : "Copy failed";
            } else {
                v.status = "Command " + std::to_string(id);
            }
            break;
    }
    v.platform.RequestRedraw();
}

void MainWindowView::KeyDown(const KeyEvent& event) {
    auto& v = *impl_;
    const bool ctrl = event.modifiers.ctrl;
    switch (event.key) {
        case Key::Control: v.ctrlHeld = true; break;
        case Key::Enter:
            v.playing = !v.playing;
            v.platform.SetPlaybackTimer(v.playing ? 40 : 0);
            break;
        case Key::F2: v.platform.BeginTextInput(v.tabRect.left, v.tabRect.top, v.tabRect.right, v.tabRect.bottom, v.tabName); break;
        case Key::S:
            if (ctrl) Command(command::kSaveSession);
            break;
        case Key::O:
            if (ctrl) Command(command::kLoadSession);
            break;
        case Key::V:
            if (ctrl) {
                auto text = v.platform.ClipboardText();
                v.status = text ? "Clipboard: " + text->substr(0, 40) : "Clipboard empty";
            }
            break;
        case Key::C:
            if (ctrl) v.status = v.platform.SetClipboardText("x = 3, y = 1\n3o!\n") ? "Copied RLE" : "Copy failed";
            break;
        case Key::E:
            if (ctrl) throw std::runtime_error("Stand-in failure on Ctrl+E.");
            break;
        case Key::Escape: v.status.clear(); break;
        default: break;
    }
    if (event.key == Key::Digit) {
        v.status = "Digit " + std::to_string(event.digit) + (event.modifiers.shift ? " with Shift" : "");
        if (event.digit >= 4) v.platform.Beep();
    } else if (event.key != Key::Control && !(ctrl && event.key == Key::E)) {
        v.status = "Key " + std::to_string(static_cast<int>(event.key)) + (ctrl ? " +Ctrl" : "") +
                   (event.modifiers.shift ? " +Shift" : "") + (event.modifiers.alt ? " +Alt" : "");
    }
    v.platform.RequestRedraw();
}

void MainWindowView::KeyUp(const KeyEvent& event) {
    if (event.key == Key::Control) {
        impl_->ctrlHeld = false;
        impl_->platform.RequestRedraw();
    }
}

void MainWindowView::MousePress(const MouseEvent& event) {
    auto& v = *impl_;
    if (event.button == MouseButton::Right && v.buttonRect.Contains(event.x, event.y)) {
        if (auto chosen = v.platform.PromptPatternSize(v.side, 0.6666666)) {
            v.Randomize(chosen->size, chosen->density);
            v.modified = true;
            v.platform.SetTitle("* Tavrix");
        }
    } else if (event.button == MouseButton::Left && event.doubleClick && v.tabRect.Contains(event.x, event.y)) {
        v.platform.BeginTextInput(v.tabRect.left, v.tabRect.top, v.tabRect.right, v.tabRect.bottom, v.tabName);
    }
    v.status = std::string(event.doubleClick ? "Double-click " : "Press ") +
               (event.button == MouseButton::Left ? "left" : event.button == MouseButton::Right ? "right" : "middle") +
               " at " + std::to_string(static_cast<int>(event.x)) + "," + std::to_string(static_cast<int>(event.y));
    v.platform.RequestRedraw();
}

void MainWindowView::MouseMove(float x, float y, Modifiers) {
    impl_->mouseX = x;
    impl_->mouseY = y;
    impl_->platform.RequestRedraw();
}

void MainWindowView::MouseRelease(const MouseEvent&) {}

void MainWindowView::MouseLeave() {
    impl_->mouseX = impl_->mouseY = -1;
    impl_->platform.RequestRedraw();
}

void MainWindowView::CaptureLost() {}

void MainWindowView::Wheel(float, float, int delta, Modifiers) {
    auto& v = *impl_;
    v.cellSize = std::clamp(delta > 0 ? v.cellSize * 1.15f : v.cellSize / 1.15f, 1.0f, 72.0f);
    v.cellsDirty = true;
    v.platform.RequestRedraw();
}

void MainWindowView::TimerTick() {
    auto& v = *impl_;
    if (!v.playing || !v.active) return;
    v.shift = (v.shift + 1) % v.side;
    v.cellsDirty = true;
    v.platform.RequestRedraw();
}

void MainWindowView::SetActive(bool active) {
    impl_->active = active;
    impl_->platform.RequestRedraw();
}

bool MainWindowView::RequestClose() { return true; }

void MainWindowView::RenameTextChanged(const std::string& text) {
    impl_->tabName = text;
    impl_->platform.RequestRedraw();
}

void MainWindowView::CommitRename() {
    impl_->platform.EndTextInput();
    impl_->modified = true;
    impl_->platform.SetTitle(Title());
    impl_->status = "Renamed to " + impl_->tabName;
    impl_->platform.RequestRedraw();
}

void MainWindowView::CancelRename() {
    impl_->platform.EndTextInput();
    impl_->status = "Rename cancelled";
    impl_->platform.RequestRedraw();
}

void MainWindowView::DrawFrame(Canvas& canvas) {
    auto& v = *impl_;
    const auto start = std::chrono::steady_clock::now();
    if (v.cellsDirty) v.RebuildCells();
    canvas.FillRect(RectF{0, 0, v.width, v.height}, ColorF{0.07f, 0.10f, 0.14f, 1});

    // Panel with the four formats and the alignments.
    canvas.DrawText("Pattern Viewer", RectF{v.panelRect.left, 18, v.panelRect.right, 56}, TextFormat::Title, kText,
                    HAlign::Leading, VAlign::Centre);
    canvas.FillRect(v.panelRect, kPanel);
    canvas.OutlineRect(v.panelRect, kEdge, 1);
    canvas.FillRect(v.buttonRect, v.playing ? kAccent : ColorF{0.16f, 0.22f, 0.29f, 1});
    canvas.DrawText("Randomize", v.buttonRect, TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
    float y = v.buttonRect.bottom + 16;
    const float l = v.panelRect.left + 10, r = v.panelRect.right - 10;
    canvas.DrawText("Tavrix", RectF{l, y, r, y + 44}, TextFormat::Banner, kText, HAlign::Centre, VAlign::Centre);
    y += 50;
    const char* hNames[3] = {"Leading", "Trailing", "Centre"};
    const HAlign hs[3] = {HAlign::Leading, HAlign::Trailing, HAlign::Centre};
    const char* vNames[3] = {"Near", "Far", "Centre"};
    const VAlign vs[3] = {VAlign::Near, VAlign::Far, VAlign::Centre};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            RectF box{l, y, r, y + 34};
            canvas.OutlineRect(box, kEdge, 1);
            canvas.DrawText(std::string(hNames[i]) + " / " + vNames[j], box, TextFormat::CompactLabel, kText, hs[i],
                            vs[j]);
            y += 38;
        }
    }
    const std::string measured = "Measured label width";
    const float w = canvas.MeasureTextWidth(measured, TextFormat::Label);
    canvas.DrawText(measured, RectF{l, y, l + w, y + 24}, TextFormat::Label, kText, HAlign::Leading, VAlign::Centre);
    canvas.FillRect(RectF{l, y + 25, l + w, y + 27}, kAccent);
    y += 36;
    canvas.DrawWrappedText("Start a new rule, load a saved session, or import a Golly rule. Wrapped and centred in "
                           "its rectangle.",
                           RectF{l, y, r, y + 90}, TextFormat::CompactLabel, kText);
    canvas.OutlineRect(RectF{l, y, r, y + 90}, kEdge, 1);
    y += 100;
    // A pushed clip cuts this text at the box's right edge.
    RectF clipBox{l, y, l + 120, y + 30};
    canvas.OutlineRect(clipBox, kAccent, 1);
    canvas.PushClip(clipBox);
    canvas.DrawText("Clipped text runs past the box", clipBox, TextFormat::Label, kText, HAlign::Leading,
                    VAlign::Centre);
    canvas.PopClip();
    y += 40;
    canvas.DrawText(v.status, RectF{l, y, r, y + 60}, TextFormat::CompactLabel, kText, HAlign::Leading, VAlign::Near);
    char line[160];
    std::snprintf(line, sizeof line, "%zu cells, %dx%d at %.2f px; last frame %.1f ms%s", v.cells.size(), v.side,
                  v.side, v.cellSize, v.lastFrameMs, v.active ? "" : " (inactive)");
    canvas.DrawText(line, RectF{l, v.panelRect.bottom - 30, r, v.panelRect.bottom - 6}, TextFormat::CompactLabel,
                    kText, HAlign::Leading, VAlign::Centre);

    // The tab, which the rename edit covers while renaming.
    canvas.FillRect(v.tabRect, ColorF{0.16f, 0.22f, 0.29f, 1});
    canvas.OutlineRect(v.tabRect, kAccent, 2);
    canvas.DrawText(v.tabName, v.tabRect, TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);

    // The grid: trails, then cells on top, each one batch clipped to the grid rectangle.
    canvas.FillRect(v.gridRect, ColorF{0.04f, 0.05f, 0.07f, 1});
    canvas.DrawCells(v.trails, v.gridRect);
    canvas.DrawCells(v.cells, v.gridRect);
    canvas.OutlineRect(v.gridRect, kAccent, 2.5f);
    // Panel drawing after a batch must lie over it.
    canvas.FillRect(RectF{v.gridRect.right - 220, v.gridRect.bottom - 50, v.gridRect.right - 10, v.gridRect.bottom - 10},
                    ColorF{0.09f, 0.12f, 0.16f, 0.85f});
    canvas.DrawText("over the cells", RectF{v.gridRect.right - 220, v.gridRect.bottom - 50, v.gridRect.right - 10,
                                            v.gridRect.bottom - 10},
                    TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
    if (v.mouseX >= 0 && v.gridRect.Contains(v.mouseX, v.mouseY))
        canvas.OutlineRect(RectF{v.mouseX - 8, v.mouseY - 8, v.mouseX + 8, v.mouseY + 8}, ColorF{1, 1, 1, 1}, 1);
    if (v.stateBar || v.ctrlHeld)
        canvas.FillRect(RectF{v.width - 70, 60, v.width - 30, v.height - 18}, ColorF{0.2f, 0.25f, 0.3f, 0.9f});
    v.lastFrameMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace shell
