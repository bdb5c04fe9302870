#pragma once

#include <string>
#include <vector>

#include "shell/canvas.h"

namespace shell::testing {

// Records every drawing call; text widths are 8 px per byte.
class RecordingCanvas : public Canvas {
public:
    struct Text {
        std::string text;
        RectF rect;
        TextFormat format;
        ColorF color;
    };
    struct Outline {
        RectF rect;
        ColorF color;
        float stroke;
    };
    struct Batch {
        std::vector<CellInstance> cells;
        RectF clip;
    };
    std::vector<std::pair<RectF, ColorF>> fills;
    std::vector<Outline> outlines;
    std::vector<Text> texts;
    std::vector<Batch> batches;
    std::vector<CellImage> images;
    int clipDepth = 0;

    void FillRect(const RectF& rect, const ColorF& color) override { fills.emplace_back(rect, color); }
    void OutlineRect(const RectF& rect, const ColorF& color, float stroke) override { outlines.push_back({rect, color, stroke}); }
    void DrawWrappedText(std::string_view text, const RectF& rect, TextFormat format, const ColorF& color) override {
        texts.push_back({std::string(text), rect, format, color});
    }
    void DrawText(std::string_view text, const RectF& rect, TextFormat format, const ColorF& color, HAlign,
                  VAlign) override {
        texts.push_back({std::string(text), rect, format, color});
    }
    float MeasureTextWidth(std::string_view text, TextFormat) override { return 8.0f * float(text.size()); }
    void DrawCells(const std::vector<CellInstance>& cells, const RectF& clip) override { batches.push_back({cells, clip}); }
    void DrawCellImage(const CellImage& image, const RectF&) override { images.push_back(image); }
    void PushClip(const RectF&) override { ++clipDepth; }
    void PopClip() override { --clipDepth; }

    const Text* FindText(const std::string& text) const {
        for (const Text& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }
};

}  // namespace shell::testing
