#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/settings_file.h"

namespace {

bool InRange(float v, float low, float high) { return !std::isnan(v) && v >= low && v <= high; }

bool AllInRange(const formats::DisplaySettings& s) {
    return s.patternViewerSpeedIndex >= 0 && s.patternViewerSpeedIndex <= 7 && InRange(s.lockedOverlayOpacity, 0, 1) &&
           InRange(s.lockedOverlayBrightness, 0, 1) && InRange(s.brokenMarkerOpacity, 0.05f, 1) &&
           InRange(s.brokenMarkerBrightness, 0, 1) && InRange(s.trailOpacity, 0, 1) && s.trailKeyframeAge >= 1 &&
           s.trailKeyframeAge <= 253 && InRange(s.trailKeyframeBrightness, 0.03f, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    formats::DisplaySettings s;
    formats::ParseSettingsText(input, s);
    if (!AllInRange(s)) __builtin_trap();
    // Six digits may round a parsed float, but what is written once reads back and writes the same.
    const std::string text = formats::FormatSettingsText(s);
    formats::DisplaySettings again;
    formats::ParseSettingsText(text, again);
    if (!AllInRange(again) || formats::FormatSettingsText(again) != text) __builtin_trap();
    formats::DisplaySettings third;
    formats::ParseSettingsText(formats::FormatSettingsText(again), third);
    if (!(third == again)) __builtin_trap();
    return 0;
}
