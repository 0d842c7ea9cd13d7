#pragma once

// The object properties window: the fields of the object selected for
// building under the Object and Edit menus. Its place on the screen is kept
// in [layout] object_x and object_y, and whether it is open in
// [layout] object.

// Creates the window when needed and shows it, leaving the keyboard focus
// where it is so that the 3D view keeps the building keys.
void pdialog_window_show();
// Shows the fields, names and enabled state as they are now.
void pdialog_window_changed();
void pdialog_window_term();
