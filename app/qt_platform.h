#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "shell/notice_relay.h"
#include "shell/platform.h"

class QLineEdit;
class QWidget;

namespace shell {
class MainWindowView;
}

namespace app {

class CanvasWindow;

// shell::Platform on Qt: dialogs and boxes owned by the main window, the playback timer, the
// clipboard and the rename's hidden input sink on the canvas.
class QtPlatform final : public QObject, public shell::Platform {
    Q_OBJECT

public:
    // `window` owns dialogs and takes the title; `canvas` is redrawn and carries the rename edit.
    QtPlatform(QWidget* window, CanvasWindow* canvas);
    ~QtPlatform() override;

    // Null detaches the view, before it is destroyed.
    void SetView(shell::MainWindowView* view);

    shell::MessageAnswer ShowMessage(const shell::MessageBox& box) override;
    void Beep() override;
    std::optional<std::string> ClipboardText() override;
    bool SetClipboardText(const std::string& text) override;
    std::optional<std::string> OpenFile(const shell::FileDialog& dialog) override;
    std::optional<std::string> SaveFile(const shell::FileDialog& dialog) override;
    std::optional<shell::Rgb> PickColor(shell::Rgb initial) override;
    void OpenUrl(const std::string& url) override;
    void SetPlaybackTimer(int periodMs) override;
    std::int64_t NowNanoseconds() override;
    std::uint32_t TickCountMs() override;
    void BeginTextInput(float left, float top, float right, float bottom, const std::string& text) override;
    void EndTextInput() override;
    std::optional<SizeDensity> PromptPatternSize(int size, double density) override;
    void SetTitle(const std::string& title) override;
    void RequestRedraw() override;
    void RequestRedrawAfter(int delayMs) override;
    void ShowBusy(bool busy) override;
    void Close() override;
    void PostToUiThread(std::function<void()> task) override;
    shell::FileContents ReadFile(const std::string& path) override;
    std::optional<formats::FileFailure> WriteFile(const std::string& path, const std::string& bytes) override;
    // Runs the update library's check on its own thread, once.
    void StartUpdateCheck(const std::string& settingsHost, std::function<void(update::UpdateNotice)> onNotice) override;
    void RunInBackground(std::function<void(const std::atomic<bool>& stop)> work) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FinishRename(bool commit);

    QWidget* window_;
    CanvasWindow* canvas_;
    shell::MainWindowView* view_ = nullptr;
    QTimer playbackTimer_;
    QPointer<QLineEdit> renameEdit_;
    bool renameEnding_ = false;  // set while the edit is taken down, so its focus loss commits nothing
    std::unique_ptr<shell::NoticeRelay> updateRelay_;
    struct BackgroundWork {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    std::atomic<bool> stopBackground_{false};
    std::vector<BackgroundWork> background_;
};

}  // namespace app
