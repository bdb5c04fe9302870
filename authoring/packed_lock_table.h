#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace authoring {

// A set of neighbourhood indices below entryCount: a bit vector for tables of up to 2^22
// entries (512 KiB at most), an open-addressing hash set above, where only the few
// transitions patterns use are held. Indices at or above entryCount are never members.
class PackedLockTable {
public:
    static constexpr std::uint64_t kDenseLimit = std::uint64_t{1} << 22;

    PackedLockTable() = default;
    explicit PackedLockTable(std::uint64_t entryCount) { Reset(entryCount); }

    // Empties the table and sizes it for entryCount indices; 0 leaves it unsized.
    void Reset(std::uint64_t entryCount);

    bool Contains(std::uint64_t index) const {
        if (index >= entryCount_) return false;
        if (!bits_.empty()) return (bits_[index >> 6] >> (index & 63)) & 1;
        return SparseFind(index);
    }

    // Indices outside the table are ignored.
    void Insert(std::uint64_t index) {
        if (index >= entryCount_) return;
        if (!bits_.empty()) {
            bits_[index >> 6] |= std::uint64_t{1} << (index & 63);
            return;
        }
        SparseInsert(index);
    }

    // Adds every member of other that fits this table.
    void InsertAll(const PackedLockTable& other);

    // Ascending in the dense form; slot order in the sparse form.
    std::vector<std::uint64_t> ListIndices() const;

    // Calls visit(index) for every member, in the order of ListIndices.
    template <class F>
    void ForEachIndex(F&& visit) const {
        if (!bits_.empty()) {
            for (std::size_t w = 0; w < bits_.size(); ++w) {
                std::uint64_t word = bits_[w];
                while (word) {
                    visit(static_cast<std::uint64_t>(w) * 64 + static_cast<unsigned>(std::countr_zero(word)));
                    word &= word - 1;
                }
            }
            return;
        }
        for (std::uint64_t slot : slots_)
            if (slot != kEmptySlot) visit(slot);
    }

    std::uint64_t CountLocked() const;
    std::uint64_t EntryCount() const { return entryCount_; }
    bool IsDense() const { return !bits_.empty(); }

    // Heap bytes held.
    std::size_t ByteSize() const { return (bits_.capacity() + slots_.capacity()) * sizeof(std::uint64_t); }
    // Heap bytes of a table sized for entryCount once it holds its first index.
    static std::uint64_t MinimumBytes(std::uint64_t entryCount) {
        return entryCount > 0 && entryCount <= kDenseLimit ? (entryCount + 63) / 64 * sizeof(std::uint64_t)
                                                           : kFirstSparseCapacity * sizeof(std::uint64_t);
    }

    // Same size and same members, whatever the storage order.
    friend bool operator==(const PackedLockTable& a, const PackedLockTable& b);

private:
    // Never a valid index: tables hold at most 16^9 = 2^36 entries.
    static constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};
    static constexpr std::size_t kFirstSparseCapacity = 16;

    static std::size_t HashIndex(std::uint64_t index) {
        // Fibonacci hashing spreads consecutive orbit members over the slots.
        return static_cast<std::size_t>((index * 0x9E3779B97F4A7C15ull) >> 32);
    }

    bool SparseFind(std::uint64_t index) const {
        if (slots_.empty()) return false;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = HashIndex(index) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == index) return true;
            if (slots_[i] == kEmptySlot) return false;
        }
    }
    void SparseInsert(std::uint64_t index);
    void Rehash(std::size_t capacity);

    std::uint64_t entryCount_ = 0;
    std::vector<std::uint64_t> bits_;
    // Power-of-two open-addressing slots, at most half full.
    std::vector<std::uint64_t> slots_;
    std::size_t sparseCount_ = 0;
};

}  // namespace authoring
