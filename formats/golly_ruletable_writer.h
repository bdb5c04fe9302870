#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/rule_table.h"

namespace formats {

// Golly's ruletables can express C1, C4 and D8 here; D2| would need the top-bottom mirror,
// which Golly's "reflect_horizontal" is not, so it is refused with the rest.
bool IsGollyExportableSymmetry(core::RuleSymmetry symmetry);

// True when no image of `digits` under the group has a smaller index.
bool IsGollyCanonicalBlock(core::RuleSymmetry symmetry, const core::Neighborhood& digits);

// The same test with the group's transforms looked up once, for scans over many blocks.
class GollyCanonicalTest {
public:
    explicit GollyCanonicalTest(core::RuleSymmetry symmetry);
    bool operator()(const core::Neighborhood& digits) const;

private:
    std::array<std::uint8_t, 8> transforms_{};
    int count_ = 0;
};

// First index in [from, size) whose entry is not 0, or `size`; skips zero bytes eight at a time.
std::uint64_t NextNonZeroEntry(const std::uint8_t* data, std::uint64_t from, std::uint64_t size);
// The same for entries other than `value`.
std::uint64_t NextEntryOtherThan(const std::uint8_t* data, std::uint64_t from, std::uint64_t size, std::uint8_t value);

// Appends "C N,NE,E,SE,S,SW,W,NW new\n" for the block `digits` (positions NW..SE).
void AppendGollyTransitionLine(std::string& out, const core::Neighborhood& digits, int newState);

// The closing catch-all: declares a1 (unless `anyStateCount` declarations already did) and
// a(K+1)..a9, then maps every block not listed above it to state 0.
void AppendGollyDefaultBlock(std::string& out, int stateCount, int anyStateCount);

// The rule as ruletable text without "@TABLE", in whichever of two forms has fewer lines (the
// first when they tie). Both run alike in Golly and here:
// - one line per symmetry class with a non-zero next state (and the all-zero block when it
//   stays 0), then the default block that maps everything else to 0;
// - one line per class whose next state differs from the centre's state, and no default
//   block, since an unlisted neighbourhood keeps its centre. Imported rules that leave most
//   cells as they are take this one.
// Throws std::runtime_error("Golly ruletable export does not support the selected symmetry.").
std::string BuildPlainGollyRuletable(const core::Rule& rule);

}  // namespace formats
