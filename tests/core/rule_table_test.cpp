#include "core/rule_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/error_text.h"

namespace core {
namespace {

TEST(RuleTable, IndicesDecodeAndSizes) {
    EXPECT_EQ(NeighborhoodIndex({0, 0, 0, 0, 1, 0, 0, 0, 0}, 2), 16u);
    EXPECT_EQ(NeighborhoodIndex({1, 0, 0, 0, 0, 0, 0, 0, 0}, 2), 256u);
    EXPECT_EQ(NeighborhoodIndex({0, 0, 0, 0, 0, 0, 0, 0, 1}, 2), 1u);
    EXPECT_EQ(NeighborhoodIndex({2, 2, 2, 2, 2, 2, 2, 2, 2}, 3), 19682u);
    for (int n = 2; n <= 16; ++n) {
        const std::uint64_t size = RuleTableSize(n);
        for (std::uint64_t index : {std::uint64_t{0}, size / 3, size / 2 + 7, size - 1})
            EXPECT_EQ(NeighborhoodIndex(DecodeNeighborhoodIndex(index, n), n), index) << n;
    }
    EXPECT_EQ(RuleTableSize(11) - 1, 2357947690u);
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {512, "512 B"}, {1023, "1023 B"}, {19683, "19.2 KB"}, {268435968, "256.0 MB"},
        {std::uint64_t{1} << 40, "1.0 TB"}, {std::uint64_t{1} << 50, "1024.0 TB"}};
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatByteSize(bytes), text);
}

TEST(RuleTable, AllocationRefusedBeforeTouchingTheTable) {
    RuleTable table(512, 1);
    const auto eightGiB = [] { return std::optional<std::uint64_t>(std::uint64_t{8} << 30); };
    EXPECT_EQ(testsupport::ErrorOf([&] { AllocateRuleTable(table, 16, "creating this rule", 0, eightGiB); }),
                  "Tavrix does not have enough memory available for creating this rule.\n\n"
                  "State count: 16\n"
                  "Estimated rule table memory: 64.0 GB\n"
                  "Estimated minimum needed right now: 64.2 GB\n"
                  "Currently available system memory: 8.0 GB\n\n"
                  "Try closing other memory-heavy applications, reducing the state count, or "
                  "importing/loading a smaller rule.");
    EXPECT_EQ(table, RuleTable(512, 1));
}

TEST(RuleTable, MessageNamesExtraMemoryAndOmitsUnknownAvailability) {
    RuleTable table;
    const std::string text = testsupport::ErrorOf([&] {
        AllocateRuleTable(table, 3, "extending this rule", 262144, [] { return std::optional<std::uint64_t>(1000); });
    });
    EXPECT_NE(text.find("\nEstimated additional working memory: 256.0 KB\n"), std::string::npos);
    EXPECT_NE(text.find("\nEstimated minimum needed right now: 256.3 MB"), std::string::npos);
    // Unknown memory skips the check; equal to the need is accepted.
    AllocateRuleTable(table, 3, "x", 0, [] { return std::optional<std::uint64_t>(); });
    EXPECT_EQ(table.size(), 19683u);
    const std::uint64_t exact = 19683 + 268435456;
    table.assign(5, 4);
    AllocateRuleTable(table, 3, "x", 0, [=] { return std::optional<std::uint64_t>(exact); });
    EXPECT_EQ(table, RuleTable(19683, 0));
}

}  // namespace
}  // namespace core
