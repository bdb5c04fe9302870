#include "app/guard.h"

#include <QMessageBox>
#include <QWidget>

#include "app/text.h"

namespace app {

void ShowErrorBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrix"), text, QMessageBox::Ok, parent);
    box.exec();
    // The window takes the keyboard back, also where no window manager hands it over.
    if (parent && parent->window()->isVisible()) parent->window()->activateWindow();
}

}  // namespace app
