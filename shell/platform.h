#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/file_failure.h"
#include "update/update_notice.h"

namespace shell {

enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// One message box: what the user is asked and how.
struct MessageBox {
    std::string title;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
    // Captions replacing the standard ones, in button order (the update notice names its buttons).
    std::vector<std::string> captions;
};

struct FileFilter {
    std::string description;  // "Tavrix Session (*.tavses)"
    std::string pattern;      // "*.tavses"
};

struct FileDialog {
    std::string title;
    std::vector<FileFilter> filters;
    std::string defaultExtension;  // without the dot
    std::string initialPath;
};

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A whole file read: its bytes, or where reading stopped and the system's reason.
struct FileContents {
    std::optional<formats::FileFailure> failure;
    std::string bytes;
};

// Everything the window needs from the desktop. MainWindowView talks to the outside only through
// this, so a fake of it drives the whole window in tests.
class Platform {
public:
    virtual ~Platform() = default;

    virtual MessageAnswer ShowMessage(const MessageBox& box) = 0;
    // The warning beep of a refused action.
    virtual void Beep() = 0;
    virtual std::optional<std::string> ClipboardText() = 0;
    // False when the clipboard cannot take the text.
    virtual bool SetClipboardText(const std::string& text) = 0;
    virtual std::optional<std::string> OpenFile(const FileDialog& dialog) = 0;
    // Asks before replacing an existing file.
    virtual std::optional<std::string> SaveFile(const FileDialog& dialog) = 0;
    virtual std::optional<Rgb> PickColor(Rgb initial) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
    // Timer 1 drives playback; period in milliseconds, 0 stops it.
    virtual void SetPlaybackTimer(int periodMs) = 0;
    // Monotonic time in nanoseconds and the millisecond uptime used to seed soups.
    virtual std::int64_t NowNanoseconds() = 0;
    virtual std::uint32_t TickCountMs() = 0;
    // Gathers the typing of a tab rename without showing anything (the tab draws the text it is
    // told); the rectangle is where that text is. The desktop answers through
    // MainWindowView::RenameTextChanged, CommitRename and CancelRename.
    virtual void BeginTextInput(float left, float top, float right, float bottom, const std::string& text) = 0;
    virtual void EndTextInput() = 0;
    // The pattern viewer's size prompt: size and density, or nothing when cancelled.
    struct SizeDensity {
        int size = 32;
        double density = 0.6666666;
    };
    virtual std::optional<SizeDensity> PromptPatternSize(int size, double density) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void RequestRedraw() = 0;
    // A long operation (loading or importing a large rule) runs: the pointer shows it is busy.
    virtual void ShowBusy(bool /*busy*/) {}
    // A redraw once `delayMs` have passed: what is shown for a while goes away on time.
    virtual void RequestRedrawAfter(int delayMs) = 0;
    virtual void Close() = 0;
    // Runs `task` later on the window's thread; callable from any thread. A task still queued
    // when the platform goes away is dropped.
    virtual void PostToUiThread(std::function<void()> task) = 0;
    virtual FileContents ReadFile(const std::string& path) = 0;
    // Replaces the file at `path` (creating missing folders) through a temporary file renamed over
    // it; on failure, where it stopped, and the file that was there is untouched.
    virtual std::optional<formats::FileFailure> WriteFile(const std::string& path, const std::string& bytes) = 0;
    // Asks the update feed once, in the background; `onNotice` runs on the window's thread when a
    // newer build is announced, and never once the platform is gone.
    virtual void StartUpdateCheck(const std::string& settingsHost, std::function<void(update::UpdateNotice)> onNotice) = 0;
    // Runs `work` on a thread of its own. `stop` turns true when the platform goes away, which
    // then waits for the work to end, so long work checks it often.
    virtual void RunInBackground(std::function<void(const std::atomic<bool>& stop)> work) = 0;
};

// Shows the busy pointer for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(Platform& platform) : platform_(platform) { platform_.ShowBusy(true); }
    ~BusyScope() { platform_.ShowBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Platform& platform_;
};

}  // namespace shell
