#pragma once

#include <array>
#include <cstdint>

#include "core/rule_table.h"
#include "core/symmetry.h"

namespace authoring {

// Canonical indices and orbits of one group at one state count without allocating, for loops
// that classify many neighbourhoods. Agrees with core::CanonicalIndex and core::NeighborhoodOrbit
// for groups 0..7; an unknown group number acts as the identity alone.
class SymmetryIndexer {
public:
    SymmetryIndexer(core::RuleSymmetry symmetry, int stateCount) : n_(static_cast<std::uint64_t>(stateCount)) {
        for (int t = 0; t < core::kTransformCount; ++t) {
            if (!core::IsTransformInSymmetry(symmetry, t)) continue;
            if (t != 0) others_[otherCount_++] = static_cast<std::uint8_t>(t);
        }
    }

    std::uint64_t StateCount() const { return n_; }

    core::Neighborhood Decode(std::uint64_t index) const {
        core::Neighborhood digits{};
        for (int k = 8; k >= 0; --k) {
            digits[k] = static_cast<std::uint8_t>(index % n_);
            index /= n_;
        }
        return digits;
    }

    std::uint64_t Encode(const core::Neighborhood& digits) const {
        std::uint64_t index = 0;
        for (std::uint8_t d : digits) index = index * n_ + d;
        return index;
    }

    std::uint64_t ImageIndex(int t, const core::Neighborhood& digits) const {
        const auto& perm = core::kSymmetryTransforms[t];
        std::uint64_t index = 0;
        for (int j = 0; j < 9; ++j) index = index * n_ + digits[perm[j]];
        return index;
    }

    // No image is smaller: compares digit strings, which order like their indices.
    bool IsCanonical(const core::Neighborhood& digits) const {
        for (int k = 0; k < otherCount_; ++k) {
            const auto& perm = core::kSymmetryTransforms[others_[k]];
            for (int j = 0; j < 9; ++j) {
                const std::uint8_t image = digits[perm[j]];
                if (image < digits[j]) return false;
                if (image > digits[j]) break;
            }
        }
        return true;
    }
    bool IsCanonical(std::uint64_t index) const { return IsCanonical(Decode(index)); }

    std::uint64_t Canonical(const core::Neighborhood& digits) const {
        std::uint64_t best = Encode(digits);
        for (int k = 0; k < otherCount_; ++k) {
            const std::uint64_t image = ImageIndex(others_[k], digits);
            if (image < best) best = image;
        }
        return best;
    }

    // Distinct image indices in transform order (the first is the index itself); returns their count.
    int Orbit(const core::Neighborhood& digits, std::array<std::uint64_t, core::kTransformCount>& out) const {
        out[0] = Encode(digits);
        int count = 1;
        for (int k = 0; k < otherCount_; ++k) {
            const std::uint64_t image = ImageIndex(others_[k], digits);
            bool seen = false;
            for (int m = 0; m < count; ++m) seen = seen || out[m] == image;
            if (!seen) out[count++] = image;
        }
        return count;
    }

private:
    std::uint64_t n_;
    std::array<std::uint8_t, core::kTransformCount> others_{};
    int otherCount_ = 0;
};

}  // namespace authoring
