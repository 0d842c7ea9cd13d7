#pragma once

// The status bar at the foot of the main window: an ordered list of panes
// that share the bar's width by weight.
struct status_pane;

// Creates the bar on the main window.
void status_init();

// A new pane at the end of the list.
status_pane* status_add(int weight);
void status_remove(status_pane* pane);
// Sets a pane's text; unknown panes are ignored.
void status_change(status_pane* pane, const char* text);

// The bar's height plus one, for the window layout.
int status_height();
// Lays the panes out over a bar of this width.
void status_layout(int width);

// The right edges of the panes over a bar of this width: pane k ends at the
// running sum of floor(weight / total * (width - 15)); the last pane gets
// the 15 pixels of the size grip as well. Returns the number of panes.
int status_edges(int width, int* edges, int max_edges);

// Removes every pane (shutdown and tests).
void status_term();
