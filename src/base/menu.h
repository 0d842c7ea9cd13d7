#pragma once

// The main window's commands as the rest of the program sees them: check
// marks and enabled states by command id, set on a menu item and its
// toolbar button alike. The window that shows the commands is set at
// start-up and does the work; until then the calls are dropped.
void menu_check(int id, int checked);
void menu_enable(int id, int enabled);

struct menu_view {
    void (*check)(int id, int checked);
    void (*enable)(int id, int enabled);
};
void menu_set_view(const menu_view& view);
