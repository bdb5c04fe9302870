#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "formats/rle.h"

namespace {

// A 2,048 x 2,048 five-state soup written with letters, 70 characters a line.
std::string SoupRle() {
    std::mt19937 rng(7);
    std::string text = "x = 2048, y = 2048, rule = Soup\n";
    int lineLength = 0;
    for (int y = 0; y < 2048; ++y) {
        for (int x = 0; x < 2048; ++x) {
            const int s = static_cast<int>(rng() % 5);
            text += s == 0 ? '.' : static_cast<char>('A' + s - 1);
            if (++lineLength == 70) {
                text += '\n';
                lineLength = 0;
            }
        }
        text += '$';
    }
    return text + '!';
}

void BM_ParseSoupRle(benchmark::State& state) {
    const std::string text = SoupRle();
    for (auto _ : state) {
        const formats::RlePattern p = formats::ParseRle(text);
        benchmark::DoNotOptimize(p.cells.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseSoupRle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
