// The tabbed texts read back (by our reader and by bgolly) as the rule they were written from,
// for tab chains put together the way the editor leaves them.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "formats/golly_tabbed_export.h"
#include "tests/support/golly_oracle.h"

namespace formats {
namespace {

using Assignment = std::array<std::uint8_t, kConstraintSlotCount>;

// Every assignment an entry describes, in the editor's order: slots NW..SE then the output,
// each variable over its states, linked slots copying their earlier partner.
template <class Visit>
void ForEachAssignment(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables, Visit&& visit) {
    Assignment a{};
    auto walk = [&](auto&& self, int s) -> void {
        if (s == kConstraintSlotCount) {
            visit(a);
            return;
        }
        const ConstraintSlot& slot = entry.slots[static_cast<std::size_t>(s)];
        if (!slot.isVariable || slot.variable < 0 || static_cast<std::size_t>(slot.variable) >= variables.size()) {
            a[static_cast<std::size_t>(s)] = slot.state;
            return self(self, s + 1);
        }
        if (slot.linkGroup > 0)
            for (int t = 0; t < s; ++t) {
                const ConstraintSlot& other = entry.slots[static_cast<std::size_t>(t)];
                if (other.isVariable && other.variable == slot.variable && other.linkGroup == slot.linkGroup) {
                    a[static_cast<std::size_t>(s)] = a[static_cast<std::size_t>(t)];
                    return self(self, s + 1);
                }
            }
        for (std::uint8_t v : variables[static_cast<std::size_t>(slot.variable)].allowedStates) {
            a[static_cast<std::size_t>(s)] = v;
            self(self, s + 1);
        }
    };
    walk(walk, 0);
}

core::Neighborhood BlockOf(const Assignment& a) {
    core::Neighborhood d{};
    std::copy_n(a.begin(), 9, d.begin());
    return d;
}

// Plays the tab chain: pattern tabs lock whole orbits of the rule as it stands, constraint tabs
// write and lock the classes their entries reach that nothing locked before.
class ChainBuilder {
public:
    // `background` is the all-background block's output: an imported rule may keep one that is not 0.
    ChainBuilder(int stateCount, core::RuleSymmetry symmetry, std::uint32_t seed, std::uint8_t background = 0)
        : rng_(seed) {
        rule_ = {stateCount, symmetry, core::RuleTable(core::RuleTableSize(stateCount), 0)};
        rule_.table[0] = background;
        for (std::uint64_t i = 1; i < rule_.table.size(); ++i) {
            const auto d = core::DecodeNeighborhoodIndex(i, stateCount);
            if (core::CanonicalIndex(symmetry, stateCount, d) != i) continue;
            const auto state = static_cast<std::uint8_t>(rng_() % static_cast<unsigned>(stateCount));
            for (std::uint64_t j : Orbit(i)) rule_.table[j] = state;
        }
        listedByLockTable_.assign(rule_.table.size(), false);
        listedByLockTable_[0] = background != 0;
        locked_.insert(0);
    }

    void AddPatternTab(int classes) {
        TabbedExportTab tab;
        tab.kind = kTabbedExportPatternTab;
        tab.name = "Pattern " + std::to_string(tabs_.size());
        for (int c = 0; c < classes; ++c) {
            const std::uint64_t index = Canonical(rng_() % rule_.table.size());
            if (locked_.count(index)) continue;
            const std::uint64_t generation = rng_() % 5;
            for (std::uint64_t j : Orbit(index)) {
                tab.lockRecords.push_back({j, generation});
                locked_.insert(j);
                listedByLockTable_[j] = true;
            }
            tab.startGrid.SetCell(static_cast<std::int32_t>(c), 0, rule_.table[index]);
        }
        tab.lockRecords.push_back({rule_.table.size() + 3, 7});  // outside the table: left out
        std::shuffle(tab.lockRecords.begin(), tab.lockRecords.end(), rng_);
        tabs_.push_back(std::move(tab));
    }

    void AddConstraintTab(int entries) {
        const int n = rule_.stateCount;
        TabbedExportTab tab;
        tab.kind = kTabbedExportConstraintTab;
        tab.name = "Constraint " + std::to_string(tabs_.size());
        // The editor gives every constraint tab one shared list of variables.
        if (variables_.empty()) {
            variables_.push_back({true, "a", {}});
            for (int s = 0; s < n; ++s) variables_[0].allowedStates.push_back(static_cast<std::uint8_t>(s));
            for (const char* name : {"b", "2x", "my var"}) {
                ConstraintVariable v{false, name, {}};
                for (int s = 0; s < n; ++s)
                    if (rng_() % 2 == 0) v.allowedStates.push_back(static_cast<std::uint8_t>(s));
                if (v.allowedStates.empty()) v.allowedStates.push_back(static_cast<std::uint8_t>(1 + rng_() % (n - 1)));
                variables_.push_back(v);
            }
        }
        tab.variables = variables_;
        for (int e = 0; e < entries; ++e)
            for (int attempt = 0; attempt < 200; ++attempt) {
                const ConstraintEntry entry = RandomEntry(tab.variables);
                if (!ReadsBackAsWritten(entry, tab.variables)) continue;
                Apply(entry, tab.variables);
                tab.entries.push_back(entry);
                break;
            }
        tabs_.push_back(std::move(tab));
    }

    const core::Rule& Rule() const { return rule_; }
    const std::vector<TabbedExportTab>& Tabs() const { return tabs_; }
    std::vector<std::uint64_t> Locked() const { return {locked_.begin(), locked_.end()}; }
    const std::vector<bool>& ListedByLockTable() const { return listedByLockTable_; }
    int ConstraintEntries() const { return acceptedEntries_; }

private:
    std::vector<std::uint64_t> Orbit(std::uint64_t index) const {
        return core::NeighborhoodOrbit(rule_.symmetry, rule_.stateCount,
                                       core::DecodeNeighborhoodIndex(index, rule_.stateCount));
    }
    std::uint64_t Canonical(std::uint64_t index) const {
        return core::CanonicalIndex(rule_.symmetry, rule_.stateCount,
                                    core::DecodeNeighborhoodIndex(index, rule_.stateCount));
    }

    ConstraintEntry RandomEntry(const std::vector<ConstraintVariable>& variables) {
        const int n = rule_.stateCount;
        ConstraintEntry entry;
        std::vector<int> variableSlots;
        for (int s = 0; s < 9; ++s) {
            auto& slot = entry.slots[static_cast<std::size_t>(s)];
            if (variableSlots.size() < 3 && rng_() % 3 == 0) {
                slot = {true, 0, static_cast<std::int32_t>(rng_() % variables.size()),
                        static_cast<std::int32_t>(rng_() % 4 == 0 ? 1 + rng_() % 2 : 0)};
                variableSlots.push_back(s);
            } else {
                slot = {false, static_cast<std::uint8_t>(rng_() % 2 == 0 ? 0 : rng_() % n), -1, 0};
            }
        }
        auto& output = entry.slots[kConstraintOutputSlot];
        if (!variableSlots.empty() && rng_() % 2 == 0) {
            // The output follows a cell, so Golly sees it as a bound variable.
            auto& cell = entry.slots[static_cast<std::size_t>(variableSlots[rng_() % variableSlots.size()])];
            if (cell.linkGroup == 0) cell.linkGroup = 5 + static_cast<std::int32_t>(rng_() % 3);
            output = cell;
        } else {
            output = {false, static_cast<std::uint8_t>(rng_() % n), -1, 0};
        }
        return entry;
    }

    // Leaves out the entries that give one block two outputs, which Golly's first-line-wins
    // reading cannot say.
    bool ReadsBackAsWritten(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables) const {
        std::map<std::uint64_t, std::uint8_t> outputs;
        bool ok = true;
        ForEachAssignment(entry, variables, [&](const Assignment& a) {
            for (std::uint64_t i : core::NeighborhoodOrbit(rule_.symmetry, rule_.stateCount, BlockOf(a))) {
                const auto [it, inserted] = outputs.emplace(i, a[9]);
                if (!inserted && it->second != a[9]) ok = false;
            }
        });
        return ok && !outputs.empty();
    }

    void Apply(const ConstraintEntry& entry, const std::vector<ConstraintVariable>& variables) {
        std::vector<std::uint64_t> taken;
        ForEachAssignment(entry, variables, [&](const Assignment& a) {
            for (std::uint64_t i : core::NeighborhoodOrbit(rule_.symmetry, rule_.stateCount, BlockOf(a))) {
                listedByLockTable_[i] = true;
                const std::uint64_t c = Canonical(i);
                if (locked_.count(c)) continue;
                rule_.table[i] = a[9];
                taken.push_back(c);
            }
        });
        locked_.insert(taken.begin(), taken.end());
        ++acceptedEntries_;
    }

    std::mt19937 rng_;
    core::Rule rule_;
    std::vector<TabbedExportTab> tabs_;
    std::vector<ConstraintVariable> variables_;
    std::set<std::uint64_t> locked_;
    std::vector<bool> listedByLockTable_;
    int acceptedEntries_ = 0;
};

ChainBuilder MakeChain(int n, core::RuleSymmetry symmetry, std::uint32_t seed, std::uint8_t background = 0) {
    ChainBuilder chain(n, symmetry, seed, background);
    chain.AddPatternTab(40);
    chain.AddConstraintTab(6);
    chain.AddPatternTab(25);
    chain.AddConstraintTab(6);
    return chain;
}

TEST(GollyTabbedRoundTrip, ReaderGivesTheRuleOnEveryListedNeighbourhood) {
    for (int n : {2, 3})
        for (core::RuleSymmetry symmetry : {0, 3, 4})
            for (std::uint32_t seed = 1; seed <= 5; ++seed) {
                SCOPED_TRACE(testing::Message() << n << " states, symmetry " << int{symmetry} << ", seed " << seed);
                const auto background = static_cast<std::uint8_t>(seed == 5 ? n - 1 : 0);
                const ChainBuilder chain =
                    MakeChain(n, symmetry, seed * 101 + static_cast<std::uint32_t>(n), background);
                EXPECT_GE(chain.ConstraintEntries(), 6);
                const core::Rule& rule = chain.Rule();
                const auto locked = chain.Locked();

                // The annotated text ends with the catch-all, so it lists every neighbourhood.
                const auto annotated = ParseGollyRuletableText(BuildTabbedGollyRuletable(rule, chain.Tabs(), locked, true));
                EXPECT_EQ(std::tuple(annotated.stateCount, annotated.symmetry), std::tuple(n, symmetry));
                EXPECT_TRUE(annotated.table == rule.table);

                const auto lockTable = ParseGollyRuletableText(BuildTabbedGollyRuletable(rule, chain.Tabs(), locked, false));
                EXPECT_EQ(lockTable.symmetry, symmetry);
                std::uint64_t listed = 0, differing = 0;
                for (std::uint64_t i = 0; i < rule.table.size(); ++i) {
                    if (!chain.ListedByLockTable()[i]) continue;
                    ++listed;
                    if (lockTable.table[i] != rule.table[i]) ++differing;
                }
                EXPECT_GT(listed, 50u);
                EXPECT_EQ(differing, 0u);
            }
}

TEST(GollyTabbedBgolly, GollyRunsBothTextsAsTheRule) {
    struct Case {
        int n;
        core::RuleSymmetry symmetry;
        std::uint8_t background;
    };
    for (const Case c : {Case{2, core::kSymmetryD8, 0}, Case{2, core::kSymmetryC1, 0}, Case{3, core::kSymmetryC4, 0},
                         Case{3, core::kSymmetryD8, 0}, Case{2, core::kSymmetryC4, 1}})
        for (bool annotated : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.n << " states, symmetry " << int{c.symmetry} << ", background "
                                            << int{c.background} << (annotated ? ", annotated" : ", lock table"));
            const ChainBuilder chain =
                MakeChain(c.n, c.symmetry, 2024 + static_cast<std::uint32_t>(c.symmetry), c.background);
            const core::Rule& rule = chain.Rule();
            const std::string name = "Tabbed" + std::to_string(c.n) + "s" + std::to_string(c.symmetry);
            const testsupport::OracleRule oracle{
                name, "@RULE " + name + "\n" + BuildTabbedGollyRuletable(rule, chain.Tabs(), chain.Locked(), annotated),
                c.n};
            // bgolly is slow on a rule whose background is born, so that one probes a few blocks.
            const std::uint64_t probed = c.background == 0 ? rule.table.size() : 16;
            std::vector<std::uint64_t> indices;
            for (std::uint64_t i = 0; i < probed; ++i)
                if (annotated || chain.ListedByLockTable()[i]) indices.push_back(i);
            EXPECT_EQ(testsupport::GollyMismatches(oracle, rule.table, indices), "");
        }
}

}  // namespace
}  // namespace formats
