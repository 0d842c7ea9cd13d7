#pragma once

// The console's window between the 3D view and the chat line.
void console_window_create();
void console_window_append(const char* line);
void console_window_clear();
