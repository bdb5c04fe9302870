#include <algorithm>
#include <stdexcept>

#include "authoring/editor.h"

namespace authoring {

namespace {

// Records are applied only to the rule they were taken from; anything else would write outside
// the table or give outputs a meaning they never had.
void RequireStateCount(int recorded, int current) {
    if (recorded != current) throw std::runtime_error("This undo step belongs to a rule with another state count.");
}

}  // namespace

EditorSnapshot Editor::CaptureEditorState(bool includeRule) const {
    EditorSnapshot s;
    s.sourceGrid = doc_.source.grid.WithoutHistory();
    s.sourceAnnotations = doc_.source.annotations;
    s.sourceLineage = doc_.source.lineage;
    s.tabs = doc_.tabs;
    for (PatternSequence& tab : s.tabs) {
        tab.DropComputedData();
        // Pins belong to a running frame randomizer, which every restore ends.
        tab.keyframeOverrides.clear();
    }
    s.stateColors = doc_.colors;
    s.selectedTab = doc_.selectedTab;
    s.tabBarScroll = doc_.tabBarScroll;
    s.stateCount = static_cast<std::uint8_t>(doc_.rule.stateCount);
    s.symmetry = doc_.rule.symmetry;
    s.includesRule = includeRule;
    s.changeStateCount = s.stateCount;
    s.stateId = stateId_;
    if (includeRule)
        for (std::uint64_t i = 0; i < doc_.rule.table.size(); ++i)
            if (doc_.rule.table[i]) s.ruleOutputs.push_back({i, doc_.rule.table[i]});
    return s;
}

void Editor::WriteOutput(std::uint64_t index, std::uint8_t state) {
    if (index >= doc_.rule.table.size() || state >= doc_.rule.stateCount) return;
    std::uint8_t& output = doc_.rule.table[index];
    if (output == state) return;
    journal_.Note(index, output);
    rollbackJournal_.Note(index, output);
    output = state;
}

void Editor::WriteChanges(const std::vector<RuleChange>& changes) {
    for (const RuleChange& change : changes) WriteOutput(change.index, change.state);
}

EditorSnapshot Editor::RuleChangeRecord(const std::vector<RuleChange>& changes) const {
    EditorSnapshot s;
    s.isRuleChange = true;
    s.changeStateCount = static_cast<std::uint8_t>(doc_.rule.stateCount);
    s.previousOutputs.reserve(changes.size());
    for (const RuleChange& change : changes)
        if (change.index < doc_.rule.table.size()) s.previousOutputs.push_back({change.index, doc_.rule.table[change.index]});
    s.changeSourceGrid = doc_.source.grid.WithoutHistory();
    s.brokenMarkers.reserve(doc_.tabs.size());
    for (const PatternSequence& tab : doc_.tabs) {
        s.brokenMarkers.push_back(tab.brokenMarkers);
        s.generationTargets.push_back(tab.generationTarget);
    }
    s.stateId = stateId_;
    return s;
}

EditorSnapshot Editor::RestoreSnapshot(const EditorSnapshot& s) {
    if (s.isRuleChange) {
        RequireStateCount(s.changeStateCount, doc_.rule.stateCount);
        EditorSnapshot inverse = RuleChangeRecord(s.previousOutputs);
        journal_.Open(&inverse.previousOutputs);
        WriteChanges(s.previousOutputs);
        if (s.brokenMarkers.size() == doc_.tabs.size())
            for (std::size_t i = 0; i < doc_.tabs.size(); ++i) {
                doc_.tabs[i].brokenMarkers = s.brokenMarkers[i];
                doc_.tabs[i].generationTarget = s.generationTargets[i];
            }
        doc_.source.Replace(doc_.rule, s.changeSourceGrid, doc_.source.annotations, doc_.source.lineage);
        RebuildPatternSequencesFrom(0);
        journal_.Close();
        return inverse;
    }
    if (!s.includesRule) RequireStateCount(s.stateCount, doc_.rule.stateCount);
    EditorSnapshot inverse = CaptureEditorState(s.includesRule);
    Document next;
    next.rule.stateCount = s.stateCount;
    next.rule.symmetry = s.symmetry;
    if (s.includesRule) {
        core::AllocateRuleTable(next.rule.table, s.stateCount, "restoring this snapshot", 0);
        for (const RuleChange& entry : s.ruleOutputs)
            if (entry.index < next.rule.table.size() && entry.state < s.stateCount)
                next.rule.table[entry.index] = entry.state;
    } else {
        for (const RuleChange& change : s.previousOutputs)
            if (change.index < doc_.rule.table.size())
                inverse.previousOutputs.push_back({change.index, doc_.rule.table[change.index]});
        journal_.Open(&inverse.previousOutputs);
        WriteChanges(s.previousOutputs);
        next.rule.table = std::move(doc_.rule.table);
    }
    next.colors = s.stateColors;
    next.tabs = s.tabs;
    next.selectedTab = s.selectedTab;
    next.tabBarScroll = s.tabBarScroll;
    next.source.annotations = s.sourceAnnotations;
    next.source.lineage = s.sourceLineage;
    next.source.grid = s.sourceGrid;
    next.source.patternSize = doc_.source.patternSize;
    next.source.density = doc_.source.density;
    InstallDocument(std::move(next));
    journal_.Close();
    return inverse;
}

EditOutcome Editor::Undo() { return RestoreTop(undoStack_, redoStack_); }

EditOutcome Editor::Redo() { return RestoreTop(redoStack_, undoStack_); }

// Restores the top of `from` and keeps its inverse on `to`; a failed restore keeps the stacks.
EditOutcome Editor::RestoreTop(std::vector<EditorSnapshot>& from, std::vector<EditorSnapshot>& to) {
    if (from.empty()) return EditOutcome::Refused;
    EndFrameRandomizer();
    startScreenRecord_.reset();
    strokeRecordOnTop_ = false;
    EditorSnapshot top = std::move(from.back());
    from.pop_back();
    try {
        to.push_back(RestoreSnapshot(top));
    } catch (...) {
        journal_.Close();
        from.push_back(std::move(top));
        throw;
    }
    stateId_ = top.stateId;
    return EditOutcome::Changed;
}

void Editor::InstallDocument(Document next) {
    next.selectedTab = std::clamp(next.selectedTab, 0, static_cast<std::int32_t>(next.tabs.size()));
    doc_ = std::move(next);
    PrepareCaches();
    doc_.source.ResetHistory(doc_.rule);
    RebuildPatternSequencesFrom(0);
}

}  // namespace authoring
