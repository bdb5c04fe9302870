#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "authoring/box_runner.h"
#include "authoring/census.h"
#include "authoring/census_tally.h"
#include "authoring/object_classifier.h"
#include "authoring/object_separation.h"
#include "core/life_grid.h"
#include "core/step_grid.h"

namespace authoring {

// One census thread's soups, one at a time, with buffers kept from soup to soup. A soup runs until
// its population has been periodic for several cycles (or options.maxGenerations), then over a
// window of further generations its cells are grouped by nearness; each group run alone must
// repeat what it did in the soup, else the soup runs on and is looked at again later (after
// maxGenerations such groups count as unresolved). Groups whose 8-connected parts each behave
// alone are counted part by part, so that objects merely touching diagonally are told apart. A
// soup whose population passes max(4096, 16 size^2) is counted as growing there and then.
class SoupRunner {
public:
    SoupRunner(const core::Rule& rule, const CensusOptions& options);

    // Soup `index` (seed options.seed + index) into `tally`.
    void Run(std::uint64_t index, CensusTally& tally);
    // Any start as soup `index`.
    void RunPattern(core::ChunkGrid grid, std::uint64_t index, CensusTally& tally);

    // The smallest period, up to kMaxPopulationPeriod, that the last generations of a population
    // sequence repeat with over several cycles; 0 when there is none.
    static int PopulationPeriod(const std::vector<std::uint64_t>& populations);
    static constexpr int kMaxPopulationPeriod = 60;

private:
    core::ChunkGrid CenteredSoup(std::uint32_t seed);
    // Groups the first `phaseCount` phases; false when a group does not behave alone, unless `last`.
    bool Separate(std::uint64_t index, int phaseCount, bool last, CensusTally& tally);
    bool Behaves(const ObjectSeparation& separation, int group);
    void Count(const ObjectSeparation& separation, int group, std::uint64_t index, CensusTally& tally);
    void CollectCells(const core::ChunkGrid& grid, CellList& cells) const;

    const core::Rule& rule_;
    CensusOptions options_;
    std::uint64_t populationBound_;
    std::optional<core::LifeLikeRule> lifeLike_;
    // One key for every soup: the rule does not change, and a soup's first steps have no history
    // to mistake for another's.
    std::uint64_t ruleKey_ = core::NewRuleKey();
    core::StepScratch stepScratch_;
    BoxRunner runner_;
    ObjectClassifier classifier_;
    ObjectSeparation coarse_, fine_;
    std::vector<std::uint64_t> populations_;
    std::vector<CellList> phases_;
    std::vector<char> coarseVerdict_;
    std::vector<int> fineCount_, fineCoarse_;
    CellList cells_, start_;
};

}  // namespace authoring
