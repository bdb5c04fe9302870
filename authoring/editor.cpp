#include "authoring/editor.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>
#include <utility>

#include "authoring/constraint_tab.h"
#include "authoring/editor_edit.h"
#include "authoring/neighborhood_scan.h"
#include "core/step_grid.h"
#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "formats/rle.h"

namespace authoring {

namespace {

constexpr int kNewSoupSide = 32;

double SoupDensity(int stateCount) { return 1.0 - 1.0 / stateCount; }

}  // namespace

Editor::Editor(ViewSize gridArea, std::uint32_t seed) : gridArea_{gridArea}, seed_(seed) {
    // Two runs of the frame randomizer must differ, also across sessions.
    randomizer_.seed = std::random_device{}() ^
                       static_cast<std::uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    CreateDocument(3, core::kSymmetryD8, "initializing the editor");
}

void Editor::SetFrameArea(int lookahead, ViewSize gridArea) {
    gridArea_ = gridArea;
    const int frames = std::clamp(lookahead, 0, int(kViewerFrameCount));
    if (frames == lookahead_) return;
    lookahead_ = frames;
    SyncViewerFrames();
}

const PatternSequence& Document::SelectedTab() const {
    if (tabs.empty()) throw std::runtime_error("No pattern tabs are available.");
    const auto selected = static_cast<std::size_t>(std::max(selectedTab, 0));
    return tabs[std::min(selected, tabs.size() - 1)];
}

PatternSequence& Document::SelectedTab() {
    return const_cast<PatternSequence&>(std::as_const(*this).SelectedTab());
}

bool Editor::ShowsPatternTab() const {
    return !doc_.tabs.empty() && !doc_.RuleEditorPageSelected() && doc_.SelectedTab().IsPattern();
}

void Editor::PrepareCaches() { canonical_.Prepare(doc_.rule.symmetry, doc_.rule.stateCount); }

SequenceSteps Editor::Steps() {
    SequenceSteps steps;
    steps.grid = [this](const core::ChunkGrid& previous, core::ChunkGrid& next) {
        core::StepGrid(doc_.rule, previous, next, stepScratch_);
    };
    steps.history = core::StepHistory;
    steps.lineage = core::StepLineages;
    steps.locks = [this](const core::ChunkGrid& grid, PackedLockTable& table, std::vector<std::uint64_t>& added) {
        AdvanceLockTable(grid, table, added, doc_.rule.symmetry, doc_.rule.stateCount, lockScratch_);
    };
    return steps;
}

Camera Editor::NewTabCamera(float divisor) const {
    const float side = std::min(std::max(gridArea_.width, 1.0f), std::max(gridArea_.height, 1.0f));
    return Camera{4.5f, 4.5f, std::max(4.0f, side / divisor)};
}

void Editor::ResetTabsTo(const std::string& name) {
    doc_.tabs.clear();
    PatternSequence tab;
    tab.name = name;
    tab.camera = NewTabCamera(4.0f);
    doc_.tabs.push_back(std::move(tab));
    doc_.selectedTab = 0;
    doc_.tabBarScroll = 0;
}

namespace {

// A document of an empty rule, or of an imported one: a soup in the viewer and one empty tab.
Document NewDocument(core::Rule rule, const Palette& colors, std::uint32_t seed, const std::string& tabName,
                     const Camera& camera) {
    Document next;
    next.colors = colors;
    next.source.Randomize(rule, kNewSoupSide, SoupDensity(rule.stateCount), seed);
    next.rule = std::move(rule);
    PatternSequence tab;
    tab.name = tabName;
    tab.camera = camera;
    next.tabs.push_back(std::move(tab));
    return next;
}

}  // namespace

void Editor::CreateDocument(int stateCount, core::RuleSymmetry symmetry, std::string_view purpose) {
    core::RuleTable table;
    core::AllocateRuleTable(table, stateCount, purpose, 0);
    InstallDocument(NewDocument(core::Rule{stateCount, symmetry, std::move(table)}, DefaultPalette(), seed_, "",
                                NewTabCamera(4.0f)));
    ++seed_;
}

void Editor::CreateRule(int stateCount, core::RuleSymmetry symmetry) {
    // The new table is allocated before anything changes, so a refusal leaves the session whole.
    core::RuleTable table;
    core::AllocateRuleTable(table, stateCount, "creating this rule", 0);
    ReplaceDocument(NewDocument(core::Rule{stateCount, symmetry, std::move(table)}, DefaultPalette(), seed_, "",
                                NewTabCamera(4.0f)));
    ++seed_;
}

void Editor::AdoptImportedRule(formats::ImportedGollyRule imported, const formats::RlePattern* pattern) {
    Palette colors = DefaultPalette();
    for (const formats::ImportedStateColor& c : imported.colors)
        if (c.state < kPaletteSize) colors[c.state] = c.color;
    core::ChunkGrid start;
    if (pattern) {
        if (const std::string refusal = PatternStateRefusal(*pattern, imported.stateCount); !refusal.empty())
            throw std::runtime_error(refusal);
        start = PatternGrid(*pattern);
    }
    Document next = NewDocument(core::Rule{imported.stateCount, imported.symmetry, std::move(imported.table)}, colors,
                                seed_, "Imported Rule", NewTabCamera(4.0f));
    if (pattern) {
        next.tabs[0].startGrid = std::move(start);
        next.tabs[0].camera = CameraOnPattern(*pattern, next.tabs[0].camera);
    }
    ReplaceDocument(std::move(next));
    ++seed_;
}

void Editor::ReplaceDocument(Document next) {
    Edit edit(*this, Edit::Replacement{});
    EndFrameRandomizer();
    InstallDocument(std::move(next));
    edit.Commit();
    MarkSaved();
}

void Editor::ResetToStartScreen() {
    // A second reset keeps the session from before the first.
    Edit edit(*this, startScreenRecord_ ? *startScreenRecord_ : CaptureEditorState(true));
    EndFrameRandomizer();
    doc_.rule.symmetry = core::kSymmetryD8;
    PrepareCaches();
    doc_.source.Replace(doc_.rule, core::ChunkGrid(), core::AnnotationLayer(), core::LineageLayer());
    ResetTabsTo("");
    RebuildPatternSequencesFrom(0);
    edit.SetAside();
}

bool Editor::ExtendRule(int newStateCount) {
    const int oldCount = doc_.rule.stateCount;
    if (newStateCount <= oldCount || newStateCount > core::kMaxStateCount) return false;
    EndFrameRandomizer();
    core::RuleTable table;
    core::AllocateRuleTable(table, newStateCount, "extending this rule", doc_.rule.table.size());
    for (std::uint64_t i = 0; i < doc_.rule.table.size(); ++i)
        if (const std::uint8_t output = doc_.rule.table[i])
            table[core::NeighborhoodIndex(core::DecodeNeighborhoodIndex(i, oldCount), newStateCount)] = output;
    doc_.rule.table = std::move(table);
    doc_.rule.stateCount = newStateCount;
    const Palette defaults = DefaultPalette();
    for (int s = oldCount; s < newStateCount; ++s) doc_.colors[s] = defaults[s];
    // Markers name transitions by index: they must follow the new base to ever resolve.
    for (PatternSequence& tab : doc_.tabs)
        for (BrokenMarker& marker : tab.brokenMarkers)
            marker.transition =
                core::NeighborhoodIndex(core::DecodeNeighborhoodIndex(marker.transition, oldCount), newStateCount);
    PrepareCaches();
    startScreenRecord_.reset();
    strokeRecordOnTop_ = false;
    undoStack_.clear();
    redoStack_.clear();
    doc_.source.ResetHistory(doc_.rule);
    MarkEdited();
    RebuildPatternSequencesFrom(0);
    return true;
}

void Editor::RebuildPatternSequencesFrom(std::uint64_t startIndex) {
    if (doc_.tabs.empty()) return;
    PrepareCaches();
    UnifyConstraintVariables(doc_.tabs, doc_.rule.stateCount);
    const std::size_t start = static_cast<std::size_t>(std::min<std::uint64_t>(startIndex, doc_.tabs.size() - 1));
    const std::size_t driving = std::min(static_cast<std::size_t>(std::max(doc_.selectedTab, 0)), doc_.tabs.size() - 1);
    const std::uint64_t entryCount = core::RuleTableSize(doc_.rule.stateCount);
    PackedLockTable lockUnion(entryCount);
    lockUnion.Insert(0);
    const SequenceSteps steps = Steps();
    LockBookkeeping bookkeeping(canonical_);
    for (std::size_t i = 0; i < doc_.tabs.size(); ++i) {
        PatternSequence& tab = doc_.tabs[i];
        if (!tab.IsPattern()) {
            ApplyConstraintTab(tab, lockUnion);
            continue;
        }
        if (i < start) {
            for (std::uint64_t index : tab.ownLockedTransitions) lockUnion.Insert(index);
            continue;
        }
        if (i == driving) tab.generationTarget = std::max(tab.generationTarget, tab.currentGeneration + lookahead_);
        GenerateSequence(tab, entryCount, lockUnion, steps);
        bookkeeping.RefreshPatternLockDeltaSources(tab, lockUnion);
        if (i == driving) {
            lockUnion = tab.locks.Last();
        } else {
            for (std::uint64_t index : tab.ownLockedTransitions) lockUnion.Insert(index);
            tab.DropComputedData();
        }
    }
    SyncViewerFrames();
    undefined_.stale = true;
    if (doc_.RuleEditorPageSelected()) RecountUndefinedTransitions();
}

void Editor::EnsureSequenceGenerations(std::uint64_t count) {
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern()) return;
    ExtendSequence(tab, count, core::RuleTableSize(doc_.rule.stateCount), Steps());
}

void Editor::SyncViewerFrames() {
    for (ViewerFrame& frame : frames_) frame = ViewerFrame();
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return;
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern()) return;
    const std::size_t before = tab.generations.size();
    EnsureSequenceGenerations(static_cast<std::uint64_t>(tab.currentGeneration) + lookahead_);
    LockBookkeeping bookkeeping(canonical_);
    if (tab.generations.size() != before) bookkeeping.RefreshPatternLockDeltaSources(tab, tab.locks.Base());
    bookkeeping.ResolvePendingMarkers(tab);
    for (int i = 0; i < lookahead_; ++i) {
        const std::size_t g = static_cast<std::size_t>(tab.currentGeneration) + i;
        if (g >= tab.generations.size()) break;
        ViewerFrame& frame = frames_[i];
        frame.grid = tab.generations[g];
        if (g < tab.histories.size()) frame.history = tab.histories[g];
        frame.annotations = tab.annotations;
        if (g < tab.lineages.size()) frame.lineage = tab.lineages[g];
    }
}

void Editor::TrimSequenceToViewer() {
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return;
    PatternSequence& tab = CurrentTab();
    if (!tab.IsPattern()) return;
    const std::size_t keep = std::min(static_cast<std::size_t>(std::max(tab.currentGeneration, 0)) + lookahead_,
                                      tab.generations.size());
    if (keep < tab.generations.size()) {
        tab.generations.resize(keep);
        tab.histories.resize(std::min(keep, tab.histories.size()));
        tab.lineages.resize(std::min(keep, tab.lineages.size()));
        tab.locks.Truncate(keep);
    }
    tab.generationTarget = static_cast<std::int32_t>(keep);
    LockBookkeeping bookkeeping(canonical_);
    bookkeeping.RefreshPatternLockDeltaSources(tab, tab.locks.Base());
    bookkeeping.ResolvePendingMarkers(tab);
}

void PatternSequence::DropComputedData() {
    generations.clear();
    histories.clear();
    lineages.clear();
    locks.Clear();
    expansions.clear();
}

void PatternSequence::SetKeyframeOverride(std::uint64_t generation, const core::ChunkGrid& grid) {
    for (KeyframeOverride& pinned : keyframeOverrides)
        if (pinned.generation == generation) {
            pinned.grid = grid;
            return;
        }
    keyframeOverrides.push_back({generation, grid});
}

}  // namespace authoring
