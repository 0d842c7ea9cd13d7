#include "app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScreen>

#include <memory>

#include "app/key.h"
#include "app/key_map.h"
#include "app/placement.h"
#include "app/status.h"
#include "base/main.h"
#include "base/msg.h"
#include "base/profile.h"
#include "base/settings.h"
#include "people/chat_window.h"
#include "people/gesture.h"
#include "presence/mouse.h"
#include "ui/layout.h"
#include "ui/menu.h"

namespace {

class main_frame : public QMainWindow {
public:
    main_frame()
    {
        setObjectName("Kestrel");
        setWindowTitle(msg(msg_product));
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_DeleteOnClose, false);
        setMinimumSize(300, 170);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QSize size = screen->size();
            setMaximumSize(size.width() + 8, size.height() + 8);
        }
    }

protected:
    void moveEvent(QMoveEvent* event) override
    {
        QMainWindow::moveEvent(event);
        if (isMinimized() || isMaximized() || !isVisible())
            return;
        profile_set_int("layout", "main_x", pos().x());
        profile_set_int("layout", "main_y", pos().y());
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QMainWindow::resizeEvent(event);
        if (!main_three_d_ready() || isMinimized() || !isVisible())
            return;
        status_layout(width());
        layout_update();
        if (!isMaximized()) {
            profile_set_int("layout", "main_height", height());
            profile_set_int("layout", "main_width", width());
        }
        profile_set_int("layout", "maximized", isMaximized() ? 1 : 0);
    }

    void changeEvent(QEvent* event) override
    {
        QMainWindow::changeEvent(event);
        if (event->type() == QEvent::ActivationChange) {
            if (isActiveWindow())
                mouse_activate();
            else
                mouse_deactivate();
        }
        // A kiosk cannot be minimised.
        if (event->type() == QEvent::WindowStateChange && main_kiosk() && isMinimized())
            setWindowState(windowState() & ~Qt::WindowMinimized);
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        key_clear();
        QMainWindow::focusOutEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        bool keypad = event->modifiers() & Qt::KeypadModifier;
        int code = key_map_from_qt(event->key(), keypad);
        QString text = event->text();
        // Every character goes on, control characters (Backspace, Enter)
        // included.
        int ch = text.size() == 1 ? text[0].unicode() : 0;
        main_window_key(code, 1, ch, (event->modifiers() & Qt::AltModifier) ? 1 : 0);
    }

    void keyReleaseEvent(QKeyEvent* event) override
    {
        if (event->isAutoRepeat())
            return;
        bool keypad = event->modifiers() & Qt::KeypadModifier;
        main_window_key(key_map_from_qt(event->key(), keypad), 0, 0, 0);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        setFocus();
        if (event->button() == Qt::LeftButton && mouse_is_mover())
            mouse_as_picker();
        QMainWindow::mousePressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override
    {
        // A kiosk cannot be closed from the window frame.
        if (main_kiosk()) {
            event->ignore();
            return;
        }
        event->accept();
        main_quit();
    }
};

std::unique_ptr<main_frame> frame;

}  // namespace

int init_instance()
{
    QSize screen(1024, 768);
    if (QScreen* s = QGuiApplication::primaryScreen())
        screen = s->size();
    placement p = placement_compute(profile_int("layout", "main_x"),
                                    profile_int("layout", "main_y"),
                                    settings_int("layout", "main_width"),
                                    settings_int("layout", "main_height"),
                                    screen.width(), screen.height());
    frame = std::make_unique<main_frame>();
    frame->resize(p.width, p.height);
    if (!p.system_position)
        frame->move(p.x, p.y);
    return 1;
}

QMainWindow* main_window()
{
    return frame.get();
}

void main_window_show(int maximized)
{
    if (!frame)
        return;
    if (maximized)
        frame->showMaximized();
    else
        frame->show();
    frame->activateWindow();
    frame->repaint();
    status_layout(frame->width());
}

void main_window_focus()
{
    if (frame)
        frame->setFocus();
}

void main_window_raise()
{
    if (!frame)
        return;
    if (frame->isMinimized())
        frame->showNormal();
    frame->raise();
    frame->activateWindow();
}

void main_window_destroy()
{
    frame.reset();
}

void main_window_key(int code, int down, int text, int alt)
{
    if (!down) {
        key_up(code);
        return;
    }
    if (alt) {
        if (!gesture_key(code))
            key_down(code);
        return;
    }
    if (!menu_key(code))
        key_down(code);
    if (!text)
        return;
    // Keypad minus and plus stay key presses and are not typed.
    if ((code == vk_subtract || code == vk_add) && key_query(code)) {
        key_down(code);
        return;
    }
    chat_forward_char(text);
}
