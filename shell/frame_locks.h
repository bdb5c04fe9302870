#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "authoring/canonical_index_cache.h"
#include "authoring/editor.h"
#include "shell/surface_camera.h"

namespace shell {

// The lock state a viewer frame's outline shows.
enum class FrameLockState {
    RandomizerEnd,  // magenta: the frame randomizer's last frame
    SomeVisibleUnlocked,  // cyan
    AllLocked,       // green
    Partial,         // blue
};

// Lock questions about the cells of the current tab's viewer frames: whether the transition that
// produced a cell is locked for its generation. The one place that reads the tab's lock tables.
class FrameLocks {
public:
    bool IsCellNeighborhoodLocked(const authoring::Editor& editor, std::size_t frame, std::int32_t x,
                                  std::int32_t y);
    // Visits every cell of the frame's generation that a transition of the previous one
    // produced, with whether that transition is locked; the all-background neighbourhood is
    // skipped. Nothing for generation 0 or for generations not computed.
    void ForEachProducedCell(const authoring::Editor& editor, std::size_t frame,
                             const std::function<void(std::int32_t, std::int32_t, bool)>& visit);
    FrameLockState StateOf(const authoring::Editor& editor, std::size_t frame, const VisibleCells& visible);

private:
    const authoring::PatternSequence* ShownTab(const authoring::Editor& editor) const;
    void Prepare(const authoring::Editor& editor);

    authoring::CanonicalIndexCache cache_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace shell
