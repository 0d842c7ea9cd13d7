#include "ui/web.h"

#include <QDesktopServices>
#include <QFrame>
#include <QPointer>
#include <QUrl>

#include <string>

#include "base/log.h"
#include "base/menu.h"
#include "base/profile.h"
#include "base/settings.h"
#include "ui/layout.h"

namespace {

struct web_state {
    QPointer<QFrame> pane;
    int open = 0;
    std::string url;  // the page the pane shows, or shows when it opens
};

web_state state;

// The commands that work on the pane follow whether it is open.
void set_commands(int open)
{
    menu_check(130, open);
    for (int id : {134, 135, 137, 138})
        menu_enable(id, open);
    menu_enable(136, 0);
}

}  // namespace

void web_init()
{
    state.pane = new QFrame;
    state.pane->setObjectName("web");
    state.pane->setWindowTitle("Vireo Web Browser");
    state.pane->setFrameShape(QFrame::StyledPanel);
    state.pane->setFrameShadow(QFrame::Sunken);
    state.open = settings_int("show", "web") != 0 ? 1 : 0;
    set_commands(state.open);
    layout_attach(layout_part_web, state.pane);
}

void web_update()
{
}

void web_term()
{
    state = web_state{};
}

int web_is_open()
{
    return state.open;
}

void web_toggle(int /*silent*/)
{
    state.open = state.open ? 0 : 1;
    set_commands(state.open);
    profile_set_int("show", "web", state.open);
    layout_update();
}

int web_open_url(const char* url, int from_world)
{
    if (!url || !*url)
        return 0;
    if (log_trace())
        log_write("web_open_url (%s, %d)", url, from_world);
    state.url = url;
    // With the pane closed, what the user asked for goes to the desktop's
    // browser; the world's own pages wait for the pane.
    if (state.open || from_world)
        return 1;
    return QDesktopServices::openUrl(QUrl(QString::fromUtf8(url))) ? 1 : 0;
}

void web_back()
{
}

void web_forward()
{
}

void web_stop()
{
}

void web_refresh()
{
}

void web_open_location()
{
}
