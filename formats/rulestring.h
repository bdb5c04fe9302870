#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/rule_table.h"

namespace formats {

// One representative of a Hensel letter class. `neighbors` holds the eight neighbours in the
// order N, NE, E, SE, S, SW, W, NW, N in the highest bit.
struct HenselConfiguration {
    int count = 0;
    char letter = 0;  // 0 for the letterless counts 0 and 8
    std::uint8_t neighbors = 0;
};

inline constexpr int kHenselConfigurationCount = 51;

// Grouped by live-neighbour count, letters in alphabetical order within a count.
const std::array<HenselConfiguration, kHenselConfigurationCount>& HenselConfigurations();

// The neighbourhood (NW..SE) of a Hensel configuration around a centre of state `centre`.
core::Neighborhood HenselNeighborhood(std::uint8_t neighbors, std::uint8_t centre);

// Both need a two-state rule and throw std::runtime_error otherwise. The Hensel form assumes
// the D8 symmetry: it reads one member of each class.
std::string BuildHenselRulestring(const core::Rule& rule);
// "MAP" and 86 base64 characters, always 89 characters.
std::string BuildMapRulestring(const core::Rule& rule);
// What the rulestring export writes: Hensel notation under D8, the MAP form under any other
// symmetry.
std::string BuildRulestring(const core::Rule& rule);

}  // namespace formats
