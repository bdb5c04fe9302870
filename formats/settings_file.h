#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace formats {

// The display settings kept between runs, with their defaults.
struct DisplaySettings {
    int patternViewerSpeedIndex = 3;       // 0..7
    float lockedOverlayOpacity = 0.3f;     // 0..1
    float lockedOverlayBrightness = 0.5f;  // 0..1
    float brokenMarkerOpacity = 0.45f;     // 0.05..1
    float brokenMarkerBrightness = 0.62f;  // 0..1
    float trailOpacity = 0.5f;             // 0..1
    int trailKeyframeAge = 32;             // 1..253
    float trailKeyframeBrightness = 0.4f;  // 0.03..1
    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

inline constexpr int kMinPatternViewerSpeedIndex = 0;
inline constexpr int kMaxPatternViewerSpeedIndex = 7;
inline constexpr int kMinTrailKeyframeAge = 1;
inline constexpr int kMaxTrailKeyframeAge = 253;
inline constexpr float kMinBrokenMarkerOpacity = 0.05f;
inline constexpr float kMinTrailKeyframeBrightness = 0.03f;

// Puts every field into its range; a NaN float becomes its default.
void ClampSettings(DisplaySettings& settings);

// Applies "key=value" lines over the current values. Bad values and unknown keys are ignored,
// accepted values are clamped. Numbers are read like strtol / strtod in the "C" locale, except
// that hexadecimal floats are read too, "inf" clamps to the range's end and "nan" is ignored;
// results beyond the range of int or float (including underflow to zero) are ignored.
void ParseSettingsText(std::string_view text, DisplaySettings& settings);

// The eight "key=value\n" lines, floats with six significant digits in %g style.
std::string FormatSettingsText(const DisplaySettings& settings);

// Where Linux programs keep configuration: $XDG_CONFIG_HOME (non-empty and absolute) or
// $HOME/.config, then Tavrix/settings.ini; else "Tavrix.settings" in the working folder. The
// values are the variables, nullptr when unset.
std::filesystem::path GetSettingsPath(const char* xdgConfigHome, const char* home);
std::filesystem::path GetSettingsPath();

// Defaults overlaid with the file when it can be read; never throws and never creates anything.
DisplaySettings LoadSettings(const std::filesystem::path& path);

// The "key=value" lines of `text` that are not display settings (such as "update_host"), each
// ending in a line end: what another version of this program or the user put there, kept when the
// display settings are saved.
std::string OtherSettingsLines(std::string_view text);

// The value of the last "key=value" line of settings text for a key that is not a display setting
// (such as "update_host"), trimmed; empty when there is none.
std::string SettingString(std::string_view text, std::string_view key);

// Writes through a temporary file renamed over the old one; never throws. Lines of the old file
// with other keys are kept after the display settings. False on any failure, in which case the
// file that was there is untouched.
bool SaveSettings(const std::filesystem::path& path, const DisplaySettings& settings);

}  // namespace formats
