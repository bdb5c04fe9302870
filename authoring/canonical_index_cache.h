#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/rule_table.h"

namespace authoring {

// Canonical index of a neighbourhood index under one rule's symmetry, remembered once
// computed: scans of generations ask for the same few neighbourhoods over and over.
class CanonicalIndexCache {
public:
    void Prepare(core::RuleSymmetry symmetry, int stateCount);
    std::uint64_t Canonical(std::uint64_t index);
    // As Canonical for const callers such as drawing: the memo when known, else computed
    // without being remembered. Never allocates.
    std::uint64_t Lookup(std::uint64_t index) const;
    bool IsCanonical(std::uint64_t index) { return Canonical(index) == index; }
    core::RuleSymmetry Symmetry() const { return symmetry_; }
    int StateCount() const { return stateCount_; }

private:
    static constexpr std::uint32_t kUnknown = UINT32_MAX;
    // Dense memo up to five states (under 8 MiB), a hash memo above.
    static constexpr std::uint64_t kDenseLimit = std::uint64_t{1} << 22;

    std::uint64_t Compute(std::uint64_t index) const;

    core::RuleSymmetry symmetry_ = 0;
    int stateCount_ = 0;
    std::vector<std::uint32_t> dense_;
    std::unordered_map<std::uint64_t, std::uint64_t> sparse_;
};

}  // namespace authoring
