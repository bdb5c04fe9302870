#pragma once

#include <memory>

#include "shell/panel.h"

namespace shell {

// The soup census of the current rule, under the pattern viewer: a button that runs it in the
// background, its progress with a way to cancel, and the objects found, listed over the viewer's
// grid, most common first; clicking one pastes it into a new tab.
class CensusPanel final : public Panel {
public:
    explicit CensusPanel(const PanelContext& context);
    // A census still running is asked to stop; what it posts later finds no panel.
    ~CensusPanel() override;

    void Draw(Canvas& canvas) override;
    bool Press(const MouseEvent& event) override;
    bool Wheel(float x, float y, bool up, Modifiers modifiers) override;
    int HoverAt(float x, float y) const override;

    void Start();
    void Cancel();
    bool Running() const;
    // The list covers the viewer's grid while it is shown.
    bool ListShown() const;

    struct State;

private:
    const PanelContext& ctx_;
    std::shared_ptr<State> state_;
};

}  // namespace shell
