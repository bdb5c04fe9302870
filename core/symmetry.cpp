#include "core/symmetry.h"

#include <algorithm>
#include <limits>

namespace core {

namespace {

// Bit t set when transform t belongs to the group.
constexpr std::array<std::uint8_t, kSymmetryCount> kGroupMembers = {
    0b00000001,  // C1
    0b00100001,  // D2| (identity, top-bottom mirror)
    0b01000001,  // D2\ (identity, transpose)
    0b00001111,  // C4
    0b11111111,  // D8
    0b00000101,  // C2
    0b00110101,  // D4+
    0b11000101,  // D4x
};

}  // namespace

bool IsTransformInSymmetry(RuleSymmetry symmetry, int t) {
    if (symmetry >= kSymmetryCount || t < 0 || t >= kTransformCount) return false;
    return (kGroupMembers[symmetry] >> t) & 1;
}

Neighborhood ApplyTransform(int t, const Neighborhood& digits) {
    Neighborhood out{};
    for (int j = 0; j < 9; ++j) out[j] = digits[kSymmetryTransforms[t][j]];
    return out;
}

Neighborhood CanonicalNeighborhood(RuleSymmetry symmetry, int stateCount, const Neighborhood& digits) {
    Neighborhood result = digits;
    std::uint64_t best = std::numeric_limits<std::int64_t>::max();
    for (int t = 0; t < kTransformCount; ++t) {
        if (!IsTransformInSymmetry(symmetry, t)) continue;
        const Neighborhood p = ApplyTransform(t, digits);
        const std::uint64_t code = NeighborhoodIndex(p, stateCount);
        if (code < best) {
            result = p;
            best = code;
        }
    }
    return result;
}

std::uint64_t CanonicalIndex(RuleSymmetry symmetry, int stateCount, const Neighborhood& digits) {
    return NeighborhoodIndex(CanonicalNeighborhood(symmetry, stateCount, digits), stateCount);
}

bool IsCanonicalIndex(RuleSymmetry symmetry, int stateCount, std::uint64_t index) {
    return CanonicalIndex(symmetry, stateCount, DecodeNeighborhoodIndex(index, stateCount)) == index;
}

std::vector<std::uint64_t> NeighborhoodOrbit(RuleSymmetry symmetry, int stateCount,
                                             const Neighborhood& digits) {
    std::vector<std::uint64_t> orbit;
    orbit.reserve(kTransformCount);
    for (int t = 0; t < kTransformCount; ++t) {
        if (!IsTransformInSymmetry(symmetry, t)) continue;
        const std::uint64_t code = NeighborhoodIndex(ApplyTransform(t, digits), stateCount);
        if (std::find(orbit.begin(), orbit.end(), code) == orbit.end()) orbit.push_back(code);
    }
    return orbit;
}

std::string_view SymmetryDisplayName(RuleSymmetry symmetry) {
    static constexpr std::string_view kNames[kSymmetryCount] = {
        "C1 (asymmetric)",   "D2| (orthogonal)", "D2\\ (diagonal)",          "C4 (chiral)",
        "D8 (isotropic)",    "C2 (180-degree rotation)", "D4+ (orthogonal flips)", "D4x (diagonal flips)",
    };
    return symmetry < kSymmetryCount ? kNames[symmetry] : "Unknown";
}

std::string_view SymmetryGollyName(RuleSymmetry symmetry) {
    switch (symmetry) {
        case 0: return "none";
        case 1: return "reflect_horizontal";
        case 3: return "rotate4";
        case 4: return "rotate4reflect";
        default: return {};
    }
}

}  // namespace core
