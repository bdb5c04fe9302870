#include "core/chunk_grid.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "core/overlay_layer.h"
#include "core/step_grid.h"

namespace core {
namespace {

TEST(ChunkGrid, NegativeCellsMapToFlooredChunks) {
    ChunkGrid grid;
    grid.SetCell(-64, 0, 1);
    grid.SetCell(-1, -1, 2);
    grid.SetCell(-65, 0, 3);
    ASSERT_TRUE(grid.FindChunk(-1, 0) && grid.FindChunk(-1, -1) && grid.FindChunk(-2, 0));
    EXPECT_EQ(std::tuple(grid.FindChunk(-1, 0)->cells[0], grid.FindChunk(-1, -1)->cells[63 * 64 + 63],
                         grid.FindChunk(-2, 0)->cells[63], grid.CellAt(-1, -1)),
              std::tuple(1, 2, 3, 2));
}

TEST(ChunkGrid, CountsAndRemovesEmptiedChunks) {
    ChunkGrid grid;
    grid.SetCell(5, 5, 1);
    grid.SetCell(5, 5, 2);
    grid.SetCell(6, 5, 1);
    EXPECT_EQ(grid.FindChunk(0, 0)->liveCount, 2u);
    grid.SetCell(5, 5, 0);
    grid.SetCell(6, 5, 0);
    grid.SetCell(1000, 1000, 0);
    EXPECT_EQ(std::tuple(grid.ChunkCount(), GetLiveChunkBounds(grid).valid), std::tuple(0u, false));
}

TEST(ChunkGrid, CopyOnWrite) {
    ChunkGrid a;
    a.SetCell(1, 1, 1);
    ChunkGrid b = a;
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.SetCell(1, 1, 1);  // no change, but still detaches
    EXPECT_FALSE(b.SharesStorageWith(a));
    b.SetCell(2, 2, 3);
    EXPECT_EQ(std::tuple(a.CellAt(2, 2), b.CellAt(2, 2)), std::tuple(0, 3));
}

TEST(ChunkGrid, CandidatesAroundLiveChunks) {
    ChunkGrid grid;
    grid.SetCell(0, 0, 1);
    const std::size_t one = CollectAutomatonCandidateChunks(grid).size();
    grid.SetCell(64, 0, 1);
    grid.StoreEmptyChunk(50, 50, 3);
    // A corner cell reaches the three chunks beyond that corner; the second chunk adds itself and
    // the one north of it.
    EXPECT_EQ(std::tuple(one, CollectAutomatonCandidateChunks(grid).size()), std::tuple(4u, 6u));
    const LiveChunkBounds b = GetLiveChunkBounds(grid);
    EXPECT_EQ(std::tuple(b.valid, b.maxX, b.maxY), std::tuple(true, 1, 0));
}

TEST(ChunkGrid, RegionBufferRoundTrip) {
    std::mt19937 rng(3);
    ChunkGrid grid;
    for (int i = 0; i < 500; ++i) grid.SetCell(int(rng() % 300) - 150, int(rng() % 200) - 100, 1 + rng() % 4);
    std::vector<std::uint8_t> buffer;
    CopyGridRegionToBuffer(grid, -150, -100, 300, 200, buffer);
    ChunkGrid rebuilt;
    GridFromRegionBuffer(rebuilt, -150, -100, 300, 200, buffer);
    for (int y = -110; y < 110; ++y)
        for (int x = -160; x < 160; ++x) ASSERT_EQ(rebuilt.CellAt(x, y), grid.CellAt(x, y)) << x << "," << y;
    for (const auto& [coord, chunk] : rebuilt.Chunks()) EXPECT_GT(chunk.liveCount, 0u);

    std::vector<std::uint8_t> far;
    CopyGridRegionToBuffer(grid, 0, 0, 0, 5, buffer);
    CopyGridRegionToBuffer(grid, 100000, 100000, 4, 4, far);
    EXPECT_EQ(std::tuple(buffer.size(), far), std::tuple(0u, std::vector<std::uint8_t>(16, 0)));
    GridFromRegionBuffer(rebuilt, 0, 0, 3, 3, std::vector<std::uint8_t>(8, 1));
    EXPECT_EQ(rebuilt.ChunkCount(), 0u);
}

TEST(ChunkGrid, StoreChunkAndEmptyChunks) {
    ChunkGrid grid;
    std::vector<std::uint8_t> cells(kChunkCells, 0);
    grid.StoreChunk(2, 3, cells.data());
    const std::size_t allZero = grid.ChunkCount();
    cells[7] = 2;
    grid.StoreChunk(2, 3, cells.data());
    const std::uint32_t live = grid.FindChunk(2, 3)->liveCount;
    grid.StoreChunk(2, 3, nullptr);
    EXPECT_EQ(std::tuple(allZero, live, grid.ChunkCount()), std::tuple(0u, 1u, 0u));
    grid.StoreEmptyChunk(0, 0, 4);
    grid.SetCell(200, 0, 1);
    grid.EraseEmptyChunks();
    EXPECT_EQ(grid.ChunkCount(), 1u);
}

TEST(ChunkGrid, ActiveCellBounds) {
    ChunkGrid grid;
    std::int32_t x0 = 9, y0 = 9, x1 = 9, y1 = 9;
    EXPECT_EQ(std::tuple(TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1), x0), std::tuple(false, 9));
    grid.SetCell(-70, 5, 1);
    grid.SetCell(3, -2, 1);
    ASSERT_TRUE(TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1));
    EXPECT_EQ(std::tuple(x0, y0, x1, y1), std::tuple(-70, -2, 3, 5));
}

struct TestCell {
    std::int32_t x, y;
    std::uint8_t state;
};

// Setting a list of cells at once leaves the grid SetCell leaves, cell for cell: the same chunks,
// counts and ages, whatever order the cells come in and whatever they overwrite.
TEST(ChunkGrid, SetCellsMatchesSetCell) {
    constexpr std::int32_t kLo = INT32_MIN, kHi = INT32_MAX;
    const std::vector<std::vector<TestCell>> cases = {
        {},
        {{0, 0, 1}, {1, 0, 2}, {63, 0, 3}, {64, 0, 4}, {65, 0, 255}, {0, 1, 1}, {-1, 1, 2}, {-64, 1, 3}, {-65, 1, 4}},
        // Edges of the plane, and cells two inside them.
        {{kLo, kLo, 1}, {kLo + 1, kLo, 2}, {kLo + 2, kLo, 3}, {kHi - 2, kLo, 4}, {kHi - 1, kLo, 5}, {kHi, kLo, 6},
         {kLo, kHi, 7}, {kHi, kHi, 8}, {kHi - 1, kHi - 1, 9}, {kLo + 1, kHi - 2, 10}},
        // Overwrites: another state, the same state, cleared, cleared again, set again.
        {{5, 5, 1}, {5, 5, 3}, {6, 5, 3}, {6, 5, 3}, {5, 5, 0}, {5, 5, 0}, {7, 5, 2}, {6, 5, 0}, {7, 5, 0}, {7, 5, 4}},
        // A chunk emptied and dropped, then written again; clearing where nothing is.
        {{100, 100, 2}, {100, 100, 0}, {101, 100, 0}, {101, 100, 1}, {kHi, kHi, 0}, {-3, -3, 0}, {-3, -3, 5}},
        // Back and forth between chunks, and into the kept empty chunk.
        {{0, 0, 1}, {640, 640, 2}, {1, 0, 3}, {641, 640, 4}, {650, 650, 0}, {640, 640, 0}, {641, 640, 0}, {2, 0, 6}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        ChunkGrid expected, actual;
        for (ChunkGrid* grid : {&expected, &actual}) grid->StoreEmptyChunk(10, 10, 3);
        for (const TestCell& cell : cases[i]) expected.SetCell(cell.x, cell.y, cell.state);
        SetCells(actual, cases[i]);
        ASSERT_EQ(actual.ChunkCount(), expected.ChunkCount()) << "case " << i;
        expected.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const Chunk64& want) {
            const Chunk64* got = actual.FindChunk(cx, cy);
            ASSERT_NE(got, nullptr) << "case " << i << " chunk " << cx << "," << cy;
            EXPECT_EQ(std::tuple(got->cells, got->liveCount, got->emptyAge),
                      std::tuple(want.cells, want.liveCount, want.emptyAge))
                << "case " << i << " chunk " << cx << "," << cy;
        });
        EXPECT_EQ(actual.Population(), expected.Population()) << "case " << i;
    }
}

// The plane ends at the 32-bit limits: no candidate, chunk or cell past them, and region copies
// may reach over the edge.
TEST(ChunkGrid, EdgesOfThePlane) {
    for (const auto& [x, y, candidates] : {std::tuple{INT32_MAX, 0, 2u}, {INT32_MIN, 5, 1u}, {7, INT32_MIN, 1u}, {0, INT32_MAX, 2u},
                                           {INT32_MIN, INT32_MIN, 1u}, {INT32_MAX, INT32_MAX, 1u}, {INT32_MIN, INT32_MAX, 1u}}) {
        ChunkGrid grid;
        grid.SetCell(x, y, 2);
        EXPECT_EQ(CollectAutomatonCandidateChunks(grid).size(), candidates) << x << "," << y;
        for (const ChunkCoord& k : CollectAutomatonCandidateChunks(grid)) EXPECT_TRUE(IsPlaneChunk(k.x, k.y));
        std::int32_t x0, y0, x1, y1;
        ASSERT_TRUE(TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1));
        EXPECT_EQ(std::tuple(x0, y0, x1, y1), std::tuple(x, y, x, y));
        // A 3 x 3 copy centred on the cell: its middle holds the cell, the rest (partly off the plane) 0.
        std::vector<std::uint8_t> buffer;
        CopyGridRegionToBuffer(grid, std::int64_t{x} - 1, std::int64_t{y} - 1, 3, 3, buffer);
        EXPECT_EQ(buffer, std::vector<std::uint8_t>({0, 0, 0, 0, 2, 0, 0, 0, 0}));
    }
    ChunkGrid grid;
    grid.SetCell(INT32_MIN, INT32_MIN, 1);
    grid.SetCell(INT32_MAX, INT32_MAX, 1);
    std::int32_t x0, y0, x1, y1;
    ASSERT_TRUE(TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1));
    EXPECT_EQ(std::tuple(x0, y0, x1, y1), std::tuple(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    // Chunks off the plane are never stored; a buffer reaching past the edge loses those cells.
    const std::vector<std::uint8_t> full(kChunkCells, 1);
    grid.StoreChunk(kMaxChunk + 1, 0, full.data());
    grid.StoreEmptyChunk(0, kMinChunk - 1, 3);
    EXPECT_EQ(grid.ChunkCount(), 2u);
    GridFromRegionBuffer(grid, INT32_MAX - 1, INT32_MAX - 1, 4, 3, std::vector<std::uint8_t>(12, 1));
    EXPECT_EQ(std::tuple(grid.ChunkCount(), grid.FindChunk(kMaxChunk, kMaxChunk)->liveCount), std::tuple(1u, 4u));
}

TEST(OverlayLayer, SetValueCountsAndSharing) {
    AnnotationLayer layer;
    layer.SetValue(-1, -1, 0x0201);
    AnnotationLayer copy = layer;
    copy.SetValue(-1, -1, 0);
    EXPECT_EQ(std::tuple(copy.ChunkCount(), layer.ValueAt(-1, -1), layer.FindChunk(-1, -1)->nonZeroCount),
              std::tuple(0u, 0x0201, 1u));
    std::array<std::uint16_t, kChunkCells> zeros{};
    layer.StoreChunk(-1, -1, zeros.data());
    EXPECT_EQ(layer.ChunkCount(), 0u);
}

TEST(StepHistory, TrailOutlivesItsCellsUntilItFades) {
    ChunkGrid before, empty;
    before.SetCell(200, 200, 1);
    HistoryLayer history;
    StepHistory(before, HistoryLayer(), empty, history);
    for (int age = 0; age <= 254; ++age) {
        ASSERT_EQ(history.ValueAt(200, 200), age * 256 + 2) << age;
        HistoryLayer next;
        StepHistory(empty, history, empty, next);
        history = next;
    }
    EXPECT_EQ(history.ChunkCount(), 0u);
}

TEST(StepHistory, TrailsAgeFadeAndAdvanceInPlaceLeavingCopiesAsTheyWere) {
    // A trail ages; the oldest fades out, and a chunk left without one goes; a death leaves its
    // state + 1 (here in a chunk that had no trail), a birth 1. A copy taken before the step
    // still holds what it had; the layer advanced in place holds what a step into a fresh one gives.
    ChunkGrid before, after;
    before.SetCell(1, 1, 2);
    after.SetCell(1, 1, 2);
    before.SetCell(70, 3, 3);  // dies
    after.SetCell(9, 9, 1);    // born
    HistoryLayer history, stepped;
    history.SetValue(1, 1, 0x0503);
    history.SetValue(-200, 5, 0xFE01);
    const HistoryLayer copy = history;
    StepHistory(before, history, after, stepped);
    AdvanceHistory(before, after, history);
    auto values = [](const HistoryLayer& layer) {
        return std::tuple(layer.ValueAt(1, 1), layer.ValueAt(-200, 5), layer.ValueAt(70, 3), layer.ValueAt(9, 9),
                          layer.ValueAt(3, 3), layer.ChunkCount());
    };
    EXPECT_EQ(values(copy), std::tuple(0x0503, 0xFE01, 0, 0, 0, 2u));
    EXPECT_EQ(values(stepped), std::tuple(0x0603, 0, 4, 1, 0, 2u));
    EXPECT_EQ(values(history), values(stepped));
    // Unshared now: the next step changes it where it lies.
    AdvanceHistory(after, after, history);
    EXPECT_EQ(std::tuple(history.ValueAt(1, 1), history.ValueAt(70, 3)), std::tuple(0x0703, 0x0104));
}

TEST(StepLineages, MajorityInheritance) {
    ChunkGrid before, after;
    LineageLayer lineage, next;
    // Birth at (10,10) from three live neighbours of lineage 2, 2, 5.
    // Birth at (30,30) from lineages 2, 5 and none; at (50, 50) from two neighbours of lineage 3.
    // A survivor changing state keeps its id; a death loses it.
    for (const auto& [x, y, id] : {std::tuple{9, 9, 2}, {10, 9, 2}, {11, 9, 5}, {29, 29, 2}, {30, 29, 5}, {31, 29, 0},
                                  {49, 49, 3}, {51, 49, 3}, {70, 70, 7}})
        before.SetCell(x, y, 1), lineage.SetValue(x, y, static_cast<std::uint8_t>(id));
    for (const auto& [x, y, state] : {std::tuple{10, 10, 1}, {30, 30, 1}, {50, 50, 2}, {70, 70, 2}}) after.SetCell(x, y, state);
    StepLineages(before, lineage, after, next);
    EXPECT_EQ(std::tuple(next.ValueAt(10, 10), next.ValueAt(30, 30), next.ValueAt(50, 50), next.ValueAt(70, 70),
                         next.ValueAt(9, 9)),
              std::tuple(2, 0, 3, 7, 0));
}

}  // namespace
}  // namespace core
