#include "authoring/generation_locks.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "authoring/neighborhood_scan.h"
#include "core/symmetry.h"
#include "tests/authoring/lock_reference.h"

namespace authoring {
namespace {

using namespace testing;

TEST(GenerationLocks, AnswersAsAFullTablePerGeneration) {
    struct Case {
        int states;
        core::RuleSymmetry symmetry;
    };
    const Case cases[] = {{2, core::kSymmetryC1}, {3, core::kSymmetryD8}, {4, core::kSymmetryC4},
                          {5, core::kSymmetryD8}, {6, core::kSymmetryD8}};
    constexpr std::size_t kGenerations = 6;
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.states);
        const std::uint64_t entryCount = core::RuleTableSize(c.states);
        PackedLockTable base(entryCount);
        base.Insert(0);
        // A lone cell at NW: under C4 and D8 a member of a class whose canonical index stays free.
        base.Insert(entryCount / static_cast<std::uint64_t>(c.states));
        std::vector<core::ChunkGrid> grids(kGenerations);
        for (core::ChunkGrid& grid : grids)
            for (int i = 0; i < 40; ++i)
                grid.SetCell(static_cast<std::int32_t>(rng() % 12), static_cast<std::int32_t>(rng() % 12),
                             static_cast<std::uint8_t>(rng() % c.states));
        std::vector<PackedLockTable> dense;
        for (const core::ChunkGrid& grid : grids)
            dense.push_back(DenseLockStep(grid, dense.empty() ? base : dense.back(), c.symmetry, c.states));

        GenerationLocks locks;
        LockScanScratch scratch;
        auto append = [&](std::size_t g) {
            locks.AppendGeneration([&](PackedLockTable& table, std::vector<std::uint64_t>& added) {
                AdvanceLockTable(grids[g], table, added, c.symmetry, c.states, scratch);
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
            std::size_t own = 0;
            for (const GenerationLocks::Entry& entry : locks.OwnLocks()) {
                EXPECT_FALSE(base.Contains(entry.index));
                EXPECT_EQ(locks.EntryGeneration(entry.index), entry.generation);
                ++own;
            }
            EXPECT_EQ(own, locks.Last().CountLocked() - base.CountLocked());
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
        EXPECT_THROW(locks.AppendGeneration([](PackedLockTable& table, std::vector<std::uint64_t>& added) {
            for (std::uint64_t i = 1; i < 40; ++i)
                if (!table.Contains(i)) {
                    added.push_back(i);
                    table.Insert(i);
                }
            throw std::runtime_error("step failed");
        }),
                     std::runtime_error);
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
