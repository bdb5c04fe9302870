#pragma once

#include <QOpenGLWidget>
#include <QString>

#include "app/gl_canvas.h"
#include "shell/input.h"

namespace shell {
class MainWindowView;
}

namespace app {

// The one drawing surface of the window: forwards Qt input to the view and paints by asking the
// view to draw a frame into a GlCanvas.
class CanvasWidget final : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit CanvasWidget(QWidget* parent = nullptr);
    ~CanvasWidget() override;

    // Null detaches the view, before it is destroyed.
    void SetView(shell::MainWindowView* view);
    // True once the first GL initialisation ran; the error text tells whether it failed.
    bool GlAttempted() const { return glAttempted_; }
    const QString& GlError() const { return glError_; }
    qreal PixelRatio() const { return devicePixelRatioF(); }

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
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private slots:
    void ReleaseGlObjects();

private:
    void ForwardPress(QMouseEvent* event, bool doubleClick);
    // False when there is no view or the button is not one the view knows.
    bool ToMouseEvent(const QMouseEvent& event, shell::MouseEvent& mouse) const;
    void ForwardSize();
    void ReportDrawError(const QString& message);

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
