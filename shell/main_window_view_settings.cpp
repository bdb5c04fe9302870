// The display settings file: read once when the window learns its path, rewritten after a change.
#include "formats/settings_file.h"
#include "shell/main_window_view_impl.h"

namespace shell {

void MainWindowViewImpl::UseSettingsFile(const std::string& path) {
    settingsPath = path;
    const formats::DisplaySettings s = formats::LoadSettings(path);
    speedIndex = s.patternViewerSpeedIndex;
    appearance = {s.lockedOverlayOpacity, s.lockedOverlayBrightness, s.brokenMarkerOpacity,
                  s.brokenMarkerBrightness, s.trailOpacity, s.trailKeyframeAge, s.trailKeyframeBrightness};
    UpdatePlaybackTimer();
    Redraw();
}

void MainWindowViewImpl::SaveSettings() const {
    if (!settingsPath) return;
    formats::DisplaySettings s;
    s.patternViewerSpeedIndex = speedIndex;
    s.lockedOverlayOpacity = appearance.lockedOverlayOpacity;
    s.lockedOverlayBrightness = appearance.lockedOverlayBrightness;
    s.brokenMarkerOpacity = appearance.brokenMarkerOpacity;
    s.brokenMarkerBrightness = appearance.brokenMarkerBrightness;
    s.trailOpacity = appearance.trailOpacity;
    s.trailKeyframeAge = appearance.trailKeyframeAge;
    s.trailKeyframeBrightness = appearance.trailKeyframeBrightness;
    // Saving never reports: the values in memory stay as they are.
    formats::SaveSettings(*settingsPath, s);
}

void MainWindowView::UseSettingsFile(const std::string& path) { impl_->UseSettingsFile(path); }

}  // namespace shell
