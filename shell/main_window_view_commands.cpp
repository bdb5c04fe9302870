// The menu bar and the commands its items and shortcuts send.
#include <algorithm>
#include <cctype>

#include "formats/golly_ruletable_writer.h"
#include "formats/rulestring.h"
#include "core/symmetry.h"
#include "formats/file_failure.h"
#include "formats/session_file.h"
#include "shell/main_window_view_impl.h"

namespace shell {

std::string FileExtension(const std::string& path) {
    std::string extension = path.substr(std::min(path.size(), path.find_last_of("./") + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<MenuItem> MainWindowView::MenuBar() {
    std::vector<MenuItem> items = {
        {"&File", "", "&New Rule...", command::kNewRule, false},
        {"&File", "", "&Import Golly Rule...\tAlt+I", command::kImportGolly, false},
        {"&File", "", "", 0, false},
        {"&File", "&Export", "&Golly Ruletable\tAlt+R", command::kExportGolly, false},
        {"&File", "&Export", "Export Annotated &Ruletable\tCtrl+Alt+R", command::kExportAnnotated, false},
        {"&File", "&Export", "Export &Lock Table", command::kExportLockTable, false},
        {"&File", "&Export", "&Hensel / MAP Rulestring\tAlt+E", command::kExportRulestring, false},
        {"&File", "", "", 0, false},
        {"&File", "", "&Save Session...\tCtrl+S", command::kSaveSession, false},
        {"&File", "", "&Load Session...\tCtrl+O", command::kLoadSession, false},
        {"&File", "", "", 0, false},
        {"&File", "", "E&xit", command::kExit, false},
        {"E&dit", "", "&Undo\tCtrl+Z", command::kUndo, false},
        {"E&dit", "", "&Redo\tCtrl+Y", command::kRedo, false},
        {"E&dit", "", "", 0, false},
        {"E&dit", "", "&Paste RLE Pattern\tCtrl+V", command::kPaste, false},
        {"&Rule", "", "Edit &Colors", command::kEditColors, false},
        {"&Rule", "", "", 0, false},
    };
    for (int n = 2; n <= 16; ++n)
        items.push_back({"&Rule", "&Extend Rule", "Extend to " + std::to_string(n) + " states",
                         command::kExtendBase + n, false});
    items.push_back({"&View", "", "Show State &Bar", command::kShowStateBar, true});
    items.push_back({"&View", "", "Show &Pattern Viewer", command::kShowPatternViewer, true});
    items.push_back({"&View", "", "Maximize Pattern &Viewer", command::kMaximizePatternViewer, true});
    return items;
}

MenuItemState MainWindowViewImpl::QueryMenuItem(int id) const {
    MenuItemState state;
    if (id == command::kShowStateBar) state.checked = view_.flags.stateBarShown;
    if (id == command::kShowPatternViewer) state.checked = view_.flags.viewerShown;
    if (id == command::kMaximizePatternViewer) state.checked = view_.flags.viewerShown && view_.flags.viewerMaximized;
    if (id >= command::kExtendBase + 2 && id <= command::kExtendBase + 16)
        state.enabled = id - command::kExtendBase > editor_.Doc().rule.stateCount;
    // What Command would refuse is greyed out, so the menu shows it before a beep does.
    const bool editing = !start_.Shown() && !view_.playing;
    switch (id) {
        case command::kUndo: state.enabled = editing && editor_.UndoDepth() != 0; break;
        case command::kRedo: state.enabled = editing && editor_.RedoAvailable(); break;
        case command::kPaste: {
            const authoring::PatternSequence* tab = context_.SelectedTab();
            const std::optional<std::string> text = editing && tab && tab->IsPattern() ? platform_.ClipboardText()
                                                                                      : std::nullopt;
            state.enabled = text && !text->empty();
            break;
        }
        case command::kSaveSession:
        case command::kExportGolly:
        case command::kExportRulestring:
        case command::kExportAnnotated:
        case command::kExportLockTable: state.enabled = !start_.Shown() && editor_.Doc().tabs.size() > 0; break;
        case command::kNewRule:
        case command::kLoadSession:
        case command::kImportGolly:
        case command::kEditColors: state.enabled = !view_.playing; break;
        default: break;
    }
    return state;
}

void MainWindowViewImpl::Command(int id) {
    const bool extend = id >= command::kExtendBase + 2 && id <= command::kExtendBase + 16;
    if (view_.playing && (id == command::kNewRule || id == command::kLoadSession || id == command::kEditColors ||
                          id == command::kImportGolly || id == command::kUndo || id == command::kRedo ||
                          id == command::kPaste || extend)) {
        context_.Refuse("Stop playback first");
        return;
    }
    if (extend) {
        ExtendRule(id - command::kExtendBase);
        return;
    }
    switch (id) {
        case command::kNewRule: NewRule(); break;
        case command::kSaveSession: SaveSession(); break;
        case command::kLoadSession:
            if (ConfirmUnsavedChanges("opening another rule")) start_.Show(StartPage::Open);
            break;
        case command::kExit: platform_.Close(); break;
        case command::kImportGolly:
            if (ConfirmUnsavedChanges("importing a rule") && ImportGollyRule() && start_.Shown()) start_.Hide();
            break;
        case command::kUndo:
        case command::kRedo: UndoRedo(id == command::kUndo); break;
        case command::kPaste: Paste(); break;
        case command::kExportGolly:
        case command::kExportRulestring:
        case command::kExportAnnotated:
        case command::kExportLockTable: Export(id); break;
        case command::kEditColors:
            if (view_.flags.viewerShown && view_.flags.viewerMaximized) view_.flags.viewerMaximized = false;
            view_.flags.colorEditorOpen = true;
            break;
        case command::kShowStateBar:
            view_.flags.stateBarShown = !view_.flags.stateBarShown;
            stateBar_.ClearDigits();
            break;
        case command::kShowPatternViewer: ToggleViewer(false); break;
        case command::kMaximizePatternViewer: ToggleViewer(true); break;
        case command::kNewConstraintTab:
            tabStrip_.CommitRename();
            context_.Guarded([&] { editor_.NewTab(authoring::PatternKind::Constraint); });
            tabStrip_.KeepCurrentTabVisible();
            break;
        default: return;
    }
    AfterChange();
}

void MainWindowViewImpl::ToggleViewer(bool maximize) {
    if (maximize) {
        view_.flags.viewerMaximized = !view_.flags.viewerMaximized;
        view_.flags.viewerShown = true;
    } else {
        view_.flags.viewerShown = !view_.flags.viewerShown;
    }
    Relayout();
    if (!grid_.ViewerCameraSet() && layout_.viewerLaidOut) grid_.CentreViewerCamera();
}

void MainWindowViewImpl::NewRule() {
    if (!ConfirmUnsavedChanges("creating a new rule")) return;
    if (editor_.Doc().tabs.size() > 0) {
        MessageBox box;
        box.title = "Replace Current Session?";
        box.text = "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?";
        box.buttons = MessageButtons::YesNo;
        box.icon = MessageIcon::Warning;
        box.defaultAnswer = MessageAnswer::No;
        if (platform_.ShowMessage(box) != MessageAnswer::Yes) return;
    }
    tabStrip_.CancelRename();
    CancelDrags();
    grid_.ClearSelection();
    context_.Guarded([&] { editor_.ResetToStartScreen(); });
    start_.Show(StartPage::NewRule);
}

namespace {

FileDialog SessionDialog(const std::string& title) {
    FileDialog dialog;
    dialog.title = title;
    dialog.filters = {{"Tavrix Session (*.tavses)", "*.tavses"}, {"All Files (*.*)", "*.*"}};
    dialog.defaultExtension = "tavses";
    return dialog;
}

}  // namespace

bool MainWindowViewImpl::SaveSession() {
    tabStrip_.CommitRename();
    if (editor_.Doc().tabs.size() == 0) {
        MessageBox box{kTitle, "There is no session to save.", MessageButtons::Ok, MessageIcon::Warning,
                       MessageAnswer::Ok, {}};
        platform_.ShowMessage(box);
        return false;
    }
    FileDialog dialog = SessionDialog("Save Tavrix Session");
    dialog.initialPath = sessionFile_;
    const std::optional<std::string> path = platform_.SaveFile(dialog);
    if (!path) return false;
    bool saved = false;
    context_.Guarded(
        [&] {
            const std::vector<std::uint8_t> bytes = formats::SerializeSession(editor_.ToSession());
            if (const auto failure = platform_.WriteFile(*path, std::string(bytes.begin(), bytes.end())))
                throw std::runtime_error(
                    std::string(failure->stage == formats::FileFailure::Stage::Open
                                    ? "Could not open the destination file."
                                    : "Failed while writing the session file.") +
                    "\n\n" + *path + ": " + formats::SystemReason(*failure));
            editor_.MarkSaved();
            sessionFile_ = *path;
            saved = true;
        },
        "Failed to save the session.\n\n");
    return saved;
}

bool MainWindowViewImpl::LoadSessionFromFile() {
    FileDialog dialog = SessionDialog("Open Tavrix Session");
    dialog.initialPath = sessionFile_;
    const std::optional<std::string> path = platform_.OpenFile(dialog);
    return path && LoadSessionPath(*path);
}

bool MainWindowViewImpl::LoadSessionPath(const std::string& path) {
    tabStrip_.CancelRename();
    CancelDrags();
    grid_.ClearSelection();
    bool loaded = false;
    context_.Guarded(
        [&] {
            // Gone before a failure's box opens.
            const BusyScope busy(platform_);
            const std::string bytes = ReadWholeFile(path, "session file");
            editor_.LoadSession(NamingFile(path, [&] { return formats::ParseSession(std::string_view(bytes)); }));
            SetStateBarFromStateCount();
            FitBrush(editor_.Doc().rule.stateCount);
            grid_.CentreViewerCamera();
            sessionFile_ = path;
            loaded = true;
        },
        "Failed to load the session.\n\n");
    return loaded;
}

void MainWindowViewImpl::ExtendRule(int newCount) {
    if (newCount <= editor_.Doc().rule.stateCount || newCount > core::kMaxStateCount) return;
    MessageBox box;
    box.title = "Extend Rule";
    box.text = "Are you sure you want to extend the rule to " + std::to_string(newCount) +
               " states?  This cannot be undone.";
    box.buttons = MessageButtons::YesNo;
    box.icon = MessageIcon::Warning;
    box.defaultAnswer = MessageAnswer::No;
    if (platform_.ShowMessage(box) != MessageAnswer::Yes) {
        platform_.RequestRedraw();
        return;
    }
    tabStrip_.CommitRename();
    context_.Guarded(
        [&] {
            if (!editor_.ExtendRule(newCount)) return;
            view_.selectedState = std::min(view_.selectedState, newCount - 1);
            stateBar_.ClearDigits();
            SetStateBarFromStateCount();
        },
        "", "Rule Extension Failed");
}

namespace {

MessageBox Notice(const std::string& title, const std::string& text, MessageIcon icon) {
    return MessageBox{title, text, MessageButtons::Ok, icon, MessageAnswer::Ok, {}};
}

}  // namespace

void MainWindowViewImpl::Export(int id) {
    tabStrip_.CommitRename();
    if (id == command::kExportRulestring) {
        ExportRulestring();
        return;
    }
    struct Texts {
        const char* title;
        const char* success;
        const char* failure;
    };
    const Texts texts = id == command::kExportGolly
                            ? Texts{"Golly Ruletable Export", "Copied the Golly ruletable to the clipboard.",
                                    "Failed to copy the Golly ruletable to the clipboard."}
                        : id == command::kExportAnnotated
                            ? Texts{"Annotated Golly Ruletable Export",
                                    "Copied the annotated Golly ruletable to the clipboard.",
                                    "Failed to copy the annotated Golly ruletable to the clipboard."}
                            : Texts{"Lock Table Export", "Copied the lock table to the clipboard.",
                                    "Failed to copy the lock table to the clipboard."};
    if (!formats::IsGollyExportableSymmetry(editor_.Doc().rule.symmetry)) {
        platform_.ShowMessage(Notice(texts.title, "Golly ruletable export does not support the selected symmetry.",
                                    MessageIcon::Warning));
        return;
    }
    context_.Guarded([&] {
        const std::string text = id == command::kExportGolly
                                     ? formats::BuildPlainGollyRuletable(editor_.Doc().rule)
                                     : editor_.BuildTabbedExport(id == command::kExportAnnotated);
        const bool copied = platform_.SetClipboardText(text);
        platform_.ShowMessage(Notice(texts.title, copied ? texts.success : texts.failure,
                                    copied ? MessageIcon::Information : MessageIcon::Warning));
    });
}

void MainWindowViewImpl::ExportRulestring() {
    if (editor_.Doc().rule.stateCount != 2) {
        platform_.ShowMessage(Notice(kTitle,
                                    "Hensel and MAP export are only supported for 2-state rules. Use ruletable export "
                                    "for this multistate rule.",
                                    MessageIcon::Warning));
        return;
    }
    context_.Guarded([&] {
        const bool hensel = editor_.Doc().rule.symmetry == core::kSymmetryD8;
        const std::string text =
            hensel ? formats::BuildHenselRulestring(editor_.Doc().rule) : formats::BuildMapRulestring(editor_.Doc().rule);
        const std::string title = hensel ? "Hensel Export" : "MAP Export";
        // When the clipboard fails the text is still shown, to be copied by hand.
        const std::string lead =
            hensel ? "Copied Hensel rulestring to the clipboard:\n\n" : "Copied MAP rulestring to the clipboard:\n\n";
        const bool copied = platform_.SetClipboardText(text);
        platform_.ShowMessage(Notice(title, copied ? lead + text : text, MessageIcon::Information));
    });
}

std::string MainWindowViewImpl::ReadWholeFile(const std::string& path, const std::string& what) {
    FileContents file = platform_.ReadFile(path);
    if (file.failure) ThrowReadFailure(path, what, *file.failure);
    return std::move(file.bytes);
}

void ThrowReadFailure(const std::string& path, const std::string& what, const formats::FileFailure& failure) {
    throw std::runtime_error((failure.stage == formats::FileFailure::Stage::Open ? "Could not open the " + what + "."
                                                                                 : "Failed while reading the " + what + ".") +
                             "\n\n" + path + ": " + formats::SystemReason(failure));
}

bool MainWindowViewImpl::OpenPath(const std::string& path) {
    const std::string extension = FileExtension(path);
    const bool opened = extension == "rule" || extension == "table" || extension == "rle" ? ImportRulePath(path)
                                                                                           : LoadSessionPath(path);
    if (opened && start_.Shown()) start_.Hide();
    return opened;
}

}  // namespace shell
