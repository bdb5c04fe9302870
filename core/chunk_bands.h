#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/chunk_grid.h"
#include "core/worker_pool.h"

namespace core {

// Chunks per task: enough work to outweigh handing it to another thread, few enough to share
// the work evenly. A list of one band stays on the calling thread.
inline constexpr std::size_t kChunksPerBand = 16;

// Scratch maps, one per band, kept between calls so that their buckets are allocated only once.
template <class Map>
using BandMaps = std::vector<Map>;

// Builds the chunk at every coordinate of `coords` (distinct, none already in `target`) with
// build(coord, chunk), which fills every value of a fresh, unfilled chunk and returns whether to
// keep it; it is called from several threads at once. Bands of consecutive coordinates run on
// the worker pool, each into its own map; the maps are then spliced into `target` in band order,
// so the result does not depend on the number of threads.
template <class Map, class Build>
void BuildChunksInBands(const std::vector<ChunkCoord>& coords, Map& target, BandMaps<Map>& bands, Build&& build) {
    const std::size_t bandCount = (coords.size() + kChunksPerBand - 1) / kChunksPerBand;
    if (bands.size() < bandCount) bands.resize(bandCount);
    auto runBand = [&](int band) {
        Map& out = bands[static_cast<std::size_t>(band)];
        out.clear();
        const std::size_t first = static_cast<std::size_t>(band) * kChunksPerBand;
        const std::size_t end = std::min(coords.size(), first + kChunksPerBand);
        for (std::size_t i = first; i < end; ++i) {
            const auto it = out.try_emplace(coords[i], Unfilled{}).first;
            if (!build(coords[i], it->second)) out.erase(it);
        }
    };
    ParallelFor(static_cast<int>(bandCount), runBand);
    std::size_t total = target.size();
    for (std::size_t b = 0; b < bandCount; ++b) total += bands[b].size();
    target.reserve(total);
    for (std::size_t b = 0; b < bandCount; ++b) target.merge(bands[b]);
}

// Non-zero values among the kChunkCells of a chunk. Counted per block in a byte, which the
// compiler keeps in vector lanes, and widened once per block: three times as fast as widening
// every value.
template <class T>
std::uint32_t CountNonZero(const T* values) {
    constexpr int kBlock = 128;
    std::uint32_t count = 0;
    for (int block = 0; block < kChunkCells; block += kBlock) {
        std::uint8_t partial = 0;
        for (int i = 0; i < kBlock; ++i) partial = static_cast<std::uint8_t>(partial + (values[block + i] != 0));
        count += partial;
    }
    return count;
}

}  // namespace core
