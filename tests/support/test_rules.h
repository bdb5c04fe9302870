#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/random_soup.h"
#include "core/rule_table.h"
#include "core/step_grid.h"
#include "core/symmetry.h"

namespace testsupport {

// Conway's Life as a two-state table.
inline core::Rule LifeRule() {
    core::Rule rule{2, 4, core::RuleTable(512, 0)};
    for (std::uint64_t i = 0; i < 512; ++i) {
        const core::Neighborhood d = core::DecodeNeighborhoodIndex(i, 2);
        int neighbours = 0;
        for (int k = 0; k < 9; ++k)
            if (k != 4) neighbours += d[k];
        rule.table[i] = (neighbours == 3 || (d[4] && neighbours == 2)) ? 1 : 0;
    }
    return rule;
}

// A table of random next states; entry 0 stays 0 unless `keepBackground` is false.
inline core::Rule RandomRule(int stateCount, std::uint32_t seed, bool keepBackground = true) {
    core::Rule rule{stateCount, 0, core::RuleTable(core::RuleTableSize(stateCount))};
    std::mt19937 rng(seed);
    for (auto& entry : rule.table) entry = static_cast<std::uint8_t>(rng() % stateCount);
    if (keepBackground) rule.table[0] = 0;
    return rule;
}

// A random block repeated over the whole table, so that tables of many states stay cheap to build.
inline core::Rule BlockRule(int stateCount, std::uint32_t seed) {
    core::Rule rule{stateCount, 0, core::RuleTable(core::RuleTableSize(stateCount))};
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> block(4099);
    for (auto& b : block) b = static_cast<std::uint8_t>(rng() % stateCount);
    for (std::size_t i = 0; i < rule.table.size(); i += block.size())
        std::copy_n(block.begin(), std::min(block.size(), rule.table.size() - i), rule.table.begin() + i);
    return rule;
}

// A random rule that honours its symmetry: each orbit gets one random state, or, for
// `zeroPercent` of them, 0 (with `keepCentre`, the centre's state).
inline core::Rule RandomSymmetricRule(int stateCount, core::RuleSymmetry symmetry, std::uint32_t seed,
                                      int zeroPercent, bool keepCentre = false) {
    core::Rule rule{stateCount, symmetry, core::RuleTable(core::RuleTableSize(stateCount), 0)};
    std::mt19937 rng(seed);
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        const core::Neighborhood d = core::DecodeNeighborhoodIndex(i, stateCount);
        if (core::CanonicalIndex(symmetry, stateCount, d) != i) continue;
        const auto state = static_cast<int>(rng() % 100) < zeroPercent ? (keepCentre ? d[4] : std::uint8_t{0})
                               : static_cast<std::uint8_t>(rng() % stateCount);
        for (std::uint64_t j : core::NeighborhoodOrbit(symmetry, stateCount, d)) rule.table[j] = state;
    }
    return rule;
}

// The first generation, up to `generations`, at which a keyed run of a soup (which may recognise the
// rule's family and step it its own way) differs from an unkeyed one, which looks every cell up;
// 0 when they agree throughout.
inline int FirstKeyedDifference(const core::Rule& rule, int generations, int side = 150) {
    core::ChunkGrid keyed = core::MakeRandomSoup(side, 0.5, rule.stateCount, 3), plain = keyed;
    const std::uint64_t key = core::NewRuleKey();
    for (int generation = 1; generation <= generations; ++generation) {
        core::ChunkGrid next;
        core::StepGrid(rule, keyed, next, key);
        keyed = next;
        core::StepGrid(rule, plain, next);
        plain = next;
        bool same = keyed.ChunkCount() == plain.ChunkCount();
        keyed.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
            const core::Chunk64* other = plain.FindChunk(cx, cy);
            same = same && other && other->cells == chunk.cells;
        });
        if (!same) return generation;
    }
    return 0;
}

}  // namespace testsupport
