#include "core/neighbour_count_rule.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/step_kernels.h"
#include "core/window_kernel.h"
#include "tests/support/test_rules.h"
#include "tests/support/window_check.h"

namespace core {
namespace {

// The full table of a rule given by `next(centre, counts)`, where counts[s] is how many of the
// eight neighbours hold state s.
template <class Next>
Rule FullTable(int stateCount, Next next) {
    Rule rule{stateCount, 0, RuleTable(RuleTableSize(stateCount))};
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        const Neighborhood d = DecodeNeighborhoodIndex(i, stateCount);
        std::array<int, 16> counts{};
        for (int k = 0; k < 9; ++k)
            if (k != 4) ++counts[d[k]];
        rule.table[i] = static_cast<std::uint8_t>(next(d[4], counts));
    }
    return rule;
}

// A state becomes the next one round the cycle when a neighbour already holds it.
Rule CyclicRule(int stateCount) {
    return FullTable(stateCount, [stateCount](int centre, const std::array<int, 16>& counts) {
        const int after = (centre + 1) % stateCount;
        return counts[static_cast<std::size_t>(after)] > 0 ? after : centre;
    });
}

// Every centre and count vector gets a random next state.
Rule RandomCountRule(int stateCount, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> chosen(std::size_t{1} << 20);
    for (auto& c : chosen) c = static_cast<std::uint8_t>(rng() % stateCount);
    return FullTable(stateCount, [&chosen](int centre, const std::array<int, 16>& counts) {
        std::uint32_t h = static_cast<std::uint32_t>(centre) * 0x9E3779B1u;
        for (int c : counts) h = (h ^ static_cast<std::uint32_t>(c)) * 0x01000193u;
        return chosen[h >> 12];
    });
}

// Built once: the six-state table has ten million entries.
const std::vector<Rule>& RandomCountRules() {
    static const std::vector<Rule> rules = [] {
        std::vector<Rule> built;
        for (int n = 4; n <= 6; ++n) built.push_back(RandomCountRule(n, static_cast<std::uint32_t>(n)));
        return built;
    }();
    return rules;
}

TEST(NeighbourCountRule, EveryKernelMatchesTheFullTable) {
    std::mt19937 rng(9);
    // Windows across the kernel's 512-cell strips, odd shapes and a stride wider than the window.
    const std::vector<testsupport::WindowShape> shapes = {{3, 3, 3},  {66, 66, 66},  {66, 5, 70},
                                                          {4, 70, 9}, {515, 6, 515}, {1100, 4, 1103}};
    for (const Rule& rule : RandomCountRules()) {
        const std::optional<NeighbourCountRule> counts = AsNeighbourCount(rule);
        ASSERT_TRUE(counts.has_value()) << rule.stateCount;
        for (const KernelVariant v : testsupport::SupportedKernelVariants()) {
            const StepKernelFn step = KernelsFor(v).countStep;
            EXPECT_EQ(testsupport::FirstWindowMismatch(
                          rule, shapes, rng, testsupport::AnyState(rule.stateCount),
                          [&](int w, int h, int s, const std::uint8_t* in, std::uint8_t* out) {
                              step(w, h, s, rule.stateCount, in, counts->table.data(), out);
                          }),
                      "")
                << rule.stateCount << " states, variant " << int(v);
        }
    }
}

TEST(NeighbourCountRule, RecognisesOnlyRulesOfCounts) {
    // Neighbours 1 and 3 (the top corners) differ, the other six are 0: moving one entry of that
    // arrangement away from its mirror image breaks the rule's indifference to places.
    const Rule& four = RandomCountRules()[0];
    Rule placed = four;
    const std::uint64_t corner = 1 * 4 * 4 * 4 * 4 * 4 * 4 * 4 * 4 + 2 * 4 * 4 * 4 * 4 * 4 * 4;
    placed.table[corner] = static_cast<std::uint8_t>((placed.table[corner] + 1) % 4);
    EXPECT_FALSE(AsNeighbourCount(placed));
    // An arrangement that is its own only permutation may take any state.
    Rule lone = four;
    lone.table[0] = 3;
    EXPECT_TRUE(AsNeighbourCount(lone));
    EXPECT_FALSE(AsNeighbourCount(testsupport::RandomRule(4, 2)));
    EXPECT_FALSE(AsNeighbourCount(testsupport::LifeRule()));
}

TEST(NeighbourCountRule, KeyedStepsOfASoupMatchTheLookup) {
    for (int n = 4; n <= 5; ++n) {
        const Rule rule = CyclicRule(n);
        EXPECT_TRUE(WindowKernel(rule, NewRuleKey()).CountsNeighbours()) << n;
        EXPECT_FALSE(WindowKernel(rule).CountsNeighbours()) << n;
        EXPECT_EQ(testsupport::FirstKeyedDifference(rule, 30), 0) << n << " states";
    }
    // Three states keep their full table, which is small enough already.
    EXPECT_FALSE(WindowKernel(CyclicRule(3), NewRuleKey()).CountsNeighbours());
    // A Generations rule (Star Wars) is a rule of counts too, but steps bitwise.
    const Rule starWars = FullTable(4, [](int centre, const std::array<int, 16>& counts) {
        const int live = counts[1];
        if (centre == 0) return live == 2 ? 1 : 0;
        if (centre == 1) return live >= 3 && live <= 5 ? 1 : 2;
        return (centre + 1) % 4;
    });
    const WindowKernel kernel(starWars, NewRuleKey());
    EXPECT_TRUE(kernel.Bitwise());
    EXPECT_FALSE(kernel.CountsNeighbours());
}

}  // namespace
}  // namespace core
