// The window must keep up with the user: one frame prepared well inside a 60 Hz refresh, playback
// at 60 generations per second, and a painted transition visible by the next frame.
#include <benchmark/benchmark.h>

#include "authoring/editor.h"
#include "bench/reference_session.h"
#include "shell/main_window_view_impl.h"

namespace {

// A desktop that answers nothing and a canvas that only counts, so the figures are the window's own.
class IdlePlatform : public shell::Platform {
public:
    std::int64_t nowNs = 1'000'000'000;
    shell::MessageAnswer ShowMessage(const shell::MessageBox&) override { return shell::MessageAnswer::Ok; }
    void Beep() override {}
    std::optional<std::string> ClipboardText() override { return std::nullopt; }
    bool SetClipboardText(const std::string&) override { return false; }
    std::optional<std::string> OpenFile(const shell::FileDialog&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const shell::FileDialog&) override { return std::nullopt; }
    std::optional<shell::Rgb> PickColor(shell::Rgb) override { return std::nullopt; }
    void OpenUrl(const std::string&) override {}
    void SetPlaybackTimer(int) override {}
    std::int64_t NowNanoseconds() override { return nowNs; }
    std::uint32_t TickCountMs() override { return 7; }
    void BeginTextInput(float, float, float, float, const std::string&) override {}
    void EndTextInput() override {}
    std::optional<SizeDensity> PromptPatternSize(int, double) override { return std::nullopt; }
    void SetTitle(const std::string&) override {}
    void RequestRedraw() override {}
    void Close() override {}
    void PostToUiThread(std::function<void()>) override {}
};

class CountingCanvas : public shell::Canvas {
public:
    std::size_t items = 0, cells = 0;
    void FillRect(const shell::RectF&, const shell::ColorF&) override { ++items; }
    void OutlineRect(const shell::RectF&, const shell::ColorF&, float) override { ++items; }
    void DrawWrappedText(std::string_view, const shell::RectF&, shell::TextFormat, const shell::ColorF&) override {
        ++items;
    }
    void DrawText(std::string_view, const shell::RectF&, shell::TextFormat, const shell::ColorF&, shell::HAlign,
                  shell::VAlign) override {
        ++items;
    }
    float MeasureTextWidth(std::string_view text, shell::TextFormat) override {
        return 9.0f * static_cast<float>(text.size());
    }
    void DrawCells(const std::vector<shell::CellInstance>& batch, const shell::RectF&) override {
        cells += batch.size();
    }
    void DrawCellImage(const shell::CellImage& image, const shell::RectF&) override {
        cells += image.pixels.size();
    }
    void PushClip(const shell::RectF&) override {}
    void PopClip() override {}
};

// 3 states, D8, a random rule, 12 tabs of 40 x 40 random cells, 15 generations shown: the model
// benchmarks' reference session, in a window of the default size.
struct Window {
    IdlePlatform platform;
    shell::MainWindowViewImpl view{platform};

    Window() {
        view.startScreenShown = false;
        view.width = 1280;
        view.height = 1080;
        view.Relayout();
        view.CentreViewerCamera();
        FillReferenceSession(view.editor);
        view.AfterChange();
    }

    void Frame(benchmark::State& state) {
        CountingCanvas canvas;
        view.DrawFrame(canvas);
        state.counters["cells"] = static_cast<double>(canvas.cells);
        state.counters["items"] = static_cast<double>(canvas.items);
    }
};

// The viewer hidden, so the rule editor shows all 15 frames.
void BM_DrawFrameReferenceSession(benchmark::State& state) {
    Window window;
    window.view.Command(shell::command::kShowPatternViewer);
    if (!window.view.FramesShown() || window.view.layout.visibleFrames != 15) {
        state.SkipWithError("the 15 frames are not shown");
        return;
    }
    for (auto _ : state) window.Frame(state);
}
BENCHMARK(BM_DrawFrameReferenceSession)->Unit(benchmark::kMillisecond);

void BM_DrawFrameMaximizedViewer2048(benchmark::State& state) {
    Window window;
    window.view.Command(shell::command::kMaximizePatternViewer);
    window.view.RandomizeViewer(2048, 2.0 / 3.0, false);
    window.view.viewerCamera.cellSize = 1;
    // A few generations in, so most of the grid carries trails too.
    for (int g = 0; g < 3; ++g) window.view.StepForward();
    for (auto _ : state) window.Frame(state);
}
BENCHMARK(BM_DrawFrameMaximizedViewer2048)->Unit(benchmark::kMillisecond);

// One timer tick at 60 gen/s with its frame, coverage included: under 16.7 ms keeps the pace.
void BM_Playback512At60(benchmark::State& state) {
    Window window;
    window.view.RandomizeViewer(512, 2.0 / 3.0, false);
    window.view.speedIndex = shell::kMaxSpeedIndex;
    window.view.TogglePlay();
    std::int64_t generations = 0;
    for (auto _ : state) {
        const std::int64_t before = window.view.editor.Doc().source.generation;
        window.platform.nowNs += 16'666'667;
        window.view.TimerTick();
        window.Frame(state);
        generations += window.view.editor.Doc().source.generation - before;
    }
    state.counters["gen_per_tick"] =
        static_cast<double>(generations) / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_Playback512At60)->Unit(benchmark::kMillisecond);

// A right press that rewrites a transition of the last tab, through the rebuild, to a drawn frame.
void BM_PaintPressToFrame(benchmark::State& state) {
    Window window;
    shell::MainWindowViewImpl& view = window.view;
    authoring::Editor& editor = view.editor;
    float px = 0, py = 0;
    bool found = false;
    // A point of a late frame whose transition both brushes may change.
    for (int f = 14; f >= 1 && !found; --f) {
        const shell::HitSurface surface{false, f};
        const shell::RectF grid = view.GridRectOf(surface);
        const float step = std::max(1.0f, view.CameraOf(surface).cellSize);
        for (float y = grid.top + step / 2; y < grid.bottom && !found; y += step)
            for (float x = grid.left + step / 2; x < grid.right && !found; x += step) {
                const auto [cx, cy] = view.CellAt(surface, x, y);
                bool both = true;
                for (int brush : {1, 2}) {
                    view.selectedState = brush;
                    editor.BeginStroke();
                    both = both && editor.PaintCell({authoring::Surface::TabFrame, static_cast<std::size_t>(f)}, cx, cy,
                                                    false, view.PaintBrush()) == authoring::EditOutcome::Changed;
                }
                if (both) {
                    px = x, py = y, found = true;
                }
            }
    }
    if (!found) {
        state.SkipWithError("no free transition on the last tab");
        return;
    }
    shell::MouseEvent press;
    press.x = px;
    press.y = py;
    press.button = shell::MouseButton::Right;
    int brush = 1;
    for (auto _ : state) {
        view.selectedState = brush;
        brush = 3 - brush;
        view.MousePress(press);
        view.MouseRelease(press);
        window.Frame(state);
    }
}
BENCHMARK(BM_PaintPressToFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
