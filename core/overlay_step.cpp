#include <algorithm>
#include <vector>

#include "core/chunk_bands.h"
#include "core/heap_retention.h"
#include "core/overlay_layer.h"
#include "core/step_kernels.h"

namespace core {

namespace {

constexpr std::array<std::uint8_t, kChunkCells> kNoCells{};

const std::uint8_t* CellsAt(const ChunkGrid& grid, ChunkCoord c) {
    const Chunk64* chunk = grid.FindChunk(c.x, c.y);
    return chunk ? chunk->cells.data() : kNoCells.data();
}

// A chunk's trails from the grids around a step, over the values it holds.
bool AdvanceTrails(const ChunkGrid& previous, const ChunkGrid& next, ChunkCoord c, HistoryLayer::Chunk& chunk) {
    chunk.nonZeroCount = HistoryKernel(kChunkCells, CellsAt(previous, c), CellsAt(next, c), chunk.values.data());
    return chunk.nonZeroCount != 0;
}

// The calling thread's, named through references: a task on another thread that named a
// thread_local would get that thread's own.
struct HistoryScratch {
    std::vector<ChunkCoord> coords;
    std::vector<std::uint8_t> keep;
    std::vector<std::pair<ChunkCoord, HistoryLayer::Chunk*>> held;
    BandMaps<HistoryLayer::Map> bands;
};

HistoryScratch& ThreadHistoryScratch() {
    thread_local HistoryScratch scratch;
    return scratch;
}

// Every chunk of `previous`, then those of `next` and of `also` not met before, each once: sorted
// out in bands rather than through a set. With `skipAlso`, the chunks `also` holds are left out.
void CollectChunks(const ChunkGrid& previous, const ChunkGrid& next, const HistoryLayer& also, bool skipAlso,
                   HistoryScratch& scratch) {
    std::vector<ChunkCoord>& coords = scratch.coords;
    std::vector<std::uint8_t>& keep = scratch.keep;
    coords.clear();
    for (const auto& entry : previous.Chunks()) coords.push_back(entry.first);
    for (const auto& entry : next.Chunks()) coords.push_back(entry.first);
    if (!skipAlso)
        for (const auto& entry : also.Chunks()) coords.push_back(entry.first);
    const std::size_t inPrevious = previous.ChunkCount(), inEither = inPrevious + next.ChunkCount();
    keep.resize(coords.size());
    auto sortOut = [&](int band) {
        const std::size_t first = static_cast<std::size_t>(band) * kChunksPerBand;
        for (std::size_t i = first; i < std::min(coords.size(), first + kChunksPerBand); ++i) {
            const ChunkCoord c = coords[i];
            const bool firstMet =
                i < inPrevious || (!previous.FindChunk(c.x, c.y) && (i < inEither || !next.FindChunk(c.x, c.y)));
            keep[i] = firstMet && !(skipAlso && also.FindChunk(c.x, c.y));
        }
    };
    ParallelFor(static_cast<int>((coords.size() + kChunksPerBand - 1) / kChunksPerBand), sortOut);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < coords.size(); ++i)
        if (keep[i]) coords[kept++] = coords[i];
    coords.resize(kept);
}

}  // namespace

void StepHistory(const ChunkGrid& previous, const HistoryLayer& previousHistory, const ChunkGrid& next,
                 HistoryLayer& nextHistory) {
    RetainFreedMemory();
    HistoryScratch& scratch = ThreadHistoryScratch();
    CollectChunks(previous, next, previousHistory, false, scratch);
    HistoryLayer result;
    BuildChunksInBands(scratch.coords, result.MutableChunks(), scratch.bands,
                       [&](ChunkCoord c, HistoryLayer::Chunk& chunk) {
                           const auto* trail = previousHistory.FindChunk(c.x, c.y);
                           if (trail) chunk.values = trail->values;
                           else chunk.values.fill(0);
                           return AdvanceTrails(previous, next, c, chunk);
                       });
    nextHistory = result;
}

void AdvanceHistory(const ChunkGrid& previous, const ChunkGrid& next, HistoryLayer& history) {
    if (history.Shared()) {
        HistoryLayer result;
        StepHistory(previous, history, next, result);
        history = result;
        return;
    }
    RetainFreedMemory();
    HistoryScratch& scratch = ThreadHistoryScratch();
    // The trails held: each ages, or restarts where its cell changed, where it is.
    HistoryLayer::Map& map = history.MutableChunks();
    auto& held = scratch.held;
    held.clear();
    for (auto& [coord, chunk] : map) held.emplace_back(coord, &chunk);
    auto advanceBand = [&](int band) {
        const std::size_t first = static_cast<std::size_t>(band) * kChunksPerBand;
        for (std::size_t i = first; i < std::min(held.size(), first + kChunksPerBand); ++i)
            AdvanceTrails(previous, next, held[i].first, *held[i].second);
    };
    ParallelFor(static_cast<int>((held.size() + kChunksPerBand - 1) / kChunksPerBand), advanceBand);
    // Trails starting where none was held.
    CollectChunks(previous, next, history, true, scratch);
    BuildChunksInBands(scratch.coords, map, scratch.bands, [&](ChunkCoord c, HistoryLayer::Chunk& chunk) {
        chunk.values.fill(0);
        return AdvanceTrails(previous, next, c, chunk);
    });
    std::erase_if(map, [](const auto& entry) { return entry.second.nonZeroCount == 0; });
}

void StepLineages(const ChunkGrid& previous, const LineageLayer& previousLineage, const ChunkGrid& next,
                  LineageLayer& nextLineage) {
    LineageLayer result;
    // Without any lineage before, neither survivors nor births can carry one.
    if (previousLineage.ChunkCount() == 0) {
        nextLineage = result;
        return;
    }
    next.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        for (int local = 0; local < kChunkCells; ++local) {
            if (chunk.cells[local] == 0) continue;
            const auto x = static_cast<std::int32_t>(std::int64_t{cx} * kChunkSide + local % kChunkSide);
            const auto y = static_cast<std::int32_t>(std::int64_t{cy} * kChunkSide + local / kChunkSide);
            if (previous.CellAt(x, y) != 0) {
                if (const std::uint8_t id = previousLineage.ValueAt(x, y)) result.SetValue(x, y, id);
                continue;
            }
            int total = 0;
            int count[9] = {};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const std::int64_t nx = std::int64_t{x} + dx, ny = std::int64_t{y} + dy;
                    // Past the plane's edge every neighbour is background.
                    if ((dx | dy) == 0 || nx < kPlaneMin || nx > kPlaneMax || ny < kPlaneMin || ny > kPlaneMax)
                        continue;
                    const auto px = static_cast<std::int32_t>(nx), py = static_cast<std::int32_t>(ny);
                    if (previous.CellAt(px, py) == 0) continue;
                    ++total;
                    const std::uint8_t id = previousLineage.ValueAt(px, py);
                    if (id >= 1 && id <= 8) ++count[id];
                }
            for (int id = 1; id <= 8; ++id)
                if (count[id] > total / 2) {
                    result.SetValue(x, y, static_cast<std::uint8_t>(id));
                    break;
                }
        }
    });
    nextLineage = result;
}

}  // namespace core
