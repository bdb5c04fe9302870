// The session file: byte builders for hand-made files, what the reader refuses and accepts, and
// what the writer lays out and reads back.
#include "formats/session_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "core/random_soup.h"
#include "tests/support/test_helpers.h"

namespace formats {
namespace {

// Byte assembler for hand-made files.
struct B {
    std::vector<std::uint8_t> v;
    B& u8(std::uint8_t x) { return v.push_back(x), *this; }
    B& u16(std::uint16_t x) { return u8(static_cast<std::uint8_t>(x)).u8(static_cast<std::uint8_t>(x >> 8)); }
    B& u32(std::uint32_t x) { return u16(static_cast<std::uint16_t>(x)).u16(static_cast<std::uint16_t>(x >> 16)); }
    B& u64(std::uint64_t x) { return u32(static_cast<std::uint32_t>(x)).u32(static_cast<std::uint32_t>(x >> 32)); }
    B& i32(std::int32_t x) { return u32(static_cast<std::uint32_t>(x)); }
    B& f32(float x) { return u32(std::bit_cast<std::uint32_t>(x)); }
    B& raw(std::string_view s) { return v.insert(v.end(), s.begin(), s.end()), *this; }
    B& text(std::string_view s) { return u32(static_cast<std::uint32_t>(s.size())).raw(s); }
    B& add(const B& other) { return v.insert(v.end(), other.v.begin(), other.v.end()), *this; }
};

B Header(std::uint16_t major = 1, std::uint16_t minor = 3, std::uint32_t size = 16) {
    return B().raw("TAVSESS1").u16(major).u16(minor).u32(size);
}
B Chunk(std::string_view tag, const B& payload) { return B().raw(tag).u64(payload.v.size()).add(payload); }
B HeadPayload(std::uint8_t states = 3, std::int32_t selectedTab = 0, float scroll = 0.0f) {
    return B().u8(states).u8(0).u16(0).i32(selectedTab).f32(scroll);
}
B Head(std::uint8_t states = 3, std::int32_t selectedTab = 0) { return Chunk("HEAD", HeadPayload(states, selectedTab)); }
B Rule(int states = 3, std::vector<core::RuleChange> entries = {}) {
    B p;
    p.u8(1).u8(0).u16(0).u64(core::RuleTableSize(states)).u64(entries.size());
    for (const auto& e : entries) p.u64(e.index).u8(e.state);
    return Chunk("RULE", p);
}
B EmptyCells() { return B().u32(64).u32(0); }
// One chunk at (cx, cy) whose cells are (local index, value) with `valueBytes` bytes per value.
B OneChunkCells(std::int32_t cx, std::int32_t cy, std::vector<std::pair<std::uint16_t, std::uint16_t>> cells,
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
B Srcg(const B& payload = EmptyCells()) { return Chunk("SRCG", payload); }
B Kind(std::uint8_t kind) { return Chunk("KIND", B().u8(kind).u8(0).u16(0)); }
B PatnPayload(std::string_view name = "", const B& nested = B()) {
    return B().text(name).f32(1.0f).f32(2.0f).f32(16.0f).u32(3).u32(4).u32(0).add(nested);
}
B Patn(std::string_view name = "", const B& nested = B()) { return Chunk("PATN", PatnPayload(name, nested)); }
B Pats(std::vector<B> patterns) {
    B p;
    p.u32(static_cast<std::uint32_t>(patterns.size()));
    for (const B& pattern : patterns) p.add(pattern);
    return Chunk("PATS", p);
}
B File(std::vector<B> chunks, B header = Header()) {
    for (const B& chunk : chunks) header.add(chunk);
    return header;
}
B Minimal() { return File({Head(), Rule(), Srcg(), Pats({Patn()})}); }
// A minimal file whose only pattern carries the nested chunks given.
B WithPattern(const B& nested, std::uint8_t states = 3) {
    return File({Head(states), Rule(states), Srcg(), Pats({Patn("", nested)})});
}

SessionSnapshot Parse(const B& bytes) { return ParseSession(std::span<const std::uint8_t>(bytes.v)); }

std::string ErrorOf(const B& bytes) {
    return testsupport::ErrorOf([&] { Parse(bytes); });
}

// CTAB payload with the variables and entries given.
B Ctab(std::int32_t selected, std::int32_t nextLink, const std::vector<ConstraintVariable>& variables,
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

ConstraintEntry EntryWith(std::initializer_list<std::pair<int, ConstraintSlot>> slots) {
    ConstraintEntry entry;
    for (const auto& [i, slot] : slots) entry.slots[static_cast<std::size_t>(i)] = slot;
    return entry;
}

SessionSnapshot RichSnapshot() {
    SessionSnapshot s;
    s.stateCount = 4, s.symmetry = 2, s.selectedTab = 1, s.tabScrollOffset = 12.5f;
    for (const auto& [x, y, state] : {std::tuple{-1, -1, 3}, {-64, 0, 1}, {-65, 100, 2}, {70, -130, 1}, {63, 63, 2}})
        s.sourceGrid.SetCell(x, y, static_cast<std::uint8_t>(state));
    s.sourceAnnotations.SetValue(-5, -7, 0x0305), s.sourceAnnotations.SetValue(200, 3, 0x0008);
    s.sourceLineage.SetValue(-1, -1, 8), s.sourceLineage.SetValue(63, 63, 1);
    for (int i = 0; i < 4; ++i) s.colors[static_cast<std::size_t>(i)] = {0.25f * i, 0.5f, 1.0f, 1.0f - 0.125f * i};
    s.colorsStored = true, s.ruleEntries = {{1, 2}, {4, 3}, {262143, 1}};

    SessionPatternRecord& pattern = s.patterns.emplace_back();
    pattern.name = "Glider Ωmega 🚀", pattern.camera = {-3.5f, 7.25f, 24.0f};
    pattern.currentGeneration = 5, pattern.generationTarget = 40;
    pattern.startGrid.SetCell(-2, -3, 1), pattern.startGrid.SetCell(1, 1, 3);
    pattern.startAnnotations.SetValue(-2, -3, 0x0102), pattern.startLineage.SetValue(1, 1, 4);

    SessionPatternRecord constraint;
    constraint.kind = kSessionConstraintTab, constraint.name = "Constraints", constraint.camera = {0.0f, 0.0f, 8.0f};
    constraint.selectedVariable = 1, constraint.nextLinkGroup = 3;
    constraint.variables = {{true, "a", {0, 1, 2, 3}}, {false, "переменная", {1, 3}}, {false, "", {}}};
    constraint.entries = {ConstraintEntry{},
                          EntryWith({{0, {true, 0, 1, 2}}, {4, {false, 3, -1, 0}}, {9, {true, 0, 0, 1}}})};
    s.patterns.push_back(constraint);
    s.patterns.push_back(SessionPatternRecord{});
    return s;
}

// A rich snapshot, soups, and empty and 65,536-byte texts (read from a string too) come back
// whole, and are written again to the same bytes.
TEST(SessionFile, RoundTripKeepsEverything) {
    SessionSnapshot soups, texts;
    soups.stateCount = 3, soups.sourceGrid = core::MakeRandomSoup(300, 0.5, 3, 11);
    for (int t = 0; t < 4; ++t) {
        SessionPatternRecord& record = soups.patterns.emplace_back();
        record.name = "Tab " + std::to_string(t), record.startGrid = core::MakeRandomSoup(40, 0.67, 3, t);
    }
    texts.stateCount = 3, soups.colorsStored = texts.colorsStored = true;  // the writer always stores colours
    texts.patterns.emplace_back().kind = kSessionConstraintTab;
    texts.patterns[0].variables = {{true, "a", {0, 1, 2}}, {false, std::string(65536, 'v'), {}}};
    for (const SessionSnapshot& s : {RichSnapshot(), soups, texts}) {
        const std::vector<std::uint8_t> bytes = SerializeSession(s);
        const SessionSnapshot r = ParseSession(std::string_view(std::string(bytes.begin(), bytes.end())));
        EXPECT_EQ(std::tie(r.stateCount, r.symmetry, r.selectedTab, r.tabScrollOffset, r.colorsStored, r.colors,
                           r.ruleEntries),
                  std::tie(s.stateCount, s.symmetry, s.selectedTab, s.tabScrollOffset, s.colorsStored, s.colors,
                           s.ruleEntries));
        ExpectSameChunks(r.sourceGrid.Chunks(), s.sourceGrid.Chunks());
        ExpectSameChunks(r.sourceAnnotations.Chunks(), s.sourceAnnotations.Chunks());
        ExpectSameChunks(r.sourceLineage.Chunks(), s.sourceLineage.Chunks());
        ASSERT_EQ(r.patterns.size(), s.patterns.size());
        for (std::size_t i = 0; i < s.patterns.size(); ++i) {
            const SessionPatternRecord& a = s.patterns[i];
            const SessionPatternRecord& b = r.patterns[i];
            EXPECT_EQ(std::tie(b.kind, b.name, b.camera, b.currentGeneration, b.generationTarget, b.selectedVariable,
                               b.nextLinkGroup, b.variables, b.entries),
                      std::tie(a.kind, a.name, a.camera, a.currentGeneration, a.generationTarget, a.selectedVariable,
                               a.nextLinkGroup, a.variables, a.entries));
            ExpectSameChunks(b.startGrid.Chunks(), a.startGrid.Chunks());
            ExpectSameChunks(b.startAnnotations.Chunks(), a.startAnnotations.Chunks());
            ExpectSameChunks(b.startLineage.Chunks(), a.startLineage.Chunks());
        }
        EXPECT_EQ(SerializeSession(r), bytes);
    }
}

TEST(SessionFile, WriterLayout) {
    SessionSnapshot s;
    s.stateCount = 2, s.patterns.emplace_back();
    const std::vector<std::uint8_t> bytes = SerializeSession(s);
    const B start = Header().add(Chunk("HEAD", HeadPayload(2))).add(Chunk("SYMM", B().u8(4).u8(0).u16(0)));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::min<long>(bytes.size(), start.v.size())), start.v);
    // Top-level tags in order.
    std::vector<std::string> tags;
    for (std::size_t at = 16; at < bytes.size();) {
        tags.emplace_back(reinterpret_cast<const char*>(&bytes[at]), 4);
        at += 12 + LoadU64(&bytes[at + 4]);
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"HEAD", "SYMM", "COLR", "RULE", "SRCG", "SRCA", "SRCL", "PATS"}));
}

TEST(SessionFile, GridPayloadSortsChunksAndCells) {
    core::ChunkGrid grid;
    grid.SetCell(5, 64, 1);    // chunk (0, 1)
    grid.SetCell(-1, 64, 2);   // chunk (-1, 1)
    grid.SetCell(3, -1, 1);    // chunk (0, -1), local (3, 63)
    grid.SetCell(1, -64, 2);   // chunk (0, -1), local (1, 0)
    grid.StoreEmptyChunk(9, 9, 3);  // kept empty: not written
    BinaryWriter writer;
    WriteGridPayload(writer, grid);
    // Chunks by (y, x), cells by local index: (0, -1) with two cells, (-1, 1), (0, 1).
    B expected = B().u32(64).u32(3).i32(0).i32(-1).u32(2).u16(1).u8(2).u16(63 * 64 + 3).u8(1);
    EXPECT_EQ(writer.Data(), expected.add(B().i32(-1).i32(1).u32(1).u16(63).u8(2).i32(0).i32(1).u32(1).u16(5).u8(1)).v);

    core::AnnotationLayer annotations;
    annotations.SetValue(-1, 0, 0x0207);
    BinaryWriter overlay;
    WriteOverlayPayload(overlay, annotations);
    EXPECT_EQ(overlay.Data(), B().u32(64).u32(1).i32(-1).i32(0).u32(1).u16(63).u16(0x0207).v);
}

TEST(SessionFile, MinimalFileDefaults) {
    const SessionSnapshot s = Parse(Minimal());
    // D8 without a SYMM chunk; no colours, no overlays.
    EXPECT_EQ(std::tuple(s.stateCount, s.symmetry, s.colorsStored, s.sourceAnnotations.ChunkCount(),
                         s.sourceLineage.ChunkCount(), s.patterns.size()),
              std::tuple(3, 4, false, 0u, 0u, 1u));
    const SessionPatternRecord& p = s.patterns[0];
    EXPECT_EQ(std::tuple(p.kind, p.selectedVariable, p.nextLinkGroup, p.camera, p.currentGeneration, p.generationTarget),
              std::tuple(0, -1, 1, core::Camera{1.0f, 2.0f, 16.0f}, 3u, 4u));
}

B ColorEntry(std::uint8_t state, float r, float g = 0.5f, float b = 0.5f, float a = 1.0f) {
    return B().u8(state).u8(0).u16(0).f32(r).f32(g).f32(b).f32(a);
}
B Colr(std::uint32_t count, std::vector<B> entries, std::uint8_t encoding = 1) {
    B p;
    p.u8(encoding).u8(0).u16(0).u32(count);
    for (const B& e : entries) p.add(e);
    return Chunk("COLR", p);
}
B RuleChunk(std::uint64_t tableSize, std::uint64_t count, std::uint8_t encoding = 1, const B& entries = B()) {
    return Chunk("RULE", B().u8(encoding).u8(0).u16(0).u64(tableSize).u64(count).add(entries));
}
// A minimal file of `states` states with `chunk` after its HEAD, or with `rule` for its RULE.
B WithChunk(const B& chunk, std::uint8_t states = 3) {
    return File({Head(states), chunk, Rule(states), Srcg(), Pats({Patn()})});
}
B WithRule(const B& rule, std::uint8_t states = 3) { return File({Head(states), rule, Srcg(), Pats({Patn()})}); }
B WithPats(const B& pats) { return File({Head(), Rule(), Srcg(), pats}); }
B WithPatn(const B& payload) { return WithPats(Pats({Chunk("PATN", payload)})); }

// Every file below is refused with its message; a prefix of a good file fails cleanly too.
TEST(SessionFile, ReaderMessages) {
    const std::string eof = "Unexpected end of file.", missing = "The .tavses file is missing required data.";
    const std::string chunkSize = "Corrupt .tavses file: invalid chunk size.";
    const std::string states = "Invalid state count in .tavses file.", channel = "Invalid color channel in .tavses file.";
    const std::string entry = "Invalid rule entry in .tavses file.";
    const std::string manyEntries = "Corrupt .tavses file: too many rule entries.";
    const std::string entryCount = "Corrupt .tavses file: invalid rule entry count.";
    B fewPatternBytes = B().u32(2).add(Patn());
    fewPatternBytes.v.resize(4 + 23);
    std::vector<std::pair<B, std::string>> cases = {
        // Header and chunk framing.
        {B().raw("TAVSESS"), eof}, {B().raw("TAVSESS2"), "Not a Tavrix .tavses file."}, {B().raw("TAVSESS1"), eof},
        {File({Head(), Rule(), Srcg(), Pats({Patn()})}, Header(2)), "Unsupported .tavses file version."},
        {Header(1, 3, 24).raw("1234567"), eof},
        {File({Head(), Rule(), Srcg(), Pats({Patn()})}, Header(1, 3, 15)), "Invalid .tavses file header."},
        {Minimal().raw("XTR"), eof}, {Minimal().raw("XTRA").u64(1), chunkSize}, {Minimal().raw("XTRA").u64(~0ull), chunkSize},
        {File({Chunk("HEAD", B().u8(3).u8(0).u16(0).i32(0).u16(0)), Rule(), Srcg(), Pats({Patn()})}), eof},
        {WithChunk(Chunk("SYMM", B().u8(1))), eof},
        // Required chunks, and the chunks that need HEAD before them.
        {Header(), missing}, {File({Rule()}), missing}, {File({Head(), Srcg(), Pats({Patn()})}), missing},
        {File({Head(), Rule(), Pats({Patn()})}), missing}, {File({Head(), Rule(), Srcg()}), missing},
        {WithPats(Pats({})), missing},
        {WithPats(Pats({Chunk("XXXX", B().u64(0).u32(0))})), missing},  // counted, but not a tab
        {File({Chunk("COLR", B().u8(1).u8(0).u16(0).u32(0)), Head(), Rule(), Srcg(), Pats({Patn()})}),
         "HEAD chunk must appear before COLR."},
        {File({Srcg(), Head(), Rule(), Pats({Patn()})}), "HEAD chunk must appear before SRCG."},
        {File({Chunk("SRCA", EmptyCells()), Head(), Rule(), Srcg(), Pats({Patn()})}), "HEAD chunk must appear before SRCA."},
        {File({Chunk("SRCL", EmptyCells()), Head(), Rule(), Srcg(), Pats({Patn()})}), "HEAD chunk must appear before SRCL."},
        {File({Pats({Patn()}), Head(), Rule(), Srcg()}), "HEAD chunk must appear before PATS."},
        // State counts and symmetry; once cells were checked against a state count, a later HEAD may not change it.
        {WithRule(Rule(), 0), states}, {WithRule(Rule(), 1), states}, {WithRule(Rule(), 17), states},
        {WithRule(Rule(), 255), states},
        {File({Head(5), Srcg(OneChunkCells(0, 0, {{0, 4}}, 1)), Head(3), Rule(), Pats({Patn()})}), states},
        {WithChunk(Chunk("SYMM", B().u8(8).u8(0).u16(0))), "Invalid rule symmetry in .tavses file."},
        // Colours; channels are checked before the state.
        {WithChunk(Colr(2, {}, 2), 2), "Unsupported color encoding in .tavses file."},
        {WithChunk(Colr(17, {}), 2), "Corrupt .tavses file: too many color entries."},
        {WithChunk(Colr(3, {}), 2), "Corrupt .tavses file: color count does not match the saved state count."},
        {WithChunk(Colr(2, {ColorEntry(0, 0.0f)}), 2), "Corrupt .tavses file: invalid color entry count."},
        {WithChunk(Colr(2, {ColorEntry(2, 0.0f), ColorEntry(1, 0.0f)}), 2), "Invalid color state in .tavses file."},
        {WithChunk(Colr(2, {ColorEntry(9, 2.0f), ColorEntry(1, 0.0f)}), 2), channel},
        // Rule entries; more than 16,777,216 are fine within a table's size, only the bytes present bound them.
        {WithRule(RuleChunk(19683, 0, 3)), "Unsupported rule encoding in .tavses file."},
        {WithRule(RuleChunk(19683, 1, 2, B().u64(0).u8(0))), "Invalid centre-relative rule entry in .tavses file."},
        {WithRule(RuleChunk(19683, 19684)), manyEntries}, {WithRule(RuleChunk(~0ull, (1ull << 36) + 1)), manyEntries},
        {WithRule(RuleChunk(1ull << 36, 16777217), 16), entryCount},
        {WithRule(RuleChunk(19683, 2, 1, B().u64(1).u8(1).u64(2))), entryCount},
        {WithRule(Rule(4)), "Rule table size does not match the saved state count."},
        {WithRule(Rule(3, {{19683, 1}})), entry}, {WithRule(Rule(3, {{5, 3}})), entry}, {WithRule(Rule(3, {{5, 0x80}})), entry},
        // Patterns.
        {WithPats(Chunk("PATS", B().u32(4097))), "Corrupt .tavses file: too many patterns."},
        {WithPats(Chunk("PATS", fewPatternBytes)), "Corrupt .tavses file: invalid pattern count."},
        {WithPats(Chunk("PATS", B().u32(1).raw("PATN").u64(1))), "Corrupt .tavses file: invalid pattern chunk size."},
        {WithPats(Chunk("PATS", B().u32(1).raw("PATN").u64(0))), eof},
        {WithPatn(B().u32(65537)), "Corrupt .tavses file: pattern name is too large."},
        {WithPatn(B().u32(5).raw("abcd")), "Corrupt .tavses file: invalid pattern name size."},
        {WithPatn(B().u32(0).f32(0).f32(0).f32(0).u32(0).u32(0)), eof},
        {WithPatn(PatnPayload().raw("GRID").u64(1)), "Corrupt .tavses file: invalid pattern payload size."},
        {WithPatn(PatnPayload().raw("GRID")), eof},
        {WithPattern(Kind(2)), "Invalid pattern kind in .tavses file."}, {WithPattern(Chunk("KIND", B().u8(1))), eof},
    };
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -0.01f, 1.01f}) {
        cases.push_back({WithChunk(Colr(2, {ColorEntry(0, bad), ColorEntry(1, 0.0f)}), 2), channel});
        cases.push_back({WithChunk(Colr(2, {ColorEntry(0, 0.0f, 0.0f, 0.0f, bad), ColorEntry(1, 0.0f)}), 2), channel});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(ErrorOf(cases[i].first), cases[i].second) << "case " << i;
}

TEST(SessionFile, ReaderAccepts) {
    // Newer minor versions, longer headers, unknown chunks, unknown nested chunks.
    for (const B& good : {File({Head(), Rule(), Srcg(), Pats({Patn()})}, Header(1, 9)),
                          File({Head(), Rule(), Srcg(), Pats({Patn()})}, Header(1, 3, 24).u64(0xFFFF)),
                          Minimal().add(Chunk("XTRA", B().u64(1).u64(2).u8(3))), Minimal().add(Chunk("XTRA", B())),
                          File({Rule(), Head(), Srcg(), Pats({Patn()})}), WithPattern(Chunk("ZZZZ", B().u8(7)))})
        EXPECT_NO_THROW(Parse(good));
    // A handler that reads less than the payload does not shift the chunks after it.
    EXPECT_EQ(Parse(File({Chunk("HEAD", HeadPayload(5).u32(7)), Rule(5), Srcg(), Pats({Patn()})})).stateCount, 5);
    // A later chunk replaces an earlier one.
    const SessionSnapshot twice =
        Parse(File({Head(3, 0), Chunk("SYMM", B().u8(1).u8(0).u16(0)), Chunk("SYMM", B().u8(6).u8(0).u16(0)), Rule(),
                    Srcg(OneChunkCells(0, 0, {{0, 1}}, 1)), Srcg(), Pats({Patn("x")}), Pats({Patn("y"), Patn("z")})}));
    EXPECT_EQ(std::tuple(twice.symmetry, twice.sourceGrid.ChunkCount(), twice.patterns.size(), twice.patterns[0].name),
              std::tuple(6, 0u, 2u, "y"));
    EXPECT_EQ(std::tuple(Parse(File({Head(5, 0), Srcg(), Head(5, 0), Rule(5), Pats({Patn()})})).stateCount,
                         Parse(File({Head(3), Head(6), Rule(6), Srcg(), Pats({Patn()})})).stateCount),
              std::tuple(5, 6));
    for (int symmetry = 0; symmetry < 8; ++symmetry) {
        const B symm = Chunk("SYMM", B().u8(static_cast<std::uint8_t>(symmetry)).u8(0).u16(0));
        EXPECT_EQ(Parse(File({symm, Head(), Rule(), Srcg(), Pats({Patn()})})).symmetry, symmetry);
    }
    // The selected tab is clamped; a nested chunk that is not PATN adds no tab; bytes after the counted patterns are
    // ignored; a later KIND wins.
    for (const auto& [asked, selected] : {std::pair{99, 3}, {-5, 0}, {2, 2}})
        EXPECT_EQ(Parse(File({Head(3, asked), Rule(), Srcg(), Pats({Patn(), Patn(), Patn()})})).selectedTab, selected);
    const SessionSnapshot s = Parse(WithPats(Pats({Chunk("XXXX", B()), Patn("b")})));
    EXPECT_EQ(std::tuple(s.patterns.size(), s.patterns[0].name), std::tuple(1u, "b"));
    EXPECT_EQ(std::tuple(Parse(WithPats(Chunk("PATS", B().u32(1).add(Patn()).add(Patn("zz"))))).patterns.size(),
                         Parse(WithPattern(Kind(1))).patterns[0].kind, Parse(WithPattern(Kind(1).add(Kind(0)))).patterns[0].kind),
              std::tuple(1u, 1, 0));
}

TEST(SessionFile, StateCountsColorsAndRuleEntries) {
    for (int states = 2; states <= 16; ++states) {
        SessionSnapshot s;
        s.stateCount = static_cast<std::uint8_t>(states);
        s.ruleEntries = {{core::RuleTableSize(states) - 1, static_cast<std::uint8_t>(states - 1)}};
        s.sourceGrid.SetCell(-3, 4, static_cast<std::uint8_t>(states - 1));
        s.colorsStored = true;
        s.patterns.emplace_back();
        const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(SerializeSession(s)));
        EXPECT_EQ(std::tuple(r.stateCount, r.ruleEntries, r.sourceGrid.CellAt(-3, 4)),
                  std::tuple(states, s.ruleEntries, states - 1));
    }
    const SessionSnapshot c = Parse(WithChunk(Colr(2, {ColorEntry(1, 1.0f), ColorEntry(0, 0.0f, 0.0f, 0.0f, 0.0f)}), 2));
    EXPECT_EQ(std::tuple(c.colorsStored, c.colors[0], c.colors[1]), std::tuple(true, core::Color{0, 0, 0, 0}, core::Color{1.0f, 0.5f, 0.5f, 1.0f}));
    const SessionSnapshot r = Parse(WithRule(Rule(3, {{19682, 2}, {0, 0}, {7, 1}})));
    EXPECT_EQ(r.ruleEntries, (std::vector<core::RuleChange>{{19682, 2}, {0, 0}, {7, 1}}));
    // Entries are checked at the end, against the final state count.
    EXPECT_NO_THROW(Parse(File({Rule(4, {{100, 3}}), Head(4), Srcg(), Pats({Patn()})})));
    EXPECT_EQ(CollectRuleEntries({0, 2, 0, 0, 1}), (std::vector<core::RuleChange>{{1, 2}, {4, 1}}));
}

TEST(SessionFile, Utf8Names) {
    const std::string longName(65536, 'n');
    for (std::string_view good : {"plain", "é", "€", "𐍈", "\xF4\x8F\xBF\xBF", "\xEE\x80\x80", "\xED\x9F\xBF", longName.c_str()})
        EXPECT_EQ(Parse(WithPats(Pats({Patn(good)}))).patterns[0].name, good);
    for (std::string_view bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF0\x80\x80\xAF",
                                 "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xC3", "ab\xE2\x82", "\xE2\x28\xA1"}) {
        EXPECT_EQ(ErrorOf(WithPats(Pats({Patn(bad)}))), "Invalid UTF-8 string in session file.") << bad;
        ConstraintVariable variable{false, std::string(bad), {}};
        EXPECT_EQ(ErrorOf(WithPattern(Kind(1).add(Ctab(-1, 1, {variable}, {})))), "Invalid UTF-8 string in session file.");
    }
}

// The tags at top level and in a pattern, the bytes of a value, a valid value, and the messages.
struct PayloadCase {
    const char *topTag, *nestedTag;
    int valueBytes;
    std::uint16_t goodValue;
    const char *side, *tooManyChunks, *chunkCount, *tooManyCells, *cellCount, *badValue, *badIndex;
};

const PayloadCase kPayloadCases[] = {
    {"SRCG", "GRID", 1, 2, "Unsupported chunk size in session file.", "Corrupt .tavses file: too many grid chunks.",
     "Corrupt .tavses file: invalid grid chunk count.", "Corrupt .tavses file: too many cells in a grid chunk.",
     "Corrupt .tavses file: invalid grid cell count.", "Invalid cell state in session file.",
     "Invalid local cell index in session file."},
    {"SRCA", "ANNO", 2, 0x0201, "Unsupported annotation chunk size in session file.",
     "Corrupt .tavses file: too many annotation chunks.", "Corrupt .tavses file: invalid annotation chunk count.",
     "Corrupt .tavses file: too many cells in an annotation chunk.",
     "Corrupt .tavses file: invalid annotation cell count.", "Invalid annotation cell in session file.",
     "Invalid local annotation index in session file."},
    {"SRCL", "LING", 1, 3, "Unsupported lineage chunk size in session file.",
     "Corrupt .tavses file: too many lineage chunks.", "Corrupt .tavses file: invalid lineage chunk count.",
     "Corrupt .tavses file: too many cells in a lineage chunk.", "Corrupt .tavses file: invalid lineage cell count.",
     "Invalid lineage cell in session file.", "Invalid local lineage index in session file."},
};

TEST(SessionFile, CellPayloadErrors) {
    for (const PayloadCase& c : kPayloadCases) {
        SCOPED_TRACE(c.topTag);
        const auto top = [&](const B& payload) {
            return ErrorOf(File({Head(), Rule(), Srcg(), Chunk(c.topTag, payload), Pats({Patn()})}));
        };
        const auto nested = [&](const B& payload) { return ErrorOf(WithPattern(Chunk(c.nestedTag, payload))); };
        B shortCells = OneChunkCells(0, 0, {{0, c.goodValue}, {1, c.goodValue}}, c.valueBytes);
        shortCells.v.pop_back();
        // The value is checked before the index.
        const std::pair<B, std::string> rows[] = {
            {B().u32(32).u32(0), c.side}, {B().u32(64), "Unexpected end of file."}, {B().u32(64).u32(1048577), c.tooManyChunks},
            {B().u32(64).u32(2).i32(0).i32(0).u32(0).u32(7), c.chunkCount},
            {B().u32(64).u32(1).i32(0).i32(0).u32(4097), c.tooManyCells}, {shortCells, c.cellCount},
            {OneChunkCells(0, 0, {{4096, c.goodValue}}, c.valueBytes), c.badIndex},
            {OneChunkCells(0, 0, {{0, 0}}, c.valueBytes), c.badValue}, {OneChunkCells(0, 0, {{5000, 0}}, c.valueBytes), c.badValue},
            {OneChunkCells(0, 0, {{4095, c.goodValue}}, c.valueBytes), "(no error)"}};
        for (const auto& [payload, message] : rows) EXPECT_EQ(std::tuple(top(payload), nested(payload)), std::tuple(message, message));
    }
    // A state the rule does not have.
    EXPECT_EQ(ErrorOf(File({Head(3), Rule(), Srcg(OneChunkCells(0, 0, {{0, 3}}, 1)), Pats({Patn()})})),
              "Invalid cell state in session file.");
    const auto annotation = [](std::uint16_t value) {
        return ErrorOf(File({Head(3), Rule(), Srcg(), Chunk("SRCA", OneChunkCells(0, 0, {{0, value}}, 2)), Pats({Patn()})}));
    };
    const std::string bad = "Invalid annotation cell in session file.";
    EXPECT_EQ(std::tuple(annotation(0x0300 | 1), annotation(0x0200), annotation(0x0200 | 255), annotation(0x0001)),
              std::tuple(bad, bad, "(no error)", "(no error)"));
}

TEST(SessionFile, CellPayloadValues) {
    const SessionSnapshot s = Parse(File({Head(3), Rule(), Srcg(OneChunkCells(-1, -1, {{4095, 2}, {0, 1}, {0, 2}}, 1)),
                                          Chunk("SRCA", OneChunkCells(-2, 3, {{65, 0x020A}, {66, 0x0108}, {67, 0x0011}}, 2)),
                                          Chunk("SRCL", OneChunkCells(5, -7, {{1, 9}, {2, 8}, {3, 255}, {4, 16}}, 1)),
                                          Pats({Patn()})}));
    // The later cell wins; an annotation's low byte 10 becomes 2 and 17 becomes 1; lineages 9 and 255 become 1 and 7.
    EXPECT_EQ(std::tuple(s.sourceGrid.CellAt(-1, -1), s.sourceGrid.CellAt(-64, -64), s.sourceGrid.FindChunk(-1, -1)->liveCount),
              std::tuple(2, 2, 2u));
    EXPECT_EQ(std::tuple(s.sourceAnnotations.ValueAt(-127, 193), s.sourceAnnotations.ValueAt(-126, 193),
                         s.sourceAnnotations.ValueAt(-125, 193)),
              std::tuple(0x0202, 0x0108, 0x0001));
    EXPECT_EQ(std::tuple(s.sourceLineage.ValueAt(321, -448), s.sourceLineage.ValueAt(322, -448), s.sourceLineage.ValueAt(323, -448),
                         s.sourceLineage.ValueAt(324, -448), s.sourceLineage.FindChunk(5, -7)->nonZeroCount),
              std::tuple(1, 8, 7, 8, 4u));

    // A chunk listed twice adds to what it holds, like setting its cells one by one.
    const B twice = B().u32(64).u32(3).i32(1).i32(1).u32(1).u16(0).u8(1).i32(1).i32(1).u32(0).i32(1).i32(1).u32(1).u16(5).u8(2);
    const SessionSnapshot t = Parse(File({Head(3), Rule(), Srcg(twice), Pats({Patn()})}));
    EXPECT_EQ(std::tuple(t.sourceGrid.ChunkCount(), t.sourceGrid.FindChunk(1, 1)->liveCount, t.sourceGrid.CellAt(64, 64),
                         t.sourceGrid.CellAt(69, 64)),
              std::tuple(1u, 2u, 1, 2));
    const B twiceLineage = B().u32(64).u32(2).i32(0).i32(0).u32(1).u16(0).u8(1).i32(0).i32(0).u32(1).u16(1).u8(2);
    // ... and a chunk with no cells stores nothing.
    EXPECT_EQ(std::tuple(Parse(WithChunk(Chunk("SRCL", twiceLineage))).sourceLineage.FindChunk(0, 0)->nonZeroCount,
                         Parse(File({Head(3), Rule(), Srcg(B().u32(64).u32(1).i32(4).i32(4).u32(0)), Pats({Patn()})})).sourceGrid.ChunkCount()),
              std::tuple(2u, 0u));
    // Chunk coordinates beyond the cell range wrap the way their cells' coordinates do.
    const SessionSnapshot w =
        Parse(File({Head(3), Rule(), Srcg(OneChunkCells(1 << 25, -(1 << 25) - 1, {{0, 1}}, 1)), Pats({Patn()})}));
    ASSERT_NE(w.sourceGrid.FindChunk(-(1 << 25), (1 << 25) - 1), nullptr);
    EXPECT_EQ(w.sourceGrid.CellAt(std::numeric_limits<std::int32_t>::min(), ((1 << 25) - 1) * 64), 1);
}

ConstraintSlot Var(std::int32_t variable, std::int32_t link = 0) { return {true, 0, variable, link}; }

TEST(SessionFile, ConstraintTabs) {
    const std::vector<ConstraintVariable> two = {{true, "a", {0, 1, 2}}, {false, "b", {2}}};
    const auto load = [](const B& nested) { return Parse(WithPattern(nested)).patterns[0]; };
    // Selected variable and next link group; the kind may follow the constraint data; a pattern tab keeps what it
    // was given.
    for (const auto& [nested, selected, next] :
         {std::tuple{Kind(1).add(Ctab(7, 1, two, {})), 1, 1}, {Kind(1).add(Ctab(-9, 1, two, {})), -1, 1},
          {Kind(1).add(Ctab(0, 1, {}, {})), -1, 1}, {Kind(1).add(Ctab(0, -4, two, {})), 0, 1},
          {Kind(1).add(Ctab(0, 9, two, {})), 0, 9}, {Ctab(7, 0, two, {}).add(Kind(1)), 1, 1},
          {Ctab(7, 0, two, {EntryWith({{3, Var(5, -1)}})}), 7, 0}}) {
        const SessionPatternRecord r = load(nested);
        EXPECT_EQ(std::tuple(r.selectedVariable, r.nextLinkGroup), std::tuple(selected, next)) << selected << next;
    }

    // Literal cells lose variable and link group; variable cells keep their state byte.
    ConstraintEntry entry = EntryWith({{0, {false, 2, 1, 4}}, {1, {true, 9, 1, 3}}});
    const SessionPatternRecord r = load(Kind(1).add(Ctab(0, 4, two, {entry})));
    EXPECT_EQ(std::tie(r.entries, r.variables),
              std::tuple(std::vector{EntryWith({{0, {false, 2, -1, 0}}, {1, {true, 9, 1, 3}}})}, two));

    // Non-zero flag bytes count as set.
    B flags;
    flags.i32(0).i32(1).u32(1).u8(7).u8(0).u16(0).text("a").u32(0).u32(1).u8(5).u8(0).u16(0).i32(0).i32(0);
    for (int i = 1; i < 10; ++i) flags.u8(0).u8(0).u16(0).i32(0).i32(0);
    const SessionPatternRecord f = load(Kind(1).add(Chunk("CTAB", flags)));
    EXPECT_EQ(std::tuple(f.variables[0].builtIn, f.entries[0].slots[0].isVariable), std::tuple(true, true));

    const auto error = [](const B& ctabPayload) { return ErrorOf(WithPattern(Kind(1).add(Chunk("CTAB", ctabPayload)))); };
    const auto ctab = [](const std::vector<ConstraintVariable>& variables, const std::vector<ConstraintEntry>& entries) {
        const B chunk = Ctab(0, 1, variables, entries);
        return B{std::vector<std::uint8_t>(chunk.v.begin() + 12, chunk.v.end())};
    };
    const std::string reference = "Invalid constraint variable reference in .tavses file.", corrupt = "Corrupt .tavses file: ";
    const std::string variableState = "Invalid constraint variable state in .tavses file.";
    const std::string entryState = "Invalid constraint entry state in .tavses file.";
    const std::pair<B, std::string> cases[] = {
        {ctab(two, {EntryWith({{2, Var(2)}})}), reference}, {ctab(two, {EntryWith({{9, Var(-1)}})}), reference},
        {ctab(two, {EntryWith({{2, Var(1, -1)}})}), "Invalid constraint link group in .tavses file."},
        {B().i32(0).i32(1).u32(4097), corrupt + "too many constraint variables."},
        {B().i32(0).i32(1).u32(2).u64(0).u32(0), corrupt + "invalid constraint variable count."},
        {B().i32(0).i32(1).u32(1).u32(0).u32(65537).u32(0), corrupt + "constraint variable name is too large."},
        {B().i32(0).i32(1).u32(1).u32(0).u32(5).u32(0), corrupt + "invalid constraint variable name size."},
        {B().i32(0).i32(1).u32(1).u32(0).u32(0).u32(17), corrupt + "too many allowed states in a constraint variable."},
        {B().i32(0).i32(1).u32(1).u32(0).u32(0).u32(3).u8(0).u8(1), corrupt + "invalid constraint variable state count."},
        {ctab({{false, "v", {0, 3}}}, {}), variableState}, {ctab({{false, "v", {0xFF}}}, {}), variableState},
        {B().i32(0).i32(1).u32(0).u32(1048577), corrupt + "too many constraint entries."},
        {B().i32(0).i32(1).u32(0).u32(1).u64(0), corrupt + "invalid constraint entry count."},
        {ctab({}, {EntryWith({{4, {false, 3, -1, 0}}})}), entryState},
        {ctab({}, {EntryWith({{9, {false, 0x80, -1, 0}}})}), entryState}, {B().i32(0), "Unexpected end of file."},
    };
    for (const auto& [payload, message] : cases) EXPECT_EQ(error(payload), message);
}

// Every proper prefix of a valid file fails cleanly.
TEST(SessionFile, TruncatedFilesFail) {
    const std::vector<std::uint8_t> bytes = SerializeSession(RichSnapshot());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        try {
            ParseSession(std::span<const std::uint8_t>(bytes.data(), size));
            ADD_FAILURE() << "accepted a prefix of " << size << " bytes";
        } catch (const std::runtime_error&) {
        }
    }
}

// A table whose every block keeps its centre, but for two, has more non-zero entries than
// encoding 1 lists: the file holds the two, and reads back to the same table. Small tables
// keep encoding 1.
TEST(SessionRule, ManyEntriesAreWrittenAgainstTheCentre) {
    for (const int n : {4, 7}) {
        SessionSnapshot s = RichSnapshot();
        s.stateCount = static_cast<std::uint8_t>(n);
        core::RuleTable table(core::RuleTableSize(n)), back(table.size(), 0);
        for (std::uint64_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i / (n * n * n * n) % n);
        table[5] = 2, table[n * n * n * n + 7] = 0;
        CollectSessionRule(table, n, s);
        const std::vector<std::uint8_t> bytes = SerializeSession(s);
        const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
        ApplySessionRule(r, back);
        EXPECT_EQ(std::tuple(s.ruleEntriesKeepCentre, r.ruleEntriesKeepCentre, bytes.size() < 4096, back == table),
                  std::tuple(n == 7, n == 7, n == 7, true));
    }
}

}  // namespace
}  // namespace formats
