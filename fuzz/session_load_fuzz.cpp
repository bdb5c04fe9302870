// Sessions the reader accepts go through the editor: loaded, undone, redone, recounted and saved;
// the saved bytes must read back. A load that throws must leave the editor as it was.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <stdexcept>
#include <vector>

#include "authoring/editor.h"
#include "formats/session_file.h"

namespace {

// Loading scans the box around a grid's chunks, generation after generation.
bool Compact(const core::ChunkGrid& grid) {
    std::int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64&) {
        x0 = std::min<std::int64_t>(x0, cx), y0 = std::min<std::int64_t>(y0, cy);
        x1 = std::max<std::int64_t>(x1, cx), y1 = std::max<std::int64_t>(y1, cy);
    });
    return grid.ChunkCount() == 0 || (x1 - x0 + 1) * (y1 - y0 + 1) <= 64;
}

// Bounds the work one input may ask for: a rule table of at most 5 states (two million entries),
// a few tabs, small grids, short runs, and constraint entries with few assignments.
bool SmallEnough(const formats::SessionSnapshot& s) {
    if (s.stateCount > 5 || s.patterns.size() > 8 || !Compact(s.sourceGrid)) return false;
    for (const formats::SessionPatternRecord& p : s.patterns) {
        if (!Compact(p.startGrid) || p.currentGeneration > 40 || p.generationTarget > 40 || p.entries.size() > 8) return false;
        for (const formats::ConstraintEntry& e : p.entries) {
            std::uint64_t assignments = 1;
            for (const formats::ConstraintSlot& slot : e.slots) {
                const auto v = static_cast<std::size_t>(slot.variable);
                if (slot.isVariable && slot.variable >= 0 && v < p.variables.size())
                    assignments *= std::max<std::size_t>(p.variables[v].allowedStates.size(), 1);
            }
            if (assignments > 100000) return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> Saved(const authoring::Editor& editor) {
    return formats::SerializeSession(editor.ToSession());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    formats::SessionSnapshot session;
    try {
        session = formats::ParseSession(std::span<const std::uint8_t>(data, size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (!SmallEnough(session)) return 0;

    authoring::Editor editor;
    const std::vector<std::uint8_t> before = Saved(editor);
    try {
        editor.LoadSession(session);
    } catch (const std::exception&) {
        if (Saved(editor) != before) __builtin_trap();
        return 0;
    }
    const std::vector<std::uint8_t> loaded = Saved(editor);
    if (editor.Undo() != authoring::EditOutcome::Changed || Saved(editor) != before) __builtin_trap();
    if (editor.Redo() != authoring::EditOutcome::Changed || Saved(editor) != loaded) __builtin_trap();
    editor.UpdateUndefinedList(authoring::kUndefinedPageSize);
    if (editor.Undefined().entries.size() > editor.Undefined().count) __builtin_trap();
    try {
        const formats::SessionSnapshot again = formats::ParseSession(std::span<const std::uint8_t>(loaded));
        if (formats::SerializeSession(again) != loaded) __builtin_trap();
    } catch (const std::runtime_error&) {
        __builtin_trap();
    }
    return 0;
}
