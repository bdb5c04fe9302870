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
    LifeGrid() = default;
    // Every non-zero cell of `cells` is live.
    explicit LifeGrid(const ChunkGrid& cells);

    void Step(const LifeLikeRule& rule);

    ChunkGrid ToChunkGrid() const;
    std::uint64_t Population() const;
    // Tiles kept, empty ones included; empty tiles nothing can reach are dropped now and then.
    std::size_t TileCount() const { return tiles_.size(); }

private:
    static constexpr std::uint32_t kNoTile = ~std::uint32_t{0};
    using Rows = std::array<std::uint64_t, kTileRows>;

    // The cells of a tile: the current generation and a buffer for the next.
    using TileRows = std::array<Rows, 2>;

    // Apart from the cells, so that passes over every tile read little memory.
    struct Tile {
        ChunkCoord coord;
        std::array<std::uint32_t, 9> around;  // tile indices, 3 * (dy + 1) + (dx + 1); 4 is itself
        std::uint8_t current = 0;
        bool changed = true;  // differs from the generation before, or not known to be the same
        std::uint32_t found = 0;  // kTileLive and the reach of its current cells
        std::uint64_t mark = 0;   // the step that last put it on the work list
    };

    std::uint32_t AddTile(ChunkCoord c);
    void Link(std::uint32_t index);
    void ReachOut();
    void DropUnreachableTiles();
    static std::uint32_t Summarize(const Rows& rows);

    std::vector<Tile> tiles_;
    std::vector<TileRows> rows_;  // one per tile
    std::unordered_map<ChunkCoord, std::uint32_t, ChunkCoordHasher> index_;
    std::vector<std::uint32_t> work_;  // the tiles to step, and what stepping each found
    std::vector<std::uint32_t> found_;
    LifeTileRule words_{};
    LifeLikeRule rule_{};
    bool stepped_ = false;
    std::uint64_t generation_ = 0;
};

}  // namespace core
