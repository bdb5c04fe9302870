#include <algorithm>
#include <map>
#include <stdexcept>

#include "authoring/census.h"

namespace authoring {

namespace {

std::string SeedRange(const CensusResult& part) {
    return std::to_string(part.firstSeed) + "-" + std::to_string(part.lastSeed);
}

void CheckSameRun(const CensusResult& a, const CensusResult& b) {
    if (a.rule != b.rule) throw std::runtime_error("Cannot merge censuses of different rules: " + a.rule + " and " + b.rule + ".");
    if (a.options.size != b.options.size)
        throw std::runtime_error("Cannot merge censuses of different soup sizes: " + std::to_string(a.options.size) +
                                 " and " + std::to_string(b.options.size) + ".");
    if (a.options.density != b.options.density)
        throw std::runtime_error("Cannot merge censuses of different soup densities.");
    if (a.options.maxGenerations != b.options.maxGenerations)
        throw std::runtime_error("Cannot merge censuses of different generation limits: " +
                                 std::to_string(a.options.maxGenerations) + " and " +
                                 std::to_string(b.options.maxGenerations) + ".");
}

}  // namespace

CensusResult MergeCensus(const std::vector<CensusResult>& parts) {
    if (parts.empty()) throw std::runtime_error("There is no census to merge.");
    // Lowest seeds first, so that each entry keeps the sample one run over all the seeds would keep.
    std::vector<const CensusResult*> order;
    for (const CensusResult& part : parts) {
        CheckSameRun(parts.front(), part);
        if (part.options.soups > 0) order.push_back(&part);
    }
    std::sort(order.begin(), order.end(),
              [](const CensusResult* a, const CensusResult* b) { return a->firstSeed < b->firstSeed; });
    for (std::size_t i = 1; i < order.size(); ++i)
        if (order[i]->firstSeed <= order[i - 1]->lastSeed)
            throw std::runtime_error("Cannot merge censuses whose seeds overlap: " + SeedRange(*order[i - 1]) +
                                     " and " + SeedRange(*order[i]) + ".");
    CensusResult merged;
    merged.rule = parts.front().rule;
    merged.options = parts.front().options;
    merged.options.soups = 0;
    merged.options.threads = 0;
    merged.firstSeed = merged.lastSeed = parts.front().firstSeed;
    if (!order.empty()) {
        merged.firstSeed = order.front()->firstSeed;
        merged.lastSeed = order.back()->lastSeed;
    }
    merged.options.seed = merged.firstSeed;
    std::map<std::string, CensusObject> byName;
    for (const CensusResult* part : order) {
        merged.options.soups += part->options.soups;
        for (const CensusObject& object : part->objects) {
            auto [it, inserted] = byName.try_emplace(object.name, object);
            if (!inserted) it->second.count += object.count;
        }
    }
    for (auto& [name, object] : byName) merged.objects.push_back(std::move(object));
    std::stable_sort(merged.objects.begin(), merged.objects.end(),
                     [](const CensusObject& a, const CensusObject& b) { return a.count > b.count; });
    return merged;
}

}  // namespace authoring
