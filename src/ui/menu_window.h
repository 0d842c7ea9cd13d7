#pragma once
#include <string>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

// The main window's menu bar and the object window's menus.
void menu_window_create();
QAction* menu_window_action(int id);
// Checks or unchecks, enables or disables a command's menu item and
// toolbar button together (they share one action).
void menu_window_check(int id, int checked);
void menu_window_enable(int id, int enabled);
// The Citizen menu after "Change to...": "Attributes..." or "Immigrate...".
void menu_window_citizen(int citizen);
// The Avatar menu anew, the entry `checked` marked.
void menu_window_avatars(const std::vector<std::string>& names, int checked);
void menu_window_check_avatar(int index);
// A remembered place's item, placed by name among the others.
void menu_window_location_add(const char* name, int id);
void menu_window_locations_clear();
QMenuBar* menu_window_object_bar(QWidget* parent);
