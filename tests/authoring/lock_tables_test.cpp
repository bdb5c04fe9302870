// The lock tables: the packed table, one step of the lock scan, and the per-generation records.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>

#include "authoring/generation_locks.h"
#include "authoring/neighborhood_scan.h"
#include "authoring/packed_lock_table.h"
#include "core/rule_table.h"
#include "tests/authoring/editor_fixture.h"

namespace authoring {
namespace {

using namespace testing;
using Indices = std::vector<std::uint64_t>;

// Insert, contain, list, count, copy, union and equality, in both forms, against std::set.
TEST(PackedLockTable, BothFormsAgreeWithAReferenceSet) {
    PackedLockTable unsized;
    unsized.Insert(0);  // an unsized table holds nothing
    EXPECT_EQ(std::tuple(unsized.Contains(0), unsized.CountLocked()), std::tuple(false, 0u));
    for (int states : {3, 8}) {
        SCOPED_TRACE(states);
        const std::uint64_t size = core::RuleTableSize(states);
        std::mt19937_64 rng(static_cast<unsigned>(states));
        PackedLockTable a(size), b(size);
        ASSERT_EQ(a.IsDense(), states == 3);  // both forms are exercised
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

// The lock step on random grids across a chunk edge, and the records it appends, against the
// definition: every symmetry, dense and sparse tables.
TEST(GenerationLocks, AnswersAsAFullTablePerGeneration) {
    constexpr std::size_t kGenerations = 6;
    std::mt19937 rng(7);
    const int stateCounts[] = {2, 3, 5, 6, 12};
    for (int c = 0; c < 5 * core::kSymmetryCount; ++c) {
        const int states = stateCounts[c / core::kSymmetryCount];
        const auto s = static_cast<core::RuleSymmetry>(c % core::kSymmetryCount);
        SCOPED_TRACE(std::to_string(states) + " " + std::to_string(s));
        const std::uint64_t entryCount = core::RuleTableSize(states);
        PackedLockTable base(entryCount);
        base.Insert(0);
        // A lone cell at NW: under most groups a member of a class whose canonical index stays free.
        base.Insert(entryCount / static_cast<std::uint64_t>(states));
        std::vector<core::ChunkGrid> grids(kGenerations);
        for (core::ChunkGrid& grid : grids)
            for (int i = 0; i < 40; ++i)
                grid.SetCell(static_cast<std::int32_t>(rng() % 16) + 56, static_cast<std::int32_t>(rng() % 16) + 56,
                             static_cast<std::uint8_t>(rng() % states));
        std::vector<PackedLockTable> dense;
        for (const core::ChunkGrid& grid : grids)
            dense.push_back(DenseLockStep(grid, dense.empty() ? base : dense.back(), s, states));
        // The step also writes a separate table, or the one it reads.
        LockScanScratch scratch;
        PackedLockTable next, same = base;
        AdvanceLockTable(grids[0], base, next, s, states, scratch);
        AdvanceLockTable(grids[0], same, same, s, states, scratch);
        ASSERT_EQ(std::tuple(next == dense[0], same == dense[0]), std::tuple(true, true));

        GenerationLocks locks;
        auto append = [&](std::size_t g) {
            locks.AppendGeneration([&](PackedLockTable& table, std::vector<std::uint64_t>& added) {
                AdvanceLockTable(grids[g], table, added, s, states, scratch);
            });
        };
        // Every index for small tables; above, every lock plus a sample of the rest.
        std::vector<std::uint64_t> probes;
        if (entryCount <= 20000)
            for (std::uint64_t i = 0; i < entryCount; ++i) probes.push_back(i);
        else {
            probes = dense.back().ListIndices();
            for (int i = 0; i < 5000; ++i) probes.push_back(rng() % entryCount);
        }
        auto expectAgreement = [&](std::size_t count) {
            ASSERT_EQ(locks.GenerationCount(), count);
            EXPECT_EQ(locks.Last(), count == 0 ? base : dense[count - 1]);
            EXPECT_EQ(locks.CountLocked(GenerationLocks::kBase), base.CountLocked());
            for (std::size_t g = 0; g < count; ++g) EXPECT_EQ(locks.CountLocked(g), dense[g].CountLocked());
            for (std::uint64_t i : probes) {
                ASSERT_EQ(locks.Contains(i, GenerationLocks::kBase), base.Contains(i)) << i;
                std::optional<std::uint64_t> first;
                for (std::size_t g = 0; g < count; ++g) {
                    ASSERT_EQ(locks.Contains(i, g), dense[g].Contains(i)) << i << " at " << g;
                    if (!first && dense[g].Contains(i)) first = g;
                }
                ASSERT_EQ(locks.EntryGeneration(i), first) << i;
            }
            // Each lock the steps added is listed once.
            std::set<std::uint64_t> own;
            std::size_t listed = 0;
            for (const GenerationLocks::Entry& entry : locks.OwnLocks()) {
                EXPECT_FALSE(base.Contains(entry.index));
                EXPECT_EQ(locks.EntryGeneration(entry.index), entry.generation);
                own.insert(entry.index), ++listed;
            }
            EXPECT_EQ(std::tuple(listed, own.size()), std::tuple(locks.Last().CountLocked() - base.CountLocked(), listed));
        };

        locks.Reset(base);
        expectAgreement(0);
        for (std::size_t g = 0; g < kGenerations; ++g) append(g);
        expectAgreement(kGenerations);
        // Only the base, the running table and what the generations add are held.
        EXPECT_LE(locks.ByteSize(), 2 * dense.back().ByteSize() + 128 * locks.OwnLocks().size() + 4096);

        locks.Truncate(3);
        expectAgreement(3);
        for (std::size_t g = 3; g < kGenerations; ++g) append(g);
        expectAgreement(kGenerations);

        // A step that fails halfway leaves the records as they were.
        const auto failing = [](PackedLockTable& table, std::vector<std::uint64_t>& added) {
            for (std::uint64_t i = 1; i < 40; ++i)
                if (!table.Contains(i)) added.push_back(i), table.Insert(i);
            throw std::runtime_error("step failed");
        };
        EXPECT_THROW(locks.AppendGeneration(failing), std::runtime_error);
        expectAgreement(kGenerations);

        // Starting over on its own base keeps that base.
        locks.Reset(locks.Base());
        expectAgreement(0);
        locks.Clear();
        EXPECT_EQ(locks.Base().EntryCount(), 0u);
        EXPECT_FALSE(locks.Contains(0, 0));
    }
}

}  // namespace
}  // namespace authoring
