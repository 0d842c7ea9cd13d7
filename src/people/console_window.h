#pragma once

// The console's window between the 3D view and the chat line.

// Creates the window; 0 on success.
int console_init();
void console_window_append(const char* line);
void console_window_clear();
