#include "authoring/soup_runner.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/random_soup.h"

namespace authoring {

namespace {

// Generations between looks at the population sequence, and after a look that found a group not
// behaving alone.
constexpr int kCheckEvery = 30;
constexpr int kRetryAfter = 150;
// The last max(4 p, kMinRepeatSpan) populations must repeat with period p.
constexpr int kMinRepeatSpan = 48;
// Generations over which the settled soup's cells are grouped and each group checked alone: two
// population periods, within these bounds.
constexpr int kMinWindow = 32;
constexpr int kMaxWindow = 2 * SoupRunner::kMaxPopulationPeriod;
// Classification looks this far for a period at most.
constexpr int kClassifyLimit = 1000;

enum Verdict : char { kSplit, kWhole, kFails };

}  // namespace

SoupRunner::SoupRunner(const core::Rule& rule, const CensusOptions& options)
    : rule_(rule),
      options_(options),
      populationBound_(std::max<std::uint64_t>(4096, 16ull * options.size * options.size)),
      lifeLike_(core::AsLifeLike(rule)),
      runner_(rule, ruleKey_),
      classifier_(rule, std::max(kMaxWindow, std::min(kClassifyLimit, options.maxGenerations))) {}

int SoupRunner::PopulationPeriod(const std::vector<std::uint64_t>& populations) {
    const std::size_t n = populations.size();
    for (int p = 1; p <= kMaxPopulationPeriod; ++p) {
        const std::size_t span = static_cast<std::size_t>(std::max(4 * p, kMinRepeatSpan));
        if (n < span + static_cast<std::size_t>(p)) return 0;
        bool repeats = true;
        for (std::size_t i = n - span; i < n && repeats; ++i) repeats = populations[i] == populations[i - p];
        if (repeats) return p;
    }
    return 0;
}

void SoupRunner::CollectCells(const core::ChunkGrid& grid, CellList& cells) const {
    cells.clear();
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        const std::uint8_t* data = chunk.cells.data();
        for (int i = 0; i < core::kChunkCells; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + i, sizeof word);
            if (word == 0) continue;
            for (int j = i; j < i + 8; ++j)
                if (data[j])
                    cells.push_back({cx * core::kChunkSide + j % core::kChunkSide,
                                     cy * core::kChunkSide + j / core::kChunkSide, data[j]});
        }
    });
}

core::ChunkGrid SoupRunner::CenteredSoup(std::uint32_t seed) {
    const core::ChunkGrid soup = core::MakeRandomSoup(options_.size, options_.density, rule_.stateCount, seed);
    // In the middle of a chunk, not at the corner of four, so that a small soup and its ash keep to
    // one chunk and each step works on that one alone.
    const int offset = std::max(0, (core::kChunkSide - options_.size) / 2);
    CollectCells(soup, cells_);
    core::ChunkGrid grid;
    core::CellWriter writer(grid);
    for (const CensusCell& c : cells_) writer.Set(c.x + offset, c.y + offset, c.state);
    return grid;
}

void SoupRunner::Run(std::uint64_t index, CensusTally& tally) {
    const auto seed = static_cast<std::uint32_t>(options_.seed + index);
    RunPattern(CenteredSoup(seed), index, tally);
}

void SoupRunner::RunPattern(core::ChunkGrid grid, std::uint64_t index, CensusTally& tally) {
    // Kept as the sample should the soup outgrow the bound.
    CollectCells(grid, start_);
    // Counting rules run packed; their cells are unpacked only for the generations looked at.
    std::optional<core::LifeGrid> packed;
    if (lifeLike_) packed.emplace(grid);
    populations_.assign(1, grid.Population());
    int nextCheck = kCheckEvery;
    int window = 0;       // generations being collected; 0 while not collecting
    bool last = false;    // collecting for the final look
    std::size_t collected = 0;
    for (int generation = 0;; ++generation) {
        if (populations_.back() > populationBound_) {
            Normalize(start_);
            tally.Add(std::string(kGrowingName), ObjectClass::Growing, 0, 0, 0, index, start_);
            return;
        }
        if (window == 0) {
            last = generation >= options_.maxGenerations;
            const int period = last ? 1 : generation >= nextCheck ? PopulationPeriod(populations_) : 0;
            if (period > 0) window = std::clamp(2 * period, kMinWindow, kMaxWindow);
            else if (generation >= nextCheck) nextCheck = generation + kCheckEvery;
            collected = 0;
        }
        if (window > 0) {
            if (phases_.size() <= collected) phases_.resize(collected + 1);
            if (packed) grid = packed->ToChunkGrid();
            CollectCells(grid, phases_[collected++]);
            if (collected == static_cast<std::size_t>(window)) {
                if (Separate(index, window, last, tally)) return;
                window = 0;
                nextCheck = generation + kRetryAfter;
            }
        }
        if (packed) {
            packed->Step(*lifeLike_);
            populations_.push_back(packed->Population());
            continue;
        }
        core::ChunkGrid next;
        core::StepGrid(rule_, grid, next, stepScratch_, ruleKey_);
        grid = std::move(next);
        populations_.push_back(grid.Population());
    }
}

bool SoupRunner::Behaves(const ObjectSeparation& separation, int group) {
    const std::span<const CensusCell> start = separation.Cells(group, 0);
    if (start.empty()) return false;
    cells_.assign(start.begin(), start.end());
    runner_.Start(cells_);
    for (int k = 1; k < separation.PhaseCount(); ++k) {
        if (!runner_.Step()) return false;
        const std::span<const CensusCell> seen = separation.Cells(group, k);
        if (!runner_.Matches(seen.data(), seen.data() + seen.size())) return false;
    }
    return true;
}

bool SoupRunner::Separate(std::uint64_t index, int phaseCount, bool last, CensusTally& tally) {
    coarse_.Build(phases_, phaseCount, 2);
    fine_.Build(phases_, phaseCount, 1);
    // Each fine part lies in one coarse group.
    fineCount_.assign(static_cast<std::size_t>(coarse_.GroupCount()), 0);
    coarseVerdict_.assign(static_cast<std::size_t>(coarse_.GroupCount()), kSplit);
    fineCoarse_.resize(static_cast<std::size_t>(fine_.GroupCount()));
    for (int f = 0; f < fine_.GroupCount(); ++f) {
        int k = 0;
        while (fine_.Cells(f, k).empty()) ++k;
        const CensusCell& any = fine_.Cells(f, k).front();
        const int g = fineCoarse_[f] = coarse_.GroupOf(any.x, any.y);
        ++fineCount_[g];
        if (!Behaves(fine_, f)) coarseVerdict_[g] = kWhole;
    }
    for (int g = 0; g < coarse_.GroupCount(); ++g) {
        if (coarseVerdict_[g] == kSplit && fineCount_[g] > 1) continue;
        // A group of one part is that part; no need to run it again.
        if (fineCount_[g] == 1) coarseVerdict_[g] = coarseVerdict_[g] == kSplit ? kWhole : kFails;
        else coarseVerdict_[g] = Behaves(coarse_, g) ? kWhole : kFails;
        if (coarseVerdict_[g] == kFails && !last) return false;
    }
    for (int f = 0; f < fine_.GroupCount(); ++f)
        if (coarseVerdict_[fineCoarse_[f]] == kSplit) Count(fine_, f, index, tally);
    for (int g = 0; g < coarse_.GroupCount(); ++g) {
        if (coarseVerdict_[g] == kWhole) Count(coarse_, g, index, tally);
        if (coarseVerdict_[g] != kFails) continue;
        cells_.clear();
        for (int k = 0; k < coarse_.PhaseCount() && cells_.empty(); ++k) {
            const std::span<const CensusCell> seen = coarse_.Cells(g, k);
            cells_.assign(seen.begin(), seen.end());
        }
        Normalize(cells_);
        tally.Add(std::string(kUnresolvedName), ObjectClass::Unresolved, 0, 0, 0, index, cells_);
    }
    return true;
}

void SoupRunner::Count(const ObjectSeparation& separation, int group, std::uint64_t index, CensusTally& tally) {
    const std::span<const CensusCell> start = separation.Cells(group, 0);
    cells_.assign(start.begin(), start.end());
    Normalize(cells_);
    const ObjectInfo& info = classifier_.Classify(cells_);
    if (info.name.empty()) return;
    tally.Add(info.name, info.kind, info.period, info.dx, info.dy, index, info.sample);
}

}  // namespace authoring
