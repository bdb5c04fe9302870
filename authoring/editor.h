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
};

struct UndefinedList {
    PackedLockTable lockUnion;
    std::uint64_t count = 0;
    std::uint64_t scanCursor = 0;
    std::vector<UndefinedEntry> entries;
    bool stale = true;
};

// Size in pixels of the grid area; new tabs size their cells from it.
struct ViewSize {
    float width = 800;
    float height = 600;
};

// What the window shows and how it paints, owned by the window and handed to the model, whose
// algorithms read it but never change it.
struct EditorView {
    ViewSize size;
    // Viewer frames in use: 15, 9, or 0 while the pattern viewer is maximized.
    int lookahead = 9;
    bool stateBarShown = false;
    // The state a click paints while the state bar is shown; clamped to the rule where used.
    std::uint8_t brushState = 1;
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

enum class SlotClick { Left, Right, Double };

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
// asks questions or beeps; refused operations say so in their result.
class Editor {
public:
    // Starts with a 3-state D8 rule. `seed` drives the soups this editor makes.
    explicit Editor(ViewSize view = {}, std::uint32_t seed = 1);

    const Document& Doc() const { return doc_; }
    const core::Rule& Rule() const { return doc_.rule; }
    const std::vector<PatternSequence>& Tabs() const { return doc_.tabs; }
    const std::array<ViewerFrame, kViewerFrameCount>& Frames() const { return frames_; }
    const UndefinedList& Undefined() const { return undefined_; }
    // Unsaved unless the document is the one last saved, loaded or created (undo can return to it).
    bool UnsavedChanges() const { return stateId_ != savedStateId_; }
    void MarkSaved() { savedStateId_ = stateId_; }
    std::size_t UndoDepth() const { return undoStack_.size(); }
    std::size_t RedoDepth() const { return redoStack_.size(); }

    // View state the shell owns but the model's algorithms read.
    void SetView(const EditorView& view);
    const EditorView& View() const { return view_; }
    void SetLookaheadFrameCount(int frames);
    void SetStateBarShown(bool shown) { view_.stateBarShown = shown; }
    void SetBrushState(std::uint8_t state) { view_.brushState = state; }
    void SetSeed(std::uint32_t seed) { seed_ = seed; }

    // --- rule creation and extension
    void CreateRule(const std::string& name, int stateCount, core::RuleSymmetry symmetry, std::string_view purpose);
    // The start screen's "Create Rule": undoable, clears the unsaved flag.
    void CreateRuleFromStartScreen(int stateCount, core::RuleSymmetry symmetry);
    void ResetToStartScreen();
    // False when n is not a larger state count; throws the memory message on failure.
    bool ExtendRule(int newStateCount);
    // Adopts an imported Golly rule as a new session with one tab "Imported Rule".
    void AdoptImportedRule(formats::ImportedGollyRule imported);

    // --- the tab chain
    void RebuildPatternSequencesFrom(std::uint64_t startIndex);
    void EnsureSequenceGenerations(std::uint64_t count);
    void SyncViewerFrames();
    void TrimSequenceToViewer();
    // The selected tab, or the last one while the rule editor page is selected.
    PatternSequence& CurrentTab();
    void NewPatternTab();
    EditOutcome CloseTab(std::size_t index);
    void SelectTab(std::size_t index);
    // The first move of a drag is undoable; the shell rebuilds when the drag ends.
    void MoveTab(std::size_t from, std::size_t to, bool firstMoveOfDrag);
    void SetCurrentGeneration(std::int32_t generation);
    void RenameTab(std::size_t index, const std::string& name);

    // --- painting; a stroke pushes at most one snapshot
    void BeginStroke();
    std::uint8_t NextPaintState(std::uint8_t old, bool shift) const;
    // Paints the start pattern of the current tab.
    EditOutcome PaintStartCell(std::int32_t x, std::int32_t y, bool shift);
    // Paints the cell of viewer frame `frame`: changes the transition that produced it.
    EditOutcome PaintFrameCell(std::size_t frame, std::int32_t x, std::int32_t y, bool shift);
    // Whether the neighbourhood of (x, y) in the generation viewer frame `frame` shows is
    // locked: by the table that guards painting that cell on the next frame (the previous
    // generation's, the base for generation 0). For the locked overlay; never allocates.
    bool IsCellNeighborhoodLocked(std::size_t frame, std::int32_t x, std::int32_t y) const;
    // Shows the generation of the current tab's first broken marker; `cell` receives the
    // marker's cell when a frame shows it.
    EditOutcome JumpToBrokenMarker(int generationScrollStep, std::optional<std::pair<std::int32_t, std::int32_t>>& cell);
    bool RuleEditorPageSelected() const;
    // A right press on a marked cell of a frame showing generation 1 or later.
    EditOutcome RemoveBrokenMarker(std::size_t frame, std::int32_t x, std::int32_t y);
    // Double-click on a frame cell: shows where the first tab owning the cell's (locked)
    // transition uses it; nothing when the transition is free for that generation.
    std::optional<LockJumpTarget> JumpToLock(std::size_t frame, std::int32_t x, std::int32_t y,
                                             int generationScrollStep);
    void SetTabCamera(std::size_t tab, const Camera& camera);
    void SetTabBarScroll(float scroll) { doc_.tabBarScroll = scroll; }

    // --- the pattern viewer's source grid
    // State painting on the viewer: the drawn grid becomes the run's generation 0.
    EditOutcome PaintSourceCell(std::int32_t x, std::int32_t y, bool shift);
    void StepSource();
    // False (the window beeps) at generation 0 or for patterns too large to keep snapshots.
    bool StepSourceBack();
    // Back to generation 0; later generations are computed again with the current rule.
    void ResetSource();
    // A new soup; Shift+R also rebuilds the tabs from the selected one and rewinds.
    void RandomizeSource(int size, double density, std::uint32_t seed, bool rebuildTabs);

    // --- pasting and colours
    // Replaces the current pattern tab's start pattern; Refused with `refusal` set when the
    // pattern uses a state the rule lacks; throws, changing nothing, when no pattern tab can take
    // it or its cells are too far apart to scan.
    EditOutcome PastePattern(const formats::RlePattern& pattern, std::string& refusal);
    void SetStateColor(int state, Color color);
    void RestoreDefaultColors();

    // --- markers and selections
    std::uint16_t NextMarkerValue(std::uint16_t old, std::uint8_t marker, std::uint8_t drawState) const;
    EditOutcome PaintMarker(const SurfaceRef& where, std::int32_t x, std::int32_t y, std::uint8_t marker,
                            std::uint8_t drawState);
    // Live cells of the selection leave the automaton as markers (marker 0 clears them).
    EditOutcome CellsToMarkers(const SurfaceRef& where, const CellRect& rect, std::uint8_t marker);
    EditOutcome MarkersToCells(const SurfaceRef& where, const CellRect& rect, std::uint8_t marker);
    EditOutcome DeleteSelection(const SurfaceRef& where, const CellRect& rect);
    // A new pattern tab holding the selection's cells and overlays, top-left at (0, 0); its index.
    std::size_t CopySelectionToNewTab(const SurfaceRef& where, const CellRect& rect);

    // --- constraint tabs (the selected tab must be one); double-clicks on variable slots and
    // chips open the state chooser in the shell, which then calls EditVariableStates
    void NewConstraintTab();
    EditOutcome AddConstraintEntry();
    // A variable with the given states and the next positional name; refused without states.
    EditOutcome MakeVariable(const std::vector<std::uint8_t>& states);
    EditOutcome EditVariableStates(std::size_t variable, const std::vector<std::uint8_t>& states);
    // -1 clears the selection; either ends a link chain.
    void SelectVariable(std::int32_t variable);
    EditOutcome DeleteConstraintEntry(std::size_t entry);
    EditOutcome MoveConstraintEntry(std::size_t from, std::size_t to, bool firstMoveOfDrag);
    EditOutcome ClickConstraintSlot(std::size_t entry, int slot, SlotClick click, bool ctrl, bool shift);
    // Ctrl released: the next Ctrl-click starts a new link group.
    void EndLinkChain() { linkChainGroup_ = 0; }

    // --- frame randomizer; the hovered frame and the keyboard focus come from the shell
    EditOutcome StartFrameRandomizer(bool untilEnd, std::int32_t hoveredFrame, bool focusOnFrames);
    // One run over the visible frames; the shell calls it after every generation scroll.
    EditOutcome RandomizeViewerFrames(bool focusOnFrames);
    void EndFrameRandomizer();
    bool FrameRandomizerActive() const { return randomizer_.active; }
    void SetRandomizerSeed(std::uint32_t seed) { randomizer_.seed = seed; }

    // --- undefined transitions
    void RecountUndefinedTransitions();
    void LoadMoreUndefinedEntries(std::size_t count);
    std::string UndefinedStatusText() const;
    void TakeMinrule();
    EditOutcome RandomizeUndefinedTransitions(std::uint32_t seed);
    EditOutcome ClickUndefinedCard(std::size_t card, bool shift);

    // --- undo
    EditorSnapshot CaptureEditorState(bool includeRule) const;
    void PushSnapshot(bool includeRule);
    void PushRuleChangeSnapshot(const std::vector<RuleChange>& changes);
    EditOutcome Undo();
    EditOutcome Redo();

    // --- exports
    // The rule grouped by the tabs that justify it (annotated) or the lock table, as Golly
    // ruletable text; rebuilds first so the lock records are current.
    std::string BuildTabbedExport(bool annotated);

    // --- sessions
    formats::SessionSnapshot ToSession() const;
    // Replaces the document by a loaded session, or throws and changes nothing.
    void LoadSession(const formats::SessionSnapshot& session);

private:
    SequenceSteps Steps();
    void PrepareCaches();
    // Every rule write goes through here: bounded by the table and the state count, journaled.
    void WriteChanges(const std::vector<RuleChange>& changes);
    void WriteOutput(std::uint64_t index, std::uint8_t state);
    void OpenJournal(EditorSnapshot* local);
    void CloseJournal();
    void MarkEdited() { stateId_ = nextStateId_++; }
    // The record of an action that replaces the whole session (create, load, import): taken before
    // it (nothing when the start screen's record already holds the session it ends), stacked once
    // the action has succeeded.
    std::optional<EditorSnapshot> TakeReplacementRecord() const;
    void StackReplacementRecord(std::optional<EditorSnapshot> record);
    void PushReplacementRecord() { StackReplacementRecord(TakeReplacementRecord()); }
    // The neighbourhood index of (x, y) in `grid`; cells beyond the plane's edge are background.
    std::uint64_t NeighborhoodIndexAt(const core::ChunkGrid& grid, std::int32_t x, std::int32_t y) const;
    // Whether `canonical` is locked for generation g >= 1 of `tab`: used by an earlier tab or by
    // one of generations 0 .. g - 2.
    bool LockedForGeneration(const PatternSequence& tab, std::uint64_t g, std::uint64_t canonical) const;
    std::vector<RuleChange> OrbitChanges(const core::Neighborhood& digits, std::uint8_t state) const;
    void ApplyRuleEdit(const std::vector<RuleChange>& changes, std::uint64_t brokenTransition, bool markBroken,
                       std::uint64_t rebuildFrom);
    void PushSnapshotRecord(EditorSnapshot snapshot);
    EditorSnapshot RuleChangeRecord(const std::vector<RuleChange>& changes) const;
    void BeginEdit(bool includeRule);
    void ResetTabsTo(const std::string& name);
    Camera NewTabCamera(float divisor) const;
    void MarkBrokenInLaterTabs(std::uint64_t transition);
    // The constraint step of the chain: writes the tab's rule changes and adds its locks.
    void ApplyConstraintTab(PatternSequence& tab, PackedLockTable& lockUnion);
    PatternSequence* SelectedConstraintTab();
    bool StatesFitRule(const std::vector<std::uint8_t>& states) const;
    // Outputs the entries from `fromEntry` on wrote go back to 0 before the tab changes.
    void ZeroEntryChanges(const PatternSequence& tab, std::size_t fromEntry);
    void ReapplyEntries(PatternSequence& tab, std::size_t fromEntry);
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
    // Installs a complete document built elsewhere and recomputes everything derived from it.
    void InstallDocument(Document next);

    Document doc_;
    std::array<ViewerFrame, kViewerFrameCount> frames_{};
    UndefinedList undefined_;
    std::vector<EditorSnapshot> undoStack_;
    std::vector<EditorSnapshot> redoStack_;
    // Each edit makes a new document state; the saved one is remembered by its id.
    std::uint64_t stateId_ = 0;
    std::uint64_t savedStateId_ = 0;
    std::uint64_t nextStateId_ = 1;
    // Where rule writes record the outputs they replace: the undo record of the open edit, or
    // the inverse a restore is building. journalSeen_ keeps each index to its first old value.
    bool journalToUndoTop_ = false;
    EditorSnapshot* journalLocal_ = nullptr;
    std::unordered_set<std::uint64_t> journalSeen_;
    // ResetToStartScreen's record is still on top: the replacement that follows reuses it, so
    // one undo brings back the session from before the reset.
    bool startScreenRecordOnTop_ = false;
    bool strokeSnapshotTaken_ = false;
    // Stroke cells are keyed by surface: a viewer frame's index, or one of these.
    static constexpr std::size_t kStartGridStrokeKey = SIZE_MAX - 1;
    static constexpr std::size_t kViewerStrokeKey = SIZE_MAX;
    std::set<std::tuple<std::size_t, std::int32_t, std::int32_t>> strokeCells_;
    EditorView view_;
    std::uint32_t seed_ = 1;
    CanonicalIndexCache canonical_;
    core::StepScratch stepScratch_;
    LockScanScratch lockScratch_;
    std::int32_t linkChainGroup_ = 0;

    static constexpr std::int32_t kNoRandomizerEnd = INT32_MAX;
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
