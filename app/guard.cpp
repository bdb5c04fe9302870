#include "app/guard.h"

#include <QMessageBox>

#include "app/text.h"

namespace app {

void ShowErrorBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrix"), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace app
