#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "formats/golly_ruletable.h"

namespace {

// A large 4-state table: 35,000 transition lines, some with variables named twice.
std::string LargeTable() {
    std::mt19937 rng(7);
    std::string text = "@RULE Large\n@TABLE\nn_states:4\nneighborhood:Moore\nsymmetries:rotate4reflect\n"
                       "var a={0,1,2,3}\nvar b={1,2}\nvar c=b\nvar d={0,3}\n";
    const char* tokens[] = {"0", "1", "2", "3", "a", "b", "c", "d"};
    for (int line = 0; line < 35000; ++line) {
        const bool withVariables = line % 8 == 0;
        for (int k = 0; k < 9; ++k) {
            text += tokens[rng() % (withVariables && rng() % 4 == 0 ? 8 : 4)];
            text += ',';
        }
        text += std::to_string(rng() % 4);
        text += '\n';
    }
    return text;
}

void BM_ParseLargeGollyRuletable(benchmark::State& state) {
    const std::string text = LargeTable();
    for (auto _ : state) {
        auto rule = formats::ParseGollyRuletableText(text);
        benchmark::DoNotOptimize(rule.table.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLargeGollyRuletable)->Unit(benchmark::kMillisecond);

void BM_ParseEightStateGollyRuletable(benchmark::State& state) {
    const std::string text = "@TABLE\nn_states:8\nsymmetries:rotate4reflect\nvar a={0,1,2,3,4,5,6,7}\n"
                             "var b=a\n0,a,b,0,0,0,0,0,0,1\n1,a,a,a,a,a,a,a,a,a\n";
    for (auto _ : state) {
        auto rule = formats::ParseGollyRuletableText(text);
        benchmark::DoNotOptimize(rule.table.data());
    }
}
BENCHMARK(BM_ParseEightStateGollyRuletable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
