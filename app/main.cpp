#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <exception>
#include <memory>

#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "app/text.h"

namespace {

constexpr int kStartFailure = 255;  // the -1 of a failed start

void ShowStartFailure(QWidget* owner, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrix"),
                    QStringLiteral("Tavrix failed to initialize.\n\n") + message, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // The cell pipeline needs OpenGL 3.3 core; the default format must be set before the application.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(8);
    format.setSwapInterval(1);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrix"));
    QApplication::setDesktopFileName(QStringLiteral("tavrix"));
    QIcon icon;
    for (const char* size : {"32", "64", "256"})
        icon.addFile(QStringLiteral(":/icons/tavrix-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavrix"), icon));

    std::unique_ptr<app::MainWindow> window;
    try {
        window = std::make_unique<app::MainWindow>();
        window->SizeForClient(1280, 1080);
        window->show();
        // The GL objects are made when the canvas first shows; wait for that to report failures now.
        QElapsedTimer waited;
        waited.start();
        while (!window->Canvas()->GlAttempted() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!window->Canvas()->GlError().isEmpty())
            throw std::runtime_error(window->Canvas()->GlError().toStdString());
        // A canvas that shows only later (a slow window manager) reports its failure from the loop.
        QObject::connect(window->Canvas(), &app::CanvasWidget::GlFailed, window.get(),
                         [owner = window.get()](const QString& message) {
                             ShowStartFailure(owner, message);
                             QApplication::exit(kStartFailure);
                         },
                         Qt::QueuedConnection);
        // `tavrix FILE`: what a file manager runs for a double-clicked session or rule.
        const QStringList arguments = QApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i)
            if (!arguments[i].startsWith(QLatin1Char('-'))) {
                window->OpenPath(arguments[i]);
                break;
            }
        window->StartUpdateCheck();
    } catch (const std::exception& error) {
        ShowStartFailure(window.get(), app::ToQString(error.what()));
        window.reset();
        return kStartFailure;
    }
    return QApplication::exec();
}
