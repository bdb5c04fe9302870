#pragma once

#include <cstdint>
#include <vector>

#include "authoring/census_cells.h"
#include "core/rule_table.h"
#include "core/window_kernel.h"

namespace authoring {

// A small pattern run alone on an empty plane, in a dense buffer that follows its live cells: the
// census runs each object this way to see whether it behaves as it did in its soup and to find its
// period. The rule must keep the empty background empty.
class BoxRunner {
public:
    // A live box wider or taller than this counts as growing.
    static constexpr int kMaxSide = 192;

    // ruleKey as StepGrid takes it: one for as long as the rule stays the same.
    explicit BoxRunner(const core::Rule& rule, std::uint64_t ruleKey = 0);

    // The cells (plane coordinates) alone.
    void Start(const CellList& cells);
    // One generation. False, with the cells left as they were, once the live box would pass kMaxSide.
    bool Step();

    std::uint32_t Population() const { return population_; }
    // Plane coordinates; meaningless while the population is 0.
    CellBox LiveBox() const;
    // The live cells, normalized (see Normalize); returns their box in plane coordinates.
    CellBox Cells(CellList& out) const;
    // Whether the live cells are exactly [begin, end), in any order.
    bool Matches(const CensusCell* begin, const CensusCell* end) const;

private:
    void Place(const CellList& cells, const CellBox& box);
    void Relayout();
    void ScanLive();

    core::WindowKernel kernel_;
    // Buffer cell (i, j) is plane cell (originX_ + i, originY_ + j); its outer ring stays 0.
    std::int64_t originX_ = 0, originY_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> cells_, stepped_;
    CellList moved_;
    int minX_ = 0, minY_ = 0, maxX_ = -1, maxY_ = -1;  // live box in buffer cells
    std::uint32_t population_ = 0;
};

}  // namespace authoring
