#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "authoring/generation_locks.h"
#include "authoring/packed_lock_table.h"
#include "core/camera.h"
#include "core/overlay_layer.h"
#include "core/rule_change.h"
#include "formats/constraint_records.h"

namespace authoring {

enum class PatternKind : std::int32_t { Pattern = 0, Constraint = 1 };

using core::RuleChange;

// Where a transition entered a tab's locks, or where a tab first uses it.
struct LockDeltaSource {
    std::uint64_t transition = 0;
    std::uint64_t generation = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const LockDeltaSource&, const LockDeltaSource&) = default;
};

// A later tab that used a transition which has since changed.
struct BrokenMarker {
    std::uint64_t transition = 0;
    std::uint64_t sourceGeneration = 0;
    std::uint64_t brokenGeneration = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool hasCell = false;
    friend bool operator==(const BrokenMarker&, const BrokenMarker&) = default;
};

struct KeyframeOverride {
    std::uint64_t generation = 0;
    core::ChunkGrid grid;
};

struct ConstraintEntryExpansion {
    std::vector<std::uint64_t> transitions;
    std::vector<RuleChange> changes;
    bool touchesLocked = false;
};

using core::Camera;

// A list of records with an index by transition, kept in step.
struct LockSourceList {
    std::vector<LockDeltaSource> items;
    std::unordered_map<std::uint64_t, LockDeltaSource> byTransition;

    void Clear() {
        items.clear();
        byTransition.clear();
    }
    void Add(const LockDeltaSource& source) {
        items.push_back(source);
        byTransition.emplace(source.transition, source);
    }
    const LockDeltaSource* Find(std::uint64_t transition) const {
        const auto it = byTransition.find(transition);
        return it == byTransition.end() ? nullptr : &it->second;
    }
};

// One tab: a drawn start pattern and, while it is viewed, its computed generations.
struct PatternSequence {
    PatternKind kind = PatternKind::Pattern;
    std::string name;
    Camera camera;
    core::ChunkGrid startGrid;
    core::AnnotationLayer annotations;
    core::LineageLayer startLineage;

    // Computed data: a cache, dropped for tabs that are not viewed.
    // The base locks (earlier tabs) and the lock table of every computed generation.
    GenerationLocks locks;
    std::vector<core::ChunkGrid> generations;
    std::vector<core::HistoryLayer> histories;
    std::vector<core::LineageLayer> lineages;
    std::vector<ConstraintEntryExpansion> expansions;

    std::vector<std::uint64_t> ownLockedTransitions;
    LockSourceList lockDeltas;
    LockSourceList firstUses;
    std::vector<BrokenMarker> brokenMarkers;
    std::vector<KeyframeOverride> keyframeOverrides;

    std::vector<formats::ConstraintEntry> entries;
    std::vector<formats::ConstraintVariable> variables;
    std::int32_t selectedVariable = -1;
    std::uint32_t nextLinkGroup = 1;

    std::int32_t currentGeneration = 0;
    std::int32_t generationTarget = 1;

    bool IsPattern() const { return kind == PatternKind::Pattern; }
    void DropComputedData();
    void SetKeyframeOverride(std::uint64_t generation, const core::ChunkGrid& grid);
};

}  // namespace authoring
