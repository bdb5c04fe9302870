#pragma once

#include <QMainWindow>
#include <memory>

class QMenu;

namespace shell {
class MainWindowView;
}

namespace app {

class CanvasWindow;
class QtPlatform;

// The top-level window: the menu bar built from the view's items and the canvas. It owns the
// platform adapter and the view, and takes the view down before the widgets it talks to.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    // Throws what the view's construction throws.
    MainWindow();
    ~MainWindow() override;

    CanvasWindow* Canvas() const { return canvas_; }
    // The canvas gets this client size, shrunk to fit the screen.
    void SizeForClient(int width, int height);
    // A session or Golly rule named on the command line.
    void OpenPath(const QString& path);
    // Asks the update feed once, in the background; a newer build is announced in a box.
    void StartUpdateCheck();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void RefreshMenu(QMenu* menu);

    CanvasWindow* canvas_ = nullptr;
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<shell::MainWindowView> view_;
};

}  // namespace app
