#include "formats/golly_ruletable_permute.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace formats::golly {

namespace {

// Insertion sort of the first `count` entries: at most eight, and std::sort on a prefix of a
// small array trips GCC's bounds warning.
template <typename T, std::size_t N>
void SortPrefix(std::array<T, N>& a, int count) {
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && a[j] < a[j - 1]; --j) std::swap(a[j], a[j - 1]);
}

}  // namespace

ArrangementWriter::ArrangementWriter(const std::array<std::uint64_t, 9>& places,
                                     std::span<const std::uint8_t> permutedSlots, std::uint8_t* table,
                                     std::uint64_t* assigned)
    : slots_(permutedSlots.begin(), permutedSlots.end()), table_(table), assigned_(assigned), place_(places) {}

void ArrangementWriter::Write(const std::array<std::uint32_t, 9>& masks, std::uint8_t out) {
    out_ = out;
    base_ = 0;
    freeCount_ = 0;
    for (int j = 0; j < 9; ++j) {
        if (std::find(slots_.begin(), slots_.end(), j) != slots_.end()) continue;
        std::uint32_t m = masks[j];
        if (std::has_single_bit(m)) {
            base_ += static_cast<std::uint64_t>(std::countr_zero(m)) * place_[j];
            continue;
        }
        FreeSlot& f = free_[freeCount_++];
        f.place = place_[j];
        f.count = 0;
        for (; m != 0; m &= m - 1) f.states[f.count++] = static_cast<std::uint8_t>(std::countr_zero(m));
    }

    // Cells allowing the same states are interchangeable: a multiset takes a sorted run of
    // states from each such group.
    std::array<std::uint32_t, 8> cellMasks{};
    for (std::size_t i = 0; i < slots_.size(); ++i) cellMasks[i] = masks[slots_[i]];
    SortPrefix(cellMasks, static_cast<int>(slots_.size()));
    groupCount_ = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (groupCount_ > 0 && groups_[groupCount_ - 1].mask == cellMasks[i]) {
            ++groups_[groupCount_ - 1].count;
        } else {
            groups_[groupCount_++] = {cellMasks[i], 1};
        }
    }
    // Only groups sharing a state can make one multiset twice.
    overlapping_ = false;
    for (int a = 0; a < groupCount_; ++a)
        for (int b = a + 1; b < groupCount_; ++b)
            overlapping_ = overlapping_ || (groups_[a].mask & groups_[b].mask) != 0;
    seen_.clear();
    ChooseMultiset(0, 0, 0, 0);
}

void ArrangementWriter::ChooseMultiset(int group, int placedInGroup, int filled, int lowest) {
    if (group == groupCount_) {
        WriteArrangements();
        return;
    }
    const CellGroup& g = groups_[group];
    if (placedInGroup == g.count) {
        ChooseMultiset(group + 1, 0, filled, 0);
        return;
    }
    for (std::uint32_t m = g.mask >> lowest; m != 0; m &= m - 1) {
        const int state = lowest + std::countr_zero(m);
        chosen_[filled] = static_cast<std::uint8_t>(state);
        ChooseMultiset(group, placedInGroup + 1, filled + 1, state);
    }
}

void ArrangementWriter::WriteArrangements() {
    const int k = static_cast<int>(slots_.size());
    std::array<std::uint8_t, 8> v = chosen_;
    SortPrefix(v, k);
    if (overlapping_) {
        std::uint64_t key = 0;
        for (int i = 0; i < k; ++i) key |= std::uint64_t{v[i]} << (4 * i);
        if (!seen_.insert(key).second) return;
    }
    // std::next_permutation visits each distinct arrangement of a multiset once.
    do {
        std::uint64_t index = base_;
        for (int i = 0; i < k; ++i) index += v[i] * place_[slots_[i]];
        WriteFree(index, 0);
    } while (std::next_permutation(v.begin(), v.begin() + k));
}

void ArrangementWriter::WriteFree(std::uint64_t index, int slot) {
    if (slot == freeCount_) {
        std::uint64_t& word = assigned_[index >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (index & 63);
        if ((word & bit) == 0) {
            word |= bit;
            table_[index] = out_;
        }
        return;
    }
    const FreeSlot& f = free_[slot];
    for (int i = 0; i < f.count; ++i) WriteFree(index + f.states[i] * f.place, slot + 1);
}

}  // namespace formats::golly
