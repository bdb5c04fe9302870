#include "authoring/neighborhood_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>
#include <tuple>

#include "authoring/symmetry_indexer.h"
#include "core/symmetry.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

struct Visit {
    std::int32_t x, y;
    std::uint64_t index;
};

std::vector<Visit> ScanAll(const core::ChunkGrid& grid, int states) {
    std::vector<Visit> visits;
    std::vector<std::uint8_t> scratch;
    ScanNeighborhoods(grid, states, scratch, [&](std::int32_t x, std::int32_t y, std::uint64_t index) {
        visits.push_back({x, y, index});
    });
    return visits;
}

std::uint64_t ReadIndex(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y, int states) {
    return core::NeighborhoodIndex(testing::DigitsAt(grid, x, y), states);
}

void ExpectRowMajorBox(const std::vector<Visit>& visits, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                       std::int32_t y1) {
    ASSERT_EQ(visits.size(), static_cast<std::size_t>(x1 - x0 + 1) * static_cast<std::size_t>(y1 - y0 + 1));
    std::size_t k = 0;
    for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x, ++k) ASSERT_EQ(std::tuple(visits[k].x, visits[k].y), std::tuple(x, y));
}

TEST(NeighborhoodScan, VisitsTheBoxOfTheChunksAndOneCellBeyond) {
    EXPECT_TRUE(ScanAll(core::ChunkGrid{}, 3).empty());
    core::ChunkGrid grid;
    grid.SetCell(0, 0, 1);
    auto visits = ScanAll(grid, 2);
    ExpectRowMajorBox(visits, -1, -1, 64, 64);
    std::set<std::tuple<std::int32_t, std::int32_t, std::uint64_t>> live;
    for (const Visit& v : visits)
        if (v.index != 0) live.insert({v.x, v.y, v.index});
    // The cell appears in the nine neighbourhoods around it, at the mirrored position.
    EXPECT_EQ(live, (std::set<std::tuple<std::int32_t, std::int32_t, std::uint64_t>>{
                        {-1, -1, 1}, {0, -1, 2}, {1, -1, 4}, {-1, 0, 8}, {0, 0, 16},
                        {1, 0, 32}, {-1, 1, 64}, {0, 1, 128}, {1, 1, 256}}));
    // Kept empty chunks and negative coordinates widen the box.
    grid = {};
    grid.SetCell(-1, -1, 2);
    grid.StoreEmptyChunk(1, 0, 3);
    visits = ScanAll(grid, 3);
    ExpectRowMajorBox(visits, -65, -65, 128, 64);
    for (const Visit& v : visits) ASSERT_EQ(v.index, ReadIndex(grid, v.x, v.y, 3));
    core::ChunkGrid onlyEmpty;
    onlyEmpty.StoreEmptyChunk(-3, 2, 1);
    visits = ScanAll(onlyEmpty, 2);
    ExpectRowMajorBox(visits, -193, 127, -128, 192);
    for (const Visit& v : visits) ASSERT_EQ(v.index, 0u);
}

TEST(NeighborhoodScan, CellsAtTheEdgesOfThePlane) {
    constexpr std::int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    core::ChunkGrid low;
    low.SetCell(kMin, kMin, 1);
    low.SetCell(kMin + 1, kMin, 1);
    auto visits = ScanAll(low, 2);
    ASSERT_EQ(visits.size(), 66u * 66u);
    // The first row and column lie beyond the plane; their cells read as background. The SE
    // neighbour of the first is the live corner cell; the corner's own holds C and E.
    EXPECT_EQ(std::tuple(visits[0].x, visits[0].index), std::tuple(kMax, 1u));
    EXPECT_EQ(std::tuple(visits[66 + 1].x, visits[66 + 1].y, visits[66 + 1].index), std::tuple(kMin, kMin, 16u + 8u));
    core::ChunkGrid high;
    high.SetCell(kMax, kMax, 2);
    visits = ScanAll(high, 3);
    ASSERT_EQ(visits.size(), 66u * 66u);
    EXPECT_EQ(std::tuple(visits[66 * 64 + 64].x, visits[66 * 64 + 64].index), std::tuple(kMax, 2u * 81u));
    EXPECT_EQ(visits.back().index, 2u * 6561u);  // beyond the plane, diagonal to the live cell
    // A box as wide as the plane is refused.
    core::ChunkGrid both;
    both.SetCell(kMin, 0, 1);
    both.SetCell(kMax, 0, 1);
    std::vector<std::uint8_t> scratch;
    EXPECT_THROW(ScanNeighborhoods(both, 2, scratch, [](std::int32_t, std::int32_t, std::uint64_t) {}),
                 std::length_error);
}

TEST(NeighborhoodScan, IndicesMatchDirectReadsForEveryStateCount) {
    std::mt19937 rng(11);
    for (int states = 2; states <= 16; ++states) {
        core::ChunkGrid grid;
        for (int i = 0; i < 400; ++i)
            grid.SetCell(static_cast<std::int32_t>(rng() % 90) - 20, static_cast<std::int32_t>(rng() % 70) - 3,
                         static_cast<std::uint8_t>(rng() % states));
        // Across a chunk edge; with 16 states the largest index needs more than 32 bits.
        for (int k = 0; k < 9; ++k) grid.SetCell(63 + k % 3, 10 + k / 3, static_cast<std::uint8_t>(states - 1));
        const auto visits = ScanAll(grid, states);
        ASSERT_FALSE(visits.empty());
        for (const Visit& v : visits) ASSERT_EQ(v.index, ReadIndex(grid, v.x, v.y, states)) << states;
    }
}

TEST(NeighborhoodScan, SymmetryIndexerAgreesWithCore) {
    std::mt19937_64 rng(5);
    for (int states : {2, 3, 5, 11, 16}) {
        for (core::RuleSymmetry s = 0; s < core::kSymmetryCount; ++s) {
            const SymmetryIndexer indexer(s, states);
            for (int trial = 0; trial < 300; ++trial) {
                const std::uint64_t index = rng() % core::RuleTableSize(states);
                const core::Neighborhood digits = core::DecodeNeighborhoodIndex(index, states);
                ASSERT_EQ(indexer.Decode(index), digits);
                ASSERT_EQ(indexer.Canonical(digits), core::CanonicalIndex(s, states, digits));
                ASSERT_EQ(indexer.IsCanonical(index), core::IsCanonicalIndex(s, states, index));
                std::array<std::uint64_t, core::kTransformCount> orbit{};
                const int count = indexer.Orbit(digits, orbit);
                ASSERT_EQ(std::vector<std::uint64_t>(orbit.begin(), orbit.begin() + count),
                          core::NeighborhoodOrbit(s, states, digits));
            }
        }
    }
}

}  // namespace
}  // namespace authoring
