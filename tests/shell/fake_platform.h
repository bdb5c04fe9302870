#pragma once

#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "formats/atomic_file.h"
#include "shell/platform.h"

namespace shell::testing {

// A box as one value, to compare whole.
inline auto Fields(const MessageBox& box) {
    return std::tuple(box.title, box.text, box.buttons, box.icon, box.defaultAnswer, box.captions);
}

// Records what the window asks of the desktop and answers from scripts.
class FakePlatform : public Platform {
public:
    std::vector<MessageBox> boxes;
    std::deque<MessageAnswer> answers;  // next answers; Cancel-like default when empty
    int beeps = 0, redraws = 0, closes = 0;
    std::vector<int> timerPeriods;
    std::int64_t nowNs = 1'000'000'000;
    std::uint32_t tickMs = 5000;
    std::vector<std::string> titles;
    std::optional<std::string> clipboard;
    bool textInputActive = false;
    std::string textInput;
    std::optional<SizeDensity> promptAnswer;
    std::optional<Rgb> pickAnswer;
    std::vector<Rgb> pickInitial;
    std::optional<std::string> openPath, savePath;
    std::vector<FileDialog> dialogs;
    std::vector<std::string> openedUrls;
    std::vector<std::function<void()>> posted;  // run by the test, standing in for the window's thread
    std::vector<std::function<void(const std::atomic<bool>&)>> background;
    std::vector<std::function<void(update::UpdateNotice)>> updateChecks;  // what each check would call
    std::vector<std::string> updateHosts;

    int busy = 0;  // nested busy pointers now
    bool boxWhileBusy = false;
    void ShowBusy(bool on) override { busy += on ? 1 : -1; }
    MessageAnswer ShowMessage(const MessageBox& box) override {
        boxWhileBusy = boxWhileBusy || busy != 0;
        boxes.push_back(box);
        if (answers.empty()) return box.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Beep() override { ++beeps; }
    std::optional<std::string> ClipboardText() override { return clipboard; }
    bool SetClipboardText(const std::string& text) override { return clipboard = text, true; }
    std::optional<std::string> OpenFile(const FileDialog& dialog) override { return dialogs.push_back(dialog), openPath; }
    std::optional<std::string> SaveFile(const FileDialog& dialog) override { return dialogs.push_back(dialog), savePath; }
    std::optional<Rgb> PickColor(Rgb initial) override { return pickInitial.push_back(initial), pickAnswer; }
    void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }
    void SetPlaybackTimer(int periodMs) override { timerPeriods.push_back(periodMs); }
    std::int64_t NowNanoseconds() override { return nowNs; }
    std::uint32_t TickCountMs() override { return tickMs; }
    void BeginTextInput(float, float, float, float, const std::string& text) override {
        textInputActive = true;
        textInput = text;
    }
    void EndTextInput() override { textInputActive = false; }
    std::optional<SizeDensity> PromptPatternSize(int, double) override { return promptAnswer; }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    void RequestRedraw() override { ++redraws; }
    void RequestRedrawAfter(int) override {}
    void Close() override { ++closes; }
    void PostToUiThread(std::function<void()> task) override { posted.push_back(std::move(task)); }
    void RunInBackground(std::function<void(const std::atomic<bool>&)> work) override {
        background.push_back(std::move(work));
    }
    // Runs the background work, then what it posted, as the desktop would.
    void FinishBackgroundWork(bool stop = false) {
        const std::atomic<bool> stopping{stop};
        for (auto& work : std::exchange(background, {})) work(stopping);
        for (auto& task : std::exchange(posted, {})) task();
    }
    // Failures to script: the next read or write stops there instead of touching the disk.
    std::optional<formats::FileFailure> readFailure, writeFailure;
    FileContents ReadFile(const std::string& path) override {
        FileContents file;
        file.failure = readFailure ? std::exchange(readFailure, std::nullopt) : formats::ReadWholeFile(path, file.bytes);
        return file;
    }
    std::optional<formats::FileFailure> WriteFile(const std::string& path, const std::string& bytes) override {
        return writeFailure ? std::exchange(writeFailure, std::nullopt) : formats::WriteFileAtomically(path, bytes);
    }
    void StartUpdateCheck(const std::string& settingsHost, std::function<void(update::UpdateNotice)> onNotice) override {
        updateHosts.push_back(settingsHost);
        updateChecks.push_back(std::move(onNotice));
    }
};

}  // namespace shell::testing
