#include "app/size_prompt.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "app/number_text.h"

namespace app {
namespace {

// The boxes take at most 31 characters, as the prompt reads.
constexpr int kMaxChars = 31;

}  // namespace

std::optional<shell::Platform::SizeDensity> PromptPatternSize(QWidget* owner, int size, double density) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Pattern Viewer Size"));
    dialog.setFixedSize(332, 188);

    auto* sizeLabel = new QLabel(QStringLiteral("Square pattern size (16 to 2048 cells per side):"), &dialog);
    sizeLabel->setGeometry(16, 16, 300, 22);
    auto* sizeEdit = new QLineEdit(QString::number(std::clamp(size, 16, 2048)), &dialog);
    sizeEdit->setGeometry(16, 44, 300, 24);
    sizeEdit->setMaxLength(kMaxChars);
    auto* densityLabel = new QLabel(QStringLiteral("Nonzero-cell density (0 to 1):"), &dialog);
    densityLabel->setGeometry(16, 78, 300, 22);
    auto* densityEdit =
        new QLineEdit(QString::fromStdString(FormatShortNumber(std::clamp(density, 0.0, 1.0))), &dialog);
    densityEdit->setGeometry(16, 106, 300, 24);
    densityEdit->setMaxLength(kMaxChars);
    auto* randomize = new QPushButton(QStringLiteral("Randomize"), &dialog);
    randomize->setGeometry(140, 148, 86, 28);
    randomize->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setGeometry(230, 148, 86, 28);
    cancel->setAutoDefault(false);

    std::optional<shell::Platform::SizeDensity> result;
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(randomize, &QPushButton::clicked, &dialog, [&] {
        const auto s = ParseWholeNumber(sizeEdit->text().left(kMaxChars).toStdString());
        const auto d = ParseFiniteNumber(densityEdit->text().left(kMaxChars).toStdString());
        if (s && d && *s >= 16 && *s <= 2048 && *d >= 0.0 && *d <= 1.0) {
            result = shell::Platform::SizeDensity{static_cast<int>(*s), *d};
            dialog.accept();
            return;
        }
        QMessageBox::warning(&dialog, QStringLiteral("Pattern Viewer Settings"),
                             QStringLiteral("Enter a whole-number size from 16 through 2048 and a density from 0 through 1."));
        // Back to the prompt, which stays open for a correction.
        dialog.activateWindow();
        sizeEdit->setFocus();
    });
    sizeEdit->setFocus();
    sizeEdit->selectAll();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return result;
}

}  // namespace app
