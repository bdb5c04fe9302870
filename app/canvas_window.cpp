#include "app/canvas_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QTimer>
#include <QWidget>
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

CanvasWindow::CanvasWindow(QWidget* parent) : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate) {
    // The keyboard stays with the main window, where the container is the focus widget, so menus,
    // mnemonics and the rename edit take it and give it back as with any widget; a click here
    // would otherwise move it to this window.
    setFlag(Qt::WindowDoesNotAcceptFocus);
    container_ = QWidget::createWindowContainer(this, parent);
    container_->setFocusPolicy(Qt::StrongFocus);
    // Right clicks paint cells; the window has no context menu of its own.
    container_->setContextMenuPolicy(Qt::PreventContextMenu);
    // Ctrl can be let go while a menu or the rename edit has the keyboard; the view still hears it.
    // The container also hears when the main window gains or loses the foreground.
    qApp->installEventFilter(this);
}

CanvasWindow::~CanvasWindow() {
    qApp->removeEventFilter(this);
    view_ = nullptr;
    // The base class destroys the context after this object is gone; its signal must not reach us.
    if (QOpenGLContext* current = context()) disconnect(current, nullptr, this, nullptr);
    ReleaseGlObjects();
}

QWidget* CanvasWindow::Owner() const { return container_->window(); }

void CanvasWindow::TakeFocus(Qt::FocusReason reason) { container_->setFocus(reason); }

void CanvasWindow::ReleaseGlObjects() {
    if (!context()) return;
    makeCurrent();
    canvas_.ReleaseGl();
    doneCurrent();
}

void CanvasWindow::SetView(shell::MainWindowView* view) {
    view_ = view;
    sentWidth_ = sentHeight_ = -1;
    if (view_) ForwardSize();
}

void CanvasWindow::initializeGL() {
    glAttempted_ = true;
    glError_.clear();
    try {
        canvas_.ReleaseGl();
        canvas_.InitializeGl();
    } catch (const std::exception& error) {
        glError_ = ToQString(error.what());
        emit GlFailed(glError_);
    }
    // A new context needs the objects made again.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CanvasWindow::ReleaseGlObjects,
            Qt::UniqueConnection);
}

void CanvasWindow::ForwardSize() {
    // The view lays out in logical pixels; the canvas maps them to the device's.
    const float w = static_cast<float>(width());
    const float h = static_cast<float>(height());
    if (!view_ || (w == sentWidth_ && h == sentHeight_)) return;
    sentWidth_ = w;
    sentHeight_ = h;
    // A minimized window has no area; the view keeps its last layout.
    if (w <= 0 || h <= 0) return;
    Guarded(Owner(), [&] { view_->Resize(w, h); });
}

void CanvasWindow::resizeGL(int, int) { ForwardSize(); }

void CanvasWindow::paintGL() {
    ForwardSize();
    const qreal ratio = devicePixelRatio();
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

void CanvasWindow::ReportDrawError(const QString& message) {
    // A box cannot open inside a paint. A frame that keeps failing the same way is reported once,
    // until a frame succeeds, so the boxes cannot follow one another forever.
    if (drawErrorPending_ || message == lastDrawError_) return;
    lastDrawError_ = message;
    drawErrorPending_ = true;
    QTimer::singleShot(0, this, [this, message] {
        ShowErrorBox(Owner(), message);
        drawErrorPending_ = false;
    });
}

bool CanvasWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Leave:
            if (view_) Guarded(Owner(), [&] { view_->MouseLeave(); });
            break;
        case QEvent::ContextMenu:
            // Right clicks paint cells; the window has no context menu of its own.
            event->accept();
            return true;
        default:
            break;
    }
    return QOpenGLWindow::event(event);
}

void CanvasWindow::SetActive(bool active) {
    if (!view_) return;
    if (active) {
        Guarded(Owner(), [&] { view_->SetActive(true); });
        // Ctrl may have been let go while a dialog had the keyboard: tell the view now.
        if (!QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier)) {
            shell::KeyEvent up;
            up.key = shell::Key::Control;
            Guarded(Owner(), [&] { view_->KeyUp(up); });
        }
    } else {
        // A dialog opened mid-drag takes the pointer away, as a lost capture does.
        if (QGuiApplication::mouseButtons() != Qt::NoButton) Guarded(Owner(), [&] { view_->CaptureLost(); });
        Guarded(Owner(), [&] { view_->SetActive(false); });
    }
}

bool CanvasWindow::OverrideShortcut(QKeyEvent* event) {
    if (!view_ || !ViewWantsKey(*event)) return false;
    event->accept();
    return true;
}

bool CanvasWindow::ContainerEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate: SetActive(true); return false;
        case QEvent::WindowDeactivate: SetActive(false); return false;
        // The container would hand the keyboard on to this window as it gains the focus.
        case QEvent::FocusIn: return true;
        case QEvent::ShortcutOverride: return OverrideShortcut(static_cast<QKeyEvent*>(event));
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            // Tab moves the focus along the widgets, as for any widget.
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
            keyPressEvent(key);
            return true;
        }
        case QEvent::KeyRelease: keyReleaseEvent(static_cast<QKeyEvent*>(event)); return true;
        default: return false;
    }
}

bool CanvasWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == container_) return ContainerEvent(event) || QOpenGLWindow::eventFilter(watched, event);
    // Only at the first widget that receives it (the focus widget or an open menu), and not where
    // the release will reach the container anyway by propagation (the rename edit).
    const bool firstReceiver = watched == QApplication::focusWidget() || watched == QApplication::activePopupWidget();
    if (event->type() == QEvent::KeyRelease && view_ && firstReceiver &&
        !container_->isAncestorOf(static_cast<QWidget*>(watched))) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Control && !key->isAutoRepeat()) {
            shell::KeyEvent up;
            up.key = shell::Key::Control;
            Guarded(Owner(), [&] { view_->KeyUp(up); });
        }
    }
    return QOpenGLWindow::eventFilter(watched, event);
}

void CanvasWindow::keyPressEvent(QKeyEvent* event) {
    if (!view_) return;
    const shell::KeyEvent key = ToKeyEvent(*event);
    Guarded(Owner(), [&] { view_->KeyDown(key); });
}

void CanvasWindow::keyReleaseEvent(QKeyEvent* event) {
    if (!view_ || event->isAutoRepeat()) return;
    const shell::KeyEvent key = ToKeyEvent(*event);
    Guarded(Owner(), [&] { view_->KeyUp(key); });
}

bool CanvasWindow::ToMouseEvent(const QMouseEvent& event, shell::MouseEvent& mouse) const {
    if (!view_ || !ToButton(event.button(), mouse.button)) return false;
    mouse.x = static_cast<float>(event.position().x());
    mouse.y = static_cast<float>(event.position().y());
    mouse.modifiers = ToModifiers(event.modifiers());
    return true;
}

void CanvasWindow::ForwardPress(QMouseEvent* event, bool doubleClick) {
    shell::MouseEvent mouse;
    if (!ToMouseEvent(*event, mouse)) return;
    mouse.doubleClick = doubleClick;
    // The tab bar's right end offers the one context menu the window has.
    if (mouse.button == shell::MouseButton::Right && !doubleClick && view_->IsTabBarContextArea(mouse.x, mouse.y)) {
        QMenu menu(container_);
        QAction* add = menu.addAction(QStringLiteral("New Constraint Tab"));
        if (menu.exec(event->globalPosition().toPoint()) == add)
            Guarded(Owner(), [&] { view_->Command(shell::command::kNewConstraintTab); });
        return;
    }
    Guarded(Owner(), [&] { view_->MousePress(mouse); });
}

void CanvasWindow::mousePressEvent(QMouseEvent* event) {
    TakeFocus(Qt::MouseFocusReason);
    ForwardPress(event, false);
}

void CanvasWindow::mouseDoubleClickEvent(QMouseEvent* event) { ForwardPress(event, true); }

void CanvasWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!view_) return;
    const float x = static_cast<float>(event->position().x());
    const float y = static_cast<float>(event->position().y());
    const shell::Modifiers modifiers = ToModifiers(event->modifiers());
    Guarded(Owner(), [&] { view_->MouseMove(x, y, modifiers); });
}

void CanvasWindow::mouseReleaseEvent(QMouseEvent* event) {
    shell::MouseEvent mouse;
    if (!ToMouseEvent(*event, mouse)) return;
    Guarded(Owner(), [&] { view_->MouseRelease(mouse); });
}

void CanvasWindow::wheelEvent(QWheelEvent* event) {
    if (!view_) return;
    const int raw = event->angleDelta().y();
    if (raw == 0) return;
    const float x = static_cast<float>(event->position().x());
    const float y = static_cast<float>(event->position().y());
    const int delta = raw > 0 ? 120 : -120;
    const shell::Modifiers modifiers = ToModifiers(event->modifiers());
    Guarded(Owner(), [&] { view_->Wheel(x, y, delta, modifiers); });
    event->accept();
}

}  // namespace app
