#include "authoring/object_separation.h"

#include <algorithm>
#include <numeric>

namespace authoring {

namespace {

// Row-major order for signed coordinates.
std::uint64_t KeyOf(std::int64_t x, std::int64_t y) {
    return (static_cast<std::uint64_t>(y + 0x80000000LL) << 32) | static_cast<std::uint64_t>(x + 0x80000000LL);
}

}  // namespace

std::size_t ObjectSeparation::Find(std::size_t i) {
    while (parent_[i] != i) {
        parent_[i] = parent_[parent_[i]];
        i = parent_[i];
    }
    return i;
}

void ObjectSeparation::Join(std::size_t a, std::size_t b) {
    a = Find(a), b = Find(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
}

void ObjectSeparation::Build(const std::vector<CellList>& phases, int phaseCount, int radius) {
    phaseCount_ = phaseCount;
    keys_.clear();
    for (int k = 0; k < phaseCount; ++k)
        for (const CensusCell& c : phases[k]) keys_.push_back(KeyOf(c.x, c.y));
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    parent_.resize(keys_.size());
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
    // Each cell joins the cells of its own row and the `radius` rows below it; the rows above
    // did the same for it.
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::int64_t x = static_cast<std::int64_t>(keys_[i] & 0xFFFFFFFFu) - 0x80000000LL;
        const std::int64_t y = static_cast<std::int64_t>(keys_[i] >> 32) - 0x80000000LL;
        for (int dy = 0; dy <= radius; ++dy) {
            const std::uint64_t last = KeyOf(x + radius, y + dy);
            auto it = std::lower_bound(keys_.begin() + static_cast<std::ptrdiff_t>(i), keys_.end(),
                                       KeyOf(x - radius, y + dy));
            for (; it != keys_.end() && *it <= last; ++it) Join(i, static_cast<std::size_t>(it - keys_.begin()));
        }
    }
    // Groups numbered in the order of their first cell.
    group_.assign(keys_.size(), -1);
    groupCount_ = 0;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const std::size_t root = Find(i);
        group_[i] = root == i ? groupCount_++ : group_[root];
    }
    const std::size_t stride = static_cast<std::size_t>(groupCount_) + 1;
    offsets_.assign(stride * static_cast<std::size_t>(phaseCount), 0);
    cells_.clear();
    for (std::size_t k = 0; k < static_cast<std::size_t>(phaseCount); ++k) {
        std::size_t* offsets = offsets_.data() + k * stride;
        labels_.clear();
        for (const CensusCell& c : phases[k]) {
            labels_.push_back(GroupOf(c.x, c.y));
            ++offsets[labels_.back() + 1];
        }
        const std::size_t base = cells_.size();
        offsets[0] = base;
        for (std::size_t g = 1; g < stride; ++g) offsets[g] += offsets[g - 1];
        cells_.resize(base + phases[k].size());
        fill_.assign(offsets, offsets + stride - 1);
        for (std::size_t j = 0; j < phases[k].size(); ++j) cells_[fill_[labels_[j]]++] = phases[k][j];
    }
}

int ObjectSeparation::GroupOf(std::int32_t x, std::int32_t y) const {
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), KeyOf(x, y));
    return group_[static_cast<std::size_t>(it - keys_.begin())];
}

std::span<const CensusCell> ObjectSeparation::Cells(int g, int k) const {
    const std::size_t* offsets = offsets_.data() + static_cast<std::size_t>(k) * (groupCount_ + 1);
    return {cells_.data() + offsets[g], cells_.data() + offsets[g + 1]};
}

}  // namespace authoring
