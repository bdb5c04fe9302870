#pragma once

#include <Qt>

#include "shell/input.h"

class QKeyEvent;

namespace app {

shell::Modifiers ToModifiers(Qt::KeyboardModifiers modifiers);
shell::KeyEvent ToKeyEvent(const QKeyEvent& event);
// Keys the view handles itself, so menu mnemonics and shortcuts must not take them first.
bool ViewWantsKey(const QKeyEvent& event);

}  // namespace app
