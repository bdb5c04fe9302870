// Stepping throughput: dense soups on the rectangle strategy, a sparse field on the chunk
// strategy, and the plain per-cell lookup as the reference the kernel must beat. Steps run on one
// thread (threads:1) and on every core (threads:0) side by side.
#include <benchmark/benchmark.h>

#include <bit>
#include <random>
#include <vector>

#include "core/life_grid.h"
#include "core/life_like_kernel.h"
#include "core/neighbour_count_rule.h"
#include "core/overlay_layer.h"
#include "core/random_soup.h"
#include "core/step_grid.h"
#include "core/step_kernels.h"
#include "core/worker_pool.h"

namespace {

// Allocated as the editor allocates its tables.
core::Rule BenchRule(int stateCount) {
    core::Rule rule{stateCount, 0, {}};
    core::AllocateRuleTable(rule.table, stateCount, "benchmarking", 0);
    std::mt19937 rng(static_cast<std::uint32_t>(stateCount));
    std::vector<std::uint8_t> block(65537);
    for (auto& b : block) b = static_cast<std::uint8_t>(rng() % stateCount);
    for (std::size_t i = 0; i < rule.table.size(); ++i) rule.table[i] = block[i % block.size()];
    rule.table[0] = 0;
    return rule;
}

void SetCellRate(benchmark::State& state, double cellsPerIteration) {
    state.counters["cells_per_second"] =
        benchmark::Counter(cellsPerIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Thread count from the benchmark's argument at `argument`; 0 is every core.
void UseThreads(benchmark::State& state, int argument) {
    core::SetWorkerThreadCount(static_cast<int>(state.range(argument)));
    state.counters["threads"] = core::WorkerThreadCount();
}

// One generation of a dense soup, always from the same start so every iteration does equal work.
void BM_StepGridDenseSoup(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int states = static_cast<int>(state.range(1));
    UseThreads(state, 2);
    const core::Rule rule = BenchRule(states);
    const core::ChunkGrid soup = core::MakeRandomSoup(side, 1.0 - 1.0 / states, states, 1);
    core::StepScratch scratch;
    for (auto _ : state) {
        core::ChunkGrid next;
        core::StepGrid(rule, soup, next, scratch);
        benchmark::DoNotOptimize(next);
    }
    SetCellRate(state, double(side) * side);
}
BENCHMARK(BM_StepGridDenseSoup)
    ->ArgNames({"side", "states", "threads"})
    ->ArgsProduct({{512, 2048}, {2, 3, 4, 5, 8}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// A generation of the pattern viewer at its largest size, the grid and its trails, from a 2048
// x 2048 soup run `warmUp` generations under `rule`; with keyed:1 the steps record what changed,
// as the viewer's run does.
void BenchViewerStep(benchmark::State& state, const core::Rule& rule, int warmUp) {
    const int states = rule.stateCount;
    UseThreads(state, 1);
    const std::uint64_t key = state.range(2) ? core::NewRuleKey() : 0;
    core::StepScratch scratch;
    core::ChunkGrid grid = core::MakeRandomSoup(2048, 1.0 - 1.0 / states, states, 1), previous;
    for (int g = 0; g < warmUp; ++g) {
        previous = grid;
        core::StepGrid(rule, previous, grid, scratch, key);
    }
    core::HistoryLayer history;
    core::StepHistory(previous, core::HistoryLayer(), grid, history);
    for (auto _ : state) {
        core::ChunkGrid next;
        core::StepGrid(rule, grid, next, scratch, key);
        core::AdvanceHistory(grid, next, history);
        grid = next;
        benchmark::DoNotOptimize(history);
    }
    SetCellRate(state, 2048.0 * 2048.0);
}

// Two generations in: the record is kept, but nothing in it has settled yet.
void BM_ViewerStep(benchmark::State& state) { BenchViewerStep(state, BenchRule(int(state.range(0))), 2); }
BENCHMARK(BM_ViewerStep)
    ->ArgNames({"states", "threads", "keyed"})
    ->ArgsProduct({{2, 3, 4, 5, 6, 7, 8}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Most neighbourhoods keep their centre: a soup settles within a few dozen generations into
// still and periodic remains, as designed rules' soups do.
core::Rule SettlingRule(int stateCount) {
    core::Rule rule{stateCount, 0, {}};
    core::AllocateRuleTable(rule.table, stateCount, "benchmarking", 0);
    const auto n = static_cast<std::uint64_t>(stateCount);
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        std::uint64_t h = i * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
        rule.table[i] = static_cast<std::uint8_t>(h % 1000 < 10 ? (h >> 20) % n : i / (n * n * n * n) % n);
    }
    rule.table[0] = 0;
    return rule;
}

// The viewer's step on a soup that has settled.
void BM_ViewerStepSettled(benchmark::State& state) { BenchViewerStep(state, SettlingRule(int(state.range(0))), 60); }
BENCHMARK(BM_ViewerStepSettled)
    ->ArgNames({"states", "threads", "keyed"})
    ->ArgsProduct({{3, 5, 8}, {0}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A state becomes the next one round the cycle when a neighbour already holds it: a rule of
// neighbour counts whose soups never settle.
core::Rule CyclicRule(int stateCount) {
    core::Rule rule{stateCount, 0, {}};
    core::AllocateRuleTable(rule.table, stateCount, "benchmarking", 0);
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
        const core::Neighborhood d = core::DecodeNeighborhoodIndex(i, stateCount);
        const int after = (d[4] + 1) % stateCount;
        bool held = false;
        for (int k = 0; k < 9; ++k) held = held || (k != 4 && d[k] == after);
        rule.table[i] = static_cast<std::uint8_t>(held ? after : d[4]);
    }
    return rule;
}

// With keyed:1 the step recognises the rule of counts and looks its small table up.
void BM_ViewerStepCyclic(benchmark::State& state) { BenchViewerStep(state, CyclicRule(int(state.range(0))), 2); }
BENCHMARK(BM_ViewerStepCyclic)
    ->ArgNames({"states", "threads", "keyed"})
    ->ArgsProduct({{4, 5}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Gliders scattered over a large field: the chunk strategy, cost proportional to live chunks.
void BM_StepGridSparseGliders(benchmark::State& state) {
    UseThreads(state, 0);
    core::Rule life{2, 4, core::RuleTable(512, 0)};
    for (std::uint64_t i = 0; i < 512; ++i) {
        const auto d = core::DecodeNeighborhoodIndex(i, 2);
        const int n = d[0] + d[1] + d[2] + d[3] + d[5] + d[6] + d[7] + d[8];
        life.table[i] = (n == 3 || (d[4] && n == 2)) ? 1 : 0;
    }
    core::ChunkGrid grid;
    const int glider[][2] = {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}};
    for (int gx = 0; gx < 8; ++gx)
        for (int gy = 0; gy < 8; ++gy)
            for (auto [x, y] : glider) grid.SetCell(gx * 5000 + 30 + x, gy * 5000 + 30 + y, 1);
    core::StepScratch scratch;
    std::size_t candidates = 0;
    for (auto _ : state) {
        core::ChunkGrid next;
        core::StepGrid(life, grid, next, scratch);
        benchmark::DoNotOptimize(next);
        candidates = core::CollectAutomatonCandidateChunks(grid).size();
    }
    SetCellRate(state, double(candidates) * core::kChunkCells);
}
BENCHMARK(BM_StepGridSparseGliders)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The padded window of a side x side soup, as the rectangle strategy builds it.
std::vector<std::uint8_t> SoupWindow(int side, int states, int& width, int& height) {
    const core::ChunkGrid soup = core::MakeRandomSoup(side, 1.0 - 1.0 / states, states, 1);
    const core::LiveChunkBounds b = core::GetLiveChunkBounds(soup);
    width = 64 * (b.maxX - b.minX + 1) + 4;
    height = 64 * (b.maxY - b.minY + 1) + 4;
    std::vector<std::uint8_t> window;
    core::CopyGridRegionToBuffer(soup, 64 * b.minX - 2, 64 * b.minY - 2, width, height, window);
    return window;
}

// Steps the padded window of a side x side soup with `step(rule, width, height, window, result)`.
template <class Step>
void BenchWindow(benchmark::State& state, int states, Step step, int side = 512) {
    const core::Rule rule = BenchRule(states);
    int width = 0, height = 0;
    const auto window = SoupWindow(side, states, width, height);
    std::vector<std::uint8_t> result(std::size_t(width - 2) * (height - 2));
    for (auto _ : state) {
        step(rule, width, height, window.data(), result.data());
        benchmark::DoNotOptimize(result.data());
    }
    SetCellRate(state, double(width - 2) * (height - 2));
}

void BM_KernelWindow(benchmark::State& state) {
    BenchWindow(state, static_cast<int>(state.range(0)),
                [](const core::Rule& rule, int w, int h, const std::uint8_t* window, std::uint8_t* result) {
                    core::StepDenseKernel(w, h, w, rule.stateCount, window, rule.table.data(), result);
                });
}
BENCHMARK(BM_KernelWindow)->DenseRange(2, 5)->Unit(benchmark::kMicrosecond);

void BM_CountKernelWindow(benchmark::State& state) {
    const int states = static_cast<int>(state.range(0));
    const core::Rule rule = CyclicRule(states);
    const core::NeighbourCountRule counts = *core::AsNeighbourCount(rule);
    int width = 0, height = 0;
    const auto window = SoupWindow(512, states, width, height);
    std::vector<std::uint8_t> result(std::size_t(width - 2) * (height - 2));
    for (auto _ : state) {
        core::StepNeighbourCountWindow(counts, width, height, width, window.data(), result.data());
        benchmark::DoNotOptimize(result.data());
    }
    SetCellRate(state, double(width - 2) * (height - 2));
}
BENCHMARK(BM_CountKernelWindow)->DenseRange(4, 6)->Unit(benchmark::kMicrosecond);

// Each instruction-set variant directly, on the same window.
void BM_KernelVariant(benchmark::State& state) {
    const auto variant = static_cast<core::KernelVariant>(state.range(0));
    if (!core::IsKernelVariantSupported(variant)) {
        state.SkipWithError("not supported by this processor");
        return;
    }
    const core::StepKernelFn kernel = core::KernelsFor(variant).step;
    BenchWindow(state, static_cast<int>(state.range(1)),
                [kernel](const core::Rule& rule, int w, int h, const std::uint8_t* window, std::uint8_t* result) {
                    kernel(w, h, w, rule.stateCount, window, rule.table.data(), result);
                });
}
BENCHMARK(BM_KernelVariant)->ArgsProduct({{0, 1, 2, 3, 4}, {2, 4}})->Unit(benchmark::kMicrosecond);

// Life on one chunk's 66x66 window: the bitwise Life-like kernel (1) against the table lookup (0).
void BM_LifeLikeChunkWindow(benchmark::State& state) {
    const bool bitwise = state.range(0) == 1;
    const core::Rule table = [] {
        core::Rule rule{2, 0, core::RuleTable(512, 0)};
        for (unsigned i = 0; i < 512; ++i) {
            const int n = std::popcount(i & 0x1EFu);
            rule.table[i] = n == 3 || ((i >> 4 & 1) != 0 && n == 2);
        }
        return rule;
    }();
    const core::LifeLikeRule life = *core::AsLifeLike(table);
    constexpr int kSide = 66;
    std::mt19937 rng(3);
    std::vector<std::uint8_t> window(kSide * kSide), result((kSide - 2) * (kSide - 2));
    for (auto& c : window) c = rng() & 1;
    for (auto _ : state) {
        if (bitwise)
            core::StepLifeLikeWindow(life, kSide, kSide, kSide, window.data(), result.data());
        else
            core::StepDenseKernel(kSide, kSide, kSide, 2, window.data(), table.table.data(), result.data());
        benchmark::DoNotOptimize(result.data());
        benchmark::ClobberMemory();
    }
    const double cells = double(kSide - 2) * (kSide - 2) * static_cast<double>(state.iterations());
    state.counters["time_per_cell"] =
        benchmark::Counter(cells, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LifeLikeChunkWindow)->ArgName("bitwise")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Life packed a bit per cell, on a 2048 x 2048 soup at density 0.5 after 1,000 generations (still
// far from settled): one generation per iteration.
void BM_LifeGridSoup(benchmark::State& state) {
    UseThreads(state, 0);
    const core::LifeLikeRule life{1u << 3, 1u << 2 | 1u << 3};
    core::LifeGrid grid(core::MakeRandomSoup(2048, 0.5, 2, 1));
    for (int g = 0; g < 1000; ++g) grid.Step(life);
    for (auto _ : state) grid.Step(life);
    SetCellRate(state, 2048.0 * 2048.0);
}
BENCHMARK(BM_LifeGridSoup)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The plain per-cell Horner lookup over the window of a whole soup: the reference to beat, on
// the soups of the dense benchmark.
void BM_NaiveWindow(benchmark::State& state) {
    BenchWindow(
        state, static_cast<int>(state.range(1)),
        [](const core::Rule& rule, int w, int h, const std::uint8_t* window, std::uint8_t* result) {
            core::StepNaiveWindow(rule, w, h, w, window, result);
        },
        static_cast<int>(state.range(0)));
}
BENCHMARK(BM_NaiveWindow)
    ->ArgNames({"side", "states"})
    ->ArgsProduct({{512, 2048}, {2, 3, 4, 5, 8}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
