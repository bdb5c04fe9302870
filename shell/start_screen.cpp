#include "shell/start_screen.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/symmetry.h"
#include "shell/text_fit.h"

namespace shell {

namespace {

constexpr std::array<int, 8> kSymmetryCycle = {0, 5, 1, 2, 3, 6, 7, 4};
constexpr float kInset = 28;
constexpr float kButtonHeight = 46;
constexpr float kGap = 12;
constexpr float kFirstRow = 134;

}  // namespace

StartScreenLayout LayOutStartScreen(StartPage page, float width, float height) {
    StartScreenLayout out;
    const float cardWidth = std::min(420.0f, width - 48);
    const float cardHeight = page == StartPage::NewRule ? 370.0f : page == StartPage::Open ? 250.0f : 320.0f;
    const float left = (width - cardWidth) / 2;
    const float top = std::max((height - cardHeight) / 2, 58.0f);
    out.card = {left, top, left + cardWidth, top + cardHeight};
    out.title = {left + kInset, top + 22, left + cardWidth - kInset, top + 70};
    out.subtitle = {left + kInset, top + 76, left + cardWidth - kInset, top + 122};
    float y = top + kFirstRow;
    auto row = [&](StartAction action) {
        out.buttons.push_back({action, {left + kInset, y, left + cardWidth - kInset, y + kButtonHeight}});
        y += kButtonHeight + kGap;
    };
    if (page == StartPage::NewRule) {
        // The value boxes take the card's whole width: the longest symmetry names need it.
        const float boxWidth = std::max(cardWidth - 2 * kInset - 2 * (48 + kGap), 0.0f);
        const float rowLeft = left + kInset;
        for (int r = 0; r < 2; ++r) {
            const RectF minus{rowLeft, y, rowLeft + 48, y + kButtonHeight};
            const RectF box{minus.right + kGap, y, minus.right + kGap + boxWidth, y + kButtonHeight};
            const RectF plus{box.right + kGap, y, box.right + kGap + 48, y + kButtonHeight};
            out.buttons.push_back({r == 0 ? StartAction::CountDown : StartAction::SymmetryDown, minus});
            out.buttons.push_back({r == 0 ? StartAction::CountUp : StartAction::SymmetryUp, plus});
            (r == 0 ? out.countBox : out.symmetryBox) = box;
            y += kButtonHeight + kGap;
        }
        row(StartAction::CreateRule);
        row(StartAction::Back);
        return out;
    }
    if (page == StartPage::Main) row(StartAction::NewRule);
    row(StartAction::LoadRule);
    row(StartAction::ImportRule);
    return out;
}

int StepSymmetry(int index, int direction) {
    const auto it = std::find(kSymmetryCycle.begin(), kSymmetryCycle.end(), index);
    if (it == kSymmetryCycle.end()) return kSymmetryCycle[0];
    const int at = static_cast<int>(it - kSymmetryCycle.begin());
    const int n = static_cast<int>(kSymmetryCycle.size());
    return kSymmetryCycle[static_cast<std::size_t>(((at + direction) % n + n) % n)];
}

const char* StartSubtitle(StartPage page) {
    switch (page) {
        case StartPage::NewRule: return "Choose the state count and neighborhood symmetry.";
        case StartPage::Open: return "Choose how you want to open an existing rule.";
        case StartPage::Main: break;
    }
    return "Start a new rule, load a saved session, or import a Golly rule.";
}

const char* StartButtonLabel(StartAction action) {
    switch (action) {
        case StartAction::NewRule: return "New Rule";
        case StartAction::LoadRule: return "Load Rule";
        case StartAction::ImportRule: return "Import Rule";
        case StartAction::CountDown:
        case StartAction::SymmetryDown: return "-";
        case StartAction::CountUp:
        case StartAction::SymmetryUp: return "+";
        case StartAction::CreateRule: return "Create Rule";
        case StartAction::Back: return "Back";
    }
    return "";
}

}  // namespace shell

namespace shell {

void StartScreen::Show(StartPage page) {
    const bool leftNewRule = shown_ && page_ == StartPage::NewRule && page != StartPage::NewRule;
    shown_ = true;
    page_ = page;
    hover_ = -1;
    ctx_.window.CancelGestures();
    // The new-rule page shows the rule behind it, which Create Rule starts from; leaving it
    // puts the state bar back to that rule's count.
    if (page == StartPage::NewRule) {
        newStateCount_ = ctx_.StateCount();
        newSymmetry_ = ctx_.editor.Doc().rule.symmetry;
        FollowStateCount(newStateCount_);
    } else if (leftNewRule) {
        FollowStateCount(ctx_.StateCount());
    } else {
        ctx_.Redraw();
    }
}

void StartScreen::FollowStateCount(int count) {
    ctx_.window.FitBrush(count);
    ctx_.view.flags.stateBarShown = count >= 6;
    ctx_.window.AfterChange();
}

void StartScreen::Hide() {
    shown_ = false;
    ctx_.window.AfterChange();
}

bool StartScreen::Key(const KeyEvent& event) {
    if (!shown_) return false;
    const Modifiers& m = event.modifiers;
    if (event.key == Key::O && m.ctrl) {
        Show(StartPage::Open);
    } else if (event.key == Key::Enter && !m.ctrl && !m.alt) {
        if (page_ == StartPage::Main) Act(StartAction::NewRule);
        else if (page_ == StartPage::NewRule) Act(StartAction::CreateRule);
    } else if (event.key == Key::Escape) {
        if (page_ == StartPage::NewRule) Show(StartPage::Main);
        else if (page_ == StartPage::Open) Hide();
    }
    return true;
}

bool StartScreen::Press(const MouseEvent& event) {
    if (!shown_) return false;
    if (event.button != MouseButton::Left) return true;
    const StartScreenLayout card = LayOutStartScreen(page_, ctx_.view.width, ctx_.view.height);
    for (const auto& [action, rect] : card.buttons)
        if (rect.Contains(event.x, event.y)) {
            Act(action);
            break;
        }
    return true;
}

bool StartScreen::Move(float x, float y, Modifiers) {
    if (!shown_) return false;
    const StartScreenLayout card = LayOutStartScreen(page_, ctx_.view.width, ctx_.view.height);
    int hovered = -1;
    for (std::size_t i = 0; i < card.buttons.size(); ++i)
        if (card.buttons[i].second.Contains(x, y)) hovered = static_cast<int>(i);
    if (hovered != hover_) {
        hover_ = hovered;
        ctx_.Redraw();
    }
    return true;
}

bool StartScreen::Wheel(float, float, bool, Modifiers) { return shown_; }

void StartScreen::Act(StartAction action) {
    switch (action) {
        case StartAction::NewRule:
            ctx_.Guarded([&] { ctx_.editor.ResetToStartScreen(); });
            Show(StartPage::NewRule);
            return;
        case StartAction::LoadRule:
            if (ctx_.window.LoadSessionFromFile()) Hide();
            return;
        case StartAction::ImportRule:
            if (ctx_.window.ImportGollyRule()) Hide();
            return;
        case StartAction::CountDown:
        case StartAction::CountUp:
            newStateCount_ = std::clamp(newStateCount_ + (action == StartAction::CountUp ? 1 : -1), 2, 16);
            FollowStateCount(newStateCount_);
            return;
        case StartAction::SymmetryDown:
        case StartAction::SymmetryUp:
            newSymmetry_ = StepSymmetry(newSymmetry_, action == StartAction::SymmetryUp ? 1 : -1);
            ctx_.Redraw();
            return;
        case StartAction::CreateRule: CreateRule(); return;
        case StartAction::Back: Show(StartPage::Main); return;
    }
}

void StartScreen::CreateRule() {
    try {
        ctx_.editor.CreateRule(newStateCount_, static_cast<core::RuleSymmetry>(newSymmetry_));
    } catch (const std::exception& error) {
        ctx_.window.ShowError(error.what(), kTitle);
        ctx_.Redraw();
        return;
    }
    shown_ = false;
    ctx_.window.RuleCreated();
}

void StartScreen::Draw(Canvas& canvas) {
    if (!shown_) return;
    static constexpr ColorF kText{0.97f, 0.97f, 0.97f, 1};
    static constexpr ColorF kOutline{0.28f, 0.36f, 0.42f, 1};
    const float width = ctx_.view.width, height = ctx_.view.height;
    canvas.FillRect({0, 0, width, height}, {0.02f, 0.03f, 0.05f, 0.72f});
    const StartScreenLayout card = LayOutStartScreen(page_, width, height);
    canvas.FillRect(card.card, {0.10f, 0.13f, 0.18f, 1});
    canvas.OutlineRect(card.card, kOutline, 1.5f);
    canvas.DrawText(kTitle, card.title, TextFormat::Banner, kText, HAlign::Centre, VAlign::Centre);
    canvas.DrawWrappedText(StartSubtitle(page_), card.subtitle, TextFormat::CompactLabel, {0.70f, 0.74f, 0.79f, 1});
    for (std::size_t i = 0; i < card.buttons.size(); ++i) {
        const auto& [action, rect] = card.buttons[i];
        const bool accent = action == StartAction::NewRule || action == StartAction::CreateRule;
        const bool hovered = static_cast<int>(i) == hover_;
        ColorF fill = accent ? ColorF{0.12f, 0.45f, 0.50f, 1} : ColorF{0.13f, 0.17f, 0.22f, 1};
        if (hovered) fill = {fill.red + 0.05f, fill.green + 0.06f, fill.blue + 0.06f, 1};
        canvas.FillRect(rect, fill);
        canvas.OutlineRect(rect, accent ? ColorF{0.26f, 0.70f, 0.74f, 1} : kOutline, 1);
        canvas.DrawText(StartButtonLabel(action), rect, TextFormat::Label, kText, HAlign::Centre, VAlign::Centre);
    }
    if (page_ != StartPage::NewRule) return;
    char count[32];
    std::snprintf(count, sizeof count, "%d states", newStateCount_);
    for (const RectF& box : {card.countBox, card.symmetryBox}) {
        canvas.FillRect(box, {0.09f, 0.12f, 0.16f, 1});
        canvas.OutlineRect(box, kOutline, 1);
    }
    auto boxText = [&](std::string_view text, const RectF& box) {
        canvas.DrawText(FitText(canvas, text, box.Width() - 12, TextFormat::Label), box, TextFormat::Label, kText,
                        HAlign::Centre, VAlign::Centre);
    };
    boxText(count, card.countBox);
    boxText(core::SymmetryDisplayName(static_cast<core::RuleSymmetry>(newSymmetry_)), card.symmetryBox);
}

}  // namespace shell
