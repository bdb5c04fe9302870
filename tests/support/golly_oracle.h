#pragma once

// Runs Golly's headless bgolly as a reference for tests. A missing bgolly fails them, never skips
// them: scripts/deps.sh installs the Debian package golly.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/rle.h"

namespace testsupport {

// Sanitized builds run several times slower: tests over large collections do less in them.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRIX_TESTS_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TAVRIX_TESTS_SANITIZED)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// A rule for bgolly: either a ruletable (`ruleFileText` is a whole .rule file whose
// "@RULE" line names `name`; run with the RuleLoader algorithm), or, with empty
// `ruleFileText`, a rulestring such as "B3/S23" or "MAP..." in `name`.
struct OracleRule {
    std::string name;
    std::string ruleFileText;
    int stateCount = 2;
};

// Cells (absolute coordinates, y downwards) after `generations` generations in bgolly.
// Sorted by (y, x). Throws std::runtime_error when bgolly is missing or fails.
std::vector<formats::RleCell> RunBgolly(const OracleRule& rule, const std::vector<formats::RleCell>& cells,
                                        int generations);

// The next state bgolly gives the centre of each neighbourhood index (digits NW..SE,
// NW most significant), found with one bgolly run over isolated 3x3 blocks.
std::vector<std::uint8_t> ProbeTransitions(const OracleRule& rule, const std::vector<std::uint64_t>& indices);

// Cells of an RLE written by our writer, at the absolute position of its "#CXRLE Pos" line,
// sorted by (y, x) like bgolly's results. Throws when the position line is missing.
std::vector<formats::RleCell> AbsoluteRleCells(const std::string& rle);

// Every index of a table of `stateCount` states.
std::vector<std::uint64_t> AllIndices(int stateCount);

// Probes `indices` and names where bgolly's next state differs from `table` (the first few, and
// how many in all); empty when they all agree.
std::string GollyMismatches(const OracleRule& rule, const std::vector<std::uint8_t>& table,
                            const std::vector<std::uint64_t>& indices);

}  // namespace testsupport
