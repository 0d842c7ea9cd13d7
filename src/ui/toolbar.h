#pragma once

class QToolBar;

// The toolbar: teleport history, view and camera buttons, mouse mode and
// the web pane's buttons. Each button shares its command's action with the
// menu item, so enabling or checking one changes both.

// Creates the bar on the main window; 0 on success.
int toolbar_init();
void toolbar_show(int shown);
int toolbar_visible();
// The bar, or none before start-up made it.
QToolBar* toolbar_widget();
