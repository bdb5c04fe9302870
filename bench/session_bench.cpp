#include <benchmark/benchmark.h>

#include <random>
#include <span>
#include <string>

#include "core/random_soup.h"
#include "formats/session_file.h"

namespace {

// A 1,000 x 1,000 three-state soup as the source grid, 12 tabs of 40 x 40 random cells.
formats::SessionSnapshot SoupSession() {
    formats::SessionSnapshot s;
    s.stateCount = 3;
    s.colorsStored = true;
    s.sourceGrid = core::MakeRandomSoup(1000, 1.0 - 1.0 / 3.0, 3, 1234);
    std::mt19937 rng(99);
    for (int t = 0; t < 12; ++t) {
        formats::SessionPatternRecord record;
        record.name = "Pattern " + std::to_string(t + 1);
        record.camera = {20.0f, 20.0f, 16.0f};
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) record.startGrid.SetCell(x, y, static_cast<std::uint8_t>(rng() % 3));
        s.patterns.push_back(record);
    }
    for (std::uint64_t i = 0; i < 19683; i += 7) s.ruleEntries.push_back({i, static_cast<std::uint8_t>(1 + i % 2)});
    return s;
}

void BM_SerializeSoupSession(benchmark::State& state) {
    const formats::SessionSnapshot s = SoupSession();
    std::size_t size = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = formats::SerializeSession(s);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["file_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_SerializeSoupSession)->Unit(benchmark::kMillisecond);

void BM_ParseSoupSession(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = formats::SerializeSession(SoupSession());
    for (auto _ : state) {
        const formats::SessionSnapshot s = formats::ParseSession(std::span<const std::uint8_t>(bytes));
        benchmark::DoNotOptimize(s.sourceGrid.ChunkCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ParseSoupSession)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
