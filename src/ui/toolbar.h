#pragma once

class QToolBar;

// The toolbar: teleport history, view and camera buttons, mouse mode and
// the web pane's buttons. A button sends its menu item's command; its
// enabled and pressed states are its own, set by the same callers that set
// the menu item's.

// Creates the bar on the main window; 0 on success.
int toolbar_init();
void toolbar_show(int shown);
// The button of a command id; ids without a button are ignored.
void toolbar_check(int id, int checked);
void toolbar_enable(int id, int enabled);
int toolbar_visible();
// The bar, or none before start-up made it.
QToolBar* toolbar_widget();
