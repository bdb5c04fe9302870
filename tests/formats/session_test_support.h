#pragma once

// Builders of session bytes and snapshots for the session file tests.

#include <gtest/gtest.h>

#include <bit>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "formats/session_file.h"
#include "tests/support/error_text.h"

namespace formats::sessiontest {

// Byte assembler for hand-made files.
struct B {
    std::vector<std::uint8_t> v;
    B& u8(std::uint8_t x) {
        v.push_back(x);
        return *this;
    }
    B& u16(std::uint16_t x) { return u8(static_cast<std::uint8_t>(x)).u8(static_cast<std::uint8_t>(x >> 8)); }
    B& u32(std::uint32_t x) { return u16(static_cast<std::uint16_t>(x)).u16(static_cast<std::uint16_t>(x >> 16)); }
    B& u64(std::uint64_t x) { return u32(static_cast<std::uint32_t>(x)).u32(static_cast<std::uint32_t>(x >> 32)); }
    B& i32(std::int32_t x) { return u32(static_cast<std::uint32_t>(x)); }
    B& f32(float x) { return u32(std::bit_cast<std::uint32_t>(x)); }
    B& raw(std::string_view s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    B& text(std::string_view s) { return u32(static_cast<std::uint32_t>(s.size())).raw(s); }
    B& add(const B& other) {
        v.insert(v.end(), other.v.begin(), other.v.end());
        return *this;
    }
};

inline B Header(std::uint16_t major = 1, std::uint16_t minor = 3, std::uint32_t size = 16) {
    return B().raw("TAVSESS1").u16(major).u16(minor).u32(size);
}
inline B Chunk(std::string_view tag, const B& payload) { return B().raw(tag).u64(payload.v.size()).add(payload); }
inline B HeadPayload(std::uint8_t states = 3, std::int32_t selectedTab = 0, float scroll = 0.0f) {
    return B().u8(states).u8(0).u16(0).i32(selectedTab).f32(scroll);
}
inline B Head(std::uint8_t states = 3, std::int32_t selectedTab = 0) { return Chunk("HEAD", HeadPayload(states, selectedTab)); }
inline B Rule(int states = 3, std::vector<SessionRuleEntry> entries = {}) {
    B p;
    p.u8(1).u8(0).u16(0).u64(core::RuleTableSize(states)).u64(entries.size());
    for (const auto& e : entries) p.u64(e.index).u8(e.state);
    return Chunk("RULE", p);
}
inline B EmptyCells() { return B().u32(64).u32(0); }
// One chunk at (cx, cy) whose cells are (local index, value) with `valueBytes` bytes per value.
inline B OneChunkCells(std::int32_t cx, std::int32_t cy, std::vector<std::pair<std::uint16_t, std::uint16_t>> cells,
                int valueBytes) {
    B p;
    p.u32(64).u32(1).i32(cx).i32(cy).u32(static_cast<std::uint32_t>(cells.size()));
    for (const auto& [index, value] : cells) {
        p.u16(index);
        if (valueBytes == 1) p.u8(static_cast<std::uint8_t>(value));
        else p.u16(value);
    }
    return p;
}
inline B Srcg(const B& payload = EmptyCells()) { return Chunk("SRCG", payload); }
inline B Kind(std::uint8_t kind) { return Chunk("KIND", B().u8(kind).u8(0).u16(0)); }
inline B PatnPayload(std::string_view name = "", const B& nested = B()) {
    return B().text(name).f32(1.0f).f32(2.0f).f32(16.0f).u32(3).u32(4).u32(0).add(nested);
}
inline B Patn(std::string_view name = "", const B& nested = B()) { return Chunk("PATN", PatnPayload(name, nested)); }
inline B Pats(std::vector<B> patterns) {
    B p;
    p.u32(static_cast<std::uint32_t>(patterns.size()));
    for (const B& pattern : patterns) p.add(pattern);
    return Chunk("PATS", p);
}
inline B File(std::vector<B> chunks, B header = Header()) {
    for (const B& chunk : chunks) header.add(chunk);
    return header;
}
inline B Minimal() { return File({Head(), Rule(), Srcg(), Pats({Patn()})}); }
// A minimal file whose only pattern carries the nested chunks given.
inline B WithPattern(const B& nested, std::uint8_t states = 3) {
    return File({Head(states), Rule(states), Srcg(), Pats({Patn("", nested)})});
}

inline SessionSnapshot Parse(const B& bytes) { return ParseSession(std::span<const std::uint8_t>(bytes.v)); }

inline std::string ErrorOf(const B& bytes) {
    return testsupport::ErrorOf([&] { Parse(bytes); });
}

// CTAB payload with the variables and entries given.
inline B Ctab(std::int32_t selected, std::int32_t nextLink, const std::vector<ConstraintVariable>& variables,
       const std::vector<ConstraintEntry>& entries) {
    B p;
    p.i32(selected).i32(nextLink).u32(static_cast<std::uint32_t>(variables.size()));
    for (const auto& variable : variables) {
        p.u8(variable.builtIn).u8(0).u16(0).text(variable.name).u32(static_cast<std::uint32_t>(variable.allowedStates.size()));
        for (std::uint8_t s : variable.allowedStates) p.u8(s);
    }
    p.u32(static_cast<std::uint32_t>(entries.size()));
    for (const auto& entry : entries)
        for (const auto& slot : entry.slots)
            p.u8(slot.isVariable).u8(slot.state).u16(0).i32(slot.variable).i32(slot.linkGroup);
    return Chunk("CTAB", p);
}

template <class Map>
void ExpectSameChunks(const Map& a, const Map& b) {
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [coord, chunk] : a) {
        const auto it = b.find(coord);
        ASSERT_NE(it, b.end()) << coord.x << "," << coord.y;
        if constexpr (requires(typename Map::mapped_type c) { c.cells; })
            EXPECT_EQ(std::tuple(chunk.cells, chunk.liveCount), std::tuple(it->second.cells, it->second.liveCount));
        else
            EXPECT_EQ(std::tuple(chunk.values, chunk.nonZeroCount), std::tuple(it->second.values, it->second.nonZeroCount));
    }
}

inline ConstraintEntry EntryWith(std::initializer_list<std::pair<int, ConstraintSlot>> slots) {
    ConstraintEntry entry;
    for (const auto& [i, slot] : slots) entry.slots[static_cast<std::size_t>(i)] = slot;
    return entry;
}

inline SessionSnapshot RichSnapshot() {
    SessionSnapshot s;
    s.stateCount = 4;
    s.symmetry = 2;
    s.selectedTab = 1;
    s.tabScrollOffset = 12.5f;
    s.sourceGrid.SetCell(-1, -1, 3);
    s.sourceGrid.SetCell(-64, 0, 1);
    s.sourceGrid.SetCell(-65, 100, 2);
    s.sourceGrid.SetCell(70, -130, 1);
    s.sourceGrid.SetCell(63, 63, 2);
    s.sourceAnnotations.SetValue(-5, -7, 0x0305);
    s.sourceAnnotations.SetValue(200, 3, 0x0008);
    s.sourceLineage.SetValue(-1, -1, 8);
    s.sourceLineage.SetValue(63, 63, 1);
    for (int i = 0; i < 4; ++i) s.colors[static_cast<std::size_t>(i)] = {0.25f * i, 0.5f, 1.0f, 1.0f - 0.125f * i};
    s.colorsStored = true;
    s.ruleEntries = {{1, 2}, {4, 3}, {262143, 1}};

    SessionPatternRecord pattern;
    pattern.name = "Glider Ωmega 🚀";
    pattern.camera = {-3.5f, 7.25f, 24.0f};
    pattern.currentGeneration = 5;
    pattern.generationTarget = 40;
    pattern.startGrid.SetCell(-2, -3, 1);
    pattern.startGrid.SetCell(1, 1, 3);
    pattern.startAnnotations.SetValue(-2, -3, 0x0102);
    pattern.startLineage.SetValue(1, 1, 4);
    s.patterns.push_back(pattern);

    SessionPatternRecord constraint;
    constraint.kind = kSessionConstraintTab;
    constraint.name = "Constraints";
    constraint.camera = {0.0f, 0.0f, 8.0f};
    constraint.selectedVariable = 1;
    constraint.nextLinkGroup = 3;
    constraint.variables = {{true, "a", {0, 1, 2, 3}}, {false, "переменная", {1, 3}}, {false, "", {}}};
    constraint.entries = {ConstraintEntry{},
                          EntryWith({{0, {true, 0, 1, 2}}, {4, {false, 3, -1, 0}}, {9, {true, 0, 0, 1}}})};
    s.patterns.push_back(constraint);
    s.patterns.push_back(SessionPatternRecord{});
    return s;
}

}  // namespace formats::sessiontest
