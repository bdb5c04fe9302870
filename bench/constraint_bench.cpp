// Constraint tabs re-apply on every rebuild, so expanding them must stay cheap.
#include <benchmark/benchmark.h>

#include "authoring/constraint_tab.h"
#include "authoring/editor.h"

namespace {

// 5 states, D8, `tabs` constraint tabs whose entry uses four variables of four states each.
authoring::Editor ConstraintChain(int tabs) {
    authoring::Editor editor(authoring::ViewSize{}, 1);
    editor.CreateRule(5, 4);
    for (int t = 0; t < tabs; ++t) {
        editor.NewTab(authoring::PatternKind::Constraint);
        for (int v = 0; v < 4; ++v) editor.MakeVariable({0, 1, 2, static_cast<std::uint8_t>(3 + (v + t) % 2)});
        // Variables 1..4 on N, E, S, W; the centre fixed to the tab's number so tabs differ.
        const int slots[] = {1, 5, 7, 3};
        for (int v = 0; v < 4; ++v) {
            editor.SelectVariable(v + 1);
            editor.SetSlotToVariable(0, slots[v], false);
        }
        for (int s = 0; s < t % 5; ++s) editor.CycleSlotState(0, 4, false);
        editor.SelectVariable(-1);
        editor.CycleSlotState(0, authoring::kOutputSlot, false);
    }
    return editor;
}

void BM_RebuildConstraintChain(benchmark::State& state) {
    authoring::Editor editor = ConstraintChain(10);
    std::size_t changes = 0;
    for (const auto& tab : editor.Doc().tabs)
        for (const auto& expansion : tab.expansions) changes += expansion.changes.size();
    // Selecting the first tab computes the whole chain again.
    for (auto _ : state) editor.SelectTab(0);
    state.counters["changes"] = static_cast<double>(changes);
}
BENCHMARK(BM_RebuildConstraintChain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
