#pragma once

class QAction;
class QMenuBar;
class QWidget;

// Menus and commands: every command of the main window (menu item,
// accelerator, toolbar button, command key) arrives as one numeric id.

void menu_init();
// Runs a command; 0 when the id was consumed.
int menu_handle(int id);
// A key press of the main window: movement and view keys post their
// command. 1 when the key is consumed (keypad + and - go on to the key
// state all the same).
int menu_key(int code);
// The command a key stands for, with or without an object selected for
// building; 0 for none.
int menu_key_command(int code, int selected);
// The action of a command, shared by its menu item and toolbar button.
QAction* menu_action(int id);
// The identity changed: the Citizen menu offers attributes to a citizen,
// immigration to anyone else.
void menu_identity_changed();

// The Avatar menu from the world's `count` ordinary avatar names (for a
// public speaker followed in `names` by the three special ones); a tourist
// gets the first two.
void menu_rebuild_avatars(int count, const char* const* names);
void menu_reset_avatars();
void menu_set_public_speaker(int flag);
// The avatar number of a menu entry, and back (-1 when outside).
int menu_avatar_number(int index, int ordinary);
int menu_avatar_index(int number, int ordinary, int entries);
int menu_avatar_entries(int tourist, int ordinary, int speaker);
// The entry checked now, and the items' texts (tests).
int menu_avatar_current();
int menu_avatar_item_count();

// Remembered places in the Teleport menu, kept in name order after the
// fixed items; `id` is the place's command id.
void menu_location_add(const char* name, int id);
void menu_locations_clear();

// The Object and Edit menus of the object properties window.
QMenuBar* menu_object_bar(QWidget* parent);
void menu_term();
