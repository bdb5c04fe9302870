#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/rule_table.h"
#include "formats/golly_neighborhood.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_ruletable_expand.h"
#include "formats/golly_ruletree.h"

namespace formats {

namespace {

using golly::Line;
using golly::Token;
using golly::Transitions;
using golly::Variable;

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kPurpose = "importing this Golly rule";

constexpr int kCentre = 4;
constexpr int kNewState = 9;

[[noreturn]] void Fail(std::string message) { throw std::runtime_error(std::move(message)); }

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view lowerPrefix) {
    if (s.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (LowerAscii(s[i]) != lowerPrefix[i]) return false;
    return true;
}

// A base-10 integer that uses up all of `s`; out-of-range values saturate so that range
// checks still reject them.
std::optional<long long> WholeInteger(std::string_view s) {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) i = 1;
    if (i == s.size()) return std::nullopt;
    long long value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        value = value > (LLONG_MAX - 9) / 10 ? LLONG_MAX : value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

// Splits at every `separator`, trimming each piece; a trailing separator adds no empty
// piece, and empty text gives none.
template <typename F>
void ForEachPiece(std::string_view text, char separator, F&& f) {
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            f(Trim(text.substr(start)));
            return;
        }
        f(Trim(text.substr(start, end - start)));
        start = end + 1;
    }
}

// Parses "{...}" and calls `add` for each state in the order written.
template <typename F>
void ParseStateSet(std::string_view token, int stateCount, F&& add) {
    if (token.size() < 2 || token.back() != '}') Fail("Malformed state set in Golly ruletable.");
    bool any = false;
    ForEachPiece(token.substr(1, token.size() - 2), ',', [&](std::string_view piece) {
        const auto value = WholeInteger(piece);
        if (!value || *value < 0 || *value >= stateCount) Fail("Invalid state in Golly ruletable.");
        add(static_cast<std::uint8_t>(*value));
        any = true;
    });
    if (!any) Fail("Empty state set in Golly ruletable.");
}

struct Declaration {
    std::string_view name;
    std::string_view value;
    int mark = 0;  // 0 unvisited, 1 being resolved, 2 done
};

struct PendingLine {
    std::string_view text;
    int declarationsAbove = 0;
};

class Reader {
public:
    Reader(std::string_view text, const core::MemoryQuery& availableMemory)
        : text_(text), availableMemory_(availableMemory) {}

    ImportedGollyRule Parse() {
        ScanLines();
        // Golly prefers the table when a file has both.
        if (!sawTable_) {
            ImportedGollyRule rule = ExpandGollyRuleTree(treeLines_, availableMemory_);
            stateCount_ = rule.stateCount;
            ReadColors(rule.colors);
            return rule;
        }
        ScanTableLines();
        ResolveVariables();
        ChooseNeighborhood();
        for (const PendingLine& line : pending_) TokeniseLine(line);

        ImportedGollyRule rule;
        rule.stateCount = stateCount_;
        rule.symmetry = symmetry_.editorGroup;
        // A neighbourhood smaller than Moore's expands into a table of its own cells, spread
        // over the Moore table afterwards.
        const std::uint64_t entries = core::RuleTableSize(stateCount_);
        const std::uint64_t expanded = golly::ExpandedTableSize(transitions_);
        const bool separate = expanded != entries;
        const std::uint64_t working = (expanded + 63) / 64 * 8 + (separate ? expanded : 0);
        core::AllocateRuleTable(rule.table, stateCount_, kPurpose, working, availableMemory_);
        std::vector<std::uint64_t> assigned;
        std::vector<std::uint8_t> own;
        try {
            assigned.assign(static_cast<std::size_t>((expanded + 63) / 64), 0);
            if (separate) own.resize(static_cast<std::size_t>(expanded));
        } catch (const std::bad_alloc&) {
            rule.table = core::RuleTable();
            // Nothing is left to spare: let the allocator's check produce its message.
            core::AllocateRuleTable(rule.table, stateCount_, kPurpose, working, [this, entries] {
                const auto available = availableMemory_();
                return std::optional<std::uint64_t>(available ? std::min(*available, entries) : entries);
            });
        }
        ReadColors(rule.colors);
        golly::ExpandTransitions(transitions_, separate ? own.data() : rule.table.data(), assigned);
        if (separate)
            golly::BroadcastNeighborhoodTable(own.data(), transitions_.places, stateCount_, rule.table.data());
        return rule;
    }

private:
    void ScanLines() {
        enum class Section { None, Table, Tree, Colors, Other } section = Section::None;
        std::size_t start = 0;
        while (start <= text_.size()) {
            auto end = text_.find('\n', start);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(start, end - start);
            start = end + 1;
            if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
            line = Trim(line);
            if (line.empty()) continue;
            if (line[0] == '@') {
                const std::string lower = Lower(line);
                if (lower == "@table") {
                    section = Section::Table;
                    sawTable_ = true;
                } else if (lower == "@tree") {
                    section = Section::Tree;
                    sawTree_ = true;
                } else if (lower == "@colors") {
                    section = Section::Colors;
                } else {
                    section = Section::Other;
                }
                continue;
            }
            if (section == Section::Table) tableLines_.push_back(line);
            if (section == Section::Colors) colorLines_.push_back(line);
            if (section == Section::Tree) treeLines_.push_back(line);
        }
        if (!sawTable_ && sawTree_) return;
        if (!sawTable_) Fail("The Golly rule file does not contain an @TABLE section.");
        if (tableLines_.empty()) Fail("Missing n_states in Golly ruletable.");
    }

    void ScanTableLines() {
        for (std::string_view line : tableLines_) {
            if (StartsWithNoCase(line, "n_states:")) {
                const auto value = WholeInteger(Trim(line.substr(9)));
                if (!value || *value < core::kMinStateCount || *value > core::kMaxStateCount)
                    Fail("Invalid n_states value in Golly ruletable.");
                stateCount_ = static_cast<int>(*value);
            } else if (StartsWithNoCase(line, "neighborhood:")) {
                neighborhood_ = Lower(Trim(line.substr(13)));
            } else if (StartsWithNoCase(line, "symmetries:")) {
                // Which names a neighbourhood offers is known once the scan is over.
                symmetryName_ = Lower(Trim(line.substr(11)));
                if (!golly::IsSymmetryName(symmetryName_))
                    Fail("Unsupported symmetry in Golly ruletable: " + symmetryName_);
            } else if (StartsWithNoCase(line, "var ")) {
                const std::string_view rest = Trim(line.substr(4));
                const auto eq = rest.find('=');
                if (eq == std::string_view::npos) Fail("Malformed var declaration in Golly ruletable.");
                const std::string_view name = Trim(rest.substr(0, eq));
                if (name.empty()) Fail("Unnamed variable in Golly ruletable.");
                declarationsByName_[name].push_back(static_cast<int>(declarations_.size()));
                declarations_.push_back({name, Trim(rest.substr(eq + 1)), 0});
            } else {
                pending_.push_back({line, static_cast<int>(declarations_.size())});
            }
        }
        if (stateCount_ == 0) Fail("Missing n_states in Golly ruletable.");
    }

    void ChooseNeighborhood() {
        const std::string name = neighborhood_.empty() ? std::string("moore") : neighborhood_;
        neighborhoodShape_ = golly::FindNeighborhood(name);
        if (neighborhoodShape_ == nullptr) Fail("Unsupported neighborhood in Golly ruletable: " + name);
        if (!golly::FindSymmetry(*neighborhoodShape_, symmetryName_, symmetry_))
            Fail("Unsupported symmetry in Golly ruletable: " + symmetryName_);
        // Steps in slot order over the centre and the cells the neighbourhood reads.
        transitions_.stateCount = stateCount_;
        std::uint64_t step = 1;
        for (int j = 8; j >= 0; --j) {
            const auto& cells = neighborhoodShape_->cells;
            if (j != kCentre && std::find(cells.begin(), cells.end(), j) == cells.end()) continue;
            transitions_.places[static_cast<std::size_t>(j)] = step;
            step *= static_cast<std::uint64_t>(stateCount_);
        }
        transitions_.images = symmetry_.permutations;
        transitions_.permute = symmetry_.permute;
        transitions_.permutedSlots.assign(neighborhoodShape_->cells.begin(), neighborhoodShape_->cells.end());
    }

    // Golly reads in order: a name means its last declaration above `position`, or, when
    // used before any, its first declaration.
    int VisibleDeclaration(std::string_view name, int position) const {
        const auto it = declarationsByName_.find(name);
        if (it == declarationsByName_.end()) return -1;
        const std::vector<int>& list = it->second;
        const auto above = std::lower_bound(list.begin(), list.end(), position);
        return above == list.begin() ? list.front() : *(above - 1);
    }

    void ResolveVariables() {
        for (const Declaration& d : declarations_)
            if (d.value.empty()) Fail("Empty var declaration in Golly ruletable.");
        transitions_.variables.resize(declarations_.size());
        // Names in order of first declaration, each name's declarations in file order.
        std::vector<int> order;
        order.reserve(declarations_.size());
        for (std::size_t i = 0; i < declarations_.size(); ++i) {
            const std::vector<int>& list = declarationsByName_.at(declarations_[i].name);
            if (list.front() == static_cast<int>(i)) order.insert(order.end(), list.begin(), list.end());
        }
        std::vector<int> chain;
        for (int d : order) Resolve(d, chain);
    }

    // Follows an alias chain without recursion, so long chains cannot exhaust the stack.
    void Resolve(int first, std::vector<int>& chain) {
        chain.clear();
        int current = first;
        while (declarations_[current].mark != 2) {
            Declaration& d = declarations_[current];
            if (d.mark == 1) Fail("Circular var alias in Golly ruletable: " + std::string(d.name));
            d.mark = 1;
            chain.push_back(current);
            if (d.value.front() == '{') {
                ReadVariableSet(current);
                break;
            }
            const int target = VisibleDeclaration(d.value, current);
            if (target < 0) Fail("Unknown var alias in Golly ruletable: " + std::string(d.value));
            current = target;
        }
        const Variable& resolved = transitions_.variables[static_cast<std::size_t>(current)];
        for (int d : chain) {
            Variable& v = transitions_.variables[static_cast<std::size_t>(d)];
            v = resolved;
            v.name = declarations_[d].name;
            declarations_[d].mark = 2;
        }
    }

    void ReadVariableSet(int index) {
        Variable& v = transitions_.variables[static_cast<std::size_t>(index)];
        v.name = declarations_[index].name;
        v.valuesBegin = static_cast<std::uint32_t>(transitions_.values.size());
        ParseStateSet(declarations_[index].value, stateCount_, [&](std::uint8_t state) {
            if (v.mask & (1u << state)) return;
            v.mask |= 1u << state;
            transitions_.values.push_back(state);
        });
        v.valueCount = static_cast<std::uint32_t>(transitions_.values.size()) - v.valuesBegin;
        declarations_[index].mark = 2;
    }

    // Golly reads a line without commas as one digit per cell when every state is one digit
    // and no variable has been declared above it.
    bool IsBareDigitLine(const PendingLine& pending, std::size_t tokenCount) const {
        if (stateCount_ > 10 || pending.declarationsAbove > 0 || pending.text.size() != tokenCount) return false;
        return std::all_of(pending.text.begin(), pending.text.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    void TokeniseLine(const PendingLine& pending) {
        const std::span<const std::uint8_t> cells = neighborhoodShape_->cells;
        const std::size_t tokenCount = cells.size() + 2;
        std::array<std::string_view, golly::kSlotCount> tokens;
        std::size_t count = 0;
        if (IsBareDigitLine(pending, tokenCount)) {
            for (std::size_t k = 0; k < tokenCount; ++k) tokens[k] = pending.text.substr(k, 1);
            count = tokenCount;
        } else {
            ForEachPiece(pending.text, ',', [&](std::string_view piece) {
                if (count < tokenCount) tokens[count] = piece;
                ++count;
            });
        }
        if (count != tokenCount) {
            std::array<std::string_view, 3> words;
            int wordCount = 0;
            for (std::size_t i = 0; i < pending.text.size();) {
                const auto begin = pending.text.find_first_not_of(kBlanks, i);
                if (begin == std::string_view::npos) break;
                auto end = pending.text.find_first_of(kBlanks, begin);
                if (end == std::string_view::npos) end = pending.text.size();
                if (wordCount < 3) words[wordCount] = pending.text.substr(begin, end - begin);
                ++wordCount;
                i = end;
            }
            if (wordCount != 3) Fail("Malformed transition line in Golly ruletable.");
            std::size_t neighbors = 0;
            ForEachPiece(words[1], ',', [&](std::string_view piece) {
                if (neighbors < cells.size()) tokens[1 + neighbors] = piece;
                ++neighbors;
            });
            if (neighbors != cells.size()) {
                if (cells.size() == 8) Fail("Expected 8 Moore neighbors in transition line.");
                Fail("Malformed transition line in Golly ruletable.");
            }
            tokens[0] = words[0];
            tokens[tokenCount - 1] = words[2];
        }
        Line& line = transitions_.lines.emplace_back();
        for (Token& token : line) token.mask = 1;  // cells the neighbourhood ignores
        line[kCentre] = ParseToken(Trim(tokens[0]), pending.declarationsAbove);
        for (std::size_t k = 0; k < cells.size(); ++k)
            line[cells[k]] = ParseToken(Trim(tokens[k + 1]), pending.declarationsAbove);
        line[kNewState] = ParseToken(Trim(tokens[tokenCount - 1]), pending.declarationsAbove);
    }

    Token ParseToken(std::string_view token, int declarationsAbove) const {
        if (token.empty()) Fail("Empty token in Golly ruletable.");
        Token result;
        if (token.front() == '{') {
            ParseStateSet(token, stateCount_, [&](std::uint8_t s) { result.mask |= 1u << s; });
        } else if (const auto value = WholeInteger(token)) {
            if (*value < 0 || *value >= stateCount_) Fail("State out of range in Golly ruletable.");
            result.mask = 1u << *value;
        } else {
            result.variable = VisibleDeclaration(token, declarationsAbove);
            if (result.variable < 0) Fail("Unknown variable in Golly ruletable: " + std::string(token));
            result.mask = transitions_.variables[static_cast<std::size_t>(result.variable)].mask;
        }
        return result;
    }

    // Reads an integer the way a stream does, with "," and ":" counting as blanks.
    static bool ReadColorInteger(std::string_view line, std::size_t& pos, long long& value) {
        auto isBlank = [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
                   c == ',' || c == ':';
        };
        while (pos < line.size() && isBlank(line[pos])) ++pos;
        bool negative = false;
        if (pos < line.size() && (line[pos] == '+' || line[pos] == '-')) negative = line[pos++] == '-';
        if (pos >= line.size() || line[pos] < '0' || line[pos] > '9') return false;
        value = 0;
        for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
            value = value * 10 + (line[pos] - '0');
            if (value > INT_MAX + 1LL) return false;
        }
        if (negative) value = -value;
        return value >= INT_MIN && value <= INT_MAX;
    }

    void ReadColors(std::vector<ImportedStateColor>& colors) const {
        for (std::string_view line : colorLines_) {
            std::array<long long, 4> v{};
            std::size_t pos = 0;
            bool ok = true;
            for (long long& x : v) ok = ok && ReadColorInteger(line, pos, x);
            if (!ok || v[0] < 0 || v[0] >= stateCount_) continue;
            for (int k = 1; k < 4; ++k)
                if (v[k] < 0 || v[k] > 255) Fail("RGB value out of range in Golly @COLORS section.");
            colors.push_back({static_cast<std::uint8_t>(v[0]),
                              {static_cast<float>(v[1]) / 255.0f, static_cast<float>(v[2]) / 255.0f,
                               static_cast<float>(v[3]) / 255.0f, 1.0f}});
        }
    }

    std::string_view text_;
    const core::MemoryQuery& availableMemory_;
    bool sawTable_ = false;
    bool sawTree_ = false;
    std::vector<std::string_view> treeLines_;
    std::vector<std::string_view> tableLines_;
    std::vector<std::string_view> colorLines_;
    int stateCount_ = 0;
    std::string neighborhood_;
    std::string symmetryName_ = "none";
    const golly::Neighborhood* neighborhoodShape_ = nullptr;
    golly::Symmetry symmetry_;
    std::vector<Declaration> declarations_;
    std::unordered_map<std::string_view, std::vector<int>> declarationsByName_;
    std::vector<PendingLine> pending_;
    Transitions transitions_;
};

}  // namespace

ImportedGollyRule ParseGollyRuletableText(std::string_view text, const core::MemoryQuery& availableMemory) {
    return Reader(text, availableMemory).Parse();
}

ImportedGollyRule ParseGollyRuletableText(std::string_view text) {
    return ParseGollyRuletableText(text, core::QueryAvailableMemory);
}

}  // namespace formats
