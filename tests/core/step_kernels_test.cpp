#include "core/step_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/cpu_features.h"
#include "core/life_like_kernel.h"
#include "core/step_grid.h"
#include "core/window_kernel.h"
#include "tests/support/window_check.h"
#include "tests/support/test_rules.h"

namespace core {
namespace {

const KernelVariant kVectorVariants[] = {KernelVariant::Sse42, KernelVariant::Avx, KernelVariant::Avx2,
                                         KernelVariant::Avx512};

TEST(StepKernels, EveryVariantMatchesTheLookupForEveryStateCountThatFits) {
    std::mt19937 rng(11);
    // Widths across the strip boundary and odd shapes; windows with a row stride wider than the width.
    const std::vector<testsupport::WindowShape> shapes = {{3, 3, 3},      {66, 66, 66}, {17, 9, 20}, {515, 5, 515},
                                                          {1100, 4, 1103}, {2, 10, 2},   {10, 2, 10}};
    for (int n = 2; n <= 10; ++n) {
        const Rule rule = testsupport::BlockRule(n, 100 + n);
        for (KernelVariant v : testsupport::SupportedKernelVariants()) {
            const StepKernelFn step = KernelsFor(v).step;
            EXPECT_EQ(testsupport::FirstWindowMismatch(rule, shapes, rng, testsupport::AnyState(n),
                                                       [&](int w, int h, int s, const std::uint8_t* in,
                                                           std::uint8_t* out) {
                                                           step(w, h, s, n, in, rule.table.data(), out);
                                                       }),
                      "")
                << "variant " << int(v) << ", " << n << " states";
        }
    }
}

TEST(StepKernels, HistoryVariantsMatchScalarAndTheRule) {
    std::mt19937 rng(5);
    const std::size_t count = 4096 + 37;
    std::vector<std::uint8_t> before(count), after(count);
    std::vector<std::uint16_t> old(count);
    for (std::size_t i = 0; i < count; ++i) {
        before[i] = rng() % 3;
        after[i] = rng() % 2 ? before[i] : rng() % 3;
        const std::uint16_t specials[] = {0, 0x0503, 0xFE03, 0xFD01, 0xFFFF};
        old[i] = rng() % 2 ? specials[rng() % 5] : static_cast<std::uint16_t>(rng());
    }
    std::vector<std::uint16_t> expected = old;
    const std::uint32_t nonZero = ScalarKernels().history(count, before.data(), after.data(), expected.data());
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(expected[i], before[i] != after[i] ? before[i] + 1 : old[i] != 0 && old[i] < 0xFE00 ? old[i] + 0x100 : 0) << i;
    EXPECT_EQ(nonZero, count - static_cast<std::size_t>(std::count(expected.begin(), expected.end(), 0)));
    for (KernelVariant v : kVectorVariants) {
        if (!IsKernelVariantSupported(v)) continue;
        std::vector<std::uint16_t> got = old;
        EXPECT_EQ(KernelsFor(v).history(count, before.data(), after.data(), got.data()), nonZero) << int(v);
        EXPECT_EQ(got, expected) << int(v);
    }
}

TEST(StepKernels, LifeTileVariantsMatchScalarAndTheWindowStep) {
    std::mt19937_64 rng(3);
    const LifeLikeRule rules[] = {{1u << 3, 1u << 2 | 1u << 3}, {1u << 3 | 1u << 6, 1u << 2 | 1u << 3}, {0x1FF & ~1u, 1u}};
    for (const LifeLikeRule& bs : rules) {
        const LifeTileRule words = LifeTileRuleFor(bs);
        for (int density : {1, 2, 7}) {
            std::uint64_t tiles[9][kTileRows];
            for (auto& tile : tiles)
                for (auto& row : tile) {
                    row = ~std::uint64_t{0};
                    for (int k = 0; k < density; ++k) row &= rng();
                }
            const std::uint64_t* around[9];
            for (int k = 0; k < 9; ++k) around[k] = tiles[k];
            // The same cells as a 194 x 194 window of bytes, stepped in its middle 64 x 64.
            const int side = 3 * kTileRows + 2;
            std::vector<std::uint8_t> window(side * side, 0), bytes((side - 2) * (side - 2));
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    const int tx = (x + kTileRows - 1) / kTileRows - 1, ty = (y + kTileRows - 1) / kTileRows - 1;
                    if (tx < 0 || ty < 0 || tx > 2 || ty > 2) continue;
                    const int lx = x - 1 - kTileRows * tx + kTileRows, ly = y - 1 - kTileRows * ty + kTileRows;
                    window[y * side + x] = tiles[3 * ty + tx][ly % kTileRows] >> (lx % kTileRows) & 1;
                }
            StepLifeLikeWindow(bs, side, side, side, window.data(), bytes.data());
            std::uint64_t expected[kTileRows];
            const std::uint32_t found = ScalarKernels().lifeTile(words, around, expected);
            std::uint64_t changed = 0;
            for (int y = 0; y < kTileRows; ++y) {
                for (int x = 0; x < kTileRows; ++x)
                    ASSERT_EQ(expected[y] >> x & 1, bytes[(kTileRows + y) * (side - 2) + kTileRows + x]) << x << "," << y;
                changed |= expected[y] ^ tiles[4][y];
            }
            EXPECT_EQ((found & kTileChanged) != 0, changed != 0);
            for (KernelVariant v : kVectorVariants) {
                if (!IsKernelVariantSupported(v)) continue;
                std::uint64_t got[kTileRows];
                EXPECT_EQ(KernelsFor(v).lifeTile(words, around, got), found) << int(v);
                EXPECT_TRUE(std::equal(got, got + kTileRows, expected)) << int(v);
            }
        }
    }
}

TEST(StepKernels, LargeStateWindowUsesSixtyFourBitIndices) {
    const auto available = QueryAvailableMemory();
    if (!available || *available < (std::uint64_t{6} << 30)) GTEST_SKIP() << "needs about 3 GB";
    Rule rule{11, 0, {}};
    AllocateRuleTable(rule.table, 11, "testing", 0);
    const std::uint64_t last = RuleTableSize(11) - 1;  // beyond the signed 32-bit range
    rule.table[last] = 7, rule.table[last - 1] = 3;
    // All tens, with one 9 in the bottom-right corner: the centre of the last 3x3 block reads last - 1.
    std::vector<std::uint8_t> window(5 * 4, 10);
    window[19] = 9;
    std::vector<std::uint8_t> result(3 * 2 + 1, 0xEE);
    StepLargeStateWindow(rule, 5, 4, 5, window.data(), result.data());
    EXPECT_EQ(result, (std::vector<std::uint8_t>{7, 7, 7, 7, 7, 3, 0xEE}));
}

TEST(StepKernels, LargeStateWindowAgreesWithDenseKernel) {
    const Rule rule = testsupport::BlockRule(5, 9);
    std::mt19937 rng(2);
    // Rows 44 apart: the window is part of a wider one.
    std::vector<std::uint8_t> window(44 * 30);
    for (auto& c : window) c = rng() % 5;
    std::vector<std::uint8_t> dense(38 * 28), large(38 * 28);
    StepDenseKernel(40, 30, 44, 5, window.data(), rule.table.data(), dense.data());
    StepLargeStateWindow(rule, 40, 30, 44, window.data(), large.data());
    EXPECT_EQ(dense, large);
}

}  // namespace
}  // namespace core
