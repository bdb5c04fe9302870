#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "authoring/census_cells.h"

namespace authoring {

// The cells a settled soup shows over consecutive generations, grouped by nearness: two cells
// seen in any of the generations belong to one group when they lie within `radius` of each other
// (in each other's (2 radius + 1)-square), so the phases of an oscillator fall into one group.
class ObjectSeparation {
public:
    // The first `phaseCount` of `phases`.
    void Build(const std::vector<CellList>& phases, int phaseCount, int radius);

    int GroupCount() const { return groupCount_; }
    int PhaseCount() const { return phaseCount_; }
    // The cells of group g in phase k, in no particular order.
    std::span<const CensusCell> Cells(int g, int k) const;
    // The group of a cell seen in some phase.
    int GroupOf(std::int32_t x, std::int32_t y) const;

private:
    std::size_t Find(std::size_t i);
    void Join(std::size_t a, std::size_t b);

    std::vector<std::uint64_t> keys_;  // every cell seen, sorted by row then column
    std::vector<std::size_t> parent_;
    std::vector<int> group_;           // per key
    std::vector<CensusCell> cells_;    // per phase, per group
    std::vector<std::size_t> offsets_;  // phase k, group g: [offsets_[k (G + 1) + g], ... + 1)
    std::vector<int> labels_;
    std::vector<std::size_t> fill_;
    int groupCount_ = 0, phaseCount_ = 0;
};

}  // namespace authoring
