// Constraint tabs: their place in the chain and the editing operations of their panel.
#include <algorithm>

#include "authoring/constraint_tab.h"
#include "authoring/editor_edit.h"

namespace authoring {

void Editor::ApplyConstraintTab(PatternSequence& tab, PackedLockTable& lockUnion) {
    EvaluateConstraintTab(tab, lockUnion, doc_.rule, canonical_);
    for (const ConstraintEntryExpansion& expansion : tab.expansions) WriteChanges(expansion.changes);
    for (std::uint64_t index : tab.ownLockedTransitions) lockUnion.Insert(index);
}

PatternSequence* Editor::SelectedConstraintTab() {
    if (doc_.tabs.empty() || doc_.RuleEditorPageSelected()) return nullptr;
    PatternSequence& tab = CurrentTab();
    return tab.IsPattern() ? nullptr : &tab;
}

void Editor::ZeroEntryChanges(const PatternSequence& tab, std::size_t fromEntry) {
    for (std::size_t e = fromEntry; e < tab.expansions.size(); ++e)
        for (const RuleChange& change : tab.expansions[e].changes)
            WriteOutput(change.index, 0);
}

void Editor::ReapplyEntries(PatternSequence& tab, std::size_t fromEntry) {
    EvaluateConstraintTab(tab, tab.locks.Base(), doc_.rule, canonical_);
    for (std::size_t e = fromEntry; e < tab.expansions.size(); ++e) WriteChanges(tab.expansions[e].changes);
    doc_.source.Rewind(doc_.rule);
    RebuildPatternSequencesFrom(0);
}

EditOutcome Editor::AddConstraintEntry() {
    PatternSequence* tab = SelectedConstraintTab();
    if (!tab) return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(true));
    SelectedConstraintTab()->entries.emplace_back();
    RebuildPatternSequencesFrom(0);
    edit.Commit();
    return EditOutcome::Changed;
}

bool Editor::StatesFitRule(const std::vector<std::uint8_t>& states) const {
    return std::all_of(states.begin(), states.end(), [&](std::uint8_t s) { return s < doc_.rule.stateCount; });
}

EditOutcome Editor::MakeVariable(const std::vector<std::uint8_t>& states) {
    if (!SelectedConstraintTab() || states.empty() || !StatesFitRule(states)) return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(false));
    PatternSequence& tab = *SelectedConstraintTab();
    std::vector<std::uint8_t> sorted = states;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    tab.variables.push_back({false, PositionalVariableName(tab.variables.size()), sorted});
    tab.selectedVariable = static_cast<std::int32_t>(tab.variables.size() - 1);
    linkChainGroup_ = 0;
    UnifyConstraintVariables(doc_.tabs, doc_.rule.stateCount);
    RebuildPatternSequencesFrom(0);
    edit.Commit();
    return EditOutcome::Changed;
}

EditOutcome Editor::EditVariableStates(std::size_t variable, const std::vector<std::uint8_t>& states) {
    PatternSequence* tab = SelectedConstraintTab();
    // A variable without states matches nothing and could not be written for Golly.
    if (!tab || variable == 0 || variable >= tab->variables.size() || states.empty() || !StatesFitRule(states))
        return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(true));
    const std::string name = SelectedConstraintTab()->variables[variable].name;
    std::vector<std::uint8_t> sorted = states;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (PatternSequence& each : doc_.tabs) {
        if (each.IsPattern()) continue;
        ZeroEntryChanges(each, 0);
        for (std::size_t v = 1; v < each.variables.size(); ++v)
            if (each.variables[v].name == name) each.variables[v].allowedStates = sorted;
    }
    RebuildPatternSequencesFrom(0);
    edit.Commit();
    return EditOutcome::Changed;
}

void Editor::SelectVariable(std::int32_t variable) {
    if (PatternSequence* tab = SelectedConstraintTab())
        tab->selectedVariable = variable >= 0 && static_cast<std::size_t>(variable) < tab->variables.size() ? variable : -1;
    linkChainGroup_ = 0;
}

EditOutcome Editor::DeleteConstraintEntry(std::size_t entry) {
    PatternSequence* tab = SelectedConstraintTab();
    if (!tab || entry >= tab->entries.size()) return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(true));
    PatternSequence& edited = *SelectedConstraintTab();
    ZeroEntryChanges(edited, entry);
    edited.entries.erase(edited.entries.begin() + static_cast<std::ptrdiff_t>(entry));
    ReapplyEntries(edited, entry);
    edit.Commit();
    return EditOutcome::Changed;
}

EditOutcome Editor::MoveConstraintEntry(std::size_t from, std::size_t to, bool firstMoveOfDrag) {
    PatternSequence* tab = SelectedConstraintTab();
    if (!tab || from >= tab->entries.size() || to >= tab->entries.size() || from == to) return EditOutcome::Refused;
    std::optional<Edit> edit;
    // The moves of one drag join the record of its first.
    if (firstMoveOfDrag || !strokeRecordOnTop_ || undoStack_.empty())
        edit.emplace(*this, CaptureEditorState(true), true);
    else
        edit.emplace(*this);
    PatternSequence& edited = *SelectedConstraintTab();
    ZeroEntryChanges(edited, 0);
    const formats::ConstraintEntry moved = edited.entries[from];
    edited.entries.erase(edited.entries.begin() + static_cast<std::ptrdiff_t>(from));
    edited.entries.insert(edited.entries.begin() + static_cast<std::ptrdiff_t>(to), moved);
    ReapplyEntries(edited, 0);
    edit->Commit();
    return EditOutcome::Changed;
}

PatternSequence* Editor::SlotEditTab(std::size_t entry, int slot) {
    PatternSequence* tab = SelectedConstraintTab();
    if (!tab || entry >= tab->entries.size() || slot < 0 || slot >= kConstraintSlots) return nullptr;
    // An output whose every transition is locked elsewhere cannot be set.
    if (slot == kOutputSlot && entry < tab->expansions.size() && tab->expansions[entry].touchesLocked &&
        tab->expansions[entry].changes.empty())
        return nullptr;
    return tab;
}

EditOutcome Editor::CycleSlotState(std::size_t entry, int slot, bool back, const Brush& brush) {
    if (!SlotEditTab(entry, slot)) return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(true));
    PatternSequence& tab = *SelectedConstraintTab();
    ZeroEntryChanges(tab, entry);
    formats::ConstraintSlot& cell = tab.entries[entry].slots[slot];
    const std::uint8_t old = cell.isVariable ? 0 : cell.state;
    cell = {false, NextPaintState(old, back, brush), -1, 0};
    ReapplyEntries(tab, entry);
    edit.Commit();
    return EditOutcome::Changed;
}

EditOutcome Editor::SetSlotToVariable(std::size_t entry, int slot, bool linked) {
    const PatternSequence* checked = SlotEditTab(entry, slot);
    if (!checked || checked->selectedVariable < 0 ||
        static_cast<std::size_t>(checked->selectedVariable) >= checked->variables.size())
        return EditOutcome::Refused;
    Edit edit(*this, CaptureEditorState(true));
    PatternSequence& tab = *SelectedConstraintTab();
    ZeroEntryChanges(tab, entry);
    formats::ConstraintEntry& target = tab.entries[entry];
    formats::ConstraintSlot& cell = target.slots[slot];
    const std::int32_t selected = tab.selectedVariable;
    if (linked) {
        if (linkChainGroup_ == 0) linkChainGroup_ = static_cast<std::int32_t>(tab.nextLinkGroup++);
        cell = {true, 0, selected, linkChainGroup_};
    } else if (slot == kOutputSlot) {
        StepOutputLink(tab, target);
    } else {
        cell = {true, 0, selected, 0};
    }
    ReapplyEntries(tab, entry);
    edit.Commit();
    return EditOutcome::Changed;
}

}  // namespace authoring
