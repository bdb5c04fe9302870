// The key map: precedence and conditions of every key the window takes.
#include <fstream>
#include <sstream>

#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "shell/main_window_view_impl.h"

namespace shell {

namespace {

bool Plain(const Modifiers& m) { return !m.ctrl && !m.alt; }

// Frames are named by their place on screen: the selection keeps its generation through scrolls.
authoring::SurfaceRef RefOf(const MainWindowViewImpl& view, const Selection& selection) {
    if (selection.surface.viewer) return {authoring::Surface::Viewer, 0};
    const auto& doc = view.editor.Doc();
    std::int64_t first = 0;
    if (!doc.tabs.empty()) {
        const auto selected = std::min<std::size_t>(std::size_t(std::max(doc.selectedTab, 0)), doc.tabs.size() - 1);
        first = doc.tabs[selected].currentGeneration;
    }
    const std::int64_t frame = std::max<std::int64_t>(selection.generation - first, 0);
    return {authoring::Surface::TabFrame, static_cast<std::size_t>(frame)};
}

authoring::CellRect RectOf(const Selection& selection) {
    return {selection.anchorX, selection.anchorY, selection.endX, selection.endY};
}

std::string ReadRuleFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Could not open the Golly rule file.");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw std::runtime_error("Failed while reading the Golly rule file.");
    return text.str();
}

}  // namespace

void MainWindowViewImpl::KeyDown(const KeyEvent& event) {
    const Modifiers& m = event.modifiers;
    if (event.key == Key::Control) {
        ctrlHeld = true;
        Redraw();
        return;
    }
    ctrlHeld = m.ctrl;
    if (startScreenShown) {
        StartScreenKey(event);
        return;
    }
    const bool gridFocus = focus != Focus::Panel;
    if (playing && gridFocus) {
        Refuse();
        return;
    }
    switch (event.key) {
        case Key::Digit:
            if (Plain(m)) {
                DigitKey(event.digit);
            } else if (m.ctrl && !m.alt) {
                if (event.digit >= 1 && event.digit <= 8) {
                    markerValue = event.digit;
                    digits.Clear();
                    Redraw();
                } else if (event.digit == 0) {
                    Refuse();
                } else {
                    digits.Clear();
                }
            }
            return;
        case Key::F2:
            if (Plain(m)) StartRename(editor.Doc().selectedTab);
            return;
        case Key::Enter:
            if (Plain(m) && gridFocus) TogglePlay();
            return;
        case Key::Backspace:
            if (Plain(m) && gridFocus) StepBack();
            return;
        case Key::Space:
            if (Plain(m) && gridFocus) StepForward();
            return;
        case Key::R:
            if (Plain(m) && gridFocus && !m.shift) ResetViewer();
            else if (Plain(m) && gridFocus) RandomizeViewer(editor.Doc().source.patternSize,
                                                            editor.Doc().source.density, true);
            else if (m.ctrl && !m.alt) StartFrameRandomizer(m.shift);
            else if (m.alt && !m.ctrl) Command(command::kExportGolly);
            else if (m.alt && m.ctrl) Command(command::kExportAnnotated);
            return;
        case Key::Delete:
            if (Plain(m) && selection.exists)
                Guarded([&] { editor.DeleteSelection(RefOf(*this, selection), RectOf(selection)); });
            return;
        case Key::C:
            if (m.ctrl && !m.alt) CopySelectionToTab();
            return;
        case Key::N:
            if (m.ctrl && m.shift && !m.alt) CopySelectionToTab();
            else if (m.ctrl && !m.alt) {
                CommitRename();
                Guarded([&] { editor.NewTab(authoring::PatternKind::Pattern); });
                KeepCurrentTabVisible();
            }
            return;
        case Key::Z:
        case Key::Y:
            if (m.ctrl && !m.alt) {
                CommitRename();
                CancelDrags();
                Guarded([&] {
                    const auto outcome = event.key == Key::Z ? editor.Undo() : editor.Redo();
                    if (outcome == authoring::EditOutcome::Refused) Refuse();
                    selectedState = std::min(selectedState, StateCount() - 1);
                });
            }
            return;
        case Key::S:
            if (m.ctrl && !m.alt) SaveSession();
            return;
        case Key::O:
            if (m.ctrl && !m.alt) Command(command::kLoadSession);
            return;
        case Key::V:
            if (m.ctrl && !m.alt) Paste();
            return;
        case Key::M:
            if (m.ctrl) CtrlM();
            else if (m.shift && !m.alt) ShiftM();
            return;
        case Key::E:
            if (m.alt) Command(command::kExportRulestring);
            return;
        case Key::I:
            if (m.alt) ImportGollyRule();
            return;
        case Key::Escape:
            if (flags.colorEditorOpen) {
                flags.colorEditorOpen = false;
                AfterChange();
            } else if (selection.exists) {
                selection = {};
                Redraw();
            }
            return;
        default: return;
    }
}

void MainWindowViewImpl::KeyUp(const KeyEvent& event) {
    if (event.key != Key::Control) return;
    ctrlHeld = false;
    editor.EndLinkChain();
    Redraw();
}

void MainWindowViewImpl::DigitKey(int digit) {
    const DigitEntry::Result result = digits.Enter(digit, StateCount());
    if (result.refused) {
        Refuse();
        return;
    }
    if (result.state >= 0) {
        selectedState = result.state;
        SyncView();
    }
    if (flags.stateBarShown) {
        toast.shown = true;
        toast.firstDigit = result.state < 0;
        toast.state = result.state >= 0 ? result.state : digits.pending;
        toast.x = mouseX;
        toast.y = mouseY;
        toast.expiresMs = platform.TickCountMs() + kToastMs;
    }
    Redraw();
}

void MainWindowViewImpl::StartFrameRandomizer(bool untilEnd) {
    const int visible = layout.viewerLaidOut ? 9 : 15;
    const bool patternTab = !RuleEditorPage() && editor.Doc().SelectedTab().IsPattern();
    if (focus != Focus::Panel || !patternTab || focusedFrame < 0 || (flags.viewerShown && flags.viewerMaximized) ||
        focusedFrame >= visible) {
        Refuse();
        return;
    }
    Guarded([&] {
        const std::int32_t first = editor.Doc().SelectedTab().currentGeneration + focusedFrame;
        const std::int32_t last = untilEnd ? authoring::kOpenGenerationEnd : first;
        if (editor.RandomizeFrames(first, last) == authoring::EditOutcome::Refused) Refuse();
        else randomizerTab = editor.Doc().selectedTab;
    });
}

void MainWindowViewImpl::CtrlM() {
    if (editor.FrameRandomizerActive()) {
        Guarded([&] { editor.TakeMinrule(); });
    } else if (selection.exists) {
        Guarded([&] {
            editor.ConvertSelection(RefOf(*this, selection), RectOf(selection), std::uint8_t(markerValue),
                                    authoring::SelectionConversion::CellsToMarkers);
        });
    } else if (ctrlMinruleEnabled) {
        Guarded([&] { editor.TakeMinrule(); });
    } else {
        Refuse();
    }
}

void MainWindowViewImpl::ShiftM() {
    if (!selection.exists) return;
    if (!selection.surface.viewer && selection.generation != 0) {
        Refuse();
        return;
    }
    Guarded([&] {
        editor.ConvertSelection(RefOf(*this, selection), RectOf(selection), std::uint8_t(markerValue),
                                authoring::SelectionConversion::MarkersToCells);
    });
}

void MainWindowViewImpl::CopySelectionToTab() {
    if (!selection.exists) {
        Refuse();
        return;
    }
    CommitRename();
    std::size_t index = 0;
    bool made = false;
    Guarded([&] {
        index = editor.CopySelectionToNewTab(RefOf(*this, selection), RectOf(selection));
        made = true;
    });
    if (!made) return;
    selection = {};
    KeepCurrentTabVisible();
    StartRename(static_cast<int>(index));
}

void MainWindowViewImpl::Paste() {
    CommitRename();
    const std::optional<std::string> text = platform.ClipboardText();
    if (!text || text->empty()) {
        platform.ShowMessage(MessageBox{kTitle, "Failed to read text from the clipboard.", MessageButtons::Ok,
                                        MessageIcon::Warning, MessageAnswer::Ok, {}});
        return;
    }
    Guarded(
        [&] {
            std::string refusal;
            if (editor.PastePattern(formats::ParseRle(*text), refusal) == authoring::EditOutcome::Refused)
                platform.ShowMessage(MessageBox{kTitle, refusal, MessageButtons::Ok, MessageIcon::Warning,
                                                MessageAnswer::Ok, {}});
        },
        "Failed to paste the RLE pattern.\n\n");
}

bool MainWindowViewImpl::ImportGollyRule() {
    FileDialog dialog;
    dialog.title = "Import Golly Rule";
    dialog.filters = {{"Golly rule files (*.rule;*.table)", "*.rule;*.table"}, {"All Files (*.*)", "*.*"}};
    const std::optional<std::string> path = platform.OpenFile(dialog);
    return path && ImportRulePath(*path);
}

bool MainWindowViewImpl::ImportRulePath(const std::string& path) {
    CancelRename();
    CancelDrags();
    selection = {};
    bool imported = false;
    Guarded(
        [&] {
            editor.AdoptImportedRule(formats::ParseGollyRuletableText(ReadRuleFile(path)));
            selectedState = std::min(selectedState, StateCount() - 1);
            digits.Clear();
            SetStateBarFromStateCount();
            sessionFile.clear();
            imported = true;
        },
        "Failed to import the Golly rule file.\n\n");
    return imported;
}

}  // namespace shell
