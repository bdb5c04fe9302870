#include "app/key_map.h"

#include <QKeyEvent>

namespace app {
namespace {

// X11 keycodes of the top row 1..9, 0: digits keep their value with Shift held, whatever the layout prints.
int TopRowDigit(quint32 scanCode) {
    if (scanCode >= 10 && scanCode <= 19) return static_cast<int>(scanCode - 9) % 10;
    return -1;
}

}  // namespace

shell::Modifiers ToModifiers(Qt::KeyboardModifiers modifiers) {
    shell::Modifiers result;
    result.ctrl = modifiers.testFlag(Qt::ControlModifier);
    result.shift = modifiers.testFlag(Qt::ShiftModifier);
    result.alt = modifiers.testFlag(Qt::AltModifier);
    return result;
}

shell::KeyEvent ToKeyEvent(const QKeyEvent& event) {
    shell::KeyEvent result;
    result.modifiers = ToModifiers(event.modifiers());
    const int key = event.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        result.key = shell::Key::Digit;
        result.digit = key - Qt::Key_0;
        return result;
    }
    if (!event.modifiers().testFlag(Qt::KeypadModifier)) {
        const int digit = TopRowDigit(event.nativeScanCode());
        if (digit >= 0) {
            result.key = shell::Key::Digit;
            result.digit = digit;
            return result;
        }
    }
    switch (key) {
        case Qt::Key_Control: result.key = shell::Key::Control; break;
        case Qt::Key_F2: result.key = shell::Key::F2; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: result.key = shell::Key::Enter; break;
        case Qt::Key_Backspace: result.key = shell::Key::Backspace; break;
        case Qt::Key_Space: result.key = shell::Key::Space; break;
        case Qt::Key_Delete: result.key = shell::Key::Delete; break;
        case Qt::Key_Escape: result.key = shell::Key::Escape; break;
        case Qt::Key_C: result.key = shell::Key::C; break;
        case Qt::Key_E: result.key = shell::Key::E; break;
        case Qt::Key_I: result.key = shell::Key::I; break;
        case Qt::Key_M: result.key = shell::Key::M; break;
        case Qt::Key_N: result.key = shell::Key::N; break;
        case Qt::Key_O: result.key = shell::Key::O; break;
        case Qt::Key_R: result.key = shell::Key::R; break;
        case Qt::Key_S: result.key = shell::Key::S; break;
        case Qt::Key_V: result.key = shell::Key::V; break;
        case Qt::Key_Y: result.key = shell::Key::Y; break;
        case Qt::Key_Z: result.key = shell::Key::Z; break;
        default: result.key = shell::Key::Other; break;
    }
    return result;
}

bool ViewWantsKey(const QKeyEvent& event) {
    const shell::KeyEvent key = ToKeyEvent(event);
    if (key.key == shell::Key::Other) return false;
    if (key.modifiers.ctrl) return true;
    // Alt+E, Alt+R and Alt+I are the editor's own; other Alt letters open menus (Alt+F, Alt+V).
    if (key.modifiers.alt)
        return key.key == shell::Key::E || key.key == shell::Key::R || key.key == shell::Key::I;
    return false;
}

}  // namespace app
