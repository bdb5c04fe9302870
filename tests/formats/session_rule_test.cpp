#include <gtest/gtest.h>

#include "tests/formats/session_test_support.h"

namespace formats {
namespace {

// A table whose every block keeps its centre, but for two, has more non-zero entries than
// encoding 1 lists: the file holds the two, and reads back to the same table. Small tables
// keep encoding 1.
TEST(SessionRule, ManyEntriesAreWrittenAgainstTheCentre) {
    for (const int states : {4, 7}) {
        SessionSnapshot s = sessiontest::RichSnapshot();
        s.stateCount = static_cast<std::uint8_t>(states);
        core::RuleTable table(core::RuleTableSize(states));
        const auto run = static_cast<std::uint64_t>(states * states * states * states);  // the centre is digit 5 of 9
        for (std::uint64_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i / run % states);
        table[5] = 2;
        table[run + 7] = 0;
        CollectSessionRule(table, states, s);
        EXPECT_EQ(s.ruleEntriesKeepCentre, states == 7);
        const std::vector<std::uint8_t> bytes = SerializeSession(s);
        EXPECT_LT(bytes.size(), states == 7 ? 4096u : 4u << 20);
        const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
        EXPECT_EQ(r.ruleEntriesKeepCentre, s.ruleEntriesKeepCentre);
        core::RuleTable back(table.size(), 0);
        ApplySessionRule(r, back);
        EXPECT_TRUE(back == table) << states;
    }
}

}  // namespace
}  // namespace formats
