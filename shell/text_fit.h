#pragma once

#include <string>
#include <string_view>

#include "shell/canvas.h"

namespace shell {

inline constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// `text` as it fits in `width` with the canvas's real font: whole, or cut at a character boundary
// and ended with "…" (empty when not even that fits).
inline std::string FitText(Canvas& canvas, std::string_view text, float width, TextFormat format) {
    if (canvas.MeasureTextWidth(text, format) <= width) return std::string(text);
    std::size_t end = text.size();
    while (end > 0) {
        do --end;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
        std::string cut = std::string(text.substr(0, end));
        while (!cut.empty() && cut.back() == ' ') cut.pop_back();
        cut += kEllipsis;
        if (canvas.MeasureTextWidth(cut, format) <= width) return cut;
    }
    return std::string();
}

}  // namespace shell
