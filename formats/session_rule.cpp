#include <cstring>

#include "formats/session_file.h"

namespace formats {

namespace {

// Each run of n^4 entries shares its centre digit, the fifth of nine.
std::uint64_t CentreRun(int stateCount) {
    const auto n = static_cast<std::uint64_t>(stateCount);
    return n * n * n * n;
}

}  // namespace

void CollectSessionRule(const core::RuleTable& table, int stateCount, SessionSnapshot& snapshot) {
    std::uint64_t nonZero = 0;
    for (const std::uint8_t entry : table) nonZero += entry != 0;
    snapshot.ruleEntriesKeepCentre = nonZero > kSessionMaxPlainRuleEntries;
    if (!snapshot.ruleEntriesKeepCentre) {
        snapshot.ruleEntries = CollectRuleEntries(table);
        return;
    }
    snapshot.ruleEntries.clear();
    const std::uint64_t run = CentreRun(stateCount);
    for (std::uint64_t start = 0; start < table.size(); start += run) {
        const auto centre = static_cast<std::uint8_t>(start / run % static_cast<std::uint64_t>(stateCount));
        for (std::uint64_t i = start; i < start + run; ++i)
            if (table[i] != centre) snapshot.ruleEntries.push_back({i, table[i]});
    }
}

void ApplySessionRule(const SessionSnapshot& snapshot, core::RuleTable& table) {
    if (snapshot.ruleEntriesKeepCentre) {
        const std::uint64_t run = CentreRun(snapshot.stateCount);
        for (std::uint64_t start = 0; start < table.size(); start += run)
            std::memset(table.data() + start, static_cast<int>(start / run % snapshot.stateCount),
                        static_cast<std::size_t>(run));
    }
    for (const core::RuleChange& entry : snapshot.ruleEntries) table[entry.index] = entry.state;
}

}  // namespace formats
