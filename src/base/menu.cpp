#include "base/menu.h"

namespace {

menu_view view{};

}  // namespace

void menu_check(int id, int checked)
{
    if (view.check)
        view.check(id, checked);
}

void menu_enable(int id, int enabled)
{
    if (view.enable)
        view.enable(id, enabled);
}

void menu_place_add(const char* name, int id)
{
    if (view.place_add)
        view.place_add(name, id);
}

void menu_places_clear()
{
    if (view.places_clear)
        view.places_clear();
}

void menu_set_view(const menu_view& shown)
{
    view = shown;
}
