#include "app/main_window.h"

#include "formats/settings_file.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <map>

#include "app/canvas_window.h"
#include "app/guard.h"
#include "app/qt_platform.h"
#include "app/rate_log.h"
#include "app/text.h"
#include "shell/main_window_view.h"

namespace app {

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Tavrix"));
    canvas_ = new CanvasWindow(this);
    setCentralWidget(canvas_->Container());
    platform_ = std::make_unique<QtPlatform>(this, canvas_);
    view_ = std::make_unique<shell::MainWindowView>(*platform_);
    view_->UseSettingsFile(formats::GetSettingsPath().string());
    platform_->SetView(view_.get());
    canvas_->SetView(view_.get());
    BuildMenus();
    setWindowTitle(ToQString(view_->Title()));
    canvas_->TakeFocus(Qt::OtherFocusReason);
    // TAVRIX_LOG_RATE=1 prints "viewer: generation <n>, <r> gen/s" to stderr once a second: the
    // only way a script driving the real window can read the viewer's playback rate.
    if (qEnvironmentVariable("TAVRIX_LOG_RATE") == QLatin1String("1")) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, clock = QElapsedTimer(), last = std::int64_t(0)]() mutable {
            const double seconds = clock.isValid() ? static_cast<double>(clock.restart()) / 1000 : 0;
            if (!clock.isValid()) clock.start();
            if (view_) LogViewerRate(*view_, last, seconds);
        });
        timer->start(1000);
    }
}

MainWindow::~MainWindow() {
    canvas_->SetView(nullptr);
    platform_->SetView(nullptr);
    view_.reset();
}

void MainWindow::StartUpdateCheck() {
    if (view_) view_->StartUpdateCheck();
}

void MainWindow::SizeForClient(int width, int height) {
    const int menuHeight = menuBar()->sizeHint().height();
    if (const QScreen* screen = this->screen()) {
        // Leave room for the frame the window manager adds around the window.
        const QRect available = screen->availableGeometry();
        width = std::min(width, std::max(320, available.width() - 16));
        height = std::min(height, std::max(240, available.height() - menuHeight - 40));
    }
    resize(width, height + menuHeight);
}

void MainWindow::OpenPath(const QString& path) {
    if (view_) Guarded(this, [&] { view_->OpenPath(QFile::encodeName(path).toStdString()); });
}

void MainWindow::BuildMenus() {
    // Menus and submenus by title, in the order the items first name them.
    std::map<std::string, QMenu*> menus;
    std::map<std::pair<std::string, std::string>, QMenu*> submenus;
    for (const shell::MenuItem& item : shell::MainWindowView::MenuBar()) {
        QMenu*& top = menus[item.menu];
        if (!top) {
            top = menuBar()->addMenu(ToQString(item.menu));
            connect(top, &QMenu::aboutToShow, this, [this, top] { RefreshMenu(top); });
        }
        QMenu* target = top;
        if (!item.submenu.empty()) {
            QMenu*& sub = submenus[{item.menu, item.submenu}];
            if (!sub) {
                sub = top->addMenu(ToQString(item.submenu));
                connect(sub, &QMenu::aboutToShow, this, [this, sub] { RefreshMenu(sub); });
            }
            target = sub;
        }
        if (item.id == 0) {
            target->addSeparator();
            continue;
        }
        // The text after the tab shows as the shortcut column; the keys themselves reach the
        // view through the canvas, so no QAction shortcut is bound.
        QAction* action = target->addAction(ToQString(item.text));
        action->setData(item.id);
        action->setCheckable(item.checkable);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] {
            if (view_) Guarded(this, [&] { view_->Command(id); });
        });
    }
}

void MainWindow::RefreshMenu(QMenu* menu) {
    if (!view_) return;
    Guarded(this, [&] {
        for (QAction* action : menu->actions()) {
            bool ok = false;
            const int id = action->data().toInt(&ok);
            if (!ok || id == 0) continue;
            const shell::MenuItemState state = view_->QueryMenuItem(id);
            action->setEnabled(state.enabled);
            if (action->isCheckable()) action->setChecked(state.checked);
        }
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    if (view_) {
        Guarded(this, [&] { mayClose = view_->RequestClose(); });
    } else {
        mayClose = true;
    }
    if (!mayClose) {
        event->ignore();
        return;
    }
    platform_->SetPlaybackTimer(0);
    event->accept();
}

}  // namespace app
