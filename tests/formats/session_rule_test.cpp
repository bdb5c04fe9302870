#include <gtest/gtest.h>

#include "tests/formats/session_test_support.h"

namespace formats {
namespace {

// A table whose every block keeps its centre, but for two, has more non-zero entries than
// encoding 1 lists: the file holds the two, and reads back to the same table. Small tables
// keep encoding 1.
TEST(SessionRule, ManyEntriesAreWrittenAgainstTheCentre) {
    for (const int n : {4, 7}) {
        SessionSnapshot s = sessiontest::RichSnapshot();
        s.stateCount = static_cast<std::uint8_t>(n);
        core::RuleTable table(core::RuleTableSize(n)), back(table.size(), 0);
        for (std::uint64_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i / (n * n * n * n) % n);
        table[5] = 2, table[n * n * n * n + 7] = 0;
        CollectSessionRule(table, n, s);
        const std::vector<std::uint8_t> bytes = SerializeSession(s);
        const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
        ApplySessionRule(r, back);
        EXPECT_EQ(std::tuple(s.ruleEntriesKeepCentre, r.ruleEntriesKeepCentre, bytes.size() < 4096, back == table),
                  std::tuple(n == 7, n == 7, n == 7, true));
    }
}

}  // namespace
}  // namespace formats
