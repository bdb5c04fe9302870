#include "authoring/packed_lock_table.h"

#include <algorithm>

namespace authoring {

void PackedLockTable::Reset(std::uint64_t entryCount) {
    entryCount_ = entryCount;
    slots_.clear();
    sparseCount_ = 0;
    if (entryCount > 0 && entryCount <= kDenseLimit)
        bits_.assign(static_cast<std::size_t>((entryCount + 63) / 64), 0);
    else
        bits_.clear();
}

void PackedLockTable::Rehash(std::size_t capacity) {
    std::vector<std::uint64_t> old(capacity, kEmptySlot);
    old.swap(slots_);
    const std::size_t mask = capacity - 1;
    for (std::uint64_t value : old) {
        if (value == kEmptySlot) continue;
        std::size_t i = HashIndex(value) & mask;
        while (slots_[i] != kEmptySlot) i = (i + 1) & mask;
        slots_[i] = value;
    }
}

void PackedLockTable::SparseInsert(std::uint64_t index) {
    if ((sparseCount_ + 1) * 2 > slots_.size()) Rehash(std::max(kFirstSparseCapacity, slots_.size() * 2));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = HashIndex(index) & mask;
    while (slots_[i] != kEmptySlot) {
        if (slots_[i] == index) return;
        i = (i + 1) & mask;
    }
    slots_[i] = index;
    ++sparseCount_;
}

void PackedLockTable::InsertAll(const PackedLockTable& other) {
    if (&other == this) return;
    if (!bits_.empty() && !other.bits_.empty() && other.entryCount_ <= entryCount_) {
        // Bits of other beyond its entryCount are always clear, so whole words can be ORed.
        for (std::size_t w = 0; w < other.bits_.size(); ++w) bits_[w] |= other.bits_[w];
        return;
    }
    if (bits_.empty() && entryCount_ > 0) {
        const std::size_t wanted = sparseCount_ + static_cast<std::size_t>(other.CountLocked());
        std::size_t capacity = std::max(kFirstSparseCapacity, slots_.size());
        while (wanted * 2 > capacity) capacity *= 2;
        if (capacity != slots_.size()) Rehash(capacity);
    }
    other.ForEachIndex([&](std::uint64_t index) { Insert(index); });
}

std::vector<std::uint64_t> PackedLockTable::ListIndices() const {
    std::vector<std::uint64_t> out;
    out.reserve(static_cast<std::size_t>(CountLocked()));
    ForEachIndex([&](std::uint64_t index) { out.push_back(index); });
    return out;
}

std::uint64_t PackedLockTable::CountLocked() const {
    if (bits_.empty()) return sparseCount_;
    std::uint64_t count = 0;
    for (std::uint64_t word : bits_) count += static_cast<std::uint64_t>(std::popcount(word));
    return count;
}

bool operator==(const PackedLockTable& a, const PackedLockTable& b) {
    if (a.entryCount_ != b.entryCount_) return false;
    if (a.IsDense() != b.IsDense()) return false;
    if (a.IsDense()) return a.bits_ == b.bits_;
    if (a.sparseCount_ != b.sparseCount_) return false;
    bool same = true;
    a.ForEachIndex([&](std::uint64_t index) { same = same && b.SparseFind(index); });
    return same;
}

}  // namespace authoring
