#pragma once

class QMainWindow;

// Creates the main window where [layout] says; 1 on success.
int init_instance();
QMainWindow* main_window();
void main_window_show(int maximized);
void main_window_focus();
// Brings the main window to the front, restoring it when minimised.
void main_window_raise();
void main_window_destroy();

// A key going down or up as the main window receives it, by virtual-key
// code; `text` is the character it types (0 for none), `alt` whether it
// comes with the Alt key.
void main_window_key(int code, int down, int text, int alt);
