#pragma once

// A soup census: random soups run under one rule until they settle, what they leave separated into
// objects, and each object counted under a canonical name.
//
// Names. A still life is "xs<population>_<code>", an oscillator "xp<period>_<code>", a spaceship
// "xq<period>_<code>". For two-state rules <code> is the extended Wechsler code of the Life census
// (apgcode): the bounding box cut into strips 5 rows tall, top first; each strip written column by
// column, one character per column for its 5 cells (top cell = bit 0) as 0-9 then a-v; strips
// joined by "z"; runs of empty columns shortened to "w" (2), "x" (3) and "y" + c (4 + value of c,
// c in 0-9a-z); trailing empty columns of a strip dropped. Of every phase of the period in every
// orientation the rule's symmetry allows (all 8 for an isotropic rule, only the pattern as it is
// for a rule without symmetry), the shortest code wins, ties going to the alphabetically smallest.
// For rules of n > 2 states <code> is n - 1 layers joined by "_", layer s holding the cells of
// state s, all over the same bounding box, so a layer may end in empty strips ("z") and a layer
// without cells is written "0"; the whole joined string is compared, by length then alphabetically.
// What cannot be named: "zz_GROWING" (a soup, or an object on its own, whose live area passed a
// bound) and "zz_UNRESOLVED" (a part of a soup that did not behave the same alone, or an object
// with no period within the classification limit).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rule_table.h"

namespace authoring {

struct CensusOptions {
    int soups = 1000;
    int size = 16;  // side of the square soup
    double density = 0.5;
    std::uint32_t seed = 1;  // soup i uses seed + i
    int threads = 0;         // tasks on the worker pool, at most core::WorkerThreadCount() at once; 0: that many
    int maxGenerations = 4000;
};

enum class ObjectClass { Still, Oscillator, Spaceship, Growing, Unresolved };

struct CensusObject {
    std::string name;
    ObjectClass kind = ObjectClass::Unresolved;
    int period = 1;     // 0 for growing and unresolved entries
    int dx = 0, dy = 0;  // displacement over one period of the sample as written
    std::uint64_t count = 0;
    // The canonical phase and orientation as RLE; for growing and unresolved entries, what the
    // soup of the lowest seed left (or the soup itself when it outgrew the bound).
    std::string sampleRle;
    friend bool operator==(const CensusObject&, const CensusObject&) = default;
};

struct CensusResult {
    std::string rule;
    CensusOptions options;  // options.soups: soups done; options.seed: firstSeed
    // Seeds of the soups done; with none done lastSeed equals firstSeed and options.soups is 0.
    std::uint32_t firstSeed = 0, lastSeed = 0;
    std::vector<CensusObject> objects;  // most common first, ties by name
};

inline constexpr std::string_view kGrowingName = "zz_GROWING";
inline constexpr std::string_view kUnresolvedName = "zz_UNRESOLVED";

// Runs options.soups soups of options.size x options.size cells, options.threads at a time; the
// result does not depend on the thread count. progress(soupsDone) is called from the calling
// thread now and then; returning false cancels, and the result then holds the soups finished so far
// (seeds firstSeed..lastSeed). Throws std::runtime_error for options out of range (soups < 0, size
// outside 1..4096, density outside 0..1, maxGenerations outside 1..1000000, seeds past 2^32 - 1), or
// a rule that does not keep the empty background empty.
CensusResult RunCensus(const core::Rule& rule, const std::string& ruleName, const CensusOptions& options,
                       const std::function<bool(int)>& progress = {});

// "still", "oscillator", "spaceship", "growing", "unresolved".
std::string_view ObjectClassName(ObjectClass kind);

// {"rule", "soups", "size", "density", "seedFirst", "seedLast", "maxGenerations", "objects": [{"name",
// "class", "period", "dx", "dy", "count", "sample"}...]}, one object per line.
std::string CensusToJson(const CensusResult& result);
// Reads what CensusToJson writes; throws std::runtime_error naming what is wrong otherwise.
CensusResult CensusFromJson(std::string_view text);
// One result for runs of the same rule and parameters over seed ranges that do not overlap; equal to
// one run over the same seeds. Throws std::runtime_error for differing rules or parameters,
// overlapping ranges, or no result at all.
CensusResult MergeCensus(const std::vector<CensusResult>& parts);

}  // namespace authoring
