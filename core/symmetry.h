#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/rule_table.h"

namespace core {

inline constexpr int kTransformCount = 8;

// New position j takes the state of old position kSymmetryTransforms[t][j].
inline constexpr std::array<std::array<std::uint8_t, 9>, kTransformCount> kSymmetryTransforms = {{
    {0, 1, 2, 3, 4, 5, 6, 7, 8},  // identity
    {6, 3, 0, 7, 4, 1, 8, 5, 2},  // rotate 90 clockwise
    {8, 7, 6, 5, 4, 3, 2, 1, 0},  // rotate 180
    {2, 5, 8, 1, 4, 7, 0, 3, 6},  // rotate 90 counter-clockwise
    {2, 1, 0, 5, 4, 3, 8, 7, 6},  // mirror left-right
    {6, 7, 8, 3, 4, 5, 0, 1, 2},  // mirror top-bottom
    {0, 3, 6, 1, 4, 7, 2, 5, 8},  // transpose
    {8, 5, 2, 7, 4, 1, 6, 3, 0},  // anti-transpose
}};

inline constexpr int kTransformMirrorLeftRight = 4;
inline constexpr int kSymmetryCount = 8;
inline constexpr RuleSymmetry kSymmetryC1 = 0;
inline constexpr RuleSymmetry kSymmetryD2Orthogonal = 1;
inline constexpr RuleSymmetry kSymmetryD2Diagonal = 2;
inline constexpr RuleSymmetry kSymmetryC4 = 3;
inline constexpr RuleSymmetry kSymmetryD8 = 4;
inline constexpr RuleSymmetry kSymmetryC2 = 5;
inline constexpr RuleSymmetry kSymmetryD4Orthogonal = 6;
inline constexpr RuleSymmetry kSymmetryD4Diagonal = 7;

bool IsTransformInSymmetry(RuleSymmetry symmetry, int t);
Neighborhood ApplyTransform(int t, const Neighborhood& digits);
Neighborhood CanonicalNeighborhood(RuleSymmetry symmetry, int stateCount, const Neighborhood& digits);
std::uint64_t CanonicalIndex(RuleSymmetry symmetry, int stateCount, const Neighborhood& digits);
bool IsCanonicalIndex(RuleSymmetry symmetry, int stateCount, std::uint64_t index);
// Distinct indices of the images under the group, in transform order.
std::vector<std::uint64_t> NeighborhoodOrbit(RuleSymmetry symmetry, int stateCount,
                                             const Neighborhood& digits);

std::string_view SymmetryDisplayName(RuleSymmetry symmetry);
// Empty when the group has no ruletable keyword.
std::string_view SymmetryGollyName(RuleSymmetry symmetry);

}  // namespace core
