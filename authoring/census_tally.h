#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "authoring/census.h"
#include "authoring/census_cells.h"

namespace authoring {

// Counts of one name, and the occurrence of the lowest soup that stands for it.
struct TallyEntry {
    ObjectClass kind = ObjectClass::Unresolved;
    int period = 0, dx = 0, dy = 0;
    std::uint64_t count = 0;
    std::uint64_t sampleSoup = 0;
    CellList sample;
};

class CensusTally {
public:
    void Add(const std::string& name, ObjectClass kind, int period, int dx, int dy, std::uint64_t soup,
             const CellList& sample);
    // Adds another thread's counts; the sample of the lower soup stays.
    void Absorb(CensusTally&& other);
    // Most common first, ties by name, samples written as RLE under `ruleName`.
    std::vector<CensusObject> Objects(int stateCount, const std::string& ruleName) const;

private:
    std::unordered_map<std::string, TallyEntry> entries_;
};

}  // namespace authoring
