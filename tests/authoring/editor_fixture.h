#pragma once

// Small editors the editor tests start from, and what they compare.
#include <initializer_list>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "authoring/editor.h"
#include "core/symmetry.h"
#include "formats/session_file.h"

namespace authoring::testing {

// Paints the start cells of the current tab in one stroke.
inline void PaintStart(Editor& editor, std::initializer_list<std::pair<int, int>> cells, std::int32_t dy = 0) {
    editor.BeginStroke();
    for (const auto& [x, y] : cells) editor.PaintStartCell(x, y + dy, false);
}

// Two states (or `states`) under `symmetry`, the empty rule; tab 0 holds a row of three cells.
inline Editor RowEditor(core::RuleSymmetry symmetry = 0, int states = 2) {
    Editor editor(ViewSize{}, 5);
    editor.CreateRule("", states, symmetry, "creating this rule");
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
    return editor;
}

// A second tab holds the same row at y = 5, and tab 0's generation-1 centre was repainted, so
// tab 1 carries a broken marker. Tab `selected` is shown.
inline Editor MarkedEditor(core::RuleSymmetry symmetry = 0, std::size_t selected = 1) {
    Editor editor = RowEditor(symmetry);
    editor.NewPatternTab();
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}}, 5);
    editor.SelectTab(0);
    editor.BeginStroke();
    editor.PaintFrameCell(1, 1, 0, false);
    editor.SelectTab(selected);
    return editor;
}

inline std::uint64_t Index2(const core::Neighborhood& d) { return core::NeighborhoodIndex(d, 2); }

inline std::vector<std::uint8_t> Saved(const Editor& editor) { return formats::SerializeSession(editor.ToSession()); }

inline formats::SessionSnapshot SessionOf(const Editor& editor) {
    const std::vector<std::uint8_t> bytes = Saved(editor);
    return formats::ParseSession(std::span<const std::uint8_t>(bytes));
}

}  // namespace authoring::testing
