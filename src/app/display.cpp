#include "app/display.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/display_dialog.h"
#include "base/msg.h"
#include "base/profile.h"

int display_should_warn(int depth, int setting)
{
    // The renderer draws in true colour; only a display below 15 bits
    // loses enough to matter.
    return setting != 1 && depth < 15 ? 1 : 0;
}

int display_init()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    int depth = screen ? screen->depth() : 24;
    if (!display_should_warn(depth, profile_int("display", "depth")))
        return 1;
    const char* text = msg(140, depth == 8 ? "n" : "", depth, msg(msg_product));
    int dont_warn = 0;
    int go_on = display_dialog_run(text, &dont_warn);
    if (dont_warn)
        profile_set_int("display", "depth", 1);
    return go_on;
}
