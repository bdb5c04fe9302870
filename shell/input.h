#pragma once

namespace shell {

// Keys the window reacts to, independent of any toolkit; digits come with their value.
enum class Key {
    Other,
    Digit,  // top row or keypad; see KeyEvent::digit
    Control,
    F2,
    Enter,
    Backspace,
    Space,
    Delete,
    Escape,
    C,
    E,
    I,
    M,
    N,
    O,
    R,
    S,
    V,
    Y,
    Z,
};

struct Modifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

struct KeyEvent {
    Key key = Key::Other;
    int digit = 0;
    Modifiers modifiers;
};

enum class MouseButton { Left, Right, Middle };

struct MouseEvent {
    float x = 0;
    float y = 0;
    MouseButton button = MouseButton::Left;
    Modifiers modifiers;
    bool doubleClick = false;
};

}  // namespace shell
