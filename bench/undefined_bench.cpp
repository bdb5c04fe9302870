// Undefined-transition counting on a union of a few hundred locked classes, the per-index scan it
// replaces, and one lock step over a small drawn pattern.
#include <benchmark/benchmark.h>

#include <random>

#include "authoring/neighborhood_scan.h"
#include "authoring/undefined_transitions.h"
#include "core/symmetry.h"

namespace {

constexpr int kLockedClasses = 300;

authoring::PackedLockTable LockedOrbits(int states, core::RuleSymmetry symmetry) {
    const std::uint64_t size = core::RuleTableSize(states);
    authoring::PackedLockTable table(size);
    table.Insert(0);
    std::mt19937_64 rng(static_cast<std::uint64_t>(states));
    for (int k = 0; k < kLockedClasses; ++k)
        for (std::uint64_t member :
             core::NeighborhoodOrbit(symmetry, states, core::DecodeNeighborhoodIndex(rng() % size, states)))
            table.Insert(member);
    return table;
}

void BM_CountUndefinedTransitions(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    const authoring::PackedLockTable locks = LockedOrbits(states, core::kSymmetryD8);
    for (auto _ : state) benchmark::DoNotOptimize(authoring::CountUndefinedTransitions(locks, core::kSymmetryD8, states));
    state.counters["locked"] = static_cast<double>(locks.CountLocked());
}
BENCHMARK(BM_CountUndefinedTransitions)->Arg(3)->Arg(5)->Arg(6)->Arg(7)->Arg(8)->Unit(benchmark::kMicrosecond);

// The definition's scan over every index, for comparison.
void BM_PlainUndefinedScan(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    const authoring::PackedLockTable locks = LockedOrbits(states, core::kSymmetryD8);
    const std::uint64_t size = core::RuleTableSize(states);
    for (auto _ : state) {
        std::uint64_t count = 0;
        for (std::uint64_t i = 0; i < size; ++i)
            if (!locks.Contains(i) && core::IsCanonicalIndex(core::kSymmetryD8, states, i)) ++count;
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_PlainUndefinedScan)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_LoadFiftyUndefinedEntries(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    const authoring::PackedLockTable locks = LockedOrbits(states, core::kSymmetryD8);
    const core::Rule rule{states, core::kSymmetryD8, core::RuleTable(core::RuleTableSize(states))};
    std::vector<authoring::UndefinedEntry> cards;
    for (auto _ : state) {
        cards.clear();
        benchmark::DoNotOptimize(authoring::LoadUndefinedEntries(locks, rule, 0, 50, cards));
    }
}
BENCHMARK(BM_LoadFiftyUndefinedEntries)->Arg(3)->Arg(8)->Unit(benchmark::kMicrosecond);

// A side x side square of uniformly random states, background included.
core::ChunkGrid RandomGrid(int side, int states) {
    core::ChunkGrid grid;
    std::mt19937 rng(1);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) grid.SetCell(x, y, static_cast<std::uint8_t>(rng() % states));
    return grid;
}

void BM_AdvanceLockTable(benchmark::State& state) {
    const int states = 3;
    const int side = static_cast<int>(state.range(0));
    const core::ChunkGrid grid = RandomGrid(side, states);
    authoring::PackedLockTable previous(core::RuleTableSize(states));
    previous.Insert(0);
    authoring::PackedLockTable next;
    authoring::LockScanScratch scratch;
    for (auto _ : state) {
        authoring::AdvanceLockTable(grid, previous, next, core::kSymmetryD8, states, scratch);
        benchmark::DoNotOptimize(next);
    }
    state.counters["locked"] = static_cast<double>(next.CountLocked());
}
BENCHMARK(BM_AdvanceLockTable)->Arg(40)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_ScanNeighborhoods(benchmark::State& state) {
    const int states = 3;
    const int side = static_cast<int>(state.range(0));
    const core::ChunkGrid grid = RandomGrid(side, states);
    std::vector<std::uint8_t> scratch;
    for (auto _ : state) {
        std::uint64_t sum = 0;
        authoring::ScanNeighborhoods(grid, states, scratch,
                                     [&](std::int32_t, std::int32_t, std::uint64_t index) { sum += index; });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ScanNeighborhoods)->Arg(40)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
