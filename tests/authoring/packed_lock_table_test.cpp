#include "authoring/packed_lock_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "core/rule_table.h"

namespace authoring {
namespace {

TEST(PackedLockTable, FormFollowsTheEntryCount) {
    PackedLockTable table;
    EXPECT_FALSE(table.IsDense());
    table.Insert(0);
    EXPECT_FALSE(table.Contains(0));  // an unsized table holds nothing
    EXPECT_EQ(table.CountLocked(), 0u);
    // Dense up to 4,194,304 entries (five states), sparse above.
    for (const auto& [entries, dense] : {std::pair{std::uint64_t{4'194'304}, true}, {4'194'305, false},
                                         {core::RuleTableSize(5), true}, {core::RuleTableSize(6), false}}) {
        table.Reset(entries);
        EXPECT_EQ(table.EntryCount(), entries);
        EXPECT_EQ(table.IsDense(), dense) << entries;
    }
    table.Reset(core::RuleTableSize(16));
    table.Insert(core::RuleTableSize(16) - 1);
    EXPECT_TRUE(table.Contains(core::RuleTableSize(16) - 1));
}

TEST(PackedLockTable, DenseInsertContainsListAndCount) {
    PackedLockTable table(core::RuleTableSize(3));
    for (std::uint64_t i : {19682u, 0u, 64u, 63u, 65u, 64u, 1000u, 19683u}) table.Insert(i);  // 19683: beyond
    for (std::uint64_t i : {0u, 63u, 19682u}) EXPECT_TRUE(table.Contains(i)) << i;
    for (std::uint64_t i : {std::uint64_t{1}, std::uint64_t{19683}, ~std::uint64_t{0}}) EXPECT_FALSE(table.Contains(i)) << i;
    EXPECT_EQ(table.ListIndices(), (std::vector<std::uint64_t>{0, 63, 64, 65, 1000, 19682}));
    EXPECT_EQ(table.CountLocked(), 6u);
    table.Reset(core::RuleTableSize(3));
    EXPECT_EQ(table.CountLocked(), 0u);
    EXPECT_TRUE(table.ListIndices().empty());
}

TEST(PackedLockTable, SparseAgreesWithAReferenceSet) {
    PackedLockTable table(core::RuleTableSize(8));
    std::set<std::uint64_t> reference;
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t index = rng() % 5000 * 26843;  // repeats and large strides
        table.Insert(index);
        reference.insert(index);
    }
    EXPECT_EQ(table.CountLocked(), reference.size());
    auto listed = table.ListIndices();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, std::vector<std::uint64_t>(reference.begin(), reference.end()));
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t probe = rng() % core::RuleTableSize(8);
        EXPECT_EQ(table.Contains(probe), reference.count(probe) == 1) << probe;
    }
}

TEST(PackedLockTable, CopiesAreValuesAndEqualityIgnoresInsertionOrder) {
    for (int states : {3, 7}) {
        PackedLockTable a(core::RuleTableSize(states));
        a.Insert(5);
        PackedLockTable b = a;
        b.Insert(6);
        EXPECT_FALSE(a.Contains(6));
        EXPECT_TRUE(b.Contains(5));
        EXPECT_NE(a, b);
        a.Insert(6);
        EXPECT_EQ(a, b);
    }
    PackedLockTable a(core::RuleTableSize(6)), b(core::RuleTableSize(6));
    for (std::uint64_t i = 0; i < 300; ++i) a.Insert(i * 977);
    for (std::uint64_t i = 300; i-- > 0;) b.Insert(i * 977);
    EXPECT_EQ(a, b);
    b.Insert(1);
    EXPECT_NE(a, b);
    EXPECT_NE(PackedLockTable(core::RuleTableSize(6)), PackedLockTable(core::RuleTableSize(7)));  // sizes differ
}

TEST(PackedLockTable, InsertAllIsTheUnion) {
    for (int states : {2, 4, 6}) {
        const std::uint64_t size = core::RuleTableSize(states);
        PackedLockTable a(size), b(size), expected(size);
        std::mt19937_64 rng(static_cast<unsigned>(states));
        for (int i = 0; i < 200; ++i) {
            const std::uint64_t x = rng() % size, y = rng() % size;
            a.Insert(x);
            b.Insert(y);
            expected.Insert(x);
            expected.Insert(y);
        }
        a.InsertAll(b);
        EXPECT_EQ(a, expected) << states;
        a.InsertAll(a);
        EXPECT_EQ(a, expected);
    }
    // A smaller table's members join a larger one; a larger one's members beyond the size do not.
    PackedLockTable small(core::RuleTableSize(2)), large(core::RuleTableSize(3));
    small.Insert(511);
    large.Insert(512);
    large.InsertAll(small);
    EXPECT_TRUE(large.Contains(511));
    small.InsertAll(large);
    EXPECT_FALSE(small.Contains(512));
    EXPECT_EQ(small.CountLocked(), 1u);
    // Dense members move into a sparse table.
    PackedLockTable sparse(core::RuleTableSize(6));
    sparse.InsertAll(large);
    EXPECT_EQ(sparse.CountLocked(), 2u);
    EXPECT_TRUE(sparse.Contains(512));
}

}  // namespace
}  // namespace authoring
