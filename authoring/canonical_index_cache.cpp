#include "authoring/canonical_index_cache.h"

#include "core/symmetry.h"

namespace authoring {

void CanonicalIndexCache::Prepare(core::RuleSymmetry symmetry, int stateCount) {
    if (symmetry == symmetry_ && stateCount == stateCount_) return;
    symmetry_ = symmetry;
    stateCount_ = stateCount;
    sparse_.clear();
    dense_.clear();
    const std::uint64_t size = core::RuleTableSize(stateCount);
    if (size <= kDenseLimit) dense_.assign(static_cast<std::size_t>(size), kUnknown);
}

std::uint64_t CanonicalIndexCache::Compute(std::uint64_t index) const {
    return core::CanonicalIndex(symmetry_, stateCount_, core::DecodeNeighborhoodIndex(index, stateCount_));
}

std::uint64_t CanonicalIndexCache::Lookup(std::uint64_t index) const {
    if (symmetry_ == 0) return index;
    if (index < dense_.size()) {
        const std::uint32_t known = dense_[static_cast<std::size_t>(index)];
        if (known != kUnknown) return known;
    } else if (const auto it = sparse_.find(index); it != sparse_.end()) {
        return it->second;
    }
    return Compute(index);
}

std::uint64_t CanonicalIndexCache::Canonical(std::uint64_t index) {
    if (symmetry_ == 0) return index;
    if (!dense_.empty()) {
        std::uint32_t& slot = dense_[static_cast<std::size_t>(index)];
        if (slot == kUnknown) slot = static_cast<std::uint32_t>(Compute(index));
        return slot;
    }
    const auto [it, inserted] = sparse_.try_emplace(index, 0);
    if (inserted) it->second = Compute(index);
    return it->second;
}

}  // namespace authoring
