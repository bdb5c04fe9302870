#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "authoring/packed_lock_table.h"
#include "core/chunk_grid.h"
#include "core/rule_table.h"

namespace authoring {

namespace detail {

// Column values top*n^6 + mid*n^3 + bottom slide along the row, so a cell costs three byte reads
// instead of nine. Index is 32-bit while stateCount^9 fits (up to 10 states).
template <class Index, class F>
void ScanRows(const std::uint8_t* cells, std::size_t stride, std::int32_t width, std::int32_t height,
              std::int64_t firstX, std::int64_t firstY, Index n, F& visit) {
    const Index n3 = n * n * n;
    const Index n6 = n3 * n3;
    for (std::int32_t j = 0; j < height; ++j) {
        const std::uint8_t* top = cells + static_cast<std::size_t>(j) * stride;
        const std::uint8_t* mid = top + stride;
        const std::uint8_t* bottom = mid + stride;
        const auto y = static_cast<std::int32_t>(firstY + j);
        Index c0 = top[0] * n6 + mid[0] * n3 + bottom[0];
        Index c1 = top[1] * n6 + mid[1] * n3 + bottom[1];
        for (std::int32_t i = 0; i < width; ++i) {
            const Index c2 = top[i + 2] * n6 + mid[i + 2] * n3 + bottom[i + 2];
            visit(static_cast<std::int32_t>(firstX + i), y, static_cast<std::uint64_t>((c0 * n + c1) * n + c2),
                  top + i);
            c0 = c1;
            c1 = c2;
        }
    }
}

// Throws std::length_error when the padded box cannot be held in memory.
void CheckScanBox(std::int64_t width, std::int64_t height);

// The cells a scan visits: every stored chunk's box, widened by one cell on every side.
struct ScanBox {
    std::int64_t firstX = 0, firstY = 0, width = 0, height = 0;
};
// For a grid with at least one chunk; throws CheckScanBox's std::length_error when the box is
// too large to scan.
ScanBox ScanBoxOf(const core::ChunkGrid& grid);

// CopyGridRegionToBuffer for a rectangle that may reach past the 32-bit plane; cells out there
// read as background.
void CopyPaddedRegion(const core::ChunkGrid& grid, std::int64_t x0, std::int64_t y0, std::int64_t width,
                      std::int64_t height, std::vector<std::uint8_t>& buffer);

}  // namespace detail

// As ScanNeighborhoods, but visit(x, y, index, nw, stride) also gets the cell's 3x3 block in the
// region copy: nw points at its NW state, rows are stride bytes apart. Saves decoding the index.
template <class F>
void ScanNeighborhoodBlocks(const core::ChunkGrid& grid, int stateCount, std::vector<std::uint8_t>& scratch,
                            F&& visit) {
    if (grid.ChunkCount() == 0 || stateCount < 1) return;
    const detail::ScanBox box = detail::ScanBoxOf(grid);
    const auto width = static_cast<std::int32_t>(box.width);
    const auto height = static_cast<std::int32_t>(box.height);
    // One cell more on every side so the border cells have all eight neighbours.
    detail::CopyPaddedRegion(grid, box.firstX - 1, box.firstY - 1, std::int64_t{width} + 2, std::int64_t{height} + 2, scratch);
    const std::size_t stride = static_cast<std::size_t>(width) + 2;
    auto forward = [&](std::int32_t x, std::int32_t y, std::uint64_t index, const std::uint8_t* nw) {
        visit(x, y, index, nw, stride);
    };
    if (stateCount <= 10)
        detail::ScanRows<std::uint32_t>(scratch.data(), stride, width, height, box.firstX, box.firstY,
                                        static_cast<std::uint32_t>(stateCount), forward);
    else
        detail::ScanRows<std::uint64_t>(scratch.data(), stride, width, height, box.firstX, box.firstY,
                                        static_cast<std::uint64_t>(stateCount), forward);
}

// The neighbourhood index of (x, y) in `grid`, NW most significant; neighbours beyond the
// plane's edge are background.
std::uint64_t NeighborhoodIndexAt(const core::ChunkGrid& grid, int stateCount, std::int32_t x, std::int32_t y);

// Throws the scans' std::length_error when `grid` is too spread out for them; an edit checks a new
// grid with this before it changes anything.
void CheckGridScannable(const core::ChunkGrid& grid);

// Calls visit(x, y, index) for every cell of the box of all stored chunks (empty kept chunks
// included) widened by one cell on every side, rows in ascending y, cells in ascending x; index
// is the neighbourhood index, NW most significant. Nothing is visited on a grid without chunks.
// scratch receives the region copy and is reused across calls. Border cells beyond the 32-bit
// plane are visited with wrapped coordinates; a box too large for memory throws std::length_error.
template <class F>
void ScanNeighborhoods(const core::ChunkGrid& grid, int stateCount, std::vector<std::uint8_t>& scratch,
                       F&& visit) {
    ScanNeighborhoodBlocks(grid, stateCount, scratch,
                           [&](std::int32_t x, std::int32_t y, std::uint64_t index, const std::uint8_t*,
                               std::size_t) { visit(x, y, index); });
}

// Reusable working memory of AdvanceLockTable.
struct LockScanScratch {
    std::vector<std::uint8_t> cells;
    // Up to 5 states: one bit per index handled in the current call; all clear between calls,
    // touched lists the bits to clear.
    std::vector<std::uint64_t> seen;
    std::vector<std::uint64_t> touched;
    // Above: a direct-mapped memo of handled indices, told apart from older calls by the stamp.
    struct MemoSlot {
        std::uint64_t index = 0;
        std::uint32_t stamp = 0;
    };
    std::vector<MemoSlot> memo;
    std::uint32_t stamp = 0;
    // Indices inserted by the two-table form, which does not report them.
    std::vector<std::uint64_t> added;
};

// Inserts into `table` the whole orbit of every neighbourhood of the grid whose canonical index
// it does not hold, appending each index it inserts to `added`.
void AdvanceLockTable(const core::ChunkGrid& grid, PackedLockTable& table, std::vector<std::uint64_t>& added,
                      core::RuleSymmetry symmetry, int stateCount, LockScanScratch& scratch);
// next becomes previous plus the whole orbit of every neighbourhood of the grid whose canonical
// index previous does not hold.
void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount, LockScanScratch& scratch);
void AdvanceLockTable(const core::ChunkGrid& grid, const PackedLockTable& previous, PackedLockTable& next,
                      core::RuleSymmetry symmetry, int stateCount);

}  // namespace authoring
