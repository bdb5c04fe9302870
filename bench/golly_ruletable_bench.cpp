#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "formats/golly_ruletable.h"
#include "formats/golly_ruletable_writer.h"

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

void ParseEachIteration(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        auto rule = formats::ParseGollyRuletableText(text);
        benchmark::DoNotOptimize(rule.table.data());
    }
}

void BM_ParseLargeGollyRuletable(benchmark::State& state) {
    const std::string text = LargeTable();
    ParseEachIteration(state, text);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseLargeGollyRuletable)->Unit(benchmark::kMillisecond);

void BM_ParseEightStateGollyRuletable(benchmark::State& state) {
    const std::string text = "@TABLE\nn_states:8\nsymmetries:rotate4reflect\nvar a={0,1,2,3,4,5,6,7}\n"
                             "var b=a\n0,a,b,0,0,0,0,0,0,1\n1,a,a,a,a,a,a,a,a,a\n";
    ParseEachIteration(state, text);
}
BENCHMARK(BM_ParseEightStateGollyRuletable)->Unit(benchmark::kMillisecond);

// A 10-state von Neumann rule in the manner of the Evoloop family: 130 lines over variables
// of many states, under rotate4; most blocks are left as they are.
std::string TenStateVonNeumannTable() {
    std::mt19937 rng(11);
    std::string text = "@TABLE\nn_states:10\nneighborhood:vonNeumann\nsymmetries:rotate4\n"
                       "var a={0,1,2,3,4,5,6,7,8,9}\nvar b=a\nvar c={2,3,4,5,6,7}\nvar d={0,1}\nvar e={1,4,6,7}\n";
    const char* tokens[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e"};
    for (int line = 0; line < 130; ++line) {
        for (int k = 0; k < 5; ++k) {
            text += tokens[rng() % (k == 0 ? 10 : 15)];
            text += ',';
        }
        text += std::to_string(rng() % 10);
        text += '\n';
    }
    return text;
}

void BM_ImportTenStateVonNeumann(benchmark::State& state) {
    const std::string text = TenStateVonNeumannTable();
    ParseEachIteration(state, text);
}
BENCHMARK(BM_ImportTenStateVonNeumann)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlainExportTenStateVonNeumann(benchmark::State& state) {
    formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(TenStateVonNeumannTable());
    const core::Rule rule{imported.stateCount, imported.symmetry, std::move(imported.table)};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = formats::BuildPlainGollyRuletable(rule);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["text_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PlainExportTenStateVonNeumann)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
