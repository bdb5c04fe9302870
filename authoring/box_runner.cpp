#include "authoring/box_runner.h"

#include <cstring>


namespace authoring {

namespace {

// Free cells kept around the live box when the buffer is laid out again.
constexpr int kMargin = 8;

}  // namespace

BoxRunner::BoxRunner(const core::Rule& rule, std::uint64_t ruleKey) : kernel_(rule, ruleKey) {}

void BoxRunner::Start(const CellList& cells) { Place(cells, BoxOf(cells)); }

void BoxRunner::Place(const CellList& cells, const CellBox& box) {
    width_ = box.Width() + 2 * kMargin;
    height_ = box.Height() + 2 * kMargin;
    if (cells.empty()) width_ = height_ = 2 * kMargin;
    originX_ = std::int64_t{box.minX} - kMargin;
    originY_ = std::int64_t{box.minY} - kMargin;
    cells_.assign(static_cast<std::size_t>(width_) * height_, 0);
    for (const CensusCell& c : cells)
        cells_[static_cast<std::size_t>(c.y - originY_) * width_ + static_cast<std::size_t>(c.x - originX_)] = c.state;
    ScanLive();
}

void BoxRunner::ScanLive() {
    population_ = 0;
    minX_ = width_, minY_ = height_, maxX_ = -1, maxY_ = -1;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* row = cells_.data() + static_cast<std::size_t>(y) * width_;
        for (int x = 0; x < width_; ++x) {
            if (!row[x]) continue;
            ++population_;
            minX_ = std::min(minX_, x);
            maxX_ = std::max(maxX_, x);
            minY_ = std::min(minY_, y);
            maxY_ = std::max(maxY_, y);
        }
    }
}

CellBox BoxRunner::LiveBox() const {
    return {static_cast<std::int32_t>(originX_ + minX_), static_cast<std::int32_t>(originY_ + minY_),
            static_cast<std::int32_t>(originX_ + maxX_), static_cast<std::int32_t>(originY_ + maxY_)};
}

CellBox BoxRunner::Cells(CellList& out) const {
    out.clear();
    for (int y = minY_; y <= maxY_; ++y)
        for (int x = minX_; x <= maxX_; ++x)
            if (const std::uint8_t s = cells_[static_cast<std::size_t>(y) * width_ + x])
                out.push_back({x - minX_, y - minY_, s});
    return LiveBox();
}

bool BoxRunner::Matches(const CensusCell* begin, const CensusCell* end) const {
    if (static_cast<std::size_t>(end - begin) != population_) return false;
    for (const CensusCell* c = begin; c != end; ++c) {
        const std::int64_t x = c->x - originX_, y = c->y - originY_;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        if (cells_[static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x)] != c->state) return false;
    }
    return true;
}

void BoxRunner::Relayout() {
    Cells(moved_);
    const CellBox box = LiveBox();
    for (CensusCell& c : moved_) {
        c.x += box.minX;
        c.y += box.minY;
    }
    Place(moved_, box);
}

bool BoxRunner::Step() {
    if (population_ == 0) return true;
    // A cell is born at most one cell beyond the live box, so the kernel only needs a ring of 2.
    if (minX_ < 2 || minY_ < 2 || maxX_ > width_ - 3 || maxY_ > height_ - 3) Relayout();
    if (maxX_ - minX_ + 3 > kMaxSide || maxY_ - minY_ + 3 > kMaxSide) return false;
    const int innerWidth = width_ - 2, innerHeight = height_ - 2;
    stepped_.resize(static_cast<std::size_t>(innerWidth) * innerHeight);
    kernel_.Step(width_, height_, width_, cells_.data(), stepped_.data());
    for (int y = 0; y < innerHeight; ++y)
        std::memcpy(cells_.data() + static_cast<std::size_t>(y + 1) * width_ + 1,
                    stepped_.data() + static_cast<std::size_t>(y) * innerWidth, static_cast<std::size_t>(innerWidth));
    ScanLive();
    return true;
}

}  // namespace authoring
