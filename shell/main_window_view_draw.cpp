// One frame of the window: panels, controls, the tab bar, the grid panes and the toast.
#include <algorithm>
#include <cstdio>

#include "core/rule_table.h"
#include "shell/coverage_bar.h"
#include "shell/main_window_view_impl.h"
#include "shell/state_bar.h"
#include "shell/surface_painter.h"
#include "shell/theme.h"

namespace shell {

using namespace theme;


void MainWindowViewImpl::DrawFrame(Canvas& canvas) {
    canvas.FillRect({0, 0, width, height}, kBackground);
    DrawCoverageBar(canvas);
    bool stateBarDrawn = false;
    if (layout.viewerLaidOut) {
        const RectF& t = layout.viewerTitle;
        canvas.DrawText("Pattern Viewer", t, TextFormat::Title, kPanelText, HAlign::Leading, VAlign::Centre);
        DrawViewerControls(canvas);
        DrawSurface(canvas, HitSurface{true, -1}, false, false);
        DrawStateBar(canvas);
        stateBarDrawn = true;
    }
    if (layout.ruleColumnLaidOut) {
        if (!stateBarDrawn) DrawStateBar(canvas);
        canvas.DrawText(flags.colorEditorOpen ? "Color Editor" : "Rule Editor", layout.ruleTitle, TextFormat::Title,
                        kPanelText, HAlign::Leading, VAlign::Centre);
        if (flags.colorEditorOpen) {
            DrawColorEditor(canvas);
        } else {
            DrawTabBar(canvas);
            if (FramesShown()) DrawFrames(canvas);
            else if (RuleEditorPageShown()) DrawRuleEditorPage(canvas);
            else if (ShownConstraintTab()) DrawConstraintPage(canvas);
            else DrawPagePlaceholder(canvas);
        }
    }
    DrawToast(canvas);
    if (ctrlHeld) DrawStateBar(canvas);
    if (startScreenShown) DrawStartScreen(canvas);
}

void MainWindowViewImpl::DrawCoverageBar(Canvas& canvas) {
    const RectF& bar = layout.coverageBar;
    canvas.FillRect(bar, kBoxFill);
    canvas.OutlineRect(bar, kBoxOutline, 1);
    const std::vector<std::uint64_t> counts = CoverageCounts();
    const std::uint64_t total = core::RuleTableSize(StateCount());
    const std::vector<RectF> segments = CoverageSegments(bar, counts, total);
    const int current = editor.Doc().selectedTab;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (counts[i] == 0) continue;
        RectF r = segments[i];
        r.right += 0.75f;
        if (i > 0) r.left -= 0.75f;
        ColorF c = int(i) < current ? ColorF{0.10f, 0.58f, 0.64f, 1}
                   : int(i) == current ? ColorF{0.08f, 0.90f, 0.94f, 1}
                                       : ColorF{0.08f, 0.38f, 0.68f, 1};
        if (i % 2 == 1) c = Scaled(c, 0.84f);
        canvas.FillRect(r, c);
    }
    const RectF& fam = layout.familiarityBar;
    const auto& source = editor.Doc().source;
    canvas.FillRect(fam, kBoxFill);
    const float share = static_cast<float>(std::clamp(source.familiarity / 100.0, 0.0, 1.0));
    canvas.FillRect({fam.left, fam.top, fam.left + fam.Width() * share, fam.bottom}, kAccent);

    const std::string coverage = Format("%.3f%%", CoverageShare(counts, total));
    const std::string viewer =
        source.patternSize < 512
            ? Format("%.3f%% | Pattern Viewer %.2f ms", source.familiarity, source.lastStepMilliseconds)
            : Format("%dx%d Performance | %.2f ms", source.patternSize, source.patternSize,
                     source.lastStepMilliseconds);
    canvas.DrawText(coverage + "   " + viewer, layout.readout, TextFormat::CompactLabel, kMutedText, HAlign::Leading,
                    VAlign::Centre);

    if (hoverControl >= 2000 && hoverControl - 2000 < int(TabCount()) && total > 0) {
        const auto i = static_cast<std::size_t>(hoverControl - 2000);
        const std::string name = editor.Doc().tabs[i].name.empty() ? "Pattern " + std::to_string(i + 1)
                                                                    : editor.Doc().tabs[i].name;
        const std::string tip = Format("%s: %.2f%%", name.c_str(), 100.0 * double(counts[i]) / double(total));
        const float w = canvas.MeasureTextWidth(tip, TextFormat::CompactLabel) + 20;
        const float left = std::clamp(mouseX + 12, 14.0f, std::max(14.0f, width - 14 - w));
        const RectF box{left, bar.bottom + 6, left + w, bar.bottom + 30};
        canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.94f});
        canvas.OutlineRect(box, kBoxOutline, 1);
        canvas.DrawText(tip, box, TextFormat::CompactLabel, kLightLabel, HAlign::Centre, VAlign::Centre);
    }
}

void MainWindowViewImpl::DrawViewerControls(Canvas& canvas) {
    static constexpr const char* kLabels[] = {"Play", "Reset", "Randomize", "<", ">", "", "-", "", "+"};
    const auto& source = editor.Doc().source;
    for (int i = 0; i < int(kViewerButtonCount); ++i) {
        const RectF& r = layout.viewerButtons[static_cast<std::size_t>(i)];
        if (i == kGenerationBox) {
            DrawReadoutBox(canvas, r,
                           source.patternSize < 512
                               ? Format("T %d", source.generation)
                               : Format("T %d | %dx%d", source.generation, source.patternSize, source.patternSize));
        } else if (i == kSpeedBox) {
            DrawReadoutBox(canvas, r, Format("%d gen/s", PlaybackRate(speedIndex)));
        } else {
            const bool pause = i == kPlayPause && playing;
            DrawButton(canvas, r, pause ? "Pause" : kLabels[i], hoverControl == 3 + i, pause);
        }
    }
}

void MainWindowViewImpl::DrawStateBar(Canvas& canvas) {
    if (!flags.stateBarShown || layout.stateBar.Width() <= 0) return;
    const RectF& bar = layout.stateBar;
    canvas.FillRect(bar, kBoxFill);
    canvas.OutlineRect(bar, kBoxOutline, 1);
    const RectF pages = StateBarPageSwitch(bar);
    const float mid = (pages.left + pages.right) / 2;
    const RectF states{pages.left, pages.top, mid, pages.bottom}, markers{mid, pages.top, pages.right, pages.bottom};
    canvas.FillRect(statePageMarkers ? markers : states, kButtonActive);
    canvas.OutlineRect(pages, kBoxOutline, 1);
    canvas.DrawText("S", states, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    canvas.DrawText("A", markers, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    const int n = StateCount();
    if (!statePageMarkers) {
        for (int s = 0; s < n; ++s) {
            const RectF r = StateSwatch(bar, n, s);
            if (r.Height() <= 0) break;
            const authoring::Color& c = editor.Doc().colors[static_cast<std::size_t>(s)];
            canvas.FillRect(r, {c.red, c.green, c.blue, 1});
            if (s == selectedState) canvas.OutlineRect(r, {0.98f, 0.99f, 1.0f, 1}, 3);
            else canvas.OutlineRect(r, kPanelText, 1.5f);
            const bool dark = 0.299f * c.red + 0.587f * c.green + 0.114f * c.blue >= 0.56f;
            canvas.DrawText(n > 10 && s < 2 ? Format("%02d", s) : Format("%d", s), r, TextFormat::CompactLabel,
                            dark ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
        }
        return;
    }
    for (int marker = 1; marker <= 8; ++marker) {
        const RectF r = MarkerRow(bar, marker);
        if (r.Height() <= 0) break;
        const ColorF c = kMarkerColors[static_cast<std::size_t>(marker - 1)];
        canvas.FillRect(r, c);
        if (marker == markerValue) canvas.OutlineRect(r, kPanelText, 2.5f);
        else canvas.OutlineRect(r, kBoxOutline, 1);
        canvas.DrawText(Format("%d", marker), r, TextFormat::CompactLabel,
                        c.red + c.green + c.blue > 1.7f ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
    }
}

void MainWindowViewImpl::DrawTabBar(Canvas& canvas) {
    DrawButton(canvas, layout.scrollLeft, "<", hoverControl == 0, false);
    DrawButton(canvas, layout.scrollRight, ">", hoverControl == 1, false);
    DrawButton(canvas, layout.newTab, "+", hoverControl == 2, false);
    canvas.PushClip(layout.tabStrip);
    const int current = editor.Doc().selectedTab;
    for (std::size_t i = 0; i < layout.tabs.size(); ++i) {
        const RectF& r = layout.tabs[i];
        if (r.right < layout.tabStrip.left || r.left > layout.tabStrip.right) continue;
        const bool isCurrent = int(i) == current;
        canvas.FillRect(r, isCurrent ? kTabCurrent : hoverControl == 100 + int(i) ? kButtonHover : kTabFill);
        canvas.OutlineRect(r, isCurrent ? kAccent : kBoxOutline, 1);
        if (isCurrent) canvas.FillRect({r.left, r.bottom - 3, r.right, r.bottom}, kAccent);
        if (!editor.Doc().tabs[i].IsPattern())
            canvas.FillRect({r.left, r.top, r.left + 3, r.bottom}, {0.85f, 0.62f, 0.2f, 1});
        const RectF text = RenameTextRect(int(i));
        const std::string name = TabName(i);
        canvas.PushClip(text);
        canvas.DrawText(name, text, TextFormat::Label, kPanelText, HAlign::Leading, VAlign::Centre);
        if (rename.tab == int(i)) {
            const float caret = text.left + canvas.MeasureTextWidth(name, TextFormat::Label) + 1;
            canvas.FillRect({caret, r.top + 8, caret + 1.5f, r.bottom - 8}, kPanelText);
        }
        canvas.PopClip();
        const RectF& box = layout.closeBoxes[i];
        canvas.FillRect(box, hoverControl == 1000 + int(i) ? kCloseHover : kCloseFill);
        canvas.DrawText("x", box, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    }
    const RectF& d = layout.directEditorTab;
    const bool directCurrent = RuleEditorPage();
    canvas.FillRect(d, directCurrent ? kTabCurrent : hoverControl == 100 + int(TabCount()) ? kButtonHover : kTabFill);
    canvas.OutlineRect(d, directCurrent ? kAccent : kBoxOutline, 1);
    if (directCurrent) canvas.FillRect({d.left, d.bottom - 3, d.right, d.bottom}, kAccent);
    canvas.DrawText(kDirectEditor, d, TextFormat::Label, kPanelText, HAlign::Centre, VAlign::Centre);
    canvas.PopClip();
}

void MainWindowViewImpl::DrawFrames(Canvas& canvas) {
    const auto& tab = editor.Doc().SelectedTab();
    const bool randomizer = editor.FrameRandomizerActive() && randomizerTab == editor.Doc().selectedTab;
    for (int k = 0; k < layout.visibleFrames; ++k) {
        const bool focused = focus == Focus::Panel && focusedFrame == k;
        DrawSurface(canvas, HitSurface{false, k}, focused, randomizer && k == layout.visibleFrames - 1);
        const RectF& outer = layout.frameOuter[static_cast<std::size_t>(k)];
        const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + std::uint64_t(k);
        const RectF label{outer.left + 8, outer.top + 4, outer.right - 8, outer.top + 22};
        canvas.DrawText(Format("G%llu", static_cast<unsigned long long>(g)), label,
                        k == 0 ? TextFormat::Label : TextFormat::CompactLabel, k == 0 ? kAccent : kMutedText,
                        HAlign::Leading, VAlign::Centre);
        if (const std::optional<std::uint64_t> guard = authoring::LockGuardGeneration(tab.locks, g)) {
            const RectF second{outer.left + 8, outer.top + 20, outer.right - 8, outer.top + 36};
            canvas.DrawText(Format("%zu/%zu locked", static_cast<std::size_t>(tab.locks.CountLocked(*guard)),
                                   static_cast<std::size_t>(tab.locks.Base().EntryCount())),
                            second, TextFormat::CompactLabel, kDimText, HAlign::Leading, VAlign::Centre);
        }
    }
}

void MainWindowViewImpl::DrawPagePlaceholder(Canvas& canvas) {
    const RectF& page = layout.page;
    canvas.FillRect(page, kBoxFill);
    canvas.OutlineRect(page, kBoxOutline, 1);
    if (!RuleEditorPage()) return;
    const RectF line{page.left + 16, page.top + 12, page.right - 16, page.top + 40};
    canvas.DrawText(UndefinedStatus(), line, TextFormat::Label, kPanelText, HAlign::Leading,
                    VAlign::Centre);
}

void MainWindowViewImpl::DrawToast(Canvas& canvas) {
    if (!toast.shown) return;
    if (platform.TickCountMs() >= toast.expiresMs) {
        toast.shown = false;
        return;
    }
    const std::string text = toast.firstDigit ? Format("State %d...", toast.state) : Format("State %d", toast.state);
    const float w = std::max(canvas.MeasureTextWidth(text, TextFormat::CompactLabel) + 28, 92.0f);
    const float h = 30;
    const float left = std::clamp(toast.x + 18, 14.0f, std::max(14.0f, width - 14 - w));
    const float top = std::clamp(toast.y + 22, 14.0f, std::max(14.0f, height - 14 - h));
    const RectF box{left, top, left + w, top + h};
    canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.94f});
    canvas.OutlineRect(box, {0.95f, 0.96f, 1.0f, 0.95f}, 2);
    canvas.DrawText(text, box, TextFormat::CompactLabel, kLightLabel, HAlign::Centre, VAlign::Centre);
}

void MainWindowViewImpl::DrawSurface(Canvas& canvas, const HitSurface& surface, bool focused, bool randomizerEnd) {
    const RectF& grid = GridRectOf(surface);
    if (grid.Width() <= 0 || grid.Height() <= 0) return;
    const authoring::Camera camera = CameraOf(surface);
    const authoring::Document& doc = editor.Doc();
    canvas.FillRect(grid, kGridFill);
    SurfacePainter painter(canvas, doc.colors, StateCount(), appearance, camera, grid, paintScratch);
    const core::ChunkGrid* cells = &doc.source.grid;
    const core::HistoryLayer* history = &doc.source.history;
    const core::AnnotationLayer* annotations = &doc.source.annotations;
    const core::LineageLayer* lineage = &doc.source.lineage;
    if (!surface.viewer) {
        const authoring::ViewerFrame& frame = editor.Frames()[static_cast<std::size_t>(surface.frame)];
        cells = &frame.grid;
        history = &frame.history;
        annotations = &frame.annotations;
        lineage = &frame.lineage;
    }
    painter.DrawTrailsAndCells(*history, *cells);
    painter.DrawAnnotations(*annotations);
    painter.DrawLineage(*lineage);

    FrameLockState lockState = FrameLockState::AllLocked;
    if (!surface.viewer) {
        std::vector<std::pair<std::int32_t, std::int32_t>> locked;
        bool visibleUnlocked = false, allLocked = true;
        const std::size_t k = static_cast<std::size_t>(surface.frame);
        frameLocks.ForEachProducedCell(editor, k, [&](std::int32_t x, std::int32_t y, bool isLocked) {
            const bool visible = painter.Visible().Contains(x, y);
            if (isLocked) {
                if (visible) locked.emplace_back(x, y);
                return;
            }
            allLocked = false;
            visibleUnlocked = visibleUnlocked || visible;
        });
        painter.DrawCellBoxes(locked, LockedOverlayMargin(camera.cellSize), LockedOverlayColor(appearance));
        lockState = randomizerEnd     ? FrameLockState::RandomizerEnd
                    : visibleUnlocked ? FrameLockState::SomeVisibleUnlocked
                    : allLocked       ? FrameLockState::AllLocked
                                      : FrameLockState::Partial;

        const auto& tab = doc.SelectedTab();
        const std::uint64_t g = static_cast<std::uint64_t>(std::max(tab.currentGeneration, 0)) + k;
        std::vector<std::pair<std::int32_t, std::int32_t>> broken;
        for (const authoring::BrokenMarker& marker : tab.brokenMarkers)
            if (marker.hasCell && marker.brokenGeneration == g) broken.emplace_back(marker.x, marker.y);
        painter.DrawCellBoxes(broken, std::clamp(0.12f * camera.cellSize, 1.0f, 3.0f), BrokenMarkerColor(appearance));
    }

    canvas.PushClip(grid);
    if (selection.exists && selection.surface.viewer == surface.viewer &&
        (surface.viewer ||
         selection.generation == doc.SelectedTab().currentGeneration + surface.frame)) {
        const RectF a = CellRect(camera, grid, std::min(selection.anchorX, selection.endX),
                                 std::min(selection.anchorY, selection.endY));
        const RectF b = CellRect(camera, grid, std::max(selection.anchorX, selection.endX),
                                 std::max(selection.anchorY, selection.endY));
        const RectF r{a.left, a.top, b.right, b.bottom};
        canvas.FillRect(r, {0.26f, 0.70f, 0.74f, 0.16f});
        canvas.OutlineRect(r, {0.45f, 0.90f, 0.95f, 0.95f}, 1.5f);
    }
    if (hover.valid && hover.surface == surface) {
        const RectF r = CellRect(camera, grid, hover.x, hover.y);
        canvas.OutlineRect(r, {1, 1, 1, 0.85f}, camera.cellSize >= 8 ? 2.0f : 1.0f);
    }
    canvas.PopClip();

    if (surface.viewer) {
        canvas.OutlineRect(grid, kViewerFrameColor, 2.5f);
    } else {
        const float stroke = focused ? 8.0f : 4.0f;
        const RectF& outer = layout.frameOuter[static_cast<std::size_t>(surface.frame)];
        const RectF inner{outer.left + stroke / 2, outer.top + stroke / 2, outer.right - stroke / 2,
                          outer.bottom - stroke / 2};
        canvas.OutlineRect(inner, FrameOutlineColor(lockState), stroke);
    }
}

}  // namespace shell
