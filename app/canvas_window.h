#pragma once

#include <QOpenGLWindow>
#include <QString>

#include "app/gl_canvas.h"
#include "shell/input.h"

class QWidget;

namespace shell {
class MainWindowView;
}

namespace app {

// The one drawing surface of the window: forwards Qt input to the view and paints by asking the
// view to draw a frame into a GlCanvas. A window of its own, held in the main window by a
// container widget: software OpenGL then draws straight to the screen instead of through an
// extra composition pass per frame.
class CanvasWindow final : public QOpenGLWindow {
    Q_OBJECT

public:
    // Makes the container widget, a child of `parent`, which owns this window.
    explicit CanvasWindow(QWidget* parent);
    ~CanvasWindow() override;

    // Null detaches the view, before it is destroyed.
    void SetView(shell::MainWindowView* view);
    // The widget that stands for the surface among the main window's widgets.
    QWidget* Container() const { return container_; }
    // Gives the surface the keyboard.
    void TakeFocus(Qt::FocusReason reason);
    // True once the first GL initialisation ran; the error text tells whether it failed.
    bool GlAttempted() const { return glAttempted_; }
    const QString& GlError() const { return glError_; }
    qreal PixelRatio() const { return devicePixelRatio(); }

signals:
    // The OpenGL objects could not be made; the window cannot draw.
    void GlFailed(const QString& message);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private slots:
    void ReleaseGlObjects();

private:
    QWidget* Owner() const;
    void SetActive(bool active);
    // Keys, focus and activation that reach the container widget.
    bool ContainerEvent(QEvent* event);
    // True when the view takes the key before the menu bar's shortcuts and mnemonics.
    bool OverrideShortcut(QKeyEvent* event);
    void ForwardPress(QMouseEvent* event, bool doubleClick);
    // False when there is no view or the button is not one the view knows.
    bool ToMouseEvent(const QMouseEvent& event, shell::MouseEvent& mouse) const;
    void ForwardSize();
    void ReportDrawError(const QString& message);

    QWidget* container_ = nullptr;
    shell::MainWindowView* view_ = nullptr;
    GlCanvas canvas_;
    bool glAttempted_ = false;
    QString glError_;
    float sentWidth_ = -1;
    float sentHeight_ = -1;
    bool drawErrorPending_ = false;
    QString lastDrawError_;
};

}  // namespace app
