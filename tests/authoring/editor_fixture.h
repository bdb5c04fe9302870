#pragma once

// Small editors the editor tests start from, what they compare, and the lock step from its definition.
#include <algorithm>
#include <climits>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "authoring/editor.h"
#include "authoring/packed_lock_table.h"
#include "core/chunk_grid.h"
#include "core/symmetry.h"
#include "formats/session_file.h"

namespace authoring::testing {

inline SurfaceRef Frame(std::size_t frame) { return {Surface::TabFrame, frame}; }
inline constexpr SurfaceRef kViewer{Surface::Viewer, 0};

// A stroke of one cell.
inline EditOutcome Stroke(Editor& editor, const SurfaceRef& where, int x, int y, bool back = false,
                          const Brush& brush = {}) {
    editor.BeginStroke();
    return editor.PaintCell(where, x, y, back, brush);
}

// Paints the start cells of the current tab (shown from generation 0) in one stroke.
inline void PaintStart(Editor& editor, std::initializer_list<std::pair<int, int>> cells, std::int32_t dy = 0) {
    editor.BeginStroke();
    for (const auto& [x, y] : cells) editor.PaintCell(Frame(0), x, y + dy, false);
}

// A new rule of `states` under `symmetry` from an editor whose soups start from `seed`.
inline Editor NewRule(int states, core::RuleSymmetry symmetry, std::uint32_t seed = 1) {
    Editor editor(ViewSize{}, seed);
    editor.CreateRule(states, symmetry);
    return editor;
}

// Two states (or `states`) under `symmetry`, the empty rule; tab 0 holds a row of three cells.
inline Editor RowEditor(core::RuleSymmetry symmetry = 0, int states = 2) {
    Editor editor = NewRule(states, symmetry, 5);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}});
    return editor;
}

// A second tab holds the same row at y = 5, and tab 0's generation-1 centre was repainted, so
// tab 1 carries a broken marker. Tab `selected` is shown.
inline Editor MarkedEditor(core::RuleSymmetry symmetry = 0, std::size_t selected = 1) {
    Editor editor = RowEditor(symmetry);
    editor.NewTab(PatternKind::Pattern);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 0}}, 5);
    editor.SelectTab(0);
    Stroke(editor, Frame(1), 1, 0);
    editor.SelectTab(selected);
    return editor;
}

// Three states under D8 with a small blob in tab 0, everything else undefined.
inline Editor BlobEditor() {
    Editor editor(ViewSize{}, 4);
    PaintStart(editor, {{0, 0}, {1, 0}, {2, 1}, {1, 2}});
    return editor;
}

inline std::uint64_t Index2(const core::Neighborhood& d) { return core::NeighborhoodIndex(d, 2); }

inline std::vector<std::uint8_t> Saved(const Editor& editor) { return formats::SerializeSession(editor.ToSession()); }

inline formats::SessionSnapshot SessionOf(const Editor& editor) {
    const std::vector<std::uint8_t> bytes = Saved(editor);
    return formats::ParseSession(std::span<const std::uint8_t>(bytes));
}

// What a user could tell apart: the saved session and the markers, which sessions do not store.
// The selected tab is left out: selecting is not an edit, and rule-change steps leave it be.
struct EditorState {
    std::vector<std::uint8_t> session;
    std::vector<std::vector<BrokenMarker>> markers;
    friend bool operator==(const EditorState&, const EditorState&) = default;
};

inline EditorState StateOf(const Editor& editor) {
    formats::SessionSnapshot session = editor.ToSession();
    session.selectedTab = 0;
    EditorState state{formats::SerializeSession(session), {}};
    for (const PatternSequence& tab : editor.Doc().tabs) {
        std::vector<BrokenMarker> markers = tab.brokenMarkers;
        // Markers found before their generation was computed get their cells later: same marker.
        for (BrokenMarker& m : markers) m = {m.transition, m.sourceGeneration, m.brokenGeneration, 0, 0, false};
        std::sort(markers.begin(), markers.end(),
                  [](const BrokenMarker& a, const BrokenMarker& b) { return a.transition < b.transition; });
        markers.erase(std::unique(markers.begin(), markers.end()), markers.end());
        state.markers.push_back(std::move(markers));
    }
    return state;
}

// The lock step straight from its definition, for the tests of the faster code that computes it.
inline core::Neighborhood DigitsAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) {
    core::Neighborhood digits{};
    for (int k = 0; k < 9; ++k) digits[k] = grid.CellAt(x + k % 3 - 1, y + k / 3 - 1);
    return digits;
}

// `previous` plus the orbit of every neighbourhood of the box around the grid's chunks, one cell
// wider on every side, whose canonical index `previous` lacks.
inline PackedLockTable DenseLockStep(const core::ChunkGrid& grid, const PackedLockTable& previous,
                                     core::RuleSymmetry symmetry, int states) {
    PackedLockTable next = previous;
    std::int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64&) {
        x0 = std::min(x0, cx), y0 = std::min(y0, cy), x1 = std::max(x1, cx), y1 = std::max(y1, cy);
    });
    for (std::int64_t y = std::int64_t{y0} * 64 - 1; y <= std::int64_t{y1} * 64 + 64; ++y)
        for (std::int64_t x = std::int64_t{x0} * 64 - 1; x <= std::int64_t{x1} * 64 + 64; ++x) {
            const core::Neighborhood digits = DigitsAt(grid, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            if (previous.Contains(core::CanonicalIndex(symmetry, states, digits))) continue;
            for (std::uint64_t member : core::NeighborhoodOrbit(symmetry, states, digits)) next.Insert(member);
        }
    return next;
}

}  // namespace authoring::testing
