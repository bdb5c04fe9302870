// The key map: precedence and conditions of every key the window takes.
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "formats/rule_lookup.h"
#include "shell/main_window_view_impl.h"

namespace shell {

namespace {

bool Plain(const Modifiers& m) { return !m.ctrl && !m.alt; }

}  // namespace

// Keys no panel took: commands and edits of the selection.
bool MainWindowViewImpl::WindowKey(const KeyEvent& event) {
    const Modifiers& m = event.modifiers;
    switch (event.key) {
        case Key::R:
            if (m.ctrl && !m.alt) frames_.StartFrameRandomizer(m.shift);
            else if (m.alt && !m.ctrl) Command(command::kExportGolly);
            else if (m.alt && m.ctrl) Command(command::kExportAnnotated);
            return true;
        case Key::Delete:
            if (Plain(m) && grid_.CurrentSelection().exists)
                context_.Guarded([&] { editor_.DeleteSelection(grid_.SelectionSurface(), grid_.SelectionRect()); });
            return true;
        case Key::C:
            if (m.ctrl && !m.alt) CopySelectionToTab();
            return true;
        case Key::N:
            if (m.ctrl && m.shift && !m.alt) CopySelectionToTab();
            else if (m.ctrl && !m.alt) {
                tabStrip_.CommitRename();
                context_.Guarded([&] { editor_.NewTab(authoring::PatternKind::Pattern); });
                tabStrip_.KeepCurrentTabVisible();
                tabStrip_.StartRename(editor_.Doc().selectedTab);
            }
            return true;
        case Key::Z:
        case Key::Y:
            if (m.ctrl && !m.alt) UndoRedo(event.key == Key::Z);
            return true;
        case Key::S:
            if (m.ctrl && !m.alt) SaveSession();
            return true;
        case Key::O:
            if (m.ctrl && !m.alt) Command(command::kLoadSession);
            return true;
        case Key::V:
            if (m.ctrl && !m.alt) Paste();
            return true;
        case Key::M:
            if (m.ctrl) CtrlM();
            else if (m.shift && !m.alt) ShiftM();
            return true;
        case Key::E:
            if (m.alt) Command(command::kExportRulestring);
            return true;
        case Key::I:
            if (m.alt) Command(command::kImportGolly);
            return true;
        case Key::Escape:
            if (grid_.CurrentSelection().exists) {
                grid_.ClearSelection();
                platform_.RequestRedraw();
            }
            return true;
        default: return false;
    }
}

void MainWindowViewImpl::UndoRedo(bool undo) {
    if (start_.Shown()) return;
    tabStrip_.CommitRename();
    CancelDrags();
    context_.Guarded([&] {
        if ((undo ? editor_.Undo() : editor_.Redo()) == authoring::EditOutcome::Refused)
            context_.Refuse(undo ? "Nothing to undo" : "Nothing to redo");
        view_.selectedState = std::min(view_.selectedState, editor_.Doc().rule.stateCount - 1);
    });
}

void MainWindowViewImpl::CtrlM() {
    if (editor_.FrameRandomizerActive()) {
        context_.Guarded([&] { editor_.TakeMinrule(); });
    } else if (grid_.CurrentSelection().exists) {
        context_.Guarded([&] {
            editor_.ConvertSelection(grid_.SelectionSurface(), grid_.SelectionRect(), std::uint8_t(view_.markerValue),
                                     authoring::SelectionConversion::CellsToMarkers);
        });
    } else if (view_.ctrlMinruleEnabled) {
        context_.Guarded([&] { editor_.TakeMinrule(); });
    } else {
        context_.Refuse("Select cells to turn into markers");
    }
}

void MainWindowViewImpl::ShiftM() {
    if (!grid_.CurrentSelection().exists) return;
    if (!grid_.CurrentSelection().surface.viewer && grid_.CurrentSelection().generation != 0) {
        context_.Refuse("Markers turn back into cells only in generation 0");
        return;
    }
    context_.Guarded([&] {
        editor_.ConvertSelection(grid_.SelectionSurface(), grid_.SelectionRect(), std::uint8_t(view_.markerValue),
                                 authoring::SelectionConversion::MarkersToCells);
    });
}

void MainWindowViewImpl::CopySelectionToTab() {
    if (!grid_.CurrentSelection().exists) {
        context_.Refuse("Select cells to copy first");
        return;
    }
    tabStrip_.CommitRename();
    std::size_t index = 0;
    bool made = false;
    context_.Guarded([&] {
        index = editor_.CopySelectionToNewTab(grid_.SelectionSurface(), grid_.SelectionRect());
        made = true;
    });
    if (!made) return;
    grid_.ClearSelection();
    tabStrip_.KeepCurrentTabVisible();
    tabStrip_.StartRename(static_cast<int>(index));
}

void MainWindowViewImpl::Paste() {
    tabStrip_.CommitRename();
    const std::optional<std::string> text = platform_.ClipboardText();
    if (!text || text->empty()) {
        platform_.ShowMessage(MessageBox{kTitle, "Failed to read text from the clipboard.", MessageButtons::Ok,
                                        MessageIcon::Warning, MessageAnswer::Ok, {}});
        return;
    }
    context_.Guarded(
        [&] {
            std::string refusal;
            if (editor_.PastePattern(formats::ParseRle(*text), refusal) == authoring::EditOutcome::Refused)
                platform_.ShowMessage(MessageBox{kTitle, refusal, MessageButtons::Ok, MessageIcon::Warning,
                                                MessageAnswer::Ok, {}});
        },
        "Failed to paste the RLE pattern.\n\n");
}

bool MainWindowViewImpl::ImportGollyRule() {
    FileDialog dialog;
    dialog.title = "Import Golly Rule";
    dialog.filters = {{"Golly rule files and patterns (*.rule;*.table;*.rle)", "*.rule;*.table;*.rle"},
                      {"All Files (*.*)", "*.*"}};
    const std::optional<std::string> path = platform_.OpenFile(dialog);
    return path && ImportRulePath(*path);
}

bool MainWindowViewImpl::ImportRulePath(const std::string& path) {
    tabStrip_.CancelRename();
    CancelDrags();
    grid_.ClearSelection();
    bool imported = false;
    context_.Guarded(
        [&] {
            // Gone before a failure's box opens.
            const BusyScope busy(platform_);
            if (FileExtension(path) == "rle") ImportPattern(path);
            else {
                // A read failure names the file itself; only the reader's errors need the name added.
                const std::string text = ReadWholeFile(path, "Golly rule file");
                editor_.AdoptImportedRule(NamingFile(path, [&] { return formats::ParseGollyRuletableText(text); }));
            }
            FitBrush(editor_.Doc().rule.stateCount);
            SetStateBarFromStateCount();
            sessionFile_.clear();
            imported = true;
        },
        "Failed to import the Golly rule file.\n\n");
    return imported;
}

void MainWindowViewImpl::ImportPattern(const std::string& path) {
    const std::string text = ReadWholeFile(path, "pattern file");
    const formats::RlePattern pattern = NamingFile(path, [&] { return formats::ParseRle(text); });
    // Rule files are looked for the way the command line looks, but read through the platform.
    const auto readRule = [&](const std::filesystem::path& file) -> std::optional<std::string> {
        FileContents contents = platform_.ReadFile(file.string());
        if (!contents.failure) return std::move(contents.bytes);
        const int error = contents.failure->error;
        if (error == ENOENT || error == ENOTDIR || error == EISDIR) return std::nullopt;
        ThrowReadFailure(file.string(), "Golly rule file", *contents.failure);
    };
    const auto folders = formats::RuleFolders({}, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    formats::ImportedGollyRule rule =
        NamingFile(path, [&] { return formats::LookUpRule(pattern.rule, folders, readRule, kTitle); });
    NamingFile(path, [&] { editor_.AdoptImportedRule(std::move(rule), &pattern); });
}

}  // namespace shell
