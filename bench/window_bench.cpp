// The window must keep up with the user: one frame prepared well inside a 60 Hz refresh, playback
// at 60 generations per second, and a painted transition visible by the next frame.
#include <benchmark/benchmark.h>

#include "authoring/editor.h"
#include "bench/reference_session.h"
#include "formats/session_file.h"
#include "shell/layout.h"
#include "shell/playback.h"
#include "shell/main_window_view.h"

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
    std::optional<SizeDensity> prompt;
    std::optional<SizeDensity> PromptPatternSize(int, double) override { return prompt; }
    void SetTitle(const std::string&) override {}
    void RequestRedraw() override {}
    void RequestRedrawAfter(int) override {}
    void Close() override {}
    void PostToUiThread(std::function<void()>) override {}
    std::string session;  // every file reads as this
    shell::FileContents ReadFile(const std::string&) override { return {std::nullopt, session}; }
    std::optional<formats::FileFailure> WriteFile(const std::string&, const std::string&) override {
        return formats::FileFailure{formats::FileFailure::Stage::Open, 0};
    }
    void StartUpdateCheck(const std::string&, std::function<void(update::UpdateNotice)>) override {}
    void RunInBackground(std::function<void(const std::atomic<bool>&)>) override {}
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
// benchmarks' reference session, loaded into a window of the default size as a user opens a file.
struct Window {
    IdlePlatform platform;
    shell::MainWindowView view{platform};

    Window() {
        view.Resize(1280, 1080);
        authoring::Editor reference(FrameSize());
        FillReferenceSession(reference);
        const std::vector<std::uint8_t> bytes = formats::SerializeSession(reference.ToSession());
        platform.session.assign(bytes.begin(), bytes.end());
        view.OpenPath("reference.tavses");
    }

    // New tabs fit their cells to this.
    authoring::ViewSize FrameSize() const {
        const shell::RectF& grid = view.CurrentLayout().frameGrid[0];
        return {grid.Width(), grid.Height()};
    }
    void Frame(benchmark::State& state) {
        CountingCanvas canvas;
        view.DrawFrame(canvas);
        state.counters["cells"] = static_cast<double>(canvas.cells);
        state.counters["items"] = static_cast<double>(canvas.items);
    }
    void Click(const shell::RectF& r, shell::MouseButton button = shell::MouseButton::Left) {
        shell::MouseEvent event;
        event.x = (r.left + r.right) / 2;
        event.y = (r.top + r.bottom) / 2;
        event.button = button;
        view.MousePress(event);
        view.MouseRelease(event);
    }
    void Key(shell::Key key, int digit = 0) {
        shell::KeyEvent event;
        event.key = key;
        event.digit = digit;
        view.KeyDown(event);
    }
    // A new soup of `size` cells square, through the Randomize button's size prompt.
    void Randomize(int size) {
        platform.prompt = shell::Platform::SizeDensity{size, 2.0 / 3.0};
        Click(view.CurrentLayout().viewerButtons[shell::kRandomize], shell::MouseButton::Right);
    }
};

// The viewer hidden, so the rule editor shows all 15 frames.
void BM_DrawFrameReferenceSession(benchmark::State& state) {
    Window window;
    window.view.Command(shell::command::kShowPatternViewer);
    const authoring::Editor& model = window.view.Model();
    if (model.Doc().tabs.size() != 12 || model.Doc().RuleEditorPageSelected() ||
        window.view.CurrentLayout().visibleFrames != 15) {
        state.SkipWithError("the 15 frames are not shown");
        return;
    }
    for (auto _ : state) window.Frame(state);
}
BENCHMARK(BM_DrawFrameReferenceSession)->Unit(benchmark::kMillisecond);

void BM_DrawFrameMaximizedViewer2048(benchmark::State& state) {
    Window window;
    window.view.Command(shell::command::kMaximizePatternViewer);
    window.Randomize(2048);
    // One pixel a cell: zoomed all the way out.
    const shell::RectF grid = window.view.CurrentLayout().viewerGrid;
    for (int i = 0; i < 100; ++i) window.view.Wheel((grid.left + grid.right) / 2, (grid.top + grid.bottom) / 2, -1, {});
    // A few generations in, so most of the grid carries trails too.
    for (int g = 0; g < 3; ++g) window.Key(shell::Key::Space);
    for (auto _ : state) window.Frame(state);
}
BENCHMARK(BM_DrawFrameMaximizedViewer2048)->Unit(benchmark::kMillisecond);

// One timer tick at 60 gen/s with its frame, coverage included: under 16.7 ms keeps the pace.
void BM_Playback512At60(benchmark::State& state) {
    Window window;
    window.Randomize(512);
    for (std::size_t i = 0; i < shell::kPlaybackSpeedTable.size(); ++i)
        window.Click(window.view.CurrentLayout().viewerButtons[shell::kSpeedUp]);
    window.Key(shell::Key::Enter);
    const authoring::Editor& model = window.view.Model();
    std::int64_t generations = 0;
    for (auto _ : state) {
        const std::int64_t before = model.Doc().source.generation;
        window.platform.nowNs += 16'666'667;
        window.view.TimerTick();
        window.Frame(state);
        generations += model.Doc().source.generation - before;
    }
    state.counters["gen_per_tick"] =
        static_cast<double>(generations) / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_Playback512At60)->Unit(benchmark::kMillisecond);

// A right press that rewrites a transition of the last tab, through the rebuild, to a drawn frame.
void BM_PaintPressToFrame(benchmark::State& state) {
    Window window;
    shell::MainWindowView& view = window.view;
    view.Command(shell::command::kShowStateBar);  // the digit keys choose what a press paints
    // A point of a late frame whose transition both brushes may change, found on a copy of the
    // session so the window's own stays untouched.
    authoring::Editor probe(window.FrameSize());
    FillReferenceSession(probe);
    const shell::Layout& layout = view.CurrentLayout();
    float px = 0, py = 0;
    bool found = false;
    for (int f = layout.visibleFrames - 1; f >= 1 && !found; --f) {
        const shell::RectF grid = layout.frameGrid[static_cast<std::size_t>(f)];
        for (float y = grid.top + 1; y < grid.bottom && !found; y += 4)
            for (float x = grid.left + 1; x < grid.right && !found; x += 4) {
                const auto cell = view.CellAt(x, y);
                if (!cell) continue;
                bool both = true;
                for (int brush : {1, 2}) {
                    probe.BeginStroke();
                    both = both && probe.PaintCell({authoring::Surface::TabFrame, static_cast<std::size_t>(f)},
                                                   cell->first, cell->second, false,
                                                   {true, static_cast<std::uint8_t>(brush)}) ==
                                       authoring::EditOutcome::Changed;
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
        window.Key(shell::Key::Digit, brush);
        brush = 3 - brush;
        view.MousePress(press);
        view.MouseRelease(press);
        window.Frame(state);
    }
}
BENCHMARK(BM_PaintPressToFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
