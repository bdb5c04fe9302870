#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

struct RleCell {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint8_t state = 0;
    friend bool operator==(const RleCell&, const RleCell&) = default;
};

struct RlePattern {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string rule;
    // One entry per non-zero cell, relative to the pattern's top-left corner.
    std::vector<RleCell> cells;
};

// A paste holds at most this many live cells.
inline constexpr std::size_t kMaxRleCells = 16777216;

// Throws std::runtime_error with a user-facing message on malformed or oversized input:
// "RLE header is missing.", "RLE body is missing '!'.", "Unsupported token in RLE body.",
// and, so that a hostile paste cannot exhaust memory or overflow a coordinate,
// "RLE pattern extends beyond the supported coordinate range." (a run count above
// 2,147,483,647, or a run that takes a cell or the cursor's row beyond coordinate
// 2,147,483,647) and
// "RLE pattern has too many cells." (more than kMaxRleCells live cells).
// Runs of blanks cost no memory.
RlePattern ParseRle(std::string_view text);

// Writes a row-major block of width x height states whose top-left cell is (x0, y0).
// Two-state rules use b/o, larger ones ./A..P. The position line comes first so that Golly
// places the pattern where it was.
std::string WriteRle(const std::uint8_t* cells, std::int32_t width, std::int32_t height,
                     std::int32_t x0, std::int32_t y0, int stateCount, std::string_view rule);

}  // namespace formats
