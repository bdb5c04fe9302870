#include "core/life_grid.h"

#include <algorithm>
#include <bit>

#include "core/worker_pool.h"

namespace core {

namespace {

// Empty tiles are looked for this often; dropping them costs a pass over every tile.
constexpr std::uint64_t kDropEvery = 64;

// Tiles stepped per task: enough to outweigh handing a task out.
constexpr std::size_t kTilesPerTask = 16;

ChunkCoord Beside(ChunkCoord c, int k) { return {c.x + k % 3 - 1, c.y + k / 3 - 1}; }

bool OnPlane(ChunkCoord c, int k) { return IsPlaneChunk(std::int64_t{c.x} + k % 3 - 1, std::int64_t{c.y} + k / 3 - 1); }

}  // namespace

LifeGrid::LifeGrid() : tiles_(1), rows_(1), current_(1, 0), changed_(1, 0) { tiles_[0].around.fill(kBackground); }

LifeGrid::LifeGrid(const ChunkGrid& cells) : LifeGrid() {
    cells.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        Rows& rows = rows_[AddTile({cx, cy})][0];
        for (int y = 0; y < kTileRows; ++y) {
            std::uint64_t word = 0;
            for (int x = 0; x < kChunkSide; ++x) word |= std::uint64_t{chunk.cells[y * kChunkSide + x] != 0} << x;
            rows[y] = word;
        }
    });
    for (std::size_t i = 1; i < tiles_.size(); ++i) tiles_[i].found = Summarize(rows_[i][0]);
}

std::uint32_t LifeGrid::Summarize(const Rows& rows) {
    std::uint64_t columns = 0;
    for (std::uint64_t row : rows) columns |= row;
    return TileLiveAndReach(rows.front(), columns, rows.back());
}

// A new tile is empty and has not changed: it was background a generation ago.
std::uint32_t LifeGrid::AddTile(ChunkCoord c) {
    const auto index = static_cast<std::uint32_t>(tiles_.size());
    tiles_.emplace_back();
    tiles_.back().coord = c;
    rows_.emplace_back();
    current_.push_back(0);
    changed_.push_back(0);
    index_.emplace(c, index);
    Link(index);
    return index;
}

void LifeGrid::Link(std::uint32_t index) {
    Tile& tile = tiles_[index];
    tile.around.fill(kBackground);
    tile.around[4] = index;
    tile.missing = 0x1EF;
    for (int k = 0; k < 9; ++k) {
        if (k == 4 || !OnPlane(tile.coord, k)) continue;
        const auto found = index_.find(Beside(tile.coord, k));
        if (found == index_.end()) continue;
        Tile& other = tiles_[found->second];
        tile.around[k] = found->second;
        tile.missing &= ~(1u << k);
        other.around[8 - k] = index;
        other.missing &= ~(1u << (8 - k));
    }
}

// Every square a live cell of a changed tile touches gets a tile, so that the step sees it.
void LifeGrid::ReachOut() {
    const std::size_t count = tiles_.size();
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t wanted = changed_[i] ? tiles_[i].found >> kTileReachShift & tiles_[i].missing : 0;
        for (int k = 0; k < 9; ++k)
            if ((wanted >> k & 1) && OnPlane(tiles_[i].coord, k)) AddTile(Beside(tiles_[i].coord, k));
    }
}

// Drops the empty, settled tiles no live cell touches, when there are enough of them.
void LifeGrid::DropUnreachableTiles() {
    auto keep = [&](std::uint32_t i) {
        const Tile& tile = tiles_[i];
        if (changed_[i] || (tile.found & kTileLive)) return true;
        for (int k = 0; k < 9; ++k)
            if (k != 4 && (tiles_[tile.around[k]].found >> kTileReachShift >> (8 - k) & 1)) return true;
        return false;
    };
    std::vector<std::uint32_t> kept;
    for (std::uint32_t i = 1; i < tiles_.size(); ++i)
        if (keep(i)) kept.push_back(i);
    const std::size_t dropped = TileCount() - kept.size();
    if (8 * dropped < TileCount()) return;
    LifeGrid rebuilt;
    rebuilt.tiles_.reserve(kept.size() + 1);
    rebuilt.rows_.reserve(kept.size() + 1);
    for (std::uint32_t i : kept) {
        const std::uint32_t j = rebuilt.AddTile(tiles_[i].coord);
        rebuilt.tiles_[j].found = tiles_[i].found;
        rebuilt.rows_[j] = rows_[i];
        rebuilt.current_[j] = current_[i];
        rebuilt.changed_[j] = changed_[i];
    }
    tiles_ = std::move(rebuilt.tiles_);
    rows_ = std::move(rebuilt.rows_);
    current_ = std::move(rebuilt.current_);
    changed_ = std::move(rebuilt.changed_);
    index_ = std::move(rebuilt.index_);
}

void LifeGrid::Step(const LifeLikeRule& rule) {
    // What a tile did under another rule says nothing of what it does under this one.
    if (!stepped_ || rule.birth != rule_.birth || rule.survive != rule_.survive) {
        words_ = LifeTileRuleFor(rule);
        rule_ = rule;
        stepped_ = true;
        std::fill(changed_.begin() + 1, changed_.end(), 1);
    }
    ReachOut();
    // A tile whose neighbourhood did not change keeps its cells.
    work_.clear();
    for (std::uint32_t i = 1; i < tiles_.size(); ++i) {
        const std::array<std::uint32_t, 9>& a = tiles_[i].around;
        if (changed_[a[0]] | changed_[a[1]] | changed_[a[2]] | changed_[a[3]] | changed_[a[4]] | changed_[a[5]] |
            changed_[a[6]] | changed_[a[7]] | changed_[a[8]])
            work_.push_back(i);
    }
    auto stepSome = [this](int task) {
        const std::size_t first = static_cast<std::size_t>(task) * kTilesPerTask;
        const std::size_t last = std::min(work_.size(), first + kTilesPerTask);
        for (std::size_t w = first; w < last; ++w) {
            const std::uint32_t i = work_[w];
            const std::uint64_t* around[9];
            for (int k = 0; k < 9; ++k) {
                const std::uint32_t j = tiles_[i].around[k];
                around[k] = rows_[j][current_[j]].data();
            }
            // Not into the tile: tasks would write the lines other tasks read neighbours from.
            found_[w] = StepLifeTile(words_, around, rows_[i][current_[i] ^ 1].data());
        }
    };
    found_.resize(work_.size());
    ParallelFor(static_cast<int>((work_.size() + kTilesPerTask - 1) / kTilesPerTask), stepSome);
    std::fill(changed_.begin(), changed_.end(), 0);
    for (std::size_t w = 0; w < work_.size(); ++w) {
        const std::uint32_t i = work_[w];
        changed_[i] = (found_[w] & kTileChanged) != 0;
        // An unchanged tile keeps its buffer: the one just written holds the same cells.
        current_[i] ^= changed_[i];
        tiles_[i].found = found_[w] & ~kTileChanged;
    }
    if (++generation_ % kDropEvery == 0) DropUnreachableTiles();
}

std::uint64_t LifeGrid::Population() const {
    std::uint64_t live = 0;
    for (std::size_t i = 1; i < tiles_.size(); ++i)
        if (tiles_[i].found & kTileLive)
            for (std::uint64_t row : rows_[i][current_[i]]) live += static_cast<std::uint64_t>(std::popcount(row));
    return live;
}

ChunkGrid LifeGrid::ToChunkGrid() const {
    ChunkGrid grid;
    ChunkGrid::Map& chunks = grid.MutableChunks();
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        if (!(tiles_[i].found & kTileLive)) continue;
        Chunk64& chunk = chunks.try_emplace(tiles_[i].coord, Unfilled{}).first->second;
        std::uint32_t live = 0;
        const Rows& rows = rows_[i][current_[i]];
        for (int y = 0; y < kTileRows; ++y) {
            for (int x = 0; x < kChunkSide; ++x) chunk.cells[y * kChunkSide + x] = static_cast<std::uint8_t>(rows[y] >> x & 1);
            live += static_cast<std::uint32_t>(std::popcount(rows[y]));
        }
        chunk.liveCount = live;
    }
    return grid;
}

}  // namespace core
