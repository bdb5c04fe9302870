#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/color.h"

namespace shell {

struct RectF {
    float left = 0, top = 0, right = 0, bottom = 0;
    float Width() const { return right - left; }
    float Height() const { return bottom - top; }
    bool Contains(float x, float y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const RectF&, const RectF&) = default;
};

// Colours drawn are the model's colours: straight alpha, channels 0..1.
using ColorF = core::Color;

// The four text formats: label 17 px medium, compact label 13 px medium, banner 30 px
// semibold, title 22 px semibold (at 96 dpi).
enum class TextFormat { Label, CompactLabel, Banner, Title };
enum class HAlign { Leading, Trailing, Centre };
enum class VAlign { Near, Far, Centre };

// One record of the batched cell pipeline: a rectangle in client pixels and its colour.
struct CellInstance {
    RectF rect;
    ColorF color;
};

// Cells seen from far away, one pixel per cell: RGBA bytes in memory order (red lowest), rows top
// down, stretched over `dest` without smoothing. Cheaper than a rectangle per cell once cells are tiny.
struct CellImage {
    RectF dest;
    int columns = 0, rows = 0;
    std::vector<std::uint32_t> pixels;
};

// Everything MainWindowView draws goes through this; a recording fake checks drawing in tests.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void FillRect(const RectF& rect, const ColorF& color) = 0;
    virtual void OutlineRect(const RectF& rect, const ColorF& color, float strokeWidth) = 0;
    // Centred in the rectangle, wrapped at its width.
    virtual void DrawWrappedText(std::string_view text, const RectF& rect, TextFormat format, const ColorF& color) = 0;
    virtual void DrawText(std::string_view text, const RectF& rect, TextFormat format, const ColorF& color,
                          HAlign h, VAlign v) = 0;
    virtual float MeasureTextWidth(std::string_view text, TextFormat format) = 0;
    // One batched draw of cell rectangles, clipped to `clip`; empty batches draw nothing.
    virtual void DrawCells(const std::vector<CellInstance>& cells, const RectF& clip) = 0;
    virtual void DrawCellImage(const CellImage& image, const RectF& clip) = 0;
    // Device pixels per unit of the rectangles above (2 on a desktop scaled to 200 %).
    virtual float PixelRatio() const { return 1; }
    virtual void PushClip(const RectF& rect) = 0;
    virtual void PopClip() = 0;
};

}  // namespace shell
