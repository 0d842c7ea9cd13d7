#include "ui/menu.h"

#include "app/bps.h"
#include "app/fps.h"
#include "app/log.h"
#include "app/main.h"
#include "net/login_window.h"
#include "ui/about.h"

namespace {

constexpr int command_exit = 101;
constexpr int command_about = 102;
constexpr int command_change_identity = 141;
constexpr int command_attributes = 142;
constexpr int command_immigrate = 143;
constexpr int command_frame_rate = 121;
constexpr int command_bandwidth = 122;

}  // namespace

void menu_init()
{
}

int menu_handle(int id)
{
    if (log_trace())
        log_write("menu_handle (%d)", id);
    switch (id) {
    case command_exit:
        main_quit();
        return 0;
    case command_about:
        about_show(0);
        return 0;
    case command_change_identity:
        login_dialog();
        return 0;
    case command_attributes:
        immigrate(1);
        return 0;
    case command_immigrate:
        immigrate(0);
        return 0;
    case command_frame_rate:
        fps_toggle();
        return 0;
    case command_bandwidth:
        bps_toggle();
        return 0;
    default:
        return 1;
    }
}

int menu_key(int /*code*/)
{
    return 0;
}

void menu_check(int /*id*/, int /*checked*/)
{
}

void menu_enable(int /*id*/, int /*enabled*/)
{
}

void menu_term()
{
}

void menu_identity_changed()
{
}
