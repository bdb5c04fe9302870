#include "core/overlay_layer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/step_grid.h"

namespace core {
namespace {

TEST(OverlayLayer, SetValueCountsAndSharing) {
    AnnotationLayer layer;
    layer.SetValue(-1, -1, 0x0201);
    AnnotationLayer copy = layer;
    copy.SetValue(-1, -1, 0);
    EXPECT_EQ(copy.ChunkCount(), 0u);
    EXPECT_EQ(layer.ValueAt(-1, -1), 0x0201);
    EXPECT_EQ(layer.FindChunk(-1, -1)->nonZeroCount, 1u);
    std::array<std::uint16_t, kChunkCells> zeros{};
    layer.StoreChunk(-1, -1, zeros.data());
    EXPECT_EQ(layer.ChunkCount(), 0u);
}

TEST(StepHistory, TrailsAgeAndFade) {
    ChunkGrid before, after;
    before.SetCell(1, 1, 2);
    after.SetCell(1, 1, 2);
    before.SetCell(5, 5, 3);  // dies
    after.SetCell(9, 9, 1);   // born
    HistoryLayer history, next;
    history.SetValue(1, 1, 0x0503);
    history.SetValue(2, 2, 0xFE03);
    StepHistory(before, history, after, next);
    // A trail ages; the oldest fades out; a death leaves its state + 1, a birth 1.
    EXPECT_EQ(std::tuple(next.ValueAt(1, 1), next.ValueAt(2, 2), next.ValueAt(5, 5), next.ValueAt(9, 9), next.ValueAt(3, 3)),
              std::tuple(0x0603, 0, 4, 1, 0));
}

TEST(StepHistory, TrailOutlivesItsCellsUntilItFades) {
    ChunkGrid before, empty;
    before.SetCell(200, 200, 1);
    HistoryLayer history;
    StepHistory(before, HistoryLayer(), empty, history);
    EXPECT_EQ(history.ValueAt(200, 200), 2);
    for (int age = 1; age <= 254; ++age) {
        HistoryLayer next;
        StepHistory(empty, history, empty, next);
        history = next;
        ASSERT_EQ(history.ValueAt(200, 200), age * 256 + 2) << age;
    }
    HistoryLayer last;
    StepHistory(empty, history, empty, last);
    EXPECT_EQ(last.ChunkCount(), 0u);
}

TEST(StepLineages, MajorityInheritance) {
    ChunkGrid before, after;
    LineageLayer lineage, next;
    // Birth at (10,10) from three live neighbours of lineage 2, 2, 5.
    before.SetCell(9, 9, 1), lineage.SetValue(9, 9, 2);
    before.SetCell(10, 9, 1), lineage.SetValue(10, 9, 2);
    before.SetCell(11, 9, 1), lineage.SetValue(11, 9, 5);
    after.SetCell(10, 10, 1);
    // Birth at (30,30) from lineages 2, 5 and none.
    before.SetCell(29, 29, 1), lineage.SetValue(29, 29, 2);
    before.SetCell(30, 29, 1), lineage.SetValue(30, 29, 5);
    before.SetCell(31, 29, 1);
    after.SetCell(30, 30, 1);
    // Birth from two neighbours of lineage 3.
    before.SetCell(49, 49, 1), lineage.SetValue(49, 49, 3);
    before.SetCell(51, 49, 1), lineage.SetValue(51, 49, 3);
    after.SetCell(50, 50, 2);
    // A survivor changing state keeps its id; a death loses it.
    before.SetCell(70, 70, 1), lineage.SetValue(70, 70, 7);
    after.SetCell(70, 70, 2);
    StepLineages(before, lineage, after, next);
    EXPECT_EQ(std::tuple(next.ValueAt(10, 10), next.ValueAt(30, 30), next.ValueAt(50, 50), next.ValueAt(70, 70),
                         next.ValueAt(9, 9)),
              std::tuple(2, 0, 3, 7, 0));
}

}  // namespace
}  // namespace core
