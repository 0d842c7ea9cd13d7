#pragma once

// The main window's commands as the rest of the program sees them: check
// marks and enabled states by command id, set on a menu item and its
// toolbar button alike, and the Teleport menu's items of remembered places.
// The window that shows the commands is set at start-up and does the work;
// until then the calls are dropped.
void menu_check(int id, int checked);
void menu_enable(int id, int enabled);
// An item for a remembered place, with its command id (the menu keeps
// them in name order); and all of them removed.
void menu_place_add(const char* name, int id);
void menu_places_clear();

struct menu_view {
    void (*check)(int id, int checked);
    void (*enable)(int id, int enabled);
    void (*place_add)(const char* name, int id);
    void (*places_clear)();
};
void menu_set_view(const menu_view& view);
