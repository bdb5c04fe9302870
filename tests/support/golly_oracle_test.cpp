#include "tests/support/golly_oracle.h"

#include <gtest/gtest.h>

#include <bit>
#include <numeric>

#include "core/rule_table.h"

namespace testsupport {
namespace {

using formats::RleCell;

// Keeps every cell as it is, so a pattern comes back where it was put.
const OracleRule kStill{"OracleStill", "@RULE OracleStill\n@TABLE\nn_states:3\nneighborhood:Moore\nsymmetries:none\n", 3};

std::vector<RleCell> Shifted(std::vector<RleCell> cells, std::int32_t dx, std::int32_t dy) {
    for (auto& c : cells) {
        c.x += dx;
        c.y += dy;
    }
    return cells;
}

TEST(GollyOracle, CellsComeBackAtTheirCoordinates) {
    if (!BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    const std::vector<RleCell> shape = {{0, 0, 1}, {2, 0, 2}, {1, 1, 1}, {0, 3, 2}};  // sorted by (y, x)
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {0, 0}, {-1, -1}, {-7, -3}, {100, -50}, {-1000, 300}, {5000, 5000}, {-70000, -3}}) {
        const auto cells = Shifted(shape, x, y);
        EXPECT_EQ(RunBgolly(kStill, cells, 1), cells) << x << "," << y;
    }
    // A block is still under Life, which bgolly writes with two-state leaves.
    const std::vector<RleCell> block = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {-1, -1}, {-9, 6}, {333, -4000}}) {
        const auto cells = Shifted(block, x, y);
        EXPECT_EQ(RunBgolly({"B3/S23", "", 2}, cells, 3), cells) << x << "," << y;
    }
}

TEST(GollyOracle, GliderAndEmptyResults) {
    if (!BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    const std::vector<RleCell> glider = {{1, 0, 1}, {2, 1, 1}, {0, 2, 1}, {1, 2, 1}, {2, 2, 1}};
    EXPECT_EQ(RunBgolly({"B3/S23", "", 2}, Shifted(glider, -20, -20), 8), Shifted(glider, -18, -18));
    EXPECT_TRUE(RunBgolly({"B3/S23", "", 2}, {{4, 4, 1}}, 1).empty());
    EXPECT_TRUE(RunBgolly({"B3/S23", "", 2}, {}, 1).empty());
    EXPECT_TRUE(RunBgolly(kStill, {}, 1).empty());
}

TEST(GollyOracle, ProbesLifeTransitions) {
    if (!BgollyAvailable()) GTEST_SKIP() << "bgolly is not installed";
    std::vector<std::uint64_t> indices(512);
    std::iota(indices.begin(), indices.end(), 0);
    const auto next = ProbeTransitions({"B3/S23", "", 2}, indices);
    ASSERT_EQ(next.size(), 512u);
    for (std::uint64_t i = 0; i < 512; ++i) {
        const int centre = static_cast<int>((i >> 4) & 1);
        const int around = std::popcount(i) - centre;
        EXPECT_EQ(next[i], around == 3 || (centre && around == 2)) << i;
    }
}

}  // namespace
}  // namespace testsupport
