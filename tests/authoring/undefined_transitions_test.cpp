#include "authoring/undefined_transitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "core/symmetry.h"
#include "tests/support/test_rules.h"

namespace authoring {
namespace {

std::vector<bool> CanonicalFlags(core::RuleSymmetry s, int states) {
    std::vector<bool> flags(core::RuleTableSize(states));
    for (std::uint64_t i = 0; i < flags.size(); ++i) flags[i] = core::IsCanonicalIndex(s, states, i);
    return flags;
}

// The count as defined: every unlocked index below the limit whose canonical index is itself.
std::uint64_t PlainCount(const PackedLockTable& locks, const std::vector<bool>& canonical) {
    const std::uint64_t limit = std::min<std::uint64_t>(canonical.size(), locks.EntryCount());
    std::uint64_t count = 0;
    for (std::uint64_t i = 0; i < limit; ++i)
        if (!locks.Contains(i) && canonical[i]) ++count;
    return count;
}

PackedLockTable Locks(std::uint64_t size, std::initializer_list<std::uint64_t> indices) {
    PackedLockTable table(size);
    for (std::uint64_t i : indices) table.Insert(i);
    return table;
}

void InsertOrbit(PackedLockTable& table, core::RuleSymmetry s, int states, std::uint64_t index) {
    for (std::uint64_t member : core::NeighborhoodOrbit(s, states, core::DecodeNeighborhoodIndex(index, states)))
        table.Insert(member);
}

TEST(UndefinedTransitions, ClassesAndCountEqualThePlainScanForEveryGroup) {
    std::mt19937_64 rng(17);
    for (int states = 2; states <= 4; ++states) {
        const std::uint64_t size = core::RuleTableSize(states);
        for (core::RuleSymmetry s = 0; s < core::kSymmetryCount; ++s) {
            const std::vector<bool> canonical = CanonicalFlags(s, states);
            EXPECT_EQ(CountSymmetryClasses(s, states), static_cast<std::uint64_t>(std::count(canonical.begin(), canonical.end(), true)))
                << states << " " << int{s};
            for (int trial = 0; trial < 4; ++trial) {
                PackedLockTable orbits = Locks(size, {0}), canonicalOnly = Locks(size, {0});
                const int classes = static_cast<int>(rng() % 60) + trial * 40;
                for (int k = 0; k < classes; ++k) {
                    InsertOrbit(orbits, s, states, rng() % size);
                    // Constraint-style locks: canonical representatives only.
                    canonicalOnly.Insert(core::CanonicalIndex(s, states, core::DecodeNeighborhoodIndex(rng() % size, states)));
                }
                // Lone indices, mostly not canonical, mixed with both kinds above.
                PackedLockTable mixed = orbits;
                mixed.InsertAll(canonicalOnly);
                for (int k = 0; k < classes; ++k) mixed.Insert(rng() % size);
                for (const PackedLockTable* locks : {&orbits, &canonicalOnly, &mixed})
                    ASSERT_EQ(CountUndefinedTransitions(*locks, s, states), PlainCount(*locks, canonical)) << states << " " << int{s};
            }
        }
    }
}

TEST(UndefinedTransitions, CountEdgeCases) {
    EXPECT_EQ(std::tuple(CountSymmetryClasses(core::kSymmetryC1, 16), CountSymmetryClasses(core::kSymmetryD8, 1),
                         CountUndefinedTransitions(PackedLockTable{}, core::kSymmetryD8, 3)),
              std::tuple(core::RuleTableSize(16), 0u, 0u));
    PackedLockTable all(512);
    for (std::uint64_t i = 0; i < 512; ++i) all.Insert(i);
    EXPECT_EQ(CountUndefinedTransitions(all, core::kSymmetryD8, 2), 0u);
    // A table smaller or larger than the rule still follows the definition.
    const PackedLockTable smaller = Locks(300, {0, 7});
    EXPECT_EQ(CountUndefinedTransitions(smaller, core::kSymmetryD8, 2), PlainCount(smaller, CanonicalFlags(core::kSymmetryD8, 2)));
    EXPECT_EQ(CountUndefinedTransitions(Locks(19683, {0, 1, 600}), core::kSymmetryD8, 2), 100u);  // 600: beyond 2 states
    // The sparse form at 6 states: every class but the locked ones.
    PackedLockTable sparse = Locks(core::RuleTableSize(6), {0});
    InsertOrbit(sparse, core::kSymmetryD8, 6, 12345);
    sparse.Insert(core::CanonicalIndex(core::kSymmetryD8, 6, core::DecodeNeighborhoodIndex(999999, 6)));
    EXPECT_EQ(CountUndefinedTransitions(sparse, core::kSymmetryD8, 6), CountSymmetryClasses(core::kSymmetryD8, 6) - 3);
}

TEST(UndefinedTransitions, LoaderAppendsUnlockedCanonicalCardsInOrder) {
    for (int states : {3, 6}) {  // the dense and the sparse lock form
        SCOPED_TRACE(states);
        core::Rule rule = testsupport::BlockRule(states, 4);
        rule.symmetry = core::kSymmetryD8;
        PackedLockTable locks = Locks(core::RuleTableSize(states), {0});
        for (std::uint64_t lone : {1, 5}) InsertOrbit(locks, core::kSymmetryD8, states, lone);
        std::vector<UndefinedEntry> cards;
        std::uint64_t cursor = LoadUndefinedEntries(locks, rule, 0, 50, cards);
        ASSERT_EQ(cards.size(), 50u);
        EXPECT_EQ(cursor, cards.back().index + 1);  // stops right after the last card
        cursor = LoadUndefinedEntries(locks, rule, cursor, 7, cards);
        // The same cards as a scan of the definition, with the rule's outputs and decoded digits.
        std::vector<UndefinedEntry> expected;
        for (std::uint64_t i = 0; expected.size() < 57; ++i)
            if (!locks.Contains(i) && core::IsCanonicalIndex(core::kSymmetryD8, states, i))
                expected.push_back({i, core::DecodeNeighborhoodIndex(i, states), rule.table[i]});
        EXPECT_EQ(cards, expected);
        if (states != 3) continue;
        // Reading to the end yields the whole count and leaves the cursor at the table's end.
        while (cursor < core::RuleTableSize(3)) cursor = LoadUndefinedEntries(locks, rule, cursor, 1000, cards);
        const std::size_t all = cards.size();
        EXPECT_EQ(std::tuple(all, cursor, LoadUndefinedEntries(locks, rule, cursor, 10, cards)),
                  std::tuple(CountUndefinedTransitions(locks, core::kSymmetryD8, 3), core::RuleTableSize(3), core::RuleTableSize(3)));
        EXPECT_EQ(cards.size(), all);
    }
}

TEST(UndefinedTransitions, LoaderLimitsAndZeroCount) {
    const core::Rule rule = testsupport::RandomRule(2, 9, false);
    // The union, start and count; the cursor after and the cards loaded. A zero count; a start
    // mid-table under C1, where every index is a card; an unsized union loads nothing, and a union
    // smaller than the rule bounds the scan.
    const std::tuple<PackedLockTable, std::uint64_t, std::size_t, std::uint64_t, std::size_t> cases[] = {
        {Locks(512, {}), 5, 0, 5, 0}, {Locks(512, {}), 508, 10, 512, 4}, {{}, 0, 10, 0, 0},
        {Locks(10, {}), 0, 50, 10, 10}};
    for (const auto& [locks, start, count, cursor, loaded] : cases) {
        std::vector<UndefinedEntry> cards;
        const std::uint64_t after = LoadUndefinedEntries(locks, rule, start, count, cards);
        EXPECT_EQ(std::tuple(after, cards.size()), std::tuple(cursor, loaded)) << start;
        if (cards.empty()) continue;
        EXPECT_EQ(std::tuple(cards[0].index, cards.back().index + 1, cards.back().output),
                  std::tuple(start, after, rule.table[cards.back().index]));
    }
}

}  // namespace
}  // namespace authoring
