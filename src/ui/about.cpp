#include "ui/about.h"

#include "base/log.h"
#include "base/msg.h"
#include "net/citizen.h"
#include "net/universe.h"
#include "ui/about_window.h"

namespace {

int answer = about_none;

}  // namespace

int about_init()
{
    if (log_trace())
        log_write("about_init");
    about_show(1);
    return 0;
}

void about_show(int splash)
{
    about_window_create();
    if (splash) {
        about_window_buttons(0, 1, 1);
    } else {
        about_window_buttons(1, 0, 0);
        if (!universe_open())
            about_set_message(msg(57));
        else if (citizen_number())
            about_set_message(msg(97, citizen_number()));
        else
            about_set_message(msg(99, citizen_name()));
    }
    about_window_show();
}

void about_set_message(const char* text)
{
    about_window_message(text);
}

void about_should_upgrade()
{
    about_set_message(msg(49, msg(msg_product)));
    about_window_buttons(1, 1, 1);
}

void about_must_upgrade()
{
    about_set_message(msg(48, msg(msg_product)));
    about_window_buttons(1, 0, 1);
}

void about_hide_cancel()
{
    about_window_hide_button(about_cancel);
    about_window_hide_button(about_skip);
}

void about_hide_skip()
{
    about_window_hide_button(about_skip);
}

void about_hide()
{
    about_window_destroy();
}

void about_clear_answer()
{
    answer = about_none;
}

int about_answer()
{
    return answer;
}

void about_answered(int pressed)
{
    answer = pressed;
    about_window_hide();
}
