#pragma once

// Menus and commands: every command of the main window arrives here as one
// numeric id.
void menu_init();
// Runs a command; 0 when the id was consumed.
int menu_handle(int id);
// Turns a movement or view key into its command; 1 when consumed.
int menu_key(int code);
// Checks or unchecks, enables or disables a command's menu item and
// toolbar button together.
void menu_check(int id, int checked);
void menu_enable(int id, int enabled);
void menu_term();
// The identity changed: the Citizen menu follows.
void menu_identity_changed();
