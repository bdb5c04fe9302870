#pragma once

#include <QString>
#include <exception>

#include "app/text.h"

class QWidget;

namespace app {

// The editor's error box: title "Tavrix", error icon.
void ShowErrorBox(QWidget* parent, const QString& text);

// Runs one forwarded event; an error becomes a box and the window carries on.
template <class F>
void Guarded(QWidget* parent, F&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        ShowErrorBox(parent, ToQString(error.what()));
    } catch (...) {
        ShowErrorBox(parent, QStringLiteral("An unexpected error occurred."));
    }
}

}  // namespace app
