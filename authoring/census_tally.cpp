#include "authoring/census_tally.h"

#include <algorithm>

#include "formats/rle.h"

namespace authoring {

void CensusTally::Add(const std::string& name, ObjectClass kind, int period, int dx, int dy, std::uint64_t soup,
                      const CellList& sample) {
    auto [it, inserted] = entries_.try_emplace(name);
    TallyEntry& e = it->second;
    ++e.count;
    if (!inserted && e.sampleSoup <= soup) return;
    e.kind = kind;
    e.period = period;
    e.dx = dx;
    e.dy = dy;
    e.sampleSoup = soup;
    e.sample = sample;
}

void CensusTally::Absorb(CensusTally&& other) {
    for (auto& [name, theirs] : other.entries_) {
        auto [it, inserted] = entries_.try_emplace(name);
        if (inserted) {
            it->second = std::move(theirs);
            continue;
        }
        TallyEntry& mine = it->second;
        const std::uint64_t count = mine.count + theirs.count;
        if (theirs.sampleSoup < mine.sampleSoup) mine = std::move(theirs);
        mine.count = count;
    }
    other.entries_.clear();
}

std::vector<CensusObject> CensusTally::Objects(int stateCount, const std::string& ruleName) const {
    std::vector<CensusObject> objects;
    objects.reserve(entries_.size());
    for (const auto& [name, e] : entries_) {
        core::ChunkGrid grid;
        core::SetCells(grid, e.sample);
        objects.push_back({name, e.kind, e.period, e.dx, e.dy, e.count, formats::WriteRle(grid, stateCount, ruleName)});
    }
    std::sort(objects.begin(), objects.end(), [](const CensusObject& a, const CensusObject& b) {
        return a.count != b.count ? a.count > b.count : a.name < b.name;
    });
    return objects;
}

}  // namespace authoring
