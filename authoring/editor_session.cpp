#include <algorithm>
#include <optional>

#include "authoring/editor.h"
#include "formats/golly_tabbed_export.h"
#include "formats/session_file.h"

namespace authoring {

namespace {

constexpr std::uint32_t kMaxLoadedGeneration = 1u << 16;

}  // namespace

formats::SessionSnapshot Editor::ToSession() const {
    formats::SessionSnapshot s;
    s.stateCount = static_cast<std::uint8_t>(doc_.rule.stateCount);
    s.symmetry = doc_.rule.symmetry;
    s.selectedTab = doc_.selectedTab;
    s.tabScrollOffset = doc_.tabBarScroll;
    s.sourceGrid = doc_.source.grid;
    s.sourceAnnotations = doc_.source.annotations;
    s.sourceLineage = doc_.source.lineage;
    std::copy(doc_.colors.begin(), doc_.colors.end(), s.colors.begin());
    s.colorsStored = true;
    formats::CollectSessionRule(doc_.rule.table, doc_.rule.stateCount, s);
    for (const PatternSequence& tab : doc_.tabs) {
        formats::SessionPatternRecord record;
        record.kind = static_cast<std::uint8_t>(tab.kind);
        record.name = tab.name;
        record.camera = tab.camera;
        record.currentGeneration = static_cast<std::uint32_t>(std::max(tab.currentGeneration, 0));
        record.generationTarget = static_cast<std::uint32_t>(std::max(tab.generationTarget, 0));
        record.startGrid = tab.startGrid;
        record.startAnnotations = tab.annotations;
        record.startLineage = tab.startLineage;
        record.selectedVariable = tab.selectedVariable;
        record.nextLinkGroup = static_cast<std::int32_t>(tab.nextLinkGroup);
        record.variables = tab.variables;
        record.entries = tab.entries;
        s.patterns.push_back(std::move(record));
    }
    return s;
}

core::Rule RuleFromSession(const formats::SessionSnapshot& session, std::uint64_t workingBytes) {
    core::Rule rule{session.stateCount, session.symmetry, {}};
    core::AllocateRuleTable(rule.table, session.stateCount, "loading this session", workingBytes);
    formats::ApplySessionRule(session, rule.table);
    return rule;
}

void Editor::LoadSession(const formats::SessionSnapshot& session) {
    Document next;
    next.rule = RuleFromSession(session, SessionLoadWorkingBytes(session, kMaxLoadedGeneration, lookahead_));
    const Palette defaults = DefaultPalette();
    for (int i = 0; i < kPaletteSize; ++i) {
        next.colors[i] = session.colorsStored && i < session.stateCount ? session.colors[i] : defaults[i];
    }
    next.source.grid = session.sourceGrid;
    next.source.annotations = session.sourceAnnotations;
    next.source.lineage = session.sourceLineage;
    next.source.patternSize = 32;
    next.source.density = 1.0 - 1.0 / session.stateCount;
    for (const formats::SessionPatternRecord& record : session.patterns) {
        PatternSequence tab;
        tab.kind = record.kind == formats::kSessionConstraintTab ? PatternKind::Constraint : PatternKind::Pattern;
        tab.name = record.name;
        tab.camera = record.camera;
        // A stored position far beyond any real session would make loading compute that many
        // generations; such values are held to a bound.
        tab.currentGeneration = static_cast<std::int32_t>(std::min(record.currentGeneration, kMaxLoadedGeneration));
        tab.generationTarget = static_cast<std::int32_t>(std::min(record.generationTarget, kMaxLoadedGeneration));
        tab.startGrid = record.startGrid;
        tab.annotations = record.startAnnotations;
        tab.startLineage = record.startLineage;
        // Constraint data means something, and was checked on reading, only for constraint tabs.
        if (!tab.IsPattern()) {
            tab.selectedVariable = record.selectedVariable;
            tab.nextLinkGroup = static_cast<std::uint32_t>(std::max(record.nextLinkGroup, 1));
            tab.variables = record.variables;
            tab.entries = record.entries;
        }
        next.tabs.push_back(std::move(tab));
    }
    next.selectedTab = session.selectedTab;
    next.tabBarScroll = session.tabScrollOffset;
    // Undoable like an import: the record holds the whole session it replaces, rule included. The
    // rebuild can still refuse a session (cells too far apart to scan), and the editor must then
    // be as it was.
    ReplaceDocument(std::move(next));
}

}  // namespace authoring

namespace authoring {

std::string Editor::BuildTabbedExport(bool annotated) {
    RebuildPatternSequencesFrom(0);
    std::vector<formats::TabbedExportTab> tabs;
    tabs.reserve(doc_.tabs.size());
    for (const PatternSequence& tab : doc_.tabs) {
        formats::TabbedExportTab exported;
        exported.kind = tab.IsPattern() ? formats::kTabbedExportPatternTab : formats::kTabbedExportConstraintTab;
        exported.name = tab.name;
        exported.startGrid = tab.startGrid;
        for (const LockDeltaSource& delta : tab.lockDeltas.items)
            exported.lockRecords.push_back({delta.transition, delta.generation});
        exported.variables = tab.variables;
        exported.entries = tab.entries;
        tabs.push_back(std::move(exported));
    }
    PackedLockTable locks;
    std::vector<std::uint64_t> locked;
    if (CollectLockedTransitions(doc_.tabs, doc_.rule.stateCount, locks)) locked = locks.ListIndices();
    std::sort(locked.begin(), locked.end());
    return formats::BuildTabbedGollyRuletable(doc_.rule, tabs, locked, annotated);
}

}  // namespace authoring
