#include "authoring/generation_locks.h"

#include <algorithm>

namespace authoring {

void GenerationLocks::Reset(const PackedLockTable& base) {
    // Assigning in place reuses the tables' storage, which rebuilds on every edit would otherwise
    // allocate and fault in afresh. A failed copy leaves the records empty, as dropped.
    try {
        if (&base != &base_) base_ = base;
        union_ = base_;
    } catch (...) {
        Clear();
        throw;
    }
    count_ = 0;
    entries_.clear();
    std::fill(slots_.begin(), slots_.end(), Entry{kEmptySlot, 0});
    added_.clear();
}

void GenerationLocks::Clear() { *this = GenerationLocks(); }

bool GenerationLocks::InsertEntry(const Entry& entry) {
    if ((entries_.size() + 1) * 2 > slots_.size()) {
        // Grown before the lookup so that the slots never fill; entries_ is the source.
        slots_.assign(std::max<std::size_t>(16, slots_.size() * 2), Entry{kEmptySlot, 0});
        RebuildEntryIndex();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = HashIndex(entry.index) & mask;
    while (slots_[i].index != kEmptySlot) {
        if (slots_[i].index == entry.index) return false;
        i = (i + 1) & mask;
    }
    entries_.push_back(entry);
    slots_[i] = entry;
    return true;
}

void GenerationLocks::RebuildEntryIndex() {
    std::fill(slots_.begin(), slots_.end(), Entry{kEmptySlot, 0});
    if (slots_.empty()) return;
    const std::size_t mask = slots_.size() - 1;
    for (const Entry& entry : entries_) {
        std::size_t i = HashIndex(entry.index) & mask;
        while (slots_[i].index != kEmptySlot) i = (i + 1) & mask;
        slots_[i] = entry;
    }
}

void GenerationLocks::Record() {
    const std::uint64_t generation = count_;
    for (std::uint64_t index : added_)
        if (!base_.Contains(index)) InsertEntry({index, generation});
    added_.clear();
    ++count_;
}

void GenerationLocks::Rollback() {
    while (!entries_.empty() && entries_.back().generation == count_) entries_.pop_back();
    added_.clear();
    RebuildEntryIndex();
    RebuildRunningTable();
}

void GenerationLocks::RebuildRunningTable() {
    union_ = base_;
    for (const Entry& entry : entries_) union_.Insert(entry.index);
}

void GenerationLocks::Truncate(std::uint64_t count) {
    if (count >= count_) return;
    const auto cut = std::partition_point(entries_.begin(), entries_.end(),
                                          [&](const Entry& entry) { return entry.generation < count; });
    entries_.erase(cut, entries_.end());
    count_ = count;
    RebuildEntryIndex();
    RebuildRunningTable();
}

std::uint64_t GenerationLocks::CountLocked(std::uint64_t generation) const {
    const std::uint64_t base = base_.CountLocked();
    if (generation == kBase) return base;
    const auto end = std::partition_point(entries_.begin(), entries_.end(),
                                          [&](const Entry& entry) { return entry.generation <= generation; });
    return base + static_cast<std::uint64_t>(end - entries_.begin());
}

std::optional<std::uint64_t> GenerationLocks::EntryGeneration(std::uint64_t index) const {
    if (count_ == 0) return std::nullopt;
    if (base_.Contains(index)) return 0;
    const Entry* entry = FindEntry(index);
    if (!entry) return std::nullopt;
    return entry->generation;
}

std::size_t GenerationLocks::ByteSize() const {
    return base_.ByteSize() + union_.ByteSize() + (entries_.capacity() + slots_.capacity()) * sizeof(Entry) +
           added_.capacity() * sizeof(std::uint64_t);
}

std::uint64_t GenerationLocks::MinimumBytes(std::uint64_t entryCount) {
    return 2 * PackedLockTable::MinimumBytes(entryCount);
}

std::optional<std::uint64_t> LockGuardGeneration(const GenerationLocks& locks, std::uint64_t g) {
    if (g < 2) return GenerationLocks::kBase;
    if (g - 2 < locks.GenerationCount()) return g - 2;
    return std::nullopt;
}

}  // namespace authoring
