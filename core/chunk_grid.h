#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

namespace core {

inline constexpr int kChunkSide = 64;
inline constexpr int kChunkCells = kChunkSide * kChunkSide;

struct ChunkCoord {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ChunkCoord&, const ChunkCoord&) = default;
};

// FNV-1a over the bytes of x and of y, combined.
std::uint64_t HashChunkCoord(ChunkCoord coord);

struct ChunkCoordHasher {
    std::size_t operator()(const ChunkCoord& coord) const noexcept {
        return static_cast<std::size_t>(HashChunkCoord(coord));
    }
};

// Floor division by the chunk side, for negative cells too (C++20 shifts are arithmetic).
inline std::int32_t ChunkOf(std::int32_t cell) { return cell >> 6; }
inline int LocalOf(std::int32_t cell) { return cell & (kChunkSide - 1); }

// Cells live on the signed 32-bit square; beyond it everything is background for good. Its
// chunks are exactly the chunks of those cells, since 64 divides 2^32.
inline constexpr std::int64_t kPlaneMin = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int64_t kPlaneMax = std::numeric_limits<std::int32_t>::max();
inline constexpr std::int32_t kMinChunk = std::numeric_limits<std::int32_t>::min() >> 6;
inline constexpr std::int32_t kMaxChunk = std::numeric_limits<std::int32_t>::max() >> 6;
// 64-bit arguments so that a neighbour of an edge chunk can be asked about without overflow.
inline bool IsPlaneChunk(std::int64_t cx, std::int64_t cy) {
    return cx >= kMinChunk && cx <= kMaxChunk && cy >= kMinChunk && cy <= kMaxChunk;
}

// Constructor tag for builders that write every value of a new chunk before anything reads it,
// so that its memory is not cleared first.
struct Unfilled {};

struct Chunk64 {
    Chunk64() : cells{} {}
    explicit Chunk64(Unfilled) {}

    std::array<std::uint8_t, kChunkCells> cells;
    std::uint32_t liveCount = 0;
    // Generations the stepping engine has kept this chunk empty; 0 otherwise.
    std::uint8_t emptyAge = 0;
    // The 8x8-cell blocks (bit 8 * row + column) that may differ from this place one and two
    // generations earlier. Meaningful only in a grid that carries its step history.
    std::uint64_t changedSince1 = ~std::uint64_t{0};
    std::uint64_t changedSince2 = ~std::uint64_t{0};
    // This place one generation earlier (null: background), held alive by the grid's history and
    // read only while the grid carries it.
    const Chunk64* previous = nullptr;
};

struct LiveChunkBounds {
    std::int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool valid = false;
};

// Unbounded plane of cells in 64x64 chunks. Copies share the chunk map; the first change
// through a copy gives it its own map.
class ChunkGrid {
public:
    using Map = std::unordered_map<ChunkCoord, Chunk64, ChunkCoordHasher>;

    // How a stepped grid came to be: the two generations before it and the keys of the rules
    // that made it and its predecessor (0: unknown). The stepping engine reuses results only
    // under the same key; any change to the grid forgets all of it.
    struct StepHistory {
        std::shared_ptr<const Map> back1, back2;
        std::uint64_t madeBy = 0, previousMadeBy = 0;
        std::uint32_t steps = 0;  // how many keyed steps led here
    };

    ChunkGrid();

    void EnsureUnique();

    std::uint8_t CellAt(std::int32_t x, std::int32_t y) const;
    void SetCell(std::int32_t x, std::int32_t y, std::uint8_t state);
    // Replaces chunk (cx, cy) by the 4096 cells given; an all-background or null block removes it.
    // Off the plane nothing is stored: cells out there vanish.
    void StoreChunk(std::int32_t cx, std::int32_t cy, const std::uint8_t* cells);
    // Keeps (cx, cy) as an empty chunk of the given age (not off the plane), with the given
    // changedSince1, changedSince2 and previous.
    void StoreEmptyChunk(std::int32_t cx, std::int32_t cy, std::uint8_t emptyAge,
                         std::uint64_t changed1 = ~std::uint64_t{0}, std::uint64_t changed2 = ~std::uint64_t{0},
                         const Chunk64* previous = nullptr);
    void RemoveChunk(std::int32_t cx, std::int32_t cy);
    void EraseEmptyChunks();

    const Chunk64* FindChunk(std::int32_t cx, std::int32_t cy) const;
    const Map& Chunks() const { return *map_; }
    std::size_t ChunkCount() const { return map_->size(); }
    // Live cells in all chunks.
    std::uint64_t Population() const {
        std::uint64_t live = 0;
        for (const auto& entry : *map_) live += entry.second.liveCount;
        return live;
    }
    bool SharesStorageWith(const ChunkGrid& other) const { return map_ == other.map_; }

    template <class Visitor>
    void ForEachChunk(Visitor&& visitor) const {
        for (const auto& [coord, chunk] : *map_) visitor(coord.x, coord.y, chunk);
    }

    // Direct access for builders that own a fresh, unshared grid; they store plane chunks only.
    Map& MutableChunks() {
        EnsureUnique();
        return *map_;
    }
    void Reserve(std::size_t chunkCount);

    const StepHistory& History() const { return history_; }
    // Only for the stepping engine, on a grid it has just built, after its last change.
    void SetHistory(StepHistory history) { history_ = std::move(history); }
    std::shared_ptr<const Map> SharedChunks() const { return map_; }
    // The same cells without the generations behind them, for keeping long (an undo record).
    ChunkGrid WithoutHistory() const {
        ChunkGrid copy = *this;
        copy.history_ = StepHistory();
        return copy;
    }

private:
    std::shared_ptr<Map> map_;
    StepHistory history_;
};

// Sets cells one after another (SetCell is one of them), looking a chunk up only when a cell
// leaves the last chunk touched: cells that come row by row cost one lookup per chunk crossed,
// not one per cell. The grid must not be copied or changed otherwise while the writer is in use.
class CellWriter {
public:
    explicit CellWriter(ChunkGrid& grid) : grid_(grid) {}

    void Set(std::int32_t x, std::int32_t y, std::uint8_t state) {
        const ChunkCoord key{ChunkOf(x), ChunkOf(y)};
        if ((chunk_ == nullptr || !(key == key_)) && !Seek(key, state != 0)) return;
        std::uint8_t& cell = chunk_->cells[LocalOf(y) * kChunkSide + LocalOf(x)];
        if (cell == state) return;
        if (state != 0) {
            if (cell == 0) ++chunk_->liveCount;
            cell = state;
            chunk_->emptyAge = 0;
            return;
        }
        cell = 0;
        if (--chunk_->liveCount == 0) Drop();
    }

private:
    // Makes key's chunk the current one, creating it only when asked; false when there is none.
    bool Seek(ChunkCoord key, bool create);
    void Drop();

    ChunkGrid& grid_;
    ChunkGrid::Map* map_ = nullptr;  // taken on the first cell, as SetCell would unshare it then
    Chunk64* chunk_ = nullptr;
    ChunkCoord key_;
};

// SetCell for each element of cells (anything with x, y and state), in order.
template <class Cells>
void SetCells(ChunkGrid& grid, const Cells& cells) {
    CellWriter writer(grid);
    for (const auto& cell : cells) writer.Set(cell.x, cell.y, cell.state);
}

LiveChunkBounds GetLiveChunkBounds(const ChunkGrid& grid);
// The chunks a step under a rule that keeps empty neighbourhoods empty may make live: every live
// chunk, and each chunk around one that a live cell on its border touches.
std::vector<ChunkCoord> CollectAutomatonCandidateChunks(const ChunkGrid& grid);

// buffer becomes width x height bytes holding the cells of the rectangle at (x0, y0). The
// rectangle may reach past the plane (a window around its edge cells); cells there read as 0.
void CopyGridRegionToBuffer(const ChunkGrid& grid, std::int64_t x0, std::int64_t y0, std::int32_t width,
                            std::int32_t height, std::vector<std::uint8_t>& buffer);
// target becomes a new grid holding the non-zero cells of the row-major buffer placed at (x0, y0);
// cells that land past the plane are dropped.
void GridFromRegionBuffer(ChunkGrid& target, std::int32_t x0, std::int32_t y0, std::int32_t width,
                          std::int32_t height, const std::vector<std::uint8_t>& buffer);
bool TryAccumulateActiveCellBoundsFromGrid(const ChunkGrid& grid, std::int32_t& minX, std::int32_t& minY,
                                           std::int32_t& maxX, std::int32_t& maxY);

}  // namespace core
