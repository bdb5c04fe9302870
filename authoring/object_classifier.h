#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "authoring/box_runner.h"
#include "authoring/census.h"
#include "authoring/census_cells.h"

namespace authoring {

struct ObjectInfo {
    std::string name;  // empty when the object dies out alone
    ObjectClass kind = ObjectClass::Unresolved;
    int period = 0;
    int dx = 0, dy = 0;
    CellList sample;  // the canonical phase and orientation, or the object as given
};

// Runs objects alone to find what they are: the first phase, within `limit` generations, that
// comes back after p generations moved by (dx, dy), p being the period. Results are kept by shape, so each shape is run once.
class ObjectClassifier {
public:
    ObjectClassifier(const core::Rule& rule, int limit);

    // `cells` normalized (see Normalize).
    const ObjectInfo& Classify(const CellList& cells);

private:
    ObjectInfo Run(const CellList& cells);

    const core::Rule& rule_;
    int limit_;
    BoxRunner runner_;
    std::vector<CellList> phases_;
    std::vector<CellBox> boxes_;  // of each phase on the plane
    std::array<int, 2> moved_{};
    CellList scratch_;
    std::string key_;
    std::unordered_map<std::string, ObjectInfo> known_;
};

}  // namespace authoring
