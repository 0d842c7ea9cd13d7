#pragma once

// The status bar widget of the main window, drawn as a row of panes.
void status_window_create();
int status_window_width();
int status_window_height();
// Sets the panes' right edges and texts.
void status_window_set_parts(const int* edges, const char* const* texts, int count);
void status_window_set_text(int index, const char* text);
// The pane texts, for the automation state and tests.
int status_window_part_count();
const char* status_window_text(int index);
