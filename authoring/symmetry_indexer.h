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
        std::array<std::uint64_t, 9> power{};
        power[8] = 1;
        for (int j = 7; j >= 0; --j) power[j] = power[j + 1] * n_;
        identityWeights_ = power;
        for (int t = 1; t < core::kTransformCount; ++t) {
            if (!core::IsTransformInSymmetry(symmetry, t)) continue;
            others_[otherCount_] = static_cast<std::uint8_t>(t);
            // New position j reads old position perm[j], so old position perm[j] weighs n^(8-j).
            for (int j = 0; j < 9; ++j) weights_[otherCount_][core::kSymmetryTransforms[t][j]] = power[j];
            ++otherCount_;
        }
    }

    std::uint64_t StateCount() const { return n_; }

    core::Neighborhood Decode(std::uint64_t index) const {
        core::Neighborhood digits{};
        if (index <= UINT32_MAX) {
            // 32-bit division is several times faster on common processors.
            auto small = static_cast<std::uint32_t>(index);
            const auto n = static_cast<std::uint32_t>(n_);
            for (int k = 8; k >= 0; --k) {
                digits[k] = static_cast<std::uint8_t>(small % n);
                small /= n;
            }
            return digits;
        }
        for (int k = 8; k >= 0; --k) {
            digits[k] = static_cast<std::uint8_t>(index % n_);
            index /= n_;
        }
        return digits;
    }

    std::uint64_t Encode(const core::Neighborhood& digits) const { return Weigh(identityWeights_, digits); }

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
            const std::uint64_t image = Weigh(weights_[k], digits);
            if (image < best) best = image;
        }
        return best;
    }

    // Image indices in transform order, repeats included (the first is the index itself); returns
    // the group's size. Cheaper than Orbit where inserting a repeat does no harm.
    int Images(const core::Neighborhood& digits, std::array<std::uint64_t, core::kTransformCount>& out) const {
        out[0] = Encode(digits);
        for (int k = 0; k < otherCount_; ++k) out[k + 1] = Weigh(weights_[k], digits);
        return otherCount_ + 1;
    }

    // Distinct image indices in transform order (the first is the index itself); returns their count.
    int Orbit(const core::Neighborhood& digits, std::array<std::uint64_t, core::kTransformCount>& out) const {
        out[0] = Encode(digits);
        int count = 1;
        for (int k = 0; k < otherCount_; ++k) {
            const std::uint64_t image = Weigh(weights_[k], digits);
            bool seen = false;
            for (int m = 0; m < count; ++m) seen = seen || out[m] == image;
            if (!seen) out[count++] = image;
        }
        return count;
    }

private:
    // Independent products instead of a Horner chain: short dependency chains.
    static std::uint64_t Weigh(const std::array<std::uint64_t, 9>& w, const core::Neighborhood& d) {
        return (d[0] * w[0] + d[1] * w[1] + d[2] * w[2]) + (d[3] * w[3] + d[4] * w[4] + d[5] * w[5]) +
               (d[6] * w[6] + d[7] * w[7] + d[8] * w[8]);
    }

    std::uint64_t n_;
    std::array<std::uint64_t, 9> identityWeights_{};
    // Position weights of the group's transforms other than the identity.
    std::array<std::array<std::uint64_t, 9>, core::kTransformCount> weights_{};
    std::array<std::uint8_t, core::kTransformCount> others_{};
    int otherCount_ = 0;
};

}  // namespace authoring
