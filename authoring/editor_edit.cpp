#include "authoring/editor_edit.h"

#include <algorithm>

namespace authoring {

void Editor::Journal::Open(std::vector<RuleChange>* to) {
    entries = to;
    seen.clear();
    for (const RuleChange& change : *to) seen.insert(change.index);
}

void Editor::Journal::Close() {
    entries = nullptr;
    seen.clear();
}

void Editor::Journal::Note(std::uint64_t index, std::uint8_t old) {
    if (entries && seen.insert(index).second) entries->push_back({index, old});
}

Editor::Edit::Edit(Editor& editor, EditorSnapshot record, bool startsStroke)
    : editor_(editor), record_(std::move(record)), startsStroke_(startsStroke) {
    Save(false);
    if (!record_->HoldsWholeRule()) editor_.journal_.Open(&record_->previousOutputs);
}

Editor::Edit::Edit(Editor& editor, Replacement) : editor_(editor) {
    // The reset's record already holds the session this replacement ends.
    if (editor_.startScreenRecord_) {
        record_ = std::move(editor_.startScreenRecord_);
        editor_.startScreenRecord_.reset();
        tookStartScreenRecord_ = true;
    } else {
        record_ = editor_.CaptureEditorState(true);
    }
    Save(true);
}

Editor::Edit::Edit(Editor& editor) : editor_(editor), joins_(true) {
    Save(false);
    EditorSnapshot& top = editor_.undoStack_.back();
    joinedOutputs_ = top.previousOutputs.size();
    if (!top.HoldsWholeRule()) editor_.journal_.Open(&top.previousOutputs);
}

void Editor::Edit::Save(bool wholeDocument) {
    Editor& e = editor_;
    // An edit inside another would stack two records for one user action.
    e.journal_.Close();
    e.rollbackJournal_.Close();
    wholeDocument_ = wholeDocument;
    if (wholeDocument) {
        before_ = std::move(e.doc_);
    } else {
        before_.rule.stateCount = e.doc_.rule.stateCount;
        before_.rule.symmetry = e.doc_.rule.symmetry;
        before_.colors = e.doc_.colors;
        before_.source = e.doc_.source;
        before_.tabs = e.doc_.tabs;
        before_.selectedTab = e.doc_.selectedTab;
        before_.tabBarScroll = e.doc_.tabBarScroll;
        if (joins_ || !record_->HoldsWholeRule()) e.rollbackJournal_.Open(&replacedOutputs_);
    }
    frames_ = e.frames_;
    undefined_ = e.undefined_;
    randomizer_ = e.randomizer_;
    redo_ = std::move(e.redoStack_);
    e.redoStack_.clear();
    stateId_ = e.stateId_;
    strokeRecordOnTop_ = e.strokeRecordOnTop_;
    linkChainGroup_ = e.linkChainGroup_;
}

void Editor::Edit::Commit() {
    Editor& e = editor_;
    e.journal_.Close();
    e.rollbackJournal_.Close();
    committed_ = true;
    e.startScreenRecord_.reset();
    e.strokeRecordOnTop_ = joins_ || startsStroke_;
    if (joins_) return;
    if (record_) {
        e.undoStack_.push_back(std::move(*record_));
        if (e.undoStack_.size() > kMaxUndoSnapshots) e.undoStack_.erase(e.undoStack_.begin());
    }
    e.MarkEdited();
}

void Editor::Edit::SetAside() {
    Editor& e = editor_;
    e.journal_.Close();
    e.rollbackJournal_.Close();
    committed_ = true;
    e.strokeRecordOnTop_ = false;
    e.startScreenRecord_ = std::move(record_);
    e.redoStack_ = std::move(redo_);
}

Editor::Edit::~Edit() {
    if (!committed_) Rollback();
}

void Editor::Edit::Rollback() {
    Editor& e = editor_;
    e.journal_.Close();
    e.rollbackJournal_.Close();
    if (wholeDocument_) {
        e.doc_ = std::move(before_);
    } else {
        core::RuleTable& table = e.doc_.rule.table;
        if (!joins_ && record_->HoldsWholeRule()) {
            std::fill(table.begin(), table.end(), std::uint8_t{0});
            for (const RuleChange& entry : record_->ruleOutputs)
                if (entry.index < table.size()) table[entry.index] = entry.state;
        } else {
            for (const RuleChange& change : replacedOutputs_)
                if (change.index < table.size()) table[change.index] = change.state;
        }
        e.doc_.rule.stateCount = before_.rule.stateCount;
        e.doc_.rule.symmetry = before_.rule.symmetry;
        e.doc_.colors = before_.colors;
        e.doc_.source = std::move(before_.source);
        e.doc_.tabs = std::move(before_.tabs);
        e.doc_.selectedTab = before_.selectedTab;
        e.doc_.tabBarScroll = before_.tabBarScroll;
    }
    if (joins_) e.undoStack_.back().previousOutputs.resize(joinedOutputs_);
    e.frames_ = std::move(frames_);
    e.undefined_ = std::move(undefined_);
    e.randomizer_ = std::move(randomizer_);
    e.redoStack_ = std::move(redo_);
    e.stateId_ = stateId_;
    if (tookStartScreenRecord_) e.startScreenRecord_ = std::move(record_);
    e.strokeRecordOnTop_ = strokeRecordOnTop_;
    e.linkChainGroup_ = linkChainGroup_;
    if (strokeCell_) e.strokeCells_.erase(*strokeCell_);
    e.PrepareCaches();
}

}  // namespace authoring
