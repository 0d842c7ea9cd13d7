#pragma once

class QPainter;

// The window of the 3D view. 1 when it was made.
int viewport_window_create();
void viewport_window_repaint();
void viewport_window_add_overlay(void (*paint)(QPainter* painter));
