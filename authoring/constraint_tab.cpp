#include "authoring/constraint_tab.h"

#include <algorithm>
#include <map>

#include "core/symmetry.h"

namespace authoring {

namespace {

bool ValidVariable(const formats::ConstraintSlot& slot, std::size_t variableCount) {
    return slot.isVariable && slot.variable >= 0 && static_cast<std::size_t>(slot.variable) < variableCount;
}

}  // namespace

std::string PositionalVariableName(std::size_t index) {
    if (index < 26) return std::string(1, static_cast<char>('a' + index));
    std::string name = "v";
    name += std::to_string(index + 1);
    return name;
}

formats::ConstraintVariable BuiltInVariable(int stateCount) {
    formats::ConstraintVariable variable{true, "a", {}};
    for (int s = 0; s < stateCount; ++s) variable.allowedStates.push_back(static_cast<std::uint8_t>(s));
    return variable;
}

void NormalizeConstraintTab(PatternSequence& tab, int stateCount) {
    if (tab.IsPattern()) return;
    if (tab.variables.empty()) {
        tab.variables.push_back(BuiltInVariable(stateCount));
        if (tab.selectedVariable < 0) tab.selectedVariable = 0;
        return;
    }
    tab.variables[0] = BuiltInVariable(stateCount);
}

void UnifyConstraintVariables(std::vector<PatternSequence>& tabs, int stateCount) {
    if (std::none_of(tabs.begin(), tabs.end(), [](const PatternSequence& t) { return !t.IsPattern(); })) return;
    std::vector<formats::ConstraintVariable> merged = {BuiltInVariable(stateCount)};
    std::vector<std::vector<std::size_t>> maps(tabs.size());
    for (std::size_t t = 0; t < tabs.size(); ++t) {
        PatternSequence& tab = tabs[t];
        if (tab.IsPattern()) continue;
        NormalizeConstraintTab(tab, stateCount);
        std::vector<std::size_t>& map = maps[t];
        map.push_back(0);
        for (std::size_t v = 1; v < tab.variables.size(); ++v) {
            const formats::ConstraintVariable& variable = tab.variables[v];
            auto sameName = [&](const formats::ConstraintVariable& m) { return m.name == variable.name; };
            const auto found = variable.name.empty() ? merged.end() : std::find_if(merged.begin() + 1, merged.end(), sameName);
            if (found != merged.end()) {
                map.push_back(static_cast<std::size_t>(found - merged.begin()));
                continue;
            }
            formats::ConstraintVariable copy = variable;
            copy.builtIn = false;
            auto clash = [&](const formats::ConstraintVariable& m) { return m.name == copy.name; };
            if (copy.name.empty() || std::any_of(merged.begin(), merged.end(), clash))
                copy.name = PositionalVariableName(merged.size());
            map.push_back(merged.size());
            merged.push_back(std::move(copy));
        }
    }
    for (std::size_t t = 0; t < tabs.size(); ++t) {
        PatternSequence& tab = tabs[t];
        if (tab.IsPattern()) continue;
        const std::vector<std::size_t>& map = maps[t];
        for (formats::ConstraintEntry& entry : tab.entries)
            for (formats::ConstraintSlot& slot : entry.slots)
                if (ValidVariable(slot, map.size())) slot.variable = static_cast<std::int32_t>(map[slot.variable]);
        if (tab.selectedVariable >= 0 && static_cast<std::size_t>(tab.selectedVariable) < map.size())
            tab.selectedVariable = static_cast<std::int32_t>(map[tab.selectedVariable]);
        tab.variables = merged;
    }
}

std::array<int, kConstraintSlots> OccurrenceNumbers(const formats::ConstraintEntry& entry,
                                                     std::size_t variableCount) {
    std::array<int, kConstraintSlots> numbers{};
    std::map<std::int32_t, int> next;
    std::map<std::pair<std::int32_t, std::int32_t>, int> linked;
    for (int s : kGollySlotOrder) {
        const formats::ConstraintSlot& slot = entry.slots[s];
        if (!ValidVariable(slot, variableCount) || slot.linkGroup < 1) continue;
        const auto key = std::make_pair(slot.variable, slot.linkGroup);
        const auto it = linked.find(key);
        numbers[s] = it != linked.end() ? it->second : (linked[key] = ++next[slot.variable]);
    }
    for (int s : kGollySlotOrder) {
        const formats::ConstraintSlot& slot = entry.slots[s];
        if (ValidVariable(slot, variableCount) && slot.linkGroup < 1) numbers[s] = ++next[slot.variable];
    }
    return numbers;
}

ConstraintEntryExpansion ExpandConstraintEntry(const PatternSequence& tab, const formats::ConstraintEntry& entry,
                                               const PackedLockTable& locks, core::RuleSymmetry symmetry,
                                               CanonicalIndexCache& canonical) {
    ConstraintEntryExpansion expansion;
    std::array<std::uint8_t, kConstraintSlots> a{};
    const std::size_t variableCount = tab.variables.size();
    const int n = canonical.StateCount();
    auto walk = [&](auto& self, int s) -> void {
        if (s == kConstraintSlots) {
            core::Neighborhood digits{};
            std::copy_n(a.begin(), 9, digits.begin());
            for (std::uint64_t index : core::NeighborhoodOrbit(symmetry, n, digits)) {
                const std::uint64_t c = canonical.Canonical(index);
                if (locks.Contains(c)) {
                    expansion.touchesLocked = true;
                    continue;
                }
                expansion.changes.push_back({index, a[kOutputSlot]});
                if (std::find(expansion.transitions.begin(), expansion.transitions.end(), c) ==
                    expansion.transitions.end())
                    expansion.transitions.push_back(c);
            }
            return;
        }
        const formats::ConstraintSlot& slot = entry.slots[s];
        if (!ValidVariable(slot, variableCount)) {
            a[s] = slot.state;
            return self(self, s + 1);
        }
        if (slot.linkGroup > 0)
            for (int t = 0; t < s; ++t) {
                const formats::ConstraintSlot& earlier = entry.slots[t];
                if (ValidVariable(earlier, variableCount) && earlier.linkGroup == slot.linkGroup &&
                    earlier.variable == slot.variable) {
                    a[s] = a[t];
                    return self(self, s + 1);
                }
            }
        for (std::uint8_t v : tab.variables[slot.variable].allowedStates) {
            a[s] = v;
            self(self, s + 1);
        }
    };
    walk(walk, 0);
    return expansion;
}

void EvaluateConstraintTab(PatternSequence& tab, const PackedLockTable& lockUnion, const core::Rule& rule,
                           CanonicalIndexCache& canonical) {
    NormalizeConstraintTab(tab, rule.stateCount);
    tab.locks.Reset(lockUnion);
    tab.generations.clear();
    tab.histories.clear();
    tab.lineages.clear();
    tab.firstUses.Clear();
    tab.ownLockedTransitions.clear();
    tab.lockDeltas.Clear();
    tab.brokenMarkers.clear();
    tab.expansions.clear();
    tab.generationTarget = 1;
    // The tab's one lock table (generation 0) grows entry by entry.
    tab.locks.AppendGeneration([&](PackedLockTable& running, std::vector<std::uint64_t>& added) {
        for (const formats::ConstraintEntry& entry : tab.entries) {
            ConstraintEntryExpansion expansion = ExpandConstraintEntry(tab, entry, running, rule.symmetry, canonical);
            for (std::uint64_t c : expansion.transitions) {
                // A class enters `running` the first time this tab takes it, so seen means contained.
                if (running.Contains(c)) continue;
                added.push_back(c);
                running.Insert(c);
                if (!lockUnion.Contains(c)) {
                    tab.ownLockedTransitions.push_back(c);
                    tab.lockDeltas.Add({c, 0, 0, 0});
                }
            }
            tab.expansions.push_back(std::move(expansion));
        }
    });
}

void StepOutputLink(PatternSequence& tab, formats::ConstraintEntry& entry) {
    const std::int32_t selected = tab.selectedVariable;
    const std::array<int, kConstraintSlots> numbers = OccurrenceNumbers(entry, tab.variables.size());
    int highest = 0;
    for (int s = 0; s < kConstraintSlots; ++s)
        if (entry.slots[s].isVariable && entry.slots[s].variable == selected) highest = std::max(highest, numbers[s]);
    formats::ConstraintSlot& output = entry.slots[kOutputSlot];
    const int current = output.isVariable && output.variable == selected ? numbers[kOutputSlot] : 0;
    const int next = highest > 0 ? current % highest + 1 : 1;
    output = {true, 0, selected, 0};
    for (int s = 0; s < kOutputSlot; ++s) {
        const formats::ConstraintSlot& slot = entry.slots[s];
        if (slot.isVariable && slot.variable == selected && slot.linkGroup >= 1 && numbers[s] == next) {
            output.linkGroup = slot.linkGroup;
            return;
        }
    }
    for (int s = 0; s < kOutputSlot; ++s) {
        formats::ConstraintSlot& slot = entry.slots[s];
        if (slot.isVariable && slot.variable == selected && slot.linkGroup < 1 && numbers[s] == next) {
            const auto group = static_cast<std::int32_t>(tab.nextLinkGroup++);
            slot.linkGroup = group;
            output.linkGroup = group;
            return;
        }
    }
}

}  // namespace authoring
