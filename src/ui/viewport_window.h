#pragma once

class QPainter;

// The window of the 3D view. 1 when it was made.
int viewport_window_create();
void viewport_window_repaint();
void viewport_window_add_overlay(void (*paint)(QPainter* painter));
// The mouse cursor over the view, in the view's pixels from its top-left
// corner: where it is (outside the view when it is), putting it somewhere,
// hiding and showing it over the view; and the view's size.
void viewport_window_cursor(int* x, int* y);
void viewport_window_move_cursor(int x, int y);
void viewport_window_show_cursor(int shown);
void viewport_window_size(int* width, int* height);
