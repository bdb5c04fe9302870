#include "formats/settings_file.h"

#include "formats/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <system_error>

namespace formats {
namespace {

struct SettingKey {
    std::string_view key;
    int DisplaySettings::*intField;  // exactly one of the two is set
    float DisplaySettings::*floatField;
    float low;
    float high;
};

constexpr std::array<SettingKey, 8> kKeys{{
    {"pattern_viewer_speed_index", &DisplaySettings::patternViewerSpeedIndex, nullptr,
     kMinPatternViewerSpeedIndex, kMaxPatternViewerSpeedIndex},
    {"locked_overlay_opacity", nullptr, &DisplaySettings::lockedOverlayOpacity, 0.0f, 1.0f},
    {"locked_overlay_brightness", nullptr, &DisplaySettings::lockedOverlayBrightness, 0.0f, 1.0f},
    {"broken_marker_opacity", nullptr, &DisplaySettings::brokenMarkerOpacity, kMinBrokenMarkerOpacity, 1.0f},
    {"broken_marker_brightness", nullptr, &DisplaySettings::brokenMarkerBrightness, 0.0f, 1.0f},
    {"trail_opacity", nullptr, &DisplaySettings::trailOpacity, 0.0f, 1.0f},
    {"trail_keyframe_age", &DisplaySettings::trailKeyframeAge, nullptr, kMinTrailKeyframeAge,
     kMaxTrailKeyframeAge},
    {"trail_keyframe_brightness", nullptr, &DisplaySettings::trailKeyframeBrightness, kMinTrailKeyframeBrightness,
     1.0f},
}};

// A settings file is a few hundred bytes; the cap keeps a path to a device or a huge file from
// stalling start-up.
constexpr std::size_t kMaxSettingsFileBytes = 1 << 20;

int ClampInt(int value, const SettingKey& k) {
    return std::clamp(value, static_cast<int>(k.low), static_cast<int>(k.high));
}

float ClampFloat(float value, float fallback, const SettingKey& k) {
    if (std::isnan(value)) return fallback;
    value = std::clamp(value, k.low, k.high);
    if (value == 0.0f) value = 0.0f;  // "-0" would otherwise be written back
    return value;
}

// The "C" locale's isspace, as strtol and strtod skip it.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Position of the first character after the blanks and the optional sign.
struct NumberStart {
    const char* signPos;  // where from_chars may start: at '-' when negative, else after '+'
    const char* body;
    bool negative;
};

NumberStart SkipBlanksAndSign(const char* p, const char* end) {
    while (p != end && IsBlank(*p)) ++p;
    NumberStart s{p, p, false};
    if (p != end && (*p == '+' || *p == '-')) {
        s.negative = *p == '-';
        s.signPos = s.negative ? p : p + 1;
        s.body = p + 1;
    }
    return s;
}

std::optional<int> ParseInt(std::string_view text) {
    const char* end = text.data() + text.size();
    const NumberStart s = SkipBlanksAndSign(text.data(), end);
    if (s.body == end || !IsDigit(*s.body)) return std::nullopt;
    int value = 0;
    const auto result = std::from_chars(s.signPos, end, value);
    if (result.ec != std::errc()) return std::nullopt;
    return value;
}

std::optional<float> ParseFloat(std::string_view text) {
    const char* end = text.data() + text.size();
    const NumberStart s = SkipBlanksAndSign(text.data(), end);
    // A second sign would be taken by from_chars but not by strtod.
    if (s.body == end || *s.body == '+' || *s.body == '-') return std::nullopt;
    float value = 0.0f;
    // strtod reads "0x" numbers as hexadecimal when a hex digit follows; from_chars needs the
    // prefix removed. Without a digit "0x" is the number 0 followed by junk.
    const char* hex = s.body + 2;
    if (end - s.body > 2 && s.body[0] == '0' && (s.body[1] == 'x' || s.body[1] == 'X') &&
        (IsHexDigit(*hex) || (*hex == '.' && end - hex > 1 && IsHexDigit(hex[1])))) {
        const auto result = std::from_chars(hex, end, value, std::chars_format::hex);
        if (result.ec != std::errc()) return std::nullopt;
        value = s.negative ? -value : value;
    } else {
        const auto result = std::from_chars(s.signPos, end, value, std::chars_format::general);
        if (result.ec != std::errc()) return std::nullopt;
    }
    if (std::isnan(value)) return std::nullopt;
    return value;
}

// Calls `visit` with each line of `text`, without its line end.
template <class Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        visit(text.substr(0, newline));
        if (newline == std::string_view::npos) break;
        text.remove_prefix(newline + 1);
    }
}

void ApplyLine(std::string_view line, DisplaySettings& settings) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = line.substr(eq + 1);
    for (const SettingKey& k : kKeys) {
        if (k.key != key) continue;
        if (k.intField != nullptr) {
            if (const std::optional<int> v = ParseInt(value)) settings.*k.intField = ClampInt(*v, k);
        } else if (const std::optional<float> v = ParseFloat(value)) {
            settings.*k.floatField = ClampFloat(*v, settings.*k.floatField, k);
        }
        return;
    }
}

}  // namespace

void ClampSettings(DisplaySettings& settings) {
    const DisplaySettings defaults;
    for (const SettingKey& k : kKeys) {
        if (k.intField != nullptr) settings.*k.intField = ClampInt(settings.*k.intField, k);
        else settings.*k.floatField = ClampFloat(settings.*k.floatField, defaults.*k.floatField, k);
    }
}

void ParseSettingsText(std::string_view text, DisplaySettings& settings) {
    ClampSettings(settings);
    ForEachLine(text, [&](std::string_view line) { ApplyLine(line, settings); });
}

std::string FormatSettingsText(const DisplaySettings& settings) {
    std::string out;
    for (const SettingKey& k : kKeys) {
        // to_chars is locale-independent, unlike printf, and gives what an ostream would.
        std::array<char, 64> buffer{};
        const auto result = k.intField != nullptr
                                ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), settings.*k.intField)
                                : std::to_chars(buffer.data(), buffer.data() + buffer.size(), settings.*k.floatField,
                                                std::chars_format::general, 6);
        out.append(k.key);
        out.push_back('=');
        out.append(buffer.data(), result.ptr);
        out.push_back('\n');
    }
    return out;
}

std::filesystem::path GetSettingsPath(const char* xdgConfigHome, const char* home) {
    std::filesystem::path base;
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
    if (xdgConfigHome != nullptr && *xdgConfigHome != '\0' && std::filesystem::path(xdgConfigHome).is_absolute())
        base = xdgConfigHome;
    else if (home != nullptr && *home != '\0')
        base = std::filesystem::path(home) / ".config";
    else
        return "Tavrix.settings";
    return base / "Tavrix" / "settings.ini";
}

std::filesystem::path GetSettingsPath() {
    return GetSettingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

namespace {

// The file's text up to the cap; empty when it cannot be read.
std::string ReadSettingsFile(const std::filesystem::path& path) {
    std::string text;
    ReadWholeFile(path, text, kMaxSettingsFileBytes);
    return text;
}

bool IsDisplayKey(std::string_view line) {
    const std::string_view key = line.substr(0, line.find('='));
    return std::any_of(kKeys.begin(), kKeys.end(), [&](const SettingKey& k) { return k.key == key; });
}

}  // namespace

std::string OtherSettingsLines(std::string_view text) {
    std::string out;
    ForEachLine(text, [&](std::string_view line) {
        if (line.find('=') == std::string_view::npos || IsDisplayKey(line)) return;
        out.append(line);
        out.push_back('\n');
    });
    return out;
}

std::string SettingString(std::string_view text, std::string_view key) {
    std::string value;
    ForEachLine(text, [&](std::string_view line) {
        if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != '=') return;
        line.remove_prefix(key.size() + 1);
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
        value = line;  // the last line wins, as for the display keys
    });
    return value;
}

DisplaySettings LoadSettings(const std::filesystem::path& path) {
    DisplaySettings settings;
    try {
        ParseSettingsText(ReadSettingsFile(path), settings);
    } catch (...) {
        // Reading never fails: whatever was applied before the error stays, all of it in range.
        ClampSettings(settings);
    }
    return settings;
}

bool SaveSettings(const std::filesystem::path& path, const DisplaySettings& settings) {
    try {
        const std::filesystem::path folder = path.parent_path();
        if (!folder.empty()) {
            std::error_code error;
            std::filesystem::create_directories(folder, error);
            if (error) return false;
        }
        DisplaySettings clamped = settings;
        ClampSettings(clamped);
        return TryWriteFileAtomically(path, FormatSettingsText(clamped) + OtherSettingsLines(ReadSettingsFile(path)));
    } catch (...) {
        return false;
    }
}

}  // namespace formats
