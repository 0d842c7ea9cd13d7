#include "app/wiring.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "app/fps.h"
#include "app/loop.h"
#include "app/main.h"
#include "app/main_window.h"
#include "app/msgbox_dialog.h"
#include "app/status.h"
#include "app/status_window.h"
#include "assets/backdrop.h"
#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/download_window.h"
#include "assets/ground.h"
#include "assets/image.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "base/log.h"
#include "base/main.h"
#include "base/menu.h"
#include "base/msgbox.h"
#include "behavior/behavior.h"
#include "behavior/pdialog.h"
#include "behavior/pick.h"
#include "behavior/picture.h"
#include "net/contacts.h"
#include "net/join.h"
#include "net/login_window.h"
#include "net/privilege_page.h"
#include "net/telegram.h"
#include "net/universe.h"
#include "net/universe_codes.h"
#include "net/worlds.h"
#include "people/avatar.h"
#include "people/avatar_registry.h"
#include "people/console.h"
#include "people/console_window.h"
#include "people/gesture.h"
#include "people/sound.h"
#include "presence/camera.h"
#include "presence/collide.h"
#include "presence/focus.h"
#include "presence/mouse.h"
#include "presence/self.h"
#include "ui/menu.h"
#include "ui/menu_window.h"
#include "ui/pdialog_window.h"
#include "ui/toolbar.h"
#include "ui/viewport_window.h"
#include "ui/web.h"
#include "world/cell.h"
#include "world/visible.h"

namespace {

// A command's menu item and toolbar button follow the same calls.
void check_command(int id, int checked)
{
    menu_window_check(id, checked);
    toolbar_check(id, checked);
}

void enable_command(int id, int enabled)
{
    menu_window_enable(id, enabled);
    toolbar_enable(id, enabled);
}

// Before the main event loop runs, start-up dialogs run loops of their own
// that the application's quit does not end: each one is turned down as it
// comes, and start-up then ends the program.
void turn_down_dialogs()
{
    static QPointer<QTimer> closer;
    if (closer)
        return;
    closer = new QTimer(qApp);
    QObject::connect(closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer->start(10);
}

void show_title(const char* title)
{
    if (QMainWindow* window = main_window())
        window->setWindowTitle(QString::fromUtf8(title));
}

void quit()
{
    bool running = loop_period() >= 0;
    loop_stop();
    if (running)
        QCoreApplication::quit();
    else
        turn_down_dialogs();
}

// Every module that keeps state of the world, in the order their resets
// must run.
void reset()
{
    if (log_trace())
        log_write("main_reset");
    visible_reset();
    collide_reset();
    fps_reset();
    pick_reset();
    gesture_reset();
    avatar_reset();
    self_figure_reset();
    ground_clear();
    model_reset();
    download_reset();
    picture_reset();
    image_reset();
    texture_reset();
    avatar_definitions_fetch();
    chunk_reset();
    self_figure_rebuild();
    backdrop_clear();
    sound_reset();
    camera_reset();
    cell_reset();
}

// Who hears which universe message; the handlers of one message run in
// this order.
struct universe_route {
    int id;
    universe_handler handler;
};
constexpr universe_route universe_routes[] = {
    {universe::message_attributes, login_window_attributes},
    {universe::message_password_sent, login_window_password_sent},
    {universe::message_citizen_name, pdialog_universe_message},
    {universe::message_citizen_name, privilege_page_answer},
    {universe::message_telegram_waiting, telegram_universe_message},
    {universe::message_telegram, telegram_universe_message},
    {universe::message_citizen_number, telegram_universe_message},
    {universe::message_citizen_number, contacts_universe_message},
    {universe::message_citizen_number, privilege_page_answer},
    {universe::message_whos_at, avatar_universe_message},
    {universe::message_worlds, worlds_universe_message},
    {universe::message_contacts, contacts_universe_message},
    {universe::message_join_request, join_universe_message},
    {universe::message_location, join_universe_message},
};

}  // namespace

void wiring_init()
{
    main_set_hooks({quit, main_exit, reset});
    msgbox_set_presenter(msgbox_dialog_show);
    menu_set_view({check_command, enable_command, menu_location_add, menu_locations_clear});
    download_set_listener(download_window_repaint);
    status_set_view({status_window_set_parts, status_window_set_text});
    console_set_view({console_window_append, console_window_clear});
    self_set_title_view(show_title);
    mouse_set_view({viewport_window_cursor, viewport_window_move_cursor,
                    viewport_window_show_cursor, viewport_window_size});
    focus_set_listener(viewport_window_repaint);
    behavior_set_web(web_open_url);
    pdialog_set_view({pdialog_window_show, pdialog_window_changed});
    pick_set_focus_view(main_window_focus);
    for (const universe_route& route : universe_routes)
        universe_listen(route.id, route.handler);
}
