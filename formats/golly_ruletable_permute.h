#pragma once

// Internal to the Golly ruletable reader: the expansion of one binding of a line under
// Golly's `permute` symmetry.

#include <array>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

namespace formats::golly {

// Under `permute` a line stands for every arrangement of its cells' states. Rather than
// trying every ordering of the cells (8! for Moore), this writes each distinct multiset of
// states the cells can take once, in each of its distinct arrangements.
class ArrangementWriter {
public:
    // `places`: the index step of each slot.
    ArrangementWriter(const std::array<std::uint64_t, 9>& places, std::span<const std::uint8_t> permutedSlots,
                      std::uint8_t* table, std::uint64_t* assigned);

    // `masks` holds, per slot, the states the line allows there (a bound variable's one state).
    // Writes `out` at every index not yet assigned whose permuted slots hold an arrangement of
    // one state chosen from each permuted slot's mask, and whose other slots hold any state of
    // their own mask.
    void Write(const std::array<std::uint32_t, 9>& masks, std::uint8_t out);

private:
    struct FreeSlot {
        std::uint64_t place = 0;
        std::array<std::uint8_t, 16> states{};
        int count = 0;
    };
    struct CellGroup {
        std::uint32_t mask = 0;
        int count = 0;
    };

    void ChooseMultiset(int group, int first, int filled, int lowest);
    void WriteArrangements();
    void WriteFree(std::uint64_t index, int slot);

    std::vector<std::uint8_t> slots_;
    std::uint8_t* table_;
    std::uint64_t* assigned_;
    std::array<std::uint64_t, 9> place_{};

    // Per call.
    std::uint8_t out_ = 0;
    std::uint64_t base_ = 0;
    std::array<FreeSlot, 9> free_{};
    int freeCount_ = 0;
    std::array<CellGroup, 8> groups_{};
    int groupCount_ = 0;
    bool overlapping_ = false;
    std::array<std::uint8_t, 8> chosen_{};
    std::unordered_set<std::uint64_t> seen_;
};

}  // namespace formats::golly
