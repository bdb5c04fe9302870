#include "formats/session_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tests/formats/session_test_support.h"

namespace formats {
namespace {

using namespace sessiontest;

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
    EXPECT_EQ(Parse(File({Head(5, 0), Srcg(), Head(5, 0), Rule(5), Pats({Patn()})})).stateCount, 5);
    EXPECT_EQ(Parse(File({Head(3), Head(6), Rule(6), Srcg(), Pats({Patn()})})).stateCount, 6);
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
    EXPECT_EQ(Parse(WithPats(Chunk("PATS", B().u32(1).add(Patn()).add(Patn("zz"))))).patterns.size(), 1u);
    EXPECT_EQ(Parse(WithPattern(Kind(1))).patterns[0].kind, 1);
    EXPECT_EQ(Parse(WithPattern(Kind(1).add(Kind(0)))).patterns[0].kind, 0);
    const std::string longName(65536, 'n');
    EXPECT_EQ(Parse(WithPats(Pats({Patn(longName)}))).patterns[0].name, longName);
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
    EXPECT_TRUE(c.colorsStored);
    EXPECT_EQ(std::tuple(c.colors[0], c.colors[1]), std::tuple(Rgba{}, Rgba{1.0f, 0.5f, 0.5f, 1.0f}));
    const SessionSnapshot r = Parse(WithRule(Rule(3, {{19682, 2}, {0, 0}, {7, 1}})));
    EXPECT_EQ(r.ruleEntries, (std::vector<SessionRuleEntry>{{19682, 2}, {0, 0}, {7, 1}}));
    // Entries are checked at the end, against the final state count.
    EXPECT_NO_THROW(Parse(File({Rule(4, {{100, 3}}), Head(4), Srcg(), Pats({Patn()})})));
    EXPECT_EQ(CollectRuleEntries({0, 2, 0, 0, 1}), (std::vector<SessionRuleEntry>{{1, 2}, {4, 1}}));
}

TEST(SessionFile, Utf8Names) {
    for (std::string_view good : {"plain", "é", "€", "𐍈", "\xF4\x8F\xBF\xBF", "\xEE\x80\x80", "\xED\x9F\xBF"})
        EXPECT_EQ(Parse(WithPats(Pats({Patn(good)}))).patterns[0].name, good);
    for (std::string_view bad : {"\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF0\x80\x80\xAF",
                                 "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xC3", "ab\xE2\x82", "\xE2\x28\xA1"}) {
        EXPECT_EQ(ErrorOf(WithPats(Pats({Patn(bad)}))), "Invalid UTF-8 string in session file.") << bad;
        ConstraintVariable variable{false, std::string(bad), {}};
        EXPECT_EQ(ErrorOf(WithPattern(Kind(1).add(Ctab(-1, 1, {variable}, {})))), "Invalid UTF-8 string in session file.");
    }
}

struct PayloadCase {
    const char* topTag;
    const char* nestedTag;
    int valueBytes;
    std::uint16_t goodValue;
    const char* side;
    const char* tooManyChunks;
    const char* chunkCount;
    const char* tooManyCells;
    const char* cellCount;
    const char* badValue;
    const char* badIndex;
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
        for (const auto& error : {std::function<std::string(const B&)>(top), std::function<std::string(const B&)>(nested)}) {
            EXPECT_EQ(error(B().u32(32).u32(0)), c.side);
            EXPECT_EQ(error(B().u32(64)), "Unexpected end of file.");
            EXPECT_EQ(error(B().u32(64).u32(1048577)), c.tooManyChunks);
            EXPECT_EQ(error(B().u32(64).u32(2).i32(0).i32(0).u32(0).u32(7)), c.chunkCount);
            EXPECT_EQ(error(B().u32(64).u32(1).i32(0).i32(0).u32(4097)), c.tooManyCells);
            B shortCells = OneChunkCells(0, 0, {{0, c.goodValue}, {1, c.goodValue}}, c.valueBytes);
            shortCells.v.pop_back();
            EXPECT_EQ(error(shortCells), c.cellCount);
            EXPECT_EQ(error(OneChunkCells(0, 0, {{4096, c.goodValue}}, c.valueBytes)), c.badIndex);
            EXPECT_EQ(error(OneChunkCells(0, 0, {{0, 0}}, c.valueBytes)), c.badValue);
            // The value is checked before the index.
            EXPECT_EQ(error(OneChunkCells(0, 0, {{5000, 0}}, c.valueBytes)), c.badValue);
            EXPECT_EQ(error(OneChunkCells(0, 0, {{4095, c.goodValue}}, c.valueBytes)), "(no error)");
        }
    }
    const auto grid = [](std::uint8_t state) {
        return ErrorOf(File({Head(3), Rule(), Srcg(OneChunkCells(0, 0, {{0, state}}, 1)), Pats({Patn()})}));
    };
    EXPECT_EQ(grid(3), "Invalid cell state in session file.");
    EXPECT_EQ(grid(0), "Invalid cell state in session file.");
    const auto annotation = [](std::uint16_t value) {
        return ErrorOf(File({Head(3), Rule(), Srcg(), Chunk("SRCA", OneChunkCells(0, 0, {{0, value}}, 2)), Pats({Patn()})}));
    };
    EXPECT_EQ(annotation(0x0300 | 1), "Invalid annotation cell in session file.");
    EXPECT_EQ(annotation(0x0200), "Invalid annotation cell in session file.");
    EXPECT_EQ(annotation(0x0200 | 255), "(no error)");
    EXPECT_EQ(annotation(0x0001), "(no error)");
}

TEST(SessionFile, CellPayloadValues) {
    const SessionSnapshot s = Parse(File({Head(3), Rule(),
                                          Srcg(OneChunkCells(-1, -1, {{4095, 2}, {0, 1}, {0, 2}}, 1)),
                                          Chunk("SRCA", OneChunkCells(-2, 3, {{65, 0x020A}, {66, 0x0108}, {67, 0x0011}}, 2)),
                                          Chunk("SRCL", OneChunkCells(5, -7, {{1, 9}, {2, 8}, {3, 255}, {4, 16}}, 1)),
                                          Pats({Patn()})}));
    EXPECT_EQ(s.sourceGrid.CellAt(-1, -1), 2);
    EXPECT_EQ(s.sourceGrid.CellAt(-64, -64), 2);  // the later cell wins
    EXPECT_EQ(s.sourceGrid.FindChunk(-1, -1)->liveCount, 2u);
    EXPECT_EQ(s.sourceAnnotations.ValueAt(-128 + 1, 192 + 1), 0x0202);  // low byte 10 becomes 2
    EXPECT_EQ(s.sourceAnnotations.ValueAt(-128 + 2, 192 + 1), 0x0108);
    EXPECT_EQ(s.sourceAnnotations.ValueAt(-128 + 3, 192 + 1), 0x0001);  // 17 becomes 1
    EXPECT_EQ(s.sourceLineage.ValueAt(320 + 1, -448), 1);  // 9 becomes 1
    EXPECT_EQ(s.sourceLineage.ValueAt(320 + 2, -448), 8);
    EXPECT_EQ(s.sourceLineage.ValueAt(320 + 3, -448), 7);  // 255 becomes 7
    EXPECT_EQ(s.sourceLineage.ValueAt(320 + 4, -448), 8);
    EXPECT_EQ(s.sourceLineage.FindChunk(5, -7)->nonZeroCount, 4u);

    // A chunk listed twice adds to what it holds, like setting its cells one by one.
    B twice;
    twice.u32(64).u32(3).i32(1).i32(1).u32(1).u16(0).u8(1).i32(1).i32(1).u32(0).i32(1).i32(1).u32(1).u16(5).u8(2);
    const SessionSnapshot t = Parse(File({Head(3), Rule(), Srcg(twice), Pats({Patn()})}));
    EXPECT_EQ(t.sourceGrid.ChunkCount(), 1u);
    EXPECT_EQ(t.sourceGrid.FindChunk(1, 1)->liveCount, 2u);
    EXPECT_EQ(t.sourceGrid.CellAt(64, 64), 1);
    EXPECT_EQ(t.sourceGrid.CellAt(69, 64), 2);
    B twiceLineage;
    twiceLineage.u32(64).u32(2).i32(0).i32(0).u32(1).u16(0).u8(1).i32(0).i32(0).u32(1).u16(1).u8(2);
    const SessionSnapshot l = Parse(File({Head(3), Rule(), Srcg(), Chunk("SRCL", twiceLineage), Pats({Patn()})}));
    EXPECT_EQ(l.sourceLineage.FindChunk(0, 0)->nonZeroCount, 2u);

    // A chunk with no cells stores nothing.
    EXPECT_EQ(Parse(File({Head(3), Rule(), Srcg(B().u32(64).u32(1).i32(4).i32(4).u32(0)), Pats({Patn()})}))
                  .sourceGrid.ChunkCount(),
              0u);
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
    EXPECT_EQ(load(Kind(1).add(Ctab(7, 1, two, {}))).selectedVariable, 1);
    EXPECT_EQ(load(Kind(1).add(Ctab(-9, 1, two, {}))).selectedVariable, -1);
    EXPECT_EQ(load(Kind(1).add(Ctab(0, 1, {}, {}))).selectedVariable, -1);
    EXPECT_EQ(load(Kind(1).add(Ctab(0, -4, two, {}))).nextLinkGroup, 1);
    EXPECT_EQ(load(Kind(1).add(Ctab(0, 9, two, {}))).nextLinkGroup, 9);
    // The kind may follow the constraint data.
    EXPECT_EQ(load(Ctab(7, 0, two, {}).add(Kind(1))).selectedVariable, 1);
    // A pattern tab keeps what it was given.
    EXPECT_EQ(load(Ctab(7, 0, two, {EntryWith({{3, Var(5, -1)}})})).selectedVariable, 7);

    // Literal cells lose variable and link group; variable cells keep their state byte.
    ConstraintEntry entry = EntryWith({{0, {false, 2, 1, 4}}, {1, {true, 9, 1, 3}}});
    const SessionPatternRecord r = load(Kind(1).add(Ctab(0, 4, two, {entry})));
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].slots[0], (ConstraintSlot{false, 2, -1, 0}));
    EXPECT_EQ(r.entries[0].slots[1], (ConstraintSlot{true, 9, 1, 3}));
    EXPECT_EQ(r.variables, two);

    // Non-zero flag bytes count as set.
    B flags;
    flags.i32(0).i32(1).u32(1).u8(7).u8(0).u16(0).text("a").u32(0).u32(1).u8(5).u8(0).u16(0).i32(0).i32(0);
    for (int i = 1; i < 10; ++i) flags.u8(0).u8(0).u16(0).i32(0).i32(0);
    const SessionPatternRecord f = load(Kind(1).add(Chunk("CTAB", flags)));
    EXPECT_TRUE(f.variables[0].builtIn);
    EXPECT_TRUE(f.entries[0].slots[0].isVariable);

    const auto error = [](const B& ctabPayload, std::uint8_t kind = 1) {
        return ErrorOf(WithPattern(Kind(kind).add(Chunk("CTAB", ctabPayload))));
    };
    const auto ctab = [](const std::vector<ConstraintVariable>& variables, const std::vector<ConstraintEntry>& entries) {
        const B chunk = Ctab(0, 1, variables, entries);
        return B{std::vector<std::uint8_t>(chunk.v.begin() + 12, chunk.v.end())};
    };
    EXPECT_EQ(error(ctab(two, {EntryWith({{2, Var(2)}})})), "Invalid constraint variable reference in .tavses file.");
    EXPECT_EQ(error(ctab(two, {EntryWith({{9, Var(-1)}})})), "Invalid constraint variable reference in .tavses file.");
    EXPECT_EQ(error(ctab(two, {EntryWith({{2, Var(1, -1)}})})), "Invalid constraint link group in .tavses file.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(4097)), "Corrupt .tavses file: too many constraint variables.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(2).u64(0).u32(0)), "Corrupt .tavses file: invalid constraint variable count.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(1).u32(0).u32(65537).u32(0)),
              "Corrupt .tavses file: constraint variable name is too large.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(1).u32(0).u32(5).u32(0)),
              "Corrupt .tavses file: invalid constraint variable name size.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(1).u32(0).u32(0).u32(17)),
              "Corrupt .tavses file: too many allowed states in a constraint variable.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(1).u32(0).u32(0).u32(3).u8(0).u8(1)),
              "Corrupt .tavses file: invalid constraint variable state count.");
    EXPECT_EQ(error(ctab({{false, "v", {0, 3}}}, {})), "Invalid constraint variable state in .tavses file.");
    EXPECT_EQ(error(ctab({{false, "v", {0xFF}}}, {})), "Invalid constraint variable state in .tavses file.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(0).u32(1048577)), "Corrupt .tavses file: too many constraint entries.");
    EXPECT_EQ(error(B().i32(0).i32(1).u32(0).u32(1).u64(0)), "Corrupt .tavses file: invalid constraint entry count.");
    EXPECT_EQ(error(ctab({}, {EntryWith({{4, {false, 3, -1, 0}}})})), "Invalid constraint entry state in .tavses file.");
    EXPECT_EQ(error(ctab({}, {EntryWith({{9, {false, 0x80, -1, 0}}})})), "Invalid constraint entry state in .tavses file.");
    EXPECT_EQ(error(B().i32(0)), "Unexpected end of file.");
}

TEST(SessionFile, EmptyAndLargeTextRoundTrip) {
    SessionSnapshot s;
    s.stateCount = 3;
    SessionPatternRecord record;
    record.kind = kSessionConstraintTab;
    record.variables = {{true, "a", {0, 1, 2}}, {false, std::string(65536, 'v'), {}}};
    s.patterns.push_back(record);
    const std::vector<std::uint8_t> bytes = SerializeSession(s);
    const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
    EXPECT_EQ(r.patterns[0].name, "");
    EXPECT_EQ(r.patterns[0].variables, record.variables);
    EXPECT_EQ(SerializeSession(r), bytes);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(ParseSession(std::string_view(text)).patterns[0].variables, record.variables);
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

}  // namespace
}  // namespace formats
