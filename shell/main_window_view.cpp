// The window: bookkeeping after changes, and input routed through the panels in hit order.
#include "shell/main_window_view.h"

#include <algorithm>

#include "formats/settings_file.h"
#include "shell/main_window_view_impl.h"
#include "shell/theme.h"
#include "shell/update_notice_box.h"

namespace shell {

namespace {

float EstimateTextWidth(const std::string& text) {
    float width = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) width += 9;
    return width;
}

}  // namespace

MainWindowViewImpl::MainWindowViewImpl(Platform& platform)
    : platform_(platform),
      editor_(authoring::ViewSize{}, platform.TickCountMs()),
      context_{editor_, platform_, layout_, view_, grid_, *this},
      grid_(context_),
      start_(context_),
      colorEditor_(context_),
      ruleEditorPage_(context_),
      constraintPage_(context_),
      tabStrip_(context_),
      coverageBar_(context_),
      stateBar_(context_),
      frames_(context_),
      viewer_(context_),
      census_(context_),
      panels_{&start_,    &colorEditor_, &ruleEditorPage_, &constraintPage_, &tabStrip_, &coverageBar_,
              &stateBar_, &frames_,      &census_,         &viewer_} {
    SetStateBarFromStateCount();
    Relayout();
    grid_.CentreViewerCamera();
    shownTitle_ = Title();
    platform_.SetTitle(shownTitle_);
}

std::string MainWindowViewImpl::Title() const {
    // Qt's convention for a window's file: the name, a "*" after it while modified, the program.
    const bool modified = editor_.UnsavedChanges();
    if (sessionFile_.empty()) return modified ? std::string("* ") + kTitle : std::string(kTitle);
    const std::string name = sessionFile_.substr(sessionFile_.find_last_of('/') + 1);
    return name + (modified ? "*" : "") + " \u2014 " + kTitle;
}

void MainWindowViewImpl::Relayout() {
    LayoutInput input;
    input.width = view_.width;
    input.height = view_.height;
    input.flags = view_.flags;
    input.tabBarScroll = editor_.Doc().tabBarScroll;
    auto widthOf = [&](const std::string& text) {
        const auto it = measuredWidths_.find(text);
        return it != measuredWidths_.end() ? it->second : EstimateTextWidth(text);
    };
    for (std::size_t i = 0; i < editor_.Doc().tabs.size(); ++i) input.tabTextWidths.push_back(widthOf(tabStrip_.TabName(i)));
    input.directEditorTextWidth = widthOf(kDirectEditor);
    layout_ = UpdateLayout(input);
    if (layout_.tabBarScroll != editor_.Doc().tabBarScroll) editor_.SetTabBarScroll(layout_.tabBarScroll);
    SyncFrameArea();
    frames_.FitFocus();
}

void MainWindowViewImpl::SyncFrameArea() {
    const RectF grid = layout_.visibleFrames > 0 ? layout_.frameGrid[0] : layout_.viewerGrid;
    const authoring::ViewSize size{std::max(grid.Width(), 1.0f), std::max(grid.Height(), 1.0f)};
    if (layout_.visibleFrames == syncedFrames_ && size == syncedGridArea_) return;
    syncedFrames_ = layout_.visibleFrames;
    syncedGridArea_ = size;
    editor_.SetFrameArea(layout_.visibleFrames, size);
}

void MainWindowViewImpl::AfterChange() {
    const std::string title = Title();
    if (title != shownTitle_) {
        shownTitle_ = title;
        platform_.SetTitle(title);
    }
    Relayout();
    platform_.RequestRedraw();
}

void MainWindowViewImpl::ShowError(const std::string& text, const std::string& title) {
    platform_.ShowMessage(MessageBox{title, text, MessageButtons::Ok, MessageIcon::Error, MessageAnswer::Ok, {}});
}

bool MainWindowViewImpl::ConfirmUnsavedChanges(const std::string& action) {
    if (!editor_.UnsavedChanges()) return true;
    MessageBox box;
    box.title = kTitle;
    box.text = "You have unsaved changes.";
    box.text += action.empty() ? "\n\nDo you want to save them first?" : "\n\nSave changes before " + action + "?";
    box.buttons = MessageButtons::YesNoCancel;
    box.icon = MessageIcon::Warning;
    box.defaultAnswer = MessageAnswer::Yes;
    switch (platform_.ShowMessage(box)) {
        case MessageAnswer::Yes: return SaveSession();
        case MessageAnswer::No: return true;
        default: return false;
    }
}

void MainWindowViewImpl::CancelDrags() {
    for (Panel* panel : panels_) panel->CancelDrag();
    grid_.CancelDrag();
}

void MainWindowViewImpl::CancelGestures() {
    tabStrip_.CancelRename();
    CancelDrags();
}

void MainWindowViewImpl::SelectTab(std::size_t index) {
    tabStrip_.CommitRename();
    grid_.ClearSelection();
    constraintPage_.CloseChooser();
    context_.Guarded([&] { editor_.SelectTab(index); });
    tabStrip_.KeepCurrentTabVisible();
}

void MainWindowViewImpl::FitBrush(int stateCount) {
    view_.selectedState = std::min(view_.selectedState, stateCount - 1);
    view_.markerValue = std::clamp(view_.markerValue, 1, 8);
    stateBar_.ClearDigits();
}

void MainWindowViewImpl::RuleCreated() {
    sessionFile_.clear();
    FitBrush(editor_.Doc().rule.stateCount);
    SetStateBarFromStateCount();
    grid_.ClearSelection();
    AfterChange();
    tabStrip_.StartRename(editor_.Doc().selectedTab);
}

void MainWindowViewImpl::Resize(float width, float height) {
    view_.width = width;
    view_.height = height;
    Relayout();
    if (!grid_.ViewerCameraSet() && layout_.viewerLaidOut) grid_.CentreViewerCamera();
    platform_.RequestRedraw();
}

std::optional<std::pair<std::int32_t, std::int32_t>> MainWindowViewImpl::CellAt(float x, float y) const {
    const auto hit = grid_.HitTest(x, y);
    if (!hit) return std::nullopt;
    return grid_.CellAt(*hit, x, y);
}

bool MainWindowViewImpl::RequestClose() {
    tabStrip_.CommitRename();
    if (!ConfirmUnsavedChanges("closing the window")) {
        platform_.RequestRedraw();
        return false;
    }
    viewer_.StopPlaying();
    return true;
}

void MainWindowViewImpl::StartUpdateCheck() {
    if (updateCheckStarted_) return;
    updateCheckStarted_ = true;
    platform_.StartUpdateCheck(updateHost_, [&platform = platform_](update::UpdateNotice notice) {
        try {
            ShowUpdateNotice(platform, notice);
        } catch (...) {
            // Nothing of the update check is ever reported to the user as an error.
        }
    });
}

// --- input, through the panels in hit order

void MainWindowViewImpl::MousePress(const MouseEvent& event) {
    view_.ctrlHeld = event.modifiers.ctrl;
    if (!start_.Shown()) {
        frames_.FollowClick(event.x, event.y);
        view_.mouseX = event.x;
        view_.mouseY = event.y;
    }
    for (Panel* panel : panels_)
        if (panel->Press(event)) return;
}

void MainWindowViewImpl::MouseMove(float x, float y, Modifiers modifiers) {
    view_.ctrlHeld = modifiers.ctrl;
    if (start_.Move(x, y, modifiers)) return;
    const float dx = x - view_.mouseX, dy = y - view_.mouseY;
    view_.mouseX = x;
    view_.mouseY = y;
    for (Panel* panel : panels_)
        if (panel->Move(x, y, modifiers)) return;
    if (grid_.DragMove(x, y, dx, dy, modifiers)) return;
    const bool cellChanged = grid_.Hover(x, y);
    const int control = HoverControlAt(x, y);
    if (!cellChanged && control == view_.hoverControl) return;
    view_.hoverControl = control;
    platform_.RequestRedraw();
}

int MainWindowViewImpl::HoverControlAt(float x, float y) const {
    for (const Panel* panel : panels_)
        if (const int id = panel->HoverAt(x, y); id >= 0) return id;
    return -1;
}

void MainWindowViewImpl::MouseRelease(const MouseEvent& event) {
    if (start_.Shown()) return;
    view_.mouseX = event.x;
    view_.mouseY = event.y;
    for (Panel* panel : panels_) panel->Release(event);
    grid_.Release(event.button);
    AfterChange();
}

void MainWindowViewImpl::MouseLeave() {
    view_.mouseX = view_.mouseY = -1;
    if (!grid_.HoverValid() && view_.hoverControl == -1) return;
    grid_.ClearHover();
    view_.hoverControl = -1;
    platform_.RequestRedraw();
}

void MainWindowViewImpl::CaptureLost() {
    CancelDrags();
    platform_.RequestRedraw();
}

void MainWindowViewImpl::Wheel(float x, float y, int delta, Modifiers modifiers) {
    if (delta == 0) return;
    for (Panel* panel : panels_)
        if (panel->Wheel(x, y, delta > 0, modifiers)) return;
}

void MainWindowViewImpl::KeyDown(const KeyEvent& event) {
    if (event.key == Key::Control) {
        view_.ctrlHeld = true;
        platform_.RequestRedraw();
        return;
    }
    view_.ctrlHeld = event.modifiers.ctrl;
    if (start_.Key(event)) return;
    if (view_.playing && view_.focus != Focus::Panel) {
        context_.Refuse("Stop playback first");
        return;
    }
    for (Panel* panel : panels_)
        if (panel->Key(event)) return;
    WindowKey(event);
}

void MainWindowViewImpl::KeyUp(const KeyEvent& event) {
    if (event.key != Key::Control) return;
    view_.ctrlHeld = false;
    context_.EndLinkChain();
    platform_.RequestRedraw();
}

// --- drawing

void MainWindowViewImpl::DrawFrame(Canvas& canvas) {
    // Names are measured with the canvas's font; a new width moves the tabs before drawing.
    bool changed = false;
    auto measure = [&](const std::string& text) {
        if (measuredWidths_.contains(text)) return;
        measuredWidths_[text] = canvas.MeasureTextWidth(text, TextFormat::Label);
        changed = true;
    };
    for (std::size_t i = 0; i < editor_.Doc().tabs.size(); ++i) measure(tabStrip_.TabName(i));
    measure(kDirectEditor);
    if (measuredWidths_.size() > 4096) measuredWidths_.clear();
    if (changed) Relayout();

    canvas.FillRect({0, 0, view_.width, view_.height}, theme::kBackground);
    coverageBar_.Draw(canvas);
    viewer_.Draw(canvas);
    census_.Draw(canvas);
    if (layout_.viewerLaidOut || layout_.ruleColumnLaidOut) stateBar_.Draw(canvas);
    if (layout_.ruleColumnLaidOut) {
        canvas.DrawText(view_.flags.colorEditorOpen ? "Color Editor" : "Rule Editor", layout_.ruleTitle,
                        TextFormat::Title, theme::kPanelText, HAlign::Leading, VAlign::Centre);
        colorEditor_.Draw(canvas);
        tabStrip_.Draw(canvas);
        frames_.Draw(canvas);
        ruleEditorPage_.Draw(canvas);
        constraintPage_.Draw(canvas);
        DrawPagePlaceholder(canvas);
    }
    stateBar_.DrawToast(canvas);
    if (view_.ctrlHeld) stateBar_.Draw(canvas);
    start_.Draw(canvas);
    DrawRefusal(canvas);
}

void MainWindowViewImpl::DrawRefusal(Canvas& canvas) {
    if (view_.refusal.empty()) return;
    if (platform_.TickCountMs() >= view_.refusalExpiresMs) {
        view_.refusal.clear();
        return;
    }
    const float w = canvas.MeasureTextWidth(view_.refusal, TextFormat::Label) + 32, h = 34;
    const float left = std::max(8.0f, (view_.width - w) / 2), top = std::max(8.0f, view_.height - h - 24);
    const RectF box{left, top, left + w, top + h};
    canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.94f});
    canvas.OutlineRect(box, {0.95f, 0.96f, 1.0f, 0.95f}, 2);
    canvas.DrawText(view_.refusal, box, TextFormat::Label, {0.95f, 0.96f, 1.0f, 1}, HAlign::Centre, VAlign::Centre);
}

void MainWindowViewImpl::DrawPagePlaceholder(Canvas& canvas) {
    if (!context_.PagesShown() || grid_.FramesShown() || ruleEditorPage_.Shown() || constraintPage_.Shown()) return;
    const RectF& page = layout_.page;
    canvas.FillRect(page, theme::kBoxFill);
    canvas.OutlineRect(page, theme::kBoxOutline, 1);
    if (!editor_.Doc().RuleEditorPageSelected()) return;
    const RectF line{page.left + 16, page.top + 12, page.right - 16, page.top + 40};
    canvas.DrawText(authoring::UndefinedStatusText(editor_.Undefined(), editor_.Doc().rule.symmetry), line, TextFormat::Label, theme::kPanelText, HAlign::Leading,
                    VAlign::Centre);
}

// --- the display settings file: read once when the window learns its path, rewritten after a change

void MainWindowViewImpl::UseSettingsFile(const std::string& path) {
    settingsPath_ = path;
    formats::DisplaySettings s;
    FileContents file = platform_.ReadFile(path);
    // As the settings reader does: defaults overlaid with the first mebibyte of a readable file.
    if (!file.failure) {
        file.bytes.resize(std::min<std::size_t>(file.bytes.size(), std::size_t{1} << 20));
        try {
            formats::ParseSettingsText(file.bytes, s);
            updateHost_ = formats::SettingString(file.bytes, "update_host");
        } catch (...) {
            formats::ClampSettings(s);
        }
    }
    view_.appearance = s;
    viewer_.SetSpeedIndex(s.patternViewerSpeedIndex);
    platform_.RequestRedraw();
}

void MainWindowViewImpl::SaveSettings() {
    if (!settingsPath_) return;
    formats::DisplaySettings s = view_.appearance;
    s.patternViewerSpeedIndex = viewer_.SpeedIndex();
    formats::ClampSettings(s);
    // Lines of other keys (the update host) stay. Saving never reports: the values in memory stay
    // as they are.
    const FileContents old = platform_.ReadFile(*settingsPath_);
    const std::string others = old.failure ? std::string() : formats::OtherSettingsLines(old.bytes);
    platform_.WriteFile(*settingsPath_, formats::FormatSettingsText(s) + others);
}

// --- the public face

MainWindowView::MainWindowView(Platform& platform) : impl_(std::make_unique<MainWindowViewImpl>(platform)) {}
MainWindowView::~MainWindowView() = default;

void MainWindowView::UseSettingsFile(const std::string& path) { impl_->UseSettingsFile(path); }
bool MainWindowView::OpenPath(const std::string& path) { return impl_->OpenPath(path); }
void MainWindowView::StartUpdateCheck() { impl_->StartUpdateCheck(); }
MenuItemState MainWindowView::QueryMenuItem(int id) const { return impl_->QueryMenuItem(id); }
std::string MainWindowView::Title() const { return impl_->Title(); }
void MainWindowView::Resize(float width, float height) { impl_->Resize(width, height); }
void MainWindowView::Command(int id) { impl_->Command(id); }
void MainWindowView::KeyDown(const KeyEvent& event) { impl_->KeyDown(event); }
void MainWindowView::KeyUp(const KeyEvent& event) { impl_->KeyUp(event); }
void MainWindowView::MousePress(const MouseEvent& event) { impl_->MousePress(event); }
void MainWindowView::MouseMove(float x, float y, Modifiers modifiers) { impl_->MouseMove(x, y, modifiers); }
void MainWindowView::MouseRelease(const MouseEvent& event) { impl_->MouseRelease(event); }
void MainWindowView::MouseLeave() { impl_->MouseLeave(); }
void MainWindowView::CaptureLost() { impl_->CaptureLost(); }
void MainWindowView::Wheel(float x, float y, int delta, Modifiers modifiers) { impl_->Wheel(x, y, delta, modifiers); }
void MainWindowView::TimerTick() { impl_->TimerTick(); }
void MainWindowView::SetActive(bool active) { impl_->SetActive(active); }
bool MainWindowView::RequestClose() { return impl_->RequestClose(); }
bool MainWindowView::IsTabBarContextArea(float x, float y) const { return impl_->IsTabBarContextArea(x, y); }
void MainWindowView::RenameTextChanged(const std::string& text) { impl_->RenameTextChanged(text); }
void MainWindowView::CommitRename() { impl_->CommitRename(); }
void MainWindowView::CancelRename() { impl_->CancelRename(); }
void MainWindowView::DrawFrame(Canvas& canvas) { impl_->DrawFrame(canvas); }
const authoring::Editor& MainWindowView::Model() const { return impl_->Model(); }
const Layout& MainWindowView::CurrentLayout() const { return impl_->CurrentLayout(); }
std::optional<std::pair<std::int32_t, std::int32_t>> MainWindowView::CellAt(float x, float y) const {
    return impl_->CellAt(x, y);
}

}  // namespace shell
