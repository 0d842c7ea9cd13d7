#include "app/meter.h"

#include "app/status.h"
#include "base/menu.h"
#include "base/profile.h"

void meter_toggle(status_pane** pane, int weight, int menu_item, const char* show_key)
{
    if (*pane) {
        status_remove(*pane);
        *pane = nullptr;
        menu_check(menu_item, 0);
    } else {
        *pane = status_add(weight);
        menu_check(menu_item, 1);
    }
    profile_set_int("show", show_key, *pane ? 1 : 0);
}
