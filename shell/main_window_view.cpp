#include "shell/main_window_view.h"

#include <algorithm>
#include <cmath>

#include "shell/main_window_view_impl.h"

namespace shell {

float EstimateTextWidth(const std::string& text) {
    float width = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) width += 9;
    return width;
}

MainWindowViewImpl::MainWindowViewImpl(Platform& platform_)
    : platform(platform_), editor(authoring::ViewSize{}, platform_.TickCountMs()) {
    SetStateBarFromStateCount();
    Relayout();
    CentreViewerCamera();
    shownTitle = Title();
    platform.SetTitle(shownTitle);
}

std::string MainWindowViewImpl::Title() const {
    return editor.UnsavedChanges() ? std::string("* ") + kTitle : std::string(kTitle);
}

void MainWindowViewImpl::SetStateBarFromStateCount() { flags.stateBarShown = StateCount() >= 6; }

int MainWindowViewImpl::ScrollStep() const {
    if (flags.viewerShown && flags.viewerMaximized) return 1;
    return layout.viewerLaidOut ? 3 : 5;
}

std::string MainWindowViewImpl::TabName(std::size_t tab) const {
    if (rename.tab == static_cast<int>(tab)) return rename.text;
    return tab < TabCount() ? editor.Doc().tabs[tab].name : std::string();
}

void MainWindowViewImpl::Relayout() {
    LayoutInput input;
    input.width = width;
    input.height = height;
    input.flags = flags;
    input.tabBarScroll = editor.Doc().tabBarScroll;
    const auto& measured = measuredWidths;
    auto widthOf = [&](const std::string& text) {
        const auto it = measured.find(text);
        return it != measured.end() ? it->second : EstimateTextWidth(text);
    };
    for (std::size_t i = 0; i < TabCount(); ++i) input.tabTextWidths.push_back(widthOf(TabName(i)));
    input.directEditorTextWidth = widthOf(kDirectEditor);
    layout = UpdateLayout(input);
    if (layout.tabBarScroll != editor.Doc().tabBarScroll) editor.SetTabBarScroll(layout.tabBarScroll);
    SyncView();
    if (!layout.viewerLaidOut && !layout.ruleColumnLaidOut) focusedFrame = -1;
    if (focusedFrame >= layout.visibleFrames) focusedFrame = -1;
}

void MainWindowViewImpl::SyncView() {
    const RectF grid = layout.visibleFrames > 0 ? layout.frameGrid[0] : layout.viewerGrid;
    const authoring::ViewSize size{std::max(grid.Width(), 1.0f), std::max(grid.Height(), 1.0f)};
    if (layout.visibleFrames == syncedFrames && size == syncedGridArea) return;
    syncedFrames = layout.visibleFrames;
    syncedGridArea = size;
    editor.SetFrameArea(layout.visibleFrames, size);
}

void MainWindowViewImpl::AfterChange() {
    const std::string title = Title();
    if (title != shownTitle) {
        shownTitle = title;
        platform.SetTitle(title);
    }
    Relayout();
    Redraw();
}

void MainWindowViewImpl::ShowError(const std::string& text, const std::string& title) {
    MessageBox box;
    box.title = title;
    box.text = text;
    box.buttons = MessageButtons::Ok;
    box.icon = MessageIcon::Error;
    box.defaultAnswer = MessageAnswer::Ok;
    platform.ShowMessage(box);
}

bool MainWindowViewImpl::ConfirmUnsavedChanges(const std::string& action) {
    if (!editor.UnsavedChanges()) return true;
    MessageBox box;
    box.title = kTitle;
    box.text = "You have unsaved changes.";
    box.text += action.empty() ? "\n\nDo you want to save them first?" : "\n\nSave changes before " + action + "?";
    box.buttons = MessageButtons::YesNoCancel;
    box.icon = MessageIcon::Warning;
    box.defaultAnswer = MessageAnswer::Yes;
    switch (platform.ShowMessage(box)) {
        case MessageAnswer::Yes: return SaveSession();
        case MessageAnswer::No: return true;
        default: return false;
    }
}

void MainWindowViewImpl::CentreViewerCamera() {
    const RectF& grid = layout.viewerGrid;
    const float w = std::max(grid.Width(), 1.0f), h = std::max(grid.Height(), 1.0f);
    viewerCamera = {16, 16, std::max(1.0f, std::min(w / 32, h / 32))};
    viewerCameraSet = grid.Width() > 0;
}

// --- the public surface

MainWindowView::MainWindowView(Platform& platform) : impl_(std::make_unique<MainWindowViewImpl>(platform)) {}
MainWindowView::~MainWindowView() = default;

MenuItemState MainWindowView::QueryMenuItem(int id) const { return impl_->QueryMenuItem(id); }
std::string MainWindowView::Title() const { return impl_->Title(); }

void MainWindowView::Resize(float width, float height) {
    impl_->width = width;
    impl_->height = height;
    impl_->Relayout();
    if (!impl_->viewerCameraSet && impl_->layout.viewerLaidOut) impl_->CentreViewerCamera();
    impl_->Redraw();
}

void MainWindowView::Command(int id) { impl_->Command(id); }
bool MainWindowView::OpenPath(const std::string& path) { return impl_->OpenPath(path); }
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

bool MainWindowView::RequestClose() {
    impl_->CommitRename();
    if (!impl_->ConfirmUnsavedChanges("closing the window")) {
        impl_->Redraw();
        return false;
    }
    impl_->playing = false;
    impl_->UpdatePlaybackTimer();
    return true;
}

void MainWindowView::RenameTextChanged(const std::string& text) { impl_->RenameTextChanged(text); }
void MainWindowView::CommitRename() { impl_->CommitRename(); }
void MainWindowView::CancelRename() { impl_->CancelRename(); }

bool MainWindowView::IsTabBarContextArea(float x, float y) const { return impl_->IsTabBarContextArea(x, y); }

void MainWindowView::DrawFrame(Canvas& canvas) {
    // Names are measured with the canvas's font; a new width moves the tabs before drawing.
    auto& measured = impl_->measuredWidths;
    bool changed = false;
    auto measure = [&](const std::string& text) {
        if (measured.contains(text)) return;
        measured[text] = canvas.MeasureTextWidth(text, TextFormat::Label);
        changed = true;
    };
    for (std::size_t i = 0; i < impl_->TabCount(); ++i) measure(impl_->TabName(i));
    measure(kDirectEditor);
    if (measured.size() > 4096) measured.clear();
    if (changed) impl_->Relayout();
    impl_->DrawFrame(canvas);
}

}  // namespace shell
