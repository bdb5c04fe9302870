#include <algorithm>

#include "authoring/editor.h"

namespace authoring {

EditorSnapshot Editor::CaptureEditorState(bool includeRule) const {
    EditorSnapshot s;
    s.sourceGrid = doc_.source.grid;
    s.sourceAnnotations = doc_.source.annotations;
    s.sourceLineage = doc_.source.lineage;
    s.tabs = doc_.tabs;
    for (PatternSequence& tab : s.tabs) tab.DropComputedData();
    s.stateColors = doc_.colors;
    s.selectedTab = doc_.selectedTab;
    s.tabBarScroll = doc_.tabBarScroll;
    s.stateCount = static_cast<std::uint8_t>(doc_.rule.stateCount);
    s.symmetry = doc_.rule.symmetry;
    s.includesRule = includeRule;
    s.changeStateCount = s.stateCount;
    if (includeRule)
        for (std::uint64_t i = 0; i < doc_.rule.table.size(); ++i)
            if (doc_.rule.table[i]) s.ruleOutputs.push_back({i, doc_.rule.table[i]});
    return s;
}

void Editor::PushSnapshotRecord(EditorSnapshot snapshot) {
    undoStack_.push_back(std::move(snapshot));
    if (undoStack_.size() > kMaxUndoSnapshots) undoStack_.erase(undoStack_.begin());
    unsavedChanges_ = true;
}

void Editor::PushSnapshot(bool includeRule) { PushSnapshotRecord(CaptureEditorState(includeRule)); }

void Editor::BeginEdit(bool includeRule) {
    PushSnapshot(includeRule);
    redoStack_.clear();
}

EditorSnapshot Editor::RuleChangeRecord(const std::vector<RuleChange>& changes) const {
    EditorSnapshot s;
    s.isRuleChange = true;
    s.changeStateCount = static_cast<std::uint8_t>(doc_.rule.stateCount);
    s.previousOutputs.reserve(changes.size());
    for (const RuleChange& change : changes) s.previousOutputs.push_back({change.index, doc_.rule.table[change.index]});
    s.changeSourceGrid = doc_.source.grid;
    return s;
}

void Editor::PushRuleChangeSnapshot(const std::vector<RuleChange>& changes) {
    PushSnapshotRecord(RuleChangeRecord(changes));
}

EditorSnapshot Editor::RestoreSnapshot(const EditorSnapshot& s) {
    if (s.isRuleChange) {
        EditorSnapshot inverse = RuleChangeRecord(s.previousOutputs);
        WriteChanges(s.previousOutputs);
        doc_.source.Replace(doc_.rule, s.changeSourceGrid, doc_.source.annotations, doc_.source.lineage);
        RebuildPatternSequencesFrom(0);
        return inverse;
    }
    EditorSnapshot inverse = CaptureEditorState(s.includesRule);
    Document next;
    next.rule.stateCount = s.stateCount;
    next.rule.symmetry = s.symmetry;
    if (s.includesRule || s.stateCount != doc_.rule.stateCount) {
        core::AllocateRuleTable(next.rule.table, s.stateCount, "restoring this snapshot", 0);
        for (const RuleChange& entry : s.ruleOutputs) next.rule.table[entry.index] = entry.state;
    } else {
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
    return inverse;
}

EditOutcome Editor::Undo() { return RestoreTop(undoStack_, redoStack_); }

EditOutcome Editor::Redo() { return RestoreTop(redoStack_, undoStack_); }

// Restores the top of `from` and keeps its inverse on `to`; a failed restore keeps the stacks.
EditOutcome Editor::RestoreTop(std::vector<EditorSnapshot>& from, std::vector<EditorSnapshot>& to) {
    if (from.empty()) return EditOutcome::Refused;
    EditorSnapshot top = std::move(from.back());
    from.pop_back();
    try {
        to.push_back(RestoreSnapshot(top));
    } catch (...) {
        from.push_back(std::move(top));
        throw;
    }
    unsavedChanges_ = true;
    return EditOutcome::Changed;
}

void Editor::InstallDocument(Document next) {
    next.selectedTab = std::clamp(next.selectedTab, 0, static_cast<std::int32_t>(next.tabs.size()));
    doc_ = std::move(next);
    PrepareCaches();
    brushState_ = static_cast<std::uint8_t>(std::min<int>(brushState_, doc_.rule.stateCount - 1));
    doc_.source.ResetHistory(doc_.rule);
    RebuildPatternSequencesFrom(0);
}

}  // namespace authoring
