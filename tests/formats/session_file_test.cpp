#include "formats/session_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/random_soup.h"
#include "tests/formats/session_test_support.h"

namespace formats {
namespace {

using namespace sessiontest;

TEST(SessionFile, RoundTripKeepsEverything) {
    const SessionSnapshot s = RichSnapshot();
    const std::vector<std::uint8_t> bytes = SerializeSession(s);
    const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
    EXPECT_EQ(std::tie(r.stateCount, r.symmetry, r.selectedTab, r.tabScrollOffset, r.colorsStored, r.colors, r.ruleEntries),
              std::tie(s.stateCount, s.symmetry, s.selectedTab, s.tabScrollOffset, s.colorsStored, s.colors, s.ruleEntries));
    ExpectSameChunks(r.sourceGrid.Chunks(), s.sourceGrid.Chunks());
    ExpectSameChunks(r.sourceAnnotations.Chunks(), s.sourceAnnotations.Chunks());
    ExpectSameChunks(r.sourceLineage.Chunks(), s.sourceLineage.Chunks());
    EXPECT_EQ(std::tuple(r.sourceGrid.CellAt(-65, 100), r.sourceAnnotations.ValueAt(-5, -7)), std::tuple(2, 0x0305));
    ASSERT_EQ(r.patterns.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
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

// Timings of the same round trip are in bench/session_bench.cpp.
TEST(SessionFile, SoupRoundTripIsByteIdentical) {
    SessionSnapshot s;
    s.stateCount = 3;
    s.sourceGrid = core::MakeRandomSoup(300, 0.5, 3, 11);
    std::mt19937 rng(5);
    for (int t = 0; t < 4; ++t) {
        SessionPatternRecord record;
        record.name = "Tab " + std::to_string(t);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) record.startGrid.SetCell(x - 20, y - 20, static_cast<std::uint8_t>(rng() % 3));
        s.patterns.push_back(record);
    }
    const std::vector<std::uint8_t> bytes = SerializeSession(s);
    const SessionSnapshot r = ParseSession(std::span<const std::uint8_t>(bytes));
    ExpectSameChunks(r.sourceGrid.Chunks(), s.sourceGrid.Chunks());
    ExpectSameChunks(r.patterns[3].startGrid.Chunks(), s.patterns[3].startGrid.Chunks());
    EXPECT_EQ(SerializeSession(r), bytes);
}

TEST(SessionFile, WriterLayout) {
    SessionSnapshot s;
    s.stateCount = 2;
    s.patterns.emplace_back();
    const std::vector<std::uint8_t> bytes = SerializeSession(s);
    const B expectedStart = Header().add(Chunk("HEAD", HeadPayload(2))).add(Chunk("SYMM", B().u8(4).u8(0).u16(0)));
    ASSERT_GE(bytes.size(), expectedStart.v.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(expectedStart.v.size())),
              expectedStart.v);
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
              std::tuple(0, -1, 1, SessionCamera{1.0f, 2.0f, 16.0f}, 3u, 4u));
}

}  // namespace
}  // namespace formats
