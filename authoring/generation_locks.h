#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "authoring/packed_lock_table.h"

namespace authoring {

// The lock table of every computed generation of a tab. A full table per generation would cost
// 32 KiB (4 states) to 244 KiB (5 states) each, gigabytes for a tab scrolled to generation
// 65,536; instead the base, one running table for the last generation and the generation at
// which each own lock entered are kept. The table of generation g is then the base plus every
// own lock that entered at g or earlier, and memory grows with the locks found.
class GenerationLocks {
public:
    // Stands for the base where a generation is expected.
    static constexpr std::uint64_t kBase = ~std::uint64_t{0};

    struct Entry {
        std::uint64_t index = 0;
        std::uint64_t generation = 0;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // Starts over on top of `base` (which may be Base() itself), with no generation.
    void Reset(const PackedLockTable& base);
    // No base and no generation, as for a tab whose computed data was dropped.
    void Clear();

    // Appends the table of generation GenerationCount(): step(table, added) grows the running
    // table in place and appends to `added` every index it inserts. A throwing step leaves the
    // records as they were.
    template <class Step>
    void AppendGeneration(Step&& step) {
        added_.clear();
        try {
            step(union_, added_);
            Record();
        } catch (...) {
            Rollback();
            throw;
        }
    }
    // Keeps the tables of the first `count` generations; nothing when there are no more.
    void Truncate(std::uint64_t count);

    std::uint64_t GenerationCount() const { return count_; }
    bool Empty() const { return count_ == 0; }
    const PackedLockTable& Base() const { return base_; }
    // The table of the last generation; the base while there is none.
    const PackedLockTable& Last() const { return union_; }

    // Whether the table of `generation` (kBase: the base) holds `index`. Generations past the
    // last answer as the last.
    bool Contains(std::uint64_t index, std::uint64_t generation) const {
        if (generation == kBase) return base_.Contains(index);
        if (!union_.Contains(index)) return false;
        if (base_.Contains(index)) return true;
        const Entry* entry = FindEntry(index);
        return entry && entry->generation <= generation;
    }
    // CountLocked of the table of `generation` (kBase: the base); counts the base afresh.
    std::uint64_t CountLocked(std::uint64_t generation) const;
    // The first generation whose table holds `index`: 0 for members of the base, nothing when
    // no table does.
    std::optional<std::uint64_t> EntryGeneration(std::uint64_t index) const;
    // Every own lock (in the last table, not in the base) with the generation it entered, in
    // the order they entered.
    const std::vector<Entry>& OwnLocks() const { return entries_; }

    // Heap bytes held, roughly.
    std::size_t ByteSize() const;
    // Heap bytes of the records of one tab before any lock is found: the base and running tables.
    static std::uint64_t MinimumBytes(std::uint64_t entryCount);

private:
    // Never an index: tables hold at most 16^9 = 2^36 entries.
    static constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};

    static std::size_t HashIndex(std::uint64_t index) {
        return static_cast<std::size_t>((index * 0x9E3779B97F4A7C15ull) >> 32);
    }
    const Entry* FindEntry(std::uint64_t index) const {
        if (slots_.empty() || index == kEmptySlot) return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = HashIndex(index) & mask;; i = (i + 1) & mask) {
            if (slots_[i].index == index) return &slots_[i];
            if (slots_[i].index == kEmptySlot) return nullptr;
        }
    }
    // False when index already has an entry.
    bool InsertEntry(const Entry& entry);
    void RebuildEntryIndex();
    void Record();
    void Rollback();
    void RebuildRunningTable();

    PackedLockTable base_;
    // The base plus every entry: the table of the last generation.
    PackedLockTable union_;
    std::uint64_t count_ = 0;
    // Ascending generations.
    std::vector<Entry> entries_;
    // entries_ by index: power-of-two open addressing, at most half full, no node per lock.
    std::vector<Entry> slots_;
    // What the step being run inserted; empty between calls.
    std::vector<std::uint64_t> added_;
};

// The generation whose table guards generation g of a tab: g's cells come from transitions of
// generation g - 1, which are locked when an earlier tab or one of generations 0 .. g - 2 uses
// them, so the table of g - 2 answers (the base for g < 2). Nothing while it is not computed.
std::optional<std::uint64_t> LockGuardGeneration(const GenerationLocks& locks, std::uint64_t g);
// Whether `canonical` is locked for generation g >= 1; a guard not computed yet answers as the
// last table.
inline bool LockedForGeneration(const GenerationLocks& locks, std::uint64_t g, std::uint64_t canonical) {
    return locks.Contains(canonical, LockGuardGeneration(locks, g).value_or(g - 2));
}

}  // namespace authoring
