#include "authoring/packed_lock_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>

#include "core/rule_table.h"

namespace authoring {
namespace {

using Indices = std::vector<std::uint64_t>;

TEST(PackedLockTable, FormFollowsTheEntryCount) {
    PackedLockTable table;
    table.Insert(0);  // an unsized table holds nothing
    EXPECT_EQ(std::tuple(table.IsDense(), table.Contains(0), table.CountLocked()), std::tuple(false, false, 0u));
    // Dense up to 4,194,304 entries (five states), sparse above.
    for (const auto& [entries, dense] : {std::pair{std::uint64_t{4'194'304}, true}, {4'194'305, false},
                                         {core::RuleTableSize(5), true}, {core::RuleTableSize(6), false}}) {
        table.Reset(entries);
        EXPECT_EQ(std::tuple(table.EntryCount(), table.IsDense()), std::tuple(entries, dense));
    }
}

// Insert, contain, list, count, copy, union and equality, in both forms, against std::set.
TEST(PackedLockTable, BothFormsAgreeWithAReferenceSet) {
    for (int states : {3, 8}) {
        SCOPED_TRACE(states);
        const std::uint64_t size = core::RuleTableSize(states);
        std::mt19937_64 rng(static_cast<unsigned>(states));
        PackedLockTable a(size), b(size);
        std::set<std::uint64_t> inA, inB;
        for (int i = 0; i < 6000; ++i) {
            const std::uint64_t x = rng() % 2000 * (size / 2000), y = rng() % size;  // repeats and large strides
            a.Insert(x), inA.insert(x), b.Insert(y), inB.insert(y);
        }
        for (std::uint64_t beyond : {size, ~std::uint64_t{0}}) a.Insert(beyond);
        const auto expectHolds = [&](const PackedLockTable& table, const std::set<std::uint64_t>& reference) {
            Indices listed = table.ListIndices();
            if (!table.IsDense()) std::sort(listed.begin(), listed.end());  // only the dense form lists in order
            EXPECT_EQ(std::tuple(listed, table.CountLocked(), table.Contains(~std::uint64_t{0})),
                      std::tuple(Indices(reference.begin(), reference.end()), reference.size(), false));
            for (int i = 0; i < 4000; ++i) {
                const std::uint64_t probe = rng() % (size + 2);
                ASSERT_EQ(table.Contains(probe), reference.contains(probe)) << probe;
            }
        };
        expectHolds(a, inA);
        PackedLockTable both = a;
        both.InsertAll(b), both.InsertAll(both);
        expectHolds(a, inA);  // the copy is a value
        inB.insert(inA.begin(), inA.end());
        expectHolds(both, inB);
        PackedLockTable reversed(size);
        for (auto i = inB.rbegin(); i != inB.rend(); ++i) reversed.Insert(*i);
        EXPECT_EQ(std::tuple(reversed == both, a == both), std::tuple(true, false));
        a.Reset(size);
        expectHolds(a, {});
    }
}

TEST(PackedLockTable, SizesDifferAndUnionsKeepToTheirOwnSize) {
    EXPECT_NE(PackedLockTable(core::RuleTableSize(6)), PackedLockTable(core::RuleTableSize(7)));
    PackedLockTable small(core::RuleTableSize(2)), large(core::RuleTableSize(3)), sparse(core::RuleTableSize(6));
    small.Insert(511);
    large.Insert(512);
    large.InsertAll(small), small.InsertAll(large), sparse.InsertAll(large);
    EXPECT_EQ(std::tuple(large.ListIndices(), small.ListIndices(), sparse.CountLocked(), sparse.Contains(512)),
              std::tuple(Indices{511, 512}, Indices{511}, 2u, true));
    PackedLockTable widest(core::RuleTableSize(16));
    widest.Insert(core::RuleTableSize(16) - 1);
    EXPECT_TRUE(widest.Contains(core::RuleTableSize(16) - 1));
}

}  // namespace
}  // namespace authoring
