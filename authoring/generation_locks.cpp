#include "authoring/generation_locks.h"

#include <algorithm>
#include <utility>

namespace authoring {

void GenerationLocks::Reset(const PackedLockTable& base) {
    // Copies first: `base` may be base_ itself, and a failed copy must change nothing.
    PackedLockTable nextBase = base;
    PackedLockTable nextUnion = base;
    base_ = std::move(nextBase);
    union_ = std::move(nextUnion);
    baseCount_ = base_.CountLocked();
    count_ = 0;
    entries_.clear();
    entered_.clear();
    added_.clear();
}

void GenerationLocks::Clear() { *this = GenerationLocks(); }

void GenerationLocks::Record() {
    const std::uint64_t generation = count_;
    for (std::uint64_t index : added_)
        if (!base_.Contains(index) && entered_.try_emplace(index, generation).second)
            entries_.push_back({index, generation});
    added_.clear();
    ++count_;
}

void GenerationLocks::Rollback() {
    for (std::uint64_t index : added_) {
        const auto it = entered_.find(index);
        if (it != entered_.end() && it->second == count_) entered_.erase(it);
    }
    while (!entries_.empty() && entries_.back().generation == count_) entries_.pop_back();
    added_.clear();
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
    for (auto it = cut; it != entries_.end(); ++it) entered_.erase(it->index);
    entries_.erase(cut, entries_.end());
    count_ = count;
    RebuildRunningTable();
}

std::uint64_t GenerationLocks::CountLocked(std::uint64_t generation) const {
    if (generation == kBase) return baseCount_;
    const auto end = std::partition_point(entries_.begin(), entries_.end(),
                                          [&](const Entry& entry) { return entry.generation <= generation; });
    return baseCount_ + static_cast<std::uint64_t>(end - entries_.begin());
}

std::optional<std::uint64_t> GenerationLocks::EntryGeneration(std::uint64_t index) const {
    if (count_ == 0) return std::nullopt;
    if (base_.Contains(index)) return 0;
    const auto it = entered_.find(index);
    if (it == entered_.end()) return std::nullopt;
    return it->second;
}

std::size_t GenerationLocks::ByteSize() const {
    // A map node holds the pair and a next pointer, plus its bucket slot.
    constexpr std::size_t kMapNodeBytes = sizeof(std::pair<const std::uint64_t, std::uint64_t>) + 2 * sizeof(void*);
    return base_.ByteSize() + union_.ByteSize() + entries_.capacity() * sizeof(Entry) +
           entered_.size() * kMapNodeBytes + entered_.bucket_count() * sizeof(void*) +
           added_.capacity() * sizeof(std::uint64_t);
}

std::uint64_t GenerationLocks::MinimumBytes(std::uint64_t entryCount) {
    return 2 * PackedLockTable::MinimumBytes(entryCount);
}

}  // namespace authoring
