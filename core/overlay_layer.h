#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/chunk_grid.h"

namespace core {

template <class T>
struct SparseChunk64 {
    SparseChunk64() : values{} {}
    explicit SparseChunk64(Unfilled) {}

    std::array<T, kChunkCells> values;
    std::uint32_t nonZeroCount = 0;
};

// Sparse per-cell values with the chunk grid's sharing and copy on write; a chunk is stored
// only while it holds a non-zero value.
template <class T>
class OverlayLayer {
public:
    using Chunk = SparseChunk64<T>;
    using Map = std::unordered_map<ChunkCoord, Chunk, ChunkCoordHasher>;

    OverlayLayer() : map_(std::make_shared<Map>()) { map_->max_load_factor(1.0f); }

    void EnsureUnique() {
        if (map_.use_count() != 1) map_ = std::make_shared<Map>(*map_);
    }

    T ValueAt(std::int32_t x, std::int32_t y) const {
        const Chunk* chunk = FindChunk(ChunkOf(x), ChunkOf(y));
        return chunk ? chunk->values[LocalOf(y) * kChunkSide + LocalOf(x)] : T{0};
    }

    void SetValue(std::int32_t x, std::int32_t y, T value) {
        EnsureUnique();
        const ChunkCoord key{ChunkOf(x), ChunkOf(y)};
        const int local = LocalOf(y) * kChunkSide + LocalOf(x);
        if (value != 0) {
            Chunk& chunk = (*map_)[key];
            T& slot = chunk.values[local];
            if (slot == 0) ++chunk.nonZeroCount;
            slot = value;
            return;
        }
        const auto it = map_->find(key);
        if (it == map_->end() || it->second.values[local] == 0) return;
        it->second.values[local] = 0;
        if (--it->second.nonZeroCount == 0) map_->erase(it);
    }

    // Replaces one chunk by 4096 values; kept only when one of them is non-zero.
    void StoreChunk(std::int32_t cx, std::int32_t cy, const T* values) {
        EnsureUnique();
        std::uint32_t count = 0;
        if (values)
            for (int i = 0; i < kChunkCells; ++i) count += values[i] != 0;
        if (count == 0) {
            map_->erase(ChunkCoord{cx, cy});
            return;
        }
        Chunk& chunk = (*map_)[ChunkCoord{cx, cy}];
        std::memcpy(chunk.values.data(), values, sizeof(T) * kChunkCells);
        chunk.nonZeroCount = count;
    }

    const Chunk* FindChunk(std::int32_t cx, std::int32_t cy) const {
        const auto it = map_->find(ChunkCoord{cx, cy});
        return it == map_->end() ? nullptr : &it->second;
    }

    void EraseEmptyChunks() {
        EnsureUnique();
        std::erase_if(*map_, [](const auto& entry) { return entry.second.nonZeroCount == 0; });
    }

    template <class Visitor>
    void ForEachChunk(Visitor&& visitor) const {
        for (const auto& [coord, chunk] : *map_) visitor(coord.x, coord.y, chunk);
    }

    std::size_t ChunkCount() const { return map_->size(); }
    const Map& Chunks() const { return *map_; }
    // Direct access for builders that own a fresh, unshared layer; they store non-empty chunks only.
    Map& MutableChunks() {
        EnsureUnique();
        return *map_;
    }
    bool SharesStorageWith(const OverlayLayer& other) const { return map_ == other.map_; }
    // Whether a copy holds the same chunks, so that a change must first copy them.
    bool Shared() const { return map_.use_count() != 1; }

private:
    std::shared_ptr<Map> map_;
};

// Low byte: 1 + the state before the latest change; high byte: generations since then.
using HistoryLayer = OverlayLayer<std::uint16_t>;
// Lineage ids 1..8 of live cells.
using LineageLayer = OverlayLayer<std::uint8_t>;
// Low byte: marker 1..8; high byte: the state the cell had when set aside.
using AnnotationLayer = OverlayLayer<std::uint16_t>;

// Trails of `next` from the previous generation and its trails.
void StepHistory(const ChunkGrid& previous, const HistoryLayer& previousHistory, const ChunkGrid& next,
                 HistoryLayer& nextHistory);
// The same, changing `history` where it lies when no copy shares its chunks: no layer is built.
void AdvanceHistory(const ChunkGrid& previous, const ChunkGrid& next, HistoryLayer& history);
// Lineage of the live cells of `next`: survivors keep theirs, births take a strict majority.
void StepLineages(const ChunkGrid& previous, const LineageLayer& previousLineage, const ChunkGrid& next,
                  LineageLayer& nextLineage);

}  // namespace core
