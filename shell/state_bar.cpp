#include "shell/state_bar.h"

#include <algorithm>

#include "shell/theme.h"

namespace shell {

using namespace theme;

RectF StateBarPageSwitch(const RectF& bar) { return {bar.left + 6, bar.top + 6, bar.right - 6, bar.top + 36}; }

RectF StateSwatch(const RectF& bar, int stateCount, int state) {
    const int n = std::max(stateCount, 1);
    const float h = std::max((bar.Height() - 12 - 30 - 6 - 6 * float(n - 1)) / float(n), 20.0f);
    const float top = bar.top + 42 + float(state) * (h + 6);
    const float limit = bar.bottom - 6;
    return {bar.left + 6, std::min(top, limit), bar.right - 6, std::min(top + h, limit)};
}

RectF MarkerRow(const RectF& bar, int marker) {
    const float h = std::max((bar.Height() - 42 - 6 - 42) / 8, 24.0f);
    const float top = bar.top + 42 + float(marker - 1) * (h + 6);
    const float limit = bar.bottom - 6;
    return {bar.left + 6, std::min(top, limit), bar.right - 6, std::min(top + h, limit)};
}

void StateBar::Draw(Canvas& canvas) {
    const RectF& bar = ctx_.layout.stateBar;
    if (!ctx_.view.flags.stateBarShown || bar.Width() <= 0) return;
    canvas.FillRect(bar, kBoxFill);
    canvas.OutlineRect(bar, kBoxOutline, 1);
    const RectF pages = StateBarPageSwitch(bar);
    const float mid = (pages.left + pages.right) / 2;
    const RectF states{pages.left, pages.top, mid, pages.bottom}, markers{mid, pages.top, pages.right, pages.bottom};
    canvas.FillRect(markersPage_ ? markers : states, kButtonActive);
    canvas.OutlineRect(pages, kBoxOutline, 1);
    canvas.DrawText("S", states, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    canvas.DrawText("A", markers, TextFormat::CompactLabel, kPanelText, HAlign::Centre, VAlign::Centre);
    const int n = ctx_.StateCount();
    if (!markersPage_) {
        for (int s = 0; s < n; ++s) {
            const RectF r = StateSwatch(bar, n, s);
            if (r.Height() <= 0) break;
            const authoring::Color& c = ctx_.editor.Doc().colors[static_cast<std::size_t>(s)];
            canvas.FillRect(r, {c.red, c.green, c.blue, 1});
            if (s == ctx_.view.selectedState) canvas.OutlineRect(r, {0.98f, 0.99f, 1.0f, 1}, 3);
            else canvas.OutlineRect(r, kPanelText, 1.5f);
            const bool dark = 0.299f * c.red + 0.587f * c.green + 0.114f * c.blue >= 0.56f;
            canvas.DrawText(n > 10 && s < 2 ? Format("%02d", s) : Format("%d", s), r, TextFormat::CompactLabel,
                            dark ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
        }
        return;
    }
    for (int marker = 1; marker <= 8; ++marker) {
        const RectF r = MarkerRow(bar, marker);
        if (r.Height() <= 0) break;
        const ColorF c = kMarkerColors[static_cast<std::size_t>(marker - 1)];
        canvas.FillRect(r, c);
        if (marker == ctx_.view.markerValue) canvas.OutlineRect(r, kPanelText, 2.5f);
        else canvas.OutlineRect(r, kBoxOutline, 1);
        canvas.DrawText(Format("%d", marker), r, TextFormat::CompactLabel,
                        c.red + c.green + c.blue > 1.7f ? kDarkLabel : kLightLabel, HAlign::Centre, VAlign::Centre);
    }
}

void StateBar::DrawToast(Canvas& canvas) {
    if (!toast_.shown) return;
    if (ctx_.platform.TickCountMs() >= toast_.expiresMs) {
        toast_.shown = false;
        return;
    }
    const std::string text = toast_.firstDigit ? Format("State %d...", toast_.state) : Format("State %d", toast_.state);
    const float w = std::max(canvas.MeasureTextWidth(text, TextFormat::CompactLabel) + 28, 92.0f);
    const float h = 30;
    const float left = std::clamp(toast_.x + 18, 14.0f, std::max(14.0f, ctx_.view.width - 14 - w));
    const float top = std::clamp(toast_.y + 22, 14.0f, std::max(14.0f, ctx_.view.height - 14 - h));
    const RectF box{left, top, left + w, top + h};
    canvas.FillRect(box, {0.08f, 0.09f, 0.11f, 0.94f});
    canvas.OutlineRect(box, {0.95f, 0.96f, 1.0f, 0.95f}, 2);
    canvas.DrawText(text, box, TextFormat::CompactLabel, kLightLabel, HAlign::Centre, VAlign::Centre);
}

bool StateBar::Press(const MouseEvent& event) {
    const float x = event.x, y = event.y;
    const RectF& bar = ctx_.layout.stateBar;
    if (event.button != MouseButton::Left || event.doubleClick) return false;
    if (!ctx_.view.flags.stateBarShown || !bar.Contains(x, y)) return false;
    const RectF pages = StateBarPageSwitch(bar);
    if (pages.Contains(x, y)) {
        markersPage_ = x >= (pages.left + pages.right) / 2;
        digits_.Clear();
        ctx_.Redraw();
        return true;
    }
    if (markersPage_) {
        for (int marker = 1; marker <= 8; ++marker)
            if (MarkerRow(bar, marker).Contains(x, y)) {
                ctx_.view.markerValue = marker;
                ctx_.Redraw();
            }
        return true;
    }
    const int n = ctx_.StateCount();
    for (int s = 0; s < n; ++s)
        if (StateSwatch(bar, n, s).Contains(x, y)) {
            ctx_.view.selectedState = s;
            digits_.Clear();
            ctx_.Redraw();
        }
    return true;
}

bool StateBar::Key(const KeyEvent& event) {
    if (event.key != Key::Digit) return false;
    const Modifiers& m = event.modifiers;
    if (!m.ctrl && !m.alt) {
        DigitKey(event.digit);
    } else if (m.ctrl && !m.alt) {
        if (event.digit >= 1 && event.digit <= 8) {
            ctx_.view.markerValue = event.digit;
            digits_.Clear();
            ctx_.Redraw();
        } else if (event.digit == 0) {
            ctx_.Refuse();
        } else {
            digits_.Clear();
        }
    }
    return true;
}

void StateBar::DigitKey(int digit) {
    const DigitEntry::Result result = digits_.Enter(digit, ctx_.StateCount());
    if (result.refused) {
        ctx_.Refuse();
        return;
    }
    if (result.state >= 0) ctx_.view.selectedState = result.state;
    if (ctx_.view.flags.stateBarShown) {
        toast_.shown = true;
        toast_.firstDigit = result.state < 0;
        toast_.state = result.state >= 0 ? result.state : digits_.pending;
        toast_.x = ctx_.view.mouseX;
        toast_.y = ctx_.view.mouseY;
        toast_.expiresMs = ctx_.platform.TickCountMs() + kToastMs;
    }
    ctx_.Redraw();
}

}  // namespace shell
