// The menu bar and the commands its items and shortcuts send.
#include <fstream>
#include <sstream>

#include "formats/atomic_file.h"
#include "formats/golly_ruletable_writer.h"
#include "formats/rulestring.h"
#include "core/symmetry.h"
#include "formats/session_file.h"
#include "shell/main_window_view_impl.h"

namespace shell {

std::vector<MenuItem> MainWindowView::MenuBar() {
    std::vector<MenuItem> items = {
        {"&File", "", "&New Rule...", command::kNewRule, false},
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
    if (id == command::kShowStateBar) state.checked = flags.stateBarShown;
    if (id == command::kShowPatternViewer) state.checked = flags.viewerShown;
    if (id == command::kMaximizePatternViewer) state.checked = flags.viewerShown && flags.viewerMaximized;
    if (id >= command::kExtendBase + 2 && id <= command::kExtendBase + 16)
        state.enabled = id - command::kExtendBase > StateCount();
    return state;
}

void MainWindowViewImpl::Command(int id) {
    const bool extend = id >= command::kExtendBase + 2 && id <= command::kExtendBase + 16;
    if (playing && (id == command::kNewRule || id == command::kLoadSession || id == command::kEditColors || extend)) {
        Refuse();
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
            if (ConfirmUnsavedChanges("opening another rule")) ShowStartScreen(StartPage::Open);
            break;
        case command::kExit: platform.Close(); break;
        case command::kExportGolly:
        case command::kExportRulestring:
        case command::kExportAnnotated:
        case command::kExportLockTable: Export(id); break;
        case command::kEditColors:
            if (flags.viewerShown && flags.viewerMaximized) flags.viewerMaximized = false;
            flags.colorEditorOpen = true;
            break;
        case command::kShowStateBar:
            flags.stateBarShown = !flags.stateBarShown;
            digits.Clear();
            break;
        case command::kShowPatternViewer: ToggleViewer(false); break;
        case command::kMaximizePatternViewer: ToggleViewer(true); break;
        case command::kNewConstraintTab:
            CommitRename();
            Guarded([&] { editor.NewTab(authoring::PatternKind::Constraint); });
            KeepCurrentTabVisible();
            break;
        default: return;
    }
    AfterChange();
}

void MainWindowViewImpl::ToggleViewer(bool maximize) {
    if (maximize) {
        flags.viewerMaximized = !flags.viewerMaximized;
        flags.viewerShown = true;
    } else {
        flags.viewerShown = !flags.viewerShown;
    }
    Relayout();
    if (!viewerCameraSet && layout.viewerLaidOut) CentreViewerCamera();
}

void MainWindowViewImpl::NewRule() {
    if (!ConfirmUnsavedChanges("creating a new rule")) return;
    if (TabCount() > 0) {
        MessageBox box;
        box.title = "Replace Current Session?";
        box.text = "This will clear the rule editor, source grid, and all pattern tabs.\n\nDo you want to continue?";
        box.buttons = MessageButtons::YesNo;
        box.icon = MessageIcon::Warning;
        box.defaultAnswer = MessageAnswer::No;
        if (platform.ShowMessage(box) != MessageAnswer::Yes) return;
    }
    CancelRename();
    CancelDrags();
    selection = {};
    Guarded([&] { editor.ResetToStartScreen(); });
    ShowStartScreen(StartPage::NewRule);
}

namespace {

std::string ReadSessionFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Could not open the session file.");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw std::runtime_error("Failed while reading the session file.");
    return bytes.str();
}

FileDialog SessionDialog(const std::string& title) {
    FileDialog dialog;
    dialog.title = title;
    dialog.filters = {{"Tavrix Session (*.tavses)", "*.tavses"}, {"All Files (*.*)", "*.*"}};
    dialog.defaultExtension = "tavses";
    return dialog;
}

}  // namespace

bool MainWindowViewImpl::SaveSession() {
    CommitRename();
    if (TabCount() == 0) {
        MessageBox box{kTitle, "There is no session to save.", MessageButtons::Ok, MessageIcon::Warning,
                       MessageAnswer::Ok, {}};
        platform.ShowMessage(box);
        return false;
    }
    FileDialog dialog = SessionDialog("Save Tavrix Session");
    dialog.initialPath = sessionFile;
    const std::optional<std::string> path = platform.SaveFile(dialog);
    if (!path) return false;
    bool saved = false;
    Guarded(
        [&] {
            const std::vector<std::uint8_t> bytes = formats::SerializeSession(editor.ToSession());
            if (!formats::TryWriteFileAtomically(*path, std::string(bytes.begin(), bytes.end())))
                throw std::runtime_error("Could not open the destination file.");
            editor.MarkSaved();
            sessionFile = *path;
            saved = true;
        },
        "Failed to save the session.\n\n");
    return saved;
}

bool MainWindowViewImpl::LoadSessionFromFile() {
    FileDialog dialog = SessionDialog("Open Tavrix Session");
    dialog.initialPath = sessionFile;
    const std::optional<std::string> path = platform.OpenFile(dialog);
    return path && LoadSessionPath(*path);
}

bool MainWindowViewImpl::LoadSessionPath(const std::string& path) {
    CancelRename();
    CancelDrags();
    selection = {};
    bool loaded = false;
    Guarded(
        [&] {
            const std::string bytes = ReadSessionFile(path);
            editor.LoadSession(formats::ParseSession(std::string_view(bytes)));
            SetStateBarFromStateCount();
            selectedState = std::min(selectedState, StateCount() - 1);
            digits.Clear();
            CentreViewerCamera();
            sessionFile = path;
            loaded = true;
        },
        "Failed to load the session.\n\n");
    return loaded;
}

void MainWindowViewImpl::ExtendRule(int newCount) {
    if (newCount <= StateCount() || newCount > core::kMaxStateCount) return;
    MessageBox box;
    box.title = "Extend Rule";
    box.text = "Are you sure you want to extend the rule to " + std::to_string(newCount) +
               " states?  This cannot be undone.";
    box.buttons = MessageButtons::YesNo;
    box.icon = MessageIcon::Warning;
    box.defaultAnswer = MessageAnswer::No;
    if (platform.ShowMessage(box) != MessageAnswer::Yes) {
        Redraw();
        return;
    }
    CommitRename();
    Guarded(
        [&] {
            if (!editor.ExtendRule(newCount)) return;
            selectedState = std::min(selectedState, newCount - 1);
            digits.Clear();
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
    CommitRename();
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
    if (!formats::IsGollyExportableSymmetry(editor.Doc().rule.symmetry)) {
        platform.ShowMessage(Notice(texts.title, "Golly ruletable export does not support the selected symmetry.",
                                    MessageIcon::Warning));
        return;
    }
    Guarded([&] {
        const std::string text = id == command::kExportGolly
                                     ? formats::BuildPlainGollyRuletable(editor.Doc().rule)
                                     : editor.BuildTabbedExport(id == command::kExportAnnotated);
        const bool copied = platform.SetClipboardText(text);
        platform.ShowMessage(Notice(texts.title, copied ? texts.success : texts.failure,
                                    copied ? MessageIcon::Information : MessageIcon::Warning));
    });
}

void MainWindowViewImpl::ExportRulestring() {
    if (StateCount() != 2) {
        platform.ShowMessage(Notice(kTitle,
                                    "Hensel and MAP export are only supported for 2-state rules. Use ruletable export "
                                    "for this multistate rule.",
                                    MessageIcon::Warning));
        return;
    }
    Guarded([&] {
        const bool hensel = editor.Doc().rule.symmetry == core::kSymmetryD8;
        const std::string text =
            hensel ? formats::BuildHenselRulestring(editor.Doc().rule) : formats::BuildMapRulestring(editor.Doc().rule);
        const std::string title = hensel ? "Hensel Export" : "MAP Export";
        // When the clipboard fails the text is still shown, to be copied by hand.
        const std::string lead =
            hensel ? "Copied Hensel rulestring to the clipboard:\n\n" : "Copied MAP rulestring to the clipboard:\n\n";
        const bool copied = platform.SetClipboardText(text);
        platform.ShowMessage(Notice(title, copied ? lead + text : text, MessageIcon::Information));
    });
}

}  // namespace shell
