// The start screen over the dimmed editor: new rule, load or import, and the new rule's choices.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/symmetry.h"
#include "shell/main_window_view_impl.h"

namespace shell {

void MainWindowViewImpl::ShowStartScreen(StartPage page) {
    startScreenShown = true;
    startPage = page;
    startHover = -1;
    if (page == StartPage::NewRule) newStateCount = StateCount();
    CancelRename();
    CancelDrags();
    Redraw();
}

void MainWindowViewImpl::HideStartScreen() {
    startScreenShown = false;
    AfterChange();
}

void MainWindowViewImpl::StartScreenKey(const KeyEvent& event) {
    const Modifiers& m = event.modifiers;
    if (event.key == Key::O && m.ctrl) {
        ShowStartScreen(StartPage::Open);
    } else if (event.key == Key::Enter && !m.ctrl && !m.alt) {
        if (startPage == StartPage::Main) StartScreenAction(StartAction::NewRule);
        else if (startPage == StartPage::NewRule) StartScreenAction(StartAction::CreateRule);
    } else if (event.key == Key::Escape) {
        if (startPage == StartPage::NewRule) ShowStartScreen(StartPage::Main);
        else if (startPage == StartPage::Open) HideStartScreen();
    }
}

void MainWindowViewImpl::StartScreenPress(float x, float y) {
    const StartScreenLayout card = LayOutStartScreen(startPage, width, height);
    for (const auto& [action, rect] : card.buttons)
        if (rect.Contains(x, y)) {
            StartScreenAction(action);
            return;
        }
}

void MainWindowViewImpl::StartScreenHover(float x, float y) {
    const StartScreenLayout card = LayOutStartScreen(startPage, width, height);
    int hovered = -1;
    for (std::size_t i = 0; i < card.buttons.size(); ++i)
        if (card.buttons[i].second.Contains(x, y)) hovered = static_cast<int>(i);
    if (hovered == startHover) return;
    startHover = hovered;
    Redraw();
}

void MainWindowViewImpl::StartScreenAction(StartAction action) {
    switch (action) {
        case StartAction::NewRule:
            Guarded([&] { editor.ResetToStartScreen(); });
            ShowStartScreen(StartPage::NewRule);
            return;
        case StartAction::LoadRule:
            if (LoadSessionFromFile()) HideStartScreen();
            return;
        case StartAction::ImportRule:
            if (ImportGollyRule()) HideStartScreen();
            return;
        case StartAction::CountDown:
        case StartAction::CountUp:
            newStateCount = std::clamp(newStateCount + (action == StartAction::CountUp ? 1 : -1), 2, 16);
            selectedState = std::min(selectedState, newStateCount - 1);
            markerValue = std::clamp(markerValue, 1, 8);
            digits.Clear();
            flags.stateBarShown = newStateCount >= 6;
            AfterChange();
            return;
        case StartAction::SymmetryDown:
        case StartAction::SymmetryUp:
            newSymmetry = StepSymmetry(newSymmetry, action == StartAction::SymmetryUp ? 1 : -1);
            Redraw();
            return;
        case StartAction::CreateRule: CreateRuleFromStartScreen(); return;
        case StartAction::Back: ShowStartScreen(StartPage::Main); return;
    }
}

void MainWindowViewImpl::CreateRuleFromStartScreen() {
    try {
        editor.CreateRule(newStateCount, static_cast<core::RuleSymmetry>(newSymmetry));
    } catch (const std::exception& error) {
        ShowError(error.what());
        Redraw();
        return;
    }
    startScreenShown = false;
    sessionFile.clear();
    selectedState = std::min(selectedState, StateCount() - 1);
    digits.Clear();
    SetStateBarFromStateCount();
    selection = {};
    AfterChange();
    StartRename(editor.Doc().selectedTab);
}

bool MainWindowViewImpl::OpenPath(const std::string& path) {
    std::string extension = path.substr(std::min(path.size(), path.find_last_of("./") + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool opened = extension == "rule" || extension == "table" ? ImportRulePath(path) : LoadSessionPath(path);
    if (opened && startScreenShown) HideStartScreen();
    return opened;
}

void MainWindowViewImpl::DrawStartScreen(Canvas& canvas) {
    static constexpr ColorF kText{0.97f, 0.97f, 0.97f, 1};
    static constexpr ColorF kOutline{0.28f, 0.36f, 0.42f, 1};
    canvas.FillRect({0, 0, width, height}, {0.02f, 0.03f, 0.05f, 0.72f});
    const StartScreenLayout card = LayOutStartScreen(startPage, width, height);
    canvas.FillRect(card.card, {0.10f, 0.13f, 0.18f, 1});
    canvas.OutlineRect(card.card, kOutline, 1.5f);
    canvas.DrawText(kTitle, card.title, TextFormat::Banner, kText, HAlign::Centre, VAlign::Centre);
    canvas.DrawWrappedText(StartSubtitle(startPage), card.subtitle, TextFormat::CompactLabel,
                           {0.70f, 0.74f, 0.79f, 1});
    for (std::size_t i = 0; i < card.buttons.size(); ++i) {
        const auto& [action, rect] = card.buttons[i];
        const bool accent = action == StartAction::NewRule || action == StartAction::CreateRule;
        const bool hovered = static_cast<int>(i) == startHover;
        ColorF fill = accent ? ColorF{0.12f, 0.45f, 0.50f, 1} : ColorF{0.13f, 0.17f, 0.22f, 1};
        if (hovered) fill = {fill.red + 0.05f, fill.green + 0.06f, fill.blue + 0.06f, 1};
        canvas.FillRect(rect, fill);
        canvas.OutlineRect(rect, accent ? ColorF{0.26f, 0.70f, 0.74f, 1} : kOutline, 1);
        canvas.DrawText(StartButtonLabel(action), rect, TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
    }
    if (startPage != StartPage::NewRule) return;
    char count[32];
    std::snprintf(count, sizeof count, "%d states", newStateCount);
    for (const RectF& box : {card.countBox, card.symmetryBox}) {
        canvas.FillRect(box, {0.09f, 0.12f, 0.16f, 1});
        canvas.OutlineRect(box, kOutline, 1);
    }
    canvas.DrawText(count, card.countBox, TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
    canvas.DrawText(core::SymmetryDisplayName(static_cast<core::RuleSymmetry>(newSymmetry)), card.symmetryBox,
                    TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
}

}  // namespace shell
