#include "shell/start_screen.h"

#include <algorithm>
#include <array>

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
        const float centre = left + cardWidth / 2;
        const float rowLeft = centre - (48 + kGap + 180 + kGap + 48) / 2;
        for (int r = 0; r < 2; ++r) {
            const RectF minus{rowLeft, y, rowLeft + 48, y + kButtonHeight};
            const RectF box{minus.right + kGap, y, minus.right + kGap + 180, y + kButtonHeight};
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
