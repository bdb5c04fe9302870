#include "shell/surface_painter.h"


#include <algorithm>
#include <cstdint>
#include <cmath>

#include "shell/state_bar.h"

namespace shell {

namespace {

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

ColorF ToColor(const authoring::Color& c, float alpha) { return {c.red, c.green, c.blue, alpha}; }

// Calls row(y, fromX, toX, first) for each row of a chunk's cells within the visible range, where
// `first` is the chunk index of (fromX, y).
template <class Row>
void ForVisibleRows(std::int32_t cx, std::int32_t cy, const VisibleCells& visible, Row row) {
    const std::int64_t x0 = std::int64_t{cx} * core::kChunkSide, y0 = std::int64_t{cy} * core::kChunkSide;
    const std::int64_t fromX = std::max(x0, visible.x0), toX = std::min(x0 + core::kChunkSide - 1, visible.x1);
    const std::int64_t fromY = std::max(y0, visible.y0), toY = std::min(y0 + core::kChunkSide - 1, visible.y1);
    if (fromX > toX) return;
    for (std::int64_t y = fromY; y <= toY; ++y)
        row(y, fromX, toX, static_cast<int>((y - y0) * core::kChunkSide + (fromX - x0)));
}

// Calls visit(x, y, value) for every non-zero value of a chunk within the visible range.
template <class Chunk, class Read, class Visit>
void ForVisibleCells(std::int32_t cx, std::int32_t cy, const Chunk& chunk, const VisibleCells& visible, Read read,
                     Visit visit) {
    ForVisibleRows(cx, cy, visible, [&](std::int64_t y, std::int64_t fromX, std::int64_t toX, int first) {
        for (std::int64_t x = fromX; x <= toX; ++x) {
            const auto value = read(chunk, first + static_cast<int>(x - fromX));
            if (value != 0) visit(x, y, value);
        }
    });
}

std::uint32_t Pack(const ColorF& c) {
    auto byte = [](float v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return byte(c.red) | byte(c.green) << 8 | byte(c.blue) << 16 | byte(c.alpha) << 24;
}

// `top` over `under`, both with straight alpha.
std::uint32_t Over(std::uint32_t top, std::uint32_t under) {
    const std::uint32_t ta = top >> 24, ua = under >> 24;
    if (ta == 255 || ua == 0) return top;
    const float a = float(ta) / 255, b = float(ua) / 255 * (1 - a), out = a + b;
    std::uint32_t result = static_cast<std::uint32_t>(std::lround(out * 255)) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const float c = (float((top >> shift) & 255) * a + float((under >> shift) & 255) * b) / out;
        result |= static_cast<std::uint32_t>(std::lround(c)) << shift;
    }
    return result;
}

}  // namespace

int TrailKeyframeAge(float cellSize, const Appearance& appearance) {
    const float scale = std::max(6.0f / std::max(cellSize, 1e-3f), 1.0f);
    return std::clamp(static_cast<int>(std::lround(scale * float(appearance.trailKeyframeAge))), 1, 253);
}

float TrailSizeDamping(float cellSize) { return 1 - 0.5f * std::clamp((cellSize - 3) / 11, 0.0f, 1.0f); }

float TrailFade(int age, float cellSize, const Appearance& appearance) {
    const int k = TrailKeyframeAge(cellSize, appearance);
    const float b = std::clamp(appearance.trailKeyframeBrightness, 0.03f, 1.0f);
    if (age <= k) return 1 + (b - 1) * float(age) / float(k);
    return b + (0.03f - b) * float(age - k) / float(254 - k);
}

ColorF BrokenMarkerColor(const Appearance& appearance) {
    const float b = std::clamp(appearance.brokenMarkerBrightness, 0.0f, 1.0f);
    const float o = std::clamp(appearance.brokenMarkerOpacity, 0.05f, 1.0f);
    if (b <= 0.5f) return {Lerp(0.5019608f, 1, 2 * b), 0, 0, o};
    const float g = Lerp(0, 0.49803922f, 2 * (b - 0.5f));
    return {1, g, g, o};
}

ColorF LockedOverlayColor(const Appearance& appearance) {
    const float b = std::clamp(appearance.lockedOverlayBrightness, 0.0f, 1.0f);
    return {b, b, b, std::clamp(appearance.lockedOverlayOpacity, 0.0f, 1.0f)};
}

float LockedOverlayMargin(float cellSize) { return std::clamp(std::floor(cellSize / 8), 1.0f, 4.0f); }

ColorF FrameOutlineColor(FrameLockState state) {
    switch (state) {
        case FrameLockState::RandomizerEnd: return {1, 0, 1, 1};
        case FrameLockState::SomeVisibleUnlocked: return {0, 1, 1, 1};
        case FrameLockState::AllLocked: return {0, 0.749f, 0, 1};
        case FrameLockState::Partial: break;
    }
    return {0, 0, 1, 1};
}

SurfacePainter::SurfacePainter(Canvas& canvas, const authoring::Palette& palette, int stateCount,
                               const Appearance& appearance, const authoring::Camera& camera, const RectF& grid,
                               PaintScratch& scratch)
    : canvas_(canvas),
      palette_(palette),
      stateCount_(stateCount),
      appearance_(appearance),
      camera_(camera),
      grid_(grid),
      visible_(VisibleRange(camera, grid)),
      midX_((grid.left + grid.right) / 2),
      midY_((grid.top + grid.bottom) / 2),
      batch_(scratch.batch),
      image_(scratch.image),
      sampleChunk_(scratch.sampleChunk),
      sampleLocal_(scratch.sampleLocal),
      rowCells_(scratch.rowCells),
      rowTrails_(scratch.rowTrails) {}

RectF SurfacePainter::CellRectAt(std::int64_t x, std::int64_t y, float margin) const {
    const float size = camera_.cellSize;
    const float left = static_cast<float>(static_cast<double>(x) - camera_.centreX) * size + midX_;
    const float top = static_cast<float>(static_cast<double>(y) - camera_.centreY) * size + midY_;
    return {left + margin, top + margin, left + size - margin, top + size - margin};
}

void SurfacePainter::FillTrailAlphas() {
    const float opacity = std::clamp(appearance_.trailOpacity, 0.0f, 1.0f) * TrailSizeDamping(camera_.cellSize);
    for (int age = 0; age < 256; ++age)
        trailAlpha_[static_cast<std::size_t>(age)] = TrailFade(age, camera_.cellSize, appearance_) * opacity;
}

void SurfacePainter::DrawTrailsAndCells(const core::HistoryLayer& history, const core::ChunkGrid& grid) {
    FillTrailAlphas();
    if (camera_.cellSize < kImageMaxCellSize) {
        DrawImage(history, grid);
        return;
    }
    DrawTrails(history);
    DrawCells(grid);
}

void SurfacePainter::DrawTrails(const core::HistoryLayer& history) {
    batch_.clear();
    history.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::HistoryLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::HistoryLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint16_t value) {
                const int state = (value & 0xFF) - 1;
                const int age = value >> 8;
                if (state < 0 || state >= stateCount_ || age == 255) return;
                const authoring::Color& c = palette_[static_cast<std::size_t>(state)];
                batch_.push_back({CellRectAt(x, y, 0), ToColor(c, trailAlpha_[std::size_t(age)] * c.alpha)});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawCells(const core::ChunkGrid& grid) {
    batch_.clear();
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::Chunk64& c, int i) { return c.cells[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint8_t state) {
                const authoring::Color& c = palette_[std::min<std::size_t>(state, authoring::kPaletteSize - 1)];
                batch_.push_back({CellRectAt(x, y, 0), ToColor(c, c.alpha)});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawImage(const core::HistoryLayer& history, const core::ChunkGrid& grid) {
    const std::int64_t columns = visible_.x1 - visible_.x0 + 1, rows = visible_.y1 - visible_.y0 + 1;
    if (columns <= 0 || rows <= 0) return;
    const RectF first = CellRectAt(visible_.x0, visible_.y0, 0), last = CellRectAt(visible_.x1, visible_.y1, 0);
    image_.dest = {first.left, first.top, last.right, last.bottom};

    // By cell value, so the loops below neither clamp nor branch on a random soup.
    std::array<std::uint32_t, 256> cellColors{};
    bool opaque = true;
    for (std::size_t s = 1; s < cellColors.size(); ++s) {
        const authoring::Color& c = palette_[std::min<std::size_t>(s, authoring::kPaletteSize - 1)];
        cellColors[s] = Pack(ToColor(c, c.alpha));
        opaque = opaque && (cellColors[s] >> 24) == 255;
    }
    // Trail colours by the history value itself (age in the high byte, state + 1 in the low one);
    // 0 where nothing is drawn.
    const bool trails = history.ChunkCount() != 0;
    if (trails) {
        trailColors_.assign(std::size_t{1} << 16, 0);
        for (int state = 0; state < stateCount_ && state < int(authoring::kPaletteSize); ++state) {
            const authoring::Color& c = palette_[static_cast<std::size_t>(state)];
            for (int age = 0; age < 255; ++age)
                trailColors_[static_cast<std::size_t>(age << 8 | (state + 1))] =
                    Pack(ToColor(c, trailAlpha_[std::size_t(age)] * c.alpha));
        }
    }
    // Cells smaller than a device pixel: one sample per pixel is all the screen can show, and far
    // fewer than the cells (a 2048 x 2048 soup in a pane of a few hundred pixels).
    const float ratio = std::max(canvas_.PixelRatio(), 1.0f);
    const auto samples = [&](float extent, std::int64_t cells) {
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil(extent * ratio)), 1, cells);
    };
    const std::int64_t width = samples(image_.dest.Width(), columns), height = samples(image_.dest.Height(), rows);
    if (width < columns || height < rows) {
        DrawSampledImage(history, grid, width, height, cellColors, opaque, trails);
        return;
    }
    image_.columns = static_cast<int>(columns);
    image_.rows = static_cast<int>(rows);
    image_.pixels.assign(static_cast<std::size_t>(columns * rows), 0);
    auto pixelRow = [&](std::int64_t y, std::int64_t fromX) {
        return image_.pixels.data() + (y - visible_.y0) * columns + (fromX - visible_.x0);
    };
    history.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::HistoryLayer::Chunk& chunk) {
        ForVisibleRows(cx, cy, visible_, [&](std::int64_t y, std::int64_t fromX, std::int64_t toX, int i) {
            std::uint32_t* out = pixelRow(y, fromX);
            for (std::int64_t x = fromX; x <= toX; ++x, ++i, ++out) *out = trailColors_[chunk.values[i]];
        });
    });
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount == 0) return;
        ForVisibleRows(cx, cy, visible_, [&](std::int64_t y, std::int64_t fromX, std::int64_t toX, int i) {
            std::uint32_t* out = pixelRow(y, fromX);
            if (opaque) {
                for (std::int64_t x = fromX; x <= toX; ++x, ++i, ++out) {
                    const std::uint8_t state = chunk.cells[i];
                    const std::uint32_t keep = state == 0 ? ~0u : 0u;
                    *out = (*out & keep) | cellColors[state];
                }
                return;
            }
            for (std::int64_t x = fromX; x <= toX; ++x, ++i, ++out) {
                const std::uint8_t state = chunk.cells[i];
                if (state != 0) *out = Over(cellColors[state], *out);
            }
        });
    });
    canvas_.DrawCellImage(image_, grid_);
}

void SurfacePainter::DrawSampledImage(const core::HistoryLayer& history, const core::ChunkGrid& grid,
                                      std::int64_t width, std::int64_t height,
                                      const std::array<std::uint32_t, 256>& cellColors, bool opaque, bool trails) {
    const std::int64_t columns = visible_.x1 - visible_.x0 + 1, rows = visible_.y1 - visible_.y0 + 1;
    image_.columns = static_cast<int>(width);
    image_.rows = static_cast<int>(height);
    image_.pixels.resize(static_cast<std::size_t>(width * height));
    // The cell under each sample's centre, as nearest-neighbour scaling would pick it. Columns are
    // kept as a chunk column (from the first visible one) and an offset in the chunk.
    const std::int32_t firstChunkX = core::ChunkOf(static_cast<std::int32_t>(visible_.x0));
    sampleChunk_.resize(static_cast<std::size_t>(width));
    sampleLocal_.resize(static_cast<std::size_t>(width));
    for (std::int64_t j = 0; j < width; ++j) {
        const auto x = static_cast<std::int32_t>(visible_.x0 + (2 * j + 1) * columns / (2 * width));
        sampleChunk_[std::size_t(j)] = core::ChunkOf(x) - firstChunkX;
        sampleLocal_[std::size_t(j)] = static_cast<std::uint8_t>(core::LocalOf(x));
    }
    const std::int32_t chunkColumns = core::ChunkOf(static_cast<std::int32_t>(visible_.x1)) - firstChunkX + 1;
    rowCells_.assign(static_cast<std::size_t>(chunkColumns), nullptr);
    rowTrails_.assign(static_cast<std::size_t>(chunkColumns), nullptr);
    std::int64_t loadedChunkRow = INT64_MIN;
    for (std::int64_t i = 0; i < height; ++i) {
        const auto y = static_cast<std::int32_t>(visible_.y0 + (2 * i + 1) * rows / (2 * height));
        const std::int32_t cy = core::ChunkOf(y);
        if (cy != loadedChunkRow) {
            loadedChunkRow = cy;
            for (std::int32_t k = 0; k < chunkColumns; ++k) {
                const core::Chunk64* chunk = grid.FindChunk(firstChunkX + k, cy);
                rowCells_[std::size_t(k)] = chunk != nullptr && chunk->liveCount != 0 ? chunk : nullptr;
                rowTrails_[std::size_t(k)] = trails ? history.FindChunk(firstChunkX + k, cy) : nullptr;
            }
        }
        const int rowStart = core::LocalOf(y) * core::kChunkSide;
        std::uint32_t* out = image_.pixels.data() + i * width;
        for (std::int64_t j = 0; j < width; ++j, ++out) {
            const auto k = static_cast<std::size_t>(sampleChunk_[std::size_t(j)]);
            const int at = rowStart + sampleLocal_[std::size_t(j)];
            const core::HistoryLayer::Chunk* trail = rowTrails_[k];
            const std::uint32_t under = trail != nullptr ? trailColors_[trail->values[std::size_t(at)]] : 0;
            const core::Chunk64* cells = rowCells_[k];
            const std::uint8_t state = cells != nullptr ? cells->cells[std::size_t(at)] : 0;
            *out = state == 0 ? under : opaque ? cellColors[state] : Over(cellColors[state], under);
        }
    }
    canvas_.DrawCellImage(image_, grid_);
}

void SurfacePainter::DrawAnnotations(const core::AnnotationLayer& annotations) {
    batch_.clear();
    const float margin = std::clamp(camera_.cellSize * 0.15f, 0.0f, 3.0f);
    annotations.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::AnnotationLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::AnnotationLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint16_t value) {
                const int marker = value & 0xFF;
                if (marker < 1 || marker > 8) return;
                ColorF color = kMarkerColors[static_cast<std::size_t>(marker - 1)];
                color.alpha = 0.85f;
                batch_.push_back({CellRectAt(x, y, margin), color});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawLineage(const core::LineageLayer& lineage) {
    if (camera_.cellSize < 6) return;
    batch_.clear();
    const float margin = camera_.cellSize * 0.35f;
    lineage.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::LineageLayer::Chunk& chunk) {
        ForVisibleCells(
            cx, cy, chunk, visible_, [](const core::LineageLayer::Chunk& c, int i) { return c.values[i]; },
            [&](std::int64_t x, std::int64_t y, std::uint8_t id) {
                if (id < 1 || id > 8) return;
                ColorF color = kMarkerColors[static_cast<std::size_t>(id - 1)];
                color.alpha = 0.9f;
                batch_.push_back({CellRectAt(x, y, margin), color});
            });
    });
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

void SurfacePainter::DrawCellBoxes(const std::vector<std::pair<std::int32_t, std::int32_t>>& cells, float margin,
                                   ColorF color) {
    batch_.clear();
    for (const auto& [x, y] : cells)
        if (visible_.Contains(x, y)) batch_.push_back({CellRectAt(x, y, margin), color});
    if (!batch_.empty()) canvas_.DrawCells(batch_, grid_);
}

}  // namespace shell
