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

void menu_set_view(const menu_view& shown)
{
    view = shown;
}
