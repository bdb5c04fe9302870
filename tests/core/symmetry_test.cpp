#include "core/symmetry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace core {
namespace {

Neighborhood Two(std::uint64_t index) { return DecodeNeighborhoodIndex(index, 2); }

// Orbits list their members in transform order; the canonical index is the least member.
TEST(Symmetry, OrbitsOfLoneNeighbours) {
    struct Case {
        RuleSymmetry symmetry;
        std::uint64_t index;
        std::vector<std::uint64_t> orbit;
    };
    const Case cases[] = {
        {kSymmetryD8, 128, {128, 8, 2, 32}},
        // The orthogonal group pairs N with S only: NE (64) and NW (256) stay apart.
        {1, 128, {128, 2}}, {1, 64, {64, 1}}, {1, 256, {256, 4}},
        {5, 256, {256, 1}},  // C2
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NeighborhoodOrbit(c.symmetry, 2, Two(c.index)), c.orbit) << int{c.symmetry} << " " << c.index;
        EXPECT_EQ(CanonicalIndex(c.symmetry, 2, Two(c.index)), *std::min_element(c.orbit.begin(), c.orbit.end()));
    }
    for (RuleSymmetry s = 0; s < kSymmetryCount; ++s) {
        EXPECT_EQ(CanonicalIndex(s, 3, Neighborhood{}), 0u);
        EXPECT_EQ(NeighborhoodOrbit(s, 3, Neighborhood{2, 2, 2, 2, 2, 2, 2, 2, 2}).size(), 1u);
    }
    for (std::uint64_t i = 0; i < 512; ++i) {
        EXPECT_EQ(NeighborhoodOrbit(0, 2, Two(i)), std::vector<std::uint64_t>{i});
        EXPECT_EQ(CanonicalIndex(0, 2, Two(i)), i);
    }
    // Out-of-range symmetries and transforms change nothing.
    EXPECT_EQ(CanonicalNeighborhood(9, 2, Two(300)), Two(300));
    EXPECT_FALSE(IsTransformInSymmetry(9, 0));
    EXPECT_FALSE(IsTransformInSymmetry(4, 8));
}

TEST(Symmetry, GroupsAreClosedAndOrbitsPartitionTheTable) {
    // A group's orbits must partition the neighbourhoods and share one canonical member.
    std::mt19937 rng(7);
    for (RuleSymmetry s = 0; s < kSymmetryCount; ++s) {
        for (int trial = 0; trial < 200; ++trial) {
            const Neighborhood d = DecodeNeighborhoodIndex(rng() % RuleTableSize(4), 4);
            const auto orbit = NeighborhoodOrbit(s, 4, d);
            const std::uint64_t canonical = CanonicalIndex(s, 4, d);
            EXPECT_EQ(*std::min_element(orbit.begin(), orbit.end()), canonical);
            for (std::uint64_t member : orbit) {
                const Neighborhood m = DecodeNeighborhoodIndex(member, 4);
                EXPECT_EQ(CanonicalIndex(s, 4, m), canonical);
                auto again = NeighborhoodOrbit(s, 4, m);
                EXPECT_EQ(std::set<std::uint64_t>(again.begin(), again.end()),
                          std::set<std::uint64_t>(orbit.begin(), orbit.end()));
            }
        }
    }
}

TEST(Symmetry, TransformsMatchTheirGeometry) {
    // Rotating a lone N neighbour clockwise puts it east; the left-right mirror moves NE to NW.
    const Neighborhood north{0, 1, 0, 0, 0, 0, 0, 0, 0}, northEast{0, 0, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ApplyTransform(1, north)[5], 1);
    EXPECT_EQ(ApplyTransform(kTransformMirrorLeftRight, northEast)[0], 1);
    EXPECT_EQ(ApplyTransform(5, north)[7], 1);
}

}  // namespace
}  // namespace core
