#include "formats/golly_tabbed_export.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "core/symmetry.h"
#include "formats/golly_ruletable_writer.h"

namespace formats {

namespace {

// Slots in the order ruletable lines name them: C, N, NE, E, SE, S, SW, W, NW, output.
constexpr std::array<int, kConstraintSlotCount> kGollySlotOrder = {4, 1, 2, 5, 8, 7, 6, 3, 0, 9};

bool IsValidVariableSlot(const ConstraintSlot& slot, std::size_t variableCount) {
    return slot.isVariable && slot.variable >= 0 && static_cast<std::size_t>(slot.variable) < variableCount;
}

bool IsConstraintTab(const TabbedExportTab& tab) { return tab.kind == kTabbedExportConstraintTab; }

char PatternSymbol(std::uint8_t state) {
    if (state == 0) return '.';
    if (state <= 26) return static_cast<char>('A' + state - 1);
    return '?';
}

// Collects equal symbols of one row so that runs spanning chunks and gaps stay one run.
class RunWriter {
public:
    explicit RunWriter(std::string& out) : out_(out) {}
    void Add(char symbol, std::uint64_t count) {
        if (count == 0) return;
        if (length_ > 0 && symbol == symbol_) {
            length_ += count;
            return;
        }
        Flush();
        symbol_ = symbol;
        length_ = count;
    }
    void Flush() {
        if (length_ == 0) return;
        if (length_ > 1) out_ += std::to_string(length_);
        out_ += symbol_;
        length_ = 0;
    }

private:
    std::string& out_;
    char symbol_ = '.';
    std::uint64_t length_ = 0;
};

// Golly name, allowed states and the highest occurrence of one declared variable.
struct Declaration {
    std::string name;
    const std::vector<std::uint8_t>* states = nullptr;
    int highest = 0;
};

std::vector<std::string> GollyNamesOf(const TabbedExportTab& tab) {
    std::vector<std::string> names;
    names.reserve(tab.variables.size());
    for (const ConstraintVariable& variable : tab.variables) names.push_back(GollyVariableName(variable.name));
    return names;
}

// Appends the declarations every constraint line relies on and returns K, the occurrences of
// the built-in any-state variable, which the closing catch-all then reuses.
int AppendConstraintDeclarations(std::string& out, const std::vector<TabbedExportTab>& tabs) {
    std::vector<Declaration> declarations;
    std::unordered_map<std::string, std::size_t> byName;
    int anyStateCount = 0;
    for (const TabbedExportTab& tab : tabs) {
        if (!IsConstraintTab(tab)) continue;
        const std::vector<std::string> names = GollyNamesOf(tab);
        const std::size_t variableCount = tab.variables.size();
        const bool builtInFirst = variableCount > 0 && tab.variables[0].builtIn;
        for (const ConstraintEntry& entry : tab.entries) {
            const auto numbers = GollyOccurrenceNumbers(entry, variableCount);
            for (int s = 0; s < kConstraintSlotCount; ++s) {
                const ConstraintSlot& slot = entry.slots[static_cast<std::size_t>(s)];
                if (!IsValidVariableSlot(slot, variableCount)) continue;
                const auto v = static_cast<std::size_t>(slot.variable);
                const int number = numbers[static_cast<std::size_t>(s)];
                if (v == 0 && builtInFirst) anyStateCount = std::max(anyStateCount, number);
                const auto [it, inserted] = byName.try_emplace(names[v], declarations.size());
                if (inserted) declarations.push_back({names[v], &tab.variables[v].allowedStates, 0});
                Declaration& declaration = declarations[it->second];
                declaration.highest = std::max(declaration.highest, number);
            }
        }
    }
    for (const Declaration& declaration : declarations) {
        out += "var " + declaration.name + "1={";
        for (std::size_t i = 0; i < declaration.states->size(); ++i) {
            if (i > 0) out += ',';
            out += std::to_string((*declaration.states)[i]);
        }
        out += "}\n";
        for (int i = 2; i <= declaration.highest; ++i)
            out += "var " + declaration.name + std::to_string(i) + "=" + declaration.name + "1\n";
    }
    if (!declarations.empty()) out += '\n';
    return anyStateCount;
}

// An output variable linked to no cell takes each of its states in turn here, and the last one
// written stays; Golly refuses such an output, so the line names that state instead.
std::optional<std::uint8_t> UnboundOutputState(const ConstraintEntry& entry,
                                               const std::vector<ConstraintVariable>& variables) {
    const ConstraintSlot& output = entry.slots[kConstraintOutputSlot];
    if (!IsValidVariableSlot(output, variables.size())) return std::nullopt;
    if (output.linkGroup >= 1)
        for (int s = 0; s < kConstraintOutputSlot; ++s) {
            const ConstraintSlot& cell = entry.slots[static_cast<std::size_t>(s)];
            if (IsValidVariableSlot(cell, variables.size()) && cell.variable == output.variable &&
                cell.linkGroup == output.linkGroup)
                return std::nullopt;
        }
    const std::vector<std::uint8_t>& states = variables[static_cast<std::size_t>(output.variable)].allowedStates;
    if (states.empty()) return std::nullopt;
    return states.back();
}

void AppendConstraintTab(std::string& out, const TabbedExportTab& tab) {
    out += "\n#C " + GollyTabTitle(tab.name) + "\n";
    const std::vector<std::string> names = GollyNamesOf(tab);
    const std::size_t variableCount = tab.variables.size();
    for (const ConstraintEntry& entry : tab.entries) {
        const auto numbers = GollyOccurrenceNumbers(entry, variableCount);
        const std::optional<std::uint8_t> unbound = UnboundOutputState(entry, tab.variables);
        for (int k = 0; k < kConstraintSlotCount; ++k) {
            const auto s = static_cast<std::size_t>(kGollySlotOrder[static_cast<std::size_t>(k)]);
            const ConstraintSlot& slot = entry.slots[s];
            if (k == 1 || k == 9) out += ' ';
            else if (k > 1) out += ',';
            if (k == 9 && unbound)
                out += std::to_string(*unbound);
            else if (IsValidVariableSlot(slot, variableCount))
                out += names[static_cast<std::size_t>(slot.variable)] + std::to_string(std::max(1, numbers[s]));
            else
                out += std::to_string(slot.state);
        }
        out += '\n';
    }
}

// True when some assignment of the entry's neighbourhood is the all-background block: every
// cell fixed to 0 or a variable that allows 0 (linked cells then agree on 0 too).
bool ReachesAllBackground(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables) {
    for (int s = 0; s < kConstraintOutputSlot; ++s) {
        const ConstraintSlot& slot = entry.slots[static_cast<std::size_t>(s)];
        if (!IsValidVariableSlot(slot, variables.size())) {
            if (slot.state != 0) return false;
            continue;
        }
        const std::vector<std::uint8_t>& states = variables[static_cast<std::size_t>(slot.variable)].allowedStates;
        if (std::find(states.begin(), states.end(), std::uint8_t{0}) == states.end()) return false;
    }
    return true;
}

bool AnyLineReachesAllBackground(const std::vector<TabbedExportTab>& tabs) {
    for (const TabbedExportTab& tab : tabs) {
        if (!IsConstraintTab(tab)) continue;
        for (const ConstraintEntry& entry : tab.entries)
            if (ReachesAllBackground(entry, tab.variables)) return true;
    }
    return false;
}

// Zero outputs are left to the catch-all in the annotated text, but a constraint line further
// down may claim the same block first, so `keepZeroOutputs` lists them where one follows.
void AppendPatternTab(std::string& out, const TabbedExportTab& tab, const core::Rule& rule,
                      std::uint64_t tableSize, bool keepZeroOutputs) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> kept;  // (generation, index)
    kept.reserve(tab.lockRecords.size());
    for (const TabbedExportLockRecord& record : tab.lockRecords) {
        if (record.transition >= tableSize) continue;
        if (!keepZeroOutputs && rule.table[record.transition] == 0) continue;
        const core::Neighborhood digits = core::DecodeNeighborhoodIndex(record.transition, rule.stateCount);
        if (!IsGollyCanonicalBlock(rule.symmetry, digits)) continue;
        kept.emplace_back(record.generation, record.transition);
    }
    std::sort(kept.begin(), kept.end());
    const std::uint64_t generations = kept.empty() ? 0 : kept.back().first + 1;
    out += "\n#P \"" + GollyTabTitle(tab.name) + "\" (" + std::to_string(generations) + ", " +
           EncodeGollyPatternText(tab.startGrid) + ")\n";
    for (const auto& [generation, index] : kept)
        AppendGollyTransitionLine(out, core::DecodeNeighborhoodIndex(index, rule.stateCount), rule.table[index]);
}

// Canonical non-zero entries outside the lock union, in ascending order.
void AppendOptionalTransitions(std::string& out, const core::Rule& rule, std::uint64_t tableSize,
                               const std::vector<std::uint64_t>& lockedIndices) {
    const std::vector<std::uint64_t>* locked = &lockedIndices;
    std::vector<std::uint64_t> sorted;
    if (!std::is_sorted(lockedIndices.begin(), lockedIndices.end())) {
        sorted = lockedIndices;
        std::sort(sorted.begin(), sorted.end());
        locked = &sorted;
    }
    std::string lines;
    const std::uint8_t* data = rule.table.data();
    auto next = locked->begin();
    for (std::uint64_t i = NextNonZeroEntry(data, 0, tableSize); i < tableSize;
         i = NextNonZeroEntry(data, i + 1, tableSize)) {
        while (next != locked->end() && *next < i) ++next;
        if (next != locked->end() && *next == i) continue;
        const core::Neighborhood digits = core::DecodeNeighborhoodIndex(i, rule.stateCount);
        if (IsGollyCanonicalBlock(rule.symmetry, digits)) AppendGollyTransitionLine(lines, digits, data[i]);
    }
    if (lines.empty()) return;
    out += "\n## Optional transitions (press Ctrl+M to remove)\n";
    out += lines;
}

}  // namespace

std::string GollyTabTitle(std::string_view name) {
    if (name.empty()) return "Untitled";
    std::string title(name);
    for (char& c : title) {
        if (c == '"') c = '\'';
        else if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    return title;
}

std::string GollyVariableName(std::string_view name) {
    if (name.empty()) return "v";
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    std::string result;
    result.reserve(name.size() + 1);
    // Checked on the replaced text, where only a digit can still lead.
    if (name[0] >= '0' && name[0] <= '9') result += 'v';
    for (char c : name) result += isLetter(c) || (c >= '0' && c <= '9') || c == '_' ? c : '_';
    return result;
}

std::array<int, kConstraintSlotCount> GollyOccurrenceNumbers(const ConstraintEntry& entry,
                                                            std::size_t variableCount) {
    std::array<int, kConstraintSlotCount> numbers{};
    // At most ten slots: small lists beat maps here.
    std::array<std::pair<std::int32_t, int>, kConstraintSlotCount> counters{};
    std::size_t counterCount = 0;
    auto nextNumber = [&](std::int32_t variable) {
        for (std::size_t i = 0; i < counterCount; ++i)
            if (counters[i].first == variable) return ++counters[i].second;
        counters[counterCount++] = {variable, 1};
        return 1;
    };
    struct Link {
        std::int32_t variable, group;
        int number;
    };
    std::array<Link, kConstraintSlotCount> links{};
    std::size_t linkCount = 0;
    for (int s : kGollySlotOrder) {
        const ConstraintSlot& slot = entry.slots[static_cast<std::size_t>(s)];
        if (!IsValidVariableSlot(slot, variableCount) || slot.linkGroup < 1) continue;
        int number = 0;
        for (std::size_t i = 0; i < linkCount && number == 0; ++i)
            if (links[i].variable == slot.variable && links[i].group == slot.linkGroup) number = links[i].number;
        if (number == 0) {
            number = nextNumber(slot.variable);
            links[linkCount++] = {slot.variable, slot.linkGroup, number};
        }
        numbers[static_cast<std::size_t>(s)] = number;
    }
    for (int s : kGollySlotOrder) {
        const ConstraintSlot& slot = entry.slots[static_cast<std::size_t>(s)];
        if (IsValidVariableSlot(slot, variableCount) && slot.linkGroup < 1)
            numbers[static_cast<std::size_t>(s)] = nextNumber(slot.variable);
    }
    return numbers;
}

std::string EncodeGollyPatternText(const core::ChunkGrid& grid) {
    std::int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (!core::TryAccumulateActiveCellBoundsFromGrid(grid, minX, minY, maxX, maxY)) return "!";
    // Rows are walked chunk by chunk so that a sparse pattern costs its chunks, not its box.
    std::map<std::int32_t, std::vector<std::pair<std::int32_t, const core::Chunk64*>>> chunkRows;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount > 0) chunkRows[cy].emplace_back(cx, &chunk);
    });
    for (auto& [cy, row] : chunkRows)
        std::sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out;
    RunWriter runs(out);
    for (std::int64_t y = minY; y <= maxY; ++y) {
        if (y > minY) out += '$';
        const auto cellY = static_cast<std::int32_t>(y);
        std::int64_t x = minX;  // first cell of the row not yet written
        if (const auto found = chunkRows.find(core::ChunkOf(cellY)); found != chunkRows.end()) {
            const int local = core::LocalOf(cellY) * core::kChunkSide;
            for (const auto& [cx, chunk] : found->second) {
                const std::int64_t left = std::max<std::int64_t>(std::int64_t{cx} * core::kChunkSide, minX);
                const std::int64_t right = std::min<std::int64_t>(std::int64_t{cx} * core::kChunkSide + 63, maxX);
                if (left > right) continue;
                runs.Add('.', static_cast<std::uint64_t>(left - x));
                for (std::int64_t cell = left; cell <= right; ++cell)
                    runs.Add(PatternSymbol(chunk->cells[static_cast<std::size_t>(
                                 local + core::LocalOf(static_cast<std::int32_t>(cell)))]),
                             1);
                x = right + 1;
            }
        }
        runs.Add('.', static_cast<std::uint64_t>(std::int64_t{maxX} + 1 - x));
        runs.Flush();
    }
    out += '!';
    return out;
}

std::string BuildTabbedGollyRuletable(const core::Rule& rule, const std::vector<TabbedExportTab>& tabs,
                                      const std::vector<std::uint64_t>& lockedIndices, bool annotated) {
    if (!IsGollyExportableSymmetry(rule.symmetry))
        throw std::runtime_error("Golly ruletable export does not support the selected symmetry.");
    const int n = rule.stateCount;
    std::string out = "@TABLE\nn_states:" + std::to_string(n) + "\nneighborhood:Moore\nsymmetries:";
    out += core::SymmetryGollyName(rule.symmetry);
    out += '\n';
    const int anyStateCount = AppendConstraintDeclarations(out, tabs);
    const std::uint64_t tableSize = std::min<std::uint64_t>(rule.table.size(), core::RuleTableSize(n));
    // Golly takes the first line that matches a block. The all-background block is locked with
    // any tab but listed by none, so it goes ahead of the constraint lines and the catch-all
    // that would otherwise claim it.
    if (!tabs.empty() && tableSize > 0 && (rule.table[0] != 0 || AnyLineReachesAllBackground(tabs))) {
        out += "\n## All-background block (always locked)\n";
        AppendGollyTransitionLine(out, core::Neighborhood{}, rule.table[0]);
    }
    std::size_t constraintLinesEnd = 0;  // one past the last constraint tab with lines
    for (std::size_t i = 0; i < tabs.size(); ++i)
        if (IsConstraintTab(tabs[i]) && !tabs[i].entries.empty()) constraintLinesEnd = i + 1;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        if (IsConstraintTab(tabs[i])) AppendConstraintTab(out, tabs[i]);
        else AppendPatternTab(out, tabs[i], rule, tableSize, !annotated || i < constraintLinesEnd);
    }
    if (!annotated) return out;
    if (!tabs.empty()) AppendOptionalTransitions(out, rule, tableSize, lockedIndices);
    out += '\n';
    AppendGollyDefaultBlock(out, n, anyStateCount);
    return out;
}

}  // namespace formats
