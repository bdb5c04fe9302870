#include "core/symmetry.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace core {
namespace {

Neighborhood Two(std::uint64_t index) { return DecodeNeighborhoodIndex(index, 2); }

TEST(Symmetry, D8OrbitOfSingleNorthNeighbourFollowsTransformOrder) {
    EXPECT_EQ(NeighborhoodOrbit(kSymmetryD8, 2, Two(128)), (std::vector<std::uint64_t>{128, 8, 2, 32}));
    EXPECT_EQ(CanonicalIndex(kSymmetryD8, 2, Two(128)), 2u);
}

TEST(Symmetry, OrthogonalGroupPairsNorthWithSouthOnly) {
    EXPECT_EQ(NeighborhoodOrbit(1, 2, Two(128)), (std::vector<std::uint64_t>{128, 2}));
    // NE alone (64) and NW alone (256) stay apart: the left-right mirror is not in the group.
    EXPECT_EQ(NeighborhoodOrbit(1, 2, Two(64)), (std::vector<std::uint64_t>{64, 1}));
    EXPECT_EQ(NeighborhoodOrbit(1, 2, Two(256)), (std::vector<std::uint64_t>{256, 4}));
}

TEST(Symmetry, C2AndTrivialCases) {
    EXPECT_EQ(NeighborhoodOrbit(5, 2, Two(256)), (std::vector<std::uint64_t>{256, 1}));
    EXPECT_EQ(CanonicalIndex(5, 2, Two(256)), 1u);
    for (RuleSymmetry s = 0; s < kSymmetryCount; ++s) {
        EXPECT_EQ(CanonicalIndex(s, 3, Neighborhood{}), 0u);
        EXPECT_EQ(NeighborhoodOrbit(s, 3, Neighborhood{2, 2, 2, 2, 2, 2, 2, 2, 2}).size(), 1u);
    }
    for (std::uint64_t i = 0; i < 512; ++i) {
        EXPECT_EQ(NeighborhoodOrbit(0, 2, Two(i)), std::vector<std::uint64_t>{i});
        EXPECT_EQ(CanonicalIndex(0, 2, Two(i)), i);
    }
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
    Neighborhood north{};
    north[1] = 1;
    EXPECT_EQ(ApplyTransform(1, north)[5], 1);
    Neighborhood northEast{};
    northEast[2] = 1;
    EXPECT_EQ(ApplyTransform(kTransformMirrorLeftRight, northEast)[0], 1);
    EXPECT_EQ(ApplyTransform(5, north)[7], 1);
}

}  // namespace
}  // namespace core
