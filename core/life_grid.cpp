#include "core/life_grid.h"

#include <algorithm>
#include <bit>

#include "core/worker_pool.h"

namespace core {

namespace {

// Background: what a tile that is not kept reads as.
constexpr std::array<std::uint64_t, kTileRows> kEmptyRows{};

// Empty tiles are looked for this often; dropping them costs a pass over every tile.
constexpr std::uint64_t kDropEvery = 64;

// Tiles stepped per task: enough to outweigh handing a task out.
constexpr std::size_t kTilesPerTask = 16;

ChunkCoord Beside(ChunkCoord c, int k) { return {c.x + k % 3 - 1, c.y + k / 3 - 1}; }

bool OnPlane(ChunkCoord c, int k) { return IsPlaneChunk(std::int64_t{c.x} + k % 3 - 1, std::int64_t{c.y} + k / 3 - 1); }

}  // namespace

LifeGrid::LifeGrid(const ChunkGrid& cells) {
    cells.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        Rows& rows = rows_[AddTile({cx, cy})][0];
        for (int y = 0; y < kTileRows; ++y) {
            std::uint64_t word = 0;
            for (int x = 0; x < kChunkSide; ++x) word |= std::uint64_t{chunk.cells[y * kChunkSide + x] != 0} << x;
            rows[y] = word;
        }
    });
    for (std::size_t i = 0; i < tiles_.size(); ++i) tiles_[i].found = Summarize(rows_[i][0]);
}

std::uint32_t LifeGrid::Summarize(const Rows& rows) {
    std::uint64_t columns = 0;
    for (std::uint64_t row : rows) columns |= row;
    return TileLiveAndReach(rows.front(), columns, rows.back());
}

std::uint32_t LifeGrid::AddTile(ChunkCoord c) {
    const auto index = static_cast<std::uint32_t>(tiles_.size());
    tiles_.emplace_back();
    tiles_.back().coord = c;
    rows_.emplace_back();
    index_.emplace(c, index);
    Link(index);
    return index;
}

void LifeGrid::Link(std::uint32_t index) {
    Tile& tile = tiles_[index];
    tile.around.fill(kNoTile);
    tile.around[4] = index;
    for (int k = 0; k < 9; ++k) {
        if (k == 4 || !OnPlane(tile.coord, k)) continue;
        const auto found = index_.find(Beside(tile.coord, k));
        if (found == index_.end()) continue;
        tile.around[k] = found->second;
        tiles_[found->second].around[8 - k] = index;
    }
}

// Every square a live cell of a changed tile touches gets a tile, so that the step sees it.
void LifeGrid::ReachOut() {
    const std::size_t count = tiles_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (!tiles_[i].changed) continue;
        const std::uint32_t reach = tiles_[i].found >> kTileReachShift;
        for (int k = 0; k < 9; ++k)
            if ((reach >> k & 1) && tiles_[i].around[k] == kNoTile && OnPlane(tiles_[i].coord, k)) {
                // A new tile is empty now and was a generation ago: it has not changed.
                tiles_[AddTile(Beside(tiles_[i].coord, k))].changed = false;
            }
    }
}

// Drops the empty, settled tiles no live cell touches, when there are enough of them.
void LifeGrid::DropUnreachableTiles() {
    auto keep = [&](const Tile& tile) {
        if (tile.changed || (tile.found & kTileLive)) return true;
        for (int k = 0; k < 9; ++k) {
            const std::uint32_t j = tile.around[k];
            if (k != 4 && j != kNoTile && (tiles_[j].found >> kTileReachShift >> (8 - k) & 1)) return true;
        }
        return false;
    };
    std::vector<std::uint32_t> kept;
    for (std::uint32_t i = 0; i < tiles_.size(); ++i)
        if (keep(tiles_[i])) kept.push_back(i);
    if (8 * (tiles_.size() - kept.size()) < tiles_.size()) return;
    std::vector<Tile> before;
    std::vector<TileRows> rowsBefore;
    before.swap(tiles_);
    rowsBefore.swap(rows_);
    tiles_.reserve(kept.size());
    rows_.reserve(kept.size());
    index_.clear();
    for (std::uint32_t i : kept) {
        index_.emplace(before[i].coord, static_cast<std::uint32_t>(tiles_.size()));
        tiles_.push_back(before[i]);
        rows_.push_back(rowsBefore[i]);
    }
    for (std::uint32_t i = 0; i < tiles_.size(); ++i) Link(i);
}

void LifeGrid::Step(const LifeLikeRule& rule) {
    // What a tile did under another rule says nothing of what it does under this one.
    if (!stepped_ || rule.birth != rule_.birth || rule.survive != rule_.survive) {
        words_ = LifeTileRuleFor(rule);
        rule_ = rule;
        stepped_ = true;
        for (Tile& tile : tiles_) tile.changed = true;
    }
    ReachOut();
    // A tile whose neighbourhood did not change keeps its cells.
    ++generation_;
    work_.clear();
    for (const Tile& tile : tiles_) {
        if (!tile.changed) continue;
        for (std::uint32_t j : tile.around)
            if (j != kNoTile && tiles_[j].mark != generation_) {
                tiles_[j].mark = generation_;
                work_.push_back(j);
            }
    }
    auto stepSome = [this](int task) {
        const std::size_t first = static_cast<std::size_t>(task) * kTilesPerTask;
        const std::size_t last = std::min(work_.size(), first + kTilesPerTask);
        for (std::size_t w = first; w < last; ++w) {
            const std::uint32_t i = work_[w];
            const Tile& tile = tiles_[i];
            const std::uint64_t* around[9];
            for (int k = 0; k < 9; ++k) {
                const std::uint32_t j = tile.around[k];
                around[k] = j == kNoTile ? kEmptyRows.data() : rows_[j][tiles_[j].current].data();
            }
            // Not into the tile: tasks would write the lines other tasks read neighbours from.
            found_[w] = StepLifeTile(words_, around, rows_[i][tile.current ^ 1].data());
        }
    };
    found_.resize(work_.size());
    ParallelFor(static_cast<int>((work_.size() + kTilesPerTask - 1) / kTilesPerTask), stepSome);
    for (Tile& tile : tiles_) tile.changed = false;
    for (std::size_t w = 0; w < work_.size(); ++w) {
        Tile& tile = tiles_[work_[w]];
        tile.found = found_[w];
        tile.changed = (tile.found & kTileChanged) != 0;
        // An unchanged tile keeps its buffer: the one just written holds the same cells.
        if (tile.changed) tile.current ^= 1;
        tile.found &= ~kTileChanged;
    }
    if (generation_ % kDropEvery == 0) DropUnreachableTiles();
}

std::uint64_t LifeGrid::Population() const {
    std::uint64_t live = 0;
    for (std::size_t i = 0; i < tiles_.size(); ++i)
        if (tiles_[i].found & kTileLive)
            for (std::uint64_t row : rows_[i][tiles_[i].current]) live += static_cast<std::uint64_t>(std::popcount(row));
    return live;
}

ChunkGrid LifeGrid::ToChunkGrid() const {
    ChunkGrid grid;
    ChunkGrid::Map& chunks = grid.MutableChunks();
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        const Tile& tile = tiles_[i];
        if (!(tile.found & kTileLive)) continue;
        Chunk64& chunk = chunks.try_emplace(tile.coord, Unfilled{}).first->second;
        std::uint32_t live = 0;
        const Rows& rows = rows_[i][tile.current];
        for (int y = 0; y < kTileRows; ++y) {
            for (int x = 0; x < kChunkSide; ++x) chunk.cells[y * kChunkSide + x] = static_cast<std::uint8_t>(rows[y] >> x & 1);
            live += static_cast<std::uint32_t>(std::popcount(rows[y]));
        }
        chunk.liveCount = live;
    }
    return grid;
}

}  // namespace core
