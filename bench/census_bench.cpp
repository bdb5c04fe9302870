// Soup census throughput: 16 x 16 soups of Life and of a settling four-state rule, on one thread.
#include <benchmark/benchmark.h>

#include "authoring/census.h"
#include "tests/support/test_rules.h"

namespace {

void RunSoups(benchmark::State& state, const core::Rule& rule) {
    authoring::CensusOptions options;
    options.soups = static_cast<int>(state.range(0));
    options.threads = 1;
    std::uint64_t soups = 0;
    for (auto _ : state) {
        const authoring::CensusResult result = authoring::RunCensus(rule, "bench", options);
        benchmark::DoNotOptimize(result.objects.data());
        soups += static_cast<std::uint64_t>(result.options.soups);
        // A different stretch of seeds each time, so no iteration repeats another's work.
        options.seed += static_cast<std::uint32_t>(options.soups);
    }
    state.counters["soups_per_second"] = benchmark::Counter(static_cast<double>(soups), benchmark::Counter::kIsRate);
}

void BM_CensusLife(benchmark::State& state) { RunSoups(state, testsupport::LifeRule()); }
BENCHMARK(BM_CensusLife)->Arg(100)->Unit(benchmark::kMillisecond);

// Nine orbits in ten of the isotropic table keep the centre's state, so soups settle within a few
// dozen generations into small still lifes (about 150 kinds in 100 soups).
void BM_CensusFourStates(benchmark::State& state) {
    RunSoups(state, testsupport::RandomSymmetricRule(4, 4, 11, 90, true));
}
BENCHMARK(BM_CensusFourStates)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
