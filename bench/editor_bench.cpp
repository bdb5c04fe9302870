// The editor must feel instant: painting a transition through the whole rebuild, counting the
// undefined transitions, saving and loading a session.
#include <benchmark/benchmark.h>

#include <random>

#include "authoring/editor.h"
#include "bench/reference_session.h"
#include "core/random_soup.h"
#include "formats/session_file.h"

namespace {

// 15 generations shown in a 1200 x 800 view.
authoring::Editor ReferenceEditor(int tabs = 12) {
    authoring::Editor editor(authoring::ViewSize{1200, 800}, 1);
    editor.SetFrameArea(15, authoring::ViewSize{1200, 800});
    FillReferenceSession(editor, tabs);
    return editor;
}

void BM_PaintTransitionOnLastTab(benchmark::State& state) {
    authoring::Editor editor = ReferenceEditor();
    // Find a frame cell of the last tab whose transition is still free.
    std::size_t frame = 0;
    std::int32_t cellX = 0, cellY = 0;
    bool found = false;
    for (std::size_t f = 14; f >= 1 && !found; --f)
        for (std::int32_t y = -1; y <= 41 && !found; ++y)
            for (std::int32_t x = -1; x <= 41 && !found; ++x) {
                editor.BeginStroke();
                if (editor.PaintCell({authoring::Surface::TabFrame, f}, x, y, false) ==
                    authoring::EditOutcome::Changed) {
                    frame = f, cellX = x, cellY = y, found = true;
                }
            }
    if (!found) {
        state.SkipWithError("no free transition on the last tab");
        return;
    }
    for (auto _ : state) {
        editor.BeginStroke();
        benchmark::DoNotOptimize(editor.PaintCell({authoring::Surface::TabFrame, frame}, cellX, cellY, false));
    }
}
BENCHMARK(BM_PaintTransitionOnLastTab)->Unit(benchmark::kMillisecond);

authoring::Editor SessionEditor() {
    authoring::Editor editor = ReferenceEditor();
    formats::SessionSnapshot session = editor.ToSession();
    session.sourceGrid = core::MakeRandomSoup(1000, 2.0 / 3.0, 3, 9);
    editor.LoadSession(session);
    return editor;
}

void BM_SaveSession(benchmark::State& state) {
    const authoring::Editor editor = SessionEditor();
    for (auto _ : state) benchmark::DoNotOptimize(formats::SerializeSession(editor.ToSession()));
}
BENCHMARK(BM_SaveSession)->Unit(benchmark::kMillisecond);

void BM_LoadSession(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = formats::SerializeSession(SessionEditor().ToSession());
    authoring::Editor editor;
    for (auto _ : state) editor.LoadSession(formats::ParseSession(std::span<const std::uint8_t>(bytes)));
}
BENCHMARK(BM_LoadSession)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
