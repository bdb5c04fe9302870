#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/chunk_grid.h"
#include "core/life_like_kernel.h"

namespace core {

// A two-state plane stored one bit per cell in 64 x 64 tiles placed like the chunks of a
// ChunkGrid, for running many generations of a LifeLikeRule: a tile is stepped only when it or a
// tile around it changed in the last generation. Generation for generation it holds the cells
// StepGrid gives for the same rule, on the same plane.
class LifeGrid {
public:
    LifeGrid();
    // Every non-zero cell of `cells` is live.
    explicit LifeGrid(const ChunkGrid& cells);

    void Step(const LifeLikeRule& rule);

    ChunkGrid ToChunkGrid() const;
    std::uint64_t Population() const;
    // Tiles kept, empty ones included; empty tiles nothing can reach are dropped now and then.
    std::size_t TileCount() const { return tiles_.size() - 1; }

private:
    // Tile 0 is the background: always empty, never changed, the neighbour of every edge that has
    // none, so that passes over the tiles need not ask.
    static constexpr std::uint32_t kBackground = 0;
    using Rows = std::array<std::uint64_t, kTileRows>;

    // The cells of a tile: the current generation and a buffer for the next.
    using TileRows = std::array<Rows, 2>;

    struct Tile {
        ChunkCoord coord;
        std::array<std::uint32_t, 9> around;  // tile indices, 3 * (dy + 1) + (dx + 1); 4 is itself
        std::uint32_t found = 0;              // kTileLive and the reach of its current cells
        std::uint32_t missing = 0;            // bit k: no tile around at k (the background stands in)
    };

    std::uint32_t AddTile(ChunkCoord c);
    void Link(std::uint32_t index);
    void ReachOut();
    void DropUnreachableTiles();
    static std::uint32_t Summarize(const Rows& rows);

    // One entry per tile in each; the flags apart, a byte each, so that the passes that read them
    // for a tile's eight neighbours stay in the first-level cache.
    std::vector<Tile> tiles_;
    std::vector<TileRows> rows_;
    std::vector<std::uint8_t> current_;  // which of the tile's rows hold the current generation
    std::vector<std::uint8_t> changed_;  // differs from the generation before, or not known not to
    std::unordered_map<ChunkCoord, std::uint32_t, ChunkCoordHasher> index_;
    std::vector<std::uint32_t> work_;  // the tiles to step, and what stepping each found
    std::vector<std::uint32_t> found_;
    LifeTileRule words_{};
    LifeLikeRule rule_{};
    bool stepped_ = false;
    std::uint64_t generation_ = 0;
};

}  // namespace core
