#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/camera.h"
#include "core/chunk_grid.h"
#include "core/color.h"
#include "core/overlay_layer.h"
#include "core/rule_change.h"
#include "core/rule_table.h"
#include "formats/binary_io.h"
#include "formats/constraint_records.h"

namespace formats {

inline constexpr std::uint8_t kSessionPatternTab = 0;
inline constexpr std::uint8_t kSessionConstraintTab = 1;

// One tab as stored: its start pattern, view and, for constraint tabs, the constraint data.
struct SessionPatternRecord {
    std::uint8_t kind = kSessionPatternTab;
    std::string name;  // UTF-8
    core::Camera camera;
    std::uint32_t currentGeneration = 0;
    std::uint32_t generationTarget = 0;
    core::ChunkGrid startGrid;
    core::AnnotationLayer startAnnotations;
    core::LineageLayer startLineage;
    // Written for constraint tabs only.
    std::int32_t selectedVariable = -1;
    std::int32_t nextLinkGroup = 1;
    std::vector<ConstraintVariable> variables;
    std::vector<ConstraintEntry> entries;
};

// The whole session as the file holds it; generations, locks and histories are recomputed.
struct SessionSnapshot {
    std::uint8_t stateCount = 0;
    std::uint8_t symmetry = 4;
    // Equal to patterns.size() when the rule editor page is selected.
    std::int32_t selectedTab = 0;
    float tabScrollOffset = 0.0f;
    core::ChunkGrid sourceGrid;
    core::AnnotationLayer sourceAnnotations;
    core::LineageLayer sourceLineage;
    std::array<core::Color, 16> colors{};
    bool colorsStored = false;
    // Every non-zero table entry, ascending by index when written by the editor; or, with
    // ruleEntriesKeepCentre (RULE encoding 2), only the entries that differ from their block's
    // centre, every other block keeping its centre.
    std::vector<core::RuleChange> ruleEntries;
    bool ruleEntriesKeepCentre = false;
    std::vector<SessionPatternRecord> patterns;
};

// Limits a reader enforces before it allocates.
inline constexpr std::uint32_t kSessionMaxPatterns = 4096;
inline constexpr std::uint32_t kSessionMaxChunks = 1048576;
inline constexpr std::uint32_t kSessionMaxTextBytes = 65536;
inline constexpr std::uint32_t kSessionMaxVariables = 4096;
inline constexpr std::uint32_t kSessionMaxAllowedStates = 16;
inline constexpr std::uint32_t kSessionMaxConstraintEntries = 1048576;

// The non-zero entries of a table, ascending.
std::vector<core::RuleChange> CollectRuleEntries(const core::RuleTable& table);

// Past this many non-zero entries a session lists only those that differ from their centre.
inline constexpr std::uint64_t kSessionMaxPlainRuleEntries = 16777216;
// Sets the snapshot's rule entries and their encoding from a table of stateCount^9 entries.
void CollectSessionRule(const core::RuleTable& table, int stateCount, SessionSnapshot& snapshot);
// Writes the table the snapshot's entries describe into `table`, zero-filled and of the
// snapshot's size.
void ApplySessionRule(const SessionSnapshot& snapshot, core::RuleTable& table);

void WriteGridPayload(BinaryWriter& writer, const core::ChunkGrid& grid);
// For AnnotationLayer (16-bit values) and LineageLayer (8-bit values).
template <class Layer>
void WriteOverlayPayload(BinaryWriter& writer, const Layer& layer);
extern template void WriteOverlayPayload<core::AnnotationLayer>(BinaryWriter&, const core::AnnotationLayer&);
extern template void WriteOverlayPayload<core::LineageLayer>(BinaryWriter&, const core::LineageLayer&);

// The whole .tavses file.
std::vector<std::uint8_t> SerializeSession(const SessionSnapshot& snapshot);

// Validates everything before returning; throws std::runtime_error with a user-facing message
// ("Unexpected end of file.", "Not a Tavrix .tavses file.", "Corrupt .tavses file: ...", ...).
SessionSnapshot ParseSession(std::span<const std::uint8_t> bytes);
SessionSnapshot ParseSession(std::string_view bytes);

}  // namespace formats
