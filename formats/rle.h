#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/chunk_grid.h"

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

// The live cells of a grid from the top-left corner of their bounding box; the position line
// comes first so that Golly places the pattern where it was. Two-state rules use b/o, larger
// ones ./A..P. Costs the grid's chunks, not its box. A pattern spanning more than 2^31 columns
// or rows cannot be read back from its corner, so it is refused with std::runtime_error.
std::string WriteRle(const core::ChunkGrid& grid, int stateCount, std::string_view rule);

}  // namespace formats
