#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMessageBox>
#include <QSurfaceFormat>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "app/canvas_window.h"
#include "app/main_window.h"
#include "app/text.h"
#include "core/version.h"

namespace {

constexpr int kStartFailure = 255;  // the -1 of a failed start

void ShowStartFailure(QWidget* owner, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrix"),
                    QStringLiteral("Tavrix failed to initialize.\n\n") + message, QMessageBox::Ok, owner);
    box.exec();
}

constexpr const char* kHelp =
    "usage: tavrix [FILE]\n"
    "Opens the Tavrix rule editor. FILE is a session (.tavses) to open, a Golly rule (.rule,\n"
    ".table) to import, or a pattern (.rle) to open with the rule its header names.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -display and the like) are accepted too. Display settings live in\n"
    "$XDG_CONFIG_HOME/Tavrix/settings.ini. The update check asks the host named by $TAVRIX_UPDATE_HOST,\n"
    "else by the settings' update_host key; without one there is no check.\n";

// Answered before Qt starts: they must work where no display is.
bool AnswerInfoOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tavrix %.*s\n", static_cast<int>(core::kVersion.size()), core::kVersion.data());
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv)) return 0;
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
        QObject::connect(window->Canvas(), &app::CanvasWindow::GlFailed, window.get(),
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
