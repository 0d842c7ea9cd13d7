#pragma once

// The status bar at the foot of the main window: an ordered list of panes
// that share the bar's width by weight.
struct status_pane;

// The window that shows the bar, set at start-up: it is given every
// pane's right edge and text after the list changes, and a pane's new text.
struct status_view {
    void (*set_parts)(const int* edges, const char* const* texts, int count);
    void (*set_text)(int index, const char* text);
};
void status_set_view(const status_view& view);

// Lays the bar out at the width of its window, once the window exists.
void status_init(int width);

// A new pane at the end of the list.
status_pane* status_add(int weight);
void status_remove(status_pane* pane);
// Sets a pane's text; unknown panes are ignored.
void status_change(status_pane* pane, const char* text);

// Lays the panes out over a bar of this width.
void status_layout(int width);

// The right edges of the panes over a bar of this width: pane k ends at the
// running sum of floor(weight / total * (width - 15)); the last pane gets
// the 15 pixels of the size grip as well. Returns the number of panes.
int status_edges(int width, int* edges, int max_edges);

// Removes every pane (shutdown and tests).
void status_term();
