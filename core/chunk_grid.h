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

    ChunkGrid();

    void EnsureUnique();

    std::uint8_t CellAt(std::int32_t x, std::int32_t y) const;
    void SetCell(std::int32_t x, std::int32_t y, std::uint8_t state);
    // Replaces chunk (cx, cy) by the 4096 cells given; an all-background or null block removes it.
    // Off the plane nothing is stored: cells out there vanish.
    void StoreChunk(std::int32_t cx, std::int32_t cy, const std::uint8_t* cells);
    // Keeps (cx, cy) as an empty chunk of the given age (not off the plane).
    void StoreEmptyChunk(std::int32_t cx, std::int32_t cy, std::uint8_t emptyAge);
    void RemoveChunk(std::int32_t cx, std::int32_t cy);
    void EraseEmptyChunks();

    const Chunk64* FindChunk(std::int32_t cx, std::int32_t cy) const;
    const Map& Chunks() const { return *map_; }
    std::size_t ChunkCount() const { return map_->size(); }
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

private:
    std::shared_ptr<Map> map_;
};

LiveChunkBounds GetLiveChunkBounds(const ChunkGrid& grid);
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
