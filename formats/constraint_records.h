#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace formats {

// One variable of a constraint tab: a named set of states a template cell may take.
struct ConstraintVariable {
    // Set only on variable 0, which always allows every state.
    bool builtIn = false;
    std::string name;  // UTF-8
    std::vector<std::uint8_t> allowedStates;
    friend bool operator==(const ConstraintVariable&, const ConstraintVariable&) = default;
};

struct ConstraintSlot {
    bool isVariable = false;
    // The fixed state when isVariable is false.
    std::uint8_t state = 0;
    // Index into the tab's variables; -1 for none.
    std::int32_t variable = -1;
    // 0 means not linked.
    std::int32_t linkGroup = 0;
    friend bool operator==(const ConstraintSlot&, const ConstraintSlot&) = default;
};

inline constexpr int kConstraintSlotCount = 10;
// Slot of the output state; 0..8 are NW, N, NE, W, C, E, SW, S, SE.
inline constexpr int kConstraintOutputSlot = 9;

struct ConstraintEntry {
    std::array<ConstraintSlot, kConstraintSlotCount> slots{};
    friend bool operator==(const ConstraintEntry&, const ConstraintEntry&) = default;
};

}  // namespace formats
