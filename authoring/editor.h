#pragma once

#include <array>
#include <climits>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "authoring/canonical_index_cache.h"
#include "authoring/neighborhood_scan.h"
#include "authoring/palette.h"
#include "authoring/pattern_sequence.h"
#include "authoring/sequence_engine.h"
#include "authoring/source_run.h"
#include "authoring/undefined_transitions.h"
#include "core/rule_table.h"

namespace formats {
struct ImportedGollyRule;
struct RlePattern;
struct SessionSnapshot;
}  // namespace formats

namespace authoring {

inline constexpr std::size_t kViewerFrameCount = 15;
inline constexpr std::size_t kMaxUndoSnapshots = 128;
inline constexpr std::size_t kUndefinedPageSize = 50;

// The editable document: what snapshots capture and sessions store.
struct Document {
    core::Rule rule;
    Palette colors = DefaultPalette();
    SourceRun source;
    std::vector<PatternSequence> tabs;
    // tabs.size() selects the rule editor page.
    std::int32_t selectedTab = 0;
    float tabBarScroll = 0;

    bool RuleEditorPageSelected() const { return selectedTab >= static_cast<std::int32_t>(tabs.size()); }
    // The selected tab, or the last one while the rule editor page is selected; throws without tabs.
    const PatternSequence& SelectedTab() const;
    PatternSequence& SelectedTab();
};

struct ViewerFrame {
    core::ChunkGrid grid;
    core::HistoryLayer history;
    core::AnnotationLayer annotations;
    core::LineageLayer lineage;
};

// One undo or redo record: the whole document (full kind) or the old outputs of a few
// transitions with the source grid and the broken markers (rule-change kind). Rule outputs an
// edit changes besides its own (constraint tabs re-applied by the rebuild) are journaled into
// previousOutputs of either kind, so a restore brings the whole rule back.
struct EditorSnapshot {
    core::ChunkGrid sourceGrid;
    core::AnnotationLayer sourceAnnotations;
    core::LineageLayer sourceLineage;
    std::vector<PatternSequence> tabs;
    Palette stateColors{};
    std::int32_t selectedTab = 0;
    float tabBarScroll = 0;
    std::vector<RuleChange> ruleOutputs;
    std::uint8_t stateCount = 0;
    std::uint8_t symmetry = 0;
    bool includesRule = false;
    std::vector<RuleChange> previousOutputs;
    core::ChunkGrid changeSourceGrid;
    std::uint8_t changeStateCount = 0;
    bool isRuleChange = false;
    // Rule-change kind: what a rule edit changes in every tab besides its generations: the broken
    // markers, and how far the tab runs (it grows to reach the locks the new rule leads to).
    std::vector<std::vector<BrokenMarker>> brokenMarkers;
    std::vector<std::int32_t> generationTargets;
    // Identifies the document state this record restores, for the saved mark.
    std::uint64_t stateId = 0;

    // A record holding the whole rule needs no journal of the outputs an edit replaces.
    bool HoldsWholeRule() const { return includesRule && !isRuleChange; }
};

struct UndefinedList {
    PackedLockTable lockUnion;
    std::uint64_t count = 0;
    std::uint64_t scanCursor = 0;
    std::vector<UndefinedEntry> entries;
    bool stale = true;
};

// "12345 undefined transitions (50 loaded)  |  D8 (isotropic)".
std::string UndefinedStatusText(const UndefinedList& list, core::RuleSymmetry symmetry);

// Size in pixels of the grid area; new tabs size their cells from it.
struct ViewSize {
    float width = 800;
    float height = 600;
    friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

// What a paint click puts into a cell. With the state bar shown: `state` (clamped to the rule),
// or 0 over a cell that has it already; otherwise the next state around (back: the previous).
struct Brush {
    bool stateBarShown = false;
    std::uint8_t state = 1;
};

// Where a gesture happens: the pattern viewer, or a viewer frame of the current tab.
enum class Surface { Viewer, TabFrame };
struct SurfaceRef {
    Surface surface = Surface::Viewer;
    std::size_t frame = 0;
};

// Inclusive rectangle between two corner cells, in any order.
struct CellRect {
    std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

enum class SelectionConversion { CellsToMarkers, MarkersToCells };
enum class SourceStep { Forward, Back, Rewind };

// The last generation of a frame randomizer range that stays on until it is ended.
inline constexpr std::int32_t kOpenGenerationEnd = INT32_MAX;

// Where the lock jump went: the tab that owns the transition and, for a pattern tab, the frame
// and cell where it first uses it.
struct LockJumpTarget {
    std::size_t tab = 0;
    std::size_t frame = 0;
    std::optional<std::pair<std::int32_t, std::int32_t>> cell;
};

// Outcome of a user edit: refused edits make the window beep.
enum class EditOutcome { Changed, Unchanged, Refused };

// The window-free editor: owns the document and every authoring operation on it. It never
// asks questions or beeps; refused operations say so in their result. Every edit is one undo
// step, or joins the step of the stroke it belongs to; an edit that throws changes nothing.
class Editor {
public:
    // Starts with a 3-state D8 rule. `seed` drives the soups this editor makes.
    explicit Editor(ViewSize gridArea = {}, std::uint32_t seed = 1);

    const Document& Doc() const { return doc_; }
    const std::array<ViewerFrame, kViewerFrameCount>& Frames() const { return frames_; }
    // Stale once the rule or the locks change, until UpdateUndefinedList (or the rule editor page).
    const UndefinedList& Undefined() const { return undefined_; }
    // Unsaved unless the document is the one last saved, loaded or created (undo can return to it).
    bool UnsavedChanges() const { return stateId_ != savedStateId_; }
    void MarkSaved() { savedStateId_ = stateId_; }
    std::size_t UndoDepth() const { return undoStack_.size(); }
    bool RedoAvailable() const { return !redoStack_.empty(); }

    // The viewer frames in use (15, 9, or 0 while the pattern viewer is maximized) and the size
    // of their grid area, which new tabs size their cells from. The frames follow a new count.
    void SetFrameArea(int lookahead, ViewSize gridArea);

    // --- whole documents: each replaces the session in one undo step and counts as saved
    // A new rule with a soup in the viewer and one empty tab.
    void CreateRule(int stateCount, core::RuleSymmetry symmetry);
    // Not an edit by itself: no undo record, no unsaved change. The document created or loaded
    // next takes the session from before the reset as its undo record, so one undo brings it back.
    void ResetToStartScreen();
    // A new session with one tab "Imported Rule"; with a pattern, the tab starts from it, its
    // camera on it. Throws, changing nothing, for a pattern with a state the rule lacks.
    void AdoptImportedRule(formats::ImportedGollyRule imported, const formats::RlePattern* pattern = nullptr);
    // Throws and changes nothing when the session cannot be loaded.
    void LoadSession(const formats::SessionSnapshot& session);
    formats::SessionSnapshot ToSession() const;
    // False when n is not a larger state count; throws the memory message on failure. Clears
    // the undo history: its records belong to the smaller rule.
    bool ExtendRule(int newStateCount);
    // The rule grouped by the tabs that justify it (annotated) or the lock table, as Golly
    // ruletable text; rebuilds first so the lock records are current.
    std::string BuildTabbedExport(bool annotated);

    // --- the tab chain
    // A new tab after the selected one (constraint tabs start with one empty entry).
    void NewTab(PatternKind kind);
    EditOutcome CloseTab(std::size_t index);
    void SelectTab(std::size_t index);
    // The moves of one drag are one undo step; the tabs are computed again once it ends.
    void MoveTab(std::size_t from, std::size_t to, bool firstMoveOfDrag);
    void EndTabDrag();
    void SetCurrentGeneration(std::int32_t generation);
    void RenameTab(std::size_t index, const std::string& name);
    void SetTabCamera(std::size_t tab, const Camera& camera);
    void SetTabBarScroll(float scroll) { doc_.tabBarScroll = scroll; }

    // --- painting: a stroke (the calls up to the next BeginStroke) is one undo step and changes
    // each cell once
    void BeginStroke();
    // The viewer: the drawn grid becomes the run's generation 0. A frame showing generation 0:
    // the tab's start pattern. A later frame: the output of the transition that produced the
    // cell, over its whole orbit; refused where that transition is locked.
    EditOutcome PaintCell(const SurfaceRef& where, std::int32_t x, std::int32_t y, bool back,
                          const Brush& brush = {});
    EditOutcome PaintMarker(const SurfaceRef& where, std::int32_t x, std::int32_t y, std::uint8_t marker,
                            const Brush& brush = {});
    // Shows the generation of the current tab's first broken marker; `cell` receives the
    // marker's cell when a frame shows it.
    EditOutcome JumpToBrokenMarker(int generationScrollStep, std::optional<std::pair<std::int32_t, std::int32_t>>& cell);
    // The marker on a cell of a frame showing generation 1 or later.
    EditOutcome RemoveBrokenMarker(std::size_t frame, std::int32_t x, std::int32_t y);
    // Shows where the first tab owning the (locked) transition behind a frame cell uses it;
    // nothing when the transition is free for that generation.
    std::optional<LockJumpTarget> JumpToLock(std::size_t frame, std::int32_t x, std::int32_t y,
                                             int generationScrollStep);

    // --- the pattern viewer's run
    // False (the window beeps) stepping back at generation 0 or for patterns too large to keep
    // snapshots. Rewinding computes the later generations again with the current rule.
    bool StepSource(SourceStep step = SourceStep::Forward);
    // A new soup; with `rebuildTabs` the tabs from the selected one are computed again too.
    void RandomizeSource(int size, double density, std::uint32_t seed, bool rebuildTabs);

    // --- pasting, colours and selections
    // Replaces the current pattern tab's start pattern and centres its camera on it; Refused with `refusal` set when the
    // pattern uses a state the rule lacks; throws, changing nothing, when no pattern tab can take
    // it or its cells are too far apart to scan.
    EditOutcome PastePattern(const formats::RlePattern& pattern, std::string& refusal);
    void SetColors(const Palette& colors);
    // Live cells of the selection leave the automaton as markers (marker 0 clears them), or
    // the cells under a marker come back; only on the viewer or a frame showing generation 0.
    EditOutcome ConvertSelection(const SurfaceRef& where, const CellRect& rect, std::uint8_t marker,
                                 SelectionConversion conversion);
    EditOutcome DeleteSelection(const SurfaceRef& where, const CellRect& rect);
    // A new pattern tab holding the selection's cells and overlays, top-left at (0, 0); its index.
    std::size_t CopySelectionToNewTab(const SurfaceRef& where, const CellRect& rect);

    // --- the selected constraint tab
    EditOutcome AddConstraintEntry();
    EditOutcome DeleteConstraintEntry(std::size_t entry);
    EditOutcome MoveConstraintEntry(std::size_t from, std::size_t to, bool firstMoveOfDrag);
    // A variable with the given states and the next positional name; refused without states.
    EditOutcome MakeVariable(const std::vector<std::uint8_t>& states);
    EditOutcome EditVariableStates(std::size_t variable, const std::vector<std::uint8_t>& states);
    // -1 clears the selection; either ends a link chain, so selecting the selected variable again
    // only ends it (Ctrl released: the next Ctrl-click starts a new link group).
    void SelectVariable(std::int32_t variable);
    // The slot becomes a fixed state: the next one around (back: the previous), or the brush's.
    EditOutcome CycleSlotState(std::size_t entry, int slot, bool back, const Brush& brush = {});
    // The slot takes the selected variable. Linked, it joins the link chain (the first link
    // starts a new group); unlinked on the output, it steps to the variable's next occurrence.
    EditOutcome SetSlotToVariable(std::size_t entry, int slot, bool linked);

    // --- the frame randomizer: random outputs for the free transitions behind the frames
    // Draws for the generations from `first` to `last` shown in the frames of the current tab,
    // pinning the generations before each drawn one. A range open to kOpenGenerationEnd stays on
    // until an edit, undo or load ends it.
    EditOutcome RandomizeFrames(std::int32_t first, std::int32_t last);
    // One run of the open range over the frames shown now, e.g. after a generation scroll.
    EditOutcome RandomizeViewerFrames();
    bool FrameRandomizerActive() const { return randomizer_.active; }

    // --- undefined transitions
    // Counts the list afresh when it is stale, then loads `more` entries beyond those loaded.
    void UpdateUndefinedList(std::size_t more = 0);
    void TakeMinrule();
    EditOutcome RandomizeUndefinedTransitions(std::uint32_t seed);
    // The output of the undefined list's card `card` steps forward (back: backward), or to the brush's state.
    EditOutcome CycleUndefinedOutput(std::size_t card, bool back, const Brush& brush = {});

    EditOutcome Undo();
    EditOutcome Redo();

private:
    class Edit;
    friend class Edit;

    SequenceSteps Steps();
    void PrepareCaches();
    PatternSequence& CurrentTab() { return doc_.SelectedTab(); }
    bool ShowsPatternTab() const;
    void CreateDocument(int stateCount, core::RuleSymmetry symmetry, std::string_view purpose);
    // Every rule write goes through here: bounded by the table and the state count, journaled.
    void WriteChanges(const std::vector<RuleChange>& changes);
    void WriteOutput(std::uint64_t index, std::uint8_t state);
    void MarkEdited() { stateId_ = nextStateId_++; }
    EditorSnapshot CaptureEditorState(bool includeRule) const;
    EditorSnapshot RuleChangeRecord(const std::vector<RuleChange>& changes) const;
    // The one way a whole document comes in (create, load, import): undoable, and saved. A
    // refused rebuild leaves the session as it was.
    void ReplaceDocument(Document next);
    // Installs a complete document built elsewhere and recomputes everything derived from it.
    void InstallDocument(Document next);
    void RebuildPatternSequencesFrom(std::uint64_t startIndex);
    void EnsureSequenceGenerations(std::uint64_t count);
    void SyncViewerFrames();
    void TrimSequenceToViewer();
    void RecountUndefinedTransitions();
    void EndFrameRandomizer();
    std::uint8_t NextPaintState(std::uint8_t old, bool back, const Brush& brush) const;
    std::uint16_t NextMarkerValue(std::uint16_t old, std::uint8_t marker, const Brush& brush) const;
    EditOutcome PaintStartCell(std::int32_t x, std::int32_t y, bool back, const Brush& brush);
    EditOutcome PaintFrameCell(std::size_t frame, std::int32_t x, std::int32_t y, bool back, const Brush& brush);
    EditOutcome PaintSourceCell(std::int32_t x, std::int32_t y, bool back, const Brush& brush);
    std::uint64_t NeighborhoodIndexAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) const;
    std::vector<RuleChange> OrbitChanges(const core::Neighborhood& digits, std::uint8_t state) const;
    void ApplyRuleEdit(const std::vector<RuleChange>& changes, std::uint64_t brokenTransition, bool markBroken,
                       std::uint64_t rebuildFrom);
    void ResetTabsTo(const std::string& name);
    Camera NewTabCamera(float divisor) const;
    // Empty when every state of the pattern is in a rule of `stateCount` states.
    static std::string PatternStateRefusal(const formats::RlePattern& pattern, int stateCount);
    // The pattern's cells; throws when they are too far apart to scan.
    static core::ChunkGrid PatternGrid(const formats::RlePattern& pattern);
    // `camera` centred on the pattern's cells, its cells smaller when the pattern would not fit.
    Camera CameraOnPattern(const formats::RlePattern& pattern, Camera camera) const;
    void MarkBrokenInLaterTabs(std::uint64_t transition);
    // The constraint step of the chain: writes the tab's rule changes and adds its locks.
    void ApplyConstraintTab(PatternSequence& tab, PackedLockTable& lockUnion);
    PatternSequence* SelectedConstraintTab();
    bool StatesFitRule(const std::vector<std::uint8_t>& states) const;
    // Outputs the entries from `fromEntry` on wrote go back to 0 before the tab changes.
    void ZeroEntryChanges(const PatternSequence& tab, std::size_t fromEntry);
    void ReapplyEntries(PatternSequence& tab, std::size_t fromEntry);
    // The checks of a slot edit; the edited entry's outputs are zeroed before it changes.
    PatternSequence* SlotEditTab(std::size_t entry, int slot);
    std::size_t InsertTab(PatternSequence tab);
    void RefreshFrameAnnotations();
    std::uint64_t FrameGeneration(const SurfaceRef& where) const;
    using SelectionEdit =
        std::function<bool(core::ChunkGrid&, core::AnnotationLayer&, core::LineageLayer&)>;
    // Runs an undoable edit of the selected pattern's layers; an edit that changes nothing is
    // dropped again unless `keepUnchanged`.
    EditOutcome EditSelection(const SurfaceRef& where, bool keepUnchanged, const SelectionEdit& edit);
    EditorSnapshot RestoreSnapshot(const EditorSnapshot& snapshot);
    EditOutcome RestoreTop(std::vector<EditorSnapshot>& from, std::vector<EditorSnapshot>& to);

    // The old value of each rule output written while it is open, the first one per index.
    struct Journal {
        std::vector<RuleChange>* entries = nullptr;
        std::unordered_set<std::uint64_t> seen;
        void Open(std::vector<RuleChange>* to);
        void Close();
        void Note(std::uint64_t index, std::uint8_t old);
    };

    Document doc_;
    std::array<ViewerFrame, kViewerFrameCount> frames_{};
    UndefinedList undefined_;
    std::vector<EditorSnapshot> undoStack_;
    std::vector<EditorSnapshot> redoStack_;
    // Each edit makes a new document state; the saved one is remembered by its id.
    std::uint64_t stateId_ = 0;
    std::uint64_t savedStateId_ = 0;
    std::uint64_t nextStateId_ = 1;
    // The undo journal (into the open edit's record, or the inverse a restore builds) and the
    // open edit's own, which a rollback writes back.
    Journal journal_;
    Journal rollbackJournal_;
    // The session from before ResetToStartScreen, held off the undo stack until a replacement
    // takes it as its record; dropped by any other edit.
    std::optional<EditorSnapshot> startScreenRecord_;
    // The top undo record belongs to the current stroke: the stroke's later edits join it.
    bool strokeRecordOnTop_ = false;
    // Stroke cells are keyed by surface: a viewer frame's index, or one of these.
    static constexpr std::size_t kStartGridStrokeKey = SIZE_MAX - 1;
    static constexpr std::size_t kViewerStrokeKey = SIZE_MAX;
    using StrokeCell = std::tuple<std::size_t, std::int32_t, std::int32_t>;
    std::set<StrokeCell> strokeCells_;
    ViewSize gridArea_;
    // Viewer frames in use: 15, 9, or 0 while the pattern viewer is maximized.
    int lookahead_ = 9;
    std::uint32_t seed_ = 1;
    CanonicalIndexCache canonical_;
    core::StepScratch stepScratch_;
    LockScanScratch lockScratch_;
    std::int32_t linkChainGroup_ = 0;

    struct FrameRandomizer {
        bool active = false;
        std::int32_t tab = -1;
        std::int32_t from = 0;
        std::int32_t to = 0;
        std::uint32_t seed = 0;
        // Per generation, the classes already drawn in this mode.
        std::unordered_map<std::uint64_t, std::unordered_set<std::uint64_t>> done;
    };
    FrameRandomizer randomizer_;
    std::vector<std::uint8_t> randomizerScratch_;
};

// The rule a parsed session holds; throws the memory message when its table, with
// `workingBytes` besides, does not fit.
core::Rule RuleFromSession(const formats::SessionSnapshot& session, std::uint64_t workingBytes = 0);

// Memory that loading `session` needs besides its rule table, at least: lock records and the
// handles of the generations computed (positions held to `maxGeneration`). The cells of those
// generations depend on where the patterns go and are not foreseen.
std::uint64_t SessionLoadWorkingBytes(const formats::SessionSnapshot& session, std::uint32_t maxGeneration,
                                      int lookahead);

// The union of every tab's own locks and the all-background transition; false without tabs.
bool CollectLockedTransitions(const std::vector<PatternSequence>& tabs, int stateCount, PackedLockTable& out);

}  // namespace authoring
