#include "app/canvas_widget.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <exception>

#include "app/guard.h"
#include "app/key_map.h"
#include "shell/main_window_view.h"

namespace app {
namespace {

bool ToButton(Qt::MouseButton button, shell::MouseButton& out) {
    switch (button) {
        case Qt::LeftButton: out = shell::MouseButton::Left; return true;
        case Qt::RightButton: out = shell::MouseButton::Right; return true;
        case Qt::MiddleButton: out = shell::MouseButton::Middle; return true;
        default: return false;
    }
}

}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent) : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Right clicks paint cells; the window has no context menu of its own.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Ctrl can be let go while a menu or the rename edit has the keyboard; the view still hears it.
    qApp->installEventFilter(this);
}

CanvasWidget::~CanvasWidget() {
    view_ = nullptr;
    // The base class destroys the context after this object is gone; its signal must not reach us.
    if (QOpenGLContext* current = context()) disconnect(current, nullptr, this, nullptr);
    ReleaseGlObjects();
}

void CanvasWidget::ReleaseGlObjects() {
    makeCurrent();
    canvas_.ReleaseGl();
    doneCurrent();
}

void CanvasWidget::SetView(shell::MainWindowView* view) {
    view_ = view;
    sentWidth_ = sentHeight_ = -1;
    if (view_) ForwardSize();
}

void CanvasWidget::initializeGL() {
    glAttempted_ = true;
    glError_.clear();
    try {
        canvas_.ReleaseGl();
        canvas_.InitializeGl();
    } catch (const std::exception& error) {
        glError_ = ToQString(error.what());
        emit GlFailed(glError_);
    }
    // A new context (the widget moved to another window) needs the objects made again.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CanvasWidget::ReleaseGlObjects,
            Qt::UniqueConnection);
}

void CanvasWidget::ForwardSize() {
    // The view lays out in logical pixels; the canvas maps them to the device's.
    const float w = static_cast<float>(width());
    const float h = static_cast<float>(height());
    if (!view_ || (w == sentWidth_ && h == sentHeight_)) return;
    sentWidth_ = w;
    sentHeight_ = h;
    // A minimized window has no area; the view keeps its last layout.
    if (w <= 0 || h <= 0) return;
    Guarded(window(), [&] { view_->Resize(w, h); });
}

void CanvasWidget::resizeGL(int, int) { ForwardSize(); }

void CanvasWidget::paintGL() {
    ForwardSize();
    const qreal ratio = devicePixelRatioF();
    const int pixelWidth = static_cast<int>(std::lround(width() * ratio));
    const int pixelHeight = static_cast<int>(std::lround(height() * ratio));
    QPainter painter(this);  // in logical pixels, as the view draws
    canvas_.BeginFrame(painter, pixelWidth, pixelHeight, ratio);
    if (view_ && canvas_.Ready()) {
        try {
            view_->DrawFrame(canvas_);
            lastDrawError_.clear();
        } catch (const std::exception& error) {
            ReportDrawError(ToQString(error.what()));
        } catch (...) {
            ReportDrawError(QStringLiteral("An unexpected error occurred while drawing."));
        }
    }
    canvas_.EndFrame();
    painter.end();
}

void CanvasWidget::ReportDrawError(const QString& message) {
    // A box cannot open inside a paint. A frame that keeps failing the same way is reported once,
    // until a frame succeeds, so the boxes cannot follow one another forever.
    if (drawErrorPending_ || message == lastDrawError_) return;
    lastDrawError_ = message;
    drawErrorPending_ = true;
    QTimer::singleShot(0, this, [this, message] {
        ShowErrorBox(window(), message);
        drawErrorPending_ = false;
    });
}

bool CanvasWidget::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (view_ && ViewWantsKey(*key)) {
                key->accept();
                return true;
            }
            break;
        }
        case QEvent::WindowActivate:
            if (view_) {
                Guarded(window(), [&] { view_->SetActive(true); });
                // Ctrl may have been let go while a dialog had the keyboard: tell the view now.
                if (!QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier)) {
                    shell::KeyEvent up;
                    up.key = shell::Key::Control;
                    Guarded(window(), [&] { view_->KeyUp(up); });
                }
            }
            break;
        case QEvent::WindowDeactivate:
            if (view_) {
                // A dialog opened mid-drag takes the pointer away, as a lost capture does.
                if (QGuiApplication::mouseButtons() != Qt::NoButton)
                    Guarded(window(), [&] { view_->CaptureLost(); });
                Guarded(window(), [&] { view_->SetActive(false); });
            }
            break;
        default:
            break;
    }
    return QOpenGLWidget::event(event);
}

bool CanvasWidget::eventFilter(QObject* watched, QEvent* event) {
    // Only at the first widget that receives it (the focus widget or an open menu), and not where
    // the release will reach this widget anyway by propagation.
    const bool firstReceiver = watched == QApplication::focusWidget() || watched == QApplication::activePopupWidget();
    if (event->type() == QEvent::KeyRelease && view_ && firstReceiver && watched != this &&
        !isAncestorOf(static_cast<QWidget*>(watched))) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Control && !key->isAutoRepeat()) {
            shell::KeyEvent up;
            up.key = shell::Key::Control;
            Guarded(window(), [&] { view_->KeyUp(up); });
        }
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    if (!view_) return;
    const shell::KeyEvent key = ToKeyEvent(*event);
    Guarded(window(), [&] { view_->KeyDown(key); });
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!view_ || event->isAutoRepeat()) return;
    const shell::KeyEvent key = ToKeyEvent(*event);
    Guarded(window(), [&] { view_->KeyUp(key); });
}

bool CanvasWidget::ToMouseEvent(const QMouseEvent& event, shell::MouseEvent& mouse) const {
    if (!view_ || !ToButton(event.button(), mouse.button)) return false;
    mouse.x = static_cast<float>(event.position().x());
    mouse.y = static_cast<float>(event.position().y());
    mouse.modifiers = ToModifiers(event.modifiers());
    return true;
}

void CanvasWidget::ForwardPress(QMouseEvent* event, bool doubleClick) {
    shell::MouseEvent mouse;
    if (!ToMouseEvent(*event, mouse)) return;
    mouse.doubleClick = doubleClick;
    // The tab bar's right end offers the one context menu the window has.
    if (mouse.button == shell::MouseButton::Right && !doubleClick && view_->IsTabBarContextArea(mouse.x, mouse.y)) {
        QMenu menu(this);
        QAction* add = menu.addAction(QStringLiteral("New Constraint Tab"));
        if (menu.exec(event->globalPosition().toPoint()) == add)
            Guarded(window(), [&] { view_->Command(shell::command::kNewConstraintTab); });
        return;
    }
    Guarded(window(), [&] { view_->MousePress(mouse); });
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    ForwardPress(event, false);
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) { ForwardPress(event, true); }

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!view_) return;
    const float x = static_cast<float>(event->position().x());
    const float y = static_cast<float>(event->position().y());
    const shell::Modifiers modifiers = ToModifiers(event->modifiers());
    Guarded(window(), [&] { view_->MouseMove(x, y, modifiers); });
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    shell::MouseEvent mouse;
    if (!ToMouseEvent(*event, mouse)) return;
    Guarded(window(), [&] { view_->MouseRelease(mouse); });
}

void CanvasWidget::leaveEvent(QEvent*) {
    if (view_) Guarded(window(), [&] { view_->MouseLeave(); });
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    if (!view_) return;
    const int raw = event->angleDelta().y();
    if (raw == 0) return;
    const float x = static_cast<float>(event->position().x());
    const float y = static_cast<float>(event->position().y());
    const int delta = raw > 0 ? 120 : -120;
    const shell::Modifiers modifiers = ToModifiers(event->modifiers());
    Guarded(window(), [&] { view_->Wheel(x, y, delta, modifiers); });
    event->accept();
}

}  // namespace app
