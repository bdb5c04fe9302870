#include "shell/census_panel.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>

#include "authoring/census.h"
#include "formats/rle.h"
#include "shell/text_fit.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;

namespace {

// Enough soups for the common objects to stand out, few enough to finish within seconds.
constexpr int kWindowSoups = 500;
// Progress redraws the bar once per this many soups.
constexpr int kProgressStep = 10;
constexpr float kRowHeight = 56;
constexpr float kThumbSide = 48;
constexpr float kCensusButtonWidth = 96;
constexpr float kCloseButtonWidth = 72;
constexpr int kHoverCensus = 60;
constexpr int kHoverClose = 61;

// Shared by the panel and the census running in the background.
struct Job {
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0};
};

RectF CensusButton(const Layout& l) {
    return {l.censusBar.left, l.censusBar.top, l.censusBar.left + kCensusButtonWidth, l.censusBar.bottom};
}

RectF CloseButton(const Layout& l) {
    return {l.censusBar.right - kCloseButtonWidth, l.censusBar.top, l.censusBar.right, l.censusBar.bottom};
}

std::string Describe(const authoring::CensusObject& object) {
    switch (object.kind) {
        case authoring::ObjectClass::Still: return "still life";
        case authoring::ObjectClass::Oscillator: return Format("oscillator, period %d", object.period);
        case authoring::ObjectClass::Spaceship:
            return Format("spaceship, period %d, moves %d, %d", object.period, object.dx, object.dy);
        case authoring::ObjectClass::Growing: return "growing";
        case authoring::ObjectClass::Unresolved: break;
    }
    return "unresolved";
}

}  // namespace

struct CensusPanel::State {
    std::shared_ptr<Job> job;
    std::optional<authoring::CensusResult> result;
    std::vector<formats::RlePattern> samples;  // parsed once, for the thumbnails and the paste
    std::string failure;
    bool cancelled = false;
    bool listShown = false;
    float scroll = 0;

    void Install(std::optional<authoring::CensusResult> found, std::string why, bool wasCancelled) {
        job.reset();
        result = std::move(found);
        failure = std::move(why);
        cancelled = wasCancelled;
        listShown = result.has_value();
        scroll = 0;
        samples.clear();
        if (!result) return;
        for (const authoring::CensusObject& object : result->objects) {
            try {
                samples.push_back(formats::ParseRle(object.sampleRle));
            } catch (const std::exception&) {
                samples.emplace_back();
            }
        }
    }
};

CensusPanel::CensusPanel(const PanelContext& context) : ctx_(context), state_(std::make_shared<State>()) {}

CensusPanel::~CensusPanel() {
    if (state_->job) state_->job->cancel.store(true);
}

bool CensusPanel::Running() const { return state_->job != nullptr; }

bool CensusPanel::ListShown() const { return state_->listShown && ctx_.layout.viewerLaidOut; }

void CensusPanel::Start() {
    const core::Rule& rule = ctx_.editor.Doc().rule;
    if (Running() || rule.table.empty()) return ctx_.Refuse();
    auto job = std::make_shared<Job>();
    state_->job = job;
    state_->failure.clear();
    authoring::CensusOptions options;
    options.soups = kWindowSoups;
    // One thread: the other core keeps the window and the viewer moving.
    options.threads = 1;
    options.seed = ctx_.platform.TickCountMs();
    Platform& platform = ctx_.platform;
    std::weak_ptr<State> owner = state_;
    platform.RunInBackground([rule, options, job, owner, &platform](const std::atomic<bool>& stop) {
        std::optional<authoring::CensusResult> result;
        std::string failure;
        try {
            result = authoring::RunCensus(rule, "", options, [&](int done) {
                if (done / kProgressStep != job->done.exchange(done) / kProgressStep)
                    platform.PostToUiThread([&platform] { platform.RequestRedraw(); });
                return !job->cancel.load() && !stop.load();
            });
        } catch (const std::exception& error) {
            failure = error.what();
        }
        platform.PostToUiThread([owner, job, result = std::move(result), failure, &platform]() mutable {
            const std::shared_ptr<State> state = owner.lock();
            if (!state || state->job != job) return;
            state->Install(std::move(result), std::move(failure), job->cancel.load());
            platform.RequestRedraw();
        });
    });
    ctx_.Redraw();
}

void CensusPanel::Cancel() {
    if (state_->job) state_->job->cancel.store(true);
    ctx_.Redraw();
}

void CensusPanel::Draw(Canvas& canvas) {
    const Layout& layout = ctx_.layout;
    if (!layout.viewerLaidOut) return;
    const State& s = *state_;
    const int hover = ctx_.view.hoverControl;
    DrawButton(canvas, CensusButton(layout), Running() ? "Cancel" : "Census", hover == kHoverCensus, Running());
    RectF status = layout.censusBar;
    status.left = CensusButton(layout).right + 10;
    if (ListShown()) {
        DrawButton(canvas, CloseButton(layout), "Close", hover == kHoverClose, false);
        status.right = CloseButton(layout).left - 10;
    }
    std::string text;
    if (Running()) {
        text = Format("Census: %d / %d soups", s.job->done.load(), kWindowSoups);
    } else if (!s.failure.empty()) {
        text = s.failure;
    } else if (s.result) {
        text = Format("%s%d soups, %d objects", s.cancelled ? "Cancelled: " : "", s.result->options.soups,
                      static_cast<int>(s.result->objects.size()));
    }
    canvas.DrawText(FitText(canvas, text, status.Width(), TextFormat::CompactLabel), status, TextFormat::CompactLabel,
                    kMutedText, HAlign::Leading, VAlign::Centre);
    if (!ListShown()) return;

    const RectF& grid = layout.viewerGrid;
    canvas.FillRect(grid, kGridFill);
    canvas.OutlineRect(grid, kBoxOutline, 1);
    const auto& objects = s.result->objects;
    if (objects.empty()) {
        canvas.DrawText("No objects found", grid, TextFormat::Label, kMutedText, HAlign::Centre, VAlign::Centre);
        return;
    }
    canvas.PushClip(grid);
    const auto& colors = ctx_.editor.Doc().colors;
    const auto first = static_cast<std::size_t>(s.scroll / kRowHeight);
    for (std::size_t i = first; i < objects.size(); ++i) {
        const float top = grid.top + static_cast<float>(i) * kRowHeight - s.scroll;
        if (top > grid.bottom) break;
        const formats::RlePattern& sample = s.samples[i];
        const RectF thumb{grid.left + 6, top + 4, grid.left + 6 + kThumbSide, top + 4 + kThumbSide};
        canvas.FillRect(thumb, kBoxFill);
        if (sample.width > 0 && sample.height > 0) {
            const float cell = std::min(8.0f, kThumbSide / static_cast<float>(std::max(sample.width, sample.height)));
            std::vector<CellInstance> cells;
            cells.reserve(sample.cells.size());
            for (const formats::RleCell& c : sample.cells)
                cells.push_back({{thumb.left + c.x * cell, thumb.top + c.y * cell, thumb.left + (c.x + 1) * cell,
                                  thumb.top + (c.y + 1) * cell},
                                 colors[c.state % colors.size()]});
            // A cell batch clips to its own rectangle alone: the list's edge is applied here.
            canvas.DrawCells(cells, {thumb.left, std::max(thumb.top, grid.top), thumb.right,
                                     std::min(thumb.bottom, grid.bottom)});
        }
        const float textLeft = thumb.right + 10, countLeft = grid.right - 90;
        canvas.DrawText(FitText(canvas, objects[i].name, countLeft - textLeft - 6, TextFormat::Label),
                        {textLeft, top + 4, countLeft - 6, top + 28}, TextFormat::Label, kPanelText, HAlign::Leading,
                        VAlign::Centre);
        canvas.DrawText(FitText(canvas, Describe(objects[i]), countLeft - textLeft - 6, TextFormat::CompactLabel),
                        {textLeft, top + 28, countLeft - 6, top + 52}, TextFormat::CompactLabel, kMutedText,
                        HAlign::Leading, VAlign::Centre);
        canvas.DrawText(Format("%llu", static_cast<unsigned long long>(objects[i].count)),
                        {countLeft, top, grid.right - 10, top + kRowHeight}, TextFormat::Label, kPanelText,
                        HAlign::Trailing, VAlign::Centre);
    }
    canvas.PopClip();
}

bool CensusPanel::Press(const MouseEvent& event) {
    const Layout& layout = ctx_.layout;
    // Every press on the list is its own: none paints the viewer's grid beneath.
    if (!layout.viewerLaidOut || event.button != MouseButton::Left)
        return ListShown() && layout.viewerGrid.Contains(event.x, event.y);
    if (CensusButton(layout).Contains(event.x, event.y)) {
        if (Running()) Cancel();
        else Start();
        return true;
    }
    if (ListShown() && CloseButton(layout).Contains(event.x, event.y)) {
        state_->listShown = false;
        ctx_.Redraw();
        return true;
    }
    if (!ListShown() || !layout.viewerGrid.Contains(event.x, event.y)) return false;
    const auto row = static_cast<std::size_t>((event.y - layout.viewerGrid.top + state_->scroll) / kRowHeight);
    if (row >= state_->samples.size() || state_->samples[row].cells.empty()) return true;
    const formats::RlePattern pattern = state_->samples[row];
    const std::string name = state_->result->objects[row].name;
    ctx_.window.CommitRename();
    ctx_.Guarded([&] {
        authoring::Editor& editor = ctx_.editor;
        editor.NewTab(authoring::PatternKind::Pattern);
        editor.RenameTab(static_cast<std::size_t>(editor.Doc().selectedTab), name);
        std::string refusal;
        if (editor.PastePattern(pattern, refusal) == authoring::EditOutcome::Refused) ctx_.Refuse(refusal);
    });
    ctx_.window.KeepCurrentTabVisible();
    return true;
}

bool CensusPanel::Wheel(float x, float y, bool up, Modifiers) {
    if (!ListShown() || !ctx_.layout.viewerGrid.Contains(x, y)) return false;
    const float rows = static_cast<float>(state_->result->objects.size()) * kRowHeight;
    const float most = std::max(0.0f, rows - ctx_.layout.viewerGrid.Height());
    state_->scroll = std::clamp(state_->scroll + (up ? -3 : 3) * kRowHeight, 0.0f, most);
    ctx_.Redraw();
    return true;
}

int CensusPanel::HoverAt(float x, float y) const {
    if (!ctx_.layout.viewerLaidOut) return -1;
    if (CensusButton(ctx_.layout).Contains(x, y)) return kHoverCensus;
    if (ListShown() && CloseButton(ctx_.layout).Contains(x, y)) return kHoverClose;
    return -1;
}

}  // namespace shell
