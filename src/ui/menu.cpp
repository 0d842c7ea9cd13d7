#include "ui/menu.h"

#include "app/bps.h"
#include "app/fps.h"
#include "app/log.h"
#include "app/main.h"

namespace {

constexpr int command_exit = 101;
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
