#include "base/msgbox.h"

#include <cstdio>

#include "base/log.h"

namespace {

bool automatic = false;
msgbox_presenter presenter = nullptr;

int default_answer(int buttons)
{
    switch (buttons) {
    case msgbox_yes_no:
    case msgbox_yes_no_cancel:
        return msgbox_answer_yes;
    default:
        return msgbox_answer_ok;
    }
}

}  // namespace

int msgbox_show(const char* title, const char* text, int icon, int buttons)
{
    if (automatic || !presenter) {
        // The log holds each line until the next one, so the last box before
        // an exit shows on standard error as well.
        log_write("message box: %s: %s", title, text);
        std::fprintf(stderr, "message box: %s: %s\n", title, text);
        return default_answer(buttons);
    }
    return presenter(title, text, icon, buttons);
}

void msgbox_answer_automatically(int on)
{
    automatic = on != 0;
}

void msgbox_set_presenter(msgbox_presenter show)
{
    presenter = show;
}
