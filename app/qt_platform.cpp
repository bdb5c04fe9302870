#include "app/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/canvas_window.h"
#include "app/guard.h"
#include "app/size_prompt.h"
#include "app/text.h"
#include "shell/main_window_view.h"
#include "formats/atomic_file.h"
#include "update/update_check.h"
#include "update/update_endpoint.h"

namespace app {
namespace {

QMessageBox::StandardButton ToStandard(shell::MessageAnswer answer) {
    switch (answer) {
        case shell::MessageAnswer::Ok: return QMessageBox::Ok;
        case shell::MessageAnswer::Cancel: return QMessageBox::Cancel;
        case shell::MessageAnswer::Yes: return QMessageBox::Yes;
        case shell::MessageAnswer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// Buttons in the order the captions name them.
std::vector<QMessageBox::StandardButton> ButtonsOf(shell::MessageButtons buttons) {
    switch (buttons) {
        case shell::MessageButtons::Ok: return {QMessageBox::Ok};
        case shell::MessageButtons::YesNo: return {QMessageBox::Yes, QMessageBox::No};
        case shell::MessageButtons::YesNoCancel: return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
        case shell::MessageButtons::OkCancel: return {QMessageBox::Ok, QMessageBox::Cancel};
    }
    return {QMessageBox::Ok};
}

QMessageBox::Icon ToIcon(shell::MessageIcon icon) {
    switch (icon) {
        case shell::MessageIcon::None: return QMessageBox::NoIcon;
        case shell::MessageIcon::Information: return QMessageBox::Information;
        case shell::MessageIcon::Warning: return QMessageBox::Warning;
        case shell::MessageIcon::Error: return QMessageBox::Critical;
        case shell::MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// "Session (*.tavses)" with pattern "*.a;*.b" becomes "Session (*.a *.b)": Qt reads the
// parenthesised, space-separated list; "*.*" means every file.
QString NameFilter(const shell::FileFilter& filter) {
    QString description = ToQString(filter.description).trimmed();
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open > 0 && description.endsWith(QLatin1Char(')'))) description = description.left(open).trimmed();
    QStringList patterns;
    for (const QString& p : ToQString(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        patterns << (p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed());
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

std::optional<std::string> RunFileDialog(QWidget* owner, const shell::FileDialog& request, bool save) {
    QFileDialog dialog(owner, ToQString(request.title));
    QStringList filters;
    for (const auto& f : request.filters) filters << NameFilter(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(ToQString(request.defaultExtension));
    if (!request.initialPath.empty()) {
        const QFileInfo info(ToQString(request.initialPath));
        if (info.isDir()) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    }
    // Saving asks before replacing an existing file: QFileDialog's default, kept on purpose.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ToUtf8(dialog.selectedFiles().front());
}

// After a modal window closes the owner takes the foreground back, as it would under a window
// manager; without one (Xvfb) the keyboard focus would otherwise stay nowhere.
void Reactivate(QWidget* owner) {
    if (owner && owner->isVisible()) owner->activateWindow();
}

}  // namespace

QtPlatform::QtPlatform(QWidget* window, CanvasWindow* canvas) : window_(window), canvas_(canvas) {
    connect(&playbackTimer_, &QTimer::timeout, this, [this] {
        if (view_) Guarded(window_, [&] { view_->TimerTick(); });
    });
}

QtPlatform::~QtPlatform() {
    // Background work ends before anything it may post to is taken down.
    stopBackground_.store(true);
    for (BackgroundWork& work : background_) work.thread.join();
    // First, so no notice is posted to a platform on its way out.
    updateRelay_.reset();
    playbackTimer_.stop();
    view_ = nullptr;
    if (renameEdit_) {
        renameEnding_ = true;
        delete renameEdit_.data();
    }
}

void QtPlatform::SetView(shell::MainWindowView* view) {
    view_ = view;
    if (!view_) playbackTimer_.stop();
}

shell::MessageAnswer QtPlatform::ShowMessage(const shell::MessageBox& box) {
    QMessageBox dialog(ToIcon(box.icon), ToQString(box.title), ToQString(box.text), QMessageBox::NoButton, window_);
    const auto buttons = ButtonsOf(box.buttons);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = dialog.addButton(buttons[i]);
        if (i < box.captions.size()) button->setText(ToQString(box.captions[i]));
    }
    if (QAbstractButton* preferred = dialog.button(ToStandard(box.defaultAnswer)))
        dialog.setDefaultButton(static_cast<QPushButton*>(preferred));
    dialog.exec();
    Reactivate(window_);
    switch (dialog.standardButton(dialog.clickedButton())) {
        case QMessageBox::Ok: return shell::MessageAnswer::Ok;
        case QMessageBox::Yes: return shell::MessageAnswer::Yes;
        case QMessageBox::No: return shell::MessageAnswer::No;
        case QMessageBox::Cancel: return shell::MessageAnswer::Cancel;
        default: break;
    }
    // Closed without a button: the answer that refuses.
    switch (box.buttons) {
        case shell::MessageButtons::Ok: return shell::MessageAnswer::Ok;
        case shell::MessageButtons::YesNo: return shell::MessageAnswer::No;
        default: return shell::MessageAnswer::Cancel;
    }
}

void QtPlatform::Beep() { QApplication::beep(); }

std::optional<std::string> QtPlatform::ClipboardText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return ToUtf8(data->text());
}

bool QtPlatform::SetClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(ToQString(text));
    return true;
}

std::optional<std::string> QtPlatform::OpenFile(const shell::FileDialog& dialog) {
    auto path = RunFileDialog(window_, dialog, false);
    Reactivate(window_);
    return path;
}

std::optional<std::string> QtPlatform::SaveFile(const shell::FileDialog& dialog) {
    auto path = RunFileDialog(window_, dialog, true);
    Reactivate(window_);
    return path;
}

std::optional<shell::Rgb> QtPlatform::PickColor(shell::Rgb initial) {
    // QColorDialog keeps its custom colours for the whole process, as the picker should.
    const QColor chosen = QColorDialog::getColor(QColor(initial.red, initial.green, initial.blue), window_);
    Reactivate(window_);
    if (!chosen.isValid()) return std::nullopt;
    return shell::Rgb{static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                      static_cast<std::uint8_t>(chosen.blue())};
}

void QtPlatform::OpenUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(ToQString(url))); }

void QtPlatform::SetPlaybackTimer(int periodMs) {
    if (periodMs <= 0) {
        playbackTimer_.stop();
        return;
    }
    // Restarting an unchanged timer would push its next tick back.
    if (!playbackTimer_.isActive() || playbackTimer_.interval() != periodMs) playbackTimer_.start(periodMs);
}

std::int64_t QtPlatform::NowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint32_t QtPlatform::TickCountMs() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void QtPlatform::BeginTextInput(float, float, float, float, const std::string& text) {
    // An input sink out of sight: the tab draws the name and its caret itself, so the edit only
    // gathers the typing (keyboard layouts, input methods, repeat) and must never show.
    if (!renameEdit_) {
        renameEdit_ = new QLineEdit(canvas_->Container());
        renameEdit_->setFrame(false);
        renameEdit_->setGeometry(-10000, -10000, 1, 1);
        renameEdit_->setContextMenuPolicy(Qt::NoContextMenu);
        renameEdit_->installEventFilter(this);
        connect(renameEdit_, &QLineEdit::textChanged, this, [this](const QString& value) {
            if (view_ && !renameEnding_) Guarded(window_, [&] { view_->RenameTextChanged(ToUtf8(value)); });
        });
        // The tab shows the caret at the end and no selection; the sink is held to the same.
        connect(renameEdit_, &QLineEdit::cursorPositionChanged, this, [this] {
            if (renameEdit_ && renameEdit_->cursorPosition() != renameEdit_->text().size()) renameEdit_->end(false);
        });
        connect(renameEdit_, &QLineEdit::selectionChanged, this, [this] {
            if (renameEdit_ && renameEdit_->hasSelectedText()) renameEdit_->deselect();
        });
    }
    renameEnding_ = true;  // setting the text echoes nothing back
    renameEdit_->setText(ToQString(text));
    renameEdit_->end(false);
    renameEnding_ = false;
    renameEdit_->show();
    renameEdit_->setFocus(Qt::OtherFocusReason);
}

void QtPlatform::EndTextInput() {
    if (!renameEdit_) return;
    renameEnding_ = true;
    QLineEdit* edit = renameEdit_.data();
    renameEdit_ = nullptr;
    edit->removeEventFilter(this);
    edit->hide();
    // Deleted later: this may run inside the edit's own key or focus handler.
    edit->deleteLater();
    canvas_->TakeFocus(Qt::OtherFocusReason);
    renameEnding_ = false;
}

void QtPlatform::FinishRename(bool commit) {
    if (!renameEdit_ || renameEnding_) return;
    if (view_) {
        Guarded(window_, [&] {
            if (commit)
                view_->CommitRename();
            else
                view_->CancelRename();
        });
    }
    // The view normally takes the edit down itself; never leave it behind.
    EndTextInput();
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
    if (renameEdit_ && watched == renameEdit_.data()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                FinishRename(true);
                return true;
            }
            if (key == Qt::Key_Escape) {
                FinishRename(false);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            FinishRename(true);
        }
    }
    return QObject::eventFilter(watched, event);
}

std::optional<shell::Platform::SizeDensity> QtPlatform::PromptPatternSize(int size, double density) {
    auto chosen = app::PromptPatternSize(window_, size, density);
    Reactivate(window_);
    return chosen;
}

void QtPlatform::SetTitle(const std::string& title) { window_->setWindowTitle(ToQString(title)); }

void QtPlatform::RequestRedraw() { canvas_->update(); }

void QtPlatform::ShowBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The operation holds the event loop; let the new pointer reach the screen first.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtPlatform::RequestRedrawAfter(int delayMs) {
    // The canvas as context: the timer is dropped with it.
    // Precise: a coarse timer may fire a little early, while the thing shown is still due.
    QTimer::singleShot(delayMs, Qt::PreciseTimer, canvas_, [canvas = canvas_] { canvas->update(); });
}

void QtPlatform::Close() {
    // Queued: the close asks the view again (RequestClose), which must not happen inside its own command.
    QMetaObject::invokeMethod(window_, "close", Qt::QueuedConnection);
}

void QtPlatform::PostToUiThread(std::function<void()> task) {
    // Queued on this object, which lives on the window's thread: Qt drops the call if it goes first.
    QMetaObject::invokeMethod(this, [this, task = std::move(task)] { Guarded(window_, task); }, Qt::QueuedConnection);
}

shell::FileContents QtPlatform::ReadFile(const std::string& path) {
    shell::FileContents file;
    file.failure = formats::ReadWholeFile(path, file.bytes);
    if (file.failure) file.bytes.clear();
    return file;
}

std::optional<formats::FileFailure> QtPlatform::WriteFile(const std::string& path, const std::string& bytes) {
    try {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        std::error_code error;
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
        if (error) return formats::FileFailure{formats::FileFailure::Stage::Open, error.value()};
        return formats::WriteFileAtomically(path, bytes);
    } catch (...) {
        return formats::FileFailure{formats::FileFailure::Stage::Write, 0};
    }
}

void QtPlatform::StartUpdateCheck(const std::string& settingsHost,
                                  std::function<void(update::UpdateNotice)> onNotice) {
    if (updateRelay_) return;
    updateRelay_ = std::make_unique<shell::NoticeRelay>(*this, std::move(onNotice));
    update::StartUpdateCheck(update::ConfiguredUpdateEndpoint(settingsHost), updateRelay_->Deliverer());
}

void QtPlatform::RunInBackground(std::function<void(const std::atomic<bool>& stop)> work) {
    std::erase_if(background_, [](BackgroundWork& done) {
        if (!done.finished->load()) return false;
        done.thread.join();
        return true;
    });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, finished, work = std::move(work)] {
        try {
            work(stopBackground_);
        } catch (...) {
            // The work reports its own failures through what it posts; nothing may escape a thread.
        }
        finished->store(true);
    });
    background_.push_back({std::move(thread), std::move(finished)});
}

}  // namespace app
