#pragma once

// The edit transaction of Editor, for its own sources only.
#include <optional>

#include "authoring/editor.h"

namespace authoring {

// One edit of the document, from taking its undo record to its end. It takes the record (or
// joins the one the current stroke started), sets the redo records aside and journals every
// rule write. Committed, the record goes on the undo stack and the redo records are dropped;
// ended otherwise (refused, or thrown out of by a rebuild), everything it changed goes back as
// it was, record included. Rule writes after its end belong to no record.
class Editor::Edit {
public:
    // Replacements of the whole document take the start screen's record when one is held.
    struct Replacement {};

    Edit(Editor& editor, EditorSnapshot record, bool startsStroke = false);
    Edit(Editor& editor, Replacement);
    // Joins the record of the stroke on top.
    explicit Edit(Editor& editor);
    Edit(const Edit&) = delete;
    Edit& operator=(const Edit&) = delete;
    ~Edit();

    // The edit of a stroke: joins the stroke's record, or takes a new one that starts it.
    template <class MakeRecord>
    static void OfStroke(std::optional<Edit>& edit, Editor& editor, MakeRecord&& makeRecord) {
        if (editor.strokeRecordOnTop_ && !editor.undoStack_.empty()) edit.emplace(editor);
        else edit.emplace(editor, makeRecord(), true);
    }

    // A stroke's cell, forgotten again if the edit does not stand.
    void ForgetOnRollback(const StrokeCell& cell) { strokeCell_ = cell; }
    void Commit();
    // Ends the edit keeping its changes but, instead of a record on the undo stack, the record
    // held for the replacement that follows; the history and the saved state stay as they were.
    void SetAside();

private:
    void Save(bool wholeDocument);
    void Rollback();

    Editor& editor_;
    std::optional<EditorSnapshot> record_;
    bool joins_ = false;
    bool startsStroke_ = false;
    bool committed_ = false;
    // What a rollback puts back. The rule table is restored from the record when it holds the
    // whole rule, from the outputs the edit replaced otherwise; a replacement keeps the old
    // document whole.
    Document before_;
    bool wholeDocument_ = false;
    std::vector<RuleChange> replacedOutputs_;
    std::size_t joinedOutputs_ = 0;
    std::array<ViewerFrame, kViewerFrameCount> frames_;
    UndefinedList undefined_;
    FrameRandomizer randomizer_;
    std::vector<EditorSnapshot> redo_;
    std::uint64_t stateId_ = 0;
    bool tookStartScreenRecord_ = false;
    bool strokeRecordOnTop_ = false;
    std::int32_t linkChainGroup_ = 0;
    std::optional<StrokeCell> strokeCell_;
};

}  // namespace authoring
